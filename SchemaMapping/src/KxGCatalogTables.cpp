// KELVOX_CLASSES and KELVOX_MEMBERS.
#include "KxGCatalogTables.h"

#include <new>

#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGOrder.h"
#include "KxGProjection.h"
#include "KxGRowReader.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

constexpr int32_t kClassRowsPerFetch = 50;
constexpr int32_t kMemberRowsPerFetch = 100;
constexpr int32_t kClassNameSize = 100;
constexpr int32_t kMemberNameSize = 250;

KxString SchemaOf(KxGDatabase& database)
{
    KxString schema;
    database.GetSchemaName(&schema);
    return schema;
}

// The text as read, in the default 8-bit code set.
KxString EightBit(KxString text)
{
    if (!text.IsActive()) {
        return KxString::EmptyString();
    }
    text.SetCodeSet(0);
    return text;
}

void AppendInsert(KxString& sql, const KxGTable& table, const KxGColumn* columns, const KxClassId& classId,
                  const KxString& third, const KxString& fourth)
{
    sql << "INSERT INTO " << table.GetQualifiedName() << " (" << columns[0].GetName() << ", "
        << columns[1].GetName() << ", " << columns[2].GetName() << ", " << columns[3].GetName() << ") VALUES ("
        << KxGStoredClassNumber(classId.GetClassNumber()) << ", " << KxGStoredClassNumber(classId.GetVersion())
        << ", ";
    KxGAppendLiteral(sql, third);
    sql << ", ";
    KxGAppendLiteral(sql, fourth);
    sql << ")";
}

}  // namespace

// ---- hash entry lists -----------------------------------------------------------------------------

bool KxGHashEntryList::Find(const KxString& key, KxString& value) const
{
    for (const auto& pair : pairs_) {
        if (pair.first == key) {
            value = pair.second;
            return true;
        }
    }
    return false;
}

bool KxGHashEntryListList::Find(uint16_t classNumber, const KxGHashEntryList*& list) const
{
    for (const auto& entry : lists_) {
        if (entry->GetClassNumber() == classNumber) {
            list = entry.get();
            return true;
        }
    }
    return false;
}

KxGHashEntryList& KxGHashEntryListList::Get(uint16_t classNumber)
{
    // Rows arrive grouped by class number: the last list is the usual match.
    if (!lists_.empty() && lists_.back()->GetClassNumber() == classNumber) {
        return *lists_.back();
    }
    for (const auto& entry : lists_) {
        if (entry->GetClassNumber() == classNumber) {
            return *entry;
        }
    }
    lists_.push_back(std::make_unique<KxGHashEntryList>(classNumber));
    return *lists_.back();
}

// ---- the common part ------------------------------------------------------------------------------

KxGCatalogTable::KxGCatalogTable(KxGDatabase& database, const KxString& tableName)
    : database_(database), schema_(SchemaOf(database))
{
    const bool qualified = database.GetDatabaseInfo()->GetMaxNameLength(2) > 0;
    table_ = KxGTable(tableName, qualified ? schema_ : KxString());
}

KxGCatalogTable::~KxGCatalogTable() = default;

KxGCreateStatementTemplate* KxGCatalogTable::CreateTemplate()
{
    KxGExtendedProjection projection(table_);
    for (const KxGColumn& column : columns_) {
        projection.AddColumn(column);
    }
    return database_.GetDatabaseInfo()->CreateTable(table_, projection);
}

KxGStatementTemplate* KxGCatalogTable::DropTemplate()
{
    std::unique_ptr<KxGCreateStatementTemplate> created(CreateTemplate());
    if (!created) {
        return nullptr;
    }
    return database_.GetDatabaseInfo()->DropTable2(*created);
}

int32_t KxGCatalogTable::EmptyTable(KxGStatementTemplateList& list)
{
    return list.AppendDeleteAll(table_);
}

// ---- KELVOX_CLASSES -------------------------------------------------------------------------------

KxGVersionTable::KxGVersionTable(KxGDatabase& database)
    : KxGCatalogTable(database, KxGSchemaConstants::GetClassesTable())
{
    const uint32_t nameLength = static_cast<uint32_t>(database.GetDatabaseInfo()->GetMaxNameLength(0));
    columns_[0] = KxGColumn("CLASS_ID", KXG_TYPE_USHORT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[1] = KxGColumn("VERSION", KXG_TYPE_USHORT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[2] = KxGColumn("CLASS_NAME", KXG_TYPE_STRING, kClassNameSize, KXG_COLUMN_NOT_NULL);
    columns_[3] = KxGColumn("TABLE_NAME", KXG_TYPE_STRING, nameLength, 0);
}

bool KxGVersionTable::SetValue(const KxClassId& classId, const KxString& className, const KxString& tableName,
                               KxString& sql)
{
    AppendInsert(sql, table_, columns_, classId, className, tableName);
    return true;
}

int32_t KxGVersionTable::GetAllValues()
{
    rows_.clear();
    KxGProjection projection(table_);
    projection.AddColumn(columns_[0]);
    projection.AddColumn(columns_[1]);
    projection.AddColumn(columns_[3]);
    KxGSelectStatementTemplate query(projection, *database_.GetDatabaseInfo());
    uint16_t classNumber = 0;
    uint16_t version = 0;
    KxString tableName;
    KxGRowReader reader(database_, query, kClassRowsPerFetch);
    if (!reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_USHORT, 0, 0), &classNumber) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_USHORT, 0, 0), &version) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &tableName,
                          database_.GetDatabaseInfo()->GetMaxNameLength(0)) ||
        !reader.Execute()) {
        return KXG_E_CANNOT_READ_CLASS_VERSION;
    }
    for (;;) {
        uint32_t rows = 0;
        if (!reader.Fetch(rows)) {
            return KXG_E_CANNOT_READ_CLASS_VERSION;
        }
        for (uint32_t row = 0; row < rows; ++row) {
            reader.ReadRow(row);
            rows_.push_back({classNumber, version, EightBit(tableName)});
        }
        if (rows < static_cast<uint32_t>(kClassRowsPerFetch)) {
            return 0;
        }
    }
}

