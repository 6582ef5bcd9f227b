// KxGSchemaConstants: the names of the gateway's own tables in the schema of an object database, the
// default option-file name, and the column descriptions that those tables share.
//
// The strings and columns are built once, on first use, and live until the library unloads.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxString.h"

class KxGSchemaConstants {
public:
    KxGSchemaConstants() = delete;

    // Table names.
    static const KxString& GetOptionTable();        // "OPTIONREGISTRY"
    static const KxString& GetRootBlockTable();     // "ROOTBLOCK"
    static const KxString& GetSurrogatesTable();    // "SURROGATES"
    static const KxString& GetLocksTable();         // "LOCKS"
    static const KxString& GetActiveClientsTable(); // "ACTIVECLIENTS"
    static const KxString& GetClassesTable();       // "KELVOX_CLASSES"
    static const KxString& GetMembersTable();       // "KELVOX_MEMBERS"
    static const KxString& GetIndexesTable();       // "KELVOX_INDEXES"

    // The default option-file name: "Options.txt".
    static const KxString& GetOptionFile();
    // Characters of an option name: 50.
    static int32_t GetOptionStrSize();
    // Characters of a client name kept in ACTIVECLIENTS: 30.
    static int32_t GetClientNameLen();

    // Column ID: kernel type 2 (int), size 4, key and not null.
    static const KxGColumn& GetIDCol();
    // Columns of OPTIONREGISTRY, in table order:
    // ClassName: kernel type 11 (string), size 200, not null.
    static const KxGColumn& GetClassCol();
    // MemberName: kernel type 11, size 100, not null.
    static const KxGColumn& GetMemberCol();
    // OptionName: kernel type 11, size 50, not null.
    static const KxGColumn& GetOptionCol();
    // Arguments: kernel type 11, size 200, nullable.
    static const KxGColumn& GetArgsCol();

    // The eight table names above, in the order in which a schema's user is granted them:
    // OPTIONREGISTRY, ROOTBLOCK, SURROGATES, LOCKS, ACTIVECLIENTS, KELVOX_CLASSES, KELVOX_MEMBERS,
    // KELVOX_INDEXES.
    static constexpr int32_t kTableCount = 8;
    static const KxString& GetTable(int32_t index);
    // True when the name (compared upper-cased) is one of the eight table names.
    static bool IsGatewayTable(const KxString& name);
};

// Kernel type codes the catalog columns use.
enum : uint16_t {
    KXG_TYPE_INT = 2,
    KXG_TYPE_USHORT = 5,
    KXG_TYPE_STRING = 11,
    KXG_TYPE_OID = 15,
    KXG_TYPE_CID = 16
};
