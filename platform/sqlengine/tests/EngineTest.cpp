// Sessions, transactions, concurrency, the lock procedure, server views and privileges.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "EngineFixture.h"
#include "GatewayDdl.h"

using namespace sqlengine;
using testengine::Array;
using testengine::P;

namespace {

class EngineTest : public testengine::ServerTest {
 protected:
  void CreateClassTable(Session& s) {
    Run(s, "CREATE TABLE S.T \n( OID NUMBER (38) DEFAULT 0 not null,\n CID NUMBER (38) DEFAULT 0 not null,\n"
           " NAME VARCHAR2 (40),\n PRIMARY KEY ( OID ) )");
  }
  void CreateLockObjects(Session& s) {
    for (const auto& sql : testddl::LockObjects("S")) Run(s, sql);
    Run(s, "CREATE TABLE S.SURROGATES \n( ID NUMBER (38) DEFAULT 0 not null,\n SERIAL_ID NUMBER (38) DEFAULT 0 not null,\n"
           " PRIMARY KEY ( ID ) )");
    Run(s, "INSERT INTO S.SURROGATES (ID, SERIAL_ID) VALUES (1, 100)");
    Run(s, "COMMIT");
  }
};

TEST_F(EngineTest, LogonChecksPasswordAndGivesUniqueSessionIds) {
  Error err;
  EXPECT_FALSE(Session::Begin(server_, "S", "wrong", err));
  EXPECT_EQ(err.code, 1017);
  EXPECT_FALSE(Session::Begin(server_, "NOBODY", "s", err));
  EXPECT_EQ(err.code, 1017);
  server_->SetNextSessionId(500);
  auto a = Logon("s", "s");
  auto b = Logon("S", "s");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Id(), 500);
  EXPECT_EQ(b->Id(), 501);
  EXPECT_EQ(Count(*a, "SELECT USERENV('SESSIONID') FROM DUAL"), a->Id());
  Outcome live = Run(*a, "SELECT AUDSID FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED' ORDER BY AUDSID");
  ASSERT_EQ(live.result.rows.size(), 2u);
  EXPECT_EQ(live.result.rows[0][0].integer, 500);
  EXPECT_EQ(live.result.rows[1][0].integer, 501);
  b->End();
  EXPECT_EQ(Count(*a, "SELECT COUNT(*) FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED'"), 1);
  server_->AddForeignSession(77, "S", "KILLED");
  server_->AddForeignSession(78, "S");
  EXPECT_EQ(Count(*a, "SELECT COUNT(*) FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED'"), 2);
}

TEST_F(EngineTest, SavepointRollbackUndoesOnlyTheInnerLevel) {
  auto s = Logon("S", "s");
  auto other = Logon("S", "s");
  CreateClassTable(*s);
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  Run(*s, "SAVEPOINT TXN_LEVEL_2");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (2, 1)");
  Run(*s, "SAVEPOINT COMPOUND_SAVEPOINT");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (3, 1)");
  Run(*s, "ROLLBACK TO COMPOUND_SAVEPOINT");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), 2);
  Run(*s, "ROLLBACK TO TXN_LEVEL_2");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), 1);
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T"), 0);
  Error err;
  ASSERT_TRUE(s->Commit(err)) << err.message;
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T WHERE OID = 1"), 1);
  EXPECT_EQ(Fails(*s, "ROLLBACK TO NEVER_SET").code, 1086);
}

TEST_F(EngineTest, ASavepointSetAgainMovesToTheNewPlace) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  // Set before every statement of a long transaction, as a nested compound statement does.
  for (int oid = 1; oid <= 200; ++oid) {
    Run(*s, "SAVEPOINT COMPOUND_SAVEPOINT");
    Run(*s, "INSERT INTO S.T (OID, CID) VALUES (" + std::to_string(oid) + ", 1)");
  }
  Run(*s, "ROLLBACK TO COMPOUND_SAVEPOINT");   // only the last insert
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), 199);
  // A name set again after another savepoint: the rollback to it and then to the other one.
  Run(*s, "SAVEPOINT A");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (300, 1)");
  Run(*s, "SAVEPOINT B");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (301, 1)");
  Run(*s, "SAVEPOINT A");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (302, 1)");
  Run(*s, "ROLLBACK TO A");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE OID >= 300"), 2);
  Run(*s, "ROLLBACK TO B");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE OID >= 300"), 1);
  Error err;
  ASSERT_TRUE(s->Rollback(err)) << err.message;
  // A new transaction starts without savepoints of the one before.
  EXPECT_EQ(Fails(*s, "ROLLBACK TO A").code, 1086);
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  Run(*s, "SAVEPOINT COMPOUND_SAVEPOINT");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (2, 1)");
  Run(*s, "ROLLBACK TO COMPOUND_SAVEPOINT");
  ASSERT_TRUE(s->Commit(err)) << err.message;
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), 1);
}

