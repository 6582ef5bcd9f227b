// Kernel interfaces of the shells that run collections of requests: the database shell, the
// server admin shell, and the executable a shell runs. Every operation answers
// KX_KERNEL_E_NOT_SUPPORTED (-2999) unless stated otherwise or a derived class gives it behaviour.
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"
#include "KxRef.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxDatabaseShell;
class KxServerAdminShell;
class KxTransactionResource;

// A request a shell runs in three steps.
class KxExecutable {
public:
    KxExecutable();
    virtual ~KxExecutable();
    virtual int32_t Prepare(KxDatabaseShell* shell);
    virtual int32_t Execute(KxServerAdminShell* shell);
    virtual int32_t Finish(KxDatabaseShell* shell);
};

// Called for each reference of a collection after binding; a non-zero answer is the reference's code.
class KxRefCallee {
public:
    virtual ~KxRefCallee();
    virtual int32_t Call(const KxRef& ref) = 0;
};

class KxDatabaseShell {
public:
    KxDatabaseShell();
    virtual ~KxDatabaseShell();
    KxDatabaseShell(const KxDatabaseShell&) = delete;
    KxDatabaseShell& operator=(const KxDatabaseShell&) = delete;

    // The shell's name, made from the name given in 'name'.
    virtual int32_t GetName(KxString& name);
    virtual int32_t Run(KxExecutable* executable);
    virtual int32_t Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                         const KxWatchSpec* watchSpec);
    virtual int32_t Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                           const KxWatchSpec* watchSpec);
    virtual int32_t Watch(KxRefCollection& refs, const KxWatchSpec* watchSpec);
    virtual int32_t EvalLock(const KxLockSpec* given, KxLockSpec& effective);
    virtual int32_t EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective);
    virtual int32_t Forget(int32_t status, KxRefCollection& refs);
    virtual int32_t DeleteCollection(KxRefCollection& refs, int32_t mode, int32_t flags,
                                     const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec);
    virtual int32_t PostBinding(KxRefCollection& refs, int32_t status, KxRefCallee* callee);
    virtual int32_t BeginTransaction(KxTransactionResource* resource);
    virtual int32_t CommitTransaction(KxTransactionResource* resource);
    virtual int32_t AbortTransaction(KxTransactionResource* resource);
    // The kernel shell's own synchronisation: nothing to do in the stand-in; answers 0.
    virtual int32_t Synchronize();
};

class KxServerAdminShell {
public:
    KxServerAdminShell();
    virtual ~KxServerAdminShell();
    KxServerAdminShell(const KxServerAdminShell&) = delete;
    KxServerAdminShell& operator=(const KxServerAdminShell&) = delete;

    // The shell's name, made from the name given in 'name'.
    virtual int32_t GetName(KxString& name);
};
