// client_bench: objects made, stored and walked through the kernel's object-level client calls
// (KxObject::Make / Store, a KxAllSet walk) on the kernel's own storage and on the gateway, beside raw
// SQLite prepared statements on a file of the same kind; and an extent walk of 1,000,000 objects
// whose memory stays bounded.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "sqlengine.h"

namespace {

const char kServer[] = "CBENCHSRV";
const char kUser[] = "CBENCH";
const char kPassword[] = "cbench";
std::string g_dir;
std::map<std::string, double> g_times;   // "<op>/<side>" -> seconds

[[noreturn]] void Die(const std::string& why)
{
    std::fprintf(stderr, "client_bench: %s\n", why.c_str());
    std::exit(2);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The process's resident memory in kB (VmRSS).
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(kUser);
    password = KxString(kPassword);
    return 1;
}

// The site: a dictionary with the class Item, a native database (NATIVE, database NBENCH) and a
// gateway schema made by relgen (GATEWAY, database CBENCH); the kernel started on it.
void Setup()
{
    std::filesystem::create_directories(g_dir + "/dicts/cbench");
    std::ofstream(g_dir + "/dicts/cbench/classes.kxd")
        << "dictionary cbench server=LOCAL logical=cbench revision=1\nclass 2.1 Item\nmember num int\nmember name string\nmember val double\n";
    std::ofstream(g_dir + "/kx.ini") << "[servers\\LOCAL]\nDictionaryPath=" << g_dir << "/dicts\n"
                                     << "[servers\\NATIVE]\nname=Kelvox$local\n"
                                     << "[databases\\NBENCH]\nname=" << g_dir << "/native\n"
                                     << "[servers\\GATEWAY]\nname=Oracle$" << kServer << "\n";
    sqlengine::Error e;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(kServer, g_dir + "/server", &e);
        if (!server || !server->AddUser(kUser, kPassword, false, &e) || !server->GrantSystem(kUser, "CREATE ROLE", e)) {
            Die("server: " + e.message);
        }
        sqlengine::Engine::Instance().UnregisterServer(kServer);
    }
    setenv("ROG_ENGINE_SERVERS", (std::string(kServer) + "=" + g_dir + "/server").c_str(), 1);
    const std::string command = "cd " + Quoted(g_dir) + " && " + Quoted(CLIENT_BENCH_RELGEN) + " -c -D cbench -S " +
                                Quoted(std::string("Oracle$") + kServer) + " -B " + kUser + " -u " + kUser + " -p " +
                                kPassword + " -r -config kx.ini > relgen.out 2>&1";
    if (std::system(command.c_str()) != 0) {
        Die("the schema mapper failed; see " + g_dir + "/relgen.out");
    }
    KxParameterList params;
    params.Append("ClientName", "client_bench");
    params.Append("ConfigFile", (g_dir + "/kx.ini").c_str());
    if (InitKelvox(&params) != 0) {
        Die("InitKelvox");
    }
    KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    KxBase native(KxString("NBENCH"));
    if (native.Connect(KxString("NATIVE")) != 0 || native.CreateDatabase(KxString("cbench")) != 0) {
        Die("native database");
    }
    native.Disconnect();
}

struct Side {
    const char* name;
    const char* server;
    const char* database;
};
const Side kSides[] = {{"native", "NATIVE", "NBENCH"}, {"gateway", "GATEWAY", kUser}};

KxBase* Open(const Side& side)
{
    KxBase* base = nullptr;
    if (KxBase::KELVOX()->GetBase(side.server, side.database, base, 2) != 0) {
        Die(std::string("open ") + side.name);
    }
    return base;
}

// Makes and stores n objects in one transaction (each Store a nested level), letting each go after
// its store.
void Store(KxBase* base, int n, int first)
{
    const KxMetaClass* item = base->GetDictionary()->FindByName(KxString("Item"))->AsClass();
    KxMemberAccessor num(item, "num"), name(item, "name"), val(item, "val");
    if (base->BeginTransaction() != 0) {
        Die("begin");
    }
    for (int i = first; i < first + n; ++i) {
        KxObject* object = KxObject::Make(base, KxString("Item"));
        const int32_t number = i * 7;
        const KxString text(("name " + std::to_string(i)).c_str());
        const double value = i * 0.25;
        if (object == nullptr || num.Of(object) != 0 || num.SetValue(2, &number) != 0 || name.Of(object) != 0 ||
            name.SetValue(11, &text) != 0 || val.Of(object) != 0 || val.SetValue(3, &value) != 0) {
            Die("make");
        }
        const int32_t stored = object->Store();
        if (stored != 0) {
            Die("store " + std::to_string(stored));
        }
        object->Forget();
    }
    if (base->CommitTransaction() != 0) {
        Die("commit");
    }
}

// Walks the extent, reading each object's number; answers the objects walked. With samples, the
// resident memory every 100,000 objects.
int64_t Walk(KxBase* base, std::vector<long>* samples = nullptr)
{
    const KxMetaClass* item = base->GetDictionary()->FindByName(KxString("Item"))->AsClass();
    KxMemberAccessor num(item, "num");
    KxAllSet all(item->AsPersClass(), base);
    int64_t walked = 0;
    int64_t sum = 0;
    KxObject* object = nullptr;
    int32_t rc = 0;
    for (rc = all.Get(object, 0, 0); rc == 0; rc = all.Get(object, 1, 1)) {
        int32_t value = 0;
        num.Of(object);
        num.GetValue(2, &value);
        sum += value;
        all.Unget(object);
        if (samples != nullptr && ++walked % 100000 == 0) {
            samples->push_back(ResidentKb());
        } else if (samples == nullptr) {
            ++walked;
        }
    }
    if (rc != KX_KERNEL_E_NO_ELEMENT) {
        Die("walk " + std::to_string(rc));
    }
    benchmark::DoNotOptimize(sum);
    return walked;
}

