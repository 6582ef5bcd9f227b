// The storage road of a base on a test storage module: the server name resolves to brand and
// physical server, opening makes connection, admin, a bucket per persistent class and the shell,
// and stores, reads and deletes run in the shell's inner levels with ids from the surrogate cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "KxAdmin.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "TestRecorder.h"
#include "TestSupport.h"

namespace {

using Events = std::vector<std::string>;

bool Has(const Events& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

// The events from the first one that starts with 'from' on.
Events From(const Events& events, const std::string& from) {
    auto it = std::find(events.begin(), events.end(), from);
    return Events(it, events.end());
}

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxTestClearEvents();
        config_ = dir_.Write("kx.ini", std::string("[modules]\nrelgate=") + KX_TEST_STORAGE_FILE +
                                           "\nkxnative=" + KX_TEST_STORAGE_FILE +
                                           "\n[servers\\SHOPDB]\nname=Oracle$PHYS\n");
        ASSERT_EQ(0, params_.Append("ConfigFile", config_));
        ASSERT_EQ(0, InitKelvox(&params_));
        const std::string dict = KX_SAMPLE_DICT_DIR;
        KxBase::KELVOX()->SetDictionaryPath("LOCAL", dict.substr(0, dict.rfind('/')).c_str());
    }
    void TearDown() override {
        KxBase::KELVOX()->SetDictionaryPath("LOCAL", "");
        if (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }

    // A base connected to SHOPDB and opened.
    void OpenBase(KxBase& base) {
        ASSERT_EQ(0, base.Connect("SHOPDB"));
        ASSERT_EQ(0, base.Open());
        ASSERT_TRUE(base.IsOpen());
    }

    const KxMetaClass* Class(KxBase& base, const char* name) {
        const KxMetaType* type = base.GetDictionary()->FindByName(name);
        return type != nullptr ? type->AsClass() : nullptr;
    }

    TempDir dir_;
    std::string config_;
    KxParameterSet params_;
};

TEST_F(StorageTest, ServerNamesResolveToBrandAndPhysicalServer) {
    struct Case {
        const char* server;
        int32_t status;
        const char* brand;
        const char* physical;
    };
    const Case cases[] = {
        {"SHOPDB", 0, "Oracle", "PHYS"},            // from [servers\SHOPDB] name
        {"shopdb", 0, "Oracle", "PHYS"},            // section names ignore case
        {"DB2@HOST1", 0, "DB2", "HOST1"},           // the text itself, "@" as separator
        {"Oracle$A$B", 0, "Oracle", "A$B"},         // the first separator splits
        {"NOSEPARATOR", KX_KERNEL_E_INVALID, "", ""},
        {"$PHYS", KX_KERNEL_E_INVALID, "", ""},
        {"Oracle$", KX_KERNEL_E_INVALID, "", ""},
        {"kelvox$LOCAL", 0, "kelvox", "LOCAL"},             // the kernel's own storage (module kxnative)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        KxTestClearEvents();
        KxBase base("shop");
        EXPECT_EQ(c.status, base.Connect(c.server));
        if (c.status == 0) {
            EXPECT_EQ(c.brand, base.GetBrand().ToUtf8());
            EXPECT_EQ(c.physical, base.GetPhysicalServer().ToUtf8());
            // The kernel's own brand takes its factory from the native entry.
            const bool own = std::string(c.brand) == "kelvox";
            EXPECT_TRUE(Has(KxTestEvents(), std::string(own ? "native factory " : "factory ") + c.brand));
            EXPECT_EQ(KX_KERNEL_E_STATE, base.Connect(c.server));   // once only
        } else {
            EXPECT_EQ(nullptr, base.GetConnectionFactory());
            EXPECT_FALSE(Has(KxTestEvents(), "module 1"));
        }
    }
}

TEST_F(StorageTest, OpenMakesConnectionAdminBucketsAndShellAndCloseUndoesThemInReverse) {
    {
        KxBase base("shop?mode");
        EXPECT_EQ(KX_KERNEL_E_STATE, base.Open());   // not connected
        OpenBase(base);
        const Events events = KxTestEvents();
        const Events opened = {"create connection", "set server shop?mode PHYS", "open client", "create admin",
                               "open database"};
        ASSERT_GE(events.size(), 7u);
        EXPECT_EQ(opened, Events(events.begin() + 2, events.begin() + 7));
        // A bucket for every persistent class, none for embedded classes or the root class.
        EXPECT_TRUE(Has(events, "register Person"));
        EXPECT_TRUE(Has(events, "register Named"));
        EXPECT_FALSE(Has(events, "register Address"));
        EXPECT_FALSE(Has(events, "register KxObject"));
        EXPECT_EQ("create shell", events.back());
        EXPECT_NE(nullptr, base.GetBucket(Class(base, "Person")->GetClassId()));
        KxTestClearEvents();
    }
    const Events closed = KxTestEvents();
    ASSERT_FALSE(closed.empty());
    EXPECT_EQ("shell gone", closed.front());
    const auto at = [&](const char* e) { return std::find(closed.begin(), closed.end(), e) - closed.begin(); };
    EXPECT_LT(at("close database"), at("admin gone"));
    EXPECT_LT(at("admin gone"), at("close client"));
    EXPECT_LT(at("close client"), at("connection gone"));
    EXPECT_LT(at("connection gone"), at("factory gone"));
    EXPECT_LT(at("factory gone"), at("module 0"));   // the factory's code goes with the module
}

TEST_F(StorageTest, AFailedOpenClosesWhatWasMadeAndTheBaseCanOpenAgain) {
    KxBase base("shop");
    ASSERT_EQ(0, base.Connect("SHOPDB"));
    KxTestSetFailure("register Person", -6007);
    EXPECT_EQ(-6007, base.Open());
    EXPECT_FALSE(base.IsOpen());
    const Events events = KxTestEvents();
    EXPECT_TRUE(Has(events, "close database"));
    EXPECT_TRUE(Has(events, "connection gone"));
    EXPECT_FALSE(Has(events, "factory gone"));   // still connected
    KxTestClearEvents();
    EXPECT_EQ(0, base.Open());
    // A module without buckets (RegisterClass not supported) still opens.
    KxBase other("shop");
    ASSERT_EQ(0, other.Connect("SHOPDB"));
    KxTestSetFailure("register Named", KX_KERNEL_E_NOT_SUPPORTED);
    EXPECT_EQ(0, other.Open());
}

TEST_F(StorageTest, StoresTakeIdsFromACacheOf64AndWaitInOnePendingLevelOfTheShell) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");
    EXPECT_EQ(KX_KERNEL_E_STATE, base.CommitTransaction());
    KxObject* object = nullptr;
    ASSERT_EQ(0, base.GetObjectMgr()->Create(person, object));
    EXPECT_EQ(KX_KERNEL_E_STATE, base.StoreObject(object));   // no transaction
    object->Release();

