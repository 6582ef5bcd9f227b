// The schema mapper's commands run through the mapper in this process: the scripts of create, drop and
// empty and the list output of a fixture dictionary compared with the golden files beside this test
// (without connection), the same create on the embedded engine and drop removing it again, the name
// tests, the stored-version rows of convert, and the view build's failure handling.
//
// ROG_UPDATE_GOLDEN=1 in the environment writes the golden files instead of comparing them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGClassMapper.h"
#include "KxGCreationSchemaMap.h"
#include "KxGIndexTable.h"
#include "KxGMemberMap.h"
#include "KxGOraDatabase.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGStoreHandlers.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

// Inheritance, a STORE ALL class with a subclass (trigger), an embedded member, a reference, two
// indexes, a class and a member RENAME; the logical name holds a quote.
const char kFixture[] = R"(dictionary fixture server=LOCAL logical="Fixture's dictionary" revision=2 created=2025-03-01T10:00:00 modified=2025-03-02T11:30:00
class 1.1 Address embedded
member street string count=40
member city string count=30
class 2.1 Party
member name string count=40
index PartyByName unique name
class 3.1 Person bases=Party
member home embedded:Address
member born datetime
member employer ptr:Company
index PersonByCity home.city
class 4.1 Company bases=Party
member staff int
class 5.1 Shop bases=Company
member opened datetime
)";

const char kOptions[] = "; fixture options\n"
                        "Company * STORE ALL\n"
                        "Shop * RENAME Outlet\n"
                        "Party name RENAME Full_Name\n";

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class MapperCommands : public oratest::ServerTest {
protected:
    MapperCommands()
        : ServerTest({.prefix = "MC_",
                      .users = {{"FX", "fx", true},
                                {"ABCDEFGHIJKLMNOPQRSTUVWXY1", "a", true},
                                {"ABCDEFGHIJKLMNOPQRSTUVWXY2", "b", true}}})
    {
    }

    void SetUp() override
    {
        ServerTest::SetUp();
        std::filesystem::create_directories(dir_.Path("dicts/fixture"));
        WriteFile(dir_.Path("dicts/fixture/classes.kxd"), kFixture);
        WriteFile(dir_.Path("options.txt"), kOptions);
        WriteFile(dir_.Path("kx.ini"), "[servers\\LOCAL]\nDictionaryPath=" + dir_.Path("dicts") + "\n");
    }

    // Runs the mapper in the test's folder with the arguments, the fixture's dictionary, configuration
    // and option file, the script and log; answers Execute's result.
    int32_t Run(std::vector<std::string> args, const std::string& options = "options.txt",
                const std::string& user = "FX", const std::string& password = "fx")
    {
        std::vector<std::string> all = {"relgen", "-D", "fixture", "-B", user, "-S", "Oracle$" + serverName_,
                                        "-u", user, "-p", password, "-config", "kx.ini", "-f", "run.sql",
                                        "-l", "run.log"};
        if (!options.empty()) {
            all.push_back("-o");
            all.push_back(options);
        }
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const std::string& arg : all) {
            argv.push_back(arg.c_str());
        }
        std::remove(dir_.Path("run.sql").c_str());
        // The files are named relative to the test's folder, so that the scripts name them alike.
        const std::filesystem::path home = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path(""));
        KxGClassMapper mapper(static_cast<int>(argv.size()), argv.data());
        const int32_t result = mapper.Execute();
        std::filesystem::current_path(home);
        return result;
    }

    std::string Script() { return ReadFile(dir_.Path("run.sql")); }
    std::string Log() { return ReadFile(dir_.Path("run.log")); }

    std::vector<std::vector<std::string>> Query(const std::string& sql, const std::string& user = "FX",
                                                const std::string& password = "fx")
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, user, password, err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        auto rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        oratest::RunOn(*session, "COMMIT");
        session->End();
        return rows;
    }

    std::vector<std::string> Objects(const std::string& user = "FX", const std::string& password = "fx")
    {
        std::vector<std::string> names;
        for (const auto& row :
             Query("SELECT OBJECT_TYPE, OBJECT_NAME FROM USER_OBJECTS ORDER BY OBJECT_TYPE, OBJECT_NAME", user,
                   password)) {
            names.push_back(row[0] + " " + row[1]);
        }
        return names;
    }
};

