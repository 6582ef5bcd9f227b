// The gateway admin (what the client needs of it so far).
#include "KxGatewayAdmin.h"

#include "KxGatewayClient.h"

KxGatewayAdmin::KxGatewayAdmin(KxGatewayClient* client, KxBase* base, int32_t flags)
    : KxAdmin(base, flags), client_(client), concurrencyServer_(KxString::EmptyString())
{
}

KxGatewayAdmin::~KxGatewayAdmin()
{
    if (client_ != nullptr) {
        client_->ForgetAdmin(this);
    }
}
