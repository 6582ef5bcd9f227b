// Engine registry and the server catalog.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "sqlengine.h"
#include "disk.h"
#include "sqlutil.h"

namespace sqlengine {

namespace {

std::string ServerKey(const std::string& name) {
  std::string k = UpperText(name);
  return k.empty() ? std::string("LOCAL") : k;
}

const char* const kCatalogSchema[] = {
    "CREATE TABLE IF NOT EXISTS users(name TEXT PRIMARY KEY, password TEXT, dba INTEGER DEFAULT 0, created TEXT,"
    " generation INTEGER, file TEXT)",
    "CREATE TABLE IF NOT EXISTS roles(name TEXT PRIMARY KEY)",
    "CREATE TABLE IF NOT EXISTS role_grants(grantee TEXT, role TEXT, PRIMARY KEY(grantee, role))",
    "CREATE TABLE IF NOT EXISTS sys_privs(grantee TEXT, privilege TEXT, PRIMARY KEY(grantee, privilege))",
    "CREATE TABLE IF NOT EXISTS obj_privs(grantee TEXT, owner TEXT, object TEXT, privilege TEXT,"
    " PRIMARY KEY(grantee, owner, object, privilege))",
    "CREATE TABLE IF NOT EXISTS objects(id INTEGER PRIMARY KEY, owner TEXT, name TEXT, type TEXT, status TEXT,"
    " file TEXT, tbl TEXT, physical TEXT, body TEXT, UNIQUE(owner, name, type))",
    "CREATE TABLE IF NOT EXISTS sessions(audsid INTEGER PRIMARY KEY, username TEXT, status TEXT, pid INTEGER)",
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER)",
};

std::string Now() {
  DateTime d = CurrentDate();
  return FormatDateText(d);
}

// The registry of the objects of one schema file. Its name holds a double quote, which no Oracle
// identifier can, so that no table of a user can take its place.
const char* const kRegistry = "\"sqlengine\"\"objects\"";
const char* const kRegistrySchema =
    "CREATE TABLE IF NOT EXISTS \"sqlengine\"\"objects\"(id INTEGER PRIMARY KEY AUTOINCREMENT, owner TEXT NOT NULL,"
    " name TEXT NOT NULL, type TEXT NOT NULL, status TEXT NOT NULL, tbl TEXT, physical TEXT, UNIQUE(owner, name, type))";

const char* const kFileSuffixes[] = {"", "-wal", "-shm", "-journal"};

// A user name as a decoration of its file names: ASCII letters, digits and '_' only, at most 40.
std::string FileDecoration(const std::string& user) {
  std::string d;
  for (unsigned char c : user) {
    if (d.size() >= 40) break;
    d += std::isalnum(c) && c < 0x80 ? static_cast<char>(c) : '_';
  }
  return d;
}

// Object ids of registry rows: the user's generation, the file and the row's own id.
int64_t FileObjectId(int64_t generation, bool aux, int64_t local) {
  return (generation << 32) | (aux ? (int64_t{1} << 31) : 0) | (local & 0x7FFFFFFF);
}

// New names in a directory survive a power failure only once the directory itself is synced.
void SyncDirectory(const std::string& dir) {
  if (!Engine::Instance().DurableCommits()) return;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool ApplySynchronous(sqlite3* db, const char* schema) {
  std::string sql = std::string("PRAGMA ") + schema + ".synchronous=" + Engine::Instance().SynchronousMode();
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace

// ---- Engine ----------------------------------------------------------------------------------------

Engine& Engine::Instance() {
  static Engine engine;
  return engine;
}

std::shared_ptr<Server> Engine::RegisterServer(const std::string& name, const std::string& directory, Error* err) {
  Error local;
  Error& e = err ? *err : local;
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) {
    e.SetText(12545, "Connect failed because target host or object does not exist: " + directory);
    return nullptr;
  }
  auto server = std::make_shared<Server>(ServerKey(name), directory);
  if (!server->Open(e)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  servers_[ServerKey(name)] = server;
  return server;
}

void Engine::UnregisterServer(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  servers_.erase(ServerKey(name));
}

std::shared_ptr<Server> Engine::FindServer(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = servers_.find(ServerKey(name));
  return it == servers_.end() ? nullptr : it->second;
}

void Engine::InjectFailure(const std::string& call, int32_t code, const std::string& textContains) {
  std::lock_guard<std::mutex> lock(mutex_);
  injections_.push_back({call, code, textContains, 0});
  injected_.store(injections_.size(), std::memory_order_release);
}

void Engine::InjectFailureAfter(const std::string& call, int32_t code, uint32_t skip,
                                const std::string& textContains) {
  std::lock_guard<std::mutex> lock(mutex_);
  injections_.push_back({call, code, textContains, skip});
  injected_.store(injections_.size(), std::memory_order_release);
}

size_t Engine::PendingInjectedFailures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return injections_.size();
}

bool Engine::TakeInjectedFailure(const std::string& call, const std::string& text, Error& err) {
  if (!HasInjectedFailures()) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = injections_.begin(); it != injections_.end(); ++it) {
    const bool prefix = !it->call.empty() && it->call.back() == '*';
    if (prefix ? call.compare(0, it->call.size() - 1, it->call, 0, it->call.size() - 1) != 0
               : it->call != call)
      continue;
    if (!it->contains.empty() && text.find(it->contains) == std::string::npos) continue;
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    err.Set(it->code);
    injections_.erase(it);
    injected_.store(injections_.size(), std::memory_order_release);
    return true;
  }
  return false;
}

void Engine::ClearInjectedFailures() {
  std::lock_guard<std::mutex> lock(mutex_);
  injections_.clear();
  injected_.store(0, std::memory_order_release);
}

void Engine::SetBusyTimeout(int32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  busyTimeout_ = ms < 0 ? 0 : ms;
}

int32_t Engine::BusyTimeout() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return busyTimeout_;
}

