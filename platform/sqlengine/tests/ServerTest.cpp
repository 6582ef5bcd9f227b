// The server directory: user names and their files, the object registries against the schema files
// (failing catalog writes, processes killed during DDL).
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "GatewayDdl.h"

using namespace sqlengine;
namespace fs = std::filesystem;

namespace {

std::string UpperText(const std::string& s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The server lives in <root>/server, so that names such as "../victim" point at files of the test.
class ServerFilesTest : public testengine::ServerTest {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/sqlengine_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    dir_ = root_ + "/server";
    serverName_ = "SRV" + fs::path(root_).filename().string().substr(10);
    Error err;
    server_ = Engine::Instance().RegisterServer(serverName_, dir_, &err);
    ASSERT_TRUE(server_) << err.message;
    ASSERT_TRUE(server_->AddUser("ADMIN", "admin", true, &err)) << err.message;
    ASSERT_TRUE(server_->AddUser("S", "s", false, &err)) << err.message;
    Engine::Instance().SetBusyTimeout(0);
  }
  void TearDown() override {
    testengine::ServerTest::TearDown();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Every table, view, index and SQLite trigger of the schema files, as "<file>|<type>|<name>".
  std::set<std::string> FileObjects() {
    std::set<std::string> out;
    for (const auto& user : server_->Users()) {
      for (bool aux : {false, true}) {
        std::string path = server_->SchemaFile(user, aux);
        EXPECT_TRUE(fs::exists(path)) << user << " " << path;
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT upper(type), name FROM sqlite_master WHERE name NOT LIKE 'sqlite%'",
                                     -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW) {
          std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
          if (name == "sqlengine\"objects") continue;  // the registry itself
          out.insert(path + "|" + reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) + "|" + name);
        }
        sqlite3_finalize(st);
        sqlite3_close_v2(db);
      }
    }
    return out;
  }

  // The same, as the server's object list (ALL_OBJECTS, ALL_CATALOG, ALL_INDEXES) describes it.
  std::set<std::string> ListedObjects(Server& server) {
    std::map<std::string, std::string> paths;
    for (const auto& user : server.Users()) {
      paths[MainAlias(user)] = server.SchemaFile(user, false);
      paths[AuxAlias(user)] = server.SchemaFile(user, true);
    }
    std::set<std::string> out;
    for (const auto& o : server.Objects()) {
      if (o.type == "PACKAGE" || o.type == "PROCEDURE") continue;
      EXPECT_TRUE(paths.count(o.file)) << o.name << " in " << o.file;
      if (o.type != "TRIGGER") {
        out.insert(paths[o.file] + "|" + o.type + "|" + o.name);
        continue;
      }
      std::stringstream physical(o.physical);
      std::string name;
      while (std::getline(physical, name, ',')) out.insert(paths[o.file] + "|TRIGGER|" + name);
    }
    return out;
  }

  // Every file in the server directory belongs to the catalog or to a user.
  void ExpectOnlyKnownFiles() {
    std::set<std::string> known;
    for (const char* suffix : {"", "-wal", "-shm"}) known.insert(dir_ + "/catalog.db" + suffix);
    for (const auto& user : server_->Users())
      for (bool aux : {false, true})
        for (const char* suffix : {"", "-wal", "-shm"}) known.insert(server_->SchemaFile(user, aux) + suffix);
    for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_TRUE(known.count(entry.path().string())) << entry.path();
  }

  std::string root_;
};

// ---- user names ------------------------------------------------------------------------------------