// Raw SQLite: a table of the same values, WAL, prepared statements stepped in one transaction.
void RawStoreAndRead(int n, double& store, double& read)
{
    sqlite3* db = nullptr;
    const std::string file = g_dir + "/raw" + std::to_string(n) + ".db";
    std::filesystem::remove(file);
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        Die("raw open");
    }
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                     "CREATE TABLE item (oid INTEGER PRIMARY KEY, cid INTEGER, num INTEGER, name TEXT, val REAL)",
                 nullptr, nullptr, nullptr);
    auto start = std::chrono::steady_clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO item VALUES (?1, 2, ?2, ?3, ?4)", -1, &st, nullptr);
    for (int i = 0; i < n; ++i) {
        const std::string text = "name " + std::to_string(i);
        sqlite3_bind_int64(st, 1, i + 1);
        sqlite3_bind_int(st, 2, i * 7);
        sqlite3_bind_text(st, 3, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 4, i * 0.25);
        if (sqlite3_step(st) != SQLITE_DONE) {
            Die("raw insert");
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    store = Seconds(start);
    start = std::chrono::steady_clock::now();
    sqlite3_prepare_v2(db, "SELECT oid, cid, num, name, val FROM item ORDER BY oid", -1, &st, nullptr);
    int64_t sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        sum += sqlite3_column_int(st, 2);
        benchmark::DoNotOptimize(sqlite3_column_text(st, 3));
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(sum);
    read = Seconds(start);
    sqlite3_close(db);
}

// Each side stores n new objects and then walks its whole extent in a base that holds nothing.
void BM_StoreAndWalk(benchmark::State& state)
{
    const char* size = std::getenv("CLIENT_BENCH_N");   // a smaller run for a check
    const int n = size != nullptr ? std::atoi(size) : static_cast<int>(state.range(0));
    for (auto _ : state) {
        double total = 0;
        for (const Side& side : kSides) {
            KxBase* base = Open(side);
            auto start = std::chrono::steady_clock::now();
            Store(base, n, 0);
            g_times[std::string("store/") + side.name] = Seconds(start);
            KxBase::KELVOX()->UngetBase(base);
            base = Open(side);
            start = std::chrono::steady_clock::now();
            if (Walk(base) != n) {
                Die("walked another count");
            }
            g_times[std::string("read/") + side.name] = Seconds(start);
            KxBase::KELVOX()->UngetBase(base);
            total += g_times[std::string("store/") + side.name] + g_times[std::string("read/") + side.name];
        }
        RawStoreAndRead(n, g_times["store/sqlite"], g_times["read/sqlite"]);
        state.SetIterationTime(total);
    }
}

// An extent walk of count objects of the kernel's own storage (stored first): the resident memory
// while it runs must stay bounded (reported: first and highest sample).
void WalkMemory(int64_t count)
{
    KxBase* base = Open(kSides[0]);
    const int batch = 100000;
    for (int64_t stored = Walk(base); stored < count; stored += batch) {
        Store(base, batch, static_cast<int>(stored) + 1000000);
    }
    KxBase::KELVOX()->UngetBase(base);
    base = Open(kSides[0]);
    std::vector<long> samples;
    const auto start = std::chrono::steady_clock::now();
    const int64_t walked = Walk(base, &samples);
    const double seconds = Seconds(start);
    long highest = 0;
    for (long kb : samples) {
        highest = std::max(highest, kb);
    }
    std::printf("walk of %lld objects (native): %.2f s; resident memory %ld kB after 100,000 objects, at most %ld kB "
                "(growth %ld kB)\n",
                static_cast<long long>(walked), seconds, samples.empty() ? 0L : samples.front(), highest,
                samples.empty() ? 0L : highest - samples.front());
    KxBase::KELVOX()->UngetBase(base);
}

}  // namespace

BENCHMARK(BM_StoreAndWalk)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    char tmpl[] = "/tmp/client_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        Die("mkdtemp");
    }
    g_dir = tmpl;
    sqlengine::Engine::Instance().SetBusyTimeout(0);
    Setup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%s objects through the client calls (Make, accessors, Store in one transaction; a KxAllSet walk\n"
                "in a new base) beside raw SQLite (prepared INSERT in one transaction, SELECT stepped):\n",
                std::getenv("CLIENT_BENCH_N") != nullptr ? std::getenv("CLIENT_BENCH_N") : "100,000");
    std::printf("%-8s %10s %10s %10s %12s %12s\n", "op", "native", "gateway", "sqlite", "native/sql", "gateway/sql");
    for (const char* op : {"store", "read"}) {
        const double sqlite = g_times[std::string(op) + "/sqlite"];
        const double native = g_times[std::string(op) + "/native"];
        const double gateway = g_times[std::string(op) + "/gateway"];
        std::printf("%-8s %9.3fs %9.3fs %9.3fs %11.2fx %11.2fx\n", op, native, gateway, sqlite, sqlite > 0 ? native / sqlite : 0,
                    sqlite > 0 ? gateway / sqlite : 0);
    }
    const char* walk = std::getenv("CLIENT_BENCH_WALK");
    WalkMemory(walk != nullptr ? std::atoll(walk) : 1000000);
    DeinitKelvox();
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
    return 0;
}
