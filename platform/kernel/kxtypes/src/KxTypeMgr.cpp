#include "KxTypeMgr.h"

#include "kxlocale.h"

#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxFormat.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxNull.h"
#include "KxObjId.h"

using namespace kxtypes_detail;

namespace {

// ---------------------------------------------------------------------------------------------
// Storage byte order: little-endian, whatever the machine.

void PutLE(uint8_t* d, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t GetLE(const uint8_t* s, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint64_t(s[i]) << (8 * i);
    return v;
}

// One row of the type table.
struct Row {
    uint8_t code;
    const char* name;
    uint32_t memLen;
    uint32_t (*diskLen)(const void* value);                                // value may be null
    void (*store)(const void* value, uint8_t* dest);                       // exactly diskLen bytes
    int32_t (*load)(void* value, const uint8_t* src, uint32_t available);  // bytes read or status
    int32_t (*print)(const void* value, KxString& out, const char* format);
    int32_t (*scan)(const KxString& in, void* value, const char* format);
    void* (*create)();
    void (*destroy)(void* value);
};

template <class T>
void* CreateValue() { return new T(); }
template <class T>
void DestroyValue(void* p) { delete static_cast<T*>(p); }

// ---------------------------------------------------------------------------------------------
// Integers: 1, 2, 5 to 9, 42, 43 (and the char and byte variants below)

template <class T>
struct IntOps {
    using U = std::make_unsigned_t<T>;
    static constexpr uint32_t kLen = sizeof(T);
    static uint32_t DiskLen(const void*) { return kLen; }
    static void Store(const void* v, uint8_t* d) {
        PutLE(d, static_cast<U>(*static_cast<const T*>(v)), kLen);
    }
    static int32_t Load(void* v, const uint8_t* s, uint32_t avail) {
        if (avail < kLen) return KX_TYPES_E_RANGE;
        *static_cast<T*>(v) = static_cast<T>(static_cast<U>(GetLE(s, kLen)));
        return kLen;
    }
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const T v = *static_cast<const T*>(vp);
        if (format == nullptr) {
            if constexpr (std::is_signed_v<T>) out = KxString(static_cast<int64_t>(v));
            else out = KxString(static_cast<uint64_t>(v));
            return KX_TYPES_OK;
        }
        NumFormat nf;
        int32_t rc = ParseNumFormat(format, true, false, false, nf);
        if (rc != KX_TYPES_OK) return rc;
        if constexpr (std::is_signed_v<T>) out = KxString(FormatSigned(nf, v));
        else out = KxString(FormatUnsigned(nf, v));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char* format) {
        if (!in.IsActive()) return KX_TYPES_E_SCAN;
        const int base = NumFormatBase(format);
        if constexpr (std::is_signed_v<T>) {
            int64_t v;
            int32_t rc = ParseSigned(in.StrGet(), base, std::numeric_limits<T>::min(),
                                     std::numeric_limits<T>::max(), v);
            if (rc != KX_TYPES_OK) return rc;
            *static_cast<T*>(vp) = static_cast<T>(v);
        } else {
            uint64_t v;
            int32_t rc = ParseUnsigned(in.StrGet(), base, std::numeric_limits<T>::max(), v);
            if (rc != KX_TYPES_OK) return rc;
            *static_cast<T*>(vp) = static_cast<T>(v);
        }
        return KX_TYPES_OK;
    }
};

bool IsCharFormat(const char* format) {
    NumFormat nf;
    return format == nullptr ||
           (ParseNumFormat(format, false, false, true, nf) == KX_TYPES_OK && nf.conv == 'c');
}

// 0 char: the character itself, or a number with an integer format.
struct CharOps : IntOps<char> {
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const char c = *static_cast<const char*>(vp);
        if (format == nullptr) {
            out = KxString(&c, 1);
            return KX_TYPES_OK;
        }
        NumFormat nf;
        int32_t rc = ParseNumFormat(format, true, false, true, nf);
        if (rc != KX_TYPES_OK) return rc;
        const std::string text = nf.conv == 'c' ? FormatChar(nf, c) : FormatSigned(nf, c);
        out = KxString(text.data(), static_cast<uint32_t>(text.size()));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char* format) {
        if (!in.IsActive()) return KX_TYPES_E_SCAN;
        if (IsCharFormat(format)) {
            if (in.Len() != 1) return KX_TYPES_E_SCAN;
            *static_cast<char*>(vp) = in.StrGet()[0];
            return KX_TYPES_OK;
        }
        int64_t v;
        int32_t rc = ParseSigned(in.StrGet(), NumFormatBase(format), -128, 255, v);
        if (rc != KX_TYPES_OK) return rc;
        *static_cast<char*>(vp) = static_cast<char>(static_cast<uint8_t>(v));
        return KX_TYPES_OK;
    }
};

