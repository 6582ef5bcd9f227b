// The driver's steps in the process, on the embedded engine through the Oracle adapter, with a command
// of the test's own: connecting (log-in, owner check, failures), executing statements (script,
// online execution, a failing statement with and without the continue flag, the statements whose
// failure is forgiven), the choice of the command by a probe of the schema, and the final report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KxGClassMapper.h"
#include "KxGClassMapperCmd.h"
#include "KxGClassMapperLog.h"
#include "KxGDatabase.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxRoot.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

// What the test's command does, and what it saw.
struct Script {
    std::vector<std::string> statements;
    bool ownerCheck = true;
    std::vector<int32_t> kinds;     // the kinds the factory was asked for
    KxGSchemaFacts facts;           // the facts after the run-time probe
    int32_t roleConflicts = 0;
};

// Connects when the run connects, checks the owner, executes the statements in order.
class ScriptedCmd : public KxGClassMapperCmd {
public:
    ScriptedCmd(KxGClassMapper* mapper, Script& script) : KxGClassMapperCmd(mapper), script_(script) {}

    int32_t Run() override
    {
        KxGClassMapper& mapper = *GetMapper();
        script_.facts = mapper.GetSchemaFacts();
        if (mapper.IsConnected()) {
            if (int32_t result = mapper.Connect(false); result != 0) {
                return result;
            }
        }
        if (script_.ownerCheck) {
            if (int32_t result = mapper.CheckSchemaOwner(); result != 0) {
                return result;
            }
        }
        if (mapper.GetTerminator().IsEmpty()) {
            mapper.SetTerminator(mapper.GetDatabase()->GetDatabaseInfo()->GetTerminator());
        }
        for (const std::string& text : script_.statements) {
            KxGStatementTemplate statement{KxString(text)};
            if (int32_t result = mapper.ExecuteStatement(statement); result != 0) {
                return result;
            }
        }
        script_.roleConflicts = mapper.GetRoleConflictCount();
        return 0;
    }

private:
    Script& script_;
};

int32_t g_loginAnswer = 1;

int32_t LogIn(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString("S");
    password = KxString("Secret");
    return g_loginAnswer;
}

struct Case {
    const char* name;
    std::vector<std::string> args;          // beyond -D, -S, -l, -f and -config
    std::vector<std::string> statements;
    bool ownerCheck;
    int32_t loginAnswer;                    // 0: no log-in callback
    int32_t result;                         // of Execute
    std::vector<std::string> logged;        // parts of the log
    std::vector<std::string> notLogged;
    std::vector<std::string> tables;        // S's tables afterwards
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

const char kCreate1[] = "CREATE TABLE S.T1 (A NUMBER (10))";
const char kInsert1[] = "INSERT INTO S.T1 (A) VALUES (1)";
const char kBadInsert[] = "INSERT INTO S.NOPE (A) VALUES (1)";
const char kCreate2[] = "CREATE TABLE S.T2 (B NUMBER (10))";
const char kSuccess[] = "RELGEN terminated successfully\n";
const char kOneError[] = "RELGEN terminated with error status - 1 error(s), 0 warning(s)\n";
const char kFailedInsert[] =
    "Error : Executing statement\nINSERT INTO S.NOPE (A) VALUES (1)\nNative Code = 942\nNative Description = ORA-00942";

const Case kCases[] = {
    {"OnlineStatementsRunAndAreScripted", {"-c", "-r", "-u", "S", "-p", "Secret", "-B", "S"}, {kCreate1, kInsert1},
     true, 0, 0,
     {" Command     : c\n Options     : DSlfrupB\n", kSuccess},
     {"Error"},
     {"T1"}},
    {"FailingStatementStopsTheCommandAndIsReportedOnce", {"-c", "-r", "-u", "S", "-p", "Secret", "-B", "S"},
     {kCreate1, kBadInsert, kCreate2}, true, 0, KXG_E_MAPPER_EXECUTE,
     {kFailedInsert, kOneError},
     {"Error : Unknown"},
     {"T1"}},
    {"ContinueFlagGoesOnAndCountsTheFailure", {"-c", "-i", "-r", "-u", "S", "-p", "Secret", "-B", "S"},
     {kCreate1, kBadInsert, kCreate2}, true, 0, 0,
     {kFailedInsert, kOneError},
     {},
     {"T1", "T2"}},
    {"ForgivenCollectionViewFailure", {"-c", "-r", "-u", "S", "-p", "Secret", "-B", "S"},
     {"DROP VIEW S.VKXCOLLECTIONOFOBJECT65500", kCreate1}, true, 0, 0,
     {kSuccess},
     {"Error"},
     {"T1"}},
    {"OfflineRunWritesTheScriptOnly", {"-c", "-x", "-B", "S"}, {kCreate1, kBadInsert}, true, 0, 0,
     {kSuccess},
     {"Error"},
     {}},
    {"WrongPassword", {"-c", "-r", "-u", "S", "-p", "wrong", "-B", "S"}, {kCreate1}, true, 0,
     KXG_E_CANNOT_OPEN_DATABASE,
     {"Error : Can't open/create database\nError = -6005\nNative Code = 1017\nNative Description = ORA-01017", kOneError},
     {},
     {}},
    {"LoginUserDoesNotOwnTheSchema", {"-c", "-r", "-u", "ADMIN", "-p", "admin", "-B", "S"}, {kCreate1}, true, 0,
     KXG_E_NOT_SCHEMA_OWNER,
     {"Error : Login user is not the owner of the RDBMS schema\n", kOneError},
     {},
     {}},
    {"LoginThroughTheCallback", {"-c", "-r", "-B", "S"}, {kCreate1}, true, 1, 0,
     {kSuccess},
     {},
     {"T1"}},
    {"LoginCancelled", {"-c", "-r", "-B", "S"}, {kCreate1}, true, 2, KXG_E_LOGIN_CANCELLED,
     {"Login cancelled by user\n", kOneError},
     {},
     {}},
    {"ExistingRoleIsNoFailure", {"-c", "-r", "-u", "ADMIN", "-p", "admin", "-B", "ADMIN"},
     {"CREATE ROLE S_USER", "CREATE ROLE S_USER"}, true, 0, 0,
     {kSuccess},
     {"Error"},
     {}},
};

class MapperDriver : public oratest::ServerTest, public ::testing::WithParamInterface<Case> {
protected:
    MapperDriver() : ServerTest({.prefix = "MAP_", .users = oratest::SchemaAndAdmin()}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        config_ = dir_.Path("kx.ini");
        WriteFile(config_, std::string("[servers\\LOCAL]\nDictionaryPath=") + SAMPLE_DICTIONARIES + "\n");
    }

