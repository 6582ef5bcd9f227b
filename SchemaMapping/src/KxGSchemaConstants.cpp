// The names of the gateway's own tables and the column descriptions they share.
#include "KxGSchemaConstants.h"

namespace {

const char* const kTableNames[KxGSchemaConstants::kTableCount] = {
    "OPTIONREGISTRY", "ROOTBLOCK", "SURROGATES", "LOCKS", "ACTIVECLIENTS",
    "KELVOX_CLASSES", "KELVOX_MEMBERS", "KELVOX_INDEXES"};

enum TableIndex : int32_t { kOption, kRootBlock, kSurrogates, kLocks, kActiveClients, kClasses, kMembers, kIndexes };

// Built once; the texts and columns are never changed afterwards.
struct Constants {
    KxString tables[KxGSchemaConstants::kTableCount];
    KxString optionFile{"Options.txt"};
    KxGColumn id{"ID", KXG_TYPE_INT, 4, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL};
    KxGColumn className{"ClassName", KXG_TYPE_STRING, 200, KXG_COLUMN_NOT_NULL};
    KxGColumn memberName{"MemberName", KXG_TYPE_STRING, 100, KXG_COLUMN_NOT_NULL};
    KxGColumn optionName{"OptionName", KXG_TYPE_STRING, 50, KXG_COLUMN_NOT_NULL};
    KxGColumn arguments{"Arguments", KXG_TYPE_STRING, 200, 0};

    Constants()
    {
        for (int32_t i = 0; i < KxGSchemaConstants::kTableCount; ++i) {
            tables[i] = kTableNames[i];
        }
    }
};

const Constants& Get()
{
    static const Constants constants;
    return constants;
}

}  // namespace

const KxString& KxGSchemaConstants::GetOptionTable() { return Get().tables[kOption]; }
const KxString& KxGSchemaConstants::GetRootBlockTable() { return Get().tables[kRootBlock]; }
const KxString& KxGSchemaConstants::GetSurrogatesTable() { return Get().tables[kSurrogates]; }
const KxString& KxGSchemaConstants::GetLocksTable() { return Get().tables[kLocks]; }
const KxString& KxGSchemaConstants::GetActiveClientsTable() { return Get().tables[kActiveClients]; }
const KxString& KxGSchemaConstants::GetClassesTable() { return Get().tables[kClasses]; }
const KxString& KxGSchemaConstants::GetMembersTable() { return Get().tables[kMembers]; }
const KxString& KxGSchemaConstants::GetIndexesTable() { return Get().tables[kIndexes]; }
const KxString& KxGSchemaConstants::GetOptionFile() { return Get().optionFile; }
int32_t KxGSchemaConstants::GetOptionStrSize() { return 50; }
int32_t KxGSchemaConstants::GetClientNameLen() { return 30; }
const KxGColumn& KxGSchemaConstants::GetIDCol() { return Get().id; }
const KxGColumn& KxGSchemaConstants::GetClassCol() { return Get().className; }
const KxGColumn& KxGSchemaConstants::GetMemberCol() { return Get().memberName; }
const KxGColumn& KxGSchemaConstants::GetOptionCol() { return Get().optionName; }
const KxGColumn& KxGSchemaConstants::GetArgsCol() { return Get().arguments; }

const KxString& KxGSchemaConstants::GetTable(int32_t index)
{
    if (index < 0 || index >= kTableCount) {
        return KxString::EmptyString();
    }
    return Get().tables[index];
}

bool KxGSchemaConstants::IsGatewayTable(const KxString& name)
{
    KxString upper(name);
    upper.ToUpper();
    for (const KxString& table : Get().tables) {
        if (upper == table) {
            return true;
        }
    }
    return false;
}