// 10 byte: decimal, or the character with a %c format.
struct ByteOps : IntOps<uint8_t> {
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const uint8_t b = *static_cast<const uint8_t*>(vp);
        if (format == nullptr) {
            out = KxString(static_cast<uint32_t>(b));
            return KX_TYPES_OK;
        }
        NumFormat nf;
        int32_t rc = ParseNumFormat(format, true, false, true, nf);
        if (rc != KX_TYPES_OK) return rc;
        const std::string text = nf.conv == 'c' ? FormatChar(nf, static_cast<char>(b)) : FormatUnsigned(nf, b);
        out = KxString(text.data(), static_cast<uint32_t>(text.size()));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char* format) {
        if (!in.IsActive()) return KX_TYPES_E_SCAN;
        if (format != nullptr && IsCharFormat(format)) {
            if (in.Len() != 1) return KX_TYPES_E_SCAN;
            *static_cast<uint8_t*>(vp) = static_cast<uint8_t>(in.StrGet()[0]);
            return KX_TYPES_OK;
        }
        return IntOps<uint8_t>::Scan(in, vp, format);
    }
};

// ---------------------------------------------------------------------------------------------
// Reals: 3 double, 4 float (IEEE-754 bits)

template <class T, class Bits>
struct RealOps {
    static_assert(sizeof(T) == sizeof(Bits));
    static constexpr uint32_t kLen = sizeof(T);
    static uint32_t DiskLen(const void*) { return kLen; }
    static void Store(const void* v, uint8_t* d) {
        Bits b;
        std::memcpy(&b, v, sizeof b);
        PutLE(d, b, kLen);
    }
    static int32_t Load(void* v, const uint8_t* s, uint32_t avail) {
        if (avail < kLen) return KX_TYPES_E_RANGE;
        Bits b = static_cast<Bits>(GetLE(s, kLen));
        std::memcpy(v, &b, sizeof b);
        return kLen;
    }
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const T v = *static_cast<const T*>(vp);
        if (format == nullptr) {
            if constexpr (sizeof(T) == 4) out = KxString(ShortestFloat(v));
            else out = KxString(ShortestDouble(v));
            return KX_TYPES_OK;
        }
        NumFormat nf;
        int32_t rc = ParseNumFormat(format, false, true, false, nf);
        if (rc != KX_TYPES_OK) return rc;
        out = KxString(FormatReal(nf, static_cast<double>(v)));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char*) {
        if (!in.IsActive()) return KX_TYPES_E_SCAN;
        T v;
        int32_t rc;
        if constexpr (sizeof(T) == 4) rc = ParseFloat(in.StrGet(), v);
        else rc = ParseDouble(in.StrGet(), v);
        if (rc != KX_TYPES_OK) return rc;
        *static_cast<T*>(vp) = v;
        return KX_TYPES_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// Texts: 11 KxString, 20 KxIString, 21 KxCaseIString

constexpr uint32_t kInactiveLength = 0xFFFFFFFFu;
constexpr uint32_t kStringHeader = 6;

template <class T>
struct StringOps {
    static uint32_t DiskLen(const void* vp) {
        if (vp == nullptr) return 0;
        const KxString& s = *static_cast<const T*>(vp);
        if (!s.IsActive()) return kStringHeader;
        return kStringHeader + s.Len() * (s.Is16Bit() ? 2 : 1);
    }
    static void Store(const void* vp, uint8_t* d) {
        const KxString& s = *static_cast<const T*>(vp);
        d[0] = s.CodeSet();
        d[1] = s.Language();
        if (!s.IsActive()) {
            PutLE(d + 2, kInactiveLength, 4);
            return;
        }
        const uint32_t len = s.Len();
        PutLE(d + 2, len, 4);
        d += kStringHeader;
        if (s.Is16Bit()) {
            const std::u16string w = s.ToUtf16();
            for (char16_t c : w) {
                PutLE(d, c, 2);
                d += 2;
            }
        } else if (len > 0) {
            std::memcpy(d, s.StrGet(), len);
        }
    }
    static int32_t Load(void* vp, const uint8_t* src, uint32_t avail) {
        if (avail < kStringHeader) return KX_TYPES_E_RANGE;
        const uint8_t cs = src[0];
        const uint8_t lang = src[1];
        const uint32_t len = static_cast<uint32_t>(GetLE(src + 2, 4));
        const bool wide = cs > KX_CODESET_MAX8BIT;
        if (wide ? cs != KX_CODESET_UNICODE : (cs != 0 && cs != KX_CODESET_DEFAULT8))
            return KX_TYPES_E_CODESET;
        KxString s;
        uint64_t total = kStringHeader;
        if (len != kInactiveLength) {
            total += uint64_t(len) * (wide ? 2 : 1);
            if (total > avail) return KX_TYPES_E_RANGE;
            const uint8_t* p = src + kStringHeader;
            if (wide) {
                std::u16string w(len, u'\0');
                for (uint32_t i = 0; i < len; ++i) w[i] = static_cast<char16_t>(GetLE(p + 2 * i, 2));
                s = KxString(w);
            } else {
                s = KxString(reinterpret_cast<const char*>(p), len);
            }
        }
        s.SetCodeSet(cs);   // a known code set; for 8-bit texts a relabelling only
        s.SetLanguage(lang);
        *static_cast<T*>(vp) = s;
        return static_cast<int32_t>(total);
    }
    static int32_t Print(const void* vp, KxString& out, const char*) {
        out = static_cast<const KxString&>(*static_cast<const T*>(vp));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char*) {
        *static_cast<T*>(vp) = in;
        return KX_TYPES_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// Fixed-size kernel values

// 15, 17 object id: low word (4), high word (2).
struct ObjIdOps {
    static uint32_t DiskLen(const void*) { return 6; }
    static void Store(const void* vp, uint8_t* d) {
        const KxObjId& id = *static_cast<const KxObjId*>(vp);
        PutLE(d, id.GetLow(), 4);
        PutLE(d + 4, id.GetHigh(), 2);
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 6) return KX_TYPES_E_RANGE;
        *static_cast<KxObjId*>(vp) =
            KxObjId(static_cast<uint32_t>(GetLE(s, 4)), static_cast<uint16_t>(GetLE(s + 4, 2)));
        return 6;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxObjId*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxObjId*>(vp)->ScanFromKxString(in, f);
    }
};

// 16 class id: number (2), version (2).
struct ClassIdOps {
    static uint32_t DiskLen(const void*) { return 4; }
    static void Store(const void* vp, uint8_t* d) {
        const KxClassId& c = *static_cast<const KxClassId*>(vp);
        PutLE(d, c.GetClassNumber(), 2);
        PutLE(d + 2, c.GetVersion(), 2);
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 4) return KX_TYPES_E_RANGE;
        *static_cast<KxClassId*>(vp) =
            KxClassId(static_cast<uint16_t>(GetLE(s, 2)), static_cast<uint16_t>(GetLE(s + 2, 2)));
        return 4;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxClassId*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxClassId*>(vp)->ScanFromKxString(in, f);
    }
};

// 12 date: year (2), month, day.
struct DateOps {
    static uint32_t DiskLen(const void*) { return 4; }
    static void Store(const void* vp, uint8_t* d) {
        const KxDate& x = *static_cast<const KxDate*>(vp);
        PutLE(d, static_cast<uint16_t>(x.GetYear()), 2);
        d[2] = static_cast<uint8_t>(x.GetMonth());
        d[3] = static_cast<uint8_t>(x.GetDay());
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 4) return KX_TYPES_E_RANGE;
        static_cast<KxDate*>(vp)->Set(static_cast<int32_t>(GetLE(s, 2)), s[2], s[3]);
        return 4;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxDate*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxDate*>(vp)->ScanFromKxString(in, f);
    }
};

