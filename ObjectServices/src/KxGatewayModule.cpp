// Module protocol and entry points of relgate.
#include "KxGatewayModule.h"

#include <atomic>

#include "KxGClassLoader.h"
#include "KxGMappingCompletion.h"
#include "KxGErrorText.h"
#include "KxGStatusCodes.h"
#include "kxfound.h"

namespace {

// Lowest and highest status code whose text the gateway gives to the kernel.

std::atomic<int32_t> g_rogVersion{0};

// The compiler that built the module.
#if defined(__clang__)
constexpr const char* kCompilerName = "Clang";
constexpr int32_t kCompilerVersion = __clang_major__ * 10000 + __clang_minor__ * 100 + __clang_patchlevel__;
#elif defined(__GNUC__)
constexpr const char* kCompilerName = "GNU C++";
constexpr int32_t kCompilerVersion = __GNUC__ * 10000 + __GNUC_MINOR__ * 100 + __GNUC_PATCHLEVEL__;
#else
constexpr const char* kCompilerName = "C++";
constexpr int32_t kCompilerVersion = 0;
#endif

template <typename T, typename V>
void Put(T* out, const V& value)
{
    if (out != nullptr) {
        *out = value;
    }
}

}  // namespace

const char* KxGBuildStamp()
{
    return __DATE__ " " __TIME__;
}

int32_t KxGCheckModule(const KxGModuleIdentity& module, int32_t flags)
{
    return CheckKxVersionNumber(module.major, module.minor, module.release, module.build, 0, flags | 3);
}

const char* KxGDescribeModule(const KxGModuleIdentity& module, int32_t* major, int32_t* minor, int32_t* release,
                              int32_t* build, int32_t* reserved, KxString* name, KxString* buildStamp,
                              KxString* unknownText, int32_t* compilerVersion, KxString* compilerName,
                              KxString* extra)
{
    Put(major, module.major);
    Put(minor, module.minor);
    Put(release, module.release);
    Put(build, module.build);
    Put(reserved, 0);
    Put(name, KxString(module.name));
    Put(buildStamp, KxString(module.buildStamp));
    Put(unknownText, KxString("unknown"));
    Put(compilerVersion, kCompilerVersion);
    Put(compilerName, KxString(kCompilerName));
    Put(extra, KxString::EmptyString());
    return module.description;
}

namespace {

// What the module reports about itself.
const KxGModuleIdentity kGateway{KXG_VERSION_MAJOR, KXG_VERSION_MINOR, KXG_VERSION_RELEASE,
                                 KXG_VERSION_BUILD, KXG_MODULE_NAME, KxGBuildStamp(),
                                 KXG_MODULE_DESCRIPTION};

}  // namespace

KXG_MODULE_PROTOCOL(kGateway)

extern "C" int32_t KxInitDll(int32_t enable)
{
    // The class loader maps the classes of every catalog made without a loader of its own.
    KxGMapLoader& classLoader = KxGClassLoader::Instance();
    if (enable != 0 && KxGMapLoader::GetDefault() == nullptr) {
        KxGMapLoader::SetDefault(&classLoader);
    } else if (enable == 0 && KxGMapLoader::GetDefault() == &classLoader) {
        KxGMapLoader::SetDefault(nullptr);
    }
    KxGInstallMappingCompletion(enable != 0);
    return KxModuleErrorCallbackList::GetInstance()->SetModuleErrorCallback(
        enable != 0 ? &KxGGetErrorText : nullptr, KXG_E_RANGE_HIGHEST, KXG_E_RANGE_LOWEST);
}

extern "C" int32_t GetROGVersion()
{
    return g_rogVersion.load();
}

int32_t SetROGVersion(int32_t version)
{
    int32_t expected = 0;
    if (g_rogVersion.compare_exchange_strong(expected, version)) {
        return version;
    }
    return expected;
}

void ResetROGVersion()
{
    g_rogVersion.store(0);
}

// The library's entry routine has nothing to do on this platform: the system sends no per-thread
// notifications to shared libraries.
