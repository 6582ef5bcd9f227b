// The transaction context: its resource-manager stack and what it holds.
#include "KxGTransactionContext.h"

#include <atomic>

#include "KxBase.h"
#include "KxGDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGResourceMgr.h"
#include "KxGStatusCodes.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectSpace.h"
#include "KxTransaction.h"

namespace {
uint32_t NextContextId()
{
    static std::atomic<uint32_t> counter{0};
    return ++counter;
}
}  // namespace

KxGTransactionContext::KxGTransactionContext() : id_(NextContextId()) {}

KxGTransactionContext::KxGTransactionContext(KxGOperationEnvironment* environment, KxGLockService* lockService,
                                             KxTransactionResourceHandle* resource, KxGDatabase* database)
    : environment_(environment), lockService_(lockService), resource_(resource), database_(database),
      id_(NextContextId())
{
    if (database_ != nullptr) {
        readUnit_ = database_->CreateReadUnitOfWork(this);
    }
}

KxGTransactionContext::~KxGTransactionContext()
{
    while (top_ != nullptr) {
        KxGResourceMgr* manager = top_;
        top_ = manager->GetParent();
        manager->XAEnd();
        manager->SetParent(nullptr);
    }
    if (readUnit_ != nullptr && database_ != nullptr) {
        database_->DeleteReadUnitOfWork(readUnit_);
    }
    readUnit_ = nullptr;
}

int32_t KxGTransactionContext::Push(KxGResourceMgr* manager)
{
    if (manager == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    manager->SetParent(top_);
    top_ = manager;
    const int32_t status = manager->XAStart(static_cast<int16_t>(level_));
    if (status < 0) {
        top_ = manager->GetParent();
        manager->SetParent(nullptr);
    }
    return status < 0 ? status : 0;
}

bool KxGTransactionContext::IsOnStack(const KxGResourceMgr* manager) const
{
    for (const KxGResourceMgr* m = top_; m != nullptr; m = m->GetParent()) {
        if (m == manager) {
            return true;
        }
    }
    return false;
}

void KxGTransactionContext::PopTo(KxGResourceMgr* manager)
{
    if (manager == nullptr || !IsOnStack(manager)) {
        return;
    }
    for (;;) {
        KxGResourceMgr* popped = top_;
        top_ = popped->GetParent();
        popped->XAEnd();
        popped->SetParent(nullptr);
        if (popped == manager) {
            return;
        }
    }
}

int32_t KxGTransactionContext::HoldsObject(const KxRef& ref) const
{
    KxBase* base = resource_ != nullptr ? resource_->GetBase() : nullptr;
    KxObjectSpace* space = base != nullptr ? base->GetObjectSpace() : nullptr;
    if (space == nullptr) {
        return 1;
    }
    space->BeginCriticalSection();
    const KxObject* object = space->nts_IsInList(ref);
    const int32_t holds = object != nullptr && (object->GetState() & 0x0001) != 0 ? 1 : 0;
    space->EndCriticalSection();
    return holds;
}
