// The compound statement: one batch of stores and deletes on top of a transaction level.
//
// The kernel registers the objects of a batch with it (the states it keeps, and every registration
// forwarded to the level below, so that level can recover or replay them); the storer adds the
// objects to its requests, one request per class and operation holding at most
// KXG_REQUEST_MAX_OBJECTS objects. Preparing acquires the transaction locks of the objects that
// existed and still exist and executes the requests, bracketed with BeginCompound / EndCompound
// (the adapter's; the base answers 1) at level 1 or when the flag word is set.
#pragma once

#include <cstdint>

#include "KxGReadUnitOfWork.h"
#include "KxGResourceMgr.h"

// Most objects a compound statement's request holds; a further object opens a new request.
constexpr uint32_t KXG_REQUEST_MAX_OBJECTS = 32000;

class KxGCompoundStatement : public KxGResourceMgr {
public:
    // growStep: the request list's grow step (a hint).
    KxGCompoundStatement(KxGTransactionContext* context, int32_t growStep);
    // Deletes the requests.
    ~KxGCompoundStatement() override;

    // The base's start, the level limited to 1 when there is no parent.
    int32_t XAStart(int16_t level) override;
    // Deletes every request, then ends as the base does.
    int32_t XAEnd() override;
    // 1. A rollback-only context: -6102 before anything runs.
    // 2. AcquireLocks; failure: trace "AcquireLocks failed", -2041.
    // 3. Level 1 or flag set: BeginCompound (failure: "BeginCompound failed", -6100, and nothing to
    //    end), the requests, then EndCompound (ok = result >= 0); a failed EndCompound gives the
    //    adapter's status, -6101 when that is -6001 or not negative, and leaves the bracket open.
    //    Otherwise only the requests run.
    // 4. Trace "XAPrepare Succeeded"; the result.
    int32_t XAPrepare() override;
    // Releases the transaction locks (commit); 0.
    int32_t XACommit() override;
    // EndCompound (0) when the bracket is still open (begun, and its end failed), then recovers
    // every state and releases the locks (abort) in every case. A failed EndCompound answers the
    // adapter's status (-6101 when it gives none) and marks the context rollback-only.
    int32_t XARollback() override;
    KxGRMType GetRMType() const override { return KXG_RM_COMPOUND_STATEMENT; }
    // Keeps the state (-2052 when the object is registered here already, its new state updated),
    // then forwards every registration to the parent; the parent's negative status is answered,
    // else the own result.
    int32_t Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState) override;

    // The adapter's brackets around the requests: non-zero for success. The base answers 1.
    virtual uint16_t BeginCompound();
    virtual uint16_t EndCompound(uint16_t ok);
    // The lock service's AcquireTxnLocks (context, KXG_LOCK_MODE_TXN, the references of every state
    // whose old and new state both have bit 15): non-zero when granted (or nothing to lock). 1 without
    // lock service.
    virtual uint16_t AcquireLocks();
    // The lock service's ReleaseTxnLocks (context, commit). 1 without lock service.
    virtual uint16_t ReleaseLocks(uint16_t commit);

    // Runs the requests in list order: the first negative result stops and is answered; else the
    // first positive result, else 0.
    int32_t ExecuteRequests();

    // The first request for the class and operation that holds fewer than KXG_REQUEST_MAX_OBJECTS
    // objects: 1 and the request; else 0 and null.
    int32_t FindRequest(const KxClassId& classId, int32_t operation, KxGRequest*& request) const;
    // Takes the request over: 0, -2002 for null, -2030 out of memory (the request stays the caller's).
    int32_t AddRequest(KxGRequest* request);
    // Adds the alias to the request for its class and operation (found, or made with MakeRequest and
    // added); the request owns the alias from then on. 0, or a negative status (the alias then stays
    // the caller's).
    int32_t AddToRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation,
                         KxObjectAlias* alias);
    const KxGRequestList& GetRequests() const { return requests_; }
    // Deletes every request.
    void DeleteRequests() { requests_.DeleteAll(); }
    // The index of the request being executed; -1 when none.
    int16_t GetRequestIndex() const { return requestIndex_; }

    // Whether BeginCompound succeeded and no EndCompound has succeeded since.
    bool IsBracketOpen() const { return bracketOpen_; }

private:
    bool bracketOpen_ = false;
    int16_t requestIndex_ = -1;
    KxGRequestList requests_;
};
