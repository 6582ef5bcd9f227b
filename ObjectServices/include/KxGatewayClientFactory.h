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

    // A new KxGatewayClient for the base and the product, with a new KxGatewayTransactionMgr bound to
    // it (none when that cannot be allocated). Null when the client cannot be allocated.
    KxBaseConnection* CreateConnection(KxBase* base) override;
    // A new KxGatewayExcept for the base; null when it cannot be allocated.
    KxExcept* CreateExcept(KxBase* base) override;
    // 0 and the product name as given.
    int32_t GetProductName(KxString& product) const override;

    const KxString& Product() const { return product_; }

private:
    KxString product_;
};
