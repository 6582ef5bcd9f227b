// Value classes: texts, geometry, dates and times, fractions.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "svbasics.h"

void PrintTo(const Rectangle& r, std::ostream* os) {
    *os << "(" << r.Left() << ", " << r.Top() << ", " << r.Right() << ", " << r.Bottom() << ")";
}

namespace {

TEST(StringTest, TokensSplitAtEverySeparator) {
    struct Case {
        const char* text;
        char sep;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"120,,90,", ',', {"120", "", "90", ""}},
        {"120,80,", ',', {"120", "80", ""}},
        {"", ',', {}},
        {",", ',', {"", ""}},
        {"a,b", ';', {"a,b"}},
        {"x;y", ';', {"x", "y"}},
    };
    for (const Case& c : cases) {
        const String s(c.text);
        SCOPED_TRACE(c.text);
        ASSERT_EQ(s.GetTokenCount(c.sep), c.tokens.size());
        for (size_t i = 0; i < c.tokens.size(); ++i)
            EXPECT_EQ(std::string(s.GetToken(static_cast<uint16_t>(i), c.sep).GetStr()), c.tokens[i]);
        EXPECT_EQ(String(s.GetToken(static_cast<uint16_t>(c.tokens.size()), c.sep)), "");
    }
}

TEST(StringTest, TextToNumberReadsSignAndLeadingDigitsAndSaturates) {
    struct Case {
        const char* text;
        short s;
        unsigned short us;
        int i;
        long l;
        unsigned long ul;
    };
    const Case cases[] = {
        {"42", 42, 42, 42, 42, 42},
        {"  -17abc", -17, 0, -17, -17, 0},
        {"+8", 8, 8, 8, 8, 8},
        {"abc", 0, 0, 0, 0, 0},
        {"", 0, 0, 0, 0, 0},
        {"-", 0, 0, 0, 0, 0},
        {"40000", SHRT_MAX, 40000, 40000, 40000, 40000},
        {"70000", SHRT_MAX, USHRT_MAX, 70000, 70000, 70000},
        {"-40000", SHRT_MIN, 0, -40000, -40000, 0},
        {"4294967295", SHRT_MAX, USHRT_MAX, INT_MAX, 2147483647L, 4294967295UL},
        {"99999999999999999999999", SHRT_MAX, USHRT_MAX, INT_MAX, 2147483647L, 4294967295UL},
        {"-99999999999999999999999", SHRT_MIN, 0, INT_MIN, -2147483647L - 1, 0},
    };
    for (const Case& c : cases) {
        const String s(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(static_cast<short>(s), c.s);
        EXPECT_EQ(static_cast<unsigned short>(s), c.us);
        EXPECT_EQ(static_cast<int>(s), c.i);
        EXPECT_EQ(static_cast<long>(s), c.l);
        EXPECT_EQ(static_cast<unsigned long>(s), c.ul);
    }
    EXPECT_DOUBLE_EQ(static_cast<double>(String("3.5x")), 3.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(String("x")), 0.0);
    EXPECT_EQ(static_cast<char>(String("beta")), 'b');
    EXPECT_EQ(static_cast<char>(String()), '\0');
}

TEST(StringTest, NumbersNullTextsAndEditing) {
    EXPECT_EQ(String(static_cast<short>(-1)), "-1");
    EXPECT_EQ(String(static_cast<unsigned short>(65535)), "65535");
    EXPECT_EQ(String(4294967295u), "4294967295");
    EXPECT_EQ(String('x'), "x");
    const char* none = nullptr;
    EXPECT_EQ(String(none).Len(), 0);
    EXPECT_TRUE(!String(none));

    String s("Hello");
    s += " world";
    s += '!';
    EXPECT_EQ(s, "Hello world!");
    EXPECT_EQ(s.Search("world"), 6);
    EXPECT_EQ(s.Search('o', 5), 7);
    EXPECT_EQ(s.Search("moon"), STRING_NOTFOUND);
    EXPECT_EQ(s.Copy(6, 5), "world");
    EXPECT_EQ(s(6), "world!");
    EXPECT_EQ(s[1], 'e');
    EXPECT_EQ(s[200], '\0');
    s.Erase(5, 6).Insert(",", 5).Upper();
    EXPECT_EQ(s, "HELLO,!");
    EXPECT_EQ(String("abc").Compare(String("abd")), COMPARE_LESS);
    EXPECT_TRUE(String("\xe4") > String("z"));  // bytes compare unsigned

    // A text is cut at its maximum length.
    const std::string big(70000, 'a');
    String longText(big.c_str());
    EXPECT_EQ(longText.Len(), STRING_MAXLEN);
    longText += "more";
    EXPECT_EQ(longText.Len(), STRING_MAXLEN);
}

TEST(RectangleTest, EmptyAndWidthRules) {
    struct Case {
        Rectangle r;
        int32_t width, height;
        bool empty;
    };
    const Case cases[] = {
        {Rectangle(), 0, 0, true},
        {Rectangle(0, 0, RECT_EMPTY, 10), 0, 0, true},
        {Rectangle(0, 0, 10, RECT_EMPTY), 0, 0, true},
        {Rectangle(0, 0, 0, 0), 1, 1, false},
        {Rectangle(10, 20, 19, 24), 10, 5, false},
        {Rectangle(10, 20, 5, 10), -6, -11, false},
        {Rectangle(Point(3, 4), Size(5, 6)), 5, 6, false},
        {Rectangle(Point(3, 4), Size(0, 6)), 0, 0, true},
        {Rectangle(Point(3, 4), Size(-5, 6)), -5, 6, false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].r.GetWidth(), cases[i].width);
        EXPECT_EQ(cases[i].r.GetHeight(), cases[i].height);
        EXPECT_EQ(cases[i].r.IsEmpty(), cases[i].empty);
        EXPECT_EQ(cases[i].r.GetSize(), Size(cases[i].width, cases[i].height));
    }
}

