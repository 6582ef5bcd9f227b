// The value member map: one member, one column, one type handle.
#include <cstring>
#include <vector>

#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGMemberMap.h"
#include "KxGSchemaMap.h"
#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxMetaType.h"
#include "KxObjectAlias.h"
#include "KxTypeMgr.h"

namespace {

constexpr uint16_t kTraceSM = 0x40;

bool IsStringOrBlob(uint8_t typeCode)
{
    return typeCode == 11 || typeCode == 18 || typeCode == 20 || typeCode == 21;
}

KxGDatabase* DatabaseOf(KxGContext* context, KxGSchemaMap* schemaMap)
{
    if (context != nullptr && context->GetDatabase() != nullptr) {
        return context->GetDatabase();
    }
    return schemaMap != nullptr ? schemaMap->GetDatabase() : nullptr;
}

bool ErrorPending(KxGDatabase* database)
{
    return database != nullptr && database->GetError() != nullptr && database->GetError()->HasError() != 0;
}

// Whether a string member's value holds a NUL character: a column keeps the text only up to it, so
// such a value is refused rather than cut.
bool HoldsNul(uint8_t typeCode, const void* variable)
{
    if (typeCode != 11 && typeCode != 20 && typeCode != 21) {
        return false;
    }
    return static_cast<const KxString*>(variable)->Find('\0') >= 0;
}

}  // namespace

KxGTypeMemberMap::KxGTypeMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass, const KxString& name,
                                   const KxString& rename, uint16_t position, uint8_t typeCode, uint8_t typeArg1,
                                   uint8_t typeArg2, bool nullable, uint32_t storageType, uint32_t elementCount,
                                   uint32_t memberOffset)
    : schemaMap_(schemaMap),
      name_(name),
      elementCount_(elementCount),
      position_(position),
      storageType_(storageType),
      classNumber_(declaringClass.GetClassNumber()),
      classVersion_(declaringClass.GetVersion()),
      memberOffset_(memberOffset)
{
    KxGDatabase* database = schemaMap_ != nullptr ? schemaMap_->GetDatabase() : nullptr;
    if (database != nullptr) {
        typeHdl_ = database->GetTypeHdl(typeCode, typeArg1, typeArg2);
    }
    const int32_t count = static_cast<int32_t>(elementCount_);
    uint8_t flags = nullable ? 0 : KXG_COLUMN_NOT_NULL;
    if (typeHdl_ != nullptr) {
        columnSize_ = typeHdl_->ColumnSize(count);
        valueSize_ = typeHdl_->BufferSize(count);
        indSize_ = nullable ? static_cast<uint8_t>(typeHdl_->IndSize()) : 0;
        if (typeHdl_->IsHandle() != 0) {
            flags |= KXG_COLUMN_HANDLE;
            handle_ = true;
        }
    }
    column_ = KxGMemberColumn(rename.IsActive() && !rename.IsEmpty() ? rename : KxString::EmptyString(), typeCode,
                              elementCount_, flags, typeArg1);
    column_.SetMemberMap(this);
    if (schemaMap_ != nullptr) {
        schemaMap_->MapMember2ColumnName(KxString::EmptyString(), position_, name_, KxString::EmptyString(), column_);
        truncate_ = schemaMap_->GetOptionRegistry().MayTruncate(typeCode) ? 1 : 0;
    } else {
        column_.SetMemberPath(name_);
        truncate_ = 1;
    }
}

KxGTypeMemberMap::KxGTypeMemberMap(const KxGTypeMemberMap& other)
    : KxGMemberMap(other),
      schemaMap_(other.schemaMap_),
      name_(other.name_),
      column_(other.column_),
      typeHdl_(other.typeHdl_),
      handle_(other.handle_),
      elementCount_(other.elementCount_),
      columnSize_(other.columnSize_),
      position_(other.position_),
      storageType_(other.storageType_),
      truncate_(other.truncate_),
      valueSize_(other.valueSize_),
      indSize_(other.indSize_),
      handleIndex_(other.handleIndex_),
      classNumber_(other.classNumber_),
      classVersion_(other.classVersion_),
      memberOffset_(other.memberOffset_)
{
    column_.SetMemberMap(this);
}

KxGTypeMemberMap::~KxGTypeMemberMap() = default;

KxClassId KxGTypeMemberMap::GetClassId() { return KxClassId(classNumber_, classVersion_); }

uint16_t KxGTypeMemberMap::GetOwnerClassNumber() const { return classNumber_; }

uint8_t* KxGTypeMemberMap::GetMemberAddress(KxObjectAlias& object)
{
    uint8_t* block = CachedBlockAddress(schemaMap_, object, classNumber_);
    return block != nullptr ? block + memberOffset_ : nullptr;
}

