#include "filter/ScheduleKeeper.h"

#include <algorithm>
#include <sstream>

#include "schedule/ScheduleChange.h"
#include "schedule/ScheduleFile.h"

namespace {

constexpr const char* kKeptHeader = "HWKS 1\n";
constexpr size_t kMaxUsers = 64;
constexpr size_t kMaxUserLine = 512;

bool SameBlock(const ScheduleBlock& a, const ScheduleBlock& b) {
    return BlocksAtLeastAsMuch(a, b) && BlocksAtLeastAsMuch(b, a);
}

}  // namespace

// A line per user ("<SID> <key's moment> <size>"), then that many bytes of its schedule.
std::string EncodeKeptSchedules(const KeptSchedules& kept) {
    std::string out = kKeptHeader;
    for (const auto& [user, entry] : kept) {
        const std::string schedule = EncodeSchedule(entry.schedule);
        out += user + " " + std::to_string(entry.keyEndedAt) + " " +
               std::to_string(schedule.size()) + "\n" + schedule;
    }
    return out;
}

std::optional<KeptSchedules> DecodeKeptSchedules(const std::string& text) {
    const std::string header = kKeptHeader;
    if (text.compare(0, header.size(), header) != 0)
        return std::nullopt;
    KeptSchedules kept;
    size_t at = header.size();
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos || end - at > kMaxUserLine || kept.size() >= kMaxUsers)
            return std::nullopt;
        std::istringstream line(text.substr(at, end - at));
        std::string user;
        KeptSchedule entry;
        size_t size = 0;
        if (!(line >> user >> entry.keyEndedAt >> size) || !line.eof() || size > kMaxKeptSchedule ||
            size > text.size() - end - 1 || kept.count(user))
            return std::nullopt;
        if (DecodeSchedule(text.data() + end + 1, size, entry.schedule) != ScheduleFileResult::Ok)
            return std::nullopt;
        kept[user] = std::move(entry);
        at = end + 1 + size;
    }
    return kept;
}

Schedule MergeSubmitted(const Schedule& kept, const Schedule& submitted, Seconds now) {
    Schedule inForce;
    for (const ScheduleBlock& block : submitted)
        if (block.until == 0)
            inForce.push_back(block);
    const auto covered = [&](const ScheduleBlock& old) {
        return std::any_of(inForce.begin(), inForce.end(),
                           [&](const ScheduleBlock& b) { return BlocksAtLeastAsMuch(b, old); });
    };
    Schedule merged;
    const auto retire = [&](const ScheduleBlock& old) {
        ScheduleBlock copy = old;
        if (copy.until == 0)
            copy.until = now + kLoosenDelay;
        merged.push_back(std::move(copy));
    };
    // In the program's order, so that its rows stay in place; each retired
    // copy takes the kept block it copies, with the service's time.
    std::vector<bool> placed(kept.size(), false);
    for (const ScheduleBlock& block : submitted) {
        if (block.until == 0) {
            merged.push_back(block);
            continue;
        }
        for (size_t i = 0; i < kept.size(); ++i) {
            if (placed[i] || !BlockInForce(kept[i], now) || !SameBlock(kept[i], block))
                continue;
            placed[i] = true;
            if (!covered(kept[i]))
                retire(kept[i]);
            break;
        }
    }
    for (size_t i = 0; i < kept.size(); ++i)
        if (!placed[i] && BlockInForce(kept[i], now) && !covered(kept[i]))
            retire(kept[i]);
    return merged;
}

bool ScheduleKeeper::Resume() {
    m_holdUntilMs = m_monotonic.Milliseconds() + kGuardLogOnStartDelayMs;
    const std::optional<std::string> text = m_store.Read();
    if (!text)
        return true;
    std::optional<KeptSchedules> kept = DecodeKeptSchedules(*text);
    if (!kept)
        return false;
    m_kept = std::move(*kept);
    m_encoded.reset();
    return true;
}

