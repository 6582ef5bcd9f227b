// The gateway admin: opens and closes a database for the kernel.
//
// Opening reads the database's root block (ROOTBLOCK), refuses a stored gateway version outside the
// accepted range, registers the client in ACTIVECLIENTS, opens the class dictionary, loads the catalog
// of mapped classes (through the class loader that KxGMapLoader::GetDefault gives), hands an existing
// operation environment the catalog and its flags, and checks the dictionary's classes. Closing gives back the cached object ids,
// releases the catalog, unregisters the client and closes the kernel side. The admin also hands out
// object ids (surrogates), places and removes object locks through the client's lock service, answers
// the dictionary facts of the root block and checks whether an object has a row.
//
// Gateway versions: a stored version whose high byte is 3 is taken as 0x400; with V = version AND
// 0xff00, V below 0x400 is an older database (-6006), V of 0x500 or above needs a newer gateway
// (-6009). The first accepted version fixes the process-wide version (GetROGVersion); a later
// database with another version is refused with -6006. A refused open leaves the process-wide version
// as it was.
#pragma once

#include <cstdint>
#include <memory>

#include "KxAdmin.h"
#include "KxDateTime.h"
#include "KxString.h"

class KxBase;
class KxGCatalog;
class KxGDatabase;
class KxGOperationEnvironment;
class KxGSurrogateAllocator;
class KxGRootblock;
class KxGatewayClient;
class KxGatewayTransactionMgr;
class KxGTransactionContext;

class KxGatewayAdmin : public KxAdmin {
public:
    // The gateway version before the root block is read.
    static constexpr int32_t kInitialGatewayVersion = 0x100;
    // The oldest accepted version and the first refused newer one (high byte).
    static constexpr int32_t kOldestVersion = 0x400;
    static constexpr int32_t kNewestVersionEnd = 0x500;
    // The type manager version before the root block is read.
    static constexpr uint16_t kInitialTypeMgrVersion = 4;
    // The kernel's surrogate cache and bucket manager sizes set by Init.
    static constexpr int32_t kSurrogateCacheCapacity = 64;
    static constexpr int32_t kBucketCapacity = 64;

    KxGatewayAdmin(KxGatewayClient* client, KxBase* base, int32_t flags);
    // Closes the database, closes the kernel's buckets and tells the client that its admin is gone.
    ~KxGatewayAdmin() override;

    // ---- open and close ------------------------------------------------------------------------
    // Reads the root block (made on first use) and its keys; sets the surrogate cache (0, 64) and the
    // bucket manager (64); state 1. 0, or the root block's failure (-6008, -6083); -6005 without an
    // open client connection.
    int32_t Init() override;
    // Init, the version gate, registration, dictionary, catalog and the dictionary check. 0 and state
    // 2; on failure state 0, the database is closed again (unregistering a registered client) and
    // the failure is returned.
    int32_t OpenDatabase() override;
    // Nothing when already closed (state 4). Gives back the cached ids, releases the catalog, deletes
    // the allocator, catalog, root block and environment, unregisters the client, runs the kernel's
    // close; state 4. The recycle's result when not 0, else the kernel close's.
    int32_t CloseDatabase() override;

    // ---- surrogates ----------------------------------------------------------------------------
    // Reserves count ids from SURROGATES (the allocator is made on first use with the client's
    // connection). ids[0] is in and out: the lowest id the caller accepts, then the block's first id;
    // ids[1] ... ids[count - 1] receive the following ids of the block. 0, or -6031.
    int32_t FetchSurrogates(KxObjId* ids, int32_t count) override;
    // Gives back unused ids (a consecutive run, see KxGSurrogateAllocator) when an allocator exists
    // and count > 0. Always 0.
    int32_t RecycleSurrogates(KxObjId* ids, int32_t count) override;

