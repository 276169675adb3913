#include "serviceclient/ServiceConnection.h"

bool ServiceConnection::Open(const std::string& path) {
    if (m_open)
        return true;
    m_handle = m_pipe.Connect(path);
    m_open = m_handle != nullptr;
    if (m_open)
        m_path = path;
    return m_open;
}

void ServiceConnection::Close() {
    Drop();
    m_open = false;
}

void ServiceConnection::Drop() {
    if (m_handle)
        m_pipe.Disconnect(m_handle);
    m_handle = nullptr;
}

std::optional<std::vector<uint8_t>> ServiceConnection::Exchange(uint32_t code, const void* input,
                                                                uint32_t length) {
    if (!m_open)
        return std::nullopt;
    const std::vector<uint8_t> request = EncodeHookRequest(code, input, length);
    std::vector<uint8_t> reply;
    ServicePipe::Outcome outcome = ServicePipe::Outcome::Lost;
    // A connection dropped after a timeout is made again first; so is one the
    // service lost, and then the request is repeated (every code may be sent
    // twice without harm).
    for (int attempt = 0; attempt < 2 && outcome == ServicePipe::Outcome::Lost; ++attempt) {
        if (!m_handle && !(m_handle = m_pipe.Connect(m_path)))
            return std::nullopt;
        reply.clear();
        outcome = m_pipe.Transact(m_handle, request, reply);
        if (outcome == ServicePipe::Outcome::Lost)
            Drop();
    }
    // The late reply would answer the next request: that connection is done.
    if (outcome == ServicePipe::Outcome::TimedOut)
        Drop();
    if (outcome != ServicePipe::Outcome::Replied)
        return std::nullopt;
    return reply;
}

std::optional<uint32_t> ServiceConnection::Request(uint32_t code, const void* input,
                                                   uint32_t length) {
    const auto reply = Exchange(code, input, length);
    if (!reply)
        return std::nullopt;
    return DecodeHookReply(reply->data(), reply->size());
}

std::optional<HookTimedReply> ServiceConnection::TimedRequest(uint32_t code) {
    const auto reply = Exchange(code, nullptr, 0);
    if (!reply)
        return std::nullopt;
    return DecodeHookTimedReply(reply->data(), reply->size());
}
