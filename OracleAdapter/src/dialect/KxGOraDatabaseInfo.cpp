// The Oracle SQL dialect.
#include "KxGOraDatabaseInfo.h"

#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDatabaseTrace.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

// Status of an operation that this version of the adapter does not serve ("[ROGW]not implemented").
// Answer of GetMaxNameLength for any other kind of name.
constexpr int32_t kUnlimitedNameLength = 65535;
// Kind byte of an unrecognised storage-type word.
constexpr uint8_t kUnknownKind = 255;

// Kernel type codes that TimeFixup serves.
constexpr uint16_t kTypeDate = 12;
constexpr uint16_t kTypeTime = 13;

// The steps of CompareNoCase: blanks removed, then lower case (other flags are ignored).
constexpr KxGCompareStep kCompareSteps[] = {
    {KXG_COMPARE_IGNORE_BLANKS, "REPLACE (", ", ' ', '') ", "REPLACE (", ", ' ', '') "},
    {KXG_COMPARE_IGNORE_CASE, " LOWER ( ", " ) ", "LOWER ( ", " ) "},
};


// The storage kinds of the mapping-option words.
constexpr KxGStorageKind kStorageKinds[] = {
    {"VARCHAR2", 0}, {"LONG_RAW", 0},       {"CHAR", 1},     {"LONG", 2},          {"RAW", 3},
    {"BLOB", 4},     {"BLOB_NO_HANDLE", 5}, {"UNSIGNED", 6}, {"LARGE_STRING", 127},
};

// The lines of the lock procedure between its header and its last line; '@' stands for the schema.
//
// The procedure takes a client id, a count and two parallel arrays (object ids and requested lock
// modes). For each entry it derives the weakest held mode that conflicts (a request of 1142 conflicts
// with held modes of at least 8196, 2100 with at least 4116, 4116 with at least 2100, any other mode
// with every held lock) and counts the other clients' locks of the object at or above that mode; the
// first conflict stops the loop. Without conflict every entry is inserted and committed; a conflict
// rolls back and raises -20099, any other error rolls back and raises -20333. The thresholds are part
// of every schema made so far: they never change.
constexpr const char* kAcquireLockLines[] = {
    "    aClientid IN NUMBER,",
    "    nEntries IN NUMBER,",
    "    oid_list IN @.KELVOX_PACKAGE.INT_ARRAY_T,",
    "    lockmode_list IN @.KELVOX_PACKAGE.INT_ARRAY_T)",
    "AS",
    "    e_ALREADY_LOCKED   EXCEPTION;",
    "    aLockmode          @.LOCKS.LOCKMODE%TYPE;",
    "    aCounter           BINARY_INTEGER;",
    "    bInsertLocks       BINARY_INTEGER;",
    "BEGIN",
    "    bInsertLocks := 1;",
    "    LOCK TABLE @.LOCKS IN EXCLUSIVE MODE;",
    "    FOR i IN 1..nEntries LOOP",
    "        IF lockmode_list(i) = 1142 THEN",
    "            aLockmode := 8196;",
    "        ELSIF lockmode_list(i) = 2100 THEN",
    "            aLockmode := 4116;",
    "        ELSIF lockmode_list(i) = 4116 THEN",
    "            aLockmode := 2100;",
    "        ELSE",
    "            aLockmode := 0;",
    "        END IF;",
    "        SELECT COUNT(*) INTO aCounter FROM @.LOCKS ",
    "            WHERE OID = oid_list(i) AND CLIENTID != aClientid AND aLockmode <= LOCKMODE;",
    "        IF aCounter > 0 THEN",
    "            bInsertLocks := 0;",
    "            EXIT;",
    "        ELSE",
    "            INSERT INTO @.LOCKS (oid, lockmode, clientid) VALUES (oid_list(i), lockmode_list(i), aClientid);",
    "        END IF;",
    "    END LOOP;",
    "    IF bInsertLocks = 1 THEN",
    "        COMMIT;",
    "    ELSE",
    "        RAISE e_ALREADY_LOCKED;",
    "    END IF;",
    "EXCEPTION",
    "    WHEN e_ALREADY_LOCKED THEN",
    "        ROLLBACK;",
    "        RAISE_APPLICATION_ERROR(-20099, 'Object already locked');",
    "    WHEN OTHERS THEN",
    "        ROLLBACK;",
    "        RAISE_APPLICATION_ERROR(-20333, 'Error in procedure ACQUIRE_LOCK');",
};

}  // namespace

