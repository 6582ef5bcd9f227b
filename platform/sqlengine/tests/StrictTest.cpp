// Oracle's value semantics: column types that refuse what does not fit, operators and functions
// that answer as Oracle does, SQLite's user errors as Oracle errors, and functions at extreme arguments.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <limits>

#include "EngineFixture.h"

using namespace sqlengine;
using testengine::P;

namespace {

Param Real(double v) {
  Param p;
  p.value = Value::Real(v);
  return p;
}
Param Raw(const std::string& bytes) {
  Param p;
  p.value = Value::Blob(bytes);
  return p;
}

// The text form of a result value ("NULL" for NULL), numbers as Oracle writes them.
std::string Show(const Value& v) {
  switch (v.type) {
    case Value::Type::Null: return "NULL";
    case Value::Type::Integer: return OraIntegerText(v.integer);
    case Value::Type::Real: return OraNumberText(v.real);
    default: return v.bytes;
  }
}

class StrictTest : public testengine::ServerTest {
 protected:
  void SetUp() override {
    testengine::ServerTest::SetUp();
    s_ = Logon("S", "s");
    ASSERT_TRUE(s_);
    Run(*s_, "CREATE TABLE S.T ( K NUMBER (38), V VARCHAR2 (4), C CHAR (3), R RAW (2), N NUMBER, P NUMBER (5),"
             " Q NUMBER (5, 2), PRIMARY KEY ( K ) )");
    Run(*s_, "INSERT INTO S.T (K, V, N) VALUES (1, 'abcd', 7)");
    Run(*s_, "COMMIT");
  }
  // Runs one statement; answers the error code (0 on success) and the first value of a query.
  int32_t Try(const std::string& sql, const std::vector<Param>& params, std::string* first = nullptr,
              std::string* message = nullptr) {
    Error err;
    Outcome out;
    auto st = s_->Prepare(sql, err);
    if (st && st->Run(params, out, err)) {
      if (first && !out.result.rows.empty() && !out.result.rows[0].empty()) *first = Show(out.result.rows[0][0]);
      return 0;
    }
    if (message) *message = err.message;
    return err.code;
  }
  std::shared_ptr<Session> s_;
};

// What Oracle refuses or answers differently, through the engine: the expected ORA code (0: accepted),
// and for queries the expected first value.
TEST_F(StrictTest, ValuesTypesAndUserErrorsAsOracleHasThem) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* sql;
    std::vector<Param> params;
    int32_t code;
    const char* value;  // expected first value of a query, or nullptr
  };
  const Case cases[] = {
      // Declared lengths, by bytes as Oracle's default length semantics.
      {"INSERT INTO S.T (K, V) VALUES (2, 'abcd')", {}, 0, nullptr},
      {"INSERT INTO S.T (K, V) VALUES (2, 'abcde')", {}, 12899, nullptr},
      {"INSERT INTO S.T (K, V) VALUES (2, :1)", {P(std::string(100, 'x'))}, 12899, nullptr},
      {"INSERT INTO S.T (K, V) VALUES (2, '\xC3\xA4\xC3\xA4\xC3\xA4')", {}, 12899, nullptr},
      {"UPDATE S.T SET V = V || 'x' WHERE K = 1", {}, 12899, nullptr},
      {"INSERT INTO S.T (K, C) VALUES (2, 'abcd')", {}, 12899, nullptr},
      {"INSERT INTO S.T (K, R) VALUES (2, :1)", {Raw("\x01\x02\x03")}, 12899, nullptr},
      {"INSERT INTO S.T (K, R) VALUES (2, :1)", {Raw("\x01\x02")}, 0, nullptr},
      // Numbers.
      {"INSERT INTO S.T (K, N) VALUES (2, 'abc')", {}, 1722, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, :1)", {P("12x")}, 1722, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, :1)", {P(" 12 ")}, 0, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, 1e400)", {}, 1426, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, :1)", {Real(inf)}, 1426, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, :1)", {Real(-1e130)}, 1426, nullptr},
      {"INSERT INTO S.T (K, N) VALUES (2, :1)", {Raw("\x01")}, 932, nullptr},
      {"INSERT INTO S.T (K, P) VALUES (2, 1234567)", {}, 1438, nullptr},
      {"INSERT INTO S.T (K, P) VALUES (2, -99999)", {}, 0, nullptr},
      {"INSERT INTO S.T (K, P) VALUES (2, 99999.6)", {}, 1438, nullptr},
      {"INSERT INTO S.T (K, Q) VALUES (2, 999.994)", {}, 0, nullptr},
      {"INSERT INTO S.T (K, Q) VALUES (2, 1000)", {}, 1438, nullptr},
      {"UPDATE S.T SET P = 'x' WHERE K = 1", {}, 1722, nullptr},
      // Beyond the integers of the quick range test of NUMBER (38): the function decides.
      {"INSERT INTO S.T (K) VALUES (:1)", {Real(-1e37)}, 0, nullptr},
      {"INSERT INTO S.T (K) VALUES (:1)", {Real(1e38)}, 1438, nullptr},
      {"INSERT INTO S.T (K, P) VALUES (2, 99999)", {}, 0, nullptr},
      // Operators.
      {"SELECT 7/2 FROM DUAL", {}, 0, "3.5"},
      {"SELECT -7 / 2 FROM DUAL", {}, 0, "-3.5"},
      {"SELECT 6/3 FROM DUAL", {}, 0, "2"},
      {"SELECT 8/2/2 FROM DUAL", {}, 0, "2"},
      {"SELECT 2*3/4 + 1 FROM DUAL", {}, 0, "2.5"},
      {"SELECT 1 - 1/2 FROM DUAL", {}, 0, ".5"},
      {"SELECT N / (K + 1) FROM S.T", {}, 0, "3.5"},
      {"SELECT 1/0 FROM DUAL", {}, 1476, nullptr},
      {"SELECT K FROM S.T WHERE N / :1 > 1", {Real(0.0)}, 1476, nullptr},
      {"SELECT 'abc' / 2 FROM DUAL", {}, 1722, nullptr},
      {"SELECT 'a' || NULL FROM DUAL", {}, 0, "a"},
      {"SELECT NULL || 'a' || NULL FROM DUAL", {}, 0, "a"},
      {"SELECT NULL || NULL FROM DUAL", {}, 0, "NULL"},
      {"SELECT 'a' || '' FROM DUAL", {}, 0, "a"},
      {"SELECT 'x' || 1/2 FROM DUAL", {}, 0, "x.5"},
      {"SELECT 1 + 2 || 'x' FROM DUAL", {}, 0, "3x"},
      {"SELECT 'v' || V || :1 FROM S.T", {P("!")}, 0, "vabcd!"},
      {"SELECT SUBSTR('abc' || 'def', 2, 3) FROM DUAL", {}, 0, "bcd"},
      {"SELECT UPPER('a') || 'b' FROM DUAL", {}, 0, "Ab"},
      {"SELECT (1 || 2) / 3 FROM DUAL", {}, 0, "4"},
      {"SELECT - 4 / 2 * 3 FROM DUAL", {}, 0, "-6"},
      {"SELECT 2 * (7 / 2) FROM DUAL", {}, 0, "7"},
      {"SELECT 9 / 3 || 'x' || -1 FROM DUAL", {}, 0, "3x-1"},
      {"SELECT '1' || '2' + 1 FROM DUAL", {}, 0, "13"},
      {"SELECT 1 + '2' || '3' FROM DUAL", {}, 0, "33"},
      {"SELECT COUNT(*) / 2 FROM S.T", {}, 0, ".5"},
      {"SELECT COUNT(*) FROM S.T WHERE V || 'x' = 'abcdx'", {}, 0, "1"},
      // '' is NULL everywhere.
      {"SELECT COUNT(*) FROM S.T WHERE V <> ''", {}, 0, "0"},
      // Case folding by the database character set (AL32UTF8).
      {"SELECT UPPER('\xC3\xA4" "b\xC3\xA7\xCE\xB1') FROM DUAL", {}, 0, "\xC3\x84" "B\xC3\x87\xCE\x91"},
      {"SELECT LOWER('\xC3\x89\xC3\x96Z') FROM DUAL", {}, 0, "\xC3\xA9\xC3\xB6z"},
      {"SELECT COUNT(*) FROM S.T WHERE UPPER(V) = UPPER(:1)", {P("ABCD")}, 0, "1"},
      // LIKE ... ESCAPE.
      {"SELECT COUNT(*) FROM S.T WHERE 'a_c' LIKE 'a\\_c' ESCAPE '\\'", {}, 0, "1"},
      {"SELECT COUNT(*) FROM S.T WHERE 'abc' LIKE 'a\\_c' ESCAPE '\\'", {}, 0, "0"},
      {"SELECT COUNT(*) FROM S.T WHERE V LIKE '%c%' ESCAPE '\\'", {}, 0, "1"},
      {"SELECT COUNT(*) FROM S.T WHERE V LIKE 'a' ESCAPE 'xy'", {}, 1425, nullptr},
      {"SELECT COUNT(*) FROM S.T WHERE V LIKE 'a\\' ESCAPE '\\'", {}, 1424, nullptr},
      {"SELECT COUNT(*) FROM S.T WHERE V LIKE 'a\\b' ESCAPE '\\'", {}, 1424, nullptr},
      // SQLite's words for plain user errors, as Oracle errors.
      {"INSERT INTO S.T (K, NOPE) VALUES (2, 1)", {}, 904, nullptr},
      {"SELECT NOPE FROM S.T", {}, 904, nullptr},
      {"INSERT INTO S.T (K, V) VALUES (2, 'a', 'b')", {}, 913, nullptr},
      {"INSERT INTO S.T (K, V) VALUES (2)", {}, 947, nullptr},
      {"SELECT SUBSTR('abc', 1, 2, 3) FROM DUAL", {}, 909, nullptr},
      {"SELECT K FROM S.T WHERE COUNT(*) > 1", {}, 934, nullptr},
      {"SELECT K FROM S.T ORDER BY 5", {}, 1785, nullptr},
      {"SELECT K FROM S.T UNION ALL SELECT K, V FROM S.T", {}, 1789, nullptr},
  };
  for (const auto& c : cases) {
    std::string first = "(none)", message;
    int32_t code = Try(c.sql, c.params, &first, &message);
    EXPECT_EQ(code, c.code) << c.sql << ": " << message;
    if (code == 0 && c.value) {
      EXPECT_EQ(first, c.value) << c.sql;
    }
    if (code == 0 && !s_->InTransaction()) continue;
    Error err;
    s_->Rollback(err);
  }
  // The ORA-12899 text names the column and both lengths.
  std::string message;
  EXPECT_EQ(Try("INSERT INTO S.T (K, V) VALUES (3, :1)", {P(std::string(100, 'x'))}, nullptr, &message), 12899);
  EXPECT_NE(message.find("ORA-12899: value too large for column \"S\".\"T\".\"V\" (actual: 100, maximum: 4)"),
            std::string::npos)
      << message;
}

