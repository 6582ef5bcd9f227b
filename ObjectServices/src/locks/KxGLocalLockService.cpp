// The local lock service: locks kept in the process's table, with server locks asked for through the
// four server-lock operations (which do nothing here).
#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "KxGLockService.h"
#include "KxGLockSection.h"
#include "KxGStatusCodes.h"
#include "../KxGModuleTrace.h"
#include "KxGTransactionContext.h"
#include "kxthreads.h"

namespace {

std::string ObjectText(const KxRef& ref, uint16_t mode)
{
    return "OID = " + std::to_string(ref.GetObjId().Get64()) + " LockMode " + std::to_string(mode);
}

std::string ContextText(const KxGTransactionContext* context)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<const void*>(context));
    return text;
}

}  // namespace

// How one local acquisition or release is undone, and what it needs of the server.
struct KxGLocalLockService::Step {
    enum Kind { kNone, kInserted, kAdopted, kCountRaised, kLevelSet, kRemoved, kCountLowered };
    Kind kind = kNone;
    KxGTransactionContext* context = nullptr;
    KxRef ref;
    uint16_t mode = 0;                       // stored mode
    int32_t previousLevel = 0;               // kLevelSet
    bool server = false;                     // a server lock is to be taken (acquire) or released (release)
    uint32_t lockNumber = 0;
    KxGLockEntry removed;                    // kRemoved: the entry as it was
    KxGTransactionContext* heir = nullptr;   // kRemoved: the holder that took over its server lock
};

int32_t KxGLockService::GetCreationError()
{
    return 0;
}

namespace {
// The failure of the last acquisition that failed, per thread: a client's threads lock at once.
thread_local int32_t t_lockFailure = KXG_E_LOCK_REFUSED;
}  // namespace

int32_t KxGLockService::GetFailure() const
{
    return t_lockFailure;
}

void KxGLockService::SetFailure(int32_t status)
{
    t_lockFailure = status;
}

// ---- KxGLocalLockService ------------------------------------------------------------------------------

KxGLocalLockService::KxGLocalLockService(KxGDatabase* database) : KxGLocalLockService(database, 1)
{
}

KxGLocalLockService::KxGLocalLockService(KxGDatabase* database, uint16_t sharedServerLocks)
    : table_(sharedServerLocks),
      database_(database),
      connection_(database != nullptr ? KxGConnectionLock::Of(database) : std::make_shared<KxGConnectionLock::Mutex>())
{
}

KxGLocalLockService::~KxGLocalLockService() = default;

