// Dates, Julian days and Oracle format models.
#include <gtest/gtest.h>

#include "sqldatetime.h"

using namespace sqlengine;

TEST(DateTimeTest, StoredTextRoundTrips) {
  for (const DateTime& d : {DateTime{2024, 2, 29, 23, 59, 58}, DateTime{1900, 1, 1, 0, 0, 0}, DateTime{-4712, 1, 1, 0, 0, 0}}) {
    DateTime back;
    ASSERT_TRUE(ParseDateText(FormatDateText(d), back)) << FormatDateText(d);
    EXPECT_EQ(FormatDateText(back), FormatDateText(d));
  }
  EXPECT_EQ(FormatDateText({-4712, 1, 1, 0, 0, 0}), "-4712-01-01 00:00:00");
  DateTime d;
  EXPECT_FALSE(ParseDateText("2023-02-29 00:00:00", d));
  EXPECT_LT(FormatDateText({999, 1, 1, 0, 0, 0}), FormatDateText({2024, 1, 1, 0, 0, 0}));
}

TEST(DateTimeTest, JulianDays) {
  EXPECT_EQ(ToJulianDay({2000, 1, 1, 0, 0, 0}), 2451545);
  EXPECT_EQ(ToJulianDay({1582, 10, 15, 0, 0, 0}), 2299161);
  EXPECT_EQ(ToJulianDay({1582, 10, 4, 0, 0, 0}), 2299160);  // the day before the calendar reform
  for (int64_t jd : {1, 2299160, 2299161, 2451545, 2460000, 5373484}) EXPECT_EQ(ToJulianDay(FromJulianDay(jd)), jd) << jd;
}

TEST(DateTimeTest, ToDateIsLenientAsOracle) {
  struct Case {
    const char* text;
    const char* fmt;
    const char* out;  // canonical text, or null for failure
    int32_t code;
  };
  const Case cases[] = {
      {"01/02/2024", "mm/dd/yyyy", "2024-01-02 00:00:00", 0},
      {"01.02.2024", "mm/dd/yyyy", "2024-01-02 00:00:00", 0},
      {"01/02/202400:00:00", "mm/dd/yyyy hh24:mi:ss", "2024-01-02 00:00:00", 0},
      {"1/2/2024 7:05:09", "mm/dd/yyyy hh24:mi:ss", "2024-01-02 07:05:09", 0},
      {"01/01/1900  00123", "mm/dd/yyyy sssss", "1900-01-01 00:02:03", 0},
      {"2451545", "J", "2000-01-01 00:00:00", 0},
      {"05-JAN-2024", "DD-MON-YYYY", "2024-01-05 00:00:00", 0},
      {"07/01/2024 11:30 PM", "mm/dd/yyyy hh:mi AM", "2024-07-01 23:30:00", 0},
      {"01/02/2024", "mm/dd/yyyy hh24:mi:ss", "2024-01-02 00:00:00", 0},
      {"13/01/2024", "mm/dd/yyyy", nullptr, 1843},
      {"02/30/2024", "mm/dd/yyyy", nullptr, 1847},
      {"01/02/2024 junk", "mm/dd/yyyy", nullptr, 1830},
      {"x1/02/2024", "mm/dd/yyyy", nullptr, 1858},
      {"01/02/2024 25:00:00", "mm/dd/yyyy hh24:mi:ss", nullptr, 1850},
      {"0", "J", nullptr, 1854},
      {"01/02/2024", "mm/qq/yyyy", nullptr, 1821},
  };
  for (const auto& c : cases) {
    DateTime d;
    Error err;
    bool ok = OraToDate(c.text, c.fmt, d, err);
    if (c.out) {
      ASSERT_TRUE(ok) << c.text << " " << err.message;
      EXPECT_EQ(FormatDateText(d), c.out) << c.text;
    } else {
      EXPECT_FALSE(ok) << c.text;
      EXPECT_EQ(err.code, c.code) << c.text << " " << err.message;
    }
  }
}

TEST(DateTimeTest, ToCharOfDates) {
  DateTime d{2024, 1, 2, 13, 5, 9};
  struct Case {
    const char* fmt;
    const char* out;
  };
  const Case cases[] = {
      {"mm/dd/yyyy hh24:mi:ss", "01/02/2024 13:05:09"},
      {"dd.mm.yyyy", "02.01.2024"},
      {"J", "2460312"},
      {"sssss", "47109"},
      {"DD-MON-RR", "02-JAN-24"},
      {"Mon DD", "Jan 02"},
      {"FMMONTH DD", "JANUARY 2"},
      {"hh:mi PM", "01:05 PM"},
      {"\"day\" DDD", "day 002"},
  };
  for (const auto& c : cases) {
    std::string out;
    Error err;
    ASSERT_TRUE(OraDateToChar(d, c.fmt, out, err)) << c.fmt << " " << err.message;
    EXPECT_EQ(out, c.out) << c.fmt;
  }
}

TEST(DateTimeTest, ToCharOfNumbers) {
  struct Case {
    double v;
    const char* fmt;
    const char* out;
  };
  const Case cases[] = {
      {123, "09999", " 00123"}, {-123, "09999", "-00123"}, {5, "999", "   5"},       {-5, "999", "  -5"},
      {0, "999", "   0"},       {1234.5, "9,999.99", " 1,234.50"},                  {123456, "999", "####"},
      {5, "FM999", "5"},        {0.5, "0.9", " 0.5"},
  };
  for (const auto& c : cases) {
    std::string out;
    Error err;
    ASSERT_TRUE(OraNumberToChar(c.v, c.fmt, out, err)) << c.fmt;
    EXPECT_EQ(out, c.out) << c.v << " " << c.fmt;
  }
  EXPECT_EQ(OraNumberText(0.5), ".5");
  EXPECT_EQ(OraNumberText(-2.25), "-2.25");
  EXPECT_EQ(OraNumberText(42), "42");
}
