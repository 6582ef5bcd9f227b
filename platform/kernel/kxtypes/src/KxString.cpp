#include "KxString.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kxlocale.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes that have no character.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Character of a code set 1 byte; the five undefined bytes give 0 (and *ok false) when strict,
// else the C1 control of the same value so that nothing is lost inside the program.
char16_t ByteToChar(unsigned char b, bool* ok = nullptr) {
    if (ok) *ok = true;
    if (b < 0x80 || b >= 0xA0) return b;
    char16_t c = kCp1252High[b - 0x80];
    if (c == 0) {
        if (ok) *ok = false;
        return b;
    }
    return c;
}

// Code set 1 byte of a character; false when there is none.
bool CharToByte(char16_t c, unsigned char& b) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        b = static_cast<unsigned char>(c);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] != 0 && kCp1252High[i] == c) {
            b = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

char16_t LowerChar(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c + 0x20;
    if (c < 0x80) return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
        case 0x0152: return 0x0153;
        case 0x0160: return 0x0161;
        case 0x017D: return 0x017E;
        case 0x0178: return 0x00FF;
        default: break;
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) return c + 0x50;
    return c;
}

char16_t UpperChar(char16_t c) {
    if (c >= u'a' && c <= u'z') return c - 0x20;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
        case 0x0153: return 0x0152;
        case 0x0161: return 0x0160;
        case 0x017E: return 0x017D;
        case 0x00FF: return 0x0178;
        default: break;
    }
    if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return c - 0x20;
    if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
    if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
    return c;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

