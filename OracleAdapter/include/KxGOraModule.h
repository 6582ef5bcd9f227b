// Entry points of the Oracle adapter module relgate_ora.
//
// The kernel's module registry checks, describes and initialises the module through the protocol
// functions KxCheckDll, KxDescribeDll and KxInitDll (declared in KxModule.h); the gateway client
// makes its connection objects through GetDBInst (KxGGetDBInstFunc in KxGDatabase.h). All are
// looked up by name.
#pragma once

#include <cstdint>

#include "KxGDatabase.h"
#include "KxModule.h"
#include "KxString.h"

class KxBase;
class KxParameterList;

// Version of the adapter module.
constexpr int32_t KXG_ORA_VERSION_MAJOR = 11;
constexpr int32_t KXG_ORA_VERSION_MINOR = 0;
constexpr int32_t KXG_ORA_VERSION_RELEASE = 3;
constexpr int32_t KXG_ORA_VERSION_BUILD = 50;

// Module name and description text reported by KxDescribeDll.
constexpr const char* KXG_ORA_MODULE_NAME = "relgate_ora";
constexpr const char* KXG_ORA_MODULE_DESCRIPTION = "Tessaform Oracle Adapter";

// The adapter's build date and time: month abbreviation, day and year, then hh:mm:ss.
const char* KxGOraBuildStamp();

extern "C" {
// A new KxGOraDatabase (see KxGOraDatabase.h), unopened; null only when memory runs out. A failure
// to make the OCI environment or a handle is reported by the object's first operation that needs it.
KxGDatabase* GetDBInst(const KxString& server, const KxString& database, const KxString& user,
                       const KxString& password, KxBase* base, KxParameterList* parameters);
}