void Engine::SetDiskFull(const std::string& directory, bool full) { sqlengine::SetDiskFull(directory, full); }

void Engine::SetDurableCommits(bool durable) {
  std::lock_guard<std::mutex> lock(mutex_);
  durable_ = durable;
}

bool Engine::DurableCommits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return durable_;
}

const char* Engine::SynchronousMode() const { return DurableCommits() ? "FULL" : "NORMAL"; }

// ---- Server ----------------------------------------------------------------------------------------

Server::Server(std::string name, std::string directory)
    : name_(std::move(name)), dir_(std::move(directory)), kept_(new KeptStatements) {}

Server::~Server() {
  kept_->Clear();
  for (auto& f : files_) sqlite3_close_v2(f.second);
  sqlite3_finalize(generationQuery_);
  sqlite3_finalize(dataVersionQuery_);
  if (catalog_) sqlite3_close_v2(catalog_);
}

bool Server::CatalogFault(const std::string& what, Error& err) {
  return Engine::Instance().TakeInjectedFailure("CatalogWrite", what, err);
}

bool Server::Exec(const char* sql, Error* err) {
  char* msg = nullptr;
  int rc = sqlite3_exec(catalog_, sql, nullptr, nullptr, &msg);
  if (rc != SQLITE_OK) {
    sqlite3_free(msg);
    // The catalog's file failing (full, read-only, unreadable, damaged) answers the server's code
    // for that; any other failure is a fault of the engine (ORA-00600).
    if (err) {
      const std::string text = std::string("catalog: ") + sqlite3_errmsg(catalog_) + " (" + sql + ")";
      if (!MapFileError(sqlite3_extended_errcode(catalog_), text, false, *err)) err->Set(600, text);
    }
    return false;
  }
  return true;
}

namespace {
// A server whose catalog cannot be opened, read or set up: the server's error for its files (an I/O
// error in opening the file, a full disk, or a damaged file); the engine's own faults stay ORA-00600.
bool CatalogOpenFailure(sqlite3* db, int rc, const std::string& path, Error& err) {
  const std::string text = "catalog " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  if (!MapFileError(rc, text, true, err)) err.Set(600, text);
  return false;
}
}  // namespace

bool Server::Open(Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string path = dir_ + "/catalog.db";
  int rc = sqlite3_open_v2(path.c_str(), &catalog_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, EngineVfs());
  if (rc != SQLITE_OK) return CatalogOpenFailure(catalog_, rc, path, err);
  sqlite3_busy_timeout(catalog_, 10000);
  auto step = [&](const char* sql) {
    rc = sqlite3_exec(catalog_, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || CatalogOpenFailure(catalog_, sqlite3_extended_errcode(catalog_), path, err);
  };
  if (!step("PRAGMA journal_mode=WAL")) return false;
  if (!ApplySynchronous(catalog_, "main")) return err.Set(600, "catalog: cannot set its synchronous mode");
  for (const char* sql : kCatalogSchema)
    if (!step(sql)) return false;
  SyncDirectory(dir_);
  Query layout(catalog_, "SELECT file FROM users LIMIT 0");
  if (!layout.Prepared())
    return err.SetText(12545, "Connect failed because target host or object does not exist: " + path +
                                  " has the layout of an older engine");
  return true;
}

std::string Server::SchemaFile(const std::string& user, bool aux) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT file FROM users WHERE name = ?");
  if (!q.Bind(user).Step() || q.IsNull(0) || q.Text(0).empty()) return std::string();
  return dir_ + "/" + q.Text(0) + (aux ? ".aux.db" : ".db");
}