TEST(RectangleTest, UnionAndIntersectionWithEmptyOnes) {
    const Rectangle a(0, 0, 9, 9);
    const Rectangle b(5, 5, 14, 19);
    const Rectangle far(100, 100, 110, 110);
    const Rectangle empty;
    const Rectangle emptyElsewhere(50, 50, RECT_EMPTY, RECT_EMPTY);
    struct Case {
        Rectangle x, y, unite, meet;
    };
    const Case cases[] = {
        {a, b, Rectangle(0, 0, 14, 19), Rectangle(5, 5, 9, 9)},
        {a, far, Rectangle(0, 0, 110, 110), empty},
        {a, empty, a, empty},
        {empty, a, a, empty},
        {emptyElsewhere, b, b, empty},
        {empty, emptyElsewhere, empty, empty},  // nothing added to an empty one
        {Rectangle(9, 9, 0, 0), b, Rectangle(0, 0, 14, 19), Rectangle(5, 5, 9, 9)},  // unjustified
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].x.GetUnion(cases[i].y), cases[i].unite);
        EXPECT_EQ(cases[i].x.GetIntersection(cases[i].y), cases[i].meet);
    }
}

TEST(RectangleTest, MovingKeepsEmptyEdgesAndCornersCollapse) {
    Rectangle r(10, 20, 19, 24);
    r += Point(5, -5);
    EXPECT_EQ(r, Rectangle(15, 15, 24, 19));
    r.SetPos(Point(0, 0));
    EXPECT_EQ(r, Rectangle(0, 0, 9, 4));
    EXPECT_EQ(r.Center(), Point(4, 2));
    EXPECT_EQ(r.BottomRight(), Point(9, 4));

    Rectangle e;
    e.Move(3, 3);
    EXPECT_EQ(e, Rectangle(3, 3, RECT_EMPTY, RECT_EMPTY));
    EXPECT_EQ(e.BottomRight(), Point(3, 3));

    Point p(10, -20);
    p /= 0;  // a division by zero changes nothing
    EXPECT_EQ(p, Point(10, -20));
    p /= 10;
    EXPECT_EQ(p, Point(1, -2));
}

TEST(DateTest, PackedValueAndItsParts) {
    struct Case {
        uint16_t day, month, year;
        uint32_t packed;
        uint16_t daysInYear;
        bool valid;
    };
    const Case cases[] = {
        {3, 2, 2001, 20010203u, 365, true},
        {29, 2, 2000, 20000229u, 366, true},
        {29, 2, 1900, 19000229u, 365, false},
        {31, 12, 9999, 99991231u, 365, true},
        {45, 13, 2001, 20011345u, 365, false},
        {0, 0, 0, 0u, 366, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packed);
        const Date d(c.day, c.month, c.year);
        EXPECT_EQ(d.GetDate(), c.packed);
        const Date back(c.packed);
        EXPECT_EQ(back.GetDay(), c.day);
        EXPECT_EQ(back.GetMonth(), c.month);
        EXPECT_EQ(back.GetYear(), c.year);
        EXPECT_EQ(d.GetDaysInYear(), c.daysInYear);
        EXPECT_EQ(d.IsValid(), c.valid);
    }
    EXPECT_TRUE(Date(15, 6, 2000).IsBetween(Date(1, 1, 2000), Date(31, 12, 2000)));
    EXPECT_FALSE(Date(1, 1, 2001).IsBetween(Date(1, 1, 2000), Date(31, 12, 2000)));
}

SvClockValue FixedClock() { return SvClockValue{2001, 2, 3, 13, 5, 9, 42}; }

