// Adapter-style OCI connections and statements over a fresh engine server, for the OCI tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "oci.h"
#include "sqlengine.h"

namespace ocitest {

// One adapter-style connection: environment, error, service context, server and session handles.
struct Connection {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIServer* srv = nullptr;
  OCISession* ses = nullptr;

  Connection() {
    EXPECT_EQ(OCIEnvCreate(&env, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&err), OCI_HTYPE_ERROR, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&srv), OCI_HTYPE_SERVER, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&ses), OCI_HTYPE_SESSION, 0, nullptr), OCI_SUCCESS);
  }
  ~Connection() {
    OCIHandleFree(ses, OCI_HTYPE_SESSION);
    OCIHandleFree(srv, OCI_HTYPE_SERVER);
    OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    OCIHandleFree(err, OCI_HTYPE_ERROR);
    OCIHandleFree(env, OCI_HTYPE_ENV);
  }
  // The adapter's open sequence; "LOCAL" attaches with a null name.
  sword Open(const std::string& server, const std::string& user, const std::string& password) {
    sword s = server == "LOCAL"
                  ? OCIServerAttach(srv, err, nullptr, 0, OCI_DEFAULT)
                  : OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(server.c_str()), static_cast<sb4>(server.size()), OCI_DEFAULT);
    if (s != OCI_SUCCESS) return s;
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()), static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err);
    s = OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT);
    if (s != OCI_SUCCESS) return s;
    return OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
  }
  void Close() {
    OCITransRollback(svc, err, OCI_DEFAULT);
    EXPECT_EQ(OCISessionEnd(svc, err, ses, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(OCIServerDetach(srv, err, OCI_DEFAULT), OCI_SUCCESS);
  }
  sb4 ErrorCode(std::string* text = nullptr) {
    sb4 code = 0;
    OraText buf[512];
    if (OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) return 0;
    if (text) *text = reinterpret_cast<char*>(buf);
    return code;
  }
};

// A statement handle that frees itself.
struct Stmt {
  Connection& c;
  OCIStmt* h = nullptr;
  Stmt(Connection& conn, const std::string& sql) : c(conn) {
    EXPECT_EQ(OCIHandleAlloc(c.env, reinterpret_cast<dvoid**>(&h), OCI_HTYPE_STMT, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIStmtPrepare(h, c.err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
  }
  ~Stmt() { EXPECT_EQ(OCIHandleFree(h, OCI_HTYPE_STMT), OCI_SUCCESS); }
  sword Execute(ub4 iters = 1, ub4 mode = OCI_DEFAULT) { return OCIStmtExecute(c.svc, h, c.err, iters, 0, nullptr, nullptr, mode); }
  ub4 RowCount() {
    ub4 rows = 0;
    EXPECT_EQ(OCIAttrGet(h, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, c.err), OCI_SUCCESS);
    return rows;
  }
  void BindPos(ub4 pos, void* data, sb4 size, ub2 type, sb2* ind = nullptr) {
    OCIBind* b = nullptr;
    EXPECT_EQ(OCIBindByPos(h, &b, c.err, pos, data, size, type, ind, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  }
  void Define(ub4 pos, void* data, sb4 size, ub2 type, sb2* ind = nullptr, ub2* rcode = nullptr) {
    OCIDefine* d = nullptr;
    EXPECT_EQ(OCIDefineByPos(h, &d, c.err, pos, data, size, type, ind, nullptr, rcode, OCI_DEFAULT), OCI_SUCCESS);
  }
  sword Fetch(ub4 rows) { return OCIStmtFetch(h, c.err, rows, OCI_FETCH_NEXT, OCI_DEFAULT); }
};

class OciTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oci_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    auto& engine = sqlengine::Engine::Instance();
    sqlengine::Error e;
    server_ = engine.RegisterServer("LOCAL", dir_ + "/local", &e);
    ASSERT_TRUE(server_) << e.message;
    ASSERT_TRUE(engine.RegisterServer("ORCL", dir_ + "/orcl", &e)) << e.message;
    ASSERT_TRUE(server_->AddUser("S", "s", false, &e)) << e.message;
    engine.SetBusyTimeout(0);
  }
  void TearDown() override {
    auto& engine = sqlengine::Engine::Instance();
    engine.UnregisterServer("LOCAL");
    engine.UnregisterServer("ORCL");
    engine.ClearInjectedFailures();
    engine.SetBusyTimeout(1000);
    server_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  void Exec(Connection& c, const std::string& sql) {
    Stmt st(c, sql);
    std::string text;
    ASSERT_EQ(st.Execute(), OCI_SUCCESS) << sql << ": " << (c.ErrorCode(&text), text);
  }
  int64_t Count(Connection& c, const std::string& sql) {
    Stmt st(c, sql);
    int64_t n = -1;
    st.Define(1, &n, sizeof n, SQLT_INT);
    std::string text;
    EXPECT_EQ(st.Execute(0), OCI_SUCCESS) << sql << ": " << (c.ErrorCode(&text), text);
    EXPECT_EQ(st.Fetch(1), OCI_SUCCESS) << sql;
    return n;
  }

  std::string dir_;
  std::shared_ptr<sqlengine::Server> server_;
};

}  // namespace ocitest