bool Server::CreateSchemaFile(const std::string& path, Error& err) {
  // The name is claimed exclusively: an existing file is never taken over (nor deleted).
  int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return err.Set(600, "cannot create schema file " + path + ": " + std::strerror(errno));
  ::close(fd);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, EngineVfs());
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK && !ApplySynchronous(db, "main")) rc = SQLITE_ERROR;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kRegistrySchema, nullptr, nullptr, nullptr);
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) return err.Set(600, "cannot create schema file " + path + ": " + msg);
  return true;
}

sqlite3* Server::FileConnection(const std::string& path) {
  auto it = files_.find(path);
  if (it != files_.end()) return it->second;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, EngineVfs()) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, Engine::Instance().BusyTimeout());
  ApplySynchronous(db, "main");
  files_[path] = db;
  return db;
}

void Server::CloseFileConnection(const std::string& path) {
  auto it = files_.find(path);
  if (it == files_.end()) return;
  sqlite3_close_v2(it->second);
  files_.erase(it);
}

std::vector<ObjectRow> Server::FileObjects(const std::string& owner, const std::string& name, const std::string& type) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<ObjectRow> rows;
  std::set<std::string> current;
  std::vector<std::pair<std::string, std::pair<std::string, int64_t>>> users;  // name, file, generation
  {
    Query q(catalog_, "SELECT name, file, generation FROM users ORDER BY generation");
    while (q.Step())
      if (!q.Text(1).empty()) users.push_back({q.Text(0), {q.Text(1), q.Int(2)}});
  }
  std::string sql = std::string("SELECT id, owner, name, type, status, tbl, physical FROM ") + kRegistry +
                    " WHERE (?1 = '' OR owner = ?1) AND (?2 = '' OR name = ?2) AND (?3 = '' OR type = ?3) ORDER BY id";
  for (const auto& u : users) {
    for (bool aux : {false, true}) {
      std::string path = dir_ + "/" + u.second.first + (aux ? ".aux.db" : ".db");
      current.insert(path);
      sqlite3* db = FileConnection(path);
      if (!db) continue;
      Query q(db, sql);
      q.Bind(owner).Bind(name).Bind(type);
      while (q.Step()) {
        ObjectRow row;
        row.id = FileObjectId(u.second.second, aux, q.Int(0));
        row.owner = q.Text(1);
        row.name = q.Text(2);
        row.type = q.Text(3);
        row.status = q.Text(4);
        row.file = aux ? AuxAlias(u.first) : MainAlias(u.first);
        row.table = q.Text(5);
        row.physical = q.Text(6);
        rows.push_back(std::move(row));
      }
    }
  }
  // Files of users dropped meanwhile (by another process) are let go.
  for (auto it = files_.begin(); it != files_.end();) {
    if (!current.count(it->first)) {
      sqlite3_close_v2(it->second);
      it = files_.erase(it);
    } else {
      ++it;
    }
  }
  return rows;
}

bool Server::RegisterFileObject(sqlite3* db, const std::string& fileAlias, const ObjectRow& row, Error& err,
                                KeptStatements* kept) {
  if (Engine::Instance().TakeInjectedFailure("CatalogWrite", "OBJECT " + row.owner + "." + row.name, err)) return false;
  std::string sql = "INSERT INTO " + fileAlias + "." + kRegistry + "(owner, name, type, status, tbl, physical) VALUES (?, ?, ?, ?, ?, ?)";
  KeptStatements once;
  Query q(db, sql, kept ? *kept : once);
  q.Bind(row.owner).Bind(row.name).Bind(row.type).Bind(row.status.empty() ? std::string("VALID") : row.status);
  q.Bind(row.table).Bind(row.physical);
  if (!q.Run()) return err.Set(600, "catalog: cannot record object " + row.owner + "." + row.name + ": " + sqlite3_errmsg(db));
  return true;
}

