// The texts on which the products' SQL dialects agree.
#include "KxGCommonDatabaseInfo.h"

#include <utility>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

KxGCommonDatabaseInfo::KxGCommonDatabaseInfo(KxGDatabase* database, std::unique_ptr<KxGTypeConvHdlMgr> convMgr)
    : database_(database), convMgr_(std::move(convMgr))
{
}

KxGCommonDatabaseInfo::~KxGCommonDatabaseInfo() = default;

// ---------------------------------------------------------------------------------------------------
// Helpers of the dialects

void KxGCommonDatabaseInfo::Append(KxGStatementTemplateList& list, KxGStatementTemplate* statement)
{
    if (list.Append(statement) != 0) {
        delete statement;
    }
}

void KxGCommonDatabaseInfo::AppendText(KxGStatementTemplateList& list, const KxString& text)
{
    Append(list, KxGMake<KxGStatementTemplate>(text));
}

void KxGCommonDatabaseInfo::SplitQualifiedName(const KxGQualifiedIdentity& table, KxString& schema, KxString& name)
{
    const KxString& qualified = table.GetQualifiedName();
    schema = KxString::EmptyString();
    name = KxString::EmptyString();
    const int32_t dot = qualified.IsActive() ? qualified.Find('.') : -1;
    if (dot >= 0) {
        schema = qualified.Left(static_cast<uint32_t>(dot));
        name = qualified.Copy(static_cast<uint32_t>(dot) + 1, qualified.Len());
    }
}

void KxGCommonDatabaseInfo::ClassFilter(int32_t classId, KxString& text)
{
    text << " WHERE CID = " << KxGStoredClassNumber(static_cast<uint32_t>(classId));
}

KxString KxGCommonDatabaseInfo::SchemaName()
{
    KxString schema = KxString::EmptyString();
    if (database_ != nullptr) {
        database_->GetSchemaName(&schema);
    }
    return schema;
}

KxString KxGCommonDatabaseInfo::TypeText(const KxGColumn& column)
{
    KxString text = KxString::EmptyString();
    KxGTypeHdl* handler =
        database_ != nullptr ? database_->GetTypeHdl(column.GetTypeCode(), column.GetKind(), 0) : nullptr;
    if (handler != nullptr && handler->SQLTypeName(static_cast<int32_t>(column.GetSize()), text) != 0) {
        return text;
    }
    text = KxString("Undefined Tessaform Type :");
    text << uint32_t(column.GetTypeCode());
    return text;
}

void KxGCommonDatabaseInfo::ColumnDefinitions(const KxGColumnList& columns, const char* separator, KxString& out,
                                              KxString* keys)
{
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        const KxGColumn& column = *columns.GetColumn(i);
        if (i > 0) {
            out << separator;
        }
        out << column.GetName() << " " << TypeText(column);
        if (column.IsNotNull()) {
            out << " not null";
        }
        if (keys != nullptr && column.IsKey()) {
            if (!keys->IsEmpty()) {
                *keys << ", ";
            }
            *keys << column.GetName();
        }
    }
}

KxGStatementTemplate* KxGCommonDatabaseInfo::UpdateConverting(const KxString& table, const KxGColumnList& from,
                                                              const KxGColumnList& to, int32_t classId)
{
    KxGTypeConvHdlMgr* convMgr = GetTypeConvHdlMgr();
    KxString text("UPDATE ");
    text << table << " SET ";
    for (uint32_t i = 0; i < from.Count() && i < to.Count(); ++i) {
        if (i > 0) {
            text << ", ";
        }
        KxString expression = KxString::EmptyString();
        convMgr->BuildConversion(*from.GetColumn(i), *to.GetColumn(i), expression);
        text << to.GetColumn(i)->GetName() << " = " << expression;
    }
    if (classId >= 0) {
        ClassFilter(classId, text);
    }
    return KxGMake<KxGStatementTemplate>(text);
}

uint16_t KxGCommonDatabaseInfo::KindOfWord(const KxString& word, const KxGStorageKind* kinds, size_t count,
                                           uint8_t unknown, uint8_t& kind)
{
    KxString upper = word.IsActive() ? word : KxString::EmptyString();
    upper.ToUpper();
    for (size_t i = 0; i < count; ++i) {
        if (upper == KxString(kinds[i].word)) {
            kind = kinds[i].kind;
            return 1;
        }
    }
    kind = unknown;
    return 0;
}

