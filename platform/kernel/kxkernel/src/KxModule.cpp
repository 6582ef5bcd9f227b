#include "KxModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <typeinfo>
#include <vector>

#include "KxConfig.h"
#include "KxRoot.h"
#include "kxfound.h"

// ---- Module names --------------------------------------------------------------------------
namespace {

std::mutex g_searchMutex;
std::string g_searchPath;

struct BuiltInName {
    const char* shortName;
    const char* library;
};
const BuiltInName kBuiltInNames[] = {
    {"Go", "relgate_ora"},
    {"Gd", "relgate_db2"},
};

std::string OwnDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllNameClass::GetDllName), &info) == 0 ||
        info.dli_fname == nullptr)
        return std::string();
    const std::string file = info.dli_fname;
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

void AppendDirs(std::vector<std::string>& dirs, const std::string& list) {
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t colon = list.find(':', pos);
        if (colon == std::string::npos) colon = list.size();
        if (colon > pos) dirs.push_back(list.substr(pos, colon - pos));
        pos = colon + 1;
    }
}

}  // namespace

KxString DllNameClass::GetDllName(const KxString& shortName) {
    std::string file;
    KxConfig* config = KxBase::KELVOX()->GetConfig();
    const KxString section[] = {"modules", ""};
    KxString configured;
    if (config != nullptr && config->Get(shortName, configured, section) == KX_KERNEL_OK &&
        !configured.IsEmpty()) {
        file = configured.ToUtf8();
    } else {
        std::string base = shortName.ToUtf8();
        for (const BuiltInName& b : kBuiltInNames)
            if (base == b.shortName) base = b.library;
        file = "lib" + base + ".so";
    }
    if (file.find('/') != std::string::npos) return KxString::FromUtf8(file);

    std::vector<std::string> dirs;
    {
        std::lock_guard<std::mutex> lock(g_searchMutex);
        AppendDirs(dirs, g_searchPath);
    }
    if (const char* env = std::getenv("KX_MODULE_PATH")) AppendDirs(dirs, env);
    const std::string own = OwnDirectory();
    if (!own.empty()) dirs.push_back(own);
    for (const std::string& dir : dirs) {
        const std::string candidate = dir + "/" + file;
        if (access(candidate.c_str(), F_OK) == 0) return KxString::FromUtf8(candidate);
    }
    return KxString::FromUtf8(file);
}

void DllNameClass::SetSearchPath(const KxString& directories) {
    std::lock_guard<std::mutex> lock(g_searchMutex);
    g_searchPath = directories.ToUtf8();
}

KxString DllNameClass::GetSearchPath() {
    std::lock_guard<std::mutex> lock(g_searchMutex);
    return KxString::FromUtf8(g_searchPath);
}

// ---- Loadable module -----------------------------------------------------------------------
struct KxLoadableModule::Impl {
    mutable std::recursive_mutex mutex;
    KxString fileName;
    void* handle = nullptr;
    int32_t loadCount = 0;
    KxInitDllProc init = nullptr;
    KxModuleDescription description;
    std::string lastError;
};

KxLoadableModule::KxLoadableModule(const KxString& fileName) : impl_(std::make_unique<Impl>()) {
    impl_->fileName = fileName;
}

KxLoadableModule::~KxLoadableModule() {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    if (impl_->handle != nullptr) DoUnload();
}

namespace {
template <typename Proc>
Proc Lookup(void* handle, const char* name) {
    void* p = nullptr;
    if (KxDynamicLoader::GetEntryPoint(name, handle, &p) != 0) return nullptr;
    return reinterpret_cast<Proc>(p);
}
}  // namespace