// ---- golden scripts and list ----------------------------------------------------------------------

// The part of the log that a command printed: after the echoed parameters, before the summary.
std::string Printed(const std::string& log)
{
    const size_t start = log.find(" Config File : ");
    const size_t from = log.find("\n\n", start);
    const size_t to = log.rfind("RELGEN terminated");
    return from == std::string::npos || to == std::string::npos || to < from ? log : log.substr(from + 2, to - from - 2);
}

TEST_F(MapperCommands, ScriptsAndListWithoutConnectionMatchTheGoldenFiles)
{
    const struct {
        const char* command;
        const char* golden;
        bool script;   // the script is compared, else what the command printed
    } cases[] = {
        {"-c", "create.sql", true},
        {"-d", "drop.sql", true},
        {"-e", "empty.sql", true},
        {"-m", "list.txt", false},
    };
    const bool update = std::getenv("ROG_UPDATE_GOLDEN") != nullptr;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_EQ(Run({c.command, "-x"}), 0) << Log();
        std::string made = c.script ? Script() : Printed(Log());
        // The creation time of the schema is the only text that changes from run to run.
        made = std::regex_replace(made, std::regex("'DatabaseStamp','[^']*'"), "'DatabaseStamp','<now>'");
        const std::string golden = std::string(MAPPER_GOLDEN_DIR) + "/" + c.golden;
        if (update) {
            WriteFile(golden, made);
            continue;
        }
        EXPECT_EQ(made, ReadFile(golden)) << "golden file " << golden;
    }
}

// ---- online on the embedded engine ----------------------------------------------------------------