    ASSERT_EQ(0, base.BeginTransaction());
    KxTestClearEvents();
    std::set<uint64_t> ids;
    std::vector<KxObject*> objects;
    for (int i = 0; i < 65; ++i) {
        KxObject* o = nullptr;
        ASSERT_EQ(0, base.GetObjectMgr()->Create(person, o));
        objects.push_back(o);
        ASSERT_EQ(0, base.StoreObject(o));
        ids.insert(o->GetObjId().Get64());
    }
    EXPECT_EQ(65u, ids.size());
    const Events events = KxTestEvents();
    // Refills of 64 ids, then of twice the block before.
    EXPECT_EQ(1, std::count(events.begin(), events.end(), "fetch 64"));
    EXPECT_EQ(1, std::count(events.begin(), events.end(), "fetch 128"));
    EXPECT_EQ(1, std::count(events.begin(), events.end(), "shell begin"));
    EXPECT_FALSE(Has(events, "shell commit"));
    const Events first = {"fetch 64", "shell begin", "store 1001", "store 1002"};
    EXPECT_EQ(first, Events(events.begin(), events.begin() + 4));
    // An object that has its id keeps it.
    KxTestClearEvents();
    EXPECT_EQ(0, base.StoreObject(objects[0]));
    EXPECT_EQ((Events{"store 1001"}), KxTestEvents());   // no fetch
    EXPECT_EQ(66u, base.GetPendingCount());
    for (KxObject* o : objects) o->Release();
    // The commit writes the pending level, then commits the transaction.
    KxTestClearEvents();
    EXPECT_EQ(0, base.CommitTransaction());
    EXPECT_EQ((Events{"shell commit", "commit", "delete context"}), KxTestEvents());
    EXPECT_EQ(0u, base.GetPendingCount());
    EXPECT_EQ(0, base.GetTransactionLevel());
}

