// Objects stored and read through the gateway on the embedded engine, against raw SQLite doing the
// same rows on the same kind of file with the same settings. Ends with the medians, their ratios and
// the targets; see README.md.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxObject.h"
#include "KxObjectReader.h"
#include "KxString.h"
#include "sqlengine.h"

namespace {

constexpr int kRepetitions = 5;
constexpr uint32_t kReadBatch = 1000;     // objects per batch read
constexpr const char* kServer = "GWBENCH";
constexpr uint16_t kClass = 2;

// The fixture class: an integer, a 40-character string and a double.
const char* const kDictionary = R"(dictionary bench
class 2.1 Item
member num int
member name string count=40
member val double
)";

std::string g_dir;
int g_synchronous = -1;
std::map<std::string, std::vector<double>> g_times;   // seconds per repetition, by "case/side"
int g_round = 0;

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "gateway_bench: %s\n", what.c_str());
    std::exit(2);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// The values of row i (0-based): id i + 1, a 40-character name, a double.
void RowName(int i, char (&name)[41])
{
    std::snprintf(name, sizeof name, "item %08u of the benchmark, %-8s", static_cast<unsigned>(i) % 100000000u, i % 2 ? "odd" : "even");
}
int32_t RowNum(int i) { return i * 7; }
double RowVal(int i) { return i * 0.25; }

// ---- the gateway on the engine ---------------------------------------------------------------------

KxGCreationSchemaMap* g_map = nullptr;

KxGClassMap* LookUp(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = g_map != nullptr ? g_map->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}

