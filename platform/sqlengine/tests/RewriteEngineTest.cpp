// The rewrite layer through the engine: quoted names end to end, hostile names, and a fixed-seed
// fuzz run over mutations of the statement shapes the adapter generates.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>

#include "EngineFixture.h"
#include "GatewayDdl.h"
#include "sqlrewrite.h"

using namespace sqlengine;
using testengine::P;

namespace {

class QuotedNameTest : public testengine::ServerTest {
 protected:
  // OTHER.V with three rows: S has no grant on it.
  void AddSentinel() {
    Error err;
    ASSERT_TRUE(server_->AddUser("OTHER", "o", false, &err)) << err.message;
    auto other = Logon("OTHER", "o");
    Run(*other, "CREATE TABLE OTHER.V (ID NUMBER (38))");
    for (int64_t id : {1, 2, 3}) Run(*other, "INSERT INTO OTHER.V (ID) VALUES (:1)", {P(id)});
    Run(*other, "COMMIT");
  }
  int64_t SentinelRows() {
    if (!admin_) admin_ = Logon("ADMIN", "admin");
    return Count(*admin_, "SELECT COUNT(*) FROM OTHER.V");
  }
  std::shared_ptr<Session> admin_;
};

}  // namespace

TEST_F(QuotedNameTest, TablesAndColumnsKeepTheirExactNames) {
  AddSentinel();
  auto s = Logon("S", "s");
  struct Case {
    const char* table;   // as written
    const char* column;  // as written
    const char* described;
  };
  const std::vector<Case> cases = {
      {"\"MY TABLE\"", "\"MY COL\"", "MY COL"},
      {"\"lc\"", "\"lc\"", "lc"},
      {"LC", "lc", "LC"},
      {"\"Lc\"", "\"a b^c~\"", "a b^c~"},
      {"\"X(A);DELETE FROM OTHER.V--\"", "\"A;DELETE FROM OTHER.V\"", "A;DELETE FROM OTHER.V"},
      {"\"semi;colon'\"", "\"select\"", "select"},
  };
  int64_t value = 10;
  for (const auto& c : cases) {
    std::string t = std::string("S.") + c.table;
    Run(*s, "CREATE TABLE " + t + " (" + c.column + " NUMBER (38), N VARCHAR2 (40))");
    Run(*s, "INSERT INTO " + t + " (" + c.column + ", N) VALUES (:1, :2)", {P(value), P(c.table)});
    ++value;
  }
  Run(*s, "COMMIT");
  value = 10;
  for (const auto& c : cases) {
    std::string t = std::string("S.") + c.table;
    Outcome out = Run(*s, std::string("SELECT ") + c.column + ", N FROM " + t + " WHERE " + c.column + " = :1", {P(value)});
    ASSERT_EQ(out.result.rows.size(), 1u) << c.table;
    EXPECT_EQ(out.result.rows[0][1].bytes, c.table);
    ASSERT_EQ(out.result.columns.size(), 2u);
    EXPECT_EQ(out.result.columns[0].name, c.described);
    ++value;
  }
  // "lc" and LC are two tables; dropping one leaves the other.
  Run(*s, "DROP TABLE S.\"lc\"");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.LC WHERE lc = 12"), 1);
  EXPECT_EQ(Fails(*s, "SELECT COUNT(*) FROM S.\"lc\"").code, 942);
  Outcome names = Run(*s, "SELECT TABLE_NAME FROM ALL_CATALOG WHERE OWNER = 'S'");
  std::set<std::string> listed;
  for (const auto& row : names.result.rows) listed.insert(row[0].bytes);
  EXPECT_EQ(listed, (std::set<std::string>{"MY TABLE", "LC", "Lc", "X(A);DELETE FROM OTHER.V--", "semi;colon'"}));
  EXPECT_EQ(SentinelRows(), 3);
}

