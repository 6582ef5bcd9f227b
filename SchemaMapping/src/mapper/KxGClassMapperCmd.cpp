// The schema mapper's commands.
#include "KxGClassMapperCmd.h"

#include <cstdio>
#include <map>
#include <new>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGClassMapper.h"
#include "KxGClassMapperLog.h"
#include "KxGCatalogTables.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGIndexTable.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGProjection.h"
#include "KxGRootblock.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGVersioningMap.h"
#include "KxGTypeHdl.h"
#include "KxTypeMgr.h"

namespace {

// The schema version a new schema is written with.
constexpr int32_t kSchemaVersion = 1024;
// Stored schema versions: from 512 on a schema has the catalog tables; 768 is the last layout before
// 48-bit object ids.
constexpr uint32_t kFirstStoredNamesVersion = 512;
constexpr uint32_t kBeta2Version = 768;
// Versioning needs a schema above the first beta layouts; from 778 on the byte and unsigned choices
// are stored with the schema.
constexpr uint32_t kLastBeta1Version = 767;
constexpr uint32_t kLastByteChoiceVersion = 777;
// The database version written into a new ROOTBLOCK ("dbversion"; IndexRevision is the dictionary's
// revision, TypeMgrVers the type manager's version).
constexpr int32_t kDatabaseVersion = 1;

std::string Str(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

KxString Decimal(int64_t number)
{
    KxString text = KxString::EmptyString();
    text << std::to_string(number).c_str();
    return text;
}

struct OwnedList : KxGStatementTemplateList {
    ~OwnedList() { ClearAll(); }
};

// The create templates of a list (entries of other kinds are left out).
std::vector<KxGCreateStatementTemplate*> CreateTemplates(const KxGStatementTemplateList* list)
{
    std::vector<KxGCreateStatementTemplate*> made;
    for (uint32_t i = 0; list != nullptr && i < list->Count(); ++i) {
        if (auto* created = dynamic_cast<KxGCreateStatementTemplate*>(list->GetTemplate(i))) {
            made.push_back(created);
        }
    }
    return made;
}

// The SURROGATES table of the schema with its two columns.
struct SurrogatesTable {
    explicit SurrogatesTable(KxGDatabase& database, const KxString& schema)
        : table(KxGSchemaConstants::GetSurrogatesTable(),
                database.GetDatabaseInfo()->GetMaxNameLength(2) > 0 ? schema : KxString()),
          id(KxString("ID"), KX_TYPE_LONG, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL),
          serial(KxString("SERIAL_ID"), KX_TYPE_OBJID, 0, KXG_COLUMN_NOT_NULL)
    {
    }
    KxGCreateStatementTemplate* Create(KxGDatabase& database)
    {
        KxGExtendedProjection columns(table);
        columns.AddColumn(id);
        columns.AddColumn(serial);
        return database.GetDatabaseInfo()->CreateTable(table, columns);
    }
    KxString Reset() const
    {
        KxString text("INSERT INTO ");
        text << table.GetQualifiedName() << " (ID, SERIAL_ID) VALUES (1, 100)";
        return text;
    }
    KxGTable table;
    KxGColumn id;
    KxGColumn serial;
};

// The DELETE of one class version's rows in KELVOX_CLASSES or KELVOX_MEMBERS (both keyed by class id and
// version in their first two columns).
KxString DeleteVersionRows(const KxGCatalogTable& table, const KxClassId& id)
{
    KxString remove("DELETE FROM ");
    remove << table.GetTable().GetQualifiedName() << " WHERE " << table.GetColumn(0).GetName() << " = "
           << KxGStoredClassNumber(id.GetClassNumber()) << " AND " << table.GetColumn(1).GetName() << " = "
           << KxGStoredClassNumber(id.GetVersion());
    return remove;
}

}  // namespace

// ---- the command --------------------------------------------------------------------------------

KxGClassMapperCmd::KxGClassMapperCmd(KxGClassMapper* mapper) : mapper_(mapper) {}

KxGClassMapperCmd::~KxGClassMapperCmd() = default;

std::unique_ptr<KxGClassMapperCmd> KxGClassMapperCmd::Make(int32_t kind, KxGClassMapper* mapper)
{
    switch (kind) {
    case KXG_MAPPER_CMD_EMPTY: return std::make_unique<KxGClassMapperEmptyCmd>(mapper);
    case KXG_MAPPER_CMD_DROP: return std::make_unique<KxGClassMapperDropCmd>(mapper);
    case KXG_MAPPER_CMD_CREATE: return std::make_unique<KxGClassMapperCreateCmd>(mapper);
    case KXG_MAPPER_CMD_CONVERT: return std::make_unique<KxGClassMapperConvertCmd>(mapper);
    case KXG_MAPPER_CMD_VERSION: return std::make_unique<KxGClassMapperVersionCmd>(mapper);
    case KXG_MAPPER_CMD_LIST: return std::make_unique<KxGClassMapperListCmd>(mapper);
    default: return nullptr;
    }
}

void KxGClassMapperCmd::MakeMap(bool reporting)
{
    map_ = std::make_unique<KxGCreationSchemaMap>(mapper_->GetDatabase(), mapper_->GetClassDictionary(),
                                                  &KxGClassLoader::Instance());
    if (reporting) {
        KxGClassMapper* mapper = mapper_;
        map_->SetReporter([mapper](int32_t code, const KxString& text) { mapper->Report(code, text); },
                          mapper_->IsContinue());
    }
}

void KxGClassMapperCmd::EnsureTerminator()
{
    if (mapper_->GetTerminator().IsEmpty()) {
        mapper_->SetTerminator(mapper_->GetDatabase()->GetDatabaseInfo()->GetTerminator());
    }
}

int32_t KxGClassMapperCmd::CheckDictionary() const
{
    const KxGSchemaFacts& facts = mapper_->GetSchemaFacts();
    const KxClassDict* dictionary = mapper_->GetClassDictionary();
    if (dictionary == nullptr || !(facts.dictionaryName == dictionary->GetLogicalName()) ||
        facts.dictionaryStamp != dictionary->GetCreationStamp() ||
        facts.dictionaryModifyStamp != dictionary->GetModifyStamp() ||
        facts.dictionaryRevision != dictionary->GetRevision()) {
        return KXG_E_DICTIONARY_MISMATCH;
    }
    return 0;
}

int32_t KxGClassMapperCmd::Execute(KxGStatementTemplate* statement)
{
    std::unique_ptr<KxGStatementTemplate> owned(statement);
    if (!owned) {
        return mapper_->Report(KXG_E_MAPPER_FATAL);
    }
    const int32_t result = mapper_->ExecuteStatement(*owned);
    if (result == 0) {
        RecordUndo(*owned);
    }
    return result;
}

void KxGClassMapperCmd::RecordUndo(const KxGStatementTemplate& statement)
{
    const auto* created = dynamic_cast<const KxGCreateStatementTemplate*>(&statement);
    if (undo_ == nullptr || created == nullptr || !(mapper_->IsConnected() && mapper_->IsOnline())) {
        return;
    }
    std::string head = Str(created->GetSQLText()).substr(0, 40);
    for (char& c : head) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : (c == '\n' || c == '\t' ? ' ' : c);
    }
    const auto starts = [&head](const char* word) { return head.rfind(word, 0) == 0; };
    KxGDatabaseInfo& info = *mapper_->GetDatabase()->GetDatabaseInfo();
    KxGStatementTemplate* drop = nullptr;
    if (starts("CREATE TABLE")) {
        drop = info.DropTable2(*created);
    } else if (starts("CREATE VIEW") || starts("CREATE OR REPLACE VIEW")) {
        drop = info.DropView(*created);
    } else if (starts("CREATE INDEX") || starts("CREATE UNIQUE INDEX")) {
        drop = info.DropIndex2(*created);
    } else if (starts("CREATE TRIGGER") || starts("CREATE OR REPLACE TRIGGER")) {
        drop = info.DropTrigger(*created);
    }
    if (drop != nullptr) {
        undo_->emplace_back(drop);
    }
}

int32_t KxGClassMapperCmd::Execute(const KxString& text)
{
    return Execute(new (std::nothrow) KxGStoreStatementTemplate(text));
}

