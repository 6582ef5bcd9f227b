// End to end: a step library whose UpdateDatabaseObjects starts two upgrade functions is loaded by a
// child program on a database made at version 22; a second run skips the done step and retries the
// failed one; a third process reads the new version record. On the gateway the tool-run records are
// read as rows from the engine too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VersionTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"

namespace {

using namespace upgrade_test;

class VersionEndToEnd : public ::testing::TestWithParam<WrapperStorage> {};

TEST_P(VersionEndToEnd, StepLibraryRunsTwiceAndAThirdProcessReadsTheVersion) {
    VersionSite& site = VersionSite::Get(UPGRADE_RELGEN);
    ASSERT_FALSE(HasFailure());
    site.Select(GetParam());
    {
        EnvVar computer("COMPUTERNAME", "UPGRADEHOST");
        TestOwner owner;
        XApplicationDatabases set;
        set.CreateDatabases(&owner);
        XKxDatabase* db = set.FindDatabase(u"database");
        ASSERT_NE(db, nullptr);
        db->Open(false);
        ResetVersionRecords(db, u"TY 5.3 SP01");
        db->Close(false);
    }
    EnvVar computer("COMPUTERNAME", "UPGRADEHOST");
    TempDir dir;
    const std::string library = std::string("\"") + UPGRADE_VERSION_STEPS + "\" ";
    const std::string convert = "= record 23|Convert the items of the database|1";
    const std::string check = "= record 23|Check the items of the database|0";

    const ChildRun first = RunChild(dir, UPGRADE_VERSION_CHILD, library + "run");
    ASSERT_EQ(first.exitCode, 0u) << first.console;
    for (const std::string& line : {std::string("- Convert the items of the database..."), std::string("= ran convert"),
                                    std::string("- Check the items of the database..."), std::string("= ran check"),
                                    std::string("= steps succeeded 0"), convert, check})
        EXPECT_NE(first.console.find(line), std::string::npos) << line << "\n" << first.console;

    const ChildRun second = RunChild(dir, UPGRADE_VERSION_CHILD, library + "run");
    ASSERT_EQ(second.exitCode, 0u) << second.console;
    for (const std::string& line :
         {std::string("...skipping <Convert the items of the database> (already done)!"),
          std::string("...<Check the items of the database> previously failed or disabled, now retrying..."),
          std::string("= ran check"), convert, check})
        EXPECT_NE(second.console.find(line), std::string::npos) << line << "\n" << second.console;
    EXPECT_EQ(second.console.find("= ran convert"), std::string::npos) << second.console;

    const ChildRun third = RunChild(dir, UPGRADE_VERSION_CHILD, library + "check");
    ASSERT_EQ(third.exitCode, 0u) << third.console;
    EXPECT_NE(third.console.find("= version 22 edition 4 sp 0 objects 1"), std::string::npos) << third.console;
    EXPECT_EQ(Count(third.console, "= record "), 2u) << third.console;

    if (GetParam().gateway) {
        sqlengine::Error err;
        auto server = sqlengine::Engine::Instance().FindServer(VersionSite::kServer);
        if (!server) server = sqlengine::Engine::Instance().RegisterServer(VersionSite::kServer, site.ServerFolder(), &err);
        ASSERT_TRUE(server) << err.message;
        auto session = sqlengine::Session::Begin(server, kSchemaUser, kSchemaPassword, err);
        ASSERT_TRUE(session) << err.message;
        auto statement = session->Prepare("SELECT M_IDBVERSION0V0, M_STRDESCRIPTION1V0, M_BSUCCESS6V0 FROM SHOP.XDBTOOLSLOGC2V0 "
                                          "ORDER BY M_STRDESCRIPTION1V0", err);
        ASSERT_TRUE(statement) << err.message;
        sqlengine::Outcome outcome;
        ASSERT_TRUE(statement->Run({}, outcome, err)) << err.message;
        std::vector<std::string> rows;
        for (const auto& row : outcome.result.rows)
            rows.push_back(std::to_string(row[0].integer) + "|" + row[1].bytes + "|" + 
                           // The boolean column holds one byte.
                           (row[2].bytes.size() == 1 ? std::to_string(int(row[2].bytes[0])) : "?"));
        EXPECT_EQ(rows, (std::vector<std::string>{"23|Check the items of the database|0",
                                                  "23|Convert the items of the database|1"}));
        statement.reset();
        session->End();
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, VersionEndToEnd,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
