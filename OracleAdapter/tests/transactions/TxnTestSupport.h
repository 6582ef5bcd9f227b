// Fixture of the Oracle transaction tests: a server of the engine with the schema user S (password
// "s") and ADMIN, a traced Oracle database object of the schema opened on it, further database
// objects on demand, the schema's lock objects as the dialect writes them, and direct engine sessions
// to set up and look at tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGStatementTemplate.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace oratxn {

using Table = std::vector<std::vector<std::string>>;

class TxnTest : public oratest::DatabaseTest {
protected:
    TxnTest()
        : DatabaseTest({.prefix = "TXN_",
                        .users = {{"S", "s"}, {"ADMIN", "admin", true}},
                        .noBusyWait = true,
                        .traced = true})
    {
    }

    // Another open database object of the schema (traced into the fixture's file when asked).
    std::unique_ptr<KxGOraDatabase> OpenDatabase(bool traced)
    {
        auto database = std::make_unique<KxGOraDatabase>(KxString(serverName_.c_str()), KxString("s"), KxString("s"),
                                                         KxString("s"), nullptr, nullptr);
        if (traced) {
            database->SetTrace(trace_.get());
        }
        EXPECT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        return database;
    }

    // Runs statements on an engine session of their own, committed and ended afterwards.
    void Exec(const std::vector<std::string>& statements)
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "s", error);
        ASSERT_TRUE(session) << error.message;
        for (const std::string& statement : statements) {
            oratest::RunOn(*session, statement);
        }
        EXPECT_TRUE(session->Commit(error)) << error.message;
        session->End();
    }

    // The rows of a query on a session of its own (what other clients see).
    Table Rows(const std::string& sql)
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "s", error);
        EXPECT_TRUE(session) << error.message;
        if (!session) {
            return {};
        }
        Table rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        session->End();
        return rows;
    }

    // The schema's LOCKS, ACTIVECLIENTS, lock package, procedure and release trigger.
    void CreateLockObjects()
    {
        std::vector<std::string> texts;
        KxGStatementTemplateList list;
        db_->GetDatabaseInfo()->CreateLocks(KxString("S"), list);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStatementTemplate* statement = list.GetTemplate(i);
            ASSERT_NE(statement, nullptr);
            texts.push_back(statement->GetSQLText().StrGet());
        }
        list.ClearAll();
        Exec(texts);
    }
};

}  // namespace oratxn
