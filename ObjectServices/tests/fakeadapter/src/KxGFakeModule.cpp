// Module protocol and creation function of the fake adapter.
#include <new>
#include <type_traits>

#include "KxGFakeAdapter.h"
#include "KxModule.h"
#include "kxfound.h"

extern "C" {

int32_t KxCheckDll(int32_t flags)
{
    KxGFakeScript::Log(nullptr, "KxCheckDll", std::to_string(flags));
    return CheckKxVersionNumber(11, 0, 3, 50, 0, flags | 3);
}

const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build, int32_t* reserved,
                          KxString* name, KxString* buildStamp, KxString* unknownText, int32_t* compilerVersion,
                          KxString* compilerName, KxString* extra)
{
    if (major != nullptr) *major = 11;
    if (minor != nullptr) *minor = 0;
    if (release != nullptr) *release = 3;
    if (build != nullptr) *build = 50;
    if (reserved != nullptr) *reserved = 0;
    if (name != nullptr) *name = "relgate_fake";
    if (buildStamp != nullptr) *buildStamp = __DATE__ " " __TIME__;
    if (unknownText != nullptr) *unknownText = "unknown";
    if (compilerVersion != nullptr) *compilerVersion = 0;
    if (compilerName != nullptr) *compilerName = "";
    if (extra != nullptr) *extra = "";
    return KXG_FAKE_DESCRIPTION;
}

int32_t KxInitDll(int32_t enable)
{
    KxGFakeScript::Log(nullptr, "KxInitDll", std::to_string(enable));
    return 0;
}

// Scripting "GetDBInst" to fail makes it answer null.
KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                       const KxString& password, KxBase* base, KxParameterList* parameters)
{
    KxGFakeScript::Log(nullptr, "GetDBInst",
                       std::string(server.StrGet()) + "," + database.StrGet() + "," + user.StrGet() + "," +
                           password.StrGet());
    KxGFakeBehaviour behaviour;
    if (KxGFakeScript::Find("GetDBInst", behaviour) && behaviour.fail) {
        return nullptr;
    }
    return new (std::nothrow) KxGFakeDatabase(server, database, user, password, base, parameters);
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&GetDBInst), KxGGetDBInstFunc>, "GetDBInst must match the adapter contract");
