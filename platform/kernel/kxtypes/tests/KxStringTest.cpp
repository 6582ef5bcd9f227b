#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "KxIString.h"
#include "KxString.h"

namespace {

TEST(KxString, InactiveIsDistinctFromEmpty) {
    const KxString null;
    const KxString empty("");
    const KxString fromNullptr(static_cast<const char*>(nullptr));

    EXPECT_FALSE(null.IsActive());
    EXPECT_FALSE(fromNullptr.IsActive());
    EXPECT_TRUE(empty.IsActive());
    EXPECT_TRUE(null.IsEmpty());
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(null.StrGet(), "");
    EXPECT_EQ(null.Len(), 0u);

    EXPECT_NE(null, empty);
    EXPECT_EQ(null, fromNullptr);
    EXPECT_LT(null.Compare(empty, KxString::KX_CASESENSITIVE), 0);
    EXPECT_TRUE(KxString::EmptyString().IsActive());
    EXPECT_EQ(KxString::EmptyString(), empty);

    KxString s("text");
    s.SetInactive();
    EXPECT_FALSE(s.IsActive());
    EXPECT_EQ(s, null);
    s += KxString("");
    EXPECT_TRUE(s.IsActive()) << "appending makes an inactive text active";

    KxString moved(std::move(s));
    EXPECT_TRUE(moved.IsActive());
}

TEST(KxString, EqualityIsCaseSensitive) {
    EXPECT_EQ(KxString("Table"), KxString("Table"));
    EXPECT_NE(KxString("Table"), KxString("TABLE"));
    EXPECT_TRUE(KxString("abc") == "abc");
    EXPECT_TRUE("abc" == KxString("abc"));
    EXPECT_TRUE("ABC" != KxString("abc"));
    // The same characters in 8-bit and 16-bit form are equal.
    EXPECT_EQ(KxString("caf\xE9"), KxString(u"caf\u00E9"));
    EXPECT_LT(KxString("ABC"), KxString("abc"));
}

struct CompareCase {
    const char* a;
    const char* b;
    int32_t flags;
    int expectedSign;
};

TEST(KxString, CompareHonoursItsFlags) {
    const CompareCase cases[] = {
        {"abc", "ABC", 0x01, 1},        // case-sensitive: 'a' > 'A'
        {"abc", "ABC", 0x00, 1},        // no flag: case-sensitive
        {"abc", "ABC", 0x20, 0},        // ignore case
        {"abc", "ABC", 0x21, 0},        // ignore case wins over case-sensitive (flags 33)
        {"abc", "ABC", 0x31, 0},        // 0x10 changes nothing
        {"abc", "ABC", 0x11, 1},
        {"abc", "abd", 0x20, -1},
        {"ab", "abc", 0x01, -1},
        {"abc", "ab", 0x20, 1},
        {"", "", 0x01, 0},
        {"\xC4pfel", "\xE4PFEL", 0x20, 0},   // Latin-1 letters fold too
        {"\x8A" "a", "\x9A" "A", 0x20, 0},      // the Windows-1252 extras (S with caron)
    };
    for (const CompareCase& c : cases) {
        const int32_t r = KxString(c.a).Compare(KxString(c.b), c.flags);
        const int sign = r < 0 ? -1 : (r > 0 ? 1 : 0);
        EXPECT_EQ(sign, c.expectedSign) << c.a << " vs " << c.b << " flags " << c.flags;
    }
}

struct FindCase {
    const char* text;
    char c;
    int32_t from;
    int32_t to;
    int32_t expected;
};

TEST(KxString, FindGivesThePositionOrANegativeValue) {
    const FindCase cases[] = {
        {"a,b,c", ',', 0, -1, 1},
        {"a,b,c", ',', 2, -1, 3},
        {"a,b,c", ',', 0, 0, -1},      // 'to' is the last position searched
        {"a,b,c", ',', 0, 1, 1},
        {"a,b,c", ',', 4, -1, -1},
        {"a,b,c", ',', 0, 99, 1},      // past the end: up to the end
        {"a,b,c", ';', 0, -1, -1},
        {"", ',', 0, -1, -1},
        {"abc", 'c', -5, -1, 2},
    };
    for (const FindCase& c : cases) {
        const int32_t r = KxString(c.text).Find(c.c, c.from, c.to);
        if (c.expected < 0) EXPECT_LT(r, 0) << c.text << " " << c.c << " " << c.from << ".." << c.to;
        else EXPECT_EQ(r, c.expected) << c.text << " " << c.c << " " << c.from << ".." << c.to;
    }
    EXPECT_LT(KxString().Find('a'), 0);
    EXPECT_EQ(KxString(u"\u4E2D.x").Find('.'), 1);
    EXPECT_EQ(KxString(u"\u20AC").Find('\x80'), 0) << "a code set 1 character finds its 16-bit form";
}

TEST(KxString, SubStringPos) {
    const KxString text("copy -SourceDir a -TargetDir b");
    EXPECT_EQ(text.SubStringPos(KxString("-SourceDir"), KxString::KX_CASESENSITIVE), 5);
    EXPECT_EQ(text.SubStringPos(KxString("-sourcedir"), KxString::KX_CASESENSITIVE), -1);
    EXPECT_EQ(text.SubStringPos(KxString("-sourcedir"), KxString::KX_IGNORECASE), 5);
    EXPECT_EQ(text.SubStringPos(KxString("-TargetDir"), 0xFFFF), 18);
    EXPECT_EQ(text.SubStringPos(KxString("missing"), 0), -1);
    EXPECT_EQ(text.SubStringPos(KxString("b"), 0), 29);
    EXPECT_EQ(KxString("ab").SubStringPos(KxString("abc"), 0), -1);
    EXPECT_EQ(KxString().SubStringPos(KxString("a"), 0), -1);
}

TEST(KxString, CodeSetMapping) {
    // The euro sign has a code set 1 byte.
    KxString euro(u"\u20AC 5");
    EXPECT_EQ(euro.CodeSet(), 253);
    EXPECT_TRUE(euro.Is16Bit());
    ASSERT_EQ(euro.SetCodeSet(1), 0);
    EXPECT_FALSE(euro.Is16Bit());
    EXPECT_STREQ(euro.StrGet(), "\x80 5");
    ASSERT_EQ(euro.SetCodeSet(253), 0);
    EXPECT_EQ(euro, KxString(u"\u20AC 5"));

    // A character without a code set 1 form cannot be mapped: negative, text unchanged.
    KxString han(u"a\u4E2D");
    EXPECT_LT(han.SetCodeSet(1), 0);
    EXPECT_EQ(han.CodeSet(), 253);
    EXPECT_EQ(han.Len(), 2u);
    EXPECT_EQ(han, KxString(u"a\u4E2D"));
    EXPECT_STREQ(han.StrGet(), "a?") << "the 8-bit view marks what it cannot show";

    // A byte that is undefined in code set 1 cannot be mapped to 16 bits.
    KxString undefinedByte("x\x81");
    EXPECT_LT(undefinedByte.SetCodeSet(253), 0);
    EXPECT_EQ(undefinedByte.CodeSet(), 1);
    EXPECT_EQ(undefinedByte.Len(), 2u);

    // Unknown code sets are refused; 0 is an 8-bit code set like 1.
    KxString plain("abc");
    EXPECT_EQ(plain.SetCodeSet(7), KX_TYPES_E_CODESET);
    EXPECT_EQ(plain.SetCodeSet(0), 0);
    EXPECT_EQ(plain.CodeSet(), 0);
    EXPECT_STREQ(plain.StrGet(), "abc");

    // An inactive text takes the code set and stays inactive.
    KxString null;
    EXPECT_EQ(null.SetCodeSet(253), 0);
    EXPECT_FALSE(null.IsActive());
    EXPECT_EQ(null.CodeSet(), 253);
}

TEST(KxString, Utf8Helpers) {
    const KxString latin = KxString::FromUtf8("h\xC3\xA9 \xE2\x82\xAC");   // "hé €"
    EXPECT_EQ(latin.CodeSet(), 1);
    EXPECT_STREQ(latin.StrGet(), "h\xE9 \x80");
    EXPECT_EQ(latin.ToUtf8(), "h\xC3\xA9 \xE2\x82\xAC");

    const std::string wide = "\xE4\xB8\xAD \xF0\x9F\x98\x80";   // a CJK character and an emoji
    const KxString w = KxString::FromUtf8(wide);
    EXPECT_EQ(w.CodeSet(), 253);
    EXPECT_EQ(w.Len(), 4u) << "the emoji takes two UTF-16 code units";
    EXPECT_EQ(w.ToUtf8(), wide);

    for (const char* bad : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\xFF"}) {
        EXPECT_FALSE(KxString::FromUtf8(bad).IsActive()) << "malformed UTF-8 is not a text";
    }
    EXPECT_TRUE(KxString::FromUtf8("").IsActive());
    EXPECT_EQ(KxString().ToUtf8(), "");
}

TEST(KxString, ConcatenationAndInsertion) {
    KxString s("n=");
    s << int32_t(-5) << ' ' << uint32_t(4294967295u) << ' ' << std::numeric_limits<int64_t>::min() << ' '
      << std::numeric_limits<uint64_t>::max() << ' ' << 0.1 << ' ' << "end";
    EXPECT_STREQ(s.StrGet(), "n=-5 4294967295 -9223372036854775808 18446744073709551615 0.1 end");

    KxString mixed = KxString("a") + KxString(u"\u4E2D");
    EXPECT_TRUE(mixed.Is16Bit());
    EXPECT_EQ(mixed, KxString(u"a\u4E2D"));
    mixed << "\xE9";   // code set 1 text appended to a 16-bit text
    EXPECT_EQ(mixed, KxString(u"a\u4E2D\u00E9"));

    KxString self("ab");
    self += self;
    self << self;
    EXPECT_STREQ(self.StrGet(), "abababab");

    EXPECT_STREQ(("x" + KxString("y")).StrGet(), "xy");
    EXPECT_STREQ(KxString(int32_t(42)).StrGet(), "42");
    EXPECT_STREQ(KxString(2.5).StrGet(), "2.5");
    EXPECT_STREQ(KxString('c').StrGet(), "c");
    EXPECT_EQ(KxString("a\0b", 3).Len(), 3u);
}

TEST(KxString, SubstringsTrimAndCase) {
    const KxString s("abcdef");
    EXPECT_STREQ(s.Copy(1, 2).StrGet(), "bc");
    EXPECT_STREQ(s.Copy(4, 99).StrGet(), "ef");
    EXPECT_TRUE(s.Copy(10, 2).IsActive());
    EXPECT_TRUE(s.Copy(10, 2).IsEmpty());
    EXPECT_STREQ(s.Left(3).StrGet(), "abc");
    EXPECT_STREQ(s.Left(30).StrGet(), "abcdef");
    EXPECT_STREQ(s.Right(2).StrGet(), "ef");
    EXPECT_FALSE(KxString().Copy(0, 1).IsActive());

    KxString t(" \t x y \r\n");
    t.LeftTrim();
    EXPECT_STREQ(t.StrGet(), "x y \r\n");
    t.RightTrim();
    EXPECT_STREQ(t.StrGet(), "x y");
    KxString blanks("   ");
    blanks.RightTrim();
    EXPECT_TRUE(blanks.IsActive());
    EXPECT_EQ(blanks.Len(), 0u);

    KxString mixed("Stra\xDF" "e \xC9t\xE9 \x8A\x9A \xFF");
    mixed.ToUpper();
    EXPECT_STREQ(mixed.StrGet(), "STRA\xDF" "E \xC9T\xC9 \x8A\x8A \x9F");
    mixed.ToLower();
    EXPECT_STREQ(mixed.StrGet(), "stra\xDF" "e \xE9t\xE9 \x9A\x9A \xFF");

    KxString greek(u"\u0391\u03B2");
    greek.ToLower();
    EXPECT_EQ(greek, KxString(u"\u03B1\u03B2"));
}

TEST(KxString, ReplaceAll) {
    struct Case {
        const char* text;
        const char* what;
        const char* with;
        const char* expected;
    } cases[] = {
        {"a.b.c", ".", "::", "a::b::c"},
        {"aaa", "aa", "b", "ba"},          // left to right, no overlap
        {"a", "a", "aa", "aa"},            // the replacement is not searched again
        {"abc", "x", "y", "abc"},
        {"abc", "", "y", "abc"},           // an empty pattern changes nothing
        {"'x'", "'", "''", "''x''"},
        {"abc", "abc", "", ""},
    };
    for (const Case& c : cases) {
        KxString s(c.text);
        s.ReplaceAll(KxString(c.what), KxString(c.with));
        EXPECT_STREQ(s.StrGet(), c.expected) << c.text;
    }
    KxString s("a-b");
    s.ReplaceAll(KxString("-"), KxString(u"\u4E2D"));
    EXPECT_EQ(s, KxString(u"a\u4E2Db"));
    s.ReplaceAll(s, KxString("z"));
    EXPECT_STREQ(s.StrGet(), "z");
}

TEST(KxString, TextToNumber) {
    EXPECT_EQ(KxString(" 42abc").ToInt(), 42);
    EXPECT_EQ(KxString("-17").ToInt(), -17);
    EXPECT_EQ(KxString("x1").ToInt(), 0);
    EXPECT_EQ(KxString().ToInt(), 0);
    EXPECT_EQ(KxString("70000").ToShort(), static_cast<int16_t>(70000 - 65536));
    EXPECT_EQ(KxString("4294967295").ToULong(), 4294967295u);
    EXPECT_EQ(KxString("9223372036854775807").ToInt64(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(KxString("99999999999999999999").ToInt64(), std::numeric_limits<int64_t>::max());
    EXPECT_DOUBLE_EQ(KxString(" 3.5kg").ToDouble(), 3.5);
    EXPECT_DOUBLE_EQ(KxString("-1e3").ToDouble(), -1000.0);
    EXPECT_DOUBLE_EQ(KxString("abc").ToDouble(), 0.0);
}

TEST(KxIString, CaseIStringComparesWithoutCase) {
    const KxCaseIString a("Name");
    EXPECT_TRUE(a == KxCaseIString("NAME"));
    EXPECT_TRUE(a == "name");
    EXPECT_TRUE("nAmE" == a);
    EXPECT_TRUE(a == KxString("NAME"));
    EXPECT_TRUE(KxString("NAME") == a);
    EXPECT_TRUE(a != "other");
    EXPECT_FALSE(a < KxCaseIString("name"));

    const KxIString i("Name");
    EXPECT_FALSE(i == KxIString("NAME")) << "KxIString keeps the case-sensitive equality";
    EXPECT_TRUE(i == KxString("Name"));
}

}  // namespace
