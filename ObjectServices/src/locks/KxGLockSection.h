// The hold of one lock operation: the kernel's critical section 13 (when the service has a thread
// manager, after SetSync) and then the connection's mutex, which serialises the lock operations with
// everything else that commits on the connection (the surrogate allocator) from the start.
#pragma once

#include <cstdint>

#include "KxGConnectionLock.h"
#include "KxGLockService.h"
#include "kxthreads.h"

class KxGLockSection {
public:
    KxGLockSection(const char* name, KxThreadMgr* threadMgr, KxGConnectionLock::Mutex* connection)
        : kernel_(name, KXG_LOCK_SECTION, threadMgr), connection_(connection)
    {
    }
    KxGLockSection(const KxGLockSection&) = delete;
    KxGLockSection& operator=(const KxGLockSection&) = delete;

private:
    CSChecker kernel_;               // entered first, left last
    KxGConnectionSection connection_;
};