int32_t KxGLocalLockService::FindPending(const KxObjId& id, uint16_t mode) const
{
    for (size_t i = 0; i < pending_.size(); ++i) {
        if (pending_[i].ref.GetObjId() == id && pending_[i].mode == mode) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t KxGLocalLockService::Acquire(KxGTransactionContext* context, const KxRef& ref, uint16_t requested, Step& step)
{
    const uint16_t mode = KxGStoredLockMode(requested);
    const bool txn = (requested & KXG_LOCK_TRANSACTION) != 0;
    // A transaction lock lasts until the current level ends (the outermost one when none is open).
    const int32_t level = txn ? std::max(context != nullptr ? context->GetLevel() : 0, 1) : 0;
    const bool shared = table_.SharesServerLocks() != 0;

    step = Step();
    step.context = context;
    step.ref = ref;
    step.mode = mode;

    uint32_t first = 0;
    uint32_t end = 0;
    table_.FindObject(ref.GetObjId(), first, end);
    int32_t same = -1;
    bool sharedHolder = false;
    for (uint32_t i = first; i < end; ++i) {
        const KxGLockEntry* entry = table_.At(i);
        if (entry->context != context) {
            if (!KxGLockModesCompatible(requested, entry->mode)) {
                return 0;
            }
            if (shared && entry->mode == mode) {
                sharedHolder = true;
            }
        } else if (entry->mode == mode) {
            same = static_cast<int32_t>(i);
        }
    }

    if (same >= 0) {
        KxGLockEntry* entry = table_.At(static_cast<uint32_t>(same));
        bool hadHold = false;
        if (txn) {
            // A transaction hold already there keeps its (outer) level: ending the deeper level must
            // not end a lock that an outer level holds.
            hadHold = entry->level > 0;
            step.kind = Step::kLevelSet;
            step.previousLevel = entry->level;
            entry->level = hadHold ? std::min(entry->level, level) : level;
        } else {
            hadHold = entry->explicitCount > 0;
            step.kind = Step::kCountRaised;
            ++entry->explicitCount;
        }
        if (!shared && !hadHold) {
            step.server = true;
            step.lockNumber = entry->lockNumber;
        }
        return 1;
    }

    KxGLockEntry entry;
    entry.context = context;
    entry.ref = ref;
    entry.mode = mode;
    entry.explicitCount = txn ? 0 : 1;
    entry.level = level;
    step.kind = Step::kInserted;
    int32_t pending = -1;
    if (!sharedHolder) {
        // The client's own row of an ended context may still be on the server: take it over instead of
        // inserting it again.
        pending = FindPending(ref.GetObjId(), mode);
        if (pending >= 0) {
            entry.lockNumber = pending_[static_cast<size_t>(pending)].lockNumber;
            step.kind = Step::kAdopted;
        } else {
            entry.lockNumber = table_.NextLockNumber();
            step.server = true;
        }
    }
    step.lockNumber = entry.lockNumber;
    const int32_t status = table_.Insert(entry);
    if (status != 0) {
        step = Step();
        return status;
    }
    if (pending >= 0) {
        pending_.erase(pending_.begin() + pending);
    }
    return 1;
}

bool KxGLocalLockService::RemoveEntry(uint32_t index, KxGTransactionContext*& heir)
{
    const KxGLockEntry entry = *table_.At(index);
    table_.Delete(index);
    heir = nullptr;
    if (table_.SharesServerLocks() == 0) {
        return true;
    }
    const int32_t other = table_.FindOtherHolder(entry.context, entry.ref.GetObjId(), entry.mode);
    if (other < 0) {
        return true;
    }
    KxGLockEntry* holder = table_.At(static_cast<uint32_t>(other));
    if (holder->lockNumber == 0) {
        holder->lockNumber = entry.lockNumber;
        heir = holder->context;
    }
    return false;
}

int32_t KxGLocalLockService::Release(KxGTransactionContext* context, const KxRef& ref, uint16_t requested, Step& step)
{
    const uint16_t mode = KxGStoredLockMode(requested);
    step = Step();
    step.context = context;
    step.ref = ref;
    step.mode = mode;
    const int32_t index = table_.Find(context, ref.GetObjId(), mode);
    // Only explicit holds are given back this way.
    if (index < 0 || table_.At(static_cast<uint32_t>(index))->explicitCount == 0) {
        return 0;
    }
    KxGLockEntry* entry = table_.At(static_cast<uint32_t>(index));
    if (entry->explicitCount > 1 || entry->level > 0) {
        --entry->explicitCount;
        step.kind = Step::kCountLowered;
        return 1;
    }
    step.kind = Step::kRemoved;
    step.removed = *entry;
    step.lockNumber = entry->lockNumber;
    step.server = RemoveEntry(static_cast<uint32_t>(index), step.heir);
    return 1;
}

void KxGLocalLockService::Undo(const Step& step)
{
    const KxObjId& id = step.ref.GetObjId();
    const int32_t index = table_.Find(step.context, id, step.mode);
    switch (step.kind) {
    case Step::kInserted:
    case Step::kAdopted:
        if (index >= 0) {
            table_.Delete(static_cast<uint32_t>(index));
        }
        if (step.kind == Step::kAdopted) {
            try {
                pending_.push_back({step.ref, step.mode, step.lockNumber});
            } catch (const std::bad_alloc&) {
            }
        }
        break;
    case Step::kCountRaised:
        if (index >= 0) {
            --table_.At(static_cast<uint32_t>(index))->explicitCount;
        }
        break;
    case Step::kLevelSet:
        if (index >= 0) {
            table_.At(static_cast<uint32_t>(index))->level = step.previousLevel;
        }
        break;
    case Step::kCountLowered:
        if (index >= 0) {
            ++table_.At(static_cast<uint32_t>(index))->explicitCount;
        }
        break;
    case Step::kRemoved:
        if (step.heir != nullptr) {
            const int32_t heir = table_.Find(step.heir, id, step.mode);
            if (heir >= 0 && table_.At(static_cast<uint32_t>(heir))->lockNumber == step.removed.lockNumber) {
                table_.At(static_cast<uint32_t>(heir))->lockNumber = 0;
            }
        }
        table_.Insert(step.removed);
        break;
    case Step::kNone:
        break;
    }
}

void KxGLocalLockService::UndoAll(const std::vector<Step>& steps)
{
    for (size_t i = steps.size(); i-- > 0;) {
        Undo(steps[i]);
    }
}

uint16_t KxGLocalLockService::AcquireLock(const KxGLockRequest& request)
{
    KxGLockSection section("KxGLocalLockService::AcquireLock", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "AcquireLock");
    std::string text = ObjectText(request.ref, request.mode);
    Step step;
    const int32_t acquired = Acquire(request.context, request.ref, request.mode, step);
    if (acquired <= 0) {
        text += acquired == 0 ? "failed (local lock conflict)" : " failed";
        tag.Write(text);
        SetFailure(acquired == 0 ? KXG_E_LOCK_REFUSED : acquired);
        return 0;
    }
    if (step.server) {
        text += " acquire server lock";
        const KxGLockRequest server{request.context, request.ref, step.mode};
        const int32_t refused = AcquireServerLock(server, step.lockNumber);
        if (refused != 0) {
            SetFailure(refused < 0 ? refused : KXG_E_LOCK_REFUSED);
            text += " failed";
            Undo(step);
            tag.Write(text);
            return 0;
        }
    }
    text += " successful";
    tag.Write(text);
    return 1;
}

uint16_t KxGLocalLockService::ReleaseLock(const KxGLockRequest& request)
{
    KxGLockSection section("KxGLocalLockService::ReleaseLock", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "ReleaseLock");
    std::string text = ObjectText(request.ref, request.mode);
    Step step;
    if (Release(request.context, request.ref, request.mode, step) == 0) {
        text += "failed (local lock conflict)";
        tag.Write(text);
        return 0;
    }
    if (step.server) {
        text += " release server lock";
        const KxGLockRequest server{request.context, request.ref, step.mode};
        if (ReleaseServerLock(server, step.lockNumber) != 0) {
            // The row is still on the server: the hold stays, and a later release tries again.
            text += " failed";
            Undo(step);
            tag.Write(text);
            return 0;
        }
    }
    text += " successful";
    tag.Write(text);
    return 1;
}

uint16_t KxGLocalLockService::AcquireTxnLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs)
{
    KxGLockSection section("KxGLocalLockService::AcquireTxnLocks", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "AcquireTxnLocks");
    std::string text = "number of objects " + std::to_string(refs.size()) + " LockMode " + std::to_string(mode);
    std::vector<Step> steps;
    KxRefList server;
    try {
        steps.reserve(refs.size());
        server.reserve(refs.size());
    } catch (const std::bad_alloc&) {
        tag.Write(text + " failed");
        SetFailure(KXG_E_NO_MEMORY);
        return 0;
    }
    for (const KxRef& ref : refs) {
        Step step;
        const int32_t acquired = Acquire(context, ref, mode, step);
        if (acquired != 1) {
            UndoAll(steps);
            tag.Write(text + " failed");
            SetFailure(acquired < 0 ? acquired : KXG_E_LOCK_REFUSED);
            return 0;
        }
        steps.push_back(step);
        if (step.server) {
            server.push_back(ref);
        }
    }
    if (!server.empty()) {
        text += " acquire server txn locks";
        const int32_t refused = AcquireServerLocks(KxGStoredLockMode(mode), server, context);
        if (refused != 0) {
            SetFailure(refused < 0 ? refused : KXG_E_LOCK_REFUSED);
            UndoAll(steps);
            tag.Write(text + " failed");
            return 0;
        }
    }
    tag.Write(text);
    return 1;
}

uint16_t KxGLocalLockService::ReleaseTxnLocks(KxGTransactionContext* context, uint16_t commit)
{
    KxGLockSection section("KxGLocalLockService::ReleaseTxnLocks", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "ReleaseTxnLocks");
    std::string text = "txn id: " + ContextText(context) + (commit != 0 ? " commit" : " abort");
    const int32_t level = context != nullptr ? context->GetLevel() : 0;
    const bool shared = table_.SharesServerLocks() != 0;
    KxGLockRequestList collected;
    bool complete = true;
    for (uint32_t i = table_.Count(); i-- > 0;) {
        KxGLockEntry* entry = table_.At(i);
        if (entry->context != context || entry->level == 0 || entry->level != level) {
            continue;
        }
        if (commit != 0 && level > 1) {
            // The hold now lasts as long as the enclosing level: an abort of that level ends it.
            entry->level = level - 1;
            continue;
        }
        // The transaction hold ends.
        if (shared && entry->explicitCount > 0) {
            entry->level = 0;
            continue;
        }
        if (shared && table_.FindOtherHolder(context, entry->ref.GetObjId(), entry->mode) >= 0) {
            // Another transaction still holds the mode: it keeps the server lock.
            KxGTransactionContext* heir = nullptr;
            RemoveEntry(i, heir);
            continue;
        }
        // Released on the server first; the entry goes only when that worked.
        if (collected.Append({context, entry->ref, entry->mode}) != 0) {
            complete = false;
        }
    }
    if (collected.Count() > 0) {
        text += " release server txn locks";
        if (ReleaseServerLocks(collected, context) != 0) {
            // The rows are still on the server: the entries stay, and DeleteTxn tries again.
            tag.Write(text + " failed");
            return 0;
        }
        for (uint32_t i = 0; i < collected.Count(); ++i) {
            const KxGLockRequest& request = collected.GetRequest(i);
            const int32_t index = table_.Find(context, request.ref.GetObjId(), request.mode);
            if (index < 0) {
                continue;
            }
            KxGLockEntry* entry = table_.At(static_cast<uint32_t>(index));
            if (entry->explicitCount > 0) {
                entry->level = 0;
            } else {
                table_.Delete(static_cast<uint32_t>(index));
            }
        }
    }
    if (!complete) {
        tag.Write(text + " failed");
        return 0;
    }
    tag.Write(text);
    return 1;
}

uint16_t KxGLocalLockService::DeleteTxn(KxGTransactionContext* context)
{
    KxGLockSection section("KxGLocalLockService::DeleteTxn", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "DeleteTxn");
    std::string text = "txn id: " + ContextText(context) + " abort";
    KxGLockRequestList collected;
    std::vector<Pending> dropped;
    bool complete = true;
    for (uint32_t i = table_.Count(); i-- > 0;) {
        const KxGLockEntry entry = *table_.At(i);
        if (entry.context != context) {
            continue;
        }
        KxGTransactionContext* heir = nullptr;
        if (!RemoveEntry(i, heir)) {
            continue;
        }
        try {
            dropped.push_back({entry.ref, entry.mode, entry.lockNumber});
        } catch (const std::bad_alloc&) {
            complete = false;
        }
        if (collected.Append({context, entry.ref, entry.mode}) != 0) {
            complete = false;
        }
    }
    // Rows left on the server by contexts whose release failed go with these.
    for (const Pending& pending : pending_) {
        if (collected.Append({context, pending.ref, pending.mode}) != 0) {
            complete = false;
        }
    }
    if (collected.Count() > 0) {
        text += " release server txn locks";
        if (ReleaseServerLocks(collected, context) != 0) {
            // The context's entries are gone: its rows wait in the retry list.
            try {
                pending_.insert(pending_.end(), dropped.begin(), dropped.end());
            } catch (const std::bad_alloc&) {
            }
            tag.Write(text + " failed");
            return 0;
        }
        pending_.clear();
    }
    if (!complete) {
        tag.Write(text + " failed");
        return 0;
    }
    tag.Write(text);
    return 1;
}

uint16_t KxGLocalLockService::SupportsCollLocks()
{
    return 1;
}

uint16_t KxGLocalLockService::SupportsCollUnlocks()
{
    return 1;
}

uint16_t KxGLocalLockService::AcquireCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs)
{
    return KxGLocalLockService::AcquireTxnLocks(context, mode, refs);
}

