#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "lists/ListFile.h"

namespace {

class ListFileWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, base), 0u);
        dir_ = std::string(base) + "hushwall-lists-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        path_ = dir_ + "\\list.dat";
    }
    void TearDown() override {
        DeleteFileA(path_.c_str());
        DeleteFileA((path_ + ".tmp").c_str());
        RemoveDirectoryA(dir_.c_str());
    }

    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool TmpExists() const {
        return GetFileAttributesA((path_ + ".tmp").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Holds the list file open the way another program would: no sharing.
    HANDLE HoldExclusively() const {
        return CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::string dir_;
    std::string path_;
};

const EntryList kSample = {{"C:\\Games\\game.exe", "Game", true},
                           {"https://news.example.com/", "News", false},
                           {"", "", true},
                           {"C:\\Spi\xe9le\\\xff.exe", "\xe9t\xe9", true}};

TEST_F(ListFileWinTest, SaveThenLoadRoundTrips) {
    ASSERT_TRUE(SaveEntryList(path_, {{"C:\\old.exe", "Old", false}}));
    // The second save replaces an existing file.
    ASSERT_TRUE(SaveEntryList(path_, kSample));
    EXPECT_FALSE(TmpExists());
    EntryList back;
    ASSERT_TRUE(LoadEntryList(path_, back));
    ASSERT_EQ(back.size(), kSample.size());
    for (size_t i = 0; i < kSample.size(); ++i) {
        EXPECT_EQ(back[i].target, kSample[i].target) << i;
        EXPECT_EQ(back[i].name, kSample[i].name) << i;
        EXPECT_EQ(back[i].checked, kSample[i].checked) << i;
    }
}

TEST_F(ListFileWinTest, SaveOverFileHeldWithoutSharingFailsAndKeepsIt) {
    ASSERT_TRUE(SaveEntryList(path_, {{"C:\\keep.exe", "Keep", true}}));
    const std::string before = Read();
    ASSERT_EQ(before.size(), 8u + 9u + 11u + 4u);

    HANDLE held = HoldExclusively();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool saved = SaveEntryList(path_, kSample);
    const bool tmpLeft = TmpExists();
    CloseHandle(held);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(tmpLeft);
    EXPECT_EQ(Read(), before);
}

TEST_F(ListFileWinTest, LoadOfFileHeldWithoutSharingFailsEmpty) {
    ASSERT_TRUE(SaveEntryList(path_, kSample));
    HANDLE held = HoldExclusively();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EntryList list = kSample;
    const bool loaded = LoadEntryList(path_, list);
    CloseHandle(held);

    EXPECT_FALSE(loaded);
    EXPECT_TRUE(list.empty());
}

}  // namespace
