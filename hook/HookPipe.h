#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hook/HookRule.h"

// The filter service's named pipe, in message mode. One request message holds
// one control code and its input; one reply message answers it.
//   request: u32 code (little-endian), then exactly HookInputLength(code) bytes,
//            or for a text code 1 to kHookMaxTextInput bytes
//   reply:   u32 status (little-endian), 0 = success, anything else = failure
constexpr const char* kHookPipePath = "\\\\.\\pipe\\HushwallFilter";
constexpr size_t kHookReplySize = 4;
constexpr uint32_t kHookStatusOk = 0;
constexpr uint32_t kHookStatusFailed = 1;
// The guard start's answer when the service saw the clock change: the session has no end.
constexpr uint32_t kHookStatusUnbounded = 2;
// The longest request the service reads; a longer message is malformed.
constexpr size_t kHookMaxRequestSize = 4 + kHookMaxTextInput;

struct HookRequest {
    uint32_t code = 0;
    std::vector<uint8_t> input;
};

std::vector<uint8_t> EncodeHookRequest(uint32_t code, const void* input, uint32_t length);
// Nothing for a message that is too short or too long, names an unknown code,
// or carries an input of another length than its code takes.
std::optional<HookRequest> DecodeHookRequest(const uint8_t* message, size_t size);

std::vector<uint8_t> EncodeHookReply(uint32_t status);
// Nothing for a reply that is not exactly four bytes.
std::optional<uint32_t> DecodeHookReply(const uint8_t* message, size_t size);

// The guard query's reply: the status, then a HookTimeRecord.
constexpr size_t kHookTimedReplySize = kHookReplySize + kHookTimeSize;
struct HookTimedReply {
    uint32_t status = kHookStatusFailed;
    int64_t remainingSeconds = 0;
};
std::vector<uint8_t> EncodeHookTimedReply(uint32_t status, int64_t remainingSeconds);
// Nothing for a reply that is not exactly kHookTimedReplySize bytes.
std::optional<HookTimedReply> DecodeHookTimedReply(const uint8_t* message, size_t size);

// The schedule get's reply: the status, the u32 size of the whole encoding, and
// at most kHookMaxTextInput bytes of it from the asked offset.
constexpr size_t kHookDataReplyHeader = kHookReplySize + 4;
constexpr size_t kHookMaxReplySize = kHookDataReplyHeader + kHookMaxTextInput;
struct HookDataReply {
    uint32_t status = kHookStatusFailed;
    uint32_t total = 0;
    std::vector<uint8_t> data;
};
std::vector<uint8_t> EncodeHookDataReply(uint32_t status, const std::string& whole, uint32_t offset);
// Nothing for a reply too short, too long, or with more data than the total.
std::optional<HookDataReply> DecodeHookDataReply(const uint8_t* message, size_t size);