    void TearDown() override
    {
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        ServerTest::TearDown();
    }

    // Runs the mapper with the arguments (and -D sample, -S, -l, -f, -config) and the scripted
    // command; standard output is kept in out_.
    int32_t Run(const std::vector<std::string>& args, Script& script, int32_t* errors = nullptr)
    {
        std::vector<std::string> all = {"relgen", "-D", "sample", "-S", "Oracle$" + serverName_, "-l", LogPath(),
                                        "-f", ScriptPath(), "-config", config_};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const std::string& arg : all) {
            argv.push_back(arg.c_str());
        }
        KxGClassMapper mapper(static_cast<int>(argv.size()), argv.data());
        mapper.SetCommandFactory([&script](int32_t kind, KxGClassMapper* m) -> std::unique_ptr<KxGClassMapperCmd> {
            script.kinds.push_back(kind);
            return std::make_unique<ScriptedCmd>(m, script);
        });
        std::ostringstream captured;
        std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
        const int32_t result = mapper.Execute();
        std::cout.rdbuf(previous);
        out_ = captured.str();
        if (errors != nullptr) {
            *errors = mapper.GetLog().GetErrorCount();
        }
        return result;
    }

    std::string LogPath() const { return dir_.Path("run.LOG"); }
    std::string ScriptPath() const { return dir_.Path("run.SQL"); }

    // The tables of schema S on the server.
    std::vector<std::string> TablesOfS()
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
        EXPECT_TRUE(session) << error.message;
        std::vector<std::string> names;
        if (session) {
            for (const auto& row : oratest::RowTexts(oratest::RunOn(
                     *session, "SELECT OBJECT_NAME FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' ORDER BY OBJECT_NAME"))) {
                names.push_back(row[0]);
            }
            session->End();
        }
        return names;
    }

    void RunOnS(const std::string& sql)
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
        ASSERT_TRUE(session) << error.message;
        oratest::RunOn(*session, sql);
        oratest::RunOn(*session, "COMMIT");
        session->End();
    }

    std::string config_;
    std::string out_;
};