TEST_F(QuotedNameTest, HostileNamesStayNames) {
  AddSentinel();
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.U (A NUMBER (38))");
  Run(*s, "CREATE TABLE S.\"X(A);DELETE FROM OTHER.V--\" (B NUMBER)");
  Run(*s, "INSERT INTO S.U (A) VALUES (1)");
  Run(*s, "SAVEPOINT \"A;DELETE FROM OTHER.V\"");
  Run(*s, "INSERT INTO S.U (A) VALUES (2)");
  Run(*s, "ROLLBACK TO \"A;DELETE FROM OTHER.V\"");
  Run(*s, "COMMIT");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.U"), 1);
  EXPECT_EQ(Fails(*s, "ALTER TABLE S.U DROP (\"A;DELETE FROM OTHER.V\")").code, 904);
  EXPECT_EQ(Fails(*s, "CREATE INDEX S.\"I;DELETE FROM OTHER.V\" ON S.U (\"A;DELETE FROM OTHER.V\")").code, 904);
  EXPECT_EQ(Fails(*s, "DELETE FROM S.U -- x" + std::string(1, '\0') + "\n WHERE A = 2").code, 911);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.U"), 1);
  EXPECT_EQ(SentinelRows(), 3);
}

TEST_F(QuotedNameTest, SavepointNamesAreCaseExact) {
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.U (A NUMBER (38))");
  Run(*s, "INSERT INTO S.U (A) VALUES (1)");
  Run(*s, "SAVEPOINT \"sp\"");
  Run(*s, "INSERT INTO S.U (A) VALUES (2)");
  Run(*s, "SAVEPOINT SP");
  Run(*s, "INSERT INTO S.U (A) VALUES (3)");
  Run(*s, "ROLLBACK TO \"sp\"");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.U"), 1);
  EXPECT_EQ(Fails(*s, "ROLLBACK TO SP").code, 1086);
}

TEST_F(QuotedNameTest, RowIdNamesNeedARealColumn) {
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.U (A NUMBER (38))");
  Run(*s, "CREATE TABLE S.W (OID NUMBER (38), A NUMBER (38))");
  Run(*s, "INSERT INTO S.U (A) VALUES (7)");
  Run(*s, "INSERT INTO S.W (OID, A) VALUES (5, 7)");
  EXPECT_EQ(Fails(*s, "SELECT OID FROM S.U").code, 904);
  EXPECT_EQ(Fails(*s, "SELECT U.\"ROWID\" FROM S.U U").code, 904);
  EXPECT_EQ(Fails(*s, "UPDATE S.U SET OID = 9").code, 904);
  EXPECT_EQ(Count(*s, "SELECT OID FROM S.W"), 5);
  EXPECT_EQ(Count(*s, "SELECT W.OID FROM S.U, S.W W WHERE W.A = U.A"), 5);
}

// ---- fuzz ---------------------------------------------------------------------------------------------

