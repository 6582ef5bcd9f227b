// The gateway's exception handler of a base.
#pragma once

#include <cstdint>

#include "KxExcept.h"

class KxGatewayExcept : public KxExcept {
public:
    explicit KxGatewayExcept(KxBase* base);
    ~KxGatewayExcept() override;

    // 0.
    int32_t NotifyOpen() override;
    int32_t NotifyClose() override;
    int32_t NotifyConnect() override;
    int32_t NotifyDisconnect() override;
    // Passes the error to the base's exception manager and answers its result (0 without base,
    // manager or error).
    int32_t HandleError(KxErrorInfo* error) override;
    // As HandleError, but only when the error's flag KX_ERROR_HANDLED is clear; 0 otherwise.
    int32_t HandleSystemError(KxErrorInfo* error) override;
};