int32_t KxGClassMapperCmd::ExecuteAll(KxGStatementTemplateList& list)
{
    for (uint32_t i = 0; i < list.Count(); ++i) {
        KxGStatementTemplate* statement = list.GetTemplate(i);
        if (statement == nullptr) {
            return mapper_->Report(KXG_E_MAPPER_FATAL);
        }
        const int32_t result = mapper_->ExecuteStatement(*statement);
        if (result != 0) {
            return result;
        }
        RecordUndo(*statement);
    }
    return 0;
}

KxString KxGClassMapperCmd::SchemaName() const
{
    KxString schema = KxString::EmptyString();
    if (mapper_->GetDatabase() != nullptr) {
        mapper_->GetDatabase()->GetSchemaName(&schema);
    }
    return schema;
}

KxString KxGClassMapperCmd::SchemaUser() const
{
    const int32_t room = mapper_->GetDatabase()->GetDatabaseInfo()->GetMaxNameLength(0) - 5;
    KxString user = SchemaName().Left(room > 0 ? static_cast<uint32_t>(room) : 0U);
    user << "_USER";
    return user;
}

int32_t KxGClassMapperCmd::ConnectToStoredSchema()
{
    if (mapper_->GetDatabase() == nullptr || mapper_->GetClassDictionary() == nullptr) {
        return KXG_E_MAPPER_FATAL;
    }
    if (!mapper_->IsConnected()) {
        return KXG_E_INVALID_COMMAND_OPTION;
    }
    int32_t result = mapper_->Connect(true);
    if (result == 0) {
        result = mapper_->CheckSchemaOwner();
    }
    return result != 0 ? mapper_->EndConnection(result) : 0;
}

int32_t KxGClassMapperCmd::ExecuteGrants(const KxString& role)
{
    std::vector<KxGCreateStatementTemplate*> tables = CreateTemplates(map_->GetCreateTableList());
    std::vector<KxGCreateStatementTemplate*> views = CreateTemplates(map_->GetViewList());
    tables.push_back(nullptr);
    views.push_back(nullptr);
    OwnedList grants;
    mapper_->GetDatabase()->GetDatabaseInfo()->Grants(SchemaName(), role, tables.data(), views.data(), grants);
    return ExecuteAll(grants);
}

void KxGClassMapperCmd::Print(const char* text) const
{
    mapper_->Print(KxString(text));
}

// Common prepare (drop, empty, list): the stored schema read back when connected; the option file
// otherwise.
int32_t KxGClassMapperCmd::Prepare()
{
    KxGDatabase* database = mapper_->GetDatabase();
    if (database == nullptr || mapper_->GetClassDictionary() == nullptr) {
        return KXG_E_MAPPER_FATAL;
    }
    if (!mapper_->IsConnected()) {
        MakeMap(false);
        return mapper_->ReadOptionFile(*map_);
    }
    int32_t result = mapper_->Connect(true);
    if (result != 0) {
        return mapper_->EndConnection(result);
    }
    result = CheckDictionary();
    if (result != 0) {
        return result;
    }
    const KxGSchemaFacts& facts = mapper_->GetSchemaFacts();
    MakeMap(false);
    // A schema with the catalog tables: its names are read back from them (and a class without a
    // table is named as create names it). The naming of older layouts serves schemas without them.
    const bool catalog = facts.schemaVersion >= kFirstStoredNamesVersion;
    map_->SetStoredNames(catalog);
    map_->SetExistingSchema(!catalog);
    map_->SetRevision(static_cast<uint16_t>(facts.rogwRevision));
    map_->SetSchemaVersion(static_cast<int32_t>(facts.schemaVersion));
    uint16_t preserveNames = 0;
    result = map_->GetOptionRegistry().LoadOptionsTable(*database, preserveNames);
    map_->SetPreserveNames(preserveNames);
    return result;
}

// ---- create -------------------------------------------------------------------------------------

KxGClassMapperCreateCmd::KxGClassMapperCreateCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}

KxGClassMapperCreateCmd::~KxGClassMapperCreateCmd() = default;

int32_t KxGClassMapperCreateCmd::Prepare()
{
    KxGDatabase* database = mapper_->GetDatabase();
    if (database == nullptr || mapper_->GetClassDictionary() == nullptr) {
        return KXG_E_MAPPER_FATAL;
    }
    if (mapper_->IsConnected()) {
        int32_t result = mapper_->Connect(false);
        if (result == 0 && mapper_->IsConnected()) {
            result = mapper_->CheckSchemaOwner();
            if (result == 0 && mapper_->ReadSchemaFacts() == 0) {
                // Creation is not atomic: a create that failed part-way leaves a schema that only a
                // drop removes.
                mapper_->Print(KxString("Drop the existing schema first (relgen -d with the same database "
                                        "parameters), also after a creation that failed part-way."));
                result = KXG_E_SCHEMA_EXISTS;
            }
        }
        if (result != 0) {
            return mapper_->EndConnection(result);
        }
    }
    if (KxGTypeHdlMgr* types = database->GetTypeHdlMgr();
        types != nullptr && (types->GetFlags() & KXG_TYPEMGR_OID48_SUPPORTED) != 0) {
        types->SetFlags(types->GetFlags() | KXG_TYPEMGR_OID48_IN_USE);
    }
    MakeMap(true);
    return mapper_->ReadOptionFile(*map_);
}

namespace {

// Reports every option whose status is not 0 (global options: not 5 either): 6150 above 0, -6172
// below. True when one of them is below 0.
bool ReportOptions(KxGClassMapper& mapper, const KxGOptionRegistry& registry)
{
    bool failed = false;
    const auto report = [&](const KxGOption& option, const KxString& where) {
        const int16_t status = option.GetStatus();
        KxString text = KxGOptionRegistry::MapOptionStatus(status);
        text << "\n";
        if (!where.IsEmpty()) {
            text << where << "\n";
        }
        text << option.Describe();
        mapper.Report(status > 0 ? KXG_W_INCORRECT_OPTION : KXG_E_INCORRECT_OPTION_LINE, text);
        failed = failed || status < 0;
    };
    for (uint32_t i = 0; i < registry.GetClassOptions().Count(); ++i) {
        const KxGClassOption* classOption = registry.GetClassOptions().Get(i);
        if (const KxGOptionList* options = classOption->GetOptions()) {
            for (uint32_t k = 0; k < options->Count(); ++k) {
                if (options->Get(k)->GetStatus() != KXG_OPTION_OK) {
                    report(*options->Get(k), classOption->Describe());
                }
            }
        }
    }
    const KxGOptionList& global = registry.GetGlobalOptions();
    for (uint32_t k = 0; k < global.Count(); ++k) {
        const int16_t status = global.Get(k)->GetStatus();
        if (status != KXG_OPTION_OK && status != KXG_OPTION_OID_SIZE_DONE) {
            report(*global.Get(k), KxString::EmptyString());
        }
    }
    for (uint32_t i = 0; i < registry.GetClassOptions().Count(); ++i) {
        const KxGClassOption* classOption = registry.GetClassOptions().Get(i);
        for (uint32_t m = 0; m < classOption->GetMemberCount(); ++m) {
            const KxGMemberOption* member = classOption->GetMember(m);
            for (uint32_t k = 0; k < member->GetOptions().Count(); ++k) {
                if (member->GetOptions().Get(k)->GetStatus() != KXG_OPTION_OK) {
                    KxString where = classOption->Describe();
                    where << member->Describe();
                    report(*member->GetOptions().Get(k), where);
                }
            }
        }
    }
    return failed;
}


// Words that both products reserve: a name equal to one of them cannot stand unquoted in SQL text.
bool IsReservedWord(const std::string& name)
{
    static const std::set<std::string> words = {
        "ACCESS", "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUDIT", "BETWEEN", "BY", "CASE", "CAST",
        "CHAR", "CHECK", "CLUSTER", "COLUMN", "COMMENT", "COMPRESS", "CONNECT", "CREATE", "CURRENT", "DATE",
        "DECIMAL", "DEFAULT", "DELETE", "DESC", "DISTINCT", "DROP", "ELSE", "END", "EXCEPT", "EXCLUSIVE",
        "EXISTS", "FETCH", "FILE", "FLOAT", "FOR", "FROM", "FULL", "GRANT", "GROUP", "HAVING", "IDENTIFIED",
        "IMMEDIATE", "IN", "INCREMENT", "INDEX", "INITIAL", "INNER", "INSERT", "INTEGER", "INTERSECT", "INTO",
        "IS", "JOIN", "LEFT", "LEVEL", "LIKE", "LOCK", "LONG", "MAXEXTENTS", "MINUS", "MLSLABEL", "MODE",
        "MODIFY", "NOAUDIT", "NOCOMPRESS", "NOT", "NOWAIT", "NULL", "NUMBER", "OF", "OFFLINE", "ON", "ONLINE",
        "OPTION", "OR", "ORDER", "OUTER", "PCTFREE", "PRIOR", "PRIVILEGES", "PUBLIC", "RAW", "RENAME",
        "RESOURCE", "REVOKE", "RIGHT", "ROW", "ROWID", "ROWNUM", "ROWS", "SELECT", "SESSION", "SET", "SHARE",
        "SIZE", "SMALLINT", "START", "SUCCESSFUL", "SYNONYM", "SYSDATE", "TABLE", "THEN", "TO", "TRIGGER",
        "UID", "UNION", "UNIQUE", "UPDATE", "USER", "VALIDATE", "VALUES", "VARCHAR", "VARCHAR2", "VIEW",
        "WHEN", "WHENEVER", "WHERE", "WITH"};
    std::string upper = name;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return words.count(upper) != 0;
}

// The sizes of the catalog columns that hold names as values.
constexpr size_t kClassNameColumnSize = 100;
constexpr size_t kMemberNameColumnSize = 250;
constexpr size_t kIndexNameColumnSize = 250;

}  // namespace