TEST_F(MapperCommands, CreateWarnsOfAnArrayMappedWithOneElement)
{
    WriteFile(dir_.Path("dicts/fixture/classes.kxd"), std::string(kFixture) + "member ratings int count=3\n");
    ASSERT_EQ(Run({"-c", "-x"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Warning : array members with dimension > 1")) << Log();
    EXPECT_TRUE(Has(Log(), "Class: Shop, member: ratings")) << Log();
    EXPECT_TRUE(Has(Log(), "1 warning(s)")) << Log();
}

TEST_F(MapperCommands, OnlineCreateLeavesEverythingInPlaceAndDropRemovesIt)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "RELGEN terminated successfully")) << Log();
    const std::vector<std::string> expected = {
        "INDEX PARTYBYNAME21",     "INDEX PERSONBYCITY31",     "PACKAGE KELVOX_PACKAGE", "PROCEDURE ACQUIRE_LOCK",
        "TABLE ACTIVECLIENTS",     "TABLE COMPANYC4V0",        "TABLE KELVOX_CLASSES",   "TABLE KELVOX_INDEXES",
        "TABLE KELVOX_MEMBERS",    "TABLE LOCKS",              "TABLE OPTIONREGISTRY",   "TABLE OUTLET",
        "TABLE PARTYC2V0",         "TABLE PERSONC3V0",         "TABLE ROOTBLOCK",        "TABLE SURROGATES",
        "TRIGGER OUTLET5_TRG",     "TRIGGER RELEASE_LOCK",     "VIEW VCOMPANY4",         "VIEW VKXOBJECT0",
        "VIEW VPARTY2"};
    EXPECT_EQ(Objects(), expected);
    EXPECT_EQ(Query("SELECT KEYVALUE FROM FX.ROOTBLOCK WHERE KEYID = 'DictionaryName'"),
              (std::vector<std::vector<std::string>>{{"Fixture's dictionary"}}));
    EXPECT_EQ(Query("SELECT ID, SERIAL_ID FROM FX.SURROGATES"), (std::vector<std::vector<std::string>>{{"1", "100"}}));
    EXPECT_EQ(Query("SELECT SQL_INDEX_NAME, TABLE_NAME FROM FX.KELVOX_INDEXES ORDER BY CLASS_ID"),
              (std::vector<std::vector<std::string>>{{"PARTYBYNAME21", "PARTYC2V0"}, {"PERSONBYCITY31", "PERSONC3V0"}}));
    // The trigger copies a row of the STORE ALL subclass into its base's table; the view shows it.
    Query("INSERT INTO FX.OUTLET (OID, CID, FULL_NAME, STAFF0V0) VALUES (7, 5, 'Corner', 3)");
    EXPECT_EQ(Query("SELECT OID, FULL_NAME FROM FX.VCOMPANY4"), (std::vector<std::vector<std::string>>{{"7", "Corner"}}));
    // The role exists and holds the grants: a user that holds the role reads the schema.
    Query("GRANT FX_USER TO ABCDEFGHIJKLMNOPQRSTUVWXY1");
    EXPECT_EQ(Query("SELECT OID FROM FX.VPARTY2", "ABCDEFGHIJKLMNOPQRSTUVWXY1", "a"),
              (std::vector<std::vector<std::string>>{{"7"}}));

    // The list of the stored schema (names read back from the catalog tables) is the one made without
    // connection.
    ASSERT_EQ(Run({"-m"}, ""), 0) << Log();
    EXPECT_EQ(Printed(Log()), ReadFile(std::string(MAPPER_GOLDEN_DIR) + "/list.txt"));

    // A second create finds the schema and tells how to go on.
    EXPECT_EQ(Run({"-c", "-r"}), KXG_E_SCHEMA_EXISTS);
    EXPECT_TRUE(Has(Log(), "relgen -d")) << Log();   // the text tells what to do
    EXPECT_TRUE(Has(Log(), "Error : RO GW schema already exists in database 'FX'")) << Log();

    // Drop reads the names back from the catalog tables and removes every object and the role.
    ASSERT_EQ(Run({"-d", "-r"}, ""), 0) << Log();
    EXPECT_TRUE(Has(Log(), "RELGEN terminated successfully")) << Log();
    EXPECT_EQ(Objects(), std::vector<std::string>{});
    sqlengine::Error err;
    auto session = sqlengine::Session::Begin(server_, "FX", "fx", err);
    ASSERT_TRUE(session);
    sqlengine::Outcome out;
    auto again = session->Prepare("CREATE ROLE FX_USER NOT IDENTIFIED", err);
    ASSERT_TRUE(again) << err.message;
    EXPECT_TRUE(again->Run({}, out, err)) << err.message;   // the role was dropped
    again.reset();
    session->End();
}

// A statement that fails stops create, and what the run made is dropped again (the table that was
// there before stays); with the continue flag it is reported and create goes on, and the run still
// ends with an error. Drop removes what was made.
TEST_F(MapperCommands, AFailingStatementStopsCreateUnlessTheContinueFlagIsOn)
{
    for (const bool keepGoing : {false, true}) {
        SCOPED_TRACE(keepGoing);
        Query("CREATE TABLE FX.PERSONC3V0 (X NUMBER (38))");
        std::vector<std::string> args = {"-c", "-r"};
        if (keepGoing) {
            args.push_back("-i");
        }
        EXPECT_EQ(Run(args), keepGoing ? 0 : KXG_E_MAPPER_EXECUTE) << Log();
        EXPECT_TRUE(Has(Log(), "Error : Executing statement")) << Log();
        EXPECT_TRUE(Has(Log(), "RELGEN terminated with error status - ")) << Log();
        std::vector<std::string> objects = Objects();
        const auto has = [&](const char* object) {
            return std::find(objects.begin(), objects.end(), object) != objects.end();
        };
        if (!keepGoing) {
            EXPECT_EQ(objects, std::vector<std::string>{"TABLE PERSONC3V0"});
            Query("DROP TABLE FX.PERSONC3V0");
            continue;
        }
        EXPECT_TRUE(has("TABLE ROOTBLOCK"));
        EXPECT_TRUE(has("TABLE OUTLET"));
        EXPECT_TRUE(has("INDEX PARTYBYNAME21"));
        EXPECT_EQ(Run({"-d", "-r"}, ""), 0) << Log();
        EXPECT_EQ(Objects(), std::vector<std::string>{});
    }
}

