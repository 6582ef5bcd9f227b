// The gateway transaction manager: transaction contexts and levels of a client's connections.
//
// So far it holds what the client calls: the transaction operations answer -2999 (not supported)
// until transaction contexts exist, and the client's lock service is kept and deleted here.
#pragma once

#include <cstdint>

#include "TransactionManager.h"

class KxTransactionResource;
class KxGatewayClient;
class KxGDatabase;
class KxGLockService;

class KxGatewayTransactionMgr : public TransactionManager {
public:
    explicit KxGatewayTransactionMgr(KxGatewayClient* client);
    // Deletes the lock service.
    ~KxGatewayTransactionMgr() override;

    KxGatewayClient* GetClient() const { return client_; }

    // kind 0: a transaction level (the client's begin); 1: an inner level. The context's level or a
    // negative status.
    int32_t TXBegin(KxTransactionResource* resource, int32_t kind);
    int32_t TXCommit(KxTransactionResource* resource);
    int32_t TXAbort(KxTransactionResource* resource);
    int32_t CreateTransactionContext(KxTransactionResource* resource);
    int32_t DeleteTransactionContext(KxTransactionResource* resource);
    // The connection of the resource's transaction context; null when it has none.
    KxGDatabase* GetContextDatabase(KxTransactionResource* resource);

    // The client's lock service (null while there is none).
    KxGLockService* GetLockService() const { return lockService_; }
    // Takes over a lock service; a previous one is deleted.
    void SetLockService(KxGLockService* service);
    // Deletes the lock service (the client does so when it closes).
    void DeleteLockService();

private:
    KxGatewayClient* client_;
    KxGLockService* lockService_ = nullptr;
};
