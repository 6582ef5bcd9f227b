// Sessions: one SQLite connection each, with Oracle's transaction behaviour.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "sqlengine.h"
#include "disk.h"
#include "sqlutil.h"

namespace sqlengine {

namespace {

constexpr size_t kMaxSchemas = 5;  // two files each; SQLite attaches at most ten
constexpr size_t kMaxForms = 256;  // statement texts whose rewrite a session keeps
constexpr size_t kMaxIdle = 4;     // prepared statements kept per text

// Commits of schema files by the sessions of this process (SQLite's write-ahead-log hook runs
// after a commit has been written and its lock let go).
std::atomic<int64_t> g_commits{0};

int AfterCommit(void*, sqlite3* db, const char* file, int frames) {
  ++g_commits;
  // What SQLite's own hook does, which this one replaces: a checkpoint every 1000 pages.
  if (frames >= 1000) sqlite3_wal_checkpoint_v2(db, file, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return SQLITE_OK;
}

const char* const kViewTables[] = {
    "CREATE TEMP TABLE \"V$SESSION\"(SID INTEGER, \"SERIAL#\" INTEGER, AUDSID INTEGER, USERNAME TEXT,"
    " SCHEMANAME TEXT, STATUS TEXT)",
    "CREATE TEMP TABLE \"V$NLS_PARAMETERS\"(PARAMETER TEXT, VALUE TEXT)",
    "CREATE TEMP TABLE \"V$VERSION\"(BANNER TEXT)",
    "CREATE TEMP TABLE ALL_USERS(USERNAME TEXT, USER_ID INTEGER, CREATED TEXT)",
    "CREATE TEMP TABLE ALL_OBJECTS(OWNER TEXT, OBJECT_NAME TEXT, SUBOBJECT_NAME TEXT, OBJECT_ID INTEGER,"
    " OBJECT_TYPE TEXT, STATUS TEXT)",
    "CREATE TEMP TABLE USER_OBJECTS(OBJECT_NAME TEXT, SUBOBJECT_NAME TEXT, OBJECT_ID INTEGER, OBJECT_TYPE TEXT,"
    " STATUS TEXT)",
    "CREATE TEMP TABLE ALL_CATALOG(OWNER TEXT, TABLE_NAME TEXT, TABLE_TYPE TEXT)",
    "CREATE TEMP TABLE ALL_INDEXES(OWNER TEXT, INDEX_NAME TEXT, TABLE_OWNER TEXT, TABLE_NAME TEXT,"
    " TABLE_TYPE TEXT, STATUS TEXT)",
};

// Oracle type code and size of a declared column type.
void DescribeType(const std::string& decl, ColumnInfo& c) {
  std::string d = UpperText(decl);
  uint32_t len = 0;
  size_t open = d.find('(');
  if (open != std::string::npos) len = static_cast<uint32_t>(std::strtoul(d.c_str() + open + 1, nullptr, 10));
  if (d.compare(0, 8, "VARCHAR2") == 0) { c.dataType = 1; c.dataSize = len; }
  else if (d.compare(0, 8, "LONG RAW") == 0) { c.dataType = 24; c.dataSize = 0; }
  else if (d.compare(0, 4, "LONG") == 0) { c.dataType = 8; c.dataSize = 0; }
  else if (d.compare(0, 4, "CHAR") == 0) { c.dataType = 96; c.dataSize = len ? len : 1; }
  else if (d.compare(0, 6, "NUMBER") == 0) { c.dataType = 2; c.dataSize = 22; }
  else if (d == "DATE") { c.dataType = 12; c.dataSize = 7; }
  else if (d.compare(0, 3, "RAW") == 0) { c.dataType = 23; c.dataSize = len; }
  else if (d == "BLOB") { c.dataType = 113; c.dataSize = 4000; }
  else { c.dataType = 1; c.dataSize = 4000; }
}

// Reads column i of the current row into `v`, reusing its text buffer (a session's connection is
// used by one thread at a time, so the column's value is read directly).
void ReadValue(sqlite3_stmt* st, int i, Value& v) {
  sqlite3_value* col = sqlite3_column_value(st, i);
  switch (sqlite3_value_type(col)) {
    case SQLITE_INTEGER:
      v.type = Value::Type::Integer;
      v.integer = sqlite3_value_int64(col);
      break;
    case SQLITE_FLOAT:
      v.type = Value::Type::Real;
      v.real = sqlite3_value_double(col);
      break;
    case SQLITE_TEXT: {
      const unsigned char* p = sqlite3_value_text(col);
      v.type = Value::Type::Text;
      v.bytes.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(col)));
      break;
    }
    case SQLITE_BLOB: {
      const void* p = sqlite3_value_blob(col);
      int n = sqlite3_value_bytes(col);
      v.type = Value::Type::Blob;
      if (p) v.bytes.assign(static_cast<const char*>(p), static_cast<size_t>(n));
      else v.bytes.clear();
      break;
    }
    default:
      v.type = Value::Type::Null;
      break;
  }
}

// Binds one value; `copy` false binds text and blobs without copying them, for a statement that
// runs to its end while the value lives.
int BindOne(sqlite3_stmt* st, int index, const Value& v, bool copy) {
  auto keep = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
  switch (v.type) {
    case Value::Type::Integer: return sqlite3_bind_int64(st, index, v.integer);
    case Value::Type::Real: return sqlite3_bind_double(st, index, v.real);
    case Value::Type::Text: return sqlite3_bind_text(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), keep);
    case Value::Type::Blob: return sqlite3_bind_blob(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), keep);
    default: return sqlite3_bind_null(st, index);
  }
}

