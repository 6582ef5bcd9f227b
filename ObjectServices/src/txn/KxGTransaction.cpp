// Transaction levels: outermost, savepoint and replaying.
#include "KxGTransaction.h"

#include <new>
#include <vector>

#include "KxGCompoundStatement.h"
#include "KxGDatabase.h"
#include "KxGLockService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTransactionContext.h"
#include "KxGTxnSupport.h"
#include "KxObjectAlias.h"

namespace {
KxObjectAlias* TakeFirstImage(KxGRequest& request, KxObjectAlias* key);

// The lock service's ReleaseTxnLocks for the context's current level (nothing without a service).
void ReleaseLevelLocks(KxGTransactionContext* context, uint16_t commit)
{
    KxGLockService* service = context != nullptr ? context->GetLockService() : nullptr;
    if (service != nullptr) {
        service->ReleaseTxnLocks(context, commit);
    }
}

// The refusal of a rollback-only context's prepare (trace line in the given tag).
int32_t RefuseRollbackOnly(KxGTransactionContext* context, KxGTxnTraceTag& tag)
{
    if (context != nullptr && context->IsRollbackOnly()) {
        tag.Write("rollback only");
        return KXG_E_ROLLED_BACK;
    }
    return 0;
}
}  // namespace

// ---- KxGTransaction ------------------------------------------------------------------------------

KxGTransaction::KxGTransaction(KxGTransactionContext* context) : KxGResourceMgr(context) {}

KxGTransaction::~KxGTransaction() = default;

int32_t KxGTransaction::XAPrepare()
{
    KxGTxnTraceTag tag(GetDatabase(), "XAPrepare");
    return RefuseRollbackOnly(GetContext(), tag);
}

int32_t KxGTransaction::RollbackLevel(const char* tagName)
{
    KxGTxnTraceTag tag(GetDatabase(), tagName);
    KxGTransactionContext* context = GetContext();
    KxGDatabase* database = GetDatabase();
    int32_t status = 0;
    if (database == nullptr || database->RollbackConnection() == 0) {
        status = AdapterStatus(KXG_E_RDBMS);
        tag.Write("RollbackConnection failed");
        MarkRollbackOnly();
        if (context != nullptr) {
            context->SetConnectionUnusable();
        }
    } else if (context != nullptr && !context->IsConnectionUnusable()) {
        context->SetRollbackOnly(false);
    }
    // The level's work is gone (rolled back, or with the connection that is never used again for a
    // commit): the kernel states go back in every case.
    if (GetStates() != nullptr) {
        GetStates()->RecoverAll(this);
    }
    ReleaseLevelLocks(context, 0);
    return status;
}

int32_t KxGTransaction::XACommit()
{
    KxGTxnTraceTag tag(GetDatabase(), "XACommit");
    KxGTransactionContext* context = GetContext();
    if (context != nullptr && context->IsRollbackOnly()) {
        tag.Write("rollback only: rolled back");
        RollbackLevel("XARollback");
        return KXG_E_ROLLED_BACK;
    }
    KxGDatabase* database = GetDatabase();
    if (database == nullptr || database->CommitConnection() == 0) {
        KxGNoteServerError(database, KXG_E_ROLLED_BACK);
        tag.Write("CommitConnection failed: rolled back");
        RollbackLevel("XARollback");
        return KXG_E_ROLLED_BACK;
    }
    ReleaseLevelLocks(context, 1);
    return 0;
}

int32_t KxGTransaction::XARollback()
{
    return RollbackLevel("XARollback");
}

int32_t KxGTransaction::Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState)
{
    return KeepState(alias, oldState, newState, false, nullptr);
}

int32_t KxGTransaction::MergeStates(KxGResourceMgr* child)
{
    KxGRecoverableStateSortList* states = child != nullptr ? child->GetStates() : nullptr;
    if (states == nullptr) {
        return 0;
    }
    for (uint32_t i = 0; i < states->Count(); ++i) {
        const KxGRecoverableState* state = states->At(i);
        KxRefObjectAlias alias(state->GetRef());
        const int32_t status = Register(&alias, state->GetOldState(), state->GetNewState());
        if (status < 0 && status != KXG_E_ALREADY_REGISTERED) {
            return status;
        }
    }
    return 0;
}

