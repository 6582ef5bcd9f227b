// Kernel interfaces of the shells that run collections of requests: the database shell, the
// server admin shell, and the executable a shell runs. Every operation answers
// KX_KERNEL_E_NOT_SUPPORTED (-2999) unless stated otherwise or a derived class gives it behaviour.
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"
#include "KxRef.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxAdmin;
class KxDatabaseShell;
class KxServerAdminShell;
class KxTransactionResource;

// Statuses of collection requests (lock, unlock, delete a collection of references).
enum : int32_t {
    KX_W_SOME_REFS_FAILED = 4102,     // some references of the collection failed
    KX_E_COLLECTION_FAILED = -4102,   // the collection failed as a whole (mode 1)
    KX_E_REF_NOT_EXECUTED = -4103,    // the reference was not tried (or its work was undone)
    KX_REF_NOT_EXECUTED_STATUS = 4103 // a caller's status that keeps the reference out
};

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

    // Whether an entry of a collection takes part: status and code not negative, and a status other
    // than KX_REF_NOT_EXECUTED_STATUS.
    static bool IsValidRef(const KxCollectionRef& ref);

protected:
    // The steps of Run: Prepare; Execute on the server shell unless Prepare failed; Finish in every
    // case. The answer is Execute's when it was not 0, else Prepare's; Finish's replaces a 0 and a
    // warning when it fails, and a 0 always.
    int32_t RunSteps(KxExecutable* executable, KxServerAdminShell& server);
    // Locks the valid references one by one through the admin's LockWatch, starting from result (a
    // status settled before, 0 otherwise): each gets its code; a failure makes the answer
    // KX_W_SOME_REFS_FAILED, in mode 1 KX_E_COLLECTION_FAILED, where the references locked before give
    // their locks back and the rest are not tried (both KX_E_REF_NOT_EXECUTED).
    static int32_t LockEachRef(KxAdmin& admin, KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                               int32_t result);
    // Unlocks the valid references one by one (UnlockWatch); a failure makes the answer
    // KX_W_SOME_REFS_FAILED.
    static int32_t UnlockEachRef(KxAdmin& admin, KxRefCollection& refs, const KxLockSpec* lockSpec, int32_t result);
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