KxGOraDatabaseInfo::KxGOraDatabaseInfo(KxGDatabase* database)
    : KxGCommonDatabaseInfo(database, std::unique_ptr<KxGTypeConvHdlMgr>(KxGMake<KxGOraTypeConvHdlMgr>()))
{
}

KxGOraDatabaseInfo::~KxGOraDatabaseInfo() = default;

void KxGOraDatabaseInfo::NotYet(const char* operation)
{
    if (database_ == nullptr) {
        return;
    }
    KxGTraceTag tag(*database_, KXG_TRACE_DBA, operation);
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        *trace << operation << ": not available in this version of the Oracle adapter" << '\n';
        trace->EndCriticalSection();
    }
}

bool KxGOraDatabaseInfo::IsIdentifier(const KxString& name)
{
    return KxGIsPlainIdentifier(name, KXG_ORA_MAX_NAME_LENGTH);
}

bool KxGOraDatabaseInfo::CheckNames(std::initializer_list<const KxString*> names)
{
    for (const KxString* name : names) {
        if (IsIdentifier(*name)) {
            continue;
        }
        if (database_ != nullptr) {
            const std::string detail = ": '" + name->ToUtf8() + "' is not a valid Oracle name";
            database_->SetUserError(KXG_E_INVALID_DATABASE_NAME, detail.c_str());
        }
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Names, markers and options

KxString KxGOraDatabaseInfo::GetProductName()
{
    return KxString("ORACLE");
}

int32_t KxGOraDatabaseInfo::GetMaxNameLength(int32_t kind)
{
    return kind >= 0 && kind <= 2 ? KXG_ORA_MAX_NAME_LENGTH : kUnlimitedNameLength;
}

KxString KxGOraDatabaseInfo::GetParameterMarker(int32_t position)
{
    KxString marker(":");
    marker << position;
    return marker;
}

uint16_t KxGOraDatabaseInfo::TypeNameOptions(const KxString& word, uint8_t& kind)
{
    return KindOfWord(word, kStorageKinds, std::size(kStorageKinds), kUnknownKind, kind);
}

KxString KxGOraDatabaseInfo::CompareNoCase(uint16_t flags, const KxString& expression)
{
    return CompareExpression(flags, expression, kCompareSteps, std::size(kCompareSteps));
}

KxString KxGOraDatabaseInfo::GetTerminator()
{
    return KxString("/");
}

// ---------------------------------------------------------------------------------------------------
// Queries and data statements

void KxGOraDatabaseInfo::Select(const KxGProjection& projection, KxString& out)
{
    out << " SELECT " << projection.GetSelectList() << " FROM " << projection.GetFrom();
}

void KxGOraDatabaseInfo::Where(const KxString& condition, KxString& out)
{
    AppendClause(" WHERE ", condition, out);
}

void KxGOraDatabaseInfo::OrderBy(const KxString& order, KxString& out)
{
    AppendClause(" ORDER BY ", order, out);
}

void KxGOraDatabaseInfo::RowLimit(KxGCondition& condition, int32_t rows)
{
    KxString term("ROWNUM<");
    term << (static_cast<int64_t>(rows) + 1);
    condition.AddCondition(term);
}

void KxGOraDatabaseInfo::ForUpdate(KxString& out)
{
    out << " FOR UPDATE ";
}

void KxGOraDatabaseInfo::IndexHint(KxGStatementTemplate& statement, const KxString& indexName,
                                   const KxString& tableText)
{
    KxString reference(tableText);
    const int32_t blank = tableText.Find(' ');
    if (blank >= 0) {
        reference = tableText.Copy(static_cast<uint32_t>(blank) + 1, tableText.Len());
    }
    const KxString& text = statement.GetSQLText();
    const KxString select("SELECT");
    const int32_t at = text.SubStringPos(select, KxString::KX_CASESENSITIVE);
    if (at < 0 || !text.IsActive()) {
        return;
    }
    const uint32_t split = static_cast<uint32_t>(at) + select.Len();
    KxString hinted = text.Left(split);
    hinted << " /*+ INDEX_ASC(" << reference << " " << indexName << ") */" << text.Copy(split, text.Len());
    statement.SetSQLText(hinted);
}

void KxGOraDatabaseInfo::Insert(const KxGProjection& projection, KxString& out)
{
    out << "INSERT INTO " << projection.GetFrom();
    const KxString& list = projection.GetSelectList();
    if (list.IsEmpty() || list.Left(1) != KxString("*")) {
        out << "(" << list << ") VALUES(";
    } else {
        out << " VALUES(";
    }
    for (uint32_t i = 1; i <= projection.GetColumnCount(); ++i) {
        if (i > 1) {
            out << ",";
        }
        out << ":" << i;
    }
    out << ")";
}

void KxGOraDatabaseInfo::Update(const KxGExtendedProjection& projection, KxString& out)
{
    out << "UPDATE " << projection.GetFrom() << " SET ";
    const KxGColumnList& columns = projection.GetColumns();
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        if (i > 0) {
            out << ",";
        }
        out << columns.GetColumn(i)->GetName() << " = :" << (i + 1);
    }
}

void KxGOraDatabaseInfo::PrimaryKey(const KxString& columnNames, KxString& out)
{
    out << "PRIMARY KEY ( " << columnNames << " )";
}

void KxGOraDatabaseInfo::TableExists(const KxGQualifiedIdentity& table, KxString& out)
{
    CatalogCount(table, "ALL_CATALOG", "OWNER", "TABLE_NAME", out);
}

void KxGOraDatabaseInfo::IndexList(KxString& out)
{
    out = KxString("SELECT INDEX_NAME, TABLE_NAME FROM ALL_INDEXES WHERE OWNER = ");
    KxGAppendLiteral(out, SchemaName());
    out << " AND INDEX_NAME NOT LIKE 'SYS_%'";
}

// ---------------------------------------------------------------------------------------------------
// Class tables, indexes, views and triggers

KxGCreateStatementTemplate* KxGOraDatabaseInfo::CreateTable(const KxGQualifiedIdentity& table,
                                                            const KxGExtendedProjection& projection)
{
    // Oracle closes the bracket also when there is no column.
    if (projection.GetColumns().Count() == 0) {
        return KxGMake<KxGCreateStatementTemplate>(table, KxString("CREATE TABLE  )"));
    }
    return KxGCommonDatabaseInfo::CreateTable(table, projection);
}

const char* KxGOraDatabaseInfo::UnionJoin(uint16_t all)
{
    return all != 0 ? " \nUNION ALL " : " \nUNION ";
}

void KxGOraDatabaseInfo::ShadowTriggers(const KxGQualifiedIdentity& sourceTable,
                                        const KxGQualifiedIdentity& shadowTable, int32_t classId,
                                        const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                                        const KxGColumnList& sourceMembers, const KxGColumnList& shadowMembers,
                                        KxGStatementTemplateList& list)
{
    Append(list, ShadowTrigger(sourceTable, shadowTable, classId, sourceKeys, shadowKeys, sourceMembers,
                               shadowMembers));
}

KxGCreateStatementTemplate* KxGOraDatabaseInfo::CreateView(const KxGQualifiedIdentity& view,
                                                           const KxGProjection& projection,
                                                           const KxGStatementTemplate& select)
{
    KxString text("CREATE VIEW ");
    text << view.GetQualifiedName() << " (" << projection.GetSelectList() << ")\nAS " << select.GetSQLText();
    return KxGMake<KxGCreateStatementTemplate>(view, text);
}

KxGCreateStatementTemplate* KxGOraDatabaseInfo::ShadowTrigger(const KxGQualifiedIdentity& sourceTable,
                                                              const KxGQualifiedIdentity& shadowTable,
                                                              int32_t classId, const KxGColumnList& sourceKeys,
                                                              const KxGColumnList& shadowKeys,
                                                              const KxGColumnList& sourceMembers,
                                                              const KxGColumnList& shadowMembers)
{
    const KxString shadow = shadowTable.GetQualifiedName();

    // The shadow's columns and the new source values, pair by pair: keys, then members.
    KxString names = KxString::EmptyString();
    KxString values = KxString::EmptyString();
    ColumnPairs(sourceKeys, shadowKeys, ":new.", names, values);
    ColumnPairs(sourceMembers, shadowMembers, ":new.", names, values);
    KxString insertPart("INSERT INTO ");
    insertPart << shadow << " ( " << names << " ) VALUES ( " << values << ");";

    KxString keyCondition(" WHERE ");
    ColumnEquations(sourceKeys, shadowKeys, ":old.", " AND ", keyCondition);
    keyCondition << ";";

    KxString updatePart = KxString::EmptyString();
    if (sourceMembers.Count() > 0 && shadowMembers.Count() > 0) {
        updatePart << "UPDATE " << shadow << " SET ";
        ColumnEquations(sourceMembers, shadowMembers, ":new.", ", ", updatePart);
    }
    const bool updates = !updatePart.IsEmpty();
    if (updates) {
        updatePart << keyCondition;
    }
    KxString deletePart("DELETE FROM ");
    deletePart << shadow << keyCondition;

    KxString id = KxString::EmptyString();
    id << classId;
    const int32_t room = GetMaxNameLength(0) - static_cast<int32_t>(id.Len()) - 4;
    KxString name = sourceTable.GetName().IsActive() ? sourceTable.GetName() : KxString::EmptyString();
    name = name.Left(room > 0 ? static_cast<uint32_t>(room) : 0);
    name << id << "_TRG";

    KxString text("CREATE TRIGGER ");
    text << name << "\nAFTER INSERT OR " << (updates ? "UPDATE OR " : "") << "DELETE ON "
         << sourceTable.GetQualifiedName() << " \nFOR EACH ROW\n"
         << "BEGIN\n"
         << "   IF INSERTING THEN\n      " << insertPart << "\n";
    if (updates) {
        text << "   ELSIF UPDATING THEN\n      " << updatePart << "\n";
    }
    text << "   ELSIF DELETING THEN\n      " << deletePart << "\n"
         << "   END IF;\n"
         << "END;";
    return KxGMake<KxGCreateStatementTemplate>(KxGQualifiedIdentity(name), text);
}

// ---------------------------------------------------------------------------------------------------
// Schema evolution

KxGStatementTemplate* KxGOraDatabaseInfo::AlterAdd(const KxGExtendedProjection& projection)
{
    KxString text("ALTER TABLE ");
    const KxGColumnList& columns = projection.GetColumns();
    if (columns.Count() > 0) {
        text << projection.GetFrom() << " ADD\n( ";
        ColumnDefinitions(columns, ",\n ", text, nullptr);
        text << " )";
    }
    return KxGMake<KxGStatementTemplate>(text);
}

KxGStatementTemplate* KxGOraDatabaseInfo::UpdateByCid(const KxGExtendedProjection& source,
                                                      const KxGExtendedProjection& target, int32_t classId)
{
    if (convMgr_ == nullptr) {
        return nullptr;
    }
    if (source.GetColumns().Count() == 0 || target.GetColumns().Count() == 0) {
        return KxGMake<KxGStatementTemplate>(KxString::EmptyString());   // nothing to set: no statement
    }
    return UpdateConverting(source.GetFrom(), source.GetColumns(), target.GetColumns(), classId);
}

KxGStatementTemplate* KxGOraDatabaseInfo::AlterDrop(const KxGExtendedProjection& projection)
{
    KxString text("ALTER TABLE ");
    const KxGColumnList& columns = projection.GetColumns();
    if (columns.Count() > 0) {
        text << projection.GetFrom() << " DROP (";
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            if (i > 0) {
                text << ",";
            }
            text << columns.GetColumn(i)->GetName();
        }
        text << ")";
    }
    return KxGMake<KxGStatementTemplate>(text);
}

