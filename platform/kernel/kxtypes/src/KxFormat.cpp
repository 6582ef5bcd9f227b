#include "KxFormat.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

#include "KxTypesStatus.h"

namespace kxtypes_detail {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The text between surrounding blanks.
void Trim(const char* text, const char*& b, const char*& e) {
    b = text;
    while (IsBlankChar(*b)) ++b;
    e = b + std::strlen(b);
    while (e > b && IsBlankChar(e[-1])) --e;
}

}  // namespace

int32_t ParseInteger(const char* text, int base, bool allowSign, bool& negative, uint64_t& magnitude) {
    if (text == nullptr) return KX_TYPES_E_SCAN;
    const char* p;
    const char* e;
    Trim(text, p, e);
    negative = false;
    if (p < e && (*p == '+' || *p == '-')) {
        if (!allowSign && *p == '-') return KX_TYPES_E_SCAN;
        negative = (*p == '-');
        ++p;
    }
    if (p == e) return KX_TYPES_E_SCAN;
    uint64_t v = 0;
    bool overflow = false;
    for (; p < e; ++p) {
        int d = DigitValue(*p);
        if (d >= base) return KX_TYPES_E_SCAN;
        if (v > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
            overflow = true;
        else
            v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (overflow) return KX_TYPES_E_OVERFLOW;
    magnitude = v;
    return KX_TYPES_OK;
}

int32_t ParseSigned(const char* text, int base, int64_t lo, int64_t hi, int64_t& out) {
    bool neg;
    uint64_t mag;
    int32_t rc = ParseInteger(text, base, true, neg, mag);
    if (rc != KX_TYPES_OK) return rc;
    int64_t v;
    if (neg) {
        if (mag > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return KX_TYPES_E_OVERFLOW;
        v = mag == 0 ? 0 : static_cast<int64_t>(~(mag - 1));   // -mag without overflow
    } else {
        if (mag > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return KX_TYPES_E_OVERFLOW;
        v = static_cast<int64_t>(mag);
    }
    if (v < lo || v > hi) return KX_TYPES_E_OVERFLOW;
    out = v;
    return KX_TYPES_OK;
}

int32_t ParseUnsigned(const char* text, int base, uint64_t hi, uint64_t& out) {
    bool neg;
    uint64_t mag;
    int32_t rc = ParseInteger(text, base, false, neg, mag);
    if (rc != KX_TYPES_OK) return rc;
    if (mag > hi) return KX_TYPES_E_OVERFLOW;
    out = mag;
    return KX_TYPES_OK;
}

namespace {
template <class T>
int32_t ParseRealT(const char* text, T& out) {
    if (text == nullptr) return KX_TYPES_E_SCAN;
    const char* p;
    const char* e;
    Trim(text, p, e);
    bool neg = false;
    if (p < e && (*p == '+' || *p == '-')) {
        neg = (*p == '-');
        ++p;
    }
    if (p == e || *p == '+' || *p == '-') return KX_TYPES_E_SCAN;
    T v{};
    auto res = std::from_chars(p, e, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) return KX_TYPES_E_OVERFLOW;
    if (res.ec != std::errc() || res.ptr != e) return KX_TYPES_E_SCAN;
    out = neg ? -v : v;
    return KX_TYPES_OK;
}
}  // namespace

int32_t ParseDouble(const char* text, double& out) { return ParseRealT(text, out); }
int32_t ParseFloat(const char* text, float& out) { return ParseRealT(text, out); }

int32_t ParseNumFormat(const char* format, bool allowInteger, bool allowReal, bool allowChar,
                       NumFormat& nf) {
    if (format == nullptr) return KX_TYPES_E_INVALID;
    nf = NumFormat();
    bool seen = false;
    for (const char* p = format; *p; ++p) {
        std::string& lit = seen ? nf.suffix : nf.prefix;
        if (*p != '%') {
            lit += *p;
            continue;
        }
        ++p;
        if (*p == '%') {
            lit += '%';
            continue;
        }
        if (seen) return KX_TYPES_E_INVALID;   // a second conversion
        std::string spec;
        while (*p && std::strchr("-+ #0", *p)) spec += *p++;
        int width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + (*p - '0');
            if (width > 1000) return KX_TYPES_E_INVALID;
            spec += *p++;
        }
        if (*p == '.') {
            spec += *p++;
            int prec = 0;
            while (*p >= '0' && *p <= '9') {
                prec = prec * 10 + (*p - '0');
                if (prec > 1000) return KX_TYPES_E_INVALID;
                spec += *p++;
            }
        }
        while (*p && std::strchr("hlLqjzt", *p)) ++p;   // length modifiers: the value decides
        const char c = *p;
        if (c == '\0') return KX_TYPES_E_INVALID;
        const bool isInt = std::strchr("diuxXo", c) != nullptr;
        const bool isReal = std::strchr("eEfFgGaA", c) != nullptr;
        const bool isChar = (c == 'c');
        if (!((isInt && allowInteger) || (isReal && allowReal) || (isChar && allowChar)))
            return KX_TYPES_E_INVALID;
        nf.flags = spec;
        nf.conv = c;
        seen = true;
    }
    return seen ? KX_TYPES_OK : KX_TYPES_E_INVALID;
}

int NumFormatBase(const char* format) {
    NumFormat nf;
    if (format == nullptr || ParseNumFormat(format, true, true, true, nf) != KX_TYPES_OK) return 10;
    if (nf.conv == 'x' || nf.conv == 'X') return 16;
    if (nf.conv == 'o') return 8;
    return 10;
}

namespace {
template <class... A>
std::string Sprintf(const std::string& fmt, A... args) {
    int n = std::snprintf(nullptr, 0, fmt.c_str(), args...);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt.c_str(), args...);
    out.resize(static_cast<size_t>(n));
    return out;
}
}  // namespace

// The format strings below are built here from a checked conversion, never taken from callers.
std::string FormatSigned(const NumFormat& nf, int64_t v) {
    if (nf.conv == 'd' || nf.conv == 'i')
        return nf.prefix + Sprintf("%" + nf.flags + "ll" + nf.conv, static_cast<long long>(v)) + nf.suffix;
    return FormatUnsigned(nf, static_cast<uint64_t>(v));
}

std::string FormatUnsigned(const NumFormat& nf, uint64_t v) {
    if (nf.conv == 'd' || nf.conv == 'i')
        return nf.prefix + Sprintf("%" + nf.flags + "ll" + nf.conv, static_cast<long long>(v)) + nf.suffix;
    return nf.prefix + Sprintf("%" + nf.flags + "ll" + nf.conv, static_cast<unsigned long long>(v)) + nf.suffix;
}

std::string FormatReal(const NumFormat& nf, double v) {
    return nf.prefix + Sprintf("%" + nf.flags + nf.conv, v) + nf.suffix;
}

std::string FormatChar(const NumFormat& nf, char c) {
    std::string body = Sprintf("%" + nf.flags + "c", static_cast<int>(static_cast<unsigned char>(c)));
    if (c == '\0') {
        // snprintf counts the NUL character but the text stops there; keep it.
        body = Sprintf("%" + nf.flags + "c", static_cast<int>(' '));
        size_t pos = nf.flags.find('-') != std::string::npos ? 0 : body.size() - 1;
        body[pos] = '\0';
    }
    return nf.prefix + body + nf.suffix;
}

std::string ShortestDouble(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string ShortestFloat(float v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

int32_t PrintDateTime(const char* format, const DateTimeFields& f, std::string& out) {
    std::string r;
    char buf[16];
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            r += *p;
            continue;
        }
        ++p;
        int v;
        bool year = false;
        switch (*p) {
            case 'Y': v = f.year; year = true; break;
            case 'm': v = f.month; break;
            case 'd': v = f.day; break;
            case 'H': v = f.hour; break;
            case 'M': v = f.minute; break;
            case 'S': v = f.second; break;
            case '%': r += '%'; continue;
            case ':': r += ':'; continue;
            default: return KX_TYPES_E_INVALID;
        }
        std::snprintf(buf, sizeof buf, year ? "%04d" : "%02d", v);
        r += buf;
    }
    out = std::move(r);
    return KX_TYPES_OK;
}

int32_t ScanDateTime(const char* format, const char* text, DateTimeFields& f) {
    if (text == nullptr) return KX_TYPES_E_SCAN;
    DateTimeFields r = f;
    const char* t = text;
    while (IsBlankChar(*t)) ++t;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            if (IsBlankChar(*p)) {
                while (IsBlankChar(*t)) ++t;
                continue;
            }
            if (*t != *p) return KX_TYPES_E_SCAN;
            ++t;
            continue;
        }
        ++p;
        int32_t* field;
        int maxDigits = 2;
        switch (*p) {
            case 'Y': field = &r.year; maxDigits = 4; break;
            case 'm': field = &r.month; break;
            case 'd': field = &r.day; break;
            case 'H': field = &r.hour; break;
            case 'M': field = &r.minute; break;
            case 'S': field = &r.second; break;
            case '%':
            case ':':
                if (*t != *p) return KX_TYPES_E_SCAN;
                ++t;
                continue;
            default: return KX_TYPES_E_INVALID;
        }
        int v = 0, n = 0;
        while (n < maxDigits && *t >= '0' && *t <= '9') {
            v = v * 10 + (*t - '0');
            ++t;
            ++n;
        }
        if (n == 0) return KX_TYPES_E_SCAN;
        *field = v;
    }
    while (IsBlankChar(*t)) ++t;
    if (*t != '\0') return KX_TYPES_E_SCAN;
    f = r;
    return KX_TYPES_OK;
}

}  // namespace kxtypes_detail