// The check functions in every form that stored constraints call: the longer forms are those of
// tables made by earlier versions.
TEST(StrictFunctions, CheckFunctionsInTheirShortAndLongForms) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  Error err;
  ASSERT_TRUE(RegisterFunctions(db, nullptr, err)) << err.message;
  // Answers "1" for an accepted value, else the error text.
  auto eval = [db](const std::string& expr) {
    sqlite3_stmt* st = nullptr;
    std::string r;
    if (sqlite3_prepare_v2(db, ("SELECT " + expr).c_str(), -1, &st, nullptr) != SQLITE_OK) return std::string("prepare");
    if (sqlite3_step(st) == SQLITE_ROW) r = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    else r = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    return r;
  };
  const std::pair<const char*, const char*> cases[] = {
      {"ORA_CHECK_LENGTH('abcd', 4, 'C')", "1"},
      {"ORA_CHECK_LENGTH('abcde', 4, 'C')", "ORA-12899"},
      {"ORA_CHECK_LENGTH(NULL, 4, 'C')", "1"},
      {"ORA_CHECK_LENGTH('abcde', 4, 'C', 'B')", "ORA-12899"},
      {"ORA_CHECK_LENGTH('414243', 2, 'C', 'R')", "ORA-12899"},
      {"ORA_CHECK_LENGTH('4142', 2, 'C', 'R')", "1"},
      {"ORA_CHECK_NUMBER(1e125)", "1"},
      {"ORA_CHECK_NUMBER(-1e126)", "ORA-01426"},
      {"ORA_CHECK_NUMBER('x')", "ORA-01722"},
      {"ORA_CHECK_NUMBER(NULL)", "1"},
      {"ORA_CHECK_NUMBER(99999, 5)", "1"},
      {"ORA_CHECK_NUMBER(100000, 5)", "ORA-01438"},
      {"ORA_CHECK_NUMBER(999.994, 5, 2)", "1"},
      {"ORA_CHECK_NUMBER(99999, 5, 0)", "1"},
      {"ORA_CHECK_NUMBER(100000, 5, 0)", "ORA-01438"},
      {"ORA_CHECK_NUMBER(100000, 5, 0, 'C')", "ORA-01438"},
      {"ORA_CHECK_NUMBER(7, 0, 0, 'C')", "1"},
  };
  for (const auto& [expr, expect] : cases) EXPECT_NE(eval(expr).find(expect), std::string::npos) << expr << ": " << eval(expr);
  sqlite3_close(db);
}