TEST_F(ServerFilesTest, AnyUserNameKeepsToItsOwnFiles) {
  // Files that a careless mapping of names to paths would hit.
  WriteFile(root_ + "/victim.db", "victim");
  WriteFile(root_ + "/victim.aux.db", "victim");
  WriteFile(root_ + "/victim", "victim");
  auto s = Logon("S", "s");
  for (const auto& sql : testddl::LockObjects("S")) Run(*s, sql);
  Run(*s, "CREATE TABLE S.T ( A NUMBER (38) )");
  Run(*s, "INSERT INTO S.T (A) VALUES (7)");
  Run(*s, "INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (1, 1142, 5)");
  Run(*s, "COMMIT");
  auto admin = Logon("ADMIN", "admin");

  // Names as the catalog keeps them (the API takes them as they are) and as CREATE USER writes them.
  const std::vector<std::string> names = {"catalog", "CATALOG", "S.aux", "S.AUX", "../victim", "../VICTIM", "a/b",
                                          "..", ".", "-wal", "MY USER", "Ünïcode", "S_2", "X$#",
                                          std::string(30, 'N')};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    Error err;
    ASSERT_TRUE(server_->CreateUser(name, "pw", false, err)) << err.message;
    std::string main = server_->SchemaFile(name, false), aux = server_->SchemaFile(name, true);
    EXPECT_EQ(fs::path(main).parent_path(), fs::path(dir_));
    EXPECT_EQ(fs::path(aux).parent_path(), fs::path(dir_));
    EXPECT_NE(main, server_->SchemaFile("S", false));
    {  // a name that is not upper case logs on in double quotes, as with Oracle
      auto u = Logon(name == UpperText(name) ? name : "\"" + name + "\"", "pw");
      ASSERT_TRUE(u);
      Run(*u, "CREATE TABLE T ( A NUMBER (38) )");
      u->End();
    }
    ASSERT_TRUE(server_->DropUser(name, err)) << err.message;
    EXPECT_FALSE(fs::exists(main));
    EXPECT_FALSE(fs::exists(aux));
  }
  const std::vector<std::string> quoted = {"\"catalog\"", "\"S.aux\"", "\"../victim\"", "\"a/b\"", "\"MY USER\""};
  for (const auto& name : quoted) {
    SCOPED_TRACE(name);
    Run(*admin, "CREATE USER " + name + " IDENTIFIED BY pw");
    Run(*admin, "GRANT CONNECT TO " + name);
    Run(*admin, "DROP USER " + name + " CASCADE");
  }
  // Names that would be taken for another file's attach name are refused.
  for (const std::string& name : std::vector<std::string>{"S~aux", "A\"B", "C\nD", ""}) {
    Error err;
    EXPECT_FALSE(server_->CreateUser(name, "pw", false, err)) << name;
    EXPECT_TRUE(err.code == 911 || err.code == 1935) << err.message;
  }

  EXPECT_EQ(ReadFile(root_ + "/victim.db"), "victim");
  EXPECT_EQ(ReadFile(root_ + "/victim.aux.db"), "victim");
  EXPECT_EQ(ReadFile(root_ + "/victim"), "victim");
  EXPECT_EQ(server_->Users(), (std::vector<std::string>{"ADMIN", "S"}));
  EXPECT_EQ(Count(*s, "SELECT A FROM S.T"), 7);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.LOCKS"), 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S'"), 3);
  ExpectOnlyKnownFiles();
}

// A catalog change made through another connection to the same directory (another server object,
// as another process would) reaches the statements of this server's sessions: a user dropped and
// made again there is read from its new files here, by a statement prepared before and run again.
TEST_F(ServerFilesTest, StatementsFollowUsersMadeAgainThroughAnotherCatalogConnection) {
  Error err;
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.T ( A NUMBER (38) )");
  Run(*s, "INSERT INTO S.T (A) VALUES (7)");
  Run(*s, "COMMIT");
  s->End();
  auto admin = Logon("ADMIN", "admin");
  auto count = admin->Prepare("SELECT COUNT(*) FROM S.T", err);
  ASSERT_TRUE(count) << err.message;
  auto runCount = [&]() -> int64_t {
    Outcome out;
    Error e;
    if (!count->Run({}, out, e)) return -e.code;
    return out.result.rows.empty() ? -1 : out.result.rows[0][0].integer;
  };
  for (int i = 0; i < 3; ++i) EXPECT_EQ(runCount(), 1);  // this server's catalog has been read

  auto other = Engine::Instance().RegisterServer(serverName_ + "B", dir_, &err);
  ASSERT_TRUE(other) << err.message;
  ASSERT_TRUE(other->DropUser("S", err)) << err.message;
  EXPECT_EQ(runCount(), -942);
  ASSERT_TRUE(other->AddUser("S", "s", false, &err)) << err.message;
  {
    auto again = Session::Begin(other, "S", "s", err);
    ASSERT_TRUE(again) << err.message;
    for (const char* sql : {"CREATE TABLE S.T ( A NUMBER (38) )", "INSERT INTO S.T (A) VALUES (1)",
                            "INSERT INTO S.T (A) VALUES (2)", "COMMIT"}) {
      auto st = again->Prepare(sql, err);
      ASSERT_TRUE(st) << sql << ": " << err.message;
      Outcome out;
      ASSERT_TRUE(st->Run({}, out, err)) << sql << ": " << err.message;
    }
    again->End();
  }
  EXPECT_EQ(runCount(), 2);
  Engine::Instance().UnregisterServer(serverName_ + "B");
}

