// The gateway's connection factory.
#include "KxGatewayClientFactory.h"

#include <new>

#include "KxGatewayClient.h"
#include "KxGatewayExcept.h"
#include "KxGatewayModule.h"
#include "KxGatewayTransactionMgr.h"

KxGatewayClientFactory::KxGatewayClientFactory(const KxString& product) : product_(product) {}

KxGatewayClientFactory::~KxGatewayClientFactory() = default;

KxBaseConnection* KxGatewayClientFactory::CreateConnection(KxBase* base)
{
    auto* client = new (std::nothrow) KxGatewayClient(base, product_);
    if (client != nullptr) {
        client->SetTransactionManager(new (std::nothrow) KxGatewayTransactionMgr(client));
    }
    return client;
}

KxExcept* KxGatewayClientFactory::CreateExcept(KxBase* base)
{
    return new (std::nothrow) KxGatewayExcept(base);
}

int32_t KxGatewayClientFactory::GetProductName(KxString& product) const
{
    product = product_;
    return 0;
}

extern "C" KxConnectionFactory* GetGatewayClientFactory(const KxString& product)
{
    return new (std::nothrow) KxGatewayClientFactory(product);
}
