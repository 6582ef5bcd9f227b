// Object locks of a connection.
//
//   KxGLockService        the interface the transaction manager, the admin and the compound statement
//                         use; the transaction manager keeps one per client and deletes it.
//   KxGLocalLockService   locks kept only inside the process, in a table of entries (KxGLockList).
//                         Its four server-lock operations do nothing here; the relational service
//                         (KxGGenericLockService.h) implements them with the table LOCKS.
//   KxGDummyLockService   grants everything.
//   KxGCCService          a concurrency-control server's service: it can never reach its server and
//                         keeps that as its creation error.
//
// Lock modes are 16-bit words: bits 4 to 9 are the mode's own bits, bits 10 to 15 list the held
// modes it can join (bit 10 + k stands for bit 4 + k). Bit 3 (KXG_LOCK_TRANSACTION) marks a
// transaction lock, kept until the transaction level that took it ends; any other lock is an
// explicit lock, counted and kept until released. Bit 3 is not part of the stored mode.
//
// Results of the lock operations: 1 for success, 0 for failure (a local conflict, or the server
// refused; the trace tells which).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGConnectionLock.h"
#include "KxList.h"
#include "KxRef.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxGDatabase;
class KxGTransactionContext;
class KxThreadMgr;

// Bit of a requested mode that makes the lock a transaction lock.
constexpr uint16_t KXG_LOCK_TRANSACTION = 0x0008;
// The mode the compound statement takes its transaction locks with.
constexpr uint16_t KXG_LOCK_MODE_TXN = 4124;
// The mode of an empty entry.
constexpr uint16_t KXG_LOCK_MODE_EMPTY = 1015;
// Kernel critical section that every lock operation holds (once SetSync has given the thread
// manager). Every lock operation holds in addition the mutex of the service's connection
// (KxGConnectionLock.h), which the surrogate allocator shares: that one serialises from the start.
constexpr int32_t KXG_LOCK_SECTION = 13;

// Whether a requested mode may join a mode that another transaction holds on the same object:
// ((requested >> 6) & held & 0x3F0) is not 0.
inline bool KxGLockModesCompatible(uint16_t requested, uint16_t held)
{
    return ((uint32_t(requested) >> 6) & held & 0x3F0u) != 0;
}

// The mode as the table and the server keep it (without the transaction bit).
inline uint16_t KxGStoredLockMode(uint16_t mode)
{
    return static_cast<uint16_t>(mode & ~KXG_LOCK_TRANSACTION);
}

// One lock request: the transaction context, the object and the mode.
struct KxGLockRequest {
    KxGTransactionContext* context = nullptr;
    KxRef ref;
    uint16_t mode = 0;
};

// A list of lock requests (kernel list, copied element by element).
class KxGLockRequestList : public KxLList {
public:
    KxGLockRequestList() : KxLList(sizeof(KxGLockRequest), 100) {}
    // 0, or -2030 when memory ran out.
    int32_t Append(const KxGLockRequest& request);
    const KxGLockRequest& GetRequest(uint32_t index) const
    {
        return *static_cast<const KxGLockRequest*>(At(index));
    }
};

// One entry of the local lock table.
struct KxGLockEntry {
    KxGTransactionContext* context = nullptr;
    KxRef ref;
    uint16_t mode = KXG_LOCK_MODE_EMPTY;   // stored mode
    uint32_t lockNumber = 0;               // the server lock's number; 0 when the entry has none of its own
    uint32_t explicitCount = 0;            // holds taken with AcquireLock (or without the transaction bit)
    int32_t level = 0;                     // transaction hold: the level it lasts until; 0 none

    bool IsHeld() const { return explicitCount > 0 || level > 0; }
};

// The local lock table: entries ordered by object id (several entries of one object stand next to
// each other, in the order they were made), the counter lock numbers are drawn from, and whether
// server locks are shared (only the first holder of a mode on an object takes the server lock, and
// only the last one releases it).
class KxGLockList {
public:
    explicit KxGLockList(uint16_t sharedServerLocks = 1);

    uint32_t Count() const { return entries_.Count(); }
    KxGLockEntry* At(uint32_t index) { return static_cast<KxGLockEntry*>(entries_.At(index)); }
    const KxGLockEntry* At(uint32_t index) const { return static_cast<const KxGLockEntry*>(entries_.At(index)); }