// 13 time: hour, minute, second.
struct TimeOps {
    static uint32_t DiskLen(const void*) { return 3; }
    static void Store(const void* vp, uint8_t* d) {
        const KxTime& t = *static_cast<const KxTime*>(vp);
        d[0] = static_cast<uint8_t>(t.GetHour());
        d[1] = static_cast<uint8_t>(t.GetMinute());
        d[2] = static_cast<uint8_t>(t.GetSecond());
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 3) return KX_TYPES_E_RANGE;
        static_cast<KxTime*>(vp)->Set(s[0], s[1], s[2]);
        return 3;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxTime*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxTime*>(vp)->ScanFromKxString(in, f);
    }
};

// 19 date-time: the date's 4 bytes, then the time's 3.
struct DateTimeOps {
    static uint32_t DiskLen(const void*) { return 7; }
    static void Store(const void* vp, uint8_t* d) {
        const KxDateTime& x = *static_cast<const KxDateTime*>(vp);
        DateOps::Store(&x.GetDate(), d);
        TimeOps::Store(&x.GetTime(), d + 4);
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 7) return KX_TYPES_E_RANGE;
        KxDate date;
        KxTime time;
        DateOps::Load(&date, s, 4);
        TimeOps::Load(&time, s + 4, 3);
        *static_cast<KxDateTime*>(vp) = KxDateTime(date, time);
        return 7;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxDateTime*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxDateTime*>(vp)->ScanFromKxString(in, f);
    }
};

