// The native storage's implementations of the kernel's storage interfaces.
//
//   Factory     the connection factory the module hands to the kernel
//   Connection  one base's connection: the database file, transaction levels (SQLite savepoints
//               under one deferred transaction), the long actions
//   Admin       opens the database, its dictionary and buckets; object ids; object locks; the
//               create call
//   Shell       inner levels of stores and deletes; collections of locks and deletes
//   Bucket      the objects of one class (its extent includes its subclasses' objects)
//   Cursor      a walk over an extent as it stood when the cursor was made
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxAdmin.h"
#include "KxBucket.h"
#include "KxConnection.h"
#include "KxShell.h"
#include "NativeDb.h"

class KxClassDict;
class KxMetaClass;
class KxQuery;

namespace kxn {

class Admin;
class Connection;

// Lock modes the storage takes itself (as the gateway does): a stored object, a deleted object.
constexpr int32_t kStoreLockMode = 4124;
constexpr int32_t kDeleteLockMode = 8204;

// The object locks of this process's clients, per database file. A request conflicts with another
// client's lock of the object whose mode is at least: 8196 for a request of 1142, 4116 for 2100,
// 2100 for 4116, any mode for every other request. A client's own locks never conflict.
class LockTable {
public:
    static LockTable& Instance();
    int32_t Acquire(const std::string& file, uint64_t oid, const void* owner, int32_t mode);
    // 0, or KXN_E_NO_LOCK_RELEASED when the client held no lock of the object.
    int32_t Release(const std::string& file, uint64_t oid, const void* owner);
    void ReleaseAll(const std::string& file, const void* owner);
};

// The directory of a database name ([databases\<name>] name, the name's "?" parameters dropped),
// as a Linux path. 0, or KXN_E_NO_SUCH_DATABASE (error says why).
int32_t DirectoryOf(const KxString& database, std::string& directory, std::string& error);

class Factory : public KxConnectionFactory {
public:
    explicit Factory(const KxString& brand) : brand_(brand) {}
    KxBaseConnection* CreateConnection(KxBase* base) override;
    int32_t GetProductName(KxString& product) const override;

private:
    KxString brand_;
};

class Connection : public KxBaseConnection {
public:
    explicit Connection(KxBase* base) : base_(base) {}
    ~Connection() override;

    int32_t SetServer(KxBase* base, const KxString& database, const KxString& server) override;
    int32_t OpenClient(const KxString& database, KxString& outName, int32_t openMode) override;
    int32_t CloseClient() override;
    KxAdmin* CreateAdmin(KxBase* base, int32_t flags) override;
    int32_t BeginTransaction(KxTransactionResource* resource) override;
    int32_t CommitTransaction(KxTransactionResource* resource) override;
    int32_t AbortTransaction(KxTransactionResource* resource) override;
    int32_t CreateTransactionContext(KxTransactionResource* resource) override;
    int32_t DeleteTransactionContext(KxTransactionResource* resource) override;
    int32_t SetParameters(KxTransactionResource* resource, const KxParameterList* params) override;
    int32_t Maintain(int32_t action, const KxString& database, int32_t flags, KxParameterSet* params) override;

    KxBase* GetBase() const { return base_; }
    Database* Db() const { return db_.get(); }
    // Open kernel transaction levels (0 outside a transaction).
    int32_t Level() const { return level_; }
    // Hands a failure's reason to the base's exception manager; answers the status.
    int32_t Report(int32_t status, const std::string& reason) const;

private:
    int32_t EndLevel(bool commit);
    KxBase* base_;
    std::string name_;                 // the database name SetServer gave
    std::unique_ptr<Database> db_;     // while the client is open
    int32_t level_ = 0;
    int32_t failedBegins_ = 0;         // begins that failed, each ended by an abort
};

class Admin : public KxAdmin {
public:
    Admin(KxBase* base, Connection* connection, int32_t flags) : KxAdmin(base, flags), connection_(connection) {}

    int32_t OpenDatabase() override;
    int32_t CloseDatabase() override;
    int32_t RegisterClass(KxMetaClass* metaClass) override;
    int32_t FetchSurrogates(KxObjId* ids, int32_t count) override;
    int32_t RecycleSurrogates(KxObjId* ids, int32_t count) override;
    int32_t LockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec) override;
    int32_t UnlockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec) override;
    int32_t ReleaseObjectLocks(KxObject* object, const KxRef& ref, const KxLockSpec* lockSpec) override;
    int32_t GetDictionaryInfo(KxString& name, KxString& server, KxDateTime& stamp) override;
    int32_t GetDictionaryServerName(KxString& server) override;
    // When the database was made (the create call's record).
    int32_t GetDatabaseStamp(KxDateTime& stamp) override;
    int32_t CreateDatabase(const KxString& database, const KxString& dictionary, const KxString& storage) override;
    int32_t CheckObject(const KxRef& ref) override;
    KxDatabaseShell* CreateShell() override;

    Connection* GetConnection() const { return connection_; }
    // The object of the reference in the base's memory, held for the caller; null when none.
    KxObject* InMemory(const KxRef& ref) const;
    Database* Db() const { return connection_->Db(); }
    // Takes a lock the storage needs for its own work (store, delete): 0 or KXN_E_LOCK_REFUSED.
    int32_t LockFor(const KxRef& ref, int32_t mode);
    // The class numbers of a class's extent: the class and its subclasses (all versions' current
    // ones), as an SQL list "1,2,3".
    std::string ExtentClasses(uint16_t classNumber) const;
    // The current version of a stored class number; null when the dictionary has none.
    const KxMetaClass* ClassOf(int64_t classNumber) const;

