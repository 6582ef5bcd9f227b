// The gateway transaction manager.
#include "KxGatewayTransactionMgr.h"

#include <algorithm>
#include <new>
#include <string>

#include "KxBase.h"
#include "KxGDatabase.h"
#include "KxGLockService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGResourceMgr.h"
#include "KxGRowBufferCache.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayClient.h"
#include "KxTransaction.h"
#include "kxthreads.h"
#include "../KxGModuleTrace.h"

KxGLockService::~KxGLockService() = default;

namespace {
KxGTransactionContext* ContextOf(KxTransactionResource* resource)
{
    return resource != nullptr ? static_cast<KxGTransactionContext*>(resource->GetContext()) : nullptr;
}

std::string TxnId(const KxGTransactionContext* context)
{
    return "txn id: " + std::to_string(context->GetId());
}
}  // namespace

KxGatewayTransactionMgr::KxGatewayTransactionMgr(KxGatewayClient* client) : client_(client) {}

KxGatewayTransactionMgr::~KxGatewayTransactionMgr()
{
    CloseContexts();
    DeleteLockService();
}

// ---- the kernel's slots ----------------------------------------------------------------------------

int32_t KxGatewayTransactionMgr::Begin(KxTransactionResource* resource, int32_t, int32_t)
{
    return TXBegin(Resolve(resource), 1);
}

int32_t KxGatewayTransactionMgr::Commit(KxTransactionResource* resource)
{
    return TXCommit(Resolve(resource));
}

int32_t KxGatewayTransactionMgr::Abort(KxTransactionResource* resource)
{
    return TXAbort(Resolve(resource));
}

int32_t KxGatewayTransactionMgr::Prepare(KxTransactionResource*)
{
    return 0;
}

KxTransactionResource* KxGatewayTransactionMgr::Resolve(KxTransactionResource* resource) const
{
    if (resource != nullptr) {
        return resource;
    }
    KxBase* base = client_ != nullptr ? client_->GetBase() : nullptr;
    KxTransaction* transaction = base != nullptr ? base->GetCurrentTransaction() : nullptr;
    return transaction != nullptr ? transaction->GetResource(base) : nullptr;
}

KxGTransactionContext* KxGatewayTransactionMgr::GetContext(KxTransactionResource* resource) const
{
    return ContextOf(Resolve(resource));
}

KxGTransactionContext* KxGatewayTransactionMgr::CurrentTransactionContext() const
{
    return GetContext(nullptr);
}

KxGDatabase* KxGatewayTransactionMgr::GetContextDatabase(KxTransactionResource* resource)
{
    KxGTransactionContext* context = ContextOf(resource);
    return context != nullptr ? context->GetDatabase() : nullptr;
}

// ---- levels ----------------------------------------------------------------------------------------

int32_t KxGatewayTransactionMgr::TXBegin(KxTransactionResource* resource, int32_t kind)
{
    KxGTransactionContext* context = ContextOf(resource);
    if (context == nullptr) {
        return KXG_E_NO_TXN_CONTEXT;
    }
    KxGDatabase* database = context->GetDatabase();
    KxGTxnTraceTag tag(database, "TXBegin");
    tag.Write(TxnId(context));
    const int32_t level = context->RaiseLevel();
    if (kind == 1) {
        tag.Write(" internal level");
        KxGResourceMgr* top = context->GetTop();
        if (top != nullptr && top->GetRMType() == KXG_RM_COMPOUND_STATEMENT) {
            return level;
        }
    }
    // A failure keeps the level raised: the kernel ends it with an abort.
    KxGResourceMgr* manager = database != nullptr ? database->CreateResourceMgr(kind, context) : nullptr;
    if (manager == nullptr) {
        tag.Write("no resource manager");
        return KXG_E_NO_RESOURCE_MANAGER;
    }
    if ((resource->GetOptions() & KxTransactionResource::KX_TXNOPT_NO_TXN_FLAGS) != 0) {
        manager->SetFlags(0);
    }
    const int32_t started = context->Push(manager);
    if (started < 0) {
        tag.Write("the level did not start");
        database->DeleteResourceMgr(manager);
        return started;
    }
    return level;
}

