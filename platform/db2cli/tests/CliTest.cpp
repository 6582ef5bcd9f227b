// Connections, binds, fetch arrays, diagnostics and the administrative calls of the CLI stand-in.
#include <cstdlib>

#include "Db2Fixture.h"

namespace db2test {
namespace {

TEST_F(Db2Test, ConnectRefusesUnknownDatabaseAndWrongPassword) {
  struct Case {
    const char* db;
    const char* user;
    const char* pw;
    SQLINTEGER native;
    const char* state;
  } cases[] = {
      {"NODB", "DB2ADMIN", "pw", -1013, "08001"},
      {"", "DB2ADMIN", "pw", -1013, "08001"},
      {"GWDB", "DB2ADMIN", "wrong", -1403, "08004"},
      {"GWDB", "NOBODY", "pw", -1403, "08004"},
  };
  for (const auto& c : cases) {
    SQLRETURN rc = SQL_SUCCESS;
    EXPECT_EQ(Connect(c.db, c.user, c.pw, &rc), SQL_NULL_HDBC);
    EXPECT_EQ(rc, SQL_ERROR);
    EXPECT_EQ(lastConnectDiag_.native, c.native) << c.db << "/" << c.user;
    EXPECT_EQ(lastConnectDiag_.state, c.state) << c.db << "/" << c.user;
  }
  // The database name is not case-sensitive.
  SQLHDBC h = Connect("gwdb");
  ASSERT_NE(h, SQL_NULL_HDBC);
  Disconnect(h);
}

TEST_F(Db2Test, VersionInfoAndConnectionIdInTheSqlca) {
  char ver[11] = {0};
  SQLSMALLINT len = 0;
  ASSERT_EQ(SQLGetInfo(dbc_, SQL_DBMS_VER, ver, sizeof ver, &len), SQL_SUCCESS);
  int major = 0, minor = 0, fix = 0;
  ASSERT_EQ(std::sscanf(ver, "%2d.%2d.%4d", &major, &minor, &fix), 3) << ver;
  EXPECT_EQ(major, 9);
  sqlengine::SetDb2ServerVersion("08.01.0000");
  ASSERT_EQ(SQLGetInfo(dbc_, SQL_DBMS_VER, ver, sizeof ver, &len), SQL_SUCCESS);
  EXPECT_STREQ(ver, "08.01.0000");

  // The connection id is the number after the fifth NUL of the message tokens; two connections differ.
  auto id = [&](SQLHDBC h) {
    struct sqlca ca;
    EXPECT_EQ(SQLGetSQLCA(env_, h, SQL_NULL_HSTMT, &ca), SQL_SUCCESS);
    int nuls = 0;
    size_t i = 0;
    while (i < sizeof ca.sqlerrmc && nuls < 5)
      if (ca.sqlerrmc[i++] == '\0') ++nuls;
    EXPECT_EQ(nuls, 5);
    return std::string(ca.sqlerrmc + i, strnlen(ca.sqlerrmc + i, sizeof ca.sqlerrmc - i));
  };
  SQLHDBC other = Connect();
  std::string a = id(dbc_), b = id(other);
  EXPECT_FALSE(a.empty());
  EXPECT_GT(std::atoi(a.c_str()), 0);
  EXPECT_NE(a, b);
  Disconnect(other);
}

TEST_F(Db2Test, DisconnectWithOpenWorkIsRefusedUntilRollback) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, PRIMARY KEY (ID))");
  Exec("INSERT INTO GWDB.T VALUES (1)");
  EXPECT_EQ(SQLDisconnect(dbc_), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_DBC, dbc_).state, "25000");
  EXPECT_EQ(SQLTransact(env_, dbc_, SQL_ROLLBACK), SQL_SUCCESS);
  EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.T"), std::vector<std::string>{"0"});
}

TEST_F(Db2Test, AutocommitOnCommitsEachStatement) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL)");
  ASSERT_EQ(SQLSetConnectOption(dbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON), SQL_SUCCESS);
  Exec("INSERT INTO GWDB.T VALUES (1)");
  ASSERT_EQ(SQLTransact(env_, dbc_, SQL_ROLLBACK), SQL_SUCCESS);
  EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.T"), std::vector<std::string>{"1"});
  EXPECT_EQ(SQLSetConnectOption(dbc_, 9999, 1), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_DBC, dbc_).state, "HY092");
}

