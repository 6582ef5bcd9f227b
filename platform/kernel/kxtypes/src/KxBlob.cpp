#include "KxBlob.h"

#include <algorithm>
#include <cstring>

KxBlob::KxBlob(const void* data, uint32_t length) { SetTo(data, length); }

int32_t KxBlob::SetTo(const void* data, uint32_t length) {
    if (data == nullptr && length != 0) return KX_TYPES_E_INVALID;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(p, p + length);   // data may lie inside this blob
    data_.swap(copy);
    pos_ = 0;
    return KX_TYPES_OK;
}

int32_t KxBlob::Resize(uint32_t length) {
    data_.resize(length, 0);
    pos_ = std::min(pos_, length);
    return KX_TYPES_OK;
}

void KxBlob::Empty() {
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
}

int32_t KxBlob::Seek(uint32_t position) {
    if (position > Length()) return KX_TYPES_E_RANGE;
    pos_ = position;
    return KX_TYPES_OK;
}

uint32_t KxBlob::Read(void* out, uint32_t n) {
    const uint32_t avail = Length() - pos_;
    const uint32_t count = std::min(n, avail);
    if (count == 0 || out == nullptr) return 0;
    std::memcpy(out, data_.data() + pos_, count);
    pos_ += count;
    return count;
}

int32_t KxBlob::Write(const void* data, uint32_t n) {
    if (n == 0) return KX_TYPES_OK;
    if (data == nullptr) return KX_TYPES_E_INVALID;
    const uint64_t end = uint64_t(pos_) + n;
    if (end > UINT32_MAX) return KX_TYPES_E_RANGE;
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    if (end > data_.size()) data_.resize(static_cast<size_t>(end), 0);
    std::memcpy(data_.data() + pos_, copy.data(), n);
    pos_ = static_cast<uint32_t>(end);
    return KX_TYPES_OK;
}