TEST_F(ServerFilesTest, AFileInTheWayIsNeitherDeletedNorTakenOver) {
  // Every name the next users could get is taken by a file of someone else.
  std::vector<std::string> foreign;
  for (int gen = 1; gen < 12; ++gen)
    for (const char* name : {"_NEWU.db", "_NEWU.aux.db", "_NEWU.db-wal"}) {
      foreign.push_back(dir_ + "/" + std::to_string(gen) + name);
      WriteFile(foreign.back(), "foreign");
    }
  Error err;
  ASSERT_TRUE(server_->AddUser("NEWU", "pw", false, &err)) << err.message;
  for (const auto& path : foreign) {
    EXPECT_EQ(ReadFile(path), "foreign") << path;
    EXPECT_NE(server_->SchemaFile("NEWU", false), path);
    EXPECT_NE(server_->SchemaFile("NEWU", true), path);
  }
  auto u = Logon("NEWU", "pw");
  Run(*u, "CREATE TABLE NEWU.T ( A NUMBER (38) )");
  u->End();
  ASSERT_TRUE(server_->DropUser("NEWU", err)) << err.message;
  for (const auto& path : foreign) EXPECT_EQ(ReadFile(path), "foreign") << path;
}

TEST_F(ServerFilesTest, FailingCatalogWritesLeaveUsersAsTheyWere) {
  auto admin = Logon("ADMIN", "admin");
  Engine::Instance().InjectFailure("CatalogWrite", 600, "USER NEWU");
  EXPECT_EQ(Fails(*admin, "CREATE USER NEWU IDENTIFIED BY pw").code, 600);
  EXPECT_FALSE(server_->UserExists("NEWU"));
  ExpectOnlyKnownFiles();  // the files made for NEWU are gone again
  Run(*admin, "CREATE USER NEWU IDENTIFIED BY pw");
  std::string main = server_->SchemaFile("NEWU", false);
  Engine::Instance().InjectFailure("CatalogWrite", 600, "USER NEWU");
  EXPECT_EQ(Fails(*admin, "DROP USER NEWU").code, 600);
  EXPECT_TRUE(server_->UserExists("NEWU"));
  EXPECT_TRUE(fs::exists(main));
  auto u = Logon("NEWU", "pw");
  ASSERT_TRUE(u);
  Run(*u, "CREATE TABLE NEWU.T ( A NUMBER (38) )");
}

// ---- the object registries against the schema files --------------------------------------------------

