#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxRoot.h"
#include "TestRecorder.h"
#include "TestSupport.h"

namespace {

using Events = std::vector<std::string>;

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxTestClearEvents();
        KxTestSetCheckResult(0);
        KxTestSetInitResult(0);
        config = dir.Write("kx.ini", std::string("[modules]\nGt=") + KX_TEST_MODULE_FILE + "\n");
        ASSERT_EQ(0, params.Append("ConfigFile", config));
        ASSERT_EQ(0, InitKelvox(&params));
    }
    void TearDown() override {
        if (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }

    TempDir dir;
    std::string config;
    KxParameterSet params;
};

TEST_F(ModuleTest, LoadDescribeUseAndUnloadThroughTheRegistry) {
    KxDllManager* mgr = KxBase::KELVOX()->GetDllManager();
    const KxString file = DllNameClass::GetDllName("Gt");
    EXPECT_EQ(KX_TEST_MODULE_FILE, file.ToUtf8());
    ASSERT_EQ(nullptr, mgr->GetLoadable(file));

    KxLoadableModule* module = new KxLoadableModule(file);
    ASSERT_EQ(0, mgr->RegisterDll(module));
    EXPECT_EQ(module, mgr->GetLoadable(file));
    KxLoadableModule duplicate(file);
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, mgr->RegisterDll(&duplicate));

    ASSERT_EQ(0, module->Load());
    EXPECT_EQ((Events{"check 0", "describe", "init 1"}), KxTestEvents());
    EXPECT_TRUE(module->IsLoaded());
    EXPECT_EQ("kxtestmodule", module->GetModuleName().ToUtf8());
    EXPECT_EQ("Kernel test module", module->GetDescriptionText().ToUtf8());
    EXPECT_EQ("Jan  2 2024 10:11:12", module->GetBuildStamp().ToUtf8());
    EXPECT_EQ(11, module->GetMajor());
    EXPECT_EQ(0, module->GetMinor());
    EXPECT_EQ(3, module->GetRelease());
    EXPECT_EQ(50, module->GetBuild());
    const KxModuleDescription& d = module->GetDescription();
    EXPECT_EQ("unknown", d.unknownText.ToUtf8());
    EXPECT_EQ(1200, d.compilerVersion);
    EXPECT_EQ("g++", d.compilerName.ToUtf8());

    auto answer = reinterpret_cast<int32_t (*)()>(module->GetEntry("KxTestModuleAnswer"));
    ASSERT_NE(nullptr, answer);
    EXPECT_EQ(42, answer());
    EXPECT_EQ(nullptr, module->GetEntry("NoSuchEntry"));

    // Loads are counted: only the last unload ends the module.
    EXPECT_EQ(0, module->Load());
    EXPECT_EQ(2, module->GetLoadCount());
    EXPECT_EQ(0, module->Unload());
    EXPECT_TRUE(module->IsLoaded());
    EXPECT_EQ(3u, KxTestEvents().size());
    EXPECT_EQ(0, module->Unload());
    EXPECT_EQ((Events{"check 0", "describe", "init 1", "init 0"}), KxTestEvents());
    EXPECT_FALSE(module->IsLoaded());
    EXPECT_EQ(nullptr, module->GetEntry("KxTestModuleAnswer"));
    EXPECT_EQ(KX_KERNEL_E_STATE, module->Unload());
}

TEST_F(ModuleTest, FailedLoadsReportAndLeaveTheModuleUnloaded) {
    struct Case {
        const char* name;
        std::string file;
        int32_t checkResult;
        int32_t initResult;
        int32_t expected;
        Events events;
    };
    const Case cases[] = {
        {"missing file", dir.Path() + "/libabsent.so", 0, 0, KX_KERNEL_E_MODULE_LOAD, {}},
        {"not a module", KX_TEST_RECORDER_FILE, 0, 0, KX_KERNEL_E_MODULE_PROTOCOL, {}},
        {"check refuses", KX_TEST_MODULE_FILE, -5004, 0, -5004, {"check 0"}},
        {"init fails", KX_TEST_MODULE_FILE, 0, -7, -7, {"check 0", "describe", "init 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KxTestClearEvents();
        KxTestSetCheckResult(c.checkResult);
        KxTestSetInitResult(c.initResult);
        KxLoadableModule module(KxString::FromUtf8(c.file));
        EXPECT_EQ(c.expected, module.Load());
        EXPECT_FALSE(module.IsLoaded());
        EXPECT_FALSE(module.GetLastError().IsEmpty());
        EXPECT_EQ(nullptr, module.GetEntry("KxTestModuleAnswer"));
        EXPECT_EQ(c.events, KxTestEvents());
    }
    // After a failure the same module object loads once the cause is gone.
    KxTestSetCheckResult(0);
    KxTestSetInitResult(0);
    KxLoadableModule module(KX_TEST_MODULE_FILE);
    KxTestSetCheckResult(-5004);
    EXPECT_EQ(-5004, module.Load());
    KxTestSetCheckResult(0);
    EXPECT_EQ(0, module.Load());
    EXPECT_EQ(0, module.Unload());
}

TEST_F(ModuleTest, ModulesBesideTheKernelLibraryAreFoundByShortName) {
    // The test module lies in the same directory as the kernel library.
    const KxString file = DllNameClass::GetDllName("kxkernel_testmodule");
    EXPECT_EQ(std::string(KX_TEST_MODULE_DIR) + "/" + KX_TEST_MODULE_BASENAME, file.ToUtf8());
    {
        KxLoadableModule module(file);
        EXPECT_EQ(0, module.Load());
    }
    // Deleting a loaded module unloads it.
    EXPECT_EQ((Events{"check 0", "describe", "init 1", "init 0"}), KxTestEvents());
}

TEST_F(ModuleTest, LastDeinitUnloadsRegisteredModules) {
    KxDllManager* mgr = KxBase::KELVOX()->GetDllManager();
    KxLoadableModule* module = new KxLoadableModule(DllNameClass::GetDllName("Gt"));
    ASSERT_EQ(0, mgr->RegisterDll(module));
    ASSERT_EQ(0, module->Load());
    ASSERT_EQ(0, InitKelvox(nullptr));   // nested
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_EQ(1u, mgr->Count());
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_EQ(0u, mgr->Count());
    EXPECT_EQ((Events{"check 0", "describe", "init 1", "init 0"}), KxTestEvents());
}

}  // namespace
