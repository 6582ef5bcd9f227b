#include "KxGStatementHdlCache.h"

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGQueryCache.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGSlotRing.h"
#include "kxthreads.h"

namespace {

// Holds a critical section for a scope.
class Section {
public:
    explicit Section(KxCritSect* critSect) : critSect_(critSect) { critSect_->Enter(); }
    ~Section() { critSect_->Leave(); }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

private:
    KxCritSect* critSect_;
};

}  // namespace

KxGStatementHdl::~KxGStatementHdl() = default;

KxGStatementHdlCache::KxGStatementHdlCache(KxGDatabase* database, uint16_t capacity)
    : database_(database), capacity_(capacity)
{
    if (capacity_ > 0) {
        slots_.reset(new Slot[capacity_]);
        kxg_ring::Link(slots_.get(), capacity_, head_, tail_);
    }
    queryCache_ = std::make_unique<KxGQueryCache>(this, static_cast<uint16_t>(capacity_ / 2));
    critSect_ = KxCritSect::Make("KxGStatementHdlCacheCS");
}

KxGStatementHdlCache::~KxGStatementHdlCache()
{
    FreeAllStatementHdls();
    if (queryCache_) {
        queryCache_->FreeAllQueryTemplates();
        queryCache_.reset();
    }
    slots_.reset();
    delete critSect_;
}

void KxGStatementHdlCache::Enter()
{
    critSect_->Enter();
}

void KxGStatementHdlCache::Leave()
{
    critSect_->Leave();
}

void KxGStatementHdlCache::DestroyHandle(KxGStatementHdl* handle)
{
    handle->Destroy(nullptr);
    --live_;
}

KxGStatementHdl* KxGStatementHdlCache::AllocStatementHdl(KxGStatementTemplate* statementTemplate)
{
    if (statementTemplate == nullptr) {
        return nullptr;
    }
    const uint64_t id = statementTemplate->GetTemplateId();
    if (slots_) {
        Section section(critSect_);
        uint16_t previous = 0;
        int32_t last = -1;
        int32_t found = kxg_ring::Find(
            slots_.get(), capacity_, head_, tail_, [id](const Slot& s) { return s.templateId == id; }, previous, last);
        if (found >= 0) {
            Slot& slot = slots_[found];
            kxg_ring::MoveToTail(slots_.get(), static_cast<uint16_t>(found), previous, head_, tail_);
            KxGStatementHdl* handle = slot.handle;
            slot.handle = nullptr;
            slot.templateId = 0;
            return handle;
        }
        // A miss with the cache at its capacity gives up the handle returned longest ago (the last
        // slot visited is then the tail).
        if (live_ >= static_cast<int32_t>(capacity_) && last >= 0 && !slots_[last].Empty()) {
            KxGStatementHdl* old = slots_[last].handle;
            slots_[last].handle = nullptr;
            slots_[last].templateId = 0;
            DestroyHandle(old);
        }
    }
    // Prepared outside the section.
    KxGStatementHdl* handle = database_ ? database_->CreateStatementHdl(statementTemplate) : nullptr;
    if (handle != nullptr) {
        Section section(critSect_);
        ++live_;
    }
    return handle;
}

uint16_t KxGStatementHdlCache::FreeStatementHdl(KxGStatementHdl* handle, KxGStatementTemplate* statementTemplate)
{
    if (handle == nullptr) {
        return 1;
    }
    Section section(critSect_);
    if (!slots_ || statementTemplate == nullptr) {
        DestroyHandle(handle);
        return 1;
    }
    if (!slots_[tail_].Empty()) {
        // Full: the handle returned longest ago makes room.
        KxGStatementHdl* old = slots_[tail_].handle;
        slots_[tail_].handle = nullptr;
        slots_[tail_].templateId = 0;
        DestroyHandle(old);
    }
    int32_t slot = kxg_ring::FirstEmptyToHead(slots_.get(), capacity_, head_, tail_);
    slots_[slot].handle = handle;
    slots_[slot].templateId = statementTemplate->GetTemplateId();
    return 1;
}

void KxGStatementHdlCache::RemoveFromCache(KxGStatementTemplate* statementTemplate)
{
    if (statementTemplate == nullptr || !slots_) {
        return;
    }
    const uint64_t id = statementTemplate->GetTemplateId();
    // The section is recursive: the query cache calls this while holding it.
    Section section(critSect_);
    std::unique_ptr<KxGTraceTag> tag;
    for (;;) {
        uint16_t previous = 0;
        int32_t last = -1;
        int32_t found = kxg_ring::Find(
            slots_.get(), capacity_, head_, tail_, [id](const Slot& s) { return s.templateId == id; }, previous, last);
        if (found < 0) {
            break;
        }
        kxg_ring::MoveToTail(slots_.get(), static_cast<uint16_t>(found), previous, head_, tail_);
        if (!tag && database_ != nullptr) {
            tag = std::make_unique<KxGTraceTag>(*database_, KXG_TRACE_STM, "RemoveFromCache");
        }
        KxGStatementHdl* handle = slots_[found].handle;
        slots_[found].handle = nullptr;
        slots_[found].templateId = 0;
        DestroyHandle(handle);
    }
}

void KxGStatementHdlCache::FreeAllStatementHdls()
{
    if (!slots_) {
        return;
    }
    Section section(critSect_);
    for (uint16_t i = 0; i < capacity_; ++i) {
        if (!slots_[i].Empty()) {
            KxGStatementHdl* handle = slots_[i].handle;
            slots_[i].handle = nullptr;
            slots_[i].templateId = 0;
            DestroyHandle(handle);
        }
    }
}

uint16_t KxGStatementHdlCache::GetCachedCount()
{
    if (!slots_) {
        return 0;
    }
    Section section(critSect_);
    return kxg_ring::CountFilled(slots_.get(), capacity_, head_);
}
