// Sessions: one SQLite connection each, with Oracle's transaction behaviour.
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sqlengine.h"
#include "sqlutil.h"

namespace sqlengine {

namespace {

constexpr size_t kMaxSchemas = 5;  // two files each; SQLite attaches at most ten

const char* const kViewTables[] = {
    "CREATE TEMP TABLE \"V$SESSION\"(SID INTEGER, \"SERIAL#\" INTEGER, AUDSID INTEGER, USERNAME TEXT,"
    " SCHEMANAME TEXT, STATUS TEXT)",
    "CREATE TEMP TABLE \"V$NLS_PARAMETERS\"(PARAMETER TEXT, VALUE TEXT)",
    "CREATE TEMP TABLE ALL_USERS(USERNAME TEXT, USER_ID INTEGER, CREATED TEXT)",
    "CREATE TEMP TABLE ALL_OBJECTS(OWNER TEXT, OBJECT_NAME TEXT, SUBOBJECT_NAME TEXT, OBJECT_ID INTEGER,"
    " OBJECT_TYPE TEXT, STATUS TEXT)",
    "CREATE TEMP TABLE USER_OBJECTS(OBJECT_NAME TEXT, SUBOBJECT_NAME TEXT, OBJECT_ID INTEGER, OBJECT_TYPE TEXT,"
    " STATUS TEXT)",
    "CREATE TEMP TABLE ALL_CATALOG(OWNER TEXT, TABLE_NAME TEXT, TABLE_TYPE TEXT)",
    "CREATE TEMP TABLE ALL_INDEXES(OWNER TEXT, INDEX_NAME TEXT, TABLE_OWNER TEXT, TABLE_NAME TEXT,"
    " TABLE_TYPE TEXT, STATUS TEXT)",
};

bool Contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

std::string Quoted(const std::string& sql) { return " in \"" + sql + "\""; }

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

Value ColumnValue(sqlite3_stmt* st, int i) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return Value::Integer(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return Value::Real(sqlite3_column_double(st, i));
    case SQLITE_TEXT: {
      const unsigned char* p = sqlite3_column_text(st, i);
      return Value::Text(std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, i))));
    }
    case SQLITE_BLOB: {
      const void* p = sqlite3_column_blob(st, i);
      int n = sqlite3_column_bytes(st, i);
      return Value::Blob(p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string());
    }
    default: return Value::Null();
  }
}

