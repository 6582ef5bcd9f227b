// A stand-in server in a fresh directory with the users S (password "Secret", the gateway schema) and
// ADMIN (password "admin", DBA); database objects made as the gateway makes them; a trace file; the
// schema's lock objects from the dialect; and direct engine sessions to set up and look at tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraModule.h"
#include "KxGOraTypeHdl.h"
#include "KxGStatementTemplate.h"
#include "KxParameter.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace oraconn {

using oratest::DatabasePtr;
using oratest::Ora;
using oratest::ThrowingReceiver;

inline std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

// Locked tables fail at once; the process-wide character-set flags are put back afterwards.
class ConnectionTest : public oratest::ServerTest {
protected:
    ConnectionTest()
        : ServerTest({.prefix = "CONN_", .users = oratest::SchemaAndAdmin(), .noBusyWait = true, .traced = true})
    {
    }

    void TearDown() override
    {
        for (auto& session : sessions_) {
            session->End();
        }
        sessions_.clear();
        ServerTest::TearDown();
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

    // Runs statements on a session of their own, committed and ended afterwards.
    void Exec(const std::vector<std::string>& statements, const std::string& user = "S",
              const std::string& password = "Secret")
    {
        sqlengine::Session& session = Direct(user, password);
        for (const std::string& statement : statements) {
            oratest::RunOn(session, statement);
        }
        sqlengine::Error error;
        EXPECT_TRUE(session.Commit(error)) << error.message;
        session.End();
    }

    // The rows of a query, each value as text ("NULL" for NULL).
    std::vector<std::vector<std::string>> Rows(const std::string& sql)
    {
        sqlengine::Session& session = Direct();
        const auto rows = oratest::RowTexts(oratest::RunOn(session, sql));
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

    oratest::UnicodeFlags unicodeFlags_{0, 0};
    std::vector<std::shared_ptr<sqlengine::Session>> sessions_;
};

}  // namespace oraconn
