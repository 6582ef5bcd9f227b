// An in-memory file: a byte buffer with a position that reads and writes advance.
#pragma once

#include <cstdint>
#include <vector>

#include "KxFoundStatus.h"

class MemFile {
public:
    // capacity 0: the file grows as needed; otherwise it never holds more than capacity bytes.
    explicit MemFile(uint32_t capacity = 0);

    // Writes len bytes at the position (overwriting, then extending the file) and advances.
    // KX_FOUND_E_NO_MEMORY (nothing written) when they do not fit the capacity.
    int32_t Write(const void* data, uint32_t len);
    // Reads len bytes from the position and advances. KX_FOUND_E_END_OF_LIST (nothing read, position
    // unchanged) when fewer than len bytes remain.
    int32_t Read(void* out, uint32_t len);
    // Moves the position; anywhere from 0 to Length() (KX_FOUND_E_END_OF_LIST beyond).
    int32_t Seek(uint32_t position);
    uint32_t Tell() const;
    uint32_t Length() const;
    uint32_t Capacity() const;                 // 0 when unlimited
    const uint8_t* Data() const;               // the file's bytes (Length() of them)
    void Clear();                              // length and position 0

private:
    std::vector<uint8_t> bytes_;
    uint32_t capacity_;
    uint32_t pos_ = 0;
};
