#pragma once
#include <windows.h>

// Colours and font of an owner-drawn control, and the drawing they share.
class CControlLook {
public:
    CControlLook();
    CControlLook(const CControlLook&) = delete;
    CControlLook& operator=(const CControlLook&) = delete;
    ~CControlLook();

    // 0xFFFFFFFF (no colour) leaves the background as it is.
    void SetBackColor(COLORREF colour);
    // The control keeps a font of its own made from `source`'s description.
    void SetFontFrom(HFONT source);

    COLORREF textColor;
    COLORREF backColor;
    HFONT font = nullptr;  // owned; none: the font selected in the device context

protected:
    void FillBackground(HDC dc, const RECT& rect) const;
    // Transparent text in textColor and font; the context is left as it was.
    void DrawLookText(HDC dc, const char* text, RECT rect, UINT format) const;
};
