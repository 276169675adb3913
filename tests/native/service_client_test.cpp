#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "hook/HookPipe.h"
#include "serviceclient/ServiceConnection.h"
#include "serviceclient/ServiceGuard.h"
#include "pipe_only_platform.h"

namespace {

// Records each request's code and input length; answers a code with the status it is given.
struct StatusPlatform : PipeOnlyPlatform {
    std::map<uint32_t, std::optional<uint32_t>> status;
    std::vector<std::string> sent;

    std::optional<uint32_t> ControlStatus(Handle, uint32_t code, const void*, uint32_t length) override {
        sent.push_back(std::to_string(code - IOCTL_HOOK_GUARD_PROGRAM) + ":" + std::to_string(length));
        return status.count(code) ? status[code] : std::optional<uint32_t>(kHookStatusOk);
    }
};

// Plays the outcomes it is given, one per request, and logs every call with
// the number of the connection it was made on.
struct ScriptedPipe : ServicePipe {
    std::deque<Outcome> outcomes;
    std::vector<uint8_t> answer = EncodeHookReply(kHookStatusOk);
    bool connectFails = false;
    std::vector<std::string> log;
    intptr_t connections = 0;

    Handle Connect(const std::string&) override {
        log.push_back("connect");
        return connectFails ? nullptr : reinterpret_cast<Handle>(++connections);
    }
    Outcome Transact(Handle pipe, const std::vector<uint8_t>& request, std::vector<uint8_t>& reply) override {
        log.push_back("request " + std::to_string(request[0]) + " on " +
                      std::to_string(reinterpret_cast<intptr_t>(pipe)));
        const Outcome outcome = outcomes.empty() ? Outcome::Replied : outcomes.front();
        if (!outcomes.empty())
            outcomes.pop_front();
        if (outcome == Outcome::Replied)
            reply = answer;
        return outcome;
    }
    void Disconnect(Handle pipe) override {
        log.push_back("disconnect " + std::to_string(reinterpret_cast<intptr_t>(pipe)));
    }
};

}  // namespace

TEST(ServiceConnection, EachReplyAnswersItsOwnRequest) {
    using O = ServicePipe::Outcome;
    const struct {
        const char* name;
        std::vector<O> outcomes;  // of the first request, then the second
        bool reconnectFails;      // during the first request, no service to connect to
        bool firstAnswered;
        std::vector<std::string> log;
    } cases[] = {
        // The late reply would answer the next request: a new connection carries it.
        {"timed out", {O::TimedOut, O::Replied}, false, false,
         {"connect", "request 1 on 1", "disconnect 1", "connect", "request 2 on 2"}},
        // A restarted service: connect again and repeat the request.
        {"lost", {O::Lost, O::Replied, O::Replied}, false, true,
         {"connect", "request 1 on 1", "disconnect 1", "connect", "request 1 on 2", "request 2 on 2"}},
        {"lost, the service not back yet", {O::Lost, O::Replied}, true, false,
         {"connect", "request 1 on 1", "disconnect 1", "connect", "connect", "request 2 on 2"}},
        {"a reply that is no reply", {O::Failed, O::Replied}, false, false,
         {"connect", "request 1 on 1", "request 2 on 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPipe pipe;
        pipe.outcomes.assign(c.outcomes.begin(), c.outcomes.end());
        ServiceConnection connection(pipe);
        ASSERT_TRUE(connection.Open());
        pipe.connectFails = c.reconnectFails;
        EXPECT_EQ(connection.Request(1).has_value(), c.firstAnswered);
        pipe.connectFails = false;
        EXPECT_TRUE(connection.IsOpen());
        EXPECT_EQ(connection.Request(2), kHookStatusOk);
        EXPECT_EQ(pipe.log, c.log);
    }
}

TEST(ServiceGuard, SendsThePathsThenTheStartAndReadsTheReply) {
    using Reply = SessionGuardClient::Reply;
    // Codes as offsets from the program code: 0 program, 4 start, 8 end, 16 key end, 20 beat.
    const struct {
        const char* name;
        std::optional<uint32_t> programStatus, startStatus;
        Reply reply;
        std::vector<std::string> sent;
    } cases[] = {
        {"guarded", 0, 0, Reply::Guarded, {"0:8", "0:1", "4:8"}},
        {"unbounded", 0, kHookStatusUnbounded, Reply::Unbounded, {"0:8", "0:1", "4:8"}},
        {"an older service", kHookStatusFailed, 0, Reply::Refused, {"0:8"}},
        {"no reply to the start", 0, std::nullopt, Reply::Refused, {"0:8", "0:1", "4:8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusPlatform platform;
        platform.status = {{IOCTL_HOOK_GUARD_PROGRAM, c.programStatus},
                           {IOCTL_HOOK_GUARD_START, c.startStatus},
                           {IOCTL_HOOK_GUARD_KEY_END, c.startStatus}};
        ServiceConnection connection(platform);
        ASSERT_TRUE(connection.Open());
        ServiceGuard guard(connection);
        // A path longer than the code carries is left to the program's own sweep.
        EXPECT_EQ(guard.StartGuard({"C:\\a.exe", std::string(kHookMaxTextInput + 1, 'x'), "b"}, 90), c.reply);
        guard.Beat();
        EXPECT_EQ(guard.EndWithKey(), c.startStatus == kHookStatusOk);
        guard.EndGuard();
        std::vector<std::string> sent = c.sent;
        for (const char* code : {"20:0", "16:0", "8:0"})
            sent.push_back(code);
        EXPECT_EQ(platform.sent, sent);
    }
}

TEST(ServiceGuard, TheQuerySaysWhatTheServiceHolds) {
    const struct {
        const char* name;
        std::vector<uint8_t> reply;  // empty: none came
        std::optional<SessionGuardClient::Held> held;
    } cases[] = {
        {"ten minutes", EncodeHookTimedReply(kHookStatusOk, 600), SessionGuardClient::Held{600}},
        {"no end", EncodeHookTimedReply(kHookStatusOk, kHookUnbounded), SessionGuardClient::Held{}},
        {"a service without the code", EncodeHookReply(kHookStatusFailed), std::nullopt},
        {"no reply", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPipe pipe;
        pipe.answer = c.reply;
        if (c.reply.empty())
            pipe.outcomes = {ServicePipe::Outcome::Failed};
        ServiceConnection connection(pipe);
        ASSERT_TRUE(connection.Open());
        const auto held = ServiceGuard(connection).QueryGuard();
        ASSERT_EQ(held.has_value(), c.held.has_value());
        if (held) {
            EXPECT_EQ(held->remaining, c.held->remaining);
        }
    }
}