uint8_t* KxGTypeMemberMap::GetMemberAddress(KxObjectAlias& object, const KxGRowContext& rows)
{
    uint8_t* block = CachedBlockAddress(schemaMap_, object, classNumber_, rows);
    return block != nullptr ? block + memberOffset_ : nullptr;
}

int32_t KxGTypeMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    if (IsHandle()) {
        handleIndex_ = bufferMap.AddHandleColumns(1);
    }
    rowOffset_ = bufferMap.Reserve(valueSize_ + indSize_);
    return 0;
}

int32_t KxGTypeMemberMap::Resolve(KxGClassMap&) { return 0; }

int32_t KxGTypeMemberMap::GetColumns(KxGColumnList& list) { return list.AddColumn(&column_); }

int32_t KxGTypeMemberMap::GetSQLSize() { return valueSize_; }

int32_t KxGTypeMemberMap::GetValueSize()
{
    if (IsStringOrBlob(static_cast<uint8_t>(column_.GetTypeCode()))) {
        return columnSize_;
    }
    return columnSize_ * static_cast<int32_t>(elementCount_);
}

int32_t KxGTypeMemberMap::CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context)
{
    if (!IsHandle()) {
        return 0;
    }
    KxGDatabase* database = DatabaseOf(context, schemaMap_);
    const KxGContext handleContext = context != nullptr ? *context : KxGContext(database);
    const int32_t first = rows.GetCurrentRow();
    int32_t status = 0;
    for (int32_t row = first; row < first + count && status == 0; ++row) {
        rows.SetCurrentRow(row);
        uint16_t kind = 0;
        const uintptr_t handle = typeHdl_->CreateHandle(rows.ValueAddress(rowOffset_, valueSize_, row), &kind,
                                                        handleContext);
        status = handle != 0 ? rows.AddHandle(database, handleIndex_, kind, handle) : -1;
    }
    rows.SetCurrentRow(first);
    return status;
}

