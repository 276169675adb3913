#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The control codes and the rule records of the firewall hook: the four codes
// and the 28-byte record every hook answers, and two codes of our own that the
// Hushwall filter service adds. The program and the service share this file.

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

// Our own: one HookRule6 (IPv6 addresses), sent after the IPv4 rules and before
// the start code. A hook that refuses it leaves IPv6 unblocked, nothing more.
constexpr uint32_t IOCTL_HOOK_ADD_RULE6 = 0x2322A0D0;
// Our own: the session's remaining time, one HookTimeRecord. The service clears
// its rules by itself once that time and a grace have passed without a clear.
constexpr uint32_t IOCTL_HOOK_SET_REMAINING = 0x2322A0D4;

// Our own, with a text input of 1 to kHookMaxTextInput bytes (no terminator).
// One blocked host name for the hosts file, sent after the rules.
constexpr uint32_t IOCTL_HOOK_ADD_NAME = 0x2322A0D8;
// The guard of a session while the program is gone: one blocked program's
// full path (8-bit, the system code page) each, then the start of the guard
// with the session's remaining time as a HookTimeRecord, and the session's end.
constexpr uint32_t IOCTL_HOOK_GUARD_PROGRAM = 0x2322A0DC;
constexpr uint32_t IOCTL_HOOK_GUARD_START = 0x2322A0E0;
constexpr uint32_t IOCTL_HOOK_GUARD_END = 0x2322A0E4;
// Once the service guards a session, only it decides when the session ends.
// The query asks whether it guards one for the client's user; the reply is the
// status (kHookStatusOk: it does) followed by a HookTimeRecord of the time
// left (kHookUnbounded: no end). The key end is sent after the right access
// key and ends the guard, the rules, the names and the fail-safe at once. The
// beat says, every few seconds of a guarded session, that the program still
// runs. None of the three takes an input.
constexpr uint32_t IOCTL_HOOK_GUARD_QUERY = 0x2322A0E8;
constexpr uint32_t IOCTL_HOOK_GUARD_KEY_END = 0x2322A0EC;
constexpr uint32_t IOCTL_HOOK_GUARD_BEAT = 0x2322A0F0;
// The schedule the service keeps for the client's user, in the schedule
// file's encoding: the part code carries it a text input at a time, the set
// code (no input) hands over what the parts carried, and the get code (a u32
// little-endian offset) answers with a HookDataReply of the kept encoding.
constexpr uint32_t IOCTL_HOOK_SCHEDULE_PART = 0x2322A0F4;
constexpr uint32_t IOCTL_HOOK_SCHEDULE_SET = 0x2322A0F8;
constexpr uint32_t IOCTL_HOOK_SCHEDULE_GET = 0x2322A0FC;
constexpr size_t kHookMaxTextInput = 1024;

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
static_assert(IOCTL_HOOK_ADD_RULE6 ==
                  HookCtlCode(kHookDeviceType, 0x834, kMethodBuffered, kFileWriteAccess),
              "IPv6 add code");
static_assert(IOCTL_HOOK_SET_REMAINING ==
                  HookCtlCode(kHookDeviceType, 0x835, kMethodBuffered, kFileWriteAccess),
              "remaining-time code");
static_assert(IOCTL_HOOK_ADD_NAME ==
                  HookCtlCode(kHookDeviceType, 0x836, kMethodBuffered, kFileWriteAccess),
              "name code");
static_assert(IOCTL_HOOK_GUARD_PROGRAM ==
                  HookCtlCode(kHookDeviceType, 0x837, kMethodBuffered, kFileWriteAccess),
              "guarded program code");
static_assert(IOCTL_HOOK_GUARD_START ==
                  HookCtlCode(kHookDeviceType, 0x838, kMethodBuffered, kFileWriteAccess),
              "guard start code");
static_assert(IOCTL_HOOK_GUARD_END ==
                  HookCtlCode(kHookDeviceType, 0x839, kMethodBuffered, kFileWriteAccess),
              "guard end code");
static_assert(IOCTL_HOOK_GUARD_QUERY ==
                  HookCtlCode(kHookDeviceType, 0x83A, kMethodBuffered, kFileWriteAccess),
              "guard query code");
static_assert(IOCTL_HOOK_GUARD_KEY_END ==
                  HookCtlCode(kHookDeviceType, 0x83B, kMethodBuffered, kFileWriteAccess),
              "key end code");
static_assert(IOCTL_HOOK_GUARD_BEAT ==
                  HookCtlCode(kHookDeviceType, 0x83C, kMethodBuffered, kFileWriteAccess),
              "beat code");
static_assert(IOCTL_HOOK_SCHEDULE_PART ==
                  HookCtlCode(kHookDeviceType, 0x83D, kMethodBuffered, kFileWriteAccess),
              "schedule part code");
static_assert(IOCTL_HOOK_SCHEDULE_SET ==
                  HookCtlCode(kHookDeviceType, 0x83E, kMethodBuffered, kFileWriteAccess),
              "schedule set code");
static_assert(IOCTL_HOOK_SCHEDULE_GET ==
                  HookCtlCode(kHookDeviceType, 0x83F, kMethodBuffered, kFileWriteAccess),
              "schedule get code");

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

// One IPv6 filter rule, 44 bytes, little-endian, natural alignment:
//   0  u16  protocol            0 = any
//   2  u16  source port         0 = any
//   4  u16  destination port    0 = any
//   6  u8   source prefix       bits of the source address that count (0..128)
//   7  u8   destination prefix  bits of the destination address that count
//   8  16   source address      network byte order; all zero = any
//  24  16   destination address network byte order; all zero = any
//  40  u8   drop                1 = drop, 0 = let pass
//  41  3    padding             zero when sent, ignored when read
using Ipv6Address = std::array<uint8_t, 16>;

struct HookRule6 {
    uint16_t protocol = 0;
    uint16_t sourcePort = 0;
    uint16_t destinationPort = 0;
    uint8_t sourcePrefix = 128;
    uint8_t destinationPrefix = 128;
    Ipv6Address sourceAddress = {};
    Ipv6Address destinationAddress = {};
    uint8_t drop = 1;
};

constexpr size_t kHookRule6Size = 44;
using HookRule6Bytes = std::array<uint8_t, kHookRule6Size>;
static_assert(2 + 2 + 2 + 1 + 1 + 16 + 16 + 1 + 3 == kHookRule6Size, "IPv6 record layout");

HookRule6Bytes EncodeHookRule6(const HookRule6& rule);
// A dropping rule for any protocol and port between the two addresses.
HookRule6Bytes EncodeHookRule6(const Ipv6Address& source, const Ipv6Address& destination);
HookRule6 DecodeHookRule6(const HookRule6Bytes& bytes);
HookRule DecodeHookRule(const HookRuleBytes& bytes);

// The remaining-time record, 8 bytes: a signed 64-bit little-endian count of
// seconds left in the session, or kHookUnbounded after a clock change.
constexpr size_t kHookTimeSize = 8;
constexpr int64_t kHookUnbounded = -1;
using HookTimeBytes = std::array<uint8_t, kHookTimeSize>;
HookTimeBytes EncodeHookTime(int64_t remainingSeconds);
int64_t DecodeHookTime(const HookTimeBytes& bytes);

// The input length each code takes, kHookTextInput for a text of 1 to
// kHookMaxTextInput bytes, or -1 for a code the hook does not know.
constexpr int kHookTextInput = -2;
int HookInputLength(uint32_t code);