TEST_F(StrictTest, EmptyTextIsNullInUpdatesAndConditions) {
  Run(*s_, "UPDATE S.T SET V = '' WHERE K = 1");
  EXPECT_EQ(Count(*s_, "SELECT COUNT(*) FROM S.T WHERE V IS NULL"), 1);
  Run(*s_, "UPDATE S.T SET V = 'ab' || '' WHERE K = 1");
  EXPECT_EQ(Count(*s_, "SELECT COUNT(*) FROM S.T WHERE V = 'ab'"), 1);
}

TEST_F(StrictTest, ColumnChecksSurviveAlterTable) {
  Run(*s_, "ALTER TABLE S.T ADD ( W VARCHAR2 (2), M NUMBER (2) DEFAULT 0 NOT NULL )");
  EXPECT_EQ(Try("UPDATE S.T SET W = 'abc'", {}), 12899);
  EXPECT_EQ(Try("UPDATE S.T SET M = 100", {}), 1438);
  Run(*s_, "UPDATE S.T SET W = 'ab', M = 99");
  Run(*s_, "ALTER TABLE S.T DROP ( V )");
  EXPECT_EQ(Count(*s_, "SELECT M FROM S.T WHERE W = 'ab'"), 99);
  // The declared types stay readable for describing.
  Error err;
  auto st = s_->Prepare("SELECT W, M, P, Q FROM S.T", err);
  ASSERT_TRUE(st) << err.message;
  std::vector<ColumnInfo> cols;
  ASSERT_TRUE(st->Describe(cols, err)) << err.message;
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[0].dataType, 1);
  EXPECT_EQ(cols[0].dataSize, 2u);
  EXPECT_EQ(cols[1].dataType, 2);
  EXPECT_EQ(cols[3].declType.substr(0, 6), "NUMBER");
}