int32_t KxGatewayTransactionMgr::EndLevel(KxTransactionResource* resource, bool commit)
{
    KxGTransactionContext* context = ContextOf(resource);
    if (context == nullptr) {
        return KXG_E_NO_TXN_CONTEXT;
    }
    KxGDatabase* database = context->GetDatabase();
    KxGTxnTraceTag tag(database, commit ? "TXCommit" : "TXAbort");
    tag.Write(TxnId(context));
    if (KxGReadUnitOfWork* unit = context->GetReadUnitOfWork()) {
        if (KxGRowBufferCache* cache = unit->FindRowBufferCache()) {
            cache->Clear();
        }
    }
    if (context->GetLevel() <= 0) {
        return KXG_E_NO_TXN_LEVEL;
    }
    KxGResourceMgr* top = context->GetTop();
    int32_t result = 0;
    if (top == nullptr) {
        // The level's begin made no resource manager: nothing to commit, nothing to roll back.
        result = commit ? KXG_E_NO_TXN_LEVEL : 0;
    } else if (top->GetLevel() == context->GetLevel()) {
        if (commit) {
            result = top->XAPrepare();
            if (result < 0) {
                top->XARollback();
            } else {
                const int32_t committed = top->XACommit();
                if (committed != 0) {
                    result = committed;
                }
            }
        } else {
            result = top->XARollback();
        }
        context->PopTo(top);
        database->DeleteResourceMgr(top);
    }
    const int32_t level = context->LowerLevel();
    return result < 0 ? result : level;
}

int32_t KxGatewayTransactionMgr::TXCommit(KxTransactionResource* resource)
{
    return EndLevel(resource, true);
}

int32_t KxGatewayTransactionMgr::TXAbort(KxTransactionResource* resource)
{
    return EndLevel(resource, false);
}

// ---- contexts --------------------------------------------------------------------------------------

int32_t KxGatewayTransactionMgr::CreateTransactionContext(KxTransactionResource* resource)
{
    if (resource == nullptr || client_ == nullptr) {
        return KXG_E_NO_TXN_CONTEXT;
    }
    if (resource->GetContext() != nullptr) {
        return 0;
    }
    KxGDatabase* connection = nullptr;
    const int32_t pooled = client_->GetPoolConnection(&connection);
    if (pooled != 0) {
        return pooled;
    }
    KxGLockService* service = nullptr;
    int32_t status = ObtainLockService(&service);
    KxTransactionResourceHandle* handle = nullptr;
    KxGTransactionContext* context = nullptr;
    if (status == 0) {
        KxGatewayAdmin* admin = client_->GetAdmin();
        handle = new (std::nothrow) KxTransactionResourceHandle(resource);
        context = handle != nullptr ? new (std::nothrow) KxGTransactionContext(
                                          admin != nullptr ? admin->GetOperationEnvironment() : nullptr,
                                          service, handle, connection)
                                    : nullptr;
        if (context == nullptr) {
            status = KXG_E_NO_MEMORY;
        } else {
            try {
                std::lock_guard<std::mutex> lock(resourcesMutex_);
                resources_.push_back(resource);
            } catch (const std::bad_alloc&) {
                status = KXG_E_NO_MEMORY;
            }
        }
    }
    if (status != 0) {
        delete context;
        delete handle;
        client_->UngetPoolConnection(connection);
        return status;
    }
    resource->SetContext(context);
    return 0;
}