void KxGOraDatabaseInfo::TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table,
                                   KxGStatementTemplateList& list)
{
    const KxString& name = column.GetName();
    KxString text("UPDATE ");
    text << table.GetQualifiedName() << " SET " << name;
    if (column.GetTypeCode() == kTypeDate) {
        text << " = TRUNC(" << name << ")";
    } else if (column.GetTypeCode() == kTypeTime) {
        text << " = TO_DATE('01/01/1900 ' || TO_CHAR(" << name << ", 'hh24:mi:ss'), 'dd/mm/yyyy hh24:mi:ss') WHERE "
             << name << " IS NOT NULL";
    } else {
        return;
    }
    AppendText(list, text);
}

// ---------------------------------------------------------------------------------------------------
// Drops

// ---------------------------------------------------------------------------------------------------
// Roles, grants and users

void KxGOraDatabaseInfo::CreateRole(const KxString& role, KxGStatementTemplateList& list)
{
    if (!CheckNames({&role})) {
        Append(list, nullptr);
        return;
    }
    KxString text("CREATE ROLE ");
    text << role << " NOT IDENTIFIED";
    AppendText(list, text);
}

void KxGOraDatabaseInfo::Grants(const KxString& schema, const KxString& role,
                                KxGCreateStatementTemplate* const* classTables, KxGCreateStatementTemplate* const* views,
                                KxGStatementTemplateList& list)
{
    if (!CheckNames({&schema, &role})) {
        Append(list, nullptr);
        return;
    }
    const char* const kAll = "GRANT DELETE, INSERT, SELECT, UPDATE ON ";
    for (int32_t i = 0; i < KxGSchemaConstants::kTableCount; ++i) {
        KxString text(kAll);
        text << schema << "." << KxGSchemaConstants::GetTable(i) << " TO " << role;
        AppendText(list, text);
    }
    for (KxGCreateStatementTemplate* const* entry = classTables; entry != nullptr && *entry != nullptr; ++entry) {
        KxString text(kAll);
        text << (*entry)->GetIdentity().GetQualifiedName() << " TO " << role;
        AppendText(list, text);
    }
    for (KxGCreateStatementTemplate* const* entry = views; entry != nullptr && *entry != nullptr; ++entry) {
        KxString text("GRANT SELECT ON ");
        text << (*entry)->GetIdentity().GetQualifiedName() << " TO " << role;
        AppendText(list, text);
    }
    KxString toPublic("GRANT SELECT ON ");
    toPublic << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " TO PUBLIC";
    AppendText(list, toPublic);
    KxString execute("GRANT EXECUTE ON ");
    execute << schema << ".ACQUIRE_LOCK" << " TO " << role;
    AppendText(list, execute);
}

