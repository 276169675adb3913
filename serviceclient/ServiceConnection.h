#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hook/HookPipe.h"

// The filter service's name in the service control manager.
constexpr const char* kFilterServiceName = "HushwallFilter";

// The platform's calls on the filter service's pipe. Handles are null when a
// connect fails.
class ServicePipe {
public:
    using Handle = void*;
    enum class Outcome {
        Replied,   // `reply` holds the reply message
        Failed,    // no usable reply; the connection stays in step
        Lost,      // the service's end went away (it stopped, crashed or restarted)
        TimedOut,  // no reply in time: a late one may still come on this connection
    };
    virtual ~ServicePipe() = default;
    virtual Handle Connect(const std::string& path) = 0;
    // One request message and the reply message to it.
    virtual Outcome Transact(Handle pipe, const std::vector<uint8_t>& request,
                             std::vector<uint8_t>& reply) = 0;
    virtual void Disconnect(Handle pipe) = 0;
};

// The program's one connection to the filter service: one request, one reply,
// each reply the answer to its own request. The pipe must outlive it.
class ServiceConnection {
public:
    explicit ServiceConnection(ServicePipe& pipe) : m_pipe(pipe) {}
    ServiceConnection(const ServiceConnection&) = delete;
    ServiceConnection& operator=(const ServiceConnection&) = delete;
    ~ServiceConnection() { Close(); }

    // Connects unless already open; true when the service serves this program.
    bool Open(const std::string& path = kHookPipePath);
    // Opened and not closed since, even while a reconnect is due.
    bool IsOpen() const { return m_open; }
    void Close();

    // The reply's status; nothing when closed or when no reply came.
    std::optional<uint32_t> Request(uint32_t code, const void* input = nullptr,
                                    uint32_t length = 0);
    // A request whose reply carries a time as well; nothing for any other reply.
    std::optional<HookTimedReply> TimedRequest(uint32_t code);
    // The reply message as it came; nothing when closed or when no reply came.
    std::optional<std::vector<uint8_t>> Exchange(uint32_t code, const void* input, uint32_t length);

private:
    void Drop();

    ServicePipe& m_pipe;
    ServicePipe::Handle m_handle = nullptr;
    std::string m_path;
    bool m_open = false;
};
