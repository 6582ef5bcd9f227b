// The mapper's direct entries on the embedded engine: CreateDBDirect makes the gateway schema (and
// answers -2035 when one exists), DeleteDBDirect drops it; the gateway admin's create database goes
// through CreateDBDirect.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxGClassMapper.h"
#include "KxGStatusCodes.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxRoot.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

int32_t g_answer = 1;

int32_t LogInAsS(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString("S");
    password = KxString("Secret");
    return g_answer;
}

class DirectEntries : public oratest::ServerTest {
protected:
    DirectEntries()
        : ServerTest({.prefix = "DIR_", .users = {{"S", "Secret", false, {"CREATE ROLE"}}, {"ADMIN", "admin", true}}})
    {
    }

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        const std::string config = dir_.Path("kx.ini");
        WriteFile(config, std::string("[servers\\LOCAL]\nDictionaryPath=") + SAMPLE_DICTIONARIES +
                              "\n[servers\\SHOPSTORE]\nname=Oracle$" + serverName_ + "\n");
        kernel_.emplace("relgate-tests", config);
        ASSERT_EQ(kernel_->Status(), 0);
        g_answer = 1;
        KxBase::KELVOX()->SetUserNameFunction(&LogInAsS);
        // The direct entries write their log and script into the current folder.
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previousFolder_ = cwd;
        ASSERT_EQ(chdir(dir_.Path("").c_str()), 0);
    }

    void TearDown() override
    {
        if (!previousFolder_.empty()) {
            EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        kernel_.reset();
        ServerTest::TearDown();
    }

    std::vector<std::vector<std::string>> Query(const std::string& sql)
    {
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
        EXPECT_TRUE(session) << error.message;
        std::vector<std::vector<std::string>> rows;
        if (session) {
            rows = oratest::RowTexts(oratest::RunOn(*session, sql));
            session->End();
        }
        return rows;
    }

    std::vector<std::string> Objects(const std::string& type)
    {
        std::vector<std::string> names;
        for (const auto& row :
             Query("SELECT OBJECT_NAME FROM USER_OBJECTS WHERE OBJECT_TYPE = '" + type + "' ORDER BY OBJECT_NAME")) {
            names.push_back(row[0]);
        }
        return names;
    }

    // The gateway's own tables and every class table of KELVOX_CLASSES are there.
    void ExpectSchema()
    {
        const std::vector<std::string> tables = Objects("TABLE");
        for (const char* own : {"ACTIVECLIENTS", "KELVOX_CLASSES", "KELVOX_INDEXES", "KELVOX_MEMBERS", "LOCKS",
                                "OPTIONREGISTRY", "ROOTBLOCK", "SURROGATES"}) {
            EXPECT_TRUE(std::find(tables.begin(), tables.end(), own) != tables.end()) << own;
        }
        const auto classes = Query("SELECT TABLE_NAME FROM S.KELVOX_CLASSES");
        EXPECT_FALSE(classes.empty());
        for (const auto& row : classes) {
            const std::string name = row[0].substr(row[0].find('.') + 1);
            EXPECT_TRUE(std::find(tables.begin(), tables.end(), name) != tables.end()) << name;
        }
        EXPECT_FALSE(Objects("VIEW").empty());
        EXPECT_EQ(Query("SELECT ID, SERIAL_ID FROM S.SURROGATES"),
                  (std::vector<std::vector<std::string>>{{"1", "100"}}));
    }

    std::optional<oratest::KelvoxScope> kernel_;
    std::string previousFolder_;
};

TEST_F(DirectEntries, CreateAgainAnswersExistsAndDeleteDropsIt)
{
    ASSERT_EQ(KxGClassMapper::CreateDBDirect(KxString("S"), KxString("sample"), KxString("SHOPSTORE"),
                                             KxString("LOCAL"), nullptr),
              0)
        << ReadFile(dir_.Path("S.LOG"));
    ExpectSchema();
    EXPECT_NE(ReadFile(dir_.Path("S.LOG")).find(" Command     : c\n Options     : r\n"), std::string::npos);

    EXPECT_EQ(KxGClassMapper::CreateDBDirect(KxString("S"), KxString("sample"), KxString("SHOPSTORE"),
                                             KxString("LOCAL"), nullptr),
              KXG_E_DATABASE_EXISTS);
    EXPECT_NE(ReadFile(dir_.Path("S.LOG")).find("Error : RO GW schema already exists in database 'S'\n"),
              std::string::npos)
        << ReadFile(dir_.Path("S.LOG"));

    KxBase base(KxString("S"));
    EXPECT_EQ(KxGClassMapper::DeleteDBDirect(KxString("S"), KxString(serverName_), KxString("Oracle"), &base, nullptr),
              0)
        << ReadFile(dir_.Path("S.LOG"));
    EXPECT_EQ(Objects("TABLE"), std::vector<std::string>{});
    EXPECT_EQ(Objects("VIEW"), std::vector<std::string>{});
    EXPECT_NE(ReadFile(dir_.Path("S.LOG")).find(" Command     : d\n Options     : ri\n"), std::string::npos);
}

TEST_F(DirectEntries, DeleteWithoutLoginOrSchemaFails)
{
    KxBase base(KxString("S"));
    g_answer = 2;
    EXPECT_EQ(KxGClassMapper::DeleteDBDirect(KxString("S"), KxString(serverName_), KxString("Oracle"), &base, nullptr),
              KXG_E_LOGIN_REFUSED);
    g_answer = 1;
    // No root block: the adapter's code of the failed read.
    EXPECT_LT(KxGClassMapper::DeleteDBDirect(KxString("S"), KxString(serverName_), KxString("Oracle"), &base, nullptr),
              0);
    EXPECT_NE(ReadFile(dir_.Path("S.LOG")).find("RELGEN terminated with error status - 1 error(s)"), std::string::npos);
}

// The admin of an open client creates a database with a storage text of brand and server.
TEST_F(DirectEntries, AdminCreatesThroughTheMapper)
{
    KxBase base(KxString("S"));
    KxGatewayClientFactory factory{KxString("Oracle")};
    std::unique_ptr<KxGatewayClient> client(static_cast<KxGatewayClient*>(factory.CreateConnection(&base)));
    ASSERT_TRUE(client);
    KxString name;
    ASSERT_EQ(client->SetServer(&base, KxString("S"), KxString(serverName_)), 0);
    ASSERT_EQ(client->OpenClient(KxString("S"), name, 0), 0);
    std::unique_ptr<KxAdmin> admin(client->CreateAdmin(&base, 0));
    ASSERT_TRUE(admin);
    const KxString storage("Oracle$" + serverName_);
    EXPECT_EQ(admin->CreateDatabase(KxString("S"), KxString("sample"), storage), 0) << ReadFile(dir_.Path("S.LOG"));
    ExpectSchema();
    EXPECT_EQ(admin->CreateDatabase(KxString("S"), KxString("sample"), storage), KXG_E_DATABASE_EXISTS);
    admin.reset();
    client->CloseClient();
}

}  // namespace
