// Embedded SQL engine: simulated Oracle servers on SQLite.
//
// A server is a directory; every user is a schema whose tables live in two SQLite files of that
// directory (the gateway's LOCKS, ACTIVECLIENTS and SURROGATES in the second one), each with a
// registry of its own objects; users, roles, grants, packages, procedures and sessions live in the
// directory's catalog. A session is one SQLite
// connection in WAL mode with the schema files attached; it has Oracle's transaction behaviour
// (statement-level atomicity, savepoints, implicit commit around DDL).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sqldatetime.h"
#include "sqlerror.h"
#include "sqlrewrite.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_file;

namespace sqlengine {

// The one row of the server view V$VERSION: the server's banner.
inline constexpr char kVersionBanner[] = "Oracle Database 10g Enterprise Edition Release 10.2.0.4.0 - Production";

// ---- Values -----------------------------------------------------------------------------------------

struct Value {
  enum class Type : uint8_t { Null, Integer, Real, Text, Blob };
  Type type = Type::Null;
  int64_t integer = 0;
  double real = 0.0;
  std::string bytes;  // text or blob bytes

  static Value Null() { return Value(); }
  static Value Integer(int64_t v) { Value x; x.type = Type::Integer; x.integer = v; return x; }
  static Value Real(double v) { Value x; x.type = Type::Real; x.real = v; return x; }
  static Value Text(std::string v) { Value x; x.type = Type::Text; x.bytes = std::move(v); return x; }
  static Value Blob(std::string v) { Value x; x.type = Type::Blob; x.bytes = std::move(v); return x; }
  bool IsNull() const { return type == Type::Null; }
};

// One bind position: a scalar, or a PL/SQL index table (elements 1..n).
struct Param {
  Value value;
  bool isArray = false;
  std::vector<Value> elements;
};

// The row and column behind a LOB locator.
struct LobRef {
  std::string file;    // attach alias as FileAlias gives it
  std::string table;
  std::string column;
  int64_t rowid = 0;
};

struct ColumnInfo {
  std::string name;        // the Oracle name (upper case unless quoted)
  std::string declType;    // declared type of the source column, empty for expressions
  uint16_t dataType = 1;   // Oracle type: 1 VARCHAR2, 2 NUMBER, 8 LONG, 12 DATE, 23 RAW, 24 LONG RAW, 96 CHAR, 113 BLOB
  uint32_t dataSize = 0;   // declared length, 22 for numbers, 7 for dates
  bool locatable = false;  // a BLOB column whose rows carry their row id
  LobRef origin;           // its file, table and column (row id per row)
};

// The rows of a query read completely (Statement::Run); OCI fetches through a cursor instead.
struct ResultSet {
  std::vector<ColumnInfo> columns;
  std::vector<std::vector<Value>> rows;
  std::vector<int64_t> rowids;  // one per row when a column is locatable
};

// One row of an open cursor.
struct Row {
  std::vector<Value> values;
  int64_t rowid = 0;  // the row id of the row when a column is locatable
};

struct Outcome {
  int64_t affected = 0;  // rows inserted, changed or deleted; 1 after a procedure call
  bool isQuery = false;
  ResultSet result;
  Error warning;         // success with information (a procedure created with compilation errors)
};

class Server;
class Session;
class KeptStatements;
class Statement;

// One row of binds written straight into a prepared DML statement (Statement::RunRows), without
// Value objects: slot k is the caller's bind k. Text and blobs are not copied: they must stay where
// they are until the row has run. A value that SQLite refuses is answered after the row's binder.
class RowBinds {
 public:
  void Integer(size_t slot, int64_t v);
  void Real(size_t slot, double v);
  void Text(size_t slot, const char* data, size_t size);
  void Set(size_t slot, const Value& v);

