// The cache of prepared statement handles of one connection.
//
// Preparing a statement is expensive, so the connection keeps the handles of templates that are no
// longer in use and hands them out again when a statement of the same template needs one. Handles
// are kept in a fixed ring of `capacity` slots, the most recently returned first; a full cache gives
// up the handle returned longest ago.
//
// Handles are found by the template's id (KxGStatementTemplate::GetTemplateId), never by its address:
// ids are never reused, so a template made where a deleted one stood, or a template whose text has
// changed, never receives a handle prepared for other SQL.
//
// Every change of the ring happens inside the connection's critical section "KxGStatementHdlCacheCS";
// new handles are prepared outside it. The cache also owns the query cache of extent templates
// (KxGQueryCache), which works under the same section.
#pragma once

#include <cstdint>
#include <memory>

class KxCritSect;
class KxGDatabase;
class KxGQueryCache;
class KxGStatementHdl;
class KxGStatementTemplate;

class KxGStatementHdlCache {
public:
    // The database's CreateStatementHdl makes new handles. A capacity of 0 keeps nothing; the query
    // cache gets capacity / 2 slots.
    KxGStatementHdlCache(KxGDatabase* database, uint16_t capacity);
    // Destroys every cached handle, then the query cache with its templates.
    ~KxGStatementHdlCache();
    KxGStatementHdlCache(const KxGStatementHdlCache&) = delete;
    KxGStatementHdlCache& operator=(const KxGStatementHdlCache&) = delete;

    // A prepared handle for the template: a cached one when there is one (the most recently returned
    // first), else a new one from the database; null when none can be made.
    KxGStatementHdl* AllocStatementHdl(KxGStatementTemplate* statementTemplate);
    // Takes a handle back for later use by statements of the template (without a template the handle
    // is destroyed); returns 1.
    uint16_t FreeStatementHdl(KxGStatementHdl* handle, KxGStatementTemplate* statementTemplate);
    // Destroys the cached handles of a template that is about to be deleted (all of them, when it was
    // lent out more than once). May be called by a thread that holds the cache's section.
    void RemoveFromCache(KxGStatementTemplate* statementTemplate);
    // Destroys every cached handle.
    void FreeAllStatementHdls();

    KxGQueryCache* GetQueryCache() { return queryCache_.get(); }
    KxGDatabase* GetDatabase() const { return database_; }
    uint16_t GetCapacity() const { return capacity_; }
    // Handles made by this cache and not yet destroyed: cached ones and lent ones.
    int16_t GetLiveCount() const { return live_; }
    // Handles waiting in the ring.
    uint16_t GetCachedCount();

private:
    friend class KxGQueryCache;

    struct Slot {
        uint16_t next = 0;
        KxGStatementHdl* handle = nullptr;
        uint64_t templateId = 0;
        bool Empty() const { return handle == nullptr; }
    };

    void Enter();
    void Leave();
    void DestroyHandle(KxGStatementHdl* handle);

    KxGDatabase* database_;
    uint16_t capacity_;
    int16_t live_ = 0;
    std::unique_ptr<Slot[]> slots_;
    uint16_t head_ = 0;
    uint16_t tail_ = 0;
    std::unique_ptr<KxGQueryCache> queryCache_;
    KxCritSect* critSect_ = nullptr;
};
