#include "websites/HookRule.h"

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
