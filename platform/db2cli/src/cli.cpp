// The CLI calls: handles, connections, statements, fetch, diagnostics and the administrative calls.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "clihandles.h"
#include "sqldb2.h"

using sqlengine::Engine;
using sqlengine::Error;
using sqlengine::Value;

namespace db2standin {
namespace {

// The client's database directory: a database (or node) that the process has not registered is
// looked up in the environment variable ROG_ENGINE_SERVERS, a list of name=directory entries
// separated by ';' (names compare without regard to ASCII case); a found entry registers the
// server for the rest of the process. So programs of their own (the schema mapper, workers) reach
// the same databases.
// A server whose directory cannot be opened answers the server's error in `err`.
std::shared_ptr<sqlengine::Server> FindDatabaseServer(const std::string& name, Error& err) {
  if (name.empty()) return nullptr;
  if (auto found = Engine::Instance().FindServer(name)) return found;
  const char* list = std::getenv("ROG_ENGINE_SERVERS");
  if (list == nullptr) return nullptr;
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };
  const std::string wanted = upper(name);
  const std::string entries(list);
  size_t start = 0;
  while (start <= entries.size()) {
    size_t end = entries.find(';', start);
    if (end == std::string::npos) end = entries.size();
    const std::string entry = entries.substr(start, end - start);
    const size_t eq = entry.find('=');
    if (eq != std::string::npos && eq + 1 < entry.size() && upper(entry.substr(0, eq)) == wanted)
      return Engine::Instance().RegisterServer(name, entry.substr(eq + 1), &err);
    start = end + 1;
  }
  return nullptr;
}

// The handle table has its own lock, held only to look up, add or remove handles. A call works
// under the lock of the connection its handle belongs to (environment calls under one lock of
// their own), so that connections of different threads do not wait for each other.
std::recursive_mutex& MapLock() {
  static std::recursive_mutex m;
  return m;
}
std::recursive_mutex& EnvLock() {
  static std::recursive_mutex m;
  return m;
}
std::map<SQLHANDLE, std::unique_ptr<Handle>>& Handles() {
  static std::map<SQLHANDLE, std::unique_ptr<Handle>> h;
  return h;
}
SQLHANDLE nextHandle = 1;

template <class T>
T* Find(SQLHANDLE h, SQLSMALLINT type) {
  std::lock_guard<std::recursive_mutex> lock(MapLock());
  auto& all = Handles();
  auto it = all.find(h);
  if (it == all.end() || it->second->type != type) return nullptr;
  return static_cast<T*>(it->second.get());
}

Handle* FindAny(SQLHANDLE h) {
  std::lock_guard<std::recursive_mutex> lock(MapLock());
  auto it = Handles().find(h);
  return it == Handles().end() ? nullptr : it->second.get();
}

void Erase(SQLHANDLE h) {
  std::unique_ptr<Handle> gone;
  std::lock_guard<std::recursive_mutex> lock(MapLock());
  auto it = Handles().find(h);
  if (it != Handles().end()) {
    gone = std::move(it->second);
    Handles().erase(it);
  }
}

// The lock a call on handle h works under.
std::unique_lock<std::recursive_mutex> LockFor(SQLHANDLE h) {
  Handle* x = FindAny(h);
  if (x && x->type == SQL_HANDLE_STMT) x = Find<Handle>(static_cast<Stmt*>(x)->dbc, SQL_HANDLE_DBC);
  if (x && x->type == SQL_HANDLE_DBC) return std::unique_lock<std::recursive_mutex>(static_cast<Dbc*>(x)->mutex);
  return std::unique_lock<std::recursive_mutex>(EnvLock());
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Text(const SQLCHAR* p, SQLINTEGER len) {
  if (!p) return std::string();
  if (len == SQL_NTS || len < 0) return std::string(reinterpret_cast<const char*>(p));
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(len));
}

SQLRETURN Fail(Handle* h, const Diag& d) {
  h->diags.push_back(d);
  return SQL_ERROR;
}
SQLRETURN FailEngine(Handle* h, const Error& e) { return Fail(h, FromEngine(e)); }
SQLRETURN FailOwn(Handle* h, const char* state, const std::string& text) { return Fail(h, Own(state, text)); }

// A failure injected for the call with Engine::InjectFailure (native code n gives SQLCODE -n).
bool Injected(Handle* h, const char* call, const std::string& text = std::string()) {
  Error e;
  if (!Engine::Instance().TakeInjectedFailure(call, text, e)) return false;
  h->diags.push_back(FromSqlcode(-std::abs(e.code), e.message));
  return true;
}

Dbc* ConnOf(Stmt* s) { return Find<Dbc>(s->dbc, SQL_HANDLE_DBC); }

void CloseCursor(Stmt* s) {
  if (s->statement && s->cursor) s->statement->Close();
  s->cursor = false;
}

void EndTransaction(Dbc* c) { c->savepoints.clear(); }

SQLRETURN Commit(Dbc* c, Handle* report) {
  Error e;
  if (!c->session->Commit(e)) return FailEngine(report, e);
  EndTransaction(c);
  return SQL_SUCCESS;
}

// Words of a statement text (outside quotes), upper-cased, for the savepoint forms.
std::vector<std::string> Words(const std::string& t) {
  std::vector<std::string> w;
  std::string cur;
  for (char ch : t) {
    if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$' || ch == '#') {
      cur += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    } else {
      if (!cur.empty()) w.push_back(cur), cur.clear();
      if (!std::isspace(static_cast<unsigned char>(ch))) w.push_back(std::string(1, ch));
    }
  }
  if (!cur.empty()) w.push_back(cur);
  return w;
}