TEST_F(StrictTest, CaseFoldingFollowsTheDatabaseCharacterSet) {
  server_->SetCharacterSet("WE8ISO8859P1");
  auto latin = Logon("S", "s");
  ASSERT_TRUE(latin);
  Outcome out = Run(*latin, "SELECT UPPER('\xE9t\xE9'), LOWER('\xC9\xD7'), LOWER('\xC3\xA9') FROM DUAL");
  ASSERT_EQ(out.result.rows.size(), 1u);
  EXPECT_EQ(out.result.rows[0][0].bytes, "\xC9T\xC9");
  EXPECT_EQ(out.result.rows[0][1].bytes, "\xE9\xD7");  // the multiplication sign is no letter
  EXPECT_EQ(out.result.rows[0][2].bytes, "\xE3\xA9");  // two Latin-1 characters, not one UTF-8 one
  server_->SetCharacterSet("US7ASCII");
  auto ascii = Logon("S", "s");
  ASSERT_TRUE(ascii);
  out = Run(*ascii, "SELECT UPPER('a\xE9') FROM DUAL");
  ASSERT_EQ(out.result.rows.size(), 1u);
  EXPECT_EQ(out.result.rows[0][0].bytes, "A\xE9");
}

// Functions at extreme, negative, fractional, infinite and huge arguments: no overflow, no unbounded
// result, Oracle's answer or error.
TEST_F(StrictTest, FunctionsAtExtremeArguments) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::string big = std::to_string(std::numeric_limits<int64_t>::max());
  struct Case {
    std::string sql;
    std::vector<Param> params;
    int32_t code;
    std::string value;  // expected first value ("" = do not compare, "#n" = n bytes long)
    size_t maxBytes;    // upper bound of the result's length
  };
  const Case cases[] = {
      {"SELECT SUBSTR('abc', 2, " + big + ") FROM DUAL", {}, 0, "bc", 3},
      {"SELECT SUBSTR('abc', -" + big + ", 2) FROM DUAL", {}, 0, "NULL", 4},
      {"SELECT SUBSTR('abc', " + big + ") FROM DUAL", {}, 0, "NULL", 4},
      {"SELECT SUBSTR('abc', 1, :1) FROM DUAL", {Real(inf)}, 0, "abc", 3},
      {"SELECT SUBSTR('abc', :1, 1) FROM DUAL", {Real(-inf)}, 0, "NULL", 4},
      {"SELECT SUBSTR('abc', 1.9, 1.9) FROM DUAL", {}, 0, "a", 1},
      {"SELECT SUBSTR('abc', 'x') FROM DUAL", {}, 1722, "", 0},
      {"SELECT RPAD('a', 1000000000) FROM DUAL", {}, 0, "#4000", 4000},
      {"SELECT RPAD('a', " + big + ", 'xy') FROM DUAL", {}, 0, "", 4000},
      {"SELECT RPAD('a', :1) FROM DUAL", {Real(inf)}, 0, "#4000", 4000},
      {"SELECT RPAD('a', 1e400) FROM DUAL", {}, 1426, "", 0},
      {"SELECT RPAD('a', -5) FROM DUAL", {}, 0, "NULL", 4},
      {"SELECT RPAD('a', 3, '\xC3\xA9') FROM DUAL", {}, 0, "a\xC3\xA9\xC3\xA9", 5},
      {"SELECT RPAD('\xC3\xA4', 5000, 'b') FROM DUAL", {}, 0, "#4000", 4000},
      {"SELECT RPAD('\xC3\xA4', 5000, '\xE2\x82\xAC') FROM DUAL", {}, 0, "#3998", 4000},
      {"SELECT REPLACE(RPAD('a', 4000, 'a'), 'a', 'bb') FROM DUAL", {}, 1489, "", 0},
      {"SELECT REPLACE('abc', 'b', RPAD('x', 4000, 'x')) FROM DUAL", {}, 1489, "", 0},
      {"SELECT REPLACE('aaa', 'a', '') FROM DUAL", {}, 0, "NULL", 4},
      {"SELECT ROUND(1.25, " + big + ") FROM DUAL", {}, 0, "1.25", 4},
      {"SELECT ROUND(1.25, -" + big + ") FROM DUAL", {}, 0, "0", 1},
      {"SELECT ROUND(123, -2) FROM DUAL", {}, 0, "100", 3},
      {"SELECT TRUNC(1e125, 300) FROM DUAL", {}, 0, "", 200},
      {"SELECT TRUNC(:1) FROM DUAL", {Real(inf)}, 1426, "", 0},
      {"SELECT ROUND(2.5, :1) FROM DUAL", {Real(-inf)}, 0, "0", 1},
      {"SELECT TO_CHAR(:1, '999') FROM DUAL", {Real(inf)}, 1426, "", 0},
      {"SELECT TO_CHAR(:1, '999') FROM DUAL", {P("abc")}, 1722, "", 0},
      {"SELECT CHR(-1) FROM DUAL", {}, 1722, "", 0},
      {"SELECT CHR(" + big + ") FROM DUAL", {}, 1722, "", 0},
      {"SELECT CHR(65.7) FROM DUAL", {}, 0, "A", 1},
      {"SELECT ASCII('') FROM DUAL", {}, 0, "NULL", 4},
      {"SELECT 9223372036854775807 / -1 FROM DUAL", {}, 0, "-9223372036854775807", 20},
      {"SELECT -9223372036854775807 / 1e-200 FROM DUAL", {}, 1426, "", 0},
      {"SELECT UPPER(RPAD('\xC3\xA4', 100000, '\xC3\xA4')) FROM DUAL", {}, 0, "", 4000},
      {"SELECT 'a' || RPAD('x', 4000, 'x') FROM DUAL", {}, 1489, "", 0},
      {"SELECT TO_DATE(RPAD('1', 4000, '1'), 'YYYY') FROM DUAL", {}, -1, "", 4000},
      {"SELECT TO_DATE('2020', RPAD('Y', 4000, 'Y')) FROM DUAL", {}, -1, "", 4000},
      {"SELECT TO_DATE('99999999999999999999999', 'J') FROM DUAL", {}, 1854, "", 0},
      {"SELECT TO_DATE('-5', 'J') FROM DUAL", {}, 1858, "", 0},
      {"SELECT TO_DATE('99999999999999999999999', 'SSSSS') FROM DUAL", {}, 1853, "", 0},
      {"SELECT TO_DATE('99999999999999999999999', 'YYYY') FROM DUAL", {}, 1830, "", 0},
      {"SELECT TO_DATE('99999999999999999999999', 'DDD') FROM DUAL", {}, 1830, "", 0},
      {"SELECT TO_DATE('99999999999999999999999', 'RR') FROM DUAL", {}, 1830, "", 0},
      {"SELECT TO_DATE(9223372036854775807) FROM DUAL", {}, 1843, "", 0},
      {"SELECT TO_DATE(:1, 'J') FROM DUAL", {Real(1e300)}, 1830, "", 0},
      {"SELECT TO_CHAR(:1, '9999999999999999999999999999999999999999') FROM DUAL", {Real(1e125)}, 0, "#41", 41},
      {"SELECT TO_CHAR(:1, RPAD('9', 4000, '9')) FROM DUAL", {Real(-1e125)}, 1481, "", 0},
      {"SELECT TO_CHAR(:1, 'FM0.99999999999999999999999999') FROM DUAL", {Real(1e-130)}, 0, "", 40},
      {"SELECT TRUNC(TO_DATE('9999-12-31', 'YYYY-MM-DD'), 'YYYY') FROM DUAL", {}, 0, "9999-01-01 00:00:00", 19},
      {"SELECT ROUND(TO_DATE('9999-12-31 23:00:00', 'YYYY-MM-DD HH24:MI:SS')) FROM DUAL", {}, 1841, "", 0},
      {"SELECT ROUND(TO_DATE('9999-12-31', 'YYYY-MM-DD'), 'YYYY') FROM DUAL", {}, 1841, "", 0},
      {"SELECT TO_CHAR(TO_DATE('2020', 'YYYY'), RPAD('MONTH', 4000, 'MONTH')) FROM DUAL", {}, 1801, "", 0},
  };
  for (const auto& c : cases) {
    std::string first, message;
    int32_t code = Try(c.sql, c.params, &first, &message);
    if (c.code >= 0) {
      EXPECT_EQ(code, c.code) << c.sql << ": " << message;
    }
    if (code != 0) continue;
    if (!c.value.empty() && c.value[0] == '#') {
      EXPECT_EQ(first.size(), std::stoul(c.value.substr(1))) << c.sql;
    } else if (!c.value.empty()) {
      EXPECT_EQ(first, c.value) << c.sql;
    }
    EXPECT_LE(first.size(), c.maxBytes) << c.sql;
  }
}

