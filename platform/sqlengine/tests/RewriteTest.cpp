// Golden texts of the Oracle-to-SQLite rewrite layer.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "GatewayDdl.h"
#include "sqlrewrite.h"

using namespace sqlengine;

namespace {

// The texts without the CHECK constraints that hold column values to their declared types (their
// own tests are in StrictTest).
std::string WithoutColumnChecks(std::string sql) {
  for (size_t p = sql.find(" CHECK ("); p != std::string::npos; p = sql.find(" CHECK (", p)) {
    size_t e = p + 8;
    for (int depth = 1; e < sql.size() && depth > 0; ++e) depth += sql[e] == '(' ? 1 : sql[e] == ')' ? -1 : 0;
    if (sql.substr(p, e - p).find("ORA_CHECK_") != std::string::npos) sql.erase(p, e - p);
    else ++p;
  }
  return sql;
}

class FakeContext : public RewriteContext {
 public:
  std::string User() const override { return "APP"; }
  bool IsSchema(const std::string& n) const override { return n == "APP" || n == "S" || n == "OTHER"; }
  bool IndexColumns(const std::string& file, const std::string& index, std::vector<IndexColumn>& cols) const override {
    if (file != "\"S\"" || index != "T_IDX") return false;
    cols = {{"A", false}, {"B", true}};
    return true;
  }
  std::vector<std::string> IndexesWithColumn(const std::string& file, const std::string& table,
                                             const std::string& column) const override {
    if (file == "\"S\"" && table == "T" && column == "B") return {"T_B", "T_AB"};
    if (file == "\"S\"" && table == "T" && column == "A") return {"T_AB"};
    return {};
  }
  int HasColumn(const std::string& file, const std::string& table, const std::string& column) const override {
    if (table == "T" || table == "LOCKS") return column == "OID" ? 1 : column == "ROWID" ? 0 : -1;
    if (table == "NOOID") return column == "OID" ? 0 : -1;
    return -1;
  }
  bool LocateObject(const std::string& owner, const std::string& name, const std::string& type, std::string& file,
                    std::string& table) const override {
    if (owner == "S" && name == "I1" && type == "INDEX") {
      file = "\"S\"";
      table = "T";
      return true;
    }
    if (owner == "S" && name == "RELEASE_LOCK" && type == "TRIGGER") {
      file = "\"S~aux\"";
      table = "ACTIVECLIENTS";
      return true;
    }
    return false;
  }
};

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i ? "\n--\n" : "") + v[i];
  return s;
}

template <size_t N>
std::string WithNul(const char (&text)[N]) {
  return std::string(text, N - 1);
}

struct Golden {
  const char* name;
  std::string in;
  std::string out;
};

}  // namespace

