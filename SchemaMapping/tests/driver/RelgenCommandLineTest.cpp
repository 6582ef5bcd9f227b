// relgen run as a program: the error codes a command line can produce, with their texts and the exit
// status; the banner and usage texts; what a parse error leaves behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KxGClassMapper.h"
#include "OraTestSupport.h"
#include "TestSupport.h"
#include "sqlengine.h"

namespace {

struct Outcome {
    int exit = -1;
    std::string out;   // standard output and error
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a program in a folder with the given arguments (and environment assignments before it).
Outcome RunProgram(const std::string& program, const std::string& folder, const std::vector<std::string>& args,
                   const std::string& env)
{
    std::string command = "cd " + Quote(folder) + " && " + env + " " + Quote(program);
    for (const std::string& arg : args) {
        command += " " + Quote(arg);
    }
    command += " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return outcome;
    }
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        outcome.out.append(buffer, read);
    }
    const int status = pclose(pipe);
    outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Outcome Relgen(const std::string& folder, const std::vector<std::string>& args, const std::string& env = "")
{
    return RunProgram(RELGEN_PATH, folder, args, env);
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string Usage()
{
    std::ostringstream usage;
    KxGClassMapper::ShowUsage(usage);
    return usage.str();
}

struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string text;     // the line that must be printed
    bool usage;           // the usage text follows it
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// Every row ends in an error, so relgen exits with 1 and the summary counts one error.
const Case kCases[] = {
    {"NoArguments", {}, "Error : No dictionary specified (usage: -D <dictionary>)", true},
    {"NoDatabase", {"-D", "sample"}, "Error : No database specified (usage: -B <database>)", true},
    {"DatabaseValueMissing", {"-B", "-D", "sample"}, "Error : No database specified (usage: -B <database>)", true},
    {"DictionaryValueMissing", {"-D", "-B", "db"}, "Error : No dictionary specified (usage: -D <dictionary>)", true},
    {"DatabaseLastGivesNoErrorOfItsOwn", {"-D", "sample", "-B"},
     "Error : No database server specified (usage: -S <storage$server>)", true},
    {"NoServer", {"-D", "sample", "-B", "db"}, "Error : No database server specified (usage: -S <storage$server>)", true},
    {"ServerValueMissing", {"-D", "sample", "-B", "db", "-S", "-x"},
     "Error : No database server specified (usage: -S <storage$server>)", true},
    {"ServerValueMissingDoesNotStopTheLoop", {"-S", "-x", "-D", "sample", "-B", "db", "-c", "-d"},
     "Error : Invalid command", false},
    {"EmptyBrand", {"-D", "sample", "-B", "db", "-S"}, "Error : No database server specified (usage: -S <storage$server>)",
     true},
    {"StorageWithoutConfiguration", {"-D", "sample", "-B", "db", "-S", "Oracle"},
     "Error : No database server specified (usage: -S <storage$server>)", true},
    {"TwoCommands", {"-c", "-d", "-D", "sample", "-B", "db", "-S", "Oracle$LOCAL"}, "Error : Invalid command", false},
    {"OnlineThenOffline", {"-r", "-x", "-D", "sample"}, "Error : Invalid command option", false},
    {"OfflineThenOnline", {"-x", "-r", "-D", "sample"}, "Error : Invalid command option", false},
    {"UserValueMissing", {"-u", "-p", "x"}, "Error : No user name specified(usage: -u <username>)", false},
    {"PasswordValueMissing", {"-p", "-u", "x"}, "Error : No password specified (usage: -p <password>)", false},
    {"OptionFileMissing", {"-o", "-x"}, "Error : No option file specified for option -o", false},
    {"ScriptFileMissing", {"-f", "-x"}, "Error : No file specified for option -f", false},
    {"LogFileMissing", {"-l", "-x"}, "Error : No file specified for option -l", false},
    {"ConfigFileMissing", {"-config", "-x"}, "Error : No file specified for option -config", false},
    {"ConfigFileUnreadable", {"-D", "sample", "-B", "db", "-S", "Oracle$LOCAL", "-x", "-config", "/nonexistent/kx.ini"},
     "Error : Unable to start the kernel with the configuration file '/nonexistent/kx.ini'", false},
    {"UnknownBrand", {"-D", "sample", "-B", "db", "-S", "Nosuch$srv", "-x"},
     "Error : Unable to create Database instance for brand :Nosuch DBName:db", false},
    {"UnknownDictionary", {"-D", "nosuch", "-B", "db", "-S", "Oracle$LOCAL", "-x"},
     "Error : Unable to open dictionary: Error code : -2841", false},
    {"LogFileCannotBeOpened", {"-D", "sample", "-B", "db", "-S", "Oracle$LOCAL", "-x", "-l", "/nonexistent/x/db.LOG"},
     "Error : Unable to open Log file", false},
    {"ScriptFileCannotBeOpened", {"-D", "sample", "-B", "db", "-S", "Oracle$LOCAL", "-x", "-f", "/nonexistent/x/db.SQL"},
     "Error : Unable to open Script file", false},
};

class RelgenCommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(RelgenCommandLine, ReportsItsErrorAndExitsWithOne)
{
    const Case& c = GetParam();
    TempDir dir;
    const Outcome run = Relgen(dir.Path(""), c.args);
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_TRUE(Has(run.out, c.text + "\n")) << run.out;
    EXPECT_EQ(Has(run.out, c.text + "\n" + Usage()), c.usage) << run.out;
    EXPECT_TRUE(Has(run.out, "RELGEN terminated with error status - 1 error(s), 0 warning(s)\n")) << run.out;
    // The code is reported once, not again by the final report.
    EXPECT_EQ(run.out.find(c.text), run.out.rfind(c.text)) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Codes, RelgenCommandLine, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RelgenTexts, BannerAndUsage)
{
    std::ostringstream banner;
    KxGClassMapper::ShowBanner(banner);
    EXPECT_EQ(banner.str().rfind("Tessaform Relational Schema Mapper Version 11.0.3.50\nBuild date : ", 0), 0u);
    EXPECT_EQ(banner.str().substr(banner.str().size() - 2), "\n\n");

    const std::string usage = Usage();
    EXPECT_EQ(usage.rfind("Usage : RELGEN.EXE <commands> <database parameters> [options]\n\n  commands:\n"
                          "   -c            create schema (default)\n",
                          0),
              0u);
    EXPECT_TRUE(Has(usage, "\n  database parameters:\n   -D <Dictionary>       Tessaform dictionary\n"));
    EXPECT_TRUE(Has(usage, "   -x             don't connect to database\n   -config <file> configuration file\n"));

    TempDir dir;
    const Outcome run = Relgen(dir.Path(""), {});
    EXPECT_EQ(run.out.rfind(banner.str(), 0), 0u) << run.out;
}

// A parse error runs nothing: the parameters go into the log (there is a database to name it), the
// existing script stays as it was, unknown arguments are named.
TEST(RelgenParseError, EchoesIntoTheLogAndLeavesTheScriptAlone)
{
    TempDir dir;
    {
        std::ofstream script(dir.Path("db.SQL"));
        script << "kept\n";
    }
    const Outcome run = Relgen(dir.Path(""), {"-c", "-q", "stray", "-D", "sample", "-B", "db", "-e", "-S", "Oracle$LOCAL"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_TRUE(Has(run.out, "Ignoring unknown command/option q\n\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "Ignoring unknown command/option stray\n\n")) << run.out;
    EXPECT_EQ(ReadFile(dir.Path("db.SQL")), "kept\n");
    const std::string log = ReadFile(dir.Path("db.LOG"));
    EXPECT_TRUE(Has(log, " Dictionary  : sample\n Database    : db\n")) << log;
    EXPECT_TRUE(Has(log, " Command     : c\n Options     : DB\n")) << log;
    EXPECT_TRUE(Has(log, "Error : Invalid command\nRELGEN terminated with error status - 1 error(s), 0 warning(s)\n"))
        << log;
}

// A storage name without separator is looked up in the configuration ([servers\<storage>] name);
// an answer with a separator names brand and server, one without gives -6160.
TEST(RelgenStorage, NameIsLookedUpInTheConfiguration)
{
    TempDir dir;
    {
        std::ofstream config(dir.Path("kx.ini"));
        config << "[servers\\SHOPSTORE]\nname=Oracle$FAR\n[servers\\BROKEN]\nname=Oracle\n";
    }
    Outcome run = Relgen(dir.Path(""), {"-D", "nosuch", "-B", "db", "-S", "SHOPSTORE", "-x", "-config", "kx.ini"});
    EXPECT_TRUE(Has(run.out, " Server      : FAR\n DB Brand    : Oracle\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "Error : Unable to open dictionary")) << run.out;

    run = Relgen(dir.Path(""), {"-D", "nosuch", "-B", "db", "-S", "BROKEN", "-x", "-config", "kx.ini"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_TRUE(Has(run.out, "Error : No database server specified (usage: -S <storage$server>)\n" + Usage())) << run.out;
}

// Runs that get as far as a command: offline with an option file, and online on a server of the
// engine that relgen reaches through ROG_ENGINE_SERVERS.
class RelgenRuns : public oratest::ServerTest {
protected:
    RelgenRuns() : ServerTest({.prefix = "RG_", .users = {{"S", "Secret", false, {"CREATE ROLE"}}}}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        WriteFile(dir_.Path("kx.ini"), std::string("[servers\\LOCAL]\nDictionaryPath=") + SAMPLE_DICTIONARIES + "\n");
    }

    Outcome Run(std::vector<std::string> args)
    {
        const std::vector<std::string> common = {"-D", "sample", "-B", "S", "-S", "Oracle$" + serverName_,
                                                 "-u", "S", "-p", "Secret", "-config", "kx.ini"};
        args.insert(args.end(), common.begin(), common.end());
        return Relgen(dir_.Path(""), args, "ROG_ENGINE_SERVERS=" + Quote(serverName_ + "=" + dir_.Path("db")));
    }

    std::vector<std::string> Tables()
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
        EXPECT_TRUE(session) << error.message;
        std::vector<std::string> names;
        if (session) {
            for (const auto& row : oratest::RowTexts(
                     oratest::RunOn(*session, "SELECT OBJECT_NAME FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE'"))) {
                names.push_back(row[0]);
            }
            session->End();
        }
        return names;
    }

    bool HasTable(const std::string& name)
    {
        const std::vector<std::string> tables = Tables();
        return std::find(tables.begin(), tables.end(), name) != tables.end();
    }
};

TEST_F(RelgenRuns, OptionFileWarningsAndErrors)
{
    WriteFile(dir_.Path("opts.txt"), "* * NOSUCHOPTION 12\n");
    Outcome run = Run({"-c", "-x", "-o", "opts.txt"});
    EXPECT_EQ(run.exit, 0) << run.out;
    EXPECT_TRUE(Has(run.out, "Warning : Invalid mapping option\n")) << run.out;
    // The option, and the sample's two arrays mapped with one element.
    EXPECT_TRUE(Has(run.out, "Class: Person, member: scores\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "RELGEN terminated with 3 warning(s)\n")) << run.out;
    EXPECT_TRUE(Tables().empty());

    run = Run({"-c", "-x", "-o", "missing.txt"});
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "Error : Unable to open Option file\nRELGEN terminated with error status - 1 error(s)"))
        << run.out;
}

// Create, create again (-6155), drop; a create that meets a table in its way goes on with -i but
// ends with exit status 1.
TEST_F(RelgenRuns, OnlineCreateAndDrop)
{
    Outcome run = Run({"-c", "-r"});
    EXPECT_EQ(run.exit, 0) << run.out;
    EXPECT_TRUE(Has(run.out, "RELGEN terminated with 2 warning(s)\n")) << run.out;   // the sample's arrays
    EXPECT_TRUE(HasTable("ROOTBLOCK"));
    EXPECT_TRUE(HasTable("PERSONC13V0"));

    run = Run({"-c", "-r"});
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "Error : RO GW schema already exists in database 'S'\n")) << run.out;

    run = Run({"-d", "-r"});
    EXPECT_EQ(run.exit, 0) << run.out;
    EXPECT_TRUE(Has(run.out, "RELGEN terminated successfully\n")) << run.out;
    EXPECT_TRUE(Tables().empty());

    sqlengine::Error error;
    auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
    ASSERT_TRUE(session) << error.message;
    oratest::RunOn(*session, "CREATE TABLE S.NAMEDC11V0 (X NUMBER (10))");
    session->End();
    run = Run({"-c", "-r", "-i"});
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "Error : Executing statement\nCREATE TABLE S.NAMEDC11V0")) << run.out;
    // The table in the way and the index on its missing column.
    EXPECT_TRUE(Has(run.out, "RELGEN terminated with error status - 2 error(s), 2 warning(s)\n")) << run.out;
    EXPECT_TRUE(HasTable("PERSONC13V0"));
}

// The script of an offline create, with "/" after each statement, run by the Oracle client: every
// statement (tables, rows, the lock package and procedure, the trigger, views, indexes, role and
// grants) runs on the server as it would from relgen itself.
TEST_F(RelgenRuns, OfflineScriptRunsThroughTheOracleClient)
{
    Outcome run = Run({"-c", "-x", "-t/"});
    EXPECT_EQ(run.exit, 0) << run.out;
    EXPECT_TRUE(Tables().empty());
    WriteFile(dir_.Path("run.sql"), "SPOOL run.lst\n@S.SQL\nSPOOL OFF\nEXIT\n");
    run = RunProgram(SQLPLUS_PATH, dir_.Path(""), {"S/Secret@" + serverName_, "@run.sql"},
                     "ROG_ENGINE_SERVERS=" + Quote(serverName_ + "=" + dir_.Path("db")));
    EXPECT_EQ(run.exit, 0) << run.out;
    const std::string spool = ReadFile(dir_.Path("run.lst"));
    EXPECT_FALSE(Has(spool, "ERROR")) << spool;
    EXPECT_FALSE(Has(spool, "Warning")) << spool;
    for (const char* feedback : {"\nTable created.\n", "\nPackage created.\n", "\nProcedure created.\n",
                                 "\nIndex created.\n", "\nGrant succeeded.\n", "\n1 row created.\n"})
        EXPECT_TRUE(Has(spool, feedback)) << feedback;
    EXPECT_TRUE(HasTable("ROOTBLOCK"));
    EXPECT_TRUE(HasTable("PERSONC13V0"));
}

// Version all (-v, or no command letter once a schema exists) and convert (-n) over a schema the
// dictionary still describes: nothing to do, exit 0. An older schema is sent to convert. An index table
// that cannot be read stops version all with an error and exit status 1.
TEST_F(RelgenRuns, VersionAllAndConvertOnline)
{
    // Both need a connection.
    for (const char* command : {"-v", "-n"}) {
        const Outcome offline = Run({command, "-x"});
        EXPECT_EQ(offline.exit, 1) << offline.out;
        EXPECT_TRUE(Has(offline.out, "Error : Invalid command option\nRELGEN terminated with error status - 1 error(s)"))
            << offline.out;
    }

    Outcome run = Run({"-c", "-r"});
    ASSERT_EQ(run.exit, 0) << run.out;
    const struct {
        std::vector<std::string> args;
        const char* text;
    } cases[] = {
        {{"-v", "-r"}, "Creating script for versioning ...\n\nSchema is up to date, no versioning required \n"},
        {{"-r"}, "Creating script for versioning ...\n\nSchema is up to date, no versioning required \n"},
        {{"-n", "-r"}, "Creating script for conversion ...\n\nSchema is up to date, no conversion required \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front());
        run = Run(c.args);
        EXPECT_EQ(run.exit, 0) << run.out;
        EXPECT_TRUE(Has(run.out, c.text)) << run.out;
        EXPECT_TRUE(Has(run.out, "RELGEN terminated successfully\n")) << run.out;
    }

    sqlengine::Error error;
    auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
    ASSERT_TRUE(session) << error.message;
    oratest::RunOn(*session, "UPDATE S.ROOTBLOCK SET KEYVALUE = '767' WHERE KEYID = 'RO GW Version'");
    oratest::RunOn(*session, "COMMIT");
    run = Run({"-v", "-r"});
    EXPECT_EQ(run.exit, 0) << run.out;
    EXPECT_TRUE(Has(run.out, "Schema was created by an older version of RELGEN: use -n option to convert the schema\n"))
        << run.out;

    oratest::RunOn(*session, "UPDATE S.ROOTBLOCK SET KEYVALUE = '1024' WHERE KEYID = 'RO GW Version'");
    oratest::RunOn(*session, "DROP TABLE S.KELVOX_INDEXES");
    oratest::RunOn(*session, "COMMIT");
    session->End();
    run = Run({"-v", "-r"});
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "Error : could not read the index table KELVOX_INDEXES of the DB schema\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "RELGEN terminated with error status - 1 error(s)")) << run.out;
}

}  // namespace
