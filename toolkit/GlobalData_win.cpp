#include "toolkit/GlobalData.h"

GlobalData globalData;

void GlobalData::UpdateSysColors() {
    clrBtnFace = ::GetSysColor(COLOR_BTNFACE);
    clrBtnShadow = ::GetSysColor(COLOR_BTNSHADOW);
    clrBtnHilite = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    clrBtnDkShadow = ::GetSysColor(COLOR_3DDKSHADOW);
    clrBtnLight = ::GetSysColor(COLOR_3DLIGHT);
    UpdateFaceBrush();
}

void GlobalData::UpdateFaceBrush() {
    if (brBtnFace)
        ::DeleteObject(brBtnFace);
    brBtnFace = ::CreateSolidBrush(clrBtnFace);
}

int GlobalData::GetBitsPerPixel() const {
    HDC screen = ::GetDC(nullptr);
    int bits = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
    ::ReleaseDC(nullptr, screen);
    return bits;
}

HBRUSH GlobalData::FaceBrush() {
    if (!brBtnFace)
        UpdateSysColors();
    return brBtnFace;
}

void FillWithFace(HWND window, HDC dc) {
    RECT client = {};
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, globalData.FaceBrush());
}

HFONT GlobalData::GetRegularFont() {
    if (!fontRegular) {
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof(metrics);
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            fontRegular = ::CreateFontIndirectA(&metrics.lfMessageFont);
        else
            fontRegular = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    return fontRegular;
}
