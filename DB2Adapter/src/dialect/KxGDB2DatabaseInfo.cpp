// The DB2 SQL dialect.
#include "KxGDB2DatabaseInfo.h"

#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDB2TypeConvHdlMgr.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

// Answer of GetMaxNameLength for any other kind of name.
constexpr int32_t kNoNameLength = -1;

// The steps of CompareNoCase: blanks removed, then lower case, then trailing blanks cut.
constexpr KxGCompareStep kCompareSteps[] = {
    {KXG_COMPARE_IGNORE_BLANKS, "REPLACE ( CHAR(", "), ' ', '') ", "REPLACE ( CHAR(", "), ' ', '') "},
    {KXG_COMPARE_IGNORE_CASE, " LCASE ( CHAR (", " )) ", "LCASE ( ", " ) "},
    {KXG_COMPARE_IGNORE_TRAILING_BLANKS, " RTRIM (", " ) ", "RTRIM ( ", " ) "},
};

// The handler kinds of the storage-type names.
constexpr KxGStorageKind kStorageKinds[] = {
    {"CHAR", 0},     {"CHARACTER", 0}, {"VARCHAR", 1}, {"LONGVARCHAR", 2},       {"DBCHAR", 4},
    {"VARDBCHAR", 8}, {"LONGDBCHAR", 16}, {"INT", 1},  {"INTEGER", 1}, {"OLD_INT64_MAPPING", 1},
    {"BIGINT", 0},   {"BLOB", 0},
};

// Length of the suffixes of the shadow-table triggers ("INS", "UPD", "DEL").
constexpr int32_t kTriggerSuffixLength = 3;

KxString Active(const KxString& text)
{
    return text.IsActive() ? text : KxString::EmptyString();
}

}  // namespace

KxGDB2DatabaseInfo::KxGDB2DatabaseInfo(KxGDatabase* database, std::unique_ptr<KxGTypeConvHdlMgr> convMgr)
    : KxGCommonDatabaseInfo(database, std::move(convMgr))
{
}

KxGDB2DatabaseInfo::KxGDB2DatabaseInfo(KxGDatabase* database)
    : KxGCommonDatabaseInfo(database, std::unique_ptr<KxGTypeConvHdlMgr>(KxGMake<KxGDB2TypeConvHdlMgr>()))
{
}

KxGDB2DatabaseInfo::~KxGDB2DatabaseInfo() = default;

bool KxGDB2DatabaseInfo::IsSchemaName(const KxString& name)
{
    return KxGIsPlainIdentifier(name, KXG_DB2_MAX_SCHEMA_NAME_LENGTH);
}

