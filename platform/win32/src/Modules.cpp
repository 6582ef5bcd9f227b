#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Decorated.h"
#include "Errors.h"
#include "Handles.h"
#include "Paths.h"
#include "Text.h"
#include "w32ini.h"
#include "w32path.h"

namespace w32 {
namespace {

typedef BOOL (*EntryRoutine)(HINSTANCE, DWORD, LPVOID);

struct Module : Object {
    Module() : Object(Kind::Module) {}
    void* library = nullptr;   // dlopen handle
    std::string file;          // Linux path of the loaded file
    int loads = 0;
};

// The loader lock: held while modules load, unload and run their entry routine (which may load
// further modules on the same thread).
struct Loader {
    std::recursive_mutex mutex;
    std::map<void*, HMODULE> byLibrary;
};

Loader& TheLoader() {
    static Loader* loader = new Loader;
    return *loader;
}

// The file names a module name may have: "x.dll" also as "libx.so"; "x" as "x.dll" and "libx.so".
std::vector<std::string> NameVariants(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {name + ".dll", "lib" + name + ".so", name};
    if (w32ini::EqualsNoCase(name.substr(dot), ".dll")) return {name, "lib" + name.substr(0, dot) + ".so"};
    return {name};
}

// The file of a module name; empty when there is none. Last error set on a bad path.
bool LocateModule(const std::string& name, std::string& file) {
    file.clear();
    std::vector<std::string> folders;
    std::string base;
    if (const DWORD rc = SearchFolders(name, folders, base)) return Fail(rc);
    for (const std::string& folder : folders) {
        for (const std::string& variant : NameVariants(base)) {
            file = FindFileNoCase(folder, variant);
            if (!file.empty()) return true;
        }
    }
    return true;
}

DWORD LoadError(const char* message) {
    const std::string m = message == nullptr ? "" : message;
    if (m.find("undefined symbol") != std::string::npos) return ERROR_PROC_NOT_FOUND;
    if (m.find("cannot open shared object file") != std::string::npos) return ERROR_MOD_NOT_FOUND;
    return ERROR_BAD_EXE_FORMAT;
}

// A symbol the library itself defines, not one of the libraries it uses.
void* OwnSymbol(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) return nullptr;
    link_map* own = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &own) != 0) return nullptr;
    Dl_info info;
    link_map* holder = nullptr;
    if (dladdr1(symbol, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) == 0) return nullptr;
    return holder == own ? symbol : nullptr;
}

BOOL CallEntry(const Module& m, HMODULE handle, DWORD reason) {
    void* entry = OwnSymbol(m.library, "DllMain");
    if (entry == nullptr) return TRUE;
    return reinterpret_cast<EntryRoutine>(entry)(handle, reason, nullptr);
}

HMODULE Load(const std::string& name) {
    std::string file;
    if (!LocateModule(name, file)) return nullptr;
    if (file.empty()) return Fail(ERROR_MOD_NOT_FOUND, HMODULE(nullptr));
    char real[PATH_MAX];
    if (realpath(file.c_str(), real) != nullptr) file = real;
    Loader& loader = TheLoader();
    std::lock_guard<std::recursive_mutex> lock(loader.mutex);
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return Fail(LoadError(dlerror()), HMODULE(nullptr));
    auto known = loader.byLibrary.find(library);
    if (known != loader.byLibrary.end()) {
        dlclose(library);   // the library's own count stays at one per module
        if (auto m = Find<Module>(known->second, {Kind::Module})) ++m->loads;
        return known->second;
    }
    auto module = std::make_shared<Module>();
    module->library = library;
    module->file = file;
    module->loads = 1;
    auto handle = static_cast<HMODULE>(AddHandle(module));
    loader.byLibrary[library] = handle;
    if (!CallEntry(*module, handle, DLL_PROCESS_ATTACH)) {
        CallEntry(*module, handle, DLL_PROCESS_DETACH);
        loader.byLibrary.erase(library);
        RemoveHandle(handle, {Kind::Module});
        dlclose(library);
        return Fail(ERROR_DLL_INIT_FAILED, HMODULE(nullptr));
    }
    return handle;
}

template <typename Text>
DWORD ModuleFileName(HMODULE hModule, const Text& convert, DWORD nSize) {
    std::string file;
    if (hModule == nullptr) {
        file = ProgramFile();
    } else {
        std::lock_guard<std::recursive_mutex> lock(TheLoader().mutex);
        auto m = Find<Module>(hModule, {Kind::Module});
        if (m == nullptr) return 0;
        file = m->file;
    }
    return convert(w32path::ToWindows(file), nSize);
}

}  // namespace
}  // namespace w32

using w32::Fail;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr || lpLibFileName[0] == '\0') return Fail(ERROR_INVALID_PARAMETER, HMODULE(nullptr));
    return w32::Load(lpLibFileName);
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    if (lpLibFileName == nullptr || lpLibFileName[0] == 0) return Fail(ERROR_INVALID_PARAMETER, HMODULE(nullptr));
    return w32::Load(w32::ToUtf8(lpLibFileName));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    w32::Loader& loader = w32::TheLoader();
    std::lock_guard<std::recursive_mutex> lock(loader.mutex);
    auto m = w32::Find<w32::Module>(hLibModule, {w32::Kind::Module});
    if (m == nullptr) return FALSE;
    if (--m->loads > 0) return TRUE;
    w32::CallEntry(*m, hLibModule, DLL_PROCESS_DETACH);
    loader.byLibrary.erase(m->library);
    w32::RemoveHandle(hLibModule, {w32::Kind::Module});
    dlclose(m->library);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule == nullptr) return Fail(ERROR_MOD_NOT_FOUND, FARPROC(nullptr));
    if (lpProcName == nullptr) return Fail(ERROR_INVALID_PARAMETER, FARPROC(nullptr));
    std::lock_guard<std::recursive_mutex> lock(w32::TheLoader().mutex);
    auto m = w32::Find<w32::Module>(hModule, {w32::Kind::Module});
    if (m == nullptr) return nullptr;
    // Names below 0x10000 are ordinals, which shared libraries do not have.
    if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) return Fail(ERROR_PROC_NOT_FOUND, FARPROC(nullptr));
    void* symbol = w32::OwnSymbol(m->library, lpProcName);
    if (symbol == nullptr) {
        // A decorated name of a plain C++ function: the function under the Linux compiler's name.
        const std::string linuxName = w32::LinuxNameOfDecorated(lpProcName);
        if (!linuxName.empty()) symbol = w32::OwnSymbol(m->library, linuxName.c_str());
    }
    if (symbol == nullptr) return Fail(ERROR_PROC_NOT_FOUND, FARPROC(nullptr));
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    return w32::ModuleFileName(hModule, [&](const std::string& path, DWORD size) -> DWORD {
        if (path.size() + 1 <= size) return w32::CopyCut(path, lpFilename, size);
        w32::CopyCut(path, lpFilename, size);
        return Fail(ERROR_INSUFFICIENT_BUFFER, size);
    }, nSize);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    return w32::ModuleFileName(hModule, [&](const std::string& path, DWORD size) -> DWORD {
        const std::u16string wide = w32::ToUtf16(path);
        if (wide.size() + 1 <= size) return w32::CopyCut(wide, lpFilename, size);
        w32::CopyCut(wide, lpFilename, size);
        return Fail(ERROR_INSUFFICIENT_BUFFER, size);
    }, nSize);
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE) { return TRUE; }

}  // extern "C"
