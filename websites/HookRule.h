#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The control codes and the rule record of the firewall hook driver, a kernel
// packet filter that is not part of this program.

// The device control code layout of the platform's CTL_CODE macro.
constexpr uint32_t HookCtlCode(uint32_t deviceType, uint32_t function, uint32_t method,
                               uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

constexpr uint32_t kHookDeviceType = 0x2322;
constexpr uint32_t kMethodBuffered = 0;
constexpr uint32_t kFileAnyAccess = 0;
constexpr uint32_t kFileWriteAccess = 2;

// None of the four has an output buffer; only the add code takes an input.
constexpr uint32_t IOCTL_HOOK_START = 0x232220C0;
constexpr uint32_t IOCTL_HOOK_STOP = 0x232220C4;
constexpr uint32_t IOCTL_HOOK_ADD_RULE = 0x2322A0C8;  // input: one encoded HookRule
constexpr uint32_t IOCTL_HOOK_CLEAR_RULES = 0x232220CC;

static_assert(IOCTL_HOOK_START ==
                  HookCtlCode(kHookDeviceType, 0x830, kMethodBuffered, kFileAnyAccess),
              "start code");
static_assert(IOCTL_HOOK_STOP ==
                  HookCtlCode(kHookDeviceType, 0x831, kMethodBuffered, kFileAnyAccess),
              "stop code");
static_assert(IOCTL_HOOK_ADD_RULE ==
                  HookCtlCode(kHookDeviceType, 0x832, kMethodBuffered, kFileWriteAccess),
              "add code");
static_assert(IOCTL_HOOK_CLEAR_RULES ==
                  HookCtlCode(kHookDeviceType, 0x833, kMethodBuffered, kFileAnyAccess),
              "clear code");

// Results of the controller's operations; callers test only for zero.
constexpr int kDriverOk = 0;
constexpr int kDriverNoManager = -1;      // opening the service control manager failed
constexpr int kDriverNoService = -2;      // opening the driver's service failed
constexpr int kDriverNoDevice = -5;       // no device is open
constexpr int kDriverStopRefused = -7;    // the service did not accept the stop request
constexpr int kDriverDeleteFailed = -8;   // deleting the service failed
constexpr int kDriverControlFailed = -9;  // the device control call failed

// One filter rule. Addresses are IPv4 in network byte order; zero means "any"
// for addresses, ports and protocol.
struct HookRule {
    uint16_t protocol = 0;
    uint32_t sourceAddress = 0;
    uint32_t destinationAddress = 0;
    uint32_t sourceMask = 0xFFFFFFFF;
    uint32_t destinationMask = 0xFFFFFFFF;
    uint16_t sourcePort = 0;
    uint16_t destinationPort = 0;
    uint8_t drop = 1;
};

constexpr size_t kHookRuleSize = 28;
using HookRuleBytes = std::array<uint8_t, kHookRuleSize>;

// The record as the driver reads it: little-endian, natural alignment, zero
// padding. The addresses keep their bytes as they are in memory.
HookRuleBytes EncodeHookRule(const HookRule& rule);
// A dropping rule for any protocol and port between the two addresses.
HookRuleBytes EncodeHookRule(uint32_t sourceAddress, uint32_t destinationAddress);
