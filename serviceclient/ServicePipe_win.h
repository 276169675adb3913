#pragma once
#include "serviceclient/ServiceConnection.h"

// The filter service's pipe: overlapped, message mode, and only when the
// service manager's HushwallFilter process serves it.
class Win32ServicePipe : public ServicePipe {
public:
    Handle Connect(const std::string& path) override;
    Outcome Transact(Handle pipe, const std::vector<uint8_t>& request,
                     std::vector<uint8_t>& reply) override;
    void Disconnect(Handle pipe) override;

    // How long a request waits for its reply before it counts as failed.
    unsigned long replyTimeout = 30000;  // ms
};

// One stateless instance for the whole process, so that it outlives every connection.
ServicePipe& SystemServicePipe();
