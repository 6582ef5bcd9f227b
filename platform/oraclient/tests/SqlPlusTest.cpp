// The Oracle client run as a real process, as the upgrade runs it, against an engine server that the
// test registers and the child reaches through ROG_ENGINE_SERVERS.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "OciFixture.h"
#include "ProcessSupport.h"
#include "TestSupport.h"
#include "sqlengine.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::RunProcess;
using w32test_support::TempDir;

constexpr const char* kServer = "SQLPSRV";

class SqlPlusRun : public ::testing::Test {
protected:
    SqlPlusRun()
        : servers_("ROG_ENGINE_SERVERS", std::string(kServer) + "=" + (dir_ / "server")),
          record_("STANDIN_RECORD", dir_ / "record.txt"),
          nls_("NLS_LANG", std::string("GERMAN_GERMANY.WE8MSWIN1252")) {
        sqlengine::Error err;
        auto server = sqlengine::Engine::Instance().RegisterServer(kServer, dir_ / "server", &err);
        EXPECT_TRUE(server && server->AddUser("S", "s", false, &err)) << err.message;
        sqlengine::Engine::Instance().UnregisterServer(kServer);
        std::filesystem::create_directories(dir_ / "scripts/sub");
    }
    ~SqlPlusRun() override { sqlengine::Engine::Instance().UnregisterServer(kServer); }

    // Runs "sqlplus <arguments>" in the scripts folder; answers the exit code.
    DWORD Run(const std::string& arguments) {
        const w32test_support::ProcessRun run = RunProcess("sqlplus " + arguments, dir_ / "scripts");
        EXPECT_TRUE(run.started) << run.error;
        return run.exitCode;
    }
    // The count of a query, asked on a connection of this process.
    int64_t Count(const std::string& sql) {
        ocitest::Connection c;
        EXPECT_EQ(c.Open(kServer, "S", "s"), OCI_SUCCESS);
        ocitest::Stmt st(c, sql);
        int64_t n = -1;
        st.Define(1, &n, sizeof n, SQLT_INT);
        std::string text;
        EXPECT_EQ(st.Execute(0), OCI_SUCCESS) << sql << ": " << (c.ErrorCode(&text), text);
        EXPECT_EQ(st.Fetch(1), OCI_SUCCESS);
        c.Close();
        return n;
    }

    TempDir dir_;
    EnvVar servers_;
    EnvVar record_;
    EnvVar nls_;
};

// No log-on, a wrong password or an unknown service: exit code 1, the script not read, no spool.
TEST_F(SqlPlusRun, RefusedLogOnEndsWithoutReadingTheScript) {
    dir_.Write("scripts/s.sql", "SPOOL s.log\nCREATE TABLE S.T (N NUMBER (10));\nEXIT\n");
    const char* const cases[] = {"@s.sql s.log", "S @s.sql s.log", "S/wrong@SQLPSRV @s.sql s.log",
                                 "S/s@NOSUCHSRV @s.sql s.log", ""};
    for (const char* arguments : cases) {
        EXPECT_EQ(Run(arguments), 1u) << arguments;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "scripts/s.log")) << arguments;
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ALL_OBJECTS WHERE OBJECT_NAME = 'T'"), 0);
    // Every run left its line: arguments, working directory, NLS_LANG.
    const std::string record = ReadAll(dir_ / "record.txt");
    EXPECT_NE(record.find("sqlplus\tS/wrong@SQLPSRV @s.sql s.log\t" + (dir_ / "scripts") + "\tGERMAN_GERMANY.WE8MSWIN1252\n"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("sqlplus\t\t" + (dir_ / "scripts") + "\t"), std::string::npos) << record;
}

