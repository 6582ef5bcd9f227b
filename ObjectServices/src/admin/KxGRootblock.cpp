// The root block table ROOTBLOCK.
#include "KxGRootblock.h"

#include <string>

#include <memory>
#include <new>

#include "KxDateTime.h"
#include "KxGDatabase.h"
#include "KxGProjection.h"
#include "KxGRowReader.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxInt64.h"
#include "KxTypeMgr.h"

namespace {

KxString SchemaOf(KxGDatabase* database)
{
    KxString schema;
    if (database != nullptr) {
        database->GetSchemaName(&schema);
    }
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

KxString Quoted(const KxString& value)
{
    KxString literal;
    KxGAppendLiteral(literal, value);
    return literal;
}

}  // namespace

// ---- the keys -------------------------------------------------------------------------------------

#define KXG_ROOTBLOCK_ENTRY(getter, key, type)            \
    const KxGRootblockEntry& KxGRootblock::getter()        \
    {                                                      \
        static const KxGRootblockEntry entry(key, type);   \
        return entry;                                      \
    }

KXG_ROOTBLOCK_ENTRY(Getdbversion, "dbversion", KX_TYPE_UINT)
KXG_ROOTBLOCK_ENTRY(GetDictionaryName, "DictionaryName", KX_TYPE_STRING)
KXG_ROOTBLOCK_ENTRY(GetDictionaryServer, "DictionaryServer", KX_TYPE_STRING)
KXG_ROOTBLOCK_ENTRY(GetDictionaryStamp, "DictionaryStamp", KX_TYPE_DATETIME)
KXG_ROOTBLOCK_ENTRY(GetDictionaryModifyStamp, "DictionaryModifyStamp", KX_TYPE_DATETIME)
KXG_ROOTBLOCK_ENTRY(GetDictionaryRevision, "DictionaryRevision", KX_TYPE_USHORT)
KXG_ROOTBLOCK_ENTRY(GetIndexRevision, "IndexRevision", KX_TYPE_USHORT)
KXG_ROOTBLOCK_ENTRY(GetTypeMgrVers, "TypeMgrVers", KX_TYPE_USHORT)
KXG_ROOTBLOCK_ENTRY(GetDatabaseStamp, "DatabaseStamp", KX_TYPE_DATETIME)
KXG_ROOTBLOCK_ENTRY(GetMapFile, "MapFile", KX_TYPE_STRING)
KXG_ROOTBLOCK_ENTRY(GetROGWVersion, "RO GW Version", KX_TYPE_UINT)
KXG_ROOTBLOCK_ENTRY(GetROGWRevision, "ROGWRevision", KX_TYPE_UINT)
KXG_ROOTBLOCK_ENTRY(GetUseMarkModified, "UseMarkModified", KX_TYPE_BOOLEAN)
KXG_ROOTBLOCK_ENTRY(GetConcurrencyControlServer, "ConcurrencyControlServer", KX_TYPE_STRING)

#undef KXG_ROOTBLOCK_ENTRY

// ---- construction ---------------------------------------------------------------------------------

KxGRootblock::KxGRootblock(KxGDatabase* database)
    : database_(database),
      schema_(SchemaOf(database)),
      keyColumn_(KxString("KEYID"), KX_TYPE_STRING, kKeySize, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL),
      valueColumn_(KxString("KEYVALUE"), KX_TYPE_STRING, kValueSize, 0)
{
    const bool qualified = database_ != nullptr && database_->GetDatabaseInfo()->GetMaxNameLength(2) > 0;
    table_ = KxGTable(KxGSchemaConstants::GetRootBlockTable(), qualified ? schema_ : KxString());
}

KxGRootblock::~KxGRootblock() = default;

// ---- reading --------------------------------------------------------------------------------------

int32_t KxGRootblock::GetAllValues()
{
    values_.clear();
    if (database_ == nullptr) {
        return KXG_E_CANNOT_READ_TABLES;
    }
    KxGProjection projection(table_);
    projection.AddColumn(keyColumn_);
    projection.AddColumn(valueColumn_);
    KxGSelectStatementTemplate query(projection, *database_->GetDatabaseInfo());
    KxString key;
    KxString value;
    KxGTypeHdl* text = database_->GetTypeHdl(KX_TYPE_STRING, 0, 0);
    KxGRowReader reader(*database_, query, kRowsPerFetch);
    if (!reader.AddColumn(text, &key, static_cast<int32_t>(kKeySize)) ||
        !reader.AddColumn(text, &value, static_cast<int32_t>(kValueSize)) || !reader.Execute()) {
        return KXG_E_CANNOT_READ_TABLES;
    }
    for (;;) {
        uint32_t rows = 0;
        if (!reader.Fetch(rows)) {
            return KXG_E_MAP_FETCH;
        }
        for (uint32_t row = 0; row < rows; ++row) {
            key = KxString::EmptyString();
            value = KxString::EmptyString();
            reader.ReadRow(row);
            values_.emplace_back(EightBit(key), EightBit(value));
        }
        if (rows < static_cast<uint32_t>(kRowsPerFetch)) {
            return 0;
        }
    }
}

const KxString* KxGRootblock::FindValue(const KxString& key) const
{
    for (const auto& pair : values_) {
        if (pair.first == key) {
            return &pair.second;
        }
    }
    return nullptr;
}

int32_t KxGRootblock::GetValue(const KxGRootblockEntry& entry, void* out, KxTypeMgr* typeMgr) const
{
    const KxString* text = FindValue(entry.GetKey());
    if (text == nullptr || out == nullptr) {
        return 0;
    }
    switch (entry.GetTypeCode()) {
    case KX_TYPE_STRING:
        *static_cast<KxString*>(out) = *text;
        return 1;
    case KX_TYPE_BOOLEAN:
        // Present means in use, whatever the text says.
        *static_cast<KxBoolean*>(out) = true;
        return 1;
    default: {
        KxTypeMgr* manager = typeMgr != nullptr ? typeMgr : KxTypeMgr::GetDefault();
        const char* format = entry.GetTypeCode() == KX_TYPE_DATETIME ? kDateFormat : nullptr;
        const int32_t status = manager->ScanFromKxString(entry.GetTypeCode(), *text, out, format);
        return status < 0 ? status : 1;
    }
    }
}

// ---- writing --------------------------------------------------------------------------------------

int32_t KxGRootblock::SetValue(const KxGRootblockEntry& entry, const KxString& value, KxString& sql)
{
    KxGProjection projection(table_);
    projection.AddColumn(keyColumn_);
    projection.AddColumn(valueColumn_);
    KxGDatabaseInfo& info = *database_->GetDatabaseInfo();
    KxGInsertStatementTemplate insert(projection, info);
    const KxString first = info.GetParameterMarker(1);
    if (!(first == info.GetParameterMarker(2))) {
        // Numbered markers: the value's marker comes after the key's; binding it first keeps a key
        // that contains the text of the second marker from being taken for it, and the key's literal
        // goes in last, where nothing is searched any more.
        insert.BindParameter(Quoted(value), 2, info);
        insert.BindParameter(Quoted(entry.GetKey()), 1, info);
        sql = insert.GetSQLText();
        return 1;
    }
    // One marker for every position ("?"): both are found in the template before anything is put
    // in, the first taking the key and the second the value, so that neither literal is searched.
    const std::u16string text = insert.GetSQLText().ToUtf16();
    const std::u16string mark = first.ToUtf16();
    const size_t keyAt = mark.empty() ? std::u16string::npos : text.find(mark);
    const size_t valueAt = keyAt == std::u16string::npos ? keyAt : text.find(mark, keyAt + mark.size());
    if (valueAt == std::u16string::npos) {
        sql = insert.GetSQLText();
        return 1;
    }
    const KxString& template_ = insert.GetSQLText();
    sql = template_.Left(static_cast<uint32_t>(keyAt));
    sql += Quoted(entry.GetKey());
    sql += template_.Copy(static_cast<uint32_t>(keyAt + mark.size()), static_cast<uint32_t>(valueAt - keyAt - mark.size()));
    sql += Quoted(value);
    sql += template_.Copy(static_cast<uint32_t>(valueAt + mark.size()), template_.Len());
    return 1;
}

KxGStatementTemplate* KxGRootblock::UpdateValue(const KxString& key, const KxString& value)
{
    KxString text("UPDATE ");
    text << table_.GetQualifiedName() << " SET " << valueColumn_.GetName() << " = ";
    KxGAppendLiteral(text, value);
    text << " WHERE " << keyColumn_.GetName() << " = ";
    KxGAppendLiteral(text, key);
    return new (std::nothrow) KxGStoreStatementTemplate(text);
}

int32_t KxGRootblock::EmptyTable(KxGStatementTemplateList& list)
{
    return list.AppendDeleteAll(table_);
}

KxGCreateStatementTemplate* KxGRootblock::CreateTemplate()
{
    if (database_ == nullptr) {
        return nullptr;
    }
    KxGExtendedProjection projection(table_);
    projection.AddColumn(keyColumn_);
    projection.AddColumn(valueColumn_);
    return database_->GetDatabaseInfo()->CreateTable(table_, projection);
}

KxGStatementTemplate* KxGRootblock::DropTemplate()
{
    std::unique_ptr<KxGCreateStatementTemplate> created(CreateTemplate());
    if (!created) {
        return nullptr;
    }
    return database_->GetDatabaseInfo()->DropTable2(*created);
}

uint16_t KxGRootblock::Create()
{
    std::unique_ptr<KxGCreateStatementTemplate> created(CreateTemplate());
    if (!created) {
        return 0;
    }
    KxGStoreStatement statement(database_, created.get(), 0);
    return statement.Execute();
}
