#include "KxGQueryCache.h"

#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGSlotRing.h"

namespace {

// The same SQL text: the same length, then the same characters (case-sensitive).
bool SameText(const KxString& a, const KxString& b)
{
    if (a.Len() != b.Len()) {
        return false;
    }
    return a.Len() == 0 || a == b;
}

}  // namespace

KxGQueryCache::KxGQueryCache(KxGStatementHdlCache* owner, uint16_t capacity) : owner_(owner), capacity_(capacity)
{
    if (capacity_ > 0) {
        slots_.reset(new Slot[capacity_]);
        kxg_ring::Link(slots_.get(), capacity_, head_, tail_);
    }
}

KxGQueryCache::~KxGQueryCache()
{
    FreeAllQueryTemplates();
}

void KxGQueryCache::Evict(KxGSelectStatementTemplate* statementTemplate)
{
    // The template's prepared handles go first: they were prepared for its text and must not outlive it.
    owner_->RemoveFromCache(statementTemplate);
    delete statementTemplate;
}

KxGSelectStatementTemplate* KxGQueryCache::GetQueryTemplate(const KxClassId& classId,
                                                            KxGSelectStatementTemplate* candidate)
{
    owner_->Enter();
    if (slots_) {
        const uint16_t classNumber = classId.GetClassNumber();
        uint16_t previous = 0;
        int32_t last = -1;
        int32_t found = kxg_ring::Find(
            slots_.get(), capacity_, head_, tail_,
            [&](const Slot& s) {
                return s.classId.GetClassNumber() == classNumber && candidate != nullptr &&
                       SameText(s.statementTemplate->GetSQLText(), candidate->GetSQLText());
            },
            previous, last);
        if (found >= 0) {
            kxg_ring::MoveToTail(slots_.get(), static_cast<uint16_t>(found), previous, head_, tail_);
            KxGSelectStatementTemplate* hit = slots_[found].statementTemplate;
            slots_[found].statementTemplate = nullptr;
            slots_[found].classId = KxClassId();
            owner_->Leave();
            return hit;
        }
        // A miss with the cache at its capacity pushes out the template returned longest ago; it
        // leaves the count as a put-back eviction does.
        if (count_ >= static_cast<int32_t>(capacity_) && last >= 0 && !slots_[last].Empty()) {
            KxGSelectStatementTemplate* old = slots_[last].statementTemplate;
            slots_[last].statementTemplate = nullptr;
            slots_[last].classId = KxClassId();
            --count_;
            Evict(old);
        }
    }
    if (candidate != nullptr) {
        ++count_;
    }
    owner_->Leave();
    return candidate;
}

void KxGQueryCache::CacheQueryTemplate(const KxClassId& classId, KxGSelectStatementTemplate* statementTemplate)
{
    if (statementTemplate == nullptr) {
        return;
    }
    owner_->Enter();
    if (!slots_) {
        --count_;
        Evict(statementTemplate);
        owner_->Leave();
        return;
    }
    if (!slots_[tail_].Empty()) {
        KxGSelectStatementTemplate* old = slots_[tail_].statementTemplate;
        slots_[tail_].statementTemplate = nullptr;
        slots_[tail_].classId = KxClassId();
        --count_;
        Evict(old);
    }
    int32_t slot = kxg_ring::FirstEmptyToHead(slots_.get(), capacity_, head_, tail_);
    slots_[slot].statementTemplate = statementTemplate;
    slots_[slot].classId = classId;
    owner_->Leave();
}

void KxGQueryCache::FreeAllQueryTemplates()
{
    if (!slots_) {
        return;
    }
    owner_->Enter();
    for (uint16_t i = 0; i < capacity_; ++i) {
        if (!slots_[i].Empty()) {
            KxGSelectStatementTemplate* old = slots_[i].statementTemplate;
            slots_[i].statementTemplate = nullptr;
            slots_[i].classId = KxClassId();
            --count_;
            Evict(old);
        }
    }
    owner_->Leave();
}

uint16_t KxGQueryCache::GetCachedCount()
{
    if (!slots_) {
        return 0;
    }
    owner_->Enter();
    uint16_t filled = kxg_ring::CountFilled(slots_.get(), capacity_, head_);
    owner_->Leave();
    return filled;
}