// 18 blob: length (4), bytes.
struct BlobOps {
    static uint32_t DiskLen(const void* vp) {
        return vp ? 4 + static_cast<const KxBlob*>(vp)->Length() : 0;
    }
    static void Store(const void* vp, uint8_t* d) {
        const KxBlob& b = *static_cast<const KxBlob*>(vp);
        PutLE(d, b.Length(), 4);
        if (b.Length() > 0) std::memcpy(d + 4, b.Data(), b.Length());
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 4) return KX_TYPES_E_RANGE;
        const uint32_t len = static_cast<uint32_t>(GetLE(s, 4));
        if (uint64_t(len) + 4 > avail || len > uint32_t(std::numeric_limits<int32_t>::max()) - 4)
            return KX_TYPES_E_RANGE;
        static_cast<KxBlob*>(vp)->SetTo(s + 4, len);
        return static_cast<int32_t>(len + 4);
    }
    static int32_t Print(const void* vp, KxString& out, const char*) {
        const KxBlob& b = *static_cast<const KxBlob*>(vp);
        static const char kHex[] = "0123456789ABCDEF";
        std::string text;
        text.reserve(size_t(b.Length()) * 2);
        for (uint32_t i = 0; i < b.Length(); ++i) {
            text += kHex[b.Data()[i] >> 4];
            text += kHex[b.Data()[i] & 0xF];
        }
        out = KxString(text);
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char*) {
        if (!in.IsActive() || in.Len() % 2 != 0) return KX_TYPES_E_SCAN;
        const char* p = in.StrGet();
        std::string bytes;
        bytes.reserve(in.Len() / 2);
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        for (uint32_t i = 0; i < in.Len(); i += 2) {
            const int hi = hex(p[i]), lo = hex(p[i + 1]);
            if (hi < 0 || lo < 0) return KX_TYPES_E_SCAN;
            bytes += static_cast<char>(hi * 16 + lo);
        }
        static_cast<KxBlob*>(vp)->SetTo(bytes.data(), static_cast<uint32_t>(bytes.size()));
        return KX_TYPES_OK;
    }
};

// 26 KxInt64: as a signed 8-byte integer.
struct KxInt64Ops {
    static uint32_t DiskLen(const void*) { return 8; }
    static void Store(const void* vp, uint8_t* d) {
        PutLE(d, static_cast<uint64_t>(static_cast<const KxInt64*>(vp)->Get()), 8);
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 8) return KX_TYPES_E_RANGE;
        static_cast<KxInt64*>(vp)->Set(static_cast<int64_t>(GetLE(s, 8)));
        return 8;
    }
    static int32_t Print(const void* vp, KxString& out, const char* f) {
        return static_cast<const KxInt64*>(vp)->PrintToKxString(out, f);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* f) {
        return static_cast<KxInt64*>(vp)->ScanFromKxString(in, f);
    }
};

