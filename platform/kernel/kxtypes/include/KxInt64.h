// KxInt64: a signed 64-bit integer value; KxBoolean: a one-byte truth value.
#pragma once

#include <cstdint>

#include "KxString.h"

class KxInt64 {
public:
    KxInt64() = default;
    KxInt64(int64_t v) : v_(v) {}
    KxInt64& operator=(int64_t v) { v_ = v; return *this; }

    int64_t Get() const { return v_; }
    void Set(int64_t v) { v_ = v; }
    operator int64_t() const { return v_; }

    // Decimal; a format, when given, is a printf conversion for one integer (d, i, u, x, X or o
    // with flags, width and precision; length modifiers are ignored). Scanning reads a decimal
    // number with an optional sign and surrounding blanks (hexadecimal or octal when the format's
    // conversion is x, X or o); KX_TYPES_E_SCAN or KX_TYPES_E_OVERFLOW leave the value unchanged.
    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    int64_t v_ = 0;
};
static_assert(sizeof(KxInt64) == 8, "KxInt64 is 8 bytes");

// True exactly when its byte is 1; any other byte counts as false.
class KxBoolean {
public:
    KxBoolean() = default;
    KxBoolean(bool b) : b_(b ? 1 : 0) {}
    KxBoolean& operator=(bool b) { b_ = b ? 1 : 0; return *this; }

    bool IsTrue() const { return b_ == 1; }
    explicit operator bool() const { return IsTrue(); }
    uint8_t GetByte() const { return b_; }
    void SetByte(uint8_t b) { b_ = b; }

    bool operator==(const KxBoolean& o) const { return IsTrue() == o.IsTrue(); }
    bool operator!=(const KxBoolean& o) const { return !(*this == o); }

private:
    uint8_t b_ = 0;
};
static_assert(sizeof(KxBoolean) == 1, "KxBoolean is 1 byte");
