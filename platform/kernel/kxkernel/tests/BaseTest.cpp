// Bases by name (KxRoot::GetBase / UngetBase), Disconnect, the database create call, the long
// actions and the kernel's test hooks, on the test storage module: what each call asks of the
// storage, what it leaves behind when it fails or an exception passes through, and bases used on
// other threads than the one that made them.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxConnection.h"
#include "KxModule.h"
#include "KxObject.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "TestRecorder.h"
#include "TestSupport.h"

namespace {

using Events = std::vector<std::string>;

bool Has(const Events& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

// The kernel started on a configuration whose "relgate" and "kxnative" modules are the test storage.
class BaseByName : public ::testing::Test {
protected:
    void SetUp() override {
        KxTestClearEvents();
        KxHookClear();
        config_ = dir_.Write("kx.ini", std::string("[modules]\nrelgate=") + KX_TEST_STORAGE_FILE +
                                           "\nkxnative=" + KX_TEST_STORAGE_FILE +
                                           "\n[servers\\SHOPDB]\nname=Oracle$PHYS\n[servers\\OWN]\nname=kelvox$local\n");
        ASSERT_EQ(0, params_.Append("ConfigFile", config_));
        ASSERT_EQ(0, InitKelvox(&params_));
        const std::string dict = KX_SAMPLE_DICT_DIR;
        KxBase::KELVOX()->SetDictionaryPath("LOCAL", dict.substr(0, dict.rfind('/')).c_str());
    }
    void TearDown() override {
        KxHookClear();
        KxBase::KELVOX()->SetDictionaryPath("LOCAL", "");
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }

    // The load count of the test storage module (0 when it is not registered).
    static int32_t Loads() {
        const KxLoadableModule* module =
            KxBase::KELVOX()->GetDllManager()->GetLoadable(DllNameClass::GetDllName("relgate"));
        return module != nullptr ? module->GetLoadCount() : 0;
    }

    TempDir dir_;
    std::string config_;
    KxParameterSet params_;
};

TEST_F(BaseByName, GetBaseConnectsAndOpensAndUngetBaseClosesAndDeletes) {
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    ASSERT_NE(nullptr, base);
    EXPECT_TRUE(base->IsOpen());
    EXPECT_EQ("shop", base->GetLogicalName().ToUtf8());
    EXPECT_EQ(1, KxBase::KELVOX()->GetBaseCount());
    EXPECT_EQ(1, Loads());
    const Events opened = KxTestEvents();
    EXPECT_TRUE(Has(opened, "set server shop PHYS"));
    EXPECT_TRUE(Has(opened, "create shell"));

    // A dictionary the caller got is given back with UngetDictionary.
    KxClassDict* dict = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetDictionary("", "sample", dict));
    EXPECT_EQ(dict, base->GetDictionary());
    EXPECT_EQ(0, KxBase::KELVOX()->UngetDictionary(dict));

    KxTestClearEvents();
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base));
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
    EXPECT_EQ(0, Loads());
    EXPECT_TRUE(Has(KxTestEvents(), "close client"));
    EXPECT_TRUE(Has(KxTestEvents(), "module 0"));

    // A base the root did not make is not touched.
    KxBase own("shop");
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, KxBase::KELVOX()->UngetBase(&own));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, KxBase::KELVOX()->UngetBase(nullptr));
}