// The visible columns of a prepared query (the last one is the row id when `hidden`).
void DescribeColumns(sqlite3_stmt* st, bool hidden, std::vector<ColumnInfo>& out) {
  out.clear();
  int visible = sqlite3_column_count(st) - (hidden ? 1 : 0);
  for (int i = 0; i < visible; ++i) {
    ColumnInfo c;
    const char* name = sqlite3_column_name(st, i);
    c.name = OracleName(UpperText(name ? name : ""));
    const char* decl = sqlite3_column_decltype(st, i);
    c.declType = decl ? decl : "";
    DescribeType(c.declType, c);
    if (c.dataType == 113 && hidden && sqlite3_column_table_name(st, i)) {
      c.locatable = true;
      c.origin.file = "\"" + std::string(sqlite3_column_database_name(st, i)) + "\"";
      c.origin.table = sqlite3_column_table_name(st, i);
      c.origin.column = sqlite3_column_origin_name(st, i);
    }
    out.push_back(c);
  }
}

bool IsUtf8Set(const std::string& cs) { return cs == "AL32UTF8" || cs == "UTF8" || cs == "AL24UTFFSS" || cs == "UTFE"; }
bool Is7BitSet(const std::string& cs) {
  return cs == "US7ASCII" || cs == "SF7ASCII" || cs == "AR7AMEER" || cs == "AR7SEDCOT" || Contains(cs, "7SIEMENS") ||
         Contains(cs, "7DEC");
}

std::string Latin1ToUtf8(const std::string& s) {
  std::string r;
  for (unsigned char c : s) {
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

std::string Utf8ToLatin1(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (len == 1) {
      r += c < 0x80 ? static_cast<char>(c) : '?';
      ++i;
      continue;
    }
    uint32_t cp = c & (0x7F >> len);
    bool ok = i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3F);
    }
    r += ok && cp <= 0xFF ? static_cast<char>(cp) : '?';
    i += ok ? len : 1;
  }
  return r;
}

}  // namespace

