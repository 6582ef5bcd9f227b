#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "UpgradeTestSupport.h"
#include "XKxBaseFunctions.h"
#include "XKxStatistic.h"
#include "XLogging.h"
#include "XProgressOutput.h"

#ifndef UPGRADE_TEST_GOLDEN_DIR
#error "UPGRADE_TEST_GOLDEN_DIR names the folder of the expected reports"
#endif

namespace {

using upgrade_test::FakeClock;
using upgrade_test::ReadAll;
using upgrade_test::TempDir;

TEST(XKxStatistic, ChildrenAreNumberedByPosition) {
    XKxStatistic root(u"Upgrade");
    XKxStatistic* first = root.AddChild(u"Upgrading structure");
    XKxStatistic* second = root.AddChild(u"Converting objects");
    first->AddChild(u"database");
    XKxStatistic* nested = first->AddChild(u"base");
    EXPECT_EQ(first->GetNumber(), u"1");
    EXPECT_EQ(second->GetNumber(), u"2");
    EXPECT_EQ(nested->GetNumber(), u"1.2");
    EXPECT_EQ(nested->AddChild(u"x")->GetNumber(), u"1.2.1");
    EXPECT_EQ(nested->GetLevel(), 2);
    EXPECT_EQ(root.GetChild(1), second);
    EXPECT_EQ(root.GetChild(2), nullptr);
    EXPECT_EQ(root.GetChild(-1), nullptr);
    EXPECT_EQ(root.GetDepth(), 4);
    EXPECT_EQ(second->GetDepth(), 1);
}

TEST(XKxStatistic, ClocksAddUpOnlyBetweenAStartAndItsStop) {
    FakeClock ticks(5000);
    XKxStatistic node(u"step");
    node.Stop();   // never started: nothing, not the time since the process began
    EXPECT_EQ(node.GetTime(false), 0);
    node.Start();
    ticks.Advance(300);
    node.Stop();
    ticks.Advance(1000);
    node.Stop();   // a second stop adds nothing
    node.Start();
    ticks.Advance(200);
    node.Stop();
    EXPECT_EQ(node.GetTime(false), 500);
    EXPECT_EQ(node.GetTime(true), 500);
}

TEST(XKxStatistic, TimesOfChildrenAndOfNames) {
    FakeClock ticks(1000);
    XKxStatistic root(u"Upgrade");
    XKxStatistic* scripts = root.AddChild(u"Scripts");
    XKxStatistic* a = scripts->AddChild(u"a.sql");
    a->AddName(u"database");
    XKxStatistic* b = scripts->AddChild(u"b.sql");
    b->AddName(u"base");
    XKxStatistic* c = root.AddChild(u"Conversion");
    c->AddName(u"database");
    for (auto [node, length] : {std::pair{a, 100}, std::pair{b, 250}, std::pair{c, 400}}) {
        node->Start();
        ticks.Advance(length);
        node->Stop();
    }
    root.Start();
    ticks.Advance(2000);
    root.Stop();
    EXPECT_EQ(root.GetTime(false), 2000);
    EXPECT_EQ(root.GetTime(true), 750);
    EXPECT_EQ(scripts->GetTime(true), 350);
    EXPECT_EQ(root.GetTimeOfName(u"database"), 500);
    EXPECT_EQ(root.GetTimeOfName(u"base"), 250);
    EXPECT_EQ(root.GetTimeOfName(u"none"), 0);
    EXPECT_TRUE(a->HasName(u"database"));
    EXPECT_FALSE(a->HasName(u"data"));
}

TEST(XKxStatisticSummary, WalksItsNames) {
    XKxStatisticSummary summary(u"All databases");
    EXPECT_TRUE(summary.First().IsEmpty());
    summary.Add(u"database");
    summary.Add(u"base");
    summary.Add(u"config");
    EXPECT_EQ(summary.GetNames(), u"database, base, config");
    EXPECT_EQ(summary.First(), u"database");
    EXPECT_EQ(summary.Next(), u"base");
    EXPECT_EQ(summary.Next(), u"config");
    EXPECT_TRUE(summary.Next().IsEmpty());
    EXPECT_TRUE(summary.Next().IsEmpty());
    EXPECT_EQ(summary.First(), u"database");   // a new walk
}

// The report of a run over two databases, compared with the expected text.
TEST(XKxStatistic, ReportAndTreeMatchTheGoldenText) {
    TempDir dir;
    FakeClock ticks(1000);
    auto log = std::make_unique<XLogging>(u"5.4", true);
    ASSERT_EQ(log->Open(CString(dir.Path().c_str()), u"report", u""), 0);
    XProgressOutput display(u"LiftRunner", std::move(log), nullptr);
    SetProgressOutput(&display);

    XKxStatistic root(u"Upgrade to version <23>");
    root.Start();
    XKxStatistic* structure = root.AddChild(u"Upgrading structure");
    structure->SetSummaryTitle(u"Relation between several structure upgrades of version <23>:");
    structure->Start();
    struct Step { const char16_t* title; const char16_t* kind; const char16_t* database; int32_t ticks; };
    for (const Step& s : {Step{u"execute_pre_sql_upgrade.txt", u"SQL", u"database", 61250},
                          Step{u"execute_pre_sql_upgrade.txt", u"SQL", u"base", 3000},
                          Step{u"Dictionary", u"internal", u"database", 12500}}) {
        XKxStatistic* entry = StartTimingEntry(structure, s.title, s.kind);
        entry->AddName(s.database);
        ticks.Advance(s.ticks);
        StopEntryClock(entry);
    }
    ticks.Advance(1250);
    structure->Stop();
    XKxStatisticSummary* summary = structure->AddSummary(structure->GetSummaryTitle());
    summary->Add(u"database");
    summary->Add(u"base");
    XKxStatistic* objects = StartInternalTimingEntry(&root, u"UpdateDatabaseObjects");
    ticks.Advance(3723000);
    StopEntryClock(objects);
    XKxStatistic* never = root.AddChild(u"Intermediate conversions");
    StopEntryClock(never);   // stopped but never started: 0
    ticks.Advance(500);
    root.Stop();

    root.Report();
    root.PrintTree(0);
    SetProgressOutput(nullptr);

    // The log lines after the banner, without their time column.
    const std::string text = ReadAll(dir / "report.log");
    std::istringstream lines(text.substr(text.find(std::string(105, '-')) + 107));
    std::string actual;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        actual += (line.size() >= 10 ? line.substr(10) : line) + "\n";
    }
    const std::string golden = std::string(UPGRADE_TEST_GOLDEN_DIR) + "/statistics_report.txt";
    EXPECT_EQ(actual, ReadAll(golden)) << "expected in " << golden;
}

}  // namespace