TEST_F(MapperCommands, EmptyDeletesTheRowsAndResetsTheCounter)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    Query("INSERT INTO FX.PARTYC2V0 (OID, CID, FULL_NAME) VALUES (1, 2, 'A')");
    Query("UPDATE FX.SURROGATES SET SERIAL_ID = 500");
    ASSERT_EQ(Run({"-e", "-r"}, ""), 0) << Log();
    EXPECT_EQ(Query("SELECT COUNT(*) FROM FX.PARTYC2V0"), (std::vector<std::vector<std::string>>{{"0"}}));
    EXPECT_EQ(Query("SELECT ID, SERIAL_ID FROM FX.SURROGATES"), (std::vector<std::vector<std::string>>{{"1", "100"}}));
}

// Two schemas whose names agree in the part that makes the role name would share one role: the
// second create reports it and grants nothing to the other schema's role.
TEST_F(MapperCommands, ARoleOfAnotherSchemaIsReportedAndGetsNoGrants)
{
    ASSERT_EQ(Run({"-c", "-r"}, "options.txt", "ABCDEFGHIJKLMNOPQRSTUVWXY1", "a"), 0) << Log();
    EXPECT_EQ(Run({"-c", "-r"}, "options.txt", "ABCDEFGHIJKLMNOPQRSTUVWXY2", "b"), KXG_E_MAPPER_SILENT);
    EXPECT_TRUE(Has(Log(), "Error : The role 'ABCDEFGHIJKLMNOPQRSTUVWXY_USER' exists already")) << Log();
    EXPECT_TRUE(Has(Log(), "RELGEN terminated with error status - 1 error(s)")) << Log();
    EXPECT_FALSE(Has(Script(), "GRANT")) << Script();
}

// Convert by stored schema version: the message, then "RO GW Version" is 1024.
TEST_F(MapperCommands, ConvertByStoredVersion)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    const struct {
        const char* stored;
        const char* message;
        int32_t result;
        const char* after;
    } cases[] = {
        {"768", "Schema was created with version 1.2 beta 2 of RELGEN", 0, "1024"},
        {"769", "Schema was created with oid size of 32 bit", 0, "1024"},
        {"1023", "Schema was created with oid size of 32 bit", 0, "1024"},
        {"1024", "Schema is up to date, no conversion required ", 0, "1024"},
        {"767", "Schema was created with version 1.2 beta 1 of RELGEN", 0, "1024"},
        // The fixture's dictionary was changed after its creation: an old layout cannot be converted.
        {"511", "Schema was created by an older version of RELGEN", KXG_E_DICTIONARY_VERSION, "511"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Query(std::string("UPDATE FX.ROOTBLOCK SET KEYVALUE = '") + c.stored + "' WHERE KEYID = 'RO GW Version'");
        EXPECT_EQ(Run({"-n", "-r"}, ""), c.result) << Log();
        EXPECT_TRUE(Has(Log(), std::string(c.message) + "\n")) << Log();
        EXPECT_EQ(Query("SELECT KEYVALUE FROM FX.ROOTBLOCK WHERE KEYID = 'RO GW Version'"),
                  (std::vector<std::vector<std::string>>{{c.after}}));
        // 767 and 768 make the views again; they are in place after every run.
        EXPECT_EQ(Has(Script(), "DROP VIEW FX.VPARTY2\n/\n\nCREATE VIEW FX.VPARTY2"),
                  std::string(c.stored) == "768" || std::string(c.stored) == "767")
            << Script();
        const std::vector<std::string> objects = Objects();
        EXPECT_NE(std::find(objects.begin(), objects.end(), "VIEW VPARTY2"), objects.end());
    }

    // Another dictionary than the schema's is refused.
    Query("UPDATE FX.ROOTBLOCK SET KEYVALUE = '3' WHERE KEYID = 'DictionaryRevision'");
    EXPECT_EQ(Run({"-n", "-r"}, ""), KXG_E_DICTIONARY_MISMATCH);
    EXPECT_EQ(Run({"-d", "-r"}, ""), KXG_E_DICTIONARY_MISMATCH);
    EXPECT_TRUE(Has(Log(), "Error : Dictionary Mismatch")) << Log();
}