int BindValue(sqlite3_stmt* st, int index, const Value& v) {
  switch (v.type) {
    case Value::Type::Integer: return sqlite3_bind_int64(st, index, v.integer);
    case Value::Type::Real: return sqlite3_bind_double(st, index, v.real);
    case Value::Type::Text: return sqlite3_bind_text(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
    case Value::Type::Blob: return sqlite3_bind_blob(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
    default: return sqlite3_bind_null(st, index);
  }
}

// ---- Session -----------------------------------------------------------------------------------------

Session::Session(std::shared_ptr<Server> server, std::string user)
    : server_(std::move(server)), user_(std::move(user)), kept_(new KeptStatements) {}

Session::~Session() { End(); }

std::shared_ptr<Session> Session::Begin(const std::shared_ptr<Server>& server, const std::string& user,
                                        const std::string& password, Error& err) {
  // As Oracle's log-on: a name in double quotes keeps its case, any other is upper-cased.
  std::string u = user.size() >= 2 && user.front() == '"' && user.back() == '"' ? user.substr(1, user.size() - 2)
                                                                                : UpperText(user);
  Error unreadable;
  if (!server || !server->CheckPassword(u, password, &unreadable)) {
    if (unreadable.Has()) err = unreadable;
    else err.Set(1017);
    return nullptr;
  }
  std::shared_ptr<Session> s(new Session(server, u));
  if (!s->Configure(err)) return nullptr;
  s->id_ = server->AllocateSessionId(u);
  // Attach the user's own schema first, then the others while there is room.
  std::vector<std::string> schemas{u};
  for (const auto& other : server->Users())
    if (other != u && schemas.size() < kMaxSchemas) schemas.push_back(other);
  for (const auto& schema : schemas) {
    Error ignored;
    s->Attach({schema}, ignored);
  }
  return s;
}

bool Session::Configure(Error& err) {
  // A session is used by one thread at a time: its connection needs no mutex of its own.
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, EngineVfs()) != SQLITE_OK) {
    err.Set(600, "cannot open a connection");
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(db_, Engine::Instance().BusyTimeout());
  // Every end of a transaction lets the generations read in it go.
  auto ended = [](void* self) { ++static_cast<Session*>(self)->txnSerial_; };
  sqlite3_commit_hook(db_, [](void* self) { ++static_cast<Session*>(self)->txnSerial_; return 0; }, this);
  sqlite3_rollback_hook(db_, ended, this);
  sqlite3_wal_hook(db_, AfterCommit, nullptr);
  if (!Exec("PRAGMA case_sensitive_like=ON", err) || !Exec("PRAGMA trusted_schema=ON", err)) return false;
  if (!RegisterFunctions(db_, this, err)) return false;
  for (const char* sql : kViewTables)
    if (!Exec(sql, err)) return false;
  return true;
}

bool Session::Exec(const std::string& sql, Error& err) {
  if (!db_) return err.Set(3114);
  Quiesce();
  // A transaction's nested levels set and release savepoints of a few names over and over, and
  // transactions begin and end: those statements are prepared once.
  constexpr size_t kMaxSavepointStatements = 16;
  bool keep = sql.compare(0, 10, "SAVEPOINT ") == 0 || sql.compare(0, 8, "RELEASE ") == 0 || sql == "BEGIN" ||
              sql == "COMMIT" || sql == "ROLLBACK";
  sqlite3_stmt* st = nullptr;
  auto kept = keep ? savepointStatements_.find(sql) : savepointStatements_.end();
  if (kept != savepointStatements_.end()) {
    st = kept->second;
  } else {
    int rc = PrepareSingle(db_, sql, keep ? SQLITE_PREPARE_PERSISTENT : 0, &st);
    if (rc == kMoreThanOneStatement) return err.Set(911, "more than one statement" + Quoted(sql));
    if (rc != SQLITE_OK) return MapSqliteError(db_, rc, sql, false, err);
    if (!st) return true;
    keep = keep && savepointStatements_.size() < kMaxSavepointStatements;
    if (keep) savepointStatements_.emplace(sql, st);
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  bool ok = rc == SQLITE_DONE || MapSqliteError(db_, rc, sql, false, err);
  if (keep) sqlite3_reset(st);
  else sqlite3_finalize(st);
  return ok;
}

void Session::Quiesce() {
  if (streaming_ == 0) return;
  for (Statement* st : statements_)
    if (st->streaming_) st->Drain();
}

void Session::BeforeQuery() {
  // SQLite reads all statements of a connection in one snapshot. Inside a transaction that is
  // the transaction's; outside one it is as old as the first cursor that still streams.
  if (streaming_ > 0 && !InTransaction() && g_commits.load() != snapshotCommits_) Quiesce();
  if (streaming_ == 0) snapshotCommits_ = g_commits.load();
}

size_t Session::HeldRows() const {
  size_t rows = 0;
  for (const Statement* st : statements_) rows += st->buffer_.size() - st->next_;
  return rows;
}

void Session::SyncCatalog() { catalogVersion_ = server_->CatalogVersion(); }

int32_t Session::SynchronousLevel() const {
  if (!db_) return -1;
  Query q(db_, "PRAGMA " + MainAlias(user_) + ".synchronous");
  return q.Step() ? static_cast<int32_t>(q.Int(0)) : -1;
}

int64_t Session::CachedGeneration(const std::string& schema) const {
  // Outside a transaction a schema's generation is read again when the catalog moved (SyncCatalog,
  // once for every statement preparation and execution); inside one, it is read once unless this
  // server changed the catalog since.
  int64_t serial = -1, changes = catalogVersion_;
  if (InTransaction()) {
    serial = txnSerial_;
    changes = server_->CatalogChanges();
  }
  if (generationsSerial_ != serial || generationsChanges_ != changes) {
    generations_.clear();
    generationsSerial_ = serial;
    generationsChanges_ = changes;
  }
  auto it = generations_.find(schema);
  if (it != generations_.end()) return it->second;
  int64_t gen = server_->Generation(schema);
  generations_.emplace(schema, gen);
  return gen;
}

bool Session::InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

bool Session::Attach(const std::vector<std::string>& schemas, Error& err) {
  // The schemas whose files are not attached yet, or whose user was dropped or created again.
  std::vector<std::pair<std::string, int64_t>> needed;
  bool stale = false;
  for (const auto& schema : schemas) {
    int64_t gen = CachedGeneration(schema);
    auto it = attached_.find(schema);
    if (it != attached_.end() && it->second == gen) {
      lastUse_[schema] = ++useCounter_;
      continue;
    }
    if (gen == 0) {
      stale |= it != attached_.end();  // a dropped user's files, let go outside a transaction
      continue;
    }
    lastUse_[schema] = ++useCounter_;
    if (InTransaction())
      return err.SetText(2020, "schema " + schema + " cannot be attached inside an open transaction (commit first)");
    needed.emplace_back(schema, gen);
  }
  if (needed.empty() && (!stale || InTransaction())) return true;
  Quiesce();
  ++epoch_;
  // Statements prepared for files that may go now are let go with them.
  kept_->Clear();
  for (auto& form : forms_) Retire(*form.second);
  forms_.clear();
  // Files of dropped or re-created users are let go first.
  for (auto it = attached_.begin(); it != attached_.end();) {
    if (CachedGeneration(it->first) != it->second) {
      Error ignored;
      Exec("DETACH DATABASE " + MainAlias(it->first), ignored);
      Exec("DETACH DATABASE " + AuxAlias(it->first), ignored);
      lastUse_.erase(it->first);
      it = attached_.erase(it);
    } else {
      ++it;
    }
  }
  for (const auto& [schema, gen] : needed) {
    lastUse_[schema] = ++useCounter_;
    while (attached_.size() >= kMaxSchemas) {
      std::string victim;
      int64_t oldest = INT64_MAX;
      for (const auto& a : attached_) {
        if (std::find(schemas.begin(), schemas.end(), a.first) != schemas.end()) continue;
        if (lastUse_[a.first] < oldest) {
          oldest = lastUse_[a.first];
          victim = a.first;
        }
      }
      if (victim.empty()) return err.SetText(2020, "too many schemas in one statement");
      Error ignored;
      Exec("DETACH DATABASE " + MainAlias(victim), ignored);
      Exec("DETACH DATABASE " + AuxAlias(victim), ignored);
      attached_.erase(victim);
      lastUse_.erase(victim);
    }
    for (bool aux : {false, true}) {
      std::string alias = aux ? AuxAlias(schema) : MainAlias(schema);
      Query q(db_, "ATTACH DATABASE ? AS " + alias);
      if (!q.Prepared() || (q.Bind(server_->SchemaFile(schema, aux)), !q.Run())) {
        MapSqliteError(db_, q.Rc(), "ATTACH " + alias, false, err);
        if (aux) {
          Error ignored;
          Exec("DETACH DATABASE " + MainAlias(schema), ignored);
        }
        return false;
      }
      Error ignored;
      Exec("PRAGMA " + alias + ".synchronous=" + Engine::Instance().SynchronousMode(), ignored);
    }
    attached_[schema] = gen;
  }
  return true;
}

void Session::End() {
  if (!db_) return;
  for (Statement* st : statements_) st->Release();
  streaming_ = 0;
  if (InTransaction()) {
    Error ignored;
    Exec("ROLLBACK", ignored);
  }
  // Every statement of the connection goes before it closes (else SQLite keeps it open).
  for (auto& form : forms_) Retire(*form.second);
  forms_.clear();
  for (auto& kept : savepointStatements_) sqlite3_finalize(kept.second);
  savepointStatements_.clear();
  kept_->Clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  server_->EndSession(id_);
}

bool Session::BeginWrite(Error& err) {
  if (!db_) return err.Set(3114);
  Quiesce();
  ForgetEndedSavepoints();
  if (!InTransaction()) {
    savepointsSet_ = 0;
    if (!Exec("BEGIN", err)) return false;
  }
  for (; savepointsSet_ < savepoints_.size(); ++savepointsSet_)
    if (!Exec("SAVEPOINT " + QuotedIdent(savepoints_[savepointsSet_]), err)) return false;
  return true;
}

void Session::ForgetEndedSavepoints() {
  if (savepointsSerial_ == txnSerial_ && (InTransaction() || savepointsSet_ == 0)) return;
  savepoints_.clear();
  savepointsSet_ = 0;
  savepointsSerial_ = txnSerial_;
}

bool Session::SetSavepoint(const std::string& name, Error& err) {
  if (!db_) return err.Set(3114);
  ForgetEndedSavepoints();
  // A savepoint of a name set before replaces it (as Oracle erases the earlier one). When the
  // earlier one is the newest, it is released first: SQLite would otherwise keep both, and a
  // transaction that sets the same savepoint before each of many statements would carry a growing
  // stack of them that every page write has to note in each.
  if (!savepoints_.empty() && savepoints_.back() == name) {
    if (savepointsSet_ == savepoints_.size()) {
      Error ignored;
      if (!Exec("RELEASE " + QuotedIdent(name), ignored)) {
        savepoints_.clear();
        savepointsSet_ = 0;
      } else {
        --savepointsSet_;
      }
    }
    if (!savepoints_.empty()) savepoints_.pop_back();
  }
  if (InTransaction() && savepointsSet_ == savepoints_.size()) {
    if (!Exec("SAVEPOINT " + QuotedIdent(name), err)) return false;
    ++savepointsSet_;
  }
  savepoints_.push_back(name);
  return true;
}

bool Session::RollbackToSavepoint(const std::string& name, Error& err) {
  if (!db_) return err.Set(3114);
  ForgetEndedSavepoints();
  auto last = std::find(savepoints_.rbegin(), savepoints_.rend(), name);
  if (last == savepoints_.rend())
    return err.SetText(1086, "savepoint '" + name + "' never established in this session or is invalid");
  size_t keep = static_cast<size_t>(savepoints_.rend() - last);  // the savepoint stays, newer ones go
  // A savepoint not set in SQLite yet was set before the transaction's first change: there is
  // nothing to undo.
  if (keep <= savepointsSet_ && !Exec("ROLLBACK TO " + QuotedIdent(name), err)) return false;
  savepoints_.resize(keep);
  savepointsSet_ = std::min(savepointsSet_, keep);
  return true;
}

bool Session::Commit(Error& err) {
  if (!db_) return err.Set(3114);
  ForgetEndedSavepoints();
  savepoints_.clear();
  savepointsSet_ = 0;
  if (!InTransaction()) return true;
  return Exec("COMMIT", err);
}

bool Session::Rollback(Error& err) {
  if (!db_) return err.Set(3114);
  ForgetEndedSavepoints();
  savepoints_.clear();
  savepointsSet_ = 0;
  if (!InTransaction()) return true;
  return Exec("ROLLBACK", err);
}

bool Session::IsSchema(const std::string& upperName) const { return CachedGeneration(upperName) != 0; }

bool Session::IndexColumns(const std::string& fileAlias, const std::string& index, std::vector<IndexColumn>& cols) const {
  if (!db_) return false;
  Query q(db_, "PRAGMA " + fileAlias + ".index_xinfo(\"" + index + "\")");
  while (q.Step()) {
    if (q.Int(5) == 0 || q.IsNull(2)) continue;  // not a key column, or the row id
    cols.push_back({UpperText(q.Text(2)), q.Int(3) != 0});
  }
  return !cols.empty();
}

std::vector<std::string> Session::IndexesWithColumn(const std::string& fileAlias, const std::string& table,
                                                    const std::string& column) const {
  std::vector<std::string> names;
  if (!db_) return names;
  std::vector<std::string> indexes;
  {
    Query q(db_, "PRAGMA " + fileAlias + ".index_list(\"" + table + "\")");
    while (q.Step())
      if (q.Text(3) == "c") indexes.push_back(q.Text(1));
  }
  for (const auto& idx : indexes) {
    Query q(db_, "PRAGMA " + fileAlias + ".index_info(\"" + idx + "\")");
    while (q.Step()) {
      if (UpperText(q.Text(2)) == UpperText(column)) {
        names.push_back(UpperText(idx));
        break;
      }
    }
  }
  return names;
}

bool Session::LocateObject(const std::string& owner, const std::string& name, const std::string& type,
                           std::string& fileAlias, std::string& table) const {
  ObjectRow row;
  if (!server_->FindObject(owner, name, type, row)) return false;
  fileAlias = row.file;
  table = row.table;
  return true;
}

int Session::HasColumn(const std::string& fileAlias, const std::string& table, const std::string& column) const {
  if (!db_) return -1;
  std::string schema;  // the attach name: the alias without its quotes
  for (size_t i = 1; i + 1 < fileAlias.size(); ++i) {
    schema += fileAlias[i];
    if (fileAlias[i] == '"') ++i;
  }
  // Asked of the schema SQLite holds in memory (no query). For ROWID, OID and _ROWID_ SQLite
  // describes the row id when the table has no such column: an INTEGER that may be NULL and is
  // the primary key, which no column of this engine's tables is (their types are Oracle's and
  // their key columns NOT NULL).
  const char* type = nullptr;
  int notNull = 0, primaryKey = 0;
  if (sqlite3_table_column_metadata(db_, schema.c_str(), table.c_str(), column.c_str(), &type, nullptr, &notNull,
                                    &primaryKey, nullptr) != SQLITE_OK) {
    // No such table (-1), or a table without that column (0).
    return sqlite3_table_column_metadata(db_, schema.c_str(), table.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr) == SQLITE_OK ? 0 : -1;
  }
  bool rowid = type && std::strcmp(type, "INTEGER") == 0 && primaryKey && !notNull;
  return rowid ? 0 : 1;
}

std::string Session::ToClient(const std::string& text) const {
  if (!server_->ClientConverts()) return text;
  std::string cs = server_->CharacterSet();
  if (Is7BitSet(cs)) return text;
  return IsUtf8Set(cs) ? Utf8ToLatin1(text) : Latin1ToUtf8(text);
}

std::string Session::FromClient(const std::string& text) const {
  if (!server_->ClientConverts()) return text;
  std::string cs = server_->CharacterSet();
  if (Is7BitSet(cs)) return text;
  return IsUtf8Set(cs) ? Latin1ToUtf8(text) : Utf8ToLatin1(text);
}

bool Session::CheckUses(const Rewritten& rw, const std::string& sql, Error& err) {
  bool foreign = false;
  for (const auto& use : rw.uses) foreign |= use.schema != user_;
  if (!foreign || server_->IsDba(user_)) return true;
  for (const auto& use : rw.uses) {
    if (use.schema == user_) continue;
    const char* priv = use.access == 'I' ? "INSERT" : use.access == 'U' ? "UPDATE" : use.access == 'D' ? "DELETE" : "SELECT";
    int level = server_->ObjectPrivilege(user_, use.schema, use.table, priv);
    if (level == 2) continue;
    if (level == 1) return err.Set(1031, std::string(priv) + " on " + use.schema + "." + use.table + Quoted(sql));
    return err.Set(942, use.schema + "." + use.table + Quoted(sql));
  }
  return true;
}

bool Session::RewriteAndAttach(const std::string& sql, Rewritten& rw, Error& err) {
  if (!sqlengine::Rewrite(sql, *this, rw, err)) return false;
  int64_t before = epoch_;
  if (!Attach(rw.schemas, err)) return false;
  // Newly attached files may answer lookups (index columns) that failed before.
  if (epoch_ != before && !sqlengine::Rewrite(sql, *this, rw, err)) return false;
  return true;
}

std::unique_ptr<Statement> Session::Prepare(const std::string& sql, Error& err) {
  if (!db_) {
    err.Set(3114);
    return nullptr;
  }
  // SQLite would stop reading at a NUL byte and run only the text before it.
  if (sql.find('\0') != std::string::npos) {
    err.Set(911, "a NUL byte in the statement");
    return nullptr;
  }
  SyncCatalog();
  LiteralForm literal;
  bool taken = TakeLiterals(sql, literal);
  auto form = taken ? ObtainForm(literal.text, literal.slots, sql, err) : ObtainForm(sql, {}, sql, err);
  if (!form || !CheckUses(*form->rw, sql, err)) return nullptr;
  std::vector<Value> literals;
  if (!form->slots.empty()) {
    literals.reserve(literal.values.size());
    for (int64_t v : literal.values) literals.push_back(Value::Integer(v));
  }
  std::unique_ptr<Statement> st(new Statement(*this, sql, std::move(form), std::move(literals)));
  st->epoch_ = epoch_;
  st->fresh_ = true;
  return st;
}

std::shared_ptr<Session::Form> Session::ObtainForm(const std::string& text, const std::vector<int32_t>& slots,
                                                   const std::string& original, Error& err) {
  int64_t ddl = server_->DdlCount();
  auto it = forms_.find(text);
  if (it != forms_.end()) {
    std::shared_ptr<Form> form = it->second;
    if (form->epoch == epoch_ && form->catalog == catalogVersion_ && form->ddl == ddl) {
      if (!Attach(form->rw->schemas, err)) return nullptr;
      if (form->epoch == epoch_) {
        form->lastUse = ++formUse_;
        return form;
      }
    }
    Retire(*form);
    forms_.erase(text);
  }
  auto rw = std::make_shared<Rewritten>();
  if (!RewriteAndAttach(text, *rw, err)) {
    if (text == original) return nullptr;
    // The message names the statement's own text; a text refused only with its literals taken
    // out is taken as it is.
    Rewritten plain;
    if (!sqlengine::Rewrite(original, *this, plain, err)) return nullptr;
    err.Clear();
    return ObtainForm(original, {}, original, err);
  }
  if (!slots.empty()) {
    if (rw->placeholders != static_cast<int32_t>(slots.size())) return ObtainForm(original, {}, original, err);
    rw->placeholders = static_cast<int32_t>(std::count_if(slots.begin(), slots.end(), [](int32_t s) { return s >= 0; }));
  }
  auto form = std::make_shared<Form>();
  form->text = text;
  form->slots = slots;
  form->rw = std::move(rw);
  form->epoch = epoch_;
  form->catalog = catalogVersion_;
  form->ddl = ddl;
  form->lastUse = ++formUse_;
  if (IsDdl(form->rw->kind)) return form;  // its run renews every kept rewrite anyway
  if (forms_.size() >= kMaxForms) {
    auto oldest = forms_.begin();
    for (auto f = forms_.begin(); f != forms_.end(); ++f)
      if (f->second->lastUse < oldest->second->lastUse) oldest = f;
    Retire(*oldest->second);
    forms_.erase(oldest);
  }
  forms_[text] = form;
  return form;
}

void Session::Retire(Form& form) {
  form.retired = true;
  for (auto& idle : form.idle) sqlite3_finalize(idle.stmt);
  form.idle.clear();
}

bool Session::RunStatementSql(const std::string& sql, const std::string& oracleSql, const std::vector<Param>& params,
                              bool update, int64_t& changes, Error& err) {
  sqlite3_stmt* raw = nullptr;
  int rc = PrepareSingle(db_, sql, 0, &raw);
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, sqlite3_finalize);
  if (rc == kMoreThanOneStatement || (rc == SQLITE_OK && !raw)) return err.Set(911, oracleSql);
  if (rc != SQLITE_OK) return MapSqliteError(db_, rc, oracleSql, update, err);
  int count = sqlite3_bind_parameter_count(raw);
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(i) >= params.size()) return err.Set(1008, oracleSql);
    if (params[i].isArray) return err.Set(1036, "a PL/SQL table bound in SQL" + Quoted(oracleSql));
    BindOne(raw, i + 1, params[i].value, false);
  }
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) return MapSqliteError(db_, rc, oracleSql, update, err);
  changes = sqlite3_changes64(db_);
  return true;
}

