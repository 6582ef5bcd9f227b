// The gateway's database shell (collections of requests, inner transaction levels) and server shell.
#include "KxGatewayShell.h"

#include <vector>

#include "KxBase.h"
#include "KxBucketTrace.h"
#include "KxGLockService.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayBucket.h"
#include "KxGatewayTransactionMgr.h"
#include "KxObjectSpace.h"
#include "KxTransaction.h"

namespace {

bool IsLock(const KxLockSpec* spec)
{
    return spec != nullptr && spec->kind != KxLockSpec::KX_LOCKSPEC_NONE;
}

bool IsWatch(const KxWatchSpec* spec)
{
    return spec != nullptr && spec->watch != 0;
}

// The references of the valid entries, their codes set to 0.
KxRefList ValidRefs(KxRefCollection& refs)
{
    KxRefList list;
    for (KxCollectionRef& entry : refs) {
        if (KxGatewayShell::IsValid(entry)) {
            entry.code = 0;
            list.push_back(entry.ref);
        }
    }
    return list;
}

// Every valid entry gets the code.
void SetCodes(KxRefCollection& refs, int32_t code)
{
    for (KxCollectionRef& entry : refs) {
        if (KxGatewayShell::IsValid(entry)) {
            entry.code = code;
        }
    }
}

// The steps the collection forms of Lock and Unlock share before their walk over the references: a
// watch is refused, a transaction is required, there is nothing to do without a lock or a valid
// reference, then the lock service's collection call is tried. True when that settles the call, its
// status in result; false when the references are to be done one by one.
bool SettleByCollection(KxGatewayAdmin* admin, KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                        const KxWatchSpec* watchSpec, bool release, int32_t& result)
{
    result = 0;
    if (IsWatch(watchSpec)) {
        result = KXG_E_NOT_SUPPORTED;
        return true;
    }
    const KxRefList list = ValidRefs(refs);
    KxGatewayTransactionMgr* manager = admin != nullptr ? admin->GetTransactionMgr() : nullptr;
    if (manager == nullptr) {
        result = KXG_E_NO_TXN_CONTEXT;
        return true;
    }
    if (!IsLock(lockSpec) || list.empty()) {
        return true;
    }
    KxGLockService* service = manager->GetLockService();
    KxGTransactionContext* context = manager->CurrentTransactionContext();
    if (service == nullptr || context == nullptr || lockSpec->flags != 0 ||
        (release ? service->SupportsCollUnlocks() : service->SupportsCollLocks()) == 0) {
        return false;
    }
    const auto lockMode = static_cast<uint16_t>(lockSpec->mode);
    if ((release ? service->ReleaseCollLocks(context, lockMode, list)
                 : service->AcquireCollLocks(context, lockMode, list)) != 0) {
        return true;
    }
    if (mode != 1) {
        return false;
    }
    // Nothing was done: no reference reads as done.
    SetCodes(refs, KXG_E_REF_NOT_EXECUTED);
    result = release ? KXG_E_NO_ROW_DELETED : service->GetFailure();
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// KxGatewayShell

KxGatewayShell::KxGatewayShell(KxBase* base, KxGatewayAdmin* admin) : base_(base), admin_(admin) {}

KxGatewayShell::~KxGatewayShell() = default;

bool KxGatewayShell::IsValid(const KxCollectionRef& ref)
{
    return IsValidRef(ref);
}

int32_t KxGatewayShell::GetName(KxString& name)
{
    const std::string given = name.IsActive() ? std::string(name.StrGet()) : std::string();
    name = KxString((given + " gateway").c_str());
    return 0;
}

int32_t KxGatewayShell::Run(KxExecutable* executable)
{
    if (executable == nullptr) {
        return KXG_E_NULL_OBJECT;
    }
    KxGatewayServerShell server;
    return RunSteps(executable, server);
}

int32_t KxGatewayShell::Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                             const KxWatchSpec* watchSpec)
{
    KxGStatusScope scope(admin_ != nullptr ? admin_->GetBase() : nullptr);
    int32_t result = 0;
    if (SettleByCollection(admin_, refs, mode, lockSpec, watchSpec, false, result)) {
        return scope.Answer(result);
    }
    return scope.Answer(LockEachRef(*admin_, refs, mode, lockSpec, result));
}

int32_t KxGatewayShell::Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec,
                               const KxWatchSpec* watchSpec)
{
    int32_t result = 0;
    if (SettleByCollection(admin_, refs, mode, lockSpec, watchSpec, true, result)) {
        return result;
    }
    return UnlockEachRef(*admin_, refs, lockSpec, result);
}

int32_t KxGatewayShell::Watch(KxRefCollection& refs, const KxWatchSpec* /*watchSpec*/)
{
    ValidRefs(refs);
    return 0;
}

int32_t KxGatewayShell::EvalLock(const KxLockSpec* given, KxLockSpec& effective)
{
    if (base_ == nullptr) {
        effective = given != nullptr ? *given : KxLockSpec{0, 0, KxLockSpec::KX_LOCKSPEC_NONE};
        return 0;
    }
    return base_->EvalLock(given, effective);
}

int32_t KxGatewayShell::EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective)
{
    if (base_ == nullptr) {
        effective = given != nullptr ? *given : KxWatchSpec{};
        return 0;
    }
    return base_->EvalWatch(given, effective);
}

int32_t KxGatewayShell::Forget(int32_t status, KxRefCollection& refs)
{
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space == nullptr) {
        return status;
    }
    for (const KxCollectionRef& entry : refs) {
        if (!IsValid(entry)) {
            continue;
        }
        space->BeginCriticalSection();
        if (space->nts_IsInList(entry.ref) != nullptr) {
            space->nts_Remove(entry.ref);
        }
        space->EndCriticalSection();
    }
    return status;
}

