// The DB2 database object: one connection to a DB2 database through the call-level interface, and the
// factory of everything per connection (statement handles, type handlers, resource managers ...).
//
// Made by GetDBInst (KxGDB2Module.h) or CloneConnection, unconnected; nothing of the CLI is touched
// until OpenConnection, which allocates its connection handle on the process-wide environment. It
// owns its error object, its dialect, its statement-handle cache and its type-handler manager (made
// on first use); the trace writer given by SetTrace stays the caller's.
//
// Names pasted into SQL: the database name (the schema of every gateway table) must be a plain DB2
// name (letters, digits, _ $ #, at most 8 characters); with another name no statement is sent and the
// operation reports -6191. The client name is written into its literal with each ' doubled.
// Registration runs in one transaction: committed when every step succeeded, else rolled back (also
// on the early exit of a local-mode conflict).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGCommonDatabase.h"
#include "KxGDB2DatabaseError.h"
#include "KxGDatabase.h"
#include "KxString.h"
#include "db2cli.h"

class KxBase;
class KxGDatabaseTrace;
class KxGDB2DatabaseInfo;
class KxGDB2TypeHdlMgr;
class KxGStatementHdlCache;

constexpr int32_t KXG_DB2_DEFAULT_GATEWAY_VERSION = KXG_DEFAULT_GATEWAY_VERSION;

class KxGDB2Database : public KxGCommonDatabase {
public:
    // Node and database upper-cased; the cache's capacity from the database name as passed.
    KxGDB2Database(const KxString& server, const KxString& database, const KxString& user,
                   const KxString& password, KxBase* base);
    // Rolls back, disconnects a connection still open and frees its handle.
    ~KxGDB2Database() override;
    KxGDB2Database(const KxGDB2Database&) = delete;
    KxGDB2Database& operator=(const KxGDB2Database&) = delete;

    // On an open connection: 1, nothing done.
    uint16_t OpenConnection() override;
    void CloseConnection() override;
    int32_t CreateDatabase(KxString* log, int32_t extra) override;
    uint16_t AttachServer() override;
    uint16_t RegisterConnection(KxString* server, int32_t* clientId, KxString* clientName, int32_t pooled,
                                int32_t localMode, int32_t exclusive) override;
    uint16_t UnregisterConnection(int32_t clientId) override;
    uint16_t CommitConnection() override;
    uint16_t RollbackConnection() override;
    KxGDB2DatabaseError* GetError() override;
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override;
    KxGDatabase* CloneConnection() override;
    // The gateway's KxGGenericLockService on this connection.
    KxGLockService* CreateLockService(int32_t clientId) override;
    // Mode 0: OPTIONREGISTRY, ROOTBLOCK, SURROGATES, LOCKS, ACTIVECLIENTS (upper-cased) give -6190.
    int32_t CheckTableName(KxString* name, int32_t mode) override;
    uint16_t IsSchemaOwner() override;
    // The id after the fifth NUL of the connection's SQLCA message tokens (at most its 70 bytes read).
    uint16_t GetConnectionId(int32_t* id) override;
    // Native code := -code; text copied when given; trace record.
    void ReportError(int32_t code, const char* message) override;
    uint16_t TestConnectionAlive(int32_t mode) override;
    int32_t GetBatchSize(int32_t requested, uint16_t arrays) override;
    void SetRowNum(int32_t rows) override;
    int32_t GetRowNum() override;
    int32_t AllocDescriptor(int32_t kind, uintptr_t* handle) override;
    int32_t FreeDescriptor(int16_t kind, uintptr_t handle) override;

    // ---- DB2's own ------------------------------------------------------------------------------
    // Report of a failing CLI call: diagnostics of the statement handle (or, when 0, of the connection
    // handle) unless the result is invalid-handle; then the trace record.
    void Report(SQLRETURN result, SQLHSTMT statement);
    // Executes text directly on a new statement handle; "no data" is success. Failures reported.
    uint16_t ExecuteDirect(const char* text);
    // A query with one integer result; false on failure (reported).
    bool SelectInteger(const char* text, int32_t& value);
    // The 64-bit integers of a query's first column, in the order fetched; false on failure (reported).
    bool SelectBigints(const char* text, std::vector<int64_t>& values);

    SQLHDBC GetConnectionHandle() const { return connection_; }
    int32_t GetServerMajor() const { return serverMajor_; }
    int32_t GetServerMinor() const { return serverMinor_; }
    const KxString& GetServerNode() const { return server_; }

    // Reads the connection id from the message tokens of an SQLCA: the decimal text after the fifth
    // NUL byte, looking at no more than SQLCA_MESSAGE_TOKENS bytes. False when there is none.
    static bool ParseConnectionId(const struct sqlca& ca, int32_t& id);

protected:
    // A KxGDB2TypeHdlMgr.
    KxGTypeHdlMgr* MakeTypeHdlMgr() override;
    // A KxGDB2CompoundStatement.
    KxGResourceMgr* CreateCompoundStatement(KxGTransactionContext* context) override;

private:
    bool CheckedSchema();
    // Deletes the ACTIVECLIENTS rows of connections that are no longer among the database's connected
    // applications (their clients died without unregistering), and with them their locks. Failures
    // here never fail the registration.
    void RemoveStaleClients();
    void FreeConnection();

    SQLHDBC connection_ = SQL_NULL_HDBC;
    std::unique_ptr<KxGDB2DatabaseError> error_;
    int32_t serverMajor_ = 0;
    int32_t serverMinor_ = 0;
};
