// International formats of dates, times and numbers, in the default (English) settings and in an
// installed country table.
#include <gtest/gtest.h>

#include "svbasics.h"

namespace {

CountryTable GermanStyle() {
    CountryTable t;
    t.SetCountry(COUNTRY_GERMANY);
    t.SetDateFormat(DMY);
    t.SetDateSep('.');
    t.SetDateCentury(false);
    t.SetTimeFormat(HOUR_12);
    t.SetTimeLeadingZero(false);
    t.SetTime100SecSep(',');
    t.SetTimeAM("vorm.");
    t.SetTimePM("nachm.");
    t.SetNumThousandSep('.');
    t.SetNumDecimalSep(',');
    t.SetNumLeadingZero(false);
    return t;
}

TEST(InternationalTest, DatesAndTimesInTheDefaultAndAnInstalledFormat) {
    struct Case {
        Date date;
        Time time;
        const char* englishDate;
        const char* englishTime;  // seconds, no hundredths
        const char* englishFull;  // seconds and hundredths
        const char* otherDate;
        const char* otherTime;
        const char* otherShort;  // without seconds
    };
    const Case cases[] = {
        {Date(3, 2, 2001), Time(13, 5, 9, 42), "02/03/2001", "13:05:09", "13:05:09.42", "03.02.01", "1:05:09 nachm.",
         "1:05 nachm."},
        {Date(31, 12, 1999), Time(0, 0, 0, 0), "12/31/1999", "00:00:00", "00:00:00.00", "31.12.99", "12:00:00 vorm.",
         "12:00 vorm."},
        {Date(1, 1, 5), Time(23, 59, 59, 99), "01/01/0005", "23:59:59", "23:59:59.99", "01.01.05", "11:59:59 nachm.",
         "11:59 nachm."},
    };
    const International english;
    International other;
    other.ChangeCountryTable(GermanStyle());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.englishDate);
        EXPECT_EQ(english.GetDate(c.date), c.englishDate);
        EXPECT_EQ(english.GetTime(c.time, true, false), c.englishTime);
        EXPECT_EQ(english.GetTime(c.time, true, true), c.englishFull);
        EXPECT_EQ(other.GetDate(c.date), c.otherDate);
        EXPECT_EQ(other.GetTime(c.time, true, false), c.otherTime);
        EXPECT_EQ(other.GetTime(c.time, false, false), c.otherShort);
    }
    EXPECT_EQ(other.GetTime(Time(9, 30, 1, 5), true, true), "9:30:01,05 vorm.");
    EXPECT_EQ(english.GetDateFormat(), MDY);
    EXPECT_EQ(other.GetDateFormatA(), DMY);
    EXPECT_EQ(other.GetTimeFormatA(), HOUR_12);
}

TEST(InternationalTest, NumbersAndLanguageTexts) {
    const International english;
    International other(GermanStyle(), LanguageTable());
    struct Case {
        long value;
        uint16_t digits;
        const char* english;
        const char* other;
    };
    const Case cases[] = {
        {123456, 2, "1,234.56", "1.234,56"}, {-5, 2, "-0.05", "-,05"},   {0, 0, "0", "0"},
        {1000000, 0, "1,000,000", "1.000.000"}, {999, 3, "0.999", ",999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english);
        EXPECT_EQ(english.GetNum(c.value, c.digits), c.english);
        EXPECT_EQ(other.GetNum(c.value, c.digits), c.other);
    }
    EXPECT_EQ(english.GetLanguage(), LANGUAGE_ENGLISH);
    EXPECT_EQ(english.GetMonthText(2), "February");
    EXPECT_EQ(english.GetAbbrevDayText(SUNDAY), "Sun");
    EXPECT_EQ(english.GetMonthText(13), "");
    EXPECT_EQ(english.GetCancelButtonText(), "Cancel");
    EXPECT_EQ(english.GetCurrSymbol(), "$");
}

}  // namespace