TEST(RewriteTest, GoldenTexts) {
  const std::vector<Golden> cases = {
      {"dual", "SELECT 1 FROM DUAL", "SELECT 1"},
      {"session id", "SELECT USERENV('SESSIONID') FROM DUAL", "SELECT USERENV('SESSIONID')"},
      {"surrogate read", " SELECT SERIAL_ID FROM S.SURROGATES WHERE ID = :1",
       "SELECT \"SERIAL_ID\" FROM \"S~aux\".\"SURROGATES\" WHERE \"ID\" = ?1"},
      {"lock holders",
       "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM S.LOCKS L, S.ACTIVECLIENTS C WHERE OID = :1 AND L.CLIENTID = C.CLIENTID",
       "SELECT DISTINCT \"LOCKMODE\", \"L\".\"CLIENTID\", \"USERID\" FROM \"S~aux\".\"LOCKS\" \"L\", "
       "\"S~aux\".\"ACTIVECLIENTS\" \"C\" WHERE \"OID\" = ?1 AND \"L\".\"CLIENTID\" = \"C\".\"CLIENTID\""},
      {"order and for update", "SELECT A, B FROM S.T WHERE A = :1 ORDER BY A, B DESC FOR UPDATE ",
       "SELECT \"A\", \"B\" FROM \"S\".\"T\" WHERE \"A\" = ?1 ORDER BY \"A\" NULLS LAST, \"B\" DESC NULLS "
       "FIRST"},
      {"order by function", "SELECT A FROM S.T ORDER BY LOWER ( A ) DESC, B",
       "SELECT \"A\" FROM \"S\".\"T\" ORDER BY LOWER ( \"A\" ) DESC NULLS FIRST, \"B\" NULLS LAST"},
      {"rownum as last term", "SELECT OID, CID FROM S.T T0 WHERE ( X > :1 ) AND ROWNUM<21",
       "SELECT \"OID\", \"CID\" FROM \"S\".\"T\" \"T0\" WHERE ( \"X\" > ?1 ) LIMIT 20"},
      {"rownum alone", "SELECT OID FROM S.T WHERE ROWNUM<2", "SELECT \"OID\" FROM \"S\".\"T\" LIMIT 1"},
      {"rownum first", "SELECT OID FROM S.T WHERE ROWNUM<2 AND A = 1", "SELECT \"OID\" FROM \"S\".\"T\" WHERE \"A\" = 1 LIMIT 1"},
      {"rownum with order: the rows read first are sorted",
       "SELECT OID FROM S.T WHERE A = 1 AND ROWNUM<6 ORDER BY OID DESC",
       "SELECT \"OID\" FROM \"S\".\"T\" WHERE \"A\" = 1 AND \"S\".\"T\"._ROWID_ IN (SELECT \"S\".\"T\"._ROWID_ FROM "
       "\"S\".\"T\" WHERE \"A\" = 1 LIMIT 5) ORDER BY \"OID\" DESC NULLS FIRST"},
      {"rownum alone with order on a join",
       "SELECT A.OID FROM S.T A, S.U B WHERE ROWNUM<3 ORDER BY A.OID",
       "SELECT \"A\".\"OID\" FROM \"S\".\"T\" \"A\", \"S\".\"U\" \"B\" WHERE (\"A\"._ROWID_, \"B\"._ROWID_) IN (SELECT "
       "\"A\"._ROWID_, \"B\"._ROWID_ FROM \"S\".\"T\" \"A\", \"S\".\"U\" \"B\" LIMIT 2) ORDER BY \"A\".\"OID\" NULLS LAST"},
      {"index hint orders a limited read",
       "SELECT /*+ INDEX_ASC(T0 T_IDX) */ T0.OID FROM S.T T0 WHERE T0.A >= :1 AND ROWNUM<11",
       "SELECT /*+ INDEX_ASC(T0 T_IDX) */ \"T0\".\"OID\" FROM \"S\".\"T\" \"T0\" WHERE \"T0\".\"A\" >= ?1 "
       "ORDER BY \"T0\".\"A\" NULLS LAST, \"T0\".\"B\" DESC NULLS FIRST LIMIT 10"},
      {"hint without row limit stays a comment", "SELECT /*+ INDEX_ASC(T0 T_IDX) */ T0.OID FROM S.T T0",
       "SELECT /*+ INDEX_ASC(T0 T_IDX) */ \"T0\".\"OID\" FROM \"S\".\"T\" \"T0\""},
      {"unqualified table is the user's", "SELECT COUNT(*) FROM T", "SELECT COUNT(*) FROM \"APP\".\"T\""},
      {"server view", "SELECT AUDSID FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED' ORDER BY AUDSID",
       "SELECT \"AUDSID\" FROM \"V$SESSION\" WHERE \"AUDSID\" <>0 AND \"STATUS\" <> 'KILLED' ORDER BY "
       "\"AUDSID\" NULLS LAST"},
      {"like escape and sub-select",
       "SELECT T0.OID FROM S.T T0 WHERE T0.NAME LIKE :1 ESCAPE '\\'  AND T0.OID IN ( SELECT OID FROM S.U ) ",
       "SELECT \"T0\".\"OID\" FROM \"S\".\"T\" \"T0\" WHERE \"T0\".\"NAME\" LIKE ?1 ESCAPE '\\'  AND "
       "\"T0\".\"OID\" IN ( SELECT \"OID\" FROM \"S\".\"U\" )"},
      {"exists and false constant", "SELECT OID FROM S.T T0 WHERE  EXISTS(SELECT COUNT(*) FROM S.U T1 WHERE T1.OID = T0.OID)  AND 0 = 1",
       "SELECT \"OID\" FROM \"S\".\"T\" \"T0\" WHERE  EXISTS(SELECT COUNT(*) FROM \"S\".\"U\" \"T1\" WHERE "
       "\"T1\".\"OID\" = \"T0\".\"OID\")  AND 0 = 1"},
      {"empty text is NULL", "INSERT INTO S.OPTIONREGISTRY VALUES( '*', '', 'OID_SIZE', '48BIT')",
       "INSERT INTO \"S\".\"OPTIONREGISTRY\" VALUES( '*', NULL, 'OID_SIZE', '48BIT')"},
      {"client registration",
       "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'n', 5, 'DEFAULT')",
       "INSERT INTO \"S~aux\".\"ACTIVECLIENTS\" (\"CLIENTID\", \"CLIENT_NAME\", \"CONNECTION_ID\", "
       "\"OPEN_MODE\") VALUES (5, 'n', 5, 'DEFAULT')"},
      {"insert of markers", "INSERT INTO S.T(OID,CID,A) VALUES(:1,:2,:3)", "INSERT INTO \"S\".\"T\"(\"OID\",\"CID\",\"A\") VALUES(?1,?2,?3)"},
      {"insert select with conversions",
       "INSERT INTO S.T2 ( OID, D)\n SELECT OID, TO_DATE(N, 'J') FROM S.T WHERE CID = 5",
       "INSERT INTO \"S\".\"T2\" ( \"OID\", \"D\")\n SELECT \"OID\", TO_DATE(\"N\", 'J') FROM \"S\".\"T\" "
       "WHERE \"CID\" = 5"},
      {"update", "UPDATE S.T SET A = :1,B = :2 WHERE OID = :3", "UPDATE \"S\".\"T\" SET \"A\" = ?1,\"B\" = ?2 WHERE \"OID\" = ?3"},
      {"delete", "DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1",
       "DELETE FROM \"S~aux\".\"ACTIVECLIENTS\" WHERE \"CONNECTION_ID\" = ?1"},
      {"schema-qualified column", "SELECT S.T.OID FROM S.T", "SELECT \"S\".\"T\".\"OID\" FROM \"S\".\"T\""},
      {"locks table", testddl::LocksTable("S"),
       "CREATE TABLE \"S~aux\".\"LOCKS\" (\"OID\" NUMBER (38) NOT NULL, \"LOCKMODE\" NUMBER (38) NOT NULL, "
       "\"CLIENTID\" NUMBER (38) NOT NULL, PRIMARY KEY (\"OID\", \"LOCKMODE\", \"CLIENTID\"))"},
      {"client table", testddl::ActiveClientsTable("S"),
       "CREATE TABLE \"S~aux\".\"ACTIVECLIENTS\" (\"CLIENTID\" NUMBER (38) NOT NULL, \"USERID\" VARCHAR2 "
       "(30) DEFAULT (ORA_USER()) NOT NULL, \"CLIENT_NAME\" VARCHAR2 (30), \"CONNECTION_ID\" NUMBER (38) "
       "DEFAULT 0 NOT NULL, \"OPEN_MODE\" VARCHAR2 (30), PRIMARY KEY (\"CLIENTID\", \"CONNECTION_ID\"))"},
      {"class table",
       "CREATE TABLE S.T \n( OID NUMBER (38) DEFAULT 0,\n CID NUMBER (38) DEFAULT 0 not null,\n DATA BLOB DEFAULT "
       "EMPTY_BLOB(),\n L LONG VARCHAR,\n NAME VARCHAR2 (40),\n C CHAR (10),\n R RAW (8),\n D DATE,\n PRIMARY KEY ( OID ) )",
       "CREATE TABLE \"S\".\"T\" (\"OID\" NUMBER (38) DEFAULT 0 NOT NULL, \"CID\" NUMBER (38) DEFAULT 0 NOT "
       "NULL, \"DATA\" BLOB DEFAULT x'', \"L\" LONG VARCHAR, \"NAME\" VARCHAR2 (40), \"C\" CHAR (10), \"R\" "
       "RAW (8), \"D\" DATE, PRIMARY KEY (\"OID\"))"},
      {"index", "CREATE UNIQUE INDEX S.T_IDX ON S.T ( A ASC, B DESC )", "CREATE UNIQUE INDEX \"S\".\"T_IDX\" ON \"T\" (\"A\" ASC, \"B\" DESC)"},
      {"view", "CREATE VIEW S.V (OID,CID)\nAS  SELECT OID,CID FROM S.T1 \nUNION ALL  SELECT OID,CID FROM S.T2",
       "CREATE VIEW \"S\".\"V\" (\"OID\", \"CID\") AS SELECT \"OID\",\"CID\" FROM \"T1\" \nUNION ALL  "
       "SELECT \"OID\",\"CID\" FROM \"T2\""},
      {"alter add", "ALTER TABLE S.T ADD\n( X NUMBER (38) DEFAULT 0 not null,\n Y VARCHAR2 (10) not null )",
       "ALTER TABLE \"S\".\"T\" ADD COLUMN \"X\" NUMBER (38) DEFAULT 0 NOT NULL\n--\nALTER TABLE "
       "\"S\".\"T\" ADD COLUMN \"Y\" VARCHAR2 (10) CONSTRAINT \"NN$Y\" CHECK (\"Y\" IS NOT NULL)"},
      {"alter drop removes indexes first", "ALTER TABLE S.T DROP (B,A)",
       "DROP INDEX \"S\".\"T_B\"\n--\nDROP INDEX \"S\".\"T_AB\"\n--\nALTER TABLE \"S\".\"T\" DROP COLUMN "
       "\"B\"\n--\nALTER TABLE \"S\".\"T\" DROP COLUMN \"A\""},
      {"release trigger", testddl::ReleaseTrigger("S"),
       "CREATE TRIGGER \"S~aux\".\"RELEASE_LOCK\" AFTER DELETE ON \"ACTIVECLIENTS\" FOR EACH ROW BEGIN "
       "DELETE FROM \"LOCKS\" WHERE \"CLIENTID\" = OLD.\"CLIENTID\" AND\n (OLD.\"CLIENTID\" = "
       "OLD.\"CONNECTION_ID\" OR OLD.\"CONNECTION_ID\" = 0); END"},
      {"shadow trigger splits per event",
       "CREATE TRIGGER T5_TRG\nAFTER INSERT OR UPDATE OR DELETE ON S.T \nFOR EACH ROW\nBEGIN\n   IF INSERTING THEN\n      "
       "INSERT INTO S.SH VALUES ( :new.OID, :new.A);\n   ELSIF UPDATING THEN\n      UPDATE S.SH SET A = :new.A WHERE OID = "
       ":old.OID;\n   ELSIF DELETING THEN\n      DELETE FROM S.SH WHERE OID = :old.OID;\n   END IF;\nEND;",
       "CREATE TRIGGER \"S\".\"T5_TRG$INS\" AFTER INSERT ON \"T\" FOR EACH ROW BEGIN INSERT INTO \"SH\" "
       "VALUES ( NEW.\"OID\", NEW.\"A\"); END\n--\nCREATE TRIGGER \"S\".\"T5_TRG$UPD\" AFTER UPDATE ON "
       "\"T\" FOR EACH ROW BEGIN UPDATE \"SH\" SET \"A\" = NEW.\"A\" WHERE \"OID\" = OLD.\"OID\"; "
       "END\n--\nCREATE TRIGGER \"S\".\"T5_TRG$DEL\" AFTER DELETE ON \"T\" FOR EACH ROW BEGIN DELETE FROM "
       "\"SH\" WHERE \"OID\" = OLD.\"OID\"; END"},
      {"drop table of the lock file", "DROP TABLE S.LOCKS", "DROP TABLE \"S~aux\".\"LOCKS\""},
      {"drop index", "DROP INDEX S.I1", "DROP INDEX \"S\".\"I1\""},
      {"drop trigger", "DROP TRIGGER S.RELEASE_LOCK",
       "DROP TRIGGER IF EXISTS \"S~aux\".\"RELEASE_LOCK\"\n--\nDROP TRIGGER IF EXISTS "
       "\"S~aux\".\"RELEASE_LOCK$INS\"\n--\nDROP TRIGGER IF EXISTS \"S~aux\".\"RELEASE_LOCK$UPD\"\n--\nDROP "
       "TRIGGER IF EXISTS \"S~aux\".\"RELEASE_LOCK$DEL\""},
      {"view drop", "DROP VIEW S.V", "DROP VIEW \"S\".\"V\""},
      {"SQLite keywords as column names", "SELECT OFFSET, MATCH FROM S.T WHERE FILTER = 1 AND LIMIT = :1",
       "SELECT \"OFFSET\", \"MATCH\" FROM \"S\".\"T\" WHERE \"FILTER\" = 1 AND \"LIMIT\" = ?1"},
      {"time fix-up",
       "UPDATE S.T SET TM = TO_DATE('01/01/1900 ' || TO_CHAR(TM, 'hh24:mi:ss'), 'dd/mm/yyyy hh24:mi:ss') WHERE TM IS NOT NULL",
       "UPDATE \"S\".\"T\" SET \"TM\" = TO_DATE(ORA_CONCAT('01/01/1900 ' , TO_CHAR(\"TM\", 'hh24:mi:ss')), "
       "'dd/mm/yyyy hh24:mi:ss') WHERE \"TM\" IS NOT NULL"},
      {"quoted names keep their case", "CREATE TABLE S.\"lc\" (\"MY COL\" NUMBER, lc NUMBER, PRIMARY KEY (\"MY COL\"))",
       "CREATE TABLE \"S\".\"^L^C\" (\"MY COL\" NUMBER NOT NULL, \"LC\" NUMBER, PRIMARY KEY (\"MY COL\"))"},
      {"a name with a quote, ';' and '^' stays one name",
       "SELECT \"a;b^c~\" FROM S.\"X(A);DELETE FROM OTHER.V--\" WHERE \"MY COL\" = 1",
       "SELECT \"^A;^B^^^C^-\" FROM \"S\".\"X(A);DELETE FROM OTHER.V--\" WHERE \"MY COL\" = 1"},
      {"unquoted names are upper-cased", "select a from s.t where b = :1", "select \"A\" from \"S\".\"T\" where \"B\" = ?1"},
      {"savepoint name", "SAVEPOINT \"A;DELETE FROM OTHER.V\"", "SAVEPOINT \"A;DELETE FROM OTHER.V\""},
      {"rollback to a lower-case savepoint", "ROLLBACK TO SAVEPOINT \"sp\"", "ROLLBACK TO \"^S^P\""},
      {"dropped column with a hostile name", "ALTER TABLE S.U DROP (\"A;DELETE FROM OTHER.V\")",
       "ALTER TABLE \"S\".\"U\" DROP COLUMN \"A;DELETE FROM OTHER.V\""},
      {"names that are SQLite keywords", "SELECT ISNULL, \"GLOB\" FROM S.T WHERE NOTNULL = 1",
       "SELECT \"ISNULL\", \"GLOB\" FROM \"S\".\"T\" WHERE \"NOTNULL\" = 1"},
      {"a real OID column and an alias named OID", "SELECT T0.OID, 1 AS OID FROM S.T T0 WHERE OID = 1",
       "SELECT \"T0\".\"OID\", 1 AS \"OID\" FROM \"S\".\"T\" \"T0\" WHERE \"OID\" = 1"},
      {"for update of columns with wait", "SELECT A FROM S.T FOR UPDATE OF T.A, B WAIT 5", "SELECT \"A\" FROM \"S\".\"T\""},
      {"repeated ORDER BY items", "SELECT A FROM S.T ORDER BY A, (B), A DESC",
       "SELECT \"A\" FROM \"S\".\"T\" ORDER BY \"A\" NULLS LAST, (\"B\") NULLS LAST, \"A\" DESC NULLS FIRST"},
  };
  FakeContext ctx;
  for (const auto& c : cases) {
    Rewritten rw;
    Error err;
    ASSERT_TRUE(Rewrite(c.in, ctx, rw, err)) << c.name << ": " << err.message;
    EXPECT_EQ(WithoutColumnChecks(Joined(rw.sql)), c.out) << c.name;
  }
}

