// TransactionManager: the kernel interface of a storage's transaction manager. A storage module
// derives it; every operation answers KX_KERNEL_E_NOT_SUPPORTED (-2999) unless the derived class
// gives it behaviour. A null resource stands for the resource of the base's current transaction
// (the derived manager resolves it).
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"

class KxTransactionResource;

class TransactionManager {
public:
    TransactionManager();
    virtual ~TransactionManager();
    TransactionManager(const TransactionManager&) = delete;
    TransactionManager& operator=(const TransactionManager&) = delete;

    // Begins an inner level of the resource's transaction; the two further arguments are reserved.
    virtual int32_t Begin(KxTransactionResource* resource, int32_t reserved1, int32_t reserved2);
    virtual int32_t Commit(KxTransactionResource* resource);
    virtual int32_t Abort(KxTransactionResource* resource);
    virtual int32_t Prepare(KxTransactionResource* resource);
    virtual int32_t Recover(KxTransactionResource* resource);
};
