// Module protocol and the creation function of relgate_ora.
#include "KxGOraModule.h"

#include <new>

#include "KxGOraDatabase.h"
#include "kxfound.h"

namespace {

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

const char* KxGOraBuildStamp()
{
    return __DATE__ " " __TIME__;
}

extern "C" int32_t KxCheckDll(int32_t flags)
{
    return CheckKxVersionNumber(KXG_ORA_VERSION_MAJOR, KXG_ORA_VERSION_MINOR, KXG_ORA_VERSION_RELEASE,
                                KXG_ORA_VERSION_BUILD, 0, flags | 3);
}

extern "C" const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build,
                                     int32_t* reserved, KxString* name, KxString* buildStamp,
                                     KxString* unknownText, int32_t* compilerVersion, KxString* compilerName,
                                     KxString* extra)
{
    Put(major, KXG_ORA_VERSION_MAJOR);
    Put(minor, KXG_ORA_VERSION_MINOR);
    Put(release, KXG_ORA_VERSION_RELEASE);
    Put(build, KXG_ORA_VERSION_BUILD);
    Put(reserved, 0);
    Put(name, KxString(KXG_ORA_MODULE_NAME));
    Put(buildStamp, KxString(KxGOraBuildStamp()));
    Put(unknownText, KxString("unknown"));
    Put(compilerVersion, kCompilerVersion);
    Put(compilerName, KxString(kCompilerName));
    Put(extra, KxString::EmptyString());
    return KXG_ORA_MODULE_DESCRIPTION;
}

extern "C" int32_t KxInitDll(int32_t /*enable*/)
{
    return 0;
}

extern "C" KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                                  const KxString& password, KxBase* base, KxParameterList* parameters)
{
    try {
        return new KxGOraDatabase(server, database, user, password, base, parameters);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
