// Small helpers around the SQLite C API (internal).
#pragma once

#include <sqlite3.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <string>

namespace sqlengine {

// True when `tail` holds nothing but white space and comments.
inline bool BlankTail(const char* p, const char* end) {
  while (p < end) {
    if (std::isspace(static_cast<unsigned char>(*p))) {
      ++p;
    } else if (end - p >= 2 && p[0] == '-' && p[1] == '-') {
      while (p < end && *p != '\n') ++p;
    } else if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
      p += 2;
      while (end - p >= 2 && !(p[0] == '*' && p[1] == '/')) ++p;
      if (end - p < 2) return false;
      p += 2;
    } else {
      return false;
    }
  }
  return true;
}

// SQLITE_ERROR code of PrepareSingle for a text that is more than one statement (or holds a NUL).
constexpr int kMoreThanOneStatement = -1;

// Prepares `sql` as exactly one SQLite statement: whatever SQLite leaves unread after it (a second
// statement, or anything behind a NUL byte) must be blank, otherwise nothing is prepared and the
// answer is kMoreThanOneStatement. *st stays null for a text without a statement.
inline int PrepareSingle(sqlite3* db, const std::string& sql, unsigned flags, sqlite3_stmt** st) {
  *st = nullptr;
  const char* begin = sql.c_str();
  const char* end = begin + sql.size();
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db, begin, static_cast<int>(sql.size()) + 1, flags, st, &tail);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(*st);
    *st = nullptr;
    return rc;
  }
  if (!tail || tail > end || !BlankTail(tail, end)) {
    sqlite3_finalize(*st);
    *st = nullptr;
    return kMoreThanOneStatement;
  }
  return SQLITE_OK;
}

// Statements of a connection prepared once, by their text: for the few bookkeeping texts that a
// connection runs over and over (SQLite prepares them again by itself after a schema change).
// Cleared before the connection closes.
class KeptStatements {
 public:
  KeptStatements() = default;
  KeptStatements(const KeptStatements&) = delete;
  KeptStatements& operator=(const KeptStatements&) = delete;
  ~KeptStatements() { Clear(); }
  // The statement for `sql` (null when it cannot be prepared, with the code in *rc).
  sqlite3_stmt* Get(sqlite3* db, const std::string& sql, int* rc) {
    auto it = kept_.find(sql);
    if (it != kept_.end()) return it->second;
    sqlite3_stmt* st = nullptr;
    *rc = PrepareSingle(db, sql, SQLITE_PREPARE_PERSISTENT, &st);
    if (*rc == kMoreThanOneStatement) *rc = SQLITE_ERROR;
    if (*rc != SQLITE_OK || !st) {
      sqlite3_finalize(st);
      return nullptr;
    }
    kept_.emplace(sql, st);
    return st;
  }
  void Clear() {
    for (auto& k : kept_) sqlite3_finalize(k.second);
    kept_.clear();
  }

 private:
  std::map<std::string, sqlite3_stmt*> kept_;
};

class Query {
 public:
  Query(sqlite3* db, const std::string& sql) : db_(db) {
    rc_ = PrepareSingle(db, sql, 0, &st_);
    if (rc_ == kMoreThanOneStatement) rc_ = SQLITE_ERROR;
  }
  // A statement of `kept`: borrowed, and reset for its next use at the end.
  Query(sqlite3* db, const std::string& sql, KeptStatements& kept) : db_(db), borrowed_(true) {
    st_ = kept.Get(db, sql, &rc_);
  }
  ~Query() {
    if (!borrowed_) {
      sqlite3_finalize(st_);
    } else if (st_) {
      sqlite3_reset(st_);
      sqlite3_clear_bindings(st_);
    }
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Bind(const std::string& v) {
    sqlite3_bind_text(st_, ++index_, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Query& Bind(const char* v) { return Bind(std::string(v)); }
  Query& Bind(int64_t v) {
    sqlite3_bind_int64(st_, ++index_, v);
    return *this;
  }
  Query& Bind(int v) { return Bind(static_cast<int64_t>(v)); }
  // True when a row is available.
  bool Step() {
    if (!st_) return false;
    rc_ = sqlite3_step(st_);
    return rc_ == SQLITE_ROW;
  }
  // Runs to the end; true on success.
  bool Run() {
    while (Step()) {
    }
    return rc_ == SQLITE_DONE;
  }
  bool Prepared() const { return st_ != nullptr; }
  int Rc() const { return rc_; }
  std::string Text(int col) const {
    const unsigned char* p = sqlite3_column_text(st_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col))) : std::string();
  }
  int64_t Int(int col) const { return sqlite3_column_int64(st_, col); }
  bool IsNull(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
  sqlite3_stmt* Handle() const { return st_; }

 private:
  sqlite3* db_;
  bool borrowed_ = false;
  sqlite3_stmt* st_ = nullptr;
  int rc_ = SQLITE_OK;
  int index_ = 0;
};

inline std::string UpperText(const std::string& s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

inline bool Contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

// " in "<text>"", appended to error messages that name the statement.
inline std::string Quoted(const std::string& sql) { return " in \"" + sql + "\""; }


struct Value;
// Binds one value to a SQLite statement parameter (1-based).
int BindValue(sqlite3_stmt* st, int index, const Value& v);

}  // namespace sqlengine
