// The gateway admin: opens and closes a database for the kernel.
//
// So far the admin holds only what the client needs of it: its client and the root block's
// concurrency-control server. Opening, the root block, surrogates and locks come with the admin's
// own work.
#pragma once

#include <cstdint>

#include "KxAdmin.h"
#include "KxString.h"

class KxBase;
class KxGatewayClient;

class KxGatewayAdmin : public KxAdmin {
public:
    KxGatewayAdmin(KxGatewayClient* client, KxBase* base, int32_t flags);
    // Tells the client that its admin is gone.
    ~KxGatewayAdmin() override;

    KxGatewayClient* GetClient() const { return client_; }
    // The root block's ConcurrencyControlServer value (empty until the root block is read).
    const KxString& GetConcurrencyControlServer() const { return concurrencyServer_; }

    // Called by the client when it goes away.
    void ForgetClient() { client_ = nullptr; }

private:
    KxGatewayClient* client_;
    KxString concurrencyServer_;
};
