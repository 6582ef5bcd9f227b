// The compound statement: one batch of stores and deletes on top of a transaction level.
#include "KxGCompoundStatement.h"

#include <algorithm>

#include "KxGDatabase.h"
#include "KxGLockService.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGTxnSupport.h"
#include "KxObjectAlias.h"

KxGCompoundStatement::KxGCompoundStatement(KxGTransactionContext* context, int32_t /*growStep*/)
    : KxGResourceMgr(context)
{
}

KxGCompoundStatement::~KxGCompoundStatement()
{
    requests_.DeleteAll();
}

int32_t KxGCompoundStatement::XAStart(int16_t level)
{
    if (GetParent() == nullptr) {
        level = std::min<int16_t>(level, 1);
    }
    return KxGResourceMgr::XAStart(level);
}

int32_t KxGCompoundStatement::XAEnd()
{
    requests_.DeleteAll();
    return KxGResourceMgr::XAEnd();
}

int32_t KxGCompoundStatement::ExecuteRequests()
{
    int32_t kept = 0;
    for (uint32_t i = 0; i < requests_.Count(); ++i) {
        requestIndex_ = static_cast<int16_t>(std::min<uint32_t>(i, INT16_MAX));
        const int32_t status = requests_.At(i)->Execute();
        if (status < 0) {
            requestIndex_ = -1;
            return status;
        }
        if (status > 0 && kept == 0) {
            kept = status;
        }
    }
    requestIndex_ = -1;
    return kept;
}

int32_t KxGCompoundStatement::XAPrepare()
{
    KxGTxnTraceTag tag(GetDatabase(), "XAPrepare");
    KxGTransactionContext* context = GetContext();
    if (context != nullptr && context->IsRollbackOnly()) {
        tag.Write("rollback only");
        return KXG_E_ROLLED_BACK;
    }
    if (AcquireLocks() == 0) {
        tag.Write("AcquireLocks failed");
        return KXG_E_LOCK_REFUSED;
    }
    int32_t result = 0;
    if (GetLevel() == 1 || GetFlags() != 0) {
        if (BeginCompound() == 0) {
            // Nothing was begun, so there is nothing to end.
            tag.Write("BeginCompound failed");
            result = KXG_E_BEGIN_BATCH;
        } else {
            bracketOpen_ = true;
            result = ExecuteRequests();
            if (EndCompound(result >= 0 ? 1 : 0) == 0) {
                // The bracket stays open: the rollback ends it again.
                tag.Write("EndCompound failed");
                // The adapter's status; one that is -6001, or none at all, becomes -6101: a failed
                // end never passes as success.
                const int32_t code = AdapterStatus(KXG_E_END_BATCH);
                result = code == KXG_E_RDBMS ? KXG_E_END_BATCH : code;
            } else {
                bracketOpen_ = false;
            }
        }
    } else {
        result = ExecuteRequests();
    }
    tag.Write("XAPrepare Succeeded");
    return result;
}

int32_t KxGCompoundStatement::XACommit()
{
    KxGTxnTraceTag tag(GetDatabase(), "XACommit");
    ReleaseLocks(1);
    return 0;
}

int32_t KxGCompoundStatement::XARollback()
{
    KxGTxnTraceTag tag(GetDatabase(), "XARollback");
    int32_t status = 0;
    // Only a bracket that is still open is ended: one that was never begun, or that the preparation
    // ended already, has nothing left to roll back.
    // On its own at level 1 a rollback-only context is rolled back here as well.
    KxGTransactionContext* context = GetContext();
    const bool alone = GetParent() == nullptr && GetLevel() == 1;
    const bool end = bracketOpen_ || (alone && context != nullptr && context->IsRollbackOnly());
    if (end && EndCompound(0) == 0) {
        tag.Write("EndCompound failed");
        status = AdapterStatus(KXG_E_END_BATCH);
        if (status == KXG_E_RDBMS) {
            status = KXG_E_END_BATCH;
        }
        MarkRollbackOnly();
        if (alone && context != nullptr) {
            // On its own at level 1 the compound statement ends the connection's transaction: the
            // connection's state is unknown now.
            context->SetConnectionUnusable();
        }
    } else if (end && alone && context != nullptr && !context->IsConnectionUnusable()) {
        context->SetRollbackOnly(false);
    }
    bracketOpen_ = false;
    if (GetStates() != nullptr) {
        GetStates()->RecoverAll(this);
    }
    ReleaseLocks(0);
    return status;
}

