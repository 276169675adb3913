#pragma once
#include <optional>
#include <string>
#include <vector>

#include "serviceclient/ServiceConnection.h"
#include "websites/FirewallHookDriver.h"

// A driver platform that has only the pipe: no service manager, a pipe that
// always connects. Stand-ins override Control (or ControlStatus) to record or answer.
struct PipeOnlyPlatform : DriverPlatform, ServicePipe {
    using Handle = ServicePipe::Handle;
    DriverPlatform::Handle OpenManager() override { return nullptr; }
    DriverPlatform::Handle OpenDriverService(DriverPlatform::Handle, const std::string&) override {
        return nullptr;
    }
    bool StopService(DriverPlatform::Handle) override { return false; }
    bool RemoveService(DriverPlatform::Handle) override { return false; }
    void CloseService(DriverPlatform::Handle) override {}

    Handle Connect(const std::string&) override { return this; }
    void Disconnect(Handle) override {}
    Outcome Transact(Handle pipe, const std::vector<uint8_t>& request,
                     std::vector<uint8_t>& reply) override {
        const uint32_t code = request[0] | request[1] << 8 | request[2] << 16 |
                              static_cast<uint32_t>(request[3]) << 24;
        const std::optional<uint32_t> status =
            ControlStatus(pipe, code, request.data() + 4, static_cast<uint32_t>(request.size() - 4));
        if (!status)
            return Outcome::Failed;
        reply = EncodeHookReply(*status);
        return Outcome::Replied;
    }

    // One request with its code and input; true when the stand-in answers success.
    virtual bool Control(Handle, uint32_t, const void*, uint32_t) { return true; }
    // The reply's status; nothing for no reply.
    virtual std::optional<uint32_t> ControlStatus(Handle pipe, uint32_t code, const void* input,
                                                  uint32_t length) {
        return Control(pipe, code, input, length) ? std::optional<uint32_t>(kHookStatusOk)
                                                  : std::nullopt;
    }
};
