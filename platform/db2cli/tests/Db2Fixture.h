// A DB2 database on a fresh engine server and adapter-style CLI connections, for the CLI tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "db2cli.h"
#include "sqldb2.h"
#include "sqlengine.h"

namespace db2test {

// The database GWDB (its schema GWDB) on its own server; DB2ADMIN (password "pw") may work in it.
class Db2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/db2cli_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    auto& engine = sqlengine::Engine::Instance();
    sqlengine::Error e;
    server_ = engine.RegisterServer("GWDB", dir_ + "/gwdb", &e);
    ASSERT_TRUE(server_) << e.message;
    ASSERT_TRUE(server_->AddUser("GWDB", "unused", false, &e)) << e.message;
    ASSERT_TRUE(server_->AddUser("DB2ADMIN", "pw", true, &e)) << e.message;
    engine.SetBusyTimeout(0);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_SUCCESS);
    dbc_ = Connect();
    ASSERT_NE(dbc_, SQL_NULL_HDBC);
  }
  void TearDown() override {
    if (dbc_) Disconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
    auto& engine = sqlengine::Engine::Instance();
    engine.UnregisterServer("GWDB");
    engine.ClearInjectedFailures();
    engine.SetBusyTimeout(1000);
    sqlengine::SetDb2ServerVersion("09.07.0000");
    server_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // The adapter's open sequence with autocommit off; 0 on failure.
  SQLHDBC Connect(const char* db = "GWDB", const char* user = "DB2ADMIN", const char* pw = "pw", SQLRETURN* rc = nullptr) {
    SQLHDBC h = 0;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env_, &h), SQL_SUCCESS);
    EXPECT_EQ(SQLSetConnectOption(h, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF), SQL_SUCCESS);
    EXPECT_EQ(SQLSetConnectOption(h, SQL_NOSCAN, SQL_NOSCAN_ON), SQL_SUCCESS);
    SQLRETURN r = SQLConnect(h, (SQLCHAR*)db, SQL_NTS, (SQLCHAR*)user, SQL_NTS, (SQLCHAR*)pw, SQL_NTS);
    if (rc) *rc = r;
    if (r != SQL_SUCCESS) {
      lastConnectDiag_ = Diag(SQL_HANDLE_DBC, h);
      SQLFreeHandle(SQL_HANDLE_DBC, h);
      return 0;
    }
    return h;
  }
  void Disconnect(SQLHDBC h) {
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, h, SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(SQLDisconnect(h), SQL_SUCCESS);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, h), SQL_SUCCESS);
  }
  struct DiagRec {
    std::string state;
    SQLINTEGER native = 0;
    std::string text;
  };
  static DiagRec Diag(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT rec = 1) {
    DiagRec d;
    SQLCHAR state[6] = {0};
    SQLCHAR text[1025] = {0};
    SQLSMALLINT len = 0;
    if (SQLGetDiagRec(type, h, rec, state, &d.native, text, sizeof text, &len) == SQL_SUCCESS) {
      d.state = reinterpret_cast<char*>(state);
      d.text = reinterpret_cast<char*>(text);
    }
    return d;
  }
  SQLHSTMT NewStmt(SQLHDBC h = 0) {
    SQLHSTMT s = 0;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h ? h : dbc_, &s), SQL_SUCCESS);
    return s;
  }
  // Executes directly; returns the result (the statement's diagnostic in *diag).
  SQLRETURN Run(const std::string& sql, DiagRec* diag = nullptr, SQLHDBC h = 0) {
    SQLHSTMT s = NewStmt(h);
    SQLRETURN rc = SQLExecDirect(s, (SQLCHAR*)sql.c_str(), SQL_NTS);
    if (diag) *diag = Diag(SQL_HANDLE_STMT, s);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, s), SQL_SUCCESS);
    return rc;
  }
  void Exec(const std::string& sql, SQLHDBC h = 0) {
    DiagRec d;
    SQLRETURN rc = Run(sql, &d, h);
    ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_NO_DATA) << sql << ": " << d.state << " " << d.native << " " << d.text;
  }
  // The first column of every row of a query, as text ("NULL" for a null).
  std::vector<std::string> Column(const std::string& sql, SQLHDBC h = 0) {
    std::vector<std::string> out;
    SQLHSTMT s = NewStmt(h);
    SQLRETURN rc = SQLExecDirect(s, (SQLCHAR*)sql.c_str(), SQL_NTS);
    DiagRec d = Diag(SQL_HANDLE_STMT, s);
    EXPECT_EQ(rc, SQL_SUCCESS) << sql << ": " << d.state << " " << d.text;
    char buf[256];
    SQLLEN ind = 0;
    SQLBindCol(s, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
    while (rc == SQL_SUCCESS && SQLFetch(s) == SQL_SUCCESS) out.push_back(ind == SQL_NULL_DATA ? "NULL" : buf);
    SQLFreeHandle(SQL_HANDLE_STMT, s);
    return out;
  }

  std::string dir_;
  std::shared_ptr<sqlengine::Server> server_;
  SQLHENV env_ = 0;
  SQLHDBC dbc_ = 0;
  DiagRec lastConnectDiag_;
};

}  // namespace db2test
