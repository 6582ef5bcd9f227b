// Recoverable states, their sorted list and the resource-manager base.
#include "KxGResourceMgr.h"

#include <algorithm>
#include <new>

#include "KxBase.h"
#include "KxGBlockPool.h"
#include "KxGCompoundStatement.h"
#include "KxGDatabase.h"
#include "KxGOperationEnvironment.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTransactionContext.h"
#include "KxGTxnSupport.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectSpace.h"
#include "KxTransaction.h"

// ---- support -------------------------------------------------------------------------------------

int32_t KxGFindClassMap(KxGTransactionContext* context, const KxClassId& classId, KxGClassMap*& classMap)
{
    classMap = nullptr;
    KxGOperationEnvironment* environment = context != nullptr ? context->GetOperationEnvironment() : nullptr;
    if (environment == nullptr || environment->GetClassMapLookup() == nullptr) {
        // No catalog to ask (a context made without one): the request decides what it can do.
        return 0;
    }
    classMap = environment->GetClassMapLookup()(environment->GetCatalog(), classId);
    return classMap != nullptr ? 0 : KXG_E_MAP_NO_CLASS;
}

// ---- KxGRecoverableState -------------------------------------------------------------------------

void* KxGRecoverableState::operator new(std::size_t size) { return KxGPooled<KxGRecoverableState>::New(size); }

void* KxGRecoverableState::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return KxGPooled<KxGRecoverableState>::TryNew(size);
}

void KxGRecoverableState::operator delete(void* block, std::size_t size) noexcept
{
    KxGPooled<KxGRecoverableState>::Delete(block, size);
}

KxGRecoverableState::KxGRecoverableState(const KxRef& ref, uint16_t oldState, uint16_t newState)
    : ref_(ref), oldState_(oldState), newState_(newState)
{
}

KxGRecoverableState::~KxGRecoverableState() = default;

int32_t KxGRecoverableState::SetBeforeImage(KxObjectAlias* /*image*/)
{
    return KXG_E_ALREADY_REGISTERED;
}

KxObjectAlias* KxGRecoverableState::GetBeforeImage() const
{
    return nullptr;
}

void KxGRecoverableState::RestoreKernelState(KxGResourceMgr* manager) const
{
    KxGTransactionContext* context = manager != nullptr ? manager->GetContext() : nullptr;
    KxTransactionResourceHandle* handle = context != nullptr ? context->GetResourceHandle() : nullptr;
    KxBase* base = handle != nullptr ? handle->GetBase() : nullptr;
    KxObjectSpace* space = base != nullptr ? base->GetObjectSpace() : nullptr;
    if (space == nullptr) {
        return;
    }
    space->BeginCriticalSection();
    KxObject* object = space->nts_IsInList(ref_);
    if (object != nullptr) {
        const uint16_t state = object->GetState();
        object->SetState(static_cast<uint16_t>((state & ~KXG_STATE_RECOVERED_BITS) |
                                               (oldState_ & KXG_STATE_RECOVERED_BITS)));
    }
    space->EndCriticalSection();
}

int32_t KxGRecoverableState::Recover(KxGResourceMgr* manager)
{
    RestoreKernelState(manager);
    return 0;
}

// ---- KxGMRRecoverableState -----------------------------------------------------------------------

KxGMRRecoverableState::KxGMRRecoverableState(const KxRef& ref, uint16_t oldState, uint16_t newState)
    : KxGRecoverableState(ref, oldState, newState)
{
}

KxGMRRecoverableState::~KxGMRRecoverableState()
{
    delete image_;
}

int32_t KxGMRRecoverableState::SetBeforeImage(KxObjectAlias* image)
{
    if (image_ != nullptr) {
        return KXG_E_ALREADY_REGISTERED;
    }
    image_ = image;
    return 0;
}

KxObjectAlias* KxGMRRecoverableState::TakeBeforeImage()
{
    KxObjectAlias* image = image_;
    image_ = nullptr;
    return image;
}

int32_t KxGMRRecoverableState::Recover(KxGResourceMgr* manager)
{
    const bool hadRow = (GetOldState() & KXG_STATE_IN_DATABASE) != 0;
    const bool hasRow = (GetNewState() & KXG_STATE_IN_DATABASE) != 0;
    const char* repair = hadRow ? (hasRow ? "Update" : "Insert") : (hasRow ? "Delete" : "Do Nothing");
    KxGTxnTraceTag tag(manager != nullptr ? manager->GetDatabase() : nullptr, "Recover");
    tag.Write(repair);

    int32_t status = 0;
    if ((hadRow || hasRow) && manager != nullptr && manager->GetRMType() == KXG_RM_COMPOUND_STATEMENT) {
        auto* compound = static_cast<KxGCompoundStatement*>(manager);
        const int32_t operation = hadRow ? (hasRow ? KXG_OP_WRITE_BACK : KXG_OP_REINSERT) : KXG_OP_DELETE_REPAIR;
        KxGClassMap* classMap = nullptr;
        status = KxGFindClassMap(manager->GetContext(), GetRef().GetClassId(), classMap);
        KxObjectAlias* alias = nullptr;
        if (status == 0) {
            if (operation == KXG_OP_DELETE_REPAIR) {
                alias = new (std::nothrow) KxRefObjectAlias(GetRef());
                status = alias != nullptr ? 0 : KXG_E_NO_MEMORY;
            } else {
                alias = image_;
                status = alias != nullptr ? 0 : KX_ALIAS_E_NULL;
            }
        }
        if (status == 0) {
            status = compound->AddToRequest(classMap, GetRef().GetClassId(), operation, alias);
            if (status == 0) {
                if (alias == image_) {
                    image_ = nullptr;   // the request owns it now
                }
            } else if (alias != image_) {
                delete alias;
            }
        }
        if (status != 0) {
            tag.Write("repair not registered");
        }
    }
    RestoreKernelState(manager);
    return status;
}