int32_t KxGVersionTable::ReadOnce()
{
    if (read_) {
        return 0;
    }
    const int32_t result = GetAllValues();
    if (result == 0) {
        read_ = true;
    }
    return result;
}

int32_t KxGVersionTable::GetVersion(uint16_t classNumber, uint16_t& version)
{
    if (classNumber == 0) {
        version = 0;
        return 0;
    }
    const int32_t result = ReadOnce();
    if (result != 0) {
        return result;
    }
    bool found = false;
    for (const Row& row : rows_) {
        if (row.classNumber == classNumber && (!found || row.version > version)) {
            version = row.version;
            found = true;
        }
    }
    return found ? 0 : KXG_E_NO_TABLE_NAME;
}

int32_t KxGVersionTable::GetTableName(uint16_t classNumber, uint16_t version, KxString& tableName)
{
    const int32_t result = ReadOnce();
    if (result != 0) {
        return result;
    }
    for (const Row& row : rows_) {
        if (row.classNumber == classNumber && row.version == version) {
            tableName = row.tableName;
            return 0;
        }
    }
    return KXG_E_NO_TABLE_NAME;
}

// ---- KELVOX_MEMBERS -------------------------------------------------------------------------------

KxGColumnTable::KxGColumnTable(KxGDatabase& database)
    : KxGCatalogTable(database, KxGSchemaConstants::GetMembersTable())
{
    const uint32_t nameLength = static_cast<uint32_t>(database.GetDatabaseInfo()->GetMaxNameLength(1));
    columns_[0] = KxGColumn("CLASS_ID", KXG_TYPE_USHORT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[1] = KxGColumn("VERSION", KXG_TYPE_USHORT, 4, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    columns_[2] = KxGColumn("COLUMN_NAME", KXG_TYPE_STRING, nameLength, KXG_COLUMN_NOT_NULL);
    columns_[3] = KxGColumn("MEMBER_NAME", KXG_TYPE_STRING, kMemberNameSize, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
}

bool KxGColumnTable::SetValue(const KxClassId& classId, const KxString& memberKey, const KxString& columnName,
                              KxString& sql)
{
    AppendInsert(sql, table_, columns_, classId, columnName, memberKey);
    return true;
}

bool KxGColumnTable::ReadAll()
{
    read_ = true;
    lists_.Clear();
    KxGProjection projection(table_);
    projection.AddColumn(columns_[0]);
    projection.AddColumn(columns_[3]);
    projection.AddColumn(columns_[2]);
    // Versioning rewrites these rows without emptying the table and drops the replaced columns: the
    // newest version's pair comes first and wins.
    KxGOrder order;
    order.AddOrder(columns_[0], KXG_SORT_ASCENDING, 0);
    order.AddOrder(columns_[1], KXG_SORT_DESCENDING, 0);
    KxGCondition none;
    KxGSelectStatementTemplate query(projection, none, order, *database_.GetDatabaseInfo());
    uint16_t classNumber = 0;
    KxString memberKey;
    KxString columnName;
    KxGRowReader reader(database_, query, kMemberRowsPerFetch);
    if (!reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_USHORT, 0, 0), &classNumber) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &memberKey, kMemberNameSize) ||
        !reader.AddColumn(database_.GetTypeHdl(KXG_TYPE_STRING, 0, 0), &columnName,
                          database_.GetDatabaseInfo()->GetMaxNameLength(0)) ||
        !reader.Execute()) {
        return false;
    }
    for (;;) {
        uint32_t rows = 0;
        if (!reader.Fetch(rows)) {
            return false;
        }
        for (uint32_t row = 0; row < rows; ++row) {
            reader.ReadRow(row);
            lists_.Get(classNumber).Append(EightBit(memberKey), EightBit(columnName));
        }
        if (rows < static_cast<uint32_t>(kMemberRowsPerFetch)) {
            return true;
        }
    }
}

bool KxGColumnTable::GetHashEntryList(uint16_t classNumber, const KxGHashEntryList*& list)
{
    if (!read_ && !ReadAll()) {
        return false;
    }
    return lists_.Find(classNumber, list);
}