bool Server::UnregisterFileObject(sqlite3* db, const std::string& fileAlias, const std::string& owner,
                                  const std::string& name, const std::string& type, Error& err) {
  if (Engine::Instance().TakeInjectedFailure("CatalogWrite", "OBJECT " + owner + "." + name, err)) return false;
  Query q(db, "DELETE FROM " + fileAlias + "." + kRegistry + " WHERE owner = ? AND name = ? AND type = ?");
  if (!q.Bind(owner).Bind(name).Bind(type).Run())
    return err.Set(600, "catalog: cannot remove object " + owner + "." + name + ": " + sqlite3_errmsg(db));
  return true;
}

bool Server::UnregisterTable(sqlite3* db, const std::string& fileAlias, const std::string& owner, const std::string& table,
                             Error& err) {
  if (Engine::Instance().TakeInjectedFailure("CatalogWrite", "OBJECT " + owner + "." + table, err)) return false;
  Query q(db, "DELETE FROM " + fileAlias + "." + kRegistry +
                  " WHERE (type = 'TABLE' AND name = ?1) OR (type IN ('INDEX', 'TRIGGER') AND tbl = ?1)");
  if (!q.Bind(table).Run()) return err.Set(600, "catalog: cannot remove table " + table + ": " + sqlite3_errmsg(db));
  return true;
}

bool Server::AddUser(const std::string& user, const std::string& password, bool dba, Error* err) {
  Error local;
  return CreateUser(UpperText(user), password, dba, err ? *err : local);
}

void Server::SetCharacterSet(const std::string& cs) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  charset_ = UpperText(cs);
}

std::string Server::CharacterSet() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return charset_;
}

void Server::SetClientConverts(bool converts) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  clientConverts_ = converts;
}

bool Server::ClientConverts() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return clientConverts_;
}

void Server::SetNextSessionId(int64_t id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query(catalog_, "INSERT OR REPLACE INTO meta(key, value) VALUES ('next_audsid', ?)").Bind(id).Run();
}

void Server::AddForeignSession(int64_t audsid, const std::string& user, const std::string& status) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query(catalog_, "INSERT OR REPLACE INTO sessions(audsid, username, status, pid) VALUES (?, ?, ?, 0)")
      .Bind(audsid).Bind(UpperText(user)).Bind(UpperText(status)).Run();
}

void Server::RemoveForeignSession(int64_t audsid) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query(catalog_, "DELETE FROM sessions WHERE audsid = ? AND pid = 0").Bind(audsid).Run();
}

bool Server::MarkInvalid(const std::string& owner, const std::string& name, Error* err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string o = UpperText(owner), n = UpperText(name);
  Query q(catalog_, "UPDATE objects SET status = 'INVALID' WHERE owner = ? AND name = ?");
  q.Bind(o).Bind(n).Run();
  int changed = sqlite3_changes(catalog_);
  // Objects of the schema files (a trigger may sit in the file of another schema's table).
  for (const auto& u : Users()) {
    for (bool aux : {false, true}) {
      sqlite3* db = FileConnection(SchemaFile(u, aux));
      if (!db) continue;
      Query up(db, std::string("UPDATE ") + kRegistry + " SET status = 'INVALID' WHERE owner = ? AND name = ?");
      up.Bind(o).Bind(n).Run();
      changed += sqlite3_changes(db);
    }
  }
  if (changed == 0) {
    if (err) err->SetText(4043, "object " + o + "." + n + " does not exist");
    return false;
  }
  return true;
}

void Server::RegisterSiteProcedure(const std::string& owner, SiteProcedure procedure) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  siteProcedure_ = std::move(procedure);
  Error err;
  ObjectRow row;
  row.owner = UpperText(owner);
  row.name = "ROG_CREATE_BASE";
  row.type = "PROCEDURE";
  row.status = "VALID";
  if (siteProcedure_) RecordObject(row, err);
  else RemoveObject(row.owner, row.name, row.type);
}

bool Server::HasSiteProcedure() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<bool>(siteProcedure_);
}

bool Server::CallSiteProcedure(const std::string& name, const std::string& password, Error& err) {
  SiteProcedure fn;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    fn = siteProcedure_;
  }
  if (!fn) return err.SetText(6550, "line 1, column 7:\nPLS-00201: identifier 'ROG_CREATE_BASE' must be declared");
  return fn(*this, name, password, err);
}

namespace {
// A look-up in the catalog that found no row: when the catalog could not be read, the server's error
// for its file (or ORA-00600) in *err; a plain miss leaves it empty.
void CatalogMiss(sqlite3* catalog, const Query& q, const std::string& what, Error* err) {
  const int rc = q.Prepared() ? q.Rc() : sqlite3_extended_errcode(catalog);
  if (!err || rc == SQLITE_DONE || rc == SQLITE_OK) return;
  const std::string text = std::string("catalog: ") + sqlite3_errmsg(catalog) + " (" + what + ")";
  if (!MapFileError(sqlite3_extended_errcode(catalog), text, false, *err)) err->Set(600, text);
}
}  // namespace

