#include "schedule/ScheduleFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "lists/FileReplace.h"

namespace {

const uint32_t kMagic = 0x43535748;
const uint32_t kVersion = 1;
const int kMinutesPerDay = 24 * 60;

// Fixed bytes of the header, of a block and of an entry.
const size_t kHeaderBytes = 12;
const size_t kBlockBytes = 1 + 2 + 2 + 8 + 4 + 4;
const size_t kEntryBytes = 4 + 4 + 1;

void Put(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutEntries(std::string& out, const EntryList& list) {
    Put(out, list.size(), 4);
    for (const ListEntry& e : list) {
        Put(out, e.target.size(), 4);
        out += e.target;
        Put(out, e.name.size(), 4);
        out += e.name;
        out.push_back(e.checked ? 1 : 0);
    }
}

bool ValidText(const std::string& s) {
    return s.size() <= kMaxEntryText && s.find('\0') == std::string::npos;
}

bool ValidEntries(const EntryList& list) {
    if (list.size() > kMaxBlockEntries)
        return false;
    for (const ListEntry& e : list)
        if (!ValidText(e.target) || !ValidText(e.name))
            return false;
    return true;
}

size_t EntriesBytes(const EntryList& list) {
    size_t n = 0;
    for (const ListEntry& e : list)
        n += kEntryBytes + e.target.size() + e.name.size();
    return n;
}

// Reads forward through a buffer; every read checks what is left first, so
// no length or count can make us read or allocate past the data.
struct Reader {
    const unsigned char* p;
    size_t left;

    bool Get(uint64_t& v, int bytes) {
        if (left < static_cast<size_t>(bytes))
            return false;
        v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= uint64_t(p[i]) << (8 * i);
        p += bytes;
        left -= bytes;
        return true;
    }

    bool Text(std::string& s) {
        uint64_t len;
        if (!Get(len, 4) || len > kMaxEntryText || len > left)
            return false;
        s.assign(reinterpret_cast<const char*>(p), len);
        p += len;
        left -= len;
        return s.find('\0') == std::string::npos;
    }

    bool Entries(EntryList& list) {
        uint64_t count;
        if (!Get(count, 4) || count > kMaxBlockEntries)
            return false;
        for (uint64_t i = 0; i < count; ++i) {
            ListEntry e;
            uint64_t checked;
            if (!Text(e.target) || !Text(e.name) || !Get(checked, 1) || checked > 1)
                return false;
            e.checked = checked == 1;
            list.push_back(std::move(e));
        }
        return true;
    }

    bool Block(ScheduleBlock& b) {
        uint64_t days, from, to, until;
        if (!Get(days, 1) || !Get(from, 2) || !Get(to, 2) || !Get(until, 8))
            return false;
        b.days = static_cast<uint8_t>(days);
        b.fromMinute = static_cast<int>(from);
        b.toMinute = static_cast<int>(to);
        b.until = static_cast<int64_t>(until);
        return Entries(b.programs) && Entries(b.websites) && ValidScheduleBlock(b);
    }
};

}  // namespace

const char* ScheduleLoadMessage(ScheduleFileResult result) {
    switch (result) {
        case ScheduleFileResult::Ok:
        case ScheduleFileResult::Missing:
            return nullptr;
        case ScheduleFileResult::Unreadable:
            return kScheduleUnreadableMessage;
        case ScheduleFileResult::Newer:
            return kScheduleNewerMessage;
        case ScheduleFileResult::Foreign:
        case ScheduleFileResult::Damaged:
        case ScheduleFileResult::TooLarge:
            break;
    }
    return kScheduleDamagedMessage;
}

bool ValidScheduleBlock(const ScheduleBlock& block) {
    return block.days != 0 && (block.days & ~kEveryDay) == 0 && block.fromMinute >= 0 &&
           block.fromMinute < kMinutesPerDay && block.toMinute >= 0 &&
           block.toMinute < kMinutesPerDay && block.until >= 0 && ValidEntries(block.programs) &&
           ValidEntries(block.websites);
}

bool ScheduleFits(const Schedule& schedule) {
    if (schedule.size() > kMaxScheduleBlocks)
        return false;
    size_t bytes = kHeaderBytes;
    for (const ScheduleBlock& b : schedule) {
        if (!ValidScheduleBlock(b))
            return false;
        bytes += kBlockBytes + EntriesBytes(b.programs) + EntriesBytes(b.websites);
    }
    return bytes <= kMaxScheduleFileSize;
}

std::string EncodeSchedule(const Schedule& schedule) {
    std::string out;
    Put(out, kMagic, 4);
    Put(out, kVersion, 4);
    Put(out, schedule.size(), 4);
    for (const ScheduleBlock& b : schedule) {
        Put(out, b.days, 1);
        Put(out, static_cast<uint64_t>(b.fromMinute), 2);
        Put(out, static_cast<uint64_t>(b.toMinute), 2);
        Put(out, static_cast<uint64_t>(b.until), 8);
        PutEntries(out, b.programs);
        PutEntries(out, b.websites);
    }
    return out;
}

ScheduleFileResult DecodeSchedule(const char* data, size_t size, Schedule& out) {
    out.clear();
    if (size > kMaxScheduleFileSize)
        return ScheduleFileResult::TooLarge;
    Reader r{reinterpret_cast<const unsigned char*>(data), size};
    uint64_t magic, version, count;
    if (!r.Get(magic, 4))
        return ScheduleFileResult::Damaged;
    if (magic != kMagic)
        return ScheduleFileResult::Foreign;
    if (!r.Get(version, 4) || version == 0)
        return ScheduleFileResult::Damaged;
    if (version > kVersion)
        return ScheduleFileResult::Newer;
    if (!r.Get(count, 4) || count > kMaxScheduleBlocks)
        return ScheduleFileResult::Damaged;

    // No reserve(count): growth stays bounded by the data.
    Schedule schedule;
    for (uint64_t i = 0; i < count; ++i) {
        ScheduleBlock b;
        if (!r.Block(b))
            return ScheduleFileResult::Damaged;
        schedule.push_back(std::move(b));
    }
    if (r.left != 0)
        return ScheduleFileResult::Damaged;
    out.swap(schedule);
    return ScheduleFileResult::Ok;
}

bool SaveSchedule(const std::string& path, const Schedule& schedule) {
    return ScheduleFits(schedule) && WriteFileReplacing(path, EncodeSchedule(schedule));
}

ScheduleFileResult LoadSchedule(const std::string& path, Schedule& out) {
    out.clear();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? ScheduleFileResult::Missing : ScheduleFileResult::Unreadable;
    // One byte past the cap is enough to know the file is too large.
    std::string data;
    char buf[65536];
    size_t n;
    while (data.size() <= kMaxScheduleFileSize && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    const bool readOk = !std::ferror(f);
    std::fclose(f);
    if (!readOk)
        return ScheduleFileResult::Unreadable;
    return DecodeSchedule(data.data(), data.size(), out);
}