// Column-wise arrays in and out: 4-byte indicators, -1 NULL, -3 NTS, a row-array fetch with its
// rows-fetched counter, and "no data" at the end.
TEST_F(Db2Test, ColumnWiseParameterArraysAndRowArrayFetch) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, NAME CHARACTER (10), AMOUNT DOUBLE, PRIMARY KEY (ID))");
  SQLHSTMT s = NewStmt();
  ASSERT_EQ(SQLPrepare(s, (SQLCHAR*)"INSERT INTO GWDB.T (ID, NAME, AMOUNT) VALUES (?, ?, ?)", SQL_NTS), SQL_SUCCESS);
  SQLINTEGER ids[3] = {1, 2, 3};
  char names[3][11] = {"one", "two-xx", ""};
  SQLLEN nameInd[3] = {SQL_NTS, 3, SQL_NULL_DATA};
  double amounts[3] = {1.5, -2.0, 1e10};
  SQLLEN amountInd[3] = {0, 0, 0};
  ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 4, 0, ids, 4, nullptr), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 10, 0, names, 11, nameInd), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 8, 0, amounts, 8, amountInd), SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, (SQLPOINTER)3, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLExecute(s), SQL_SUCCESS);
  SQLLEN count = 0;
  ASSERT_EQ(SQLRowCount(s, &count), SQL_SUCCESS);
  EXPECT_EQ(count, 3);
  SQLFreeHandle(SQL_HANDLE_STMT, s);

  s = NewStmt();
  ASSERT_EQ(SQLExecDirect(s, (SQLCHAR*)"SELECT ID, NAME, AMOUNT FROM GWDB.T ORDER BY ID", SQL_NTS), SQL_SUCCESS);
  SQLSMALLINT cols = 0;
  ASSERT_EQ(SQLNumResultCols(s, &cols), SQL_SUCCESS);
  EXPECT_EQ(cols, 3);
  SQLINTEGER outIds[2] = {0, 0};
  char outNames[2][11];
  SQLLEN outNameInd[2], outIdInd[2];
  double outAmounts[2];
  SQLUINTEGER fetched = 99;
  ASSERT_EQ(SQLBindCol(s, 1, SQL_C_LONG, outIds, 4, outIdInd), SQL_SUCCESS);
  ASSERT_EQ(SQLBindCol(s, 2, SQL_C_CHAR, outNames, 11, outNameInd), SQL_SUCCESS);
  ASSERT_EQ(SQLBindCol(s, 3, SQL_C_DOUBLE, outAmounts, 8, nullptr), SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)2, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(outIds[0], 1);
  EXPECT_EQ(outIds[1], 2);
  EXPECT_STREQ(outNames[0], "one       ");  // CHARACTER (10) comes padded with blanks
  EXPECT_STREQ(outNames[1], "two       ");
  EXPECT_EQ(outNameInd[1], 10);
  EXPECT_EQ(outAmounts[1], -2.0);
  ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(outIds[0], 3);
  EXPECT_EQ(outNameInd[0], SQL_NULL_DATA);
  EXPECT_EQ(outAmounts[0], 1e10);
  EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(SQLMoreResults(s), SQL_NO_DATA);
  EXPECT_EQ(SQLFetch(s), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_STMT, s).state, "24000");
  SQLFreeHandle(SQL_HANDLE_STMT, s);
}

