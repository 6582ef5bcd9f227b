// Row buffers.
#include "KxGSQLBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGStatusCodes.h"

namespace {


}  // namespace

// ---- KxGSQLBuffer --------------------------------------------------------------------------

KxGSQLBuffer::KxGSQLBuffer(int32_t rowWidth) : rowWidth_(rowWidth > 0 ? rowWidth : 0) {}

KxGSQLBuffer::KxGSQLBuffer(const KxGSQLBuffer& source, int32_t rows, int32_t firstRow)
    : rowWidth_(source.rowWidth_), count_(source.count_)
{
    // Column-major rows are not contiguous: only the whole block can be copied in one go.
    const bool wholeSource = rows > 0 && firstRow == 0 && rows == source.rowCount_;
    if (!wholeSource || source.data_ == nullptr) {
        return;
    }
    Allocate(rows);
    if (data_ != nullptr) {
        std::memcpy(data_, source.data_, size_t(rows) * size_t(rowWidth_));
    }
}

KxGSQLBuffer::~KxGSQLBuffer()
{
    Free();
}

void KxGSQLBuffer::Allocate(int32_t rows)
{
    if (data_ != nullptr && rows == rowCount_) {
        return;
    }
    Free();
    if (rows <= 0) {
        return;
    }
    const uint64_t bytes = uint64_t(rows) * uint64_t(rowWidth_);
    if (bytes > uint64_t(INT32_MAX)) {
        return;
    }
    // A zero row width still gets a block, so that an allocated buffer always has data.
    data_ = static_cast<uint8_t*>(std::calloc(bytes > 0 ? size_t(bytes) : 1, 1));
    if (data_ != nullptr) {
        rowCount_ = rows;
    }
}

void KxGSQLBuffer::Free()
{
    if (!borrowed_) {
        std::free(data_);
    }
    borrowed_ = false;
    data_ = nullptr;
    rowCount_ = 0;
}

void KxGSQLBuffer::Borrow(uint8_t* data, int32_t rows)
{
    Free();
    if (data != nullptr && rows > 0) {
        data_ = data;
        rowCount_ = rows;
        borrowed_ = true;
    }
}

void KxGSQLBuffer::SetRowWidth(int32_t rowWidth)
{
    if (rowWidth < 0) {
        rowWidth = 0;
    }
    if (rowWidth != rowWidth_) {
        Free();
        rowWidth_ = rowWidth;
    }
}

int32_t KxGSQLBuffer::ReserveColumn(int32_t bytes)
{
    const int32_t offset = rowWidth_;
    if (bytes > 0) {
        const int64_t width = int64_t(rowWidth_) + bytes;
        SetRowWidth(width > INT32_MAX ? INT32_MAX : static_cast<int32_t>(width));
    }
    return offset;
}

// ---- KxGVariableBuffer ---------------------------------------------------------------------

KxGVariableBuffer::KxGVariableBuffer(KxGMemoryLocation& location, KxGContext* context)
    : KxGSQLBuffer(location.GetOffset() + location.GetValueSize() + location.GetIndSize())
{
    Allocate(1);
    location.Variable2SQLBuffer(*this, context);
}

// ---- KxGSQLObjectBuffer --------------------------------------------------------------------

KxGSQLObjectBuffer::KxGSQLObjectBuffer(int32_t rowWidth, KxGDatabase* database, uint16_t descriptorsPerRow)
    : KxGSQLBuffer(rowWidth), database_(database), descriptorsPerRow_(descriptorsPerRow)
{
}

KxGSQLObjectBuffer::KxGSQLObjectBuffer(KxGSQLObjectBuffer& source, int32_t rows)
    : KxGSQLBuffer(source, rows, 0), database_(source.database_), descriptorsPerRow_(source.descriptorsPerRow_)
{
    if (GetData() != nullptr && GetRowCount() == rows) {
        SetCurrentRow(0);
        if (MoveDescriptors(source, 0, rows) < 0) {
            // The copy cannot keep the descriptors: hand back an empty buffer so that they stay with
            // the source and are freed exactly once.
            Free();
        }
    }
}

