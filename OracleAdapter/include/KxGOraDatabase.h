// The Oracle database object: one connection to an Oracle server through OCI, and the factory of
// everything per connection (statement handles, type handlers, resource managers ...).
//
// Made by GetDBInst (KxGOraModule.h) or by CloneConnection, unopened. It owns its dialect
// (KxGOraDatabaseInfo), its error object (KxGOraDatabaseError), its statement-handle cache and its
// type-handler manager (made on first use); the trace writer given by SetTrace stays the caller's.
// All OCI handles (environment, error, service context, server, session) are made by the
// constructor and live exactly as long as the object.
//
// When the environment or a handle cannot be made, the object is still built: the failure is kept
// and reported as an error (ErrorCode -6001, a text naming the handle) by the first operation that
// needs the handles (CheckHandles), which then fails. Nothing asserts.
//
// Error reports: ReportError(code, nullptr) treats code as an OCI status; ReportError(code, text)
// stores a gateway error; ReportErrorOra(status, statementText) is the report path of every OCI call
// made for a statement. Each report fills the error object, writes the trace (when set) and tells
// the process-wide listener (KxGOraDatabaseErrorCallback); whatever the listener throws passes out
// of the report, and the object stays usable.
//
// Opening (OpenConnection): attach, log on, then, in an object made by GetDBInst (not in a clone),
// the user check (the database name must be exactly one Oracle user, else -2031) and the character-
// set configuration; then the start-up parameters of the parameter list ("KxSQL_INIT_CMD" only with
// the checks, "KxSQL_OPEN_CMD", "KxSQL_TRACE"); then the server's session id (GetConnectionId). A
// failure after logging on closes the connection again, also when a report throws.
//
// Character sets: the keys "onlyServerUnicode" and "clientUnicode" (unsigned 16-bit) are read from
// the section databases\<logical name of the kernel base>\RelationalObjectGateway, then from the top
// level of the kernel's configuration. When both are found they are taken as they stand; otherwise the
// server's NLS_CHARACTERSET decides (UTF-8 servers: whether the client receives UTF-8 unchanged;
// 7-bit servers: nothing changes; any other: whether CHR(252) reaches the client as one 8-bit byte).
// The result goes into the two PROCESS-WIDE flags of KxGOraTypeHdl::SetUnicodeFlags, which every
// string handler of the process reads: two databases opened in one process whose character sets
// (or configured keys) differ interfere, the last open deciding for both.
//
// Names pasted into SQL: the database (schema) name must be an Oracle identifier of the letters
// A-Z and a-z, the digits and _ $ #, at most the dialect's GetMaxNameLength(KXG_NAME_SCHEMA)
// characters; another name sends no statement (the user check gives -2031, the other operations
// -6191 "Invalid database name: " + name). The client name is written into its literal with every
// single quote doubled.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGCommonDatabase.h"
#include "KxGDatabase.h"
#include "KxGOraDatabaseError.h"
#include "KxString.h"

struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIServer;
struct OCISession;

class KxBase;
class KxParameterList;
class KxGDatabaseTrace;
class KxGOraDatabaseInfo;
class KxGOraTypeHdlMgr;
class KxGStatementHdlCache;

// The gateway version a new database object assumes until SetGatewayVersion.
constexpr int32_t KXG_ORA_DEFAULT_GATEWAY_VERSION = KXG_DEFAULT_GATEWAY_VERSION;

// Server name of a connection to the default local instance.
constexpr const char* KXG_ORA_LOCAL_SERVER = "LOCAL";

class KxGOraDatabase : public KxGCommonDatabase {
public:
    // The construction of GetDBInst: open checks on, names copied (user and database upper-cased,
    // password as given), gateway version 1024, the dialect, the statement cache with capacity
    // GetMaxStatementHandle(database as passed), then the OCI environment (threaded, object mode)
    // and the error, service-context, server and session handles. base and parameters are not owned.
    KxGOraDatabase(const KxString& server, const KxString& database, const KxString& user,
                   const KxString& password, KxBase* base, KxParameterList* parameters);

    // Marks the construction of a clone.
    struct CloneOf {
        const KxGOraDatabase& source;
    };
    // The construction of CloneConnection: open checks off; server, database, user, password,
    // gateway version, parameter list, kernel base and auto-commit copied; connection id 0, no
    // trace, row number 0; the statement cache with the source cache's capacity; handles of its own.
    explicit KxGOraDatabase(CloneOf clone);

