#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "websites/SessionLog.h"

namespace {

namespace fs = std::filesystem;

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    std::memcpy(&address, bytes, 4);
    return address;
}

class SessionLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "session-log-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        folder = pattern + "/";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string Log() const {
        std::ifstream in(folder + "default.log", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string folder;

private:
    fs::path m_folder;
};

TEST_F(SessionLogTest, EmptyListWritesTheFrame) {
    WriteSessionLog(folder, {});
    EXPECT_EQ(Log(), "\nNew Session Log\n\n\nEnd Session Log\n");
}

TEST_F(SessionLogTest, AddressesInListOrderAndTwoSessionsAppend) {
    WriteSessionLog(folder, {Address(10, 0, 0, 1), Address(192, 168, 255, 7)});
    const std::string first = "\nNew Session Log\n\n10.0.0.1\n192.168.255.7\n\nEnd Session Log\n";
    EXPECT_EQ(Log(), first);
    WriteSessionLog(folder, {Address(1, 2, 3, 4)});
    EXPECT_EQ(Log(), first + "\nNew Session Log\n\n1.2.3.4\n\nEnd Session Log\n");
}

TEST_F(SessionLogTest, IPv6LinesFollowTheIPv4OnesInTheSameRecord) {
    Ipv6Address one = {0x20, 0x01, 0x0d, 0xb8};
    one[15] = 1;
    Ipv6Address loopback = {};
    loopback[15] = 1;
    WriteSessionLog(folder, {Address(10, 0, 0, 1)}, {one, loopback});
    WriteSessionLog(folder, {}, {one});
    EXPECT_EQ(Log(),
              "\nNew Session Log\n\n10.0.0.1\n2001:db8::1\n::1\n\nEnd Session Log\n"
              "\nNew Session Log\n\n2001:db8::1\n\nEnd Session Log\n");
}

TEST_F(SessionLogTest, AFolderThatCannotHoldTheFileIsSkipped) {
    WriteSessionLog(folder + "missing/", {Address(10, 0, 0, 1)});
    EXPECT_FALSE(fs::exists(folder + "missing"));
    // A folder in the log's place cannot be opened as a file either.
    fs::create_directory(folder + "default.log");
    WriteSessionLog(folder, {Address(10, 0, 0, 1)});
    EXPECT_TRUE(fs::is_directory(folder + "default.log"));
    EXPECT_TRUE(fs::is_empty(folder + "default.log"));
}

}  // namespace