uint16_t KxGLocalLockService::ReleaseCollLocks(KxGTransactionContext* context, uint16_t mode, const KxRefList& refs)
{
    KxGLockSection section("KxGLocalLockService::ReleaseCollLocks", threadMgr_, connection_.get());
    KxGLockTraceTag tag(database_, "ReleaseCollLocks");
    std::string text = "txn id: " + ContextText(context) + " number of objects " + std::to_string(refs.size()) +
                       " LockMode " + std::to_string(mode);
    std::vector<Step> steps;
    KxGLockRequestList collected;
    try {
        steps.reserve(refs.size());
    } catch (const std::bad_alloc&) {
        tag.Write(text + " failed");
        return 0;
    }
    for (const KxRef& ref : refs) {
        Step step;
        if (Release(context, ref, mode, step) == 0) {
            UndoAll(steps);
            tag.Write(text + " failed");
            return 0;
        }
        steps.push_back(step);
        if (step.server && collected.Append({context, ref, step.mode}) != 0) {
            UndoAll(steps);
            tag.Write(text + " failed");
            return 0;
        }
    }
    if (collected.Count() > 0) {
        text += " release server collection locks";
        if (ReleaseServerLocks(collected, context) != 0) {
            UndoAll(steps);
            tag.Write(text + " failed");
            return 0;
        }
    }
    tag.Write(text);
    return 1;
}

int32_t KxGLocalLockService::GetLockList(const KxRef& /*ref*/, KxGLockHolderList& /*list*/)
{
    return 0;
}

void KxGLocalLockService::SetSync(KxThreadMgr* threadMgr)
{
    KxGConnectionSection section(connection_.get());
    threadMgr_ = threadMgr;
}

int32_t KxGLocalLockService::AcquireServerLock(const KxGLockRequest& /*request*/, uint32_t /*lockNumber*/)
{
    return 0;
}

int32_t KxGLocalLockService::ReleaseServerLock(const KxGLockRequest& /*request*/, uint32_t /*lockNumber*/)
{
    return 0;
}

int32_t KxGLocalLockService::AcquireServerLocks(uint16_t /*mode*/, const KxRefList& /*refs*/,
                                                KxGTransactionContext* /*context*/)
{
    return 0;
}

int32_t KxGLocalLockService::ReleaseServerLocks(const KxGLockRequestList& /*requests*/,
                                                KxGTransactionContext* /*context*/)
{
    return 0;
}