TEST_F(Db2Test, TruncationGives01004AndAConversionFailureInARowGives01S01) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, NAME VARCHAR (20), PRIMARY KEY (ID))");
  Exec("INSERT INTO GWDB.T VALUES (1, 'abcdefgh')");
  Exec("INSERT INTO GWDB.T VALUES (2, '123')");
  Exec("INSERT INTO GWDB.T VALUES (3, '99999')");
  SQLHSTMT s = NewStmt();
  ASSERT_EQ(SQLExecDirect(s, (SQLCHAR*)"SELECT NAME, NAME FROM GWDB.T ORDER BY ID", SQL_NTS), SQL_SUCCESS);
  char text[3][5];
  SQLLEN textInd[3];
  SQLSMALLINT small[3];
  SQLLEN smallInd[3];
  SQLUSMALLINT status[3];
  SQLUINTEGER fetched = 0;
  SQLBindCol(s, 1, SQL_C_CHAR, text, 5, textInd);
  SQLBindCol(s, 2, SQL_C_SHORT, small, 2, smallInd);
  SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)3, 0);
  SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, status, 0);
  ASSERT_EQ(SQLFetch(s), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(fetched, 3u);
  EXPECT_STREQ(text[0], "abcd");
  EXPECT_EQ(textInd[0], 8);  // the full length
  EXPECT_EQ(small[1], 123);
  EXPECT_EQ(status[0], SQL_ROW_ERROR);   // 'abcdefgh' is no number
  EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
  EXPECT_EQ(status[2], SQL_ROW_ERROR);   // 99999 does not fit a SMALLINT
  std::vector<std::string> states;
  for (SQLSMALLINT r = 1; r < 10; ++r) {
    DiagRec d = Diag(SQL_HANDLE_STMT, s, r);
    if (d.state.empty()) break;
    states.push_back(d.state);
  }
  EXPECT_EQ(states, (std::vector<std::string>{"01S01", "22018", "22003", "01004"}));
  SQLFreeHandle(SQL_HANDLE_STMT, s);

  // One row at a time, a value that does not fit fails the fetch with its own state.
  s = NewStmt();
  ASSERT_EQ(SQLExecDirect(s, (SQLCHAR*)"SELECT NAME FROM GWDB.T WHERE ID = 3", SQL_NTS), SQL_SUCCESS);
  SQLBindCol(s, 1, SQL_C_SHORT, small, 2, smallInd);
  EXPECT_EQ(SQLFetch(s), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_STMT, s).state, "22003");
  SQLFreeHandle(SQL_HANDLE_STMT, s);
}

TEST_F(Db2Test, UnsignedParametersBeyondTheirSqlTypeAreRefusedAndUnsignedColumnsRefuseNegatives) {
  Exec("CREATE TABLE GWDB.U (ID INTEGER NOT NULL, N INTEGER, B BIGINT, PRIMARY KEY (ID))");
  SQLHSTMT s = NewStmt();
  ASSERT_EQ(SQLPrepare(s, (SQLCHAR*)"INSERT INTO GWDB.U VALUES (?, ?, ?)", SQL_NTS), SQL_SUCCESS);
  SQLUINTEGER id = 0, n = 0, b = 0;
  SQLLEN ind = 4;
  ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_ULONG, SQL_INTEGER, 0, 0, &id, 0, &ind), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_ULONG, SQL_INTEGER, 0, 0, &n, 0, &ind), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_ULONG, SQL_BIGINT, 0, 0, &b, 0, &ind), SQL_SUCCESS);
  id = 1, n = 2147483647u, b = 4294967295u;
  EXPECT_EQ(SQLExecute(s), SQL_SUCCESS) << Diag(SQL_HANDLE_STMT, s).text;
  id = 2, n = 2147483648u;   // an INTEGER cannot hold it: refused, nothing stored
  EXPECT_EQ(SQLExecute(s), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_STMT, s).state, "22003");
  SQLFreeHandle(SQL_HANDLE_STMT, s);
  Exec("INSERT INTO GWDB.U VALUES (3, -1, 0)");
  EXPECT_EQ(Column("SELECT ID FROM GWDB.U ORDER BY ID"), (std::vector<std::string>{"1", "3"}));

  // Fetched as unsigned: a value within 0 .. 2^32 - 1 comes as it is, a negative one fails its row.
  s = NewStmt();
  ASSERT_EQ(SQLExecDirect(s, (SQLCHAR*)"SELECT B, N FROM GWDB.U ORDER BY ID", SQL_NTS), SQL_SUCCESS);
  SQLUINTEGER values[2] = {};
  SQLLEN valueInd = 0;
  SQLBindCol(s, 1, SQL_C_ULONG, &values[0], 4, &valueInd);
  SQLBindCol(s, 2, SQL_C_ULONG, &values[1], 4, &valueInd);
  ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
  EXPECT_EQ(values[0], 4294967295u);
  EXPECT_EQ(values[1], 2147483647u);
  EXPECT_EQ(SQLFetch(s), SQL_ERROR);
  EXPECT_EQ(Diag(SQL_HANDLE_STMT, s).state, "22003");
  SQLFreeHandle(SQL_HANDLE_STMT, s);
}