    // The entries of one object: [first, end).
    void FindObject(const KxObjId& id, uint32_t& first, uint32_t& end) const;
    // The index of the entry of a context, object and stored mode; -1 when there is none.
    int32_t Find(const KxGTransactionContext* context, const KxObjId& id, uint16_t mode) const;
    // The index of an entry of another context holding the same stored mode on the object; -1 when none.
    int32_t FindOtherHolder(const KxGTransactionContext* context, const KxObjId& id, uint16_t mode) const;
    // 0, or -2030 when memory ran out.
    int32_t Insert(const KxGLockEntry& entry);
    void Delete(uint32_t index) { entries_.Delete(index); }
    void Clear() { entries_.Clear(); }

    uint32_t NextLockNumber() { return ++counter_; }
    uint16_t SharesServerLocks() const { return shared_; }

private:
    SortList entries_;
    uint32_t counter_ = 0;
    uint16_t shared_;
};

// One holder of a lock on an object, as a lock listing shows it: the client id, a name (empty here),
// the stored mode and the holder's database user.
struct KxGLockHolder {
    int32_t clientId = 0;
    KxString name;
    uint16_t mode = 0;
    KxString userId;
};

// The holders of the locks on an object (filled by GetLockList).
class KxGLockHolderList {
public:
    virtual ~KxGLockHolderList();
    // 0, or a negative status (-2030 when memory ran out).
    virtual int32_t Append(const KxGLockHolder& holder);
    uint32_t Count() const { return static_cast<uint32_t>(holders_.size()); }
    const KxGLockHolder& Get(uint32_t index) const { return holders_[index]; }

private:
    std::vector<KxGLockHolder> holders_;
};

class KxGLockService {
public:
    virtual ~KxGLockService();

    // An explicit lock (or, with the transaction bit, a transaction lock) of the request's context.
    virtual uint16_t AcquireLock(const KxGLockRequest& request) = 0;
    // Gives back one explicit hold of the request's context, object and mode.
    virtual uint16_t ReleaseLock(const KxGLockRequest& request) = 0;
    // Locks every object of refs for the context, all or none.
    virtual uint16_t AcquireTxnLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) = 0;
    // Ends the transaction holds of the context's current level (commit non-zero: commit, else abort).
    // A commit of a nested level hands its holds to the enclosing level.
    virtual uint16_t ReleaseTxnLocks(KxGTransactionContext* context, uint16_t commit) = 0;
    // Drops every lock of the context (the context ends).
    virtual uint16_t DeleteTxn(KxGTransactionContext* context) = 0;
    virtual uint16_t SupportsCollLocks() = 0;
    virtual uint16_t SupportsCollUnlocks() = 0;
    virtual uint16_t AcquireCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) = 0;
    virtual uint16_t ReleaseCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) = 0;
    // Lists the holders of the locks on the object: 0, or a negative status.
    virtual int32_t GetLockList(const KxRef& ref, KxGLockHolderList& list) = 0;
    // The kernel thread manager whose critical section 13 the operations hold (null: none).
    virtual void SetSync(KxThreadMgr* threadMgr) = 0;
    // 0, or why the service cannot work.
    virtual int32_t GetCreationError();
    // The status of the last acquisition of the calling thread that failed: -2041 when the lock was
    // refused (another holder's lock, in this process or on the server), otherwise the status of the
    // server's failure (a write that failed, for one): a caller that waits for a refused lock to be
    // given up must not wait for a server that cannot take it.
    int32_t GetFailure() const;

protected:
    KxGLockService() = default;
    KxGLockService(const KxGLockService&) = default;
    KxGLockService& operator=(const KxGLockService&) = default;
    void SetFailure(int32_t status);
};

class KxGLocalLockService : public KxGLockService {
public:
    // database: for the trace (may be null; not owned).
    explicit KxGLocalLockService(KxGDatabase* database);
    ~KxGLocalLockService() override;
    KxGLocalLockService(const KxGLocalLockService&) = delete;
    KxGLocalLockService& operator=(const KxGLocalLockService&) = delete;

    uint16_t AcquireLock(const KxGLockRequest& request) override;
    uint16_t ReleaseLock(const KxGLockRequest& request) override;
    uint16_t AcquireTxnLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    uint16_t ReleaseTxnLocks(KxGTransactionContext* context, uint16_t commit) override;
    uint16_t DeleteTxn(KxGTransactionContext* context) override;
    uint16_t SupportsCollLocks() override;
    uint16_t SupportsCollUnlocks() override;
    uint16_t AcquireCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    uint16_t ReleaseCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    // 0, nothing listed.
    int32_t GetLockList(const KxRef& ref, KxGLockHolderList& list) override;
    void SetSync(KxThreadMgr* threadMgr) override;