bool Session::RefreshViews(const std::vector<std::string>& views, Error& err) {
  for (const auto& view : views) {
    if (!Exec("DELETE FROM temp.\"" + view + "\"", err)) return false;
    if (view == "V$SESSION") {
      int64_t sid = 0;
      for (const auto& s : server_->Sessions()) {
        std::string status = s.audsid == id_ ? "ACTIVE" : s.status;
        Query(db_, "INSERT INTO temp.\"V$SESSION\" VALUES (?, 1, ?, ?, ?, ?)")
            .Bind(++sid).Bind(s.audsid).Bind(s.user).Bind(s.user).Bind(status).Run();
      }
    } else if (view == "V$NLS_PARAMETERS") {
      const std::pair<const char*, std::string> params[] = {
          {"NLS_LANGUAGE", "AMERICAN"}, {"NLS_TERRITORY", "AMERICA"}, {"NLS_DATE_FORMAT", "DD-MON-RR"},
          {"NLS_CHARACTERSET", server_->CharacterSet()}, {"NLS_NCHAR_CHARACTERSET", "AL16UTF16"}};
      for (const auto& p : params) Query(db_, "INSERT INTO temp.\"V$NLS_PARAMETERS\" VALUES (?, ?)").Bind(p.first).Bind(p.second).Run();
    } else if (view == "V$VERSION") {
      Query(db_, "INSERT INTO temp.\"V$VERSION\" VALUES (?)").Bind(std::string(kVersionBanner)).Run();
    } else if (view == "ALL_USERS") {
      int64_t id = 0;
      for (const auto& u : server_->Users()) Query(db_, "INSERT INTO temp.ALL_USERS VALUES (?, ?, NULL)").Bind(u).Bind(++id).Run();
    } else {
      for (const auto& o : server_->Objects()) {
        if (view == "ALL_OBJECTS") {
          Query(db_, "INSERT INTO temp.ALL_OBJECTS VALUES (?, ?, NULL, ?, ?, ?)")
              .Bind(o.owner).Bind(o.name).Bind(o.id).Bind(o.type).Bind(o.status).Run();
        } else if (view == "USER_OBJECTS") {
          if (o.owner == user_)
            Query(db_, "INSERT INTO temp.USER_OBJECTS VALUES (?, NULL, ?, ?, ?)").Bind(o.name).Bind(o.id).Bind(o.type).Bind(o.status).Run();
        } else if (view == "ALL_CATALOG") {
          if (o.type == "TABLE" || o.type == "VIEW")
            Query(db_, "INSERT INTO temp.ALL_CATALOG VALUES (?, ?, ?)").Bind(o.owner).Bind(o.name).Bind(o.type).Run();
        } else if (view == "ALL_INDEXES") {
          if (o.type == "INDEX") {
            std::string towner = o.file.size() > 2 ? o.file.substr(1, o.file.find_first_of("~\"", 1) - 1) : o.owner;
            Query(db_, "INSERT INTO temp.ALL_INDEXES VALUES (?, ?, ?, ?, 'TABLE', ?)")
                .Bind(o.owner).Bind(o.name).Bind(towner).Bind(o.table).Bind(o.status).Run();
          }
        }
      }
    }
  }
  return true;
}

