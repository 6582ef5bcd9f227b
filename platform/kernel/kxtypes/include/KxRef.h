// KxRef: a reference to an object: its object id, its class id and a base marker word.
#pragma once

#include <cstdint>

#include "KxObjId.h"

class KxRef {
public:
    KxRef() = default;
    explicit KxRef(const KxObjId& id, const KxClassId& classId = KxClassId(), uint32_t baseMarker = 0)
        : id_(id), classId_(classId), base_(baseMarker) {}

    // A fresh reference to the object id: class id and base marker become 0.
    KxRef& operator=(const KxObjId& id);

    const KxObjId& GetObjId() const { return id_; }
    const KxClassId& GetClassId() const { return classId_; }
    uint32_t GetBaseMarker() const { return base_; }
    void SetObjId(const KxObjId& id) { id_ = id; }
    void SetClassId(const KxClassId& classId) { classId_ = classId; }
    void SetBaseMarker(uint32_t marker) { base_ = marker; }

    // A reference without object (null object id) is invalid.
    bool IsInvalid() const { return id_.IsNull(); }
    void Clear();

    // Equal object id (origin ignored), class id and base marker.
    bool operator==(const KxRef& o) const {
        return id_ == o.id_ && classId_ == o.classId_ && base_ == o.base_;
    }
    bool operator!=(const KxRef& o) const { return !(*this == o); }

    // "oid:number.version", followed by ":marker" when the base marker is not 0,
    // e.g. "4294967298:17.2" or "5:3.0:9". Scanning reads both forms back; on failure
    // (KX_TYPES_E_SCAN, KX_TYPES_E_OVERFLOW) the reference is unchanged.
    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    KxObjId id_;
    KxClassId classId_;
    uint32_t base_ = 0;
};
static_assert(sizeof(KxRef) == 16, "KxRef is exactly 16 bytes");
