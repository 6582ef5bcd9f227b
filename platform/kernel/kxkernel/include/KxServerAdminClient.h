// KxServerAdminClient: the administration connection to a host's object-database server, through
// which a client reads the server's configuration (the databases it serves, its directories).
//
// The stand-in has no server processes: a host's server is described in the kernel's configuration,
// [servers\<host>] AdminConfiguration=<file>, the server's own configuration file (an INI file as the
// kernel's, read when connecting). A host without such an entry has no reachable server.
#pragma once

#include <cstdint>
#include <memory>

#include "KxConfig.h"
#include "KxString.h"

class KxServerAdminClient {
public:
    KxServerAdminClient();
    ~KxServerAdminClient();
    KxServerAdminClient(const KxServerAdminClient&) = delete;
    KxServerAdminClient& operator=(const KxServerAdminClient&) = delete;

    // Connects to the host's server (the second text and the protocol are not used): 0;
    // KX_KERNEL_E_NO_HOST for an empty host; KX_KERNEL_E_NOT_INITIALISED when the kernel is not
    // started; KX_KERNEL_E_NO_SERVER when the host has no reachable server (also when its
    // configuration file cannot be read); KX_KERNEL_E_STATE when connected already.
    int32_t Connect(const KxString& host, const KxString& second, const KxString& protocol);
    // The server's configuration, owned by the client until it disconnects: 0 or KX_KERNEL_E_STATE
    // when not connected.
    int32_t GetServerConfiguration(KxConfig*& config);
    // 0, or KX_KERNEL_E_STATE when not connected.
    int32_t Disconnect();
    bool IsConnected() const { return config_ != nullptr; }

private:
    std::unique_ptr<KxConfig> config_;
};