TEST_F(Db2Test, RowCountsAndNoDataOfSearchedChanges) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, V SMALLINT WITH DEFAULT 7)");
  Exec("INSERT INTO GWDB.T (ID) VALUES (1)");
  Exec("INSERT INTO GWDB.T (ID) VALUES (2)");
  SQLHSTMT s = NewStmt();
  EXPECT_EQ(SQLExecDirect(s, (SQLCHAR*)"UPDATE GWDB.T SET V = 8 WHERE ID > 0", SQL_NTS), SQL_SUCCESS);
  SQLLEN n = 0;
  SQLRowCount(s, &n);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(SQLExecDirect(s, (SQLCHAR*)"DELETE FROM GWDB.T WHERE ID = 5", SQL_NTS), SQL_NO_DATA);
  SQLRowCount(s, &n);
  EXPECT_EQ(n, 0);
  SQLFreeHandle(SQL_HANDLE_STMT, s);
  EXPECT_EQ(Column("SELECT V FROM GWDB.T ORDER BY ID"), (std::vector<std::string>{"8", "8"}));
}

TEST_F(Db2Test, ErrorsCarryDb2CodesAndStates) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, NAME CHARACTER (4), PRIMARY KEY (ID))");
  Exec("INSERT INTO GWDB.T VALUES (1, 'a')");
  struct Case {
    const char* sql;
    SQLINTEGER native;
    const char* state;
  } cases[] = {
      {"INSERT INTO GWDB.T VALUES (1, 'b')", -803, "23505"},
      {"INSERT INTO GWDB.T (NAME) VALUES ('b')", -407, "23502"},
      {"SELECT * FROM GWDB.NOPE", -204, "42704"},
      {"SELECT NOPE FROM GWDB.T", -206, "42703"},
      {"INSERT INTO GWDB.T VALUES (2, 'toolong')", -302, "22001"},
      {"CREATE TABLE GWDB.T (ID INTEGER)", -601, "42710"},
      {"SELEC * FROM GWDB.T", -104, "42601"},
      {"SELECT * FROM GWDB.T FETCH FIRST 1 ROWS ONLY", -104, "42601"},
      {"CREATE TABLE GWDB.U (A NUMBER (5))", -104, "42601"},
      {"CREATE TABLE GWDB.U (A LONGVARGRAPHIC (5))", -104, "42601"},
      {"SELECT UNKNOWN_FN(ID) FROM GWDB.T", -440, "42884"},
      {"ROLLBACK TO SAVEPOINT NEVER", -880, "3B001"},
      {"SAVEPOINT S1", -104, "42601"},
      {"ROLLBACK TO S1", -104, "42601"},
      {"RELEASE S1", -104, "42601"},
  };
  for (const auto& c : cases) {
    DiagRec d;
    EXPECT_EQ(Run(c.sql, &d), SQL_ERROR) << c.sql;
    EXPECT_EQ(d.native, c.native) << c.sql << ": " << d.text;
    EXPECT_EQ(d.state, c.state) << c.sql << ": " << d.text;
  }
}