bool Session::LobRead(const LobRef& ref, std::string& data, Error& err) {
  if (!db_) return err.Set(3114);
  Query q(db_, "SELECT \"" + ref.column + "\" FROM " + ref.file + ".\"" + ref.table + "\" WHERE _ROWID_ = ?");
  if (!q.Prepared()) return MapSqliteError(db_, q.Rc(), "LOB read", false, err);
  if (!q.Bind(ref.rowid).Step()) {
    if (q.Rc() != SQLITE_DONE) return MapSqliteError(db_, q.Rc(), "LOB read", false, err);
    return err.Set(22275, "the row of the LOB no longer exists");
  }
  if (q.IsNull(0)) return err.Set(22275, "the LOB is NULL");
  const void* p = sqlite3_column_blob(q.Handle(), 0);
  int n = sqlite3_column_bytes(q.Handle(), 0);
  data.assign(p ? static_cast<const char*>(p) : "", static_cast<size_t>(n));
  return true;
}

bool Session::LobWrite(const LobRef& ref, const std::string& data, Error& err) {
  if (!BeginWrite(err)) return false;
  // One UPDATE: atomic on its own, a failure leaves the transaction as it was.
  int64_t changes = 0;
  std::vector<Param> params(2);
  params[0].value = Value::Blob(data);
  params[1].value = Value::Integer(ref.rowid);
  std::string sql = "UPDATE " + ref.file + ".\"" + ref.table + "\" SET \"" + ref.column + "\" = ? WHERE _ROWID_ = ?";
  if (!RunStatementSql(sql, "LOB write", params, true, changes, err)) return false;
  if (changes == 0) return err.Set(22275, "the row of the LOB no longer exists");
  return true;
}