// 27 boolean: its byte as it is.
struct BooleanOps {
    static uint32_t DiskLen(const void*) { return 1; }
    static void Store(const void* vp, uint8_t* d) { d[0] = static_cast<const KxBoolean*>(vp)->GetByte(); }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 1) return KX_TYPES_E_RANGE;
        static_cast<KxBoolean*>(vp)->SetByte(s[0]);
        return 1;
    }
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const bool b = static_cast<const KxBoolean*>(vp)->IsTrue();
        if (format == nullptr) {
            out = KxString(b ? "true" : "false");
            return KX_TYPES_OK;
        }
        NumFormat nf;
        int32_t rc = ParseNumFormat(format, true, false, false, nf);
        if (rc != KX_TYPES_OK) return rc;
        out = KxString(FormatUnsigned(nf, b ? 1 : 0));
        return KX_TYPES_OK;
    }
    static int32_t Scan(const KxString& in, void* vp, const char*) {
        if (!in.IsActive()) return KX_TYPES_E_SCAN;
        KxString t(in);
        t.LeftTrim();
        t.RightTrim();
        bool value;
        if (t.Compare("true", KxString::KX_IGNORECASE) == 0 || t.Compare("yes", KxString::KX_IGNORECASE) == 0) {
            value = true;
        } else if (t.Compare("false", KxString::KX_IGNORECASE) == 0 ||
                   t.Compare("no", KxString::KX_IGNORECASE) == 0) {
            value = false;
        } else {
            int64_t n;
            int32_t rc = ParseSigned(t.StrGet(), 10, std::numeric_limits<int64_t>::min(),
                                     std::numeric_limits<int64_t>::max(), n);
            if (rc != KX_TYPES_OK) return rc;
            value = n != 0;
        }
        *static_cast<KxBoolean*>(vp) = value;
        return KX_TYPES_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// Nullable values: 28 to 38, 44, 45. Stored as a flag byte (1 null) followed by the value's stored
// form; a null value prints as an inactive text, and an inactive text or the null print string
// (any case) scans as null.

template <class Ops, class N>
struct NullOps {
    using T = typename N::ValueType;
    static uint32_t DiskLen(const void*) { return 1 + Ops::DiskLen(nullptr); }
    static void Store(const void* vp, uint8_t* d) {
        const N& n = *static_cast<const N*>(vp);
        d[0] = n.isNull() ? 1 : 0;
        const T value = n.getValue();
        Ops::Store(&value, d + 1);
    }
    static int32_t Load(void* vp, const uint8_t* s, uint32_t avail) {
        if (avail < 1) return KX_TYPES_E_RANGE;
        T value{};
        const int32_t rc = Ops::Load(&value, s + 1, avail - 1);
        if (rc < 0) return rc;
        N& n = *static_cast<N*>(vp);
        if (s[0] != 0) n.setNull();
        else n = value;
        return rc + 1;
    }
    static int32_t Print(const void* vp, KxString& out, const char* format) {
        const N& n = *static_cast<const N*>(vp);
        if (n.isNull()) {
            KxString text;
            if (format != nullptr) {  // the format must still be one the value's type takes
                const T zero{};
                const int32_t rc = Ops::Print(&zero, text, format);
                if (rc != KX_TYPES_OK) return rc;
            }
            out = KxString();
            return KX_TYPES_OK;
        }
        const T value = n.getValue();
        return Ops::Print(&value, out, format);
    }
    static int32_t Scan(const KxString& in, void* vp, const char* format) {
        N& n = *static_cast<N*>(vp);
        KxString t(in);
        t.LeftTrim();
        t.RightTrim();
        if (!in.IsActive() || t.Compare(KxTypeMgr::GetDefault()->GetNullPrintString(), KxString::KX_IGNORECASE) == 0) {
            n.setNull();
            return KX_TYPES_OK;
        }
        T value{};
        const int32_t rc = Ops::Scan(in, &value, format);
        if (rc != KX_TYPES_OK) return rc;
        n = value;
        return KX_TYPES_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// The table

template <class Ops, class T>
constexpr Row MakeRow(uint8_t code, const char* name) {
    return Row{code, name, sizeof(T), &Ops::DiskLen, &Ops::Store, &Ops::Load, &Ops::Print, &Ops::Scan,
               &CreateValue<T>, &DestroyValue<T>};
}

const Row kRows[] = {
    MakeRow<CharOps, char>(0, "char"),
    MakeRow<IntOps<int16_t>, int16_t>(1, "short"),
    MakeRow<IntOps<int32_t>, int32_t>(2, "int"),
    MakeRow<RealOps<double, uint64_t>, double>(3, "double"),
    MakeRow<RealOps<float, uint32_t>, float>(4, "float"),
    MakeRow<IntOps<uint16_t>, uint16_t>(5, "unsigned short"),
    MakeRow<IntOps<uint32_t>, uint32_t>(6, "unsigned int"),
    MakeRow<IntOps<int32_t>, int32_t>(7, "long"),
    MakeRow<IntOps<uint32_t>, uint32_t>(8, "unsigned long"),
    MakeRow<IntOps<int32_t>, int32_t>(9, "int32"),
    MakeRow<ByteOps, uint8_t>(10, "byte"),
    MakeRow<StringOps<KxString>, KxString>(11, "KxString"),
    MakeRow<DateOps, KxDate>(12, "KxDate"),
    MakeRow<TimeOps, KxTime>(13, "KxTime"),
    MakeRow<ObjIdOps, KxObjId>(15, "KxObjId"),
    MakeRow<ClassIdOps, KxClassId>(16, "KxClassId"),
    MakeRow<ObjIdOps, KxObjId>(17, "KxObjId"),
    MakeRow<BlobOps, KxBlob>(18, "KxBlob"),
    MakeRow<DateTimeOps, KxDateTime>(19, "KxDateTime"),
    MakeRow<StringOps<KxIString>, KxIString>(20, "KxIString"),
    MakeRow<StringOps<KxCaseIString>, KxCaseIString>(21, "KxCaseIString"),
    MakeRow<KxInt64Ops, KxInt64>(26, "KxInt64"),
    MakeRow<BooleanOps, KxBoolean>(27, "KxBoolean"),
    MakeRow<NullOps<CharOps, KxNull_char>, KxNull_char>(28, "KxNull_char"),
    MakeRow<NullOps<ByteOps, KxNull_uchar>, KxNull_uchar>(29, "KxNull_uchar"),
    MakeRow<NullOps<IntOps<int16_t>, KxNull_short>, KxNull_short>(30, "KxNull_short"),
    MakeRow<NullOps<IntOps<uint16_t>, KxNull_ushort>, KxNull_ushort>(31, "KxNull_ushort"),
    MakeRow<NullOps<IntOps<int32_t>, KxNull_int>, KxNull_int>(32, "KxNull_int"),
    MakeRow<NullOps<IntOps<uint32_t>, KxNull_unsigned>, KxNull_unsigned>(33, "KxNull_unsigned"),
    MakeRow<NullOps<IntOps<int32_t>, KxNull_long>, KxNull_long>(34, "KxNull_long"),
    MakeRow<NullOps<IntOps<uint32_t>, KxNull_ulong>, KxNull_ulong>(35, "KxNull_ulong"),
    MakeRow<NullOps<RealOps<float, uint32_t>, KxNull_float>, KxNull_float>(36, "KxNull_float"),
    MakeRow<NullOps<RealOps<double, uint64_t>, KxNull_double>, KxNull_double>(37, "KxNull_double"),
    MakeRow<NullOps<KxInt64Ops, KxNull_KxInt64>, KxNull_KxInt64>(38, "KxNull_KxInt64"),
    MakeRow<IntOps<int64_t>, int64_t>(42, "int64"),
    MakeRow<IntOps<uint64_t>, uint64_t>(43, "unsigned int64"),
    MakeRow<NullOps<IntOps<int64_t>, KxNull_8b>, KxNull_8b>(44, "KxNull_8b"),
    MakeRow<NullOps<IntOps<uint64_t>, KxNull_u8b>, KxNull_u8b>(45, "KxNull_u8b"),
};

struct RowIndex {
    const Row* byCode[256] = {};
    RowIndex() {
        for (const Row& r : kRows) byCode[r.code] = &r;
    }
};

const Row* FindRow(uint8_t code) {
    static const RowIndex index;
    return index.byCode[code];
}

}  // namespace

// ---------------------------------------------------------------------------------------------

KxTypeMgr::KxTypeMgr() = default;
KxTypeMgr::~KxTypeMgr() = default;

KxTypeMgr* KxTypeMgr::GetDefault() {
    static KxTypeMgr mgr;
    return &mgr;
}

bool KxTypeMgr::IsValidType(uint8_t typeCode) const { return FindRow(typeCode) != nullptr; }

const char* KxTypeMgr::NameGet(uint8_t typeCode) const {
    const Row* r = FindRow(typeCode);
    return r ? r->name : "";
}

uint32_t KxTypeMgr::MemLenGet(uint8_t typeCode) const {
    const Row* r = FindRow(typeCode);
    return r ? r->memLen : 0;
}

uint32_t KxTypeMgr::DiskLenGet(uint8_t typeCode, const void* value) const {
    const Row* r = FindRow(typeCode);
    return r ? r->diskLen(value) : 0;
}

int32_t KxTypeMgr::Store(uint8_t typeCode, const void* value, uint8_t* dest) const {
    const Row* r = FindRow(typeCode);
    if (r == nullptr) return KX_TYPES_E_TYPECODE;
    if (value == nullptr || dest == nullptr) return KX_TYPES_E_INVALID;
    const uint32_t len = r->diskLen(value);
    if (len > uint32_t(std::numeric_limits<int32_t>::max())) return KX_TYPES_E_RANGE;
    r->store(value, dest);
    return static_cast<int32_t>(len);
}

int32_t KxTypeMgr::Store(uint8_t typeCode, const void* value, char* dest) const {
    return Store(typeCode, value, reinterpret_cast<uint8_t*>(dest));
}

int32_t KxTypeMgr::Load(uint8_t typeCode, void* value, const uint8_t* src, uint32_t available) const {
    const Row* r = FindRow(typeCode);
    if (r == nullptr) return KX_TYPES_E_TYPECODE;
    if (value == nullptr || src == nullptr) return KX_TYPES_E_INVALID;
    return r->load(value, src, available);
}

int32_t KxTypeMgr::Load(uint8_t typeCode, void* value, const char* src, uint32_t available) const {
    return Load(typeCode, value, reinterpret_cast<const uint8_t*>(src), available);
}

int32_t KxTypeMgr::Load(uint8_t typeCode, void* value, const uint8_t* src) const {
    return Load(typeCode, value, src, std::numeric_limits<uint32_t>::max());
}

int32_t KxTypeMgr::Load(uint8_t typeCode, void* value, const char* src) const {
    return Load(typeCode, value, reinterpret_cast<const uint8_t*>(src), std::numeric_limits<uint32_t>::max());
}

int32_t KxTypeMgr::PrintToKxString(uint8_t typeCode, KxString& out, const void* value,
                                   const char* format, int32_t) const {
    const Row* r = FindRow(typeCode);
    if (r == nullptr) return KX_TYPES_E_TYPECODE;
    if (value == nullptr) return KX_TYPES_E_INVALID;
    KxString text;
    int32_t rc = r->print(value, text, format);
    if (rc == KX_TYPES_OK) out = std::move(text);
    return rc;
}

int32_t KxTypeMgr::ScanFromKxString(uint8_t typeCode, const KxString& in, void* value,
                                    const char* format) const {
    const Row* r = FindRow(typeCode);
    if (r == nullptr) return KX_TYPES_E_TYPECODE;
    if (value == nullptr) return KX_TYPES_E_INVALID;
    return r->scan(in, value, format);
}

void* KxTypeMgr::Create(uint8_t typeCode) const {
    const Row* r = FindRow(typeCode);
    return r ? r->create() : nullptr;
}

void KxTypeMgr::Delete(uint8_t typeCode, void* value) const {
    const Row* r = FindRow(typeCode);
    if (r && value) r->destroy(value);
}

const KxString& KxTypeMgr::GetNullPrintString() const {
    static const KxString text("NULL");
    return text;
}
