// Kernel interface of a storage's exception handler: notifications of the base's life and the
// handling of errors. Every operation answers KX_KERNEL_E_NOT_SUPPORTED (-2999) unless a derived
// class gives it behaviour.
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"
#include "KxSpecs.h"

class KxBase;

class KxExcept {
public:
    // Bit of KxErrorInfo::flags that HandleSystemError looks at in derived handlers.
    enum : uint32_t { KX_ERROR_HANDLED = 0x2 };

    explicit KxExcept(KxBase* base);
    virtual ~KxExcept();
    KxExcept(const KxExcept&) = delete;
    KxExcept& operator=(const KxExcept&) = delete;

    KxBase* GetBase() const;

    virtual int32_t NotifyOpen();
    virtual int32_t NotifyClose();
    virtual int32_t NotifyConnect();
    virtual int32_t NotifyDisconnect();
    virtual int32_t HandleError(KxErrorInfo* error);
    virtual int32_t HandleSystemError(KxErrorInfo* error);

private:
    KxBase* base_;
};