void KxGOraDatabaseInfo::DropRole(const KxString& role, KxGStatementTemplateList& list)
{
    if (!CheckNames({&role})) {
        Append(list, nullptr);
        return;
    }
    KxString text("DROP ROLE ");
    text << role;
    AppendText(list, text);
}

void KxGOraDatabaseInfo::DropUser(const KxString& user, KxGStatementTemplateList& list)
{
    if (!CheckNames({&user})) {
        Append(list, nullptr);
        return;
    }
    KxString text("DROP USER ");
    text << user;
    AppendText(list, text);
}

// ---------------------------------------------------------------------------------------------------
// The gateway's auxiliary objects

KxString KxGOraDatabaseInfo::ActiveClientsColumns(int32_t nameLength)
{
    KxString text(" CLIENTID NUMBER(38) not null,\n USERID VARCHAR2(30) DEFAULT USER not null,\n");
    text << " CLIENT_NAME VARCHAR2(" << nameLength << "),\n CONNECTION_ID NUMBER(38) DEFAULT 0 not null,\n"
         << " OPEN_MODE VARCHAR2(" << nameLength << ")";
    return text;
}

bool KxGOraDatabaseInfo::CheckSchemaName(const KxString& schema)
{
    return CheckNames({&schema});
}

namespace {

KxString AcquireLockText(const KxString& s)
{
    KxString text("CREATE OR REPLACE PROCEDURE ");
    text << s << ".ACQUIRE_LOCK (\n";
    for (const char* line : kAcquireLockLines) {
        KxString l(line);
        l.ReplaceAll(KxString("@"), s);
        text << l << "\n";
    }
    text << "END ACQUIRE_LOCK;";
    return text;
}

}  // namespace