int BindValue(sqlite3_stmt* st, int index, const Value& v) {
  switch (v.type) {
    case Value::Type::Integer: return sqlite3_bind_int64(st, index, v.integer);
    case Value::Type::Real: return sqlite3_bind_double(st, index, v.real);
    case Value::Type::Text: return sqlite3_bind_text(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
    case Value::Type::Blob: return sqlite3_bind_blob(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
    default: return sqlite3_bind_null(st, index);
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

// ---- error mapping -----------------------------------------------------------------------------------

bool MapSqliteError(sqlite3* db, int rc, const std::string& sql, bool update, Error& err) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  if (msg.compare(0, 4, "ORA-") == 0) {
    int32_t code = static_cast<int32_t>(std::strtol(msg.c_str() + 4, nullptr, 10));
    size_t colon = msg.find(": ");
    return err.SetText(code, colon == std::string::npos ? msg : msg.substr(colon + 2));
  }
  switch (ext) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
      return err.SetText(1, "unique constraint (" + msg.substr(msg.find(':') == std::string::npos ? 0 : msg.find(':') + 2) + ") violated");
    case SQLITE_CONSTRAINT_NOTNULL: {
      std::string col = msg.substr(msg.find(':') == std::string::npos ? 0 : msg.find(':') + 2);
      return update ? err.SetText(1407, "cannot update (" + col + ") to NULL") : err.SetText(1400, "cannot insert NULL into (" + col + ")");
    }
    case SQLITE_CONSTRAINT_CHECK:
      if (Contains(msg, "NN$")) {
        std::string col = msg.substr(msg.find("NN$") + 3);
        return update ? err.SetText(1407, "cannot update (" + col + ") to NULL") : err.SetText(1400, "cannot insert NULL into (" + col + ")");
      }
      return err.SetText(2290, "check constraint violated (" + msg + ")");
    case SQLITE_BUSY_SNAPSHOT:
      return err.Set(8177, "another session committed to a file this transaction had already read");
    default:
      break;
  }
  int primary = ext & 0xFF;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return err.Set(54, "another session writes the same schema file");
  if (primary == SQLITE_MISMATCH) return err.Set(932, msg);
  if (primary == SQLITE_TOOBIG) return err.Set(1489, msg);
  if (primary == SQLITE_CONSTRAINT) return err.Set(1, msg);
  if (Contains(msg, "no such table") || Contains(msg, "unknown database") || Contains(msg, "no such view"))
    return err.Set(942, msg + Quoted(sql));
  if (Contains(msg, "no such column")) {
    std::string col = UpperText(msg.substr(msg.find(':') + 2));
    return err.SetText(904, "\"" + col + "\": invalid identifier" + Quoted(sql));
  }
  if (Contains(msg, "no such function")) return err.SetText(904, msg + Quoted(sql));
  if (Contains(msg, "trigger") && Contains(msg, "already exists")) return err.SetText(4081, msg);
  if (Contains(msg, "already exists")) return err.Set(955, msg + Quoted(sql));
  if (Contains(msg, "no such index")) return err.Set(1418, msg + Quoted(sql));
  if (Contains(msg, "no such trigger")) return err.SetText(4080, msg);
  if (Contains(msg, "ambiguous column name")) return err.Set(918, msg + Quoted(sql));
  if (Contains(msg, "no such savepoint")) return err.SetText(1086, "savepoint '" + UpperText(msg.substr(msg.find(':') + 2)) + "' never established in this session or is invalid");
  if (Contains(msg, "too many attached databases")) return err.Set(2020, msg);
  if (Contains(msg, "cannot drop PRIMARY KEY column") || Contains(msg, "cannot drop UNIQUE column"))
    return err.Set(12992, msg + Quoted(sql));
  if (Contains(msg, "syntax error") || Contains(msg, "incomplete input")) return err.Set(900, msg + Quoted(sql));
  return err.Set(600, "[sqlite " + std::to_string(ext) + "] " + msg + Quoted(sql));
}

// ---- Session -----------------------------------------------------------------------------------------

Session::Session(std::shared_ptr<Server> server, std::string user) : server_(std::move(server)), user_(std::move(user)) {}

Session::~Session() { End(); }

std::shared_ptr<Session> Session::Begin(const std::shared_ptr<Server>& server, const std::string& user,
                                        const std::string& password, Error& err) {
  std::string u = UpperText(user);
  if (!server || !server->CheckPassword(u, password)) {
    err.Set(1017);
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
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
    err.Set(600, "cannot open a connection");
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(db_, Engine::Instance().BusyTimeout());
  if (!Exec("PRAGMA case_sensitive_like=ON", err) || !Exec("PRAGMA trusted_schema=ON", err)) return false;
  if (!RegisterFunctions(db_, this, err)) return false;
  for (const char* sql : kViewTables)
    if (!Exec(sql, err)) return false;
  return true;
}

bool Session::Exec(const std::string& sql, Error& err) {
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return MapSqliteError(db_, rc, sql, false, err);
  return true;
}

bool Session::InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

bool Session::Attach(const std::vector<std::string>& schemas, Error& err) {
  // Files of dropped or re-created users are let go first.
  if (!InTransaction()) {
    for (auto it = attached_.begin(); it != attached_.end();) {
      if (server_->Generation(it->first) != it->second) {
        Error ignored;
        Exec("DETACH DATABASE " + MainAlias(it->first), ignored);
        Exec("DETACH DATABASE " + AuxAlias(it->first), ignored);
        lastUse_.erase(it->first);
        it = attached_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const auto& schema : schemas) {
    int64_t gen = server_->Generation(schema);
    if (gen == 0) continue;
    lastUse_[schema] = ++useCounter_;
    auto it = attached_.find(schema);
    if (it != attached_.end() && it->second == gen) continue;
    if (InTransaction())
      return err.SetText(2020, "schema " + schema + " cannot be attached inside an open transaction (commit first)");
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
      Exec("PRAGMA " + alias + ".synchronous=NORMAL", ignored);
    }
    attached_[schema] = gen;
  }
  return true;
}

void Session::End() {
  if (!db_) return;
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db_);
  db_ = nullptr;
  server_->EndSession(id_);
}

bool Session::BeginWrite(Error& err) {
  if (!db_) return err.Set(3114);
  if (!InTransaction()) return Exec("BEGIN", err);
  return true;
}

bool Session::Commit(Error& err) {
  if (!db_) return err.Set(3114);
  if (!InTransaction()) return true;
  return Exec("COMMIT", err);
}

bool Session::Rollback(Error& err) {
  if (!db_) return err.Set(3114);
  if (!InTransaction()) return true;
  return Exec("ROLLBACK", err);
}

bool Session::IsSchema(const std::string& upperName) const { return server_->UserExists(upperName); }

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
  if (rw.uses.empty() || server_->IsDba(user_)) return true;
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

std::unique_ptr<Statement> Session::Prepare(const std::string& sql, Error& err) {
  if (!db_) {
    err.Set(3114);
    return nullptr;
  }
  Rewritten rw;
  if (!sqlengine::Rewrite(sql, *this, rw, err)) return nullptr;
  size_t before = attached_.size();
  auto gens = attached_;
  if (!Attach(rw.schemas, err)) return nullptr;
  if (attached_ != gens || attached_.size() != before) {
    // Newly attached files may answer lookups (index columns) that failed before.
    if (!sqlengine::Rewrite(sql, *this, rw, err)) return nullptr;
  }
  if (!CheckUses(rw, sql, err)) return nullptr;
  return std::unique_ptr<Statement>(new Statement(*this, sql, std::move(rw)));
}

bool Session::RunStatementSql(const std::string& sql, const std::string& oracleSql, const std::vector<Param>& params,
                              bool update, int64_t& changes, Error& err) {
  Query q(db_, sql);
  if (!q.Prepared()) return MapSqliteError(db_, q.Rc(), oracleSql, update, err);
  int count = sqlite3_bind_parameter_count(q.Handle());
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(i) >= params.size()) return err.Set(1008, oracleSql);
    if (params[i].isArray) return err.Set(1036, "a PL/SQL table bound in SQL" + Quoted(oracleSql));
    BindValue(q.Handle(), i + 1, params[i].value);
  }
  if (!q.Run()) return MapSqliteError(db_, q.Rc(), oracleSql, update, err);
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

bool Session::RunQuery(const Rewritten& rw, const std::string& oracleSql, const std::vector<Param>& params,
                       bool describeOnly, ResultSet& out, Error& err) {
  out = ResultSet();
  if (!describeOnly && !RefreshViews(rw.views, err)) return false;
  std::unique_ptr<Query> q(new Query(db_, rw.sql[0]));
  if (!q->Prepared()) return MapSqliteError(db_, q->Rc(), oracleSql, false, err);
  int ncols = sqlite3_column_count(q->Handle());
  bool lob = false;
  for (int i = 0; i < ncols; ++i) {
    const char* decl = sqlite3_column_decltype(q->Handle(), i);
    if (decl && UpperText(decl) == "BLOB" && sqlite3_column_table_name(q->Handle(), i)) lob = true;
  }
  bool hidden = false;
  if (lob && !rw.rowidSql.empty()) {
    std::unique_ptr<Query> withRowid(new Query(db_, rw.rowidSql));
    if (withRowid->Prepared()) {
      q = std::move(withRowid);
      hidden = true;
    }
  }
  sqlite3_stmt* st = q->Handle();
  int visible = sqlite3_column_count(st) - (hidden ? 1 : 0);
  for (int i = 0; i < visible; ++i) {
    ColumnInfo c;
    c.name = UpperText(sqlite3_column_name(st, i));
    const char* decl = sqlite3_column_decltype(st, i);
    c.declType = decl ? decl : "";
    DescribeType(c.declType, c);
    if (c.dataType == 113 && hidden && sqlite3_column_table_name(st, i)) {
      c.locatable = true;
      c.origin.file = "\"" + std::string(sqlite3_column_database_name(st, i)) + "\"";
      c.origin.table = sqlite3_column_table_name(st, i);
      c.origin.column = sqlite3_column_origin_name(st, i);
    }
    out.columns.push_back(c);
  }
  if (describeOnly) return true;
  int count = sqlite3_bind_parameter_count(st);
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(i) >= params.size()) return err.Set(1008, oracleSql);
    if (params[i].isArray) return err.Set(1036, "a PL/SQL table bound in SQL" + Quoted(oracleSql));
    BindValue(st, i + 1, params[i].value);
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<Value> row;
    row.reserve(static_cast<size_t>(visible));
    for (int i = 0; i < visible; ++i) row.push_back(ColumnValue(st, i));
    if (hidden) out.rowids.push_back(sqlite3_column_int64(st, visible));
    out.rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) return MapSqliteError(db_, rc, oracleSql, false, err);
  // Expressions: numbers when the first row says so.
  for (int i = 0; i < visible; ++i) {
    ColumnInfo& c = out.columns[static_cast<size_t>(i)];
    if (!c.declType.empty() || out.rows.empty()) continue;
    Value::Type t = out.rows[0][static_cast<size_t>(i)].type;
    if (t == Value::Type::Integer || t == Value::Type::Real) {
      c.dataType = 2;
      c.dataSize = 22;
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
  if (!BeginWrite(err) || !Exec("SAVEPOINT ora$stmt", err)) return false;
  int64_t changes = 0;
  std::vector<Param> params(2);
  params[0].value = Value::Blob(data);
  params[1].value = Value::Integer(ref.rowid);
  std::string sql = "UPDATE " + ref.file + ".\"" + ref.table + "\" SET \"" + ref.column + "\" = ? WHERE _ROWID_ = ?";
  bool ok = RunStatementSql(sql, "LOB write", params, true, changes, err);
  if (ok && changes == 0) ok = err.Set(22275, "the row of the LOB no longer exists");
  Error ignored;
  if (!ok && InTransaction()) Exec("ROLLBACK TO ora$stmt", ignored);
  if (InTransaction()) Exec("RELEASE ora$stmt", ignored);
  return ok;
}

// ---- Statement ---------------------------------------------------------------------------------------

Statement::~Statement() = default;

bool Statement::Describe(std::vector<ColumnInfo>& cols, Error& err) {
  cols.clear();
  if (!session_.IsOpen()) return err.Set(3114);
  if (!IsQuery()) return true;
  ResultSet rs;
  if (!session_.RunQuery(rw_, sql_, {}, true, rs, err)) return false;
  cols = rs.columns;
  return true;
}

bool Statement::Run(const std::vector<Param>& params, Outcome& out, Error& err) {
  out = Outcome();
  if (!session_.IsOpen()) return err.Set(3114);
  if (static_cast<int32_t>(params.size()) < rw_.placeholders) return err.Set(1008, sql_);
  switch (rw_.kind) {
    case StatementKind::Select:
      out.isQuery = true;
      return session_.RunQuery(rw_, sql_, params, false, out.result, err);
    case StatementKind::Insert:
    case StatementKind::Update:
    case StatementKind::Delete: {
      if (!session_.BeginWrite(err) || !session_.Exec("SAVEPOINT ora$stmt", err)) return false;
      int64_t changes = 0;
      bool ok = session_.RunStatementSql(rw_.sql[0], sql_, params, rw_.kind == StatementKind::Update, changes, err);
      Error ignored;
      if (!ok && session_.InTransaction()) session_.Exec("ROLLBACK TO ora$stmt", ignored);
      if (session_.InTransaction()) session_.Exec("RELEASE ora$stmt", ignored);
      if (ok) out.affected = changes;
      return ok;
    }
    default:
      if (IsDdl(rw_.kind)) return RunDdl(out, err);
      return RunIntercepted(params, out, err);
  }
}

bool Statement::RunDdl(Outcome& out, Error& err) {
  Session& s = session_;
  Server& srv = *s.server_;
  const std::string& user = s.user_;
  bool dba = srv.IsDba(user);
  if (s.InTransaction() && !s.Exec("COMMIT", err)) return false;
  auto owns = [&](const std::string& owner) { return owner == user || dba; };
  auto denied = [&](const std::string& what) { return err.Set(1031, what + Quoted(sql_)); };
  auto execAll = [&]() -> bool {
    if (!s.Exec("BEGIN", err)) return false;
    for (const auto& sql : rw_.sql) {
      if (!s.Exec(sql, err)) {
        if (err.code == 600 || err.code == 900) err.message += Quoted(sql_);
        Error ignored;
        s.Exec("ROLLBACK", ignored);
        return false;
      }
    }
    return s.Exec("COMMIT", err);
  };
  ObjectRow row;
  row.owner = rw_.owner;
  row.name = rw_.name;
  row.type = rw_.objectType;
  row.status = "VALID";
  row.file = rw_.fileAlias;
  row.table = rw_.table;
  switch (rw_.kind) {
    case StatementKind::CreateTable:
    case StatementKind::CreateIndex:
    case StatementKind::CreateView:
      if (!owns(rw_.owner)) return denied("CREATE in schema " + rw_.owner);
      if (!srv.UserExists(rw_.owner)) return err.SetText(1918, "user '" + rw_.owner + "' does not exist");
      if (!execAll()) return false;
      return srv.RecordObject(row, err);
    case StatementKind::AlterTable:
      if (!owns(rw_.owner)) return denied("ALTER TABLE in schema " + rw_.owner);
      if (!execAll()) {
        // A mandatory column added to a table that has rows.
        if (err.message.find("CHECK constraint failed") != std::string::npos) err.Set(1758, rw_.owner + "." + rw_.name);
        return false;
      }
      for (const auto& idx : rw_.dropped) srv.RemoveObject(rw_.owner, idx, "INDEX");
      return true;
    case StatementKind::DropTable:
      if (!owns(rw_.owner)) return denied("DROP TABLE in schema " + rw_.owner);
      if (!execAll()) return false;
      srv.RemoveObject(rw_.owner, rw_.name, "TABLE");
      srv.RemoveObjectsOfTable(rw_.fileAlias, rw_.name);
      return true;
    case StatementKind::DropIndex:
    case StatementKind::DropView:
    case StatementKind::DropTrigger:
      if (!owns(rw_.owner)) return denied("DROP in schema " + rw_.owner);
      if (!execAll()) return false;
      srv.RemoveObject(rw_.owner, rw_.name, rw_.objectType);
      return true;
    case StatementKind::CreateTrigger: {
      const std::string& tableSchema = rw_.args.empty() ? rw_.owner : rw_.args[0];
      if (!owns(rw_.owner) || !owns(tableSchema)) return denied("CREATE TRIGGER on " + tableSchema + "." + rw_.table);
      ObjectRow existing;
      if (srv.FindObject(rw_.owner, rw_.name, "TRIGGER", existing)) return err.SetText(4081, "trigger '" + rw_.owner + "." + rw_.name + "' already exists");
      if (!execAll()) return false;
      for (size_t i = 0; i < rw_.physical.size(); ++i) row.physical += (i ? "," : "") + rw_.physical[i];
      return srv.RecordObject(row, err);
    }
    case StatementKind::CreatePackage:
    case StatementKind::CreateProcedure:
      if (!owns(rw_.owner)) return denied("CREATE " + rw_.objectType + " in schema " + rw_.owner);
      if (!srv.UserExists(rw_.owner)) return err.SetText(1918, "user '" + rw_.owner + "' does not exist");
      row.status = rw_.valid ? "VALID" : "INVALID";
      row.body = rw_.body;
      if (!srv.RecordObject(row, err)) return false;
      if (!rw_.valid) out.warning.SetText(24344, "success with compilation error (the body of " + rw_.owner + "." + rw_.name + " is not the one this server runs)");
      return true;
    case StatementKind::DropPackage:
    case StatementKind::DropProcedure: {
      if (!owns(rw_.owner)) return denied("DROP " + rw_.objectType + " in schema " + rw_.owner);
      ObjectRow existing;
      if (!srv.FindObject(rw_.owner, rw_.name, rw_.objectType, existing)) return err.SetText(4043, "object " + rw_.name + " does not exist");
      srv.RemoveObject(rw_.owner, rw_.name, rw_.objectType);
      return true;
    }
    case StatementKind::CreateUser: {
      if (!srv.HasSystemPrivilege(user, "CREATE USER")) return denied("CREATE USER");
      if (!srv.CreateUser(rw_.args[0], rw_.args[1], false, err)) return false;
      Error ignored;
      s.Attach({rw_.args[0]}, ignored);
      return true;
    }
    case StatementKind::AlterUser:
      if (!srv.UserExists(rw_.args[0])) return err.SetText(1918, "user '" + rw_.args[0] + "' does not exist");
      if (rw_.args.size() > 1) {
        if (!(dba || rw_.args[0] == user)) return denied("ALTER USER");
        return srv.SetPassword(rw_.args[0], rw_.args[1], err);
      }
      if (!srv.HasSystemPrivilege(user, "ALTER USER")) return denied("ALTER USER");
      return true;
    case StatementKind::DropUser: {
      const std::string& victim = rw_.args[0];
      if (!srv.HasSystemPrivilege(user, "DROP USER")) return denied("DROP USER");
      if (!srv.UserExists(victim)) return err.SetText(1918, "user '" + victim + "' does not exist");
      for (const auto& sess : srv.Sessions())
        if (sess.user == victim && sess.audsid != s.id_) return err.SetText(1940, "cannot drop a user that is currently connected");
      if (victim == user) return err.SetText(1940, "cannot drop a user that is currently connected");
      if (!rw_.cascade) {
        for (const auto& o : srv.Objects())
          if (o.owner == victim) return err.SetText(1922, "CASCADE must be specified to drop '" + victim + "'");
      }
      if (s.attached_.count(victim)) {
        Error ignored;
        s.Exec("DETACH DATABASE " + MainAlias(victim), ignored);
        s.Exec("DETACH DATABASE " + AuxAlias(victim), ignored);
        s.attached_.erase(victim);
        s.lastUse_.erase(victim);
      }
      return srv.DropUser(victim, err);
    }
    case StatementKind::CreateRole:
      if (!srv.HasSystemPrivilege(user, "CREATE ROLE")) return denied("CREATE ROLE");
      return srv.CreateRole(rw_.args[0], user, err);
    case StatementKind::DropRole:
      if (!srv.RoleExists(rw_.args[0])) return err.SetText(1919, "role '" + rw_.args[0] + "' does not exist");
      if (!dba && !srv.HoldsRole(user, rw_.args[0])) return denied("DROP ROLE");
      return srv.DropRole(rw_.args[0], err);
    case StatementKind::Grant: {
      for (const auto& g : rw_.grantees)
        if (g != "PUBLIC" && !srv.UserExists(g) && !srv.RoleExists(g)) return err.SetText(1917, "user or role '" + g + "' does not exist");
      if (!rw_.name.empty()) {
        ObjectRow target;
        if (!srv.FindObjectAnyType(rw_.owner, rw_.name, target)) return err.Set(942, rw_.owner + "." + rw_.name + Quoted(sql_));
        if (!owns(rw_.owner)) return denied("GRANT on " + rw_.owner + "." + rw_.name);
        for (const auto& g : rw_.grantees)
          for (const auto& p : rw_.privileges)
            if (!srv.GrantObject(g, rw_.owner, rw_.name, p, err)) return false;
        return true;
      }
      for (const auto& p : rw_.privileges) {
        bool role = srv.RoleExists(p);
        // A role may be granted by a user who holds it (its creator); anything else needs a DBA.
        if (!dba && !(role && srv.HoldsRole(user, p))) return denied("GRANT " + p);
        for (const auto& g : rw_.grantees) {
          bool ok = role ? srv.GrantRole(g, p, err) : srv.GrantSystem(g, p, err);
          if (!ok) return false;
        }
      }
      return true;
    }
    default:
      return err.Set(900, sql_);
  }
}

bool Statement::RunIntercepted(const std::vector<Param>& params, Outcome& out, Error& err) {
  Session& s = session_;
  switch (rw_.kind) {
    case StatementKind::AlterSession:
      return true;
    case StatementKind::Savepoint:
      return s.BeginWrite(err) && s.Exec("SAVEPOINT " + rw_.args[0], err);
    case StatementKind::RollbackTo:
      if (!s.InTransaction())
        return err.SetText(1086, "savepoint '" + rw_.args[0] + "' never established in this session or is invalid");
      return s.Exec("ROLLBACK TO " + rw_.args[0], err);
    case StatementKind::Commit:
      return s.Commit(err);
    case StatementKind::Rollback:
      return s.Rollback(err);
    case StatementKind::CallAcquireLock:
      return AcquireLock(params, out, err);
    case StatementKind::CallSiteProcedure:
      return SiteProcedure(params, out, err);
    default:
      return err.Set(900, sql_);
  }
}

}  // namespace sqlengine

// ---- procedures ---------------------------------------------------------------------------------------

namespace sqlengine {

namespace {

bool ToInteger(const Value& v, int64_t& out) {
  switch (v.type) {
    case Value::Type::Integer: out = v.integer; return true;
    case Value::Type::Real: out = static_cast<int64_t>(v.real < 0 ? v.real - 0.5 : v.real + 0.5); return true;
    case Value::Type::Text: {
      char* end = nullptr;
      out = std::strtoll(v.bytes.c_str(), &end, 10);
      return end && *end == '\0' && !v.bytes.empty();
    }
    default: return false;
  }
}

// The parameter behind a procedure argument written as a marker (positions of a PL/SQL block count
// each name once, in order of first appearance).
const Param* MarkerParam(const Rewritten& rw, const std::string& arg, const std::vector<Param>& params) {
  std::vector<std::string> seen;
  for (const auto& a : rw.args) {
    if (a.empty() || a[0] != ':') continue;
    if (std::find(seen.begin(), seen.end(), a) == seen.end()) seen.push_back(a);
  }
  auto it = std::find(seen.begin(), seen.end(), arg);
  size_t pos = static_cast<size_t>(it - seen.begin());
  return it != seen.end() && pos < params.size() ? &params[pos] : nullptr;
}

}  // namespace

bool Statement::AcquireLock(const std::vector<Param>& params, Outcome& out, Error& err) {
  Session& s = session_;
  Server& srv = *s.server_;
  const std::string& owner = rw_.owner;
  const std::string qualified = owner + ".ACQUIRE_LOCK";
  ObjectRow proc;
  bool visible = srv.FindObject(owner, "ACQUIRE_LOCK", "PROCEDURE", proc) &&
                 (owner == s.user_ || srv.IsDba(s.user_) || srv.ObjectPrivilege(s.user_, owner, "ACQUIRE_LOCK", "EXECUTE") == 2);
  if (!visible) return err.SetText(6550, "line 1, column 7:\nPLS-00201: identifier '" + qualified + "' must be declared");
  if (proc.status != "VALID") return err.SetText(6550, "line 1, column 7:\nPLS-00905: object " + qualified + " is invalid");
  auto wrongArgs = [&]() { return err.SetText(6550, "line 1, column 7:\nPLS-00306: wrong number or types of arguments in call to 'ACQUIRE_LOCK'"); };
  if (rw_.args.size() != 4) return wrongArgs();
  Value scalars[2];
  const Param* lists[2] = {nullptr, nullptr};
  for (size_t i = 0; i < 4; ++i) {
    const std::string& a = rw_.args[i];
    const Param* p = nullptr;
    if (!a.empty() && a[0] == ':') {
      p = MarkerParam(rw_, a, params);
      if (!p) return err.Set(1008, sql_);
    }
    if (i < 2) {
      if (p && p->isArray) return wrongArgs();
      scalars[i] = p ? p->value : Value::Integer(std::strtoll(a.c_str(), nullptr, 10));
    } else {
      if (!p || !p->isArray) return wrongArgs();
      lists[i - 2] = p;
    }
  }
  int64_t clientId = 0, entries = 0;
  bool clientKnown = ToInteger(scalars[0], clientId);
  if (!ToInteger(scalars[1], entries)) entries = 0;

  const std::string locks = AuxAlias(owner) + ".LOCKS";
  auto others = [&]() {
    Error ignored;
    if (s.InTransaction()) s.Exec("ROLLBACK", ignored);
    return err.SetText(20333, "Error in procedure ACQUIRE_LOCK");
  };
  Error inner;
  if (!s.BeginWrite(inner)) return others();
  // LOCK TABLE ... IN EXCLUSIVE MODE: the write lock of the lock file is taken at once.
  if (!s.Exec("DELETE FROM " + locks + " WHERE 0 = 1", inner)) return others();
  bool conflict = false;
  for (int64_t i = 0; i < entries; ++i) {
    size_t k = static_cast<size_t>(i);
    if (k >= lists[0]->elements.size() || k >= lists[1]->elements.size() || !clientKnown) return others();
    const Value& oid = lists[0]->elements[k];
    const Value& requested = lists[1]->elements[k];
    int64_t mode = 0, weakest = 0;
    if (ToInteger(requested, mode)) weakest = mode == 1142 ? 8196 : mode == 2100 ? 4116 : mode == 4116 ? 2100 : 0;
    Query count(s.db_, "SELECT COUNT(*) FROM " + locks + " WHERE OID = ? AND CLIENTID != ? AND ? <= LOCKMODE");
    if (!count.Prepared()) return others();
    BindValue(count.Handle(), 1, oid);
    sqlite3_bind_int64(count.Handle(), 2, clientId);
    sqlite3_bind_int64(count.Handle(), 3, weakest);
    if (!count.Step()) return others();
    if (count.Int(0) > 0) {
      conflict = true;
      break;
    }
    Query insert(s.db_, "INSERT INTO " + locks + " (OID, LOCKMODE, CLIENTID) VALUES (?, ?, ?)");
    if (!insert.Prepared()) return others();
    BindValue(insert.Handle(), 1, oid);
    BindValue(insert.Handle(), 2, requested);
    sqlite3_bind_int64(insert.Handle(), 3, clientId);
    if (!insert.Run()) return others();
  }
  if (conflict) {
    Error ignored;
    s.Exec("ROLLBACK", ignored);
    return err.SetText(20099, "Object already locked");
  }
  if (!s.Exec("COMMIT", inner)) return others();
  out.affected = 1;
  return true;
}

bool Statement::SiteProcedure(const std::vector<Param>& params, Outcome& out, Error& err) {
  Server& srv = *session_.server_;
  if (!srv.HasSiteProcedure() || rw_.args.size() != 2)
    return err.SetText(6550, "line 1, column 7:\nPLS-00201: identifier 'ROG_CREATE_BASE' must be declared");
  std::string name = rw_.args[0];
  if (name.size() >= 2 && name.front() == '\'') {
    name = name.substr(1, name.size() - 2);
    for (size_t p = name.find("''"); p != std::string::npos; p = name.find("''", p + 1)) name.erase(p, 1);
  }
  std::string password;
  if (!rw_.args[1].empty() && rw_.args[1][0] == ':') {
    const Param* p = MarkerParam(rw_, rw_.args[1], params);
    if (!p) return err.Set(1008, sql_);
    password = p->value.bytes;
  } else {
    password = rw_.args[1];
  }
  if (!srv.CallSiteProcedure(name, password, err)) return false;
  out.affected = 1;
  return true;
}

}  // namespace sqlengine
