// copy_bench: every one of 100,000 objects of a native database converted into a new object of the
// next class version (five members, a reference to a company, a set of three integers, all declared in
// their shared base class), through the upgrade's attribute copy (an XKxAllSet walk,
// XKxObject::Make, XKxObject::CopyAttributes, Store) beside the same work through the kernel's raw
// client calls (a KxAllSet walk, KxObject::Make, member accessors, KxObject::Store: the raw store).
// The ratio copy / raw is printed in processor time (wall time beside it), and the hold count of the
// company that every object references before and after the copy: the copy pins nothing.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDateTime.h"
#include "KxInt64.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxObject.h"
#include "bench_child.h"
#include "native_site.h"

namespace {

std::string g_dir;
// Processor and wall seconds of each side; the company's hold count before and after the copy.
std::map<std::string, std::pair<double, double>> g_times;
uint32_t g_holdsBefore = 0;
uint32_t g_holdsAfter = 0;

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "copy_bench: %s\n", why.c_str());
    std::exit(2);
}

const char kDictionary[] = R"(dictionary dict server=LOCAL logical=dict revision=1
class 1.1 Company
member name string
class 2.1 Record
member name string
member count int
member weight double
member done boolean
member stamp datetime
member company ondemand:Company
member numbers set:NumberSet
class 3.1 ItemV1 bases=Record
class 4.1 ItemV2 bases=Record
typeset 900.1 NumberSet int
)";

const char* const kValues[] = {"name", "count", "weight", "done", "stamp"};
const int32_t kTypes[] = {11, 2, 3, 27, 19};

KxBase* OpenBase() {
    KxBase* base = bench::OpenNativeBase(g_dir);
    if (base == nullptr) Die("open");
    return base;
}

// The installation: the native database NDB with one company and `objects` objects of ItemV1.
void Setup(int32_t objects) {
    if (!bench::MakeNativeSite(g_dir, kDictionary)) Die("create");
    KxBase* base = OpenBase();
    base->BeginTransaction();
    KxObject* company = KxObject::Make(base, KxString("Company"));
    if (company->Store() != 0) Die("company");
    const KxOnDemand reference(company, 1);
    const KxMetaClass* item = base->GetDictionary()->FindByName(KxString("ItemV1"))->AsClass();
    KxMemberAccessor name(item, "name"), count(item, "count"), weight(item, "weight"), done(item, "done"),
        stamp(item, "stamp"), ref(item, "company"), numbers(item, "numbers");
    const KxDateTime when(KxDate(2026, 12, 11), KxTime(9, 30, 0));
    const KxBoolean yes(true);
    for (int32_t i = 0; i < objects; ++i) {
        KxObject* object = KxObject::Make(base, KxString("ItemV1"));
        for (KxMemberAccessor* a : {&name, &count, &weight, &done, &stamp, &ref, &numbers}) a->Of(object);
        const KxString text(("item" + std::to_string(i)).c_str());
        const double w = i * 0.5;
        name.SetValue(11, &text);
        count.SetValue(2, &i);
        weight.SetValue(3, &w);
        done.SetValue(27, &yes);
        stamp.SetValue(19, &when);
        ref.Set(reference);
        KxSet* set = nullptr;
        numbers.Get(set);
        for (int32_t n = 0; n < 3; ++n) set->Append(&n);
        if (object->Store() != 0) Die("fill");
        object->Forget();
    }
    company->Forget();
    base->CommitTransaction();
    bench::CloseNativeBase(base);
}

// Runs one side and records its processor and wall seconds.
template <class Work>
void Measure(benchmark::State& state, const char* side, Work work) {
    const double cpu = bench::CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int32_t n = work();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    g_times[side] = {bench::CpuSeconds() - cpu, wall};
    state.SetIterationTime(wall);
    state.counters["objects"] = n;
}

