// Foundation services of the kernel: version check, module error texts, version information,
// dynamic entry points, storage byte order and assertions. The list classes are in KxList.h and
// the in-memory file in MemFile.h; both are included here.
#pragma once

#include <cstdint>

#include "KxFoundStatus.h"
#include "KxList.h"
#include "MemFile.h"

// ---- Version check -------------------------------------------------------------------------
// The kernel's own version: modules built for another major or minor version are refused.
constexpr int32_t KX_KERNEL_MAJOR = 11;
constexpr int32_t KX_KERNEL_MINOR = 0;

// 0 when major and minor equal the kernel's (11 and 0), KX_FOUND_E_VERSION (-5004) otherwise.
// Release, build, the fifth argument and the flags are recorded but do not change the result.
int32_t CheckKxVersionNumber(int32_t major, int32_t minor, int32_t release, int32_t build,
                             int32_t reserved, int32_t flags);

struct KxVersionCheckArgs {
    int32_t major, minor, release, build, reserved, flags;
};

// Arguments of the last CheckKxVersionNumber call in this process (all 0 before the first call).
KxVersionCheckArgs KxLastVersionCheck();

// ---- Module error texts -------------------------------------------------------------------
// A module's text for a status code, or nullptr when it has none. The text stays owned by the module.
typedef const char* (*KxModuleErrorCallback)(int32_t code);

class KxModuleErrorCallbackList {
public:
    static KxModuleErrorCallbackList* GetInstance();

    // Registers fn for every code between lowest and highest, both included (the two bounds may be
    // given in either order). A later registration takes precedence where ranges overlap.
    // A null fn removes the range: no callback answers for its codes afterwards (callbacks whose
    // range reaches beyond it keep the rest). Returns 0, or KX_FOUND_E_NO_MEMORY.
    int32_t SetModuleErrorCallback(KxModuleErrorCallback fn, int32_t lowest, int32_t highest);

    // The text of the most recent callback covering code that answers one; nullptr when none does.
    const char* GetText(int32_t code);

    KxModuleErrorCallbackList(const KxModuleErrorCallbackList&) = delete;
    KxModuleErrorCallbackList& operator=(const KxModuleErrorCallbackList&) = delete;

private:
    KxModuleErrorCallbackList();
    ~KxModuleErrorCallbackList();
    struct Impl;
    Impl* impl_;
};

// The kernel's text for a status code: the module callbacks first, then the kernel's own table;
// nullptr when neither knows the code.
const char* KxError(int32_t code);
// Form with two leading context pointers and trailing flags, as some callers use it
// (KxError(nullptr, nullptr, code, 0)); the context and flags do not change the text.
const char* KxError(const void* context1, const void* context2, int32_t code, int32_t flags);

// ---- Version information ------------------------------------------------------------------
// Kernel version text, build text, compiler name and compiler version. Null out-pointers are skipped.
// The texts are static.
void GetKxVersionInfo(const char** version, const char** build, const char** compilerName,
                      const char** compilerVersion);

// ---- Dynamic entry points -----------------------------------------------------------------
class KxDynamicLoader {
public:
    // Looks up the exported symbol name in module (a handle of a loaded library as the platform's
    // loader gives it). 0 and *out set on success; KX_FOUND_E_INVALID for a null argument,
    // KX_FOUND_E_NO_ENTRY when the module has no such symbol (then *out is null).
    static int32_t GetEntryPoint(const char* name, void* module, void** out);
};

// ---- Storage byte order (little-endian) ---------------------------------------------------
// Write a 16-bit or 32-bit value to dest in storage byte order (least significant byte first);
// the Load functions read it back. dest and src need no alignment.
void ShortStore(void* dest, uint16_t value);
void LongStore(void* dest, uint32_t value);
uint16_t ShortLoad(const void* src);
uint32_t LongLoad(const void* src);

// ---- Assertions ---------------------------------------------------------------------------
// Reports the failed condition with its source place on standard error and aborts the process.
[[noreturn]] void KxAssertFailed(const char* condition, const char* file, int line);

// KELVOX_assert(condition): in debug builds a false condition is reported and the process aborts.
// With NDEBUG the condition is still evaluated (so side effects do not depend on the build) and
// its value is ignored.
#ifndef NDEBUG
#define KELVOX_assert(cond) \
    ((cond) ? static_cast<void>(0) : KxAssertFailed(#cond, __FILE__, __LINE__))
#else
#define KELVOX_assert(cond) static_cast<void>(cond)
#endif