size_t Len16(const char16_t* s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes UTF-8 into UTF-16; false for malformed input (overlong forms, surrogates, > U+10FFFF).
bool DecodeUtf8(const std::string& in, std::u16string& out) {
    out.clear();
    size_t i = 0;
    const size_t n = in.size();
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        uint32_t cp;
        int extra;
        if (b < 0x80) { cp = b; extra = 0; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
        else return false;
        if (extra > 0 && i + static_cast<size_t>(extra) >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char c = static_cast<unsigned char>(in[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static const uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

// Character i of a text as UTF-16 code unit.
inline char16_t At(const std::string& n, const std::u16string& w, bool wide, size_t i) {
    return wide ? w[i] : ByteToChar(static_cast<unsigned char>(n[i]));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

KxString::KxString() = default;

KxString::KxString(const char* s) {
    if (s) {
        n_ = s;
        active_ = true;
        codeSet_ = KxLanguageContext::GetDefault8CodeSet();
    }
}

KxString::KxString(const char* s, uint32_t len) {
    if (s) {
        n_.assign(s, len);
        active_ = true;
        codeSet_ = KxLanguageContext::GetDefault8CodeSet();
    }
}

KxString::KxString(const std::string& s)
    : n_(s), codeSet_(KxLanguageContext::GetDefault8CodeSet()), active_(true) {}

KxString::KxString(const char16_t* s) {
    if (s) {
        w_.assign(s, Len16(s));
        active_ = true;
        wide_ = true;
        codeSet_ = KX_CODESET_UNICODE;
        Sync16();
    }
}

KxString::KxString(const char16_t* s, uint32_t len) {
    if (s) {
        w_.assign(s, len);
        active_ = true;
        wide_ = true;
        codeSet_ = KX_CODESET_UNICODE;
        Sync16();
    }
}

KxString::KxString(const std::u16string& s)
    : w_(s), codeSet_(KX_CODESET_UNICODE), active_(true), wide_(true) {
    Sync16();
}

KxString::KxString(char c) : n_(1, c), codeSet_(KX_CODESET_DEFAULT8), active_(true) {}
KxString::KxString(int32_t n) : KxString("") { *this << n; }
KxString::KxString(uint32_t n) : KxString("") { *this << n; }
KxString::KxString(int64_t n) : KxString("") { *this << n; }
KxString::KxString(uint64_t n) : KxString("") { *this << n; }
KxString::KxString(long long n) : KxString("") { *this << n; }
KxString::KxString(unsigned long long n) : KxString("") { *this << n; }
KxString::KxString(double d) : KxString("") { *this << d; }

KxString::KxString(const KxString& other) = default;
KxString::KxString(KxString&& other) noexcept
    : n_(std::move(other.n_)), w_(std::move(other.w_)), codeSet_(other.codeSet_),
      language_(other.language_), active_(other.active_), wide_(other.wide_) {
    other.n_.clear();
    other.w_.clear();
    other.active_ = false;
    other.wide_ = false;
    other.codeSet_ = KX_CODESET_DEFAULT8;
}
KxString::~KxString() = default;

KxString& KxString::operator=(const KxString& other) = default;

KxString& KxString::operator=(KxString&& other) noexcept {
    if (this != &other) {
        n_ = std::move(other.n_);
        w_ = std::move(other.w_);
        codeSet_ = other.codeSet_;
        language_ = other.language_;
        active_ = other.active_;
        wide_ = other.wide_;
        other.n_.clear();
        other.w_.clear();
        other.active_ = false;
        other.wide_ = false;
        other.codeSet_ = KX_CODESET_DEFAULT8;
    }
    return *this;
}

KxString& KxString::operator=(const char* s) {
    KxString tmp(s);   // s may point into this text's own storage
    *this = std::move(tmp);
    return *this;
}

// ---------------------------------------------------------------------------------------------
// State and content

bool KxString::IsActive() const { return active_; }

void KxString::SetInactive() {
    n_.clear();
    w_.clear();
    active_ = false;
}

bool KxString::IsEmpty() const { return !active_ || Len() == 0; }

uint32_t KxString::Len() const {
    return static_cast<uint32_t>(wide_ ? w_.size() : n_.size());
}

bool KxString::Is16Bit() const { return wide_; }

const char* KxString::StrGet() const { return n_.c_str(); }

std::u16string KxString::ToUtf16() const {
    if (wide_) return w_;
    std::u16string out;
    out.reserve(n_.size());
    for (char c : n_) out += ByteToChar(static_cast<unsigned char>(c));
    return out;
}

std::string KxString::ToUtf8() const {
    std::string out;
    if (!active_) return out;
    if (!wide_) {
        for (char c : n_) AppendUtf8(out, ByteToChar(static_cast<unsigned char>(c)));
        return out;
    }
    for (size_t i = 0; i < w_.size(); ++i) {
        uint32_t c = w_[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w_.size() && w_[i + 1] >= 0xDC00 && w_[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w_[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;   // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(out, c);
    }
    return out;
}

namespace {

// Whether no byte is above 0x7F, eight bytes a step.
bool IsAscii(const char* bytes, size_t size) {
    uint64_t high = 0;
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= size; i += sizeof(uint64_t)) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, sizeof word);
        high |= word;
    }
    for (; i < size; ++i) high |= static_cast<unsigned char>(bytes[i]);
    return (high & 0x8080808080808080ull) == 0;
}

}  // namespace

KxString KxString::FromUtf8(const char* utf8, size_t size) {
    // ASCII is the same text in UTF-8 and in the 8-bit code set: no round trip through 16 bits.
    if (IsAscii(utf8, size)) {
        KxString s;
        s.n_.assign(utf8, size);
        s.active_ = true;
        s.wide_ = false;
        s.codeSet_ = KX_CODESET_DEFAULT8;
        return s;
    }
    return FromUtf8(std::string(utf8, size));
}

KxString KxString::FromUtf8(const std::string& utf8) {
    if (IsAscii(utf8.data(), utf8.size())) {
        return FromUtf8(utf8.data(), utf8.size());
    }
    std::u16string w;
    if (!DecodeUtf8(utf8, w)) return KxString();
    KxString s(w);
    s.SetCodeSet(KX_CODESET_DEFAULT8);   // stays 16-bit when some character has no 8-bit form
    return s;
}

uint8_t KxString::CodeSet() const { return codeSet_; }

int32_t KxString::SetCodeSet(uint8_t cs) {
    // Known code sets: 0 (no particular code set) and 1 share the 8-bit repertoire; 253 is 16-bit.
    if (cs != 0 && cs != KX_CODESET_DEFAULT8 && cs != KX_CODESET_UNICODE) return KX_TYPES_E_CODESET;
    if (cs == codeSet_) return KX_TYPES_OK;
    const bool toWide = (cs == KX_CODESET_UNICODE);
    if (!active_ || toWide == wide_) {
        // Nothing to map: an inactive text, or a relabelling between the 8-bit code sets.
        codeSet_ = cs;
        if (!active_) wide_ = toWide;
        return KX_TYPES_OK;
    }
    if (cs == KX_CODESET_UNICODE) {
        std::u16string w;
        w.reserve(n_.size());
        for (char c : n_) {
            bool ok;
            char16_t u = ByteToChar(static_cast<unsigned char>(c), &ok);
            if (!ok) return KX_TYPES_E_MAPPING;
            w += u;
        }
        w_ = std::move(w);
        wide_ = true;
        codeSet_ = cs;
        Sync16();
        return KX_TYPES_OK;
    }
    std::string n;
    n.reserve(w_.size());
    for (char16_t c : w_) {
        unsigned char b;
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D || !CharToByte(c, b))
            return KX_TYPES_E_MAPPING;
        n += static_cast<char>(b);
    }
    n_ = std::move(n);
    w_.clear();
    wide_ = false;
    codeSet_ = cs;
    return KX_TYPES_OK;
}

uint8_t KxString::Language() const { return language_; }
void KxString::SetLanguage(uint8_t language) { language_ = language; }

void KxString::Sync16(size_t from) {
    n_.resize(std::min(from, n_.size()));
    n_.reserve(w_.size());
    for (size_t i = n_.size(); i < w_.size(); ++i) {
        unsigned char b;
        n_ += CharToByte(w_[i], b) ? static_cast<char>(b) : '?';
    }
}

void KxString::Become16() {
    if (wide_) return;
    w_ = ToUtf16();
    wide_ = true;
    codeSet_ = KX_CODESET_UNICODE;
    Sync16();
}

// ---------------------------------------------------------------------------------------------
// Concatenation

KxString KxString::operator+(const KxString& other) const {
    KxString r(*this);
    r += other;
    return r;
}

KxString& KxString::operator+=(const KxString& other) {
    active_ = true;
    if (!other.active_) return *this;
    if (other.wide_ && !wide_) Become16();
    if (wide_) {
        const size_t old = w_.size();
        if (other.wide_) {
            w_ += other.w_;   // self-append is safe: std::basic_string handles aliasing
        } else {
            std::u16string add = other.ToUtf16();
            w_ += add;
        }
        Sync16(old);
    } else {
        n_ += other.n_;
    }
    return *this;
}

void KxString::AppendAscii(const char* s) {
    active_ = true;
    if (wide_) {
        const size_t old = w_.size();
        for (const char* p = s; *p; ++p) w_ += ByteToChar(static_cast<unsigned char>(*p));
        Sync16(old);
    } else {
        n_ += s;
    }
}

KxString& KxString::operator<<(const char* s) {
    if (s == nullptr) return *this;
    std::string copy(s);   // s may point into this text
    AppendAscii(copy.c_str());
    return *this;
}

KxString& KxString::operator<<(const KxString& s) { return *this += s; }

KxString& KxString::operator<<(char c) {
    if (c == '\0') {
        return *this += KxString("", 1);
    }
    char buf[2] = {c, 0};
    AppendAscii(buf);
    return *this;
}

KxString& KxString::operator<<(int32_t n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRId32, n);
    AppendAscii(buf);
    return *this;
}

KxString& KxString::operator<<(uint32_t n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRIu32, n);
    AppendAscii(buf);
    return *this;
}

KxString& KxString::operator<<(int64_t n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRId64, n);
    AppendAscii(buf);
    return *this;
}

KxString& KxString::operator<<(uint64_t n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRIu64, n);
    AppendAscii(buf);
    return *this;
}

KxString& KxString::operator<<(long long n) { return *this << static_cast<int64_t>(n); }
KxString& KxString::operator<<(unsigned long long n) { return *this << static_cast<uint64_t>(n); }

KxString& KxString::operator<<(double d) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, d);
    *res.ptr = '\0';
    AppendAscii(buf);
    return *this;
}

