#include "TransactionManager.h"

TransactionManager::TransactionManager() = default;
TransactionManager::~TransactionManager() = default;

int32_t TransactionManager::Begin(KxTransactionResource*, int32_t, int32_t) {
    return KX_KERNEL_E_NOT_SUPPORTED;
}
int32_t TransactionManager::Commit(KxTransactionResource*) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t TransactionManager::Abort(KxTransactionResource*) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t TransactionManager::Prepare(KxTransactionResource*) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t TransactionManager::Recover(KxTransactionResource*) { return KX_KERNEL_E_NOT_SUPPORTED; }