int32_t KxGCompoundStatement::Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState)
{
    const int32_t own = KeepState(alias, oldState, newState, false, nullptr);
    if (own < 0 && own != KXG_E_ALREADY_REGISTERED) {
        return own;
    }
    // Every registration goes down, also a second one of the same object: a replaying level reads
    // the latest new state to choose its repair.
    if (GetParent() != nullptr) {
        const int32_t below = GetParent()->Register(alias, oldState, newState);
        if (below < 0 && below != KXG_E_ALREADY_REGISTERED) {
            return below;
        }
    }
    return own;
}

uint16_t KxGCompoundStatement::BeginCompound()
{
    return 1;
}

uint16_t KxGCompoundStatement::EndCompound(uint16_t /*ok*/)
{
    return 1;
}

uint16_t KxGCompoundStatement::AcquireLocks()
{
    KxGTxnTraceTag tag(GetDatabase(), "AcquireLocks");
    KxGTransactionContext* context = GetContext();
    KxGLockService* service = context != nullptr ? context->GetLockService() : nullptr;
    KxRefList refs;
    KxGRecoverableStateSortList* states = GetStates();
    try {
        for (uint32_t i = 0; states != nullptr && i < states->Count(); ++i) {
            const KxGRecoverableState* state = states->At(i);
            if ((state->GetOldState() & KXG_STATE_IN_DATABASE) != 0 &&
                (state->GetNewState() & KXG_STATE_IN_DATABASE) != 0) {
                refs.push_back(state->GetRef());
            }
        }
    } catch (const std::bad_alloc&) {
        tag.Write("out of memory");
        return 0;
    }
    if (service == nullptr) {
        return 1;
    }
    return service->AcquireTxnLocks(context, KXG_LOCK_MODE_TXN, refs);
}

uint16_t KxGCompoundStatement::ReleaseLocks(uint16_t commit)
{
    KxGTxnTraceTag tag(GetDatabase(), "ReleaseLocks");
    KxGTransactionContext* context = GetContext();
    KxGLockService* service = context != nullptr ? context->GetLockService() : nullptr;
    return service != nullptr ? service->ReleaseTxnLocks(context, commit) : 1;
}

int32_t KxGCompoundStatement::FindRequest(const KxClassId& classId, int32_t operation, KxGRequest*& request) const
{
    for (uint32_t i = 0; i < requests_.Count(); ++i) {
        KxGRequest* candidate = requests_.At(i);
        if (candidate->Matches(classId, operation) && candidate->GetAliasCount() < KXG_REQUEST_MAX_OBJECTS) {
            request = candidate;
            return 1;
        }
    }
    request = nullptr;
    return 0;
}

int32_t KxGCompoundStatement::AddRequest(KxGRequest* request)
{
    return requests_.Append(request);
}

int32_t KxGCompoundStatement::AddToRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation,
                                           KxObjectAlias* alias)
{
    if (alias == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    KxGRequest* request = nullptr;
    if (FindRequest(classId, operation, request) == 0) {
        request = MakeRequest(classMap, classId, operation);
        if (request == nullptr) {
            return KXG_E_NO_MEMORY;
        }
        const int32_t added = AddRequest(request);
        if (added != 0) {
            delete request;
            return added;
        }
    }
    return request->AddAlias(alias);
}