KxString KxGCommonDatabaseInfo::CompareExpression(uint16_t flags, const KxString& expression,
                                                  const KxGCompareStep* steps, size_t count)
{
    KxString built = KxString::EmptyString();
    for (size_t i = 0; i < count; ++i) {
        const KxGCompareStep& step = steps[i];
        if ((flags & step.flag) == 0) {
            continue;
        }
        KxString wrapped(built.IsEmpty() ? step.firstOpen : step.open);
        wrapped << (built.IsEmpty() ? expression : built) << (built.IsEmpty() ? step.firstClose : step.close);
        built = wrapped;
    }
    return built;
}

void KxGCommonDatabaseInfo::AppendClause(const char* keyword, const KxString& text, KxString& out)
{
    if (!text.IsEmpty()) {
        out << keyword << text;
    }
}

void KxGCommonDatabaseInfo::CatalogCount(const KxGQualifiedIdentity& table, const char* catalog,
                                         const char* schemaColumn, const char* nameColumn, KxString& out)
{
    KxString schema;
    KxString name;
    SplitQualifiedName(table, schema, name);
    out = KxString("SELECT COUNT(*) FROM ");
    out << catalog << " WHERE " << schemaColumn << " = ";
    KxGAppendLiteral(out, schema);
    out << " AND " << nameColumn << " = ";
    KxGAppendLiteral(out, name);
}

void KxGCommonDatabaseInfo::ColumnPairs(const KxGColumnList& from, const KxGColumnList& to, const char* prefix,
                                        KxString& names, KxString& values)
{
    for (uint32_t i = 0; i < from.Count() && i < to.Count(); ++i) {
        if (!names.IsEmpty()) {
            names << ", ";
            values << ", ";
        }
        names << to.GetColumn(i)->GetName();
        values << prefix << from.GetColumn(i)->GetName();
    }
}

void KxGCommonDatabaseInfo::ColumnEquations(const KxGColumnList& from, const KxGColumnList& to, const char* prefix,
                                            const char* separator, KxString& text)
{
    for (uint32_t i = 0; i < from.Count() && i < to.Count(); ++i) {
        if (i > 0) {
            text << separator;
        }
        text << to.GetColumn(i)->GetName() << " = " << prefix << from.GetColumn(i)->GetName();
    }
}

// ---------------------------------------------------------------------------------------------------
// Names and options

KxString KxGCommonDatabaseInfo::MapName(const KxString& name)
{
    return name;
}

KxString KxGCommonDatabaseInfo::MapNameUpper(const KxString& name)
{
    KxString upper(name);
    upper.ToUpper();
    return upper;
}

uint16_t KxGCommonDatabaseInfo::QueryFlag()
{
    return 0;
}

KxGTypeConvHdlMgr* KxGCommonDatabaseInfo::GetTypeConvHdlMgr()
{
    return convMgr_.get();
}

uint16_t KxGCommonDatabaseInfo::SetOption(uint16_t value)
{
    const uint16_t previous = option_;
    option_ = value;
    return previous;
}

