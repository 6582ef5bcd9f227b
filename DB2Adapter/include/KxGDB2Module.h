// Entry points of the DB2 adapter module relgate_db2 (looked up by name): the module protocol
// (KxCheckDll, KxDescribeDll, KxInitDll), the factory GetDBInst and SetDescription
// (KxGDB2DatabaseError.h).
//
// KxInitDll(1) allocates the process-wide CLI environment once; any other reason frees it once. A
// repeated call of either kind does nothing more.
#pragma once

#include <cstdint>

#include "KxGDatabase.h"
#include "KxModule.h"
#include "KxString.h"
#include "db2cli.h"

class KxBase;
class KxParameterList;

constexpr int32_t KXG_DB2_VERSION_MAJOR = 11;
constexpr int32_t KXG_DB2_VERSION_MINOR = 0;
constexpr int32_t KXG_DB2_VERSION_RELEASE = 3;
constexpr int32_t KXG_DB2_VERSION_BUILD = 50;
constexpr const char* KXG_DB2_MODULE_NAME = "relgate_db2";
constexpr const char* KXG_DB2_MODULE_DESCRIPTION = "Tessaform DB2 Adapter";

const char* KxGDB2BuildStamp();
// The process-wide CLI environment; 0 while none is allocated.
SQLHENV KxGDB2Environment();
// The work of KxInitDll (exported under that name, looked up in the module): reason 1 allocates the
// environment when there is none, any other reason frees it when there is one. 0.
int32_t KxGDB2InitDll(int32_t reason);

extern "C" {
KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                       const KxString& password, KxBase* base, KxParameterList* parameters);
}
