// The gateway client: the kernel's connection to one relational database.
//
// The client reads the gateway's configuration, opens the trace file, loads the adapter library of
// its product and creates the adapter's KxGDatabase through GetDBInst, logs in through the kernel's
// log-in callback, opens and registers the connection, and keeps a pool of further connections that
// the transaction manager takes for each transaction context and gives back. It also creates the
// gateway admin and routes the kernel's transaction calls to its transaction manager.
//
// Configuration (kernel INI file): the database section is [databases\<database>\RelationalObjectGateway]
// (the database name without its "?key=value" part); the global section is [RelationalObjectGateway].
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "KxConnection.h"
#include "KxDateTime.h"
#include "KxGStatusCodes.h"
#include "KxModule.h"
#include "KxParameter.h"
#include "KxString.h"

class KxBase;
class KxAdmin;
class KxCritSect;
class KxThreadMgr;
class KxTransactionResource;
class TransactionManager;
class KxGDatabase;
class KxGDatabaseTrace;
class KxGatewayAdmin;
class KxGatewayTransactionMgr;

// Status of the client's transaction calls when it has no transaction manager.
constexpr int32_t KXG_E_NO_TRANSACTION_MGR = -2;

// Configuration keys of the gateway.
constexpr const char* KXG_CFG_CONCURRENCY_SERVICE = "ConcurrencyControlService";
constexpr const char* KXG_CFG_TRACE_MODULES = "TraceModules";
constexpr const char* KXG_CFG_TRACE_MODE = "TraceMode";
constexpr const char* KXG_CFG_TRACE_FILE = "TraceFile";
constexpr const char* KXG_CFG_MAX_POOL_SIZE = "MaxConnectionPoolSize";
constexpr const char* KXG_CFG_POOL_EXPIRATION = "ConnectionPoolExpirationTime";
constexpr const char* KXG_CFG_POOL_CHECKING = "ConnectionPoolChecking";
constexpr const char* KXG_CFG_MAX_STATEMENT_HANDLES = "MaxStatementHandleCacheSize";
constexpr const char* KXG_CFG_ORDER_BY_OID = "OrderQueryResultsByOID";
constexpr const char* KXG_CFG_IGNORE_FOREIGN_REFS = "IgnoreForeignRefs";

// Defaults.
constexpr int32_t KXG_DEFAULT_POOL_SIZE = 8;
constexpr const char* KXG_DEFAULT_TRACE_FILE = "kxgtrace";

// The module mask of a TraceModules text: names separated by white space or punctuation, compared
// case-sensitively: "CA" 0x8000, "TXN" 0x2000, "CM" 0x1000, "SM" 0x40, "STM" 0x8, "DBA" 0x1,
// "ALL" 0xf87f; unknown names add nothing.
uint16_t KxGTraceModuleMask(const KxString& modules);

// Adds the key=value pairs of a logical name ("shop?ROG_RowNum = 100 & mode") to a parameter list:
// the text after the first "?" within the first 256 characters, split at every "&", each item split
// at its first "=", key and value trimmed of blanks; an item without "=" has an empty value; items
// with an empty key are skipped.
void KxGParseLogicalName(const KxString& logicalName, KxParameterList& params);

// The database name of a logical name: the text before its first "?" (the whole name without one).
KxString KxGDatabaseNameOf(const KxString& logicalName);

// The registry entry of one loaded adapter library.
class KxGatewayDBFactoryModule : public KxLoadableModule {
public:
    explicit KxGatewayDBFactoryModule(const KxString& fileName);
    ~KxGatewayDBFactoryModule() override;
};

class KxGatewayClient : public KxBaseConnection {
public:
    // product: "Oracle", "DB2", ... in any case; kept lower-cased.
    KxGatewayClient(KxBase* base, const KxString& product);
    // Closes the client when it is still open; deletes the transaction manager.
    ~KxGatewayClient() override;
    KxGatewayClient(const KxGatewayClient&) = delete;
    KxGatewayClient& operator=(const KxGatewayClient&) = delete;

