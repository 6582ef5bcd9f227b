#include "cipherutil32.h"

#include <string>

namespace {

const char16_t kMarker[] = u"{CU32}";
constexpr int kMarkerLength = 6;
constexpr char16_t kMask = 0x5A3C;
const char16_t kDigits[] = u"0123456789ABCDEF";

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Every surrogate is part of a pair.
bool WellFormed(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i])) {
            if (i + 1 >= text.size() || !IsLow(text[i + 1])) return false;
            ++i;
        } else if (IsLow(text[i]) || text[i] == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

int32_t DecryptOnlyOneStringAndDecode2String(CStringW& out, int32_t /*mode*/, int32_t /*flags*/,
                                             const CStringW& stored, void* /*reserved*/) {
    out.Empty();
    if (stored.Left(kMarkerLength) != CStringW(kMarker)) return 0;
    const CStringW digits = stored.Mid(kMarkerLength);
    if (digits.GetLength() % 4 != 0) return 0;
    std::u16string text;
    for (int at = 0; at < digits.GetLength(); at += 4) {
        int unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int value = DigitValue(digits[at + i]);
            if (value < 0) return 0;
            unit = unit * 16 + value;
        }
        text += static_cast<char16_t>(unit ^ kMask);
    }
    if (!WellFormed(text)) return 0;
    out = CStringW(text.c_str(), static_cast<int>(text.size()));
    return out.GetLength();
}

CStringW EncryptOnlyOneStringAndEncode2String(const CStringW& text) {
    CStringW stored(kMarker);
    for (int i = 0; i < text.GetLength(); ++i) {
        const char16_t unit = static_cast<char16_t>(text[i] ^ kMask);
        for (int shift = 12; shift >= 0; shift -= 4) stored += kDigits[(unit >> shift) & 0xF];
    }
    return stored;
}