 private:
  friend class Statement;
  explicit RowBinds(sqlite3_stmt* st) : st_(st) {}
  void Note(int rc) {
    if (rc != 0 && rc_ == 0) rc_ = rc;
  }
  sqlite3_stmt* st_;
  // The SQLite positions (1-based) of each slot, in one list: slot k's are first_[k]..first_[k+1].
  std::vector<int> positions_;
  std::vector<size_t> first_;
  int rc_ = 0;
};

// One row of an open cursor read where SQLite (or the cursor's rows read ahead) hold it, valid until
// the cursor moves (Statement::NextCells).
struct Cell {
  Value::Type type = Value::Type::Null;
  int64_t integer = 0;
  double real = 0.0;
  const char* data = nullptr;  // text or blob bytes
  size_t size = 0;
};

// ---- Engine (process-wide registry and fixture controls) ---------------------------------------------

class Engine {
 public:
  static Engine& Instance();

  // Registers a server name for a directory (created when missing). "LOCAL" and the empty name are
  // the default server. Registering a name again replaces the registration.
  std::shared_ptr<Server> RegisterServer(const std::string& name, const std::string& directory, Error* err = nullptr);
  void UnregisterServer(const std::string& name);
  std::shared_ptr<Server> FindServer(const std::string& name) const;

  // "Fail the next call X with native code N": the next TakeInjectedFailure for `call` (whose
  // statement text contains `textContains`, when given) answers the error instead of running.
  void InjectFailure(const std::string& call, int32_t code, const std::string& textContains = std::string());
  // As InjectFailure, but the failure is answered by the (skip + 1)th matching call; a call name
  // ending in "*" matches every call that starts with the rest ("OCI*": any OCI function).
  void InjectFailureAfter(const std::string& call, int32_t code, uint32_t skip,
                          const std::string& textContains = std::string());
  // Injected failures not answered yet.
  size_t PendingInjectedFailures() const;
  bool TakeInjectedFailure(const std::string& call, const std::string& text, Error& err);
  // Whether any injected failure waits (a look without the lock, for the calls that ask on every run).
  bool HasInjectedFailures() const { return injected_.load(std::memory_order_acquire) != 0; }
  void ClearInjectedFailures();

  // How long a session waits for a schema file that another session is writing (default 1000 ms).
  void SetBusyTimeout(int32_t ms);
  int32_t BusyTimeout() const;

  // Fixture control: from now on the disk that holds `directory` is full (or has room again): every
  // write into a file of it fails (SQLite's SQLITE_FULL, the server's "unable to extend"); reads
  // go on.
  void SetDiskFull(const std::string& directory, bool full);

  // Whether a commit survives a power failure (true, the default: every commit of a schema file or
  // a catalog is synced, SQLite's synchronous=FULL) or only a crash of the process (false:
  // synchronous=NORMAL, for test suites). Applies to connections opened afterwards.
  void SetDurableCommits(bool durable);
  bool DurableCommits() const;
  // The SQLite synchronous mode that DurableCommits() stands for: "FULL" or "NORMAL".
  const char* SynchronousMode() const;

 private:
  Engine() = default;
  struct Injection {
    std::string call;
    int32_t code;
    std::string contains;
    uint32_t skip = 0;
  };
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Server>> servers_;
  std::vector<Injection> injections_;
  std::atomic<size_t> injected_{0};  // injections_.size()
  int32_t busyTimeout_ = 1000;
  bool durable_ = true;
};

// ---- Server ------------------------------------------------------------------------------------------

struct ObjectRow {
  int64_t id = 0;
  std::string owner, name, type, status, file, table, physical, body;
};

struct SessionRow {
  int64_t audsid = 0;
  std::string user;
  std::string status;
};

class Server {
 public:
  using SiteProcedure = std::function<bool(Server& server, const std::string& name, const std::string& password, Error& err)>;

  Server(std::string name, std::string directory);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Directory() const { return dir_; }
  bool Open(Error& err);