bool ScheduleKeeper::AddPart(const std::vector<uint8_t>& part) {
    if (m_parts.size() + part.size() > kMaxKeptSchedule) {
        m_parts.clear();
        return false;
    }
    m_parts.append(part.begin(), part.end());
    return true;
}

bool ScheduleKeeper::Submit(const std::string& user) {
    Schedule submitted;
    const ScheduleFileResult read = DecodeSchedule(m_parts.data(), m_parts.size(), submitted);
    m_parts.clear();
    if (read != ScheduleFileResult::Ok || user.empty())
        return false;
    const Seconds now = m_wall.Now();
    KeptSchedules next = m_kept;
    const auto found = m_kept.find(user);
    KeptSchedule& entry = next[user];
    // The first schedule a user hands over loosens nothing: it is taken as it is.
    entry.schedule =
        found == m_kept.end() ? submitted : MergeSubmitted(found->second.schedule, submitted, now);
    DropSpentBlocks(entry.schedule, now);
    if (!ScheduleFits(entry.schedule) || EncodeSchedule(entry.schedule).size() > kMaxKeptSchedule ||
        !Save(next))
        return false;
    m_kept = std::move(next);
    m_encoded.reset();
    m_nextCheckMs = 0;
    return true;
}

std::optional<std::string> ScheduleKeeper::Encoded(const std::string& user) {
    const auto found = m_kept.find(user);
    if (found == m_kept.end())
        return std::nullopt;
    // The program reads it a piece at a time: encoded once, not once a piece.
    if (m_encodedUser != user || !m_encoded) {
        m_encoded = EncodeSchedule(found->second.schedule);
        m_encodedUser = user;
    }
    return m_encoded;
}

void ScheduleKeeper::KeyEnded(const std::string& user) {
    const auto found = m_kept.find(user);
    if (found == m_kept.end())
        return;
    KeptSchedules next = m_kept;
    next[user].keyEndedAt = m_wall.Now();
    if (Save(next))
        m_kept = std::move(next);
}

void ScheduleKeeper::SessionLoggedOn() {
    m_holdUntilMs = m_monotonic.Milliseconds() + kGuardLogOnStartDelayMs;
}

bool ScheduleKeeper::Save(const KeptSchedules& kept) {
    return m_store.Write(EncodeKeptSchedules(kept));
}

void ScheduleKeeper::DropExpired(Seconds now) {
    // Checked every second: nothing is copied unless a block's time has come.
    const auto spent = [&](const ScheduleBlock& b) { return !BlockInForce(b, now); };
    if (std::none_of(m_kept.begin(), m_kept.end(), [&](const auto& kept) {
            return std::any_of(kept.second.schedule.begin(), kept.second.schedule.end(), spent);
        }))
        return;
    KeptSchedules next = m_kept;
    for (auto& [user, entry] : next)
        DropSpentBlocks(entry.schedule, now);
    // Should the write fail, the expired blocks still count for nothing.
    if (Save(next)) {
        m_kept = std::move(next);
        m_encoded.reset();
    }
}

void ScheduleKeeper::Tick(const std::string& connectedUser, const std::string& guardedUser) {
    const uint64_t nowMs = m_monotonic.Milliseconds();
    if (nowMs < m_nextCheckMs)
        return;
    m_nextCheckMs = nowMs + kKeeperCheckMs;
    const Seconds now = m_wall.Now();
    DropExpired(now);
    for (const auto& [user, entry] : m_kept) {
        Retry& retry = m_retries[user];
        if (!SessionAt(entry.schedule, now, entry.keyEndedAt)) {
            retry = Retry{};  // the next block's start is met at once
            continue;
        }
        // The running program starts the block's session itself, and the guard restarts it.
        if (user == connectedUser || user == guardedUser || nowMs < retry.atMs ||
            nowMs < m_holdUntilMs)
            continue;
        const std::optional<uint32_t> session = m_platform.FindUserSession(user);
        if (!session)
            continue;
        m_platform.StartProgram(*session, true);
        retry.atMs = nowMs + retry.delayMs;
        retry.delayMs = std::min(retry.delayMs * 2, kKeeperMaxRetryMs);
    }
}
