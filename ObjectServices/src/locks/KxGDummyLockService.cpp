// The dummy lock service (grants everything) and the concurrency-control service, which never reaches
// its lock server.
#include "KxGLockService.h"
#include "KxGStatusCodes.h"

// ---- KxGDummyLockService -----------------------------------------------------------------------------

uint16_t KxGDummyLockService::AcquireLock(const KxGLockRequest&)
{
    return 1;
}

uint16_t KxGDummyLockService::ReleaseLock(const KxGLockRequest&)
{
    return 1;
}

uint16_t KxGDummyLockService::AcquireTxnLocks(KxGTransactionContext*, uint16_t, const KxRefList&)
{
    return 1;
}

uint16_t KxGDummyLockService::ReleaseTxnLocks(KxGTransactionContext*, uint16_t)
{
    return 1;
}

uint16_t KxGDummyLockService::DeleteTxn(KxGTransactionContext*)
{
    return 1;
}

uint16_t KxGDummyLockService::SupportsCollLocks()
{
    return 1;
}

uint16_t KxGDummyLockService::SupportsCollUnlocks()
{
    return 1;
}

uint16_t KxGDummyLockService::AcquireCollLocks(KxGTransactionContext*, uint16_t, const KxRefList&)
{
    return 1;
}

uint16_t KxGDummyLockService::ReleaseCollLocks(KxGTransactionContext*, uint16_t, const KxRefList&)
{
    return 1;
}

int32_t KxGDummyLockService::GetLockList(const KxRef&, KxGLockHolderList&)
{
    return 0;
}

void KxGDummyLockService::SetSync(KxThreadMgr*)
{
}

// ---- KxGCCService ----------------------------------------------------------------------------------

KxGCCService::KxGCCService(const KxString& server, KxGDatabase* database, int32_t clientId)
    : KxGLocalLockService(database), clientId_(clientId), creationError_(KXG_E_NO_LOCK_SERVER)
{
    const int32_t colon = server.Find(':');
    if (colon < 0) {
        host_ = server;
    } else {
        host_ = server.Left(static_cast<uint32_t>(colon));
        service_ = server.Copy(static_cast<uint32_t>(colon) + 1, server.Len() - static_cast<uint32_t>(colon) - 1);
    }
}

int32_t KxGCCService::GetCreationError()
{
    return creationError_;
}

uint16_t KxGCCService::SupportsCollLocks()
{
    return 0;
}

uint16_t KxGCCService::SupportsCollUnlocks()
{
    return 0;
}

int32_t KxGCCService::GetLockList(const KxRef&, KxGLockHolderList&)
{
    return 0;
}

int32_t KxGCCService::AcquireServerLock(const KxGLockRequest&, uint32_t)
{
    return creationError_;
}

int32_t KxGCCService::ReleaseServerLock(const KxGLockRequest&, uint32_t)
{
    return creationError_;
}

int32_t KxGCCService::AcquireServerLocks(uint16_t, const KxRefList&, KxGTransactionContext*)
{
    return creationError_;
}

int32_t KxGCCService::ReleaseServerLocks(const KxGLockRequestList&, KxGTransactionContext*)
{
    return creationError_;
}
