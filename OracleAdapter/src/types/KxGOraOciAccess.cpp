// How the type handlers reach OCI.
#include "KxGOraOciAccess.h"

#include "KxGDatabase.h"
#include "KxGOraDatabase.h"

namespace kxgora {

OciHandles HandlesOf(KxGDatabase* database)
{
    OciHandles handles;
    handles.database = database;
    if (auto* oracle = dynamic_cast<KxGOraDatabase*>(database)) {
        handles.error = oracle->GetErrorHandle();
        handles.service = oracle->GetServiceContext();
    }
    return handles;
}

bool Succeeded(const OciHandles& handles, sword status)
{
    if (status == OCI_SUCCESS) {
        return true;
    }
    if (handles.database != nullptr) {
        handles.database->ReportError(status, nullptr);
    }
    return false;
}

}  // namespace kxgora
