// relgate_ora loaded through the kernel's module registry, as the gateway client loads the adapter of
// the product "Oracle": everything is reached through the registry and the module's exported entry
// points.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "DatabaseTestSupport.h"
#include "KxGDatabase.h"
#include "KxGatewayClient.h"
#include "KxModule.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "kxfound.h"

namespace {

class OraModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        kernel_.emplace("relgate_ora_module_tests");
        ASSERT_EQ(kernel_->Status(), 0);
    }
    void TearDown() override
    {
        kernel_.reset();   // unloads every registered module
    }

    std::optional<oratest::KelvoxScope> kernel_;
};

TEST_F(OraModule, ShortNameGoIsFoundBesideTheKernelLibrary)
{
    const std::string file = DllNameClass::GetDllName(KxString("Go")).StrGet();
    EXPECT_EQ(file, std::string(KERNEL_DIR) + "/librelgate_ora.so");
}

TEST_F(OraModule, ProductOracleLoadsTheAdapterAndMakesItsDatabase)
{
    KxParameterList parameters;
    DatabasePtr database(KxGatewayClient::LoadSpecificGatewayDll(KxString("Oracle"), KxString("LOCAL"),
                                                                 KxString("shop"), KxString("scott"),
                                                                 KxString("TiGer"), &parameters, nullptr));
    ASSERT_NE(database, nullptr);
    KxString text;
    EXPECT_EQ(*database->GetDatabaseName(&text), KxString("SHOP"));
    EXPECT_EQ(*database->GetUser(&text), KxString("SCOTT"));
    EXPECT_EQ(*database->GetPassword(&text), KxString("TiGer"));
    EXPECT_EQ(database->GetGatewayVersion(), 1024);
    EXPECT_EQ(database->GetDatabaseInfo()->GetProductName(), KxString("ORACLE"));

    // Loading checked the module with KxCheckDll(0): the version check saw the two lowest flag bits.
    const KxVersionCheckArgs check = KxLastVersionCheck();
    EXPECT_EQ(check.flags, 3);
    EXPECT_EQ(check.major, 11);
    EXPECT_EQ(check.minor, 0);
    EXPECT_EQ(check.release, 3);
    EXPECT_EQ(check.build, 50);
    EXPECT_EQ(check.reserved, 0);

    KxLoadableModule* module =
        KxBase::KELVOX()->GetDllManager()->GetLoadable(DllNameClass::GetDllName(KxString("Go")));
    ASSERT_NE(module, nullptr);
    ASSERT_TRUE(module->IsLoaded());
    const KxModuleDescription& description = module->GetDescription();
    EXPECT_EQ(description.major, 11);
    EXPECT_EQ(description.minor, 0);
    EXPECT_EQ(description.release, 3);
    EXPECT_EQ(description.build, 50);
    EXPECT_EQ(description.reserved, 0);
    EXPECT_EQ(description.name, KxString("relgate_ora"));
    EXPECT_EQ(description.unknownText, KxString("unknown"));
    EXPECT_TRUE(description.extra.IsActive());
    EXPECT_TRUE(description.extra.IsEmpty());
    EXPECT_FALSE(description.compilerName.IsEmpty());
    EXPECT_GT(description.compilerVersion, 0);
    EXPECT_EQ(description.description, KxString("Tessaform Oracle Adapter"));
    // The build stamp: month abbreviation, day and year, then hh:mm:ss.
    const std::string stamp = description.buildStamp.StrGet();
    EXPECT_EQ(stamp.size(), 20u) << stamp;
    EXPECT_EQ(stamp.substr(11, 1), " ") << stamp;
    EXPECT_EQ(stamp.substr(14, 1), ":") << stamp;

    auto checkDll = reinterpret_cast<KxCheckDllProc>(module->GetEntry(KxString(KX_CHECK_DLL_ENTRY)));
    ASSERT_NE(checkDll, nullptr);
    EXPECT_EQ(checkDll(4), 0);
    EXPECT_EQ(KxLastVersionCheck().flags, 7);
    auto initDll = reinterpret_cast<KxInitDllProc>(module->GetEntry(KxString(KX_INIT_DLL_ENTRY)));
    ASSERT_NE(initDll, nullptr);
    EXPECT_EQ(initDll(1), 0);
    EXPECT_EQ(initDll(0), 0);

    // The module's database objects are destroyed before the module unloads.
    database.reset();
}

}  // namespace
