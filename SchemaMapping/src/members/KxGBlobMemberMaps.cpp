// The blob container, blob-type and large-string member maps.
#include "KxGBlobMemberMaps.h"

#include <algorithm>
#include <cstring>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGSchemaMap.h"
#include "KxGSQLBuffer.h"
#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxObjectAlias.h"
#include "kxfound.h"

namespace {

// Header fields.
constexpr uint32_t kUsedAt = 0;
constexpr uint32_t kTotalAt = 4;
constexpr uint32_t kOidFlagAt = 8;
constexpr uint32_t kVersionAt = 12;

KxGDatabase* DatabaseOf(KxGSchemaMap* schemaMap)
{
    return schemaMap != nullptr ? schemaMap->GetDatabase() : nullptr;
}

// Whether the container kind binds large-object locators (then the row holds a child's slot).
bool IsHandleKind(KxGSchemaMap* schemaMap, uint8_t kind)
{
    KxGDatabase* database = DatabaseOf(schemaMap);
    KxGTypeHdlMgr* manager = database != nullptr ? database->GetTypeHdlMgr() : nullptr;
    return manager != nullptr && manager->IsHandleKind(kind) != 0;
}

bool ErrorPending(KxGDatabase* database)
{
    return database != nullptr && database->GetError() != nullptr && database->GetError()->HasError() != 0;
}

}  // namespace

// ==== large string ================================================================================

KxGLargeStringMemberMap::KxGLargeStringMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass,
                                                 const KxString& name, const KxString& rename, uint16_t position,
                                                 uint8_t typeCode, uint8_t typeArg1, bool nullable,
                                                 uint32_t storageType, uint32_t elementCount, uint32_t memberOffset,
                                                 uint32_t lsxSize)
    : KxGTypeMemberMap(schemaMap, declaringClass, name, rename, position, typeCode, typeArg1, 0, nullable,
                       storageType == KXG_STORAGE_BLOB ? KXG_STORAGE_LARGE_STRING : KXG_STORAGE_COLUMN, elementCount,
                       memberOffset),
      lsxSize_(lsxSize),
      typeCode_(typeCode)
{
    KxGDatabase* database = DatabaseOf(schemaMap);
    if (database != nullptr) {
        lsxHdl_ = database->GetTypeHdl(typeCode, 2, 0);
    }
    if (lsxHdl_ != nullptr) {
        lsxColumnSize_ = lsxHdl_->ColumnSize(static_cast<int32_t>(lsxSize_));
        lsxValueSize_ = lsxHdl_->BufferSize(static_cast<int32_t>(lsxSize_));
        lsxIndSize_ = nullable ? static_cast<uint8_t>(lsxHdl_->IndSize()) : 0;
    }
    SetTruncate(1);   // the member's own column holds the value's beginning; the whole value is in LSX
    lsxColumn_ = KxGMemberColumn(KxString::EmptyString(), typeCode, lsxSize_, nullable ? 0 : KXG_COLUMN_NOT_NULL, 2);
    lsxColumn_.SetMemberMap(this);
    KxString path(name);
    path << "LSX";
    if (schemaMap != nullptr) {
        schemaMap->MapMember2ColumnName(KxString::EmptyString(), position, path, KxString::EmptyString(), lsxColumn_);
    } else {
        lsxColumn_.SetMemberPath(path);
    }
}

KxGLargeStringMemberMap::KxGLargeStringMemberMap(const KxGLargeStringMemberMap& other)
    : KxGTypeMemberMap(other),
      lsxColumn_(other.lsxColumn_),
      lsxSize_(other.lsxSize_),
      typeCode_(other.typeCode_),
      lsxHdl_(other.lsxHdl_),
      lsxColumnSize_(other.lsxColumnSize_),
      lsxValueSize_(other.lsxValueSize_),
      lsxIndSize_(other.lsxIndSize_)
{
    lsxColumn_.SetMemberMap(this);
}

KxGLargeStringMemberMap::~KxGLargeStringMemberMap() = default;

int32_t KxGLargeStringMemberMap::SecondOffset() const { return GetRowOffset() + GetBufferSize() + GetIndSize(); }

uint8_t* KxGLargeStringMemberMap::SecondValue(KxGRowContext& rows, int32_t row) const
{
    return rows.ValueAddress(SecondOffset(), lsxValueSize_, row);
}

