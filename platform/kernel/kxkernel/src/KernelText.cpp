#include "KernelText.h"

#include <cctype>
#include <limits>

namespace kxk {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string LowerAscii(std::string s) {
    for (char& c : s) c = Lower(c);
    return s;
}

bool ParseInteger(const std::string& text, int64_t& out) {
    const std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return false;
    // Accumulate the magnitude as unsigned; the limit allows -2^63.
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t value = 0;
    for (; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        unsigned digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        if (value > (limit - digit) / base) return false;
        value = value * base + digit;
    }
    if (negative)
        out = value == uint64_t(std::numeric_limits<int64_t>::max()) + 1
                  ? std::numeric_limits<int64_t>::min()
                  : -static_cast<int64_t>(value);
    else
        out = static_cast<int64_t>(value);
    return true;
}

}  // namespace kxk