bool Is(const std::vector<std::string>& w, std::initializer_list<const char*> shape, std::string* name) {
  if (w.size() != shape.size()) return false;
  size_t i = 0;
  for (const char* s : shape) {
    if (std::strcmp(s, "?") == 0) {
      if (w[i].empty() || !(std::isalpha(static_cast<unsigned char>(w[i][0])))) return false;
      if (name) *name = w[i];
    } else if (w[i] != s) {
      return false;
    }
    ++i;
  }
  return true;
}

// DB2's savepoint forms: SAVEPOINT n [UNIQUE] ON ROLLBACK RETAIN CURSORS [ON ROLLBACK RETAIN LOCKS],
// RELEASE [TO] SAVEPOINT n, ROLLBACK [WORK] TO SAVEPOINT [n]. The interface keeps the names (UNIQUE
// refuses a name in use, -881; an unknown name gives -880) and the engine keeps the work.
// Returns 0 when the text is none of these, else the result of running it.
int RunSavepointForm(Stmt* s, Dbc* c, bool& handled) {
  handled = false;
  std::vector<std::string> w = Words(s->text);
  if (w.empty() || (w[0] != "SAVEPOINT" && w[0] != "RELEASE" && w[0] != "ROLLBACK")) return SQL_SUCCESS;
  std::string name;
  Error e;
  auto run = [&](const std::string& text) -> bool {
    auto st = c->session->Prepare(text, e);
    sqlengine::Outcome out;
    return st && st->Run({}, out, e);
  };
  if (w[0] == "SAVEPOINT") {
    bool unique = w.size() > 2 && w[2] == "UNIQUE";
    std::vector<std::string> rest(w.begin() + (unique ? 3 : 2), w.end());
    bool ok = w.size() >= 2 && (Is(rest, {"ON", "ROLLBACK", "RETAIN", "CURSORS"}, nullptr) ||
                                Is(rest, {"ON", "ROLLBACK", "RETAIN", "CURSORS", "ON", "ROLLBACK", "RETAIN", "LOCKS"}, nullptr));
    handled = true;
    if (!ok || !std::isalpha(static_cast<unsigned char>(w[1][0])))
      return FailOwn(s, "42601", "unsupported SAVEPOINT form (DB2 needs ON ROLLBACK RETAIN CURSORS)"), SQL_ERROR;
    name = w[1];
    auto at = std::find(c->savepoints.begin(), c->savepoints.end(), name);
    if (at != c->savepoints.end()) {
      if (unique) {
        Diag d = Own("3B501", "a duplicate savepoint name was detected: " + name);
        d.native = -881;
        return Fail(s, d);
      }
      c->savepoints.erase(at);
    }
    if (!run("SAVEPOINT " + name)) return FailEngine(s, e);
    c->savepoints.push_back(name);
    return SQL_SUCCESS;
  }
  bool release = Is(w, {"RELEASE", "SAVEPOINT", "?"}, &name) || Is(w, {"RELEASE", "TO", "SAVEPOINT", "?"}, &name);
  bool rollback = Is(w, {"ROLLBACK", "TO", "SAVEPOINT", "?"}, &name) || Is(w, {"ROLLBACK", "WORK", "TO", "SAVEPOINT", "?"}, &name) ||
                  Is(w, {"ROLLBACK", "TO", "SAVEPOINT"}, nullptr) || Is(w, {"ROLLBACK", "WORK", "TO", "SAVEPOINT"}, nullptr);
  if (!release && !rollback) {
    handled = true;
    return FailOwn(s, "42601", w[0] == "RELEASE" ? "unsupported RELEASE form (RELEASE SAVEPOINT name)"
                                                 : "unsupported ROLLBACK form (ROLLBACK TO SAVEPOINT name)");
  }
  handled = true;
  if (name.empty() && !c->savepoints.empty()) name = c->savepoints.back();
  auto at = std::find(c->savepoints.begin(), c->savepoints.end(), name);
  if (name.empty() || at == c->savepoints.end()) {
    Diag d = Own("3B001", "savepoint does not exist or is invalid in this context: " + name);
    d.native = -880;
    return Fail(s, d);
  }
  if (release) {
    c->savepoints.erase(at, c->savepoints.end());
    return SQL_SUCCESS;
  }
  c->savepoints.erase(at + 1, c->savepoints.end());
  if (!run("ROLLBACK TO " + name)) return FailEngine(s, e);
  return SQL_SUCCESS;
}

