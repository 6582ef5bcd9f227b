// KxBlob: a block of bytes with a read/write position.
#pragma once

#include <cstdint>
#include <vector>

#include "KxTypesStatus.h"

class KxBlob {
public:
    KxBlob() = default;
    KxBlob(const void* data, uint32_t length);

    uint32_t Length() const { return static_cast<uint32_t>(data_.size()); }
    bool IsEmpty() const { return data_.empty(); }
    const uint8_t* Data() const { return data_.data(); }   // null or dangling for an empty blob:
    uint8_t* Data() { return data_.data(); }               // use with Length()

    // Replaces the contents by a copy of length bytes (data may be null only when length is 0);
    // the position returns to 0. KX_TYPES_E_INVALID for null data with a length.
    int32_t SetTo(const void* data, uint32_t length);
    // New length; added bytes are 0; the position is kept within the new length.
    int32_t Resize(uint32_t length);
    // No bytes, position 0.
    void Empty();

    // The position for Read and Write: 0..Length(); past the end gives KX_TYPES_E_RANGE.
    int32_t Seek(uint32_t position);
    uint32_t Position() const { return pos_; }
    // Copies up to n bytes from the position and advances; the number of bytes read.
    uint32_t Read(void* out, uint32_t n);
    // Writes n bytes at the position, growing the blob as needed, and advances. 0 or
    // KX_TYPES_E_INVALID (null data with a length).
    int32_t Write(const void* data, uint32_t n);

    // Same bytes (the position is not compared).
    bool operator==(const KxBlob& o) const { return data_ == o.data_; }
    bool operator!=(const KxBlob& o) const { return !(*this == o); }

private:
    std::vector<uint8_t> data_;
    uint32_t pos_ = 0;
};
