#include <gtest/gtest.h>

#include "hook/HookPipe.h"
#include "hook/HookRule.h"

TEST(HookRule6, RecordLayoutAndRoundTrip) {
    HookRule6 rule;
    rule.protocol = 6;
    rule.sourcePort = 0x1234;
    rule.destinationPort = 443;
    rule.sourcePrefix = 0;
    rule.destinationPrefix = 96;
    for (int i = 0; i < 16; ++i)
        rule.destinationAddress[i] = static_cast<uint8_t>(0xA0 + i);
    rule.drop = 0;
    const HookRule6Bytes bytes = EncodeHookRule6(rule);
    EXPECT_EQ(bytes[0], 6);
    EXPECT_EQ(bytes[2], 0x34);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(bytes[4], 0xBB);
    EXPECT_EQ(bytes[5], 0x01);
    EXPECT_EQ(bytes[6], 0);
    EXPECT_EQ(bytes[7], 96);
    EXPECT_EQ(bytes[8], 0);     // source: any
    EXPECT_EQ(bytes[24], 0xA0);  // destination, as in memory
    EXPECT_EQ(bytes[39], 0xAF);
    EXPECT_EQ(bytes[40], 0);
    const HookRule6 back = DecodeHookRule6(bytes);
    EXPECT_EQ(EncodeHookRule6(back), bytes);
}

TEST(HookRule, DecodeUndoesEncode) {
    HookRule rule;
    rule.protocol = 17;
    rule.sourceAddress = 0x0100007F;
    rule.destinationMask = 0x00FFFFFF;
    rule.sourcePort = 53;
    rule.drop = 0;
    EXPECT_EQ(EncodeHookRule(DecodeHookRule(EncodeHookRule(rule))), EncodeHookRule(rule));
    const HookRule back = DecodeHookRule(EncodeHookRule(rule));
    EXPECT_EQ(back.sourceAddress, rule.sourceAddress);
    EXPECT_EQ(back.destinationMask, rule.destinationMask);
    EXPECT_EQ(back.sourcePort, 53);
    EXPECT_EQ(back.drop, 0);
}

TEST(HookTime, SignedSecondsLittleEndian) {
    for (int64_t seconds : {int64_t{0}, int64_t{1}, int64_t{86400} * 24999, kHookUnbounded}) {
        const HookTimeBytes bytes = EncodeHookTime(seconds);
        EXPECT_EQ(DecodeHookTime(bytes), seconds);
    }
    EXPECT_EQ(EncodeHookTime(0x0102).at(0), 0x02);
    EXPECT_EQ(EncodeHookTime(kHookUnbounded).at(7), 0xFF);
}

TEST(HookPipe, RequestReaderChecksLengthAgainstCode) {
    struct Case {
        uint32_t code;
        size_t inputLength;
        bool accepted;
    };
    const Case cases[] = {
        {IOCTL_HOOK_START, 0, true},        {IOCTL_HOOK_START, 1, false},
        {IOCTL_HOOK_STOP, 0, true},         {IOCTL_HOOK_CLEAR_RULES, 0, true},
        {IOCTL_HOOK_ADD_RULE, 28, true},    {IOCTL_HOOK_ADD_RULE, 27, false},
        {IOCTL_HOOK_ADD_RULE, 29, false},   {IOCTL_HOOK_ADD_RULE, 0, false},
        {IOCTL_HOOK_ADD_RULE6, 44, true},   {IOCTL_HOOK_ADD_RULE6, 28, false},
        {IOCTL_HOOK_SET_REMAINING, 8, true}, {IOCTL_HOOK_SET_REMAINING, 4, false},
        {0x232220D8, 0, false},             {0, 0, false},
        {IOCTL_HOOK_ADD_RULE6, 45, false},  {IOCTL_HOOK_GUARD_END, 0, true},
        {IOCTL_HOOK_ADD_NAME, 0, false},    {IOCTL_HOOK_ADD_NAME, 1, true},
        {IOCTL_HOOK_GUARD_PROGRAM, kHookMaxTextInput, true},
        {IOCTL_HOOK_GUARD_PROGRAM, kHookMaxTextInput + 1, false},  // longer than any request
        {IOCTL_HOOK_GUARD_QUERY, 0, true},  {IOCTL_HOOK_GUARD_BEAT, 8, false},
        {IOCTL_HOOK_SCHEDULE_GET, 4, true}, {IOCTL_HOOK_SCHEDULE_GET, 0, false},
        {IOCTL_HOOK_SCHEDULE_SET, 0, true}, {IOCTL_HOOK_SCHEDULE_PART, 0, false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> input(c.inputLength, 0x5A);
        const std::vector<uint8_t> message =
            EncodeHookRequest(c.code, input.data(), static_cast<uint32_t>(input.size()));
        ASSERT_EQ(message.size(), 4 + c.inputLength);
        const auto request = DecodeHookRequest(message.data(), message.size());
        EXPECT_EQ(request.has_value(), c.accepted) << std::hex << c.code << " " << c.inputLength;
        if (request) {
            EXPECT_EQ(request->code, c.code);
            EXPECT_EQ(request->input, input);
        }
    }
    const uint8_t shortMessage[3] = {0xC0, 0x20, 0x22};
    EXPECT_FALSE(DecodeHookRequest(shortMessage, sizeof shortMessage));
    EXPECT_FALSE(DecodeHookRequest(nullptr, 0));
}

TEST(HookPipe, ReplyIsExactlyFourBytes) {
    const std::vector<uint8_t> ok = EncodeHookReply(0);
    ASSERT_EQ(ok.size(), kHookReplySize);
    EXPECT_EQ(DecodeHookReply(ok.data(), ok.size()), 0u);
    const std::vector<uint8_t> failed = EncodeHookReply(0x80070005);
    EXPECT_EQ(DecodeHookReply(failed.data(), failed.size()), 0x80070005u);
    EXPECT_FALSE(DecodeHookReply(failed.data(), 3));
    const uint8_t five[5] = {};
    EXPECT_FALSE(DecodeHookReply(five, 5));
}

TEST(HookPipe, TimedReplyCarriesStatusAndTime) {
    const std::vector<uint8_t> reply = EncodeHookTimedReply(kHookStatusOk, -1);
    const auto decoded = DecodeHookTimedReply(reply.data(), reply.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->status, kHookStatusOk);
    EXPECT_EQ(decoded->remainingSeconds, kHookUnbounded);
    EXPECT_EQ(DecodeHookTimedReply(reply.data(), kHookReplySize), std::nullopt);
    EXPECT_EQ(DecodeHookTimedReply(EncodeHookTimedReply(1, 0x123456789).data(), kHookTimedReplySize)->remainingSeconds,
              0x123456789);
}
