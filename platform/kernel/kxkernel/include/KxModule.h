// Loadable modules of the kernel: the module protocol, the module name table, the loadable module
// and the module registry (DLL manager).
//
// Module protocol: every module exports three plain functions, looked up by name:
//   extern "C" int32_t KxCheckDll(int32_t flags);      0 when the module accepts this kernel
//   extern "C" const char* KxDescribeDll(...);         fills the description, returns its text
//   extern "C" int32_t KxInitDll(int32_t enable);      1 after loading, 0 before unloading; 0 = success
// KxLoadableModule::Load opens the library and calls KxCheckDll(0), KxDescribeDll and KxInitDll(1);
// Unload calls KxInitDll(0) and closes the library.
#pragma once

#include <cstdint>
#include <memory>

#include "KxKernelStatus.h"
#include "KxString.h"

// ---- Module protocol -----------------------------------------------------------------------
typedef int32_t (*KxCheckDllProc)(int32_t flags);
typedef int32_t (*KxInitDllProc)(int32_t enable);
typedef const char* (*KxDescribeDllProc)(int32_t* major, int32_t* minor, int32_t* release,
                                         int32_t* build, int32_t* reserved, KxString* name,
                                         KxString* buildStamp, KxString* unknownText,
                                         int32_t* compilerVersion, KxString* compilerName,
                                         KxString* extra);

// Names under which the protocol functions are looked up.
#define KX_CHECK_DLL_ENTRY    "KxCheckDll"
#define KX_DESCRIBE_DLL_ENTRY "KxDescribeDll"
#define KX_INIT_DLL_ENTRY     "KxInitDll"

// Declarations a module implements (the kernel itself defines none of them).
extern "C" {
int32_t KxCheckDll(int32_t flags);
int32_t KxInitDll(int32_t enable);
const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build,
                          int32_t* reserved, KxString* name, KxString* buildStamp,
                          KxString* unknownText, int32_t* compilerVersion, KxString* compilerName,
                          KxString* extra);
}

// What KxDescribeDll reported, in the order of its out-parameters, plus its result text.
struct KxModuleDescription {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t release = 0;
    int32_t build = 0;
    int32_t reserved = 0;
    KxString name;
    KxString buildStamp;
    KxString unknownText;
    int32_t compilerVersion = 0;
    KxString compilerName;
    KxString extra;
    KxString description;     // the result of KxDescribeDll
};

// ---- Module names --------------------------------------------------------------------------
// Turns a module's short name into the file name of its library.
//  1. The configuration section [modules] of the kernel's configuration may name the file:
//       [modules]
//       Gx=/path/to/libfake.so
//  2. Otherwise the kernel's own table: "Go" is relgate_ora, "Gd" is relgate_db2; any other short
//     name stands for itself. The file name is lib<name>.so.
//  3. A file name without a slash is looked for, in this order, in the directories of the search
//     path set by SetSearchPath, of the environment variable KX_MODULE_PATH (both lists separated
//     by colons) and in the directory of the kernel library itself; the first existing file is
//     returned with its directory. When none exists the bare file name is returned and the
//     system's loader searches for it.
class DllNameClass {
public:
    static KxString GetDllName(const KxString& shortName);
    // Directories searched first (colon-separated); an empty text removes them.
    static void SetSearchPath(const KxString& directories);
    static KxString GetSearchPath();
};

// ---- Loadable module -----------------------------------------------------------------------
class KxLoadableModule {
public:
    explicit KxLoadableModule(const KxString& fileName);
    // Unloads the module when it is still loaded.
    virtual ~KxLoadableModule();
    KxLoadableModule(const KxLoadableModule&) = delete;
    KxLoadableModule& operator=(const KxLoadableModule&) = delete;

    // Loads the library, checks it (KxCheckDll(0)), keeps its description (KxDescribeDll) and
    // initialises it (KxInitDll(1)). 0 on success. Non-zero on failure, and then the library is
    // closed again: KX_KERNEL_E_MODULE_LOAD when the library cannot be opened (GetLastError tells
    // why), KX_KERNEL_E_MODULE_PROTOCOL when a protocol function is missing, otherwise the non-zero
    // result of KxCheckDll or KxInitDll(1). Loading a module that is already loaded counts one
    // more load and answers 0.
    virtual int32_t Load();
    // Undoes one Load; the last one calls KxInitDll(0) and closes the library. 0, or
    // KX_KERNEL_E_STATE when the module is not loaded.
    virtual int32_t Unload();

    // An exported symbol of the loaded library; nullptr when not loaded or absent.
    void* GetEntry(const KxString& name) const;

    bool IsLoaded() const;
    int32_t GetLoadCount() const;
    const KxString& GetFileName() const;
    // The text of the last failed Load (the loader's message); empty when none failed.
    KxString GetLastError() const;

    // The description kept from the last successful Load.
    const KxModuleDescription& GetDescription() const;
    const KxString& GetModuleName() const;       // e.g. "relgate"
    const KxString& GetDescriptionText() const;  // e.g. the module's title
    const KxString& GetBuildStamp() const;
    int32_t GetMajor() const;
    int32_t GetMinor() const;
    int32_t GetRelease() const;
    int32_t GetBuild() const;

private:
    int32_t DoUnload();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- Module registry -----------------------------------------------------------------------
class KxDllManager {
public:
    KxDllManager();
    // Deletes (and so unloads) every registered module.
    ~KxDllManager();
    KxDllManager(const KxDllManager&) = delete;
    KxDllManager& operator=(const KxDllManager&) = delete;

    // The registered module with that file name; nullptr when none.
    KxLoadableModule* GetLoadable(const KxString& fileName) const;
    // Registers a module; the manager owns it from then on. 0; KX_KERNEL_E_INVALID for null;
    // KX_KERNEL_E_DUPLICATE when a module with the same file name is registered (the caller keeps
    // the module).
    int32_t RegisterDll(KxLoadableModule* module);
    uint32_t Count() const;
    // Deletes every registered module (each is unloaded first).
    void ReleaseAll();
    // Deletes (and so unloads) the registered modules whose objects a library made (their class's code
    // lies in the library loaded at that base address), but not `except`. The kernel does this before
    // it unloads the library, so that no code of an unloaded library runs when they go.
    void ReleaseMadeBy(const void* libraryBase, const KxLoadableModule* except);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
