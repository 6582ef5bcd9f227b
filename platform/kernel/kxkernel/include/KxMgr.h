// KxMgr: the bucket manager of an admin: the buckets of a database by class id.
#pragma once

#include <cstdint>
#include <memory>

#include "KxKernelStatus.h"
#include "KxObjId.h"

class KxBucket;

class KxMgr {
public:
    KxMgr();
    // Deletes the registered buckets.
    ~KxMgr();
    KxMgr(const KxMgr&) = delete;
    KxMgr& operator=(const KxMgr&) = delete;

    // Makes room for capacity buckets (more may be registered); flags have no effect. Buckets
    // registered before stay. Always 0.
    int32_t Init(int32_t capacity, int32_t flags);
    // Registers a bucket under a class id; the manager owns it from then on. A bucket registered
    // before under the same class id is deleted. 0; KX_KERNEL_E_INVALID for a null bucket.
    int32_t RegisterBucket(const KxClassId& classId, KxBucket* bucket);
    // The bucket registered under the class id. With anyVersion 1, when no bucket has that exact
    // class id, the first registered bucket with the same class number (any version) is taken.
    // 0 and bucket set; KX_KERNEL_E_NOT_FOUND and bucket null.
    int32_t GetBucket(const KxClassId& classId, KxBucket*& bucket, int32_t anyVersion) const;
    // Deletes every bucket. Always 0.
    int32_t CloseBuckets();
    uint32_t GetCount() const;
    int32_t GetCapacity() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
