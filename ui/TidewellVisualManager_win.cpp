#include "ui/TidewellVisualManager_win.h"

#include "toolkit/GlobalData.h"
#include "ui/TidewellPalette.h"

CTidewellVisualManager::CTidewellVisualManager()
    : CTidewellVisualManager(globalData.GetBitsPerPixel()) {}

CTidewellVisualManager::CTidewellVisualManager(int bitsPerPixel) {
    // With a palette display the light blues would dither; keep the system's colours.
    if (bitsPerPixel <= 8)
        return;
    SetupGlobalColors();

    const TidewellPalette palette;
    m_clrBarGradientDark = palette.barGradientDark;
    m_clrBarGradientLight = palette.barGradientLight;
    m_clrToolBarGradientDark = palette.toolBarGradientDark;
    m_clrToolBarGradientVertDark = palette.toolBarGradientVertDark;
    m_clrToolBarBottomLine = palette.toolBarBottomLine;
    m_clrCaptionBarGradientDark = palette.captionBarGradientDark;
    m_clrMenuRarelyUsed = palette.menuRarelyUsed;
    m_clrHighlightGradientLight = palette.highlightGradientLight;
    m_clrHighlightChecked = palette.highlightChecked;
    m_clrHighlightGradientDark = palette.highlightGradientDark;
    m_clrHighlightDnGradientDark = palette.highlightDnGradientDark;
    m_clrHighlightDnGradientLight = palette.highlightDnGradientLight;
    m_clrMenuBorder = palette.menuBorder;
    m_clrSeparatorDark = palette.separatorDark;
    m_clrMenuLight = palette.menuLight;
    m_clrBarFace = globalData.clrBtnFace;
    m_clrBarShadow = globalData.clrBtnShadow;
    m_clrBarHilite = globalData.clrBtnHilite;
    m_clrBarDkShadow = globalData.clrBtnDkShadow;
    CreateGdiObjects();
}

CTidewellVisualManager::~CTidewellVisualManager() = default;

void CTidewellVisualManager::SetupGlobalColors() {
    const TidewellPalette palette;
    globalData.clrBtnFace = palette.face;
    globalData.clrBtnShadow = palette.shadow;
    globalData.clrBtnHilite = palette.highlight;
    globalData.clrBtnDkShadow = palette.darkShadow;
    globalData.clrBtnLight = palette.light;
    globalData.UpdateFaceBrush();
}