// Oracle's reserved words are names only when quoted; a column added twice is Oracle's error.
TEST_F(StrictTest, ReservedWordsAsNamesAndColumnsAddedTwice) {
  struct Case {
    const char* sql;
    int32_t code;
  } cases[] = {
      {"CREATE TABLE S.SELECT ( A NUMBER )", 903},
      {"CREATE TABLE SELECT ( A NUMBER )", 903},
      {"CREATE TABLE ROWS.T2 ( A NUMBER )", 903},
      {"CREATE TABLE S.T2 ( DATE NUMBER )", 904},
      {"CREATE TABLE S.T2 ( A NUMBER, level NUMBER )", 904},
      {"CREATE TABLE S.\"SELECT\" ( \"DATE\" NUMBER, SIZES NUMBER )", 0},
      {"INSERT INTO S.\"SELECT\" ( \"DATE\" ) VALUES ( 1 )", 0},
      {"SELECT COUNT(*) FROM S.SELECT", 903},
      {"UPDATE S.TABLE SET A = 1", 903},
      {"CREATE INDEX S.INDEX ON S.T ( V )", 953},
      {"CREATE INDEX S.T_V ON S.UNIQUE ( V )", 903},
      {"ALTER TABLE S.T ADD ( NUMBER NUMBER )", 904},
      {"ALTER TABLE S.SET ADD ( X NUMBER )", 903},
      {"DROP TABLE S.VIEW", 903},
      {"CREATE USER SELECT IDENTIFIED BY x", 1935},
      {"ALTER TABLE S.T ADD ( V VARCHAR2 (5) )", 1430},
      {"ALTER TABLE S.T ADD ( X NUMBER, Y NUMBER, X NUMBER )", 957},
      {"ALTER TABLE S.T ADD ( X NUMBER, Y NUMBER )", 0},
      {"ALTER TABLE S.T ADD ( Y NUMBER )", 1430},
  };
  for (const auto& c : cases) {
    std::string message;
    EXPECT_EQ(Try(c.sql, {}, nullptr, &message), c.code) << c.sql << ": " << message;
  }
  EXPECT_EQ(Run(*s_, "SELECT * FROM S.T").result.columns.size(), 9u);  // the refused ADDs added nothing
}