TEST_P(MapperDriver, RunsTheCommandAndReports)
{
    const Case& c = GetParam();
    if (c.loginAnswer != 0) {
        g_loginAnswer = c.loginAnswer;
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    }
    Script script;
    script.statements = c.statements;
    script.ownerCheck = c.ownerCheck;
    int32_t errors = 0;
    EXPECT_EQ(Run(c.args, script, &errors), c.result) << out_;

    const std::string log = ReadFile(LogPath());
    EXPECT_EQ(log.rfind("Tessaform Relational Schema Mapper Version 11.0.3.50\n", 0), 0u) << log;
    EXPECT_EQ(out_, log) << "echo on: standard output shows what the log holds";
    for (const std::string& part : c.logged) {
        EXPECT_NE(log.find(part), std::string::npos) << part << "\n--- log:\n" << log;
        EXPECT_EQ(log.find(part), log.rfind(part)) << "reported twice: " << part;
    }
    for (const std::string& part : c.notLogged) {
        EXPECT_EQ(log.find(part), std::string::npos) << part << "\n--- log:\n" << log;
    }
    EXPECT_EQ(TablesOfS(), c.tables);
    bool failed = false;
    for (const std::string& part : c.logged) {
        failed = failed || part == kOneError;
    }
    EXPECT_EQ(errors > 0, failed);
    if (std::string(c.name) == "ExistingRoleIsNoFailure") {
        EXPECT_EQ(script.roleConflicts, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, MapperDriver, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The script holds every statement, then the terminator, then an empty line; offline as online.
TEST_F(MapperDriver, ScriptHoldsEachStatementWithItsTerminator)
{
    Script script;
    script.statements = {kCreate1, kInsert1};
    ASSERT_EQ(Run({"-c", "-x", "-B", "S"}, script), 0) << out_;
    EXPECT_EQ(ReadFile(ScriptPath()), std::string(kCreate1) + "\n/\n\n" + kInsert1 + "\n/\n\n");
    ASSERT_EQ(Run({"-c", "-x", "-t;", "-B", "S"}, script), 0) << out_;
    EXPECT_EQ(ReadFile(ScriptPath()), std::string(kCreate1) + "\n;\n\n" + kInsert1 + "\n;\n\n");
}

// Without a command letter the run probes the schema: no gateway schema means create, an existing
// one (its facts read from ROOTBLOCK) means version all.
TEST_F(MapperDriver, ProbeChoosesTheCommand)
{
    Script script;
    ASSERT_EQ(Run({"-r", "-u", "S", "-p", "Secret", "-B", "S"}, script), 0) << out_;
    EXPECT_EQ(script.kinds, std::vector<int32_t>{KXG_MAPPER_CMD_CREATE});

    RunOnS("CREATE TABLE S.ROOTBLOCK (KEYID VARCHAR2 (50), KEYVALUE VARCHAR2 (100))");
    RunOnS("INSERT INTO S.ROOTBLOCK (KEYID, KEYVALUE) VALUES ('RO GW Version', '1024')");
    RunOnS("INSERT INTO S.ROOTBLOCK (KEYID, KEYVALUE) VALUES ('DictionaryName', 'sample')");
    RunOnS("INSERT INTO S.ROOTBLOCK (KEYID, KEYVALUE) VALUES ('DictionaryRevision', '3')");
    Script second;
    ASSERT_EQ(Run({"-r", "-u", "S", "-p", "Secret", "-B", "S"}, second), 0) << out_;
    EXPECT_EQ(second.kinds, std::vector<int32_t>{KXG_MAPPER_CMD_VERSION});
    EXPECT_EQ(second.facts.schemaVersion, 1024u);
    EXPECT_EQ(second.facts.dictionaryRevision, 3);
    EXPECT_EQ(std::string(second.facts.dictionaryName.StrGet()), "sample");
}

// The configuration maps the logical database name to the physical one and, with TraceModules in
// the database's section, turns on the trace file relgen.trc in the current folder.
TEST_F(MapperDriver, ConfigurationMapsTheDatabaseAndTurnsOnTheTrace)
{
    WriteFile(config_, std::string("[servers\\LOCAL]\nDictionaryPath=") + SAMPLE_DICTIONARIES +
                           "\n[LogicalNames\\ROG]\nshop=S\n[databases\\S\\RelationalObjectGateway]\nTraceModules=SM\n");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.Path("").c_str()), 0);
    Script script;
    script.statements = {kCreate1};
    const int32_t result = Run({"-c", "-r", "-u", "S", "-p", "Secret", "-B", "shop"}, script);
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(result, 0) << out_;
    EXPECT_NE(out_.find(" Database    : S\n"), std::string::npos) << out_;
    EXPECT_EQ(TablesOfS(), std::vector<std::string>{"T1"});
    const std::string trace = ReadFile(dir_.Path("relgen.trc"));
    EXPECT_NE(trace.find("Tessaform Relgen Trace file \nRelgen build date : "), std::string::npos) << trace;
    EXPECT_NE(trace.find("Relgen version : 11.0.3.50\n"), std::string::npos) << trace;
}

}  // namespace