    // ---- locks ---------------------------------------------------------------------------------
    int32_t LockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec) override;
    int32_t UnlockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec) override;
    int32_t ReleaseObjectLocks(KxObject* object, const KxRef& ref, const KxLockSpec* lockSpec) override;
    int32_t GetLockList(int32_t kind, KxObject* object) override;

    // ---- dictionary facts of the root block ----------------------------------------------------
    int32_t GetDictionaryInfo(KxString& name, KxString& server, KxDateTime& stamp) override;
    int32_t SetDictionaryInfo(const KxString& name, const KxString& server, const KxDateTime& stamp) override;
    int32_t GetDatabaseStamp(KxDateTime& stamp) override;
    int32_t GetDictionaryModifyStamp(KxDateTime& stamp) override;
    int32_t GetTypeMgrVersion(uint16_t& version) override;
    // revision0 is always 0.
    int32_t GetRevisions(uint16_t& revision0, uint16_t& indexRevision, uint16_t& dictionaryRevision) override;
    int32_t GetDictionaryInfoRecord(KxDictionaryInfo& info) override;
    int32_t GetDictionaryServerName(KxString& server) override;

    // ---- classes and shells --------------------------------------------------------------------
    // Loads the class into the catalog (made on first use) and registers a gateway bucket for it
    // with the bucket manager under its class id. 0, or the catalog's negative status (no bucket).
    int32_t RegisterClass(KxMetaClass* metaClass) override;
    // A new gateway shell on the operation environment's base (owned by the caller).
    KxDatabaseShell* CreateShell() override;

    // ---- other kernel operations ---------------------------------------------------------------
    // Creates the gateway schema of a database through the schema mapper's direct creation
    // (KxGClassMapper::CreateDBDirect) with the admin's dictionary server: 0, -2035 when a gateway
    // schema exists already, or the mapper's code.
    int32_t CreateDatabase(const KxString& database, const KxString& dictionary, const KxString& storage) override;
    // OpenConnection on the client's database: 0, or -2309.
    int32_t Reconnect() override;
    // 1 when the object's row exists, 0 when it does not (or there is no transaction manager or the
    // catalog gives no query for its class), a negative status when the query itself fails.
    int32_t CheckObject(const KxRef& ref) override;

    // ---- gateway side --------------------------------------------------------------------------
    // The operation environment, made on first use from the base, the catalog, the adapter's
    // type-handler manager and dialect, the use-mark-modified flag and OrderQueryResultsByOID
    // (database section, then global; default 0). Opening the database updates an existing one with
    // the loaded catalog and the flags. Null without an open client connection.
    KxGOperationEnvironment* GetOperationEnvironment();
    // The catalog of mapped classes (null before the first open and after close).
    KxGCatalog* GetCatalog() const { return catalog_.get(); }
    // The surrogate allocator (null before the first fetch and after close).
    KxGSurrogateAllocator* GetSurrogateAllocator() const { return surrogates_.get(); }
    KxGatewayClient* GetClient() const { return client_; }
    // The client's open connection; null without one.
    KxGDatabase* GetDatabase() const;
    // The client's transaction manager; null without one.
    KxGatewayTransactionMgr* GetTransactionMgr() const;
    // The root block (null before Init).
    KxGRootblock* GetRootblock() const { return rootblock_.get(); }
    int32_t GetGatewayVersion() const { return gatewayVersion_; }
    bool GetUseMarkModified() const { return useMarkModified_ != 0; }
    // The root block's ConcurrencyControlServer value (empty until the root block is read).
    const KxString& GetConcurrencyControlServer() const { return concurrencyServer_; }
    // Whether the client's connection is registered by this admin's open.
    bool IsClientRegistered() const { return registered_; }

    // Called by the client when it goes away.
    void ForgetClient() { client_ = nullptr; }

private:
    // Steps of OpenDatabase after a successful Init.
    int32_t CheckVersion();
    int32_t CheckDictionary();
    int32_t LoadCatalog();
    uint16_t OrderByOid() const;
    void UnregisterClient();
    // The transaction context of the base's current transaction; null when there is none.
    KxGTransactionContext* CurrentContext() const;
    int32_t ChangeLock(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec, bool acquire);

    int32_t gatewayVersion_ = kInitialGatewayVersion;
    KxString dictionaryName_;
    KxString dictionaryServer_;
    KxDateTime dictionaryStamp_;
    uint16_t typeMgrVersion_ = kInitialTypeMgrVersion;
    KxDateTime databaseStamp_;
    KxDateTime dictionaryModifyStamp_;
    uint16_t dictionaryRevision_ = 0;
    uint16_t indexRevision_ = 0;
    KxString concurrencyServer_;
    KxGatewayClient* client_;
    std::unique_ptr<KxGSurrogateAllocator> surrogates_;
    std::unique_ptr<KxGRootblock> rootblock_;
    std::unique_ptr<KxGCatalog> catalog_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    uint16_t useMarkModified_ = 0;
    bool registered_ = false;
};
