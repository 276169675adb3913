#include "session/AccessKey.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(AccessKey, SixtyFourDigitsAndCapitalsOneDrawEach) {
    int draws = 0;
    int value = 0;
    // Every remainder 0..35 in turn, then from the top of rand's range.
    std::string key = GenerateKey([&] {
        ++draws;
        return draws <= 36 ? value++ : 32767 - draws;
    });
    EXPECT_EQ(draws, 64);
    ASSERT_EQ(key.size(), 64u);
    EXPECT_EQ(key.substr(0, 36), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (char c : key)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) << c;
    // 32767 - 37 = 32730, and 32730 % 36 = 6.
    EXPECT_EQ(key[36], '6');

    std::srand(7);
    std::string a = GenerateKey([] { return std::rand(); });
    std::string b = GenerateKey([] { return std::rand(); });
    EXPECT_NE(a, b) << "draws go on from one key to the next";
}

TEST(AccessKey, TypedTextMustMatchWholeLetterCaseAside) {
    const std::string key = "0AZ9" + std::string(60, 'Q');
    EXPECT_TRUE(KeyMatches(key, key));
    EXPECT_TRUE(KeyMatches("0az9" + std::string(60, 'q'), key));
    EXPECT_FALSE(KeyMatches(key + " ", key));
    EXPECT_FALSE(KeyMatches(" " + key, key));
    EXPECT_FALSE(KeyMatches("0AZ8" + std::string(60, 'Q'), key));
    EXPECT_FALSE(KeyMatches(key.substr(0, 63), key));
    EXPECT_FALSE(KeyMatches("", key));
}
