// The DB2 statement shapes the adapter generates, executed on the engine and read back.
#include "Db2Fixture.h"

namespace db2test {
namespace {

// The gateway's lock tables and triggers, as the DB2 dialect writes them (the lock trigger in its
// EXISTS form, the trigger's INSERT naming its columns).
const char* kLocks[] = {
    "CREATE TABLE GWDB.LOCKS (\n OID INTEGER not null,\n LOCKMODE SMALLINT not null,\n CLIENTID INTEGER not null with DEFAULT 1,\n"
    " PRIMARY KEY ( OID, LOCKMODE, CLIENTID) )",
    "CREATE TRIGGER GWDB.ACQUIRE_LOCK\n AFTER INSERT ON GWDB.LOCKS\n REFERENCING NEW AS N\n FOR EACH ROW MODE DB2SQL\n"
    " WHEN (EXISTS ( SELECT 1 FROM GWDB.LOCKS P WHERE N.OID = P.OID AND N.CLIENTID != P.CLIENTID AND P.LOCKMODE >=\n"
    " CASE N.LOCKMODE WHEN 1142 THEN 8196\n WHEN 2100 THEN 4116\n WHEN 4116 THEN 2100\n ELSE 0 END))\n"
    " SIGNAL SQLSTATE 'KX041' ('ERR_KX_OBJECT_LOCKED')",
    "CREATE TABLE GWDB.ACTIVECLIENTS (\n CLIENTID INTEGER not null,\n USERID CHARACTER(128) not null WITH DEFAULT USER,\n"
    " CLIENT_NAME CHARACTER(64),\n CONNECTION_ID INTEGER not null WITH DEFAULT 0,\n OPEN_MODE CHARACTER(64),\n"
    " PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )",
    "CREATE TRIGGER GWDB.RELEASE_LOCK\n AFTER DELETE ON GWDB.ACTIVECLIENTS\n REFERENCING OLD AS OLD\n FOR EACH ROW MODE DB2SQL\n"
    " DELETE FROM GWDB.LOCKS WHERE CLIENTID = OLD.CLIENTID AND\n (OLD.CLIENTID = OLD.CONNECTION_ID OR OLD.CONNECTION_ID = 0)",
};

TEST_F(Db2Test, LockTablesTriggersAndTheConflictState) {
  for (const char* sql : kLocks) Exec(sql);
  Exec("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (1, 'a', 1, 'LOCAL')");
  Exec("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (2, 'b', 2, 'DEFAULT')");
  EXPECT_EQ(Column("SELECT RTRIM(USERID) FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = 1"), std::vector<std::string>{"DB2ADMIN"});
  Exec("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (10, 2100, 1)");
  Exec("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (10, 2100, 2)");  // two shared locks
  Exec("INSERT INTO GWDB.LOCKS (OID, LOCKMODE) VALUES (11, 8196)");              // CLIENTID defaults to 1
  DiagRec d;
  EXPECT_EQ(Run("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (10, 4116, 2)", &d), SQL_ERROR);
  EXPECT_EQ(d.state, "KX041");
  EXPECT_EQ(d.native, -438);
  EXPECT_NE(d.text.find("ERR_KX_OBJECT_LOCKED"), std::string::npos) << d.text;
  EXPECT_EQ(Run("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (11, 1142, 2)", &d), SQL_ERROR);
  EXPECT_EQ(d.state, "KX041");
  EXPECT_EQ(Run("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (11, 5, 2)", &d), SQL_ERROR);  // against every lock
  EXPECT_EQ(d.state, "KX041");
  Exec("INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (11, 5, 1)");  // a client's own locks never conflict
  // Deleting a client releases its locks.
  Exec("DELETE FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = 1");
  EXPECT_EQ(Column("SELECT CLIENTID FROM GWDB.LOCKS ORDER BY OID"), std::vector<std::string>{"2"});
  EXPECT_EQ(Column("SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'GWDB' AND TABNAME = 'LOCKS'"),
            std::vector<std::string>{"1"});
}

// A class table with every column type the type handlers name, its index, view, an ALTER with
// several columns, version triggers, and queries with the dialect's functions.
TEST_F(Db2Test, ClassTableShapesRunAndReadBack) {
  const char* ddl[] = {
      "CREATE TABLE GWDB.KXC12 \n( OID INTEGER  DEFAULT 0 not null,\n CID SMALLINT  DEFAULT 0,\n NAME CHARACTER (20),\n"
      " V VARCHAR (40),\n LV LONG VARCHAR,\n D DOUBLE  DEFAULT 0,\n F FLOAT  DEFAULT 0,\n DT DATE,\n TM TIME,\n TS TIMESTAMP,\n"
      " B BLOB (100 M),\n BI BIGINT  DEFAULT 0,\n RC CHARACTER  (8) FOR BIT DATA,\n RV VARCHAR (8) FOR BIT DATA,\n"
      " G GRAPHIC (4),\n VG VARGRAPHIC (4),\n PRIMARY KEY ( OID ) )",
      "CREATE TABLE GWDB.KXC11 \n( OID INTEGER  DEFAULT 0 not null,\n CID SMALLINT  DEFAULT 0,\n NAME CHARACTER (20),\n"
      "PRIMARY KEY ( OID ) )",
      "CREATE UNIQUE INDEX GWDB.KXI12 ON GWDB.KXC12 ( NAME ASC, OID DESC )",
      "CREATE VIEW GWDB.KXV12 ( OID, NAME ) AS \nSELECT OID, NAME \nFROM GWDB.KXC12",
      "ALTER TABLE GWDB.KXC12 \nADD COLUMN X1 INTEGER  DEFAULT 0\n ADD COLUMN X2 CHARACTER (5)",
      "CREATE TRIGGER GWDB.KXC1212INS AFTER INSERT ON GWDB.KXC12 \nREFERENCING NEW AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
      "INSERT INTO GWDB.KXC11 ( OID, CID, NAME ) VALUES ( N.OID, N.CID, N.NAME );\nEND",
      "CREATE TRIGGER GWDB.KXC1212UPD AFTER UPDATE ON GWDB.KXC12 \nREFERENCING NEW AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
      "UPDATE GWDB.KXC11 SET NAME = N.NAME WHERE OID = N.OID;\nEND",
      "CREATE TRIGGER GWDB.KXC1212DEL AFTER DELETE ON GWDB.KXC12 \nREFERENCING OLD AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
      "DELETE FROM GWDB.KXC11 WHERE OID = N.OID;\nEND",
  };
  for (const char* sql : ddl) Exec(sql);

  SQLHSTMT s = NewStmt();
  ASSERT_EQ(SQLPrepare(s, (SQLCHAR*)"INSERT INTO GWDB.KXC12 ( OID, CID, NAME, V, DT, TM, TS, B, BI ) \nVALUES ( ?, ?, ?, ?, ?, ?, ?, ?, ? )", SQL_NTS),
            SQL_SUCCESS);
  SQLINTEGER oid = 7;
  SQLSMALLINT cid = 12;
  char name[21] = "Name ";
  char v[41] = "42";
  DATE_STRUCT dt{2024, 2, 29};
  TIME_STRUCT tm{13, 5, 7};
  TIMESTAMP_STRUCT ts{2024, 2, 29, 13, 5, 7, 0};
  unsigned char blob[14] = {10, 0, 0, 0, 'b', 'l', 'o', 'b', 0, 1, 2, 3, 4, 5};
  SQLLEN blobInd = 14;
  SQLBIGINT big = 5000000000LL;
  SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 4, 0, &oid, 4, nullptr);
  SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_SHORT, SQL_SMALLINT, 2, 0, &cid, 2, nullptr);
  SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 20, 0, name, 21, nullptr);
  SQLBindParameter(s, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0, v, 41, nullptr);
  SQLBindParameter(s, 5, SQL_PARAM_INPUT, SQL_C_DATE, SQL_DATE, 6, 0, &dt, 6, nullptr);
  SQLBindParameter(s, 6, SQL_PARAM_INPUT, SQL_C_TIME, SQL_TIME, 6, 0, &tm, 6, nullptr);
  SQLBindParameter(s, 7, SQL_PARAM_INPUT, SQL_C_TIMESTAMP, SQL_TIMESTAMP, 16, 0, &ts, 16, nullptr);
  SQLBindParameter(s, 8, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_BLOB, 32000, 0, blob, 32000, &blobInd);
  SQLBindParameter(s, 9, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 8, 0, &big, 8, nullptr);
  ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << Diag(SQL_HANDLE_STMT, s).text;
  SQLFreeHandle(SQL_HANDLE_STMT, s);
  Exec("UPDATE GWDB.KXC12 \nSET NAME = 'Renamed' \nWHERE OID = 7");
  EXPECT_EQ(Column("SELECT NAME FROM GWDB.KXC11"), std::vector<std::string>{"Renamed             "});  // CHARACTER (20)

  // Values read back through the C types of the type handlers.
  s = NewStmt();
  ASSERT_EQ(SQLExecDirect(s, (SQLCHAR*)"\nSELECT DT, TM, TS, B, BI, X1 \nFROM GWDB.KXC12 \nWHERE OID = 7", SQL_NTS), SQL_SUCCESS);
  DATE_STRUCT odt{};
  TIME_STRUCT otm{};
  TIMESTAMP_STRUCT ots{};
  unsigned char oblob[32];
  SQLLEN oblobInd = 0;
  SQLBIGINT obig = 0;
  SQLINTEGER x1 = -1;
  SQLBindCol(s, 1, SQL_C_DATE, &odt, 6, nullptr);
  SQLBindCol(s, 2, SQL_C_TIME, &otm, 6, nullptr);
  SQLBindCol(s, 3, SQL_C_TIMESTAMP, &ots, 16, nullptr);
  SQLBindCol(s, 4, SQL_C_BINARY, oblob, sizeof oblob, &oblobInd);
  SQLBindCol(s, 5, SQL_C_SBIGINT, &obig, 8, nullptr);
  SQLBindCol(s, 6, SQL_C_LONG, &x1, 4, nullptr);
  ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << Diag(SQL_HANDLE_STMT, s).text;
  EXPECT_EQ(odt.year, 2024);
  EXPECT_EQ(odt.day, 29);
  EXPECT_EQ(otm.minute, 5);
  EXPECT_EQ(otm.second, 7);
  EXPECT_EQ(ots.hour, 13);
  EXPECT_EQ(oblobInd, 14);
  EXPECT_EQ(std::memcmp(oblob, blob, 14), 0);
  EXPECT_EQ(obig, 5000000000LL);
  EXPECT_EQ(x1, 0);
  SQLFreeHandle(SQL_HANDLE_STMT, s);

  struct Case {
    const char* sql;
    std::vector<std::string> rows;
  } cases[] = {
      {"SELECT INT(V) + 1 FROM GWDB.KXC12", {"43"}},
      {"SELECT DOUBLE(V) / 4 FROM GWDB.KXC12", {"10.5"}},
      {"SELECT CHAR(CID) FROM GWDB.KXC12", {"12"}},
      {"SELECT CHAR(DT, ISO) FROM GWDB.KXC12", {"2024-02-29"}},
      {"SELECT CHAR(DT, USA) FROM GWDB.KXC12", {"02/29/2024"}},
      {"SELECT CHAR(DT, EUR) FROM GWDB.KXC12", {"29.02.2024"}},
      {"SELECT VARCHAR(NAME) FROM GWDB.KXC12", {"Renamed"}},
      {"SELECT CHAR(DATE(TS), ISO) FROM GWDB.KXC12", {"2024-02-29"}},
      {"SELECT TIME(TS) FROM GWDB.KXC12", {"13:05:07"}},
      {"SELECT CHAR(DATE('2024-03-01'), ISO) FROM GWDB.KXC12", {"2024-03-01"}},
      {"SELECT CHAR(TIMESTAMP(DT), ISO) FROM GWDB.KXC12", {"2024-02-29"}},
      {"SELECT DAYS(DT) - DAYS('2024-01-01') FROM GWDB.KXC12", {"59"}},
      {"SELECT DAYS('0001-01-01') FROM GWDB.KXC12", {"1"}},
      {"SELECT MIDNIGHT_SECONDS(TM) FROM GWDB.KXC12", {"47107"}},
      {"SELECT CHAR(V, 3) || '|' FROM GWDB.KXC12", {"42 |"}},
      {"SELECT SUBSTR(CHAR(CID),1,1) FROM GWDB.KXC12", {"1"}},
      {"SELECT CHAR(TIMESTAMP('01/01/0001',TM), ISO) FROM GWDB.KXC12", {"0001-01-01"}},
      {"SELECT MIDNIGHT_SECONDS(TIMESTAMP(DATE(CID), '00:00:05')) FROM GWDB.KXC12", {"5"}},
      {"SELECT CHAR(DATE(CID), ISO) FROM GWDB.KXC12", {"0001-01-12"}},
      {"SELECT CHR(INT(SUBSTR(V, 1, 1))) || VARCHAR(RTRIM(NAME), 3) FROM GWDB.KXC12", {"\x04Ren"}},
      {"SELECT LCASE ( CHAR (NAME )) FROM GWDB.KXC12", {"renamed"}},
      {"SELECT RTRIM ( LCASE ( CHAR (NAME )) ) FROM GWDB.KXC12", {"renamed"}},
      {"SELECT REPLACE ( CHAR(NAME), 'e', '') FROM GWDB.KXC12", {"Rnamd"}},
      {"SELECT CHR(65) || CHAR(ASCII('B')) FROM GWDB.KXC12", {"A66"}},
      {"SELECT RTRIM(NAME) FROM GWDB.KXV12", {"Renamed"}},
      {"\nSELECT OID \nFROM GWDB.KXC12 \nWHERE CID = 12 \nUNION DISTINCT\nSELECT OID \nFROM GWDB.KXC11", {"7"}},
      {"SELECT INDNAME, TABNAME FROM SYSCAT.INDEXES WHERE INDSCHEMA = 'GWDB' AND INDNAME = 'KXI12'", {"KXI12"}},
      {"SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'GWDB' AND TABNAME = 'KXC12'", {"1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Column(c.sql), c.rows) << c.sql;

  Exec("DELETE FROM GWDB.KXC12 WHERE OID = 7");
  EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.KXC11"), std::vector<std::string>{"0"});
  Exec("DROP TRIGGER GWDB.KXC1212INS");
  Exec("DROP VIEW GWDB.KXV12");
  Exec("DROP INDEX GWDB.KXI12");
  Exec("DROP TABLE GWDB.KXC12");
}

// Words Oracle reserves are names to DB2.
TEST_F(Db2Test, KeywordsAreNames) {
  Exec("CREATE TABLE GWDB.SELECT (DATE INTEGER NOT NULL, LEVEL CHARACTER (4))");
  Exec("ALTER TABLE GWDB.SELECT ADD COLUMN SIZE INTEGER");
  Exec("INSERT INTO GWDB.SELECT (DATE, LEVEL, SIZE) VALUES (1, 'a', 2)");
  EXPECT_EQ(Column("SELECT T0.SIZE FROM GWDB.SELECT T0 WHERE T0.DATE = 1"), std::vector<std::string>{"2"});
  Exec("DROP TABLE GWDB.SELECT");
}

// What DB2 refuses, the engine refuses with DB2's codes.
TEST_F(Db2Test, ShapesDb2RefusesAreRefused) {
  Exec("CREATE TABLE GWDB.T (ID INTEGER NOT NULL, NAME CHARACTER (4))");
  struct Case {
    const char* sql;
    SQLINTEGER native;
    const char* state;
  } cases[] = {
      {"CREATE TABLE GWDB.U (A VARCHAR)", -104, "42601"},                      // VARCHAR needs a length
      {"CREATE TABLE GWDB.U (A CHARACTER (255))", -604, "42611"},              // beyond CHAR's 254
      {"CREATE TABLE GWDB.U (A VARCHAR2 (5))", -104, "42601"},                 // Oracle's type
      {"CREATE TABLE GWDB.U (A BLOB (0))", -604, "42611"},
      {"ALTER TABLE GWDB.T ADD COLUMN X INTEGER NOT NULL", -193, "42601"},     // NOT NULL needs a default
      {"ALTER TABLE GWDB.T ADD (X INTEGER)", -104, "42601"},                   // Oracle's form
      {"CREATE TRIGGER GWDB.TR AFTER INSERT ON GWDB.T FOR EACH ROW BEGIN DELETE FROM GWDB.T; END", -104, "42601"},
      {"CREATE TRIGGER GWDB.TR AFTER INSERT ON GWDB.T REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL SIGNAL SQLSTATE 'KX1' ('x')",
       -104, "42601"},
      {"SELECT CHAR(ID, XYZ) FROM GWDB.T", -171, "42815"},
      {"SELECT NVL(ID, 0) FROM GWDB.T", -440, "42884"},
      {"SELECT ID FROM GWDB.T WHERE DECODE(ID, 1, 2) = 2", -440, "42884"},
      {"SELECT ID FROM GWDB.T WHERE ID = ?; DROP TABLE GWDB.T", -104, "42601"},
      {"ALTER TABLE GWDB.T ADD COLUMN NAME INTEGER", -612, "42711"},             // a column of the table
      {"ALTER TABLE GWDB.T ADD COLUMN X INTEGER ADD COLUMN X INTEGER", -612, "42711"},
  };
  for (const auto& c : cases) {
    DiagRec d;
    EXPECT_EQ(Run(c.sql, &d), SQL_ERROR) << c.sql;
    EXPECT_EQ(d.native, c.native) << c.sql << ": " << d.text;
    EXPECT_EQ(d.state, c.state) << c.sql << ": " << d.text;
  }
}

}  // namespace
}  // namespace db2test
