// How the type handlers reach OCI.
#include "KxGOraOciAccess.h"

#include <typeinfo>

#include "KxGDatabase.h"
#include "KxGOraDatabase.h"

namespace kxgora {

OciHandles HandlesOf(KxGDatabase* database)
{
    OciHandles handles;
    handles.database = database;
    // The adapter's own database class first, without the cost of a dynamic cast on every value.
    KxGOraDatabase* oracle = database != nullptr && typeid(*database) == typeid(KxGOraDatabase)
                                 ? static_cast<KxGOraDatabase*>(database)
                                 : dynamic_cast<KxGOraDatabase*>(database);
    if (oracle != nullptr) {
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