// The indexes of an existing schema: the database's own list, the index maps found in it, and the
// removal of stored rows.
TEST_F(MapperCommands, IndexesOfAnExistingSchema)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    KxGOraDatabase database(KxString(serverName_.c_str()), KxString("FX"), KxString("FX"), KxString("fx"), nullptr,
                            nullptr);
    ASSERT_EQ(database.OpenConnection(), 1) << database.GetError()->Text();
    std::unique_ptr<KxClassDict> dictionary;
    KxString error;
    ASSERT_EQ(KxClassDict::Parse(kFixture, KxString("classes.kxd"), dictionary, &error), 0) << Text(error);
    KxGIndexTable table(database);
    const auto sqlNames = [](const KxGIndexTableList& rows) {
        std::vector<std::string> names;
        for (size_t i = 0; i < rows.Count(); ++i) {
            names.push_back(Text(rows.Get(i).sqlIndexName) + " " + Text(rows.Get(i).tableName));
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    KxGIndexTableList own;
    ASSERT_EQ(table.GetDatabaseIndexes(own), 0);
    EXPECT_EQ(sqlNames(own), (std::vector<std::string>{"PARTYBYNAME21 PARTYC2V0", "PERSONBYCITY31 PERSONC3V0"}));

    // Index maps whose name without sequence number (class number and dictionary index number) the
    // database has: PersonByCity is the dictionary's second index but its class's first, so its
    // created name (sequence 1) is not the one an older schema would have.
    {
        KxGCreationSchemaMap map(&database, dictionary.get(), &KxGClassLoader::Instance());
        map.SetStoredNames(true);
        ASSERT_EQ(map.LoadClassSchemas(), 0);
        ASSERT_EQ(map.RebuildIndexMapsFromDatabase(), 0);
        std::vector<std::string> found;
        for (KxGIndexMap* indexMap : map.GetIndexMaps()) {
            found.push_back(Text(indexMap->GetName()) + " " + Text(indexMap->GetSQLName()));
        }
        EXPECT_EQ(found, (std::vector<std::string>{"PartyByName PARTYBYNAME21"}));
    }

    // The stored rows removed: the indexes are dropped, then their rows deleted.
    KxGIndexTableList stored;
    ASSERT_EQ(table.GetAllValues(stored), 0);
    oratest::OwnedList removals;
    ASSERT_EQ(table.AppendRemovals(stored, removals), 0);
    EXPECT_EQ(removals.Texts(),
              (std::vector<std::string>{
                  "DROP INDEX FX.PARTYBYNAME21", "DROP INDEX FX.PERSONBYCITY31",
                  "DELETE FROM FX.KELVOX_INDEXES WHERE CLASS_ID = 2 AND KELVOX_INDEX_NAME = 'PartyByName' AND "
                  "SQL_INDEX_NAME = 'PARTYBYNAME21' AND TABLE_NAME = 'PARTYC2V0'",
                  "DELETE FROM FX.KELVOX_INDEXES WHERE CLASS_ID = 3 AND KELVOX_INDEX_NAME = 'PersonByCity' AND "
                  "SQL_INDEX_NAME = 'PERSONBYCITY31' AND TABLE_NAME = 'PERSONC3V0'"}));
    for (uint32_t i = 0; i < removals.Count(); ++i) {
        KxGStoreStatement run(&database, removals.GetTemplate(i), 0);
        ASSERT_EQ(run.Execute(), 1) << database.GetError()->Text();
    }
    ASSERT_EQ(database.CommitConnection(), 1);
    KxGIndexTableList left;
    ASSERT_EQ(table.GetAllValues(left), 0);
    EXPECT_EQ(left.Count(), 0u);
    KxGIndexTableList ownLeft;
    ASSERT_EQ(table.GetDatabaseIndexes(ownLeft), 0);
    EXPECT_EQ(ownLeft.Count(), 0u);
    database.CloseConnection();
}

// ---- name tests ------------------------------------------------------------------------------------

// Names that two tables or views would share, or that are no identifiers, stop create before anything
// is written, with or without the continue flag.
TEST_F(MapperCommands, NameTestsRefuseSharedNamesWhateverTheContinueFlag)
{
    const struct {
        const char* name;
        const char* options;
        int32_t result;
        const char* message;
    } cases[] = {
        {"two classes renamed alike", "Company * RENAME Firm\nShop * RENAME Firm\n", KXG_E_NO_SCHEMA_CREATED,
         "Error : The name 'FIRM' is given to two tables or views"},
        {"a rename that is another class's table", "Shop * RENAME PartyC2V0\n", KXG_E_NO_SCHEMA_CREATED,
         "Error : The name 'PARTYC2V0' is given to two tables or views"},
        {"a rename that is a view", "Shop * RENAME VParty2\n", KXG_E_NO_SCHEMA_CREATED,
         "Error : The name 'VPARTY2' is given to two tables or views"},
        {"a rename that is no identifier", "Shop * RENAME Out'let\n", KXG_E_NO_SCHEMA_CREATED,
         "Error : The name 'OUT'LET' is not a valid table or view name"},
    };
    for (const auto& c : cases) {
        for (const char* flag : {"-c", "-i"}) {
            const bool keepGoing = std::string(flag) == "-i";
            SCOPED_TRACE(std::string(c.name) + " " + flag);
            WriteFile(dir_.Path("names.txt"), c.options);
            std::vector<std::string> args = {"-c", "-x"};
            if (keepGoing) {
                args.push_back(flag);
            }
            EXPECT_EQ(Run(args, "names.txt"), c.result) << Log();
            EXPECT_TRUE(Has(Log(), c.message)) << Log();
            EXPECT_TRUE(Has(Log(), "RELGEN terminated with error status - ")) << Log();
            EXPECT_EQ(Script(), "");
        }
    }
}

// ---- the view build ---------------------------------------------------------------------------------

// A handler that appends its view and then fails.
class FailingViewHdl : public KxGStoreDefaultHdl {
public:
    using KxGStoreDefaultHdl::KxGStoreDefaultHdl;
    int32_t CreateExtentView(KxGStatementTemplateList& list) override
    {
        list.Adopt(new KxGStatementTemplate(KxString("CREATE VIEW BROKEN")));
        list.Adopt(new KxGStatementTemplate(KxString("CREATE VIEW BROKEN_TOO")));
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
};

class ViewBuild : public oratest::DatabaseTest {
protected:
    ViewBuild() : DatabaseTest({.prefix = "VB_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kFixture, KxString("classes.kxd"), dictionary_, &error), 0) << Text(error);
    }

    std::unique_ptr<KxGCreationSchemaMap> Loaded()
    {
        auto map = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        EXPECT_EQ(map->LoadClassSchemas(), 0);
        // Company (4) fails after appending two statements.
        KxGClassMap* company = map->FindClass(4)->GetClassMap();
        company->SetStoreHdl(std::make_unique<FailingViewHdl>(company));
        return map;
    }

    static std::vector<std::string> Texts(const KxGStatementTemplateList& list)
    {
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < list.Count(); ++i) {
            const std::string text = Text(list.GetTemplate(i)->GetSQLText());
            texts.push_back(text.substr(0, text.find(' ', 12)));
        }
        return texts;
    }

    std::unique_ptr<KxClassDict> dictionary_;
};

TEST_F(ViewBuild, AFailingHandlerIsReportedAndWithContinueOnlyItsStatementsGo)
{
    for (const bool keepGoing : {false, true}) {
        SCOPED_TRACE(keepGoing);
        std::unique_ptr<KxGCreationSchemaMap> map = Loaded();
        std::vector<std::pair<int32_t, std::string>> reports;
        map->SetReporter([&](int32_t code, const KxString& text) { reports.emplace_back(code, Text(text)); },
                         keepGoing);
        EXPECT_EQ(map->BuildViewList(), keepGoing ? 0 : KXG_E_NO_CLASS_MAP_IN_CATALOG);
        EXPECT_EQ(reports, (std::vector<std::pair<int32_t, std::string>>{
                               {KXG_E_NO_CLASS_MAP_IN_CATALOG, "CREATE VIEW BROKEN_TOO"}}));
        const std::vector<std::string> before = {"CREATE VIEW S.VKXOBJECT0", "CREATE VIEW S.VPARTY2"};
        if (keepGoing) {
            // The views of the classes before and after the failing one stay.
            EXPECT_EQ(Texts(*map->GetViewList()), before);
        } else {
            EXPECT_EQ(Texts(*map->GetViewList()).size(), 4u);
        }
    }
}

// ---- naming and the index table ---------------------------------------------------------------------

TEST_F(ViewBuild, TableNamesOfANewSchema)
{
    const struct {
        const char* options;
        uint16_t revision;
        const char* shop;   // the table of class 5
    } cases[] = {
        {"", 0, "S.SHOPC5V0"},
        {"", 3, "S.SHOPC5V3"},
        {"Shop * RENAME Outlet\n", 0, "S.OUTLET"},
        {"Shop * RENAME Outlet\n", 2, "S.OUTLETV2"},
        {"Shop * RENAME Abcdefghijklmnopqrstuvwxyz1234\n", 12, "S.ABCDEFGHIJKLMNOPQRSTUVWXYZ1V12"},
        {"* * PRESERVE_NAMES\n", 0, "S.SHOP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        KxGCreationSchemaMap map(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        map.SetRevision(c.revision);
        std::istringstream lines(c.options);
        std::string cls, member, option, argument;
        while (lines >> cls >> member >> option) {
            std::getline(lines, argument);
            ASSERT_EQ(map.GetOptionRegistry().ProcessOption(KxString(cls.c_str()), KxString(member.c_str()),
                                                            KxString(option.c_str()),
                                                            KxString(argument.empty() ? "" : argument.substr(1).c_str()), 1),
                      0);
        }
        uint16_t preserve = 0;
        map.GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, true, preserve);
        map.SetPreserveNames(preserve);
        ASSERT_EQ(map.LoadClassSchemas(), 0);
        KxGTable table;
        ASSERT_EQ(map.FindClass(5)->GetClassMap()->GetStoreHdl()->GetClassTable(table), 0);
        EXPECT_EQ(Text(table.GetQualifiedName()), c.shop);
    }
}

// The kernel's own classes are loaded only from 65311 to 65500.
TEST_F(ViewBuild, LoadingTakesTheMappedSystemClassesOnly)
{
    std::unique_ptr<KxClassDict> dictionary;
    KxString error;
    ASSERT_EQ(KxClassDict::Parse("dictionary sys\nclass 2.1 User\nclass 65310.1 Before\nclass 65311.1 First\n"
                                 "class 65500.1 Last\nclass 65501.1 After\n",
                                 KxString("classes.kxd"), dictionary, &error),
              0)
        << Text(error);
    KxGCreationSchemaMap map(db_.get(), dictionary.get(), &KxGClassLoader::Instance());
    ASSERT_EQ(map.LoadAllClasses(), 0);
    for (const auto& [number, loaded] : std::vector<std::pair<uint16_t, bool>>{
             {0, true}, {2, true}, {65310, false}, {65311, true}, {65500, true}, {65501, false}}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(map.FindClass(number) != nullptr, loaded);
    }
}

// Set tables: the member's RENAME (when an identifier), else its name with owner, position and
// revision; each named set is recorded once for KELVOX_MEMBERS.
TEST_F(ViewBuild, SetTableNamesAndTheirRows)
{
    const struct {
        const char* rename;   // member option of Person's member "friends"; null for none
        bool preserve;
        uint16_t revision;
        const char* table;
    } cases[] = {
        {nullptr, false, 0, "S.FRIENDSC3P4V0"},
        {nullptr, false, 2, "S.FRIENDSC3P4V2"},
        {nullptr, true, 0, "S.FRIENDS"},
        {"Pals", false, 0, "S.PALS"},
        {"Pals", false, 1, "S.PALSV1"},
        {"Pals x", false, 0, "S.PALS X"},   // taken as given: the name test refuses it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        KxGCreationSchemaMap map(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        if (c.rename != nullptr) {
            ASSERT_EQ(map.GetOptionRegistry().ProcessOption(KxString("Person"), KxString("friends"), KxString("RENAME"),
                                                            KxString(c.rename), 1),
                      0);
        }
        map.SetPreserveNames(c.preserve ? 1 : 0);
        map.SetRevision(c.revision);
        ASSERT_EQ(map.LoadClassSchemas(), 0);
        KxGClass* person = map.FindClass(3);
        KxGMember friends(KxString("friends"), person, nullptr);
        KxGQualifiedIdentity table;
        ASSERT_EQ(map.MapSet2TableName(friends, 4, table), 0);
        ASSERT_EQ(map.MapSet2TableName(friends, 4, table), 0);
        EXPECT_EQ(Text(table.GetQualifiedName()), c.table);
        ASSERT_EQ(map.GetSetRows().size(), 1u);
        EXPECT_EQ(map.GetSetRows()[0].key, "friends");
        EXPECT_EQ("S." + map.GetSetRows()[0].columnName, c.table);
    }
}

TEST_F(ViewBuild, IndexTableColumnsRowsAndReadingBack)
{
    KxGIndexTable table(*db_);
    std::unique_ptr<KxGCreateStatementTemplate> created(table.CreateTemplate());
    ASSERT_TRUE(created);
    EXPECT_TRUE(Has(Text(created->GetSQLText()), "KELVOX_INDEX_NAME VARCHAR2 (250) not null")) << Text(created->GetSQLText());
    EXPECT_TRUE(Has(Text(created->GetSQLText()), "SQL_INDEX_NAME VARCHAR2 (30) not null"));
    KxGStoreStatement create(db_.get(), created.get(), 0);
    ASSERT_EQ(create.Execute(), 1) << db_->GetError()->Text();
    // Names are written as literals: a quote inside stays the name's.
    EXPECT_EQ(Text(table.InsertText(65400, KxString("it's"), KxString("IX1"), KxString("T"))),
              "INSERT INTO S.KELVOX_INDEXES (CLASS_ID, KELVOX_INDEX_NAME, SQL_INDEX_NAME, TABLE_NAME) VALUES "
              "(-136, 'it''s', 'IX1', 'T')");
    for (const size_t count : {0u, 5u, 7u}) {
        SCOPED_TRACE(count);
        for (size_t i = 0; i < count; ++i) {
            KxGStoreStatementTemplate insert(table.InsertText(static_cast<uint16_t>(i == 0 ? 65400 : i),
                                                              KxString(("n'" + std::to_string(i)).c_str()),
                                                              KxString(("IX" + std::to_string(i)).c_str()),
                                                              KxString("T")));
            KxGStoreStatement run(db_.get(), &insert, 0);
            ASSERT_EQ(run.Execute(), 1) << db_->GetError()->Text();
        }
        KxGIndexTableList rows;
        ASSERT_EQ(table.GetAllValues(rows), 0);
        ASSERT_EQ(rows.Count(), count);
        KxString sqlName;
        if (count > 0) {
            EXPECT_EQ(rows.Find(KxString("n'0"), 65400, sqlName), rows.FindSQL(KxString("IX0"), KxString("T")));
            EXPECT_EQ(Text(sqlName), "IX0");
        }
        EXPECT_EQ(rows.Find(KxString("n'0"), 1, sqlName), -1);
        KxGStoreStatementTemplate clear(KxString("DELETE FROM S.KELVOX_INDEXES"));
        KxGStoreStatement run(db_.get(), &clear, 0);
        ASSERT_EQ(run.Execute(), 1);
    }
}

}  // namespace