// ---- KxGSPTransaction ----------------------------------------------------------------------------

KxGSPTransaction::KxGSPTransaction(KxGTransactionContext* context) : KxGTransaction(context) {}

KxGSPTransaction::~KxGSPTransaction() = default;

int32_t KxGSPTransaction::XAStart(int16_t level)
{
    if (GetLevel() != 0) {
        return 0;
    }
    if (SetSavepoint(level) == 0) {
        KxGTxnTraceTag tag(GetDatabase(), "XAStart");
        tag.Write("SetSavepoint failed");
        return AdapterStatus(KXG_E_NO_RESOURCE_MANAGER);
    }
    return KxGTransaction::XAStart(level);
}

int32_t KxGSPTransaction::XAPrepare()
{
    KxGTxnTraceTag tag(GetDatabase(), "XAPrepare");
    const int32_t refused = RefuseRollbackOnly(GetContext(), tag);
    if (refused != 0) {
        return refused;
    }
    return GetParent() != nullptr ? GetParent()->MergeStates(this) : 0;
}

int32_t KxGSPTransaction::XACommit()
{
    if (GetLevel() == 1) {
        return KxGTransaction::XACommit();
    }
    // The savepoint stays until the enclosing level ends; the locks now last as long as the parent.
    ReleaseLevelLocks(GetContext(), 1);
    return 0;
}

int32_t KxGSPTransaction::XARollback()
{
    KxGTxnTraceTag tag(GetDatabase(), "XARollback");
    int32_t status = 0;
    if (RollbackToSavepoint(GetLevel()) != 0) {
        if (GetStates() != nullptr) {
            GetStates()->RecoverAll(this);
        }
    } else {
        // The level's writes are still in the connection: the kernel states stay as they are, and
        // the level below takes the states over so that its rollback repairs them.
        tag.Write("RollbackToSavepoint failed");
        status = AdapterStatus(KXG_E_RDBMS);
        MarkRollbackOnly();
        if (GetParent() != nullptr) {
            GetParent()->MergeStates(this);
        }
    }
    ReleaseLevelLocks(GetContext(), 0);
    return status;
}

namespace {
// The first SQL image that an executed request produced, taken out of the request together with the
// request's input (key); the other images and the key are deleted. Null when it produced none.
KxObjectAlias* TakeFirstImage(KxGRequest& request, KxObjectAlias* key)
{
    KxObjectAlias* image = request.GetOutput(0);
    if (image == nullptr) {
        return nullptr;
    }
    std::vector<KxObjectAlias*> rest;
    for (uint32_t i = 1; i < request.GetOutputCount(); ++i) {
        rest.push_back(request.GetOutput(i));
    }
    request.Reset();   // the request lets go of its aliases without deleting them
    for (KxObjectAlias* other : rest) {
        delete other;
    }
    delete key;
    return image;
}
}  // namespace

// ---- KxGMRTransaction ----------------------------------------------------------------------------

KxGMRTransaction::KxGMRTransaction(KxGTransactionContext* context) : KxGTransaction(context) {}

KxGMRTransaction::~KxGMRTransaction() = default;

int32_t KxGMRTransaction::XAPrepare()
{
    KxGTxnTraceTag tag(GetDatabase(), "XAPrepare");
    const int32_t refused = RefuseRollbackOnly(GetContext(), tag);
    if (refused != 0) {
        return refused;
    }
    return GetParent() != nullptr ? GetParent()->MergeStates(this) : 0;
}

int32_t KxGMRTransaction::XACommit()
{
    ReleaseLevelLocks(GetContext(), 1);
    return 0;
}

