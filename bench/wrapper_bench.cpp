// wrapper_bench: one attribute set in every one of 100,000 objects of a native database, through the
// upgrade's wrappers (XKxDatabase::SetAttributeInt: an XKxAllSet walk, XKxObject::SetMemberInt and
// Store) beside the same work through the kernel's raw client calls (a KxAllSet walk, a member
// accessor, KxObject::Store). The ratio wrappers / raw is printed: the wrappers must add little.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "native_site.h"

namespace {

std::string g_dir;
std::map<std::string, double> g_times;

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "wrapper_bench: %s\n", why.c_str());
    std::exit(2);
}

// The installation: dictionary "dict" with Item (name, count), the native database NDB filled with
// `objects`.
void Setup(int32_t objects) {
    if (!bench::MakeNativeSite(g_dir, "dictionary dict server=LOCAL logical=dict revision=1\nclass 1.1 Item\n"
                                      "member name string\nmember count int\n"))
        Die("create");
    KxBase* base = bench::OpenNativeBase(g_dir);
    if (base == nullptr) Die("open");
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
    bench::CloseNativeBase(base);
}

// The raw client calls: the extent walked, count set through an accessor, each object stored.
void BM_RawClientCalls(benchmark::State& state) {
    for (auto _ : state) {
        KxBase* base = bench::OpenNativeBase(g_dir);
        if (base == nullptr) Die("open");
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
        bench::CloseNativeBase(base);
    }
}

// The wrappers: XKxDatabase::SetAttributeInt on the database opened as the upgrade opens it.
void BM_WrapperSetAttributeInt(benchmark::State& state) {
    for (auto _ : state) {
        bench::NoDisplayOwner owner;
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
    // $WRAPPER_BENCH_OBJECTS: a smaller number for a quick try.
    const int32_t objects = bench::RunNativeBenchmarks(argc, argv, "wrapper_bench", "WRAPPER_BENCH_OBJECTS", g_dir, Setup);
    if (objects < 0) Die("temp folder");
    if (g_times.count("raw") != 0 && g_times.count("wrappers") != 0)
        std::printf("SetAttributeInt over every object: wrappers / raw client calls = %.2f\n",
                    g_times["wrappers"] / g_times["raw"]);
    std::filesystem::remove_all(g_dir);
    return 0;
}