TEST(RewriteTest, UnknownShapesFailNamingTheText) {
  struct Bad {
    std::string in;
    int32_t code;
  };
  const std::vector<Bad> cases = {
      {"SELECT * FROM S.T LIMIT 5", 900},
      {"SELECT * FROM S.T WHERE A GLOB 'x*'", 900},
      {"SELECT * FROM S.T ORDER BY A COLLATE NOCASE", 900},
      {"SELECT A FROM S.T INTERSECT SELECT A FROM S.U", 900},
      {"SELECT IFNULL(A, 0) FROM S.T", 904},
      {"SELECT NVL(A, 0) FROM S.T", 904},
      {"SELECT 1 FROM DUAL;", 911},
      {"SELECT ? FROM DUAL", 911},
      {"SELECT A FROM S.T UNION DISTINCT SELECT A FROM S.T2", 928},
      {"VACUUM", 900},
      {"MERGE INTO S.T USING S.U ON (1 = 1)", 900},
      {"DELETE S.T", 900},
      {"CREATE TABLE ", 903},
      {"ALTER TABLE ", 903},
      {"CREATE TABLE S.X ( A INTEGER )", 902},
      {"CREATE TABLE S.X ( A Undefined Tessaform Type :x )", 902},
      {"CREATE TABLE S.X ( A VARCHAR2 (5000) )", 910},
      {"CREATE TABLE S.X ( A LONG, B LONG RAW )", 1754},
      {"CREATE TABLE S.X ( A NUMBER, A DATE )", 957},
      {"CREATE TABLE S.ABCDEFGHIJKLMNOPQRSTUVWXYZ012345 ( A NUMBER )", 972},
      {"SELECT A FROM S.T WHERE A = 1 OR ROWNUM<5", 900},
      {"SELECT A FROM S.T WHERE (ROWNUM<5)", 900},
      {"UPDATE S.T SET A = 1 WHERE ROWNUM<5", 900},
      {"BEGIN S.OTHER_PROC(1); END;", 6550},
      {"SELECT 'abc", 1756},
      {"SELECT A FROM S.T JOIN S.U ON 1 = 1", 900},
      {"CREATE VIEW S.V AS SELECT OID FROM OTHER.T", 900},
      {"CREATE VIEW S.V AS SELECT OID FROM S.LOCKS", 900},
      {"CREATE TRIGGER S.X AFTER INSERT ON S.T BEGIN DELETE FROM S.U; END;", 900},
      {"DROP INDEX S.NOPE", 1418},
      {"DROP TRIGGER S.NOPE", 4080},
      {"SELECT A FROM S.T WHERE A = :1 FROM", 903},
  };
  FakeContext ctx;
  for (const auto& c : cases) {
    Rewritten rw;
    Error err;
    EXPECT_FALSE(Rewrite(c.in, ctx, rw, err)) << c.in;
    EXPECT_EQ(err.code, c.code) << c.in << " -> " << err.message;
    if (c.code == 900 || c.code == 904 || c.code == 911) {
      EXPECT_NE(err.message.find(c.in), std::string::npos) << err.message;
    }
  }
}