SQLRETURN PrepareText(Stmt* s, const std::string& text) {
  Dbc* c = ConnOf(s);
  if (!c || !c->session) return FailOwn(s, "08003", "connection not open");
  CloseCursor(s);
  s->statement.reset();
  s->prepared = false;
  s->rowCount = -1;
  s->columns.clear();
  s->text = text;
  s->intercepted.clear();
  std::vector<std::string> w = Words(text);
  if (!w.empty() && (w[0] == "SAVEPOINT" || w[0] == "RELEASE" ||
                     (w[0] == "ROLLBACK" && std::find(w.begin(), w.end(), "TO") != w.end()))) {
    s->intercepted = text;
    s->prepared = true;
    return SQL_SUCCESS;
  }
  std::string oracle;
  Error e;
  if (!sqlengine::Db2ToOracle(text, oracle, e)) return FailEngine(s, e);
  s->statement = c->session->Prepare(oracle, e);
  if (!s->statement) return FailEngine(s, e);
  s->prepared = true;
  return SQL_SUCCESS;
}

SQLRETURN ExecutePrepared(Stmt* s) {
  Dbc* c = ConnOf(s);
  if (!c || !c->session) return FailOwn(s, "08003", "connection not open");
  if (!s->prepared) return FailOwn(s, "HY010", "function sequence error: no statement prepared");
  if (Injected(s, "SQLExecute", s->text)) return SQL_ERROR;
  CloseCursor(s);
  s->rowCount = -1;
  if (!s->intercepted.empty()) {
    bool handled = false;
    SQLRETURN rc = static_cast<SQLRETURN>(RunSavepointForm(s, c, handled));
    if (rc == SQL_SUCCESS && c->autocommit) rc = Commit(c, s);
    return rc;
  }
  Error e;
  sqlengine::Statement& st = *s->statement;
  size_t rows = s->paramsetSize ? s->paramsetSize : 1;
  int32_t markers = st.Placeholders();
  for (int32_t k = 1; k <= markers; ++k)
    if (!s->params.count(static_cast<SQLUSMALLINT>(k))) return FailOwn(s, "07002", "too few parameters bound");
  auto bindRow = [&](size_t r, std::vector<sqlengine::Param>& params, Diag& d) -> bool {
    params.assign(static_cast<size_t>(markers), sqlengine::Param{});
    for (int32_t k = 1; k <= markers; ++k)
      if (!ParamValue(s->params[static_cast<SQLUSMALLINT>(k)], r, params[static_cast<size_t>(k - 1)].value, d)) return false;
    return true;
  };
  Diag d;
  if (st.IsQuery()) {
    std::vector<sqlengine::Param> params;
    if (!bindRow(0, params, d)) return Fail(s, d);
    if (!st.Open(params, e)) return FailEngine(s, e);
    s->cursor = true;
    s->columns = st.Columns();
    return SQL_SUCCESS;
  }
  sqlengine::StatementKind kind = st.Kind();
  bool dml = kind == sqlengine::StatementKind::Insert || kind == sqlengine::StatementKind::Update ||
             kind == sqlengine::StatementKind::Delete;
  if (kind == sqlengine::StatementKind::Commit || kind == sqlengine::StatementKind::Rollback) EndTransaction(c);
  int64_t affected = 0;
  if (dml) {
    int64_t done = 0;
    bool convertFailed = false;
    bool ok = st.RunRows(rows, [&](size_t r, std::vector<sqlengine::Param>& params, Error& err) {
      if (bindRow(r, params, d)) return true;
      convertFailed = true;
      return err.Set(1460, d.text);
    }, done, affected, e);
    s->rowCount = affected;
    if (!ok) return convertFailed ? Fail(s, d) : FailEngine(s, e);
  } else {
    std::vector<sqlengine::Param> params;
    if (!bindRow(0, params, d)) return Fail(s, d);
    sqlengine::Outcome out;
    if (!st.Run(params, out, e)) return FailEngine(s, e);
    s->rowCount = -1;
  }
  if (c->autocommit && c->session->InTransaction()) {
    SQLRETURN rc = Commit(c, s);
    if (rc != SQL_SUCCESS) return rc;
  }
  if (dml && affected == 0 && kind != sqlengine::StatementKind::Insert) return SQL_NO_DATA;
  return SQL_SUCCESS;
}

SQLRETURN FreeStatement(Stmt* s) {
  CloseCursor(s);
  s->statement.reset();
  if (Dbc* c = ConnOf(s)) c->statements.erase(s->number);
  Erase(s->number);
  return SQL_SUCCESS;
}

// The SQLCA message tokens of a connection: five NUL-terminated fields, then the connection id.
void FillConnectionCa(Dbc* c, struct sqlca* ca) {
  std::memset(ca, 0, sizeof *ca);
  std::memcpy(ca->sqlcaid, "SQLCA   ", 8);
  ca->sqlcabc = static_cast<SQLINTEGER>(sizeof *ca);
  std::string tokens;
  tokens += std::string("1") + '\0';
  tokens += std::string("1") + '\0';
  tokens += c->session->User().substr(0, 8) + '\0';
  tokens += c->database.substr(0, 8) + '\0';
  tokens += std::string("QDB2") + '\0';
  tokens += std::to_string(c->session->Id());
  size_t n = std::min(tokens.size(), sizeof ca->sqlerrmc);
  std::memcpy(ca->sqlerrmc, tokens.data(), n);
  ca->sqlerrml = static_cast<SQLSMALLINT>(n);
  std::memcpy(ca->sqlstate, "00000", 5);
}

