// The whole-set steps of XApplicationDatabases on native databases made at the versions the cases
// need: the version read with its targets and forced versions, the summary table, opening, closing,
// the new version records and the version getters.
#include <gtest/gtest.h>

#include <filesystem>
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

// The log lines of the structure upgrade, from its opening to its closing line, blanks trimmed and
// empty lines left out.
std::vector<std::string> StructureLines(const std::string& log) {
    std::vector<std::string> lines;
    bool inside = false;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        line.erase(0, line.find_first_not_of(' '));
        if (line.find("- Upgrading the database dictionaries and structure...") == 0) inside = true;
        if (!inside || line.empty()) continue;
        lines.push_back(line);
        if (line.find("...the upgrade of database dictionaries and structure has completed") == 0) break;
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

const char kOpening[] = "- Upgrading the database dictionaries and structure...";
const char kClosing[] = "...the upgrade of database dictionaries and structure has completed successfully!";

// The structure upgrade of a native main database: nothing between the opening and closing lines at
// the target or with a forced version; the change files only from version 20 on and unless the
// registry says "false" (any case); its statistics node with one entry per database.
TEST(DriverStructure, WhatRunsBetweenTheOpeningAndClosingLines) { Guarded([&] {
    struct Case {
        const char* what;
        int32_t stored;
        int32_t presetTarget;     // -1: none
        const char16_t* forced;   // null: not set
        const char* schemaDelta;  // the registry switch; null: none
        bool upgrades;            // the steps between the lines run
        bool changeFiles;         // "- Creating the change files..." among them
    };
    const Case cases[] = {
        {"stored at its target", 22, 22, nullptr, nullptr, false, false},
        {"a forced version", 30, -1, u"5", nullptr, false, false},
        {"SchemaDelta FALSE", 22, -1, nullptr, "FALSE", true, false},
        {"version 19, no switch", 19, 20, nullptr, nullptr, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriverSite site(c.stored);
        Installation& install = site.site.Install();
        // No SchemaDelta is named: a change-file step that ran would fail the upgrade.
        if (c.schemaDelta != nullptr) install.registry["LiftRunner"] = {{"SchemaDelta", c.schemaDelta}};
        install.Write();
        XApplicationDatabases& set = site.Set();
        if (c.forced != nullptr) set.SetForcedVersion(c.forced);
        if (c.stored >= 22) {
            if (c.presetTarget >= 0) site.Main()->SetTargetVersion(c.presetTarget);
            set.ReadVersion();
        } else {
            // Below 22 the set's read refuses the database; the structure upgrade alone is looked at.
            site.Main()->ReadVersion();
            site.Main()->SetTargetVersion(c.presetTarget);
            set.FindDatabase(u"base")->SetState(XKxDatabase::kNotAvailable);
        }
        const int32_t target = set.GetTargetVersion();
        WriteDictionaryPairTo(site.ScriptBase() + "/dict_" + std::to_string(target), VersionDictionaryText(target));

        XKxStatistic holder(u"LiftRunner");
        set.UpgradeDatabaseStructure(&holder);
        const std::vector<std::string> lines = StructureLines(site.run->Log());
        ASSERT_FALSE(lines.empty()) << site.run->Log();
        EXPECT_EQ(lines.front(), kOpening);
        EXPECT_EQ(lines.back(), kClosing);
        if (!c.upgrades) {
            EXPECT_EQ(lines.size(), 2u) << site.run->Log();
        } else {
            for (const char* line : {"- Performing Pre-Upgrade SQL-Scripts...", "closing databases...database......ok!",
                                     "- Upgrading the structure...", "ReIndex......ok!",
                                     "...the database structure has been updated successfully!",
                                     "- Upgrading the dictionaries...",
                                     "...new dictionaries have been updated successfully!"})
                EXPECT_TRUE(Has(lines, line)) << line << "\n" << site.run->Log();
            EXPECT_EQ(Has(lines, "- Creating the change files..."), c.changeFiles) << site.run->Log();
            EXPECT_EQ(ReadAll(install.DictionaryDir("dict") + "/_objects.dat"),
                      ReadAll(site.ScriptBase() + "/dict_" + std::to_string(target) + "/_objects.dat"));
        }
        // The node: made in the holder, its summary title, one named entry per database of the set.
        ASSERT_EQ(holder.GetChildCount(), 1);
        XKxStatistic* structure = holder.GetChild(0);
        EXPECT_EQ(Utf8(structure->GetTitle()), "Upgrading structure");
        EXPECT_EQ(Utf8(structure->GetSummaryTitle()),
                  "Relation between several structure upgrades of version <" + std::to_string(set.GetVersion(0)) + ">:");
        ASSERT_EQ(structure->GetChildCount(), set.GetCount());
        EXPECT_EQ(Utf8(structure->GetChild(0)->GetTitle()), "Upgrading structure of <database>");
        EXPECT_EQ(Utf8(structure->GetChild(0)->GetNames()), "<database>");
    }
}); }

// A failing step stops the structure upgrade: its message under "Error upgrading the database
// structure!", the statistics clock stopped, no closing line.
TEST(DriverStructure, AFailingStepStopsTheUpgradeWithItsContext) { Guarded([&] {
    DriverSite site(22);
    Installation& install = site.site.Install();
    install.registry["LiftRunner"] = {{"SchemaDeltaExe", install.Dir() / "no-such-program"}};
    install.Write();
    XApplicationDatabases& set = site.Set();
    set.ReadVersion();
    XKxStatistic holder(u"LiftRunner");
    const XKxException error = Thrown([&] { set.UpgradeDatabaseStructure(&holder); });
    EXPECT_EQ(Utf8(error.GetMessage()),
              "Error upgrading the database structure!\r\nReason: \tError creating the changefiles for upgrade "
              "21->22!\r\nReason: \tThe specified executable for the SchemaDelta does not exist!\n<" +
                  (install.Dir() / "no-such-program") + ">");
    EXPECT_NE(Utf8(error.GetLocation()).find("<XApplicationDatabases::UpgradeDatabaseStructure> in [xapplicationdatabases]"),
              std::string::npos)
        << Utf8(error.GetLocation());
    const std::vector<std::string> lines = StructureLines(site.run->Log());
    EXPECT_TRUE(Has(lines, "- Creating the change files...")) << site.run->Log();
    EXPECT_FALSE(Has(lines, "- Upgrading the structure...")) << site.run->Log();
    EXPECT_FALSE(Has(lines, kClosing)) << site.run->Log();
    // The structure's clock and its database's entry are stopped: their times no longer grow.
    XKxStatistic* structure = holder.GetChild(0);
    const int32_t time = structure->GetTime(false);
    const int32_t entry = structure->GetChild(0)->GetTime(false);
    Sleep(20);
    EXPECT_EQ(structure->GetTime(false), time);
    EXPECT_EQ(structure->GetChild(0)->GetTime(false), entry);
    // Nothing changed the database's dictionary.
    EXPECT_FALSE(std::filesystem::exists(site.ScriptBase() + "/dict_23"));
}); }

// The server's version: without its script the client does not run and the line ends with
// "...failed!"; a set without databases asks nothing.
TEST(DriverServerVersion, AQueryThatDidNotRunEndsItsLineAsFailed) { Guarded([&] {
    DriverSite site(22);
    XApplicationDatabases& set = site.Set();
    set.ReadVersion();
    set.GetOracleServerVersion();
    const std::string log = site.run->Log();
    EXPECT_NE(log.find("Getting Orcale server version..."), std::string::npos) << log;
    EXPECT_NE(log.find("Trying to execute <_get_oracle_server_version.sql>, but the file does not exist!"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("...failed!"), std::string::npos) << log;

    XApplicationDatabases empty;
    empty.GetOracleServerVersion();
    EXPECT_EQ(site.run->Log(), log);
}); }

}  // namespace
