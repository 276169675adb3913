#include <gtest/gtest.h>

#include "ui/CheckBoxLogic.h"

// Found by argument lookup, so beside BoxRect in the global namespace.
static bool operator==(const BoxRect& a, const BoxRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static std::ostream& operator<<(std::ostream& out, const BoxRect& r) {
    return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

TEST(CheckMarkRect, SitsLeftOrRightAndTopBottomOrCentred) {
    const BoxRect client{0, 0, 120, 24};
    // Centred: (24 - 13) / 2 = 5, one pixel higher.
    EXPECT_EQ(CheckMarkRect(client, 0), (BoxRect{0, 4, 15, 17}));
    EXPECT_EQ(CheckMarkRect(client, kStyleLeftText), (BoxRect{105, 4, 120, 17}));
    EXPECT_EQ(CheckMarkRect(client, kStyleTop), (BoxRect{0, 1, 15, 14}));
    EXPECT_EQ(CheckMarkRect(client, kStyleBottom), (BoxRect{0, 8, 15, 21}));
    EXPECT_EQ(CheckMarkRect(client, kStyleLeftText | kStyleBottom), (BoxRect{105, 8, 120, 21}));
    // Both vertical bits (BS_VCENTER): the top rule comes first.
    EXPECT_EQ(CheckMarkRect(client, kStyleTop | kStyleBottom), (BoxRect{0, 1, 15, 14}));
    // The other style bits of a real box do not move it.
    EXPECT_EQ(CheckMarkRect(client, 0x5001000B), (BoxRect{0, 4, 15, 17}));
}

TEST(CheckMarkRect, FollowsAClientThatDoesNotStartAtZero) {
    const BoxRect client{10, 20, 60, 45};  // height 25
    EXPECT_EQ(CheckMarkRect(client, 0), (BoxRect{10, 5, 25, 18}));
    EXPECT_EQ(CheckMarkRect(client, kStyleLeftText), (BoxRect{45, 5, 60, 18}));
    EXPECT_EQ(CheckMarkRect(client, kStyleTop), (BoxRect{10, 21, 25, 34}));
    EXPECT_EQ(CheckMarkRect(client, kStyleBottom), (BoxRect{10, 29, 25, 42}));
}

TEST(CheckMarkRect, OddHeightsAndClientsLowerThanTheMarkRoundDown) {
    EXPECT_EQ(CheckMarkRect({0, 0, 50, 20}, 0).top, 2);   // 7 / 2 = 3
    EXPECT_EQ(CheckMarkRect({0, 0, 50, 13}, 0).top, -1);  // 0
    EXPECT_EQ(CheckMarkRect({0, 0, 50, 10}, 0).top, -3);  // -3 / 2 = -2 (not -1)
    EXPECT_EQ(CheckMarkRect({0, 0, 50, 12}, 0).top, -2);  // -1 / 2 = -1 (not 0)
    EXPECT_EQ(CheckMarkRect({0, 0, 50, 10}, 0).bottom, 10);
}

TEST(CheckBoxRedraw, PushLikeBoxesRedrawTheWholeWindow) {
    EXPECT_TRUE(RedrawsWholeWindow(kStylePushLike | 0x5001000B));
    EXPECT_FALSE(RedrawsWholeWindow(0x5001000B));
    EXPECT_FALSE(RedrawsWholeWindow(kStyleLeftText | kStyleTop | kStyleBottom));
}

// Counts what a sequence of inputs did.
struct Tally {
    int toggles = 0;
    int notices = 0;
    int redraws = 0;
    void Add(const CheckBoxInput::Step& step) {
        toggles += step.toggled;
        notices += step.notify;
        redraws += step.redraw;
    }
};

TEST(CheckBoxInput, ClickInsideTogglesOnceAndNotifiesOnce) {
    CheckBoxInput box;
    Tally tally;
    const CheckBoxInput::Step down = box.ButtonDown();
    EXPECT_TRUE(down.capture);
    EXPECT_TRUE(box.pressed);
    tally.Add(down);
    EXPECT_EQ(tally.toggles, 0);
    const CheckBoxInput::Step up = box.ButtonUp(true);
    EXPECT_TRUE(up.release);
    tally.Add(up);
    EXPECT_EQ(tally.toggles, 1);
    EXPECT_EQ(tally.notices, 1);
    EXPECT_EQ(box.checkState, 1);
    EXPECT_FALSE(box.pressed);

    tally.Add(box.ButtonDown());
    tally.Add(box.ButtonUp(true));
    EXPECT_EQ(box.checkState, 0);
    EXPECT_EQ(tally.notices, 2);
}

TEST(CheckBoxInput, ReleaseOutsideCancelsTheClick) {
    CheckBoxInput box;
    Tally tally;
    tally.Add(box.ButtonDown());
    const CheckBoxInput::Step out = box.MouseMove(false);
    EXPECT_TRUE(out.redraw);
    EXPECT_FALSE(box.pressed);
    // Further moves outside change nothing, so they need no redraw.
    EXPECT_FALSE(box.MouseMove(false).redraw);
    const CheckBoxInput::Step up = box.ButtonUp(false);
    EXPECT_TRUE(up.release);
    tally.Add(up);
    EXPECT_EQ(tally.toggles, 0);
    EXPECT_EQ(tally.notices, 0);
    EXPECT_EQ(box.checkState, 0);
    EXPECT_FALSE(box.pressed);
}

TEST(CheckBoxInput, MovingOutAndBackInOnlyUpdatesPressed) {
    CheckBoxInput box;
    Tally tally;
    tally.Add(box.ButtonDown());
    tally.Add(box.MouseMove(false));
    EXPECT_FALSE(box.pressed);
    const CheckBoxInput::Step back = box.MouseMove(true);
    EXPECT_TRUE(back.redraw);
    EXPECT_TRUE(box.pressed);
    EXPECT_FALSE(box.MouseMove(true).redraw);
    EXPECT_EQ(tally.toggles, 0);
    tally.Add(box.ButtonUp(true));
    EXPECT_EQ(tally.toggles, 1);
    EXPECT_EQ(tally.notices, 1);
    EXPECT_EQ(box.checkState, 1);
}

TEST(CheckBoxInput, DoubleClickIsASecondPressSoItTogglesTwice) {
    // The window turns the double click into a second button-down.
    CheckBoxInput box;
    Tally tally;
    tally.Add(box.ButtonDown());
    tally.Add(box.ButtonUp(true));
    tally.Add(box.ButtonDown());
    tally.Add(box.ButtonUp(true));
    EXPECT_EQ(tally.toggles, 2);
    EXPECT_EQ(tally.notices, 2);
    EXPECT_EQ(box.checkState, 0);
}

TEST(CheckBoxInput, HeldSpaceBarTogglesOnceOnRelease) {
    CheckBoxInput box;
    Tally tally;
    const CheckBoxInput::Step first = box.SpaceDown();
    EXPECT_TRUE(first.redraw);
    EXPECT_TRUE(box.pressed);
    // Key repeat.
    for (int i = 0; i < 5; ++i) {
        const CheckBoxInput::Step repeat = box.SpaceDown();
        EXPECT_FALSE(repeat.redraw);
        tally.Add(repeat);
    }
    EXPECT_EQ(tally.toggles, 0);
    tally.Add(box.SpaceUp());
    EXPECT_EQ(tally.toggles, 1);
    EXPECT_EQ(tally.notices, 1);
    EXPECT_EQ(box.checkState, 1);
    EXPECT_FALSE(box.pressed);
}

TEST(CheckBoxInput, SpaceReleaseWithoutPressStillToggles) {
    CheckBoxInput box;
    Tally tally;
    tally.Add(box.SpaceUp());
    EXPECT_EQ(tally.toggles, 1);
    EXPECT_EQ(tally.notices, 1);
    EXPECT_EQ(box.checkState, 1);
}

TEST(CheckBoxInput, SpaceIsIgnoredWhileTheMouseHoldsTheBox) {
    CheckBoxInput box;
    box.ButtonDown();
    EXPECT_FALSE(box.SpaceDown().redraw);
    EXPECT_TRUE(box.pressed);
}

TEST(CheckBoxInput, SetCheckReportsOnlyChanges) {
    CheckBoxInput box;
    EXPECT_FALSE(box.SetCheck(0));
    EXPECT_TRUE(box.SetCheck(1));
    EXPECT_EQ(box.checkState, 1);
    EXPECT_FALSE(box.SetCheck(1));
    EXPECT_TRUE(box.SetCheck(0));
    EXPECT_EQ(box.checkState, 0);
}

}  // namespace