bool KxGClassMapperCreateCmd::RefuseBadNames()
{
    KxGDatabaseInfo& info = *mapper_->GetDatabase()->GetDatabaseInfo();
    bool refused = false;
    const auto refuse = [&](const KxString& text) {
        mapper_->Print(text);
        mapper_->GetLog().CountError();
        refused = true;
    };
    // An identifier: letters, digits, _ $ #, within the product's length, no reserved word.
    const auto identifier = [&](const KxString& name, int32_t length, const char* kind) {
        if (!KxGIsPlainIdentifier(name, length) || IsReservedWord(Str(name))) {
            KxString text("Error : The name '");
            text << name << "' is not a valid " << kind << " name";
            refuse(text);
            return false;
        }
        return true;
    };
    const auto fits = [&](const std::string& value, size_t size, const char* column, const KxString& table) {
        if (value.size() > size) {
            KxString text("Error : The name '");
            text << value.c_str() << "' is longer than the " << static_cast<uint32_t>(size) << " characters of "
                 << table << "." << column;
            refuse(text);
        }
    };

    // Tables, views, triggers and indexes, and those a versioning run makes.
    std::set<std::string> seen;
    const struct {
        KxGStatementTemplateList* list;
        const char* kind;
    } lists[] = {{map_->GetCreateTableList(), "table or view"}, {map_->GetViewList(), "table or view"},
                 {map_->GetTriggerList(), "trigger"},           {map_->GetIndexList(), "index"},
                 {map_->GetVersioningList(), "table or index"}};
    for (const auto& [list, kind] : lists) {
        for (KxGCreateStatementTemplate* created : CreateTemplates(list)) {
            const KxString name = created->GetIdentity().GetName();
            if (!identifier(name, info.GetMaxNameLength(0), kind)) {
                continue;
            }
            // Tables and views share one name space.
            const bool tableOrView = list == map_->GetCreateTableList() || list == map_->GetViewList();
            if (tableOrView && !seen.insert(Str(info.MapNameUpper(created->GetIdentity().GetQualifiedName()))).second) {
                KxString text("Error : The name '");
                text << name << "' is given to two tables or views";
                refuse(text);
            }
        }
    }
    // The columns of every mapped class, and the names the catalog keeps as values.
    std::set<std::string> columns;
    for (KxGClass* mapped : map_->GetStoredClasses()) {
        KxGClassMap* classMap = mapped->GetClassMap();
        for (uint32_t i = 0; classMap != nullptr && i < classMap->GetMemberMapCount(); ++i) {
            KxGColumnList list;
            if (classMap->GetMemberMap(i)->GetColumns(list) < 0) {
                continue;
            }
            for (uint32_t c = 0; c < list.Count(); ++c) {
                const KxString name = list.GetColumn(c)->GetName();
                if (!name.IsEmpty() && columns.insert(Str(name)).second) {
                    identifier(name, info.GetMaxNameLength(1), "column");
                }
            }
        }
    }
    for (const auto& row : map_->GetClassRows()) {
        fits(row.className, kClassNameColumnSize, "CLASS_NAME", KxGSchemaConstants::GetClassesTable());
    }
    for (const auto* rows : {&map_->GetMemberRows(), &map_->GetSetRows()}) {
        for (const auto& row : *rows) {
            fits(row.key, kMemberNameColumnSize, "MEMBER_NAME", KxGSchemaConstants::GetMembersTable());
        }
    }
    for (const KxGIndexMap* index : map_->GetIndexMaps()) {
        fits(Str(index->GetName()), kIndexNameColumnSize, "KELVOX_INDEX_NAME", KxGSchemaConstants::GetIndexesTable());
    }
    return refused;
}

namespace {
}  // namespace

std::vector<std::pair<const KxGRootblockEntry*, KxString>> KxGClassMapperCreateCmd::RootblockRows() const
{
    const KxClassDict& dictionary = *mapper_->GetClassDictionary();
    const auto stamp = [](const KxDateTime& value) {
        KxString text = KxString::EmptyString();
        value.PrintToKxString(text, KxGRootblock::kDateFormat);
        return text;
    };
    std::vector<std::pair<const KxGRootblockEntry*, KxString>> rows = {
        {&KxGRootblock::Getdbversion(), Decimal(kDatabaseVersion)},
        {&KxGRootblock::GetDictionaryName(), dictionary.GetLogicalName()},
        {&KxGRootblock::GetDictionaryServer(), mapper_->GetDictionaryServer()},
        {&KxGRootblock::GetDictionaryStamp(), stamp(dictionary.GetCreationStamp())}};
    if (!dictionary.GetModifyStamp().IsEmpty()) {
        rows.emplace_back(&KxGRootblock::GetDictionaryModifyStamp(), stamp(dictionary.GetModifyStamp()));
    }
    rows.emplace_back(&KxGRootblock::GetDictionaryRevision(), Decimal(dictionary.GetRevision()));
    rows.emplace_back(&KxGRootblock::GetIndexRevision(), Decimal(dictionary.GetRevision()));
    rows.emplace_back(&KxGRootblock::GetTypeMgrVers(), Decimal(KxTypeMgr::kVersion));
    rows.emplace_back(&KxGRootblock::GetDatabaseStamp(), stamp(KxDateTime()));
    rows.emplace_back(&KxGRootblock::GetMapFile(), mapper_->GetOptionFileName());
    rows.emplace_back(&KxGRootblock::GetROGWVersion(), Decimal(kSchemaVersion));
    rows.emplace_back(&KxGRootblock::GetROGWRevision(), Decimal(map_->GetRevision()));
    rows.emplace_back(&KxGRootblock::GetConcurrencyControlServer(), KxString(concurrencyServer_.c_str()));
    if (mapper_->IsMarkModified()) {
        rows.emplace_back(&KxGRootblock::GetUseMarkModified(), KxString("1"));
    }
    for (auto& row : rows) {
        if (!row.second.IsActive()) {
            row.second = KxString::EmptyString();
        }
    }
    return rows;
}

