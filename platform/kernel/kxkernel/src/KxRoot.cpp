#include "KxRoot.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <vector>

#include "KxClassDict.h"
#include "KxHooks.h"
#include "KxLockRegistry.h"
#include "KxTypeMgr.h"
#include "kxthreads.h"
#include "w32path.h"

namespace {
std::string ServerKey(const KxString& server) {
    std::string key = server.IsEmpty() ? std::string(KX_DEFAULT_DICTIONARY_SERVER) : server.ToUtf8();
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return key;
}
struct HeldDictionary {
    std::string server;
    std::string name;
    std::unique_ptr<KxClassDict> dict;
    uint32_t holds = 0;
};

// Adds a dictionary to the held ones, held once for the caller; answers it.
KxClassDict* Hold(std::vector<HeldDictionary>& held, const std::string& server, const std::string& name,
                  std::unique_ptr<KxClassDict> dict) {
    HeldDictionary h;
    h.server = server;
    h.name = name;
    h.dict = std::move(dict);
    h.holds = 1;
    KxClassDict* added = h.dict.get();
    held.push_back(std::move(h));
    return added;
}
}  // namespace

struct KxRoot::Impl {
    mutable std::mutex mutex;
    int32_t initCount = 0;
    std::unique_ptr<KxConfig> config;
    KxDllManager dllManager;
    KxThreadMgr threadMgr;
    KxString clientName = KxString::EmptyString();
    std::atomic<KxUserNameFunction> userNameFn{nullptr};
    std::mutex dictMutex;
    std::vector<HeldDictionary> dictionaries;
    std::map<std::string, std::string> dictionaryPaths;   // by server key
    // Every base that exists (each registers itself while it lives); owned: made by GetBase and not
    // yet given back.
    struct LiveBase {
        KxBase* base;
        bool owned;
    };
    std::mutex basesMutex;
    std::vector<LiveBase> bases;
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

int32_t KxRoot::MapLogicalName(const KxString& logical, KxString& physical, int32_t /*kind*/,
                               int32_t /*flags*/, const KxString& tag) const {
    physical = logical;
    KxConfig* config = GetConfig();
    if (config == nullptr || logical.IsEmpty()) return KX_KERNEL_E_NOT_FOUND;
    const KxString section[] = {KxString("LogicalNames"), tag, KxString()};
    KxString value;
    if (config->Get(logical, value, section) != KX_KERNEL_OK || value.IsEmpty()) return KX_KERNEL_E_NOT_FOUND;
    physical = value;
    return KX_KERNEL_OK;
}

KxUserNameFunction KxRoot::SetUserNameFunction(KxUserNameFunction fn) {
    return impl_->userNameFn.exchange(fn);
}

int32_t KxRoot::GetBase(const KxString& server, const KxString& name, KxBase*& base, int32_t mode) {
    base = nullptr;
    if (const int32_t hooked = kxk::HookPoint("GetBase")) return hooked;
    if (GetInitCount() == 0) return KX_KERNEL_E_NOT_INITIALISED;
    if (name.IsEmpty() || mode != 2) return KX_KERNEL_E_INVALID;
    // On a failure or an exception the base's destructor closes what it made.
    std::unique_ptr<KxBase> made(new (std::nothrow) KxBase(name));
    if (!made) return KX_KERNEL_E_NO_MEMORY;
    int32_t rc = made->Connect(server);
    if (rc == KX_KERNEL_OK) rc = made->Open(0);
    if (rc != KX_KERNEL_OK) return rc < 0 ? rc : KX_KERNEL_E_STATE;
    {
        std::lock_guard<std::mutex> lock(impl_->basesMutex);
        for (Impl::LiveBase& live : impl_->bases)
            if (live.base == made.get()) live.owned = true;
    }
    base = made.release();
    return KX_KERNEL_OK;
}

int32_t KxRoot::UngetBase(KxBase* base) {
    const int32_t hooked = kxk::HookPoint("UngetBase");
    {
        std::lock_guard<std::mutex> lock(impl_->basesMutex);
        auto it = std::find_if(impl_->bases.begin(), impl_->bases.end(),
                               [base](const Impl::LiveBase& live) { return live.base == base && live.owned; });
        if (base == nullptr || it == impl_->bases.end()) return KX_KERNEL_E_NOT_FOUND;
        it->owned = false;   // given back: a second UngetBase finds nothing
    }
    // Deleted also when the close throws.
    std::unique_ptr<KxBase> owned(base);
    const int32_t rc = owned->Close();
    return hooked != 0 ? hooked : rc;
}

int32_t KxRoot::GetBaseCount() const {
    std::lock_guard<std::mutex> lock(impl_->basesMutex);
    return static_cast<int32_t>(std::count_if(impl_->bases.begin(), impl_->bases.end(),
                                              [](const Impl::LiveBase& live) { return live.owned; }));
}

int32_t KxRoot::UngetDictionary(KxClassDict* dict) { return ReleaseDictionary(dict); }

namespace {

// The directory named by [schemata\<name>] name, as a Linux path; empty without one.
std::string SchemataDirectory(KxConfig* config, const KxString& name) {
    if (config == nullptr) return std::string();
    const KxString section[] = {KxString("schemata"), name, KxString()};
    KxString value;
    if (config->Get("name", value, section) != KX_KERNEL_OK || value.IsEmpty()) return std::string();
    std::string path;
    return w32path::ToLinux(value.ToUtf8(), path) == 0 ? path : value.ToUtf8();
}

}  // namespace

int32_t KxRoot::GetDictionary(const KxString& server, const KxString& name, KxClassDict*& dict,
                              KxString* error) {
    dict = nullptr;
    if (const int32_t hooked = kxk::HookPoint("GetDictionary")) return hooked;
    if (name.IsEmpty()) return KX_KERNEL_E_INVALID;
    const std::string key = ServerKey(server);
    const std::string dictName = name.ToUtf8();
    std::lock_guard<std::mutex> lock(impl_->dictMutex);
    for (HeldDictionary& h : impl_->dictionaries)
        if (h.server == key && (h.name == dictName || h.dict->GetLogicalName().ToUtf8() == dictName)) {
            ++h.holds;
            dict = h.dict.get();
            return KX_KERNEL_OK;
        }
    // A dictionary read is held once for the caller under the folder's name.
    auto hold = [&](const std::string& folder, std::unique_ptr<KxClassDict> loaded) {
        dict = Hold(impl_->dictionaries, key, folder, std::move(loaded));
        return KX_KERNEL_OK;
    };
    const std::string schemata = SchemataDirectory(GetConfig(), name);
    if (!schemata.empty()) {
        std::unique_ptr<KxClassDict> loaded;
        const int32_t rc = KxClassDict::Load(KxString(schemata), loaded, error);
        return rc != KX_KERNEL_OK ? rc : hold(dictName, std::move(loaded));
    }
    if (key == KX_DEFAULT_DICTIONARY_SERVER && std::filesystem::path(dictName).is_absolute()) {
        // A local dictionary named by its folder's full path.
        std::unique_ptr<KxClassDict> loaded;
        const int32_t rc = KxClassDict::Load(KxString(dictName), loaded, error);
        return rc != KX_KERNEL_OK ? rc : hold(dictName, std::move(loaded));
    }
    std::string path;
    const auto it = impl_->dictionaryPaths.find(key);
    if (it != impl_->dictionaryPaths.end()) {
        path = it->second;
    } else {
        KxConfig* config = GetConfig();
        KxString value;
        const KxString section[] = {KxString("servers"), KxString(key), KxString()};
        if (config != nullptr && config->Get("DictionaryPath", value, section) == KX_KERNEL_OK)
            path = value.ToUtf8();
        else if (const char* env = std::getenv("KX_DICTIONARY_PATH"))
            path = env;
    }
    if (path.empty() || dictName.find('/') != std::string::npos || dictName == "." || dictName == "..")
        return KX_KERNEL_E_NOT_FOUND;
    std::unique_ptr<KxClassDict> loaded;
    std::string folder = dictName;
    int32_t rc = KxClassDict::Load(KxString(path + "/" + dictName), loaded, error);
    if (rc == KX_DICT_E_NOT_FOUND) {
        // Not a folder name: the dictionary whose logical name it is, when one folder holds it.
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
            std::unique_ptr<KxClassDict> candidate;
            if (!entry.is_directory(ec) ||
                KxClassDict::Load(KxString(entry.path().string()), candidate, nullptr) != KX_KERNEL_OK ||
                candidate->GetLogicalName().ToUtf8() != dictName)
                continue;
            loaded = std::move(candidate);
            folder = entry.path().filename().string();
            rc = KX_KERNEL_OK;
            break;
        }
    }
    if (rc != KX_KERNEL_OK) return rc;
    return hold(folder, std::move(loaded));
}

