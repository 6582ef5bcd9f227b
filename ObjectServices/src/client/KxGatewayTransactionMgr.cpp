// The gateway transaction manager (what the client calls on it so far).
#include "KxGatewayTransactionMgr.h"

#include "KxGLockService.h"
#include "KxKernelStatus.h"

KxGLockService::~KxGLockService() = default;

KxGatewayTransactionMgr::KxGatewayTransactionMgr(KxGatewayClient* client) : client_(client) {}

KxGatewayTransactionMgr::~KxGatewayTransactionMgr()
{
    DeleteLockService();
}

int32_t KxGatewayTransactionMgr::TXBegin(KxTransactionResource* /*resource*/, int32_t /*kind*/)
{
    return KX_KERNEL_E_NOT_SUPPORTED;
}

int32_t KxGatewayTransactionMgr::TXCommit(KxTransactionResource* /*resource*/)
{
    return KX_KERNEL_E_NOT_SUPPORTED;
}

int32_t KxGatewayTransactionMgr::TXAbort(KxTransactionResource* /*resource*/)
{
    return KX_KERNEL_E_NOT_SUPPORTED;
}

int32_t KxGatewayTransactionMgr::CreateTransactionContext(KxTransactionResource* /*resource*/)
{
    return KX_KERNEL_E_NOT_SUPPORTED;
}

int32_t KxGatewayTransactionMgr::DeleteTransactionContext(KxTransactionResource* /*resource*/)
{
    return KX_KERNEL_E_NOT_SUPPORTED;
}

KxGDatabase* KxGatewayTransactionMgr::GetContextDatabase(KxTransactionResource* /*resource*/)
{
    return nullptr;
}

void KxGatewayTransactionMgr::SetLockService(KxGLockService* service)
{
    if (service != lockService_) {
        delete lockService_;
        lockService_ = service;
    }
}

void KxGatewayTransactionMgr::DeleteLockService()
{
    delete lockService_;
    lockService_ = nullptr;
}