  // -- fixture controls --
  // Creates a user with its schema (a DBA may create users, roles and objects in any schema).
  bool AddUser(const std::string& user, const std::string& password, bool dba = false, Error* err = nullptr);
  void SetCharacterSet(const std::string& nlsCharacterSet);   // default AL32UTF8
  std::string CharacterSet() const;
  // Whether the client converts characters between the database character set and its own (an
  // 8-bit client of a Unicode database, or a UTF-8 client of an 8-bit database).
  void SetClientConverts(bool converts);
  bool ClientConverts() const;
  void SetNextSessionId(int64_t id);
  // A session of another client, listed in V$SESSION (status ACTIVE, INACTIVE or KILLED).
  void AddForeignSession(int64_t audsid, const std::string& user, const std::string& status = "INACTIVE");
  void RemoveForeignSession(int64_t audsid);
  // Marks a registered object (procedure, package, trigger ...) of `owner` INVALID.
  bool MarkInvalid(const std::string& owner, const std::string& name, Error* err = nullptr);
  // The site's database creation procedure ROG_CREATE_BASE, owned by `owner`.
  void RegisterSiteProcedure(const std::string& owner, SiteProcedure procedure);

  // -- catalog (used by sessions; public for tests) --
  // False for an unknown user; when the catalog cannot be read, false with the error in *err (when
  // given).
  bool UserExists(const std::string& user, Error* err = nullptr);
  bool RoleExists(const std::string& role);
  // False for an unknown user or a wrong password; when the catalog cannot be read, false with the
  // error in *err (when given).
  bool CheckPassword(const std::string& user, const std::string& password, Error* err = nullptr);
  bool IsDba(const std::string& user);
  int64_t Generation(const std::string& user);  // 0 when the user does not exist
  // Counts the catalog rows this server has changed (any user, grant or object entry): a
  // generation read earlier is still current while this number and the reader's transaction stay.
  int64_t CatalogChanges();
  // A number that changes whenever the catalog changed since it was last asked, by this server or
  // by another process (SQLite's data version of the catalog): what a session learnt of the catalog
  // (users and their generations) is current while it stays.
  int64_t CatalogVersion();
  // Counts the DDL statements that sessions of this server ran in this process.
  int64_t DdlCount() const { return ddlCount_.load(); }
  void NoteDdl() { ++ddlCount_; }
  // Path of a user's schema file (the second one when `aux`); empty when the user does not exist.
  // File names come from the catalog, never from the user name alone: "<generation>_<name>.db",
  // where <name> keeps only ASCII letters, digits and '_' of the user name (a decoration).
  std::string SchemaFile(const std::string& user, bool aux) const;
  std::vector<std::string> Users();
  bool CreateUser(const std::string& user, const std::string& password, bool dba, Error& err);
  bool SetPassword(const std::string& user, const std::string& password, Error& err);
  bool DropUser(const std::string& user, Error& err);
  bool CreateRole(const std::string& role, const std::string& creator, Error& err);
  bool DropRole(const std::string& role, Error& err);
  bool GrantRole(const std::string& grantee, const std::string& role, Error& err);
  bool GrantSystem(const std::string& grantee, const std::string& privilege, Error& err);
  bool GrantObject(const std::string& grantee, const std::string& owner, const std::string& object,
                   const std::string& privilege, Error& err);
  bool HasSystemPrivilege(const std::string& user, const std::string& privilege);
  bool HoldsRole(const std::string& user, const std::string& role);
  // 2: the user holds `privilege` on the object; 1: only other privileges; 0: none.
  int ObjectPrivilege(const std::string& user, const std::string& owner, const std::string& object,
                      const std::string& privilege);
  // Objects without a schema-file presence (packages, procedures) live in the catalog.
  bool RecordObject(const ObjectRow& row, Error& err);
  bool RemoveObject(const std::string& owner, const std::string& name, const std::string& type, Error* err = nullptr);
  // Removes the object grants on owner.object (a dropped table or view, or a name about to be used
  // by a new one).
  bool ClearGrants(const std::string& owner, const std::string& object, Error& err);
  // Tables, views, indexes and triggers are listed in a registry table inside the schema file that
  // holds them; DDL writes it on the session's connection in the transaction of the DDL itself, so
  // that the server views always agree with the files. `fileAlias` is the attach name of the file.
  static bool RegisterFileObject(sqlite3* db, const std::string& fileAlias, const ObjectRow& row, Error& err,
                                 KeptStatements* kept = nullptr);
  static bool UnregisterFileObject(sqlite3* db, const std::string& fileAlias, const std::string& owner,
                                   const std::string& name, const std::string& type, Error& err);
  // Unregisters a table with its indexes and triggers. Every write of the catalog or a registry can
  // be made to fail with Engine::InjectFailure("CatalogWrite", code, text), where the text is
  // "OBJECT <owner>.<name>", "GRANTS <owner>.<name>" or "USER <name>".
  static bool UnregisterTable(sqlite3* db, const std::string& fileAlias, const std::string& owner,
                              const std::string& table, Error& err);
  // All objects: the catalog's and the registries of every schema file.
  bool FindObject(const std::string& owner, const std::string& name, const std::string& type, ObjectRow& row);
  bool FindObjectAnyType(const std::string& owner, const std::string& name, ObjectRow& row);
  std::vector<ObjectRow> Objects();
  int64_t AllocateSessionId(const std::string& user);
  void EndSession(int64_t audsid);
  std::vector<SessionRow> Sessions();
  bool CallSiteProcedure(const std::string& name, const std::string& password, Error& err);
  bool HasSiteProcedure();