// Whatever must see the pending work writes it first; an abort drops it.
TEST_F(StorageTest, PendingStoresAreWrittenBeforeAnythingThatMustSeeThem) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");
    const KxClassId classId = person->GetClassId();
    const KxRef other(KxObjId(500), classId);
    KxObject* object = nullptr;
    ASSERT_EQ(0, base.GetObjectMgr()->Create(person, object));
    struct Case {
        const char* trigger;
        std::function<void()> call;
        const char* after;   // the trigger's own event behind the write
    };
    const Case cases[] = {
        {"nested begin", [&] { EXPECT_EQ(0, base.BeginTransaction()); EXPECT_EQ(0, base.CommitTransaction()); }, "begin"},
        {"query", [&] { KxQuery query(classId); KxRefList found; base.Query(query, found); }, nullptr},
        {"extent count", [&] { int32_t n = 0; base.GetExtentCount(classId, n); }, nullptr},
        {"cursor", [&] { int32_t n = 0; delete base.CreateCursor(classId, n); }, nullptr},
        {"read from storage", [&] { KxObject* read = nullptr; EXPECT_EQ(0, base.GetObject(other, read)); read->Release(); }, "get 500"},
        {"delete", [&] { EXPECT_EQ(0, base.DeleteObject(other)); }, "shell begin"},
        {"lock", [&] { base.LockObject(other, KxLockSpec{}); }, nullptr},
        {"collection lock", [&] { KxRefCollection refs{KxCollectionRef{other}}; base.Lock(refs, 0, nullptr); }, nullptr},
        {"collection delete", [&] { KxRefCollection refs{KxCollectionRef{other}}; base.DeleteObjects(refs, 0); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        ASSERT_EQ(0, base.BeginTransaction());
        ASSERT_EQ(0, base.StoreObject(object));
        KxTestClearEvents();
        c.call();
        const Events events = KxTestEvents();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ("shell commit", events.front());
        if (c.after != nullptr) {
            ASSERT_GE(events.size(), 2u);
            EXPECT_EQ(c.after, events[1]);
        }
        EXPECT_EQ(0, base.AbortTransaction());
    }
    // An abort drops what is pending: the shell level is aborted, nothing written.
    ASSERT_EQ(0, base.BeginTransaction());
    ASSERT_EQ(0, base.StoreObject(object));
    KxTestClearEvents();
    EXPECT_EQ(0, base.AbortTransaction());
    EXPECT_EQ((Events{"shell abort", "abort", "delete context"}), KxTestEvents());
    object->Release();
}

TEST_F(StorageTest, EveryLevelBegunIsEndedAlsoWhenItsBeginFailed) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");

    // A failed begin of the transaction is aborted at the connection; no level stays open.
    KxTestClearEvents();
    KxTestSetFailure("begin", -6038);
    EXPECT_EQ(-6038, base.BeginTransaction());
    EXPECT_EQ(0, base.GetTransactionLevel());
    EXPECT_EQ((Events{"create context", "begin", "abort", "delete context"}), KxTestEvents());

    ASSERT_EQ(0, base.BeginTransaction());
    ASSERT_EQ(0, base.BeginTransaction());   // nested
    EXPECT_EQ(2, base.GetTransactionLevel());
    KxObject* object = nullptr;
    ASSERT_EQ(0, base.GetObjectMgr()->Create(person, object));

    struct Case {
        const char* failing;
        int32_t code;
        Events expected;
    };
    const Case cases[] = {
        {"shell begin", -6038, {"shell begin", "shell abort"}},
        {"store", -6030, {"shell begin", "store 1001", "shell abort"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        KxTestClearEvents();
        KxTestSetFailure(c.failing, c.code);
        EXPECT_EQ(c.code, base.StoreObject(object));
        Events events = KxTestEvents();
        events.erase(std::remove(events.begin(), events.end(), "fetch 64"), events.end());
        EXPECT_EQ(c.expected, events);
        EXPECT_EQ(0u, base.GetPendingCount());
    }
    // A store that fails after others: the level goes and the stores before it are made again.
    KxObject* second = nullptr;
    ASSERT_EQ(0, base.GetObjectMgr()->Create(person, second));
    ASSERT_EQ(0, base.StoreObject(object));
    KxTestClearEvents();
    KxTestSetFailure("store", -6030);
    EXPECT_EQ(-6030, base.StoreObject(second));
    Events events = KxTestEvents();
    events.erase(std::remove(events.begin(), events.end(), "fetch 64"), events.end());
    const std::string secondStore = "store " + std::to_string(second->GetObjId().Get64());
    EXPECT_EQ((Events{secondStore, "shell abort", "shell begin", "store 1001"}), events);
    EXPECT_EQ(1u, base.GetPendingCount());
    second->Release();

    // A commit whose write fails aborts its level and answers the failure, saying nothing was written.
    KxTestClearEvents();
    KxTestSetFailure("shell commit", -2041);
    EXPECT_EQ(-2041, base.CommitTransaction());
    EXPECT_EQ((Events{"shell commit", "abort"}), KxTestEvents());
    EXPECT_EQ(1, base.GetTransactionLevel());
    EXPECT_EQ(-2041, base.GetExcMgr()->GetLastError().code);
    EXPECT_NE(std::string::npos, base.GetExcMgr()->GetLastError().text.ToUtf8().find("nothing was written"));
    object->Release();
    KxTestClearEvents();
    EXPECT_EQ(0, base.CommitTransaction());
    EXPECT_EQ((Events{"commit", "delete context"}), KxTestEvents());
    EXPECT_EQ(nullptr, base.GetCurrentTransaction());
}

TEST_F(StorageTest, ReadsComeFromTheObjectSpaceBeforeTheBucketAndDeletesWaitInThePendingLevel) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");
    const KxRef ref(KxObjId(77), person->GetClassId());
    KxObject* object = nullptr;
    EXPECT_EQ(KX_KERNEL_E_STATE, base.GetObject(ref, object));   // not in memory, no transaction
    ASSERT_EQ(0, base.BeginTransaction());
    KxTestClearEvents();
    ASSERT_EQ(0, base.GetObject(ref, object));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(77u, object->GetObjId().Get64());
    KxObject* again = nullptr;
    ASSERT_EQ(0, base.GetObject(ref, again));   // in memory: no second read
    EXPECT_EQ(object, again);
    EXPECT_EQ((Events{"get 77"}), KxTestEvents());
    again->Release();
    object->Release();

    KxTestSetFailure("get", -2041);
    EXPECT_EQ(-2041, base.GetObject(KxRef(KxObjId(78), person->GetClassId()), object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, base.GetObject(KxRef(KxObjId(79), KxClassId(999, 1)), object));

    KxTestClearEvents();
    EXPECT_EQ(0, base.DeleteObject(ref));
    KxTestSetFailure("delete", -6038);
    EXPECT_EQ(-6038, base.DeleteObject(KxRef(KxObjId(78), person->GetClassId())));
    // The failed delete's level goes; the delete pending before it is made again.
    EXPECT_EQ((Events{"shell begin", "delete 77", "delete 78", "shell abort", "shell begin", "delete 77"}),
              KxTestEvents());

    int32_t count = -1;
    EXPECT_EQ(0, base.GetExtentCount(person->GetClassId(), count));
    EXPECT_EQ(7, count);
    KxTestSetFailure("count", -6063);   // a failed count is no empty extent
    EXPECT_EQ(-6063, base.GetExtentCount(person->GetClassId(), count));
    EXPECT_EQ(0, base.CommitTransaction());
}

// The object manager's Get reads an object that is not in memory through the base's storage, within
// the given transaction resource or the current transaction's; Find looks in memory only.
TEST_F(StorageTest, TheObjectManagerReadsWhatIsNotInMemoryThroughTheBase) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");
    const KxRef ref(KxObjId(90), person->GetClassId());
    KxObjectMgr* objects = base.GetObjectMgr();
    KxObject* object = nullptr;
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, objects->Find(ref, object));
    EXPECT_EQ(KX_KERNEL_E_STATE, objects->Get(ref, object));   // no transaction to read in
    ASSERT_EQ(0, base.BeginTransaction());
    KxTestClearEvents();
    ASSERT_EQ(0, objects->Get(ref, object));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ((Events{"get 90"}), KxTestEvents());
    KxObject* found = nullptr;
    EXPECT_EQ(0, objects->Find(ref, found));
    EXPECT_EQ(object, found);
    found->Release();
    object->Release();
    KxTestSetFailure("get", -2041);
    EXPECT_EQ(-2041, objects->Get(KxRef(KxObjId(91), person->GetClassId()), object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0, base.CommitTransaction());
    // A base without open storage has nothing to read from.
    KxBase closed("shop");
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, closed.GetObjectMgr()->Get(ref, object));
}

