// The version record, the tool-run log, the step logger, the function starter and the version check
// and write of XKxDatabase, on a native database and on a gateway database made by relgen (both made
// at version 22), and on native databases made at other versions or with misnamed version members.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KxTestHooks.h"
#include "VersionTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxFunctionLogger.h"
#include "XKxFunctionStarter.h"
#include "XKxGlobals.h"
#include "XKxObject.h"
#include "XKxStatistic.h"
#include "XKxToolsLog.h"
#include "XKxVersionInfo.h"

#if !defined(UPGRADE_RELGEN) || !defined(UPGRADE_VERSION_CHILD) || !defined(UPGRADE_VERSION_STEPS)
#error "UPGRADE_RELGEN, UPGRADE_VERSION_CHILD and UPGRADE_VERSION_STEPS name the programs"
#endif

namespace {

using namespace upgrade_test;

bool EndsWith(const CString& text, const std::string& end) {
    const std::string whole = Utf8(text);
    return whole.size() >= end.size() && whole.compare(whole.size() - end.size(), end.size(), end) == 0;
}

// ---- on the two storages made at version 22 ----

class VersionRecords : public ::testing::TestWithParam<WrapperStorage> {
protected:
    void SetUp() override {
        VersionSite& site = VersionSite::Get(UPGRADE_RELGEN);
        ASSERT_FALSE(HasFailure());
        site.Select(GetParam());
        run_ = std::make_unique<UpgradeRun>();
        ASSERT_NE(Db(), nullptr);
        Db()->SetTargetVersion(23);
        Db()->Open(false);
        ASSERT_TRUE(Db()->IsOpen());
        ResetVersionRecords(Db(), u"TY 5.3 SP01");
    }
    void TearDown() override {
        run_.reset();
        Installation& install = VersionSite::Get(UPGRADE_RELGEN).Install();
        if (install.registry.erase("LiftRunner") > 0) install.Write();
    }

    XKxDatabase* Db() const { return run_->Db(); }
    XApplicationDatabases& Set() { return run_->Set(); }
    // Writes the registry switches of the steps below "LiftRunner".
    void SetSwitches(const RegistryValues& values) {
        Installation& install = VersionSite::Get(UPGRADE_RELGEN).Install();
        install.registry["LiftRunner"] = values;
        install.Write();
    }