TEST_F(EngineTest, DdlCommitsTheOpenTransaction) {
  auto s = Logon("S", "s");
  auto other = Logon("S", "s");
  CreateClassTable(*s);
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  EXPECT_TRUE(s->InTransaction());
  Run(*s, "CREATE TABLE S.U ( A NUMBER (38) )");
  EXPECT_FALSE(s->InTransaction());
  Error err;
  ASSERT_TRUE(s->Rollback(err));
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T"), 1);
  // A failing DDL statement commits the work before it all the same.
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (2, 1)");
  EXPECT_EQ(Fails(*s, "CREATE TABLE S.U ( A NUMBER (38) )").code, 955);
  ASSERT_TRUE(s->Rollback(err));
  EXPECT_EQ(Count(*other, "SELECT COUNT(*) FROM S.T"), 2);
}

TEST_F(EngineTest, FailingStatementUndoesOnlyItself) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  Run(*s, "CREATE TRIGGER S.COPY_TRG AFTER INSERT ON S.T FOR EACH ROW BEGIN INSERT INTO S.U VALUES (:NEW.OID); END;");
  Run(*s, "CREATE TABLE S.U ( A NUMBER (38), PRIMARY KEY ( A ) )");
  Run(*s, "INSERT INTO S.U VALUES (5)");
  Run(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  // The trigger's insert fails, so the whole statement leaves no row in either table.
  EXPECT_EQ(Fails(*s, "INSERT INTO S.T (OID, CID) VALUES (5, 1)").code, 1);
  EXPECT_EQ(Fails(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)").code, 1);
  EXPECT_EQ(Fails(*s, "INSERT INTO S.T (OID) VALUES (NULL)").code, 1400);
  EXPECT_EQ(Fails(*s, "UPDATE S.T SET CID = NULL").code, 1407);
  EXPECT_TRUE(s->InTransaction());
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.U"), 2);
}

TEST_F(EngineTest, LockRowsCommitWhileClassRowsStayUncommitted) {
  auto client = Logon("S", "s");
  auto txn = Logon("S", "s");
  CreateClassTable(*client);
  CreateLockObjects(*client);
  Run(*txn, "INSERT INTO S.T (OID, CID) VALUES (1, 7)");
  ASSERT_TRUE(txn->InTransaction());
  Run(*client, "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (1, 'c', 1, 'DEFAULT')");
  Run(*client, "INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (1, 8196, 1)");
  Outcome upd = Run(*client, "UPDATE S.SURROGATES SET SERIAL_ID = :1 WHERE ID = :2 AND SERIAL_ID = :3", {P(200), P(1), P(100)});
  EXPECT_EQ(upd.affected, 1);
  Error err;
  ASSERT_TRUE(client->Commit(err)) << err.message;
  EXPECT_EQ(Count(*txn, "SELECT COUNT(*) FROM S.LOCKS"), 1);
  EXPECT_EQ(Count(*client, "SELECT COUNT(*) FROM S.T"), 0);
  ASSERT_TRUE(txn->Commit(err)) << err.message;
  EXPECT_EQ(Count(*client, "SELECT COUNT(*) FROM S.T"), 1);
  EXPECT_EQ(Run(*client, "SELECT USERID FROM S.ACTIVECLIENTS").result.rows[0][0].bytes, "S");
}

TEST_F(EngineTest, TwoWritersOfOneSchemaFileSerialise) {
  auto a = Logon("S", "s");
  auto b = Logon("S", "s");
  CreateClassTable(*a);
  Run(*a, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  EXPECT_EQ(Fails(*b, "INSERT INTO S.T (OID, CID) VALUES (2, 1)").code, 54);
  Error err;
  ASSERT_TRUE(a->Commit(err));
  Run(*b, "INSERT INTO S.T (OID, CID) VALUES (2, 1)");
  ASSERT_TRUE(b->Commit(err));
  EXPECT_EQ(Count(*a, "SELECT COUNT(*) FROM S.T"), 2);
}

// A transaction begins with its first change, not with a savepoint: what the session reads after a
// savepoint and before its first change holds no snapshot, so its first write waits for another
// writer of the file (and then sees what that one committed) instead of failing at once.
TEST_F(EngineTest, AWriterWaitsForAnotherAfterASavepointAndAReadOfItsOwn) {
  Engine::Instance().SetBusyTimeout(600000);
  auto a = Logon("S", "s");
  auto b = Logon("S", "s");
  CreateClassTable(*a);
  Error err;
  // The other writer commits between the read and the write.
  Run(*b, "SAVEPOINT COMPOUND_SAVEPOINT");
  EXPECT_EQ(Count(*b, "SELECT COUNT(*) FROM S.T"), 0);
  Run(*a, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  ASSERT_TRUE(a->Commit(err)) << err.message;
  Run(*b, "INSERT INTO S.T (OID, CID) VALUES (2, 1)");
  Run(*b, "ROLLBACK TO COMPOUND_SAVEPOINT");   // set before the first change: undoes it
  EXPECT_EQ(Count(*b, "SELECT COUNT(*) FROM S.T"), 1);
  ASSERT_TRUE(b->Commit(err)) << err.message;

  // The other writer holds the file while the write comes: it waits until the other one commits.
  Run(*a, "INSERT INTO S.T (OID, CID) VALUES (3, 1)");
  Run(*b, "SAVEPOINT TXN_LEVEL_2");
  EXPECT_EQ(Count(*b, "SELECT COUNT(*) FROM S.T"), 1);
  Error written;
  std::thread writer([&] {
    Outcome out;
    auto st = b->Prepare("INSERT INTO S.T (OID, CID) VALUES (4, 1)", written);
    if (st) st->Run({}, out, written);
  });
  ASSERT_TRUE(a->Commit(err)) << err.message;
  writer.join();
  EXPECT_EQ(written.code, 0) << written.message;
  ASSERT_TRUE(b->Commit(err)) << err.message;
  EXPECT_EQ(Count(*a, "SELECT COUNT(*) FROM S.T"), 3);
  EXPECT_EQ(Fails(*b, "ROLLBACK TO TXN_LEVEL_2").code, 1086);   // gone with the commit
}

TEST_F(EngineTest, LockProcedureGrantsCompatibleAndRefusesConflictingLocks) {
  auto one = Logon("S", "s");
  auto two = Logon("S", "s");
  CreateLockObjects(*one);
  const std::string call1 = "BEGIN S.ACQUIRE_LOCK( 1, :1, :oid_list, :lock_list ); END;";
  const std::string call2 = "BEGIN S.ACQUIRE_LOCK( 2, :1, :oid_list, :lock_list ); END;";
  EXPECT_EQ(Run(*one, call1, {P(2), Array({10, 20}), Array({1142, 8196})}).affected, 1);
  EXPECT_FALSE(one->InTransaction());
  // Shared on a shared object is compatible; the same client never conflicts with itself.
  Run(*two, call2, {P(1), Array({10}), Array({1142})});
  Run(*one, call1, {P(1), Array({20}), Array({4116})});
  EXPECT_EQ(Count(*two, "SELECT COUNT(*) FROM S.LOCKS"), 4);
  // A conflict rolls back the whole call (and the caller's open work), so 30 is not locked either.
  Run(*two, "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (2, 2)");
  Error err = Fails(*two, call2, {P(2), Array({30, 20}), Array({1142, 1142})});
  EXPECT_EQ(err.code, 20099);
  EXPECT_NE(err.message.find("Object already locked"), std::string::npos);
  EXPECT_EQ(Count(*one, "SELECT COUNT(*) FROM S.LOCKS WHERE OID = 30"), 0);
  EXPECT_EQ(Count(*one, "SELECT COUNT(*) FROM S.ACTIVECLIENTS"), 0);
  // A lock held twice violates the table's key: the procedure's other error.
  EXPECT_EQ(Fails(*one, call1, {P(1), Array({10}), Array({1142})}).code, 20333);
  // Other modes conflict with every lock of another client.
  EXPECT_EQ(Fails(*two, call2, {P(1), Array({10}), Array({7})}).code, 20099);
  ASSERT_TRUE(server_->MarkInvalid("S", "ACQUIRE_LOCK"));
  EXPECT_EQ(Fails(*one, call1, {P(1), Array({40}), Array({1142})}).code, 6550);
}

TEST_F(EngineTest, ReleaseTriggerDropsTheLocksOfAClient) {
  auto s = Logon("S", "s");
  CreateLockObjects(*s);
  Run(*s, "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (5, 5)");
  Run(*s, "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (5, 9)");
  Run(*s, "INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (1, 1142, 5)");
  Run(*s, "DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = 9");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.LOCKS"), 1);
  Run(*s, "DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1", {P(5)});
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.LOCKS"), 0);
}

TEST_F(EngineTest, ServerViewsAnswerTheAdaptersQueries) {
  auto s = Logon("S", "s");
  CreateLockObjects(*s);
  CreateClassTable(*s);
  Run(*s, "CREATE INDEX S.T_NAME ON S.T ( NAME ASC )");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM ALL_USERS WHERE USERNAME=UPPER('s')"), 1);
  EXPECT_EQ(Run(*s, "SELECT VALUE FROM V$NLS_PARAMETERS WHERE PARAMETER = 'NLS_CHARACTERSET'").result.rows[0][0].bytes, "AL32UTF8");
  const auto banner = Run(*s, "SELECT BANNER FROM V$VERSION").result.rows;
  ASSERT_EQ(banner.size(), 1u);
  EXPECT_EQ(banner[0][0].bytes, sqlengine::kVersionBanner);
  const std::string lockCheck =
      "SELECT COUNT(*) FROM ALL_OBJECTS WHERE STATUS ='INVALID' AND OWNER=UPPER('s') AND (OBJECT_NAME IN "
      "('ACQUIRE_LOCK', 'RELEASE_LOCK') OR OBJECT_NAME LIKE '%_TRG')";
  EXPECT_EQ(Count(*s, lockCheck), 0);
  ASSERT_TRUE(server_->MarkInvalid("S", "RELEASE_LOCK"));
  EXPECT_EQ(Count(*s, lockCheck), 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S' AND TABLE_NAME = 'T'"), 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = '' AND TABLE_NAME = ''"), 0);
  Outcome idx = Run(*s, "SELECT INDEX_NAME, TABLE_NAME FROM ALL_INDEXES WHERE OWNER = 'S' AND INDEX_NAME NOT LIKE 'SYS_%'");
  ASSERT_EQ(idx.result.rows.size(), 1u);
  EXPECT_EQ(idx.result.rows[0][0].bytes, "T_NAME");
  EXPECT_EQ(idx.result.rows[0][1].bytes, "T");
  const std::string siteCheck = "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE='PROCEDURE' AND OBJECT_NAME='ROG_CREATE_BASE'";
  EXPECT_EQ(Count(*s, siteCheck), 0);
  server_->RegisterSiteProcedure("S", [](Server&, const std::string&, const std::string&, Error&) { return true; });
  EXPECT_EQ(Count(*s, siteCheck), 1);
}

TEST_F(EngineTest, DatabaseCreationStatementsAndSiteProcedure) {
  auto admin = Logon("ADMIN", "admin");
  const char* const statements[] = {
      "CREATE USER NEWDB IDENTIFIED BY PWD DEFAULT TABLESPACE USERS TEMPORARY TABLESPACE TEMP  PROFILE DEFAULT",
      "ALTER USER NEWDB DEFAULT ROLE ALL",
      "GRANT UNLIMITED TABLESPACE TO NEWDB",
      "GRANT CONNECT TO NEWDB",
      "GRANT RESOURCE TO NEWDB",
      "GRANT CREATE ROLE TO NEWDB",
      "GRANT CREATE VIEW TO NEWDB",
  };
  for (const char* sql : statements) Run(*admin, sql);
  auto owner = Logon("NEWDB", "PWD");
  ASSERT_TRUE(owner);
  Run(*owner, "CREATE TABLE NEWDB.T ( A NUMBER (38) )");
  Run(*owner, "CREATE ROLE NEWDB_USER NOT IDENTIFIED");
  EXPECT_EQ(Fails(*owner, "CREATE ROLE NEWDB_USER NOT IDENTIFIED").code, 1921);
  EXPECT_EQ(Fails(*owner, "CREATE USER X IDENTIFIED BY Y").code, 1031);
  EXPECT_EQ(Fails(*admin, "CREATE USER NEWDB IDENTIFIED BY Y").code, 1920);

  std::string seenName, seenPassword;
  server_->RegisterSiteProcedure("ADMIN", [&](Server& srv, const std::string& name, const std::string& pw, Error& err) {
    seenName = name;
    seenPassword = pw;
    return srv.CreateUser(name, pw, false, err);
  });
  EXPECT_EQ(Count(*admin, "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE='PROCEDURE' AND OBJECT_NAME='ROG_CREATE_BASE'"), 1);
  EXPECT_EQ(Run(*admin, "BEGIN ROG_CREATE_BASE('SITEDB', :1); END;", {P("Gen")}).affected, 1);
  EXPECT_EQ(seenName, "SITEDB");
  EXPECT_EQ(seenPassword, "Gen");
  EXPECT_TRUE(server_->CheckPassword("SITEDB", "Gen"));
}

TEST_F(EngineTest, ObjectPrivilegesComeFromGrants) {
  auto owner = Logon("S", "s");
  auto admin = Logon("ADMIN", "admin");
  Run(*admin, "CREATE USER JOE IDENTIFIED BY joe");
  Run(*admin, "CREATE USER ANN IDENTIFIED BY ann");
  CreateClassTable(*owner);
  Run(*admin, "CREATE ROLE S_USER NOT IDENTIFIED");
  Run(*owner, "GRANT DELETE, INSERT, SELECT, UPDATE ON S.T TO S_USER");
  Run(*admin, "GRANT S_USER TO JOE");
  Run(*owner, "GRANT SELECT ON S.T TO ANN");
  EXPECT_EQ(Fails(*owner, "GRANT SELECT ON S.T TO NOBODY").code, 1917);
  EXPECT_EQ(Fails(*owner, "GRANT SELECT ON S.NOTHING TO ANN").code, 942);
  auto joe = Logon("JOE", "joe");
  auto ann = Logon("ANN", "ann");
  Run(*joe, "INSERT INTO S.T (OID, CID) VALUES (1, 1)");
  Run(*joe, "COMMIT");
  EXPECT_EQ(Count(*ann, "SELECT COUNT(*) FROM S.T"), 1);
  EXPECT_EQ(Fails(*ann, "DELETE FROM S.T").code, 1031);
  auto s2 = Logon("ADMIN", "admin");
  Run(*s2, "CREATE USER BOB IDENTIFIED BY bob");
  auto bob = Logon("BOB", "bob");
  EXPECT_EQ(Fails(*bob, "SELECT COUNT(*) FROM S.T").code, 942);
  EXPECT_EQ(Fails(*bob, "CREATE TABLE S.X ( A NUMBER )").code, 1031);
  // Users are dropped only when nobody is connected and, without CASCADE, when they own nothing.
  EXPECT_EQ(Fails(*admin, "DROP USER BOB").code, 1940);
  bob->End();
  Run(*admin, "DROP USER BOB");
  EXPECT_EQ(Fails(*admin, "DROP USER BOB").code, 1918);
  owner->End();
  EXPECT_EQ(Fails(*admin, "DROP USER S").code, 1922);
}

TEST_F(EngineTest, AlterTableAddsAndDropsColumns) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  Run(*s, "CREATE INDEX S.T_NAME ON S.T ( NAME ASC )");
  Run(*s, "ALTER TABLE S.T ADD\n( X NUMBER (38) DEFAULT 0 not null,\n Y VARCHAR2 (10) not null )");
  EXPECT_EQ(Fails(*s, "INSERT INTO S.T (OID, CID) VALUES (1, 1)").code, 1400);
  Run(*s, "INSERT INTO S.T (OID, CID, Y) VALUES (1, 1, 'y')");
  EXPECT_EQ(Fails(*s, "ALTER TABLE S.T ADD ( Z DATE not null )").code, 1758);
  Run(*s, "ALTER TABLE S.T DROP (NAME,X)");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM ALL_INDEXES WHERE OWNER = 'S'"), 0);
  EXPECT_EQ(Fails(*s, "SELECT NAME FROM S.T").code, 904);
  EXPECT_EQ(Run(*s, "SELECT * FROM S.T").result.columns.size(), 3u);
}

TEST_F(EngineTest, QueriesSortNullsHighAndLimitRows) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (1, 1, 'b')");
  Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (2, 1, NULL)");
  Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (3, 1, 'a')");
  Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (4, 1, 'A_b')");
  Outcome asc = Run(*s, "SELECT OID FROM S.T ORDER BY NAME");
  ASSERT_EQ(asc.result.rows.size(), 4u);
  EXPECT_EQ(asc.result.rows[3][0].integer, 2);
  Outcome desc = Run(*s, "SELECT OID FROM S.T ORDER BY NAME DESC");
  EXPECT_EQ(desc.result.rows[0][0].integer, 2);
  EXPECT_EQ(Run(*s, "SELECT OID FROM S.T WHERE CID = 1 AND ROWNUM<3 ORDER BY OID").result.rows.size(), 2u);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE NAME LIKE 'A%'"), 1);  // case-sensitive
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE NAME LIKE 'A\\_%' ESCAPE '\\'"), 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE NAME = ''"), 0);
  Run(*s, "CREATE INDEX S.T_DESC ON S.T ( NAME DESC )");
  Outcome hinted = Run(*s, "SELECT /*+ INDEX_ASC(T0 T_DESC) */ T0.OID FROM S.T T0 WHERE T0.CID = 1 AND ROWNUM<3");
  ASSERT_EQ(hinted.result.rows.size(), 2u);
  EXPECT_EQ(hinted.result.rows[0][0].integer, 2);  // NULL first in a descending index
  EXPECT_EQ(hinted.result.rows[1][0].integer, 1);
}