// ---- KxGRecoverableStateSortList -----------------------------------------------------------------

namespace {
bool IdLess(const KxGRecoverableState* state, const KxObjId& id)
{
    return state->GetRef().GetObjId() < id;
}
}  // namespace

KxGRecoverableStateSortList::~KxGRecoverableStateSortList()
{
    Clear();
}

void KxGRecoverableStateSortList::Clear()
{
    for (KxGRecoverableState* state : states_) {
        delete state;
    }
    states_.clear();
}

KxGRecoverableState* KxGRecoverableStateSortList::Find(const KxObjId& id) const
{
    auto it = std::lower_bound(states_.begin(), states_.end(), id, IdLess);
    return it != states_.end() && (*it)->GetRef().GetObjId() == id ? *it : nullptr;
}

void KxGRecoverableStateSortList::Remove(const KxObjId& id)
{
    auto it = std::lower_bound(states_.begin(), states_.end(), id, IdLess);
    if (it != states_.end() && (*it)->GetRef().GetObjId() == id) {
        delete *it;
        states_.erase(it);
    }
}

int32_t KxGRecoverableStateSortList::Insert(KxGRecoverableState* state)
{
    if (state == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    const KxObjId& id = state->GetRef().GetObjId();
    // Objects stored one after the other come with growing ids: those go to the end at once.
    auto it = states_.empty() || states_.back()->GetRef().GetObjId() < id
                  ? states_.end()
                  : std::lower_bound(states_.begin(), states_.end(), id, IdLess);
    if (it != states_.end() && (*it)->GetRef().GetObjId() == id) {
        (*it)->SetNewState(state->GetNewState());
        delete state;
        return KXG_E_ALREADY_REGISTERED;
    }
    try {
        states_.insert(it, state);
    } catch (const std::bad_alloc&) {
        delete state;
        return KXG_E_NO_MEMORY;
    }
    return 0;
}

int32_t KxGRecoverableStateSortList::MergeFrom(KxGRecoverableStateSortList& other)
{
    try {
        states_.reserve(states_.size() + other.states_.size());
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    for (KxGRecoverableState* state : other.states_) {
        Insert(state);   // cannot run out of memory after the reserve; a duplicate is merged and deleted
    }
    other.states_.clear();
    return 0;
}

int32_t KxGRecoverableStateSortList::RecoverAll(KxGResourceMgr* manager)
{
    for (KxGRecoverableState* state : states_) {
        const int32_t status = state->Recover(manager);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

// ---- KxGResourceMgr ------------------------------------------------------------------------------

KxGResourceMgr::KxGResourceMgr(KxGTransactionContext* context) : context_(context) {}

KxGResourceMgr::~KxGResourceMgr()
{
    delete states_;
}

KxGDatabase* KxGResourceMgr::GetDatabase() const
{
    return context_ != nullptr ? context_->GetDatabase() : nullptr;
}

int32_t KxGResourceMgr::XAStart(int16_t level)
{
    if (level_ != 0) {
        return 0;
    }
    if (EnsureStates() == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    level_ = level;
    return 0;
}

int32_t KxGResourceMgr::XAEnd()
{
    delete states_;
    states_ = nullptr;
    level_ = 0;
    return 0;
}

int32_t KxGResourceMgr::MergeStates(KxGResourceMgr* /*child*/)
{
    return 0;
}

KxGRequest* KxGResourceMgr::MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation)
{
    return new (std::nothrow) KxGRequest(context_, classMap, classId, operation);
}

KxGRecoverableStateSortList* KxGResourceMgr::EnsureStates()
{
    if (states_ == nullptr) {
        states_ = new (std::nothrow) KxGRecoverableStateSortList();
    }
    return states_;
}

int32_t KxGResourceMgr::AdapterStatus(int32_t fallback) const
{
    KxGDatabase* database = GetDatabase();
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return KxGNoteServerError(database, code < 0 ? code : fallback);
}

void KxGResourceMgr::MarkRollbackOnly() const
{
    if (context_ != nullptr) {
        context_->SetRollbackOnly(true);
    }
}

int32_t KxGResourceMgr::KeepState(KxObjectAlias* alias, uint16_t oldState, uint16_t newState, bool replaying,
                                  KxGRecoverableState** inserted)
{
    if (inserted != nullptr) {
        *inserted = nullptr;
    }
    if (alias == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    KxGRecoverableStateSortList* states = EnsureStates();
    if (states == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    KxRef ref;
    alias->GetRef(ref);
    KxGRecoverableState* state = replaying
                                     ? new (std::nothrow) KxGMRRecoverableState(ref, oldState, newState)
                                     : new (std::nothrow) KxGRecoverableState(ref, oldState, newState);
    if (state == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    const int32_t status = states->Insert(state);
    if (status == 0 && inserted != nullptr) {
        *inserted = state;
    }
    return status;
}
