// The whole-set steps of XApplicationDatabases on native databases made at the versions the cases
// need: the version read with its targets and forced versions, the summary table, opening, closing,
// the new version records and the version getters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VersionTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxStatistic.h"
#include "XKxVersionInfo.h"

#ifndef UPGRADE_TEST_GOLDEN_DIR
#error "UPGRADE_TEST_GOLDEN_DIR names the folder of the expected texts"
#endif

namespace {

using namespace upgrade_test;

// A main database stored at `version` with the edition "TY 5.3 SP01", beside the complete "base".
struct DriverSite : OtherVersionSite {
    explicit DriverSite(int version) : OtherVersionSite(VersionDictionaryText(version), true, AddBaseDatabase) {}
    XApplicationDatabases& Set() { return run->Set(); }
    XKxDatabase* Main() { return run->Db(); }
};

// ReadVersion: the first database's targets and the forced version; "base" leaves the set.
TEST(DriverReadVersion, TargetsForcedVersionsAndTheOldestVersion) { Guarded([&] {
    struct Case {
        int32_t stored;
        int32_t presetTarget;   // -1: none
        int32_t maxTarget;      // -1: none
        const char16_t* forced; // null: not set
        int32_t target, forcedAfter, version;
        bool isForced;
        const char* thrown;     // null: none
    };
    const char* tooOld = "This version of the LiftRunner is not able to upgrade databases older than version <22>!";
    const Case cases[] = {
        {21, -1, -1, nullptr, 22, -1, 21, false, tooOld},
        {22, -1, -1, nullptr, 23, -1, 22, false, nullptr},
        {23, -1, -1, nullptr, 23, -1, 23, false, nullptr},
        {30, -1, -1, u"5", 30, 29, 29, true, nullptr},
        {30, -1, -1, u"30", 30, -1, 30, false, nullptr},
        {30, -1, -1, u"", 30, -1, 30, false, nullptr},
        {30, -1, -1, u"abc", 30, -1, 30, false, nullptr},
        {22, 25, 27, nullptr, 26, -1, 22, false, nullptr},
        {22, 27, 27, nullptr, 27, -1, 22, false, nullptr},
        {22, 25, -1, nullptr, 25, -1, 22, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " target " + std::to_string(c.presetTarget) + " max " +
                     std::to_string(c.maxTarget) + " forced " + (c.forced != nullptr ? Utf8(c.forced) : "-"));
        DriverSite site(c.stored);
        XApplicationDatabases& set = site.Set();
        ASSERT_EQ(set.FindDatabase(u"base")->GetState(), XKxDatabase::kAvailable);
        if (c.presetTarget >= 0) site.Main()->SetTargetVersion(c.presetTarget);
        set.SetMaxTargetVersion(c.maxTarget);
        if (c.forced != nullptr) set.SetForcedVersion(c.forced);

        const XKxException error = Thrown([&] { set.ReadVersion(); });
        EXPECT_EQ(Utf8(error.GetMessage()), c.thrown != nullptr ? c.thrown : "");
        EXPECT_EQ(set.GetTargetVersion(), c.target);
        EXPECT_EQ(set.GetForcedVersion(), c.forcedAfter);
        EXPECT_EQ(set.GetVersion(0), c.version);
        EXPECT_EQ(set.IsVersionForced(), c.isForced);
        const std::string log = site.run->Log();
        EXPECT_NE(log.find("Getting database version(s)..."), std::string::npos) << log;
        if (c.thrown != nullptr) {
            EXPECT_EQ(Utf8(error.GetLocation()), "<XApplicationDatabases::ReadVersion> in [xapplicationdatabases]");
            continue;
        }
        // The second database (limit 21) is checked against 22 or more: state 0, out of the set.
        EXPECT_EQ(set.GetCount(), 1);
        EXPECT_EQ(set.FindDatabase(u"base"), nullptr);
        EXPECT_EQ(set.GetDatabase(1), nullptr);
        EXPECT_EQ(set.GetVersion(1), -1);
        EXPECT_TRUE(site.Main()->IsOpen());
        EXPECT_EQ(log.find("actual version of <base>"), std::string::npos) << log;
    }
}); }

TEST(DriverForcedVersion, OnlyADecimalIntegerForcesAVersion) {
    XApplicationDatabases set;
    const std::pair<const char16_t*, int32_t> cases[] = {
        {u"", -1},   {u"abc", -1}, {u"5x", -1}, {u" 5", -1}, {u"-", -1}, {u"99999999999", -1},
        {u"5", 5},   {u"+7", 7},   {u"0", 0},   {u"-1", -1}, {u"2147483647", 2147483647},
    };
    for (const auto& [text, forced] : cases) {
        set.SetForcedVersion(u"12");
        set.SetForcedVersion(text);
        EXPECT_EQ(set.GetForcedVersion(), forced) << Utf8(text);
    }
    // Without a first database nothing is forced, and the getters answer their defaults.
    EXPECT_FALSE(set.IsVersionForced());
    EXPECT_EQ(set.GetVersion(0), -1);
    EXPECT_EQ(set.GetTargetVersion(), -1);
    EXPECT_EQ(set.GetNewVersionNumber(), -1);
    EXPECT_EQ(set.GetNewVersionString(), CString());
    EXPECT_EQ(set.GetNewVersionInfo(), CString());
    EXPECT_EQ(set.GetVersionInfo(u"database"), CString());
    EXPECT_EQ(set.GetMainEditionNumber(), 0);
    EXPECT_EQ(set.GetMainServicePack(), 0);
    EXPECT_EQ(set.GetDatabaseNames(), CString());
}

// The summary table of both databases, one with a masked and one with a plain log-in, the second
// not supported; compared with the expected text.
TEST(DriverSummary, TableMatchesTheGoldenText) { Guarded([&] {
    DriverSite site(22);
    XApplicationDatabases& set = site.Set();
    XKxDatabase* main = site.Main();
    main->ReadVersion();
    main->SetBaseName(u"TALLYRA_MAIN_DB");
    main->SetUser(u"TALLY");
    main->SetPassword(u"secret");
    main->SetPasswordMasked(true);
    XKxDatabase* base = set.FindDatabase(u"base");
    base->SetUser(u"cfg");
    base->SetPassword(u"pw");
    base->SetState(XKxDatabase::kNotAvailable);
    set.PrintSummary();

    const std::string log = site.run->LogText();
    const size_t start = log.find("Database information summary:");
    ASSERT_NE(start, std::string::npos) << log;
    const size_t end = log.find("/\r\n", start);
    ASSERT_NE(end, std::string::npos) << log;
    std::string table = log.substr(start, end + 3 - start);
    EXPECT_EQ(Count(table, "\r\n"), Count(table, "\n"));
    std::string actual;
    for (char ch : table)
        if (ch != '\r') actual += ch;
    const std::string golden = std::string(UPGRADE_TEST_GOLDEN_DIR) + "/summary_table.txt";
    EXPECT_EQ(actual, ReadAll(golden)) << "expected in " << golden;
    // A blank log line comes before the table.
    EXPECT_NE(log.find("\r\n\r\n" + std::string(10, ' ') + "Database information summary:"), std::string::npos) << log;
}); }

// Closing, opening, the new version records and the getters of the stored ones.
TEST(DriverDatabases, OpenCloseAndVersionRecords) { Guarded([&] {
    DriverSite site(22);
    XApplicationDatabases& set = site.Set();
    XKxDatabase* main = site.Main();
    set.ReadVersion();
    EXPECT_EQ(Utf8(set.GetDatabaseNames()), "database");
    EXPECT_EQ(Utf8(set.GetVersionString(u"database")), kVersionDescription);
    EXPECT_EQ(Utf8(set.GetVersionInfo(u"database")), "TY 5.3 SP01");
    EXPECT_EQ(set.GetVersionInfo(u"base"), CString());   // left the set
    EXPECT_EQ(set.GetVersionString(u"other"), CString());
    EXPECT_EQ(set.GetMainEditionNumber(), 3);
    EXPECT_EQ(set.GetMainServicePack(), 1);

    XKxStatistic node(u"structure");
    set.ForEachName(&node);
    set.ForEachName(nullptr);
    EXPECT_EQ(Utf8(node.GetNames()), "<database>");

    // Only object databases in state 2: the native main database closes.
    set.CloseDatabases(true);
    EXPECT_FALSE(main->IsOpen());
    EXPECT_EQ(set.GetDatabaseNames(), CString());
    set.OpenDatabases(true);
    EXPECT_TRUE(main->IsOpen());
    std::string log = site.run->Log();
    EXPECT_NE(log.find("closing databases...database..."), std::string::npos) << log;
    EXPECT_NE(log.find("Open Databases: "), std::string::npos) << log;

    set.SetNewVersionInfo(u"TY 5.4 SP00");
    EXPECT_EQ(Utf8(set.GetNewVersionInfo()), "TY 5.4 SP00");
    EXPECT_EQ(set.GetNewVersionNumber(), -1);
    set.WriteVersion();
    EXPECT_EQ(VersionTexts(main), std::vector<std::string>{"TY 5.4 SP00"});
    EXPECT_EQ(Utf8(set.GetVersionInfo(u"database")), "TY 5.4 SP00");

    // A database in state 1 stays open while only the databases in state 2 close.
    main->SetState(XKxDatabase::kOneBelowLimit);
    set.CloseDatabases(true);
    EXPECT_TRUE(main->IsOpen());
    set.CloseDatabases(false);
    EXPECT_FALSE(main->IsOpen());
}); }

}  // namespace