    // ---- kernel connection interface ----------------------------------------------------------
    // Keeps the server name (the third argument). 0.
    int32_t SetServer(KxBase* base, const KxString& database, const KxString& server) override;
    // Reads the configuration, opens the trace, loads the adapter, logs in and opens the connection.
    // 0; -6000 (open-mode bit 0 or 1 set, no base, or already open); -5002 (adapter not loadable or
    // no database object); -2309 (log-in refused); the adapter's code of a failed open (-6005 when it
    // gives none).
    int32_t OpenClient(const KxString& database, KxString& outName, int32_t openMode) override;
    // Discards the pool, deletes the lock service, unregisters, closes and destroys the connection,
    // deletes the trace writer. 0.
    int32_t CloseClient() override;
    // A new KxGatewayAdmin for this client (owned by the caller, remembered by the client).
    KxAdmin* CreateAdmin(KxBase* base, int32_t flags) override;
    TransactionManager* GetTransactionMgr() override;
    // Forwarded to the transaction manager; KXG_E_NO_TRANSACTION_MGR without one.
    int32_t BeginTransaction(KxTransactionResource* resource) override;
    // -2999 when the resource holds read-consistent objects.
    int32_t CommitTransaction(KxTransactionResource* resource) override;
    int32_t AbortTransaction(KxTransactionResource* resource) override;
    // -2999 when the resource's option bit KX_TXNOPT_NO_CONTEXT is set.
    int32_t CreateTransactionContext(KxTransactionResource* resource) override;
    int32_t DeleteTransactionContext(KxTransactionResource* resource) override;
    // "ROG_RowNum" (integer) sets the row number of the resource's context database. 0.
    int32_t SetParameters(KxTransactionResource* resource, const KxParameterList* params) override;

    // ---- adapter loading ------------------------------------------------------------------------
    // Loads the adapter library of a product (short module name "G" + first letter of the lower-cased
    // product) through the kernel's module registry and creates its database object with GetDBInst.
    // Null when the module cannot be loaded, has no GetDBInst, or GetDBInst answers null; the first
    // and the last are written to trace when one is given.
    static KxGDatabase* LoadSpecificGatewayDll(const KxString& product, const KxString& server,
                                               const KxString& database, const KxString& user,
                                               const KxString& password, KxBase* base,
                                               const KxParameterList* params, KxGDatabaseTrace* trace);
    static KxGDatabase* LoadSpecificGatewayDll(const KxString& product, const KxString& server,
                                               const KxString& database, const KxString& user,
                                               const KxString& password, const KxParameterList* params,
                                               KxGDatabaseTrace* trace);

    // ---- registration and pool ----------------------------------------------------------------
    // Registers the client's own connection; the registered id becomes the kernel's client id.
    // 0, or the adapter's code (-6001 when it gives none).
    int32_t RegisterClient();
    // A live connection from the pool (the highest occupied slot first) or a new clone, opened and
    // registered. 0 and *database set; -6035 when no clone can be made (or it fails without a code);
    // otherwise the adapter's code. The caller gives it back with UngetPoolConnection.
    int32_t GetPoolConnection(KxGDatabase** database);
    // Gives a connection back: a live one goes into the first empty slot, anything else is
    // discarded. Always 0.
    int32_t UngetPoolConnection(KxGDatabase* database);
    // Unregisters, closes and destroys a connection taken from the pool that must not be used again
    // (a rollback on it failed). Always 0.
    int32_t DiscardPoolConnection(KxGDatabase* database);

    // ---- configuration --------------------------------------------------------------------------
    // A value of the database section; with global set, of the global section when the database
    // section lacks the key. 0 when found (out set); KXG_E_NO_CONFIGURATION without a configuration;
    // otherwise the kernel's not-found or bad-value status (out unchanged).
    int32_t ReadConfig(const char* key, KxString& out, bool global = false) const;
    int32_t ReadConfig(const char* key, int32_t& out, bool global = false) const;
    int32_t ReadConfig(const char* key, uint16_t& out, bool global = false) const;
    // The database section path: "databases", database name, "RelationalObjectGateway", "".
    const KxString* GetConfigPath() const { return configPath_; }

