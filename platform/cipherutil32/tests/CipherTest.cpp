#include <gtest/gtest.h>

#include <string>

#include "cipherutil32.h"

namespace {

std::string Utf8(const CStringW& text) { return CStringA(text).GetString(); }

CStringW Decode(const CStringW& stored) {
    CStringW out(u"previous");
    const int32_t length = DecryptOnlyOneStringAndDecode2String(out, 1, 0, stored, nullptr);
    EXPECT_EQ(length, out.GetLength());
    return out;
}

TEST(Cipher, TheStoredFormDecodesToTheText) {
    for (const char16_t* text : {u"tiger", u"p@ss w/rd;\"'", u"\u00e4\u00f6\u00fc\u20ac", u"\U0001F600x"}) {
        const CStringW stored = EncryptOnlyOneStringAndEncode2String(text);
        EXPECT_EQ(stored.Find(text), -1) << Utf8(stored);
        EXPECT_EQ(Decode(stored), CStringW(text)) << Utf8(stored);
    }
}

TEST(Cipher, AnythingElseGivesAnEmptyText) {
    const CStringW good = EncryptOnlyOneStringAndEncode2String(u"tiger");
    const CStringW cases[] = {
        u"",
        u"tiger",                         // a password kept in plain
        good.Mid(1),                      // the marker damaged
        good.Left(good.GetLength() - 1),  // a digit short
        good.Left(good.GetLength() - 1) + u"G",
        CStringW(u"{CU32}"),              // an empty text is no password
        CStringW(u"{CU32}") + EncryptOnlyOneStringAndEncode2String(CStringW(u"\xD800", 1)).Mid(6),   // lone surrogate
        EncryptOnlyOneStringAndEncode2String(CStringW(u"a\0b", 3)),                                   // a terminator
    };
    for (const CStringW& stored : cases) EXPECT_EQ(Decode(stored), CStringW()) << Utf8(stored);
}

}  // namespace