int32_t KxGMRTransaction::XARollback()
{
    KxGTxnTraceTag tag(GetDatabase(), "XARollback");
    KxGTransactionContext* context = GetContext();
    // The level's locks end as an abort first: the repair's own commit must not carry them over.
    ReleaseLevelLocks(context, 0);
    KxGDatabase* database = GetDatabase();
    KxGResourceMgr* made = database != nullptr ? database->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context)
                                               : nullptr;
    int32_t status = 0;
    if (made == nullptr || made->GetRMType() != KXG_RM_COMPOUND_STATEMENT) {
        if (made != nullptr) {
            database->DeleteResourceMgr(made);
        }
        tag.Write("no compound statement for the repairs");
        MarkRollbackOnly();
        if (GetStates() != nullptr) {
            GetStates()->RecoverAll(this);   // kernel states only
        }
        return KXG_E_NO_RESOURCE_MANAGER;
    }
    auto* compound = static_cast<KxGCompoundStatement*>(made);
    compound->SetParent(this);
    status = compound->XAStart(GetLevel());
    if (status == 0 && GetStates() != nullptr) {
        status = GetStates()->RecoverAll(compound);
    }
    if (status == 0) {
        status = compound->XAPrepare();
        if (status < 0) {
            compound->XARollback();
        } else {
            status = compound->XACommit();
        }
    }
    compound->XAEnd();
    compound->SetParent(nullptr);
    database->DeleteResourceMgr(compound);
    if (status < 0) {
        tag.Write("replay failed");
        MarkRollbackOnly();
        if (GetStates() != nullptr) {
            GetStates()->RecoverAll(this);   // the kernel states still go back
        }
        return status;
    }
    return 0;
}

int32_t KxGMRTransaction::Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState)
{
    KxGRecoverableState* inserted = nullptr;
    const int32_t status = KeepState(alias, oldState, newState, true, &inserted);
    if (inserted == nullptr || (oldState & KXG_STATE_IN_DATABASE) == 0) {
        return status;
    }
    int32_t imageStatus = 0;
    KxObjectAlias* image = MakeBeforeImage(alias, imageStatus);
    if (image == nullptr) {
        GetStates()->Remove(inserted->GetRef().GetObjId());
        return imageStatus < 0 ? imageStatus : KXG_E_NO_MEMORY;
    }
    if (inserted->SetBeforeImage(image) != 0) {
        delete image;
    }
    return status;
}

int32_t KxGMRTransaction::MergeStates(KxGResourceMgr* child)
{
    KxGRecoverableStateSortList* states = child != nullptr ? child->GetStates() : nullptr;
    if (states == nullptr) {
        return 0;
    }
    if (EnsureStates() == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    return GetStates()->MergeFrom(*states);
}

KxObjectAlias* KxGMRTransaction::MakeBeforeImage(KxObjectAlias* alias, int32_t& status)
{
    status = 0;
    KxRef ref;
    alias->GetRef(ref);
    KxGClassMap* classMap = nullptr;
    status = KxGFindClassMap(GetContext(), ref.GetClassId(), classMap);
    if (status != 0) {
        return nullptr;
    }
    // Every before-image is read from the row: an object in memory already holds its new values, and
    // an SQL image of a delete was read from the row in the first place.
    KxGRequest* request = MakeRequest(classMap, ref.GetClassId(), KXG_OP_IMAGE_READ);
    KxRefObjectAlias* key = request != nullptr ? new (std::nothrow) KxRefObjectAlias(ref) : nullptr;
    if (key == nullptr) {
        delete request;
        status = KXG_E_NO_MEMORY;
        return nullptr;
    }
    status = request->AddAlias(key);
    if (status != 0) {
        delete key;
        delete request;
        return nullptr;
    }
    status = request->Execute();
    KxObjectAlias* image = status >= 0 ? TakeFirstImage(*request, key) : nullptr;
    delete request;
    if (image == nullptr && status >= 0) {
        status = KXG_E_NO_MEMORY;
    }
    return image;
}