TEST_F(Db2Test, SavepointFormsKeepAndUndoWork) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL)");
  Exec("INSERT INTO GWDB.T VALUES (1)");
  Exec("SAVEPOINT COMPOUND_SAVEPOINT UNIQUE ON ROLLBACK RETAIN CURSORS");
  Exec("INSERT INTO GWDB.T VALUES (2)");
  DiagRec d;
  EXPECT_EQ(Run("SAVEPOINT COMPOUND_SAVEPOINT UNIQUE ON ROLLBACK RETAIN CURSORS", &d), SQL_ERROR);
  EXPECT_EQ(d.native, -881);
  // DB2 knows only ROLLBACK TO SAVEPOINT name.
  EXPECT_EQ(Run("ROLLBACK TO COMPOUND_SAVEPOINT", &d), SQL_ERROR);
  EXPECT_EQ(d.native, -104);
  Exec("ROLLBACK TO SAVEPOINT COMPOUND_SAVEPOINT");
  EXPECT_EQ(Column("SELECT ID FROM GWDB.T"), std::vector<std::string>{"1"});
  Exec("RELEASE SAVEPOINT COMPOUND_SAVEPOINT");
  EXPECT_EQ(Run("ROLLBACK TO SAVEPOINT COMPOUND_SAVEPOINT", &d), SQL_ERROR);
  EXPECT_EQ(d.state, "3B001");
  Exec("SAVEPOINT COMPOUND_SAVEPOINT UNIQUE ON ROLLBACK RETAIN CURSORS");
  Exec("INSERT INTO GWDB.T VALUES (3)");
  Exec("RELEASE SAVEPOINT COMPOUND_SAVEPOINT");
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_SUCCESS);
  EXPECT_EQ(Column("SELECT ID FROM GWDB.T ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(Db2Test, DiagnosticsAreClearedByTheNextCallAndInjectedFailuresAnswerFirst) {
  SQLHSTMT s = NewStmt();
  EXPECT_EQ(SQLExecDirect(s, (SQLCHAR*)"SELECT * FROM GWDB.NOPE", SQL_NTS), SQL_ERROR);
  SQLCHAR state[6];
  SQLINTEGER native = 0;
  SQLCHAR small[8];
  SQLSMALLINT len = 0;
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s, 1, state, &native, small, sizeof small, &len), SQL_SUCCESS_WITH_INFO);
  EXPECT_GT(len, 7);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(small)), 7u);
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s, 2, state, &native, small, sizeof small, &len), SQL_NO_DATA);
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_DBC, s, 1, state, &native, small, sizeof small, &len), SQL_INVALID_HANDLE);
  EXPECT_EQ(SQLExecDirect(s, (SQLCHAR*)"VALUES 1", SQL_NTS), SQL_ERROR);
  sqlengine::Engine::Instance().InjectFailure("SQLExecDirect", 911);
  DiagRec d;
  EXPECT_EQ(Run("CREATE TABLE GWDB.T (ID INTEGER)", &d), SQL_ERROR);
  EXPECT_EQ(d.native, -911);
  EXPECT_EQ(d.state, "40001");
  Exec("CREATE TABLE GWDB.T (ID INTEGER)");
  EXPECT_EQ(Run("CREATE TABLE GWDB.T (ID INTEGER)", &d), SQL_ERROR);  // the table exists now
  EXPECT_EQ(d.native, -601);
  SQLFreeHandle(SQL_HANDLE_STMT, s);
  EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, s), SQL_INVALID_HANDLE);
}

TEST_F(Db2Test, AdministrativeCallsAttachCreateAndExplain) {
  struct sqlca ca;
  sqleatin("gwdb", "DB2ADMIN", "pw", &ca);
  EXPECT_EQ(ca.sqlcode, 0);
  sqleatin("NONODE", "DB2ADMIN", "pw", &ca);
  EXPECT_EQ(ca.sqlcode, -1097);
  sqleatin("GWDB", "DB2ADMIN", "bad", &ca);
  EXPECT_EQ(ca.sqlcode, -30082);

  sqlengine::Error e;
  ASSERT_TRUE(sqlengine::Engine::Instance().RegisterServer("NEWDB", dir_ + "/newdb", &e)) << e.message;
  ASSERT_TRUE(sqlengine::Engine::Instance().FindServer("NEWDB")->AddUser("DB2ADMIN", "pw", true, &e));
  struct sqledbdesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::memcpy(desc.sqldbdid, SQLE_DBDESC_2, 8);
  std::strcpy(desc.sqldbcmt, "Created by tests");
  struct sqledbterritoryinfo terr;
  std::strcpy(terr.sqldbcodeset, "1252");
  std::strcpy(terr.sqldblocale, "US");
  sqlecrea("NEWDB", "NEWDB", "", &desc, &terr, '\0', nullptr, &ca);
  EXPECT_EQ(ca.sqlcode, 0);
  SQLHDBC h = Connect("NEWDB");
  ASSERT_NE(h, SQL_NULL_HDBC);
  Disconnect(h);
  sqlecrea("NEWDB", "NEWDB", "", &desc, &terr, '\0', nullptr, &ca);
  EXPECT_EQ(ca.sqlcode, -1005);
  char text[1025];
  ASSERT_GT(sqlaintp(text, sizeof text, 80, "db2sql.mo", &ca), 0);
  EXPECT_NE(std::string(text).find("SQL1005N"), std::string::npos) << text;
  EXPECT_NE(std::string(text).find("NEWDB"), std::string::npos) << text;
  ca.sqlcode = -4242;
  EXPECT_LT(sqlaintp(text, sizeof text, 80, "db2sql.mo", &ca), 0);
  sqlengine::Engine::Instance().UnregisterServer("NEWDB");
}

}  // namespace
}  // namespace db2test
