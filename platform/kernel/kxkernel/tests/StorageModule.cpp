// A storage module for the kernel's tests: the module protocol and GetGatewayClientFactory, with a
// connection, admin, buckets and shell that record what the kernel calls and answer as told.
#include <string>

#include "KxAdmin.h"
#include "KxBase.h"
#include "KxBucket.h"
#include "KxConfig.h"
#include "KxConnection.h"
#include "KxMetaType.h"
#include "KxModule.h"
#include "KxObject.h"
#include "KxRoot.h"
#include "KxShell.h"
#include "KxTransaction.h"
#include "TestRecorder.h"

namespace {

std::string Id(const KxRef& ref) { return std::to_string(ref.GetObjId().Get64()); }

int32_t Answer(const std::string& operation, int32_t otherwise = 0) {
    const int32_t code = KxTestTakeFailure(operation);
    return code != 0 ? code : otherwise;
}

class TestBucket : public KxBucket {
public:
    TestBucket(KxBase* base, const KxMetaClass* cls) : KxBucket(base, nullptr), class_(cls) {}
    // A bucket may use its class until it goes.
    ~TestBucket() override { KxTestRecord("bucket gone " + class_->GetName().ToUtf8()); }

    int32_t StoreObject(KxObject* object, int32_t, KxTransactionResource* resource) override {
        KxTestRecord("store " + Id(object->GetRef()) + (resource != nullptr ? "" : " without resource"));
        return Answer("store");
    }
    int32_t GetObject(KxObject** slot, const KxRef& ref, const KxRefList*, const KxLockSpec*,
                      const KxLockSpec*, KxTransactionResource*) override {
        KxTestRecord("get " + Id(ref));
        const int32_t rc = Answer("get");
        if (rc < 0) return rc;
        return GetBase()->GetObjectMgr()->Create(class_, ref.GetObjId(), *slot);
    }
    int32_t DeleteObject(const KxRef& ref, int32_t, KxTransactionResource*) override {
        KxTestRecord("delete " + Id(ref));
        return Answer("delete");
    }
    int32_t GetNum(int32_t& count, int32_t) override {
        count = 0;
        const int32_t rc = Answer("count", 7);
        if (rc >= 0) count = rc;
        return rc;
    }

private:
    const KxMetaClass* class_;
};

class TestShell : public KxDatabaseShell {
public:
    ~TestShell() override { KxTestRecord("shell gone"); }
    int32_t BeginTransaction(KxTransactionResource*) override {
        KxTestRecord("shell begin");
        return Answer("shell begin", 2);
    }
    int32_t CommitTransaction(KxTransactionResource*) override {
        KxTestRecord("shell commit");
        return Answer("shell commit", 1);
    }
    int32_t AbortTransaction(KxTransactionResource*) override {
        KxTestRecord("shell abort");
        return 0;
    }
};

class TestAdmin : public KxAdmin {
public:
    using KxAdmin::KxAdmin;
    ~TestAdmin() override { KxTestRecord("admin gone"); }
    int32_t OpenDatabase() override {
        KxTestRecord("open database");
        SetSurrogateCache(0, 64);
        GetBucketMgr().Init(64, 0);
        const int32_t rc = Answer("open database");
        if (rc < 0) return rc;
        return OpenDictionary();
    }
    int32_t CloseDatabase() override {
        KxTestRecord("close database");
        return KxAdmin::CloseDatabase();
    }
    int32_t GetDictionaryInfo(KxString& name, KxString& server, KxDateTime&) override {
        name = "sample";
        server = "LOCAL";
        return 0;
    }
    int32_t RegisterClass(KxMetaClass* cls) override {
        KxTestRecord("register " + cls->GetName().ToUtf8());
        const int32_t rc = Answer("register " + cls->GetName().ToUtf8());
        if (rc < 0) return rc;
        return GetBucketMgr().RegisterBucket(cls->GetClassId(), new TestBucket(GetBase(), cls));
    }
    int32_t FetchSurrogates(KxObjId* ids, int32_t count) override {
        KxTestRecord("fetch " + std::to_string(count));
        for (int32_t i = 0; i < count; ++i) ids[i] = KxObjId(++next_);
        return Answer("fetch");
    }
    KxDatabaseShell* CreateShell() override {
        KxTestRecord("create shell");
        return new TestShell();
    }

private:
    uint64_t next_ = 1000;
};

// A module object of this library's own, as a storage module makes one for the library it loads
// (the module "Gt" of the configuration); the kernel's registry keeps it.
class TestLoadedModule : public KxLoadableModule {
public:
    using KxLoadableModule::KxLoadableModule;
    ~TestLoadedModule() override { KxTestRecord("loaded module gone"); }
};

// Loads the module "Gt", when the configuration names one, through a module object of this library's
// own, and keeps it loaded.
void LoadOwnModule() {
    KxConfig* config = KxBase::KELVOX()->GetConfig();
    const KxString section[] = {"modules", ""};
    KxString named;
    if (config == nullptr || config->Get("Gt", named, section) != KX_KERNEL_OK) return;
    KxDllManager* modules = KxBase::KELVOX()->GetDllManager();
    const KxString file = DllNameClass::GetDllName("Gt");
    KxLoadableModule* module = modules->GetLoadable(file);
    if (module == nullptr) {
        module = new TestLoadedModule(file);
        if (modules->RegisterDll(module) != KX_KERNEL_OK) {
            delete module;
            return;
        }
    }
    module->Load();
}

class TestConnection : public KxBaseConnection {
public:
    ~TestConnection() override { KxTestRecord("connection gone"); }
    int32_t SetServer(KxBase*, const KxString& database, const KxString& server) override {
        KxTestRecord("set server " + database.ToUtf8() + " " + server.ToUtf8());
        return 0;
    }
    int32_t OpenClient(const KxString& database, KxString& out, int32_t) override {
        out = database;
        LoadOwnModule();
        KxTestRecord("open client");
        return Answer("open client");
    }
    int32_t CloseClient() override {
        KxTestRecord("close client");
        return 0;
    }
    KxAdmin* CreateAdmin(KxBase* base, int32_t flags) override {
        KxTestRecord("create admin");
        return new TestAdmin(base, flags);
    }
    int32_t BeginTransaction(KxTransactionResource*) override {
        KxTestRecord("begin");
        return Answer("begin", 1);
    }
    int32_t CommitTransaction(KxTransactionResource*) override {
        KxTestRecord("commit");
        return 0;
    }
    int32_t AbortTransaction(KxTransactionResource*) override {
        KxTestRecord("abort");
        return 0;
    }
    int32_t CreateTransactionContext(KxTransactionResource* resource) override {
        KxTestRecord("create context");
        resource->SetContext(this);
        return Answer("create context");
    }
    int32_t DeleteTransactionContext(KxTransactionResource* resource) override {
        KxTestRecord("delete context");
        resource->SetContext(nullptr);
        return 0;
    }
};

class TestFactory : public KxConnectionFactory {
public:
    explicit TestFactory(const KxString& brand) : brand_(brand) {}
    ~TestFactory() override { KxTestRecord("factory gone"); }
    KxBaseConnection* CreateConnection(KxBase*) override {
        KxTestRecord("create connection");
        return new TestConnection();
    }

private:
    KxString brand_;
};

}  // namespace

extern "C" int32_t KxCheckDll(int32_t) { return 0; }

extern "C" const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build,
                                     int32_t* reserved, KxString* name, KxString* buildStamp,
                                     KxString* unknownText, int32_t* compilerVersion,
                                     KxString* compilerName, KxString* extra) {
    *major = 11;
    *minor = 0;
    *release = 3;
    *build = 50;
    *reserved = 0;
    *name = "kxteststorage";
    *buildStamp = "Jan  2 2024 10:11:12";
    *unknownText = "unknown";
    *compilerVersion = 1200;
    *compilerName = "g++";
    *extra = "";
    return "Kernel test storage";
}

extern "C" int32_t KxInitDll(int32_t enable) {
    KxTestRecord("module " + std::to_string(enable));
    return 0;
}

extern "C" KxConnectionFactory* GetGatewayClientFactory(const KxString& brand) {
    KxTestRecord("factory " + brand.ToUtf8());
    return new TestFactory(brand);
}