// ---------------------------------------------------------------------------------------------
// Text to number

namespace {

// Leading blanks, sign and decimal digits of an 8-bit text; saturates at the 64-bit range.
int64_t ParseLeadingInteger(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint64_t v = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        unsigned d = static_cast<unsigned>(*p - '0');
        if (v > (UINT64_MAX - d) / 10) saturated = true;
        else v = v * 10 + d;
    }
    if (negative) {
        if (saturated || v > static_cast<uint64_t>(INT64_MAX) + 1) return INT64_MIN;
        return v == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(v);
    }
    if (saturated || v > static_cast<uint64_t>(INT64_MAX)) return INT64_MAX;
    return static_cast<int64_t>(v);
}

}  // namespace

int64_t KxString::ToInt64() const { return ParseLeadingInteger(StrGet()); }
int32_t KxString::ToInt() const { return static_cast<int32_t>(static_cast<uint32_t>(ToInt64())); }
int16_t KxString::ToShort() const { return static_cast<int16_t>(static_cast<uint16_t>(ToInt64())); }
uint32_t KxString::ToULong() const { return static_cast<uint32_t>(ToInt64()); }

double KxString::ToDouble() const {
    const char* p = StrGet();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    double d = 0;
    const char* end = p + std::strlen(p);
    auto res = std::from_chars(p, end, d, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves d untouched; follow the C conversion (HUGE_VAL or 0).
        d = std::strtod(std::string(p, res.ptr).c_str(), nullptr);
    } else if (res.ec != std::errc()) {
        d = 0;
    }
    return negative ? -d : d;
}

