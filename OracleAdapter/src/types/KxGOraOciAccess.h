// How the type handlers reach OCI: the handles of the database that a conversion runs against and the
// report of a failed call. Every OCI call of the handlers goes through here.
#pragma once

#include <cstdint>

#include "oci.h"

class KxGDatabase;

namespace kxgora {

// The error handle and service context of an Oracle database (both null for any other database).
struct OciHandles {
    KxGDatabase* database = nullptr;
    OCIError* error = nullptr;
    OCISvcCtx* service = nullptr;
};

OciHandles HandlesOf(KxGDatabase* database);

// True for OCI_SUCCESS. Any other status is reported to the database (ReportError (status, null)),
// when there is one, and answers false.
bool Succeeded(const OciHandles& handles, sword status);

}  // namespace kxgora
