#include "svstring.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "svres.h"

namespace {

// Reads leading blanks, a sign and the leading digits; saturates at the int64 limits.
int64_t LeadingInteger(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t value = 0;
    const int64_t limit = std::numeric_limits<int64_t>::max() / 10;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value > limit) {
            value = std::numeric_limits<int64_t>::max();
            continue;
        }
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

std::string Decimal(long long n) { return std::to_string(n); }

}  // namespace

void String::Assign(const char* text, size_t len) {
    if (text == nullptr) len = 0;
    if (len > STRING_MAXLEN) len = STRING_MAXLEN;
    text_.assign(text == nullptr ? "" : text, len);
}

String::String() = default;
String::String(const char* text) { Assign(text, text == nullptr ? 0 : std::strlen(text)); }
String::String(const char* text, uint16_t len) {
    size_t n = 0;
    if (text != nullptr) n = len;
    Assign(text, n);
}
String::String(const String& other) = default;
String::String(String&& other) noexcept = default;
String::String(const String& other, uint16_t index, uint16_t count) : String(other.Copy(index, count)) {}
String::String(const std::string& text) { Assign(text.data(), text.size()); }
String::String(char c) : text_(1, c) {}
String::String(short n) : text_(Decimal(n)) {}
String::String(unsigned short n) : text_(Decimal(n)) {}
String::String(int n) : text_(Decimal(n)) {}
String::String(unsigned int n) : text_(Decimal(n)) {}
String::String(long n) : text_(Decimal(n)) {}
String::String(unsigned long n) : text_(std::to_string(n)) {}
String::String(const ResId& id) { *this = id.GetResMgr()->GetString(id.GetId()); }
String::~String() = default;

String& String::operator=(const String& other) = default;
String& String::operator=(String&& other) noexcept = default;
String& String::operator=(const char* text) {
    Assign(text, text == nullptr ? 0 : std::strlen(text));
    return *this;
}

uint16_t String::Len() const { return static_cast<uint16_t>(text_.size()); }
const char* String::GetStr() const { return text_.c_str(); }

char String::operator[](uint16_t index) const { return index < text_.size() ? text_[index] : '\0'; }
String String::operator()(uint16_t index) const { return Copy(index); }
String String::operator()(uint16_t index, uint16_t count) const { return Copy(index, count); }
bool String::operator!() const { return text_.empty(); }
String::operator char() const { return text_.empty() ? '\0' : text_[0]; }
String::operator const char*() const { return text_.c_str(); }

String::operator short() const {
    return static_cast<short>(Clamp(LeadingInteger(text_), INT16_MIN, INT16_MAX));
}
String::operator unsigned short() const {
    return static_cast<unsigned short>(Clamp(LeadingInteger(text_), 0, UINT16_MAX));
}
String::operator int() const { return static_cast<int>(Clamp(LeadingInteger(text_), INT32_MIN, INT32_MAX)); }
String::operator long() const { return static_cast<long>(Clamp(LeadingInteger(text_), INT32_MIN, INT32_MAX)); }
String::operator unsigned long() const {
    return static_cast<unsigned long>(Clamp(LeadingInteger(text_), 0, UINT32_MAX));
}
String::operator double() const {
    const char* p = text_.c_str();
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(p, &end);
    return end == p ? 0.0 : d;
}

String& String::operator+=(const String& text) { return Insert(text); }
String& String::operator+=(const char* text) { return Insert(String(text)); }
String& String::operator+=(char c) { return Insert(c); }

StringCompare String::Compare(const String& other) const {
    const int r = text_.compare(other.text_);  // char_traits<char> compares as unsigned char
    return r < 0 ? COMPARE_LESS : (r > 0 ? COMPARE_GREATER : COMPARE_EQUAL);
}

uint16_t String::Search(const String& text, uint16_t from) const {
    const size_t p = text_.find(text.text_, from);
    return p == std::string::npos ? STRING_NOTFOUND : static_cast<uint16_t>(p);
}

uint16_t String::Search(char c, uint16_t from) const {
    const size_t p = text_.find(c, from);
    return p == std::string::npos ? STRING_NOTFOUND : static_cast<uint16_t>(p);
}

String String::Copy(uint16_t index, uint16_t count) const {
    String s;
    if (index < text_.size()) s.text_ = text_.substr(index, count == STRING_LEN ? std::string::npos : count);
    return s;
}

String& String::Erase(uint16_t index, uint16_t count) {
    if (index < text_.size()) text_.erase(index, count == STRING_LEN ? std::string::npos : count);
    return *this;
}

String& String::Insert(const String& text, uint16_t index) {
    const size_t room = STRING_MAXLEN - text_.size();
    const size_t n = text.text_.size() < room ? text.text_.size() : room;
    text_.insert(index < text_.size() ? index : text_.size(), text.text_, 0, n);
    return *this;
}

String& String::Insert(char c, uint16_t index) {
    if (text_.size() < STRING_MAXLEN) text_.insert(index < text_.size() ? index : text_.size(), 1, c);
    return *this;
}

String& String::Upper() {
    for (char& c : text_)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return *this;
}

String& String::Lower() {
    for (char& c : text_)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return *this;
}

uint16_t String::GetTokenCount(char sep) const {
    if (text_.empty()) return 0;
    size_t n = 1;
    for (char c : text_)
        if (c == sep) ++n;
    return static_cast<uint16_t>(n);
}

String String::GetToken(uint16_t n, char sep) const {
    size_t start = 0;
    for (uint16_t i = 0; i < n; ++i) {
        const size_t p = text_.find(sep, start);
        if (p == std::string::npos) return String();
        start = p + 1;
    }
    const size_t end = text_.find(sep, start);
    String s;
    s.text_ = text_.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return s;
}

String operator+(const String& a, const String& b) { return String(a) += b; }
String operator+(const String& a, const char* b) { return String(a) += b; }
String operator+(const char* a, const String& b) { return String(a) += b; }

bool operator==(const String& a, const String& b) { return a.Compare(b) == COMPARE_EQUAL; }
bool operator==(const String& a, const char* b) { return a.Compare(String(b)) == COMPARE_EQUAL; }
bool operator==(const char* a, const String& b) { return b == a; }
bool operator!=(const String& a, const String& b) { return !(a == b); }
bool operator!=(const String& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const String& b) { return !(b == a); }
bool operator<(const String& a, const String& b) { return a.Compare(b) == COMPARE_LESS; }
bool operator>(const String& a, const String& b) { return a.Compare(b) == COMPARE_GREATER; }
bool operator<=(const String& a, const String& b) { return a.Compare(b) != COMPARE_GREATER; }
bool operator>=(const String& a, const String& b) { return a.Compare(b) != COMPARE_LESS; }
