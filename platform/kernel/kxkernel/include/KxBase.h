// KxBase: one database of the kernel (a kernel base) and the entry to the kernel's root.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "KxKernelStatus.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxDateTime;

class KxRoot;
class KxTypeMgr;
class KxAdmin;
class KxBucket;
class KxAllSet;
class KxBucketCru;
class KxClassDict;
class KxConnectionFactory;
class KxDatabaseShell;
class KxObject;
class KxQuery;
class KxMetaClass;
class KxThreadMgr;
class KxExcMgr;
class KxObjectMgr;
class KxObjectSpace;
class KxTransaction;
class KxTransactionResource;
class KxBaseConnection;
class KxParameterSet;

class KxBase {
public:
    // The kernel's root object; it exists for the whole process (see KxRoot.h).
    static KxRoot* KELVOX();

    // A base for a logical name, which may carry parameters: "shop?ROG_RowNum=100&mode".
    // The client name is the root's (InitKelvox "ClientName").
    explicit KxBase(const KxString& logicalName);
    KxBase(const KxString& logicalName, const KxString& clientName);
    virtual ~KxBase();
    KxBase(const KxBase&) = delete;
    KxBase& operator=(const KxBase&) = delete;

    const KxString& GetLogicalName() const;
    const KxString& GetClientName() const;
    // The text that identifies the base to the log-in callback; the logical name unless set.
    const KxString& GetDescriptor() const;
    void SetDescriptor(const KxString& descriptor);

    // The 64-bit id of this client at the database; a connection may overwrite it.
    int64_t& GetNonConstClientId();
    int64_t GetClientId() const;

    KxTypeMgr* GetTypeMgr() const;      // the process's type manager
    KxThreadMgr* ThreadMgr() const;     // the root's thread manager
    KxExcMgr* GetExcMgr() const;        // this base's exception manager
    KxObjectSpace* GetObjectSpace() const;
    // The base's object manager (KxObject.h); its objects must be released before the base goes.
    KxObjectMgr* GetObjectMgr() const;

