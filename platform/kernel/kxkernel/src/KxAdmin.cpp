#include "KxAdmin.h"

#include <algorithm>

#include <vector>

#include "KxBase.h"
#include "KxRoot.h"

namespace {
constexpr int32_t kNo = KX_KERNEL_E_NOT_SUPPORTED;
}

struct KxAdmin::Impl {
    KxBase* base = nullptr;
    int32_t flags = 0;
    int32_t state = KX_ADMIN_FAILED;
    int32_t dbVersion = 0;
    KxDatabaseFileInfo fileInfo{5, 2};
    std::vector<KxObjId> surrogates;   // cached ids, handed out from the back
    int32_t surrogateCapacity = 0;
    int32_t refillBlock = 0;           // ids the next refill asks for
    KxMgr bucketMgr;
    bool dictionaryOpen = false;
    KxClassDict* dictionary = nullptr;   // one hold of the root's
};

KxAdmin::KxAdmin(KxBase* base, int32_t flags) : impl_(std::make_unique<Impl>()) {
    impl_->base = base;
    impl_->flags = flags;
}

KxAdmin::~KxAdmin() {
    impl_->bucketMgr.CloseBuckets();
    AttachDictionary(nullptr);
}

KxBase* KxAdmin::GetBase() const { return impl_->base; }
int32_t KxAdmin::GetFlags() const { return impl_->flags; }
int32_t KxAdmin::GetState() const { return impl_->state; }
void KxAdmin::SetState(int32_t state) { impl_->state = state; }
int32_t KxAdmin::GetDatabaseVersion() const { return impl_->dbVersion; }
void KxAdmin::SetDatabaseVersion(int32_t version) { impl_->dbVersion = version; }
const KxDatabaseFileInfo& KxAdmin::GetFileInfo() const { return impl_->fileInfo; }
void KxAdmin::SetFileInfo(const KxDatabaseFileInfo& info) { impl_->fileInfo = info; }

void KxAdmin::SetSurrogateCache(int32_t count, int32_t capacity) {
    // A count other than 0 has no ids to keep: the cache is only filled by NextSurrogate.
    (void)count;
    impl_->surrogates.clear();
    impl_->surrogateCapacity = capacity > 0 ? capacity : 0;
    impl_->refillBlock = impl_->surrogateCapacity;
}

int32_t KxAdmin::GetSurrogateCount() const { return static_cast<int32_t>(impl_->surrogates.size()); }
int32_t KxAdmin::GetSurrogateCapacity() const { return impl_->surrogateCapacity; }

int32_t KxAdmin::NextSurrogate(KxObjId& id) {
    if (impl_->surrogates.empty()) {
        // The first refill asks for the capacity, each further one for twice the block before, up to
        // kSurrogateGrowth times the capacity: a long run of stores takes its ids in few blocks (each
        // a committed transaction of the storage), a client that stores little in small ones. Ids
        // left over go back with RecycleCachedSurrogates.
        constexpr int32_t kSurrogateGrowth = 64;
        const int32_t capacity = impl_->surrogateCapacity > 0 ? impl_->surrogateCapacity : 1;
        const int32_t n = std::max(impl_->refillBlock, capacity);
        std::vector<KxObjId> fetched(static_cast<size_t>(n));
        const int32_t rc = FetchSurrogates(fetched.data(), n);
        if (rc < 0) return rc;
        impl_->refillBlock = std::min(n * 2, capacity * kSurrogateGrowth);
        // Hand out in the order fetched.
        impl_->surrogates.assign(fetched.rbegin(), fetched.rend());
    }
    id = impl_->surrogates.back();
    impl_->surrogates.pop_back();
    return KX_KERNEL_OK;
}

int32_t KxAdmin::RecycleCachedSurrogates() {
    if (impl_->surrogates.empty()) return KX_KERNEL_OK;
    std::vector<KxObjId> ids(impl_->surrogates.rbegin(), impl_->surrogates.rend());
    impl_->surrogates.clear();
    return RecycleSurrogates(ids.data(), static_cast<int32_t>(ids.size()));
}

