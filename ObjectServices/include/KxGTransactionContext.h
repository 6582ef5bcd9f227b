// The transaction context of one kernel transaction of a client.
//
// One per kernel transaction resource that works on a gateway database, each on a connection of its
// own (taken from the client's pool). It holds the operation environment, the client's lock
// service, a handle on the kernel's transaction resource, the connection, the nesting level, the
// stack of resource managers (KxGResourceMgr.h) and the read unit of work.
//
// Rollback-only: a rollback that failed leaves the level's writes in the connection; the context is
// then marked rollback-only, and every later prepare or commit on it rolls back and fails, so no
// aborted work is ever committed. When the outermost rollback succeeds the mark is cleared.
// Connection unusable: a rollback of the connection that failed leaves it in an unknown state; the
// connection is then closed when the context ends, never given back to the pool.
#pragma once

#include <cstdint>

class KxGDatabase;
class KxGLockService;
class KxGOperationEnvironment;
class KxGReadUnitOfWork;
class KxGResourceMgr;
class KxRef;
class KxTransactionResourceHandle;

class KxGTransactionContext {
public:
    // A bare context (no connection, no read unit of work), as the lock services' tests use.
    KxGTransactionContext();
    // Makes the read unit of work with the database's CreateReadUnitOfWork. Every pointer may be
    // null; none is owned (the transaction manager owns the handle and gives the connection back).
    KxGTransactionContext(KxGOperationEnvironment* environment, KxGLockService* lockService,
                          KxTransactionResourceHandle* resource, KxGDatabase* database);
    // Ends and unlinks what is still on the stack (without rolling back: the transaction manager
    // rolls back first) and deletes the read unit of work with DeleteReadUnitOfWork.
    ~KxGTransactionContext();
    KxGTransactionContext(const KxGTransactionContext&) = delete;
    KxGTransactionContext& operator=(const KxGTransactionContext&) = delete;

    // The number of open levels: 0 before the first level begins, 1 in the outermost level.
    int32_t GetLevel() const { return level_; }
    void SetLevel(int32_t level) { level_ = level; }
    int32_t RaiseLevel() { return ++level_; }
    int32_t LowerLevel() { return level_ > 0 ? --level_ : 0; }

    // ---- resource-manager stack ------------------------------------------------------------------
    // The top of the stack; null when empty.
    KxGResourceMgr* GetTop() const { return top_; }
    // Links the manager above the top (its parent becomes the top) and starts it with the context's
    // level. 0, or the start's negative status: the manager is then unlinked again and stays the
    // caller's to delete. -2002 for null.
    int32_t Push(KxGResourceMgr* manager);
    // When the manager is on the stack: pops and ends (XAEnd) every manager from the top down to and
    // including it. Nothing otherwise. The managers stay the caller's to delete.
    void PopTo(KxGResourceMgr* manager);
    bool IsOnStack(const KxGResourceMgr* manager) const;

    // Whether the context holds the object: 1 when there is no object space for the transaction
    // resource; otherwise 1 only when the object is listed and bit 0 of its state is set. Asked under
    // the object space's critical section.
    int32_t HoldsObject(const KxRef& ref) const;

    // ---- rollback-only and the connection's state -------------------------------------------------
    bool IsRollbackOnly() const { return rollbackOnly_; }
    void SetRollbackOnly(bool on) { rollbackOnly_ = on; }
    // The connection failed to roll back: it must be closed, never pooled.
    bool IsConnectionUnusable() const { return connectionUnusable_; }
    void SetConnectionUnusable() { connectionUnusable_ = true; }

    // ---- what the context holds -------------------------------------------------------------------
    KxGOperationEnvironment* GetOperationEnvironment() const { return environment_; }
    KxGLockService* GetLockService() const { return lockService_; }
    KxTransactionResourceHandle* GetResourceHandle() const { return resource_; }
    KxGDatabase* GetDatabase() const { return database_; }
    // Null when the database made none.
    KxGReadUnitOfWork* GetReadUnitOfWork() const { return readUnit_; }
    // A number that identifies the context for its life (for the trace).
    uint32_t GetId() const { return id_; }

private:
    KxGOperationEnvironment* environment_ = nullptr;
    KxGLockService* lockService_ = nullptr;
    KxTransactionResourceHandle* resource_ = nullptr;
    KxGDatabase* database_ = nullptr;
    KxGReadUnitOfWork* readUnit_ = nullptr;
    KxGResourceMgr* top_ = nullptr;
    int32_t level_ = 0;
    uint32_t id_;
    bool rollbackOnly_ = false;
    bool connectionUnusable_ = false;
};
