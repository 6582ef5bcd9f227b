// KELVOX_INDEXES.
#include "KxGIndexTable.h"

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGRowReader.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

namespace {

KxString EightBit(KxString text)
{
    if (!text.IsActive()) {
        return KxString::EmptyString();
    }
    text.SetCodeSet(0);
    return text;
}

}  // namespace

int32_t KxGIndexTableList::Find(const KxString& indexName, uint16_t classNumber, KxString& sqlIndexName) const
{
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].classNumber == classNumber && rows_[i].indexName == indexName) {
            sqlIndexName = rows_[i].sqlIndexName;
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t KxGIndexTableList::FindSQL(const KxString& sqlIndexName, const KxString& tableName) const
{
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].sqlIndexName == sqlIndexName && rows_[i].tableName == tableName) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

KxGIndexTable::KxGIndexTable(KxGDatabase& database) : database_(database)
{
    KxGDatabaseInfo* info = database.GetDatabaseInfo();
    KxString schema;
    if (info->GetMaxNameLength(2) > 0) {
        database.GetSchemaName(&schema);
    }
    table_ = KxGTable(KxGSchemaConstants::GetIndexesTable(), schema);
    const uint32_t nameSize = static_cast<uint32_t>(info->GetMaxNameLength(0));
    columns_[0] = KxGColumn(KxString("CLASS_ID"), KXG_TYPE_USHORT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[1] = KxGColumn(KxString("KELVOX_INDEX_NAME"), KXG_TYPE_STRING, kIndexNameSize,
                            KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[2] = KxGColumn(KxString("SQL_INDEX_NAME"), KXG_TYPE_STRING, nameSize, KXG_COLUMN_NOT_NULL);
    columns_[3] = KxGColumn(KxString("TABLE_NAME"), KXG_TYPE_STRING, nameSize, KXG_COLUMN_NOT_NULL);
}

KxGIndexTable::~KxGIndexTable() = default;

KxGCreateStatementTemplate* KxGIndexTable::CreateTemplate()
{
    KxGExtendedProjection projection(table_);
    for (const KxGColumn& column : columns_) {
        projection.AddColumn(column);
    }
    return database_.GetDatabaseInfo()->CreateTable(table_, projection);
}

KxGStatementTemplate* KxGIndexTable::DropTemplate()
{
    std::unique_ptr<KxGCreateStatementTemplate> created(CreateTemplate());
    return created ? database_.GetDatabaseInfo()->DropTable2(*created) : nullptr;
}

KxString KxGIndexTable::InsertText(uint16_t classNumber, const KxString& indexName, const KxString& sqlIndexName,
                                   const KxString& tableName) const
{
    KxString sql("INSERT INTO ");
    sql << table_.GetQualifiedName() << " (" << columns_[0].GetName() << ", " << columns_[1].GetName() << ", "
        << columns_[2].GetName() << ", " << columns_[3].GetName() << ") VALUES ("
        << KxGStoredClassNumber(classNumber) << ", ";
    KxGAppendLiteral(sql, indexName);
    sql << ", ";
    KxGAppendLiteral(sql, sqlIndexName);
    sql << ", ";
    KxGAppendLiteral(sql, tableName);
    sql << ")";
    return sql;
}

int32_t KxGIndexTable::AppendInserts(const std::vector<KxGIndexMap*>& indexMaps, KxGStatementTemplateList& list) const
{
    for (const KxGIndexMap* indexMap : indexMaps) {
        const uint16_t number = indexMap->GetClass() != nullptr ? indexMap->GetClass()->GetClassNumber() : 0;
        const int32_t result = list.Adopt(new (std::nothrow) KxGStoreStatementTemplate(InsertText(
            number, indexMap->GetName(), indexMap->GetSQLName(), indexMap->GetTable().GetName())));
        if (result < 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGIndexTable::GetAllValues(KxGIndexTableList& rows)
{
    KxGProjection projection(table_);
    for (const KxGColumn& column : columns_) {
        projection.AddColumn(column);
    }
    KxGSelectStatementTemplate query(projection, *database_.GetDatabaseInfo());
    uint16_t classNumber = 0;
    KxString indexName;
    KxString sqlIndexName;
    KxString tableName;
    const int32_t nameSize = database_.GetDatabaseInfo()->GetMaxNameLength(0);
    KxGRowReader reader(database_, query, kRowsPerFetch);
    const auto failed = [this]() {
        const int32_t code = database_.GetError()->ErrorCode();
        return code != 0 ? code : KXG_E_RDBMS;
    };
    if (!reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_USHORT, 0, 0), &classNumber) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &indexName, kIndexNameSize) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &sqlIndexName, nameSize) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &tableName, nameSize) || !reader.Execute()) {
        return failed();
    }
    for (;;) {
        uint32_t fetched = 0;
        if (!reader.Fetch(fetched)) {
            return failed();
        }
        for (uint32_t row = 0; row < fetched; ++row) {
            reader.ReadRow(row);
            rows.Append({EightBit(indexName), classNumber, EightBit(sqlIndexName), EightBit(tableName)});
        }
        if (fetched < static_cast<uint32_t>(kRowsPerFetch)) {
            return 0;
        }
    }
}

