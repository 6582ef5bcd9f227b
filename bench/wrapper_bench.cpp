// wrapper_bench: one attribute set in every one of 100,000 objects of a native database, through the
// upgrade's wrappers (XKxDatabase::SetAttributeInt: an XKxAllSet walk, XKxObject::SetMemberInt and
// Store) beside the same work through the kernel's raw client calls (a KxAllSet walk, a member
// accessor, KxObject::Store). The ratio wrappers / raw is printed: the wrappers must add little.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"

namespace {

std::string g_dir;
std::map<std::string, double> g_times;

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "wrapper_bench: %s\n", why.c_str());
    std::exit(2);
}

class Owner : public XApplicationDatabasesOwner {
public:
    CString GetScriptBaseDirectory() const override { return CString(); }
    XProgressOutput* GetProgressOutput() const override { return nullptr; }
    int32_t GetOptionBits() const override { return 0; }
};

// The installation: dictionary "dict" with Item (name, count), kelvox.cfg, the registry file naming
// the native database NDB, the database made by the kernel's create call and filled with `objects`.
void Setup(int32_t objects) {
    std::filesystem::create_directories(g_dir + "/dicts/dict");
    std::ofstream(g_dir + "/dicts/dict/classes.kxd")
        << "dictionary dict server=LOCAL logical=dict revision=1\nclass 1.1 Item\nmember name string\nmember count int\n";
    const std::string config = g_dir + "/kelvox.cfg";
    std::ofstream(config) << "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" << g_dir
                          << "/ndb\n[schemata\\dict]\nname=" << g_dir << "/dicts/dict\n";
    const std::string registry = g_dir + "/registry.reg";
    std::ofstream(registry, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\KELVOX]\r\n"
        << "\"configfile\"=\"" << config << "\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database]\r\n"
        << "\"NLS_LANG\"=\"AMERICAN_AMERICA.UTF8\"\r\n\"server\"=\"NATIVE\"\r\n\"database\"=\"NDB\"\r\n\r\n";
    setenv("W32_REGISTRY", registry.c_str(), 1);

    KxParameterList params;
    params.Append("ClientName", "bench");
    params.Append("ConfigFile", config.c_str());
    if (InitKelvox(&params) != 0) Die("kernel start");
    {
        KxBase base{KxString("NDB")};
        if (base.Connect(KxString("NATIVE")) != 0 || base.CreateDatabase(KxString("dict")) != 0) Die("create");
        base.Disconnect();
    }
    KxBase* base = nullptr;
    if (KxBase::KELVOX()->GetBase(KxString("NATIVE"), KxString("NDB"), base, 2) != 0) Die("open");
    base->BeginTransaction();
    for (int32_t i = 0; i < objects; ++i) {
        KxObject* object = KxObject::Make(base, KxString("Item"));
        KxMemberAccessor name(object->GetMetaClass(), "name");
        name.Of(object);
        const KxString text(("item" + std::to_string(i)).c_str());
        name.SetValue(11, &text);
        if (object->Store() != 0) Die("fill");
        object->Forget();
    }
    base->CommitTransaction();
    KxBase::KELVOX()->UngetBase(base);
    DeinitKelvox();
}

// The raw client calls: the extent walked, count set through an accessor, each object stored.
void BM_RawClientCalls(benchmark::State& state) {
    for (auto _ : state) {
        KxParameterList params;
        params.Append("ClientName", "bench");
        params.Append("ConfigFile", (g_dir + "/kelvox.cfg").c_str());
        InitKelvox(&params);
        KxBase* base = nullptr;
        if (KxBase::KELVOX()->GetBase(KxString("NATIVE"), KxString("NDB"), base, 2) != 0) Die("open");
        const auto start = std::chrono::steady_clock::now();
        const KxMetaClass* item = base->GetDictionary()->FindByName(KxString("Item"))->AsClass();
        KxAllSet all(item->AsPersClass(), base);
        KxMemberAccessor count(item, "count");
        const int32_t value = 7;
        int32_t n = 0;
        KxObject* object = nullptr;
        for (int32_t rc = all.Get(object, 0, 0, 0, 0); rc == 0; rc = all.Get(object, 1, 1, 0, 0)) {
            count.Of(object);
            count.SetValue(2, &value);
            if (object->Store() != 0) Die("store");
            all.Unget(object);
            ++n;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        g_times["raw"] = seconds;
        state.counters["objects"] = n;
        KxBase::KELVOX()->UngetBase(base);
        DeinitKelvox();
    }
}

// The wrappers: XKxDatabase::SetAttributeInt on the database opened as the upgrade opens it.
void BM_WrapperSetAttributeInt(benchmark::State& state) {
    for (auto _ : state) {
        Owner owner;
        XApplicationDatabases set;
        set.CreateDatabases(&owner);
        XKxDatabase* db = set.FindDatabase(u"database");
        db->Open(false);
        const auto start = std::chrono::steady_clock::now();
        const int32_t n = db->SetAttributeInt(u"Item", u"count", 9);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        g_times["wrappers"] = seconds;
        state.counters["objects"] = n;
        db->Close(false);
    }
}

BENCHMARK(BM_RawClientCalls)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrapperSetAttributeInt)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/wrapper_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) Die("temp folder");
    g_dir = pattern;
    // $WRAPPER_BENCH_OBJECTS: a smaller number for a quick try.
    const char* objects = std::getenv("WRAPPER_BENCH_OBJECTS");
    Setup(objects != nullptr ? std::atoi(objects) : 100000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_times.count("raw") != 0 && g_times.count("wrappers") != 0)
        std::printf("SetAttributeInt over every object: wrappers / raw client calls = %.2f\n",
                    g_times["wrappers"] / g_times["raw"]);
    std::filesystem::remove_all(g_dir);
    return 0;
}
