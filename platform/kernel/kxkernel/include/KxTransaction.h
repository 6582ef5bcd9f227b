// Kernel transactions: a transaction, its resource at each base, and a handle on a resource.
//
// A transaction has one resource per base it works on (GetResource). When the base has a
// connection (KxBase::SetConnection), the connection is asked to create a transaction context for
// a new resource, and Begin, Commit and Abort are passed on to it for every resource.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxKernelStatus.h"

class KxBase;
class KxTransaction;

class KxTransactionResource {
public:
    // Option bits.
    enum : uint32_t {
        KX_TXNOPT_NO_TXN_FLAGS = 0x10,      // the gateway clears its resource manager's first flag word
        KX_TXNOPT_NO_CONTEXT   = 0x10000    // bit 0 of the third option byte
    };

    KxTransactionResource(KxTransaction* txn, KxBase* base);
    virtual ~KxTransactionResource();
    KxTransactionResource(const KxTransactionResource&) = delete;
    KxTransactionResource& operator=(const KxTransactionResource&) = delete;

    KxTransaction* GetTransaction() const;
    KxBase* GetBase() const;

    // The connection's transaction context for this resource (owned by the connection).
    void* GetContext() const;
    void SetContext(void* context);

    uint32_t GetOptions() const;
    void SetOptions(uint32_t options);

    // Whether objects read in a read-consistent way belong to this resource.
    bool HoldsReadConsistentObjects() const;
    void SetReadConsistentObjects(bool holds);

private:
    KxTransaction* txn_;
    KxBase* base_;
    void* context_ = nullptr;
    uint32_t options_ = 0;
    bool readConsistent_ = false;
};

// A handle on a transaction resource (does not own it).
class KxTransactionResourceHandle {
public:
    explicit KxTransactionResourceHandle(KxTransactionResource* resource);
    virtual ~KxTransactionResourceHandle();

    KxTransactionResource* GetResource() const;
    KxBase* GetBase() const;                 // null without resource
    KxTransaction* GetTransaction() const;   // null without resource

private:
    KxTransactionResource* resource_;
};

class KxTransaction {
public:
    // kernelTransaction: the transaction is the kernel's own (true), as opposed to one that only
    // coordinates the connections of its bases (false, the default).
    explicit KxTransaction(bool kernelTransaction = false);
    // Deletes every resource, asking each base's connection to delete the resource's transaction
    // context first (when it has one). The transaction stops being current at its bases.
    virtual ~KxTransaction();
    KxTransaction(const KxTransaction&) = delete;
    KxTransaction& operator=(const KxTransaction&) = delete;

    // The resource of this transaction at base, made on first request; null for a null base or
    // when the base's connection cannot create a transaction context (GetLastStatus tells why).
    // A resource made while levels are open is begun once for each open level.
    KxTransactionResource* GetResource(KxBase* base);

    // Opens a level: every resource's connection begins a transaction; the first negative status
    // ends the round and is answered (the level is then not opened): every connection asked so far,
    // the failed one included, is sent an abort that ends what its begin started. The transaction
    // becomes the current one of each of its bases that has none.
    int32_t Begin();
    // Close the top level at every resource's connection; all are asked even when one fails, and
    // the first negative status is answered. KX_KERNEL_E_STATE when no level is open. When the last
    // level closes, the transaction stops being current at its bases.
    int32_t Commit();
    int32_t Abort();

    int32_t GetLevel() const;
    bool IsKernelTransaction() const;
    int32_t GetLastStatus() const;
    uint32_t GetResourceCount() const;

private:
    int32_t End(bool commit);
    bool kernel_;
    int32_t level_ = 0;
    int32_t lastStatus_ = 0;
    std::vector<std::unique_ptr<KxTransactionResource>> resources_;
};