void SetCa(struct sqlca* ca, int32_t code, const char* state, const std::string& token = std::string()) {
  if (!ca) return;
  std::memset(ca, 0, sizeof *ca);
  std::memcpy(ca->sqlcaid, "SQLCA   ", 8);
  ca->sqlcabc = static_cast<SQLINTEGER>(sizeof *ca);
  ca->sqlcode = code;
  size_t n = std::min(token.size(), sizeof ca->sqlerrmc);
  std::memcpy(ca->sqlerrmc, token.data(), n);
  ca->sqlerrml = static_cast<SQLSMALLINT>(n);
  std::memcpy(ca->sqlstate, state, 5);
}

}  // namespace
}  // namespace db2standin

using namespace db2standin;

extern "C" {

SQLRETURN SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE inputHandle, SQLHANDLE* outputHandle) {
  auto lock = LockFor(inputHandle);
  if (!outputHandle) return SQL_ERROR;
  *outputHandle = SQL_NULL_HANDLE;
  std::unique_ptr<Handle> h;
  switch (handleType) {
    case SQL_HANDLE_ENV:
      h = std::make_unique<Env>();
      break;
    case SQL_HANDLE_DBC: {
      Env* env = Find<Env>(inputHandle, SQL_HANDLE_ENV);
      if (!env) return SQL_INVALID_HANDLE;
      env->diags.clear();
      if (Injected(env, "SQLAllocHandle")) return SQL_ERROR;
      auto c = std::make_unique<Dbc>();
      c->env = inputHandle;
      h = std::move(c);
      break;
    }
    case SQL_HANDLE_STMT: {
      Dbc* c = Find<Dbc>(inputHandle, SQL_HANDLE_DBC);
      if (!c) return SQL_INVALID_HANDLE;
      c->diags.clear();
      if (Injected(c, "SQLAllocHandle")) return SQL_ERROR;
      if (!c->session) return FailOwn(c, "08003", "connection not open");
      auto s = std::make_unique<Stmt>();
      s->dbc = inputHandle;
      h = std::move(s);
      break;
    }
    default:
      return SQL_ERROR;
  }
  h->type = handleType;
  {
    std::lock_guard<std::recursive_mutex> mapLock(MapLock());
    h->number = nextHandle++;
  }
  if (handleType == SQL_HANDLE_STMT) Find<Dbc>(inputHandle, SQL_HANDLE_DBC)->statements.insert(h->number);
  *outputHandle = h->number;
  std::lock_guard<std::recursive_mutex> mapLock(MapLock());
  Handles()[h->number] = std::move(h);
  return SQL_SUCCESS;
}

SQLRETURN SQLFreeHandle(SQLSMALLINT handleType, SQLHANDLE handle) {
  auto lock = LockFor(handle);
  switch (handleType) {
    case SQL_HANDLE_ENV: {
      Env* e = Find<Env>(handle, SQL_HANDLE_ENV);
      if (!e) return SQL_INVALID_HANDLE;
      {
        std::lock_guard<std::recursive_mutex> mapLock(MapLock());
        for (const auto& kv : Handles())
          if (kv.second->type == SQL_HANDLE_DBC && static_cast<Dbc*>(kv.second.get())->env == handle)
            return FailOwn(e, "HY010", "function sequence error: connections remain");
      }
      Erase(handle);
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* c = Find<Dbc>(handle, SQL_HANDLE_DBC);
      if (!c) return SQL_INVALID_HANDLE;
      if (c->session) return FailOwn(c, "HY010", "function sequence error: still connected");
      lock.unlock();  // the mutex lives in the handle
      Erase(handle);
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* s = Find<Stmt>(handle, SQL_HANDLE_STMT);
      if (!s) return SQL_INVALID_HANDLE;
      return FreeStatement(s);
    }
    default:
      return SQL_INVALID_HANDLE;
  }
}

SQLRETURN SQLSetConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  auto lock = LockFor(hdbc);
  Dbc* c = Find<Dbc>(hdbc, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (Injected(c, "SQLSetConnectAttr")) return SQL_ERROR;
  auto v = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
      if (v != SQL_AUTOCOMMIT_OFF && v != SQL_AUTOCOMMIT_ON) return FailOwn(c, "HY024", "invalid attribute value");
      if (v == SQL_AUTOCOMMIT_ON && !c->autocommit && c->session && c->session->InTransaction()) {
        SQLRETURN rc = Commit(c, c);
        if (rc != SQL_SUCCESS) return rc;
      }
      c->autocommit = v == SQL_AUTOCOMMIT_ON;
      return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN:
      if (v != SQL_NOSCAN_OFF && v != SQL_NOSCAN_ON) return FailOwn(c, "HY024", "invalid attribute value");
      c->noscan = v == SQL_NOSCAN_ON;
      return SQL_SUCCESS;
    default:
      return FailOwn(c, "HY092", "option type out of range: " + std::to_string(attribute));
  }
}

