// What the client calls share (not exported): a call in a transaction level of its own, the base's
// read-ahead, lock specs of the calls' arguments.
#pragma once

#include <cstdint>

#include "KxBase.h"
#include "KxObject.h"

struct KxClientCalls {
    // Runs call in a transaction level of the base's own: the outermost one when none is open (its
    // commit makes the work durable), else a nested one. Committed when the call did not fail
    // (a failing commit answers its status), else aborted; an exception aborts it and passes on.
    template <typename Call>
    static int32_t InLevel(KxBase* base, Call call)
    {
        int32_t rc = base->BeginTransaction();
        if (rc < 0) {
            return rc;
        }
        try {
            rc = call();
        } catch (...) {
            try {
                base->AbortTransaction();
            } catch (...) {
            }
            throw;
        }
        if (rc < 0) {
            base->AbortTransaction();
            return rc;
        }
        const int32_t committed = base->CommitTransaction();
        return committed < 0 ? committed : rc;
    }
    // The base lets go of its read-ahead hold of the object of ref (a caller holds it now).
    static void HandOver(KxBase* base, const KxRef& ref) { base->DropReadAhead(&ref); }
    // The lock spec of a call's lock argument: null for the base's default (-1), else a spec of
    // that mode (0: none).
    static const KxLockSpec* LockOf(int32_t lock, KxLockSpec& spec)
    {
        if (lock == KX_SPEC_DEFAULT) {
            return nullptr;
        }
        spec = lock == KX_SPEC_NONE ? KxLockSpec{0, 0, KxLockSpec::KX_LOCKSPEC_NONE} : KxLockSpec{0, lock, 0};
        return &spec;
    }
    // Reads the object of ref (in memory, else from the storage within a level of its own) and
    // checks its class against the reference's: as KxOnDemand::Get.
    static int32_t Read(KxBase* base, const KxRef& ref, KxObject*& object, int32_t lock);
};
