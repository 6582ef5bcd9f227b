// The nullable value types: a value with a null flag. A default value is null (the value 0 with
// the flag set); a value given at construction or by assignment clears the flag; setNull zeroes
// the value and sets the flag. Each type carries its kernel type code (KxTypeMgr.h).
#pragma once

#include <cstdint>

#include "KxInt64.h"

template <class T, uint8_t Code>
class KxNullValue {
public:
    using ValueType = T;
    static constexpr uint8_t kTypeCode = Code;

    KxNullValue() : value_(), null_(true) {}
    KxNullValue(const T& value) : value_(value), null_(false) {}
    KxNullValue& operator=(const T& value) {
        value_ = value;
        null_ = false;
        return *this;
    }

    bool isNull() const { return null_; }
    void setNull() {
        value_ = T();
        null_ = true;
    }
    // The held value (0 when null).
    const T& getValue() const { return value_; }

    // Two null values are equal; otherwise the values are compared.
    bool operator==(const KxNullValue& o) const {
        return null_ == o.null_ && (null_ || value_ == o.value_);
    }
    bool operator!=(const KxNullValue& o) const { return !(*this == o); }

private:
    T value_;
    bool null_;
};

using KxNull_char = KxNullValue<char, 28>;
using KxNull_uchar = KxNullValue<uint8_t, 29>;
using KxNull_short = KxNullValue<int16_t, 30>;
using KxNull_ushort = KxNullValue<uint16_t, 31>;
using KxNull_int = KxNullValue<int32_t, 32>;
using KxNull_unsigned = KxNullValue<uint32_t, 33>;
using KxNull_long = KxNullValue<int32_t, 34>;
using KxNull_ulong = KxNullValue<uint32_t, 35>;
using KxNull_float = KxNullValue<float, 36>;
using KxNull_double = KxNullValue<double, 37>;
using KxNull_KxInt64 = KxNullValue<KxInt64, 38>;
using KxNull_8b = KxNullValue<int64_t, 44>;
using KxNull_u8b = KxNullValue<uint64_t, 45>;