 private:
  bool Exec(const char* sql, Error* err = nullptr);
  bool CatalogFault(const std::string& what, Error& err);
  bool CreateSchemaFile(const std::string& path, Error& err);
  sqlite3* FileConnection(const std::string& path);
  void CloseFileConnection(const std::string& path);
  // Registry rows of every schema file, filtered when `owner`/`name`/`type` are not empty.
  std::vector<ObjectRow> FileObjects(const std::string& owner, const std::string& name, const std::string& type);
  std::string name_, dir_;
  mutable std::recursive_mutex mutex_;
  sqlite3* catalog_ = nullptr;
  sqlite3_stmt* generationQuery_ = nullptr;  // Generation's query, asked for every statement execution
  sqlite3_stmt* dataVersionQuery_ = nullptr;  // CatalogVersion's: PRAGMA data_version
  std::unique_ptr<KeptStatements> kept_;       // the catalog look-ups of every statement and DDL
  int64_t seenDataVersion_ = -1, seenChanges_ = -1, catalogVersion_ = 0;
  unsigned char seenHeader_[48] = {};  // CatalogVersion's last reading of the catalog's WAL index header
  bool seenHeaderValid_ = false;
  sqlite3_file* catalogFile_ = nullptr;  // the catalog connection's main file, for CatalogVersion
  std::atomic<int64_t> ddlCount_{0};
  std::map<std::string, sqlite3*> files_;  // registry connections by path
  std::string charset_ = "AL32UTF8";
  bool clientConverts_ = false;
  SiteProcedure siteProcedure_;
};

// ---- Session -----------------------------------------------------------------------------------------

class Session : public RewriteContext, public std::enable_shared_from_this<Session> {
 public:
  // Logs `user` on to `server` (ORA-01017 for an unknown user or a wrong password).
  static std::shared_ptr<Session> Begin(const std::shared_ptr<Server>& server, const std::string& user,
                                        const std::string& password, Error& err);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Rolls back open work and closes the connection; later calls answer ORA-03114.
  void End();
  bool IsOpen() const { return db_ != nullptr; }
  int64_t Id() const { return id_; }
  Server& GetServer() const { return *server_; }

  bool Commit(Error& err);
  bool Rollback(Error& err);
  bool InTransaction() const;

  // Rewrites and checks one statement (a text with a NUL byte gives ORA-00911); the returned
  // statement runs on this session and keeps it alive. The statement keeps its rewrite and its
  // prepared SQLite statement for every later run.
  std::unique_ptr<Statement> Prepare(const std::string& sql, Error& err);

