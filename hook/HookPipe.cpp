#include "hook/HookPipe.h"

#include <algorithm>

#include "hook/HookRule.h"

namespace {

void PutLittle32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetLittle32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace

std::vector<uint8_t> EncodeHookRequest(uint32_t code, const void* input, uint32_t length) {
    std::vector<uint8_t> message;
    message.reserve(4 + length);
    PutLittle32(message, code);
    const uint8_t* bytes = static_cast<const uint8_t*>(input);
    if (bytes)
        message.insert(message.end(), bytes, bytes + length);
    return message;
}

std::optional<HookRequest> DecodeHookRequest(const uint8_t* message, size_t size) {
    if (!message || size < 4 || size > kHookMaxRequestSize)
        return std::nullopt;
    HookRequest request;
    request.code = GetLittle32(message);
    const int expected = HookInputLength(request.code);
    const size_t length = size - 4;
    if (expected == kHookTextInput ? length == 0 || length > kHookMaxTextInput
                                   : expected < 0 || length != static_cast<size_t>(expected))
        return std::nullopt;
    request.input.assign(message + 4, message + size);
    return request;
}

std::vector<uint8_t> EncodeHookReply(uint32_t status) {
    std::vector<uint8_t> message;
    PutLittle32(message, status);
    return message;
}

std::optional<uint32_t> DecodeHookReply(const uint8_t* message, size_t size) {
    if (!message || size != kHookReplySize)
        return std::nullopt;
    return GetLittle32(message);
}

std::vector<uint8_t> EncodeHookTimedReply(uint32_t status, int64_t remainingSeconds) {
    std::vector<uint8_t> message = EncodeHookReply(status);
    const HookTimeBytes time = EncodeHookTime(remainingSeconds);
    message.insert(message.end(), time.begin(), time.end());
    return message;
}

std::optional<HookTimedReply> DecodeHookTimedReply(const uint8_t* message, size_t size) {
    if (!message || size != kHookTimedReplySize)
        return std::nullopt;
    HookTimeBytes time;
    std::copy(message + kHookReplySize, message + size, time.begin());
    return HookTimedReply{GetLittle32(message), DecodeHookTime(time)};
}

std::vector<uint8_t> EncodeHookDataReply(uint32_t status, const std::string& whole,
                                         uint32_t offset) {
    std::vector<uint8_t> message = EncodeHookReply(status);
    PutLittle32(message, static_cast<uint32_t>(whole.size()));
    if (offset < whole.size()) {
        const size_t length = std::min(kHookMaxTextInput, whole.size() - offset);
        message.insert(message.end(), whole.begin() + offset, whole.begin() + offset + length);
    }
    return message;
}

std::optional<HookDataReply> DecodeHookDataReply(const uint8_t* message, size_t size) {
    if (!message || size < kHookDataReplyHeader || size > kHookMaxReplySize)
        return std::nullopt;
    HookDataReply reply{GetLittle32(message), GetLittle32(message + kHookReplySize), {}};
    reply.data.assign(message + kHookDataReplyHeader, message + size);
    if (reply.data.size() > reply.total)
        return std::nullopt;
    return reply;
}
