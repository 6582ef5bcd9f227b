#include "kxthreads.h"

#include <pthread.h>

#include <atomic>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

// A recursive lock that knows its owner, so that a thread that does not hold it cannot release it.
class KxRecursiveLock {
public:
    void Lock() {
        const auto self = std::this_thread::get_id();
        // Only the owner ever finds its own id here: it stored it and takes it away again.
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        m_.lock();
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    bool Unlock() {
        // A thread that does not hold the lock never finds its id as the owner (never the empty id).
        if (owner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return false;
        if (--depth_ == 0) {
            owner_.store(std::thread::id(), std::memory_order_relaxed);
            m_.unlock();
        }
        return true;
    }

private:
    std::mutex m_;
    std::atomic<std::thread::id> owner_{};
    uint32_t depth_ = 0;   // touched by the owner only
};

// ---- KxCritSect ---------------------------------------------------------------------------

KxCritSect::KxCritSect(const char* name) : name_(name ? name : ""), lock_(new KxRecursiveLock) {}
KxCritSect::~KxCritSect() = default;

KxCritSect* KxCritSect::Make(const char* name) { return new (std::nothrow) KxCritSect(name); }
KxCritSect* KxCritSect::MakeLight(const char* name) { return new (std::nothrow) KxCritSect(name); }

void KxCritSect::Enter() { lock_->Lock(); }
void KxCritSect::Leave() { lock_->Unlock(); }
const char* KxCritSect::Name() const { return name_.c_str(); }

// ---- KxThreadMgr --------------------------------------------------------------------------

struct KxThreadMgr::Impl {
    std::mutex mutex;
    std::map<int32_t, std::unique_ptr<KxRecursiveLock>> sections;   // never removed while the manager lives

    KxRecursiveLock* Section(int32_t number, bool create) {
        std::lock_guard<std::mutex> lk(mutex);
        auto it = sections.find(number);
        if (it != sections.end()) return it->second.get();
        if (!create) return nullptr;
        auto* lock = new KxRecursiveLock;
        sections.emplace(number, std::unique_ptr<KxRecursiveLock>(lock));
        return lock;
    }
};

KxThreadMgr::KxThreadMgr() : impl_(new Impl) {}
KxThreadMgr::~KxThreadMgr() = default;

int32_t KxThreadMgr::BeginCriticalSection(int32_t number, const char*) {
    if (number < 0) return KX_THREADS_E_INVALID;
    impl_->Section(number, true)->Lock();
    return KX_THREADS_OK;
}

int32_t KxThreadMgr::EndCriticalSection(int32_t number, const char*) {
    if (number < 0) return KX_THREADS_E_INVALID;
    KxRecursiveLock* lock = impl_->Section(number, false);
    if (!lock || !lock->Unlock()) return KX_THREADS_E_NOT_OWNER;
    return KX_THREADS_OK;
}

// ---- CSChecker ----------------------------------------------------------------------------

CSChecker::CSChecker(const char* name, int32_t number, KxThreadMgr* mgr)
    : name_(name), number_(number), mgr_(mgr), held_(false) {
    if (mgr_) held_ = mgr_->BeginCriticalSection(number_, name_) == KX_THREADS_OK;
}

CSChecker::~CSChecker() {
    if (held_) mgr_->EndCriticalSection(number_, name_);
}

// ---- KxMTObj ------------------------------------------------------------------------------

KxMTObj::KxMTObj() : lock_(new KxRecursiveLock) {}
KxMTObj::KxMTObj(const KxMTObj&) : lock_(new KxRecursiveLock) {}
KxMTObj& KxMTObj::operator=(const KxMTObj&) { return *this; }
KxMTObj::~KxMTObj() = default;

void KxMTObj::BeginCriticalSection() { lock_->Lock(); }
void KxMTObj::EndCriticalSection() { lock_->Unlock(); }

// ---- KxThread -----------------------------------------------------------------------------

struct KxThread::Impl {
    std::mutex mutex;            // guards thread and running
    std::thread thread;
    bool running = false;
};

KxThread::KxThread(const char* name) : KxThread(name, name) {}

KxThread::KxThread(const char* name, const char* systemName)
    : name_(name ? name : ""), systemName_(systemName ? systemName : ""), impl_(new Impl) {}

KxThread::~KxThread() {
    std::thread t;
    {
        std::lock_guard<std::mutex> lk(impl_->mutex);
        t = std::move(impl_->thread);
    }
    if (t.joinable()) {
        if (t.get_id() == std::this_thread::get_id()) t.detach();
        else t.join();
    }
}

int32_t KxThread::Start() {
    std::thread previous;
    {
        std::lock_guard<std::mutex> lk(impl_->mutex);
        if (impl_->running) return KX_THREADS_E_STATE;
        previous = std::move(impl_->thread);
    }
    if (previous.joinable()) {
        if (previous.get_id() == std::this_thread::get_id()) previous.detach();   // restarted from its own run
        else previous.join();
    }
    std::lock_guard<std::mutex> lk(impl_->mutex);
    if (impl_->running || impl_->thread.joinable()) return KX_THREADS_E_STATE;   // started meanwhile
    impl_->running = true;
    try {
        impl_->thread = std::thread([this] {
            if (!systemName_.empty()) {
                char shortName[16] = {};
                systemName_.copy(shortName, sizeof shortName - 1);
                pthread_setname_np(pthread_self(), shortName);
            }
            Run();
            std::lock_guard<std::mutex> done(impl_->mutex);
            impl_->running = false;
        });
    } catch (const std::system_error&) {
        impl_->running = false;
        return KX_THREADS_E_START;
    }
    return KX_THREADS_OK;
}

int32_t KxThread::Join() {
    std::thread t;
    {
        std::lock_guard<std::mutex> lk(impl_->mutex);
        if (!impl_->thread.joinable() || impl_->thread.get_id() == std::this_thread::get_id())
            return KX_THREADS_E_STATE;
        t = std::move(impl_->thread);
    }
    t.join();
    return KX_THREADS_OK;
}

const char* KxThread::Name() const { return name_.c_str(); }
const char* KxThread::SystemName() const { return systemName_.c_str(); }