    // Deletes the error object, the type-handler manager, the dialect and the statement cache, then
    // frees the session, server, service-context, error and environment handles.
    ~KxGOraDatabase() override;
    KxGOraDatabase(const KxGOraDatabase&) = delete;
    KxGOraDatabase& operator=(const KxGOraDatabase&) = delete;

    // ---- KxGDatabase, in slot order ---------------------------------------------------------
    // The open described at the top. On an open connection: 1, nothing done. A failure before the
    // session is begun is reported and undone (nothing stays attached), also when the report throws.
    uint16_t OpenConnection() override;
    // Frees the cached statements, rolls back, ends the session and detaches; every failure is
    // reported. The session is ended and the server detached also when a report throws; a session or
    // server handle whose end or detach failed is replaced, so that the next open starts clean. On a
    // connection that is not open only the cached statements are freed. The connection id is
    // forgotten, so that the next open reads the id of its own session.
    void CloseConnection() override;
    // Creates the database user named by the database name, logged on as the current user (an
    // administrator): with the site's procedure ROG_CREATE_BASE when the administrator owns one,
    // otherwise CREATE USER (a generated password of 8 to 29 upper-case letters from the system's
    // secure random source) and its grants. log receives the statements executed, each line ending
    // in "\n". On success the object's database name and user become the new user and its password
    // the generated one, so that the next OpenConnection logs on as the new user; on failure the
    // object keeps its names (also when a report throws). The second argument is not used.
    int32_t CreateDatabase(KxString* log, int32_t extra) override;
    // 1; does nothing.
    uint16_t AttachServer() override;
    // Registers the client in the schema's ACTIVECLIENTS. For the client's own connection (pooled 0)
    // first: the lock procedures and triggers must be valid (-6003), and the rows of sessions that no
    // longer exist are removed (one array execution; its failures do not fail the registration; rows
    // with connection id 0, written below version 272, are kept and counted in the trace);
    // from gateway version 272 a local-mode client (localMode 1) needs an empty table and any other
    // client no local-mode client (-2032). Below version 272 only CLIENTID is written (a pool
    // connection then registers nothing); from 272 CLIENTID, CLIENT_NAME (cut to 30 characters),
    // CONNECTION_ID and OPEN_MODE. The client id becomes the connection id, except for a pool
    // connection from 272 on. Committed on success, rolled back on failure (-6002 when the table is
    // missing, whether the count or the insert finds it so). server and exclusive are not used.
    uint16_t RegisterConnection(KxString* server, int32_t* clientId, KxString* clientName, int32_t pooled,
                                int32_t localMode, int32_t exclusive) override;
    // Rolls back open work; with connection id 0 answers 1 and does nothing more. Otherwise deletes
    // the registration (by CLIENTID below version 272, by CONNECTION_ID from 272) and commits.
    uint16_t UnregisterConnection(int32_t clientId) override;
    // OCITransCommit / OCITransRollback of the service context; a failure is reported and answers 0.
    uint16_t CommitConnection() override;
    uint16_t RollbackConnection() override;
    KxGOraDatabaseError* GetError() override;
    // A new KxGOraStatementHdl prepared for the template; null on failure (the error object says why).
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override;
    // Stores the user upper-cased.
    void SetUser(KxString* user) override;
    // A new unopened KxGOraDatabase (CloneOf); null when memory runs out.
    KxGDatabase* CloneConnection() override;
    // A new KxGOraLockService (KxGOraLockService.h) on this connection; null when memory ran out.
    // Its GetCreationError tells whether it can work.
    KxGLockService* CreateLockService(int32_t clientId) override;
    // The name upper-cased. KXG_NAME_TABLE: a gateway table name gives -6190, the database name
    // -6191. KXG_NAME_SCHEMA: a gateway table name and the owners SYSTEM, SYS, SYSMAN and KELVOX
    // give -6191. Otherwise, and for any other mode, 0.
    int32_t CheckTableName(KxString* name, int32_t mode) override;
    // 1 when the user equals the database name.
    uint16_t IsSchemaOwner() override;
    // The known connection id, or the server's session id (USERENV('SESSIONID')), which is then kept.
    // 0 on failure (-2310 when USERENV cannot be read).
    uint16_t GetConnectionId(int32_t* id) override;
    // code with a null message: an OCI status (error record of the error handle, or "Unknown error: "
    // + code); with a message: a gateway error (code, message). Trace record and listener as in
    // KxGOraDatabaseError::ReportStatus / ReportText.
    void ReportError(int32_t code, const char* message) override;
    // Mode 0: 1 without asking the server; otherwise whether "SELECT 1 FROM DUAL" executes.
    uint16_t TestConnectionAlive(int32_t mode) override;
    void SetRowNum(int32_t rows) override;
    int32_t GetRowNum() override;
    // OCIDescriptorAlloc of kind (a LOB locator, kind 50, is then made empty). 0 on success, else the
    // error is reported and its ErrorCode answered.
    int32_t AllocDescriptor(int32_t kind, uintptr_t* handle) override;
    int32_t FreeDescriptor(int16_t kind, uintptr_t handle) override;