    // ---- state ----------------------------------------------------------------------------------
    KxBase* GetBase() const { return base_; }
    const KxString& GetServerName() const { return server_; }
    const KxString& GetProduct() const { return product_; }     // lower case
    KxGDatabase* GetDatabase() const { return database_; }      // null while closed
    KxGatewayAdmin* GetAdmin() const { return admin_; }
    KxGatewayTransactionMgr* GetTransactionManager() const { return txnMgr_; }
    // Takes over the transaction manager (the factory sets it); a previous one is deleted.
    void SetTransactionManager(KxGatewayTransactionMgr* manager);
    int32_t GetClientId() const { return clientId_; }
    bool IsLocalMode() const { return localMode_ != 0; }
    const KxParameterList& GetParameters() const { return params_; }
    KxThreadMgr* GetThreadMgr() const { return threadMgr_; }
    KxGDatabaseTrace* GetTrace() const { return trace_; }       // null when tracing is off
    uint16_t GetTraceModules() const { return traceModules_; }
    bool IsTraceFilePerConnection() const { return traceMany_ != 0; }
    const KxString& GetTraceBaseName() const { return traceBaseName_; }

    // Pool state (for inspection): slot count, the connection of a slot (null when empty or out of
    // range), checking mode and expiration time as read at the first pool request.
    uint16_t GetPoolSize() const { return poolSize_; }
    KxGDatabase* GetPoolSlot(uint16_t index) const;
    uint16_t GetPoolChecking() const { return poolChecking_; }
    int32_t GetPoolExpirationTime() const { return poolExpiration_; }

    // Called by the admin when it goes away.
    void ForgetAdmin(KxGatewayAdmin* admin);

private:
    int32_t LogIn();
    void OpenTrace();
    void DeleteTrace();
    KxString NextTraceFileName();
    bool IsExclusive() const;
    void CreatePool();
    // Discards a connection: unregisters and closes it when asked, destroys it and, with one file per
    // connection, deletes its trace writer.
    void Discard(KxGDatabase* database, bool unregisterAndClose, bool close);
    void CloseExpiredPoolConnections();
    // The critical section 13 of the kernel's thread manager.
    void EnterPool(const char* name);
    void LeavePool(const char* name);
    // The pool's critical section for a scope (left also when an exception passes through).
    class PoolSection {
    public:
        PoolSection(KxGatewayClient& client, const char* name) : client_(client), name_(name) { client_.EnterPool(name_); }
        ~PoolSection() { client_.LeavePool(name_); }
        PoolSection(const PoolSection&) = delete;
        PoolSection& operator=(const PoolSection&) = delete;

    private:
        KxGatewayClient& client_;
        const char* name_;
    };

    KxBase* base_;
    KxString server_;
    KxString product_;
    KxGDatabase* database_ = nullptr;
    KxGatewayAdmin* admin_ = nullptr;
    int32_t clientId_ = 0;
    uint16_t localMode_ = 0;
    KxParameterList params_;
    KxGatewayTransactionMgr* txnMgr_ = nullptr;
    uint16_t poolSize_ = 0;
    uint16_t poolChecking_ = 0;
    int32_t poolExpiration_ = 0;
    std::vector<KxGDatabase*> poolSlots_;
    std::vector<KxDateTime> poolTimes_;
    KxGDatabaseTrace* trace_ = nullptr;
    KxString traceBaseName_;
    uint16_t traceMany_ = 0;
    std::atomic<int32_t> traceCounter_{0};
    uint16_t traceModules_ = 0;
    KxString configPath_[4];
    KxThreadMgr* threadMgr_;
    KxCritSect* traceCritSect_ = nullptr;
};
