// The gateway's database shell and server shell.
//
//   KxGatewayShell        runs the kernel's collections of requests (lock, unlock, delete, watch) on
//                         a gateway database and begins, commits and aborts the inner transaction
//                         level around each request.
//   KxGatewayServerShell  the short-lived shell an executable's execute step gets.
//
// Collections: a reference takes part when neither its status nor its code is negative and its
// status is not -4103 ... 4103 (a reference not executed). A lock spec of kind 1015 counts as none; a
// watch spec with its watch flag clear counts as none, a real one makes lock, unlock and delete
// answer -2999. Mode 1 works all or nothing: the first failure stops, and every reference not tried
// gets -4103 (never 0, which would read as done). Other modes go on after a failure and answer 4102.
#pragma once

#include <cstdint>

#include "KxShell.h"

class KxBase;
class KxGatewayAdmin;

class KxGatewayShell : public KxDatabaseShell {
public:
    // The status of a reference that was not tried.
    static constexpr int32_t kNotExecutedStatus = 4103;

    KxGatewayShell(KxBase* base, KxGatewayAdmin* admin);
    ~KxGatewayShell() override;

    // The given name followed by " gateway".
    int32_t GetName(KxString& name) override;
    // Prepare with this shell, then (when it succeeded) execute with a server shell, then finish.
    int32_t Run(KxExecutable* executable) override;
    int32_t Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                 const KxWatchSpec* watchSpec) override;
    int32_t Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                   const KxWatchSpec* watchSpec) override;
    // Every valid reference gets code 0.
    int32_t Watch(KxRefCollection& refs, const KxWatchSpec* watchSpec) override;
    int32_t EvalLock(const KxLockSpec* given, KxLockSpec& effective) override;
    int32_t EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective) override;
    // Drops the object space's pointers to the valid references' objects; answers status.
    int32_t Forget(int32_t status, KxRefCollection& refs) override;
    int32_t DeleteCollection(KxRefCollection& refs, int32_t mode, int32_t flags, const KxLockSpec* lockSpec,
                             const KxWatchSpec* watchSpec) override;
    int32_t PostBinding(KxRefCollection& refs, int32_t status, KxRefCallee* callee) override;
    // The kernel's own for a kernel transaction; else the gateway transaction manager's inner level:
    // the context's level (0 or more) or a negative status.
    int32_t BeginTransaction(KxTransactionResource* resource) override;
    int32_t CommitTransaction(KxTransactionResource* resource) override;
    // Always 0.
    int32_t AbortTransaction(KxTransactionResource* resource) override;

    static bool IsValid(const KxCollectionRef& ref);

private:
    KxBase* base_;
    KxGatewayAdmin* admin_;
};

class KxGatewayServerShell : public KxServerAdminShell {
public:
    KxGatewayServerShell();
    ~KxGatewayServerShell() override;
    // "RO GW client".
    int32_t GetName(KxString& name) override;
};