  // The synchronous level (0 OFF, 1 NORMAL, 2 FULL, 3 EXTRA) of the session user's schema file.
  int32_t SynchronousLevel() const;

  // The rows that the session's cursors hold in memory, read ahead before the session changed
  // something (see Statement).
  size_t HeldRows() const;

  bool LobRead(const LobRef& ref, std::string& data, Error& err);
  bool LobWrite(const LobRef& ref, const std::string& data, Error& err);

  // Character conversion between the database and the client (identity unless the server's
  // client-conversion flag is set).
  std::string ToClient(const std::string& dbText) const;
  std::string FromClient(const std::string& clientText) const;

  // RewriteContext
  std::string User() const override { return user_; }
  bool IsSchema(const std::string& upperName) const override;
  bool IndexColumns(const std::string& fileAlias, const std::string& index, std::vector<IndexColumn>& cols) const override;
  std::vector<std::string> IndexesWithColumn(const std::string& fileAlias, const std::string& table,
                                             const std::string& column) const override;
  bool LocateObject(const std::string& owner, const std::string& name, const std::string& type,
                    std::string& fileAlias, std::string& table) const override;
  int HasColumn(const std::string& fileAlias, const std::string& table, const std::string& column) const override;

 private:
  friend class Statement;
  Session(std::shared_ptr<Server> server, std::string user);

  bool Configure(Error& err);
  bool Attach(const std::vector<std::string>& schemas, Error& err);
  // Runs one SQLite statement (a text of more than one gives ORA-00911). Open cursors are read
  // into memory first (see Quiesce).
  bool Exec(const std::string& sql, Error& err);
  bool BeginWrite(Error& err);
  bool RunStatementSql(const std::string& sql, const std::string& oracleSql, const std::vector<Param>& params,
                       bool update, int64_t& changes, Error& err);
  bool RefreshViews(const std::vector<std::string>& views, Error& err);
  bool CheckUses(const Rewritten& rw, const std::string& oracleSql, Error& err);
  bool RewriteAndAttach(const std::string& sql, Rewritten& rw, Error& err);
  // Before the session changes anything (a write, commit, rollback, DDL, a detach): every cursor
  // that still reads from SQLite reads its remaining rows into memory and lets its SQLite
  // statement go, so that it goes on delivering the rows as of its execution.
  void Quiesce();
  // Before a query opens: the cursors that stream keep streaming (the new query reads the same
  // snapshot) unless a session of this process committed since that snapshot was taken; then they
  // read ahead (Quiesce), so that the query sees what was committed.
  void BeforeQuery();

  // The rewrite of a statement text, kept for every later statement of the same text (or of a
  // text that differs only in its literals, see TakeLiterals) while the session's epoch, the
  // catalog and the DDL of the server's sessions stay; with the prepared SQLite statements that
  // ended statements of it leave behind for the next.
  struct Form {
    std::string text;                 // the text rewritten
    std::vector<int32_t> slots;       // LiteralForm::slots; empty when the text has no literals taken
    std::shared_ptr<const Rewritten> rw;
    int64_t epoch = 0, catalog = 0, ddl = 0, lastUse = 0;
    bool retired = false;             // no longer kept by the session
    struct Idle {
      sqlite3_stmt* stmt;
      bool hidden;
      std::vector<ColumnInfo> columns;
    };
    std::vector<Idle> idle;
  };
  std::shared_ptr<Form> ObtainForm(const std::string& text, const std::vector<int32_t>& slots,
                                   const std::string& original, Error& err);
  void Retire(Form& form);
  // Reads the catalog's version (once per statement preparation or execution): what the session
  // keeps of the catalog is dropped when it moved.
  void SyncCatalog();
  std::map<std::string, std::shared_ptr<Form>> forms_;
  int64_t formUse_ = 0;
  int64_t catalogVersion_ = -1;
  int64_t snapshotCommits_ = 0;   // commits of the process when the streaming cursors' snapshot began