// Buckets point at the classes of the database's dictionary: they go before the dictionary is
// released.
TEST_F(StorageTest, BucketsGoBeforeTheDictionaryTheirClassesBelongTo) {
    {
        KxBase base("shop");
        OpenBase(base);
        KxTestClearEvents();
    }
    const Events closed = KxTestEvents();
    EXPECT_TRUE(Has(closed, "bucket gone Person"));
    const auto at = [&](const char* e) { return std::find(closed.begin(), closed.end(), e) - closed.begin(); };
    EXPECT_LT(at("bucket gone Person"), at("admin gone"));
}

// An object held past the close of its base leaves the base and keeps its class: it can be read and
// released after the base's dictionary was let go.
TEST_F(StorageTest, AnObjectHeldPastTheCloseOfItsBaseKeepsItsClass) {
    KxBase base("shop");
    OpenBase(base);
    const KxMetaClass* person = Class(base, "Person");
    KxObject* object = nullptr;
    ASSERT_EQ(0, base.GetObjectMgr()->Create(person, KxObjId(5), object));
    const KxMember* name = person->FindMember("name");
    ASSERT_NE(nullptr, name);
    *reinterpret_cast<KxString*>(object->MemberAddress(*name)) = KxString("kept");
    EXPECT_EQ(0, base.Close());
    EXPECT_EQ(nullptr, object->GetBase());
    EXPECT_EQ(0u, base.GetObjectMgr()->GetObjectCount());
    EXPECT_EQ("Person", object->GetMetaClass()->GetName().ToUtf8());
    EXPECT_EQ("kept", reinterpret_cast<KxString*>(object->MemberAddress(*name))->ToUtf8());
    object->Release();
}

