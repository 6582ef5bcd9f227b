#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "MfcPrint.h"
#include "afxstr.h"

namespace {

TEST(CStringW, ConvertsUtf8BothWays) {
    const CStringW wide("Grüße \xF0\x9F\x98\x80");   // a character outside the BMP takes two units
    EXPECT_EQ(wide.GetLength(), 8);
    EXPECT_EQ(wide, u"Grüße \U0001F600");
    EXPECT_STREQ(CStringA(wide).GetString(), "Grüße \xF0\x9F\x98\x80");
    EXPECT_TRUE(CStringW(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_STREQ(CStringA(static_cast<const char16_t*>(nullptr)).GetString(), "");
}

TEST(CStringW, FormatFollowsWindowsRules) {
    const CStringW name(u"dict");
    CStringW s;
    s.Format(u"<%s> in [%s]", name, u"xkxdatabase");   // a CStringW passes as its text
    EXPECT_EQ(s, u"<dict> in [xkxdatabase]");
    s.Format(u"%S|%hs|%c|%3.0lf%c|%-4d|%05.2f", "narrow", "hs", u'w', 33.3333, u'%', 7, 3.14159);
    EXPECT_EQ(s, u"narrow|hs|w| 33%|7   |03.14");
    CStringW built;
    built.Format(u"%%%d.%dlf%%c", 6, 2);   // a format made at run time
    EXPECT_EQ(built, u"%6.2lf%c");
    s.Format(built, 0.0083, u'%');
    EXPECT_EQ(s, u"  0.01%");
    s.Format(u"%s and %s", s, s);   // itself as argument
    EXPECT_EQ(s, u"  0.01% and   0.01%");
    s.Format(u"%d%%", -2);
    EXPECT_EQ(s, u"-2%");
}

TEST(CStringW, FindMidLeftRightClampTheirPositions) {
    const CStringW s(u"ab\\cd\\ef");
    EXPECT_EQ(s.Find(u'\\'), 2);
    EXPECT_EQ(s.Find(u'\\', 3), 5);
    EXPECT_EQ(s.Find(u'x'), -1);
    EXPECT_EQ(s.Find(u'a', 99), -1);
    EXPECT_EQ(s.Find(u"cd"), 3);
    EXPECT_EQ(s.Find(u"", 8), 8);
    EXPECT_EQ(s.Find(u"", 9), -1);
    EXPECT_EQ(s.ReverseFind(u'\\'), 5);
    struct Case { int first, count; const char16_t* mid; };
    for (const Case& c : {Case{2, 3, u"\\cd"}, Case{-4, 2, u"ab"}, Case{6, 50, u"ef"}, Case{9, 1, u""},
                          Case{3, -1, u""}, Case{INT_MAX, INT_MAX, u""}}) {
        SCOPED_TRACE(std::to_string(c.first) + ", " + std::to_string(c.count));
        EXPECT_EQ(s.Mid(c.first, c.count), c.mid);
    }
    EXPECT_EQ(s.Mid(6), u"ef");
    EXPECT_EQ(s.Left(2), u"ab");
    EXPECT_EQ(s.Left(-1), u"");
    EXPECT_EQ(s.Right(2), u"ef");
    EXPECT_EQ(s.Right(99), s);
    EXPECT_EQ(s.GetAt(99), u'\0');
}

TEST(CStringW, EditsReplaceTrimAndCase) {
    CStringW s(u"m_strVersion_the_ty5_database");
    EXPECT_EQ(s.Replace(u'_', u' '), 4);
    EXPECT_EQ(s, u"m strVersion the ty5 database");
    CStringW t(u"aXaXa");
    EXPECT_EQ(t.Replace(u"aXa", u"-"), 1);   // left to right, without overlap
    EXPECT_EQ(t, u"-Xa");
    EXPECT_EQ(t.Replace(u"", u"z"), 0);
    CStringW u(u" \t\r\nText Ä \r\n");
    EXPECT_EQ(u.Trim(), u"Text Ä");
    EXPECT_EQ(CStringW(u"  x ").TrimLeft(), u"x ");
    EXPECT_EQ(CStringW(u"  x ").TrimRight(), u"  x");
    EXPECT_EQ(CStringW(u"PrOtoTYPE Ä").MakeLower(), u"prototype ä");
    EXPECT_EQ(CStringW(u"false").CompareNoCase(u"FALSE"), 0);
    EXPECT_LT(CStringW(u"abc").CompareNoCase(u"ABD"), 0);
    EXPECT_GT(CStringW(u"abcd").CompareNoCase(u"ABC"), 0);
    EXPECT_LT(CStringW(u"B").Compare(u"a"), 0);   // ordinal: capitals first
    EXPECT_TRUE(CStringW(u"a") < CStringW(u"b"));
}

TEST(CStringW, ConcatenatesAndRepeats) {
    CStringW s(u'*', 3);
    s += u'-';
    s += CStringW(u"x");
    s += static_cast<const char16_t*>(nullptr);
    EXPECT_EQ(s, u"***-x");
    EXPECT_EQ(u"<" + s + u'>', u"<***-x>");
    EXPECT_EQ(CStringW(u'*', 0), u"");
    s += s.GetString();   // a pointer into the text itself
    EXPECT_EQ(s, u"***-x***-x");
}

}  // namespace