bool Server::UserExists(const std::string& user, Error* err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT 1 FROM users WHERE name = ?", *kept_);
  if (q.Bind(user).Step()) return true;
  CatalogMiss(catalog_, q, "user " + user, err);
  return false;
}

bool Server::RoleExists(const std::string& role) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT 1 FROM roles WHERE name = ?");
  return q.Bind(role).Step();
}

bool Server::CheckPassword(const std::string& user, const std::string& password, Error* err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT password FROM users WHERE name = ?");
  if (q.Bind(user).Step()) return q.Text(0) == password;
  // No such user; or the catalog could not be read, which is no wrong password.
  CatalogMiss(catalog_, q, "log-on of " + user, err);
  return false;
}

bool Server::IsDba(const std::string& user) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT dba FROM users WHERE name = ?", *kept_);
  return q.Bind(user).Step() && q.Int(0) != 0;
}

int64_t Server::Generation(const std::string& user) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Prepared once: every execution of a statement asks for the generations of its schemas.
  if (!generationQuery_ && PrepareSingle(catalog_, "SELECT generation FROM users WHERE name = ?",
                                         SQLITE_PREPARE_PERSISTENT, &generationQuery_) != SQLITE_OK) {
    sqlite3_finalize(generationQuery_);
    generationQuery_ = nullptr;
    return 0;
  }
  sqlite3_bind_text(generationQuery_, 1, user.data(), static_cast<int>(user.size()), SQLITE_STATIC);
  int64_t gen = sqlite3_step(generationQuery_) == SQLITE_ROW ? sqlite3_column_int64(generationQuery_, 0) : 0;
  sqlite3_reset(generationQuery_);
  sqlite3_clear_bindings(generationQuery_);
  return gen;
}

int64_t Server::CatalogChanges() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return sqlite3_total_changes64(catalog_);
}

int64_t Server::CatalogVersion() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Another connection's commit into the catalog rewrites the header of its WAL's shared index,
  // read without a statement; before the index is mapped, the data version (which moves with every
  // commit of another connection) is asked for. This server's own changes are counted by its
  // connection.
  static_assert(sizeof(seenHeader_) == kWalIndexHeaderSize);
  bool moved;
  unsigned char header[kWalIndexHeaderSize];
  if (!catalogFile_) catalogFile_ = MainFileOf(catalog_);
  if (ReadWalIndexHeader(catalogFile_, header)) {
    moved = !seenHeaderValid_ || std::memcmp(header, seenHeader_, kWalIndexHeaderSize) != 0;
    std::memcpy(seenHeader_, header, kWalIndexHeaderSize);
    seenHeaderValid_ = true;
    seenDataVersion_ = -1;
  } else {
    int64_t dataVersion = -1;
    if (dataVersionQuery_ ||
        PrepareSingle(catalog_, "PRAGMA data_version", SQLITE_PREPARE_PERSISTENT, &dataVersionQuery_) == SQLITE_OK) {
      if (dataVersionQuery_ && sqlite3_step(dataVersionQuery_) == SQLITE_ROW) dataVersion = sqlite3_column_int64(dataVersionQuery_, 0);
      if (dataVersionQuery_) sqlite3_reset(dataVersionQuery_);
    }
    // A catalog that cannot be read is never current.
    moved = dataVersion < 0 || dataVersion != seenDataVersion_;
    seenDataVersion_ = dataVersion;
    seenHeaderValid_ = false;
  }
  int64_t changes = sqlite3_total_changes64(catalog_);
  if (moved || changes != seenChanges_) ++catalogVersion_;
  seenChanges_ = changes;
  return catalogVersion_;
}

std::vector<std::string> Server::Users() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> users;
  Query q(catalog_, "SELECT name FROM users ORDER BY rowid");
  while (q.Step()) users.push_back(q.Text(0));
  return users;
}