// A script as the upgrade's lists hold them: commands, ";" and "/" statements, a trigger block, a
// package the server keeps with errors, a block and a statement the server refuses, a nested
// script, &1 and &2, a query; EXIT commits what came after the last DDL.
TEST_F(SqlPlusRun, ScriptRunsWithTheClientsFeedbackInTheSpool) {
    dir_.Write("scripts/main.sql",
               "SPOOL &1\n"
               "SET FEEDBACK ON\n"
               "REM a remark; not a statement\n"
               "-- a comment;\n"
               "/* a comment\n   over two lines; */\n"
               "PROMPT Building &2.-&2\n"
               "CREATE TABLE S.T (N NUMBER (10), V VARCHAR2 (20));\n"
               "CREATE TABLE S.LOG\n"
               "  (N NUMBER (10))\n"
               "/\n"
               "CREATE OR REPLACE TRIGGER S.T_TRG\n"
               "AFTER INSERT ON S.T\n"
               "FOR EACH ROW\n"
               "BEGIN\n"
               "  INSERT INTO S.LOG (N) VALUES (:NEW.N);\n"
               "END;\n"
               "/\n"
               "CREATE OR REPLACE PACKAGE S.P AS\n"
               "  PROCEDURE X;\n"
               "END;\n"
               "/\n"
               "@@sub/nested\n"
               "INSERT INTO S.T (N, V) VALUES (1, '&2');\n"
               "INSERT INTO S.T (N, V) VALUES (2, 'b');\n"
               "UPDATE S.T SET V = 'c'\n"
               "  WHERE N > 0;\n"
               "INSERT INTO S.MISSING VALUES (1);\n"
               "BEGIN\n"
               "  UPDATE S.T SET V = 'd';\n"
               "END;\n"
               "/\n"
               "SELECT N, V FROM S.T ORDER BY N;\n"
               "SELECT N FROM S.T WHERE N > 5;\n"
               "SPOOL OFF;\n"
               "PROMPT not spooled\n"
               "EXIT;\n"
               "INSERT INTO S.T (N, V) VALUES (3, 'after exit');\n");
    dir_.Write("scripts/sub/nested.sql", "ALTER TABLE S.T ADD (W VARCHAR2 (5));\n");
    EXPECT_EQ(Run("S/s@SQLPSRV @main.sql main.log xy"), 0u);

    const std::string spool = ReadAll(dir_ / "scripts/main.log");
    const std::string expected =
        "Building xy-xy\n"
        "\nTable created.\n\n"
        "\nTable created.\n\n"
        "\nTrigger created.\n\n"
        "\nWarning: Package created with compilation errors.\n\n"
        "\nTable altered.\n\n"
        "old   1: INSERT INTO S.T (N, V) VALUES (1, '&2')\n"
        "new   1: INSERT INTO S.T (N, V) VALUES (1, 'xy')\n"
        "\n1 row created.\n\n"
        "\n1 row created.\n\n"
        "\n2 rows updated.\n\n"
        "ERROR at line 1:\n"
        "ORA-00942: table or view does not exist";
    EXPECT_EQ(spool.substr(0, expected.size()), expected) << spool;
    // The block the server does not run fails with its error; the queries show their rows (FEEDBACK
    // ON counts from one row on).
    const size_t block = spool.find("ERROR at line 1:\nORA-06550: ", expected.size());
    EXPECT_NE(block, std::string::npos) << spool;
    EXPECT_NE(spool.find("\n\n         N V\n---------- --------------------\n         1 c\n         2 c\n\n"
                         "2 rows selected.\n\n\nno rows selected\n\n",
                         block),
              std::string::npos)
        << spool;
    EXPECT_EQ(spool.find("not spooled"), std::string::npos) << spool;

    // A second connection sees the committed rows, and the trigger's.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE V = 'c'"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.LOG"), 2);
}

// Without EXIT the end of the script commits; EXIT ROLLBACK does not, and sets the exit code.
TEST_F(SqlPlusRun, EndOfScriptCommitsAndExitRollbackDoesNot) {
    dir_.Write("scripts/make.sql", "CREATE TABLE S.T (N NUMBER (10));\nINSERT INTO S.T (N) VALUES (1);\n");
    dir_.Write("scripts/undo.sql", "INSERT INTO S.T (N) VALUES (2);\nEXIT 3 ROLLBACK\n");
    EXPECT_EQ(Run("S/s@SQLPSRV @make"), 0u);
    EXPECT_EQ(Run("S/s@SQLPSRV @undo.sql"), 3u);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T"), 1);
}

}  // namespace