bool KxGDB2DatabaseInfo::CheckSchemaName(const KxString& schema)
{
    if (IsSchemaName(schema)) {
        return true;
    }
    if (database_ != nullptr) {
        const std::string detail =
            ": '" + (schema.IsActive() ? schema.ToUtf8() : std::string()) + "' is not a valid DB2 schema name";
        database_->SetUserError(KXG_E_INVALID_DATABASE_NAME, detail.c_str());
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// Names, markers and options

KxString KxGDB2DatabaseInfo::GetProductName()
{
    return KxString("DB2");
}

int32_t KxGDB2DatabaseInfo::GetMaxNameLength(int32_t kind)
{
    switch (kind) {
    case 0:
        return KXG_DB2_MAX_OBJECT_NAME_LENGTH;
    case 1:
        return KXG_DB2_MAX_COLUMN_NAME_LENGTH;
    case 2:
        return KXG_DB2_MAX_SCHEMA_NAME_LENGTH;
    default:
        return kNoNameLength;
    }
}

KxString KxGDB2DatabaseInfo::GetParameterMarker(int32_t /*position*/)
{
    return KxString("?");
}

uint16_t KxGDB2DatabaseInfo::TypeNameOptions(const KxString& word, uint8_t& kind)
{
    return KindOfWord(word, kStorageKinds, std::size(kStorageKinds), 0, kind);
}

KxString KxGDB2DatabaseInfo::CompareNoCase(uint16_t flags, const KxString& expression)
{
    return CompareExpression(flags, expression, kCompareSteps, std::size(kCompareSteps));
}

KxString KxGDB2DatabaseInfo::GetTerminator()
{
    return KxString(";");
}

// ---------------------------------------------------------------------------------------------------
// Queries and data statements

void KxGDB2DatabaseInfo::Select(const KxGProjection& projection, KxString& out)
{
    out << "\nSELECT " << projection.GetSelectList() << " \nFROM " << projection.GetFrom();
}

void KxGDB2DatabaseInfo::Where(const KxString& condition, KxString& out)
{
    AppendClause(" \nWHERE ", condition, out);
}

void KxGDB2DatabaseInfo::OrderBy(const KxString& order, KxString& out)
{
    AppendClause(" \nORDER BY ", order, out);
}

void KxGDB2DatabaseInfo::RowLimit(KxGCondition& /*condition*/, int32_t /*rows*/)
{
}

void KxGDB2DatabaseInfo::ForUpdate(KxString& /*out*/)
{
}

void KxGDB2DatabaseInfo::IndexHint(KxGStatementTemplate& /*statement*/, const KxString& /*indexName*/,
                                   const KxString& /*tableText*/)
{
}

void KxGDB2DatabaseInfo::Insert(const KxGProjection& projection, KxString& out)
{
    out << "INSERT INTO " << projection.GetFrom();
    const KxString& list = projection.GetSelectList();
    if (list.IsEmpty() || list.Left(1) != KxString("*")) {
        out << " ( " << list << " ) \nVALUES ";
    } else {
        out << " \nVALUES ";
    }
    const uint32_t markers = projection.GetColumnCount();
    if (markers == 0) {
        out << "?";
        return;
    }
    out << " ( ";
    for (uint32_t i = 1; i < markers; ++i) {
        out << "?, ";
    }
    out << "? )";
}

void KxGDB2DatabaseInfo::Update(const KxGExtendedProjection& projection, KxString& out)
{
    out << "UPDATE " << projection.GetFrom() << " \nSET ";
    const KxGColumnList& columns = projection.GetColumns();
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        if (i > 0) {
            out << ", ";
        }
        out << columns.GetColumn(i)->GetName() << " = ?";
    }
}

void KxGDB2DatabaseInfo::PrimaryKey(const KxString& columnNames, KxString& out)
{
    out << "PRIMARY KEY ( " << columnNames << " ) ";
}

void KxGDB2DatabaseInfo::TableExists(const KxGQualifiedIdentity& table, KxString& out)
{
    CatalogCount(table, "SYSCAT.TABLES", "TABSCHEMA", "TABNAME", out);
}

void KxGDB2DatabaseInfo::IndexList(KxString& out)
{
    out = KxString("SELECT INDNAME, TABNAME FROM SYSCAT.INDEXES WHERE INDSCHEMA = ");
    KxGAppendLiteral(out, SchemaName());
}

// ---------------------------------------------------------------------------------------------------
// Class tables, indexes, views and triggers

KxGCreateStatementTemplate* KxGDB2DatabaseInfo::CreateView(const KxGQualifiedIdentity& view,
                                                           const KxGProjection& projection,
                                                           const KxGStatementTemplate& select)
{
    KxString text("CREATE VIEW ");
    text << view.GetQualifiedName() << " ( " << projection.GetSelectList() << " ) AS " << select.GetSQLText();
    return KxGMake<KxGCreateStatementTemplate>(view, text);
}

void KxGDB2DatabaseInfo::ShadowTriggers(const KxGQualifiedIdentity& sourceTable,
                                        const KxGQualifiedIdentity& shadowTable, int32_t classId,
                                        const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                                        const KxGColumnList& sourceMembers, const KxGColumnList& shadowMembers,
                                        KxGStatementTemplateList& list)
{
    const KxString shadow = Active(shadowTable.GetQualifiedName());
    const KxString source = Active(sourceTable.GetQualifiedName());

    // The shadow's columns and the new source values, pair by pair: keys, then members.
    KxString names = KxString::EmptyString();
    KxString values = KxString::EmptyString();
    ColumnPairs(sourceKeys, shadowKeys, "N.", names, values);
    ColumnPairs(sourceMembers, shadowMembers, "N.", names, values);

    // The shadow row of the source row: each shadow key column equal to the source row's key.
    KxString keyCondition("WHERE ");
    ColumnEquations(sourceKeys, shadowKeys, "N.", " AND ", keyCondition);

    KxString id = KxString::EmptyString();
    id << classId;
    const int32_t room = KXG_DB2_MAX_OBJECT_NAME_LENGTH - static_cast<int32_t>(id.Len()) - kTriggerSuffixLength;
    KxString base = Active(sourceTable.GetName()).Left(room > 0 ? static_cast<uint32_t>(room) : 0);
    base << id;
    const KxString schema = Active(sourceTable.GetQualifier());

    auto identity = [&](const char* suffix) {
        KxString name(base);
        name << suffix;
        return KxGQualifiedIdentity(name, schema);
    };
    auto head = [&](const char* suffix, const char* event, const char* reference) {
        KxString text("CREATE TRIGGER ");
        text << identity(suffix).GetQualifiedName() << " AFTER " << event << " ON " << source << " \nREFERENCING "
             << reference << " AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n";
        return text;
    };
    auto make = [&](const char* suffix, const KxString& text) {
        Append(list, KxGMake<KxGCreateStatementTemplate>(identity(suffix), text));
    };

    KxString insert = head("INS", "INSERT", "NEW");
    insert << "INSERT INTO " << shadow << " ( " << names << " ) VALUES ( " << values << " );\nEND";
    make("INS", insert);

    if (sourceMembers.Count() > 0 && shadowMembers.Count() > 0) {
        KxString update = head("UPD", "UPDATE", "NEW");
        update << "UPDATE " << shadow << " SET ";
        ColumnEquations(sourceMembers, shadowMembers, "N.", ", ", update);
        update << " " << keyCondition << ";\nEND";
        make("UPD", update);
    }

    KxString remove = head("DEL", "DELETE", "OLD");
    remove << "DELETE FROM " << shadow << " " << keyCondition << ";\nEND";
    make("DEL", remove);
}

// ---------------------------------------------------------------------------------------------------
// Schema evolution

KxGStatementTemplate* KxGDB2DatabaseInfo::AlterAdd(const KxGExtendedProjection& projection)
{
    KxString text("ALTER TABLE ");
    const KxGColumnList& columns = projection.GetColumns();
    if (columns.Count() > 0) {
        text << projection.GetFrom() << " \nADD COLUMN ";
        ColumnDefinitions(columns, "\n ADD COLUMN ", text, nullptr);
    }
    return KxGMake<KxGStatementTemplate>(text);
}

KxGStatementTemplate* KxGDB2DatabaseInfo::UpdateByCid(const KxGExtendedProjection& source,
                                                      const KxGExtendedProjection& target, int32_t classId)
{
    if (convMgr_ == nullptr) {
        return nullptr;
    }
    if (source.GetColumns().Count() == 0 || target.GetColumns().Count() == 0) {
        return KxGMake<KxGStatementTemplate>(KxString::EmptyString());   // nothing to set: no statement
    }
    return UpdateConverting(target.GetFrom(), source.GetColumns(), target.GetColumns(), classId);
}

KxGStatementTemplate* KxGDB2DatabaseInfo::AlterDrop(const KxGExtendedProjection& /*projection*/)
{
    return nullptr;
}

void KxGDB2DatabaseInfo::TimeFixup(const KxGColumn& /*column*/, const KxGQualifiedIdentity& /*table*/,
                                   KxGStatementTemplateList& /*list*/)
{
}

// ---------------------------------------------------------------------------------------------------
// Drops

// ---------------------------------------------------------------------------------------------------
// Roles, grants and users: none on DB2

void KxGDB2DatabaseInfo::CreateRole(const KxString& /*role*/, KxGStatementTemplateList& /*list*/)
{
}

void KxGDB2DatabaseInfo::Grants(const KxString& /*schema*/, const KxString& /*role*/,
                                KxGCreateStatementTemplate* const* /*classTables*/,
                                KxGCreateStatementTemplate* const* /*views*/, KxGStatementTemplateList& /*list*/)
{
}

void KxGDB2DatabaseInfo::DropRole(const KxString& /*role*/, KxGStatementTemplateList& /*list*/)
{
}

void KxGDB2DatabaseInfo::DropUser(const KxString& /*user*/, KxGStatementTemplateList& /*list*/)
{
}

// ---------------------------------------------------------------------------------------------------
// The gateway's auxiliary objects

KxString KxGDB2DatabaseInfo::ActiveClientsColumns(int32_t nameLength)
{
    KxString text(" CLIENTID INTEGER not null,\n USERID CHARACTER(128) not null WITH DEFAULT USER,\n");
    text << " CLIENT_NAME CHARACTER(" << nameLength << "),\n CONNECTION_ID INTEGER not null WITH DEFAULT 0,\n"
         << " OPEN_MODE CHARACTER(" << nameLength << ")";
    return text;
}

void KxGDB2DatabaseInfo::CreateLocks(const KxString& schema, KxGStatementTemplateList& list)
{
    if (!CheckSchemaName(schema)) {
        Append(list, nullptr);
        return;
    }
    const KxString& s = schema;
    const KxString& locks = KxGSchemaConstants::GetLocksTable();
    const KxString& clients = KxGSchemaConstants::GetActiveClientsTable();

    KxString table("CREATE TABLE ");
    table << s << "." << locks << " (\n OID INTEGER not null,\n LOCKMODE SMALLINT not null,\n"
          << " CLIENTID INTEGER not null with DEFAULT 1,\n PRIMARY KEY ( OID, LOCKMODE, CLIENTID) )";
    AppendText(list, table);

    // A new lock row is refused when another client holds a lock of the same object at or above the
    // threshold of the new mode. The test is an EXISTS, so that any number of held locks may match.
    KxString acquire("CREATE TRIGGER ");
    acquire << s << ".ACQUIRE_LOCK\n AFTER INSERT ON " << s << "." << locks << "\n REFERENCING NEW AS N\n"
            << " FOR EACH ROW MODE DB2SQL\n WHEN (EXISTS ( SELECT 1 FROM " << s << "." << locks
            << " P WHERE N.OID = P.OID AND N.CLIENTID != P.CLIENTID\n AND P.LOCKMODE >= "
            << "CASE N.LOCKMODE WHEN 1142 THEN 8196\n                       WHEN 2100 THEN 4116\n"
            << "                       WHEN 4116 THEN 2100\n                       ELSE 0 END ))\n"
            << " SIGNAL SQLSTATE '" << KXG_DB2_LOCK_CONFLICT_STATE << "' ('ERR_KX_OBJECT_LOCKED')";
    AppendText(list, acquire);

    AppendText(list, ActiveClientsText(s));

    KxString release("CREATE TRIGGER ");
    release << s << ".RELEASE_LOCK\n AFTER DELETE ON " << s << "." << clients << "\n REFERENCING OLD AS OLD\n"
            << " FOR EACH ROW MODE DB2SQL\n DELETE FROM " << s << "." << locks
            << " WHERE CLIENTID = OLD.CLIENTID AND\n (OLD.CLIENTID = OLD.CONNECTION_ID OR OLD.CONNECTION_ID = 0)";
    AppendText(list, release);
}

void KxGDB2DatabaseInfo::DropHelpers(const KxString& schema, KxGStatementTemplateList& list)
{
    if (!CheckSchemaName(schema)) {
        Append(list, nullptr);
        return;
    }
    const KxString& s = schema;
    // A non-zero option drops the lock trigger under the name that older schemas gave it.
    const char* const drops[] = {"DROP TRIGGER ", ".RELEASE_LOCK\n",
                                 "DROP TRIGGER ", option_ != 0 ? ".AQUIRE_LOCK\n" : ".ACQUIRE_LOCK\n",
                                 "DROP TABLE ",   ".ACTIVECLIENTS\n",
                                 "DROP TABLE ",   ".LOCKS\n"};
    for (size_t i = 0; i < sizeof(drops) / sizeof(drops[0]); i += 2) {
        KxString text(drops[i]);
        text << s << drops[i + 1];
        AppendText(list, text);
    }
}
