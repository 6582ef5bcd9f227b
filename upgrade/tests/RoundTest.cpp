#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "UpgradeTestSupport.h"
#include "XKxBaseFunctions.h"
#include "XRound.h"

namespace {

using upgrade_test::FakeClock;

TEST(XTime, DurationTexts) {
    struct Case { int32_t ms; int32_t decimals; bool shortUnits; const char16_t* text; };
    const Case cases[] = {
        {3723000, 0, false, u"01:02:03 hours  "},
        {59000, 0, false, u"59 seconds"},
        {5000, 0, false, u" 5 seconds"},
        {90061000, 0, false, u"1 day and 01:01:01 hours  "},
        {90061000, 0, true, u"1 day and 01:01:01 h"},
        {3 * 86400000 + 5000, 0, false, u"3 days and 00:00:05 hours  "},
        {65000, 0, false, u"01:05 minutes"},
        {65000, 0, true, u"01:05 m"},
        {600000, 0, false, u"10:00 minutes"},
        {0, -1, false, u" 0 seconds"},
        {1499, 0, false, u" 1 seconds"},     // rounded, not cut
        {61250, 2, false, u"01:01.25 minutes"},
        {1250, 2, true, u" 1.25 s"},
        {3723000, 9, false, u"01:02:03.00000 hours  "},   // decimals kept at 5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ms) + "/" + std::to_string(c.decimals));
        XTime time(c.ms, c.decimals);
        time.SetShortUnits(c.shortUnits);
        EXPECT_EQ(time.GetText(), c.text);
    }
}

TEST(XRound, HysteresisHoldsTheShownValueAgainstTheDirectionOfChange) {
    XTime shown(0, 0);
    shown.SetHysteresis(0.39);
    // Going up: n + 1 only from n + 0.89 on.
    for (int32_t ms : {1000, 2000, 3000}) shown.SetMilliseconds(ms);
    EXPECT_EQ(shown.GetRounded(), 3);
    shown.SetMilliseconds(3880);
    EXPECT_EQ(shown.GetRounded(), 3);
    shown.SetMilliseconds(3890);
    EXPECT_EQ(shown.GetRounded(), 4);
    // Going down: n stays until the value falls below n - 0.89.
    shown.SetMilliseconds(2000);
    EXPECT_EQ(shown.GetRounded(), 2);
    shown.SetMilliseconds(1120);
    EXPECT_EQ(shown.GetRounded(), 2);
    shown.SetMilliseconds(1100);
    EXPECT_EQ(shown.GetRounded(), 1);
    EXPECT_TRUE(shown.IsRoundedEqual(1.5));
    EXPECT_FALSE(shown.IsRoundedEqual(2.0));
}

TEST(XPercent, TextAndDecimalsFollowTheTotal) {
    struct Case { int32_t done, total; const char16_t* text; int32_t decimals; };
    const Case cases[] = {
        {1, 3, u" 33%", 0},
        {1, 316, u"  0%", 0},
        {1, 317, u"  0.3%", 1},
        {1, 12000, u"  0.01%", 2},
        {9999, 9999, u"100.0%", 1},
        {1, 10000, u"  0.01%", 2},
        {1, 316228, u"  0.000%", 3},
        {5, 0, u"  0%", 0},
        {30000000, 40000000, u" 75.0000%", 4},   // done x 100 beyond the int32 range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + "/" + std::to_string(c.total));
        const XPercent p(c.done, c.total, 0);
        EXPECT_EQ(p.GetText(), c.text);
        EXPECT_EQ(p.GetDecimals(), c.decimals);
    }
    struct Magnitude { int32_t total, decimals; };
    for (const Magnitude& m : {Magnitude{-5, 0}, Magnitude{316, 0}, Magnitude{317, 1}, Magnitude{9999, 1},
                               Magnitude{10000, 2}, Magnitude{316227, 2}, Magnitude{316228, 3},
                               Magnitude{9999999, 3}, Magnitude{10000000, 4}, Magnitude{INT_MAX, 5}}) {
        EXPECT_EQ(MagnitudeDecimals(m.total), m.decimals) << m.total;
    }
}

TEST(XPercent, HasChangedOnlyWhenTheRoundedValueMoves) {
    XPercent p(0, 200, 0);
    EXPECT_FALSE(p.HasChanged());
    p.SetDone(1);   // 0.5 rounds to 1
    EXPECT_TRUE(p.HasChanged());
    EXPECT_FALSE(p.HasChanged());
    p.SetTotal(200);   // the same total changes nothing
    p.SetDone(2);      // 1%: still the value shown
    EXPECT_FALSE(p.HasChanged());
    p.SetDone(4);
    EXPECT_TRUE(p.HasChanged());
}

TEST(XPercent, AddItemFractionAddsTheShareOfThePartlyDoneItem) {
    XPercent p(2, 4, 0);
    p.AddItemFraction(1, 2);   // 50% + half of one item's 25%
    EXPECT_DOUBLE_EQ(p.GetRounded(), 63);
    EXPECT_EQ(p.GetDecimals(), 0);
    XPercent first(0, 4, 0);   // nothing done yet: the running item is 100 / total
    first.AddItemFraction(1, 2);
    EXPECT_DOUBLE_EQ(first.GetRounded(), 13);
    EXPECT_EQ(first.GetText(), u" 13%");
    XPercent none(0, 0, 0);
    none.AddItemFraction(1, 2);
    EXPECT_DOUBLE_EQ(none.GetRounded(), 0);
}

TEST(XTimeAction, StopwatchEstimateAndReportPace) {
    FakeClock ticks(10000);
    XTimeAction timer;
    EXPECT_TRUE(timer.GetElapsedText().IsEmpty());   // never started
    timer.Start(0);
    EXPECT_EQ(timer.EstimateTotal(), 0);   // nothing done yet
    ticks.Advance(4000);
    timer.SetProgress(1, 4);
    timer.Update();
    EXPECT_EQ(timer.GetElapsedText(), u" 4 seconds");
    EXPECT_EQ(timer.EstimateTotal(), 16000);
    EXPECT_EQ(timer.Remaining(), 12000);
    EXPECT_EQ(timer.GetEstimatedTotalText(), u"16 seconds");
    EXPECT_EQ(timer.GetRemainingText(), u"12 seconds");
    timer.SetEstimateBase(2000);   // counting began at 2 s
    EXPECT_EQ(timer.EstimateTotal(), 4 * 2000 + 2000);

    EXPECT_TRUE(timer.IsReportDue());
    ticks.Advance(199);
    timer.Update();
    EXPECT_FALSE(timer.IsReportDue());
    ticks.Advance(1);
    timer.Update();
    EXPECT_TRUE(timer.IsReportDue());

    ticks.Advance(800);
    timer.Stop();
    EXPECT_EQ(timer.GetMilliseconds(), 5000);
    timer.Start(1500);   // an offset counts as time already run
    EXPECT_EQ(timer.GetStartClock(), 15000 - 1500);
}

TEST(XTimeAction, EstimateStaysInTheInt32Range) {
    FakeClock ticks(1000);
    XTimeAction timer;
    timer.Start(0);
    ticks.Advance(600000);
    timer.SetProgress(1, 2000000000);   // 2e9 / 1 x 600 s overflows int32 milliseconds
    timer.Update();
    EXPECT_EQ(timer.EstimateTotal(), INT_MAX);
    EXPECT_EQ(timer.Remaining(), INT_MAX - 600000);
    timer.SetProgress(0, 10);
    EXPECT_EQ(timer.EstimateTotal(), 0);
}

}  // namespace
