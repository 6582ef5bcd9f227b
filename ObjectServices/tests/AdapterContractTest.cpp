// The adapter contract's own parts: SetUserError, GetBatchSize, GetMaxStatementHandle, and the
// scripting of the fake adapter that later tests rely on.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "KxGDatabase.h"
#include "KxGErrorText.h"
#include "KxGFakeAdapter.h"
#include "KxGatewayModule.h"
#include "KxRoot.h"
#include "TestSupport.h"

namespace {

class FakeDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { KxGFakeScript::Reset(); }
    void TearDown() override { KxGFakeScript::Reset(); }

    KxGFakeDatabase database{KxString("SRV"), KxString("shop"), KxString(), KxString(), nullptr, nullptr};
};

TEST_F(FakeDatabaseTest, SetUserErrorBuildsAndCutsTheMessage)
{
    const std::string text = KxGGetErrorText(-6031);
    const std::string longDetail(600, 'd');
    const std::string fits(512 - text.size() - 3, 'f');
    struct Row {
        const char* name;
        const char* detail;
        const char* more;
        std::string expected;
    };
    const Row rows[] = {
        {"TextOnly", nullptr, nullptr, text},
        {"DetailAndMore", ": table ", "SURROGATES", text + ": table SURROGATES"},
        {"MoreWithoutDetail", nullptr, "!", text + "!"},
        {"DetailCutAt512", longDetail.c_str(), "never", (text + longDetail).substr(0, 512)},
        {"MoreCutAt512", fits.c_str(), "abcdef", text + fits + "abc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        database.GetError()->Clear();
        database.SetUserError(-6031, row.detail, row.more);
        EXPECT_EQ(database.GetError()->ErrorCode(), -6031);
        EXPECT_EQ(std::string(database.GetError()->Text()), row.expected);
        EXPECT_LE(std::string(database.GetError()->Text()).size(), 512u);
    }
    EXPECT_EQ(KxGFakeScript::Count("ReportError"), 5u);
}

TEST_F(FakeDatabaseTest, BaseBatchSizeIsTheRequest)
{
    EXPECT_EQ(database.KxGDatabase::GetBatchSize(250, 1), 250);
    EXPECT_EQ(database.GetBatchSize(20, 0), 20);
    KxGFakeBehaviour one;
    one.hasResult = true;
    one.result = 1;
    KxGFakeScript::Set("GetBatchSize", one);
    EXPECT_EQ(database.GetBatchSize(20, 1), 1);
}

TEST_F(FakeDatabaseTest, ScriptedFailuresReachTheErrorObject)
{
    EXPECT_EQ(database.OpenConnection(), 1);
    KxGFakeScript::Fail("OpenConnection", -6005, "cannot open");
    EXPECT_EQ(database.OpenConnection(), 0);
    EXPECT_EQ(database.GetError()->ErrorCode(), -6005);
    EXPECT_STREQ(database.GetError()->Text(), "cannot open");

    KxGFakeScript::Fail("CheckTableName", -6190);
    KxString name("rootblock");
    EXPECT_EQ(database.CheckTableName(&name, KXG_NAME_TABLE), -6190);

    KxGFakeScript::Fail("CloneConnection", -6035);
    EXPECT_EQ(database.CloneConnection(), nullptr);

    KxGFakeBehaviour registered;
    registered.hasResult = true;
    registered.result = 42;
    KxGFakeScript::Set("RegisterConnection", registered);
    int32_t clientId = 7;
    KxString server("SRV");
    KxString client("client");
    EXPECT_EQ(database.RegisterConnection(&server, &clientId, &client, 0, 1, 0), 1);
    EXPECT_EQ(clientId, 42);

    const std::vector<std::string> expected = {"OpenConnection", "OpenConnection", "CheckTableName",
                                               "CloneConnection", "RegisterConnection"};
    EXPECT_EQ(KxGFakeScript::Operations(), expected);
    EXPECT_EQ(KxGFakeScript::Calls().back().arguments, "SRV,7,client,0,1,0");
    EXPECT_EQ(KxGFakeScript::Calls().back().object, &database);
}

TEST_F(FakeDatabaseTest, CloneKeepsNamesAndSettingsAndDestroyDisposes)
{
    const int32_t before = KxGFakeDatabase::LiveCount();
    database.SetGatewayVersion(1024);
    KxGDatabase* clone = database.CloneConnection();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(KxGFakeDatabase::LiveCount(), before + 1);
    KxString name;
    EXPECT_EQ(*clone->GetDatabaseName(&name), KxString("shop"));
    EXPECT_EQ(clone->GetGatewayVersion(), 1024);
    EXPECT_EQ(clone->GetTrace(0), nullptr);
    clone->Destroy(0);
    EXPECT_EQ(KxGFakeDatabase::LiveCount(), before);
}

// ---------------------------------------------------------------------------------------------------
// GetMaxStatementHandle

// Starts the kernel with a configuration file holding text (none when text is empty) and stops it.
class Kernel {
public:
    explicit Kernel(const std::optional<std::string>& configText)
    {
        KxParameterList params;
        params.Append("ClientName", "relgate_tests");
        if (configText) {
            const std::string file = dir_.Path("kelvox.ini");
            WriteFile(file, *configText);
            params.Append("ConfigFile", KxString(file));
        }
        started_ = InitKelvox(&params) == 0;
        EXPECT_TRUE(started_);
    }
    ~Kernel()
    {
        if (started_) {
            DeinitKelvox();
        }
    }

private:
    TempDir dir_;
    bool started_ = false;
};

TEST(GetMaxStatementHandle, ReadsOnlyTheDatabaseSection)
{
    struct Row {
        const char* name;
        std::optional<std::string> config;
        const char* database;
        uint16_t expected;
    };
    const Row rows[] = {
        {"DatabaseSection", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=12\n", "shop", 12},
        {"ZeroIsAValue", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=0\n", "shop", 0},
        {"OtherDatabase", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=12\n", "stock", 40},
        {"GlobalSectionOnly", "[RelationalObjectGateway]\nMaxStatementHandleCacheSize=99\n", "shop", 40},
        {"TopLevelKeyOnly", "MaxStatementHandleCacheSize=99\n", "shop", 40},
        {"SectionWithoutKey", "[databases\\shop\\RelationalObjectGateway]\nTraceModules=SM\n", "shop", 40},
        {"NotANumber", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=many\n", "shop", 40},
        {"Negative", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=-1\n", "shop", 40},
        {"TooLarge", "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=70000\n", "shop", 40},
        {"EmptyDatabaseName", "[databases]\nMaxStatementHandleCacheSize=7\n", "", 40},
        {"NoConfiguration", std::nullopt, "shop", 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Kernel kernel(row.config);
        EXPECT_EQ(GetMaxStatementHandle(KxString(row.database)), row.expected);
    }
}

TEST(GetMaxStatementHandle, KernelNotStartedGivesTheDefault)
{
    EXPECT_EQ(GetMaxStatementHandle(KxString("shop")), 40);
}

TEST(RogVersion, TheFirstOpenSetsItForTheProcess)
{
    EXPECT_EQ(GetROGVersion(), 0);
    EXPECT_EQ(SetROGVersion(0), 0);      // 0 sets nothing
    EXPECT_EQ(SetROGVersion(0x400), 0x400);
    EXPECT_EQ(SetROGVersion(0x401), 0x400);
    EXPECT_EQ(GetROGVersion(), 0x400);
}

}  // namespace
