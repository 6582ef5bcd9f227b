// relgate and the fake adapter loaded through the kernel's module registry: everything is reached
// through the registry and the modules' exported entry points.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "KxGDatabase.h"
#include "KxConnection.h"
#include "KxGatewayModule.h"
#include "KxRoot.h"
#include "TestSupport.h"
#include "kxfound.h"

namespace {

// The kernel started with a configuration that names the fake adapter's library for its short name.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string config = dir_.Path("kelvox.ini");
        WriteFile(config, std::string("[modules]\nGf=") + RELGATE_FAKE_FILE + "\n");
        KxParameterList params;
        params.Append("ClientName", "relgate_module_tests");
        params.Append("ConfigFile", KxString(config));
        ASSERT_EQ(InitKelvox(&params), 0);
        DllNameClass::SetSearchPath(KxString(RELGATE_DIR));
    }
    void TearDown() override
    {
        DllNameClass::SetSearchPath(KxString());
        DeinitKelvox();   // unloads every registered module
    }

    // The registered module of a short name, loaded; registered first when it is new.
    KxLoadableModule* Load(const char* shortName)
    {
        KxDllManager* manager = KxBase::KELVOX()->GetDllManager();
        const KxString file = DllNameClass::GetDllName(KxString(shortName));
        KxLoadableModule* module = manager->GetLoadable(file);
        if (module == nullptr) {
            module = new KxLoadableModule(file);
            EXPECT_EQ(manager->RegisterDll(module), 0);
        }
        EXPECT_EQ(module->Load(), 0) << module->GetLastError().StrGet();
        return module;
    }

    template <typename F>
    F Entry(KxLoadableModule* module, const char* name)
    {
        void* entry = module->GetEntry(KxString(name));
        EXPECT_NE(entry, nullptr) << name;
        return reinterpret_cast<F>(entry);
    }

    TempDir dir_;
};

TEST_F(ModuleTest, GatewayIsCheckedDescribedAndRegistersItsTexts)
{
    KxLoadableModule* module = Load("relgate");
    ASSERT_TRUE(module->IsLoaded());

    // Loading called KxCheckDll(0): the version check saw the two lowest flag bits set.
    KxVersionCheckArgs check = KxLastVersionCheck();
    EXPECT_EQ(check.flags, 3);
    EXPECT_EQ(check.major, 11);
    EXPECT_EQ(check.minor, 0);
    EXPECT_EQ(check.release, 3);
    EXPECT_EQ(check.build, 50);
    EXPECT_EQ(check.reserved, 0);

    auto checkDll = Entry<KxCheckDllProc>(module, KX_CHECK_DLL_ENTRY);
    EXPECT_EQ(checkDll(4), 0);
    EXPECT_EQ(KxLastVersionCheck().flags, 7);

    const KxModuleDescription& description = module->GetDescription();
    EXPECT_EQ(description.major, 11);
    EXPECT_EQ(description.minor, 0);
    EXPECT_EQ(description.release, 3);
    EXPECT_EQ(description.build, 50);
    EXPECT_EQ(description.reserved, 0);
    EXPECT_EQ(description.name, KxString("relgate"));
    EXPECT_TRUE(std::regex_match(std::string(description.buildStamp.StrGet()),
                                 std::regex("[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << description.buildStamp.StrGet();
    EXPECT_EQ(description.unknownText, KxString("unknown"));
    EXPECT_GT(description.compilerVersion, 0);
    EXPECT_FALSE(description.compilerName.IsEmpty());
    EXPECT_TRUE(description.extra.IsEmpty());
    EXPECT_EQ(description.description, KxString("Tessaform SQL Gateway"));

    // KxInitDll(1) during loading registered the error texts for -6000 to -6999.
    ASSERT_NE(KxError(-6031), nullptr);
    EXPECT_STREQ(KxError(-6031), "[ROGW][CA]could not fetch surrogates");
    EXPECT_STREQ(KxError(-6999), "[ROGW]unknwown error");
    EXPECT_STREQ(KxError(-6000), "[ROGW]not implemented");

    auto rogVersion = Entry<KxGGetROGVersionFunc>(module, "GetROGVersion");
    EXPECT_EQ(rogVersion(), 0);

    // Unloading calls KxInitDll(0), which removes the texts.
    EXPECT_EQ(module->Unload(), 0);
    EXPECT_FALSE(module->IsLoaded());
    EXPECT_EQ(KxError(-6031), nullptr);
    EXPECT_EQ(KxError(-6000), nullptr);
}

TEST_F(ModuleTest, InitDllSwitchesTheTextsOnAndOff)
{
    KxLoadableModule* module = Load("relgate");
    auto initDll = Entry<KxInitDllProc>(module, KX_INIT_DLL_ENTRY);
    EXPECT_EQ(initDll(0), 0);
    EXPECT_EQ(KxError(-6031), nullptr);
    EXPECT_EQ(initDll(1), 0);
    EXPECT_STREQ(KxError(-6031), "[ROGW][CA]could not fetch surrogates");
    // Codes outside the range are not the gateway's.
    const char* outside = KxError(-7000);
    EXPECT_TRUE(outside == nullptr || std::string(outside) != "[ROGW]unknwown error");
}

TEST_F(ModuleTest, ClientFactoryKeepsACopyOfTheProduct)
{
    KxLoadableModule* module = Load("relgate");
    auto getFactory = Entry<KxGGetGatewayClientFactoryFunc>(module, "GetGatewayClientFactory");
    KxString product("Oracle");
    std::unique_ptr<KxConnectionFactory> factory(getFactory(product));
    ASSERT_NE(factory, nullptr);
    product = "DB2";
    KxString name;
    EXPECT_EQ(factory->GetProductName(name), 0);
    EXPECT_EQ(name, KxString("Oracle"));
}

TEST_F(ModuleTest, FakeAdapterCreatesItsDatabaseThroughGetDBInst)
{
    // The client's way: "G" and the first letter of the lower-cased product "Fake".
    KxLoadableModule* module = Load("Gf");
    EXPECT_EQ(module->GetFileName(), KxString(RELGATE_FAKE_FILE));
    EXPECT_EQ(module->GetModuleName(), KxString("relgate_fake"));

    auto getDBInst = Entry<KxGGetDBInstFunc>(module, KXG_GET_DB_INST);
    ASSERT_NE(getDBInst, nullptr);
    KxParameterList params;
    params.Append("ROG_RowNum", "100");
    KxGDatabase* database = getDBInst(KxString("SRV"), KxString("shop"), KxString::EmptyString(),
                                      KxString::EmptyString(), nullptr, &params);
    ASSERT_NE(database, nullptr);

    KxString text;
    EXPECT_EQ(*database->GetDatabaseName(&text), KxString("shop"));
    EXPECT_EQ(database->GetDatabaseInfo()->GetProductName(), KxString("FAKE"));
    EXPECT_EQ(database->OpenConnection(), 1);
    EXPECT_EQ(database->GetError()->HasError(), 0);
    EXPECT_EQ(database->GetBatchSize(25, 1), 25);
    database->CloseConnection();
    database->Destroy(0);
}

}  // namespace