SQLRETURN SQLSetConnectOption(SQLHDBC hdbc, SQLUSMALLINT option, SQLULEN value) {
  return SQLSetConnectAttr(hdbc, option, reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(value)), 0);
}

SQLRETURN SQLConnect(SQLHDBC hdbc, SQLCHAR* server, SQLSMALLINT serverLength, SQLCHAR* user, SQLSMALLINT userLength,
                     SQLCHAR* password, SQLSMALLINT passwordLength) {
  auto lock = LockFor(hdbc);
  Dbc* c = Find<Dbc>(hdbc, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (c->session) return FailOwn(c, "08002", "connection in use");
  std::string db = Upper(Text(server, serverLength));
  if (Injected(c, "SQLConnect", db)) return SQL_ERROR;
  Error unopened;
  auto srv = FindDatabaseServer(db, unopened);
  // A database whose files cannot be opened or read is no unknown database.
  const bool known = srv && srv->UserExists(db, &unopened);
  if (unopened.Has()) return Fail(c, FromEngine(unopened));
  if (!known) {
    Diag d;
    d.native = -1013;
    d.state = "08001";
    d.text = "[db2cli] SQL1013N  The database alias name or database name \"" + db + "\" could not be found.  SQLSTATE=08001";
    return Fail(c, d);
  }
  Error e;
  auto session = sqlengine::Session::Begin(srv, Text(user, userLength), Text(password, passwordLength), e);
  if (!session) {
    Diag d = FromEngine(e);
    if (e.code == 1017)
      d.text = "[db2cli] SQL1403N  The username and/or password supplied is incorrect.  SQLSTATE=08004";
    return Fail(c, d);
  }
  c->session = session;
  c->database = db;
  c->savepoints.clear();
  return SQL_SUCCESS;
}

SQLRETURN SQLDisconnect(SQLHDBC hdbc) {
  auto lock = LockFor(hdbc);
  Dbc* c = Find<Dbc>(hdbc, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (!c->session) return FailOwn(c, "08003", "connection not open");
  if (Injected(c, "SQLDisconnect")) return SQL_ERROR;
  if (c->session->InTransaction()) return FailOwn(c, "25000", "invalid transaction state: commit or roll back first");
  std::vector<SQLHSTMT> open(c->statements.begin(), c->statements.end());
  for (SQLHSTMT h : open)
    if (Stmt* s = Find<Stmt>(h, SQL_HANDLE_STMT)) FreeStatement(s);
  c->session->End();
  c->session.reset();
  c->savepoints.clear();
  return SQL_SUCCESS;
}

SQLRETURN SQLGetInfo(SQLHDBC hdbc, SQLUSMALLINT infoType, SQLPOINTER value, SQLSMALLINT bufferLength,
                     SQLSMALLINT* stringLength) {
  auto lock = LockFor(hdbc);
  Dbc* c = Find<Dbc>(hdbc, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (Injected(c, "SQLGetInfo")) return SQL_ERROR;
  if (!c->session) return FailOwn(c, "08003", "connection not open");
  std::string text;
  if (infoType == SQL_DBMS_VER) text = sqlengine::Db2ServerVersion();
  else if (infoType == SQL_DBMS_NAME) text = "DB2";
  else return FailOwn(c, "HY096", "information type out of range: " + std::to_string(infoType));
  if (stringLength) *stringLength = static_cast<SQLSMALLINT>(text.size());
  if (value && bufferLength > 0) {
    size_t n = std::min(text.size(), static_cast<size_t>(bufferLength - 1));
    std::memcpy(value, text.data(), n);
    static_cast<char*>(value)[n] = '\0';
    if (n < text.size()) return c->diags.push_back(Own("01004", "string data, right truncation")), SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

SQLRETURN SQLGetSQLCA(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT, struct sqlca* ca) {
  auto lock = LockFor(hdbc);
  if (!Find<Env>(henv, SQL_HANDLE_ENV)) return SQL_INVALID_HANDLE;
  Dbc* c = Find<Dbc>(hdbc, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (Injected(c, "SQLGetSQLCA")) return SQL_ERROR;
  if (!ca) return FailOwn(c, "HY009", "invalid use of null pointer");
  if (!c->session) return FailOwn(c, "08003", "connection not open");
  FillConnectionCa(c, ca);
  return SQL_SUCCESS;
}

SQLRETURN SQLEndTran(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT completionType) {
  auto lock = LockFor(handle);
  if (handleType != SQL_HANDLE_DBC) return SQL_INVALID_HANDLE;
  Dbc* c = Find<Dbc>(handle, SQL_HANDLE_DBC);
  if (!c) return SQL_INVALID_HANDLE;
  c->diags.clear();
  if (completionType != SQL_COMMIT && completionType != SQL_ROLLBACK)
    return FailOwn(c, "HY012", "invalid transaction operation code");
  if (Injected(c, completionType == SQL_COMMIT ? "SQLEndTran(SQL_COMMIT)" : "SQLEndTran(SQL_ROLLBACK)")) return SQL_ERROR;
  if (!c->session) return FailOwn(c, "08003", "connection not open");
  Error e;
  bool ok = completionType == SQL_COMMIT ? c->session->Commit(e) : c->session->Rollback(e);
  if (!ok) return FailEngine(c, e);
  EndTransaction(c);
  return SQL_SUCCESS;
}

SQLRETURN SQLTransact(SQLHENV henv, SQLHDBC hdbc, SQLUSMALLINT completionType) {
  {
    if (hdbc == SQL_NULL_HDBC) return Find<Env>(henv, SQL_HANDLE_ENV) ? SQL_ERROR : SQL_INVALID_HANDLE;
  }
  return SQLEndTran(SQL_HANDLE_DBC, hdbc, static_cast<SQLSMALLINT>(completionType));
}

SQLRETURN SQLPrepare(SQLHSTMT hstmt, SQLCHAR* text, SQLINTEGER textLength) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (!text) return FailOwn(s, "HY009", "invalid use of null pointer");
  std::string t = Text(text, textLength);
  if (Injected(s, "SQLPrepare", t)) return SQL_ERROR;
  return PrepareText(s, t);
}

SQLRETURN SQLExecute(SQLHSTMT hstmt) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  return ExecutePrepared(s);
}

SQLRETURN SQLExecDirect(SQLHSTMT hstmt, SQLCHAR* text, SQLINTEGER textLength) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (!text) return FailOwn(s, "HY009", "invalid use of null pointer");
  std::string t = Text(text, textLength);
  if (Injected(s, "SQLExecDirect", t)) return SQL_ERROR;
  SQLRETURN rc = PrepareText(s, t);
  if (rc != SQL_SUCCESS) return rc;
  return ExecutePrepared(s);
}

SQLRETURN SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT parameterNumber, SQLSMALLINT inputOutputType,
                           SQLSMALLINT valueType, SQLSMALLINT parameterType, SQLULEN columnSize, SQLSMALLINT,
                           SQLPOINTER parameterValue, SQLLEN bufferLength, SQLLEN* indicator) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (Injected(s, "SQLBindParameter")) return SQL_ERROR;
  if (parameterNumber < 1) return FailOwn(s, "07009", "invalid descriptor index");
  if (inputOutputType != SQL_PARAM_INPUT) return FailOwn(s, "HY105", "invalid parameter type");
  switch (valueType) {
    case SQL_C_CHAR: case SQL_C_LONG: case SQL_C_SHORT: case SQL_C_FLOAT: case SQL_C_DOUBLE: case SQL_C_DATE:
    case SQL_C_TIME: case SQL_C_TIMESTAMP: case SQL_C_BINARY: case SQL_C_SBIGINT: case SQL_C_DBCHAR:
    case SQL_C_ULONG: break;
    default: return FailOwn(s, "HY003", "program type out of range: " + std::to_string(valueType));
  }
  ParamBind b;
  b.ctype = valueType;
  b.sqltype = parameterType;
  b.columnSize = columnSize;
  b.data = parameterValue;
  b.bufferLength = bufferLength;
  b.indicator = indicator;
  s->params[parameterNumber] = b;
  return SQL_SUCCESS;
}

SQLRETURN SQLBindCol(SQLHSTMT hstmt, SQLUSMALLINT columnNumber, SQLSMALLINT targetType, SQLPOINTER targetValue,
                     SQLLEN bufferLength, SQLLEN* indicator) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (Injected(s, "SQLBindCol")) return SQL_ERROR;
  if (columnNumber < 1) return FailOwn(s, "07009", "invalid descriptor index");
  if (bufferLength < 0) return FailOwn(s, "HY090", "invalid string or buffer length");
  if (!targetValue && !indicator) {
    s->cols.erase(columnNumber);
    return SQL_SUCCESS;
  }
  switch (targetType) {
    case SQL_C_CHAR: case SQL_C_LONG: case SQL_C_SHORT: case SQL_C_FLOAT: case SQL_C_DOUBLE: case SQL_C_DATE:
    case SQL_C_TIME: case SQL_C_TIMESTAMP: case SQL_C_BINARY: case SQL_C_SBIGINT: case SQL_C_DBCHAR:
    case SQL_C_ULONG: break;
    default: return FailOwn(s, "HY003", "program type out of range: " + std::to_string(targetType));
  }
  s->cols[columnNumber] = ColBind{targetType, targetValue, bufferLength, indicator};
  return SQL_SUCCESS;
}