int32_t KxGIndexTable::GetDatabaseIndexes(KxGIndexTableList& rows)
{
    KxString text;
    database_.GetDatabaseInfo()->IndexList(text);
    KxGSelectStatementTemplate query(text);
    KxString sqlIndexName;
    KxString tableName;
    const int32_t nameSize = database_.GetDatabaseInfo()->GetMaxNameLength(0);
    KxGRowReader reader(database_, query, kRowsPerFetch);
    if (!reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &sqlIndexName, nameSize) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &tableName, nameSize) || !reader.Execute()) {
        return KXG_E_MAPPER_EXECUTE;
    }
    for (;;) {
        uint32_t fetched = 0;
        if (!reader.Fetch(fetched)) {
            return KXG_E_MAPPER_EXECUTE;
        }
        for (uint32_t row = 0; row < fetched; ++row) {
            reader.ReadRow(row);
            rows.Append({KxString::EmptyString(), 0, EightBit(sqlIndexName), EightBit(tableName)});
        }
        if (fetched < static_cast<uint32_t>(kRowsPerFetch)) {
            return 0;
        }
    }
}

int32_t KxGIndexTable::AppendRemovals(const KxGIndexTableList& rows, KxGStatementTemplateList& list) const
{
    KxGDatabaseInfo& info = *database_.GetDatabaseInfo();
    KxString schema;
    database_.GetSchemaName(&schema);
    for (size_t i = 0; i < rows.Count(); ++i) {
        const KxGIndexTableRow& row = rows.Get(i);
        const int32_t result =
            list.Adopt(info.DropIndex(row.sqlIndexName, KxGQualifiedIdentity(row.tableName, schema)));
        if (result < 0) {
            return result;
        }
    }
    for (size_t i = 0; i < rows.Count(); ++i) {
        const KxGIndexTableRow& row = rows.Get(i);
        KxString condition = columns_[0].GetName();
        condition << " = " << KxGStoredClassNumber(row.classNumber) << " AND " << columns_[1].GetName() << " = ";
        KxGAppendLiteral(condition, row.indexName);
        condition << " AND " << columns_[2].GetName() << " = ";
        KxGAppendLiteral(condition, row.sqlIndexName);
        condition << " AND " << columns_[3].GetName() << " = ";
        KxGAppendLiteral(condition, row.tableName);
        KxString text("DELETE FROM ");
        text << table_.GetQualifiedName();
        info.Where(condition, text);
        const int32_t result = list.Adopt(new (std::nothrow) KxGStoreStatementTemplate(text));
        if (result < 0) {
            return result;
        }
    }
    return 0;
}