bool Server::CreateUser(const std::string& user, const std::string& password, bool dba, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // A user name is an attach name of its files ("U", "U~aux") in every session; it never becomes a
  // path. Quoted names may hold any other character.
  if (user.empty()) return err.SetText(1935, "missing user or role name");
  for (unsigned char c : user)
    if (c < 0x20 || c == 0x7F || c == '"' || c == '~') return err.Set(911, "in user name '" + user + "'");
  if (!Exec("BEGIN IMMEDIATE", &err)) return false;
  std::vector<std::string> created;
  auto fail = [&]() {
    Exec("ROLLBACK");
    // Only the files made here, for this user, are removed again.
    for (const auto& path : created)
      for (const char* suffix : kFileSuffixes) std::remove((path + suffix).c_str());
    return false;
  };
  if (UserExists(user) || RoleExists(user)) {
    err.SetText(1920, "user name '" + user + "' conflicts with another user or role name");
    return fail();
  }
  Query gen(catalog_, "SELECT value FROM meta WHERE key = 'generation'");
  int64_t generation = gen.Step() ? gen.Int(0) + 1 : 1;
  // A name that is taken (a file left by an interrupted creation) is skipped, never reused.
  std::string base;
  for (;; ++generation) {
    base = std::to_string(generation) + "_" + FileDecoration(user);
    std::error_code ec;
    bool taken = false;
    for (const char* ext : {".db", ".aux.db"})
      for (const char* suffix : kFileSuffixes) taken = taken || std::filesystem::exists(dir_ + "/" + base + ext + suffix, ec);
    if (!taken) break;
  }
  for (bool aux : {false, true}) {
    std::string path = dir_ + "/" + base + (aux ? ".aux.db" : ".db");
    if (!CreateSchemaFile(path, err)) return fail();
    created.push_back(path);
  }
  SyncDirectory(dir_);  // the files exist for good before the catalog names them
  if (CatalogFault("USER " + user, err)) return fail();
  Query next(catalog_, "INSERT OR REPLACE INTO meta(key, value) VALUES ('generation', ?)");
  Query ins(catalog_, "INSERT INTO users(name, password, dba, created, generation, file) VALUES (?, ?, ?, ?, ?, ?)");
  if (!next.Bind(generation).Run() ||
      !ins.Bind(user).Bind(password).Bind(dba ? 1 : 0).Bind(Now()).Bind(generation).Bind(base).Run()) {
    err.Set(600, std::string("catalog: cannot record user ") + user + ": " + sqlite3_errmsg(catalog_));
    return fail();
  }
  if (!Exec("COMMIT", &err)) return fail();
  return true;
}

bool Server::SetPassword(const std::string& user, const std::string& password, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query(catalog_, "UPDATE users SET password = ? WHERE name = ?").Bind(password).Bind(user).Run();
  if (sqlite3_changes(catalog_) == 0) return err.SetText(1918, "user '" + user + "' does not exist");
  return true;
}

bool Server::DropUser(const std::string& user, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!UserExists(user)) return err.SetText(1918, "user '" + user + "' does not exist");
  std::vector<std::string> paths;
  for (bool aux : {false, true}) {
    std::string path = SchemaFile(user, aux);
    if (!path.empty()) paths.push_back(path);
  }
  if (!Exec("BEGIN IMMEDIATE", &err)) return false;
  bool ok = Query(catalog_, "DELETE FROM users WHERE name = ?").Bind(user).Run() &&
            Query(catalog_, "DELETE FROM role_grants WHERE grantee = ?").Bind(user).Run() &&
            Query(catalog_, "DELETE FROM sys_privs WHERE grantee = ?").Bind(user).Run() &&
            Query(catalog_, "DELETE FROM obj_privs WHERE grantee = ? OR owner = ?").Bind(user).Bind(user).Run() &&
            Query(catalog_, "DELETE FROM objects WHERE owner = ? OR file = ? OR file = ?")
                .Bind(user).Bind(MainAlias(user)).Bind(AuxAlias(user)).Run();
  if (!ok) err.Set(600, std::string("catalog: cannot drop user ") + user + ": " + sqlite3_errmsg(catalog_));
  if (!ok || CatalogFault("USER " + user, err)) {
    Exec("ROLLBACK");
    return false;
  }
  if (!Exec("COMMIT", &err)) {
    Exec("ROLLBACK");
    return false;
  }
  // The files recorded for this user, and nothing else, go once the catalog has let the user go
  // (an interruption in between leaves unused files behind, never a user without files).
  for (const auto& path : paths) {
    CloseFileConnection(path);
    for (const char* suffix : kFileSuffixes) std::remove((path + suffix).c_str());
  }
  return true;
}

bool Server::CreateRole(const std::string& role, const std::string& creator, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (UserExists(role) || RoleExists(role))
    return err.SetText(1921, "role name '" + role + "' conflicts with another user or role name");
  Query(catalog_, "INSERT INTO roles(name) VALUES (?)").Bind(role).Run();
  Query(catalog_, "INSERT OR IGNORE INTO role_grants(grantee, role) VALUES (?, ?)").Bind(creator).Bind(role).Run();
  return true;
}

