// Statement execution: one SQLite statement per text, statements reused across executions, queries
// streamed through cursors that survive commit, rollback and DDL, statement-level atomicity.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "OciFixture.h"
#include "oci.h"
#include "sqlengine.h"

namespace {

using ocitest::Connection;
using ocitest::Stmt;

class StatementTest : public ocitest::OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
    ASSERT_EQ(other.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  }
  void TearDown() override {
    c.Close();
    other.Close();
    OciTest::TearDown();
  }
  // Rows 1..n of S.<table> (N, V) in one array execution of the statement `ins` (bound here).
  void InsertRows(Connection& conn, const std::string& table, int64_t from, int64_t n) {
    Stmt ins(conn, "INSERT INTO S." + table + " (N, V) VALUES (:1, :2)");
    std::vector<int64_t> keys(static_cast<size_t>(n));
    std::vector<char> texts(static_cast<size_t>(n) * 16);
    for (int64_t i = 0; i < n; ++i) {
      keys[static_cast<size_t>(i)] = from + i;
      std::snprintf(&texts[static_cast<size_t>(i) * 16], 16, "v%lld", static_cast<long long>(from + i));
    }
    ins.BindPos(1, keys.data(), sizeof(int64_t), SQLT_INT);
    ins.BindPos(2, texts.data(), 16, SQLT_STR);
    std::string text;
    ASSERT_EQ(ins.Execute(static_cast<ub4>(n)), OCI_SUCCESS) << (conn.ErrorCode(&text), text);
  }
  // Fetches `n` rows of a statement defined on (N) and appends their keys; the fetch status.
  sword FetchKeys(Stmt& st, int64_t* slot, ub4 n, std::vector<int64_t>& keys) {
    ub4 before = st.RowCount();
    sword s = st.Fetch(n);
    for (ub4 i = 0; i < st.RowCount() - before; ++i) keys.push_back(slot[i]);
    return s;
  }
  static std::vector<int64_t> Range(int64_t from, int64_t to) {
    std::vector<int64_t> v;
    for (int64_t i = from; i <= to; ++i) v.push_back(i);
    return v;
  }

  Connection c, other;
};

TEST_F(StatementTest, TextsThatWouldBeMoreThanOneSqliteStatementChangeNothing) {
  Exec(c, "CREATE TABLE S.V ( N NUMBER (38), V VARCHAR2 (15) )");
  Exec(c, "CREATE TABLE S.U ( A NUMBER (38), B NUMBER (38) )");
  InsertRows(c, "V", 1, 3);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  // Whatever the engine makes of these names (refused, or kept as names), the DELETE never runs.
  const std::string hostile[] = {
      "CREATE TABLE S.\"X(A);DELETE FROM S.V--\" (B NUMBER)",
      "SAVEPOINT \"A;DELETE FROM S.V\"",
      "ALTER TABLE S.U DROP (\"A;DELETE FROM S.V\")",
      "ALTER TABLE S.U ADD (\"C NUMBER);DELETE FROM S.V;--\" NUMBER)",
      "CREATE INDEX S.\"I;DELETE FROM S.V;\" ON S.U (A)",
      "DELETE FROM S.V -- x" + std::string(1, '\0') + "\n WHERE N = 1",
      "DELETE FROM S.V WHERE N = 1" + std::string(1, '\0') + "; DELETE FROM S.V",
      "SELECT N FROM S.V; DELETE FROM S.V",
  };
  for (const auto& sql : hostile) {
    Stmt st(c, sql);
    sword status = st.Execute();
    if (sql.find('\0') != std::string::npos) {
      EXPECT_EQ(status, OCI_ERROR);
      EXPECT_EQ(c.ErrorCode(), 911);
    }
    OCITransCommit(c.svc, c.err, OCI_DEFAULT);
    EXPECT_EQ(Count(other, "SELECT COUNT(*) FROM S.V"), 3) << sql;
  }
}