void KxGOraDatabaseInfo::CreateLocks(const KxString& schema, KxGStatementTemplateList& list)
{
    if (!CheckNames({&schema})) {
        Append(list, nullptr);
        return;
    }
    const KxString& s = schema;
    KxString locks("CREATE TABLE ");
    locks << s << "." << KxGSchemaConstants::GetLocksTable() << " (\n OID NUMBER (38) not null,\n LOCKMODE NUMBER(38) not null,\n"
          << " CLIENTID NUMBER(38) not null,\nPRIMARY KEY ( OID, LOCKMODE, CLIENTID) )";
    AppendText(list, locks);

    AppendText(list, ActiveClientsText(s));

    KxString package("CREATE OR REPLACE PACKAGE ");
    package << s << ".KELVOX_PACKAGE AS\n"
            << "    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n"
            << "        INDEX BY BINARY_INTEGER;\n"
            << "END KELVOX_PACKAGE;";
    AppendText(list, package);

    AppendText(list, AcquireLockText(s));

    KxString trigger("CREATE TRIGGER ");
    trigger << s << ".RELEASE_LOCK\n AFTER DELETE ON " << s << "." << KxGSchemaConstants::GetActiveClientsTable() << "\n REFERENCING OLD AS OLD\n"
            << " FOR EACH ROW\n BEGIN\n DELETE FROM " << s << "." << KxGSchemaConstants::GetLocksTable() << " WHERE CLIENTID = :OLD.CLIENTID AND\n"
            << " (:OLD.CLIENTID = :OLD.CONNECTION_ID OR :OLD.CONNECTION_ID = 0);\n END;";
    AppendText(list, trigger);
}

void KxGOraDatabaseInfo::DropHelpers(const KxString& schema, KxGStatementTemplateList& list)
{
    if (!CheckNames({&schema})) {
        Append(list, nullptr);
        return;
    }
    const KxString& s = schema;
    // A non-zero option drops the procedure under the name that older schemas gave it.
    const char* const drops[] = {"DROP TRIGGER ",   ".RELEASE_LOCK",
                                 "DROP PACKAGE ",   ".KELVOX_PACKAGE",
                                 "DROP PROCEDURE ", option_ != 0 ? ".AQUIRE_LOCK" : ".ACQUIRE_LOCK",
                                 "DROP TABLE ",     ".ACTIVECLIENTS",
                                 "DROP TABLE ",     ".LOCKS"};
    for (size_t i = 0; i < sizeof(drops) / sizeof(drops[0]); i += 2) {
        KxString text(drops[i]);
        text << s << drops[i + 1];
        AppendText(list, text);
    }
}