// ---- Statement ---------------------------------------------------------------------------------------

Statement::Statement(Session& s, std::string sql, std::shared_ptr<Session::Form> form, std::vector<Value> literals)
    : session_(s), keep_(s.shared_from_this()), sql_(std::move(sql)), form_(std::move(form)), rw_(form_->rw),
      literals_(std::move(literals)) {
  session_.statements_.push_back(this);
}

Statement::~Statement() {
  Release();
  auto& all = session_.statements_;
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void Statement::Release() {
  Close();
  // A prepared statement that is still current waits for the next statement of the same text.
  if (stmt_ && session_.db_ && epoch_ == session_.epoch_ && form_->epoch == epoch_ && !form_->retired &&
      form_->idle.size() < kMaxIdle) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    form_->idle.push_back({stmt_, hidden_, std::move(columns_)});
  } else {
    sqlite3_finalize(stmt_);
  }
  stmt_ = nullptr;
  hidden_ = false;
  columns_.clear();
}

// Rewrites again after DDL of the session or a change of its attached files, and checks that the
// files of the statement's schemas are the current ones (a user dropped and created again).
bool Statement::Ready(Error& err) {
  if (!session_.IsOpen()) return err.Set(3114);
  // Inside a transaction the generations follow the transaction (CachedGeneration).
  if (!fresh_ && !session_.InTransaction()) session_.SyncCatalog();
  bool checked = fresh_;
  for (int round = 0; round < 2; ++round) {
    if (epoch_ != session_.epoch_) {
      auto form = session_.ObtainForm(form_->text, form_->slots, sql_, err);
      if (!form || !session_.CheckUses(*form->rw, sql_, err)) return false;
      Release();  // prepared anew: the rewrite or the attached files may have changed
      form_ = std::move(form);
      rw_ = form_->rw;
      epoch_ = session_.epoch_;
      checked = true;
      break;
    }
    if (fresh_) break;  // Prepare has just checked the files
    bool current = true;
    for (const auto& schema : rw_->schemas) {
      auto it = session_.attached_.find(schema);
      int64_t gen = session_.CachedGeneration(schema);
      if (it == session_.attached_.end() ? gen != 0 : it->second != gen) current = false;
    }
    if (current) break;
    if (!session_.Attach(rw_->schemas, err)) return false;
  }
  // Privileges on other schemas' objects are checked for every execution (a table dropped and
  // created again by its owner has lost its grants).
  if (!checked && !session_.CheckUses(*rw_, sql_, err)) return false;
  fresh_ = false;
  bool sqlite = IsQuery() || rw_->kind == StatementKind::Insert || rw_->kind == StatementKind::Update ||
                rw_->kind == StatementKind::Delete;
  return !sqlite || stmt_ || PrepareSqlite(err);
}

