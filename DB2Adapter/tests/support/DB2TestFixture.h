// A DB2 database GWDB on its own engine server, reached through the adapter: the process-wide
// environment made with KxGDB2InitDll(1), a KxGDB2Database of DB2ADMIN opened on it, and the gateway's
// ACTIVECLIENTS table. Helpers run texts and count rows on a connection of the adapter.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "KxGDB2Database.h"
#include "KxGDB2Module.h"
#include "db2cli.h"
#include "sqlengine.h"

namespace db2test {

struct DatabaseDelete {
    void operator()(KxGDatabase* database) const
    {
        if (database != nullptr) {
            database->Destroy(0);
        }
    }
};
using DatabasePtr = std::unique_ptr<KxGDB2Database, DatabaseDelete>;

inline DatabasePtr Make(const char* database, const char* user = "DB2ADMIN", const char* password = "pw")
{
    return DatabasePtr(static_cast<KxGDB2Database*>(
        GetDBInst(KxString(""), KxString(database), KxString(user), KxString(password), nullptr, nullptr)));
}

class DB2Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/db2db_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        sqlengine::Error error;
        server_ = sqlengine::Engine::Instance().RegisterServer("GWDB", dir_ + "/gwdb", &error);
        ASSERT_TRUE(server_) << error.message;
        ASSERT_TRUE(server_->AddUser("GWDB", "unused", false, &error)) << error.message;
        ASSERT_TRUE(server_->AddUser("DB2ADMIN", "pw", true, &error)) << error.message;
        KxGDB2InitDll(1);
        db_ = Make("gwdb");
        ASSERT_TRUE(db_);
        ASSERT_NE(db_->OpenConnection(), 0) << db_->GetError()->Text();
        Exec(*db_,
             "CREATE TABLE GWDB.ACTIVECLIENTS (\n CLIENTID INTEGER not null,\n USERID CHARACTER(128) not null "
             "WITH DEFAULT USER,\n CLIENT_NAME CHARACTER(30),\n CONNECTION_ID INTEGER not null WITH DEFAULT 0,\n "
             "OPEN_MODE CHARACTER(30),\n PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )");
    }

    void TearDown() override
    {
        if (db_) {
            db_->CloseConnection();
        }
        db_.reset();
        KxGDB2InitDll(0);
        sqlengine::Engine::Instance().ClearInjectedFailures();
        sqlengine::Engine::Instance().UnregisterServer("GWDB");
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Executes and commits a text on the database's connection.
    static void Exec(KxGDB2Database& database, const std::string& text)
    {
        ASSERT_NE(database.ExecuteDirect(text.c_str()), 0) << text << ": " << database.GetError()->Text();
        ASSERT_NE(database.CommitConnection(), 0);
    }

    static int32_t Count(KxGDB2Database& database, const std::string& text)
    {
        int32_t value = -1;
        EXPECT_TRUE(database.SelectInteger(text.c_str(), value)) << text << ": " << database.GetError()->Text();
        return value;
    }

    std::string dir_;
    std::shared_ptr<sqlengine::Server> server_;
    DatabasePtr db_;
};

}  // namespace db2test