namespace {

// One statement to SQLite: no ';' inside the text ends a statement by SQLite's own reading.
bool OneStatement(const std::string& sql) {
  if (sql.find('\0') != std::string::npos) return false;
  for (size_t p = sql.find(';'); p != std::string::npos; p = sql.find(';', p + 1))
    if (sqlite3_complete(sql.substr(0, p + 1).c_str())) return false;
  return true;
}

std::set<std::string> Listing(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

const char* const kSeeds[] = {
    "CREATE TABLE S.T2 ( OID NUMBER (38) DEFAULT 0, CID NUMBER (38) DEFAULT 0 not null, NAME VARCHAR2 (40), "
    "DATA BLOB DEFAULT EMPTY_BLOB(), PRIMARY KEY ( OID ) )",
    "CREATE UNIQUE INDEX S.T2_IDX ON S.T2 ( NAME ASC, CID DESC )",
    "CREATE VIEW S.V2 (OID,CID)\nAS  SELECT OID,CID FROM S.T \nUNION ALL  SELECT OID,CID FROM S.T2",
    "CREATE TRIGGER S.T2_TRG\nAFTER INSERT OR UPDATE OR DELETE ON S.T \nFOR EACH ROW\nBEGIN\n   IF INSERTING THEN\n"
    "      INSERT INTO S.T2 (OID, NAME) VALUES ( :new.OID, :new.NAME);\n   ELSIF UPDATING THEN\n      UPDATE S.T2 SET "
    "NAME = :new.NAME WHERE OID = :old.OID;\n   ELSIF DELETING THEN\n      DELETE FROM S.T2 WHERE OID = :old.OID;\n"
    "   END IF;\nEND;",
    "ALTER TABLE S.T2 ADD\n( X NUMBER (38) DEFAULT 0 not null,\n Y VARCHAR2 (10) )",
    "ALTER TABLE S.T2 DROP (X)",
    "DROP TRIGGER S.T2_TRG",
    "DROP VIEW S.V2",
    "DROP INDEX S.T2_IDX",
    "DROP TABLE S.T2",
    "SELECT OID, CID, NAME FROM S.T WHERE OID = :1",
    "SELECT T0.OID, T0.NAME FROM S.T T0 WHERE T0.NAME LIKE :1 ESCAPE '\\'  AND T0.OID IN ( SELECT OID FROM S.T2 ) ",
    "SELECT /*+ INDEX_ASC(T0 T_NAME) */ T0.OID FROM S.T T0 WHERE T0.NAME >= :1 AND ROWNUM<11",
    "SELECT OID, CID FROM S.T T0 WHERE ( CID > :1 ) AND ROWNUM<21 ORDER BY OID DESC, NAME",
    "SELECT OID, CID, DATA FROM S.T WHERE OID = :1 FOR UPDATE",
    "SELECT OID FROM S.T T0 WHERE  EXISTS(SELECT COUNT(*) FROM S.T2 T1 WHERE T1.OID = T0.OID)  AND  NOT ( CID = 1 OR "
    "NAME IS NULL )",
    "SELECT COUNT(*) FROM S.T WHERE LOWER ( NAME ) LIKE :1 ESCAPE '\\' ",
    "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM S.LOCKS L, S.ACTIVECLIENTS C WHERE OID = :1 AND L.CLIENTID = "
    "C.CLIENTID",
    "INSERT INTO S.T (OID, CID, NAME) VALUES (:1, :2, :3)",
    "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'n', 5, 'DEFAULT')",
    "UPDATE S.T SET NAME = :1, CID = :2 WHERE OID = :3",
    "UPDATE S.T SET D = TO_DATE('01/01/1900 ' || TO_CHAR(D, 'hh24:mi:ss'), 'dd/mm/yyyy hh24:mi:ss') WHERE D IS NOT NULL",
    "DELETE FROM S.T WHERE OID = :1",
    "DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1",
    "SELECT AUDSID FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED' ORDER BY AUDSID",
    "SELECT USERENV('SESSIONID') FROM DUAL",
    "SELECT INDEX_NAME, TABLE_NAME FROM ALL_INDEXES WHERE OWNER = 'S' AND INDEX_NAME NOT LIKE 'SYS_%'",
    "SAVEPOINT TXN_LEVEL_1",
    "ROLLBACK TO TXN_LEVEL_1",
    "COMMIT",
    "ROLLBACK",
    "GRANT SELECT ON S.T TO OTHER",
    "ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD'",
    "BEGIN S.ACQUIRE_LOCK( 17, :1, :oid_list, :lock_list ); END;",
    "CREATE OR REPLACE PACKAGE S.KELVOX_PACKAGE AS\n    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n        INDEX BY "
    "BINARY_INTEGER;\nEND KELVOX_PACKAGE;",
    "CREATE TABLE S.\"X(A);DELETE FROM OTHER.V--\" (B NUMBER)",
    "SAVEPOINT \"A;DELETE FROM OTHER.V\"",
    "ALTER TABLE S.T DROP (\"A;DELETE FROM OTHER.V\")",
};

const char* const kFragments[] = {
    ";", "\"", "'", "--", "/*", "*/", "\n", " ", "(", ")", ",", ".", "..", ":=", "||", "/", "%", "*", "=", "==", "<<",
    "->", "?", ":1", ":x", "$1", "@a", "#", "[x]", "`x`", "x'41'", "''", "\"\"", "\"lc\"", "\"a\"\"b\"",
    " DELETE FROM OTHER.V", "; DELETE FROM OTHER.V", ";DELETE FROM OTHER.V--", "\"X;DELETE FROM OTHER.V--\"",
    " UNION ALL SELECT ID FROM OTHER.V", " OR 1 = 1", " AND ID", " IS 1", " ISNULL", " NOTNULL", " IN ()",
    " ORDER BY OID", " ORDER BY OID, OID", " NULLS FIRST", " FOR UPDATE", " FOR UPDATE GARBAGE 42 'x'", " AS OID",
    " ROWID", " _ROWID_", " OID", " LIMIT 1", " GLOB 'x'", " COLLATE NOCASE", " ESCAPE '\\'", "\"RANDOMBLOB\"(8)",
    "\"LOAD_EXTENSION\"('x')", " ATTACH '../fuzz.db' AS X", " VACUUM INTO '../fuzz.db'", " PRAGMA writable_schema",
    "CREATE USER \"../victim\" IDENTIFIED BY x", " SELECT 1", " FROM DUAL", " WHERE", " SAVEPOINT", " END;", " BEGIN",
    "OTHER.V", "S.", "\"S~aux\".", "~", "^", "\xc3\xa9", "\x01", "1e400", "-",
};

}  // namespace

// Bounded mutations of adapter statements, fixed seed: no crash, one SQLite statement per text,
// another schema's table intact, and no file outside the server directory.
TEST(RewriteFuzzTest, MutatedAdapterStatements) {
  // The check itself: SQLite's own reading of where a statement ends.
  ASSERT_FALSE(OneStatement("DELETE FROM \"S\".\"T\"; DELETE FROM \"OTHER\".\"V\""));
  ASSERT_FALSE(OneStatement("SAVEPOINT A;DELETE FROM OTHER.V"));
  ASSERT_TRUE(OneStatement("SELECT ';' FROM \"a;b\" -- ;"));
  ASSERT_TRUE(OneStatement("CREATE TRIGGER \"S\".\"X\" AFTER DELETE ON \"T\" FOR EACH ROW BEGIN DELETE FROM \"U\"; END"));

  char tmpl[] = "/tmp/sqlengine_fuzz_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::filesystem::path root = tmpl;
  const std::filesystem::path serverDir = root / "server", workDir = root / "cwd";
  std::filesystem::create_directories(workDir);
  const std::filesystem::path savedCwd = std::filesystem::current_path();
  std::filesystem::current_path(workDir);

  Engine& engine = Engine::Instance();
  Error err;
  const std::string serverName = "FUZZ" + root.filename().string().substr(14);
  auto server = engine.RegisterServer(serverName, serverDir.string(), &err);
  ASSERT_TRUE(server) << err.message;
  engine.SetBusyTimeout(0);
  ASSERT_TRUE(server->AddUser("ADMIN", "admin", true, &err)) << err.message;
  ASSERT_TRUE(server->AddUser("S", "s", false, &err)) << err.message;
  ASSERT_TRUE(server->AddUser("OTHER", "o", false, &err)) << err.message;
  auto admin = Session::Begin(server, "ADMIN", "admin", err);
  auto other = Session::Begin(server, "OTHER", "o", err);
  auto s = Session::Begin(server, "S", "s", err);
  ASSERT_TRUE(admin && other && s) << err.message;
  auto run = [&](Session& session, const std::string& sql, const std::vector<Param>& params, Outcome& out, Error& e) {
    auto st = session.Prepare(sql, e);
    return st && st->Run(params, out, e);
  };
  Outcome out;
  std::vector<std::string> setup = {"CREATE TABLE S.T ( OID NUMBER (38) DEFAULT 0, CID NUMBER (38) DEFAULT 0 not null, "
                                    "NAME VARCHAR2 (40), D DATE, DATA BLOB DEFAULT EMPTY_BLOB(), PRIMARY KEY ( OID ) )",
                                    "CREATE INDEX S.T_NAME ON S.T ( NAME )"};
  for (const auto& ddl : testddl::LockObjects("S")) setup.push_back(ddl);
  for (const auto& sql : setup) ASSERT_TRUE(run(*s, sql, {}, out, err)) << sql << ": " << err.message;
  ASSERT_TRUE(run(*other, "CREATE TABLE OTHER.V (ID NUMBER (38))", {}, out, err)) << err.message;
  for (int64_t id : {1, 2, 3}) ASSERT_TRUE(run(*other, "INSERT INTO OTHER.V (ID) VALUES (:1)", {P(id)}, out, err));
  ASSERT_TRUE(run(*other, "COMMIT", {}, out, err));
  auto sentinel = [&]() {
    Outcome o;
    Error e;
    if (!run(*admin, "SELECT ID FROM OTHER.V ORDER BY ID", {}, o, e)) return std::string("error: ") + e.message;
    std::string ids;
    for (const auto& row : o.result.rows) ids += std::to_string(row[0].integer) + ",";
    return ids;
  };
  ASSERT_EQ(sentinel(), "1,2,3,");

  std::mt19937 rng(20261210);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  const size_t seeds = sizeof(kSeeds) / sizeof(kSeeds[0]);
  const size_t fragments = sizeof(kFragments) / sizeof(kFragments[0]);
  std::vector<Param> params = {P(1), P("a%"), P(3), P(4)};
  int rewritten = 0;
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::string sql = kSeeds[pick(seeds)];
    const size_t mutations = pick(4);
    for (size_t m = 0; m < mutations; ++m) {
      size_t at = pick(sql.size() + 1);
      switch (pick(4)) {
        case 0: {
          const char* f = kFragments[pick(fragments)];
          sql.insert(at, f, f[0] == '\0' ? 1 : std::char_traits<char>::length(f));
          break;
        }
        case 1:
          sql.erase(at, 1 + pick(8));
          break;
        case 2:
          if (at < sql.size()) sql.insert(at, sql.substr(at, 1 + pick(12)));
          break;
        default:
          sql.insert(at, std::string(1, '\0'));
          break;
      }
    }
    Rewritten rw;
    Error rerr;
    if (Rewrite(sql, *s, rw, rerr)) {
      ++rewritten;
      for (const auto& text : rw.sql) ASSERT_TRUE(OneStatement(text)) << sql << "\n-> " << text;
      if (!rw.rowidSql.empty()) {
        ASSERT_TRUE(OneStatement(rw.rowidSql)) << sql << "\n-> " << rw.rowidSql;
      }
    } else {
      EXPECT_NE(rerr.code, 0) << sql;
      EXPECT_NE(rerr.code, 600) << sql << ": " << rerr.message;
    }
    Error e;
    run(*s, sql, params, out, e);
    if (iteration % 100 == 99) {
      ASSERT_EQ(sentinel(), "1,2,3,") << "after " << sql;
    }
  }
  EXPECT_EQ(sentinel(), "1,2,3,");
  EXPECT_GT(rewritten, 300);  // the mutations leave enough texts valid to reach SQLite

  s->End();
  other->End();
  admin->End();
  engine.UnregisterServer(serverName);
  engine.SetBusyTimeout(1000);
  std::filesystem::current_path(savedCwd);
  EXPECT_EQ(Listing(root), (std::set<std::string>{"server", "cwd"}));
  EXPECT_TRUE(Listing(workDir).empty());
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}
