#include "MemFile.h"

#include <cstring>
#include <new>

MemFile::MemFile(uint32_t capacity) : capacity_(capacity) {}

int32_t MemFile::Write(const void* data, uint32_t len) {
    if (len == 0) return KX_FOUND_OK;
    if (!data) return KX_FOUND_E_INVALID;
    const uint64_t end = static_cast<uint64_t>(pos_) + len;
    if (end > UINT32_MAX || (capacity_ != 0 && end > capacity_)) return KX_FOUND_E_NO_MEMORY;
    try {
        if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end));
    } catch (const std::bad_alloc&) {
        return KX_FOUND_E_NO_MEMORY;
    }
    std::memcpy(bytes_.data() + pos_, data, len);
    pos_ = static_cast<uint32_t>(end);
    return KX_FOUND_OK;
}

int32_t MemFile::Read(void* out, uint32_t len) {
    if (len == 0) return KX_FOUND_OK;
    if (!out) return KX_FOUND_E_INVALID;
    if (static_cast<uint64_t>(pos_) + len > bytes_.size()) return KX_FOUND_E_END_OF_LIST;
    std::memcpy(out, bytes_.data() + pos_, len);
    pos_ += len;
    return KX_FOUND_OK;
}

int32_t MemFile::Seek(uint32_t position) {
    if (position > bytes_.size()) return KX_FOUND_E_END_OF_LIST;
    pos_ = position;
    return KX_FOUND_OK;
}

uint32_t MemFile::Tell() const { return pos_; }
uint32_t MemFile::Length() const { return static_cast<uint32_t>(bytes_.size()); }
uint32_t MemFile::Capacity() const { return capacity_; }
const uint8_t* MemFile::Data() const { return bytes_.data(); }

void MemFile::Clear() {
    bytes_.clear();
    pos_ = 0;
}