TEST_F(BaseByName, AFailedGetBaseLeavesNoBaseAndNoModuleLoad) {
    struct Case {
        const char* what;
        const char* server;
        const char* failure;   // the storage call told to fail
        int32_t mode;
        int32_t status;
    };
    const Case cases[] = {
        {"a server text without brand", "NOSERVER", nullptr, 2, KX_KERNEL_E_INVALID},
        {"a refused log-in", "SHOPDB", "open client", 2, -2309},
        {"a database that does not open", "SHOPDB", "open database", 2, -6005},
        {"a mode other than read-write", "SHOPDB", nullptr, 1, KX_KERNEL_E_INVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KxTestClearEvents();
        if (c.failure != nullptr) KxTestSetFailure(c.failure, c.status);
        KxBase* base = reinterpret_cast<KxBase*>(0x1);
        EXPECT_EQ(c.status, KxBase::KELVOX()->GetBase(c.server, "shop", base, c.mode));
        EXPECT_EQ(nullptr, base);
        EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
        EXPECT_EQ(0, Loads());
        if (c.failure != nullptr) {
            EXPECT_TRUE(Has(KxTestEvents(), "factory gone"));
        }
    }
    // Without a started kernel.
    while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    KxBase* base = nullptr;
    EXPECT_EQ(KX_KERNEL_E_NOT_INITIALISED, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    EXPECT_EQ(nullptr, base);
}

TEST_F(BaseByName, AnExceptionOutOfTheStoragePassesThroughGetBaseAndLeavesTheCountsAsBefore) {
    for (const char* where : {"open client", "open database", "register Person"}) {
        SCOPED_TRACE(where);
        KxTestClearEvents();
        KxTestSetFailure(where, KX_TEST_THROW);
        KxBase* base = nullptr;
        EXPECT_THROW(KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2), std::runtime_error);
        EXPECT_EQ(nullptr, base);
        EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
        EXPECT_EQ(0, Loads());
        EXPECT_EQ(1, KxBase::KELVOX()->GetInitCount());
        EXPECT_TRUE(Has(KxTestEvents(), "connection gone"));
        EXPECT_TRUE(Has(KxTestEvents(), "module 0"));
    }
    // The next one works.
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    // An exception out of the close: the base is deleted all the same.
    KxTestSetFailure("close database", KX_TEST_THROW);
    EXPECT_THROW(KxBase::KELVOX()->UngetBase(base), std::runtime_error);
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
    EXPECT_EQ(0, Loads());
}

TEST_F(BaseByName, AnExceptionInAStoreOrACommitEndsTheShellLevelAndTheTransaction) {
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    const KxMetaClass* company = base->GetDictionary()->FindByName("Company")->AsClass();
    KxObject* object = nullptr;
    ASSERT_EQ(0, base->GetObjectMgr()->Create(company, object));
    ASSERT_EQ(0, base->BeginTransaction());
    KxTestClearEvents();
    KxTestSetFailure("store", KX_TEST_THROW);
    EXPECT_THROW(base->StoreObject(object), std::runtime_error);
    EXPECT_TRUE(Has(KxTestEvents(), "shell abort"));
    EXPECT_EQ(1, base->GetTransactionLevel());
    EXPECT_EQ(0, base->AbortTransaction());

    // A connection whose begin throws: no level stays open.
    KxTestSetFailure("begin", KX_TEST_THROW);
    EXPECT_THROW(base->BeginTransaction(), std::runtime_error);
    EXPECT_EQ(0, base->GetTransactionLevel());
    EXPECT_EQ(0, base->BeginTransaction());
    EXPECT_EQ(0, base->StoreObject(object));
    EXPECT_EQ(0, base->CommitTransaction());
    object->Release();
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base));
}

TEST_F(BaseByName, TwoBasesStartTheKernelOnceAndTheLastDeinitClosesWhatIsLeft) {
    // Each user of a base starts the kernel; the kernel is started once and stopped by the last stop.
    ASSERT_EQ(0, InitKelvox(&params_));
    KxBase* first = nullptr;
    KxBase* second = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", first, 2));
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("OWN", "own", second, 2));
    EXPECT_EQ(2, KxBase::KELVOX()->GetInitCount());
    EXPECT_EQ(2, KxBase::KELVOX()->GetBaseCount());
    EXPECT_TRUE(Has(KxTestEvents(), "native factory kelvox"));
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(first));
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_NE(nullptr, KxBase::KELVOX()->GetConfig());   // still started
    KxTestClearEvents();
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_EQ(nullptr, KxBase::KELVOX()->GetConfig());
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
    const Events events = KxTestEvents();
    EXPECT_TRUE(Has(events, "close client"));   // the base left open was closed before its module went
    ASSERT_TRUE(Has(events, "module 0"));
    EXPECT_LT(std::find(events.begin(), events.end(), "close client"), std::find(events.begin(), events.end(), "module 0"));
}

