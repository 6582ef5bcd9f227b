// The gateway transaction manager: transaction contexts and levels of a client's connections.
//
// Every kernel transaction resource that works on a gateway database gets a transaction context
// (KxGTransactionContext.h) on a connection of its own from the client's pool. The manager creates
// and deletes the contexts, begins, commits and aborts levels on them with resource managers that
// the adapter makes (KxGDatabase::CreateResourceMgr), and keeps the lock service that all contexts
// of the client share.
//
// Levels: a begin raises the context's level and pushes a new resource manager; commit and abort
// close the top resource manager when it belongs to the current level and lower the level. An inner
// begin (kind 1) that finds a compound statement on top adds a level without a resource manager. A
// begin that fails keeps its level raised: the kernel ends every level it began, also one whose begin
// failed, with an abort.
//
// The manager keeps the contexts it made: when the client closes, CloseContexts rolls back and deletes
// them, so their connections are given back while the pool, the trace writer and the lock service
// still exist; the lock service goes only after the contexts.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "KxString.h"
#include "TransactionManager.h"

class KxTransactionResource;
class KxGatewayClient;
class KxGDatabase;
class KxGLockService;
class KxGTransactionContext;

class KxGatewayTransactionMgr : public TransactionManager {
public:
    explicit KxGatewayTransactionMgr(KxGatewayClient* client);
    // Deletes the contexts still open (CloseContexts), then the lock service.
    ~KxGatewayTransactionMgr() override;

    // ---- the kernel's slots (a null resource: the resource of the base's current transaction) -----
    // An inner level (TXBegin kind 1).
    int32_t Begin(KxTransactionResource* resource, int32_t reserved1, int32_t reserved2) override;
    int32_t Commit(KxTransactionResource* resource) override;
    int32_t Abort(KxTransactionResource* resource) override;
    // 0.
    int32_t Prepare(KxTransactionResource* resource) override;

    KxGatewayClient* GetClient() const { return client_; }

    // kind 0: a transaction level (the client's begin); 1: an inner level. The context's level or a
    // negative status: -4004 without context, -6038 when the adapter makes no resource manager, or
    // the start's status (a savepoint that failed).
    int32_t TXBegin(KxTransactionResource* resource, int32_t kind);
    // Close the top level: the context's level afterwards, or a negative status (-4004 without
    // context; -4005 when no level is open; a failed prepare's status after its rollback; a failed
    // rollback's status). The level is lowered in every case.
    int32_t TXCommit(KxTransactionResource* resource);
    int32_t TXAbort(KxTransactionResource* resource);
    // 0; -4004 without resource; the pool's status; the lock service's creation error; -2030. Every
    // failure gives the connection back.
    int32_t CreateTransactionContext(KxTransactionResource* resource);
    // Rolls back every open level from the top down, drops the context's locks, deletes the context
    // and gives its connection back (or closes it, when a rollback on it failed). 0, the first failed
    // rollback's status (the context is deleted all the same), or -6036 without context.
    int32_t DeleteTransactionContext(KxTransactionResource* resource);
    // The connection of the resource's transaction context; null when it has none.
    KxGDatabase* GetContextDatabase(KxTransactionResource* resource);
    // The context of the resource (null resource: of the base's current transaction); null when none.
    KxGTransactionContext* GetContext(KxTransactionResource* resource) const;
    // The context of the resource of the base's current transaction; null when there is no base, no
    // current transaction or no context.
    KxGTransactionContext* CurrentTransactionContext() const;
    // Deletes every context the manager made (as DeleteTransactionContext). The client calls it when
    // it closes, before it empties the pool and deletes the lock service.
    void CloseContexts();
    uint32_t GetContextCount() const;

    // The client's lock service (null while there is none).
    KxGLockService* GetLockService() const { return lockService_; }
    // The client's lock service, made on first use (under the kernel's critical section 13) as the
    // root block's ConcurrencyControlServer chooses: empty: the local service in local mode, else the
    // adapter's; "none": the dummy service; any other text: the concurrency-control service.
    // 0 and the service; else the creation error (the service is kept; every context creation fails).
    int32_t ObtainLockService(KxGLockService** service);
    // The service the choice makes (null when memory ran out or the adapter made none).
    static KxGLockService* MakeLockService(const KxString& server, bool localMode, KxGDatabase* database,
                                           int32_t clientId);
    // Takes over a lock service; a previous one is deleted.
    void SetLockService(KxGLockService* service);
    // Deletes the lock service (the client does so when it closes, after CloseContexts).
    void DeleteLockService();

private:
    KxTransactionResource* Resolve(KxTransactionResource* resource) const;
    int32_t EndLevel(KxTransactionResource* resource, bool commit);

    KxGatewayClient* client_;
    KxGLockService* lockService_ = nullptr;
    // Those with a context of this manager; contexts of different transactions may come and go on
    // their own threads.
    mutable std::mutex resourcesMutex_;
    std::vector<KxTransactionResource*> resources_;
};
