// KxObjId: a 48-bit object id, KxClassId: a class number with its version.
#pragma once

#include <cstdint>

#include "KxString.h"

// An object id: a 32-bit low word and a 16-bit high word, together one 48-bit number
// (high x 2^32 + low). A third 16-bit word may carry the id's origin; it is not part of the value:
// comparison, arithmetic, printing and storage ignore it. The all-zero id is the null id.
class KxObjId {
public:
    static constexpr uint64_t kMaxValue = (uint64_t(1) << 48) - 1;

    KxObjId() = default;
    explicit KxObjId(uint32_t low, uint16_t high = 0, uint16_t origin = 0)
        : low_(low), high_(high), origin_(origin) {}

    uint32_t GetLow() const { return low_; }
    uint16_t GetHigh() const { return high_; }
    uint16_t GetOrigin() const { return origin_; }
    void SetLow(uint32_t low) { low_ = low; }
    void SetHigh(uint16_t high) { high_ = high; }
    void SetOrigin(uint16_t origin) { origin_ = origin; }

    // The id as one number, and back: KX_TYPES_E_OVERFLOW (id unchanged) past 48 bits.
    uint64_t Get64() const { return (uint64_t(high_) << 32) | low_; }
    int32_t Set64(uint64_t value);

    bool IsNull() const { return low_ == 0 && high_ == 0; }
    void Clear() { low_ = 0; high_ = 0; origin_ = 0; }

    // Adds n (which may be negative), carrying between the low and the high word.
    // A result below 0 or past 48 bits gives KX_TYPES_E_OVERFLOW and leaves the id unchanged.
    int32_t Add(int64_t n);

    // High word first, then low word; the origin is ignored.
    int32_t Compare(const KxObjId& other) const;
    bool operator==(const KxObjId& o) const { return high_ == o.high_ && low_ == o.low_; }
    bool operator!=(const KxObjId& o) const { return !(*this == o); }
    bool operator<(const KxObjId& o) const { return Compare(o) < 0; }
    bool operator<=(const KxObjId& o) const { return Compare(o) <= 0; }
    bool operator>(const KxObjId& o) const { return Compare(o) > 0; }
    bool operator>=(const KxObjId& o) const { return Compare(o) >= 0; }

    // One unsigned decimal number (the format is not used). Scanning accepts surrounding blanks;
    // anything else than digits gives KX_TYPES_E_SCAN, a number past 48 bits KX_TYPES_E_OVERFLOW;
    // on failure the id is unchanged. Scanning keeps the origin word.
    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    uint32_t low_ = 0;
    uint16_t high_ = 0;
    uint16_t origin_ = 0;
};
static_assert(sizeof(KxObjId) == 8, "KxObjId is 8 bytes");

// A class id: the class number (first half) and the class version (second half).
// The all-zero class id is the invalid class id.
class KxClassId {
public:
    KxClassId() = default;
    KxClassId(uint16_t classNumber, uint16_t version) : number_(classNumber), version_(version) {}

    uint16_t GetClassNumber() const { return number_; }
    uint16_t GetVersion() const { return version_; }
    void SetClassNumber(uint16_t n) { number_ = n; }
    void SetVersion(uint16_t v) { version_ = v; }

    bool IsInvalid() const { return number_ == 0 && version_ == 0; }
    static const KxClassId& Invalid();

    // Class number first, then version.
    int32_t Compare(const KxClassId& other) const;
    bool operator==(const KxClassId& o) const { return number_ == o.number_ && version_ == o.version_; }
    bool operator!=(const KxClassId& o) const { return !(*this == o); }
    bool operator<(const KxClassId& o) const { return Compare(o) < 0; }

    // "number.version", e.g. "17.2"; scanning also takes a bare number (version 0).
    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    uint16_t number_ = 0;
    uint16_t version_ = 0;
};
static_assert(sizeof(KxClassId) == 4, "KxClassId is 4 bytes");