// Oracle numbers the rows as it reads them and keeps the first n it read; sorting, grouping,
// removing duplicates and counting come after that.
TEST_F(EngineTest, RownumCountsTheRowsAsTheyAreReadBeforeTheRestOfTheQuery) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  for (int i = 1; i <= 10; ++i)
    Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (:1, :2, :3)", {P(i), P(i % 2), P(i <= 6 ? "x" : "y")});
  Run(*s, "CREATE TABLE S.U ( OID NUMBER (38) )");
  Run(*s, "INSERT INTO S.U (OID) VALUES (1)");
  Run(*s, "INSERT INTO S.U (OID) VALUES (2)");
  struct Case {
    const char* sql;
    std::vector<int64_t> rows;  // the first column of each row
  };
  const Case cases[] = {
      {"SELECT OID FROM S.T WHERE ROWNUM < 4 ORDER BY OID DESC", {3, 2, 1}},
      {"SELECT OID FROM S.T WHERE CID = 0 AND ROWNUM <= 2 ORDER BY OID DESC", {4, 2}},
      {"SELECT COUNT(*) FROM S.T WHERE ROWNUM < 4", {3}},
      {"SELECT COUNT(*) FROM S.T T0 WHERE T0.CID = 1 AND ROWNUM < 100", {5}},
      {"SELECT DISTINCT CID FROM S.T WHERE ROWNUM < 2", {1}},
      {"SELECT CID FROM S.T WHERE ROWNUM < 4 GROUP BY CID ORDER BY CID", {0, 1}},
      {"SELECT A.OID FROM S.T A, S.U B WHERE A.OID = B.OID AND ROWNUM < 2 ORDER BY A.OID DESC", {1}},
      {"SELECT OID FROM S.U WHERE ROWNUM < 2 UNION ALL SELECT OID FROM S.T WHERE OID > 8", {1, 9, 10}},
      {"SELECT OID FROM S.T WHERE ROWNUM < 3", {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    Outcome out = Run(*s, c.sql);
    std::vector<int64_t> got;
    for (const auto& row : out.result.rows) got.push_back(row[0].integer);
    EXPECT_EQ(got, c.rows);
  }
  Run(*s, "CREATE VIEW S.V (OID) AS SELECT OID FROM S.T");
  EXPECT_EQ(Fails(*s, "SELECT OID FROM S.V WHERE ROWNUM < 4 ORDER BY OID DESC").code, 900);
  EXPECT_EQ(Run(*s, "SELECT OID FROM S.V WHERE ROWNUM < 4").result.rows.size(), 3u);
}

TEST_F(EngineTest, ConversionFunctions) {
  auto s = Logon("S", "s");
  struct Case {
    const char* expr;
    const char* text;
  };
  const Case cases[] = {
      {"TO_CHAR(TO_DATE('01/02/2024', 'mm/dd/yyyy'), 'J')", "2460312"},
      {"TO_CHAR(TO_DATE(2460312, 'J'), 'dd.mm.yyyy')", "02.01.2024"},
      {"TO_CHAR(TO_DATE(ROUND(2460312.4), 'J'), 'mm/dd/yyyy')", "01/02/2024"},
      {"TO_CHAR(TRUNC(TO_DATE('01/02/2024 13:14:15', 'mm/dd/yyyy hh24:mi:ss')), 'hh24:mi:ss')", "00:00:00"},
      {"TO_CHAR(TO_DATE('01/01/1900' || TO_CHAR(3723, '09999'), 'mm/dd/yyyy sssss'), 'hh24:mi:ss')", "01:02:03"},
      {"TO_CHAR(TO_DATE('02.01.2024' || '00:00:00', 'dd.mm.yyyy hh24:mi:ss'), 'J')", "2460312"},
      {"TO_CHAR(TO_DATE('01/01/1900 ' || '10:20:30', 'mm/dd/yyyy hh24:mi:ss'), 'sssss')", "37230"},
      {"SUBSTR('abcdef',1 ,3)", "abc"},
      {"SUBSTR(RTRIM('ab   '), 1, 5)", "ab"},
      {"RPAD(SUBSTR('ab',1 ,2),4, 'x')", "abxx"},
      {"CHR(65)", "A"},
      {"REPLACE ('a b c', ' ', '') ", "abc"},
      {"LOWER ( 'AbC' ) ", "abc"},
  };
  for (const auto& c : cases) {
    Outcome out = Run(*s, std::string("SELECT ") + c.expr + " FROM DUAL");
    ASSERT_EQ(out.result.rows.size(), 1u) << c.expr;
    EXPECT_EQ(out.result.rows[0][0].bytes, c.text) << c.expr;
  }
  EXPECT_EQ(Count(*s, "SELECT ASCII('A') FROM DUAL"), 65);
  EXPECT_EQ(Count(*s, "SELECT ASCII(CHR(52905)) FROM DUAL"), 52905);
  EXPECT_TRUE(Run(*s, "SELECT RTRIM('   ') FROM DUAL").result.rows[0][0].IsNull());
  EXPECT_EQ(Fails(*s, "SELECT TO_DATE('13/01/2024', 'mm/dd/yyyy') FROM DUAL").code, 1843);
  EXPECT_EQ(Fails(*s, "SELECT USERENV('TERMINAL') FROM DUAL").code, 2003);
}

TEST_F(EngineTest, UnknownShapesFailWithTheirText) {
  auto s = Logon("S", "s");
  Error err = Fails(*s, "SELECT * FROM S.T LIMIT 3");
  EXPECT_EQ(err.code, 900);
  EXPECT_NE(err.message.find("SELECT * FROM S.T LIMIT 3"), std::string::npos);
  EXPECT_EQ(Fails(*s, "SELECT * FROM S.MISSING").code, 942);
  EXPECT_EQ(Fails(*s, "SELECT * FROM NOSCHEMA.MISSING").code, 942);
}

TEST_F(EngineTest, DroppedUserCanBeCreatedAgainWhileOthersAreConnected) {
  auto admin = Logon("ADMIN", "admin");
  Run(*admin, "CREATE USER TMP IDENTIFIED BY t");
  auto tmp = Logon("TMP", "t");
  Run(*tmp, "CREATE TABLE TMP.A ( X NUMBER )");
  Run(*tmp, "INSERT INTO TMP.A VALUES (1)");
  Run(*tmp, "COMMIT");
  EXPECT_EQ(Count(*admin, "SELECT COUNT(*) FROM TMP.A"), 1);
  tmp->End();
  Run(*admin, "DROP USER TMP CASCADE");
  Run(*admin, "CREATE USER TMP IDENTIFIED BY t");
  EXPECT_EQ(Fails(*admin, "SELECT COUNT(*) FROM TMP.A").code, 942);
}

// Integer literals of IN lists and of `name = n` terms are bound (texts that differ only in them
// share one rewrite and one prepared statement); every other literal stays in the text as the
// rewrite reads it.
TEST_F(EngineTest, StatementsThatDifferOnlyInTheirLiteralsAnswerEachTheirOwn) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  for (int i = 1; i <= 6; ++i)
    Run(*s, "INSERT INTO S.T (OID, CID, NAME) VALUES (" + std::to_string(i) + ", " + std::to_string(i % 2) + ", 'n" +
                std::to_string(i) + "')");
  struct Case {
    const char* sql;
    std::vector<Param> binds;
    std::vector<int64_t> oids;
  } cases[] = {
      {"SELECT OID FROM S.T WHERE OID IN (1, 3,5) ORDER BY OID", {}, {1, 3, 5}},
      {"SELECT OID FROM S.T WHERE OID IN (2,4) ORDER BY OID", {}, {2, 4}},
      {"SELECT OID FROM S.T WHERE OID IN (6) ORDER BY OID", {}, {6}},
      {"SELECT OID FROM S.T WHERE CID = :1 AND OID IN (1,2,3) AND NAME <> :2 ORDER BY OID", {P(1), P("n3")}, {1}},
      {"SELECT OID FROM S.T WHERE CID = :1 AND OID IN (4,5,6) AND NAME <> :2 ORDER BY OID", {P(int64_t{0}), P("n4")}, {6}},
      {"SELECT OID FROM S.T WHERE OID = 4", {}, {4}},
      {"SELECT OID FROM S.T WHERE OID=5", {}, {5}},
      {"SELECT OID FROM S.T WHERE OID = 0005 OR OID = 1 ORDER BY OID", {}, {1, 5}},
      {"SELECT OID FROM S.T WHERE CID = 0 AND ROWNUM < 3 ORDER BY OID", {}, {2, 4}},
      {"SELECT OID FROM S.T WHERE CID = 1 AND ROWNUM < 2", {}, {1}},
      {"SELECT OID FROM S.T WHERE OID IN (1, 2.5, 3) ORDER BY 1", {}, {1, 3}},
      {"SELECT OID FROM S.T WHERE OID IN (1, -2, 3) ORDER BY OID DESC", {}, {3, 1}},
      {"SELECT OID FROM S.T WHERE NAME IN ('n1', 'n2') ORDER BY OID", {}, {1, 2}},
      {"SELECT OID FROM S.T WHERE OID = 1 + 1", {}, {2}},
      {"SELECT OID FROM S.T WHERE NAME = 'n' || 6", {}, {6}},
      {"SELECT OID FROM S.T WHERE OID IN (SELECT OID FROM S.T WHERE OID = 3)", {}, {3}},
      {"SELECT OID FROM S.T WHERE OID IN (1, 2) AND NAME = '' ", {}, {}},
  };
  for (int round = 0; round < 2; ++round) {  // the second round runs the kept forms
    for (const auto& c : cases) {
      Outcome out = Run(*s, c.sql, c.binds);
      std::vector<int64_t> oids;
      for (const auto& row : out.result.rows) oids.push_back(row[0].integer);
      EXPECT_EQ(oids, c.oids) << c.sql;
    }
  }
  EXPECT_EQ(Run(*s, "UPDATE S.T SET CID = 7 WHERE OID IN (1, 2)").affected, 2);
  EXPECT_EQ(Run(*s, "DELETE FROM S.T WHERE OID = 2").affected, 1);
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE CID = 7"), 1);
  // Errors name the statement's own text.
  Error err = Fails(*s, "SELECT NOPE FROM S.T WHERE OID IN (1, 2)");
  EXPECT_EQ(err.code, 904);
  EXPECT_NE(err.message.find("IN (1, 2)"), std::string::npos) << err.message;
  EXPECT_EQ(Fails(*s, "SELECT OID FROM S.T WHERE OID IN (1, 2) AND OID = :1").code, 1008);
  // The kept forms follow DDL, the session's own and another session's.
  Run(*s, "ALTER TABLE S.T ADD ( X NUMBER (38) )");
  EXPECT_EQ(Run(*s, "SELECT * FROM S.T WHERE OID IN (3, 4)").result.columns.size(), 4u);
  auto other = Logon("S", "s");
  Run(*other, "DROP TABLE S.T");
  Run(*other, "CREATE TABLE S.T ( OID NUMBER (38), Y NUMBER (38) )");
  Run(*other, "INSERT INTO S.T (OID, Y) VALUES (9, 99)");
  Run(*other, "COMMIT");
  Outcome renewed = Run(*s, "SELECT * FROM S.T WHERE OID IN (9, 4)");
  ASSERT_EQ(renewed.result.columns.size(), 2u);
  ASSERT_EQ(renewed.result.rows.size(), 1u);
  EXPECT_EQ(renewed.result.rows[0][1].integer, 99);
}

