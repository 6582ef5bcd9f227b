// relgate_db2 loaded through the kernel's module registry, as the gateway client loads the adapter of
// the product "DB2": the version check, the database it makes, and the process environment that
// loading set up (a connection opens on it).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "KxGDatabase.h"
#include "KxGatewayClient.h"
#include "KxModule.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "kxfound.h"
#include "sqlengine.h"

namespace {

class DB2Module : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxParameterList start;
        start.Append("ClientName", "relgate_db2_module_tests");
        status_ = InitKelvox(&start);
        ASSERT_EQ(status_, 0);
        char pattern[] = "/tmp/db2module_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        sqlengine::Error error;
        server_ = sqlengine::Engine::Instance().RegisterServer("SHOP", dir_ + "/shop", &error);
        ASSERT_TRUE(server_) << error.message;
        ASSERT_TRUE(server_->AddUser("SHOP", "unused", false, &error)) << error.message;
        ASSERT_TRUE(server_->AddUser("DB2ADMIN", "pw", true, &error)) << error.message;
    }
    void TearDown() override
    {
        if (status_ == 0) {
            DeinitKelvox();   // unloads every registered module
        }
        sqlengine::Engine::Instance().UnregisterServer("SHOP");
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    int32_t status_ = -1;
    std::string dir_;
    std::shared_ptr<sqlengine::Server> server_;
};

TEST_F(DB2Module, ProductDB2LoadsTheAdapterAndItsDatabaseConnects)
{
    KxParameterList parameters;
    KxGDatabase* database = KxGatewayClient::LoadSpecificGatewayDll(
        KxString("DB2"), KxString("local"), KxString("shop"), KxString("DB2ADMIN"), KxString("pw"), &parameters,
        nullptr);
    ASSERT_NE(database, nullptr);
    KxString text;
    EXPECT_EQ(*database->GetDatabaseName(&text), KxString("SHOP"));
    EXPECT_EQ(database->GetDatabaseInfo()->GetProductName(), KxString("DB2"));

    const KxVersionCheckArgs check = KxLastVersionCheck();
    EXPECT_EQ(check.flags, 3);
    EXPECT_EQ(check.major, 11);
    EXPECT_EQ(check.build, 50);

    ASSERT_NE(database->OpenConnection(), 0) << database->GetError()->Text();
    int32_t id = 0;
    EXPECT_NE(database->GetConnectionId(&id), 0);
    EXPECT_GT(id, 0);
    database->CloseConnection();
    database->Destroy(0);
}

}  // namespace
