#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "kxtypes.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Object ids, class ids and references

TEST(KxObjId, ComparesHighWordFirstAndIgnoresTheOrigin) {
    const KxObjId lowMax(0xFFFFFFFFu, 0);
    const KxObjId highOne(0, 1);
    EXPECT_LT(lowMax, highOne);
    EXPECT_GT(highOne, lowMax);
    EXPECT_LT(KxObjId(5, 2), KxObjId(6, 2));
    EXPECT_EQ(KxObjId(5, 2, 7), KxObjId(5, 2, 9));
    EXPECT_EQ(KxObjId(5, 2, 7).Compare(KxObjId(5, 2, 9)), 0);
    EXPECT_TRUE(KxObjId().IsNull());
}

TEST(KxObjId, AddCarriesIntoTheHighWordAndStopsAt48Bits) {
    KxObjId id(0xFFFFFFFEu, 0, 3);
    ASSERT_EQ(id.Add(3), 0);
    EXPECT_EQ(id.GetLow(), 1u);
    EXPECT_EQ(id.GetHigh(), 1);
    EXPECT_EQ(id.GetOrigin(), 3) << "the origin is not touched by arithmetic";
    ASSERT_EQ(id.Add(-2), 0);   // borrow back
    EXPECT_EQ(id.GetLow(), 0xFFFFFFFFu);
    EXPECT_EQ(id.GetHigh(), 0);

    KxObjId last(0xFFFFFFFFu, 0xFFFF);
    EXPECT_EQ(last.Get64(), KxObjId::kMaxValue);
    EXPECT_EQ(last.Add(1), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(last, KxObjId(0xFFFFFFFFu, 0xFFFF)) << "a failed add leaves the id unchanged";
    EXPECT_EQ(last.Add(0), 0);

    KxObjId zero;
    EXPECT_EQ(zero.Add(-1), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(zero.Set64(uint64_t(1) << 48), KX_TYPES_E_OVERFLOW);
    EXPECT_TRUE(zero.IsNull());
}

TEST(KxObjId, PrintsAndScansAsOneDecimalNumber) {
    KxString text;
    ASSERT_EQ(KxObjId(2, 1).PrintToKxString(text), 0);
    EXPECT_STREQ(text.StrGet(), "4294967298");

    KxObjId id(0, 0, 4);
    ASSERT_EQ(id.ScanFromKxString(KxString(" 281474976710655 ")), 0);
    EXPECT_EQ(id, KxObjId(0xFFFFFFFFu, 0xFFFF));
    EXPECT_EQ(id.GetOrigin(), 4);

    EXPECT_EQ(id.ScanFromKxString(KxString("281474976710656")), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(id.ScanFromKxString(KxString("-1")), KX_TYPES_E_SCAN);
    EXPECT_EQ(id.ScanFromKxString(KxString("12x")), KX_TYPES_E_SCAN);
    EXPECT_EQ(id.ScanFromKxString(KxString()), KX_TYPES_E_SCAN);
    EXPECT_EQ(id, KxObjId(0xFFFFFFFFu, 0xFFFF)) << "failed scans leave the id unchanged";
}

TEST(KxClassId, NumberAndVersion) {
    const KxClassId c(17, 2);
    EXPECT_EQ(c.GetClassNumber(), 17);
    EXPECT_EQ(c.GetVersion(), 2);
    EXPECT_TRUE(KxClassId().IsInvalid());
    EXPECT_EQ(KxClassId(), KxClassId::Invalid());
    EXPECT_LT(KxClassId(1, 9), KxClassId(2, 0));

    KxString text;
    c.PrintToKxString(text);
    EXPECT_STREQ(text.StrGet(), "17.2");
    KxClassId back;
    ASSERT_EQ(back.ScanFromKxString(text), 0);
    EXPECT_EQ(back, c);
    ASSERT_EQ(back.ScanFromKxString(KxString("5")), 0);
    EXPECT_EQ(back, KxClassId(5, 0));
    EXPECT_EQ(back.ScanFromKxString(KxString("65536.0")), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(back.ScanFromKxString(KxString("1.x")), KX_TYPES_E_SCAN);
}

TEST(KxRef, ObjectIdClassIdAndBaseMarker) {
    KxRef ref;
    EXPECT_TRUE(ref.IsInvalid());
    EXPECT_EQ(ref, KxRef());

    ref = KxRef(KxObjId(2, 1), KxClassId(17, 2), 9);
    EXPECT_FALSE(ref.IsInvalid());
    EXPECT_NE(ref, KxRef(KxObjId(2, 1), KxClassId(17, 2), 8));
    EXPECT_NE(ref, KxRef(KxObjId(2, 1), KxClassId(17, 3), 9));
    EXPECT_EQ(ref, KxRef(KxObjId(2, 1, 55), KxClassId(17, 2), 9));

    ref = KxObjId(7);
    EXPECT_EQ(ref, KxRef(KxObjId(7))) << "a reference made from an id has no class and no marker";

    ref.Clear();
    EXPECT_TRUE(ref.IsInvalid());
}

TEST(KxRef, PrintAndScanRoundTrip) {
    const KxRef refs[] = {
        KxRef(KxObjId(2, 1), KxClassId(17, 2), 0),
        KxRef(KxObjId(5), KxClassId(3, 0), 9),
        KxRef(KxObjId(0xFFFFFFFFu, 0xFFFF), KxClassId(0xFFFF, 0xFFFF), 0xFFFFFFFFu),
    };
    for (const KxRef& r : refs) {
        KxString text;
        ASSERT_EQ(r.PrintToKxString(text), 0);
        KxRef back;
        ASSERT_EQ(back.ScanFromKxString(text), 0) << text.StrGet();
        EXPECT_EQ(back, r) << text.StrGet();
    }
    KxString text;
    refs[0].PrintToKxString(text);
    EXPECT_STREQ(text.StrGet(), "4294967298:17.2");

    KxRef r = refs[1];
    EXPECT_EQ(r.ScanFromKxString(KxString("12")), KX_TYPES_E_SCAN);
    EXPECT_EQ(r.ScanFromKxString(KxString("281474976710656:1.0")), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(r.ScanFromKxString(KxString("1:a.0")), KX_TYPES_E_SCAN);
    EXPECT_EQ(r, refs[1]);
}

// ---------------------------------------------------------------------------------------------
// Dates and times

KxClockReading FixedClock() { return KxClockReading{2024, 2, 29, 23, 59, 30}; }

class KxDateTimeTest : public ::testing::Test {
protected:
    void TearDown() override { KxDateTime::SetClock(nullptr); }
};

TEST_F(KxDateTimeTest, ConstructionTakesNowFromTheSettableClock) {
    KxDateTime::SetClock(&FixedClock);
    const KxDateTime now;
    EXPECT_EQ(now, KxDateTime(2024, 2, 29, 23, 59, 30));
    EXPECT_EQ(KxDate::Today(), KxDate(2024, 2, 29));
    EXPECT_EQ(KxTime::Now(), KxTime(23, 59, 30));

    KxDateTime::SetClock(nullptr);
    EXPECT_TRUE(KxDateTime().IsValid()) << "the machine clock gives a valid date and time";
}

TEST_F(KxDateTimeTest, DayDifferenceAndSecondsOfTheDay) {
    EXPECT_EQ(KxDate(2024, 2, 28).DayDiff(KxDate(2024, 3, 1)), 2);
    EXPECT_EQ(KxDate(2023, 2, 28).DayDiff(KxDate(2023, 3, 1)), 1);
    EXPECT_EQ(KxDate(1999, 12, 31).DayDiff(KxDate(2000, 1, 1)), 1);
    EXPECT_EQ(KxDate(2000, 1, 1).DayDiff(KxDate(1999, 12, 31)), -1);
    EXPECT_EQ(KxDate(1900, 1, 1).DayDiff(KxDate(2000, 1, 1)), 36524);
    EXPECT_EQ(KxDate(1, 1, 1).DayNumber(), 0);

    // Idle seconds as a connection pool counts them: days x 86400 - stored seconds + current seconds.
    const KxDateTime stored(2024, 2, 29, 23, 59, 30);
    const KxDateTime current(2024, 3, 1, 0, 0, 31);
    EXPECT_EQ(stored.DayDiff(current) * 86400 - stored.SecondsOfDay() + current.SecondsOfDay(), 61);
    EXPECT_EQ(KxTime(23, 59, 59).SecondsOfDay(), 86399);
}

TEST_F(KxDateTimeTest, Validity) {
    struct Case {
        int y, m, d;
        bool valid;
    } dates[] = {
        {2024, 2, 29, true}, {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
        {2024, 4, 31, false}, {2024, 13, 1, false}, {2024, 0, 1, false}, {0, 1, 1, false},
        {9999, 12, 31, true}, {10000, 1, 1, false}, {1, 1, 1, true},
    };
    for (const Case& c : dates) EXPECT_EQ(KxDate(c.y, c.m, c.d).IsValid(), c.valid) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_FALSE(KxDate().IsValid());
    EXPECT_TRUE(KxDate().IsEmpty());

    EXPECT_TRUE(KxTime(0, 0, 0).IsValid());
    EXPECT_TRUE(KxTime(23, 59, 59).IsValid());
    EXPECT_FALSE(KxTime(24, 0, 0).IsValid());
    EXPECT_FALSE(KxTime(0, 60, 0).IsValid());
    EXPECT_FALSE(KxDateTime(2023, 2, 29, 1, 0, 0).IsValid());
    EXPECT_FALSE(KxDateTime(2024, 2, 29, 1, 0, 60).IsValid());
}

TEST_F(KxDateTimeTest, FieldSetters) {
    KxDateTime dt(2024, 1, 31, 10, 20, 30);
    EXPECT_EQ(dt.SetMonth(2), 0);
    EXPECT_FALSE(dt.IsValid()) << "setters store the field; validity is a separate test";
    EXPECT_EQ(dt.SetDay(29), 0);
    EXPECT_TRUE(dt.IsValid());
    EXPECT_EQ(dt.SetMonth(300), KX_TYPES_E_RANGE);
    EXPECT_EQ(dt.SetYear(-1), KX_TYPES_E_RANGE);
    EXPECT_EQ(dt.SetHour(1), 0);
    EXPECT_EQ(dt.SetMinute(2), 0);
    EXPECT_EQ(dt.SetSecond(3), 0);
    EXPECT_EQ(dt, KxDateTime(2024, 2, 29, 1, 2, 3));
    dt.Clear();
    EXPECT_TRUE(dt.IsEmpty());
    EXPECT_FALSE(dt.IsValid());
}

TEST_F(KxDateTimeTest, RootBlockFormatPrintsAndScansBack) {
    const char* kFormat = "%Y-%m-%d %H:%M%:%S";
    const KxDateTime stamps[] = {
        KxDateTime(2024, 3, 5, 7, 8, 9),
        KxDateTime(1, 1, 1, 0, 0, 0),
        KxDateTime(9999, 12, 31, 23, 59, 59),
    };
    for (const KxDateTime& dt : stamps) {
        KxString text;
        ASSERT_EQ(dt.PrintToKxString(text, kFormat), 0);
        KxDateTime back(2000, 1, 1);
        ASSERT_EQ(back.ScanFromKxString(text, kFormat), 0) << text.StrGet();
        EXPECT_EQ(back, dt) << text.StrGet();
    }
    KxString text;
    stamps[0].PrintToKxString(text, kFormat);
    EXPECT_STREQ(text.StrGet(), "2024-03-05 07:08:09");

    // The empty stamp (a dictionary never modified) survives the round trip.
    KxDateTime empty;
    empty.Clear();
    empty.PrintToKxString(text, kFormat);
    EXPECT_STREQ(text.StrGet(), "0000-00-00 00:00:00");
    KxDateTime back(2000, 1, 1);
    ASSERT_EQ(back.ScanFromKxString(text, kFormat), 0);
    EXPECT_TRUE(back.IsEmpty());
}

TEST_F(KxDateTimeTest, ScanRefusesWhatIsNotADateAndKeepsTheValue) {
    const KxDateTime keep(2000, 1, 2, 3, 4, 5);
    const char* bad[] = {"2024-02-30 00:00:00", "2024-03-05 24:00:00", "2024-03-05", "2024-03-05 07:08:09x",
                         "2024/03/05 07:08:09", "0000-00-00 10:00:00", ""};
    for (const char* t : bad) {
        KxDateTime dt = keep;
        EXPECT_EQ(dt.ScanFromKxString(KxString(t)), KX_TYPES_E_SCAN) << t;
        EXPECT_EQ(dt, keep) << t;
    }
    KxDateTime dt = keep;
    EXPECT_EQ(dt.ScanFromKxString(KxString("2024-01-01"), "%Y-%m-%d %Q"), KX_TYPES_E_INVALID);
    KxString out("unchanged");
    EXPECT_EQ(dt.PrintToKxString(out, "%Q"), KX_TYPES_E_INVALID);
    EXPECT_STREQ(out.StrGet(), "unchanged");
}

TEST_F(KxDateTimeTest, OtherFormats) {
    KxString text;
    KxDate(2024, 3, 5).PrintToKxString(text, "%m/%d/%Y");
    EXPECT_STREQ(text.StrGet(), "03/05/2024");
    KxTime(7, 8, 9).PrintToKxString(text);
    EXPECT_STREQ(text.StrGet(), "07:08:09");
    KxDateTime(2024, 3, 5, 7, 8, 9).PrintToKxString(text, "%m/%d/%Y %H:%M:%S 100%%");
    EXPECT_STREQ(text.StrGet(), "03/05/2024 07:08:09 100%");

    KxDate d;
    ASSERT_EQ(d.ScanFromKxString(KxString(" 3/5/2024 "), "%m/%d/%Y"), 0);
    EXPECT_EQ(d, KxDate(2024, 3, 5));
    KxDateTime dt;
    ASSERT_EQ(dt.ScanFromKxString(KxString("2024-03-05    7:08:09")), 0) << "a blank matches a run of blanks";
    EXPECT_EQ(dt, KxDateTime(2024, 3, 5, 7, 8, 9));
}

// ---------------------------------------------------------------------------------------------
// Blobs, 64-bit integers, booleans

TEST(KxBlob, ContentsPositionAndLength) {
    KxBlob b;
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Length(), 0u);
    ASSERT_EQ(b.SetTo("hello", 5), 0);
    EXPECT_EQ(b.Length(), 5u);
    EXPECT_EQ(std::memcmp(b.Data(), "hello", 5), 0);

    ASSERT_EQ(b.Seek(3), 0);
    char buf[8] = {};
    EXPECT_EQ(b.Read(buf, 8), 2u);
    EXPECT_STREQ(buf, "lo");
    EXPECT_EQ(b.Seek(6), KX_TYPES_E_RANGE);
    EXPECT_EQ(b.Position(), 5u);

    ASSERT_EQ(b.Write("!!", 2), 0);   // grows at the end
    EXPECT_EQ(b, KxBlob("hello!!", 7));
    b.Seek(0);
    b.Write("J", 1);
    EXPECT_EQ(b, KxBlob("Jello!!", 7));

    ASSERT_EQ(b.Resize(9), 0);
    EXPECT_EQ(b.Data()[8], 0);
    b.Resize(2);
    EXPECT_EQ(b, KxBlob("Je", 2));
    EXPECT_LE(b.Position(), 2u);

    b.SetTo(b.Data() + 1, 1);   // from its own bytes
    EXPECT_EQ(b, KxBlob("e", 1));
    EXPECT_EQ(b.SetTo(nullptr, 3), KX_TYPES_E_INVALID);
    b.Empty();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Position(), 0u);
}

TEST(KxBoolean, TrueOnlyWhenItsByteIsOne) {
    KxBoolean b;
    EXPECT_FALSE(b.IsTrue());
    b = true;
    EXPECT_TRUE(b.IsTrue());
    EXPECT_EQ(b.GetByte(), 1);
    b.SetByte(2);
    EXPECT_FALSE(b.IsTrue());
    EXPECT_FALSE(static_cast<bool>(b));
    EXPECT_EQ(b, KxBoolean(false));
}

TEST(KxInt64, PrintAndScan) {
    KxString text;
    KxInt64(-9000000000LL).PrintToKxString(text);
    EXPECT_STREQ(text.StrGet(), "-9000000000");
    KxInt64(255).PrintToKxString(text, "%04X");
    EXPECT_STREQ(text.StrGet(), "00FF");
    KxInt64 v;
    ASSERT_EQ(v.ScanFromKxString(KxString("-9223372036854775808")), 0);
    EXPECT_EQ(v.Get(), INT64_MIN);
    EXPECT_EQ(v.ScanFromKxString(KxString("9223372036854775808")), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(v.Get(), INT64_MIN);
    EXPECT_EQ(v.PrintToKxString(text, "%s"), KX_TYPES_E_INVALID);
}

}  // namespace