bool Server::DropRole(const std::string& role, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!RoleExists(role)) return err.SetText(1919, "role '" + role + "' does not exist");
  Query(catalog_, "DELETE FROM roles WHERE name = ?").Bind(role).Run();
  Query(catalog_, "DELETE FROM role_grants WHERE role = ? OR grantee = ?").Bind(role).Bind(role).Run();
  Query(catalog_, "DELETE FROM sys_privs WHERE grantee = ?").Bind(role).Run();
  Query(catalog_, "DELETE FROM obj_privs WHERE grantee = ?").Bind(role).Run();
  return true;
}

bool Server::GrantRole(const std::string& grantee, const std::string& role, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!Query(catalog_, "INSERT OR IGNORE INTO role_grants(grantee, role) VALUES (?, ?)").Bind(grantee).Bind(role).Run())
    return err.Set(600, "catalog: grant");
  return true;
}

bool Server::GrantSystem(const std::string& grantee, const std::string& privilege, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (privilege == "DBA") Query(catalog_, "UPDATE users SET dba = 1 WHERE name = ?").Bind(grantee).Run();
  if (!Query(catalog_, "INSERT OR IGNORE INTO sys_privs(grantee, privilege) VALUES (?, ?)").Bind(grantee).Bind(privilege).Run())
    return err.Set(600, "catalog: grant");
  return true;
}

bool Server::GrantObject(const std::string& grantee, const std::string& owner, const std::string& object,
                         const std::string& privilege, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "INSERT OR IGNORE INTO obj_privs(grantee, owner, object, privilege) VALUES (?, ?, ?, ?)");
  if (!q.Bind(grantee).Bind(owner).Bind(object).Bind(privilege).Run()) return err.Set(600, "catalog: grant");
  return true;
}

bool Server::HasSystemPrivilege(const std::string& user, const std::string& privilege) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (IsDba(user)) return true;
  Query q(catalog_,
          "SELECT 1 FROM sys_privs WHERE privilege = ? AND (grantee = ? OR grantee = 'PUBLIC' OR grantee IN"
          " (SELECT role FROM role_grants WHERE grantee = ?))");
  return q.Bind(privilege).Bind(user).Bind(user).Step();
}

bool Server::HoldsRole(const std::string& user, const std::string& role) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT 1 FROM role_grants WHERE grantee = ? AND role = ?");
  return q.Bind(user).Bind(role).Step();
}

int Server::ObjectPrivilege(const std::string& user, const std::string& owner, const std::string& object,
                            const std::string& privilege) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_,
          "SELECT privilege FROM obj_privs WHERE owner = ? AND object = ? AND (grantee = ? OR grantee = 'PUBLIC'"
          " OR grantee IN (SELECT role FROM role_grants WHERE grantee = ?))",
          *kept_);
  q.Bind(owner).Bind(object).Bind(user).Bind(user);
  int level = 0;
  while (q.Step()) {
    std::string p = q.Text(0);
    if (p == privilege || p == "ALL" || p == "ALL PRIVILEGES") return 2;
    level = 1;
  }
  return level;
}

bool Server::RecordObject(const ObjectRow& row, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (CatalogFault("OBJECT " + row.owner + "." + row.name, err)) return false;
  Query q(catalog_,
          "INSERT OR REPLACE INTO objects(owner, name, type, status, file, tbl, physical, body)"
          " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  q.Bind(row.owner).Bind(row.name).Bind(row.type).Bind(row.status.empty() ? std::string("VALID") : row.status);
  q.Bind(row.file).Bind(row.table).Bind(row.physical).Bind(row.body);
  if (!q.Run()) return err.Set(600, "catalog: cannot record object " + row.name + ": " + sqlite3_errmsg(catalog_));
  return true;
}

bool Server::RemoveObject(const std::string& owner, const std::string& name, const std::string& type, Error* err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Error local;
  Error& e = err ? *err : local;
  if (CatalogFault("OBJECT " + owner + "." + name, e)) return false;
  if (!Exec("BEGIN IMMEDIATE", &e)) return false;
  bool ok = Query(catalog_, "DELETE FROM objects WHERE owner = ? AND name = ? AND type = ?").Bind(owner).Bind(name).Bind(type).Run() &&
            Query(catalog_, "DELETE FROM obj_privs WHERE owner = ? AND object = ?").Bind(owner).Bind(name).Run();
  if (!ok) e.Set(600, "catalog: cannot remove object " + name + ": " + sqlite3_errmsg(catalog_));
  if (!ok || !Exec("COMMIT", &e)) {
    Exec("ROLLBACK");
    return false;
  }
  return true;
}

bool Server::ClearGrants(const std::string& owner, const std::string& object, Error& err) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (CatalogFault("GRANTS " + owner + "." + object, err)) return false;
  // Most names have no grants: no write (and no synced commit) then.
  if (!Query(catalog_, "SELECT 1 FROM obj_privs WHERE owner = ? AND object = ?", *kept_).Bind(owner).Bind(object).Step())
    return true;
  if (!Query(catalog_, "DELETE FROM obj_privs WHERE owner = ? AND object = ?").Bind(owner).Bind(object).Run())
    return err.Set(600, "catalog: cannot remove the grants on " + owner + "." + object + ": " + sqlite3_errmsg(catalog_));
  return true;
}

