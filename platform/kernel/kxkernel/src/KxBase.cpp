#include "KxBase.h"

#include <deque>
#include <vector>

#include "KxBaseImpl.h"
#include "KxBucket.h"
#include "KxClient.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "KxObject.h"
#include "KxObjectSpace.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"

// ---- KxBase --------------------------------------------------------------------------------
KxBase::KxBase(const KxString& logicalName)
    : KxBase(logicalName, KELVOX()->GetClientName()) {}

KxBase::KxBase(const KxString& logicalName, const KxString& clientName)
    : impl_(std::make_unique<Impl>()) {
    impl_->logicalName = logicalName;
    impl_->clientName = clientName;
    impl_->objectMgr = std::make_unique<KxObjectMgr>(this);
    KELVOX()->AddBase(this);
}

KxBase::~KxBase() {
    KELVOX()->RemoveBase(this);
    // A destructor cannot pass a failure on: what the close reports is dropped.
    try {
        CloseStorage();
    } catch (...) {
    }
    // Extents that outlive the base are left without one: they answer KX_KERNEL_E_INVALID.
    for (KxAllSet* extent : std::exchange(impl_->extents, {})) extent->Detach();
}

void KxBase::AddExtent(KxAllSet* extent) { impl_->extents.push_back(extent); }

void KxBase::RemoveExtent(KxAllSet* extent) { std::erase(impl_->extents, extent); }

const KxString& KxBase::GetLogicalName() const { return impl_->logicalName; }
void KxBase::SetLogicalName(const KxString& name) { impl_->logicalName = name; }
int32_t KxBase::DiscardWorkspace(const KxString&) { return KX_KERNEL_E_NOT_SUPPORTED; }
const KxString& KxBase::GetClientName() const { return impl_->clientName; }

const KxString& KxBase::GetDescriptor() const {
    return impl_->descriptor.IsActive() ? impl_->descriptor : impl_->logicalName;
}
void KxBase::SetDescriptor(const KxString& descriptor) { impl_->descriptor = descriptor; }

int64_t& KxBase::GetNonConstClientId() { return impl_->clientId; }
int64_t KxBase::GetClientId() const { return impl_->clientId; }

KxTypeMgr* KxBase::GetTypeMgr() const { return KELVOX()->GetTypeMgr(); }
KxThreadMgr* KxBase::ThreadMgr() const { return KELVOX()->ThreadMgr(); }
KxExcMgr* KxBase::GetExcMgr() const { return &impl_->excMgr; }
KxObjectSpace* KxBase::GetObjectSpace() const { return &impl_->objectSpace; }
KxObjectMgr* KxBase::GetObjectMgr() const { return impl_->objectMgr.get(); }

int32_t KxBase::EvalLock(const KxLockSpec* given, KxLockSpec& effective) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    effective = given != nullptr ? *given : impl_->defaultLock;
    return KX_KERNEL_OK;
}

int32_t KxBase::EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    effective = given != nullptr ? *given : impl_->defaultWatch;
    return KX_KERNEL_OK;
}

void KxBase::SetDefaultLockSpec(const KxLockSpec& spec) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->defaultLock = spec;
}

void KxBase::SetDefaultWatchSpec(const KxWatchSpec& spec) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->defaultWatch = spec;
}

KxTransaction* KxBase::GetCurrentTransaction() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->currentTxn;
}

void KxBase::SetCurrentTransaction(KxTransaction* txn) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->currentTxn = txn;
}

KxBaseConnection* KxBase::GetConnection() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->connection;
}

void KxBase::SetConnection(KxBaseConnection* connection) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->connection = connection;
}

// ---- KxExcMgr ------------------------------------------------------------------------------
struct KxExcMgr::Impl {
    mutable std::mutex mutex;
    uint32_t count = 0;
    KxErrorInfo last;
};

KxExcMgr::KxExcMgr() : impl_(std::make_unique<Impl>()) {}
KxExcMgr::~KxExcMgr() = default;

int32_t KxExcMgr::HandleError(const KxErrorInfo& error) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    ++impl_->count;
    impl_->last = error;
    return error.code;
}

uint32_t KxExcMgr::GetErrorCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->count;
}

KxErrorInfo KxExcMgr::GetLastError() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->last;
}

// ---- KxObjectSpace -------------------------------------------------------------------------
KxObjectSpaceEntries::~KxObjectSpaceEntries()
{
    for (void* chunk : chunks_) {
        ::operator delete(chunk);
    }
}

void KxObjectSpaceEntries::Grow()
{
    constexpr std::size_t kBlocksPerChunk = 1024;
    chunks_.reserve(chunks_.size() + 1);
    auto* chunk = static_cast<unsigned char*>(::operator new(kBlock * kBlocksPerChunk));
    chunks_.push_back(chunk);
    for (std::size_t i = kBlocksPerChunk; i-- > 0;) {
        Give(chunk + i * kBlock);
    }
}

KxObjectSpace::KxObjectSpace() = default;
KxObjectSpace::~KxObjectSpace() = default;

KxObject* KxObjectSpace::nts_IsInList(const KxRef& ref) const {
    const auto it = objects_.find(ref.GetObjId().Get64());
    return it == objects_.end() ? nullptr : it->second;
}

int32_t KxObjectSpace::nts_Insert(const KxRef& ref, KxObject* object) {
    if (ref.IsInvalid() || object == nullptr) return KX_KERNEL_E_INVALID;
    objects_[ref.GetObjId().Get64()] = object;
    return KX_KERNEL_OK;
}

int32_t KxObjectSpace::nts_Remove(const KxRef& ref) {
    return objects_.erase(ref.GetObjId().Get64()) > 0 ? KX_KERNEL_OK : KX_KERNEL_E_NOT_FOUND;
}

uint32_t KxObjectSpace::nts_Count() const { return static_cast<uint32_t>(objects_.size()); }

void KxBase::ForgetCursor(KxBucketCru* cursor)
{
    if (cursor != nullptr && impl_->scanCursor == cursor) {
        impl_->scanCursor->scanBase_ = nullptr;
        impl_->scanCursor = nullptr;
        impl_->scanRef = KxRef();
    }
}

void KxBase::DropReadAheadUpTo(const KxRef& ref)
{
    // Read ahead along the cursor, in its order: the ones before ref were handed on already (or
    // passed over), so the first entries go, as far as ref's.
    std::deque<KxObject*>& held = impl_->readAhead;
    size_t end = 0;
    while (end < held.size() && !(held[end]->GetObjId() == ref.GetObjId())) {
        ++end;
    }
    if (end == held.size()) {
        return;
    }
    if (end == 0) {
        // the common case along a scan: the first one held
        KxObject* object = held.front();
        held.pop_front();
        object->Release();
        return;
    }
    ++end;
    std::vector<KxObject*> dropped(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(end));
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(end));
    for (KxObject* object : dropped) {
        object->Release();
    }
}

void KxBase::DropReadAhead(const KxRef* ref)
{
    std::deque<KxObject*>& held = impl_->readAhead;
    std::vector<KxObject*> dropped;
    if (ref == nullptr) {
        dropped.assign(held.begin(), held.end());
        held.clear();
    } else {
        auto kept = std::stable_partition(held.begin(), held.end(), [ref](const KxObject* object) {
            return !(object->GetObjId() == ref->GetObjId());
        });
        dropped.assign(kept, held.end());
        held.erase(kept, held.end());
    }
    for (KxObject* object : dropped) {
        object->Release();
    }
}
