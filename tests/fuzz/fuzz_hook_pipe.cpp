#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "filter/HookService.h"
#include "filter/HostsSection.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

// The input is a run of pipe messages, each a length byte and that many bytes.
// Properties: every message gets a four-byte reply of 0 or 1 (the guard query
// a status of 0 or 1 followed by the time left, the schedule's get a status
// and a piece of the kept schedule no larger than it says), or the connection
// is closed exactly when the message is longer than any request; the rules
// never pass the cap; our filters exist only while the hook is started; and a
// clear leaves none. Whatever names come, the hosts file outside our section
// stays as it was, and is exactly as it was while the hook is not started.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeFilterEngine engine;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    MemoryHostsStore hosts;
    const std::string original = "127.0.0.1 localhost\r\n";
    hosts.text = original;
    constexpr size_t kCap = 8;
    HookService service(engine, store, clock, log, hosts, kCap);
    FakeClock wall;
    LoggedOnUsers users;
    MemoryFailSafeStore kept;
    ScheduleKeeper keeper(users, kept, wall, clock);
    service.SetScheduleKeeper(&keeper);
    if (!service.Startup())
        std::abort();
    service.ClientConnected(1, 1, kClientUser);

    size_t at = 0;
    while (at < size) {
        const size_t length = data[at++];
        const size_t take = length < size - at ? length : size - at;
        const uint8_t* message = data + at;
        at += take;

        const auto reply = service.HandleMessage(message, take);
        if (!reply) {
            if (take <= kHookMaxRequestSize)
                std::abort();
            continue;
        }
        if (take > kHookMaxRequestSize)
            std::abort();
        const auto request = DecodeHookRequest(message, take);
        std::optional<uint32_t> status;
        if (request && request->code == IOCTL_HOOK_GUARD_QUERY) {
            if (const auto timed = DecodeHookTimedReply(reply->data(), reply->size()))
                status = timed->status;
        } else if (request && request->code == IOCTL_HOOK_SCHEDULE_GET) {
            if (const auto piece = DecodeHookDataReply(reply->data(), reply->size()))
                status = piece->status;
        } else {
            status = DecodeHookReply(reply->data(), reply->size());
        }
        if (!status || (*status != kHookStatusOk && *status != kHookStatusFailed))
            std::abort();
        if (service.hook().ruleCount() > kCap || engine.inTransaction)
            std::abort();
        if (!service.hook().started() && (engine.OurFilterCount() != 0 || hosts.text != original))
            std::abort();
        if (!hosts.text || StripHostsSection(*hosts.text).text != original)
            std::abort();
        if (request && request->code == IOCTL_HOOK_CLEAR_RULES &&
            (*status != kHookStatusOk || engine.OurFilterCount() != 0 ||
             service.hook().ruleCount() != 0))
            std::abort();
        clock.ms += 250'000;
        service.Tick();
    }
    return 0;
}