    // ---- Oracle's own ---------------------------------------------------------------------------
    // The report path of an OCI call made for a statement: the error record of the error handle,
    // with the statement text as the listener's context.
    virtual void ReportErrorOra(int32_t status, const KxString& statementText);

    // ---- Accessors for the adapter's own classes -----------------------------------------------
    // Non-zero when the environment and every handle were made. Otherwise reports the construction
    // failure (ReportError(-6001, text naming what failed)) and answers 0. Call before using a handle.
    uint16_t CheckHandles();
    // The OCI handles; null when their construction failed.
    OCIEnv* GetEnvironment() const { return environment_; }
    OCIError* GetErrorHandle() const { return errorHandle_; }
    OCISvcCtx* GetServiceContext() const { return serviceContext_; }
    OCIServer* GetServerHandle() const { return serverHandle_; }
    OCISession* GetSessionHandle() const { return sessionHandle_; }
    // 1 in an object made by GetDBInst, 0 in a clone.
    uint16_t GetOpenChecks() const { return openChecks_; }
    KxBase* GetKernelBase() const { return base_; }
    KxParameterList* GetParameterList() const { return parameters_; }
    const KxString& GetServer() const { return server_; }
    // The server's session id once known, else 0.
    int32_t GetKnownConnectionId() const { return connectionId_; }
    // Whether a session is open (OpenConnection succeeded and CloseConnection has not run).
    bool IsOpen() const { return sessionOpen_; }

protected:
    // A KxGOraTypeHdlMgr.
    KxGTypeHdlMgr* MakeTypeHdlMgr() override;
    // A KxGOraTransaction (savepoints, KxGOraTransaction.h).
    KxGResourceMgr* CreateNestedTransaction(KxGTransactionContext* context) override;
    // A KxGOraCompoundStatement.
    KxGResourceMgr* CreateCompoundStatement(KxGTransactionContext* context) override;

private:
    void AllocateHandles();
    void FreeHandles();
    // Frees the session (OCI_HTYPE_SESSION) or server handle and allocates a new one.
    void RenewHandle(uint32_t type);
    uint16_t Report(int32_t status);
    // Closes the connection, swallowing what a report throws (used while an exception unwinds).
    void CloseQuietly();
    // Open steps behind the log-on; each answers non-zero for success.
    uint16_t CheckUser();
    uint16_t ConfigureUnicode();
    uint16_t ProcessStartupParameters();
    // Registration steps.
    uint16_t CheckLockObjects(const KxString& schema);
    void RemoveStaleClients(const KxString& schema);
    // Whether name may be pasted into SQL as an Oracle name (see the top).
    bool IsValidName(const KxString& name);
    // The database name when it is a valid name; otherwise reports -6191 and answers false.
    bool CheckedSchema(KxString& schema);
    // Executes one statement that is not a query on a handle of its own; the execution's flag.
    uint16_t ExecuteText(const KxString& text);

    // OCI handles.
    OCIEnv* environment_ = nullptr;
    OCIError* errorHandle_ = nullptr;
    OCIServer* serverHandle_ = nullptr;
    OCISession* sessionHandle_ = nullptr;
    OCISvcCtx* serviceContext_ = nullptr;
    // Which handle could not be made (null when all were), and the status of the failing call.
    const char* handleFailure_ = nullptr;
    int32_t handleStatus_ = 0;

    uint16_t openChecks_ = 0;
    std::unique_ptr<KxGOraDatabaseError> error_;
    KxParameterList* parameters_ = nullptr;
    int32_t rowNum_ = 0;
    bool attached_ = false;
    bool sessionOpen_ = false;
};