bool Statement::PrepareSqlite(Error& err) {
  sqlite3* db = session_.db_;
  bool update = rw_->kind == StatementKind::Update;
  if (rw_->sql.empty()) return err.Set(900, sql_);
  if (!form_->idle.empty() && form_->epoch == epoch_) {
    Session::Form::Idle& idle = form_->idle.back();
    stmt_ = idle.stmt;
    hidden_ = idle.hidden;
    columns_ = std::move(idle.columns);
    form_->idle.pop_back();
    return true;
  }
  int rc = PrepareSingle(db, rw_->sql[0], SQLITE_PREPARE_PERSISTENT, &stmt_);
  if (rc != SQLITE_OK || !stmt_) epoch_ = -1;  // rewritten anew next time
  if (rc == kMoreThanOneStatement || (rc == SQLITE_OK && !stmt_)) return err.Set(911, sql_);
  if (rc != SQLITE_OK) return MapSqliteError(db, rc, sql_, update, err);
  hidden_ = false;
  if (IsQuery()) {
    // A query of a BLOB column of one table also selects the row id, for the LOB locators.
    bool lob = false;
    for (int i = 0; i < sqlite3_column_count(stmt_); ++i) {
      const char* decl = sqlite3_column_decltype(stmt_, i);
      if (decl && UpperText(decl) == "BLOB" && sqlite3_column_table_name(stmt_, i)) lob = true;
    }
    sqlite3_stmt* withRowid = nullptr;
    if (lob && !rw_->rowidSql.empty() &&
        PrepareSingle(db, rw_->rowidSql, SQLITE_PREPARE_PERSISTENT, &withRowid) == SQLITE_OK && withRowid) {
      sqlite3_finalize(stmt_);
      stmt_ = withRowid;
      hidden_ = true;
    }
    DescribeColumns(stmt_, hidden_, columns_);
  }
  return true;
}

// A query's cursor steps after Open returns: its values are copied. DML runs to its end at once.
bool Statement::BindParams(sqlite3_stmt* st, const std::vector<Param>& params, Error& err) {
  int count = sqlite3_bind_parameter_count(st);
  bool copy = IsQuery();
  const std::vector<int32_t>& slots = form_->slots;
  for (int i = 0; i < count; ++i) {
    // Bind position i is the caller's bind slots[i] or a literal taken out of the text.
    int32_t slot = slots.empty() ? i : static_cast<size_t>(i) < slots.size() ? slots[static_cast<size_t>(i)] : INT32_MAX;
    if (slot < 0) {
      int rc = BindOne(st, i + 1, literals_[static_cast<size_t>(-slot - 1)], false);
      if (rc != SQLITE_OK) return MapSqliteError(session_.db_, rc, sql_, false, err);
      continue;
    }
    size_t k = static_cast<size_t>(slot);
    if (k >= params.size()) return err.Set(1008, sql_);
    if (params[k].isArray) return err.Set(1036, "a PL/SQL table bound in SQL" + Quoted(sql_));
    int rc = BindOne(st, i + 1, params[k].value, copy);
    if (rc != SQLITE_OK) return MapSqliteError(session_.db_, rc, sql_, false, err);
  }
  return true;
}

bool Statement::Describe(std::vector<ColumnInfo>& cols, Error& err) {
  cols.clear();
  if (!session_.IsOpen()) return err.Set(3114);
  if (!IsQuery()) return true;
  if (open_) {
    cols = columns_;
    return true;
  }
  if (!Ready(err)) return false;
  DescribeColumns(stmt_, hidden_, cols);
  return true;
}

// One run of the prepared DML statement: a single SQLite statement is atomic by itself (SQLite
// undoes a failing one with its statement journal and keeps the transaction), so no savepoint is
// needed for Oracle's statement-level atomicity.
bool Statement::RunDml(const std::vector<Param>& params, int64_t& affected, Error& err) {
  sqlite3* db = session_.db_;
  bool ok = BindParams(stmt_, params, err);
  if (ok) {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) affected = sqlite3_changes64(db);
    else ok = MapSqliteError(db, rc, sql_, rw_->kind == StatementKind::Update, err);
  }
  sqlite3_reset(stmt_);
  if (!ok) epoch_ = -1;  // rewritten anew next time: the failure may come from a changed catalog
  return ok;
}

