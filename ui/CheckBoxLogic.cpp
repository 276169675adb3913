#include "ui/CheckBoxLogic.h"

namespace {

constexpr int kMarkSize = 13;
constexpr int kMarkWidth = 15;

// Rounds down for negative numerators too: a client lower than the mark.
int FloorHalf(int v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

}  // namespace

BoxRect CheckMarkRect(const BoxRect& client, uint32_t style) {
    BoxRect mark;
    if (style & kStyleLeftText) {
        mark.left = client.right - kMarkWidth;
        mark.right = client.right;
    } else {
        mark.left = client.left;
        mark.right = client.left + kMarkWidth;
    }
    if (style & kStyleTop)
        mark.top = client.top + 1;
    else if (style & kStyleBottom)
        mark.top = client.bottom - 16;
    else
        mark.top = FloorHalf(client.bottom - client.top - kMarkSize) - 1;
    mark.bottom = mark.top + kMarkSize;
    return mark;
}

bool RedrawsWholeWindow(uint32_t style) {
    return (style & kStylePushLike) != 0;
}

void CheckBoxInput::Toggle(Step& step) {
    checkState = checkState ? 0 : 1;
    step.toggled = true;
    step.notify = true;
}

CheckBoxInput::Step CheckBoxInput::ButtonDown() {
    Step step;
    pressed = true;
    step.capture = true;
    step.redraw = true;
    return step;
}

CheckBoxInput::Step CheckBoxInput::MouseMove(bool inside) {
    Step step;
    step.redraw = pressed != inside;
    pressed = inside;
    return step;
}

CheckBoxInput::Step CheckBoxInput::ButtonUp(bool inside) {
    Step step;
    step.release = true;
    if (inside)
        Toggle(step);
    pressed = false;
    step.redraw = true;
    return step;
}

CheckBoxInput::Step CheckBoxInput::SpaceDown() {
    Step step;
    if (!pressed) {
        pressed = true;
        step.redraw = true;
    }
    return step;
}

// The release toggles even without a press first: focus may arrive while the key is down.
CheckBoxInput::Step CheckBoxInput::SpaceUp() {
    Step step;
    pressed = false;
    Toggle(step);
    step.redraw = true;
    return step;
}

bool CheckBoxInput::SetCheck(int state) {
    if (state == checkState)
        return false;
    checkState = state;
    return true;
}
