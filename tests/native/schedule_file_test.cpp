#include "schedule/ScheduleFile.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string Le(uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

std::string Header(uint32_t count, uint32_t version = 1) {
    return "HWSC" + Le(version, 4) + Le(count, 4);
}

std::string Entry(const std::string& target, const std::string& name = "", char checked = 1) {
    return Le(target.size(), 4) + target + Le(name.size(), 4) + name + std::string(1, checked);
}

// One block: Monday 09:00 to 17:00, one program, no website, unless told otherwise.
std::string One(int days = kMonday, int from = 540, int to = 1020, int64_t until = 0,
                const std::string& program = Entry("C:\\a.exe", "A")) {
    return Header(1) + std::string(1, static_cast<char>(days)) + Le(from, 2) + Le(to, 2) +
           Le(static_cast<uint64_t>(until), 8) + Le(1, 4) + program + Le(0, 4);
}

Schedule Sample() {
    ScheduleBlock a{kEveryDay, 1439, 0, {}, {{"https://news.example/", "News", true}}, 1796811340};
    a.programs = {{"C:\\Spi\xe9le\\\xff.exe", "", true}, {"", "Empty", false}};
    ScheduleBlock b{kSunday, 0, 0, {}, {{std::string(kMaxEntryText, 'w'), "Long", false}}, 0};
    return {a, b};
}

}  // namespace

TEST(ScheduleFile, ReadsTheLayoutAndRefusesWhatItDidNotWrite) {
    using R = ScheduleFileResult;
    // Whole blocks and entries past the caps, so that only the caps refuse them.
    std::string blocks, entries;
    for (uint32_t i = 0; i <= kMaxBlockEntries; ++i) {
        blocks += i <= kMaxScheduleBlocks ? One().substr(12) : "";
        entries += Entry("");
    }
    const struct {
        std::string bytes;
        ScheduleFileResult result;
    } rows[] = {
        {One(), R::Ok},
        {One(kSunday, 1439, 0, 1796811340, Entry("C:\\\xff.exe", "", 0)), R::Ok},
        {"", R::Damaged},
        {std::string("\xBF\x0D\x0D\x00", 4) + Le(0, 4), R::Foreign},  // a list file
        {Header(0, 0), R::Damaged},
        {Header(0, 2), R::Newer},
        {One() + "x", R::Damaged},
        {Header(kMaxScheduleBlocks + 1) + blocks, R::Damaged},
        {One(0), R::Damaged},
        {One(0x81), R::Damaged},
        {One(kMonday, 1440), R::Damaged},
        {One(kMonday, 0, 1440), R::Damaged},
        {One(kMonday, 0, 1, -1), R::Damaged},
        {One(kMonday, 0, 1, 0, Entry(std::string("a\0b", 3))), R::Damaged},
        {One(kMonday, 0, 1, 0, Entry(std::string(kMaxEntryText + 1, 'a'))), R::Damaged},
        {One(kMonday, 0, 1, 0, Entry("a", "b", 2)), R::Damaged},
        {Header(1) + "\x01" + std::string(12, 0) + Le(kMaxBlockEntries + 1, 4) + entries + Le(0, 4),
         R::Damaged},
        {std::string(kMaxScheduleFileSize + 1, 'x'), R::TooLarge},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes.substr(0, 40));
        Schedule out = Sample();
        EXPECT_EQ(DecodeSchedule(row.bytes.data(), row.bytes.size(), out), row.result);
        EXPECT_EQ(out.empty() ? "" : EncodeSchedule(out), row.result == R::Ok ? row.bytes : "");
    }
    Schedule out;
    const std::string one = One();
    DecodeSchedule(one.data(), one.size(), out);
    EXPECT_EQ(out.at(0).toMinute, 1020);
    for (size_t n = 0; n < one.size(); ++n)
        EXPECT_NE(DecodeSchedule(one.data(), n, out), R::Ok) << n << " bytes";
}

TEST(ScheduleFile, SavesThroughAReplaceAndLoads) {
    char pattern[] = "/tmp/hushwall-schedule-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string path = std::string(pattern) + "/" + kScheduleFileName;
    const std::string sample = EncodeSchedule(Sample());
    Schedule back = Sample();
    EXPECT_EQ(LoadSchedule(path, back), ScheduleFileResult::Missing);
    EXPECT_TRUE(back.empty());

    ASSERT_TRUE(SaveSchedule(path, Sample()));
    // What would not read back is not written, and the old file stays.
    Schedule tooLong = Sample();
    tooLong[0].programs[0].name.assign(kMaxEntryText + 1, 'n');
    EXPECT_FALSE(SaveSchedule(path, tooLong));
    EXPECT_FALSE(SaveSchedule(path, Schedule(kMaxScheduleBlocks + 1, Sample()[1])));
    ASSERT_EQ(LoadSchedule(path, back), ScheduleFileResult::Ok);
    EXPECT_EQ(EncodeSchedule(back), sample);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    EXPECT_EQ(LoadSchedule(pattern, back), ScheduleFileResult::Unreadable);
    fs::remove_all(pattern);
}
