// Module protocol and the creation function of relgate_ora.
#include "KxGOraModule.h"

#include <new>

#include "KxGOraDatabase.h"
#include "KxGatewayModule.h"
#include "kxfound.h"

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
    static const KxGModuleIdentity adapter{KXG_ORA_VERSION_MAJOR, KXG_ORA_VERSION_MINOR, KXG_ORA_VERSION_RELEASE,
                                           KXG_ORA_VERSION_BUILD, KXG_ORA_MODULE_NAME,   KxGOraBuildStamp(),
                                           KXG_ORA_MODULE_DESCRIPTION};
    return KxGDescribeModule(adapter, major, minor, release, build, reserved, name, buildStamp, unknownText,
                             compilerVersion, compilerName, extra);
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
