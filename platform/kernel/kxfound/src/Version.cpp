#include "kxfound.h"

#include <mutex>

namespace {
std::mutex& CheckMutex() {
    static std::mutex m;
    return m;
}
KxVersionCheckArgs g_lastCheck{0, 0, 0, 0, 0, 0};

#define KX_STR2(x) #x
#define KX_STR(x) KX_STR2(x)

const char kVersion[] = "11.0.3.50";
const char kBuild[] = __DATE__ " " __TIME__;
#if defined(__clang__)
const char kCompilerName[] = "clang++";
const char kCompilerVersion[] = KX_STR(__clang_major__) "." KX_STR(__clang_minor__) "." KX_STR(__clang_patchlevel__);
#elif defined(__GNUC__)
const char kCompilerName[] = "g++";
const char kCompilerVersion[] = KX_STR(__GNUC__) "." KX_STR(__GNUC_MINOR__) "." KX_STR(__GNUC_PATCHLEVEL__);
#else
const char kCompilerName[] = "c++";
const char kCompilerVersion[] = "0";
#endif
}  // namespace

int32_t CheckKxVersionNumber(int32_t major, int32_t minor, int32_t release, int32_t build,
                             int32_t reserved, int32_t flags) {
    {
        std::lock_guard<std::mutex> lock(CheckMutex());
        g_lastCheck = KxVersionCheckArgs{major, minor, release, build, reserved, flags};
    }
    return (major == KX_KERNEL_MAJOR && minor == KX_KERNEL_MINOR) ? KX_FOUND_OK : KX_FOUND_E_VERSION;
}

KxVersionCheckArgs KxLastVersionCheck() {
    std::lock_guard<std::mutex> lock(CheckMutex());
    return g_lastCheck;
}

void GetKxVersionInfo(const char** version, const char** build, const char** compilerName,
                      const char** compilerVersion) {
    if (version) *version = kVersion;
    if (build) *build = kBuild;
    if (compilerName) *compilerName = kCompilerName;
    if (compilerVersion) *compilerVersion = kCompilerVersion;
}
