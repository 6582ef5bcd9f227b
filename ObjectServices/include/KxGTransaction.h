// Transaction levels: KxGTransaction (outermost), KxGSPTransaction (savepoints, the adapter sets
// and rolls back to them) and KxGMRTransaction (before-images replayed on rollback).
// See KxGResourceMgr.h for the common protocol.
#pragma once

#include <cstdint>

#include "KxGResourceMgr.h"

class KxGTransaction : public KxGResourceMgr {
public:
    explicit KxGTransaction(KxGTransactionContext* context);
    ~KxGTransaction() override;

    // 0; a negative status when the context is rollback-only (the caller then rolls back).
    int32_t XAPrepare() override;
    // Commits the connection and releases the context's transaction locks; 0.
    // When the context is rollback-only, or the commit fails: rolls back as XARollback does (kernel
    // states restored, locks released as an abort) and answers -6102. A rollback that fails as well
    // leaves the connection marked unusable (it is closed, never pooled).
    int32_t XACommit() override;
    // Rolls back the connection; when that works the kernel states are recovered and the context
    // is no longer rollback-only. The locks are released as an abort in every case. A failed rollback
    // answers the adapter's status (-6001 when it gives none), marks the context rollback-only and
    // its connection unusable; the kernel states are recovered all the same, as the work of the
    // level is gone with the connection.
    int32_t XARollback() override;
    KxGRMType GetRMType() const override { return KXG_RM_TRANSACTION; }
    // Keeps the state; -2052 when the object is registered at this level already.
    int32_t Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState) override;
    // Registers a reference alias of every state of the child, in the child's order, with the
    // state's two words.
    int32_t MergeStates(KxGResourceMgr* child) override;

protected:
    // Rollback of the connection and what goes with it; commitFailed selects the trace texts.
    int32_t RollbackLevel(const char* tagName);
};

class KxGSPTransaction : public KxGTransaction {
public:
    explicit KxGSPTransaction(KxGTransactionContext* context);
    ~KxGSPTransaction() override;

    // SetSavepoint (level) first; the level starts only when it succeeds. A failed savepoint answers
    // the adapter's status (-6038 when it gives none).
    int32_t XAStart(int16_t level) override;
    // The parent's MergeStates (this); 0 without parent. Negative when the context is rollback-only.
    int32_t XAPrepare() override;
    // At level 1 the transaction's commit; deeper 0 (the savepoint stays until the enclosing level ends).
    int32_t XACommit() override;
    // RollbackToSavepoint (level); when it succeeds every state is recovered. When it fails the
    // kernel states stay, the states pass to the parent (whose rollback repairs them), the context
    // becomes rollback-only and the adapter's status (-6001 when it gives none) is answered.
    int32_t XARollback() override;

    // The adapter's savepoint statements for a level: non-zero for success; after a failure the
    // database's error object tells why.
    virtual uint16_t SetSavepoint(int16_t level) = 0;
    virtual uint16_t RollbackToSavepoint(int16_t level) = 0;
};

class KxGMRTransaction : public KxGTransaction {
public:
    explicit KxGMRTransaction(KxGTransactionContext* context);
    ~KxGMRTransaction() override;

    // The parent's MergeStates (this); 0 without parent. Negative when the context is rollback-only.
    int32_t XAPrepare() override;
    // 0.
    int32_t XACommit() override;
    // Replays the before-images: a compound statement made by the database (CreateResourceMgr kind 1)
    // above this level collects the repairs of every state (KxGMRRecoverableState::Recover) and runs
    // them (XAPrepare, then XACommit, or XARollback when preparing failed). A replay that fails marks
    // the context rollback-only and answers its status.
    int32_t XARollback() override;
    // Keeps a KxGMRRecoverableState; a state newly kept for an object that had a row (old state bit
    // 15) gets the row's before-image (MakeBeforeImage); failing to make it fails the registration
    // (the state is dropped again).
    int32_t Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState) override;
    // Moves the child's states into this list; a state of an object present already updates the
    // present state's new state and is deleted.
    int32_t MergeStates(KxGResourceMgr* child) override;

    // The before-image of the object of alias as the row holds it before this level changes it: a
    // temporary request reads the row from the database (operation 10) and its first SQL image is
    // taken. Whatever the alias's kind: an object in memory (kind 1) already holds its new values,
    // and an SQL image (kind 2) was read from the same row. The image is the caller's; null with
    // status set when it cannot be made (-6086 for a class without class map).
    virtual KxObjectAlias* MakeBeforeImage(KxObjectAlias* alias, int32_t& status);
};
