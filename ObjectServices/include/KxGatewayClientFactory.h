// The gateway's connection factory, handed to the kernel by GetGatewayClientFactory.
#pragma once

#include <cstdint>

#include "KxConnection.h"
#include "KxString.h"

class KxGatewayClientFactory : public KxConnectionFactory {
public:
    // Keeps a copy of the product name (for example "Oracle" or "DB2", in any case).
    explicit KxGatewayClientFactory(const KxString& product);
    ~KxGatewayClientFactory() override;

    // 0 and the product name as given.
    int32_t GetProductName(KxString& product) const override;

    const KxString& Product() const { return product_; }

private:
    KxString product_;
};