KxGSQLObjectBuffer::~KxGSQLObjectBuffer()
{
    FreeAllDescriptors();
}

bool KxGSQLObjectBuffer::CoverRows(int32_t rows)
{
    const size_t needed = size_t(rows) * descriptorsPerRow_;
    if (descriptors_.size() >= needed) {
        return true;
    }
    try {
        descriptors_.resize(needed, Descriptor{0, 0});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void KxGSQLObjectBuffer::FreeEntry(Descriptor& entry)
{
    if (entry.handle != 0 && database_ != nullptr) {
        database_->FreeDescriptor(static_cast<int16_t>(entry.kind), entry.handle);
    }
    entry = Descriptor{0, 0};
}

int32_t KxGSQLObjectBuffer::SetDescriptor(uint16_t index, uint16_t kind, uintptr_t handle)
{
    const int32_t row = GetCurrentRow();
    if (index >= descriptorsPerRow_ || row < 0 || row >= GetRowCount()) {
        return KXG_E_INVALID_PARAMETER;
    }
    if (!CoverRows(row + 1)) {
        return KXG_E_NO_MEMORY;
    }
    Descriptor& entry = descriptors_[size_t(row) * descriptorsPerRow_ + index];
    if (entry.handle != handle) {
        FreeEntry(entry);
    }
    entry = Descriptor{kind, handle};
    return 0;
}

int32_t KxGSQLObjectBuffer::MoveDescriptors(KxGSQLObjectBuffer& source, int32_t firstRow, int32_t rows)
{
    const int32_t target = GetCurrentRow();
    if (rows < 0 || firstRow < 0 || target < 0 || source.descriptorsPerRow_ != descriptorsPerRow_ ||
        int64_t(firstRow) + rows > source.GetRowCount() || int64_t(target) + rows > GetRowCount()) {
        return KXG_E_INVALID_PARAMETER;
    }
    if (rows == 0 || descriptorsPerRow_ == 0) {
        return 0;
    }
    if (!CoverRows(target + rows)) {
        return KXG_E_NO_MEMORY;
    }
    const size_t perRow = descriptorsPerRow_;
    const size_t entries = size_t(rows) * perRow;
    // Taken out first, so that a move inside one buffer between overlapping rows stays right.
    std::vector<Descriptor> moving;
    try {
        moving.assign(entries, Descriptor{0, 0});
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    const size_t from = size_t(firstRow) * perRow;
    for (size_t i = 0; i < entries && from + i < source.descriptors_.size(); ++i) {
        moving[i] = source.descriptors_[from + i];
        source.descriptors_[from + i] = Descriptor{0, 0};
    }
    const size_t to = size_t(target) * perRow;
    for (size_t i = 0; i < entries; ++i) {
        Descriptor& entry = descriptors_[to + i];
        if (entry.handle != moving[i].handle) {
            FreeEntry(entry);
        }
        entry = moving[i];
    }
    return 0;
}

void KxGSQLObjectBuffer::FreeDescriptors(int32_t row)
{
    if (row < 0 || descriptorsPerRow_ == 0) {
        return;
    }
    const size_t first = size_t(row) * descriptorsPerRow_;
    for (size_t i = first; i < first + descriptorsPerRow_ && i < descriptors_.size(); ++i) {
        FreeEntry(descriptors_[i]);
    }
}

void KxGSQLObjectBuffer::FreeAllDescriptors()
{
    for (Descriptor& entry : descriptors_) {
        FreeEntry(entry);
    }
}

KxGSQLObjectBuffer::Descriptor KxGSQLObjectBuffer::GetDescriptor(int32_t row, uint16_t index) const
{
    if (row < 0 || index >= descriptorsPerRow_) {
        return Descriptor{0, 0};
    }
    const size_t at = size_t(row) * descriptorsPerRow_ + index;
    return at < descriptors_.size() ? descriptors_[at] : Descriptor{0, 0};
}