private:
    int32_t ChangeLock(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec, bool acquire);
    Connection* connection_;
};

class Shell : public KxDatabaseShell {
public:
    explicit Shell(Admin* admin) : admin_(admin) {}
    int32_t GetName(KxString& name) override;
    int32_t Run(KxExecutable* executable) override;
    int32_t Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec) override;
    int32_t Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                   const KxWatchSpec* watchSpec) override;
    int32_t Watch(KxRefCollection& refs, const KxWatchSpec* watchSpec) override;
    int32_t EvalLock(const KxLockSpec* given, KxLockSpec& effective) override;
    int32_t EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective) override;
    int32_t Forget(int32_t status, KxRefCollection& refs) override;
    int32_t DeleteCollection(KxRefCollection& refs, int32_t mode, int32_t flags, const KxLockSpec* lockSpec,
                             const KxWatchSpec* watchSpec) override;
    int32_t BeginTransaction(KxTransactionResource* resource) override;
    int32_t CommitTransaction(KxTransactionResource* resource) override;
    int32_t AbortTransaction(KxTransactionResource* resource) override;

private:
    // The checks Lock and Unlock share: 0, or the status that settles the call.
    int32_t Settle(const KxWatchSpec* watchSpec) const;
    Admin* admin_;
};

class Cursor;

class Bucket : public KxBucket {
public:
    Bucket(KxBase* base, Admin* admin, const KxMetaClass* metaClass)
        : KxBucket(base, nullptr), admin_(admin), class_(metaClass) {}

    KxBucketCru* CreateCursor(int32_t& count, int32_t mode) override;
    int32_t GetNum(int32_t& count, int32_t mode) override;
    int32_t SeekRd(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction) override;
    int32_t SeekGet(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, const KxLockSpec* lockSpec,
                    int32_t& found, int32_t direction) override;
    int32_t SearchGet(KxBucketCru* cursor, const KxKeyValue* keys, int32_t keyCount, int32_t comparison,
                      KxRef& ref) override;
    int32_t SearchExtent(KxBucketCru* cursor, int32_t mode, const KxKeyValue& key, KxRef& ref) override;
    int32_t Lookup(KxKeyValue* keys, int32_t count) override;
    int32_t Query(const KxClassId& classId, KxQuery* query, const KxLockSpec* lockSpec, KxRefList* result) override;
    int32_t QueryInSet(const KxRefList* source, KxQuery* query, const KxClassId& classId, const KxLockSpec* lockSpec,
                       KxRefList* target) override;
    int32_t CursorQuery(KxBucketCru* cursor, KxQuery* query) override;
    int32_t StoreObject(KxObject* object, int32_t flags, KxTransactionResource* resource) override;
    int32_t GetObject(KxObject** slot, const KxRef& mainRef, const KxRefList* prefetch, const KxLockSpec* lockSpec,
                      const KxLockSpec* prefetchLockSpec, KxTransactionResource* resource) override;
    int32_t DeleteObject(const KxRef& ref, int32_t flags, KxTransactionResource* resource) override;

    const KxMetaClass* GetMetaClass() const { return class_; }
    Admin* GetAdmin() const { return admin_; }
    // The references of the extent's objects that satisfy the query (all without one), in
    // object-id order or the query's sort order. 0 or a status.
    int32_t Select(KxQuery* query, KxRefList& refs);

private:
    Admin* admin_;
    const KxMetaClass* class_;
};


class Cursor : public KxBucketCru {
public:
    Cursor(Bucket* bucket, int32_t mode) : bucket_(bucket), mode_(mode) {}
    // Reads the extent (restricted by the query when given). 0 or a status.
    int32_t Fill(KxQuery* query);

    int32_t Seek(int32_t offset, int32_t seekMode, KxRef& ref) override;
    int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison) override;
    int32_t Count(int32_t& count) override;
    int32_t Read(KxRef& ref) override;
    int32_t Query(KxQuery* query) override;
    int32_t Following(KxRefList& refs, uint32_t max) override;

    // Positions on the first entry whose object id (keyIsId) or key compares with the one given.
    int32_t SearchKey(const std::string& key, bool keyIsId, int32_t comparison);

private:
    KxRef RefAt(size_t i) const;
    Bucket* bucket_;
    int32_t mode_;
    // The walk: object ids and class numbers (and, in index order, the keys), 10 bytes an object.
    std::vector<uint64_t> oids_;
    std::vector<uint16_t> classes_;
    std::vector<std::string> keys_;
    int64_t position_ = -1;   // -1: before the first seek
};

struct KeyEntry;

// Replaces the index entries of an object. 0 or a status (KXN_E_DUPLICATE_KEY from a unique index).
int32_t WriteKeys(Database& db, int64_t oid, const std::vector<KeyEntry>& keys);

// Reading, storing and deleting objects (NativeObjects.cpp).
int32_t ReadObject(Admin& admin, const KxRef& ref, KxObject*& object);
int32_t StoreObjects(Admin& admin, KxObject* object, int32_t depth);
int32_t DeleteObjects(Admin& admin, const KxRef& ref, int32_t dependents);

// The long actions (NativeMaintenance.cpp) on an open database file.
int32_t RunMaintenance(Database& db, int32_t action, const std::string& database, std::string& error);

}  // namespace kxn
