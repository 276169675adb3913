#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "lists/ListEntry.h"
#include "lists/ListFile.h"

namespace fs = std::filesystem;

namespace {

std::string U32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

std::string Header(uint32_t count) {
    return U32(0x000D0DBF) + U32(count);
}

std::string Entry(const std::string& target, const std::string& name, unsigned char checked) {
    return U32(static_cast<uint32_t>(target.size())) + target +
           U32(static_cast<uint32_t>(name.size())) + name +
           std::string(1, static_cast<char>(checked));
}

bool operator==(const ListEntry& a, const ListEntry& b) {
    return a.target == b.target && a.name == b.name && a.checked == b.checked;
}

EntryList Sample() {
    return {{"C:\\Games\\game.exe", "Game", true},
            {"", "", false},
            {"https://news.example.com/", "News", true},
            {"C:\\Games\\game.exe", "Game", false},
            {std::string("C:\\Spi\xe9le\\\xff\x80.exe"), std::string("\xc3\xa9t\xe9"), true}};
}

class ListFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hushwall-lists-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "list.dat").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Read(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Loads `bytes` into a list that held an entry before, so a failure that
    // leaves old contents behind is seen too.
    bool LoadBytes(const std::string& bytes, EntryList& list) {
        Write(bytes);
        list = {{"old", "old", true}};
        return LoadEntryList(path_, list);
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(ListFileTest, ExampleEntryIsByteExact) {
    ASSERT_TRUE(SaveEntryList(path_, {{"C:\\a.exe", "A", true}}));
    const std::string expected = std::string(
                                     "\xBF\x0D\x0D\x00"
                                     "\x01\x00\x00\x00"
                                     "\x08\x00\x00\x00",
                                     12) +
                                 "C:\\a.exe" +
                                 std::string(
                                     "\x01\x00\x00\x00"
                                     "A"
                                     "\x01",
                                     6);
    ASSERT_EQ(expected.size(), 26u);
    EXPECT_EQ(Read(path_), expected);

    EntryList back;
    ASSERT_TRUE(LoadEntryList(path_, back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_TRUE(back[0] == (ListEntry{"C:\\a.exe", "A", true}));
}

TEST_F(ListFileTest, EmptyListIsJustTheHeader) {
    ASSERT_TRUE(SaveEntryList(path_, {}));
    EXPECT_EQ(Read(path_), Header(0));

    EntryList list;
    EXPECT_TRUE(LoadBytes(Header(0), list));
    EXPECT_TRUE(list.empty());
}

TEST_F(ListFileTest, RoundTripKeepsEveryEntryInOrder) {
    const EntryList sample = Sample();
    ASSERT_TRUE(SaveEntryList(path_, sample));
    EntryList back;
    ASSERT_TRUE(LoadEntryList(path_, back));
    ASSERT_EQ(back.size(), sample.size());
    for (size_t i = 0; i < sample.size(); ++i)
        EXPECT_TRUE(back[i] == sample[i]) << "entry " << i;

    // Saving again over an existing file replaces it whole.
    ASSERT_TRUE(SaveEntryList(path_, {{"x", "y", false}}));
    EXPECT_EQ(Read(path_), Header(1) + Entry("x", "y", 0));
}

TEST_F(ListFileTest, TruncatedOrForeignFilesFailAndLeaveListEmpty) {
    const std::string whole = Header(1) + Entry("C:\\a.exe", "A", 1);
    EntryList list;
    for (size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(LoadBytes(whole.substr(0, n), list)) << n << " bytes";
        EXPECT_TRUE(list.empty()) << n << " bytes";
    }

    std::string wrongMagic = whole;
    wrongMagic[3] = 1;
    EXPECT_FALSE(LoadBytes(wrongMagic, list));
    EXPECT_TRUE(list.empty());

    list = {{"old", "old", true}};
    EXPECT_FALSE(LoadEntryList((dir_ / "missing.dat").string(), list));
    EXPECT_TRUE(list.empty());
}

TEST_F(ListFileTest, CountBeyondEntriesPresentFails) {
    EntryList list;
    EXPECT_FALSE(LoadBytes(Header(3) + Entry("a", "A", 1) + Entry("b", "B", 0), list));
    EXPECT_TRUE(list.empty());
}

TEST_F(ListFileTest, BytesAfterLastEntryAreIgnored) {
    EntryList list;
    ASSERT_TRUE(LoadBytes(Header(1) + Entry("a", "A", 0) + Entry("b", "B", 1) + "junk", list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0] == (ListEntry{"a", "A", false}));
}

TEST_F(ListFileTest, AnyNonZeroCheckedByteLoadsCheckedAndSavesAsOne) {
    EntryList list;
    ASSERT_TRUE(
        LoadBytes(Header(3) + Entry("a", "", 2) + Entry("b", "", 255) + Entry("c", "", 0), list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].checked);
    EXPECT_TRUE(list[1].checked);
    EXPECT_FALSE(list[2].checked);

    ASSERT_TRUE(SaveEntryList(path_, list));
    EXPECT_EQ(Read(path_), Header(3) + Entry("a", "", 1) + Entry("b", "", 1) + Entry("c", "", 0));
}

TEST_F(ListFileTest, ZeroByteEndsStringButWholeFieldIsConsumed) {
    const std::string target("C:\\a.exe\0garbage", 16);
    const std::string name("\0hidden", 7);
    EntryList list;
    ASSERT_TRUE(LoadBytes(Header(2) + Entry(target, name, 1) + Entry("next", "Next", 0), list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0] == (ListEntry{"C:\\a.exe", "", true}));
    EXPECT_TRUE(list[1] == (ListEntry{"next", "Next", false}));
}

// Decodes in a child whose address space is capped a few hundred MiB above
// what it already uses, so trusting a length or count (a 4 GiB string, a
// reserve() of 0xFFFFFFFF entries) throws and the child aborts.
[[noreturn]] void DecodeUnderMemoryCap(const std::string& in) {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    if (pages <= 0)
        std::_Exit(2);
    const rlim_t cap = rlim_t(pages) * 4096 + (rlim_t(256) << 20);
    const struct rlimit lim = {cap, cap};
    if (setrlimit(RLIMIT_AS, &lim) != 0)
        std::_Exit(3);
    EntryList out;
    const bool ok = DecodeEntryList(in.data(), in.size(), out);
    std::_Exit(!ok && out.empty() ? 0 : 1);
}

TEST(ListFileDecode, HugeFieldsFailWithoutAllocating) {
    const std::string inputs[] = {
        Header(0xFFFFFFFF) + Entry("a", "A", 1),
        Header(1) + U32(0xFFFFFFFF) + "C:\\a.exe",
        Header(1) + U32(1) + "a" + U32(0xFFFFFFFF) + "A",
        Header(1) + U32(0xFFFFFFFE) + std::string(64, 'x'),
    };
    for (const std::string& in : inputs)
        EXPECT_EXIT(DecodeUnderMemoryCap(in), ::testing::ExitedWithCode(0), "");
}

TEST_F(ListFileTest, FailedSaveLeavesNoTemporaryFile) {
    const std::string noFolder = (dir_ / "absent" / "list.dat").string();
    EXPECT_FALSE(SaveEntryList(noFolder, Sample()));
    EXPECT_FALSE(fs::exists(noFolder + ".tmp"));

    const fs::path folder = dir_ / "folder";
    fs::create_directory(folder);
    EXPECT_FALSE(SaveEntryList(folder.string(), Sample()));
    EXPECT_FALSE(fs::exists(folder.string() + ".tmp"));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(ListFileTest, FailedSaveLeavesOldFileUntouched) {
    const std::string old = Header(1) + Entry("C:\\keep.exe", "Keep", 1);
    Write(old);
    // A folder in the temporary file's place makes the save fail before the swap.
    fs::create_directory(path_ + ".tmp");
    EXPECT_FALSE(SaveEntryList(path_, Sample()));
    EXPECT_EQ(Read(path_), old);
}

TEST(ListEntry, CheckedEntriesKeepsOrderAndFields) {
    const EntryList sample = Sample();
    const EntryList checked = CheckedEntries(sample);
    EXPECT_EQ(CountChecked(sample), 3u);
    ASSERT_EQ(checked.size(), 3u);
    EXPECT_TRUE(checked[0] == sample[0]);
    EXPECT_TRUE(checked[1] == sample[2]);
    EXPECT_TRUE(checked[2] == sample[4]);
    EXPECT_EQ(CountChecked({}), 0u);
}

}  // namespace