struct ObjectRelease {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectRelease>;

// One schema "S" with the class table of Item, its database object and schema map; a fresh schema
// (a new user) for each round so that every store meets an empty table.
class Gateway {
public:
    explicit Gateway(const std::string& user)
    {
        sqlengine::Error e;
        auto server = sqlengine::Engine::Instance().FindServer(kServer);
        if (!server->AddUser(user, "s", false, &e)) {
            Die("user: " + e.message);
        }
        db_ = std::make_unique<KxGOraDatabase>(KxString(kServer), KxString(user.c_str()), KxString(user.c_str()),
                                               KxString("s"), nullptr, nullptr);
        if (db_->OpenConnection() != 1) {
            Die("open: " + Text(db_->GetError()->Text()));
        }
        KxString error;
        if (KxClassDict::Parse(kDictionary, KxString("bench.kxd"), dictionary_, &error) != 0) {
            Die("dictionary: " + Text(error));
        }
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        g_map = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        if (map_->LoadClass(*dictionary_->GetCurrentVersion(kClass), loaded, 0) != 0) {
            Die("load class: " + Text(db_->GetError()->Text()));
        }
        KxGStatementTemplateList list;
        if (ClassMap().GetStoreHdl()->CreateClassTable(list) != 0) {
            Die("create statements");
        }
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            if (run.Execute() != 1) {
                Die(Text(list.GetTemplate(i)->GetSQLText()) + ": " + Text(db_->GetError()->Text()));
            }
        }
        list.ClearAll();
        if (db_->CommitConnection() != 1) {
            Die("commit of the class table");
        }
        environment_ = std::make_unique<KxGOperationEnvironment>(&readBase_, &catalog_, nullptr, db_->GetDatabaseInfo(), 0, 0);
        environment_->SetClassMapLookup(&LookUp);
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, nullptr, db_.get());
    }

    ~Gateway()
    {
        context_.reset();
        environment_.reset();
        g_map = nullptr;
        map_.reset();
        db_->CloseConnection();
    }

    KxGClassMap& ClassMap() { return *map_->FindClass(kClass)->GetClassMap(); }
    const KxMetaClass* Meta() { return dictionary_->GetCurrentVersion(kClass)->AsClass(); }
    // The class table's name as the engine knows it.
    std::string TableName()
    {
        KxGTable table;
        if (ClassMap().GetStoreHdl()->GetClassTable(table) != 0) {
            Die("no class table");
        }
        return Text(table.GetName());
    }

    // Objects 1..n of the fixture class, outside any base (made before the clock starts).
    std::vector<ObjectPtr> MakeObjects(int n)
    {
        std::vector<ObjectPtr> objects;
        objects.reserve(static_cast<size_t>(n));
        const KxMetaClass* meta = Meta();
        const KxMember* num = meta->FindMember("num");
        const KxMember* name = meta->FindMember("name");
        const KxMember* val = meta->FindMember("val");
        for (int i = 0; i < n; ++i) {
            KxObject* object = nullptr;
            if (writeMgr_.Create(meta, KxObjId(static_cast<uint32_t>(i + 1)), object) != 0) {
                Die("object");
            }
            objects.emplace_back(object);
            char text[41];
            RowName(i, text);
            *reinterpret_cast<int32_t*>(object->MemberAddress(*num, 0)) = RowNum(i);
            *reinterpret_cast<KxString*>(object->MemberAddress(*name, 0)) = KxString(text);
            *reinterpret_cast<double*>(object->MemberAddress(*val, 0)) = RowVal(i);
        }
        return objects;
    }

    // Stores every object in one transaction: a level with a compound statement, the storer for each
    // object, then prepare and commit.
    void Store(const std::vector<ObjectPtr>& objects)
    {
        context_->RaiseLevel();
        KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
        auto* compound = dynamic_cast<KxGCompoundStatement*>(db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context_.get()));
        if (level == nullptr || compound == nullptr || context_->Push(level) != 0 || context_->Push(compound) != 0) {
            Die("transaction level");
        }
        {
            KxGObjectStorer storer(environment_.get(), context_.get(), compound, 1, false);
            for (const ObjectPtr& object : objects) {
                if (storer.StoreObject(nullptr, object.get()) != 0) {
                    Die("store: " + Text(db_->GetError()->Text()));
                }
            }
        }
        if (compound->XAPrepare() != 0 || compound->XACommit() != 0) {
            Die("prepare: " + Text(db_->GetError()->Text()));
        }
        context_->PopTo(compound);
        if (level->XAPrepare() != 0 || level->XACommit() != 0) {
            Die("commit: " + Text(db_->GetError()->Text()));
        }
        context_->PopTo(level);
        db_->DeleteResourceMgr(compound);
        db_->DeleteResourceMgr(level);
        context_->LowerLevel();
    }

    // Reads objects 1..n into fresh objects of the reader's base, kReadBatch at a time; answers the
    // objects read (their values checked by the caller).
    std::vector<ObjectPtr> Read(int n)
    {
        std::vector<ObjectPtr> fresh;
        fresh.reserve(static_cast<size_t>(n));
        const KxMetaClass* meta = Meta();
        KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
        std::vector<KxObject*> batch;
        batch.reserve(kReadBatch);
        for (int first = 0; first < n; first += static_cast<int>(kReadBatch)) {
            batch.clear();
            for (int i = first; i < std::min(n, first + static_cast<int>(kReadBatch)); ++i) {
                KxObject* object = nullptr;
                if (readBase_.GetObjectMgr()->Create(meta, KxObjId(static_cast<uint32_t>(i + 1)), object) != 0) {
                    Die("fresh object");
                }
                fresh.emplace_back(object);
                batch.push_back(object);
            }
            if (reader.Read(static_cast<uint32_t>(batch.size()), batch.data()) != 0) {
                Die("read: " + Text(db_->GetError()->Text()));
            }
        }
        return fresh;
    }

    // Whether every object read holds the values stored.
    bool Check(const std::vector<ObjectPtr>& objects)
    {
        const KxMetaClass* meta = Meta();
        const KxMember* num = meta->FindMember("num");
        const KxMember* name = meta->FindMember("name");
        const KxMember* val = meta->FindMember("val");
        for (const ObjectPtr& object : objects) {
            int i = static_cast<int>(object->GetObjId().GetLow()) - 1;
            char text[41];
            RowName(i, text);
            if (*reinterpret_cast<int32_t*>(object->MemberAddress(*num, 0)) != RowNum(i) ||
                Text(*reinterpret_cast<KxString*>(object->MemberAddress(*name, 0))) != text ||
                *reinterpret_cast<double*>(object->MemberAddress(*val, 0)) != RowVal(i)) {
                return false;
            }
        }
        return true;
    }

    // Drops the fresh objects from the reader's base (so that a later read makes them anew).
    void Forget(std::vector<ObjectPtr>& fresh) { fresh.clear(); }

    KxGOraDatabase& Db() { return *db_; }

