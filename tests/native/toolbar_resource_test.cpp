#include "toolkit/ToolBarResource.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ToolBarResource, ReadsBothCompilersLayouts) {
    // Microsoft: version 1, then 16-bit width, height, count and ids.
    const std::vector<uint8_t> microsoft = {1, 0, 16, 0, 15, 0, 3, 0, 0x09, 0x80, 0, 0, 0x46, 0xE1};
    ToolBarLayout layout;
    ASSERT_TRUE(ParseToolBarResource(microsoft.data(), microsoft.size(), layout));
    EXPECT_EQ(layout.width, 16u);
    EXPECT_EQ(layout.height, 15u);
    EXPECT_EQ(layout.commands, (std::vector<unsigned>{32777, 0, 57670}));

    // GNU windres: 32-bit width, height, count and ids.
    const std::vector<uint8_t> gnu = {16, 0, 0,    0,    16, 0, 0,    0,    2, 0,
                                      0,  0, 0x0A, 0x80, 0,  0, 0x46, 0xE1, 0, 0};
    ASSERT_TRUE(ParseToolBarResource(gnu.data(), gnu.size(), layout));
    EXPECT_EQ(layout.height, 16u);
    EXPECT_EQ(layout.commands, (std::vector<unsigned>{32778, 57670}));
}

TEST(ToolBarResource, RefusesTruncatedOrEmptyImages) {
    const std::vector<uint8_t> shortCount = {1, 0, 16, 0, 16, 0, 4, 0, 0x09, 0x80};
    ToolBarLayout layout;
    EXPECT_FALSE(ParseToolBarResource(shortCount.data(), shortCount.size(), layout));
    const std::vector<uint8_t> hugeCount = {16, 0, 0, 0, 16, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(ParseToolBarResource(hugeCount.data(), hugeCount.size(), layout));
    const std::vector<uint8_t> zeroWidth = {1, 0, 0, 0, 16, 0, 0, 0};
    EXPECT_FALSE(ParseToolBarResource(zeroWidth.data(), zeroWidth.size(), layout));
    EXPECT_FALSE(ParseToolBarResource(nullptr, 0, layout));
    const std::vector<uint8_t> header = {1, 0, 16, 0};
    EXPECT_FALSE(ParseToolBarResource(header.data(), header.size(), layout));
}
