#pragma once
#include <cstdint>

// Button style bits that decide where the check mark sits and what a redraw covers.
constexpr uint32_t kStyleLeftText = 0x20;    // BS_LEFTTEXT: mark on the right
constexpr uint32_t kStyleTop = 0x400;        // BS_TOP
constexpr uint32_t kStyleBottom = 0x800;     // BS_BOTTOM
constexpr uint32_t kStylePushLike = 0x1000;  // BS_PUSHLIKE

struct BoxRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where the 13-pixel check-mark bitmap goes inside the client rectangle.
BoxRect CheckMarkRect(const BoxRect& client, uint32_t style);

// Push-like boxes show their state over the whole window; the others only in the mark.
bool RedrawsWholeWindow(uint32_t style);

// Mouse and space bar of the owner-drawn check box. The window forwards each
// message and carries out what the step asks for.
class CheckBoxInput {
public:
    struct Step {
        bool toggled = false;  // checkState changed
        bool notify = false;   // send BN_CLICKED to the parent
        bool redraw = false;
        bool capture = false;  // take the focus and the mouse
        bool release = false;  // release the mouse
    };

    int checkState = 0;    // 0 or 1: what the box shows
    bool pressed = false;  // the button or the space bar is held on the control

    Step ButtonDown();
    // Only while the control holds the mouse capture.
    Step MouseMove(bool inside);
    Step ButtonUp(bool inside);
    Step SpaceDown();
    Step SpaceUp();
    // True when the state changed, so the control must be redrawn.
    bool SetCheck(int state);

private:
    void Toggle(Step& step);
};