int32_t KxGClassMapperCreateCmd::CheckOptionsAndNames()
{
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const KxString schema = SchemaName();
    // 3: options that did not take effect; then the loaders' warnings (array members mapped with one
    // element).
    if (ReportOptions(*mapper_, map_->GetOptionRegistry()) && !mapper_->IsContinue()) {
        return KXG_E_MAPPER_SILENT;
    }
    for (const KxGCreationSchemaMap::Warning& warning : map_->GetWarnings()) {
        mapper_->Report(warning.code, KxString(warning.text.c_str()));
    }

    // 4: names. A name that is no identifier or that two objects share is refused whatever the
    // continue flag says: it would reach the server as text, or two classes would share a table.
    int32_t names = 0;
    bool refused = false;
    for (uint32_t number = 1; number < map_->GetClassCapacity(); ++number) {
        KxGClass* mapped = map_->FindClass(static_cast<uint16_t>(number));
        if (mapped != nullptr && mapped->GetLoadResult() != 0) {
            mapper_->Report(mapped->GetLoadResult(), mapped->GetName());
            if (mapped->GetLoadResult() < 0) {
                names = KXG_E_NO_SCHEMA_CREATED;
            }
        }
    }
    {
        KxString name = schema;
        const int32_t code = database.CheckTableName(&name, KXG_NAME_SCHEMA);
        if (code != 0 || !KxGIsPlainIdentifier(schema, info.GetMaxNameLength(2))) {
            mapper_->Report(code != 0 ? code : KXG_E_INVALID_DATABASE_NAME, schema);
            names = KXG_E_NO_SCHEMA_CREATED;
            refused = refused || code == 0;
        }
    }
    if (RefuseBadNames()) {
        names = KXG_E_NO_SCHEMA_CREATED;
        refused = true;
    }
    if (names != 0 && (refused || !mapper_->IsContinue())) {
        return names;
    }
    return 0;

}

int32_t KxGClassMapperCreateCmd::Run()
{
    int32_t result = Prepare();
    if (result != 0) {
        return result;
    }
    Print("Creating new schema ...\n");
    KxGDatabase& database = *mapper_->GetDatabase();

    // 1, 2: terminator and statement lists.
    EnsureTerminator();
    result = map_->BuildLists();
    if (result != 0) {
        return mapper_->Report(result);
    }

    // 3, 4: options that did not take effect, the loaders' warnings and the name tests.
    result = CheckOptionsAndNames();
    if (result != 0) {
        return result;
    }

    // DDL commits as it goes: when a step fails, what this run made is dropped again, so that the
    // database is as before and a later create can run.
    std::vector<std::unique_ptr<KxGStatementTemplate>> undo;
    undo_ = &undo;
    result = CreateSchema();
    undo_ = nullptr;
    if (result != 0 && !undo.empty() && mapper_->IsConnected() && mapper_->IsOnline()) {
        database.RollbackConnection();
        for (auto statement = undo.rbegin(); statement != undo.rend(); ++statement) {
            mapper_->ExecuteStatementIgnoring(**statement, true, 0, false);
        }
        database.CommitConnection();
    }
    return result;
}

int32_t KxGClassMapperCreateCmd::CreateSchema()
{
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const KxString schema = SchemaName();
    int32_t result = 0;

    // 5: ROOTBLOCK.
    {
        KxGRootblock root(&database);
        result = Execute(root.CreateTemplate());
        const auto rows = RootblockRows();
        for (const auto& [entry, value] : rows) {
            if (result != 0) {
                break;
            }
            KxString insert;
            root.SetValue(*entry, value.IsActive() ? value : KxString::EmptyString(), insert);
            result = Execute(insert);
        }
        if (result != 0) {
            return result;
        }
    }

    // 6: OPTIONREGISTRY.
    {
        OwnedList list;
        KxGOptionRegistry& registry = map_->GetOptionRegistry();
        registry.CreateRegistry(database, list);
        KxGTypeHdlMgr* types = database.GetTypeHdlMgr();
        if (types != nullptr && (types->GetFlags() & KXG_TYPEMGR_OID48_IN_USE) != 0) {
            registry.StoreRegistryOID48BitEntry(database, list);
        }
        if (registry.GetUnsignedBehavior() != 0) {
            registry.StoreUnsignedBehaviorUsedEntry(database, list);
        }
        registry.FillRegistry(database, list);
        result = ExecuteAll(list);
        if (result != 0) {
            return result;
        }
    }

    // 7: lock tables and triggers (undone by the adapter's removal of them all).
    {
        OwnedList list;
        info.CreateLocks(schema, list);
        if (undo_ != nullptr && mapper_->IsConnected() && mapper_->IsOnline()) {
            KxGStatementTemplateList drops;   // the templates pass to the undo list
            info.DropHelpers(schema, drops);
            for (uint32_t i = 0; i < drops.Count(); ++i) {
                undo_->emplace_back(drops.GetTemplate(i));
            }
        }
        result = ExecuteAll(list);
        if (result != 0) {
            return result;
        }
    }

    // 8: SURROGATES and its counter.
    {
        SurrogatesTable surrogates(database, schema);
        result = Execute(surrogates.Create(database));
        if (result == 0) {
            result = Execute(surrogates.Reset());
        }
        if (result != 0) {
            return result;
        }
    }

    // 9: KELVOX_CLASSES.
    {
        KxGVersionTable classes(database);
        result = Execute(classes.CreateTemplate());
        for (const auto& row : map_->GetClassRows()) {
            if (result != 0) {
                break;
            }
            KxString insert;
            classes.SetValue(row.id, KxString(row.className.c_str()), KxString(row.tableName.c_str()), insert);
            result = Execute(insert);
        }
        if (result != 0) {
            return result;
        }
    }

    // 10: KELVOX_MEMBERS.
    {
        KxGColumnTable members(database);
        result = Execute(members.CreateTemplate());
        for (const auto* rows : {&map_->GetMemberRows(), &map_->GetSetRows()}) {
            for (const auto& row : *rows) {
                if (result != 0) {
                    break;
                }
                KxString insert;
                members.SetValue(row.id, KxString(row.key.c_str()), KxString(row.columnName.c_str()), insert);
                result = Execute(insert);
            }
        }
        if (result != 0) {
            return result;
        }
    }

    // 11: KELVOX_INDEXES.
    {
        KxGIndexTable indexes(database);
        result = Execute(indexes.CreateTemplate());
        if (result == 0) {
            OwnedList list;
            result = indexes.AppendInserts(map_->GetIndexMaps(), list);
            if (result == 0) {
                result = ExecuteAll(list);
            }
        }
        if (result != 0) {
            return result;
        }
    }

    // 12: tables, views, triggers, indexes.
    for (KxGStatementTemplateList* list :
         {map_->GetCreateTableList(), map_->GetViewList(), map_->GetTriggerList(), map_->GetIndexList()}) {
        if (list == nullptr) {
            return mapper_->Report(KXG_E_MAPPER_FATAL);
        }
        result = ExecuteAll(*list);
        if (result != 0) {
            return result;
        }
    }

    // 13: the schema user and its grants. A role of that name that exists already belongs to
    // another schema whose name starts alike: it gets no grants of this schema.
    const KxString user = SchemaUser();
    {
        OwnedList list;
        info.CreateRole(user, list);
        const int32_t conflicts = mapper_->GetRoleConflictCount();
        result = ExecuteAll(list);
        if (result != 0) {
            return result;
        }
        if (mapper_->GetRoleConflictCount() == conflicts && undo_ != nullptr && mapper_->IsConnected() &&
            mapper_->IsOnline()) {
            KxGStatementTemplateList drops;   // the templates pass to the undo list
            info.DropRole(user, drops);
            for (uint32_t i = 0; i < drops.Count(); ++i) {
                undo_->emplace_back(drops.GetTemplate(i));
            }
        }
        if (mapper_->GetRoleConflictCount() != conflicts) {
            KxString text("Error : The role '");
            text << user << "' exists already (it may belong to another schema): no grants are given to it";
            mapper_->Print(text);
            mapper_->GetLog().CountError();
            return KXG_E_MAPPER_SILENT;
        }
    }
    return ExecuteGrants(user);
}

// ---- drop ---------------------------------------------------------------------------------------

KxGClassMapperDropCmd::KxGClassMapperDropCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}

KxGClassMapperDropCmd::~KxGClassMapperDropCmd() = default;