int32_t KxLoadableModule::Load() {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    if (impl_->handle != nullptr) {
        ++impl_->loadCount;
        return KX_KERNEL_OK;
    }
    impl_->lastError.clear();
    void* handle = dlopen(impl_->fileName.StrGet(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        impl_->lastError = why != nullptr ? why : "cannot open the library";
        return KX_KERNEL_E_MODULE_LOAD;
    }
    auto check = Lookup<KxCheckDllProc>(handle, KX_CHECK_DLL_ENTRY);
    auto describe = Lookup<KxDescribeDllProc>(handle, KX_DESCRIBE_DLL_ENTRY);
    auto init = Lookup<KxInitDllProc>(handle, KX_INIT_DLL_ENTRY);
    if (check == nullptr || describe == nullptr || init == nullptr) {
        impl_->lastError = "the library is not a kernel module (a protocol function is missing)";
        dlclose(handle);
        return KX_KERNEL_E_MODULE_PROTOCOL;
    }
    int32_t rc = check(0);
    if (rc != 0) {
        impl_->lastError = "the module refused the kernel version check";
        dlclose(handle);
        return rc;
    }
    KxModuleDescription d;
    const char* text = describe(&d.major, &d.minor, &d.release, &d.build, &d.reserved, &d.name,
                                &d.buildStamp, &d.unknownText, &d.compilerVersion,
                                &d.compilerName, &d.extra);
    d.description = KxString(text != nullptr ? text : "");
    rc = init(1);
    if (rc != 0) {
        impl_->lastError = "the module's initialisation failed";
        dlclose(handle);
        return rc;
    }
    impl_->description = std::move(d);
    impl_->handle = handle;
    impl_->init = init;
    impl_->loadCount = 1;
    return KX_KERNEL_OK;
}

int32_t KxLoadableModule::Unload() {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    if (impl_->handle == nullptr) return KX_KERNEL_E_STATE;
    if (--impl_->loadCount > 0) return KX_KERNEL_OK;
    return DoUnload();
}

int32_t KxLoadableModule::DoUnload() {
    // Module objects the library made and registered (their code is the library's) go first, while
    // the library is still there.
    Dl_info own{};
    if (dladdr(reinterpret_cast<void*>(impl_->init), &own) != 0 && own.dli_fbase != nullptr)
        KxBase::KELVOX()->GetDllManager()->ReleaseMadeBy(own.dli_fbase, this);
    impl_->init(0);
    const int closed = dlclose(impl_->handle);
    impl_->handle = nullptr;
    impl_->init = nullptr;
    impl_->loadCount = 0;
    return closed == 0 ? KX_KERNEL_OK : KX_KERNEL_E_STATE;
}

void* KxLoadableModule::GetEntry(const KxString& name) const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    if (impl_->handle == nullptr) return nullptr;
    void* p = nullptr;
    if (KxDynamicLoader::GetEntryPoint(name.StrGet(), impl_->handle, &p) != 0) return nullptr;
    return p;
}

bool KxLoadableModule::IsLoaded() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    return impl_->handle != nullptr;
}

int32_t KxLoadableModule::GetLoadCount() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    return impl_->loadCount;
}

const KxString& KxLoadableModule::GetFileName() const { return impl_->fileName; }

KxString KxLoadableModule::GetLastError() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    return KxString::FromUtf8(impl_->lastError);
}

const KxModuleDescription& KxLoadableModule::GetDescription() const { return impl_->description; }
const KxString& KxLoadableModule::GetModuleName() const { return impl_->description.name; }
const KxString& KxLoadableModule::GetDescriptionText() const {
    return impl_->description.description;
}
const KxString& KxLoadableModule::GetBuildStamp() const { return impl_->description.buildStamp; }
int32_t KxLoadableModule::GetMajor() const { return impl_->description.major; }
int32_t KxLoadableModule::GetMinor() const { return impl_->description.minor; }
int32_t KxLoadableModule::GetRelease() const { return impl_->description.release; }
int32_t KxLoadableModule::GetBuild() const { return impl_->description.build; }

// ---- Module registry -----------------------------------------------------------------------
struct KxDllManager::Impl {
    mutable std::mutex mutex;
    std::vector<KxLoadableModule*> modules;
};

KxDllManager::KxDllManager() : impl_(std::make_unique<Impl>()) {}

KxDllManager::~KxDllManager() { ReleaseAll(); }

KxLoadableModule* KxDllManager::GetLoadable(const KxString& fileName) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    for (KxLoadableModule* m : impl_->modules)
        if (m->GetFileName() == fileName) return m;
    return nullptr;
}

int32_t KxDllManager::RegisterDll(KxLoadableModule* module) {
    if (module == nullptr) return KX_KERNEL_E_INVALID;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    for (KxLoadableModule* m : impl_->modules)
        if (m == module || m->GetFileName() == module->GetFileName()) return KX_KERNEL_E_DUPLICATE;
    try {
        impl_->modules.push_back(module);
    } catch (const std::bad_alloc&) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    return KX_KERNEL_OK;
}

uint32_t KxDllManager::Count() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return static_cast<uint32_t>(impl_->modules.size());
}

void KxDllManager::ReleaseMadeBy(const void* libraryBase, const KxLoadableModule* except) {
    std::vector<KxLoadableModule*> made;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        for (auto it = impl_->modules.begin(); it != impl_->modules.end();) {
            Dl_info info{};
            const bool ours = *it != except &&
                              dladdr(static_cast<const void*>(&typeid(**it)), &info) != 0 &&
                              info.dli_fbase == libraryBase;
            if (ours) {
                made.push_back(*it);
                it = impl_->modules.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) delete *it;
}

void KxDllManager::ReleaseAll() {
    std::vector<KxLoadableModule*> modules;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        modules.swap(impl_->modules);
    }
    // The most recently registered first: a later module may depend on an earlier one.
    for (auto it = modules.rbegin(); it != modules.rend(); ++it) delete *it;
}
