// KxObjectSpace: the objects of a base that are in memory, by reference.
// The nts_ operations do not lock: callers hold the object space's critical section
// (BeginCriticalSection / EndCriticalSection, from KxMTObj).
#pragma once

#include <cstdint>
#include <unordered_map>

#include "KxKernelStatus.h"
#include "KxRef.h"
#include "kxthreads.h"

class KxObject;

class KxObjectSpace : public KxMTObj {
public:
    KxObjectSpace();
    ~KxObjectSpace() override;

    // The object in memory for the reference's object id; null when none.
    KxObject* nts_IsInList(const KxRef& ref) const;
    // Records an object (a later insert for the same object id replaces it). 0, or
    // KX_KERNEL_E_INVALID for an invalid reference or a null object.
    int32_t nts_Insert(const KxRef& ref, KxObject* object);
    // Drops the object space's pointer for the object id: 0, or KX_KERNEL_E_NOT_FOUND.
    int32_t nts_Remove(const KxRef& ref);
    uint32_t nts_Count() const;

private:
    std::unordered_map<uint64_t, KxObject*> objects_;   // by object id
};
