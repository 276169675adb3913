#include "hook/HookRule.h"

#include <cstring>

namespace {

void PutLittle16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLittle32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetLittle16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t GetLittle32(const uint8_t* at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

}  // namespace

HookRuleBytes EncodeHookRule(const HookRule& rule) {
    HookRuleBytes bytes = {};
    PutLittle16(&bytes[0], rule.protocol);
    // Already in network order: the driver compares them with the packet's bytes.
    std::memcpy(&bytes[4], &rule.sourceAddress, 4);
    std::memcpy(&bytes[8], &rule.destinationAddress, 4);
    PutLittle32(&bytes[12], rule.sourceMask);
    PutLittle32(&bytes[16], rule.destinationMask);
    PutLittle16(&bytes[20], rule.sourcePort);
    PutLittle16(&bytes[22], rule.destinationPort);
    bytes[24] = rule.drop;
    return bytes;
}

HookRuleBytes EncodeHookRule(uint32_t sourceAddress, uint32_t destinationAddress) {
    HookRule rule;
    rule.sourceAddress = sourceAddress;
    rule.destinationAddress = destinationAddress;
    return EncodeHookRule(rule);
}

HookRule DecodeHookRule(const HookRuleBytes& bytes) {
    HookRule rule;
    rule.protocol = GetLittle16(&bytes[0]);
    std::memcpy(&rule.sourceAddress, &bytes[4], 4);
    std::memcpy(&rule.destinationAddress, &bytes[8], 4);
    rule.sourceMask = GetLittle32(&bytes[12]);
    rule.destinationMask = GetLittle32(&bytes[16]);
    rule.sourcePort = GetLittle16(&bytes[20]);
    rule.destinationPort = GetLittle16(&bytes[22]);
    rule.drop = bytes[24];
    return rule;
}

HookRule6Bytes EncodeHookRule6(const HookRule6& rule) {
    HookRule6Bytes bytes = {};
    PutLittle16(&bytes[0], rule.protocol);
    PutLittle16(&bytes[2], rule.sourcePort);
    PutLittle16(&bytes[4], rule.destinationPort);
    bytes[6] = rule.sourcePrefix;
    bytes[7] = rule.destinationPrefix;
    std::memcpy(&bytes[8], rule.sourceAddress.data(), 16);
    std::memcpy(&bytes[24], rule.destinationAddress.data(), 16);
    bytes[40] = rule.drop;
    return bytes;
}

HookRule6Bytes EncodeHookRule6(const Ipv6Address& source, const Ipv6Address& destination) {
    HookRule6 rule;
    rule.sourceAddress = source;
    rule.destinationAddress = destination;
    return EncodeHookRule6(rule);
}

HookRule6 DecodeHookRule6(const HookRule6Bytes& bytes) {
    HookRule6 rule;
    rule.protocol = GetLittle16(&bytes[0]);
    rule.sourcePort = GetLittle16(&bytes[2]);
    rule.destinationPort = GetLittle16(&bytes[4]);
    rule.sourcePrefix = bytes[6];
    rule.destinationPrefix = bytes[7];
    std::memcpy(rule.sourceAddress.data(), &bytes[8], 16);
    std::memcpy(rule.destinationAddress.data(), &bytes[24], 16);
    rule.drop = bytes[40];
    return rule;
}

HookTimeBytes EncodeHookTime(int64_t remainingSeconds) {
    HookTimeBytes bytes = {};
    const uint64_t value = static_cast<uint64_t>(remainingSeconds);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}

int64_t DecodeHookTime(const HookTimeBytes& bytes) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return static_cast<int64_t>(value);
}

int HookInputLength(uint32_t code) {
    switch (code) {
    case IOCTL_HOOK_START:
    case IOCTL_HOOK_STOP:
    case IOCTL_HOOK_CLEAR_RULES:
        return 0;
    case IOCTL_HOOK_ADD_RULE:
        return static_cast<int>(kHookRuleSize);
    case IOCTL_HOOK_ADD_RULE6:
        return static_cast<int>(kHookRule6Size);
    case IOCTL_HOOK_SET_REMAINING:
    case IOCTL_HOOK_GUARD_START:
        return static_cast<int>(kHookTimeSize);
    case IOCTL_HOOK_GUARD_END:
    case IOCTL_HOOK_GUARD_QUERY:
    case IOCTL_HOOK_GUARD_KEY_END:
    case IOCTL_HOOK_GUARD_BEAT:
    case IOCTL_HOOK_SCHEDULE_SET:
        return 0;
    case IOCTL_HOOK_SCHEDULE_GET:
        return 4;
    case IOCTL_HOOK_ADD_NAME:
    case IOCTL_HOOK_GUARD_PROGRAM:
    case IOCTL_HOOK_SCHEDULE_PART:
        return kHookTextInput;
    default:
        return -1;
    }
}