TEST_F(ServerFilesTest, DdlWithAFailingCatalogWriteChangesNothing) {
  auto s = Logon("S", "s");
  auto admin = Logon("ADMIN", "admin");
  const std::vector<std::string> setup = {
      "CREATE TABLE S.T ( A NUMBER (38), B VARCHAR2 (10), C NUMBER (38) )",
      "CREATE INDEX S.T_B ON S.T ( B ASC )",
      "CREATE INDEX S.T_C ON S.T ( C ASC )",
      "CREATE VIEW S.V AS SELECT A FROM S.T",
      "CREATE TABLE S.LOG ( A NUMBER (38) )",
      "CREATE TRIGGER S.T_TRG AFTER INSERT OR DELETE ON S.T REFERENCING OLD AS OLD NEW AS NEW FOR EACH ROW BEGIN "
      "INSERT INTO S.LOG (A) VALUES (1); END;",
      testddl::LocksTable("S"),
      testddl::Package("S"),
  };
  for (const auto& sql : setup) Run(*s, sql);
  Run(*admin, "CREATE USER JOE IDENTIFIED BY joe");
  auto joe = Logon("JOE", "joe");
  Run(*s, "GRANT SELECT ON S.T TO JOE");
  struct Case {
    const char* ddl;
    const char* failingWrite;
  };
  const Case cases[] = {
      {"CREATE TABLE S.N ( A NUMBER (38) )", "OBJECT S.N"},
      {"CREATE TABLE S.N ( A NUMBER (38) )", "GRANTS S.N"},
      {"CREATE TABLE S.SURROGATES ( ID NUMBER (38) )", "OBJECT S.SURROGATES"},  // the second file
      {"CREATE INDEX S.T_A ON S.T ( A ASC )", "OBJECT S.T_A"},
      {"CREATE VIEW S.W AS SELECT B FROM S.T", "OBJECT S.W"},
      {"CREATE TRIGGER S.N_TRG AFTER UPDATE ON S.T FOR EACH ROW BEGIN DELETE FROM S.LOG WHERE A = 2; END;",
       "OBJECT S.N_TRG"},
      {"ALTER TABLE S.T DROP (B)", "OBJECT S.T_B"},
      {"DROP INDEX S.T_C", "OBJECT S.T_C"},
      {"DROP VIEW S.V", "OBJECT S.V"},
      {"DROP TRIGGER S.T_TRG", "OBJECT S.T_TRG"},
      {"DROP TABLE S.LOCKS", "OBJECT S.LOCKS"},
      {"DROP TABLE S.T", "OBJECT S.T"},
      {"PROCEDURE", "OBJECT S.ACQUIRE_LOCK"},
      {"DROP PACKAGE S.KELVOX_PACKAGE", "OBJECT S.KELVOX_PACKAGE"},
  };
  for (const auto& c : cases) {
    const std::string ddl = std::string(c.ddl) == "PROCEDURE" ? testddl::Procedure("S") : c.ddl;
    SCOPED_TRACE(ddl);
    auto before = ListedObjects(*server_);
    auto all = server_->Objects();
    ASSERT_EQ(before, FileObjects());
    Engine::Instance().InjectFailure("CatalogWrite", 600, c.failingWrite);
    Error err;
    Outcome out;
    auto st = s->Prepare(ddl, err);
    ASSERT_TRUE(st) << err.message;
    EXPECT_FALSE(st->Run({}, out, err));
    EXPECT_EQ(err.code, 600) << err.message;
    Engine::Instance().ClearInjectedFailures();
    EXPECT_EQ(ListedObjects(*server_), before);
    EXPECT_EQ(FileObjects(), before);
    EXPECT_EQ(server_->Objects().size(), all.size());
    EXPECT_EQ(Count(*joe, "SELECT COUNT(*) FROM S.T"), 0);  // the grant is still there
    // Without the failure the same statement goes through, and the list follows it.
    Run(*s, ddl);
    EXPECT_EQ(ListedObjects(*server_), FileObjects());
    EXPECT_NE(server_->Objects().size(), all.size());
    if (ddl == "DROP TABLE S.T") break;
    // Undo, so that every case starts from the set-up.
    std::string undo;
    if (ddl.rfind("CREATE TABLE ", 0) == 0) undo = "DROP TABLE " + ddl.substr(13, ddl.find(' ', 13) - 13);
    if (ddl.rfind("CREATE INDEX S.T_A", 0) == 0) undo = "DROP INDEX S.T_A";
    if (ddl.rfind("CREATE VIEW S.W", 0) == 0) undo = "DROP VIEW S.W";
    if (ddl.rfind("CREATE TRIGGER S.N_TRG", 0) == 0) undo = "DROP TRIGGER S.N_TRG";
    if (ddl == "ALTER TABLE S.T DROP (B)") undo = "ALTER TABLE S.T ADD ( B VARCHAR2 (10) )";
    if (ddl == "DROP INDEX S.T_C") undo = "CREATE INDEX S.T_C ON S.T ( C ASC )";
    if (ddl == "DROP VIEW S.V") undo = setup[3];
    if (ddl == "DROP TRIGGER S.T_TRG") undo = setup[5];
    if (ddl == "DROP TABLE S.LOCKS") undo = setup[6];
    if (ddl == testddl::Procedure("S")) undo = "DROP PROCEDURE S.ACQUIRE_LOCK";
    if (ddl == "DROP PACKAGE S.KELVOX_PACKAGE") undo = setup[7];
    ASSERT_FALSE(undo.empty());
    Run(*s, undo);
  }
  // The dropped table's grant went with it: a new table of the name starts without grants.
  Run(*s, "CREATE TABLE S.T ( A NUMBER (38) )");
  EXPECT_EQ(Fails(*joe, "SELECT COUNT(*) FROM S.T").code, 942);
}

