// Maps SQLite failures to the Oracle errors the server would give.
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>

#include "sqlengine.h"
#include "sqlutil.h"

namespace sqlengine {

// ---- error mapping -----------------------------------------------------------------------------------

namespace {

// "2 values for 3 columns", "table T has 3 columns but 2 values were supplied": the two counts.
bool ValueCount(const std::string& msg, long& values, long& columns) {
  size_t p = msg.find(" values for ");
  if (p != std::string::npos && Contains(msg, " columns")) {
    size_t start = msg.find_last_not_of("0123456789", p - 1);
    start = start == std::string::npos ? 0 : start + 1;
    values = std::strtol(msg.c_str() + start, nullptr, 10);
    columns = std::strtol(msg.c_str() + p + 12, nullptr, 10);
    return true;
  }
  p = msg.find(" columns but ");
  if (p != std::string::npos && Contains(msg, " values were supplied")) {
    size_t start = msg.find_last_not_of("0123456789", p - 1);
    start = start == std::string::npos ? 0 : start + 1;
    columns = std::strtol(msg.c_str() + start, nullptr, 10);
    values = std::strtol(msg.c_str() + p + 13, nullptr, 10);
    return true;
  }
  if (Contains(msg, "all VALUES must have the same number of terms")) {
    values = columns = 0;
    return true;
  }
  return false;
}

}  // namespace

// The server's files: a full disk, a file that cannot be written, read or opened, or that is no
// longer a database. ORA-00600 stays for faults of the engine itself.
bool MapFileError(int ext, const std::string& message, bool opening, Error& err) {
  const int primary = ext & 0xFF;
  int32_t code = 0;
  std::string text = message;
  if (primary == SQLITE_FULL) {
    code = 1653;
    text = "the disk that holds the server's files is full: " + message;
  } else if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
    code = 1578;
  } else if (primary == SQLITE_CANTOPEN || primary == SQLITE_PERM ||
             (opening && (primary == SQLITE_READONLY || primary == SQLITE_IOERR))) {
    code = 1116;
  } else if (primary == SQLITE_READONLY) {
    code = 1114;
    text = "a file of the server cannot be written: " + message;
  } else if (primary == SQLITE_IOERR) {
    code = ext == SQLITE_IOERR_READ || ext == SQLITE_IOERR_SHORT_READ ? 1115 : 1114;
  } else {
    return false;
  }
  err.Set(code, text);
  return true;
}

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
  if (MapFileError(ext, msg + Quoted(sql), false, err)) return false;
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
  // Plain user errors in SQLite's words, as the Oracle error a user of the real server sees.
  if (const char* what = std::strstr(msg.c_str(), " has no column named ")) {
    std::string col = UpperText(what + std::strlen(" has no column named "));
    return err.SetText(904, "\"" + col + "\": invalid identifier" + Quoted(sql));
  }
  long values = 0, columns = 0;
  if (ValueCount(msg, values, columns)) return err.Set(values > columns ? 913 : 947, msg + Quoted(sql));
  if (Contains(msg, "sub-select returns") || Contains(msg, "row value misused")) return err.Set(913, msg + Quoted(sql));
  if (Contains(msg, "ESCAPE expression must be a single character")) return err.Set(1425, msg + Quoted(sql));
  if (Contains(msg, "wrong number of arguments to function")) return err.Set(909, msg + Quoted(sql));
  if (Contains(msg, "misuse of aggregate") || Contains(msg, "aggregate functions are not allowed"))
    return err.Set(934, msg + Quoted(sql));
  if (Contains(msg, "ORDER BY term out of range") || Contains(msg, "GROUP BY term out of range"))
    return err.Set(1785, msg + Quoted(sql));
  if (Contains(msg, "do not have the same number of result columns")) return err.Set(1789, msg + Quoted(sql));
  if (Contains(msg, "because it is a view")) return err.Set(1732, msg + Quoted(sql));
  if (Contains(msg, "no tables specified")) return err.Set(923, msg + Quoted(sql));
  if (Contains(msg, "unrecognized token")) return err.Set(911, msg + Quoted(sql));
  if (Contains(msg, "integer overflow")) return err.Set(1426, msg + Quoted(sql));
  if (Contains(msg, "too many columns")) return err.Set(1792, msg + Quoted(sql));
  if (primary == SQLITE_INTERRUPT) return err.Set(1013, msg);
  return err.Set(600, "[sqlite " + std::to_string(ext) + "] " + msg + Quoted(sql));
}

}  // namespace sqlengine