// Texts Oracle refuses, refused with Oracle's error instead of running as SQLite reads them.
TEST(RewriteTest, RefusesWhatOracleRefuses) {
  struct Bad {
    const char* name;
    std::string in;
    int32_t code;
  };
  const std::vector<Bad> cases = {
      {"NUL inside a comment", WithNul("DELETE FROM S.T -- x\0\n WHERE ID = 1"), 911},
      {"NUL inside a literal", WithNul("SELECT 'a\0b' FROM DUAL"), 911},
      {"empty quoted name", "CREATE TABLE S.\"\" (A NUMBER)", 1741},
      {"unterminated quoted name", "SELECT \"A FROM S.T", 1740},
      {"quoted name of 31 bytes", "CREATE TABLE S.T (\"abcdefghijklmnopqrstuvwxyz01234\" NUMBER)", 972},
      {"unquoted name of 31 bytes", "SELECT abcdefghijklmnopqrstuvwxyz01234 FROM S.T", 972},
      {"quoted savepoint name of 31 bytes", "SAVEPOINT \"abcdefghijklmnopqrstuvwxyz01234\"", 972},
      {"SELECT without FROM", "SELECT 1", 923},
      {"sub-select without FROM", "SELECT A FROM S.T WHERE A IN (SELECT 1)", 923},
      {"SELECT without FROM before WHERE", "SELECT 1 WHERE 1 = 1", 923},
      {"empty IN list", "SELECT A FROM S.T WHERE A IN ()", 936},
      {"empty VALUES list", "INSERT INTO S.T VALUES ()", 936},
      {"bare column as condition", "SELECT A FROM S.T WHERE ID", 920},
      {"bare column after AND", "DELETE FROM S.T WHERE A = 1 AND ID", 920},
      {"bare column in parentheses", "UPDATE S.T SET A = 1 WHERE (ID)", 920},
      {"bare column after NOT", "SELECT A FROM S.T WHERE NOT (A = 1 OR B)", 920},
      {"ISNULL operator", "SELECT A FROM S.T WHERE A ISNULL", 920},
      {"NOTNULL operator", "SELECT A FROM S.T WHERE A NOTNULL", 920},
      {"double equals", "SELECT A FROM S.T WHERE A == 1", 936},
      {"shift operator", "SELECT A FROM S.T WHERE A << 1 = 2", 936},
      {"arrow operator", "SELECT A->'x' FROM S.T", 936},
      {"IS with a value", "SELECT A FROM S.T WHERE A IS 1", 908},
      {"IS NOT with a value", "SELECT A FROM S.T WHERE A IS NOT 1", 908},
      {"blob literal in a query", "SELECT x'41' FROM S.T", 923},
      {"blob literal in VALUES", "INSERT INTO S.T (A) VALUES (x'41')", 917},
      {"blob literal in a condition", "SELECT A FROM S.T WHERE A = X'41'", 933},
      {"text as an alias", "SELECT A 'alias' FROM S.T", 923},
      {"OID of a table without it", "SELECT OID FROM S.NOOID", 904},
      {"qualified OID of a table without it", "SELECT NOOID.OID FROM S.T, S.NOOID WHERE T.OID = 1", 904},
      {"quoted ROWID", "SELECT \"ROWID\" FROM S.T", 904},
      {"OID set on a table without it", "UPDATE S.NOOID SET OID = 5", 904},
      {"SQLite row id", "SELECT ROWID FROM S.T", 900},
      {"SQLite row id with underscores", "SELECT _ROWID_ FROM S.T", 911},
      {"SQLite function through a quoted name", "SELECT \"RANDOMBLOB\"(8) FROM S.T", 904},
      {"garbage after FOR UPDATE", "SELECT A FROM S.T FOR UPDATE GARBAGE 42 'x'", 933},
      {"garbage after FOR UPDATE NOWAIT", "SELECT A FROM S.T FOR UPDATE NOWAIT X", 933},
      {"FOR UPDATE WAIT without seconds", "SELECT A FROM S.T FOR UPDATE WAIT", 30005},
      {"FOR UPDATE OF nothing", "SELECT A FROM S.T FOR UPDATE OF", 904},
      {"ALTER SESSION garbage", "ALTER SESSION GARBAGE", 922},
      {"ALTER SESSION SET without value", "ALTER SESSION SET NLS_DATE_FORMAT =", 922},
      {"ALTER SESSION SET garbage", "ALTER SESSION SET NLS_DATE_FORMAT = 'x' GARBAGE", 922},
      {"parentheses nested too deep", "SELECT A FROM S.T WHERE " + std::string(60, '(') + "A = 1" + std::string(60, ')'), 900},
  };
  FakeContext ctx;
  for (const auto& c : cases) {
    Rewritten rw;
    Error err;
    EXPECT_FALSE(Rewrite(c.in, ctx, rw, err)) << c.name << ": " << Joined(rw.sql);
    EXPECT_EQ(err.code, c.code) << c.name << " -> " << err.message;
  }
}

