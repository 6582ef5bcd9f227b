// The DB2 flavour: golden translations of DB2 texts, and the Oracle trigger forms they rely on
// (WHEN conditions, RAISE_APPLICATION_ERROR, CASE) on the engine.
#include <gtest/gtest.h>

#include <cstring>

#include "EngineFixture.h"
#include "sqldb2.h"

using namespace sqlengine;

namespace {

TEST(Db2TranslateTest, GoldenTexts) {
  struct Case {
    const char* db2;
    const char* oracle;
  } cases[] = {
      {"INSERT INTO S.T ( A, B ) \nVALUES ( ?, ? )", "INSERT INTO S.T ( A, B ) \nVALUES ( :1, :2 )"},
      {"SELECT A FROM S.T WHERE B = '?' AND C = ?", "SELECT A FROM S.T WHERE B = '?' AND C = :1"},
      {"CREATE TABLE S.T \n( OID INTEGER  DEFAULT 0 not null,\n N CHARACTER (20),\n B BLOB (100 M),\n R CHARACTER  (8) FOR BIT DATA,\n"
       " V VARCHAR (9) FOR BIT DATA,\n L LONG VARCHAR FOR BIT DATA,\n D DATE,\n T TIME,\n TS TIMESTAMP,\n BI BIGINT  DEFAULT 0,\n"
       "PRIMARY KEY ( OID ) )",
       "CREATE TABLE S.T (\n OID NUMBER (10) DEFAULT 0 NOT NULL,\n N DB2$CHAR (20),\n B BLOB,\n R RAW (8),\n V RAW (9),\n L LONG RAW,\n"
       " D DATE,\n T CHAR (8),\n TS DATE,\n BI NUMBER (19) DEFAULT 0,\n PRIMARY KEY ( OID ) )"},
      {"CREATE TABLE S.A (\n C INTEGER not null with DEFAULT 1,\n U CHARACTER(128) not null WITH DEFAULT USER )",
       "CREATE TABLE S.A (\n C NUMBER (10) NOT NULL DEFAULT 1,\n U DB2$CHAR (128) NOT NULL DEFAULT USER )"},
      {"ALTER TABLE S.T \nADD COLUMN X INTEGER  DEFAULT 0\n ADD COLUMN Y VARCHAR (5)",
       "ALTER TABLE S.T ADD (X NUMBER (10) DEFAULT 0, Y DB2$VARCHAR (5))"},
      {"SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'S' AND TABNAME = 'T'",
       "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S' AND TABLE_NAME = 'T'"},
      {"SELECT LCASE ( CHAR (N )), INT(A), CHAR(D, ISO) FROM S.T", "SELECT LOWER ( DB2$CHAR (N )), DB2$INT(A), DB2$CHAR(D, 'ISO') FROM S.T"},
      {"SELECT A FROM S.T \nUNION DISTINCT\nSELECT A FROM S.U", "SELECT A FROM S.T \nUNION \nSELECT A FROM S.U"},
      {"CREATE TRIGGER S.R AFTER DELETE ON S.A REFERENCING OLD AS OLD FOR EACH ROW MODE DB2SQL DELETE FROM S.L WHERE C = OLD.C",
       "CREATE TRIGGER S.R AFTER DELETE ON S.A REFERENCING OLD AS OLD FOR EACH ROW BEGIN DELETE FROM S.L WHERE C = :OLD.C; END;"},
      {"CREATE TRIGGER S.L1 AFTER INSERT ON S.L REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL WHEN (N.M > 1) "
       "SIGNAL SQLSTATE 'KX041' ('it''s locked')",
       "CREATE TRIGGER S.L1 AFTER INSERT ON S.L REFERENCING NEW AS N FOR EACH ROW WHEN (:N.M > 1) BEGIN "
       "RAISE_APPLICATION_ERROR(-20438, 'SQLSTATE=KX041 it''s locked'); END;"},
  };
  for (const auto& c : cases) {
    std::string out;
    Error err;
    ASSERT_TRUE(Db2ToOracle(c.db2, out, err)) << c.db2 << ": " << err.message;
    EXPECT_EQ(out, c.oracle);
  }
  const char* refused[] = {
      "CREATE TABLE S.T (A VARCHAR)", "CREATE TABLE S.T (A NUMBER)", "CREATE TABLE S.T (A LONGVARGRAPHIC (4))",
      "ALTER TABLE S.T ADD COLUMN A INTEGER NOT NULL", "CREATE TRIGGER S.R AFTER INSERT ON S.T FOR EACH ROW BEGIN END",
      "CREATE TRIGGER S.R AFTER INSERT ON S.T FOR EACH ROW MODE DB2SQL SIGNAL SQLSTATE '1' ('x')",
  };
  for (const char* sql : refused) {
    std::string out;
    Error err;
    EXPECT_FALSE(Db2ToOracle(sql, out, err)) << sql;
  }
  std::string out;
  Error err;
  EXPECT_FALSE(Db2ToOracle(std::string("SELECT 'a\0' FROM S.T", 21), out, err));
  EXPECT_EQ(err.code, 911);
}

// The connected applications are the server's live sessions: a killed one is not among them.
class Db2ApplicationsTest : public testengine::ServerTest {};

TEST_F(Db2ApplicationsTest, ConnectedApplicationsAreTheLiveSessions) {
  auto s = Logon("S", "s");
  server_->AddForeignSession(7001, "S", "INACTIVE");
  server_->AddForeignSession(7002, "S", "KILLED");
  std::string oracle;
  Error err;
  ASSERT_TRUE(Db2ToOracle("SELECT AGENT_ID, APPL_STATUS FROM SYSIBMADM.APPLICATIONS ORDER BY AGENT_ID", oracle, err))
      << err.message;
  sqlengine::Outcome out = Run(*s, oracle);
  std::vector<std::pair<int64_t, std::string>> rows;
  for (const auto& row : out.result.rows) rows.emplace_back(row[0].integer, row[1].bytes);
  EXPECT_EQ(rows, (std::vector<std::pair<int64_t, std::string>>{{s->Id(), "UOWEXEC"}, {7001, "CONNECTED"}}));
  ASSERT_TRUE(Db2ToOracle("SELECT COUNT(*) FROM SYSIBMADM.APPLICATIONS A WHERE A.AUTHID = 'S'", oracle, err)) << err.message;
  EXPECT_EQ(Count(*s, oracle), 2);
  server_->RemoveForeignSession(7001);
  server_->RemoveForeignSession(7002);
}

// DB2 compares character values as if the shorter were padded with blanks: a CHARACTER value written
// with or without its trailing blanks equals the same text in =, <>, IN and against a bind.
class Db2PaddingTest : public testengine::ServerTest {
 protected:
  int64_t Db2Count(sqlengine::Session& s, const std::string& db2, const std::vector<sqlengine::Param>& params = {}) {
    std::string oracle;
    Error err;
    EXPECT_TRUE(Db2ToOracle(db2, oracle, err)) << db2 << ": " << err.message;
    return Count(s, oracle, params);
  }
  void Db2Run(sqlengine::Session& s, const std::string& db2) {
    std::string oracle;
    Error err;
    ASSERT_TRUE(Db2ToOracle(db2, oracle, err)) << db2 << ": " << err.message;
    Run(s, oracle);
  }
};

TEST_F(Db2PaddingTest, CharacterValuesCompareWithTrailingBlanksIgnored) {
  auto s = Logon("S", "s");
  Db2Run(*s, "CREATE TABLE S.P (ID INTEGER NOT NULL, C CHARACTER (10), V VARCHAR (10), PRIMARY KEY (ID))");
  Db2Run(*s, "INSERT INTO S.P (ID, C, V) VALUES (1, 'abc', 'abc')");
  Db2Run(*s, "INSERT INTO S.P (ID, C, V) VALUES (2, 'abc       ', 'abc  ')");
  Db2Run(*s, "INSERT INTO S.P (ID, C, V) VALUES (3, 'abcd', 'abcd')");
  struct Case {
    const char* where;
    int64_t count;
  };
  const Case cases[] = {
      {"C = 'abc'", 2},     {"C = 'abc  '", 2},   {"'abc' = C", 2},         {"C <> 'abc'", 1},
      {"C IN ('abc ', 'x')", 2}, {"V = 'abc'", 2},  {"V = C", 3},             {"C = V", 3},
      {"C < 'abcd'", 2},    {"C LIKE 'abc'", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_EQ(Db2Count(*s, std::string("SELECT COUNT(*) FROM S.P WHERE ") + c.where), c.count);
  }
  EXPECT_EQ(Db2Count(*s, "SELECT COUNT(*) FROM S.P WHERE C = ?", {testengine::P("abc ")}), 2);
  // A unique key holds one value however many blanks follow it.
  Db2Run(*s, "CREATE UNIQUE INDEX S.P_C ON S.P (ID, C)");
  std::string oracle;
  Error err;
  ASSERT_TRUE(Db2ToOracle("INSERT INTO S.P (ID, C) VALUES (3, 'abcd  ')", oracle, err));
  EXPECT_EQ(Fails(*s, oracle).code, 1);
}

class TriggerWhenTest : public testengine::ServerTest {};

TEST_F(TriggerWhenTest, WhenConditionAndRaiseApplicationError) {
  auto s = Logon("S", "s");
  Run(*s, "CREATE TABLE S.L (OID NUMBER (10) NOT NULL, M NUMBER (5) NOT NULL)");
  Run(*s, "CREATE TRIGGER S.L1 AFTER INSERT ON S.L REFERENCING NEW AS N FOR EACH ROW "
          "WHEN (EXISTS (SELECT 1 FROM S.L P WHERE P.OID = :N.OID AND P.M >= CASE :N.M WHEN 1 THEN 5 ELSE 0 END AND P.M <> :N.M)) "
          "BEGIN RAISE_APPLICATION_ERROR(-20438, 'it''s locked'); END;");
  Run(*s, "INSERT INTO S.L (OID, M) VALUES (1, 7)");
  Run(*s, "INSERT INTO S.L (OID, M) VALUES (2, 1)");
  Error e = Fails(*s, "INSERT INTO S.L (OID, M) VALUES (1, 1)");
  EXPECT_EQ(e.code, 20438);
  EXPECT_NE(e.message.find("it's locked"), std::string::npos) << e.message;
  EXPECT_EQ(Count(*s, "SELECT COUNT(*) FROM S.L"), 2);
  e = Fails(*s, "CREATE TRIGGER S.L2 AFTER INSERT ON S.L FOR EACH ROW BEGIN RAISE_APPLICATION_ERROR(-1, 'x'); END;");
  EXPECT_EQ(e.code, 21000);
}

}  // namespace