KxMgr& KxAdmin::GetBucketMgr() { return impl_->bucketMgr; }

int32_t KxAdmin::OpenDictionary() {
    if (impl_->dictionary == nullptr) {
        KxString name, server;
        KxDateTime stamp;
        const int32_t info = GetDictionaryInfo(name, server, stamp);
        if (info == KX_KERNEL_OK && !name.IsEmpty()) {
            KxClassDict* dict = nullptr;
            const int32_t rc = KxBase::KELVOX()->GetDictionary(server, name, dict);
            if (rc != KX_KERNEL_OK) return rc;
            impl_->dictionary = dict;
        } else if (info != KX_KERNEL_OK && info != KX_KERNEL_E_NOT_SUPPORTED) {
            return info;
        }
    }
    impl_->dictionaryOpen = true;
    return KX_KERNEL_OK;
}
bool KxAdmin::IsDictionaryOpen() const { return impl_->dictionaryOpen; }
KxClassDict* KxAdmin::GetDictionary() const { return impl_->dictionary; }

void KxAdmin::AttachDictionary(KxClassDict* held) {
    if (impl_->dictionary != nullptr && impl_->dictionary != held)
        KxBase::KELVOX()->ReleaseDictionary(impl_->dictionary);
    impl_->dictionary = held;
}

int32_t KxAdmin::Init() { return kNo; }
int32_t KxAdmin::OpenDatabase() { return kNo; }

int32_t KxAdmin::CloseDatabase() {
    impl_->dictionaryOpen = false;
    // The buckets point at classes of the dictionary: they go first.
    impl_->bucketMgr.CloseBuckets();
    AttachDictionary(nullptr);
    impl_->surrogates.clear();
    return KX_KERNEL_OK;
}

int32_t KxAdmin::RegisterClass(KxMetaClass*) { return kNo; }
int32_t KxAdmin::FetchSurrogates(KxObjId*, int32_t) { return kNo; }
int32_t KxAdmin::RecycleSurrogates(KxObjId*, int32_t) { return kNo; }
int32_t KxAdmin::LockWatch(const KxRef&, const KxLockSpec*, const KxWatchSpec*) { return kNo; }
int32_t KxAdmin::UnlockWatch(const KxRef&, const KxLockSpec*, const KxWatchSpec*) { return kNo; }
int32_t KxAdmin::ReleaseObjectLocks(KxObject*, const KxRef&, const KxLockSpec*) { return kNo; }
int32_t KxAdmin::GetLockList(int32_t, KxObject*) { return kNo; }
int32_t KxAdmin::GetDictionaryInfo(KxString&, KxString&, KxDateTime&) { return kNo; }
int32_t KxAdmin::SetDictionaryInfo(const KxString&, const KxString&, const KxDateTime&) {
    return kNo;
}
int32_t KxAdmin::GetDatabaseStamp(KxDateTime&) { return kNo; }
int32_t KxAdmin::GetDictionaryModifyStamp(KxDateTime&) { return kNo; }
int32_t KxAdmin::GetTypeMgrVersion(uint16_t&) { return kNo; }
int32_t KxAdmin::GetRevisions(uint16_t&, uint16_t&, uint16_t&) { return kNo; }
int32_t KxAdmin::GetDictionaryInfoRecord(KxDictionaryInfo&) { return kNo; }
int32_t KxAdmin::GetDictionaryServerName(KxString&) { return kNo; }
int32_t KxAdmin::CreateDatabase(const KxString&, const KxString&, const KxString&) { return kNo; }
int32_t KxAdmin::Reconnect() { return kNo; }
int32_t KxAdmin::CheckObject(const KxRef&) { return kNo; }
KxDatabaseShell* KxAdmin::CreateShell() { return nullptr; }
