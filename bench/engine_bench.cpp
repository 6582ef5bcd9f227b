// The embedded engine through OCI against raw SQLite on the same kind of file with the same settings.
// Ends with the medians, their ratios and the targets; see README.md.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_child.h"
#include "oci.h"
#include "sqlengine.h"

namespace {

constexpr int kRows = 100000;
constexpr int kBatch = 250;
constexpr int kTables = 1000;
constexpr int kScanRows = 1000000;
constexpr int kRepetitions = 5;
constexpr long kScanSlackKb = 4096;  // "within a few MB": SQLite's page cache (2 MB) and some room
constexpr const char* kServer = "BENCH";
constexpr const char* kScanServer = "BENCHSCAN";  // a server of its own, so that nothing else weighs on the peaks

std::string g_dir;               // the folder of every file
std::string g_self;              // this program, for the scan children
int g_synchronous = -1;          // the engine's level, copied to the reference
std::map<std::string, std::vector<double>> g_times;  // wall seconds per repetition
std::map<std::string, std::vector<double>> g_cpu;    // processor seconds (user + system) per repetition

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "engine_bench: %s\n", what.c_str());
  std::exit(2);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The wall and processor time of one side of a case.
struct Span {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = bench::CpuSeconds();
  // Records both under `key`; answers the wall seconds.
  double End(const std::string& key) const {
    double seconds = Seconds(wall);
    g_times[key].push_back(seconds);
    g_cpu[key].push_back(bench::CpuSeconds() - cpu);
    return seconds;
  }
};

// ---- the engine through OCI ------------------------------------------------------------------------

struct Connection {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIServer* srv = nullptr;
  OCISession* ses = nullptr;

  Connection(const std::string& user, const std::string& password, const char* server = kServer) {
    OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    Check(OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(server), static_cast<sb4>(std::strlen(server)), OCI_DEFAULT),
          "attach");
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()), static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err);
    Check(OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT), "logon");
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
  }
  ~Connection() {
    OCITransRollback(svc, err, OCI_DEFAULT);
    OCISessionEnd(svc, err, ses, OCI_DEFAULT);
    OCIServerDetach(srv, err, OCI_DEFAULT);
    OCIHandleFree(ses, OCI_HTYPE_SESSION);
    OCIHandleFree(srv, OCI_HTYPE_SERVER);
    OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    OCIHandleFree(err, OCI_HTYPE_ERROR);
    OCIHandleFree(env, OCI_HTYPE_ENV);
  }
  void Check(sword status, const std::string& what) {
    if (status == OCI_SUCCESS || status == OCI_NO_DATA) return;
    sb4 code = 0;
    OraText text[512] = {};
    OCIErrorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    Die(what + ": " + reinterpret_cast<char*>(text));
  }
  OCIStmt* Prepare(const std::string& sql) {
    OCIStmt* st = nullptr;
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    Check(OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
          sql);
    return st;
  }
  void Exec(const std::string& sql) {
    OCIStmt* st = Prepare(sql);
    Check(OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), sql);
    OCIHandleFree(st, OCI_HTYPE_STMT);
  }
  void Commit() { Check(OCITransCommit(svc, err, OCI_DEFAULT), "commit"); }
};

// The rows both sides insert: ID, NAME (up to 40 characters), VAL.
struct Rows {
  std::vector<int64_t> ids;
  std::vector<char> names;  // 41 bytes per row, NUL-terminated
  std::vector<double> vals;
  explicit Rows(int n) : ids(static_cast<size_t>(n)), names(static_cast<size_t>(n) * 41), vals(static_cast<size_t>(n)) {
    for (int i = 0; i < n; ++i) {
      ids[static_cast<size_t>(i)] = i + 1;
      std::snprintf(&names[static_cast<size_t>(i) * 41], 41, "row %d of the bench, %s", i, i % 2 ? "odd" : "even");
      vals[static_cast<size_t>(i)] = i * 0.25;
    }
  }
  const char* Name(int i) const { return &names[static_cast<size_t>(i) * 41]; }
};

