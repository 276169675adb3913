#pragma once
#include <windows.h>

// Colours, brushes and the font that every themed window draws with. The
// installed visual manager may replace the colours; windows read them here.
struct GlobalData {
    COLORREF clrBtnFace = 0;
    COLORREF clrBtnShadow = 0;
    COLORREF clrBtnHilite = 0;
    COLORREF clrBtnDkShadow = 0;
    COLORREF clrBtnLight = 0;
    HBRUSH brBtnFace = nullptr;   // solid brush of clrBtnFace
    HFONT fontRegular = nullptr;  // the font of the toolkit's own controls

    // Takes the five colours from the system and remakes the face brush.
    void UpdateSysColors();
    // Remakes brBtnFace from clrBtnFace.
    void UpdateFaceBrush();
    // Bits per pixel of the screen.
    int GetBitsPerPixel() const;
    HFONT GetRegularFont();
    // brBtnFace, taken from the system colours when no manager has set it yet.
    HBRUSH FaceBrush();
};

extern GlobalData globalData;

// Fills the window's client area with the face colour.
void FillWithFace(HWND window, HDC dc);
