// Handle structures of the DB2 call-level interface stand-in (internal).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "db2cli.h"
#include "sqlengine.h"

namespace db2standin {

// One diagnostic record.
struct Diag {
  std::string state;   // five characters
  int32_t native = 0;  // SQLCODE (0 for the interface's own warnings)
  std::string text;
};

// The SQLCODE and SQLSTATE that DB2 gives for an engine error.
Diag FromEngine(const sqlengine::Error& err);
// The diagnostic of an SQLCODE (the first SQLSTATE that DB2 gives with it).
Diag FromSqlcode(int32_t sqlcode, const std::string& text);
// A diagnostic made by the interface itself (native code -99999 for errors, 0 for warnings).
Diag Own(const char* state, const std::string& text);

struct Handle {
  SQLSMALLINT type = 0;
  SQLHANDLE number = 0;
  std::vector<Diag> diags;
  virtual ~Handle() = default;
};

struct Env : Handle {};

struct Stmt;

struct Dbc : Handle {
  std::recursive_mutex mutex;  // held by every call on the connection or its statements
  SQLHENV env = 0;
  bool autocommit = true;
  bool noscan = false;
  std::string database;
  std::shared_ptr<sqlengine::Session> session;
  std::set<SQLHSTMT> statements;
  std::vector<std::string> savepoints;  // DB2 savepoints of the open transaction, oldest first
};

struct ParamBind {
  SQLSMALLINT ctype = 0;
  SQLSMALLINT sqltype = 0;
  SQLULEN columnSize = 0;
  SQLPOINTER data = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
};

struct ColBind {
  SQLSMALLINT ctype = 0;
  SQLPOINTER data = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
  SQLHDBC dbc = 0;
  std::string text;                            // as the caller gave it
  std::string intercepted;                     // RELEASE / SAVEPOINT handled by the interface
  std::unique_ptr<sqlengine::Statement> statement;
  bool prepared = false;
  std::map<SQLUSMALLINT, ParamBind> params;
  std::map<SQLUSMALLINT, ColBind> cols;
  SQLULEN paramsetSize = 1;
  SQLULEN rowArraySize = 1;
  SQLUINTEGER* rowsFetched = nullptr;
  SQLUSMALLINT* rowStatus = nullptr;
  bool cursor = false;
  int64_t rowCount = -1;
  std::vector<sqlengine::ColumnInfo> columns;
};

// The size of one element of a C type in a column-wise array (0: the buffer length).
size_t ElementSize(SQLSMALLINT ctype);
// A bound parameter value of row `row` as an engine value; false with a diagnostic.
bool ParamValue(const ParamBind& b, size_t row, sqlengine::Value& out, Diag& diag);
// Writes a fetched value into slot `row` of a bound column. Returns SQL_SUCCESS, SQL_SUCCESS_WITH_INFO
// (01004, truncated) or SQL_ERROR (diag set).
SQLRETURN ColumnValue(const ColBind& b, size_t row, const sqlengine::Value& v, const sqlengine::ColumnInfo& col,
                      Diag& diag);

}  // namespace db2standin