bool Statement::RunRows(size_t rows, const RowBinder& bind, int64_t& done, int64_t& affected, Error& err) {
  done = 0;
  affected = 0;
  if (rw_->kind != StatementKind::Insert && rw_->kind != StatementKind::Update && rw_->kind != StatementKind::Delete)
    return err.Set(900, "not a DML statement" + Quoted(sql_));
  Close();
  if (!Ready(err)) return false;
  std::vector<Param> params;
  for (size_t r = 0; r < rows; ++r) {
    if (!bind(r, params, err)) return false;
    if (static_cast<int32_t>(params.size()) < rw_->placeholders) return err.Set(1008, sql_);
    int64_t n = 0;
    // The transaction begun before the first row stays open: a failing row ends the call.
    if ((r == 0 && !session_.BeginWrite(err)) || !RunDml(params, n, err)) return false;
    ++done;
    affected += n;
  }
  return true;
}

bool Statement::Run(const std::vector<Param>& params, Outcome& out, Error& err) {
  out = Outcome();
  if (!session_.IsOpen()) return err.Set(3114);
  if (static_cast<int32_t>(params.size()) < rw_->placeholders) return err.Set(1008, sql_);
  switch (rw_->kind) {
    case StatementKind::Select: {
      out.isQuery = true;
      if (!Open(params, err)) return false;
      out.result.columns = columns_;
      Row row;
      while (Next(row, err)) {
        out.result.rows.push_back(std::move(row.values));
        if (hidden_) out.result.rowids.push_back(row.rowid);
        row = Row();
      }
      Close();
      return !err.Has();
    }
    case StatementKind::Insert:
    case StatementKind::Update:
    case StatementKind::Delete: {
      Close();
      if (!Ready(err) || !session_.BeginWrite(err)) return false;
      return RunDml(params, out.affected, err);
    }
    default: {
      Close();
      if (!Ready(err)) return false;
      if (!IsDdl(rw_->kind)) return RunIntercepted(params, out, err);
      session_.Quiesce();
      bool ok = RunDdl(out, err);
      ++session_.epoch_;  // every statement of the session rewrites itself again
      session_.server_->NoteDdl();  // and the other sessions' kept rewrites are renewed
      return ok;
    }
  }
}

// ---- Statement: cursor ------------------------------------------------------------------------------

bool Statement::Open(const std::vector<Param>& params, Error& err) {
  Close();
  if (!IsQuery()) return err.Set(1002, "the statement is not a query");
  // SQLite runs all statements of a connection in one read transaction: the cursors that stream
  // read ahead first only when a commit since their snapshot must be seen.
  session_.BeforeQuery();
  if (static_cast<int32_t>(params.size()) < rw_->placeholders) return err.Set(1008, sql_);
  if (!Ready(err) || !session_.RefreshViews(rw_->views, err)) return false;
  int reprepared = sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_REPREPARE, 0);
  if (!BindParams(stmt_, params, err)) {
    sqlite3_reset(stmt_);
    return false;
  }
  open_ = true;
  streaming_ = true;
  ++session_.streaming_;
  // The first row is read at once: it fixes the snapshot the cursor reads, and errors come here.
  if (!Step(err)) {
    Close();
    return false;
  }
  // SQLite prepared the statement again for a schema another session changed.
  if (sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_REPREPARE, 0) != reprepared) DescribeColumns(stmt_, hidden_, columns_);
  else if (columns_.empty() && sqlite3_column_count(stmt_) > 0) DescribeColumns(stmt_, hidden_, columns_);
  // Expressions: numbers when the first row says so.
  for (size_t i = 0; i < columns_.size(); ++i) {
    ColumnInfo& c = columns_[i];
    if (!c.declType.empty()) continue;
    c.dataType = 1;
    c.dataSize = 4000;
    if (!pending_) continue;
    int t = sqlite3_column_type(stmt_, static_cast<int>(i));
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
      c.dataType = 2;
      c.dataSize = 22;
    }
  }
  return true;
}

bool Statement::Step(Error& err) {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    pending_ = true;
    return true;
  }
  pending_ = false;
  bool ok = rc == SQLITE_DONE || MapSqliteError(session_.db_, rc, sql_, false, err);
  if (!ok) epoch_ = -1;  // rewritten anew next time: the failure may come from a changed catalog
  StopStreaming();
  return ok;
}

void Statement::ReadRow(Row& row) const {
  size_t visible = columns_.size();
  row.values.resize(visible);
  for (size_t i = 0; i < visible; ++i) ReadValue(stmt_, static_cast<int>(i), row.values[i]);
  row.rowid = hidden_ ? sqlite3_column_int64(stmt_, static_cast<int>(visible)) : 0;
}

bool Statement::Next(Row& row, Error& err) {
  if (!session_.IsOpen()) return err.Set(3114);
  if (!open_) return err.Set(1002);
  if (next_ < buffer_.size()) {
    std::swap(row, buffer_[next_++]);
    if (next_ == buffer_.size()) {
      buffer_.clear();
      next_ = 0;
    }
    return true;
  }
  if (failure_.Has()) {
    err = failure_;
    failure_.Clear();
    return false;
  }
  if (!streaming_) return false;
  if (!pending_ && !Step(err)) return false;
  if (!pending_) return false;
  ReadRow(row);
  pending_ = false;
  return true;
}

void Statement::Drain() {
  if (!streaming_) return;
  if (pending_) {
    buffer_.emplace_back();
    ReadRow(buffer_.back());
    pending_ = false;
  }
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    buffer_.emplace_back();
    ReadRow(buffer_.back());
  }
  if (rc != SQLITE_DONE) MapSqliteError(session_.db_, rc, sql_, false, failure_);
  StopStreaming();
}

void Statement::StopStreaming() {
  pending_ = false;
  if (!streaming_) return;
  streaming_ = false;
  --session_.streaming_;
  sqlite3_reset(stmt_);
}

void Statement::Close() {
  StopStreaming();
  open_ = false;
  buffer_.clear();
  next_ = 0;
  failure_.Clear();
}

}  // namespace sqlengine
