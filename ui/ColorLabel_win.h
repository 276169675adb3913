#pragma once
#include "toolkit/Wnd.h"
#include "ui/ControlLook_win.h"

// A static text in the control's own colours and font. The parent hands its
// WM_DRAWITEM on with ReflectDrawItem (toolkit/Wnd.h).
class CColorLabel : public CStatic, public CControlLook {
public:
    // Child, visible, owner-drawn static.
    static constexpr DWORD kStyle = 0x5000000D;

    CColorLabel();
    ~CColorLabel() override;

    // The pages pass 0xFFFF as `id`: a label nobody addresses.
    bool Create(const char* text, const RECT& rect, HWND parent, UINT id);

protected:
    // Text with a line feed is drawn from the top, one line per line; other text
    // vertically centred on one line.
    void DrawItem(const DRAWITEMSTRUCT& item) override;
};