SQLRETURN SQLSetStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (Injected(s, "SQLSetStmtAttr")) return SQL_ERROR;
  auto v = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
  switch (attribute) {
    case SQL_ATTR_PARAMSET_SIZE:
      if (v < 1) return FailOwn(s, "HY024", "invalid attribute value");
      s->paramsetSize = v;
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE:
      if (v < 1) return FailOwn(s, "HY024", "invalid attribute value");
      s->rowArraySize = v;
      return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
      s->rowsFetched = static_cast<SQLUINTEGER*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
      s->rowStatus = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
      if (v != SQL_BIND_BY_COLUMN) return FailOwn(s, "HYC00", "only column-wise binding is available");
      return SQL_SUCCESS;
    default:
      return FailOwn(s, "HY092", "option type out of range: " + std::to_string(attribute));
  }
}

SQLRETURN SQLFetch(SQLHSTMT hstmt) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (s->rowsFetched) *s->rowsFetched = 0;
  if (Injected(s, "SQLFetch")) return SQL_ERROR;
  if (!s->cursor) return FailOwn(s, "24000", "invalid cursor state");
  size_t want = s->rowArraySize ? s->rowArraySize : 1;
  size_t got = 0, failedRows = 0;
  bool truncated = false;
  std::vector<Diag> rowDiags;
  for (size_t r = 0; r < want; ++r) {
    sqlengine::Row row;
    Error e;
    if (!s->statement->Next(row, e)) {
      if (e.Has()) {
        if (got == 0) return FailEngine(s, e);
        rowDiags.push_back(FromEngine(e));
      }
      break;
    }
    SQLUSMALLINT status = SQL_ROW_SUCCESS;
    for (const auto& kv : s->cols) {
      size_t k = kv.first - 1u;
      if (k >= row.values.size()) return FailOwn(s, "07009", "invalid descriptor index: column " + std::to_string(kv.first));
      Diag d;
      SQLRETURN rc = ColumnValue(kv.second, r, row.values[k], s->columns[k], d);
      if (rc == SQL_SUCCESS_WITH_INFO) {
        truncated = true;
        if (status == SQL_ROW_SUCCESS) status = SQL_ROW_SUCCESS_WITH_INFO;
      } else if (rc == SQL_ERROR) {
        status = SQL_ROW_ERROR;
        rowDiags.push_back(d);
      }
    }
    if (status == SQL_ROW_ERROR) ++failedRows;
    if (s->rowStatus) s->rowStatus[r] = status;
    ++got;
  }
  if (s->rowStatus)
    for (size_t r = got; r < want; ++r) s->rowStatus[r] = SQL_ROW_NOROW;
  if (s->rowsFetched) *s->rowsFetched = static_cast<SQLUINTEGER>(got);
  if (got == 0) return SQL_NO_DATA;
  if (want == 1 && failedRows == 1) {
    s->diags = rowDiags;
    return SQL_ERROR;
  }
  SQLRETURN rc = SQL_SUCCESS;
  if (failedRows > 0 || (!rowDiags.empty())) {
    s->diags.push_back(Own("01S01", "error in row"));
    for (const auto& d : rowDiags) s->diags.push_back(d);
    rc = SQL_SUCCESS_WITH_INFO;
  }
  if (truncated) {
    s->diags.push_back(Own("01004", "string data, right truncation"));
    rc = SQL_SUCCESS_WITH_INFO;
  }
  return rc;
}