    // The effective specs of a request: the given one, or the base's default when none is given.
    // Always 0.
    int32_t EvalLock(const KxLockSpec* given, KxLockSpec& effective) const;
    int32_t EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective) const;
    // Defaults: a lock spec of kind KX_LOCKSPEC_NONE and no watch.
    void SetDefaultLockSpec(const KxLockSpec& spec);
    void SetDefaultWatchSpec(const KxWatchSpec& spec);

    // The base's current transaction (null when none).
    KxTransaction* GetCurrentTransaction() const;
    void SetCurrentTransaction(KxTransaction* txn);

    // The connection that serves this base (not owned); transactions route their resources'
    // begin, commit, abort and context creation to it.
    KxBaseConnection* GetConnection() const;
    void SetConnection(KxBaseConnection* connection);

    // ---- the database's facts (KxBaseInfo.cpp) ----------------------------------------------------
    // The server text given to Connect (empty before).
    const KxString& GetServer() const;
    // The database's name: the logical name without its "?" parameters.
    KxString GetDatabaseName() const;
    // The physical name: the database name mapped through KxRoot::MapLogicalName with the tag
    // "Kelvox" (the name itself without a mapping).
    KxString GetPhysicalName() const;
    // The user of the base's client: the process's login name and id unless set.
    const KxString& GetUserName() const;
    int16_t GetUserId() const;
    void SetUser(const KxString& name, int16_t id);
    // The storage's database version (KxAdmin::GetDatabaseVersion); 0 while closed.
    int32_t GetDatabaseVersion() const;
    // The type manager's version number as the storage records it (KxAdmin::GetTypeMgrVersion),
    // else the process's type manager's.
    uint32_t GetTypeMgrVersion() const;
    // When the database was created, and when its dictionary was last changed, as the storage
    // records them (KxAdmin::GetDatabaseStamp, GetDictionaryModifyStamp; the dictionary's own
    // stamp when the storage has none). 0, the storage's status, or KX_KERNEL_E_STATE while closed.
    int32_t GetCreationTime(KxDateTime& time) const;
    int32_t GetDictionaryModifyTime(KxDateTime& time) const;
    // The database file facts kept by the admin (KxAdmin::GetFileInfo): 0 or KX_KERNEL_E_STATE.
    int32_t GetFileInfo(KxDatabaseFileInfo& info) const;
    // Whether an external backup of the database is running (1) or not (0), as the workbench
    // records it around a backup of the files.
    int32_t IsExternalBackupRunning() const;
    void SetExternalBackupRunning(int32_t running);
    // Whether the database checks its users' rights (1) or not (0; the default: the storages here
    // have no user accounts).
    int32_t GetAuthorization() const;
    void SetAuthorization(int32_t enabled);

    // ---- storage: connect, open, transactions, objects (KxBaseStorage.cpp) ----------------------
    // The kernel's own storage brand, served by the module "kxnative".
    static const char* const KX_OWN_BRAND;   // "Kelvox"

    // Chooses the storage of the base. The server text is looked up as the key "name" of the
    // configuration section [servers\<server>] (the server text itself when there is none) and
    // split at its first "$" or "@" into brand and physical server ("Oracle$SHOPSRV"). The kernel's
    // own brand ("Kelvox", any case; the physical server is not used) loads the module "kxnative"
    // through the module registry and takes a connection factory from its
    // GetNativeConnectionFactory(brand); any other brand loads the module "relgate" and takes one
    // from its GetGatewayClientFactory(brand). 0; KX_KERNEL_E_INVALID (no separator, empty brand or
    // server); KX_KERNEL_E_STATE (already connected); the module's load status;
    // KX_KERNEL_E_MODULE_PROTOCOL (no factory entry or no factory). Nothing is left behind when it
    // fails (also when an exception passes through).
    int32_t Connect(const KxString& server);
    // Closes the base (Close) and gives its storage module back: the end of a base that Connect
    // made. 0, the close's first failure, or KX_KERNEL_E_STATE when the base is not connected.
    int32_t Disconnect();
    // Makes the database named by the base's logical name on the connected storage, for the
    // dictionary of that name (server empty: the default): a connection of the factory names the
    // server and its admin's CreateDatabase(database, dictionary, dictionaryServer) does the work;
    // both are deleted afterwards. The base is not opened. 0 or the storage's status;
    // KX_KERNEL_E_STATE when the base is not connected or is open.
    int32_t CreateDatabase(const KxString& dictionary, const KxString& dictionaryServer = KxString());

    // ---- long actions ----------------------------------------------------------------------------
    // Maintenance of a database of the connected storage, named by database (the base's database
    // or another of the same storage), with flags 0 and no parameter set as callers pass them. The
    // base may be open or only connected; the storage does the work on a connection of its own
    // (KxBaseConnection::Maintain) and records it in the database. 0 or a negative status:
    // KX_KERNEL_E_STATE when the base is not connected or is inside a transaction;
    // KX_KERNEL_E_NOT_SUPPORTED from a storage without maintenance (the gateway).
    // The schema update: the database takes its dictionary's current classes and revision.
    virtual int32_t UpdateSchema(const KxString& database, int32_t flags, KxParameterSet* params);
    // Rewrites every object stored under an older class version as the class's current version.
    virtual int32_t VersAll(const KxString& database, int32_t flags, KxParameterSet* params);
    // Reorganises the database's storage (gives free space back).
    virtual int32_t Reorg(const KxString& database, int32_t flags, KxParameterSet* params);
    // Rebuilds every index of the database from its objects.
    virtual int32_t ReIndex(const KxString& database, int32_t flags, KxParameterSet* params);
    // Opens the database named by the base's logical name on the connected storage: the factory's
    // connection (CreateConnection, SetServer with the physical server, OpenClient), its admin
    // (CreateAdmin, OpenDatabase), a bucket per persistent class of the admin's dictionary
    // (RegisterClass) and the admin's database shell. The connection serves the base's
    // transactions from then on. 0 or the first failure (everything made so far is closed again);
    // KX_KERNEL_E_STATE without Connect or when already open.
    int32_t Open(int32_t openMode = 0);
    // The open operation in the form tools call it: the database name (the base's logical name),
    // the kernel's open mode (2, read-write, is the only mode: Open(0), as GetBase opens), the
    // dictionary the caller holds for it and flags. The storage takes the dictionary the database
    // records, so dict is not used; flags have no effect. KX_KERNEL_E_INVALID for another name or
    // mode; else Open's status.
    int32_t Open(const KxString& name, int32_t mode, KxClassDict* dict, int32_t flags);
    // Aborts the open transaction levels of the base's current transaction, closes the shell,
    // admin and connection, and gives the module back. 0, or the first failure (everything is
    // closed all the same, also when an exception passes through). Also done by the destructor,
    // which swallows failures and exceptions.
    int32_t Close();
    bool IsOpen() const;
    // The base's state: 0 neither connected nor open, 1 connected (Connect), 2 open.
    int32_t GetState() const;
    // The connection test: true while the base is connected by Connect (open or not).
    bool IsConnected() const;
    const KxString& GetBrand() const;            // as written in the server text
    const KxString& GetPhysicalServer() const;
    KxConnectionFactory* GetConnectionFactory() const;
    KxAdmin* GetAdmin() const;                   // null while closed
    KxDatabaseShell* GetShell() const;           // null while closed (or when the admin has none)
    KxClassDict* GetDictionary() const;          // the admin's dictionary; null while closed
    // The bucket of a class (any version of its class number); null when none is registered.
    KxBucket* GetBucket(const KxClassId& classId) const;

    // Transactions of the base: the first begin makes the base's transaction (and makes it the
    // current one), further begins open nested levels; the commit or abort of the outermost level
    // deletes it. A begin that fails is ended with an abort at the connection (KxTransaction).
    // KX_KERNEL_E_STATE while closed; commit and abort without an open level: KX_KERNEL_E_STATE.
    int32_t BeginTransaction();
    int32_t CommitTransaction();
    int32_t AbortTransaction();
    int32_t GetTransactionLevel() const;

    // Stores an object of this base (or of none, which is attached) in the current transaction. An
    // object without id gets the next one of the admin's surrogate cache; then the class's bucket
    // stores the object in the transaction's pending level: one inner level of the shell, begun by
    // the first store or delete, that collects them until they are written (the shell commits the
    // level) at the commit of the transaction's level and before anything that must see them: a
    // nested begin, a query, an extent count, a cursor or seek, a read from storage, a lock or
    // unlock, a collection delete, a delete after stores (a store after deletes), and when
    // KX_PENDING_MAX objects are pending. A write that fails rolls the pending level back (the
    // objects get their states back) and is answered by the call that caused it; a commit whose
    // write fails aborts its level instead. A store that fails leaves the work pending before it
    // as it was. 0 or the failure; KX_KERNEL_E_STATE when closed or without transaction;
    // KX_KERNEL_E_NOT_FOUND when the class has no bucket.
    int32_t StoreObject(KxObject* object, int32_t flags = 0);
    // Objects and references pending in one level at most; the next store or delete writes them first.
    static constexpr uint32_t KX_PENDING_MAX = 32000;
    // The number of stores and deletes waiting in the pending level.
    uint32_t GetPendingCount() const;
    // The object of a reference, held for the caller: from the object space when it is in memory,
    // else read by the bucket of its class (GetObject) in the current transaction, with the
    // optional prefetch references and lock specs. 0 or the failure.
    int32_t GetObject(const KxRef& ref, KxObject*& object, const KxLockSpec* lockSpec = nullptr,
                      const KxRefList* prefetch = nullptr, const KxLockSpec* prefetchLockSpec = nullptr);
    // Deletes the object of a reference in the current transaction, in the pending level as a store
    // is (pending stores are written first). 0 or the failure.
    int32_t DeleteObject(const KxRef& ref, int32_t flags = 0);
    // The shell's collection requests (codes per reference; see KxShell.h).
    int32_t DeleteObjects(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec = nullptr);
    int32_t Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec);
    int32_t Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec);
    // One object lock through the admin (LockWatch / UnlockWatch).
    int32_t LockObject(const KxRef& ref, const KxLockSpec& lockSpec);
    int32_t UnlockObject(const KxRef& ref, const KxLockSpec& lockSpec);
    // Runs a query on its class's bucket; result receives the references found.
    int32_t Query(KxQuery& query, KxRefList& result, const KxLockSpec* lockSpec = nullptr);
    // The number of objects of a class (the bucket's GetNum): 0 and count set, or a negative status.
    int32_t GetExtentCount(const KxClassId& classId, int32_t& count);
    // A cursor over a class's extent (the bucket's CreateCursor; owned by the caller, to be deleted
    // before the base closes); null when there is none (no bucket, no transaction). The mode is the
    // number of the index the cursor reads in; -2 (KxBucket::KX_EXTENT_BY_OBJID) is object-id order.
    KxBucketCru* CreateCursor(const KxClassId& classId, int32_t& count, int32_t mode = -2);
    // Positions a cursor through the class's bucket (SeekGet without lock spec, so that a storage that
    // reads whole rows serves the GetObject that follows from them; SeekRd when the bucket does not
    // support SeekGet), after writing the pending stores and deletes: seek mode 0 from the start, 1 from
    // the current object, 2 from the end; ref receives the object there. 0 or a negative status
    // (-2005 past either end).
    int32_t Seek(const KxClassId& classId, KxBucketCru* cursor, int32_t offset, int32_t seekMode,
                 KxRef& ref, int32_t direction = 0);

    // Discards a workspace of this database by the workspace's physical name: not supported here
    // (KxWorkspace.h).
    int32_t DiscardWorkspace(const KxString& physicalName);