uint16_t KxGCommonDatabaseInfo::UsesOption()
{
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Queries and data statements

void KxGCommonDatabaseInfo::Delete(const KxGProjection& projection, KxString& out)
{
    out = KxString("DELETE FROM ");
    out << projection.GetFrom();
}

void KxGCommonDatabaseInfo::Count(const KxGQualifiedIdentity& table, KxString& out)
{
    out = KxString("SELECT COUNT(*) FROM ");
    out << table.GetQualifiedName();
}

const char* KxGCommonDatabaseInfo::UnionJoin(uint16_t all)
{
    // Both joins end in a blank, so that a select that does not begin with one stays apart.
    return all != 0 ? " \nUNION ALL " : " \nUNION DISTINCT ";
}

int32_t KxGCommonDatabaseInfo::Union(const KxGStatementTemplate& statement, uint16_t all,
                                     KxGStatementTemplate& target)
{
    if (target.GetSQLText().IsEmpty()) {
        target.SetSQLText(statement.GetSQLText().IsActive() ? statement.GetSQLText() : KxString::EmptyString());
        return 0;
    }
    const uint64_t length = uint64_t(target.GetSQLText().Len()) + statement.GetSQLText().Len();
    if (length > KXG_MAX_UNION_LENGTH) {
        return KXG_E_STATEMENT_TOO_LONG;
    }
    KxString addition(UnionJoin(all));
    addition << statement.GetSQLText();
    target.AppendSQLText(addition);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Class tables, indexes and triggers

KxGCreateStatementTemplate* KxGCommonDatabaseInfo::CreateTable(const KxGQualifiedIdentity& table,
                                                               const KxGExtendedProjection& projection)
{
    KxString text("CREATE TABLE ");
    const KxGColumnList& columns = projection.GetColumns();
    if (columns.Count() > 0) {
        KxString keys = KxString::EmptyString();
        text << table.GetQualifiedName() << " \n( ";
        ColumnDefinitions(columns, ",\n ", text, &keys);
        if (!keys.IsEmpty()) {
            text << ",\n ";
            PrimaryKey(keys, text);
        }
        text << " )";
    }
    return KxGMake<KxGCreateStatementTemplate>(table, text);
}

KxGCreateStatementTemplate* KxGCommonDatabaseInfo::CreateIndex(const KxGQualifiedIdentity& index,
                                                               const KxGExtendedProjection& projection,
                                                               uint16_t unique)
{
    KxString text(unique != 0 ? "CREATE UNIQUE INDEX " : "CREATE INDEX ");
    text << index.GetQualifiedName() << " ON " << projection.GetFrom() << " ( ";
    const KxGColumnList& columns = projection.GetColumns();
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        const KxGColumn& column = *columns.GetColumn(i);
        if (i > 0) {
            text << ", ";
        }
        text << column.GetName() << (column.IsDescending() ? " DESC" : " ASC");
    }
    text << " )";
    return KxGMake<KxGCreateStatementTemplate>(index, text);
}

int32_t KxGCommonDatabaseInfo::Triggers(KxGClassMap& source, KxGClassMap& shadow, KxGStatementTemplateList& list)
{
    // Keys of both class maps, then the columns of every member the shadow also has (same name, same
    // declaring class), member by member.
    KxGColumnList sourceKeys;
    KxGColumnList shadowKeys;
    KxGColumnList sourceMembers;
    KxGColumnList shadowMembers;
    source.GetColumns(sourceKeys, sourceKeys);
    shadow.GetColumns(shadowKeys, shadowKeys);
    for (KxGMemberMap* from : source.GetTableMaps()) {
        for (KxGMemberMap* to : shadow.GetTableMaps()) {
            if (to->GetName() == from->GetName() && to->GetOwnerClassNumber() == from->GetOwnerClassNumber()) {
                KxGColumnList fromColumns;
                KxGColumnList toColumns;
                from->GetColumns(fromColumns);
                to->GetColumns(toColumns);
                for (uint32_t i = 0; i < fromColumns.Count() && i < toColumns.Count(); ++i) {
                    sourceMembers.AddColumn(fromColumns.GetColumn(i));
                    shadowMembers.AddColumn(toColumns.GetColumn(i));
                }
                break;
            }
        }
    }
    KxGTable sourceTable;
    KxGTable shadowTable;
    int32_t result = source.GetStoreHdl() != nullptr ? source.GetStoreHdl()->GetClassTable(sourceTable)
                                                     : KXG_E_NO_STORE_HANDLER;
    if (result == 0) {
        result = shadow.GetStoreHdl() != nullptr ? shadow.GetStoreHdl()->GetClassTable(shadowTable)
                                                 : KXG_E_NO_STORE_HANDLER;
    }
    if (result != 0) {
        return result;
    }
    ShadowTriggers(sourceTable, shadowTable, source.GetClass()->GetClassNumber(), sourceKeys, shadowKeys,
                   sourceMembers, shadowMembers, list);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Schema evolution

KxGStatementTemplate* KxGCommonDatabaseInfo::InsertSelectByCid(const KxGExtendedProjection& target,
                                                               const KxGExtendedProjection& source,
                                                               const KxGColumnList& added, int32_t classId)
{
    KxGTypeConvHdlMgr* convMgr = GetTypeConvHdlMgr();
    if (convMgr == nullptr) {
        return nullptr;
    }
    KxString text("INSERT INTO ");
    const KxGColumnList& to = target.GetColumns();
    if (to.Count() > 0) {
        KxString names = KxString::EmptyString();
        KxString expressions = KxString::EmptyString();
        auto addPair = [&](const KxGColumn& from, const KxGColumn* into) {
            if (into == nullptr) {
                return;
            }
            if (!names.IsEmpty()) {
                names << ", ";
                expressions << ", ";
            }
            KxString expression = KxString::EmptyString();
            convMgr->BuildConversion(from, *into, expression);
            names << into->GetName();
            expressions << expression;
        };
        const KxGColumnList& from = source.GetColumns();
        for (uint32_t i = 0; i < from.Count(); ++i) {
            addPair(*from.GetColumn(i), to.GetColumn(i));
        }
        for (uint32_t j = 0; j < added.Count(); ++j) {
            addPair(*added.GetColumn(j), to.GetColumn(from.Count() + j));
        }
        text << target.GetFrom() << " ( " << names << ")\n"
             << " SELECT " << expressions << " FROM " << source.GetFrom();
        if (classId >= 0) {
            ClassFilter(classId, text);
        }
    }
    return KxGMake<KxGStatementTemplate>(text);
}

KxGStatementTemplate* KxGCommonDatabaseInfo::DeleteByCid(const KxGQualifiedIdentity& table, int32_t classId)
{
    KxString text("DELETE FROM ");
    text << table.GetQualifiedName();
    ClassFilter(classId, text);
    return KxGMake<KxGStatementTemplate>(text);
}

// ---------------------------------------------------------------------------------------------------
// The gateway's helper objects

KxString KxGCommonDatabaseInfo::ActiveClientsText(const KxString& schema)
{
    KxString text("CREATE TABLE ");
    text << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " (\n"
         << ActiveClientsColumns(KxGSchemaConstants::GetClientNameLen())
         << ",\n PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )";
    return text;
}

KxGStatementTemplate* KxGCommonDatabaseInfo::CreateActiveClients(const KxString& schema)
{
    if (!CheckSchemaName(schema)) {
        return nullptr;
    }
    return KxGMake<KxGStatementTemplate>(ActiveClientsText(schema));
}

// ---------------------------------------------------------------------------------------------------
// Drops

KxGStatementTemplate* KxGCommonDatabaseInfo::DropTable(const KxGQualifiedIdentity& table)
{
    KxString text("DROP TABLE ");
    text << table.GetQualifiedName();
    return KxGMake<KxGStatementTemplate>(text);
}

KxGStatementTemplate* KxGCommonDatabaseInfo::DropTable2(const KxGCreateStatementTemplate& created)
{
    return DropTable(created.GetIdentity());
}

KxGStatementTemplate* KxGCommonDatabaseInfo::DropIndex(const KxString& indexName, const KxGQualifiedIdentity& table)
{
    KxString text("DROP INDEX ");
    if (!table.GetQualifier().IsEmpty()) {
        text << table.GetQualifier() << ".";
    }
    text << indexName;
    return KxGMake<KxGStatementTemplate>(text);
}

namespace {

// keyword and the qualified name of the template's identity.
KxGStatementTemplate* DropCreated(const char* keyword, const KxGCreateStatementTemplate& created)
{
    KxString text(keyword);
    text << created.GetIdentity().GetQualifiedName();
    return KxGMake<KxGStatementTemplate>(text);
}

}  // namespace

KxGStatementTemplate* KxGCommonDatabaseInfo::DropIndex2(const KxGCreateStatementTemplate& created)
{
    return DropCreated("DROP INDEX ", created);
}

KxGStatementTemplate* KxGCommonDatabaseInfo::DropView(const KxGCreateStatementTemplate& created)
{
    return DropCreated("DROP VIEW ", created);
}

KxGStatementTemplate* KxGCommonDatabaseInfo::DropTrigger(const KxGCreateStatementTemplate& created)
{
    return DropCreated("DROP TRIGGER ", created);
}