    std::unique_ptr<UpgradeRun> run_;
};

// The stored version 22, its description and edition; edition texts judged one by one.
TEST_P(VersionRecords, ReadsTheRecordAndJudgesEditionTexts) { Guarded([&] {
    XKxVersionInfo* actual = Db()->GetActualVersion();
    EXPECT_EQ(Db()->ReadVersion(), 22);
    EXPECT_EQ(Utf8(actual->GetVersionStringValue()), kVersionDescription);
    EXPECT_EQ(actual->GetEditionNumber(), 3);
    EXPECT_EQ(actual->GetServicePack(), 1);
    EXPECT_TRUE(Set().IsValid());

    struct Case {
        const char16_t* text;
        int32_t edition, servicePack;
        const char* message;   // the set's error text ends with it; null: the record is valid
    };
    const Case cases[] = {
        {u"TY 5.3 SP02", 3, 2, nullptr},
        {u"ty 5.3 sp02", 0, 0, nullptr},
        {u"TY 5.12 SP7", 12, 7, nullptr},
        {u"TY 5.4 PrOtoTyPe", 4, 0, "Upgrade is not permitted for <database>!"},
        {u"", 0, 0, "The internal version information for <database> is empty!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        ResetVersionRecords(Db(), c.text);
        Set().SetValid(true);
        Db()->ReadVersion();
        EXPECT_EQ(actual->GetEditionNumber(), c.edition);
        EXPECT_EQ(actual->GetServicePack(), c.servicePack);
        EXPECT_EQ(Set().IsValid(), c.message == nullptr);
        if (c.message != nullptr) {
            EXPECT_TRUE(EndsWith(Set().GetErrorText(), c.message)) << Utf8(Set().GetErrorText());
        }
    }

    // An empty extent.
    {
        XKxAllSet all(Db(), u"XDOVersionInfo", true);
        XKxObject object(Db());
        while (all.GetNext(object)) object.Delete(0);
    }
    Set().SetValid(true);
    Db()->ReadVersion();
    EXPECT_FALSE(Set().IsValid());
    EXPECT_TRUE(EndsWith(Set().GetErrorText(), "\r\n\tMissing internal version information!"));
}); }

// WriteVersionInfo leaves exactly one object; a refused store leaves the old record readable.
TEST_P(VersionRecords, WriteVersionInfoKeepsTheOldRecordUntilTheNewOneIsStored) { Guarded([&] {
    XKxVersionInfo* version = Db()->GetNewVersion();
    {
        XKxObject second(Db());
        second.Make(u"XDOVersionInfo", false);
        second.SetMemberString(u"m_strVersionInfo", u"TY 5.3 SP00", true);
    }
    version->SetVersionInfo(u"TY 5.4 SP00");
    version->WriteVersionInfo();
    EXPECT_EQ(VersionTexts(Db()), std::vector<std::string>{"TY 5.4 SP00"});

    version->SetVersionInfo(u"TY 5.5 SP00");
    KxHookFailNext("KxObject::Store", -2028);
    const XKxException refused = Thrown([&] { version->WriteVersionInfo(); });
    EXPECT_EQ(refused.GetCode(), -2028);
    EXPECT_EQ(VersionTexts(Db()), std::vector<std::string>{"TY 5.4 SP00"});
    EXPECT_EQ(Db()->ReadVersion(), 22);
    EXPECT_EQ(Db()->GetActualEditionNumber(), 4);
    EXPECT_TRUE(Set().IsValid());
}); }

// WriteVersion writes the new edition text, and refuses an empty one leaving the record as it is.
TEST_P(VersionRecords, WriteVersionRefusesAnEmptyEditionText) { Guarded([&] {
    const XKxException empty = Thrown([&] { Db()->WriteVersion(); });
    EXPECT_EQ(Utf8(empty.GetMessage()), "No new version information to write to database <database>!");
    EXPECT_EQ(Utf8(empty.GetLocation()), "<XKxDatabase::WriteVersion> in [xkxdatabase]");
    EXPECT_EQ(VersionTexts(Db()), std::vector<std::string>{"TY 5.3 SP01"});

    Db()->GetNewVersion()->SetVersionInfo(u"TY 5.4 SP00");
    Db()->WriteVersion();
    EXPECT_EQ(VersionTexts(Db()), std::vector<std::string>{"TY 5.4 SP00"});
    EXPECT_EQ(Utf8(Db()->GetActualVersionInfo()), "TY 5.4 SP00");
    EXPECT_NE(run_->Log().find("... new version info was written successfully!"), std::string::npos) << run_->Log();
}); }

// A record per (version, description): none, then made by Write(false), then the same object updated.
TEST_P(VersionRecords, ToolRunLogFindsMakesAndUpdatesOneRecord) { Guarded([&] {
    {
        XKxToolsLog log(Db(), u"step one");
        EXPECT_TRUE(log.IsValid());
        EXPECT_FALSE(log.HasRecord());
        EXPECT_FALSE(log.Succeeded());
        bool success = true;
        EXPECT_FALSE(log.IsSameTool(success));
        log.Write(false);
        EXPECT_TRUE(log.HasRecord());
    }
    {
        XKxToolsLog log(Db(), u"step one");
        ASSERT_TRUE(log.HasRecord());
        EXPECT_FALSE(log.Succeeded());
        log.Write(true);
    }
    EXPECT_EQ(ToolRecords(Db()), std::vector<std::string>{"23|step one|1"});
    XKxToolsLog again(Db(), u"step one");
    EXPECT_TRUE(again.Succeeded());
    bool success = false;
    EXPECT_TRUE(again.IsSameTool(success));
    EXPECT_TRUE(success);
    // The tool's identity in the record.
    XKxAllSet all(Db(), u"XDBToolsLog", true);
    XKxObject record(Db());
    ASSERT_TRUE(all.GetNext(record));
    CString name, version, release, info;
    record.GetMemberString(u"m_strToolName", name);
    record.GetMemberString(u"m_strToolVersion", version);
    record.GetMemberString(u"m_strToolRelease", release);
    record.GetMemberString(u"m_strToolInfo", info);
    EXPECT_EQ(name, FileNameOf(gToolPath));
    EXPECT_FALSE(name.IsEmpty());
    EXPECT_EQ(Utf8(version), "2.20.1");
    EXPECT_EQ(Utf8(release), "R20");
    EXPECT_EQ(Utf8(info), "compiled: " + Utf8(gBuildDate) + " at " + Utf8(gBuildTime));

    // An empty description names the version.
    Db()->SetTargetVersion(27);
    XKxToolsLog whole(Db(), CString());
    EXPECT_EQ(Utf8(whole.GetDescription()), "upgrade operations for DB27");
    whole.Write(true);
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|step one|1", "27|upgrade operations for DB27|1"}));
}); }

// Descriptions with "*" or "?" find only their own record: a step is never taken as done by the
// record of a step whose description the pattern would match, nor blocked by it as a second entry.
TEST_P(VersionRecords, ToolRunLogMatchesDescriptionsExactly) { Guarded([&] {
    XKxToolsLog(Db(), u"step 1").Write(true);
    {
        XKxToolsLog star(Db(), u"step *");
        EXPECT_TRUE(star.IsValid());
        EXPECT_FALSE(star.HasRecord());
        star.Write(false);
    }
    const struct {
        const char16_t* description;
        bool record;
        bool succeeded;
    } cases[] = {
        {u"step *", true, false},
        {u"step 1", true, true},
        {u"step ?", false, false},
        {u"*", false, false},
    };
    for (const auto& c : cases) {
        XKxToolsLog log(Db(), c.description);
        SCOPED_TRACE(Utf8(log.GetDescription()));
        EXPECT_TRUE(log.IsValid());
        EXPECT_EQ(log.HasRecord(), c.record);
        EXPECT_EQ(log.Succeeded(), c.succeeded);
    }
    std::vector<std::string> records = ToolRecords(Db());
    std::sort(records.begin(), records.end());
    EXPECT_EQ(records, (std::vector<std::string>{"23|step *|0", "23|step 1|1"}));
}); }

// Two records with one key: the look-up fails, so the step runs every time and writes nothing.
TEST_P(VersionRecords, TwoRecordsWithOneKeyRunTheStepAndWriteNothing) { Guarded([&] {
    for (int i = 0; i < 2; ++i) {
        XKxObject record(Db());
        record.Make(u"XDBToolsLog", false);
        record.SetMemberInt(u"m_iDBVersion", 23, false);
        record.SetMemberString(u"m_strDescription", u"twice", false);
        record.SetMemberBool(u"m_bSuccess", true, true);
    }
    for (int run = 0; run < 2; ++run) {
        XKxFunctionLogger logger(Db(), u"twice");
        EXPECT_FALSE(logger.IsValid());
        EXPECT_TRUE(logger.Check());
        logger.SetResult(true);
    }
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|twice|1", "23|twice|1"}));
    // The look-up's own failure.
    XKxToolsLog log(Db(), u"twice");
    const XKxException error = Thrown([&] { log.Query(); });
    EXPECT_EQ(Utf8(error.GetMessage()), "There are multiple entries for <23, twice> in XDBToolsLog!");
    EXPECT_EQ(error.GetCode(), -1);
}); }

// The step logger: registry switches, success and failure records, a failure record before the first run.
TEST_P(VersionRecords, StepLoggerSkipsRetriesAndRecords) { Guarded([&] {
    SetSwitches({{"off upper", "FALSE"}, {"off zero", "0"}, {"off no", "no"}});
    struct Case {
        const char16_t* description;
        bool runs;
        const char* line;   // the progress line printed, null for none
    };
    const Case firstRuns[] = {
        {u"off upper", false, "...skipping <off upper> (disabled by registry entry)!"},
        {u"off zero", true, nullptr},
        {u"off no", true, nullptr},
        {u"no switch", true, nullptr},
    };
    for (const Case& c : firstRuns) {
        SCOPED_TRACE(Utf8(c.description));
        XKxFunctionLogger logger(Db(), c.description);
        EXPECT_EQ(logger.Check(), c.runs);
        if (c.line != nullptr) {
            EXPECT_NE(run_->Log().find(c.line), std::string::npos) << run_->Log();
        }
    }
    // Each step that runs has a failure record before it runs; the disabled one has none.
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|off zero|0", "23|off no|0", "23|no switch|0"}));
    XKxFunctionLogger(Db(), u"off zero").SetResult(true);
    const Case secondRuns[] = {
        {u"off zero", false, "...skipping <off zero> (already done)!"},
        {u"off no", true, "...<off no> previously failed or disabled, now retrying..."},
    };
    for (const Case& c : secondRuns) {
        XKxFunctionLogger logger(Db(), c.description);
        EXPECT_EQ(logger.Check(), c.runs);
        EXPECT_NE(run_->Log().find(c.line), std::string::npos) << run_->Log();
    }

    EXPECT_EQ(Utf8(Thrown([&] { XKxFunctionLogger(nullptr, u"x"); }).GetMessage()),
              "Failed initializing the function logger, because there's no link to a database!");
    const XKxException empty = Thrown([&] { XKxFunctionLogger(Db(), CString()); });
    EXPECT_EQ(Utf8(empty.GetMessage()),
              "Failed initializing the function logger. Cannot check or create logging for an empty function "
              "description!");
    EXPECT_EQ(empty.GetCode(), -1);
}); }

bool gCalled = false;
bool Succeeds(XKxDatabase*) { return gCalled = true; }
bool Fails(XKxDatabase*) {
    gCalled = true;
    return false;
}

// The starter runs a step under its logger and a timing entry; a done step runs nothing.
TEST_P(VersionRecords, StarterRunsStepsUnderTheLogger) { Guarded([&] {
    XKxStatistic root(u"root");
    XKxFunctionStarter starter(Db(), &root);
    gCalled = false;
    starter.Start(Succeeds, u"first step", true);
    EXPECT_TRUE(gCalled);
    ASSERT_EQ(root.GetChildCount(), 1);
    EXPECT_EQ(Utf8(root.GetChild(0)->GetTitle()), "first step");
    EXPECT_TRUE(root.GetChild(0)->HasName(u"internal"));
    EXPECT_NE(run_->Log().find("- first step..."), std::string::npos) << run_->Log();
    EXPECT_TRUE(Db()->GetAllStepsSucceeded());

    gCalled = false;
    starter.Start(Succeeds, u"first step", true);
    EXPECT_FALSE(gCalled);
    EXPECT_EQ(root.GetChildCount(), 1);

    starter.Start(Fails, u"second step", false);
    EXPECT_FALSE(Db()->GetAllStepsSucceeded());
    gCalled = false;
    starter.Start(Fails, u"second step", false);
    EXPECT_TRUE(gCalled);
    EXPECT_EQ(root.GetChildCount(), 3);
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|first step|1", "23|second step|0"}));

    // Without a timing node the steps run all the same.
    XKxFunctionStarter untimed(Db(), nullptr);
    gCalled = false;
    untimed.Start(Succeeds, u"third step", false);
    EXPECT_TRUE(gCalled);

    const XKxException null = Thrown([&] { XKxFunctionStarter(nullptr, &root); });
    EXPECT_EQ(Utf8(null.GetMessage()), "There is no database to start a function on!");
    EXPECT_EQ(Utf8(null.GetLocation()), "<XKxFunctionStarter::XKxFunctionStarter> in [xkxfunctionstarter]");
}); }

// This library's step function changes nothing; with a null database it leaves the holder and throws.
TEST_P(VersionRecords, UpdateDatabaseObjectsChangesNothing) { Guarded([&] {
    XKxStatistic root(u"root");
    SetProgressOutput(nullptr);
    UpdateDatabaseObjects(Db(), &root);
    EXPECT_EQ(GetProgressOutput(), Db()->GetProgressOutput());
    EXPECT_EQ(VersionTexts(Db()), std::vector<std::string>{"TY 5.3 SP01"});
    EXPECT_TRUE(ToolRecords(Db()).empty());
    EXPECT_EQ(root.GetChildCount(), 0);
    EXPECT_TRUE(Db()->IsOpen());

    XProgressOutput* holder = GetProgressOutput();
    const XKxException null = Thrown([&] { UpdateDatabaseObjects(nullptr, &root); });
    EXPECT_EQ(Utf8(null.GetMessage()), "There is no database to start a function on!");
    EXPECT_EQ(GetProgressOutput(), holder);
}); }

// The tool-run record of the whole upgrade.
TEST_P(VersionRecords, ToolRunOfTheWholeUpgrade) { Guarded([&] {
    bool success = false;
    EXPECT_FALSE(Db()->HasSameToolRun(success));
    Db()->WriteToolRun();
    EXPECT_TRUE(Db()->HasSameToolRun(success));
    EXPECT_TRUE(success);
    Db()->SetAllStepsSucceeded(false);
    Db()->WriteToolRun();
    EXPECT_TRUE(Db()->HasSameToolRun(success));
    EXPECT_FALSE(success);
    EXPECT_EQ(ToolRecords(Db()), std::vector<std::string>{"23|upgrade operations for DB23|0"});
}); }

INSTANTIATE_TEST_SUITE_P(Storages, VersionRecords,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The version and description from the member names; misnamed members stop the read.
TEST(VersionNames, DecodeOrStopTheRead) { Guarded([&] {
    struct Case {
        std::string member0, member1;
        int32_t version;
        const char* description;
        const char* failure;   // the cause in the error, null when the read succeeds
    };
    const Case cases[] = {
        {"m_iVersion_27", "m_strVersion_the_next_release", 27, "the next release", nullptr},
        {"m_iVersion_x", "m_strVersion_x", 0, "x", nullptr},
        {"m_iVersion_22", "m_strVersion_the_ty5_database_for_R5_at_Kelmark", 22, "the ty5 database update for r6", nullptr},
        {"m_iVersionX27", "m_strVersion_a", -1, nullptr,
         "The first member of the class <XDOVersionInfo> should have the name <m_iVersion_*>!"},
        {"m_iVersion_22", "m_strVersionA", 22, nullptr,
         "The second member of the class <XDOVersionInfo> should have the name <m_strVersion_*>!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member0 + " " + c.member1);
        OtherVersionSite other(VersionDictionaryText(c.member0, c.member1));
        XKxDatabase* db = other.run->Db();
        db->Open(false);
        const XKxException error = Thrown([&] { db->ReadVersion(); });
        EXPECT_EQ(db->GetActualVersionNumber(), c.version);
        if (c.failure == nullptr) {
            EXPECT_EQ(error.GetCode(), 0) << Utf8(error.GetMessage());
            EXPECT_EQ(Utf8(db->GetActualVersionString()), c.description);
            EXPECT_EQ(db->GetActualServicePack(), 1);
        } else {
            EXPECT_EQ(error.GetCode(), -1);
            EXPECT_NE(Utf8(error.GetMessage()).find(c.failure), std::string::npos) << Utf8(error.GetMessage());
            EXPECT_NE(Utf8(error.GetMessage()).find("ReadVersion of database <database> failed!"), std::string::npos);
            EXPECT_TRUE(EndsWith(other.run->Set().GetErrorText(), c.failure));
            // The version check adds its context.
            const XKxException checked = Thrown([&] { db->CheckVersion(-1); });
            EXPECT_NE(Utf8(checked.GetMessage()).find("Cannot get version information about the actual database <database>!"),
                      std::string::npos)
                << Utf8(checked.GetMessage());
            EXPECT_NE(Utf8(checked.GetMessage()).find(c.failure), std::string::npos);
        }
    }
    // Without the third member.
    OtherVersionSite noInfo(VersionDictionaryText("m_iVersion_22", "m_strVersion_a", false), false);
    XKxDatabase* db = noInfo.run->Db();
    db->Open(false);
    db->ReadVersion();
    EXPECT_FALSE(noInfo.run->Set().IsValid());
    EXPECT_TRUE(EndsWith(noInfo.run->Set().GetErrorText(), "\r\n\tMissing internal version information!"));
    db->Close(false);
    const XKxException closed = Thrown([&] { db->GetActualVersion()->ReadVersion(); });
    EXPECT_EQ(Utf8(closed.GetMessage()), "ReadVersion of database <database> failed, because database is not open!");
}); }

// The version check's cases, and the summary row.
TEST(VersionCheck, JudgesTheStoredVersionAgainstExpectedAndLimit) { Guarded([&] {
    struct Case {
        int32_t stored, limit, expected;
        bool passes;
        int32_t state;
        const char* thrown;   // the message thrown, null for none
        bool read;
    };
    const Case cases[] = {
        {0, -1, -1, false, 0, nullptr, true},
        {25, -1, 26, false, 0, "Error getting information about database <database>, but this should be possible in a database version <26>!", true},
        {26, 27, 27, false, 0, nullptr, false},
        {26, 27, 26, true, 1, nullptr, true},
        {22, -1, -1, true, 2, nullptr, true},
        {22, -1, 22, true, 2, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " " + std::to_string(c.limit) + " " + std::to_string(c.expected));
        OtherVersionSite other(VersionDictionaryText(c.stored));
        XKxDatabase* db = other.run->Db();
        db->SetLimitVersion(c.limit);
        const XKxException error = Thrown([&] { db->CheckVersion(c.expected); });
        EXPECT_EQ(Utf8(error.GetMessage()), c.thrown != nullptr ? c.thrown : "");
        EXPECT_EQ(db->GetState(), c.state);
        EXPECT_EQ(db->IsOpen(), c.passes);
        EXPECT_EQ(other.run->Set().IsValid(), c.thrown == nullptr);
        if (c.thrown != nullptr) {
            EXPECT_TRUE(EndsWith(other.run->Set().GetErrorText(), c.thrown));
        }
        const std::string log = other.run->Log();
        EXPECT_EQ(log.find("- Trying to get the actual version of <database>...") != std::string::npos, c.read) << log;
        if (c.read) {
            EXPECT_NE(log.find("...found <" + std::to_string(c.stored) + ">!"), std::string::npos) << log;
        }

        const std::string row = Utf8(db->FormatSummaryRow(u"%s|%s|%s|%s|%s|%s|%s"));
        const std::string head = Utf8(db->GetBaseName()) + "|" + Utf8(db->GetServer()) + "|/|";
        if (c.read) {
            EXPECT_EQ(row, head + std::to_string(c.stored) + "|" + kVersionDescription + "|TY 5.3 SP01|" +
                               (c.state == 0 ? " --> not supported!" : ""));
        } else {
            EXPECT_EQ(row, head + "-1||| --> not supported!");
        }
    }
}); }

// The summary row's log-in column and the base database's log-in text.
TEST(VersionCheck, SummaryRowLoginColumn) { Guarded([&] {
    OtherVersionSite other(VersionDictionaryText(22));
    XKxDatabase* db = other.run->Db();
    db->SetUser(u"scott");
    db->SetPassword(u"tiger");
    const CString format(u"%s|%s|[%s]|%s|%s|%s|%s");
    EXPECT_NE(Utf8(db->FormatSummaryRow(format)).find("|[scott/tiger]|"), std::string::npos);
    db->SetPasswordMasked(true);
    EXPECT_NE(Utf8(db->FormatSummaryRow(format)).find("|[scott/******]|"), std::string::npos);
    XKxDatabase* base = other.run->Set().FindDatabase(u"base");
    ASSERT_NE(base, nullptr);
    base->SetExplicitLogin(true);
    base->SetUser(u"cfg");
    base->SetPassword(u"pw");
    EXPECT_EQ(Utf8(db->GetBaseLoginText()), Utf8(base->GetLoginText()));
    EXPECT_EQ(Utf8(db->GetBaseLoginText()), "cfg/pw");
}); }

}  // namespace