private:
    std::unique_ptr<KxGOraDatabase> db_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxObjectMgr writeMgr_{nullptr};
    KxBase readBase_{KxString("bench")};
    KxGCatalog catalog_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxGTransactionContext> context_;
};

// ---- the reference: raw SQLite -----------------------------------------------------------------------

struct Raw {
    sqlite3* db = nullptr;
    explicit Raw(const std::string& file)
    {
        // Opened as the engine opens its session connections: one thread at a time, no connection mutex.
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            Die("open " + file);
        }
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=" + std::to_string(g_synchronous));
    }
    ~Raw() { sqlite3_close(db); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;
    void Exec(const std::string& sql)
    {
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            std::string why = msg != nullptr ? msg : "";
            sqlite3_free(msg);
            Die(sql + ": " + why);
        }
    }
    sqlite3_stmt* Prepare(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            Die(sql + ": " + sqlite3_errmsg(db));
        }
        return st;
    }
};

// The class table's column names (OID first) and the statements that make a table of the same
// columns, declared types, NOT NULL and primary key, and the same indexes, in the reference's file.
// The engine's own CHECK constraints (its type checks, functions of the engine) are left out: they
// are part of the engine's cost.
struct TableShape {
    std::vector<std::string> columns;
    std::vector<std::string> ddl;
    std::string table;
};

TableShape ShapeOf(const std::string& schemaFile, const std::string& table)
{
    TableShape shape;
    shape.table = table;
    Raw engineFile(schemaFile);
    sqlite3_stmt* st = engineFile.Prepare("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1) ORDER BY cid");
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    std::string create = "CREATE TABLE \"" + table + "\" (";
    std::vector<std::pair<int, std::string>> keys;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        create += (shape.columns.empty() ? "\"" : ", \"") + name + "\" " + type + (sqlite3_column_int(st, 2) ? " NOT NULL" : "");
        if (sqlite3_column_int(st, 3) > 0) {
            keys.emplace_back(sqlite3_column_int(st, 3), name);
        }
        shape.columns.push_back(name);
    }
    sqlite3_finalize(st);
    if (shape.columns.empty()) {
        Die("no table " + table + " in " + schemaFile);
    }
    std::sort(keys.begin(), keys.end());
    for (size_t k = 0; k < keys.size(); ++k) {
        create += (k ? ", \"" : ", PRIMARY KEY (\"") + keys[k].second + "\"" + (k + 1 == keys.size() ? ")" : "");
    }
    shape.ddl.push_back(create + ")");
    st = engineFile.Prepare("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL");
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
        shape.ddl.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    return shape;
}