int32_t KxGClassMapperDropCmd::Run()
{
    Print("Creating script to drop schema ...\n");
    int32_t result = KxGClassMapperCmd::Prepare();
    if (result != 0) {
        return result;
    }
    EnsureTerminator();
    result = map_->BuildLists();
    if (result != 0) {
        return mapper_->Report(result);
    }
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const KxString schema = SchemaName();

    using Drop = KxGStatementTemplate* (KxGDatabaseInfo::*)(const KxGCreateStatementTemplate&);
    const std::pair<KxGStatementTemplateList*, Drop> drops[] = {
        {map_->GetViewList(), &KxGDatabaseInfo::DropView},
        {map_->GetIndexList(), &KxGDatabaseInfo::DropIndex2},
        {map_->GetTriggerList(), &KxGDatabaseInfo::DropTrigger},
        {map_->GetCreateTableList(), &KxGDatabaseInfo::DropTable2}};
    for (const auto& [list, drop] : drops) {
        for (KxGCreateStatementTemplate* created : CreateTemplates(list)) {
            result = Execute((info.*drop)(*created));
            if (result != 0) {
                return result;
            }
        }
    }
    {
        KxGRootblock root(&database);
        result = Execute(root.DropTemplate());
        if (result != 0) {
            return result;
        }
    }
    {
        OwnedList list;
        map_->GetOptionRegistry().DropRegistry(database, list);
        info.DropHelpers(schema, list);
        result = ExecuteAll(list);
        if (result != 0) {
            return result;
        }
    }
    {
        SurrogatesTable surrogates(database, schema);
        KxGColumnTable members(database);
        KxGIndexTable indexes(database);
        KxGVersionTable classes(database);
        for (KxGStatementTemplate* drop : {info.DropTable(surrogates.table), members.DropTemplate(),
                                           indexes.DropTemplate(), classes.DropTemplate()}) {
            if (result == 0) {
                result = Execute(drop);
            } else {
                delete drop;
            }
        }
        if (result != 0) {
            return result;
        }
    }
    {
        // The schema user: a missing privilege does not count.
        OwnedList list;
        info.DropRole(SchemaUser(), list);
        for (uint32_t i = 0; result == 0 && i < list.Count(); ++i) {
            KxGStatementTemplate* statement = list.GetTemplate(i);
            result = statement == nullptr ? mapper_->Report(KXG_E_MAPPER_FATAL)
                                          : mapper_->ExecuteStatementIgnoring(*statement, false, KXG_E_NOT_PRIVILEGED);
        }
        if (result != 0) {
            return result;
        }
    }
    // The user of the database name: its failures do not count.
    OwnedList list;
    info.DropUser(mapper_->GetDatabaseName(), list);
    for (uint32_t i = 0; i < list.Count(); ++i) {
        if (KxGStatementTemplate* statement = list.GetTemplate(i)) {
            mapper_->ExecuteStatementIgnoring(*statement, true);
        }
    }
    return 0;
}

// ---- empty --------------------------------------------------------------------------------------

KxGClassMapperEmptyCmd::KxGClassMapperEmptyCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}

KxGClassMapperEmptyCmd::~KxGClassMapperEmptyCmd() = default;

int32_t KxGClassMapperEmptyCmd::Run()
{
    Print("Creating script to empty database ...\n");
    int32_t result = Prepare();
    if (result != 0) {
        return result;
    }
    EnsureTerminator();
    result = map_->BuildCreateTableList();
    if (result != 0) {
        return mapper_->Report(result);
    }
    KxGDatabase& database = *mapper_->GetDatabase();
    OwnedList list;
    for (KxGCreateStatementTemplate* created : CreateTemplates(map_->GetCreateTableList())) {
        list.AppendDeleteAll(KxGTable(created->GetIdentity().GetName(), created->GetIdentity().GetQualifier()));
    }
    SurrogatesTable surrogates(database, SchemaName());
    list.AppendDeleteAll(surrogates.table);
    list.Adopt(new (std::nothrow) KxGStoreStatementTemplate(surrogates.Reset()));
    result = ExecuteAll(list);
    if (result == 0 && mapper_->IsConnected() && database.CommitConnection() == 0) {
        result = database.GetError()->ErrorCode() != 0 ? database.GetError()->ErrorCode() : KXG_E_RDBMS;
    }
    return result;
}

// ---- list ---------------------------------------------------------------------------------------

KxGClassMapperListCmd::KxGClassMapperListCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}

KxGClassMapperListCmd::~KxGClassMapperListCmd() = default;

int32_t KxGClassMapperListCmd::Run()
{
    int32_t result = Prepare();
    if (result != 0) {
        return result;
    }
    result = map_->BuildLists();
    if (result != 0) {
        return mapper_->Report(result);
    }
    for (KxGClass* mapped : map_->GetStoredClasses()) {
        KxGClassMap& classMap = *mapped->GetClassMap();
        KxGStoreHdl& handler = *classMap.GetStoreHdl();
        KxString text("ClassName : ");
        text << mapped->GetName() << ", ClassId " << static_cast<uint32_t>(mapped->GetClassNumber()) << ", Version "
             << static_cast<uint32_t>(mapped->GetVersion()) << "\nStore Option : ";
        switch (handler.GetStoreKind()) {
        case KXG_STORE_ALL: text << "All\n"; break;
        case KXG_STORE_UNIVERSAL: text << "Universal\n"; break;
        case KXG_STORE_UNIVERSAL_CHILD: text << "UniversalChild\n"; break;
        case KXG_STORE_VIRTUAL: text << "Virtual\n"; break;
        default: text << "Default\n"; break;
        }
        KxGTable table;
        handler.GetClassTable(table);
        text << "Store table : " << table.GetQualifiedName() << "\n";
        if (KxGMemberMap* container = classMap.GetBlobContainerMap()) {
            text << "Blob size: " << container->GetSQLSize() << "\n";
        }
        mapper_->Print(text);
    }
    return 0;
}

// ---- version all ----------------------------------------------------------------------------------

KxGClassMapperVersionCmd::KxGClassMapperVersionCmd(KxGClassMapper* mapper)
    : KxGClassMapperCmd(mapper), KxGClassMapperCreateCmd(mapper), KxGClassMapperDropCmd(mapper)
{
}

KxGClassMapperVersionCmd::~KxGClassMapperVersionCmd() = default;

int32_t KxGClassMapperVersionCmd::Prepare()
{
    int32_t result = ConnectToStoredSchema();
    if (result != 0) {
        return result;
    }
    MakeMap(true);
    result = mapper_->ReadOptionFile(*map_);
    if (result != 0) {
        return mapper_->EndConnection(result);
    }
    return 0;
}

namespace {

// The texts of a statement list.
std::set<std::string> Texts(KxGStatementTemplateList& list)
{
    std::set<std::string> texts;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        if (KxGStatementTemplate* statement = list.GetTemplate(i)) {
            texts.insert(Str(statement->GetSQLText()));
        }
    }
    return texts;
}

