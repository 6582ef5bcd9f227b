#include "KxServerAdminClient.h"

#include "KxBase.h"
#include "KxKernelStatus.h"
#include "KxRoot.h"

KxServerAdminClient::KxServerAdminClient() = default;
KxServerAdminClient::~KxServerAdminClient() = default;

int32_t KxServerAdminClient::Connect(const KxString& host, const KxString&, const KxString&)
{
    if (host.IsEmpty()) {
        return KX_KERNEL_E_NO_HOST;
    }
    if (config_ != nullptr) {
        return KX_KERNEL_E_STATE;
    }
    KxRoot* root = KxBase::KELVOX();
    if (root->GetInitCount() <= 0) {
        return KX_KERNEL_E_NOT_INITIALISED;
    }
    const KxConfig* kernel = root->GetConfig();
    KxString file;
    const KxString path[] = {"servers", host, ""};
    if (kernel == nullptr || kernel->Get("AdminConfiguration", file, path) != 0 || file.IsEmpty()) {
        return KX_KERNEL_E_NO_SERVER;
    }
    auto config = std::make_unique<KxConfig>();
    if (config->ReadFile(file) != 0) {
        return KX_KERNEL_E_NO_SERVER;
    }
    config_ = std::move(config);
    return 0;
}

int32_t KxServerAdminClient::GetServerConfiguration(KxConfig*& config)
{
    config = config_.get();
    return config != nullptr ? 0 : KX_KERNEL_E_STATE;
}

int32_t KxServerAdminClient::Disconnect()
{
    if (config_ == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    config_.reset();
    return 0;
}
