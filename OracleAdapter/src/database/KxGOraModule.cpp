// Module protocol and the creation function of relgate_ora.
#include "KxGOraModule.h"


#include "KxGOraDatabase.h"
#include "KxGSqlNames.h"
#include "KxGatewayModule.h"
#include "kxfound.h"

const char* KxGOraBuildStamp()
{
    return __DATE__ " " __TIME__;
}

namespace {

// What the module reports about itself.
const KxGModuleIdentity kAdapter{KXG_ORA_VERSION_MAJOR, KXG_ORA_VERSION_MINOR, KXG_ORA_VERSION_RELEASE,
                                 KXG_ORA_VERSION_BUILD, KXG_ORA_MODULE_NAME, KxGOraBuildStamp(),
                                 KXG_ORA_MODULE_DESCRIPTION};

}  // namespace

KXG_MODULE_PROTOCOL(kAdapter)

extern "C" int32_t KxInitDll(int32_t /*enable*/)
{
    return 0;
}

extern "C" KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                                  const KxString& password, KxBase* base, KxParameterList* parameters)
{
    return KxGMake<KxGOraDatabase>(server, database, user, password, base, parameters);
}
