// A server in a fresh temporary directory, with helpers to run statements.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sqlengine.h"

namespace testengine {

inline sqlengine::Param P(int64_t v) {
  sqlengine::Param p;
  p.value = sqlengine::Value::Integer(v);
  return p;
}
inline sqlengine::Param P(const std::string& v) {
  sqlengine::Param p;
  p.value = sqlengine::Value::Text(v);
  return p;
}
inline sqlengine::Param P(const char* v) { return P(std::string(v)); }
inline sqlengine::Param Array(const std::vector<int64_t>& values) {
  sqlengine::Param p;
  p.isArray = true;
  for (int64_t v : values) p.elements.push_back(sqlengine::Value::Integer(v));
  return p;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/sqlengine_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    serverName_ = "SRV" + std::filesystem::path(dir_).filename().string().substr(10);
    sqlengine::Error err;
    server_ = sqlengine::Engine::Instance().RegisterServer(serverName_, dir_, &err);
    ASSERT_TRUE(server_) << err.message;
    ASSERT_TRUE(server_->AddUser("ADMIN", "admin", true, &err)) << err.message;
    ASSERT_TRUE(server_->AddUser("S", "s", false, &err)) << err.message;
    sqlengine::Engine::Instance().SetBusyTimeout(0);
  }
  void TearDown() override {
    for (auto& s : sessions_) s->End();
    sessions_.clear();
    sqlengine::Engine::Instance().UnregisterServer(serverName_);
    sqlengine::Engine::Instance().ClearInjectedFailures();
    sqlengine::Engine::Instance().SetBusyTimeout(1000);
    server_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::shared_ptr<sqlengine::Session> Logon(const std::string& user, const std::string& password) {
    sqlengine::Error err;
    auto s = sqlengine::Session::Begin(server_, user, password, err);
    EXPECT_TRUE(s) << err.message;
    if (s) sessions_.push_back(s);
    return s;
  }

  sqlengine::Outcome Run(sqlengine::Session& s, const std::string& sql, const std::vector<sqlengine::Param>& params = {}) {
    sqlengine::Error err;
    sqlengine::Outcome out;
    auto st = s.Prepare(sql, err);
    EXPECT_TRUE(st) << sql << ": " << err.message;
    if (st) {
      EXPECT_TRUE(st->Run(params, out, err)) << sql << ": " << err.message;
    }
    return out;
  }

  sqlengine::Error Fails(sqlengine::Session& s, const std::string& sql, const std::vector<sqlengine::Param>& params = {}) {
    sqlengine::Error err;
    sqlengine::Outcome out;
    auto st = s.Prepare(sql, err);
    if (st) {
      EXPECT_FALSE(st->Run(params, out, err)) << sql;
    }
    EXPECT_NE(err.code, 0) << sql;
    return err;
  }

  int64_t Count(sqlengine::Session& s, const std::string& sql, const std::vector<sqlengine::Param>& params = {}) {
    sqlengine::Outcome out = Run(s, sql, params);
    if (out.result.rows.empty() || out.result.rows[0].empty()) return -1;
    return out.result.rows[0][0].integer;
  }

  std::string dir_;
  std::string serverName_;
  std::shared_ptr<sqlengine::Server> server_;
  std::vector<std::shared_ptr<sqlengine::Session>> sessions_;
};

}  // namespace testengine