int32_t KxGTypeMemberMap::Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context)
{
    if (rows.Has(IsHandle() ? KXG_ROW_SKIP_HANDLES : KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object, rows);
    const int32_t row = rows.GetCurrentRow();
    uint8_t* value = rows.ValueAddress(rowOffset_, valueSize_, row);
    if (variable == nullptr || value == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    uint8_t* indicator = rows.IndicatorAddress(rowOffset_, valueSize_, indSize_, row);
    if (HoldsNul(column_.GetTypeCode(), variable)) {
        if (KxGDatabase* database = DatabaseOf(context, schemaMap_)) {
            database->SetUserError(KXG_E_STRING_HOLDS_NUL, ", member ", name_.ToUtf8().c_str());
        }
        return KXG_E_STRING_HOLDS_NUL;
    }
    if (typeHdl_->VarToSQL(variable, value, indicator, columnSize_, context) != nullptr) {
        return 0;
    }
    KxGDatabase* database = DatabaseOf(context, schemaMap_);
    if (ErrorPending(database)) {
        return -1;
    }
    if (truncate_ == 0) {
        return KXG_E_BLOB_BUFFER_EXCEEDED;
    }
    // The value was cut to its column. Intended for every type but strings and blobs (whose cutting
    // an option allows), and for those when the option is set; the trace keeps a record of it.
    if (database != nullptr) {
        if (KxGDatabaseTrace* trace = database->GetTrace(kTraceSM)) {
            *trace << "\n<Warning>" << "Value truncated to its column, member: " << name_
                   << ", type: " << static_cast<uint32_t>(column_.GetTypeCode()) << ", column size: " << columnSize_
                   << "\n</Warning>";
        }
    }
    return 0;
}

int32_t KxGTypeMemberMap::Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object, rows);
    const int32_t row = rows.GetCurrentRow();
    uint8_t* value = rows.ValueAddress(rowOffset_, valueSize_, row);
    if (variable == nullptr || value == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    uint8_t* indicator = rows.IndicatorAddress(rowOffset_, valueSize_, indSize_, row);
    if (typeHdl_->SQLToVar(value, variable, indicator, columnSize_, context) == nullptr &&
        ErrorPending(DatabaseOf(context, schemaMap_))) {
        return -1;
    }
    return 0;
}

int32_t KxGTypeMemberMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                                    uint32_t& needed)
{
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    if (variable == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    const int32_t count =
        IsStringOrBlob(static_cast<uint8_t>(column_.GetTypeCode())) ? 1 : static_cast<int32_t>(elementCount_);
    const int32_t need = typeHdl_->StoredSize(variable, count, 1);
    if (need < 0) {
        return need;
    }
    if (static_cast<uint32_t>(need) > room) {
        needed += static_cast<uint32_t>(need);
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const int32_t written = typeHdl_->StoreValue(typeMgr, position, variable, count, 1);
    return written < 0 ? written : 0;
}

int32_t KxGTypeMemberMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                                   uint32_t available)
{
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    if (variable == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    const int32_t count =
        IsStringOrBlob(static_cast<uint8_t>(column_.GetTypeCode())) ? 1 : static_cast<int32_t>(elementCount_);
    const int32_t read = typeHdl_->LoadValue(typeMgr, position, variable, count, 1, available);
    return read < 0 ? read : 0;
}

int32_t KxGTypeMemberMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    if (count <= 0) {
        return 0;
    }
    uint8_t* from = source.ValueAddress(rowOffset_, valueSize_, source.GetCurrentRow());
    uint8_t* to = target.ValueAddress(rowOffset_, valueSize_, target.GetCurrentRow());
    if (from == nullptr || to == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    std::memcpy(to, from, static_cast<size_t>(count) * static_cast<size_t>(valueSize_));
    if (indSize_ != 0) {
        std::memcpy(target.IndicatorAddress(rowOffset_, valueSize_, indSize_, target.GetCurrentRow()),
                    source.IndicatorAddress(rowOffset_, valueSize_, indSize_, source.GetCurrentRow()),
                    static_cast<size_t>(count) * indSize_);
    }
    return 0;
}

int32_t KxGTypeMemberMap::RestoreWrittenForm(KxGRowContext& rows, KxGContext* context)
{
    const auto typeCode = static_cast<uint8_t>(column_.GetTypeCode());
    if (typeHdl_ == nullptr || IsHandle() || !(typeCode == 11 || typeCode == 20 || typeCode == 21)) {
        return 0;
    }
    const int32_t row = rows.GetCurrentRow();
    uint8_t* value = rows.ValueAddress(rowOffset_, valueSize_, row);
    if (value == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    uint8_t* indicator = indSize_ != 0 ? rows.IndicatorAddress(rowOffset_, valueSize_, indSize_, row) : nullptr;
    if (indicator != nullptr && typeHdl_->IsNull(indicator) != 0) {
        return 0;
    }
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    void* text = typeMgr != nullptr ? typeMgr->Create(typeCode) : nullptr;
    if (text == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    // The slot and its indicator as read, put back when the text cannot be written again.
    const std::vector<uint8_t> read(value, value + valueSize_);
    const std::vector<uint8_t> readIndicator(indicator, indicator != nullptr ? indicator + indSize_ : indicator);
    int32_t status = 0;
    if (typeHdl_->SQLToVar(value, text, indicator, columnSize_, context) == nullptr ||
        typeHdl_->VarToSQL(text, value, indicator, columnSize_, context) == nullptr) {
        std::memcpy(value, read.data(), read.size());
        if (indicator != nullptr) {
            std::memcpy(indicator, readIndicator.data(), readIndicator.size());
        }
        status = ErrorPending(DatabaseOf(context, schemaMap_)) ? -1 : 0;
    }
    typeMgr->Delete(typeCode, text);
    return status;
}

int32_t KxGTypeMemberMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement,
                                        int32_t count, KxGContext* context)
{
    if (rows.Has(IsHandle() ? KXG_ROW_SKIP_HANDLES : KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    if (IsHandle()) {
        const int32_t status = CreateHandles(rows, count, context);
        if (status != 0) {
            return status;
        }
    }
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    const uint16_t number = position++;
    const uint16_t ok = statement.BindParameter(number, typeHdl_, columnSize_, 0,
                                                typeHdl_->BindSize(valueSize_),
                                                rows.ValueAddress(rowOffset_, valueSize_, 0),
                                                rows.IndicatorAddress(rowOffset_, valueSize_, indSize_, 0));
    return ok != 0 ? 0 : -1;
}

int32_t KxGTypeMemberMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                                     KxGContext* context)
{
    if (IsHandle() && !rows.Has(KXG_ROW_NO_CREATE_HANDLES)) {
        const int32_t status = CreateHandles(rows, count, context);
        if (status != 0) {
            return status;
        }
    }
    if (typeHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    const uint16_t number = column++;
    const uint16_t ok = statement.BindResult(number, typeHdl_, typeHdl_->BindSize(valueSize_),
                                             rows.ValueAddress(rowOffset_, valueSize_, 0),
                                             rows.IndicatorAddress(rowOffset_, valueSize_, indSize_, 0));
    return ok != 0 ? 0 : -1;
}

int32_t KxGTypeMemberMap::Matches(const KxMember* member)
{
    if (member == nullptr || typeHdl_ == nullptr) {
        return 0;
    }
    return member->GetTypeCode() == static_cast<int32_t>(typeHdl_->TypeCode()) ? 1 : 0;
}