class ModuleStorageTest : public StorageTest {
protected:
    // The kernel restarted with a configuration that also names the module "Gt", which the storage
    // module loads through a module object of its own (as the gateway loads its adapter).
    void SetUp() override {
        StorageTest::SetUp();
        ASSERT_EQ(0, DeinitKelvox());
        config_ = dir_.Write("kx.ini", std::string("[modules]\nrelgate=") + KX_TEST_STORAGE_FILE + "\nGt=" +
                                           KX_TEST_MODULE_FILE + "\n[servers\\SHOPDB]\nname=Oracle$PHYS\n");
        ASSERT_EQ(0, InitKelvox(&params_));
        KxTestClearEvents();
    }
};

// A module object that a module made goes, and unloads what it loaded, before the module is unloaded:
// no code of an unloaded library runs when the kernel ends.
TEST_F(ModuleStorageTest, ModuleObjectsAModuleMadeGoBeforeTheModule) {
    {
        KxBase base("shop");
        OpenBase(base);
        EXPECT_TRUE(Has(KxTestEvents(), "init 1"));
        KxTestClearEvents();
    }
    const Events closed = KxTestEvents();
    const auto at = [&](const char* e) { return std::find(closed.begin(), closed.end(), e) - closed.begin(); };
    ASSERT_TRUE(Has(closed, "loaded module gone"));
    EXPECT_LT(at("init 0"), at("module 0"));
    EXPECT_LT(at("loaded module gone"), at("module 0"));
    EXPECT_EQ(nullptr, KxBase::KELVOX()->GetDllManager()->GetLoadable(DllNameClass::GetDllName("Gt")));
    KxTestClearEvents();
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_FALSE(Has(KxTestEvents(), "loaded module gone"));
}

// The last DeinitKelvox closes a base that is still open before it unloads the base's module.
TEST_F(ModuleStorageTest, TheLastDeinitClosesOpenBasesBeforeUnloadingTheirModule) {
    KxBase base("shop");
    OpenBase(base);
    KxTestClearEvents();
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_FALSE(base.IsOpen());
    const Events events = KxTestEvents();
    const auto at = [&](const char* e) { return std::find(events.begin(), events.end(), e) - events.begin(); };
    ASSERT_TRUE(Has(events, "module 0"));
    for (const char* made : {"shell gone", "close database", "admin gone", "connection gone", "factory gone",
                             "loaded module gone"}) {
        EXPECT_LT(at(made), at("module 0")) << made;
    }
    KxTestClearEvents();
    EXPECT_EQ(0, base.Close());
    EXPECT_TRUE(KxTestEvents().empty());
}

}  // namespace