// ---------------------------------------------------------------------------------------------
// Comparison

bool KxString::operator==(const KxString& other) const {
    if (active_ != other.active_) return false;
    if (!active_) return true;
    if (!wide_ && !other.wide_) return n_ == other.n_;
    if (wide_ && other.wide_) return w_ == other.w_;
    return Compare(other, KX_CASESENSITIVE) == 0;
}

bool KxString::operator!=(const KxString& other) const { return !(*this == other); }

bool KxString::operator<(const KxString& other) const {
    return Compare(other, KX_CASESENSITIVE) < 0;
}

int32_t KxString::Compare(const KxString& other, int32_t flags) const {
    if (!active_ || !other.active_) {
        if (active_ == other.active_) return 0;
        return active_ ? 1 : -1;
    }
    const bool ignoreCase = (flags & KX_IGNORECASE) != 0;
    const size_t la = Len(), lb = other.Len();
    const size_t n = std::min(la, lb);
    for (size_t i = 0; i < n; ++i) {
        char16_t a = At(n_, w_, wide_, i);
        char16_t b = At(other.n_, other.w_, other.wide_, i);
        if (ignoreCase) {
            a = LowerChar(a);
            b = LowerChar(b);
        }
        if (a != b) return a < b ? -1 : 1;
    }
    if (la == lb) return 0;
    return la < lb ? -1 : 1;
}

// ---------------------------------------------------------------------------------------------
// Search

int32_t KxString::Find(char c, int32_t from, int32_t to) const {
    const int32_t len = static_cast<int32_t>(Len());
    if (!active_ || len == 0) return -1;
    if (from < 0) from = 0;
    if (to < 0 || to >= len) to = len - 1;
    const char16_t want = ByteToChar(static_cast<unsigned char>(c));
    if (!wide_) {
        // An 8-bit text holds the byte of the character: one search over its bytes.
        const void* at = std::memchr(n_.data() + from, c, static_cast<size_t>(to - from + 1));
        return at != nullptr ? static_cast<int32_t>(static_cast<const char*>(at) - n_.data()) : -1;
    }
    for (int32_t i = from; i <= to; ++i) {
        if (At(n_, w_, wide_, static_cast<size_t>(i)) == want) return i;
    }
    return -1;
}

