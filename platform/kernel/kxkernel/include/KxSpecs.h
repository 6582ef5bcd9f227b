// Small records the kernel's interfaces pass around: lock and watch requests, key values,
// collections of references, error records.
#pragma once

#include <cstdint>
#include <vector>

#include "KxRef.h"
#include "KxString.h"

// How deep a lock, watch, store or check-out reaches from the object it is given: the object alone,
// the objects it holds, all but those behind on-demand references, or everything it reaches.
enum KxDepthMode : int32_t { KxFLAT = 0, KxSHALLOW = 1, KxNO_ONDEMAND = 2, KxDEEP = 3 };

// Lock modes. Bits 4 to 9 are the mode's own bits and bits 10 to 15 the held modes it can join
// (bit 10 + k stands for bit 4 + k); bit 3 marks a transaction lock.
enum : uint16_t {
    KxLK_NONE = 0x03F7,
    KxLK_READvDELETE = 0x0476,
    KxLK_READvWRITE = 0x0834,
    KxLK_WRITEvWRITE = 0x1014,
    KxLK_TRANSACT_WRITE = 0x101C,
    KxLK_DELETEvWRITE = 0x2004,
    KxLK_TRANSACT_DELETE = 0x200C,
    KxLK_DELETEvREAD = 0x4000,
    KxLK_EXCLUSIVE = 0x8000
};
// Lock types: a lock that ends with the transaction (or the client), or one kept in the database.
enum : char { KxLK_NONPERS = 0, KxLK_PERS = 1 };
// Watch mode flags: what of an object's changes a watch reports. An update is a store of an object
// that was stored before (KxWATCH_STORE | KxWATCH_UPDATE).
enum : uint16_t {
    KxWATCH_NONE = 0x00,
    KxWATCH_STORE = 0x01,
    KxWATCH_UPDATE = 0x02,
    KxWATCH_DELETE = 0x04,
    KxWATCH_INSERT = 0x08,
    KxWATCH_LOCK = 0x10,
    KxWATCH_UNLOCK = 0x20,
    KxWATCH_ALL = 0x3F
};

// How an object is to be locked. A spec of kind KX_LOCKSPEC_NONE counts as no lock at all.
// 'flags' is the first word of the spec; the gateway supports only specs whose first word is 0.
// Depth and lock type are read by the client calls (KxObject::Lock); storages see the mode.
struct KxLockSpec {
    enum : int32_t { KX_LOCKSPEC_NONE = 1015 };
    KxLockSpec() = default;
    KxLockSpec(int32_t flags_, int32_t mode_, int32_t kind_) : flags(flags_), mode(mode_), kind(kind_) {}
    // A lock of the mode and depth (a lock that ends with the transaction unless type is KxLK_PERS).
    KxLockSpec(uint16_t mode_, KxDepthMode depth_, char type_ = KxLK_NONPERS)
        : mode(mode_), depth(depth_), type(type_) {}
    uint16_t GetMode() const { return static_cast<uint16_t>(mode); }
    void SetMode(uint16_t m) { mode = m; }
    KxDepthMode GetDepth() const { return depth; }
    void SetDepth(KxDepthMode d) { depth = d; }
    char GetLockType() const { return type; }
    void SetLockType(char t) { type = t; }

    int32_t flags = 0;
    int32_t mode = 0;
    int32_t kind = 0;
    KxDepthMode depth = KxFLAT;
    char type = KxLK_NONPERS;
};

// The method a watch calls when it reports a change: named by its class and method (this stand-in
// keeps the names; it reports no changes).
class KxMethodRef {
public:
    KxMethodRef() = default;
    KxMethodRef(const KxString& className, const KxString& method) : class_(className), method_(method) {}
    const KxString& GetClassName() const { return class_; }
    const KxString& GetMethodName() const { return method_; }
    bool IsEmpty() const { return class_.IsEmpty() && method_.IsEmpty(); }

private:
    KxString class_;
    KxString method_;
};

// Whether an object is to be watched for changes by others; watch != 0 is a real watch (storages
// refuse it: the kernel keeps watches itself, see KxObject::SetWatch).
struct KxWatchSpec {
    KxWatchSpec() = default;
    KxWatchSpec(int32_t watch_, int32_t mode_) : watch(watch_), mode(mode_) {}
    // A watch of the mode (KxWATCH_... flags) and depth; mode 0 is no watch.
    KxWatchSpec(int32_t mode_, KxDepthMode depth_) : watch(mode_ != 0 ? 1 : 0), mode(mode_), depth(depth_) {}
    // The method the watch calls.
    KxWatchSpec& operator=(const KxMethodRef& method_)
    {
        method = method_;
        return *this;
    }
    uint16_t GetMode() const { return static_cast<uint16_t>(mode); }
    void SetMode(uint16_t m) { mode = m; watch = m != 0 ? 1 : 0; }
    KxDepthMode GetDepth() const { return depth; }
    void SetDepth(KxDepthMode d) { depth = d; }
    const KxMethodRef& GetMethod() const { return method; }

    int32_t watch = 0;
    int32_t mode = 0;
    KxDepthMode depth = KxFLAT;
    KxMethodRef method;
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

// The file facts of a database: the version of its file format and of its free-store management.
struct KxDatabaseFileInfo {
    int32_t fileVersion = 0;
    int32_t freeStoreVersion = 0;
};
