// Module protocol and the creation function of relgate_db2.
#include "KxGDB2Module.h"

#include <mutex>
#include <new>

#include "KxGDB2Database.h"
#include "KxGSqlNames.h"
#include "KxGatewayModule.h"
#include "kxfound.h"

namespace {

std::mutex environmentLock;
SQLHENV environment = SQL_NULL_HENV;

}  // namespace

const char* KxGDB2BuildStamp()
{
    return __DATE__ " " __TIME__;
}

SQLHENV KxGDB2Environment()
{
    std::lock_guard<std::mutex> guard(environmentLock);
    return environment;
}

namespace {

// What the module reports about itself.
const KxGModuleIdentity kAdapter{KXG_DB2_VERSION_MAJOR, KXG_DB2_VERSION_MINOR, KXG_DB2_VERSION_RELEASE,
                                 KXG_DB2_VERSION_BUILD, KXG_DB2_MODULE_NAME, KxGDB2BuildStamp(),
                                 KXG_DB2_MODULE_DESCRIPTION};

}  // namespace

KXG_MODULE_PROTOCOL(kAdapter)

extern "C" int32_t KxInitDll(int32_t reason)
{
    return KxGDB2InitDll(reason);
}

int32_t KxGDB2InitDll(int32_t reason)
{
    std::lock_guard<std::mutex> guard(environmentLock);
    if (reason == 1) {
        if (environment == SQL_NULL_HENV) {
            SQLHENV made = SQL_NULL_HENV;
            if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &made) == SQL_SUCCESS) {
                environment = made;
            }
        }
    } else if (environment != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, environment);
        environment = SQL_NULL_HENV;
    }
    return 0;
}

extern "C" KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                                  const KxString& password, KxBase* base, KxParameterList* /*parameters*/)
{
    return KxGMake<KxGDB2Database>(server, database, user, password, base);
}