// A cursor streams while its session runs other queries: it holds no rows in memory. It reads
// ahead only when its session writes, or when another session committed since its snapshot (the
// session's next query must see that).
TEST_F(EngineTest, ALongScanInterleavedWithOtherQueriesKeepsTheSessionsMemoryFlat) {
  auto s = Logon("S", "s");
  CreateClassTable(*s);
  constexpr int64_t kRows = 2000;
  Error err;
  auto insert = s->Prepare("INSERT INTO S.T (OID, CID, NAME) VALUES (:1, 0, 'x')", err);
  ASSERT_TRUE(insert) << err.message;
  for (int64_t i = 1; i <= kRows; ++i) {
    Outcome out;
    ASSERT_TRUE(insert->Run({P(i)}, out, err)) << err.message;
  }
  Run(*s, "COMMIT");
  auto scan = s->Prepare("SELECT OID FROM S.T ORDER BY OID", err);
  ASSERT_TRUE(scan) << err.message;
  ASSERT_TRUE(scan->Open({}, err)) << err.message;
  Row row;
  int64_t seen = 0;
  size_t held = 0;
  while (scan->Next(row, err)) {
    ASSERT_EQ(row.values[0].integer, ++seen);
    if (seen % 50 == 0) {
      std::string ids = std::to_string(seen) + ", " + std::to_string(seen + 1);
      EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE OID IN (" + ids + ")"), seen < kRows ? 2 : 1);
      EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T WHERE OID = :1", {P(seen)}), 1);
      held = std::max(held, s->HeldRows());
    }
  }
  EXPECT_FALSE(err.Has()) << err.message;
  EXPECT_EQ(seen, kRows);
  EXPECT_EQ(held, 0u);
  // Another session commits meanwhile: the next query sees its row, the scan goes on with its own.
  ASSERT_TRUE(scan->Open({}, err)) << err.message;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(scan->Next(row, err));
  auto other = Logon("S", "s");
  Run(*other, "INSERT INTO S.T (OID, CID, NAME) VALUES (5000, 0, 'y')");
  Run(*other, "COMMIT");
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.T"), kRows + 1);
  EXPECT_EQ(s->HeldRows(), static_cast<size_t>(kRows - 10));
  seen = 10;
  while (scan->Next(row, err)) ++seen;
  EXPECT_EQ(seen, kRows);
  EXPECT_EQ(s->HeldRows(), 0u);
  // A write of the session reads the scan ahead.
  ASSERT_TRUE(scan->Open({}, err)) << err.message;
  ASSERT_TRUE(scan->Next(row, err));
  Run(*s, "UPDATE S.T SET CID = 1 WHERE OID = 5000");
  EXPECT_EQ(s->HeldRows(), static_cast<size_t>(kRows));
  seen = 1;
  while (scan->Next(row, err)) ++seen;
  EXPECT_EQ(seen, kRows + 1);
}

}  // namespace
