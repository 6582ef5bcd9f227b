// The gateway's exception handler.
#include "KxGatewayExcept.h"

#include "KxBase.h"

KxGatewayExcept::KxGatewayExcept(KxBase* base) : KxExcept(base) {}

KxGatewayExcept::~KxGatewayExcept() = default;

int32_t KxGatewayExcept::NotifyOpen() { return 0; }
int32_t KxGatewayExcept::NotifyClose() { return 0; }
int32_t KxGatewayExcept::NotifyConnect() { return 0; }
int32_t KxGatewayExcept::NotifyDisconnect() { return 0; }

int32_t KxGatewayExcept::HandleError(KxErrorInfo* error)
{
    KxBase* base = GetBase();
    KxExcMgr* manager = base != nullptr ? base->GetExcMgr() : nullptr;
    if (manager == nullptr || error == nullptr) {
        return 0;
    }
    return manager->HandleError(*error);
}

int32_t KxGatewayExcept::HandleSystemError(KxErrorInfo* error)
{
    if (error == nullptr || (error->flags & KX_ERROR_HANDLED) != 0) {
        return 0;
    }
    return HandleError(error);
}
