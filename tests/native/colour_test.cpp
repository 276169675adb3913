#include <gtest/gtest.h>

#include "toolkit/Colour.h"
#include "ui/TidewellPalette.h"

namespace {

struct Channels {
    unsigned r, g, b;
    bool operator==(const Channels& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Channels& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Channels Of(Colour c) {
    return {RedOf(c), GreenOf(c), BlueOf(c)};
}

TEST(Colour, KeepsTheWindowsByteOrder) {
    EXPECT_EQ(Rgb(213, 229, 255), 0x00FFE5D5u);
    EXPECT_EQ(Of(0x00FFE5D5u), (Channels{213, 229, 255}));
}

TEST(ScaleColour, RoundsEachChannelDownAndCapsAt255) {
    EXPECT_EQ(Of(ScaleColour(Rgb(134, 173, 231), 98)), (Channels{131, 169, 226}));
    EXPECT_EQ(Of(ScaleColour(Rgb(229, 125, 70), 120)), (Channels{255, 150, 84}));
    // 99 * 0.5 = 49.5 and 1 * 0.5 = 0.5 round down.
    EXPECT_EQ(Of(ScaleColour(Rgb(99, 1, 255), 50)), (Channels{49, 0, 127}));
    EXPECT_EQ(Of(ScaleColour(Rgb(255, 255, 255), 400)), (Channels{255, 255, 255}));
    EXPECT_EQ(Of(ScaleColour(Rgb(12, 34, 56), 100)), (Channels{12, 34, 56}));
    EXPECT_EQ(ScaleColour(Rgb(12, 34, 56), 0), 0u);
}

TEST(MixColours, EvenBlendIsTheRoundedMeanOfEachChannel) {
    EXPECT_EQ(Of(MixColours(Rgb(30, 69, 124), Rgb(92, 138, 209), 1, 1, 1.0)),
              (Channels{61, 104, 167}));
    // The order of the two colours does not matter for equal weights.
    EXPECT_EQ(MixColours(Rgb(92, 138, 209), Rgb(30, 69, 124), 1, 1, 1.0),
              MixColours(Rgb(30, 69, 124), Rgb(92, 138, 209), 1, 1, 1.0));
}

TEST(MixColours, WeightsAndLightness) {
    EXPECT_EQ(Of(MixColours(Rgb(0, 0, 0), Rgb(200, 100, 40), 3, 1, 1.0)), (Channels{50, 25, 10}));
    EXPECT_EQ(Of(MixColours(Rgb(10, 20, 30), Rgb(99, 99, 99), 1, 0, 1.0)), (Channels{10, 20, 30}));
    EXPECT_EQ(Of(MixColours(Rgb(100, 200, 50), Rgb(100, 200, 50), 1, 1, 1.5)),
              (Channels{150, 255, 75}));
    EXPECT_EQ(Of(MixColours(Rgb(100, 200, 50), Rgb(100, 200, 50), 1, 1, 0.5)),
              (Channels{50, 100, 25}));
    // No weight at all: the first colour, not a division by zero.
    EXPECT_EQ(MixColours(Rgb(1, 2, 3), Rgb(4, 5, 6), 0, 0, 1.0), Rgb(1, 2, 3));
}

TEST(TidewellPalette, DerivedEntriesComeOutAsTheFixedFigures) {
    const TidewellPalette palette;
    EXPECT_EQ(Of(palette.toolBarGradientVertDark), (Channels{131, 169, 226}));
    EXPECT_EQ(Of(palette.highlightDnGradientLight), (Channels{255, 150, 84}));
    EXPECT_EQ(Of(palette.separatorDark), (Channels{61, 104, 167}));
}

}  // namespace