TEST_F(BaseByName, ABaseMadeOnOneThreadWorksOnAnother) {
    KxBase* base = nullptr;
    std::thread([&] { ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2)); }).join();
    ASSERT_NE(nullptr, base);
    const KxMetaClass* company = base->GetDictionary()->FindByName("Company")->AsClass();
    KxObject* object = nullptr;
    ASSERT_EQ(0, base->GetObjectMgr()->Create(company, object));
    ASSERT_EQ(0, base->BeginTransaction());
    EXPECT_EQ(0, base->StoreObject(object));
    EXPECT_EQ(0, base->CommitTransaction());
    object->Release();
    int32_t released = -1;
    std::thread([&] { released = KxBase::KELVOX()->UngetBase(base); }).join();
    EXPECT_EQ(0, released);
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
}

TEST_F(BaseByName, DisconnectAndCreateDatabase) {
    KxBase base("shop");
    EXPECT_EQ(KX_KERNEL_E_STATE, base.Disconnect());
    EXPECT_EQ(KX_KERNEL_E_STATE, base.CreateDatabase("sample"));
    ASSERT_EQ(0, base.Connect("OWN"));
    EXPECT_EQ(0, base.CreateDatabase("sample", "LOCAL"));
    EXPECT_TRUE(Has(KxTestEvents(), "create database shop sample LOCAL"));
    EXPECT_TRUE(Has(KxTestEvents(), "admin gone"));
    EXPECT_FALSE(base.IsOpen());
    ASSERT_EQ(0, base.Open());
    EXPECT_EQ(KX_KERNEL_E_STATE, base.CreateDatabase("sample"));   // not on an open base
    KxTestClearEvents();
    EXPECT_EQ(0, base.Disconnect());
    EXPECT_FALSE(base.IsOpen());
    EXPECT_EQ(nullptr, base.GetConnectionFactory());
    EXPECT_TRUE(Has(KxTestEvents(), "close client"));
    EXPECT_TRUE(Has(KxTestEvents(), "module 0"));
    EXPECT_EQ(KX_KERNEL_E_STATE, base.Disconnect());
}

