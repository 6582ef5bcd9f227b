// Small records the kernel's interfaces pass around: lock and watch specifications, key values,
// collections of references, error records.
#pragma once

#include <cstdint>
#include <vector>

#include "KxRef.h"
#include "KxString.h"

// How an object is to be locked. A spec of kind KX_LOCKSPEC_NONE counts as no lock at all.
// 'flags' is the first word of the spec; the gateway supports only specs whose first word is 0.
struct KxLockSpec {
    enum : int32_t { KX_LOCKSPEC_NONE = 1015 };
    int32_t flags = 0;
    int32_t mode = 0;
    int32_t kind = 0;
};

// Whether an object is to be watched for changes by others; watch != 0 is a real watch.
struct KxWatchSpec {
    int32_t watch = 0;
    int32_t mode = 0;
};

// One key value handed to a bucket search (16 bytes): the kernel type code of the value and a
// pointer to it (a value of the type, see KxTypeMgr.h).
struct KxKeyValue {
    const void* value = nullptr;
    uint8_t type = 0;
    uint8_t flags = 0;
    uint16_t reserved = 0;
    int32_t size = 0;
};
static_assert(sizeof(KxKeyValue) == 16, "a key record is 16 bytes");

// One reference of a collection request (lock, unlock, delete, watch): the caller's status and
// the code the request gives it.
struct KxCollectionRef {
    KxRef ref;
    int32_t status = 0;
    int32_t code = 0;
};
typedef std::vector<KxCollectionRef> KxRefCollection;

// An ordered list of references (query results, sets of references).
typedef std::vector<KxRef> KxRefList;

// An error as it is passed to the exception manager.
struct KxErrorInfo {
    int32_t code = 0;
    uint32_t flags = 0;
    KxString text;
};