namespace {
void ReadObject(const Query& q, ObjectRow& row) {
  row.id = q.Int(0);
  row.owner = q.Text(1);
  row.name = q.Text(2);
  row.type = q.Text(3);
  row.status = q.Text(4);
  row.file = q.Text(5);
  row.table = q.Text(6);
  row.physical = q.Text(7);
  row.body = q.Text(8);
}
}  // namespace

bool Server::FindObject(const std::string& owner, const std::string& name, const std::string& type, ObjectRow& row) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT id, owner, name, type, status, file, tbl, physical, body FROM objects"
                    " WHERE owner = ? AND name = ? AND type = ?");
  if (q.Bind(owner).Bind(name).Bind(type).Step()) {
    ReadObject(q, row);
    return true;
  }
  if (owner.empty() || name.empty() || type.empty()) return false;
  auto rows = FileObjects(owner, name, type);
  if (rows.empty()) return false;
  row = rows.front();
  return true;
}

bool Server::FindObjectAnyType(const std::string& owner, const std::string& name, ObjectRow& row) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query q(catalog_, "SELECT id, owner, name, type, status, file, tbl, physical, body FROM objects"
                    " WHERE owner = ? AND name = ? ORDER BY id");
  if (q.Bind(owner).Bind(name).Step()) {
    ReadObject(q, row);
    return true;
  }
  if (owner.empty() || name.empty()) return false;
  auto rows = FileObjects(owner, name, std::string());
  if (rows.empty()) return false;
  row = rows.front();
  return true;
}

std::vector<ObjectRow> Server::Objects() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<ObjectRow> rows;
  Query q(catalog_, "SELECT id, owner, name, type, status, file, tbl, physical, body FROM objects ORDER BY id");
  while (q.Step()) {
    ObjectRow row;
    ReadObject(q, row);
    rows.push_back(row);
  }
  for (auto& row : FileObjects(std::string(), std::string(), std::string())) rows.push_back(std::move(row));
  return rows;
}

int64_t Server::AllocateSessionId(const std::string& user) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Exec("BEGIN IMMEDIATE");
  Query next(catalog_, "SELECT value FROM meta WHERE key = 'next_audsid'");
  int64_t id = next.Step() ? next.Int(0) : 1001;
  for (;;) {
    Query used(catalog_, "SELECT 1 FROM sessions WHERE audsid = ?");
    if (!used.Bind(id).Step()) break;
    ++id;
  }
  Query(catalog_, "INSERT INTO sessions(audsid, username, status, pid) VALUES (?, ?, 'INACTIVE', ?)")
      .Bind(id).Bind(user).Bind(static_cast<int64_t>(getpid())).Run();
  Query(catalog_, "INSERT OR REPLACE INTO meta(key, value) VALUES ('next_audsid', ?)").Bind(id + 1).Run();
  Exec("COMMIT");
  return id;
}

void Server::EndSession(int64_t audsid) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Query(catalog_, "DELETE FROM sessions WHERE audsid = ? AND pid <> 0").Bind(audsid).Run();
}

std::vector<SessionRow> Server::Sessions() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<SessionRow> rows;
  std::vector<int64_t> stale;
  Query q(catalog_, "SELECT audsid, username, status, pid FROM sessions ORDER BY audsid");
  const int64_t self = getpid();
  while (q.Step()) {
    int64_t pid = q.Int(3);
    bool alive = pid == 0 || pid == self || kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    if (!alive) {
      stale.push_back(q.Int(0));
      continue;
    }
    rows.push_back({q.Int(0), q.Text(1), q.Text(2)});
  }
  for (int64_t id : stale) Query(catalog_, "DELETE FROM sessions WHERE audsid = ?").Bind(id).Run();
  return rows;
}

}  // namespace sqlengine
