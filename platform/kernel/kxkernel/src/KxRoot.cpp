#include "KxRoot.h"

#include <atomic>
#include <mutex>

#include "KxTypeMgr.h"
#include "kxthreads.h"

struct KxRoot::Impl {
    mutable std::mutex mutex;
    int32_t initCount = 0;
    std::unique_ptr<KxConfig> config;
    KxDllManager dllManager;
    KxThreadMgr threadMgr;
    KxString clientName = KxString::EmptyString();
    std::atomic<KxUserNameFunction> userNameFn{nullptr};
};

KxRoot::KxRoot() : impl_(std::make_unique<Impl>()) {}
KxRoot::~KxRoot() = default;

KxRoot* KxBase::KELVOX() {
    // Made once and kept for the whole process (never destroyed): modules loaded through it may
    // still be in use while the process ends.
    static KxRoot* const root = new KxRoot();
    return root;
}

KxConfig* KxRoot::GetConfig() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->config.get();
}

KxDllManager* KxRoot::GetDllManager() const { return &impl_->dllManager; }
KxThreadMgr* KxRoot::ThreadMgr() const { return &impl_->threadMgr; }
KxTypeMgr* KxRoot::GetTypeMgr() const { return KxTypeMgr::GetDefault(); }
const KxString& KxRoot::GetClientName() const { return impl_->clientName; }

int32_t KxRoot::CallLoginFunc(KxString* user, KxString* password, int32_t flags,
                              const KxString* /*baseDescriptor*/) {
    const KxUserNameFunction fn = impl_->userNameFn.load();
    if (fn == nullptr) return 1;
    KxString ownUser;
    KxString ownPassword;
    return fn(user != nullptr ? *user : ownUser, password != nullptr ? *password : ownPassword,
              flags);
}

KxUserNameFunction KxRoot::SetUserNameFunction(KxUserNameFunction fn) {
    return impl_->userNameFn.exchange(fn);
}

int32_t KxRoot::GetInitCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->initCount;
}

int32_t InitKelvox(KxParameterSet* params) { return InitKelvox(0, params, 0); }

int32_t InitKelvox(int32_t /*txnBehaviour*/, KxParameterSet* params, int32_t /*flags*/) {
    KxRoot::Impl& root = *KxBase::KELVOX()->impl_;
    std::lock_guard<std::mutex> lock(root.mutex);
    if (root.initCount > 0) {
        ++root.initCount;
        return KX_KERNEL_OK;
    }
    KxString clientName = KxString::EmptyString();
    KxString configFile;
    if (params != nullptr) {
        params->GetValue("ClientName", clientName);
        params->GetValue("ConfigFile", configFile);
    }
    std::unique_ptr<KxConfig> config;
    if (!configFile.IsEmpty()) {
        config = std::make_unique<KxConfig>();
        const int32_t rc = config->ReadFile(configFile);
        if (rc != KX_KERNEL_OK) return rc;
    }
    root.config = std::move(config);
    root.clientName = clientName;
    root.initCount = 1;
    return KX_KERNEL_OK;
}

int32_t DeinitKelvox() {
    KxRoot::Impl& root = *KxBase::KELVOX()->impl_;
    std::unique_lock<std::mutex> lock(root.mutex);
    if (root.initCount == 0) return KX_KERNEL_E_NOT_INITIALISED;
    if (--root.initCount > 0) return KX_KERNEL_OK;
    lock.unlock();
    // Modules are unloaded while the configuration is still there (a module may read it).
    root.dllManager.ReleaseAll();
    lock.lock();
    if (root.initCount == 0) {
        root.config.reset();
        root.clientName = KxString::EmptyString();
        root.userNameFn.store(nullptr);
    }
    return KX_KERNEL_OK;
}
