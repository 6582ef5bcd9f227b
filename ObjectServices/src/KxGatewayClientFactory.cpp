// The gateway's connection factory.
#include "KxGatewayClientFactory.h"

#include <new>

#include "KxGatewayModule.h"

KxGatewayClientFactory::KxGatewayClientFactory(const KxString& product) : product_(product) {}

KxGatewayClientFactory::~KxGatewayClientFactory() = default;

int32_t KxGatewayClientFactory::GetProductName(KxString& product) const
{
    product = product_;
    return 0;
}

extern "C" KxConnectionFactory* GetGatewayClientFactory(const KxString& product)
{
    return new (std::nothrow) KxGatewayClientFactory(product);
}