TEST(RewriteTest, PackagesAndProceduresCompileOnlyWithTheDialectsTexts) {
  FakeContext ctx;
  Rewritten rw;
  Error err;
  const std::vector<std::pair<std::string, bool>> cases = {
      {testddl::Package("S"), true},
      {LockPackageText("S"), true},
      {"CREATE OR REPLACE PACKAGE S.KELVOX_PACKAGE AS garbage; END KELVOX_PACKAGE;", false},
      {"CREATE OR REPLACE PACKAGE S.OTHER AS\n    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n        INDEX BY "
       "BINARY_INTEGER;\nEND OTHER;", false},
      {"CREATE OR REPLACE PROCEDURE S.OTHER_PROC AS BEGIN NULL; END;", false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Rewrite(c.first, ctx, rw, err)) << err.message;
    EXPECT_EQ(rw.valid, c.second) << c.first;
  }
}

TEST(RewriteTest, NamesEncodeWithoutCollisions) {
  const std::vector<std::string> names = {"LC", "lc", "Lc", "^LC", "^L^C", "A~aux", "A^-AUX", "a\"b", "MY COL", "\xc3\xa9"};
  std::set<std::string> folded;
  for (const auto& n : names) {
    std::string enc = SqliteName(n);
    EXPECT_EQ(OracleName(enc), n);
    std::string f;
    for (char c : enc) f += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(folded.insert(f).second) << n << " collides as " << enc;
  }
  EXPECT_EQ(QuoteName("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(MainAlias("S"), "\"S\"");
  EXPECT_EQ(AuxAlias("S"), "\"S~aux\"");
  EXPECT_NE(AuxAlias("S"), MainAlias("S~AUX"));
}

TEST(RewriteTest, InterceptedStatementsCarryTheirArguments) {
  FakeContext ctx;
  Rewritten rw;
  Error err;
  ASSERT_TRUE(Rewrite("CREATE USER NEWDB IDENTIFIED BY Secret DEFAULT TABLESPACE USERS TEMPORARY TABLESPACE TEMP  PROFILE DEFAULT",
                      ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CreateUser);
  EXPECT_EQ(rw.args, (std::vector<std::string>{"NEWDB", "Secret"}));
  ASSERT_TRUE(Rewrite("ALTER USER NEWDB DEFAULT ROLE ALL", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::AlterUser);
  ASSERT_TRUE(Rewrite("GRANT DELETE, INSERT, SELECT, UPDATE ON S.LOCKS TO S_USER", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::Grant);
  EXPECT_EQ(rw.privileges, (std::vector<std::string>{"DELETE", "INSERT", "SELECT", "UPDATE"}));
  EXPECT_EQ(rw.owner, "S");
  EXPECT_EQ(rw.name, "LOCKS");
  EXPECT_EQ(rw.grantees, (std::vector<std::string>{"S_USER"}));
  ASSERT_TRUE(Rewrite("GRANT UNLIMITED TABLESPACE TO NEWDB", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.privileges, (std::vector<std::string>{"UNLIMITED TABLESPACE"}));
  EXPECT_TRUE(rw.name.empty());
  ASSERT_TRUE(Rewrite("CREATE ROLE S_USER NOT IDENTIFIED", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CreateRole);
  ASSERT_TRUE(Rewrite("DROP USER NEWDB CASCADE", ctx, rw, err)) << err.message;
  EXPECT_TRUE(rw.cascade);
  ASSERT_TRUE(Rewrite("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY'", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::AlterSession);
  ASSERT_TRUE(Rewrite("ROLLBACK TO TXN_LEVEL_2", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::RollbackTo);
  EXPECT_EQ(rw.args, (std::vector<std::string>{"TXN_LEVEL_2"}));
  ASSERT_TRUE(Rewrite("BEGIN S.ACQUIRE_LOCK( 17, :1, :oid_list, :lock_list ); END;", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CallAcquireLock);
  EXPECT_EQ(rw.owner, "S");
  EXPECT_EQ(rw.args, (std::vector<std::string>{"17", ":1", ":OID_LIST", ":LOCK_LIST"}));
  EXPECT_EQ(rw.placeholders, 3);
  ASSERT_TRUE(Rewrite("BEGIN ROG_CREATE_BASE('NEWDB', :1); END;", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CallSiteProcedure);
  // Names reach the server exactly as Oracle reads them, so that it can check them itself.
  ASSERT_TRUE(Rewrite("CREATE USER \"../victim\" IDENTIFIED BY \"pw\"", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.args, (std::vector<std::string>{"../victim", "pw"}));
  ASSERT_TRUE(Rewrite("DROP USER \"S.aux\" CASCADE", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.args, (std::vector<std::string>{"S.aux"}));
  ASSERT_TRUE(Rewrite("CREATE ROLE \"r;x\"", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.args, (std::vector<std::string>{"r;x"}));
  ASSERT_TRUE(Rewrite("GRANT SELECT ON S.\"lc\" TO \"catalog\", lower_case", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.name, "lc");
  EXPECT_EQ(rw.grantees, (std::vector<std::string>{"catalog", "LOWER_CASE"}));
  ASSERT_TRUE(Rewrite("SAVEPOINT \"a b\"", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.args, (std::vector<std::string>{"a b"}));
}

TEST(RewriteTest, LockProcedureIsValidOnlyWithItsOwnBody) {
  FakeContext ctx;
  Rewritten rw;
  Error err;
  ASSERT_TRUE(Rewrite(testddl::Procedure("S"), ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CreateProcedure);
  EXPECT_TRUE(rw.valid);
  std::string changed = testddl::Procedure("S");
  changed.replace(changed.find("aLockmode := 8196"), 17, "aLockmode := 4116");
  ASSERT_TRUE(Rewrite(changed, ctx, rw, err)) << err.message;
  EXPECT_FALSE(rw.valid);
  ASSERT_TRUE(Rewrite(testddl::Package("S"), ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.kind, StatementKind::CreatePackage);
}

TEST(RewriteTest, ClassificationAndPlaceholders) {
  EXPECT_EQ(StatementTypeOf(" /* x */ select 1 from dual"), 1);
  EXPECT_EQ(StatementTypeOf("UPDATE S.T SET A = 1"), 2);
  EXPECT_EQ(StatementTypeOf("DELETE FROM S.T"), 3);
  EXPECT_EQ(StatementTypeOf("INSERT INTO S.T VALUES (1)"), 4);
  EXPECT_EQ(StatementTypeOf("CREATE TABLE S.T (A NUMBER)"), 5);
  EXPECT_EQ(StatementTypeOf("DROP TABLE S.T"), 6);
  EXPECT_EQ(StatementTypeOf("ALTER TABLE S.T DROP (A)"), 7);
  EXPECT_EQ(StatementTypeOf("BEGIN X; END;"), 8);
  EXPECT_EQ(StatementTypeOf("SAVEPOINT A"), 0);
  EXPECT_EQ(PlaceholderNames("SELECT A FROM T WHERE A = :1 AND B = :x AND C = :1"),
            (std::vector<std::string>{"1", "X", "1"}));
  EXPECT_EQ(PlaceholderNames("BEGIN S.ACQUIRE_LOCK( 17, :1, :oid_list, :lock_list ); END;"),
            (std::vector<std::string>{"1", "OID_LIST", "LOCK_LIST"}));
  EXPECT_TRUE(PlaceholderNames(testddl::ReleaseTrigger("S")).empty());
}

TEST(RewriteTest, SingleTableQueriesAlsoDeliverTheRowId) {
  FakeContext ctx;
  Rewritten rw;
  Error err;
  ASSERT_TRUE(Rewrite("SELECT OID, CID, DATA FROM S.T WHERE OID = :1 FOR UPDATE", ctx, rw, err)) << err.message;
  EXPECT_EQ(rw.rowidSql, "SELECT \"OID\", \"CID\", \"DATA\", _ROWID_ FROM \"S\".\"T\" WHERE \"OID\" = ?1");
  ASSERT_TRUE(Rewrite("SELECT DISTINCT A FROM S.T", ctx, rw, err)) << err.message;
  EXPECT_TRUE(rw.rowidSql.empty());
  ASSERT_TRUE(Rewrite("SELECT A FROM S.T, S.U", ctx, rw, err)) << err.message;
  EXPECT_TRUE(rw.rowidSql.empty());
}
