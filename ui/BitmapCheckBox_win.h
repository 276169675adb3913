#pragma once
#include "toolkit/Wnd.h"
#include "ui/CheckBoxLogic.h"
#include "ui/ControlLook_win.h"

// A check box drawn with two small bitmaps in the control's own colours and font.
// It toggles on a click or a space-bar press and then sends BN_CLICKED to its parent.
// The parent hands its WM_DRAWITEM on with ReflectDrawItem (toolkit/Wnd.h).
class CBitmapCheckBox : public CButton, public CControlLook {
public:
    CBitmapCheckBox();
    ~CBitmapCheckBox() override;

    // Creates the button window with `style` (the pages use 0x5001000B).
    bool Create(const char* text, const RECT& rect, HWND parent, UINT id, DWORD style);

    int GetCheck() const { return m_input.checkState; }
    // Redraws only when the state changes.
    void SetCheck(int state);
    bool IsPressed() const { return m_input.pressed; }

protected:
    // Makes the button owner-drawn, whatever button type it was.
    void PreSubclassWindow() override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Carry(const CheckBoxInput::Step& step);
    void Redraw();
    bool Inside(LPARAM point) const;
    RECT MarkRect() const;

    CheckBoxInput m_input;
};