  std::shared_ptr<Server> server_;
  std::string user_;
  int64_t id_ = 0;
  sqlite3* db_ = nullptr;
  std::map<std::string, int64_t> attached_;  // schema -> generation of its files
  int64_t useCounter_ = 0;
  std::map<std::string, int64_t> lastUse_;
  int64_t epoch_ = 0;                      // counts this session's DDL and attach changes
  std::vector<Statement*> statements_;     // every live statement of the session
  size_t streaming_ = 0;                   // cursors that read from SQLite right now
  // The savepoints set in the transaction, oldest first (stale once it ended: then emptied). As
  // Oracle's transaction, the session's SQLite transaction begins with its first change, never
  // with a savepoint: savepoints set before it are kept here and set in SQLite by BeginWrite, so
  // that nothing the session reads before its first change holds a snapshot of a file it will
  // write (a writer that already reads a file cannot wait for another writer of it).
  std::vector<std::string> savepoints_;
  size_t savepointsSet_ = 0;        // the first savepointsSet_ of them are SQLite savepoints
  int64_t savepointsSerial_ = 0;    // txnSerial_ when they were valid
  // Empties the savepoints when the transaction they belong to has ended.
  void ForgetEndedSavepoints();
  bool SetSavepoint(const std::string& name, Error& err);
  bool RollbackToSavepoint(const std::string& name, Error& err);
  // Generations read during the open transaction (a statement's files are checked against them);
  // valid while the transaction (txnSerial_, bumped by every commit and rollback) and the server's
  // catalog change count stay the same.
  int64_t CachedGeneration(const std::string& schema) const;
  // Savepoint statements (SAVEPOINT, RELEASE) prepared once by Exec, by their text (a few only).
  std::map<std::string, sqlite3_stmt*> savepointStatements_;
  std::unique_ptr<KeptStatements> kept_;  // the registry writes of DDL
  int64_t txnSerial_ = 0;
  mutable int64_t generationsSerial_ = -1;
  mutable int64_t generationsChanges_ = -1;
  mutable std::map<std::string, int64_t> generations_;
};

// One prepared statement of a session. It keeps its rewrite and its prepared SQLite statement
// across runs; after DDL of its session or a change of the attached files it rewrites itself again,
// and SQLite prepares its statement again when another session changed the schema.
//
// A query is a cursor: Open runs it (it reads the first row, which fixes what it sees) and Next
// delivers the rows one by one as SQLite produces them. Before its session writes, commits, rolls
// back or runs DDL, an open cursor reads its remaining rows into memory, so that it survives all of
// these with the rows as of its execution, as Oracle's read consistency has it. Another query of
// the session leaves it streaming, unless a session committed since its snapshot began (see
// Session::BeforeQuery).
class Statement {
 public:
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  StatementKind Kind() const { return rw_->kind; }
  bool IsQuery() const { return rw_->kind == StatementKind::Select; }
  int32_t Placeholders() const { return rw_->placeholders; }
  const Rewritten& Rewrite() const { return *rw_; }
  // Column descriptions of a query without running it.
  bool Describe(std::vector<ColumnInfo>& cols, Error& err);
  // Runs the statement once with one row of binds (a query is read completely into out.result).
  // A failing DML statement leaves no trace of its own; work done before it stays. DDL commits the
  // open transaction first.
  bool Run(const std::vector<Param>& params, Outcome& out, Error& err);
  // Runs a DML statement once per row of binds, `bind(r, params, err)` filling row r; stops at the
  // first failing row (which leaves no trace) with `done` rows run and `affected` rows changed.
  using RowBinder = std::function<bool(size_t row, std::vector<Param>& params, Error& err)>;
  bool RunRows(size_t rows, const RowBinder& bind, int64_t& done, int64_t& affected, Error& err);
  // The same with each row bound straight into the prepared statement; `slots`: the caller's binds.
  using DirectBinder = std::function<bool(size_t row, RowBinds& binds, Error& err)>;
  bool RunRows(size_t rows, size_t slots, const DirectBinder& bind, int64_t& done, int64_t& affected, Error& err);