    // Server locks. The request's mode is the stored mode. 0 or a negative status; here always 0.
    virtual int32_t AcquireServerLock(const KxGLockRequest& request, uint32_t lockNumber);
    virtual int32_t ReleaseServerLock(const KxGLockRequest& request, uint32_t lockNumber);
    virtual int32_t AcquireServerLocks(uint16_t mode, const KxRefList& refs, KxGTransactionContext* context);
    virtual int32_t ReleaseServerLocks(const KxGLockRequestList& requests, KxGTransactionContext* context);

    const KxGLockList& GetLockTable() const { return table_; }
    // Server locks whose release failed after their context ended: they are released again with the
    // next DeleteTxn, and taken over by the next acquisition of the same object and mode.
    uint32_t GetPendingReleaseCount() const { return static_cast<uint32_t>(pending_.size()); }

protected:
    // sharedServerLocks: see KxGLockList.
    KxGLocalLockService(KxGDatabase* database, uint16_t sharedServerLocks);

    KxGDatabase* GetDatabase() const { return database_; }
    KxThreadMgr* GetThreadMgr() const { return threadMgr_; }
    // The connection's mutex (a mutex of the service's own without a database). Never null.
    KxGConnectionLock::Mutex* GetConnectionMutex() const { return connection_.get(); }

private:
    struct Step;
    struct Pending {
        KxRef ref;
        uint16_t mode;
        uint32_t lockNumber;
    };

    // Local acquisition of one object; 1 granted, 0 conflict, -2030 out of memory. The step says
    // how to undo it and whether a server lock is needed.
    int32_t Acquire(KxGTransactionContext* context, const KxRef& ref, uint16_t mode, Step& step);
    // Local release of one explicit hold; 1 released, 0 no such hold.
    int32_t Release(KxGTransactionContext* context, const KxRef& ref, uint16_t mode, Step& step);
    void Undo(const Step& step);
    void UndoAll(const std::vector<Step>& steps);
    // Removes the entry at index; when server locks are shared and another context holds the same
    // mode, that holder takes over the entry's server lock. Answers whether the server lock is to be
    // released (no holder of the mode is left). heir receives the context of the holder that took it over.
    bool RemoveEntry(uint32_t index, KxGTransactionContext*& heir);
    int32_t FindPending(const KxObjId& id, uint16_t mode) const;
    uint16_t AcquireList(const char* operation, KxGTransactionContext* context, uint16_t mode,
                         const KxRefList& refs);

    KxGLockList table_;
    KxGDatabase* database_;
    std::shared_ptr<KxGConnectionLock::Mutex> connection_;
    KxThreadMgr* threadMgr_ = nullptr;
    std::vector<Pending> pending_;
};

class KxGDummyLockService : public KxGLockService {
public:
    KxGDummyLockService() = default;

    uint16_t AcquireLock(const KxGLockRequest& request) override;
    uint16_t ReleaseLock(const KxGLockRequest& request) override;
    uint16_t AcquireTxnLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    uint16_t ReleaseTxnLocks(KxGTransactionContext* context, uint16_t commit) override;
    uint16_t DeleteTxn(KxGTransactionContext* context) override;
    uint16_t SupportsCollLocks() override;
    uint16_t SupportsCollUnlocks() override;
    uint16_t AcquireCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    uint16_t ReleaseCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs) override;
    int32_t GetLockList(const KxRef& ref, KxGLockHolderList& list) override;
    void SetSync(KxThreadMgr* threadMgr) override;
};

// The service of a concurrency-control lock server. Its connector always fails, so the service keeps
// -2516 as its creation error and every server operation answers it.
class KxGCCService : public KxGLocalLockService {
public:
    // server: "host:service" (split at the first ':'; without one, all of it is the host).
    KxGCCService(const KxString& server, KxGDatabase* database, int32_t clientId);

    int32_t GetCreationError() override;
    uint16_t SupportsCollLocks() override;
    uint16_t SupportsCollUnlocks() override;
    int32_t GetLockList(const KxRef& ref, KxGLockHolderList& list) override;
    int32_t AcquireServerLock(const KxGLockRequest& request, uint32_t lockNumber) override;
    int32_t ReleaseServerLock(const KxGLockRequest& request, uint32_t lockNumber) override;
    int32_t AcquireServerLocks(uint16_t mode, const KxRefList& refs, KxGTransactionContext* context) override;
    int32_t ReleaseServerLocks(const KxGLockRequestList& requests, KxGTransactionContext* context) override;

    const KxString& GetHost() const { return host_; }
    const KxString& GetService() const { return service_; }
    int32_t GetClientId() const { return clientId_; }

private:
    KxString host_;
    KxString service_;
    int32_t clientId_;
    int32_t creationError_;
};