TEST_F(StatementTest, FailingStatementLeavesNoTraceAndEarlierWorkStays) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15), PRIMARY KEY ( N ) )");
  Exec(c, "CREATE TABLE S.LOG ( N NUMBER (38), V VARCHAR2 (15) )");
  Exec(c, "CREATE TRIGGER S.T_LOG AFTER UPDATE ON S.T FOR EACH ROW BEGIN INSERT INTO S.LOG VALUES (:NEW.N, 'up'); END;");
  InsertRows(c, "T", 1, 1);
  InsertRows(c, "T", 5, 2);  // 5, 6
  // Work of this transaction before the failures.
  Exec(c, "INSERT INTO S.T (N, V) VALUES (10, 'before')");
  // One SQLite statement changing several rows fails on its second row: the first row's change and
  // the trigger's row go with it.
  {
    Stmt up(c, "UPDATE S.T SET N = N + 1 WHERE N < 10");
    EXPECT_EQ(up.Execute(), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1);
  }
  // The third row of an array insert fails: the rows before it stay, the ones after it never run.
  {
    int64_t keys[4] = {20, 21, 5, 22};
    Stmt ins(c, "INSERT INTO S.T (N) VALUES (:1)");
    ins.BindPos(1, keys, sizeof(int64_t), SQLT_INT);
    EXPECT_EQ(ins.Execute(4), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1);
    EXPECT_EQ(ins.RowCount(), 2u);
  }
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  Stmt sel(other, "SELECT N FROM S.T ORDER BY N");
  int64_t slot[16];
  sel.Define(1, slot, sizeof(int64_t), SQLT_INT);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  std::vector<int64_t> keys;
  EXPECT_EQ(FetchKeys(sel, slot, 16, keys), OCI_NO_DATA);
  EXPECT_EQ(keys, (std::vector<int64_t>{1, 5, 6, 10, 20, 21}));
  EXPECT_EQ(Count(other, "SELECT COUNT(*) FROM S.LOG"), 0);
}

TEST_F(StatementTest, LargeResultStreamsInPiecesFromTheSnapshotOfItsExecution) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  InsertRows(c, "T", 1, 3000);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  Stmt sel(c, "SELECT N, V FROM S.T");  // rows as SQLite reads them, no sorting first
  int64_t slot[7];
  char texts[7][16];
  sel.Define(1, slot, sizeof(int64_t), SQLT_INT);
  sel.Define(2, texts, 16, SQLT_STR);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  // Rows another session commits after the execution are not part of the result.
  InsertRows(other, "T", 3001, 10);
  ASSERT_EQ(OCITransCommit(other.svc, other.err, OCI_DEFAULT), OCI_SUCCESS);
  std::vector<int64_t> keys;
  ASSERT_EQ(FetchKeys(sel, slot, 7, keys), OCI_SUCCESS);
  // A query the session opens meanwhile sees them.
  EXPECT_EQ(Count(c, "SELECT COUNT(*) FROM S.T"), 3010);
  sword s;
  while ((s = FetchKeys(sel, slot, 7, keys)) == OCI_SUCCESS) {
    ASSERT_EQ(std::string(texts[6]), "v" + std::to_string(keys.back()));
  }
  EXPECT_EQ(s, OCI_NO_DATA);
  EXPECT_EQ(keys, Range(1, 3000));
  EXPECT_EQ(sel.RowCount(), 3000u);
  EXPECT_EQ(sel.Fetch(7), OCI_NO_DATA);
  EXPECT_EQ(sel.RowCount(), 3000u);
  // Executed again, the same handle starts a new cursor that sees them.
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  keys.clear();
  while (FetchKeys(sel, slot, 7, keys) == OCI_SUCCESS) {
  }
  EXPECT_EQ(keys, Range(1, 3010));
}

