#include "ui/ColorLabel_win.h"

#include <string>

CColorLabel::CColorLabel() = default;
CColorLabel::~CColorLabel() = default;

bool CColorLabel::Create(const char* text, const RECT& rect, HWND parent, UINT id) {
    return CreateControl("STATIC", text, kStyle, rect, parent, id);
}

void CColorLabel::DrawItem(const DRAWITEMSTRUCT& item) {
    const std::string text = GetText();

    FillBackground(item.hDC, item.rcItem);
    const UINT format = text.find('\n') != std::string::npos ? DT_LEFT | DT_TOP
                                                             : DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    DrawLookText(item.hDC, text.c_str(), item.rcItem, format);
}
