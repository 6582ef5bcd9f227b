// The gateway bucket: the objects of one persistent class in the relational database, and its cursor.
//
//   KxGatewayBucket     one per persistent class, made when the admin registers the class. It reads,
//                       stores and deletes objects through the object reader and storer within the
//                       current transaction context, runs queries through the query service and
//                       counts, seeks and searches the class's extent through a cursor.
//   KxGatewayBucketCru  the cursor: an extent service of the class (owned).
//
// Every operation opens a trace tag (module CA) on the connection of the current transaction
// context.
//
// Reading an object (GetObject) reads the asked object together with up to 248 prefetch objects in
// one batch. A prefetch object whose lock is refused is left out of the batch; only the asked
// object's lock and read decide the result. The reader sets the state bits of the objects it reads;
// the bucket leaves them as they are. An object whose row is not found gives -2017.
//
// Queries lock every result with the given lock spec; a result whose lock is refused leaves the
// result list and the query answers the warning 2041.
#pragma once

#include <cstdint>
#include <memory>

#include "KxBucket.h"

class KxBase;
class KxGatewayAdmin;
class KxGDatabase;
class KxGExtentService;
class KxGTransactionContext;
class KxMetaClass;
class KxString;

// Status values of bucket and shell operations beyond the gateway's own.
constexpr int32_t KXG_W_SOME_REFS_FAILED = 4102;     // some references of a collection failed
constexpr int32_t KXG_E_COLLECTION_FAILED = -4102;   // the collection failed
constexpr int32_t KXG_E_REF_NOT_EXECUTED = -4103;    // the reference was not tried
constexpr int32_t KXG_W_SOME_KEYS_FOUND = 2026;      // some keys of a lookup were found
constexpr int32_t KXG_E_NO_KEY_FOUND = -2026;        // no key of a lookup was found
constexpr int32_t KXG_W_SOME_NOT_LOCKED = 2041;      // some objects could not be locked
constexpr int32_t KXG_E_CLASS_UNKNOWN = -2003;       // the bucket has no class
constexpr int32_t KXG_E_NO_CURSOR = -2099;           // an operation needs a cursor
constexpr int32_t KXG_E_INVALID_REF = -2023;         // a reference names no class of the dictionary
constexpr int32_t KXG_E_CANNOT_CREATE_OBJECT = -2014;  // an empty object could not be made
constexpr int32_t KXG_E_OBJECT_NOT_FOUND = -2017;    // no row for the object

class KxGatewayBucket : public KxBucket {
public:
    // The most objects one GetObject reads (the asked one and its prefetch objects).
    static constexpr uint32_t kMaxBatch = 249;
    // The size of one key record of Lookup.
    static constexpr uint32_t kKeyRecordSize = 16;

    // Reads IgnoreForeignRefs of the database's section (no global fallback).
    KxGatewayBucket(KxGatewayAdmin* admin, const KxMetaClass* metaClass, KxBase* base);
    ~KxGatewayBucket() override;

    // Null without class or current transaction context (count 0 in every case).
    KxBucketCru* CreateCursor(int32_t& count, int32_t mode) override;
    // The extent's count (0 for the user class); a negative status when it cannot be counted.
    int32_t GetNum(int32_t& count, int32_t mode) override;
    int32_t SeekRd(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction) override;
    int32_t SeekGet(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, const KxLockSpec* lockSpec,
                    int32_t& found, int32_t direction) override;
    int32_t SearchGet(KxBucketCru* cursor, const KxKeyValue* keys, int32_t keyCount, int32_t comparison,
                      KxRef& ref) override;
    int32_t SearchExtent(KxBucketCru* cursor, int32_t mode, const KxKeyValue& key, KxRef& ref) override;
    // A search per key on a cursor of its own: 0 all found (or count 0), 2026 some, -2026 none.
    int32_t Lookup(KxKeyValue* keys, int32_t count) override;
    // Runs the query and appends the results to result (each locked with the spec): 0, 2041 when a
    // refused lock removed a result; -6034 no query; -2003 no class; -6037 no transaction manager;
    // -4004 no transaction context; the query's or a lock's failure.
    int32_t Query(const KxClassId& classId, KxQuery* query, const KxLockSpec* lockSpec, KxRefList* result) override;
    int32_t QueryInSet(const KxRefList* source, KxQuery* query, const KxClassId& classId,
                       const KxLockSpec* lockSpec, KxRefList* target) override;
    int32_t CursorQuery(KxBucketCru* cursor, KxQuery* query) override;
    // Registers the object's store with the compound statement on top of the resource's context.
    // flags: the store depth. -6030 without object, -6037, -4004, -6038 without compound statement.
    int32_t StoreObject(KxObject* object, int32_t flags, KxTransactionResource* resource) override;
    int32_t GetObject(KxObject** slot, const KxRef& mainRef, const KxRefList* prefetch, const KxLockSpec* lockSpec,
                      const KxLockSpec* prefetchLockSpec, KxTransactionResource* resource) override;
    // flags non-zero: the dependents too (the read-ahead mode of their references).
    int32_t DeleteObject(const KxRef& ref, int32_t flags, KxTransactionResource* resource) override;

    KxGatewayAdmin* GetAdmin() const { return admin_; }
    const KxMetaClass* GetMetaClass() const { return metaClass_; }
    bool IgnoresForeignRefs() const { return ignoreForeignRefs_ != 0; }
    // Whether the bucket's class is the kernel's user class (KxUser).
    bool IsUserClass() const;

private:
    // The context of the resource (null: of the base's current transaction); null when none.
    KxGTransactionContext* ContextOf(KxTransactionResource* resource) const;
    // The context of the resource with its database: 0, KXG_E_NO_TRANSACTION_MANAGER or KXG_E_NO_TXN_CONTEXT.
    int32_t OpenContext(KxTransactionResource* resource, KxGTransactionContext*& context) const;
    // Appends the references found to target, each locked by the spec first (when it locks); a refused
    // lock leaves its reference out and gives KXG_W_SOME_NOT_LOCKED, another failed lock ends the walk
    // with its status.
    int32_t LockInto(const KxRefList& found, const KxLockSpec* lockSpec, KxRefList& target);
    // Runs the query (converted to prefix order when needed) into ids. 0 or a status.
    int32_t RunQuery(KxGTransactionContext& context, const KxClassId& classId, KxQuery& query,
                     KxRefList& refs);
    int32_t Seek(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction,
                 const char* name, int16_t openState);

    KxGatewayAdmin* admin_;
    const KxMetaClass* metaClass_;
    int32_t ignoreForeignRefs_ = 0;
};

class KxGatewayBucketCru : public KxBucketCru {
public:
    // Takes over the service.
    explicit KxGatewayBucketCru(KxGExtentService* service);
    ~KxGatewayBucketCru() override;

    int32_t Seek(int32_t offset, int32_t seekMode, KxRef& ref) override;
    int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison) override;
    int32_t Count(int32_t& count) override;
    int32_t Read(KxRef& ref) override;
    int32_t Query(KxQuery* query) override;
    int32_t Following(KxRefList& refs, uint32_t max) override;

    KxGExtentService* GetService() const { return service_.get(); }

private:
    std::unique_ptr<KxGExtentService> service_;
};