TEST_F(StatementTest, CursorKeepsItsRowsAcrossCommitRollbackWritesAndDdl) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  InsertRows(c, "T", 1, 40);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  struct Step {
    const char* what;
    std::vector<std::string> sql;  // run on the cursor's session between two fetches
    bool commit;
    bool rollback;
  };
  const Step steps[] = {
      {"commit of own insert", {"INSERT INTO S.T (N, V) VALUES (100, 'x')"}, true, false},
      {"rollback of own delete", {"DELETE FROM S.T"}, false, true},
      {"own update", {"UPDATE S.T SET N = N + 1000"}, false, false},
      {"DDL on another table", {"CREATE TABLE S.OTHER ( A NUMBER (38) )"}, false, false},
      {"DDL on the cursor's table", {"ALTER TABLE S.T ADD ( W NUMBER (38) )"}, false, false},
      {"the cursor's table dropped", {"DROP TABLE S.T"}, false, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    Exec(c, "DROP TABLE S.T");
    Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
    InsertRows(c, "T", 1, 40);
    Stmt(c, "DROP TABLE S.OTHER").Execute();  // fails harmlessly when missing
    Stmt sel(c, "SELECT N FROM S.T ORDER BY N");
    int64_t slot[16];
    sel.Define(1, slot, sizeof(int64_t), SQLT_INT);
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    std::vector<int64_t> keys;
    ASSERT_EQ(FetchKeys(sel, slot, 10, keys), OCI_SUCCESS);
    for (const auto& sql : step.sql) Exec(c, sql);
    if (step.commit) {
      ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
    }
    if (step.rollback) {
      ASSERT_EQ(OCITransRollback(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
    }
    while (FetchKeys(sel, slot, 16, keys) == OCI_SUCCESS) {
    }
    EXPECT_EQ(keys, Range(1, 40));
    OCITransCommit(c.svc, c.err, OCI_DEFAULT);
  }
}

TEST_F(StatementTest, LocatorsOfAStreamedCursorWriteBackToTheirRows) {
  Exec(c, "CREATE TABLE S.B ( OID NUMBER (38) DEFAULT 0 not null, DATA BLOB DEFAULT EMPTY_BLOB(), PRIMARY KEY ( OID ) )");
  Exec(c, "INSERT INTO S.B (OID) VALUES (1)");
  Exec(c, "INSERT INTO S.B (OID) VALUES (2)");
  Exec(c, "INSERT INTO S.B (OID) VALUES (3)");
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  OCILobLocator* loc = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(c.env, reinterpret_cast<dvoid**>(&loc), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  {
    Stmt sel(c, "SELECT OID, DATA FROM S.B ORDER BY OID");
    int32_t oid = 0;
    sel.Define(1, &oid, sizeof oid, SQLT_INT);
    sel.Define(2, &loc, sizeof loc, SQLT_BLOB);
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    // Each row is written through its locator while the cursor is still open.
    for (int expected = 1; expected <= 3; ++expected) {
      ASSERT_EQ(sel.Fetch(1), OCI_SUCCESS);
      ASSERT_EQ(oid, expected);
      std::string value(static_cast<size_t>(expected) * 3, static_cast<char>('a' + expected));
      ub4 amount = static_cast<ub4>(value.size());
      ASSERT_EQ(OCILobWrite(c.svc, c.err, loc, &amount, 1, value.data(), amount, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
                OCI_SUCCESS);
    }
    EXPECT_EQ(sel.Fetch(1), OCI_NO_DATA);
  }
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(OCIDescriptorFree(loc, OCI_DTYPE_LOB), OCI_SUCCESS);
  Stmt raw(other, "SELECT DATA FROM S.B ORDER BY OID");
  struct {
    sb4 len;
    char data[16];
  } value[3];
  raw.Define(1, value, sizeof value[0], SQLT_LVB);
  ASSERT_EQ(raw.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(raw.Fetch(3), OCI_SUCCESS);
  EXPECT_EQ(std::string(value[0].data, static_cast<size_t>(value[0].len)), "bbb");
  EXPECT_EQ(std::string(value[1].data, static_cast<size_t>(value[1].len)), "cccccc");
  EXPECT_EQ(std::string(value[2].data, static_cast<size_t>(value[2].len)), "ddddddddd");
}

TEST_F(StatementTest, OneHandleRunsManyTimesWithNewBinds) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  int64_t key = 0;
  char text[16];
  Stmt ins(c, "INSERT INTO S.T (N, V) VALUES (:1, :2)");
  ins.BindPos(1, &key, sizeof key, SQLT_INT);
  ins.BindPos(2, text, sizeof text, SQLT_STR);
  for (key = 1; key <= 50; ++key) {
    std::snprintf(text, sizeof text, "v%lld", static_cast<long long>(key));
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  }
  Stmt sel(c, "SELECT V FROM S.T WHERE N = :1");
  char out[16];
  sel.BindPos(1, &key, sizeof key, SQLT_INT);
  sel.Define(1, out, sizeof out, SQLT_STR);
  for (key = 50; key >= 1; key -= 7) {
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    ASSERT_EQ(sel.Fetch(1), OCI_SUCCESS);
    EXPECT_EQ(std::string(out), "v" + std::to_string(key));
    EXPECT_EQ(sel.Fetch(1), OCI_NO_DATA);
  }
  // Executed again before its rows are read: the old cursor is closed, the new one starts over.
  Stmt all(c, "SELECT N FROM S.T WHERE N <= :1 ORDER BY N");
  int64_t slot[4];
  key = 10;
  all.BindPos(1, &key, sizeof key, SQLT_INT);
  all.Define(1, slot, sizeof(int64_t), SQLT_INT);
  ASSERT_EQ(all.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(all.Fetch(4), OCI_SUCCESS);
  key = 3;
  ASSERT_EQ(all.Execute(0), OCI_SUCCESS);
  std::vector<int64_t> keys;
  EXPECT_EQ(FetchKeys(all, slot, 4, keys), OCI_NO_DATA);
  EXPECT_EQ(keys, Range(1, 3));
}

TEST_F(StatementTest, KeptStatementsFollowSchemaChanges) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  InsertRows(c, "T", 1, 2);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  Stmt star(c, "SELECT * FROM S.T ORDER BY N");
  Stmt ins(c, "INSERT INTO S.T (N, V) VALUES (:1, 'new')");
  int64_t key = 0;
  ins.BindPos(1, &key, sizeof key, SQLT_INT);
  auto columns = [&]() {
    ub4 count = 0;
    EXPECT_EQ(OCIAttrGet(star.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, c.err), OCI_SUCCESS);
    return count;
  };
  auto rows = [&]() {
    std::string text;
    EXPECT_EQ(star.Execute(0), OCI_SUCCESS) << (c.ErrorCode(&text), text);
    char slot[16][16];
    star.Define(1, slot, 16, SQLT_STR);
    while (star.Fetch(16) == OCI_SUCCESS) {
    }
    return star.RowCount();
  };
  EXPECT_EQ(rows(), 2u);
  EXPECT_EQ(columns(), 2u);
  // DDL of the statement's own session.
  Exec(c, "ALTER TABLE S.T ADD ( W NUMBER (38) )");
  EXPECT_EQ(rows(), 2u);
  EXPECT_EQ(columns(), 3u);
  // DDL of another session: SQLite prepares the kept statements again.
  Exec(other, "ALTER TABLE S.T ADD ( X NUMBER (38) )");
  key = 3;
  ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  EXPECT_EQ(rows(), 3u);
  EXPECT_EQ(columns(), 4u);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  // The table dropped and created again, with its columns in another order.
  Exec(other, "DROP TABLE S.T");
  key = 4;
  EXPECT_EQ(ins.Execute(), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 942);
  ASSERT_EQ(OCITransRollback(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  Exec(other, "CREATE TABLE S.T ( V VARCHAR2 (15), N NUMBER (38) )");
  ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(Count(other, "SELECT N FROM S.T WHERE V = 'new'"), 4);
  EXPECT_EQ(rows(), 1u);
  EXPECT_EQ(columns(), 2u);
}

TEST_F(StatementTest, KeptStatementFollowsAUserDroppedAndCreatedAgain) {
  sqlengine::Error e;
  ASSERT_TRUE(server_->AddUser("ADMIN", "admin", true, &e)) << e.message;
  Connection admin;
  ASSERT_EQ(admin.Open("LOCAL", "ADMIN", "admin"), OCI_SUCCESS);
  Exec(admin, "CREATE USER U IDENTIFIED BY u");
  Exec(admin, "CREATE TABLE U.T ( N NUMBER (38) )");
  Exec(admin, "GRANT SELECT ON U.T TO S");
  Stmt count(c, "SELECT COUNT(*) FROM U.T");
  int64_t n = -1;
  count.Define(1, &n, sizeof n, SQLT_INT);
  ASSERT_EQ(count.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(count.Fetch(1), OCI_SUCCESS);
  EXPECT_EQ(n, 0);
  Exec(admin, "DROP USER U CASCADE");
  EXPECT_EQ(count.Execute(0), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 942);
  Exec(admin, "CREATE USER U IDENTIFIED BY u");
  Exec(admin, "CREATE TABLE U.T ( N NUMBER (38) )");
  Exec(admin, "INSERT INTO U.T (N) VALUES (7)");
  ASSERT_EQ(OCITransCommit(admin.svc, admin.err, OCI_DEFAULT), OCI_SUCCESS);
  // The new user's table has no grant yet.
  EXPECT_EQ(count.Execute(0), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 942);
  Exec(admin, "GRANT SELECT ON U.T TO S");
  std::string text;
  ASSERT_EQ(count.Execute(0), OCI_SUCCESS) << (c.ErrorCode(&text), text);
  ASSERT_EQ(count.Fetch(1), OCI_SUCCESS);
  EXPECT_EQ(n, 1);
  admin.Close();
}

TEST_F(StatementTest, KeptStatementChecksPrivilegesAtEveryExecution) {
  sqlengine::Error e;
  ASSERT_TRUE(server_->AddUser("U", "u", false, &e)) << e.message;
  Connection owner;
  ASSERT_EQ(owner.Open("LOCAL", "U", "u"), OCI_SUCCESS);
  Exec(owner, "CREATE TABLE U.T ( N NUMBER (38) )");
  Exec(owner, "GRANT SELECT ON U.T TO S");
  Stmt count(c, "SELECT COUNT(*) FROM U.T");
  int64_t n = -1;
  count.Define(1, &n, sizeof n, SQLT_INT);
  ASSERT_EQ(count.Execute(0), OCI_SUCCESS);
  // Its owner drops the table and creates it again: the grant went with the old table.
  Exec(owner, "DROP TABLE U.T");
  Exec(owner, "CREATE TABLE U.T ( N NUMBER (38) )");
  EXPECT_EQ(count.Execute(0), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 942);
  owner.Close();
}

TEST_F(StatementTest, DescribeDoesNotRunTheQuery) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  Exec(c, "INSERT INTO S.T (N, V) VALUES (1, 'x')");
  // Describing the statement does not run it: the failure of its function comes with execution.
  Stmt st(c, "SELECT N, TO_DATE('13/45/2001', 'MM/DD/YYYY') FROM S.T");
  ASSERT_EQ(st.Execute(0, OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  ub4 count = 0;
  ASSERT_EQ(OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, c.err), OCI_SUCCESS);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(st.Execute(0), OCI_ERROR);
  EXPECT_NE(c.ErrorCode(), 0);
}

}  // namespace

namespace {

sqlengine::Param Text(const std::string& v) {
  sqlengine::Param p;
  p.value = sqlengine::Value::Text(v);
  return p;
}

// The engine's own cursor API: the cursor keeps its bind values after Open returns, and a session's
// end closes it.
TEST_F(StatementTest, EngineCursorKeepsItsBindsAndEndsWithItsSession) {
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (15) )");
  InsertRows(c, "T", 1, 300);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  sqlengine::Error err;
  auto session = sqlengine::Session::Begin(server_, "S", "s", err);
  ASSERT_TRUE(session) << err.message;
  auto st = session->Prepare("SELECT N FROM S.T WHERE V > :1 AND V < :2", err);
  ASSERT_TRUE(st) << err.message;
  ASSERT_TRUE(st->Open({Text(std::string("v2") + std::string(20, '0')), Text("v3")}, err)) << err.message;
  sqlengine::Row row;
  int64_t count = 0;
  while (st->Next(row, err)) ++count;
  EXPECT_FALSE(err.Has()) << err.message;
  EXPECT_EQ(count, 108);  // v21..v29 and v201..v299 in the text order
  ASSERT_TRUE(st->Open({Text("v1"), Text("v2")}, err));
  ASSERT_TRUE(st->Next(row, err));
  session->End();
  EXPECT_FALSE(st->Next(row, err));
  EXPECT_EQ(err.code, 3114);
}

}  // namespace