int32_t KxString::SubStringPos(const KxString& pattern, int32_t flags) const {
    if (!active_ || !pattern.active_) return -1;
    const bool ignoreCase = (flags & KX_IGNORECASE) != 0;
    const size_t la = Len(), lp = pattern.Len();
    if (lp == 0) return 0;
    if (lp > la) return -1;
    for (size_t i = 0; i + lp <= la; ++i) {
        size_t k = 0;
        for (; k < lp; ++k) {
            char16_t a = At(n_, w_, wide_, i + k);
            char16_t b = At(pattern.n_, pattern.w_, pattern.wide_, k);
            if (ignoreCase) {
                a = LowerChar(a);
                b = LowerChar(b);
            }
            if (a != b) break;
        }
        if (k == lp) return static_cast<int32_t>(i);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Substrings and edits

KxString KxString::Copy(uint32_t from, uint32_t len) const {
    KxString r;
    if (!active_) return r;
    r.active_ = true;
    r.codeSet_ = codeSet_;
    r.language_ = language_;
    r.wide_ = wide_;
    const uint32_t total = Len();
    if (from < total) {
        const uint32_t n = std::min(len, total - from);
        if (wide_) r.w_ = w_.substr(from, n);
        else r.n_ = n_.substr(from, n);
    }
    if (wide_) r.Sync16();
    return r;
}

KxString KxString::Left(uint32_t n) const { return Copy(0, n); }

KxString KxString::Right(uint32_t n) const {
    const uint32_t total = Len();
    return n >= total ? Copy(0, total) : Copy(total - n, n);
}

KxString& KxString::LeftTrim() {
    size_t i = 0;
    const size_t len = Len();
    while (i < len && IsBlank(At(n_, w_, wide_, i))) ++i;
    if (i > 0) {
        if (wide_) { w_.erase(0, i); Sync16(); }
        else n_.erase(0, i);
    }
    return *this;
}

KxString& KxString::RightTrim() {
    size_t len = Len();
    while (len > 0 && IsBlank(At(n_, w_, wide_, len - 1))) --len;
    if (wide_) { w_.resize(len); Sync16(); }
    else n_.resize(len);
    return *this;
}

KxString& KxString::ToLower() {
    if (wide_) {
        for (char16_t& c : w_) c = LowerChar(c);
        Sync16();
    } else {
        for (char& c : n_) {
            unsigned char b;
            if (CharToByte(LowerChar(ByteToChar(static_cast<unsigned char>(c))), b)) c = static_cast<char>(b);
        }
    }
    return *this;
}

KxString& KxString::ToUpper() {
    if (wide_) {
        for (char16_t& c : w_) c = UpperChar(c);
        Sync16();
    } else {
        for (char& c : n_) {
            unsigned char b;
            if (CharToByte(UpperChar(ByteToChar(static_cast<unsigned char>(c))), b)) c = static_cast<char>(b);
        }
    }
    return *this;
}

namespace {
template <class S>
bool ReplaceIn(S& text, const S& what, const S& with) {
    S out;
    bool changed = false;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(what, pos);
        if (hit == S::npos) break;
        out.append(text, pos, hit - pos);
        out += with;
        pos = hit + what.size();
        changed = true;
    }
    if (changed) {
        out.append(text, pos, S::npos);
        text = std::move(out);
    }
    return changed;
}
}  // namespace

KxString& KxString::ReplaceAll(const KxString& what, const KxString& with) {
    if (!active_ || what.IsEmpty()) return *this;
    if (!wide_ && !with.wide_) {
        KxString pat(what);
        if (pat.SetCodeSet(KX_CODESET_DEFAULT8) < 0) return *this;   // cannot occur in an 8-bit text
        std::string rep = with.n_;
        ReplaceIn(n_, pat.n_, rep);
        return *this;
    }
    std::u16string text = ToUtf16();
    if (ReplaceIn(text, what.ToUtf16(), with.ToUtf16())) {
        w_ = std::move(text);
        if (!wide_) {
            wide_ = true;
            codeSet_ = KX_CODESET_UNICODE;
        }
        Sync16();
    }
    return *this;
}

const KxString& KxString::EmptyString() {
    static const KxString empty("");
    return empty;
}