SQLRETURN SQLNumResultCols(SQLHSTMT hstmt, SQLSMALLINT* columnCount) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (!columnCount) return FailOwn(s, "HY009", "invalid use of null pointer");
  if (!s->prepared) return FailOwn(s, "HY010", "function sequence error");
  *columnCount = 0;
  if (!s->statement || !s->statement->IsQuery()) return SQL_SUCCESS;
  if (s->cursor) {
    *columnCount = static_cast<SQLSMALLINT>(s->columns.size());
    return SQL_SUCCESS;
  }
  std::vector<sqlengine::ColumnInfo> cols;
  Error e;
  if (!s->statement->Describe(cols, e)) return FailEngine(s, e);
  *columnCount = static_cast<SQLSMALLINT>(cols.size());
  return SQL_SUCCESS;
}

SQLRETURN SQLRowCount(SQLHSTMT hstmt, SQLLEN* rowCount) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (!rowCount) return FailOwn(s, "HY009", "invalid use of null pointer");
  if (Injected(s, "SQLRowCount")) return SQL_ERROR;
  if (!s->prepared) return FailOwn(s, "HY010", "function sequence error");
  *rowCount = static_cast<SQLLEN>(s->rowCount);
  return SQL_SUCCESS;
}

SQLRETURN SQLMoreResults(SQLHSTMT hstmt) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (Injected(s, "SQLMoreResults")) return SQL_ERROR;
  CloseCursor(s);
  return SQL_NO_DATA;
}

SQLRETURN SQLFreeStmt(SQLHSTMT hstmt, SQLUSMALLINT option) {
  auto lock = LockFor(hstmt);
  Stmt* s = Find<Stmt>(hstmt, SQL_HANDLE_STMT);
  if (!s) return SQL_INVALID_HANDLE;
  s->diags.clear();
  if (Injected(s, "SQLFreeStmt")) return SQL_ERROR;
  switch (option) {
    case SQL_CLOSE: CloseCursor(s); return SQL_SUCCESS;
    case SQL_DROP: return FreeStatement(s);
    case SQL_UNBIND: s->cols.clear(); return SQL_SUCCESS;
    case SQL_RESET_PARAMS: s->params.clear(); return SQL_SUCCESS;
    default: return FailOwn(s, "HY092", "option type out of range");
  }
}

