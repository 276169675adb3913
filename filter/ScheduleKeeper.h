#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "filter/FailSafe.h"  // FailSafeStore: the kept schedules are stored the same way
#include "filter/SessionGuard.h"
#include "schedule/ScheduleTime.h"

// The most the service keeps of one user's schedule, in the file's encoding.
constexpr size_t kMaxKeptSchedule = 1024 * 1024;
constexpr uint64_t kKeeperCheckMs = 1000;
// A program started for a block that has not connected is started again, less often each time.
constexpr uint64_t kKeeperFirstRetryMs = 60000;
constexpr uint64_t kKeeperMaxRetryMs = 15 * 60000;

// One user's schedule as the service keeps it, and when the access key last
// ended that user's session (the runs started by then start nothing more).
struct KeptSchedule {
    Seconds keyEndedAt = kNoMoment;
    Schedule schedule;
};
using KeptSchedules = std::map<std::string, KeptSchedule>;  // by the user's SID

// "HWKS", version 1, a count, then per user: the SID, the key's moment, the schedule.
std::string EncodeKeptSchedules(const KeptSchedules& kept);
std::optional<KeptSchedules> DecodeKeptSchedules(const std::string& text);

// The schedule after a program handed over `submitted`: its blocks in force
// count at once (blocking more needs no wait), its retired copies keep the
// time the service gave them, and a kept block that no block in force covers
// stays, retired for kLoosenDelay from `now`. A copy the service never kept
// is dropped: the program cannot shorten a wait by its own `until`.
Schedule MergeSubmitted(const Schedule& kept, const Schedule& submitted, Seconds now);

// The service's copy of each user's schedule, in a key the user cannot write,
// and the start of the program at a block whose user is logged on without it.
class ScheduleKeeper {
public:
    ScheduleKeeper(GuardPlatform& platform, FailSafeStore& store, Clock& wall,
                   MonotonicClock& monotonic)
        : m_platform(platform), m_store(store), m_wall(wall), m_monotonic(monotonic) {}

    // At service start; false when the stored schedules could not be read.
    bool Resume();
    // A piece of the schedule the client hands over; false past kMaxKeptSchedule.
    bool AddPart(const std::vector<uint8_t>& part);
    void DropParts() { m_parts.clear(); }
    // The pieces as `user`'s schedule, merged with what is kept. False when
    // they do not read as a schedule or cannot be stored; nothing changes then.
    bool Submit(const std::string& user);
    // The kept schedule of `user` in the file's encoding; nothing when none is kept.
    std::optional<std::string> Encoded(const std::string& user);
    void KeyEnded(const std::string& user);
    // At a log-on the Run value usually starts the program first.
    void SessionLoggedOn();
    // Called often. `connectedUser` runs the program now (empty: nobody);
    // `guardedUser`'s session the guard holds, and starts again itself.
    void Tick(const std::string& connectedUser, const std::string& guardedUser);

private:
    bool Save(const KeptSchedules& kept);
    void DropExpired(Seconds now);

    struct Retry {
        uint64_t atMs = 0;
        uint64_t delayMs = kKeeperFirstRetryMs;
    };

    GuardPlatform& m_platform;
    FailSafeStore& m_store;
    Clock& m_wall;
    MonotonicClock& m_monotonic;
    KeptSchedules m_kept;
    std::string m_parts;
    std::map<std::string, Retry> m_retries;
    std::optional<std::string> m_encoded;  // of m_encodedUser's kept schedule
    std::string m_encodedUser;
    uint64_t m_nextCheckMs = 0;
    uint64_t m_holdUntilMs = 0;
};
