// Memory locations.
#include "KxGMemoryLocation.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "KxGSQLBuffer.h"
#include "KxGTypeHdl.h"

namespace {

int32_t NotNegative(int32_t n)
{
    return n > 0 ? n : 0;
}

}  // namespace

KxGMemoryLocation::KxGMemoryLocation(KxGTypeHdl* typeHdl, void* variable, bool nullable)
    : typeHdl_(typeHdl),
      columnSize_(typeHdl != nullptr ? typeHdl->ColumnSize(1) : 0),
      valueSize_(typeHdl != nullptr ? NotNegative(typeHdl->BufferSize(1)) : 0),
      indSize_(nullable && typeHdl != nullptr ? static_cast<uint8_t>(NotNegative(typeHdl->IndSize())) : 0),
      variable_(variable)
{
}

KxGMemoryLocation::~KxGMemoryLocation() = default;

KxGMemoryLocation* KxGMemoryLocation::Clone() const
{
    return new (std::nothrow) KxGMemoryLocation(*this);
}

void* KxGMemoryLocation::GetVariableAddress(void*)
{
    return variable_;
}

void KxGMemoryLocation::SetSQLSize(int32_t n)
{
    if (typeHdl_ == nullptr) {
        return;
    }
    columnSize_ = typeHdl_->ColumnSize(n);
    valueSize_ = NotNegative(typeHdl_->BufferSize(n));
}

void KxGMemoryLocation::JoinBuffer(KxGSQLBuffer& buffer)
{
    offset_ = buffer.ReserveColumn(valueSize_ + indSize_);
}

void* KxGMemoryLocation::GetSQLAddress(const KxGSQLBuffer& buffer) const
{
    const int64_t rows = buffer.GetRowCount();
    const int64_t row = buffer.GetCurrentRow();
    if (buffer.GetData() == nullptr || row < 0 || row >= rows ||
        int64_t(offset_) + valueSize_ + indSize_ > buffer.GetRowWidth()) {
        return nullptr;
    }
    return buffer.GetData() + rows * offset_ + row * valueSize_;
}

void* KxGMemoryLocation::GetNullValueAddress(const KxGSQLBuffer& buffer) const
{
    if (indSize_ == 0 || GetSQLAddress(buffer) == nullptr) {
        return nullptr;
    }
    const int64_t rows = buffer.GetRowCount();
    return buffer.GetData() + rows * (int64_t(offset_) + valueSize_) + buffer.GetCurrentRow() * int64_t(indSize_);
}

void* KxGMemoryLocation::ToBuffer(KxGSQLBuffer& buffer, void* variable, KxGContext* context)
{
    void* sqlValue = GetSQLAddress(buffer);
    if (sqlValue == nullptr || typeHdl_ == nullptr) {
        return nullptr;
    }
    return typeHdl_->VarToSQL(variable, sqlValue, GetNullValueAddress(buffer), columnSize_, context);
}

void* KxGMemoryLocation::FromBuffer(KxGSQLBuffer& buffer, void* variable, KxGContext* context)
{
    void* sqlValue = GetSQLAddress(buffer);
    if (sqlValue == nullptr || typeHdl_ == nullptr) {
        return nullptr;
    }
    return typeHdl_->SQLToVar(sqlValue, variable, GetNullValueAddress(buffer), columnSize_, context);
}

void* KxGMemoryLocation::Variable2SQLBuffer(KxGSQLBuffer& buffer, KxGContext* context)
{
    return ToBuffer(buffer, variable_, context);
}

void* KxGMemoryLocation::SQLBuffer2Variable(KxGSQLBuffer& buffer, KxGContext* context)
{
    return FromBuffer(buffer, variable_, context);
}

void* KxGMemoryLocation::Variable2SQLBuffer(KxGSQLBuffer& buffer, void* object, KxGContext* context)
{
    return ToBuffer(buffer, GetVariableAddress(object), context);
}

void* KxGMemoryLocation::SQLBuffer2Variable(KxGSQLBuffer& buffer, void* object, KxGContext* context)
{
    return FromBuffer(buffer, GetVariableAddress(object), context);
}

void KxGMemoryLocation::ValueToText(KxGSQLBuffer& buffer, KxString& text, KxGContext* context)
{
    const void* sqlValue = GetSQLAddress(buffer);
    if (sqlValue == nullptr || typeHdl_ == nullptr) {
        return;
    }
    typeHdl_->ValueToText(sqlValue, text, columnSize_, context);
}

void KxGMemoryLocation::CopyValue(const KxGSQLBuffer& source, const KxGMemoryLocation& destination,
                                  KxGSQLBuffer& destinationBuffer) const
{
    const void* from = GetSQLAddress(source);
    void* to = destination.GetSQLAddress(destinationBuffer);
    if (from == nullptr || to == nullptr) {
        return;
    }
    std::memmove(to, from, size_t(std::min(valueSize_, destination.valueSize_)));
    const void* fromIndicator = GetNullValueAddress(source);
    void* toIndicator = destination.GetNullValueAddress(destinationBuffer);
    if (fromIndicator != nullptr && toIndicator != nullptr) {
        std::memmove(toIndicator, fromIndicator, std::min(indSize_, destination.indSize_));
    }
}