int32_t KxGatewayShell::DeleteCollection(KxRefCollection& refs, int32_t mode, int32_t flags,
                                         const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    if (IsWatch(watchSpec)) {
        return KXG_E_NOT_SUPPORTED;
    }
    if (admin_ == nullptr) {
        return KXG_E_NO_TRANSACTION_MANAGER;
    }
    const bool whole = mode == 1;
    int32_t result = 0;
    if (whole) {
        const int32_t begun = BeginTransaction(nullptr);
        if (begun < 0) {
            AbortTransaction(nullptr);
            SetCodes(refs, KXG_E_REF_NOT_EXECUTED);
            return KXG_E_COLLECTION_FAILED;
        }
    }
    bool failed = false;
    for (KxCollectionRef& entry : refs) {
        if (!IsValid(entry)) {
            continue;
        }
        if (failed) {
            entry.code = KXG_E_REF_NOT_EXECUTED;
            continue;
        }
        int32_t status = 0;
        if (!whole) {
            status = BeginTransaction(nullptr);
        }
        if (status >= 0) {
            KxBucket* bucket = nullptr;
            if (admin_->GetBucketMgr().GetBucket(entry.ref.GetClassId(), bucket, 1) != 0 || bucket == nullptr) {
                status = KXG_E_CLASS_UNKNOWN;
            } else {
                status = bucket->DeleteObject(entry.ref, flags, nullptr);
            }
        }
        if (!whole) {
            if (status < 0) {
                AbortTransaction(nullptr);
            } else {
                const int32_t committed = CommitTransaction(nullptr);
                if (committed < 0) {
                    status = committed;
                }
            }
        }
        entry.code = status;
        if (status > 0 && result == 0) {
            result = KXG_W_SOME_REFS_FAILED;
        }
        if (status < 0) {
            if (whole) {
                failed = true;
                result = KXG_E_COLLECTION_FAILED;
            } else if (result >= 0) {
                result = KXG_W_SOME_REFS_FAILED;
            }
        }
    }
    if (whole) {
        int32_t ended = 0;
        if (failed) {
            AbortTransaction(nullptr);
        } else {
            ended = CommitTransaction(nullptr);
            if (ended < 0) {
                failed = true;
                result = KXG_E_COLLECTION_FAILED;
            }
        }
        if (failed) {
            // Rolled back: what looked done is undone.
            for (KxCollectionRef& entry : refs) {
                if (IsValid(entry) && entry.code >= 0) {
                    entry.code = ended < 0 ? ended : KXG_E_REF_NOT_EXECUTED;
                }
            }
        }
    }
    if (IsLock(lockSpec)) {
        KxRefCollection copy = refs;
        for (KxCollectionRef& entry : copy) {
            entry.code = 0;
        }
        Unlock(copy, 0, lockSpec, nullptr);
    }
    return result;
}

int32_t KxGatewayShell::PostBinding(KxRefCollection& refs, int32_t status, KxRefCallee* callee)
{
    if (callee == nullptr) {
        return status;
    }
    for (KxCollectionRef& entry : refs) {
        if (!IsValid(entry)) {
            continue;
        }
        const int32_t answer = callee->Call(entry.ref);
        if (answer != 0) {
            entry.code = answer;
            if (status == 0) {
                status = KXG_W_SOME_REFS_FAILED;
            }
        }
    }
    return status;
}

namespace {

KxTransactionResource* Resolve(KxBase* base, KxTransactionResource* resource)
{
    if (resource != nullptr || base == nullptr) {
        return resource;
    }
    KxTransaction* transaction = base->GetCurrentTransaction();
    return transaction != nullptr ? transaction->GetResource(base) : nullptr;
}

bool IsKernelTransaction(KxTransactionResource* resource)
{
    return resource != nullptr && resource->GetTransaction() != nullptr &&
           resource->GetTransaction()->IsKernelTransaction();
}

}  // namespace

int32_t KxGatewayShell::BeginTransaction(KxTransactionResource* resource)
{
    resource = Resolve(base_, resource);
    if (IsKernelTransaction(resource)) {
        return KxDatabaseShell::BeginTransaction(resource);
    }
    KxGatewayTransactionMgr* manager = admin_ != nullptr ? admin_->GetTransactionMgr() : nullptr;
    if (manager == nullptr) {
        return KXG_E_NO_TRANSACTION_MANAGER;
    }
    return manager->TXBegin(resource, 1);
}

int32_t KxGatewayShell::CommitTransaction(KxTransactionResource* resource)
{
    resource = Resolve(base_, resource);
    if (IsKernelTransaction(resource)) {
        return KxDatabaseShell::CommitTransaction(resource);
    }
    KxGatewayTransactionMgr* manager = admin_ != nullptr ? admin_->GetTransactionMgr() : nullptr;
    if (manager == nullptr) {
        return KXG_E_NO_TRANSACTION_MANAGER;
    }
    return manager->TXCommit(resource);
}

int32_t KxGatewayShell::AbortTransaction(KxTransactionResource* resource)
{
    resource = Resolve(base_, resource);
    if (IsKernelTransaction(resource)) {
        KxDatabaseShell::AbortTransaction(resource);
        return 0;
    }
    KxGatewayTransactionMgr* manager = admin_ != nullptr ? admin_->GetTransactionMgr() : nullptr;
    if (manager != nullptr) {
        manager->TXAbort(resource);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// KxGatewayServerShell

KxGatewayServerShell::KxGatewayServerShell() = default;

KxGatewayServerShell::~KxGatewayServerShell() = default;

int32_t KxGatewayServerShell::GetName(KxString& name)
{
    name = KxString("RO GW client");
    return 0;
}