TEST(DateTest, NowComesFromTheInstalledClock) {
    const SvClockFn previous = SvSetClock(&FixedClock);
    EXPECT_EQ(Date().GetDate(), 20010203u);
    EXPECT_EQ(Time().GetTime(), 13050942);
    const DateTime now;
    EXPECT_EQ(now.GetDate(), 20010203u);
    EXPECT_EQ(now.GetTime(), 13050942);
    SvSetClock(previous);
    EXPECT_NE(Date().GetYear(), 2001);
}

TEST(TimeTest, PackedPartsCarryAndSign) {
    const Time t(1, 75, 61, 150);  // 1:75:61.150 is 2:16:02.50
    EXPECT_EQ(t.GetTime(), 2160250);
    EXPECT_EQ(t.GetHour(), 2);
    EXPECT_EQ(t.GetMin(), 16);
    EXPECT_EQ(t.GetSec(), 2);
    EXPECT_EQ(t.Get100Sec(), 50);
    const Time n = -t;
    EXPECT_EQ(n.GetTime(), -2160250);
    EXPECT_EQ(n.GetMin(), 16);
    EXPECT_TRUE(n < t);
    EXPECT_TRUE(Time(12, 0).IsBetween(Time(8, 0), Time(17, 30)));
}

TEST(FractionTest, StaysReducedAndInvalidStaysInvalid) {
    Fraction zoom(1, 4);
    const Fraction step(3, 2);
    zoom *= step;
    EXPECT_EQ(zoom.GetNumerator(), 3);
    EXPECT_EQ(zoom.GetDenominator(), 8);
    zoom *= step;
    EXPECT_EQ(zoom.GetNumerator(), 9);
    EXPECT_EQ(zoom.GetDenominator(), 16);
    EXPECT_TRUE(zoom < Fraction(16, 1));
    EXPECT_TRUE(Fraction(16, 1) > zoom);

    struct Case {
        int32_t n, d;
        int32_t rn, rd;
        bool valid;
        long whole;
    };
    const Case cases[] = {
        {6, 8, 3, 4, true, 0},      {0, 5, 0, 1, true, 0},  {2, -4, -1, 2, true, 0},
        {-9, -3, 3, 1, true, 3},    {7, 2, 7, 2, true, 3},  {1, 0, 0, 0, false, 0},
        {INT32_MIN, -1, 0, 0, false, 0},  // 2^31 does not fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + "/" + std::to_string(c.d));
        const Fraction f(c.n, c.d);
        EXPECT_EQ(f.GetNumerator(), c.rn);
        EXPECT_EQ(f.GetDenominator(), c.rd);
        EXPECT_EQ(f.IsValid(), c.valid);
        EXPECT_EQ(static_cast<long>(f), c.whole);
    }
    Fraction invalid(1, 0);
    invalid *= Fraction(2, 3);
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_FALSE(invalid == invalid);
    EXPECT_FALSE(invalid < Fraction(1, 2));
    EXPECT_FALSE((Fraction(65536, 1) * Fraction(65536, 1)).IsValid());  // result out of range
    EXPECT_EQ(Fraction(0, 1), Fraction(0, 7));
}

TEST(ColorTest, NamedSystemAndRgbColours) {
    EXPECT_EQ(Color(COL_WHITE).GetRGB24(), 0xFFFFFFu);
    EXPECT_EQ(Color(COL_GRAY).GetRed(), 0x8080);
    EXPECT_EQ(Color(COL_HIGHLIGHT).GetRGB24(), Color(COL_BLUE).GetRGB24());
    EXPECT_EQ(Color(COL_WINDOW).GetRGB24(), 0xFFFFFFu);
    const Color rgb(0x1234, 0xFFFF, 0);
    EXPECT_EQ(rgb.GetColorName(), COL_RGB);
    EXPECT_EQ(rgb.GetRGB24(), 0x12FF00u);
    EXPECT_NE(Color(COL_WHITE), Color(0xFFFF, 0xFFFF, 0xFFFF));
    EXPECT_EQ(Color(static_cast<ColorName>(200)), Color(COL_BLACK));
}

TEST(FontTest, FixedMetrics) {
    struct Case {
        int32_t height, charWidth;
    };
    const Case cases[] = {{0, 8}, {13, 8}, {10, 6}, {30, 18}, {11, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        const Font f(String("Helvetica"), Size(0, c.height));
        EXPECT_EQ(SvTextSize(f, 5), Size(5 * c.charWidth, c.height == 0 ? 13 : c.height));
    }
    Font f(FAMILY_SWISS, Size(0, 12));
    EXPECT_EQ(f.ChangeSize(Size(0, 30)), Size(0, 12));
    EXPECT_EQ(f.ChangeWeight(WEIGHT_BOLD), WEIGHT_DONTKNOW);
    EXPECT_EQ(f.GetWeight(), WEIGHT_BOLD);
}

}  // namespace