protected:
    // A workspace takes its name when it opens (KxWorkspace::Open).
    void SetLogicalName(const KxString& name);

private:
    friend class KxAllSet;   // registers itself with its base (AddExtent, RemoveExtent)
    friend class KxBucketCru;
    friend class KxObjectMgr;
    friend struct KxClientCalls;   // the client calls (KxClientObject.cpp)
    friend class KxTransaction;
    // The pending level (see StoreObject). WritePending writes it (0 when there is none); a failure
    // has rolled it back and is recorded with the base's exception manager. EndPending is the
    // transaction's, at the end of a level of the resource (write: commit) and before a nested
    // begin (write); a level that is not the resource's is left alone.
    int32_t WritePending();
    int32_t EndPending(KxTransactionResource* resource, bool write);
    void DropPending();
    // Makes sure the pending level is open in the resource for work of the kind (1 stores, 2
    // deletes), writing what is pending first when it is of the other kind or full.
    int32_t OpenPending(KxTransactionResource* resource, int kind);
    // After a call that failed in the pending level: the level is aborted and the work pending
    // before the call is registered again in a new one. 0 or that failure.
    int32_t RedoPending();
    // Runs a bucket's store or delete call (kind as above) in the pending level; a failed call is
    // undone by RedoPending and answered. The call's status otherwise.
    int32_t CallPending(KxTransactionResource* resource, int kind, const std::function<int32_t()>& call);
    // Reads the object of a reference through the bucket of its class within the resource (the
    // current transaction's when null); the object is not looked for in memory first.
    int32_t ReadObject(const KxRef& ref, KxObject*& object, KxTransactionResource* resource,
                       const KxLockSpec* lockSpec, const KxRefList* prefetch, const KxLockSpec* prefetchLockSpec);
    // The work of Open (after its checks) and of Close (without its hook; the destructor's close).
    int32_t OpenStorage(int32_t openMode);
    int32_t CloseStorage();
    // One long action through the storage's Maintain (see UpdateSchema).
    int32_t RunMaintenance(const char* hook, int32_t action, const KxString& database, int32_t flags,
                           KxParameterSet* params);
    // The extents made on this base while they live: closing the base ends their walks, deleting it
    // leaves them without base.
    void AddExtent(KxAllSet* extent);
    void RemoveExtent(KxAllSet* extent);
    // A cursor going away: GetObject no longer reads ahead along it.
    void ForgetCursor(KxBucketCru* cursor);
    // Lets go of the objects read ahead and kept in memory: the one of ref, or all (null).
    void DropReadAhead(const KxRef* ref);
    // Lets go of the objects read ahead along the scan up to and including the one of ref.
    void DropReadAheadUpTo(const KxRef& ref);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The exception manager of a base: receives the errors its base reports.
class KxExcMgr {
public:
    KxExcMgr();
    virtual ~KxExcMgr();
    // Records the error; answers its code.
    virtual int32_t HandleError(const KxErrorInfo& error);
    uint32_t GetErrorCount() const;
    KxErrorInfo GetLastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