TEST_F(BaseByName, LongActionsGoToTheStorageOnAConnectedOrOpenBase) {
    typedef int32_t (KxBase::*Action)(const KxString&, int32_t, KxParameterSet*);
    struct Case {
        const char* name;
        Action action;
        int32_t code;
    };
    const Case cases[] = {
        {"UpdateSchema", &KxBase::UpdateSchema, KX_MAINTAIN_UPDATE_SCHEMA},
        {"VersAll", &KxBase::VersAll, KX_MAINTAIN_VERS_ALL},
        {"Reorg", &KxBase::Reorg, KX_MAINTAIN_REORG},
        {"ReIndex", &KxBase::ReIndex, KX_MAINTAIN_REINDEX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string asked = "maintain " + std::to_string(c.code) + " other 0";
        KxBase base("shop");
        EXPECT_EQ(KX_KERNEL_E_STATE, (base.*c.action)("other", 0, nullptr));   // not connected
        ASSERT_EQ(0, base.Connect("OWN"));
        KxTestClearEvents();
        EXPECT_EQ(0, (base.*c.action)("other", 0, nullptr));
        EXPECT_EQ((Events{"create connection", "set server shop local", asked, "connection gone"}), KxTestEvents());
        KxTestSetFailure("maintain", -2028);
        EXPECT_EQ(-2028, (base.*c.action)("other", 0, nullptr));
        // An open base's own connection does the work; not inside a transaction.
        ASSERT_EQ(0, base.Open());
        KxTestClearEvents();
        EXPECT_EQ(0, (base.*c.action)("other", 0, nullptr));
        EXPECT_EQ(Events{asked}, KxTestEvents());
        ASSERT_EQ(0, base.BeginTransaction());
        EXPECT_EQ(KX_KERNEL_E_STATE, (base.*c.action)("other", 0, nullptr));
        EXPECT_EQ(0, base.CommitTransaction());
    }
}

TEST_F(BaseByName, HookedFailuresAnswerTheNextCallOnce) {
    struct Case {
        const char* operation;
        int32_t (*call)(KxBase&);
        bool closes;   // the call closes the base all the same
    };
    const Case cases[] = {
        {"Connect", [](KxBase& b) { return b.Connect("SHOPDB"); }, false},
        {"Open", [](KxBase& b) { return b.Connect("SHOPDB") == 0 ? b.Open() : -1; }, false},
        {"Close", [](KxBase& b) { return b.Connect("SHOPDB") == 0 && b.Open() == 0 ? b.Close() : -1; }, true},
        {"Disconnect", [](KxBase& b) { return b.Connect("SHOPDB") == 0 ? b.Disconnect() : -1; }, true},
        {"CreateDatabase", [](KxBase& b) { return b.Connect("SHOPDB") == 0 ? b.CreateDatabase("sample") : -1; }, false},
        {"UpdateSchema", [](KxBase& b) { return b.Connect("OWN") == 0 ? b.UpdateSchema("shop", 0, nullptr) : -1; }, false},
        {"VersAll", [](KxBase& b) { return b.Connect("OWN") == 0 ? b.VersAll("shop", 0, nullptr) : -1; }, false},
        {"Reorg", [](KxBase& b) { return b.Connect("OWN") == 0 ? b.Reorg("shop", 0, nullptr) : -1; }, false},
        {"ReIndex", [](KxBase& b) { return b.Connect("OWN") == 0 ? b.ReIndex("shop", 0, nullptr) : -1; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        KxHookFailNext(c.operation, -4711);
        {
            KxBase base("shop");
            KxTestClearEvents();
            EXPECT_EQ(-4711, c.call(base));
            EXPECT_FALSE(base.IsOpen());
            const Events events = KxTestEvents();
            EXPECT_TRUE(std::none_of(events.begin(), events.end(),
                                     [](const std::string& e) { return e.rfind("maintain", 0) == 0; }));
            EXPECT_EQ(c.closes, Has(KxTestEvents(), "close client") || Has(KxTestEvents(), "factory gone"));
        }
        KxBase again("shop");
        EXPECT_EQ(0, c.call(again));   // once only
    }
    // GetBase and UngetBase.
    KxHookFailNext("GetBase", -4712);
    KxBase* base = nullptr;
    EXPECT_EQ(-4712, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("SHOPDB", "shop", base, 2));
    KxHookFailNext("UngetBase", -4713);
    EXPECT_EQ(-4713, KxBase::KELVOX()->UngetBase(base));
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
    EXPECT_EQ(0, Loads());
}

TEST_F(BaseByName, AHeldLongActionWaitsForTheTestAndItsFailureReachesItsThread) {
    KxBase base("shop");
    ASSERT_EQ(0, base.Connect("OWN"));
    KxHookHoldNext("VersAll");
    KxHookFailNext("VersAll", -4714);
    KxTestClearEvents();
    std::future<int32_t> result = std::async(std::launch::async, [&] { return base.VersAll("shop", 0, nullptr); });
    KxHookWaitHeld("VersAll");
    // Held at its start: nothing asked of the storage yet, the caller's thread still waits.
    EXPECT_TRUE(KxTestEvents().empty());
    KxHookRelease("VersAll");
    EXPECT_EQ(-4714, result.get());
    // Held without a failure: the action runs once released.
    KxHookHoldNext("Reorg");
    result = std::async(std::launch::async, [&] { return base.Reorg("shop", 0, nullptr); });
    KxHookWaitHeld("Reorg");
    KxHookRelease("Reorg");
    EXPECT_EQ(0, result.get());
    EXPECT_TRUE(Has(KxTestEvents(), "maintain 3 shop 0"));
}

}  // namespace