int32_t KxGatewayTransactionMgr::DeleteTransactionContext(KxTransactionResource* resource)
{
    KxGTransactionContext* context = ContextOf(resource);
    if (context == nullptr) {
        return KXG_E_NO_TRANSACTION_CONTEXT;
    }
    KxGDatabase* database = context->GetDatabase();
    int32_t result = 0;
    {
        KxGTxnTraceTag tag(database, "DeleteTransactionContext");
        tag.Write(TxnId(context));
        while (context->GetLevel() > 0) {
            KxGResourceMgr* top = context->GetTop();
            if (top != nullptr && top->GetLevel() == context->GetLevel()) {
                const int32_t rolledBack = top->XARollback();
                if (rolledBack < 0 && result == 0) {
                    result = rolledBack;
                }
                context->PopTo(top);
                database->DeleteResourceMgr(top);
            }
            context->LowerLevel();
        }
        if (KxGLockService* service = context->GetLockService()) {
            service->DeleteTxn(context);
        }
    }
    // A connection whose rollback failed may still hold the work: it is closed, never pooled.
    const bool reusable = !context->IsConnectionUnusable() && !context->IsRollbackOnly();
    KxTransactionResourceHandle* handle = context->GetResourceHandle();
    delete context;
    delete handle;
    resource->SetContext(nullptr);
    {
        std::lock_guard<std::mutex> lock(resourcesMutex_);
        resources_.erase(std::remove(resources_.begin(), resources_.end(), resource), resources_.end());
    }
    if (client_ != nullptr && database != nullptr) {
        if (reusable) {
            client_->UngetPoolConnection(database);
        } else {
            client_->DiscardPoolConnection(database);
        }
    }
    return result;
}

void KxGatewayTransactionMgr::CloseContexts()
{
    for (;;) {
        KxTransactionResource* resource = nullptr;
        {
            std::lock_guard<std::mutex> lock(resourcesMutex_);
            if (resources_.empty()) {
                return;
            }
            resource = resources_.back();
        }
        if (DeleteTransactionContext(resource) == KXG_E_NO_TRANSACTION_CONTEXT) {
            // Its context went another way.
            std::lock_guard<std::mutex> lock(resourcesMutex_);
            resources_.erase(std::remove(resources_.begin(), resources_.end(), resource), resources_.end());
        }
    }
}

uint32_t KxGatewayTransactionMgr::GetContextCount() const
{
    std::lock_guard<std::mutex> lock(resourcesMutex_);
    return static_cast<uint32_t>(resources_.size());
}

// ---- the lock service ------------------------------------------------------------------------------

int32_t KxGatewayTransactionMgr::ObtainLockService(KxGLockService** service)
{
    if (lockService_ == nullptr && client_ != nullptr) {
        CSChecker section("KxGatewayTransactionMgr::GetLockService()", KXG_LOCK_SECTION, client_->GetThreadMgr());
        if (lockService_ == nullptr) {
            KxGDatabase* database = client_->GetDatabase();
            KxGTxnTraceTag tag(database, "GetLockService");
            tag.Write(std::string("host: ") + client_->GetServerName().StrGet());
            KxGatewayAdmin* admin = client_->GetAdmin();
            const KxString server = admin != nullptr ? admin->GetConcurrencyControlServer() : KxString();
            KxGLockService* made = MakeLockService(server, client_->IsLocalMode(), database, client_->GetClientId());
            if (made == nullptr) {
                *service = nullptr;
                return KXG_E_NO_MEMORY;
            }
            made->SetSync(client_->GetThreadMgr());
            lockService_ = made;
        }
    }
    *service = lockService_;
    if (lockService_ == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    return lockService_->GetCreationError();
}

KxGLockService* KxGatewayTransactionMgr::MakeLockService(const KxString& server, bool localMode,
                                                         KxGDatabase* database, int32_t clientId)
{
    if (server.IsEmpty()) {
        if (localMode) {
            return new (std::nothrow) KxGLocalLockService(database);
        }
        return database != nullptr ? database->CreateLockService(clientId) : nullptr;
    }
    // Exactly "none": any other spelling names a concurrency-control server.
    if (server == KxString("none")) {
        return new (std::nothrow) KxGDummyLockService();
    }
    return new (std::nothrow) KxGCCService(server, database, clientId);
}

void KxGatewayTransactionMgr::SetLockService(KxGLockService* service)
{
    if (service != lockService_) {
        delete lockService_;
        lockService_ = service;
    }
}

void KxGatewayTransactionMgr::DeleteLockService()
{
    delete lockService_;
    lockService_ = nullptr;
}
