#include "ui/ControlLook_win.h"

namespace {

constexpr COLORREF kNoColour = 0xFFFFFFFF;

}  // namespace

CControlLook::CControlLook()
    : textColor(::GetSysColor(COLOR_WINDOWTEXT)), backColor(::GetSysColor(COLOR_BTNFACE)) {}

CControlLook::~CControlLook() {
    if (font)
        ::DeleteObject(font);
}

void CControlLook::SetBackColor(COLORREF colour) {
    if (colour != kNoColour)
        backColor = colour;
}

void CControlLook::SetFontFrom(HFONT source) {
    LOGFONTA description = {};
    if (!source || ::GetObjectA(source, sizeof(description), &description) == 0)
        return;
    if (font)
        ::DeleteObject(font);
    font = ::CreateFontIndirectA(&description);
}

void CControlLook::FillBackground(HDC dc, const RECT& rect) const {
    HBRUSH brush = ::CreateSolidBrush(backColor);
    ::FillRect(dc, &rect, brush);
    ::DeleteObject(brush);
}

void CControlLook::DrawLookText(HDC dc, const char* text, RECT rect, UINT format) const {
    const COLORREF oldColour = ::SetTextColor(dc, textColor);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
    ::DrawTextA(dc, text, -1, &rect, format);
    if (oldFont)
        ::SelectObject(dc, oldFont);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
}