int32_t KxRoot::ReleaseDictionary(KxClassDict* dict) {
    std::lock_guard<std::mutex> lock(impl_->dictMutex);
    for (auto it = impl_->dictionaries.begin(); it != impl_->dictionaries.end(); ++it)
        if (it->dict.get() == dict) {
            if (--it->holds == 0) impl_->dictionaries.erase(it);
            return KX_KERNEL_OK;
        }
    return KX_KERNEL_E_NOT_FOUND;
}

int32_t KxRoot::HoldDictionary(KxClassDict* dict) {
    std::lock_guard<std::mutex> lock(impl_->dictMutex);
    for (HeldDictionary& h : impl_->dictionaries)
        if (h.dict.get() == dict) {
            ++h.holds;
            return KX_KERNEL_OK;
        }
    return KX_KERNEL_E_NOT_FOUND;
}

void KxRoot::AddBase(KxBase* base) {
    std::lock_guard<std::mutex> lock(impl_->basesMutex);
    impl_->bases.push_back({base, false});
}

void KxRoot::RemoveBase(KxBase* base) {
    std::lock_guard<std::mutex> lock(impl_->basesMutex);
    impl_->bases.erase(std::remove_if(impl_->bases.begin(), impl_->bases.end(),
                                      [base](const Impl::LiveBase& live) { return live.base == base; }),
                       impl_->bases.end());
}