uint8_t* KxGLargeStringMemberMap::SecondIndicator(KxGRowContext& rows, int32_t row) const
{
    return rows.IndicatorAddress(SecondOffset(), lsxValueSize_, lsxIndSize_, row);
}

int32_t KxGLargeStringMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    int32_t bytes = GetBufferSize() + GetIndSize();
    if (HasSecondColumn()) {
        bytes += lsxValueSize_ + lsxIndSize_;
    }
    SetRowOffset(bufferMap.Reserve(bytes));
    return 0;
}

int32_t KxGLargeStringMemberMap::GetColumns(KxGColumnList& list)
{
    const int32_t status = KxGTypeMemberMap::GetColumns(list);
    if (status != 0 || !HasSecondColumn()) {
        return status;
    }
    return list.AddColumn(&lsxColumn_);
}

int32_t KxGLargeStringMemberMap::GetSQLSize() { return lsxValueSize_; }

int32_t KxGLargeStringMemberMap::GetValueSize() { return lsxColumnSize_; }

int32_t KxGLargeStringMemberMap::CreateHandles(KxGRowContext&, int32_t, KxGContext*) { return 0; }

int32_t KxGLargeStringMemberMap::Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context)
{
    if (rows.Has(KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    int32_t status = KxGTypeMemberMap::Store(object, rows, context);
    if (status != 0 || !HasSecondColumn()) {
        return status;
    }
    if (lsxHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    uint8_t* value = SecondValue(rows, rows.GetCurrentRow());
    if (variable == nullptr || value == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    if (lsxHdl_->VarToSQL(variable, value, SecondIndicator(rows, rows.GetCurrentRow()), lsxColumnSize_, context) !=
        nullptr) {
        return 0;
    }
    // The whole value must fit its second column: a cut value would come back cut.
    KxGDatabase* database = context != nullptr && context->GetDatabase() != nullptr ? context->GetDatabase()
                                                                                     : DatabaseOf(GetSchemaMap());
    return ErrorPending(database) ? -1 : KXG_E_BLOB_BUFFER_EXCEEDED;
}

int32_t KxGLargeStringMemberMap::Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    if (!HasSecondColumn()) {
        return 0;   // the container's StreamIn delivers the value
    }
    if (lsxHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    uint8_t* value = SecondValue(rows, rows.GetCurrentRow());
    if (variable == nullptr || value == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    KxGDatabase* database = context != nullptr && context->GetDatabase() != nullptr ? context->GetDatabase()
                                                                                     : DatabaseOf(GetSchemaMap());
    if (lsxHdl_->SQLToVar(value, variable, SecondIndicator(rows, rows.GetCurrentRow()), lsxColumnSize_, context) ==
            nullptr &&
        ErrorPending(database)) {
        return -1;
    }
    return 0;
}

int32_t KxGLargeStringMemberMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object,
                                           uint32_t room, uint32_t& needed)
{
    if (lsxHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    if (variable == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    const int32_t need = lsxHdl_->StoredSize(variable, 1, 1);
    if (need < 0) {
        return need;
    }
    if (static_cast<uint32_t>(need) > room) {
        needed += static_cast<uint32_t>(need);
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const int32_t written = lsxHdl_->StoreValue(typeMgr, position, variable, 1, 1);
    return written < 0 ? written : 0;
}

int32_t KxGLargeStringMemberMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                                          uint32_t available)
{
    if (lsxHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    uint8_t* variable = GetMemberAddress(object);
    if (variable == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    const int32_t read = lsxHdl_->LoadValue(typeMgr, position, variable, 1, 1, available);
    return read < 0 ? read : 0;
}

int32_t KxGLargeStringMemberMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    const int32_t status = KxGTypeMemberMap::CopyRows(source, target, count);
    if (status != 0 || count <= 0 || !HasSecondColumn()) {
        return status;
    }
    uint8_t* from = SecondValue(source, source.GetCurrentRow());
    uint8_t* to = SecondValue(target, target.GetCurrentRow());
    if (from == nullptr || to == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    std::memcpy(to, from, static_cast<size_t>(count) * static_cast<size_t>(lsxValueSize_));
    if (lsxIndSize_ != 0) {
        std::memcpy(SecondIndicator(target, target.GetCurrentRow()), SecondIndicator(source, source.GetCurrentRow()),
                    static_cast<size_t>(count) * lsxIndSize_);
    }
    return 0;
}

int32_t KxGLargeStringMemberMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement,
                                               int32_t count, KxGContext* context)
{
    if (rows.Has(KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    int32_t status = KxGTypeMemberMap::BindParameter(position, rows, statement, count, context);
    if (status != 0) {
        return -1;
    }
    if (!HasSecondColumn()) {
        return 0;
    }
    if (lsxHdl_ == nullptr) {
        return -1;
    }
    const uint16_t number = position++;
    const uint16_t ok = statement.BindParameter(number, lsxHdl_, lsxColumnSize_, 0,
                                                lsxHdl_->BindSize(lsxValueSize_),
                                                SecondValue(rows, 0), SecondIndicator(rows, 0));
    return ok != 0 ? 0 : -1;
}

int32_t KxGLargeStringMemberMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement,
                                            int32_t count, KxGContext* context)
{
    int32_t status = KxGTypeMemberMap::BindColumn(column, rows, statement, count, context);
    if (status != 0) {
        return -1;
    }
    if (!HasSecondColumn()) {
        return 0;
    }
    if (lsxHdl_ == nullptr) {
        return -1;
    }
    const uint16_t number = column++;
    const uint16_t ok = statement.BindResult(number, lsxHdl_, lsxHdl_->BindSize(lsxValueSize_),
                                             SecondValue(rows, 0), SecondIndicator(rows, 0));
    return ok != 0 ? 0 : -1;
}

// ==== blob-type member ============================================================================

KxGBlobTypeMemberMap::KxGBlobTypeMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass,
                                           const KxString& name, uint16_t position, uint8_t typeCode,
                                           uint8_t typeArg1, bool nullable, uint32_t elementCount,
                                           uint32_t memberOffset)
    : KxGTypeMemberMap(schemaMap, declaringClass, name, KxString::EmptyString(), position, typeCode, typeArg1, 0,
                       nullable, KXG_STORAGE_BLOB, elementCount, memberOffset)
{
}

KxGBlobTypeMemberMap::~KxGBlobTypeMemberMap() = default;

int32_t KxGBlobTypeMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    SetRowOffset(bufferMap.Reserve(0));
    return 0;
}

int32_t KxGBlobTypeMemberMap::GetSQLSize() { return GetValueSize(); }

// ==== blob container ==============================================================================

KxGBlobContainerMemberMap::KxGBlobContainerMemberMap(KxGSchemaMap* schemaMap, uint8_t containerType, int32_t size,
                                                     KxGClassMap* owner, bool isChild)
    : KxGTypeMemberMap(schemaMap, KxClassId(), KxString("BLOB_CONTAINER"), KxString("BLOB_CONTAINER"), 0, 18,
                       !isChild && IsHandleKind(schemaMap, containerType) ? uint8_t(0) : containerType,
                       isChild ? uint8_t(1) : uint8_t(0), true, KXG_STORAGE_COLUMN,
                       static_cast<uint32_t>(std::max(size, 0)), 0),
      schemaMap_(schemaMap),
      owner_(owner),
      containerType_(containerType),
      isChild_(isChild)
{
    if (!isChild && IsHandleKind(schemaMap, containerType)) {
        child_ = std::make_unique<KxGBlobContainerMemberMap>(schemaMap, containerType, size, owner, true);
    }
}

KxGBlobContainerMemberMap::KxGBlobContainerMemberMap(const KxGBlobContainerMemberMap& other)
    : KxGTypeMemberMap(other),
      schemaMap_(other.schemaMap_),
      child_(other.child_ ? std::make_unique<KxGBlobContainerMemberMap>(*other.child_) : nullptr),
      owner_(other.owner_),
      containerType_(other.containerType_),
      isChild_(other.isChild_),
      entryCount_(other.entryCount_),
      entries_(other.entries_)
{
}

KxGBlobContainerMemberMap::~KxGBlobContainerMemberMap() = default;

KxClassId KxGBlobContainerMemberMap::GetClassId() { return KxClassId(); }

int32_t KxGBlobContainerMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    if (child_) {
        return child_->JoinBuffer(bufferMap);
    }
    return KxGTypeMemberMap::JoinBuffer(bufferMap);
}

int32_t KxGBlobContainerMemberMap::GetColumns(KxGColumnList& list)
{
    if (child_) {
        return child_->GetColumns(list);
    }
    return KxGTypeMemberMap::GetColumns(list);
}

int32_t KxGBlobContainerMemberMap::CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context)
{
    if (child_) {
        return child_->CreateHandles(rows, count, context);
    }
    return KxGTypeMemberMap::CreateHandles(rows, count, context);
}

int32_t KxGBlobContainerMemberMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    if (child_) {
        return child_->CopyRows(source, target, count);
    }
    return KxGTypeMemberMap::CopyRows(source, target, count);
}

int32_t KxGBlobContainerMemberMap::BindParameter(uint16_t& position, KxGRowContext& rows,
                                                 KxGStatementHdl& statement, int32_t count, KxGContext* context)
{
    if (child_) {
        return child_->BindParameter(position, rows, statement, count, context);
    }
    return KxGTypeMemberMap::BindParameter(position, rows, statement, count, context);
}

int32_t KxGBlobContainerMemberMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement,
                                              int32_t count, KxGContext* context)
{
    if (child_) {
        return child_->BindColumn(column, rows, statement, count, context);
    }
    return KxGTypeMemberMap::BindColumn(column, rows, statement, count, context);
}

uint32_t KxGBlobContainerMemberMap::GetCapacity() const
{
    const int32_t slot = std::min(GetColumnSize(), GetBufferSize());
    return slot > static_cast<int32_t>(KXG_BLOB_SLOT_PREFIX) ? static_cast<uint32_t>(slot) - KXG_BLOB_SLOT_PREFIX : 0;
}

uint8_t* KxGBlobContainerMemberMap::GetStart(KxGRowContext& rows)
{
    uint8_t* slot = rows.ValueAddress(GetRowOffset(), GetBufferSize(), rows.GetCurrentRow());
    return slot != nullptr ? slot + KXG_BLOB_SLOT_PREFIX : nullptr;
}

int32_t KxGBlobContainerMemberMap::OpenContainer(KxGRowContext& rows, uint32_t entryCount, uint16_t classVersion,
                                                 uint32_t oidFlag)
{
    entryCount_ = entryCount;
    uint8_t* start = GetStart(rows);
    const uint32_t header = HeaderSize();
    if (start == nullptr || GetCapacity() < header) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    std::memset(start, 0, header);
    LongStore(start + kUsedAt, header);
    LongStore(start + kTotalAt, header);
    LongStore(start + kOidFlagAt, oidFlag != 0 ? 1u : 0u);
    ShortStore(start + kVersionAt, classVersion);
    if (uint8_t* indicator = rows.IndicatorAddress(GetRowOffset(), GetBufferSize(), GetIndSize(), rows.GetCurrentRow())) {
        if (GetTypeHdl() != nullptr) {
            GetTypeHdl()->PrepareIndicator(indicator);
        }
        std::memset(indicator, 0, GetIndSize());
    }
    return 0;
}

int32_t KxGBlobContainerMemberMap::CheckHeader(const uint8_t* start, uint32_t& used) const
{
    if (start == nullptr || GetCapacity() < HeaderSize()) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;   // not even the header lies in the slot
    }
    used = LongLoad(start + kUsedAt);
    if (used < HeaderSize() || used > GetCapacity()) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return 0;
}

int32_t KxGBlobContainerMemberMap::BeginEntry(uint32_t entry, uint32_t length, KxGRowContext& rows, uint8_t*& data,
                                              uint16_t& oidFlag)
{
    data = nullptr;
    uint8_t* start = GetStart(rows);
    uint32_t used = 0;
    if (entry > entryCount_ || CheckHeader(start, used) != 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    uint8_t* slot = start + KXG_BLOB_CONTAINER_FIXED + 8 * entry;
    LongStore(slot, length);
    LongStore(slot + 4, used);
    oidFlag = static_cast<uint16_t>(LongLoad(start + kOidFlagAt) != 0 ? 1 : 0);
    data = start + used;
    return 0;
}

int32_t KxGBlobContainerMemberMap::EndEntry(uint32_t entry, const uint8_t* end, KxGRowContext& rows)
{
    uint8_t* start = GetStart(rows);
    uint32_t used = 0;
    if (entry > entryCount_ || CheckHeader(start, used) != 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    uint8_t* slot = start + KXG_BLOB_CONTAINER_FIXED + 8 * entry;
    const uint32_t offset = LongLoad(slot + 4);
    if (offset < HeaderSize() || end < start + offset || static_cast<uint32_t>(end - start) > GetCapacity()) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    LongStore(slot, static_cast<uint32_t>(end - (start + offset)));
    return CloseContainer(end, rows);
}

int32_t KxGBlobContainerMemberMap::GetEntry(uint32_t entry, KxGRowContext& rows, const uint8_t*& data,
                                            uint32_t& length, uint32_t& available)
{
    data = nullptr;
    length = 0;
    available = 0;
    const uint8_t* start = GetStart(rows);
    uint32_t used = 0;
    if (entry > entryCount_ || CheckHeader(start, used) != 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const uint8_t* slot = start + KXG_BLOB_CONTAINER_FIXED + 8 * entry;
    const uint32_t entryLength = LongLoad(slot);
    const uint32_t offset = LongLoad(slot + 4);
    if (offset == 0) {
        return entryLength == 0 ? 0 : KXG_E_BLOB_CONTAINER_TOO_SMALL;   // never written
    }
    // The entry's data lies between the header and the bytes in use. Its length counts bytes for
    // a member and elements for a set: in either case it cannot exceed what follows the offset.
    if (offset < HeaderSize() || offset > used || entryLength > used - offset) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    data = start + offset;
    length = entryLength;
    available = used - offset;
    return 0;
}

int32_t KxGBlobContainerMemberMap::GetHeaderInfo(KxGRowContext& rows, uint16_t& classVersion, uint16_t& oidFlag)
{
    const uint8_t* start = GetStart(rows);
    uint32_t used = 0;
    if (CheckHeader(start, used) != 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    classVersion = ShortLoad(start + kVersionAt);
    oidFlag = static_cast<uint16_t>(LongLoad(start + kOidFlagAt) != 0 ? 1 : 0);
    return 0;
}

int32_t KxGBlobContainerMemberMap::CloseContainer(const uint8_t* end, KxGRowContext& rows)
{
    uint8_t* start = GetStart(rows);
    if (start == nullptr || end < start || static_cast<uint32_t>(end - start) > GetCapacity() ||
        static_cast<uint32_t>(end - start) < HeaderSize()) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const uint32_t used = static_cast<uint32_t>(end - start);
    LongStore(start + kUsedAt, used);
    LongStore(start + kTotalAt, used);
    if (!IsNull(rows) && GetTypeHdl() != nullptr) {
        GetTypeHdl()->SetDataLength(start - KXG_BLOB_SLOT_PREFIX,
                                    rows.IndicatorAddress(GetRowOffset(), GetBufferSize(), GetIndSize(),
                                                          rows.GetCurrentRow()),
                                    static_cast<int32_t>(used + KXG_BLOB_SLOT_PREFIX));
    }
    return 0;
}

uint32_t KxGBlobContainerMemberMap::GetRequiredSize(KxGRowContext& rows)
{
    const uint8_t* start = GetStart(rows);
    if (start == nullptr || IsNull(rows) || GetCapacity() < kTotalAt + 4) {
        return 0;
    }
    const uint32_t total = LongLoad(start + kTotalAt);
    if (total < KXG_BLOB_CONTAINER_FIXED + 8 || total > KXG_BLOB_CONTAINER_MAX_SIZE) {
        return 0;
    }
    return total + KXG_BLOB_SLOT_PREFIX;
}

uint32_t KxGBlobContainerMemberMap::GetRoom(KxGRowContext& rows, const uint8_t* position)
{
    const uint8_t* start = GetStart(rows);
    if (start == nullptr || position < start || static_cast<uint32_t>(position - start) > GetCapacity()) {
        return 0;
    }
    return GetCapacity() - static_cast<uint32_t>(position - start);
}

void KxGBlobContainerMemberMap::Resize(int32_t size)
{
    KxGTypeHdl* handler = GetTypeHdl();
    if (handler == nullptr) {
        SetSizes(size, size);
        return;
    }
    const int32_t columnSize = handler->ColumnSize(size);
    SetSizes(columnSize, handler->BufferSize(columnSize));
}

int32_t KxGBlobContainerMemberMap::GrowContainer(int32_t n)
{
    Resize(GetColumnSize() + std::max(n, 0));
    GetColumn().SetSize(static_cast<uint32_t>(GetColumnSize()));
    if (child_) {
        child_->GrowContainer(n);
    }
    return GetBufferSize();
}

int32_t KxGBlobContainerMemberMap::SetSQLSize(int32_t n)
{
    const int32_t previous = GetColumnSize();
    Resize(std::max(n, 0));
    if (child_) {
        child_->SetSQLSize(n);
    }
    return previous;
}

int32_t KxGBlobContainerMemberMap::SetOffset(int32_t offset)
{
    const int32_t previous = GetRowOffset();
    SetRowOffset(offset);
    return previous;
}

void KxGBlobContainerMemberMap::ReserveEntries(uint32_t count)
{
    entryCount_ = count;
    const int32_t needed = static_cast<int32_t>(8 * count + 34);
    if (GetColumnSize() < needed) {
        SetSQLSize(needed);
        GetColumn().SetSize(static_cast<uint32_t>(GetColumnSize()));
    }
    if (child_) {
        child_->ReserveEntries(count);
    }
}

bool KxGBlobContainerMemberMap::IsOverflow(KxGRowContext& rows)
{
    const uint8_t* start = GetStart(rows);
    return start != nullptr && GetCapacity() >= kUsedAt + 4 && LongLoad(start + kUsedAt) > GetCapacity();
}

bool KxGBlobContainerMemberMap::IsNull(KxGRowContext& rows)
{
    const uint8_t* indicator =
        rows.IndicatorAddress(GetRowOffset(), GetBufferSize(), GetIndSize(), rows.GetCurrentRow());
    return indicator != nullptr && GetTypeHdl() != nullptr && GetTypeHdl()->IsNull(indicator) != 0;
}

void KxGBlobContainerMemberMap::SetNull(KxGRowContext& rows)
{
    uint8_t* indicator = rows.IndicatorAddress(GetRowOffset(), GetBufferSize(), GetIndSize(), rows.GetCurrentRow());
    if (indicator != nullptr && GetTypeHdl() != nullptr) {
        GetTypeHdl()->SetNull(indicator);
    }
}

void KxGBlobContainerMemberMap::Clear(KxGRowContext& rows)
{
    if (uint8_t* slot = rows.ValueAddress(GetRowOffset(), GetBufferSize(), rows.GetCurrentRow())) {
        std::memset(slot, 0, static_cast<size_t>(GetBufferSize()));
    }
}

uint32_t KxGBlobContainerMemberMap::GetOidFlag() const
{
    KxGDatabase* database = DatabaseOf(schemaMap_);
    KxGTypeHdlMgr* manager = database != nullptr ? database->GetTypeHdlMgr() : nullptr;
    return manager != nullptr && (manager->GetFlags() & KXG_TYPEMGR_OID48_IN_USE) != 0 ? 1 : 0;
}

int32_t KxGBlobContainerMemberMap::PackObject(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps,
                                              uint32_t entryCount, uint16_t classVersion, KxObjectAlias& object,
                                              KxGRowContext& rows, uint32_t& required)
{
    required = 0;
    int32_t status = OpenContainer(rows, entryCount, classVersion, GetOidFlag());
    if (status != 0) {
        required = HeaderSize() + KXG_BLOB_SLOT_PREFIX;
        return status;
    }
    uint32_t missing = 0;
    uint8_t* end = GetStart(rows) + HeaderSize();
    for (KxGMemberMap* memberMap : memberMaps) {
        const int32_t entry = memberMap != nullptr && memberMap->AsBlobSetMemberMap() == nullptr
                                  ? GetEntryIndex(memberMap)
                                  : -1;
        if (entry < 0) {
            continue;
        }
        uint8_t* data = nullptr;
        uint16_t oidFlag = 0;
        status = BeginEntry(static_cast<uint32_t>(entry), 0, rows, data, oidFlag);
        if (status != 0) {
            return status;
        }
        uint8_t* position = data;
        uint32_t needed = 0;
        status = memberMap->StreamOut(typeMgr, position, object, GetRoom(rows, data), needed);
        if (status == KXG_E_BLOB_CONTAINER_TOO_SMALL) {
            // Left out: the entry stays empty and the packing goes on to learn the whole need.
            uint8_t* slot = GetStart(rows) + KXG_BLOB_CONTAINER_FIXED + 8 * static_cast<uint32_t>(entry);
            LongStore(slot, 0);
            LongStore(slot + 4, 0);
            missing += needed;
            continue;
        }
        if (status != 0) {
            return status;
        }
        status = EndEntry(static_cast<uint32_t>(entry), position, rows);
        if (status != 0) {
            return status;
        }
        end = position;
    }
    if (missing != 0) {
        required = static_cast<uint32_t>(end - GetStart(rows)) + missing + KXG_BLOB_SLOT_PREFIX;
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return CloseContainer(end, rows);
}

int32_t KxGBlobContainerMemberMap::UnpackObject(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps,
                                                KxGRowContext& rows, KxObjectAlias& object)
{
    if (child_) {
        // The class row holds the locator: the container is read through it.
        KxGContext context(DatabaseOf(schemaMap_));
        return UnpackThroughChild(typeMgr, memberMaps, rows, object, &context);
    }
    for (KxGMemberMap* memberMap : memberMaps) {
        const int32_t entry = memberMap != nullptr && memberMap->AsBlobSetMemberMap() == nullptr
                                  ? GetEntryIndex(memberMap)
                                  : -1;
        if (entry < 0) {
            continue;
        }
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        uint32_t available = 0;
        int32_t status = GetEntry(static_cast<uint32_t>(entry), rows, data, length, available);
        if (status == 0 && data != nullptr) {
            status = memberMap->StreamIn(typeMgr, data, object, length);
        }
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

int32_t KxGBlobContainerMemberMap::WriteThroughChild(KxGRowContext& rows, const KxGSQLBuffer& value,
                                                     KxGContext* context)
{
    if (!child_ || child_->GetTypeHdl() == nullptr) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    // The value's bytes in use, checked against the buffer they lie in.
    const int32_t slotBytes = value.GetRowWidth() - GetIndSize();
    if (value.GetData() == nullptr || value.GetRowCount() < 1 || slotBytes < static_cast<int32_t>(KXG_BLOB_SLOT_PREFIX) + 4) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const uint32_t used = LongLoad(value.GetData() + KXG_BLOB_SLOT_PREFIX + kUsedAt);
    if (used < KXG_BLOB_CONTAINER_FIXED + 8 || used > static_cast<uint32_t>(slotBytes) - KXG_BLOB_SLOT_PREFIX) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    // The locator takes the slot form cut to the bytes in use.
    KxGSQLBuffer exact(static_cast<int32_t>(used + KXG_BLOB_SLOT_PREFIX));
    exact.Allocate(1);
    if (exact.GetData() == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    std::memcpy(exact.GetData(), value.GetData(), used + KXG_BLOB_SLOT_PREFIX);
    const int32_t row = rows.GetCurrentRow();
    uint8_t* slot = rows.ValueAddress(child_->GetRowOffset(), child_->GetBufferSize(), row);
    uint8_t* indicator = rows.IndicatorAddress(child_->GetRowOffset(), child_->GetBufferSize(), child_->GetIndSize(), row);
    if (slot == nullptr) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return child_->GetTypeHdl()->VarToSQL(&exact, slot, indicator, child_->GetColumnSize(), context) != nullptr ? 0 : -1;
}

int32_t KxGBlobContainerMemberMap::UnpackThroughChild(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps,
                                                      KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    if (!child_ || child_->GetTypeHdl() == nullptr) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const int32_t row = rows.GetCurrentRow();
    uint8_t* slot = rows.ValueAddress(child_->GetRowOffset(), child_->GetBufferSize(), row);
    uint8_t* indicator = rows.IndicatorAddress(child_->GetRowOffset(), child_->GetBufferSize(), child_->GetIndSize(), row);
    if (slot == nullptr) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    if (indicator != nullptr && child_->GetTypeHdl()->IsNull(indicator) != 0) {
        return 0;
    }
    KxGSQLBuffer lob;
    if (child_->GetTypeHdl()->SQLToVar(slot, &lob, indicator, child_->GetColumnSize(), context) == nullptr) {
        return -1;
    }
    if (lob.GetData() == nullptr || lob.GetRowWidth() <= static_cast<int32_t>(KXG_BLOB_SLOT_PREFIX)) {
        return 0;   // null or empty: nothing was stored
    }
    // The value in the slot form with room for an indicator, read through a copy of this map placed
    // at offset 0 and sized to the value.
    KxGBlobContainerMemberMap reader(*this);
    reader.child_.reset();
    reader.SetOffset(0);
    reader.SetSQLSize(lob.GetRowWidth());
    if (reader.GetBufferSize() < lob.GetRowWidth()) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    KxGSQLBuffer whole(reader.GetBufferSize() + reader.GetIndSize());
    whole.Allocate(1);
    if (whole.GetData() == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    std::memcpy(whole.GetData(), lob.GetData(), static_cast<size_t>(lob.GetRowWidth()));
    KxGRowContext wholeRows(&whole);
    return reader.UnpackObject(typeMgr, memberMaps, wholeRows, object);
}

bool KxGBlobContainerMemberMap::IsContainerMember(KxGMemberMap& memberMap)
{
    if (memberMap.AsBlobContainerMemberMap() != nullptr) {
        return false;
    }
    const uint32_t storage = memberMap.GetStorageType();
    return storage == KXG_STORAGE_BLOB || storage == KXG_STORAGE_LARGE_STRING ||
           memberMap.AsBlobSetMemberMap() != nullptr;
}

void KxGBlobContainerMemberMap::AssignEntries(const std::vector<KxGMemberMap*>& memberMaps, uint32_t entryCount)
{
    entries_.clear();
    std::vector<bool> taken(entryCount + 1, false);
    for (KxGMemberMap* memberMap : memberMaps) {
        if (memberMap == nullptr || !IsContainerMember(*memberMap)) {
            continue;
        }
        uint32_t slot = memberMap->GetMemberPos();
        if (slot > entryCount || taken[slot]) {
            slot = 0;
            while (slot <= entryCount && taken[slot]) {
                ++slot;
            }
            if (slot > entryCount) {
                continue;   // more container members than entries: cannot happen for N = list size
            }
        }
        taken[slot] = true;
        entries_.emplace_back(memberMap, static_cast<uint16_t>(slot));
    }
}

int32_t KxGBlobContainerMemberMap::GetEntryIndex(const KxGMemberMap* memberMap) const
{
    for (const auto& [map, index] : entries_) {
        if (map == memberMap) {
            return index;
        }
    }
    return -1;
}

// ==== completion and loading ======================================================================

std::unique_ptr<KxGMemberMap> KxGCopyBlobContainer(KxGClassMap& classMap, KxGMemberMap& baseContainer)
{
    auto* base = dynamic_cast<KxGBlobContainerMemberMap*>(baseContainer.AsBlobContainerMemberMap());
    if (base == nullptr) {
        return nullptr;
    }
    auto copy = std::make_unique<KxGBlobContainerMemberMap>(*base);
    copy->SetOwner(&classMap);
    return copy;
}

int32_t KxGSizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries)
{
    auto* map = dynamic_cast<KxGBlobContainerMemberMap*>(container.AsBlobContainerMemberMap());
    if (map == nullptr) {
        return 0;
    }
    if (size > 0) {
        map->GrowContainer(size);
    }
    map->ReserveEntries(entries);
    if (KxGClassMap* owner = map->GetOwner()) {
        std::vector<KxGMemberMap*> list;
        for (uint32_t i = 0; i < owner->GetMemberMapCount(); ++i) {
            list.push_back(owner->GetMemberMap(i));
        }
        map->AssignEntries(list, entries);
    }
    return 0;
}

KxGBlobContainerMemberMap* KxGEnsureBlobContainer(KxGClassMap& classMap)
{
    if (KxGMemberMap* existing = classMap.GetBlobContainerMap()) {
        return dynamic_cast<KxGBlobContainerMemberMap*>(existing->AsBlobContainerMemberMap());
    }
    KxGClass* mappedClass = classMap.GetClass();
    for (uint32_t i = 0; mappedClass != nullptr && i < mappedClass->GetBaseCount(); ++i) {
        KxGClassMap* baseMap = mappedClass->GetBase(i)->GetClassMap();
        if (baseMap != nullptr && baseMap->GetBlobContainerMap() != nullptr) {
            std::unique_ptr<KxGMemberMap> copy = KxGCopyBlobContainer(classMap, *baseMap->GetBlobContainerMap());
            if (copy) {
                classMap.SetBlobContainerMap(std::move(copy));
                return dynamic_cast<KxGBlobContainerMemberMap*>(classMap.GetBlobContainerMap());
            }
        }
    }
    KxGSchemaMap* schemaMap = classMap.GetSchemaMap();
    const uint8_t type = schemaMap != nullptr ? schemaMap->GetOptionRegistry().GetBlobContainerType() : 0;
    classMap.SetBlobContainerMap(std::make_unique<KxGBlobContainerMemberMap>(schemaMap, type, 0, &classMap));
    return dynamic_cast<KxGBlobContainerMemberMap*>(classMap.GetBlobContainerMap());
}