// In DML a reserved word names a column only when quoted: where an expression starts Oracle finds
// none, where a column belongs no column; pseudo-columns and the words of conditions stay.
TEST_F(StrictTest, ReservedWordsAsColumnsAndViews) {
  Run(*s_, "CREATE TABLE S.Q ( \"ORDER\" NUMBER, \"LEVEL\" NUMBER )");
  struct Case {
    const char* sql;
    int32_t code;
  } cases[] = {
      {"SELECT ORDER FROM S.T", 936},
      {"SELECT K, SIZE FROM S.T", 936},
      {"SELECT DISTINCT MODE FROM S.T", 936},
      {"SELECT UPPER(OPTION) FROM S.T", 936},
      {"SELECT K FROM S.T WHERE ORDER = 1", 936},
      {"SELECT K FROM S.T WHERE K = 1 AND COMMENT IS NULL", 936},
      {"SELECT K FROM S.T WHERE K = FILE + 1", 936},
      {"SELECT K FROM S.T ORDER BY K, ROWS", 936},
      {"DELETE FROM S.T WHERE SESSION = 1", 936},
      {"SELECT T.ORDER FROM S.T", 1747},
      {"SELECT K FROM S.T WHERE S.T.SIZE = 1", 1747},
      {"INSERT INTO S.T ( K, SIZE ) VALUES ( 1, 2 )", 1747},
      {"INSERT INTO S.T ( LEVEL ) VALUES ( 1 )", 1747},
      {"UPDATE S.T SET LEVEL = 1", 1747},
      {"UPDATE S.T SET K = 1, SIZE = 2", 1747},
      {"SELECT K FROM S.T FOR UPDATE OF ACCESS", 1747},
      {"CREATE VIEW S.SELECT AS SELECT K FROM S.T", 903},
      {"CREATE VIEW ORDER AS SELECT K FROM S.T", 903},
      {"DROP VIEW S.VIEW", 903},
      {"INSERT INTO S.Q ( \"ORDER\", \"LEVEL\" ) VALUES ( 1, NULL )", 0},
      {"UPDATE S.Q SET \"LEVEL\" = 2, \"ORDER\" = 3 WHERE \"ORDER\" = 1", 0},
      {"SELECT Q.\"ORDER\", \"LEVEL\" FROM S.Q WHERE \"ORDER\" = 3 ORDER BY \"LEVEL\"", 0},
      {"SELECT COUNT(DISTINCT K) FROM S.T WHERE K IS NOT NULL AND K NOT BETWEEN 1 AND 2 AND V NOT LIKE 'x'"
       " AND K NOT IN ( 1 ) AND NOT EXISTS ( SELECT K FROM S.T WHERE K IN ( SELECT K FROM S.T ) )", 0},
      {"INSERT INTO S.T ( K ) SELECT K * 2 FROM S.T WHERE K IS NULL", 0},
      {"SELECT * FROM S.T WHERE ROWNUM < 2", 0},
      {"CREATE VIEW S.\"SELECT\" AS SELECT * FROM S.T", 0},
      {"DROP VIEW S.\"SELECT\"", 0},
  };
  for (const auto& c : cases) {
    std::string message;
    EXPECT_EQ(Try(c.sql, {}, nullptr, &message), c.code) << c.sql << ": " << message;
  }
}

}  // namespace
