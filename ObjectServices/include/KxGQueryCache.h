// The cache of idle extent templates of one connection.
//
// An extent scan builds its select template from the projection, condition and order, then exchanges
// it for a cached template of the same class with exactly the same SQL text, so that the same template
// object, and with it the same prepared statement handle, serves again. The extent statement gives the
// template back when it is destroyed. Templates are kept in a ring of capacity slots, the most recently
// returned first; a template pushed out is deleted together with its prepared handles.
//
// The query cache belongs to a statement-handle cache (its capacity is half of the latter's) and works
// inside that cache's critical section.
#pragma once

#include <cstdint>
#include <memory>

#include "KxObjId.h"

class KxGSelectStatementTemplate;
class KxGStatementHdlCache;

class KxGQueryCache {
public:
    KxGQueryCache(KxGStatementHdlCache* owner, uint16_t capacity);
    // Deletes the templates still cached.
    ~KxGQueryCache();
    KxGQueryCache(const KxGQueryCache&) = delete;
    KxGQueryCache& operator=(const KxGQueryCache&) = delete;

    // An idle cached template of the same class number whose SQL text equals the candidate's (taken out
    // of the cache), else the candidate itself. The caller deletes its candidate when another template
    // comes back. Templates handed out are counted; on a miss with the cache full, the template
    // returned longest ago is deleted first.
    KxGSelectStatementTemplate* GetQueryTemplate(const KxClassId& classId, KxGSelectStatementTemplate* candidate);
    // Puts a template that is no longer in use back as the most recent entry (the cache owns it again);
    // without slots the template is deleted at once, with its prepared handles.
    void CacheQueryTemplate(const KxClassId& classId, KxGSelectStatementTemplate* statementTemplate);
    // Deletes every cached template.
    void FreeAllQueryTemplates();

    uint16_t GetCapacity() const { return capacity_; }
    // Templates handed out or held.
    int16_t GetCount() const { return count_; }
    // Templates held in the ring.
    uint16_t GetCachedCount();

private:
    struct Slot {
        uint16_t next = 0;
        KxGSelectStatementTemplate* statementTemplate = nullptr;
        KxClassId classId;
        bool Empty() const { return statementTemplate == nullptr; }
    };

    // Deletes a template after destroying its cached handles.
    void Evict(KxGSelectStatementTemplate* statementTemplate);

    KxGStatementHdlCache* owner_;
    uint16_t capacity_;
    int16_t count_ = 0;
    std::unique_ptr<Slot[]> slots_;
    uint16_t head_ = 0;
    uint16_t tail_ = 0;
};
