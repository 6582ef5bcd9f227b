// A stand-in server in a fresh directory with the users S (password "Secret", the gateway schema) and
// ADMIN (password "admin", DBA); database objects made as the gateway makes them; a trace file; the
// schema's lock objects from the dialect; and direct engine sessions to set up and look at tables.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseErrorCallback.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraModule.h"
#include "KxGOraTypeHdl.h"
#include "KxGStatementTemplate.h"
#include "KxParameter.h"
#include "sqlengine.h"

namespace oraconn {

struct DestroyDatabase {
    void operator()(KxGDatabase* database) const
    {
        if (database != nullptr) {
            database->Destroy(0);
        }
    }
};
using DatabasePtr = std::unique_ptr<KxGDatabase, DestroyDatabase>;

inline KxGOraDatabase* Ora(const DatabasePtr& database)
{
    return dynamic_cast<KxGOraDatabase*>(database.get());
}

inline std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

// An error listener that throws from every message it receives.
class ThrowingReceiver : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* /*message*/, const char* /*context*/) override
    {
        ++calls;
        throw std::runtime_error("receiver refused error " + std::to_string(code));
    }
    int calls = 0;
};

// Puts the process-wide character-set flags back to their state at load.
struct UnicodeFlagsReset {
    ~UnicodeFlagsReset() { KxGOraTypeHdl::SetUnicodeFlags(0, 0); }
};

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "relgate-conn-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        serverName_ = "CONN_" + std::filesystem::path(dir_).filename().string().substr(13);
        sqlengine::Error error;
        server_ = sqlengine::Engine::Instance().RegisterServer(serverName_, dir_ + "/db", &error);
        ASSERT_TRUE(server_) << error.message;
        ASSERT_TRUE(server_->AddUser("S", "Secret", false, &error)) << error.message;
        ASSERT_TRUE(server_->AddUser("ADMIN", "admin", true, &error)) << error.message;
        sqlengine::Engine::Instance().SetBusyTimeout(0);
        trace_ = std::make_unique<KxGDatabaseTrace>(KxString(TracePath()), 0xFFFF, nullptr);
    }

    void TearDown() override
    {
        auto& engine = sqlengine::Engine::Instance();
        for (auto& session : sessions_) {
            session->End();
        }
        sessions_.clear();
        engine.ClearInjectedFailures();
        engine.SetBusyTimeout(1000);
        engine.UnregisterServer(serverName_);
        server_.reset();
        trace_.reset();
        KxGOraTypeHdl::SetUnicodeFlags(0, 0);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string TracePath() const { return dir_ + "/trace.txt"; }

    std::string TraceText()
    {
        trace_->Flush();
        std::ifstream in(TracePath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // A database object as GetDBInst makes it, with the fixture's trace.
    DatabasePtr Make(const char* database = "s", const char* user = "s", const char* password = "Secret",
                     KxParameterList* parameters = nullptr, KxBase* base = nullptr, const char* server = nullptr)
    {
        DatabasePtr made(GetDBInst(KxString(server != nullptr ? server : serverName_.c_str()), KxString(database),
                                   KxString(user), KxString(password), base, parameters));
        EXPECT_NE(made, nullptr);
        if (made != nullptr) {
            made->SetTrace(trace_.get());
        }
        return made;
    }

    // A session of the engine itself, for setting up and looking at tables.
    sqlengine::Session& Direct(const std::string& user = "S", const std::string& password = "Secret")
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, user, password, error);
        EXPECT_TRUE(session) << error.message;
        sessions_.push_back(session);
        return *session;
    }

    sqlengine::Outcome Run(sqlengine::Session& session, const std::string& sql)
    {
        sqlengine::Error error;
        sqlengine::Outcome outcome;
        auto statement = session.Prepare(sql, error);
        EXPECT_TRUE(statement) << sql << ": " << error.message;
        if (statement) {
            EXPECT_TRUE(statement->Run({}, outcome, error)) << sql << ": " << error.message;
        }
        return outcome;
    }

    // Runs statements on a session of their own, committed and ended afterwards.
    void Exec(const std::vector<std::string>& statements, const std::string& user = "S",
              const std::string& password = "Secret")
    {
        sqlengine::Session& session = Direct(user, password);
        for (const std::string& statement : statements) {
            Run(session, statement);
        }
        sqlengine::Error error;
        EXPECT_TRUE(session.Commit(error)) << error.message;
        session.End();
    }

    // The rows of a query, each value as text ("NULL" for NULL).
    std::vector<std::vector<std::string>> Rows(const std::string& sql)
    {
        sqlengine::Session& session = Direct();
        const sqlengine::Outcome outcome = Run(session, sql);
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : outcome.result.rows) {
            std::vector<std::string> values;
            for (const auto& value : row) {
                switch (value.type) {
                case sqlengine::Value::Type::Null: values.push_back("NULL"); break;
                case sqlengine::Value::Type::Integer: values.push_back(std::to_string(value.integer)); break;
                default: values.push_back(value.bytes); break;
                }
            }
            rows.push_back(values);
        }
        session.End();
        return rows;
    }

    // The schema's lock and client tables, lock package, procedure and release trigger, as the
    // dialect writes them.
    void CreateLockObjects(KxGDatabase& database)
    {
        std::vector<std::string> texts;
        KxGStatementTemplateList list;
        database.GetDatabaseInfo()->CreateLocks(KxString("S"), list);
        for (uint32_t i = 0; i < list.Count() && list.GetTemplate(i) != nullptr; ++i) {
            texts.push_back(Text(list.GetTemplate(i)->GetSQLText()));
        }
        list.ClearAll();
        ASSERT_EQ(texts.size(), 5u);
        Exec(texts);
    }

    std::string dir_;
    std::string serverName_;
    std::shared_ptr<sqlengine::Server> server_;
    std::unique_ptr<KxGDatabaseTrace> trace_;
    std::vector<std::shared_ptr<sqlengine::Session>> sessions_;
};

}  // namespace oraconn