int32_t KxRoot::AddDictionary(std::unique_ptr<KxClassDict>& dict, KxClassDict*& held) {
    held = nullptr;
    if (!dict) return KX_KERNEL_E_INVALID;
    const std::string key = ServerKey(dict->GetServer());
    const std::string dictName = dict->GetName().ToUtf8();
    std::lock_guard<std::mutex> lock(impl_->dictMutex);
    for (const HeldDictionary& h : impl_->dictionaries)
        if (h.server == key && h.name == dictName) return KX_KERNEL_E_DUPLICATE;
    held = Hold(impl_->dictionaries, key, dictName, std::move(dict));
    return KX_KERNEL_OK;
}

void KxRoot::SetDictionaryPath(const KxString& server, const KxString& path) {
    std::lock_guard<std::mutex> lock(impl_->dictMutex);
    if (path.IsEmpty())
        impl_->dictionaryPaths.erase(ServerKey(server));
    else
        impl_->dictionaryPaths[ServerKey(server)] = path.ToUtf8();
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
    // Bases still open are closed first: their shells, admins, buckets and connections are the
    // modules' code. Those still held from GetBase are deleted as well (the root owns them).
    // Modules are unloaded while the configuration is still there (a module may read it).
    std::vector<KxBase*> open;
    std::vector<KxBase*> owned;
    {
        std::lock_guard<std::mutex> held(root.basesMutex);
        for (KxRoot::Impl::LiveBase& live : root.bases) {
            (live.owned ? owned : open).push_back(live.base);
            live.owned = false;
        }
    }
    for (KxBase* base : owned) delete base;
    for (KxBase* base : open) base->Close();
    root.dllManager.ReleaseAll();
    lock.lock();
    if (root.initCount == 0) {
        root.config.reset();
        root.clientName = KxString::EmptyString();
        root.userNameFn.store(nullptr);
        // The persistent properties and what is left of locks and watches end with the kernel.
        kxk::LocksKernelStopped();
    }
    return KX_KERNEL_OK;
}