TEST_F(ServerFilesTest, GrantsThatADropCouldNotRemoveDoNotReachANewTable) {
  auto s = Logon("S", "s");
  auto admin = Logon("ADMIN", "admin");
  Run(*admin, "CREATE USER JOE IDENTIFIED BY joe");
  auto joe = Logon("JOE", "joe");
  Run(*s, "CREATE TABLE S.T ( A NUMBER (38) )");
  Run(*s, "GRANT SELECT ON S.T TO JOE");
  EXPECT_EQ(Count(*joe, "SELECT COUNT(*) FROM S.T"), 0);
  Engine::Instance().InjectFailure("CatalogWrite", 600, "GRANTS S.T");
  Run(*s, "DROP TABLE S.T");  // the table is gone; its grants could not be removed yet
  EXPECT_EQ(Fails(*joe, "SELECT COUNT(*) FROM S.T").code, 942);
  Run(*s, "CREATE TABLE S.T ( A NUMBER (38) )");
  EXPECT_EQ(Fails(*joe, "SELECT COUNT(*) FROM S.T").code, 942);
  EXPECT_EQ(ListedObjects(*server_), FileObjects());
}

// Processes killed at random points of DDL (tables, indexes, views, triggers, columns, users) leave
// the server's object list and users in agreement with the schema files.
TEST_F(ServerFilesTest, KilledDdlLeavesTheCatalogInAgreementWithTheFiles) {
  {
    auto admin = Logon("ADMIN", "admin");
    Run(*admin, "CREATE TABLE ADMIN.LOG ( A NUMBER (38) )");
  }
  // No connection of this process stays open across fork().
  for (auto& s : sessions_) s->End();
  sessions_.clear();
  Engine::Instance().UnregisterServer(serverName_);
  server_.reset();
  std::mt19937 random(20261210);
  const int kRounds = 12;
  for (int round = 0; round < kRounds; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(ready[0]);
      // The child opens the directory on its own and runs DDL until it is killed. Its commits
      // need to survive the kill only, not a power failure.
      Engine::Instance().SetDurableCommits(false);
      Error err;
      auto server = Engine::Instance().RegisterServer("CHILD", dir_, &err);
      if (!server) _exit(2);
      auto s = Session::Begin(server, "ADMIN", "admin", err);
      if (!s) _exit(3);
      auto run = [&](const std::string& sql) {
        Outcome out;
        auto st = s->Prepare(sql, err);
        if (st) st->Run({}, out, err);
        err.Clear();
      };
      if (write(ready[1], "r", 1) != 1) _exit(4);
      for (int i = 0; i < 1000; ++i) {
        std::string t = "ADMIN.K" + std::to_string(round) + "_" + std::to_string(i % 3);
        std::string u = "U" + std::to_string(round) + "_" + std::to_string(i % 2);
        run("CREATE USER " + u + " IDENTIFIED BY pw");
        run("CREATE TABLE " + t + " ( A NUMBER (38), B VARCHAR2 (10) )");
        run("CREATE INDEX " + t + "_B ON " + t + " ( B ASC )");
        run("CREATE VIEW " + t + "_V AS SELECT A FROM " + t);
        run("CREATE TRIGGER " + t + "_TRG AFTER INSERT OR DELETE ON " + t +
            " FOR EACH ROW BEGIN INSERT INTO ADMIN.LOG (A) VALUES (1); END;");
        run("ALTER TABLE " + t + " DROP (B)");
        if (i % 2) run("DROP VIEW " + t + "_V");
        run("DROP TABLE " + t);
        run("DROP USER " + u + " CASCADE");
      }
      _exit(0);
    }
    // Killed at a random point once it runs DDL.
    close(ready[1]);
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    usleep(static_cast<useconds_t>(random() % 150000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended on its own with " << WEXITSTATUS(status);
  }
  Error err;
  server_ = Engine::Instance().RegisterServer(serverName_, dir_, &err);
  ASSERT_TRUE(server_) << err.message;
  auto files = FileObjects();  // every user has its files
  EXPECT_EQ(ListedObjects(*server_), files);
  for (const auto& user : server_->Users()) {
    auto s = Session::Begin(server_, user, user == "ADMIN" ? "admin" : user == "S" ? "s" : "pw", err);
    EXPECT_TRUE(s) << user << ": " << err.message;
  }
}

TEST(InjectedFailures, TheNthMatchingCallFailsAndANameEndingInAStarIsAPrefix) {
  Engine& engine = Engine::Instance();
  engine.ClearInjectedFailures();
  Error err;
  engine.InjectFailureAfter("OCI*", 3113, 2, "UPDATE");
  EXPECT_FALSE(engine.TakeInjectedFailure("OCIStmtExecute", "UPDATE T", err));   // skipped
  EXPECT_FALSE(engine.TakeInjectedFailure("OCIStmtExecute", "SELECT 1", err));   // text differs
  EXPECT_FALSE(engine.TakeInjectedFailure("CatalogWrite", "UPDATE T", err));     // not a prefix match
  EXPECT_FALSE(engine.TakeInjectedFailure("OCIBindByPos", "UPDATE T", err));     // skipped
  EXPECT_EQ(engine.PendingInjectedFailures(), 1u);
  EXPECT_TRUE(engine.TakeInjectedFailure("OCIStmtPrepare", "UPDATE T", err));
  EXPECT_EQ(err.code, 3113);
  EXPECT_EQ(engine.PendingInjectedFailures(), 0u);
  EXPECT_FALSE(engine.TakeInjectedFailure("OCIStmtPrepare", "UPDATE T", err));
}

// ---- the server's files failing -------------------------------------------------------------------

// A full disk: a commit (and so any write) fails with ORA-01653, the transaction is rolled back and
// what was committed before stays; with room again the same session writes on.
TEST_F(ServerFilesTest, AFullDiskFailsTheWriteWithUnableToExtendAndKeepsWhatWasCommitted) {
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.T (OID NUMBER (38), PRIMARY KEY (OID))");
  Run(*s, "INSERT INTO S.T (OID) VALUES (1)");
  Error err;
  ASSERT_TRUE(s->Commit(err)) << err.message;
  Engine::Instance().SetDiskFull(dir_, true);
  Run(*s, "INSERT INTO S.T (OID) VALUES (2)");
  EXPECT_FALSE(s->Commit(err));
  EXPECT_EQ(err.code, 1653) << err.message;
  EXPECT_FALSE(s->InTransaction());
  EXPECT_EQ(Fails(*s, "CREATE TABLE S.U (A NUMBER (38))").code, 1653);
  auto other = Logon("S", "s");   // reading goes on
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T"), 1);
  Engine::Instance().SetDiskFull(dir_, false);
  Run(*s, "INSERT INTO S.T (OID) VALUES (3)");
  ASSERT_TRUE(s->Commit(err)) << err.message;
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T"), 2);
}

// A server whose catalog is damaged answers ORA-01578: when it is opened, or when a session logs on
// and the users' page cannot be read; never a server that cannot be reached (ORA-12545) nor a wrong
// password (ORA-01017).
TEST_F(ServerFilesTest, ADamagedCatalogAnswersDataBlockCorrupted) {
  for (bool header : {false, true}) {
    SCOPED_TRACE(header ? "header page damaged" : "users' page damaged");
    const std::string copy = root_ + (header ? "/copy1" : "/copy2");
    fs::copy(dir_, copy, fs::copy_options::recursive);
    sqlite3* db = nullptr;   // the copy's log written into its file, so that the file holds every page
    ASSERT_EQ(sqlite3_open_v2((copy + "/catalog.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), SQLITE_OK);
    int64_t page = 0, size = 0;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                                     "WHERE name = 'users'", -1, &st, nullptr), SQLITE_OK);
    if (sqlite3_step(st) == SQLITE_ROW) {
      page = sqlite3_column_int64(st, 0);
      size = sqlite3_column_int64(st, 1);
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    ASSERT_GT(page, 1);
    std::string catalog = ReadFile(copy + "/catalog.db");
    const size_t from = header ? 0 : static_cast<size_t>((page - 1) * size);
    const size_t to = header ? 100 : static_cast<size_t>(page * size);
    ASSERT_LE(to, catalog.size());
    for (size_t k = from; k < to; ++k) catalog[k] = 'Z';
    WriteFile(copy + "/catalog.db", catalog);
    Error err;
    const std::string name = serverName_ + (header ? "H" : "U");
    auto damaged = Engine::Instance().RegisterServer(name, copy, &err);
    EXPECT_EQ(damaged == nullptr, header) << err.message;
    if (damaged) {
      EXPECT_FALSE(Session::Begin(damaged, "S", "s", err));
      Engine::Instance().UnregisterServer(name);
    }
    EXPECT_EQ(err.code, 1578) << err.message;
  }
}

}  // namespace
