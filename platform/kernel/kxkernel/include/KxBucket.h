// Kernel interfaces of a bucket (the objects of one persistent class in a storage) and of its
// cursor. Every operation answers KX_KERNEL_E_NOT_SUPPORTED (-2999) (or null) unless a derived
// class gives it behaviour.
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxSpecs.h"

class KxBase;
class KxBucketCru;
class KxMetaTypeHandle;
class KxObject;
class KxQuery;
class KxTransactionResource;

class KxBucket {
public:
    // Seek directions.
    enum : int32_t { KX_SEEK_FORWARD = 0, KX_SEEK_BACKWARD = 1 };
    // The mode of a cursor is the number of the index it reads in; this one reads in object-id order.
    enum : int32_t { KX_EXTENT_BY_OBJID = -2 };

    // The base and the meta type handle of the bucket's class (either may be null).
    KxBucket(KxBase* base, KxMetaTypeHandle* metaHandle);
    virtual ~KxBucket();
    KxBucket(const KxBucket&) = delete;
    KxBucket& operator=(const KxBucket&) = delete;

    KxBase* GetBase() const;
    KxMetaTypeHandle* GetMetaTypeHandle() const;

    // A new cursor over the class's extent (owned by the caller); count receives the number of
    // objects when known. Null when not supported.
    virtual KxBucketCru* CreateCursor(int32_t& count, int32_t mode);
    virtual int32_t GetNum(int32_t& count, int32_t mode);
    virtual int32_t SeekRd(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref,
                           int32_t direction);
    virtual int32_t SeekGet(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref,
                            const KxLockSpec* lockSpec, int32_t& found, int32_t direction);
    virtual int32_t SearchGet(KxBucketCru* cursor, const KxKeyValue* keys, int32_t keyCount,
                              int32_t comparison, KxRef& ref);
    virtual int32_t SearchExtent(KxBucketCru* cursor, int32_t mode, const KxKeyValue& key,
                                 KxRef& ref);
    virtual int32_t Lookup(KxKeyValue* keys, int32_t count);
    virtual int32_t Query(const KxClassId& classId, KxQuery* query, const KxLockSpec* lockSpec,
                          KxRefList* result);
    // The objects of source that satisfy the query are added to target.
    virtual int32_t QueryInSet(const KxRefList* source, KxQuery* query, const KxClassId& classId,
                               const KxLockSpec* lockSpec, KxRefList* target);
    virtual int32_t CursorQuery(KxBucketCru* cursor, KxQuery* query);
    virtual int32_t StoreObject(KxObject* object, int32_t flags, KxTransactionResource* resource);
    // Reads the object of mainRef into *slot, together with the prefetch objects.
    virtual int32_t GetObject(KxObject** slot, const KxRef& mainRef, const KxRefList* prefetch,
                              const KxLockSpec* lockSpec, const KxLockSpec* prefetchLockSpec,
                              KxTransactionResource* resource);
    virtual int32_t DeleteObject(const KxRef& ref, int32_t flags, KxTransactionResource* resource);

private:
    KxBase* base_;
    KxMetaTypeHandle* metaHandle_;
};

class KxBucketCru {
public:
    KxBucketCru();
    virtual ~KxBucketCru();
    KxBucketCru(const KxBucketCru&) = delete;
    KxBucketCru& operator=(const KxBucketCru&) = delete;

    virtual int32_t Seek(int32_t offset, int32_t seekMode, KxRef& ref);
    virtual int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison);
    virtual int32_t Count(int32_t& count);
    virtual int32_t Read(KxRef& ref);
    virtual int32_t Query(KxQuery* query);
    // The references the cursor will give next, in its direction, as far as it already knows them
    // without reading (at most max); the cursor does not move. Always 0 (none by default).
    virtual int32_t Following(KxRefList& refs, uint32_t max);

private:
    friend class KxBase;
    KxBase* scanBase_ = nullptr;   // the base whose GetObject reads ahead along this cursor
};