bool HasGlobalOption(const KxGOptionRegistry& registry, const char* name)
{
    const KxGOptionList& global = registry.GetGlobalOptions();
    for (uint32_t k = 0; k < global.Count(); ++k) {
        if (global.Get(k)->GetName() == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t KxGClassMapperVersionCmd::WriteCatalogRows(KxGCreationSchemaMap& stored)
{
    KxGDatabase& database = *mapper_->GetDatabase();
    // KELVOX_CLASSES and KELVOX_MEMBERS: the rows of every class version this run writes replace the
    // ones stored under the same (class id, version); the rows of other versions stay for the clients
    // of older dictionaries.
    KxGVersionTable classes(database);
    KxGColumnTable members(database);
    std::set<std::pair<uint16_t, uint16_t>> written;
    for (const auto& row : map_->GetClassRows()) {
        if (!written.insert({row.id.GetClassNumber(), row.id.GetVersion()}).second) {
            continue;
        }
        for (const KxGCatalogTable* table : {static_cast<const KxGCatalogTable*>(&members),
                                             static_cast<const KxGCatalogTable*>(&classes)}) {
            const int32_t result = Execute(DeleteVersionRows(*table, row.id));
            if (result != 0) {
                return result;
            }
        }
        KxString insert;
        classes.SetValue(row.id, KxString(row.className.c_str()), KxString(row.tableName.c_str()), insert);
        const int32_t result = Execute(insert);
        if (result != 0) {
            return result;
        }
    }
    for (const auto* rows : {&map_->GetMemberRows(), &map_->GetSetRows()}) {
        std::set<std::tuple<uint16_t, uint16_t, std::string>> keys;
        for (const auto& row : *rows) {
            if (written.count({row.id.GetClassNumber(), row.id.GetVersion()}) == 0 ||
                !keys.insert({row.id.GetClassNumber(), row.id.GetVersion(), row.key}).second) {
                continue;
            }
            KxString insert;
            members.SetValue(row.id, KxString(row.key.c_str()), KxString(row.columnName.c_str()), insert);
            const int32_t result = Execute(insert);
            if (result != 0) {
                return result;
            }
        }
    }
    // OPTIONREGISTRY: the options of this run that are not stored yet.
    OwnedList storedRows;
    stored.GetOptionRegistry().FillRegistry(database, storedRows);
    const std::set<std::string> present = Texts(storedRows);
    OwnedList newRows;
    map_->GetOptionRegistry().FillRegistry(database, newRows);
    for (uint32_t i = 0; i < newRows.Count(); ++i) {
        KxGStatementTemplate* statement = newRows.GetTemplate(i);
        if (statement == nullptr) {
            return mapper_->Report(KXG_E_MAPPER_FATAL);
        }
        if (present.count(Str(statement->GetSQLText())) == 0) {
            const int32_t result = mapper_->ExecuteStatement(*statement);
            if (result != 0) {
                return result;
            }
        }
    }
    return 0;
}

int32_t KxGClassMapperCreateCmd::WriteRootblock()
{
    // Every key is updated in place, a key the schema lacks is inserted: the table is never
    // emptied, so a failure part-way leaves the facts of the schema readable.
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGRootblock root(&database);
    const int32_t read = root.GetAllValues();
    for (const auto& [entry, value] : RootblockRows()) {
        int32_t result = 0;
        if (read == 0 && root.FindValue(entry->GetKey()) != nullptr) {
            result = Execute(root.UpdateValue(entry->GetKey(), value));
        } else {
            KxString insert;
            root.SetValue(*entry, value, insert);
            result = Execute(insert);
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

namespace {

// The mark of a versioning statement done: the revision the run makes, its text's FNV-1a hash and the
// how-manieth statement of that text it is.
const char kStepMark[] = "VersioningStep ";

std::string StepKey(uint16_t revision, const std::string& text, uint32_t occurrence)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%u %016llx.%u", kStepMark, static_cast<unsigned>(revision),
                  static_cast<unsigned long long>(hash), occurrence);
    return buffer;
}

}  // namespace

int32_t KxGClassMapperVersionCmd::DropStoredViewsAndTriggers(KxGCreationSchemaMap& stored)
{
    // Each class of the stored schema is asked on its own: a stored class's subclass list comes from
    // the dictionary, whose old class versions may not know the subclasses they had, so that a
    // handler may make another view or none. Every view and trigger is therefore dropped by name,
    // the stored schema's and those the new schema makes, and one that is not there is no fault
    // (which also lets a run that failed part-way be run again).
    KxGDatabaseInfo& info = *mapper_->GetDatabase()->GetDatabaseInfo();
    std::set<std::string> dropped;
    const auto drop = [&](KxGStatementTemplate* made) {
        std::unique_ptr<KxGStatementTemplate> statement(made);
        if (!statement) {
            return mapper_->Report(KXG_E_MAPPER_FATAL);
        }
        if (dropped.insert(Str(statement->GetSQLText())).second) {
            mapper_->ExecuteStatementIgnoring(*statement, true);
        }
        return 0;
    };
    const auto dropNamed = [&](const KxGTable& name) {
        if (name.GetName().IsEmpty()) {
            return 0;
        }
        const KxGCreateStatementTemplate named(KxGQualifiedIdentity(name.GetName(), name.GetQualifier()),
                                               KxString::EmptyString());
        return drop(info.DropView(named));
    };
    for (KxGClass* mapped : stored.GetStoredClasses()) {
        KxGStoreHdl& handler = *mapped->GetClassMap()->GetStoreHdl();
        OwnedList views;
        handler.CreateExtentView(views);
        for (KxGCreateStatementTemplate* view : CreateTemplates(&views)) {
            const int32_t result = drop(info.DropView(*view));
            if (result != 0) {
                return result;
            }
        }
        // A class read through its own table has no view to drop.
        KxGTable name;
        KxGTable table;
        if (views.Count() == 0 && handler.GetExtentTable(name) == 0 &&
            (handler.GetClassTable(table) != 0 || !(table.GetQualifiedName() == name.GetQualifiedName()))) {
            const int32_t result = dropNamed(name);
            if (result != 0) {
                return result;
            }
        }
        OwnedList triggers;
        handler.CreateTriggers(triggers);
        for (KxGCreateStatementTemplate* trigger : CreateTemplates(&triggers)) {
            const int32_t result = drop(info.DropTrigger(*trigger));
            if (result != 0) {
                return result;
            }
        }
    }
    for (KxGCreateStatementTemplate* view : CreateTemplates(map_->GetViewList())) {
        const int32_t result = drop(info.DropView(*view));
        if (result != 0) {
            return result;
        }
    }
    for (KxGCreateStatementTemplate* trigger : CreateTemplates(map_->GetTriggerList())) {
        const int32_t result = drop(info.DropTrigger(*trigger));
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGClassMapperVersionCmd::ExecuteResumable(KxGStatementTemplateList& list)
{
    KxGDatabase& database = *mapper_->GetDatabase();
    const bool online = mapper_->IsConnected() && mapper_->IsOnline();
    KxGRootblock root(&database);
    std::set<std::string> done;
    if (online && root.GetAllValues() == 0) {
        for (const auto& [key, value] : root.GetValues()) {
            if (Str(key).rfind(kStepMark, 0) == 0) {
                done.insert(Str(key));
            }
        }
    }
    std::map<std::string, uint32_t> occurrences;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        KxGStatementTemplate* statement = list.GetTemplate(i);
        if (statement == nullptr) {
            return mapper_->Report(KXG_E_MAPPER_FATAL);
        }
        const std::string text = Str(statement->GetSQLText());
        const std::string key = StepKey(map_->GetRevision(), text, occurrences[text]++);
        if (done.count(key) != 0) {
            continue;
        }
        // With the continue flag a failure is only reported: such a statement is not marked.
        const int32_t errors = mapper_->GetLog().GetErrorCount();
        int32_t result = mapper_->ExecuteStatement(*statement);
        if (result == 0 && online && mapper_->GetLog().GetErrorCount() == errors) {
            KxString insert;
            root.SetValue(KxGRootblockEntry(key.c_str(), KX_TYPE_STRING), KxString("done"), insert);
            KxGStoreStatementTemplate mark(insert);
            result = mapper_->ExecuteAndCommit(mark);
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGClassMapperVersionCmd::ClearMarks()
{
    if (!(mapper_->IsConnected() && mapper_->IsOnline())) {
        return 0;
    }
    KxGRootblock root(&*mapper_->GetDatabase());
    KxString remove("DELETE FROM ");
    remove << root.GetTable().GetQualifiedName() << " WHERE KEYID LIKE '" << kStepMark << "%'";
    KxGStoreStatementTemplate statement(remove);
    return mapper_->ExecuteStatementIgnoring(statement, false, 0, false);
}

int32_t KxGClassMapperVersionCmd::Run()
{
    Print("Creating script for versioning ...\n");
    int32_t result = Prepare();
    if (result != 0) {
        return result;
    }
    EnsureTerminator();
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const KxString schema = SchemaName();

    // 1: the stored facts read again.
    result = mapper_->ReadSchemaFacts();
    if (result != 0) {
        return result;
    }
    const KxGSchemaFacts& facts = mapper_->GetSchemaFacts();
    concurrencyServer_ = Str(facts.concurrencyControlServer);

    // 2: the dictionary must be the schema's (its name and creation); an older layout is converted
    // first.
    const KxClassDict& dictionary = *mapper_->GetClassDictionary();
    if (!(facts.dictionaryName == dictionary.GetLogicalName()) ||
        facts.dictionaryStamp != dictionary.GetCreationStamp()) {
        return KXG_E_DICTIONARY_MISMATCH;
    }
    if (facts.schemaVersion <= kLastBeta1Version) {
        Print("Schema was created by an older version of RELGEN: use -n option to convert the schema\n");
        return 0;
    }

    // 3: a dictionary older than the schema's is refused; the stored schema is read back.
    if (dictionary.GetRevision() < facts.dictionaryRevision ||
        (dictionary.GetRevision() == facts.dictionaryRevision && !facts.dictionaryModifyStamp.IsEmpty() &&
         dictionary.GetModifyStamp() < facts.dictionaryModifyStamp)) {
        return KXG_E_DICTIONARY_VERSION;
    }
    KxGCreationSchemaMap stored(&database, mapper_->GetClassDictionary(), &KxGClassLoader::Instance());
    stored.SetStoredNames(true);
    stored.SetRevision(static_cast<uint16_t>(facts.rogwRevision));
    stored.SetSchemaVersion(static_cast<int32_t>(facts.schemaVersion));
    {
        uint16_t preserveNames = 0;
        result = stored.GetOptionRegistry().LoadOptionsTable(database, preserveNames);
        stored.SetPreserveNames(preserveNames);
        if (result != 0) {
            return mapper_->Report(result);
        }
    }
    const uint16_t revision = static_cast<uint16_t>(facts.rogwRevision + 1);
    map_->SetRevision(revision);

    // 4: the byte and unsigned choices of the stored schema stay.
    {
        KxGOptionRegistry& registry = map_->GetOptionRegistry();
        bool added = false;
        const auto carry = [&](const char* name, const char* argument) {
            if (!HasGlobalOption(registry, name)) {
                registry.ProcessOption(KxString("*"), KxString("*"), KxString(name), KxString(argument), 0);
                added = true;
            }
        };
        if (facts.schemaVersion > kLastByteChoiceVersion) {
            if (HasGlobalOption(stored.GetOptionRegistry(), "BYTE_TYPE")) {
                carry("BYTE_TYPE", "CHAR");
            }
            if (HasGlobalOption(stored.GetOptionRegistry(), "UNSIGNED_BEHAVIOR")) {
                carry("UNSIGNED_BEHAVIOR", "UNSIGNED");
            }
        } else {
            carry("BYTE_TYPE", "CHAR");
        }
        if (added) {
            uint16_t preserveNames = map_->GetPreserveNames();
            registry.ProcessGlobalOptions(database, info, true, true, preserveNames);
            map_->SetPreserveNames(preserveNames);
        }
    }

    // 5: the classes, then the indexes, compared.
    result = stored.LoadClassSchemas();
    if (result == 0) {
        result = map_->LoadClassSchemas();
    }
    if (result != 0) {
        return mapper_->Report(result);
    }
    KxGSchemaVersioning versioning(stored, *map_, revision);
    KxGClassMapper* mapper = mapper_;
    versioning.SetReporter([mapper](int32_t code, const KxString& text) { mapper->Report(code, text); });
    KxGStatementTemplateList& list = map_->MakeVersioningList();
    result = versioning.Run(list);
    if (result < 0) {
        return mapper_->Report(result);
    }
    const bool classChanges = versioning.IsChanged() || list.Count() > 0;
    bool indexChanges = false;
    result = map_->CompareIndexes(facts.dictionaryRevision, stored, indexChanges);
    if (result != 0) {
        return mapper_->Report(result);
    }

    // 6: nothing, the indexes only, or the classes.
    const bool newDictionary = dictionary.GetRevision() != facts.dictionaryRevision ||
                               dictionary.GetModifyStamp() != facts.dictionaryModifyStamp;
    if (!classChanges && !indexChanges) {
        Print("Schema is up to date, no versioning required \n");
        if (!newDictionary) {
            return 0;
        }
        // Only the dictionary's stamps move on.
        map_->SetRevision(static_cast<uint16_t>(facts.rogwRevision));
        return WriteRootblock();
    }
    const auto appendIndexes = [&]() {
        const int32_t made = map_->AppendNewIndexes();
        if (made == KXG_W_NEW_UNIQUE_INDEX) {
            mapper_->Report(KXG_W_NEW_UNIQUE_INDEX, KxString::EmptyString());
            return 0;
        }
        return made < 0 ? mapper_->Report(made) : made;
    };
    const auto removeIndexes = [&]() {
        // A failing removal is reported by the execute step; it does not stop the command.
        if (KxGStatementTemplateList* removals = map_->GetIndexRemovalList()) {
            for (uint32_t i = 0; i < removals->Count(); ++i) {
                if (KxGStatementTemplate* statement = removals->GetTemplate(i)) {
                    mapper_->ExecuteStatementIgnoring(*statement, false);
                }
            }
        }
    };
    if (!classChanges) {
        result = appendIndexes();
        if (result == 0 && RefuseBadNames()) {
            result = KXG_E_NO_SCHEMA_CREATED;
        }
        if (result == 0) {
            removeIndexes();
            result = ExecuteResumable(list);
        }
        if (result == 0) {
            result = WriteRootblock();
        }
        return result == 0 ? ClearMarks() : result;
    }

    result = appendIndexes();
    if (result != 0) {
        return result;
    }
    map_->ClearLists();
    result = map_->BuildLists();
    if (result != 0) {
        return mapper_->Report(result);
    }
    result = CheckOptionsAndNames();
    if (result != 0) {
        return result;
    }
    // The stored schema's views and triggers go while the tables change.
    result = DropStoredViewsAndTriggers(stored);
    if (result != 0) {
        return result;
    }
    removeIndexes();
    result = ExecuteResumable(list);
    for (KxGStatementTemplateList* again : {map_->GetViewList(), map_->GetTriggerList()}) {
        if (result == 0) {
            result = again != nullptr ? ExecuteAll(*again) : mapper_->Report(KXG_E_MAPPER_FATAL);
        }
    }
    if (result != 0) {
        return result;
    }
    // The schema user's grants renewed (the role exists since create).
    result = ExecuteGrants(SchemaUser());
    if (result != 0) {
        return result;
    }
    result = WriteCatalogRows(stored);
    if (result != 0) {
        return result;
    }
    // 7: the facts of the new revision; the marks of the statements done go with them.
    result = WriteRootblock();
    return result == 0 ? ClearMarks() : result;
}

// ---- convert --------------------------------------------------------------------------------------

KxGClassMapperConvertCmd::KxGClassMapperConvertCmd(KxGClassMapper* mapper)
    : KxGClassMapperCmd(mapper), KxGClassMapperCreateCmd(mapper), KxGClassMapperDropCmd(mapper)
{
}

KxGClassMapperConvertCmd::~KxGClassMapperConvertCmd() = default;

int32_t KxGClassMapperConvertCmd::Prepare()
{
    int32_t result = ConnectToStoredSchema();
    if (result != 0) {
        return result;
    }
    MakeMap(false);
    map_->SetExistingSchema(true);
    uint16_t preserveNames = 0;
    result = map_->GetOptionRegistry().LoadOptionsTable(*mapper_->GetDatabase(), preserveNames);
    map_->SetPreserveNames(preserveNames);
    if (result != 0) {
        return mapper_->EndConnection(result);
    }
    return 0;
}

int32_t KxGClassMapperConvertCmd::Run()
{
    Print("Creating script for conversion ...\n");
    int32_t result = Prepare();
    if (result != 0) {
        return result;
    }
    result = CheckDictionary();
    if (result != 0) {
        return result;
    }
    EnsureTerminator();
    KxGDatabase& database = *mapper_->GetDatabase();
    const uint32_t stored = mapper_->GetSchemaFacts().schemaVersion;
    if (stored >= static_cast<uint32_t>(kSchemaVersion)) {
        Print("Schema is up to date, no conversion required \n");
        return 0;
    }
    if (stored < kFirstStoredNamesVersion) {
        Print("Schema was created by an older version of RELGEN\n");
        return ConvertOldLayout();
    }
    if (stored < kBeta2Version) {
        Print("Schema was created with version 1.2 beta 1 of RELGEN\n");
        return ConvertBeta1();
    }
    if (stored == kBeta2Version) {
        Print("Schema was created with version 1.2 beta 2 of RELGEN\n");
        // Views are made on the stored names; a dictionary other than the schema's is refused.
        const KxClassDict& dictionary = *mapper_->GetClassDictionary();
        if (dictionary.GetRevision() < mapper_->GetSchemaFacts().dictionaryRevision) {
            return KXG_E_DICTIONARY_VERSION;
        }
        // The views are made again on the stored names.
        map_->SetExistingSchema(false);
        map_->SetStoredNames(true);
        result = map_->BuildViewList();
        if (result != 0) {
            return mapper_->Report(result);
        }
        for (KxGCreateStatementTemplate* view : CreateTemplates(map_->GetViewList())) {
            result = Execute(database.GetDatabaseInfo()->DropView(*view));
            if (result == 0) {
                result = mapper_->ExecuteStatement(*view);
            }
            if (result != 0) {
                return result;
            }
        }
    } else {
        Print("Schema was created with oid size of 32 bit\n");
        KxGTypeHdlMgr* types = database.GetTypeHdlMgr();
        if (types != nullptr && (types->GetFlags() & KXG_TYPEMGR_OID48_IN_USE) != 0) {
            OwnedList list;
            map_->GetOptionRegistry().StoreRegistryOID48BitEntry(database, list);
            result = ExecuteAll(list);
            if (result != 0) {
                return result;
            }
        }
    }
    KxGRootblock root(&database);
    return Execute(root.UpdateValue(KxGRootblock::GetROGWVersion().GetKey(), Decimal(kSchemaVersion)));
}

namespace {

// The views of a list dropped, then made again.
int32_t RemakeViews(KxGClassMapper& mapper, KxGDatabaseInfo& info, KxGStatementTemplateList* views)
{
    for (KxGCreateStatementTemplate* view : CreateTemplates(views)) {
        std::unique_ptr<KxGStatementTemplate> drop(info.DropView(*view));
        int32_t result = drop ? mapper.ExecuteStatement(*drop) : mapper.Report(KXG_E_MAPPER_FATAL);
        if (result == 0) {
            result = mapper.ExecuteStatement(*view);
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

}  // namespace

int32_t KxGClassMapperConvertCmd::WriteCatalog(bool createTables)
{
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGVersionTable classes(database);
    KxGColumnTable members(database);
    KxGIndexTable indexes(database);
    int32_t result = 0;
    if (createTables) {
        for (KxGStatementTemplate* create : {static_cast<KxGStatementTemplate*>(classes.CreateTemplate()),
                                             static_cast<KxGStatementTemplate*>(members.CreateTemplate()),
                                             static_cast<KxGStatementTemplate*>(indexes.CreateTemplate())}) {
            if (result == 0) {
                result = Execute(create);
            } else {
                delete create;
            }
        }
    } else {
        // The rows of the class versions written here replace the stored ones (the rows of other
        // versions stay); KELVOX_INDEXES is made again from the indexes the database has.
        OwnedList empty;
        empty.AppendDeleteAll(indexes.GetTable());
        for (const auto& row : map_->GetClassRows()) {
            for (const KxGCatalogTable* table : {static_cast<const KxGCatalogTable*>(&members),
                                                 static_cast<const KxGCatalogTable*>(&classes)}) {
                empty.Adopt(new (std::nothrow) KxGStoreStatementTemplate(DeleteVersionRows(*table, row.id)));
            }
        }
        result = ExecuteAll(empty);
    }
    for (const auto& row : map_->GetClassRows()) {
        if (result != 0) {
            break;
        }
        KxString insert;
        classes.SetValue(row.id, KxString(row.className.c_str()), KxString(row.tableName.c_str()), insert);
        result = Execute(insert);
    }
    for (const auto* rows : {&map_->GetMemberRows(), &map_->GetSetRows()}) {
        for (const auto& row : *rows) {
            if (result != 0) {
                break;
            }
            KxString insert;
            members.SetValue(row.id, KxString(row.key.c_str()), KxString(row.columnName.c_str()), insert);
            result = Execute(insert);
        }
    }
    if (result == 0) {
        result = map_->RebuildIndexMapsFromDatabase();
        if (result == 0) {
            OwnedList inserts;
            result = indexes.AppendInserts(map_->GetIndexMaps(), inserts);
            if (result == 0) {
                result = ExecuteAll(inserts);
            }
        } else {
            result = mapper_->Report(result);
        }
    }
    return result;
}

int32_t KxGClassMapperConvertCmd::ConvertOldLayout()
{
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const KxClassDict& dictionary = *mapper_->GetClassDictionary();
    // A dictionary changed since its creation no longer describes the tables of such a schema.
    if (!dictionary.GetModifyStamp().IsEmpty() && dictionary.GetModifyStamp() != dictionary.GetCreationStamp()) {
        return KXG_E_DICTIONARY_VERSION;
    }
    const KxString schema = SchemaName();
    int32_t result = map_->BuildLists();
    if (result != 0) {
        return mapper_->Report(result);
    }
    result = CheckOptionsAndNames();
    if (result != 0) {
        return result;
    }
    for (KxGCreateStatementTemplate* view : CreateTemplates(map_->GetViewList())) {
        result = Execute(info.DropView(*view));
        if (result != 0) {
            return result;
        }
    }
    {
        // The lock trigger of such a schema carries the old name: the option is set only around the
        // drop of the helpers.
        OwnedList drops;
        const uint16_t previous = info.SetOption(1);
        info.DropHelpers(schema, drops);
        info.SetOption(previous);
        OwnedList creates;
        info.CreateLocks(schema, creates);
        result = ExecuteAll(drops);
        if (result == 0) {
            result = ExecuteAll(creates);
        }
        if (result != 0) {
            return result;
        }
    }
    result = WriteCatalog(true);
    if (result == 0 && map_->GetViewList() != nullptr) {
        result = ExecuteAll(*map_->GetViewList());
    }
    if (result != 0) {
        return result;
    }
    {
        // Time columns of every persistent class, embedded members' columns included.
        OwnedList fixups;
        for (KxGClass* mapped : map_->GetStoredClasses()) {
            KxGClassMap& classMap = *mapped->GetClassMap();
            KxGTable table;
            if (classMap.GetStoreHdl()->GetClassTable(table) != 0) {
                continue;
            }
            for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
                KxGColumnList columns;
                if (classMap.GetMemberMap(i)->GetColumns(columns) < 0) {
                    continue;
                }
                for (uint32_t c = 0; c < columns.Count(); ++c) {
                    info.TimeFixup(*columns.GetColumn(c), table, fixups);
                }
            }
        }
        result = ExecuteAll(fixups);
        if (result != 0) {
            return result;
        }
    }
    result = ExecuteGrants(SchemaUser());
    if (result != 0) {
        return result;
    }
    return WriteRootblock();
}

int32_t KxGClassMapperConvertCmd::ConvertBeta1()
{
    KxGDatabase& database = *mapper_->GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    if (mapper_->GetClassDictionary()->GetRevision() < mapper_->GetSchemaFacts().dictionaryRevision) {
        return KXG_E_DICTIONARY_VERSION;
    }
    // Tables and columns keep their stored names; views, catalog rows and options are written anew.
    map_->SetExistingSchema(false);
    map_->SetStoredNames(true);
    int32_t result = map_->BuildViewList();
    if (result != 0) {
        return mapper_->Report(result);
    }
    result = RemakeViews(*mapper_, info, map_->GetViewList());
    if (result != 0) {
        return result;
    }
    map_->CollectCatalogRows();
    result = WriteCatalog(false);
    if (result != 0) {
        return result;
    }
    OwnedList options;
    map_->GetOptionRegistry().EmptyRegistry(database, options);
    map_->GetOptionRegistry().FillRegistry(database, options);
    result = ExecuteAll(options);
    if (result != 0) {
        return result;
    }
    KxGRootblock root(&database);
    return Execute(root.UpdateValue(KxGRootblock::GetROGWVersion().GetKey(), Decimal(kSchemaVersion)));
}
