// OPTIONREGISTRY: the runtime replay and the schema mapper's statements.
#include <memory>
#include <new>

#include "KxGColumn.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGProjection.h"
#include "KxGRowReader.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

namespace {

constexpr int32_t kReplayRowsPerFetch = 20;

const KxString kStar("*");

// OPTIONREGISTRY qualified with the schema name (always: stored schemas keep it there).
KxGTable OptionTable(KxGDatabase& database)
{
    KxString schema;
    database.GetSchemaName(&schema);
    return KxGTable(KxGSchemaConstants::GetOptionTable(), schema);
}

KxGExtendedProjection OptionProjection(const KxGTable& table)
{
    KxGExtendedProjection projection(table);
    projection.AddColumn(KxGSchemaConstants::GetClassCol());
    projection.AddColumn(KxGSchemaConstants::GetMemberCol());
    projection.AddColumn(KxGSchemaConstants::GetOptionCol());
    projection.AddColumn(KxGSchemaConstants::GetArgsCol());
    return projection;
}

// A text as read: active, in the default 8-bit code set, right-trimmed.
KxString AsRead(KxString text)
{
    if (!text.IsActive()) {
        return KxString::EmptyString();
    }
    text.SetCodeSet(0);
    text.RightTrim();
    return text;
}

bool Stored(const KxGOption& option)
{
    return option.GetStatus() == KXG_OPTION_OK && option.GetName() != KxString("RENAME");
}

}  // namespace

int32_t KxGOptionRegistry::LoadOptionsTable(KxGDatabase& database, uint16_t& preserveNames)
{
    int32_t result = 0;
    {
        const KxGTable table = OptionTable(database);
        const KxGExtendedProjection projection = OptionProjection(table);
        KxGSelectStatementTemplate query(projection, *database.GetDatabaseInfo());
        KxString className;
        KxString member;
        KxString option;
        KxString arguments;
        KxGTypeHdl* text = database.GetTypeHdl(KXG_TYPE_STRING, 0, 0);
        KxGRowReader reader(database, query, kReplayRowsPerFetch);
        bool ok = reader.AddColumn(text, &className, 200) && reader.AddColumn(text, &member, 100) &&
                  reader.AddColumn(text, &option, 50) && reader.AddColumn(text, &arguments, 200) && reader.Execute();
        while (ok && result == 0) {
            uint32_t rows = 0;
            ok = reader.Fetch(rows);
            for (uint32_t row = 0; ok && row < rows && result == 0; ++row) {
                className = member = option = arguments = KxString();
                reader.ReadRow(row);
                result = ProcessOption(AsRead(className), AsRead(member), AsRead(option), AsRead(arguments), 0);
            }
            if (rows < static_cast<uint32_t>(kReplayRowsPerFetch)) {
                break;
            }
        }
        if (!ok && result == 0) {
            result = database.GetError()->ErrorCode();
            if (result == 0) {
                result = KXG_E_RDBMS;
            }
        }
    }
    ProcessGlobalOptions(database, *database.GetDatabaseInfo(), false, false, preserveNames);
    return result;
}

int32_t KxGOptionRegistry::CreateRegistry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    const KxGTable table = OptionTable(database);
    list.Adopt(database.GetDatabaseInfo()->CreateTable(table, OptionProjection(table)));
    return 0;
}

int32_t KxGOptionRegistry::EmptyRegistry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    return list.AppendDeleteAll(OptionTable(database));
}

int32_t KxGOptionRegistry::DropRegistry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    const KxGTable table = OptionTable(database);
    std::unique_ptr<KxGCreateStatementTemplate> created(
        database.GetDatabaseInfo()->CreateTable(table, OptionProjection(table)));
    if (!created) {
        return KXG_E_NO_MEMORY;
    }
    return list.Adopt(database.GetDatabaseInfo()->DropTable2(*created));
}

int32_t KxGOptionRegistry::AppendInsert(KxGDatabase& database, KxGStatementTemplateList& list,
                                        const KxString& className, const KxString& member, const KxString& option,
                                        const KxString& arguments)
{
    KxString text("INSERT INTO ");
    text << OptionTable(database).GetQualifiedName() << " VALUES( ";
    KxGAppendLiteral(text, className);
    text << ", ";
    KxGAppendLiteral(text, member);
    text << ", ";
    KxGAppendLiteral(text, option);
    text << ", ";
    KxGAppendLiteral(text, arguments);
    text << ")";
    return list.Adopt(new (std::nothrow) KxGStoreStatementTemplate(text));
}

int32_t KxGOptionRegistry::FillRegistry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    for (uint32_t i = 0; i < global_.Count(); ++i) {
        const KxGOption& option = *global_.Get(i);
        if (Stored(option)) {
            AppendInsert(database, list, kStar, kStar, option.GetName(), option.GetArguments());
        }
    }
    for (uint32_t c = 0; c < classes_.Count(); ++c) {
        const KxGClassOption& classOption = *classes_.Get(c);
        if (const KxGOptionList* options = classOption.GetOptions()) {
            for (uint32_t i = 0; i < options->Count(); ++i) {
                const KxGOption& option = *options->Get(i);
                if (Stored(option)) {
                    AppendInsert(database, list, classOption.GetName(), kStar, option.GetName(), option.GetArguments());
                }
            }
        }
        for (uint32_t m = 0; m < classOption.GetMemberCount(); ++m) {
            const KxGMemberOption& member = *classOption.GetMember(m);
            for (uint32_t i = 0; i < member.GetOptions().Count(); ++i) {
                const KxGOption& option = *member.GetOptions().Get(i);
                if (Stored(option)) {
                    AppendInsert(database, list, classOption.GetName(), member.GetName(), option.GetName(),
                                 option.GetArguments());
                }
            }
        }
    }
    return 0;
}

int32_t KxGOptionRegistry::StoreRegistryOID48BitEntry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    AppendInsert(database, list, kStar, kStar, KxString("OID_SIZE"), KxString("48BIT"));
    return 0;
}

int32_t KxGOptionRegistry::StoreUnsignedBehaviorUsedEntry(KxGDatabase& database, KxGStatementTemplateList& list)
{
    // The user's accepted option is stored by FillRegistry: a second row would repeat it.
    const KxGOption* given = global_.Find(KxString("UNSIGNED_BEHAVIOR"));
    if (given != nullptr && given->GetStatus() == KXG_OPTION_OK) {
        return 0;
    }
    AppendInsert(database, list, kStar, kStar, KxString("UNSIGNED_BEHAVIOR"), KxString("UNSIGNED"));
    return 0;
}