SQLRETURN SQLGetDiagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recordNumber, SQLCHAR* sqlState,
                        SQLINTEGER* nativeError, SQLCHAR* messageText, SQLSMALLINT bufferLength,
                        SQLSMALLINT* textLength) {
  auto lock = LockFor(handle);
  Handle* h = FindAny(handle);
  if (!h || h->type != handleType) return SQL_INVALID_HANDLE;
  if (recordNumber < 1 || bufferLength < 0) return SQL_ERROR;
  if (static_cast<size_t>(recordNumber) > h->diags.size()) return SQL_NO_DATA;
  const Diag& d = h->diags[static_cast<size_t>(recordNumber - 1)];
  if (sqlState) {
    std::memcpy(sqlState, d.state.c_str(), 5);
    sqlState[5] = '\0';
  }
  if (nativeError) *nativeError = d.native;
  if (textLength) *textLength = static_cast<SQLSMALLINT>(std::min<size_t>(d.text.size(), 32767));
  if (messageText && bufferLength > 0) {
    size_t n = std::min(d.text.size(), static_cast<size_t>(bufferLength - 1));
    std::memcpy(messageText, d.text.data(), n);
    messageText[n] = '\0';
    if (n < d.text.size()) return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

// ---- administrative calls ----------------------------------------------------------------------

void sqleatin(const char* nodeName, const char* user, const char* password, struct sqlca* ca) {
  std::lock_guard<std::recursive_mutex> lock(EnvLock());
  if (!ca) return;
  std::string node = Upper(nodeName ? nodeName : "");
  Error e;
  if (Engine::Instance().TakeInjectedFailure("sqleatin", node, e)) return SetCa(ca, -std::abs(e.code), "58004");
  auto srv = FindDatabaseServer(node, e);
  if (!srv && e.Has()) return SetCa(ca, FromEngine(e).native, FromEngine(e).state.c_str());
  if (!srv) return SetCa(ca, -1097, "08001", node);
  if (!srv->CheckPassword(Upper(user ? user : ""), password ? password : "", &e))
    return e.Has() ? SetCa(ca, FromEngine(e).native, FromEngine(e).state.c_str()) : SetCa(ca, -30082, "08001");
  SetCa(ca, 0, "00000");
}

void sqledtin(struct sqlca* ca) { SetCa(ca, 0, "00000"); }

void sqlecrea(const char* databaseName, const char* alias, const char*, struct sqledbdesc* descriptor,
              struct sqledbterritoryinfo*, char, void*, struct sqlca* ca) {
  std::lock_guard<std::recursive_mutex> lock(EnvLock());
  if (!ca) return;
  std::string db = Upper(databaseName ? databaseName : "");
  Error e;
  if (Engine::Instance().TakeInjectedFailure("sqlecrea", db, e)) return SetCa(ca, -std::abs(e.code), "58004");
  if (descriptor && std::memcmp(descriptor->sqldbdid, SQLE_DBDESC_2, 8) != 0) return SetCa(ca, -1062, "58004");
  if (alias && *alias && Upper(alias) != db) return SetCa(ca, -1005, "58004", alias);
  if (db.empty() || db.size() > 8) return SetCa(ca, -1001, "2E000", db);
  auto srv = FindDatabaseServer(db, e);
  if (!srv && e.Has()) return SetCa(ca, FromEngine(e).native, FromEngine(e).state.c_str());
  if (!srv) return SetCa(ca, -1031, "58031", db);  // no place to keep it
  if (srv->UserExists(db)) return SetCa(ca, -1005, "58004", db);
  if (!srv->CreateUser(db, std::string(), false, e)) return SetCa(ca, FromEngine(e).native, "58004");
  SetCa(ca, 0, "00000");
}

int sqlaintp(char* buffer, short bufferSize, short lineWidth, const char*, struct sqlca* ca) {
  if (!buffer || bufferSize <= 0 || !ca) return -1;
  std::string token(ca->sqlerrmc, std::min<size_t>(std::max<SQLSMALLINT>(ca->sqlerrml, 0), sizeof ca->sqlerrmc));
  std::string text = sqlengine::Db2MessageText(ca->sqlcode, token);
  if (text.empty()) {
    buffer[0] = '\0';
    return -1;
  }
  if (lineWidth > 0) {
    std::string wrapped;
    size_t col = 0;
    for (char ch : text) {
      if (col >= static_cast<size_t>(lineWidth) && ch == ' ') {
        wrapped += '\n';
        col = 0;
        continue;
      }
      wrapped += ch;
      ++col;
    }
    text = wrapped + "\n";
  }
  size_t n = std::min(text.size(), static_cast<size_t>(bufferSize - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

}  // extern "C"