const Rows& TheRows() {
  static Rows rows(kRows);
  return rows;
}

const char* const kColumns = "( ID NUMBER (38), NAME VARCHAR2 (40), VAL NUMBER )";

// Inserts rows [0, n) of `rows` (repeated) into S.<table> through OCI: arrays of kBatch rows, one transaction.
void EngineInsert(Connection& c, const std::string& table, int n, const Rows& rows) {
  OCIStmt* st = c.Prepare("INSERT INTO S." + table + " ( ID, NAME, VAL ) VALUES ( :1, :2, :3 )");
  std::vector<int64_t> ids(kBatch);
  std::vector<char> names(kBatch * 41);
  std::vector<double> vals(kBatch);
  OCIBind* b = nullptr;
  c.Check(OCIBindByPos(st, &b, c.err, 1, ids.data(), sizeof(int64_t), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
  c.Check(OCIBindByPos(st, &b, c.err, 2, names.data(), 41, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
  c.Check(OCIBindByPos(st, &b, c.err, 3, vals.data(), sizeof(double), SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
  const int have = static_cast<int>(rows.ids.size());
  for (int done = 0; done < n; done += kBatch) {
    int count = std::min(kBatch, n - done);
    for (int r = 0; r < count; ++r) {
      int k = (done + r) % have;
      ids[static_cast<size_t>(r)] = done + r + 1;
      std::memcpy(&names[static_cast<size_t>(r) * 41], rows.Name(k), 41);
      vals[static_cast<size_t>(r)] = rows.vals[static_cast<size_t>(k)];
    }
    c.Check(OCIStmtExecute(c.svc, st, c.err, static_cast<ub4>(count), 0, nullptr, nullptr, OCI_DEFAULT), "insert");
  }
  c.Commit();
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

// Fetches every row of S.<table> in blocks of kBatch; answers the row count.
int64_t EngineScan(Connection& c, const std::string& table) {
  OCIStmt* st = c.Prepare("SELECT ID, NAME, VAL FROM S." + table);
  std::vector<int64_t> ids(kBatch);
  std::vector<char> names(kBatch * 41);
  std::vector<double> vals(kBatch);
  std::vector<sb2> nameInd(kBatch);
  OCIDefine* d = nullptr;
  c.Check(OCIDefineByPos(st, &d, c.err, 1, ids.data(), sizeof(int64_t), SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT), "define");
  c.Check(OCIDefineByPos(st, &d, c.err, 2, names.data(), 41, SQLT_STR, nameInd.data(), nullptr, nullptr, OCI_DEFAULT), "define");
  c.Check(OCIDefineByPos(st, &d, c.err, 3, vals.data(), sizeof(double), SQLT_FLT, nullptr, nullptr, nullptr, OCI_DEFAULT), "define");
  c.Check(OCIStmtExecute(c.svc, st, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), "select");
  sword status = OCI_SUCCESS;
  while (status == OCI_SUCCESS) {
    status = OCIStmtFetch(st, c.err, kBatch, OCI_FETCH_NEXT, OCI_DEFAULT);
    c.Check(status, "fetch");
    benchmark::DoNotOptimize(ids.data());
  }
  ub4 rows = 0;
  OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, c.err);
  OCIHandleFree(st, OCI_HTYPE_STMT);
  return rows;
}

// ---- the reference: raw SQLite -----------------------------------------------------------------------

struct Raw {
  sqlite3* db = nullptr;
  explicit Raw(const std::string& file) {
    // Opened as the engine opens its session connections: one thread at a time, no connection mutex.
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
      Die("open " + file);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=" + std::to_string(g_synchronous));
  }
  ~Raw() { sqlite3_close(db); }
  void Exec(const std::string& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) Die(sql + ": " + (msg ? msg : ""));
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) Die(sql + ": " + sqlite3_errmsg(db));
    return st;
  }
};

void RawInsert(Raw& raw, const Rows& rows) {
  raw.Exec("BEGIN");
  sqlite3_stmt* st = raw.Prepare("INSERT INTO T ( ID, NAME, VAL ) VALUES ( ?, ?, ? )");
  for (int i = 0; i < kRows; ++i) {
    sqlite3_bind_int64(st, 1, rows.ids[static_cast<size_t>(i)]);
    sqlite3_bind_text(st, 2, rows.Name(i), -1, SQLITE_STATIC);
    sqlite3_bind_double(st, 3, rows.vals[static_cast<size_t>(i)]);
    if (sqlite3_step(st) != SQLITE_DONE) Die(sqlite3_errmsg(raw.db));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  raw.Exec("COMMIT");
}

int64_t RawScan(Raw& raw) {
  std::vector<int64_t> ids(kBatch);
  std::vector<char> names(kBatch * 41);
  std::vector<double> vals(kBatch);
  sqlite3_stmt* st = raw.Prepare("SELECT ID, NAME, VAL FROM T");
  int64_t rows = 0;
  int slot = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    size_t s = static_cast<size_t>(slot);
    ids[s] = sqlite3_column_int64(st, 0);
    const unsigned char* text = sqlite3_column_text(st, 1);
    size_t n = std::min<size_t>(static_cast<size_t>(sqlite3_column_bytes(st, 1)), 40);
    std::memcpy(&names[s * 41], text, n);
    names[s * 41 + n] = 0;
    vals[s] = sqlite3_column_double(st, 2);
    ++rows;
    if (++slot == kBatch) {
      slot = 0;
      benchmark::DoNotOptimize(ids.data());
    }
  }
  sqlite3_finalize(st);
  return rows;
}

// ---- cases -------------------------------------------------------------------------------------------

void SelectTables();
void ScanTables();

void Record(benchmark::State& state, const std::string& name, const Span& span) { state.SetIterationTime(span.End(name)); }

// Each repetition runs the reference and then the engine, so that both meet the same machine load.
int g_round = 0;

void BM_Insert(benchmark::State& state) {
  for (auto _ : state) {
    ++g_round;
    {
      Raw raw(g_dir + "/raw_insert_" + std::to_string(g_round) + ".db");
      raw.Exec(std::string("CREATE TABLE T ") + kColumns);
      Span span;
      RawInsert(raw, TheRows());
      span.End("insert/sqlite");
    }
    Connection c("S", "s");
    std::string table = "INS" + std::to_string(g_round);
    c.Exec("CREATE TABLE S." + table + " " + kColumns);
    Span span;
    EngineInsert(c, table, kRows, TheRows());
    Record(state, "insert/engine", span);
  }
}

// The select cases keep their connections across repetitions (Google Benchmark calls the function
// once per repetition): each scan is one statement on a warm connection.
Raw* g_selectRaw = nullptr;
Connection* g_selectConn = nullptr;

void BM_Select(benchmark::State& state) {
  SelectTables();
  if (!g_selectConn) {
    g_selectRaw = new Raw(g_dir + "/raw_select.db");
    g_selectConn = new Connection("S", "s");
    RawScan(*g_selectRaw);
    EngineScan(*g_selectConn, "SEL");
  }
  Raw* raw = g_selectRaw;
  Connection* c = g_selectConn;
  for (auto _ : state) {
    Span raw0;
    int64_t rows = RawScan(*raw);
    raw0.End("select/sqlite");
    if (rows != kRows) Die("raw select delivered " + std::to_string(rows) + " rows");
    Span span;
    rows = EngineScan(*c, "SEL");
    Record(state, "select/engine", span);
    if (rows != kRows) Die("select delivered " + std::to_string(rows) + " rows");
  }
}

void BM_Create(benchmark::State& state) {
  for (auto _ : state) {
    ++g_round;
    {
      Raw raw(g_dir + "/raw_create_" + std::to_string(g_round) + ".db");
      Span span;
      for (int i = 0; i < kTables; ++i) raw.Exec("CREATE TABLE T" + std::to_string(i) + " " + kColumns);
      span.End("create/sqlite");
    }
    std::string user = "C" + std::to_string(g_round);
    sqlengine::Error e;
    if (!sqlengine::Engine::Instance().FindServer(kServer)->AddUser(user, "c", false, &e)) Die(e.message);
    Connection c(user, "c");
    Span span;
    for (int i = 0; i < kTables; ++i) c.Exec("CREATE TABLE " + user + ".T" + std::to_string(i) + " " + kColumns);
    Record(state, "create/engine", span);
  }
}

// ---- scan memory -------------------------------------------------------------------------------------

// Runs `engine_bench --scan-child <dir> <table>` and answers its peak resident size in kB.
long ScanPeak(const std::string& table, int64_t expectRows) {
  std::string out = bench::RunProgram(g_self, {"--scan-child", g_dir, table});
  long long rows = -1, peak = -1;
  if (std::sscanf(out.c_str(), "%lld %lld", &rows, &peak) != 2 || rows != expectRows)
    Die("scan child of " + table + " failed: " + out);
  return static_cast<long>(peak);
}

std::vector<long> g_peakEmpty, g_peakFull;

void BM_ScanMemory(benchmark::State& state) {
  ScanTables();
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    g_peakEmpty.push_back(ScanPeak("EMPTY", 0));
    g_peakFull.push_back(ScanPeak("BIG", kScanRows));
    state.SetIterationTime(Seconds(start));
  }
  state.counters["empty_peak_kB"] = static_cast<double>(g_peakEmpty.back());
  state.counters["1M_peak_kB"] = static_cast<double>(g_peakFull.back());
}

int ScanChild(const std::string& dir, const std::string& table) {
  sqlengine::Error e;
  if (!sqlengine::Engine::Instance().RegisterServer(kScanServer, dir + "/scan", &e)) Die(e.message);
  int64_t rows = 0;
  {
    Connection c("S", "s", kScanServer);
    rows = EngineScan(c, table);
  }
  long peak = bench::PeakKb();
  std::printf("%lld %ld\n", static_cast<long long>(rows), peak);
  return 0;
}

// ---- setup and summary -------------------------------------------------------------------------------

void Setup() {
  sqlengine::Error e;
  auto server = sqlengine::Engine::Instance().RegisterServer(kServer, g_dir + "/server", &e);
  if (!server || !server->AddUser("S", "s", false, &e)) Die("server: " + e.message);
  {
    auto session = sqlengine::Session::Begin(server, "S", "s", e);
    if (!session) Die(e.message);
    g_synchronous = session->SynchronousLevel();
    session->End();
  }
  if (g_synchronous < 0) Die("cannot read the engine's synchronous level");
}

// The tables the select cases read, made when first needed.
void SelectTables() {
  static bool made = false;
  if (made) return;
  made = true;
  Connection c("S", "s");
  c.Exec(std::string("CREATE TABLE S.SEL ") + kColumns);
  EngineInsert(c, "SEL", kRows, TheRows());
  Raw raw(g_dir + "/raw_select.db");
  raw.Exec(std::string("CREATE TABLE T ") + kColumns);
  RawInsert(raw, TheRows());
  // Both sides read their table from the database file, with an empty WAL.
  raw.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  Raw engineFile(sqlengine::Engine::Instance().FindServer(kServer)->SchemaFile("S", false));
  engineFile.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void ScanTables() {
  static bool made = false;
  if (made) return;
  made = true;
  sqlengine::Error e;
  auto server = sqlengine::Engine::Instance().RegisterServer(kScanServer, g_dir + "/scan", &e);
  if (!server || !server->AddUser("S", "s", false, &e)) Die("scan server: " + e.message);
  Connection c("S", "s", kScanServer);
  c.Exec(std::string("CREATE TABLE S.EMPTY ") + kColumns);
  c.Exec(std::string("CREATE TABLE S.BIG ") + kColumns);
  EngineInsert(c, "BIG", kScanRows, TheRows());
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool Summary() {
  static const char* const sync[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
  std::printf("\nMedians of %d runs, each running the reference and then the engine (journal WAL, synchronous %s on both sides, files in %s).\n"
              "Processor time (user + system of the process) is what the targets hold; wall time waits for the disk as well:\n",
              kRepetitions, g_synchronous >= 0 && g_synchronous <= 3 ? sync[g_synchronous] : "?", g_dir.c_str());
  std::printf("%-36s %10s %10s %7s %10s %10s %7s %7s\n", "operation", "cpu engine", "cpu sqlite", "ratio", "wall engine",
              "wall sqlite", "ratio", "target");
  struct Line {
    const char* key;
    const char* label;
    double target;
  };
  const Line lines[] = {{"insert", "insert 100,000 rows (250 per array)", 1.2},
                        {"select", "full select of 100,000 rows", 1.2},
                        {"create", "create 1,000 tables", 2.0}};
  bool ok = true;
  for (const auto& l : lines) {
    std::string engine = std::string(l.key) + "/engine", sqlite = std::string(l.key) + "/sqlite";
    double cpu = Median(g_cpu[engine]), cpuRef = Median(g_cpu[sqlite]);
    double wall = Median(g_times[engine]), wallRef = Median(g_times[sqlite]);
    if (wall == 0 || wallRef == 0) continue;  // filtered out
    double ratio = cpuRef > 0 ? cpu / cpuRef : 0;
    bool within = ratio <= l.target;
    ok &= within;
    std::printf("%-36s %8.4f s %8.4f s %6.2fx %8.4f s %8.4f s %6.2fx %6.1fx %s\n", l.label, cpu, cpuRef, ratio, wall, wallRef,
                wall / wallRef, l.target, within ? "ok" : "MISSED");
  }
  if (!g_peakEmpty.empty()) {
    long empty = *std::max_element(g_peakEmpty.begin(), g_peakEmpty.end());
    long full = *std::max_element(g_peakFull.begin(), g_peakFull.end());
    bool within = full - empty <= kScanSlackKb;
    ok &= within;
    std::printf("scan peak memory: empty table %.1f MB, 1,000,000 rows %.1f MB (+%.1f MB, target +%.0f MB) %s\n",
                empty / 1024.0, full / 1024.0, (full - empty) / 1024.0, kScanSlackKb / 1024.0, within ? "ok" : "MISSED");
  }
  return ok;
}

}  // namespace

// The reported time is the engine's; the summary at the end sets it against the reference.
BENCHMARK(BM_Insert)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Select)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Create)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMemory)->Iterations(1)->Repetitions(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--scan-child") return ScanChild(argv[2], argv[3]);
  g_self = std::filesystem::read_symlink("/proc/self/exe").string();
  benchmark::Initialize(&argc, argv);
  if (const char* dir = std::getenv("ENGINE_BENCH_DIR")) {
    g_dir = dir;
    std::filesystem::create_directories(g_dir);
  } else {
    char tmpl[] = "/tmp/engine_bench_XXXXXX";
    if (!mkdtemp(tmpl)) Die("mkdtemp");
    g_dir = tmpl;
  }
  sqlengine::Engine::Instance().SetBusyTimeout(0);
  Setup();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete g_selectConn;
  delete g_selectRaw;
  bool ok = Summary();
  sqlengine::Engine::Instance().UnregisterServer(kServer);
  sqlengine::Engine::Instance().UnregisterServer(kScanServer);
  if (!std::getenv("ENGINE_BENCH_DIR")) {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
  }
  return ok ? 0 : 1;
}