  // Opens the cursor of a query with one row of binds (an open one is closed first).
  bool Open(const std::vector<Param>& params, Error& err);
  // The columns of the open cursor (expressions typed by its first row).
  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  // The next row: true with a row; false at the end (err clear) or on a failure (err set).
  bool Next(Row& row, Error& err);
  // The same without copying the row: Cells(i) reads column i of it, RowId() its row id.
  bool NextCells(Error& err);
  Cell Cells(size_t column) const;
  int64_t RowId() const;
  void Close();
  bool CursorOpen() const { return open_; }

 private:
  friend class Session;
  Statement(Session& s, std::string sql, std::shared_ptr<Session::Form> form, std::vector<Value> literals);
  bool Ready(Error& err);
  bool PrepareSqlite(Error& err);
  bool BindParams(sqlite3_stmt* st, const std::vector<Param>& params, Error& err);
  bool RunDml(const std::vector<Param>& params, int64_t& affected, Error& err);
  // RunRows's start: the counts zeroed, a DML statement checked, the cursor closed, the statement ready.
  bool StartRows(int64_t& done, int64_t& affected, Error& err);
  bool Step(Error& err);
  void ReadRow(Row& row) const;
  void Drain();
  void Release();
  void StopStreaming();
  bool RunDdl(Outcome& out, Error& err);
  bool RunIntercepted(const std::vector<Param>& params, Outcome& out, Error& err);
  bool AcquireLock(const std::vector<Param>& params, Outcome& out, Error& err);
  bool SiteProcedure(const std::vector<Param>& params, Outcome& out, Error& err);
  Session& session_;
  std::shared_ptr<Session> keep_;  // the session lives as long as its statements
  std::string sql_;                // the statement's text, as the caller gave it
  std::shared_ptr<Session::Form> form_;
  std::shared_ptr<const Rewritten> rw_;  // form_->rw
  std::vector<Value> literals_;    // the literals taken out of sql_ (form_->slots)
  int64_t epoch_ = 0;              // the session epoch of the rewrite
  bool fresh_ = false;             // not run since Session::Prepare checked its files
  sqlite3_stmt* stmt_ = nullptr;   // rw_.sql[0] (or rw_.rowidSql) prepared once
  bool hidden_ = false;            // the row id is selected as the last column
  std::vector<ColumnInfo> columns_;
  // cursor
  bool open_ = false;
  bool streaming_ = false;         // stmt_ still produces rows
  bool pending_ = false;           // stmt_ holds a row not delivered yet
  std::vector<Row> buffer_;        // rows read ahead when the session changed something
  Row current_;                    // NextCells's row when it came from buffer_
  bool currentBuffered_ = false;   // NextCells's row is current_ (else the SQLite statement's row)
  size_t next_ = 0;                // next row of buffer_
  Error failure_;                  // a failure met while reading ahead, answered in its place
};

// Registers the engine's SQL functions (TO_DATE, TO_CHAR, TRUNC, ROUND, RPAD, SUBSTR, RTRIM,
// REPLACE, CHR, ASCII, USERENV, ORA_USER, EMPTY_BLOB) on a connection of `session`.
bool RegisterFunctions(sqlite3* db, Session* session, Error& err);

// Maps a SQLite failure of `db` to the Oracle error that the server would give.
bool MapSqliteError(sqlite3* db, int rc, const std::string& oracleSql, bool update, Error& err);
// When the SQLite failure `ext` (an extended code) is one of the server's files (a full disk, a
// file that cannot be written, read or opened, a damaged file), sets the server's error for it
// (ORA-01653, 01114, 01115, 01116, 01578) and answers true; `opening`: the file was being opened, so
// that any I/O failure is one of opening it. False for any other failure.
bool MapFileError(int ext, const std::string& message, bool opening, Error& err);

}  // namespace sqlengine