// The rows the gateway writes, as prepared values: OID, CID, then num, name, val in the class
// table's column order (OID and CID first, the members after them).
void RawInsert(Raw& raw, const TableShape& shape, int n, int64_t classId)
{
    std::string sql = "INSERT INTO \"" + shape.table + "\" (";
    std::string marks;
    for (size_t c = 0; c < shape.columns.size(); ++c) {
        sql += (c ? ", \"" : "\"") + shape.columns[c] + "\"";
        marks += c ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    raw.Exec("BEGIN");
    sqlite3_stmt* st = raw.Prepare(sql);
    for (int i = 0; i < n; ++i) {
        char text[41];
        RowName(i, text);
        sqlite3_bind_int64(st, 1, i + 1);
        sqlite3_bind_int64(st, 2, classId);
        sqlite3_bind_int64(st, 3, RowNum(i));
        sqlite3_bind_text(st, 4, text, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 5, RowVal(i));
        if (sqlite3_step(st) != SQLITE_DONE) {
            Die(sqlite3_errmsg(raw.db));
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    raw.Exec("COMMIT");
}

// Every row, values copied into buffers of kReadBatch rows; answers the rows.
int64_t RawScan(Raw& raw, const TableShape& shape)
{
    std::vector<int64_t> ids(kReadBatch);
    std::vector<int32_t> nums(kReadBatch);
    std::vector<char> names(kReadBatch * 41);
    std::vector<double> vals(kReadBatch);
    std::string sql = "SELECT ";
    for (size_t c = 0; c < shape.columns.size(); ++c) {
        sql += (c ? ", \"" : "\"") + shape.columns[c] + "\"";
    }
    sqlite3_stmt* st = raw.Prepare(sql + " FROM \"" + shape.table + "\"");
    int64_t rows = 0;
    uint32_t slot = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ids[slot] = sqlite3_column_int64(st, 0);
        nums[slot] = static_cast<int32_t>(sqlite3_column_int64(st, 2));
        const unsigned char* text = sqlite3_column_text(st, 3);
        size_t len = std::min<size_t>(static_cast<size_t>(sqlite3_column_bytes(st, 3)), 40);
        std::memcpy(&names[slot * 41], text, len);
        names[slot * 41 + len] = 0;
        vals[slot] = sqlite3_column_double(st, 4);
        ++rows;
        if (++slot == kReadBatch) {
            slot = 0;
            benchmark::DoNotOptimize(ids.data());
        }
    }
    sqlite3_finalize(st);
    return rows;
}

// ---- cases -------------------------------------------------------------------------------------------

// Each repetition runs the reference and then the gateway, so that both meet the same machine load:
// the reference inserts into a fresh file, the gateway stores into a fresh schema; both then read
// back what they wrote.
void BM_StoreAndRead(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string key = std::to_string(n);
    for (auto _ : state) {
        ++g_round;
        Gateway gateway("B" + std::to_string(g_round));
        const std::string schemaFile = sqlengine::Engine::Instance().FindServer(kServer)->SchemaFile("B" + std::to_string(g_round), false);
        TableShape shape = ShapeOf(schemaFile, gateway.TableName());
        if (shape.columns.size() != 5) {
            Die("the class table has " + std::to_string(shape.columns.size()) + " columns, not OID, CID and three members");
        }
        const int64_t classId = static_cast<int64_t>(kClass) << 16 | 1;
        {
            Raw raw(g_dir + "/raw_" + std::to_string(g_round) + ".db");
            for (const std::string& ddl : shape.ddl) {
                raw.Exec(ddl);
            }
            auto start = std::chrono::steady_clock::now();
            RawInsert(raw, shape, n, classId);
            g_times["store/" + key + "/sqlite"].push_back(Seconds(start));
            raw.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
            start = std::chrono::steady_clock::now();
            int64_t rows = RawScan(raw, shape);
            g_times["read/" + key + "/sqlite"].push_back(Seconds(start));
            if (rows != n) {
                Die("raw select delivered " + std::to_string(rows) + " rows");
            }
        }
        std::vector<ObjectPtr> objects = gateway.MakeObjects(n);
        auto start = std::chrono::steady_clock::now();
        gateway.Store(objects);
        double stored = Seconds(start);
        g_times["store/" + key + "/gateway"].push_back(stored);
        objects.clear();
        {
            Raw engineFile(schemaFile);
            engineFile.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
        }
        start = std::chrono::steady_clock::now();
        std::vector<ObjectPtr> fresh = gateway.Read(n);
        double read = Seconds(start);
        g_times["read/" + key + "/gateway"].push_back(read);
        if (fresh.size() != static_cast<size_t>(n) || !gateway.Check(fresh)) {
            Die("the objects read differ from those stored");
        }
        state.SetIterationTime(stored + read);
    }
}

// ---- setup and summary -------------------------------------------------------------------------------

void Setup()
{
    sqlengine::Error e;
    auto server = sqlengine::Engine::Instance().RegisterServer(kServer, g_dir + "/server", &e);
    if (!server || !server->AddUser("S", "s", false, &e)) {
        Die("server: " + e.message);
    }
    auto session = sqlengine::Session::Begin(server, "S", "s", e);
    if (!session) {
        Die(e.message);
    }
    g_synchronous = session->SynchronousLevel();
    session->End();
    if (g_synchronous < 0) {
        Die("cannot read the engine's synchronous level");
    }
    KxGInstallMappingCompletion(true);
}

double Median(std::vector<double> v)
{
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Summary()
{
    static const char* const sync[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
    std::printf("\nMedians of %d runs, each running the reference and then the gateway (journal WAL, synchronous %s on both sides, files in %s):\n",
                kRepetitions, g_synchronous >= 0 && g_synchronous <= 3 ? sync[g_synchronous] : "?", g_dir.c_str());
    std::printf("%-44s %11s %11s %8s %8s\n", "operation", "gateway", "sqlite", "ratio", "target");
    bool ok = true;
    std::map<std::string, double> perRow;   // gateway seconds per object, by case and size
    for (const char* op : {"store", "read"}) {
        const double target = std::string(op) == "store" ? 1.3 : 1.5;
        for (int n : {10000, 100000}) {
            const std::string key = std::string(op) + "/" + std::to_string(n);
            double ours = Median(g_times[key + "/gateway"]);
            double ref = Median(g_times[key + "/sqlite"]);
            if (ours == 0 || ref == 0) {
                continue;   // filtered out
            }
            perRow[key] = ours / n;
            double ratio = ours / ref;
            bool within = ratio <= target;
            ok &= within;
            char label[64];
            std::snprintf(label, sizeof label, "%s %d objects%s", op, n,
                          std::string(op) == "store" ? " (one transaction)" : " (batches of 1000)");
            std::printf("%-44s %9.4f s %9.4f s %7.2fx %6.1fx %s\n", label, ours, ref, ratio, target, within ? "ok" : "MISSED");
        }
        const std::string small = std::string(op) + "/10000", large = std::string(op) + "/100000";
        if (perRow.count(small) && perRow.count(large)) {
            std::printf("%-44s %9.2f us per object at 10k, %.2f us at 100k (%.2fx)\n", (std::string(op) + " cost per object").c_str(),
                        perRow[small] * 1e6, perRow[large] * 1e6, perRow[large] / perRow[small]);
        }
    }
    return ok;
}

}  // namespace

// The reported time is the gateway's store and read; the summary sets each against the reference.
BENCHMARK(BM_StoreAndRead)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (const char* dir = std::getenv("GATEWAY_BENCH_DIR")) {
        g_dir = dir;
        std::filesystem::create_directories(g_dir);
    } else {
        char tmpl[] = "/tmp/gateway_bench_XXXXXX";
        if (!mkdtemp(tmpl)) {
            Die("mkdtemp");
        }
        g_dir = tmpl;
    }
    sqlengine::Engine::Instance().SetBusyTimeout(0);
    Setup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ok = Summary();
    KxGInstallMappingCompletion(false);
    sqlengine::Engine::Instance().UnregisterServer(kServer);
    if (!std::getenv("GATEWAY_BENCH_DIR")) {
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    }
    return ok ? 0 : 1;
}