// The raw client calls: every ItemV1 read by the extent walk, a new ItemV2 made, its members set
// through accessors from the old object's, stored.
void BM_RawStore(benchmark::State& state) {
    for (auto _ : state) {
        KxBase* base = OpenBase();
        const KxClassDict* dict = base->GetDictionary();
        const KxMetaClass* v1 = dict->FindByName(KxString("ItemV1"))->AsClass();
        const KxMetaClass* v2 = dict->FindByName(KxString("ItemV2"))->AsClass();
        Measure(state, "raw", [&] {
            KxAllSet all(v1->AsPersClass(), base);
            int32_t n = 0;
            KxObject* object = nullptr;
            for (int32_t rc = all.Get(object, 0, 0, 0, 0); rc == 0; rc = all.Get(object, 1, 1, 0, 0)) {
                KxObject* copy = KxObject::Make(base, KxString("ItemV2"));
                KxString text;
                KxDateTime when;
                KxBoolean flag;
                double weight = 0;
                int32_t count = 0;
                void* values[] = {&text, &count, &weight, &flag, &when};
                for (int m = 0; m < 5; ++m) {
                    KxMemberAccessor from(v1, kValues[m]), to(v2, kValues[m]);
                    from.Of(object);
                    to.Of(copy);
                    from.GetValue(kTypes[m], values[m]);
                    to.SetValue(kTypes[m], values[m]);
                }
                KxMemberAccessor fromRef(v1, "company"), toRef(v2, "company");
                fromRef.Of(object);
                toRef.Of(copy);
                KxOnDemand reference;
                fromRef.Get(reference);
                toRef.Set(reference);
                KxMemberAccessor fromSet(v1, "numbers"), toSet(v2, "numbers");
                fromSet.Of(object);
                toSet.Of(copy);
                KxSet* from = nullptr;
                KxSet* to = nullptr;
                fromSet.Get(from);
                toSet.Get(to);
                for (uint32_t i = 0; i < uint32_t(from->GetCount(0)); ++i) to->Append(from->GetElementAddress(i));
                if (copy->Store() != 0) Die("raw store");
                copy->Forget();
                all.Unget(object);
                ++n;
            }
            return n;
        });
        bench::CloseNativeBase(base);
    }
}

// The attribute copy: XKxObject::CopyAttributes of every ItemV1 into a new ItemV2, on the database
// opened as the upgrade opens it; the company held meanwhile to read its hold count.
void BM_CopyAttributes(benchmark::State& state) {
    for (auto _ : state) {
        bench::NoDisplayOwner owner;
        XApplicationDatabases set;
        set.CreateDatabases(&owner);
        XKxDatabase* db = set.FindDatabase(u"database");
        db->Open(false);
        XKxObject company(db);
        {
            XKxAllSet companies(db, u"Company", true);
            if (!companies.GetNext(company)) Die("no company");
        }
        g_holdsBefore = company.GetObject()->GetHoldCount();
        Measure(state, "copy", [&] {
            XKxAllSet all(db, u"ItemV1", true);
            XKxObject object(db);
            int32_t n = 0;
            while (all.GetNext(object)) {
                XKxObject copy(db);
                copy.Make(u"ItemV2", false);
                copy.CopyAttributes(object, nullptr, nullptr);
                copy.Store(0);
                ++n;
            }
            return n;
        });
        g_holdsAfter = company.GetObject()->GetHoldCount();
        company.Forget();
        db->Close(false);
    }
}

BENCHMARK(BM_RawStore)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyAttributes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // $COPY_BENCH_OBJECTS: a smaller number for a quick try.
    const int32_t objects = bench::RunNativeBenchmarks(argc, argv, "copy_bench", "COPY_BENCH_OBJECTS", g_dir, Setup);
    if (objects < 0) Die("temp folder");
    if (g_times.count("raw") != 0 && g_times.count("copy") != 0)
        std::printf("Conversion of every object: copy / raw store = %.2f processor time (%.2f wall); "
                    "%.1f / %.1f us an object\n",
                    g_times["copy"].first / g_times["raw"].first, g_times["copy"].second / g_times["raw"].second,
                    1e6 * g_times["copy"].first / objects,
                    1e6 * g_times["raw"].first / objects);
    if (g_times.count("copy") != 0)
        std::printf("Hold count of the company every object references: %u before the copy, %u after\n",
                    g_holdsBefore, g_holdsAfter);
    std::filesystem::remove_all(g_dir);
    return 0;
}
