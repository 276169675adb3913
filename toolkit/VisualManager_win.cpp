#include "toolkit/VisualManager.h"

#include "toolkit/GlobalData.h"
#include "toolkit/Colour.h"

namespace {

std::unique_ptr<CBCGPVisualManager>& Instance() {
    static std::unique_ptr<CBCGPVisualManager> instance;
    return instance;
}

BOOL CALLBACK RedrawOne(HWND hwnd, LPARAM) {
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

template <class Handle>
void Release(Handle& object) {
    if (object)
        ::DeleteObject(object);
    object = nullptr;
}

void ReplaceBrush(HBRUSH& brush, COLORREF colour) {
    Release(brush);
    brush = ::CreateSolidBrush(colour);
}

void ReplacePen(HPEN& pen, COLORREF colour) {
    Release(pen);
    pen = ::CreatePen(PS_SOLID, 1, colour);
}

}  // namespace

void CBCGPVisualManager::SetupGlobalColors() {
    globalData.UpdateSysColors();
}

CBCGPVisualManager* CBCGPVisualManager::GetInstance() {
    return Instance().get();
}

void CBCGPVisualManager::ResetGlobalColors() {
    globalData.UpdateSysColors();
}

void CBCGPVisualManager::Install(std::unique_ptr<CBCGPVisualManager> manager) {
    Instance() = std::move(manager);
    ::EnumThreadWindows(::GetCurrentThreadId(), RedrawOne, 0);
}

CBCGPVisualManager2003::CBCGPVisualManager2003() {
    // During construction this is our own version, never a derived one.
    OnUpdateSystemColors();
}

CBCGPVisualManager2003::~CBCGPVisualManager2003() {
    ReleaseGdiObjects();
}

void CBCGPVisualManager2003::OnUpdateSystemColors() {
    m_clrBarFace = globalData.clrBtnFace;
    m_clrBarShadow = globalData.clrBtnShadow;
    m_clrBarHilite = globalData.clrBtnHilite;
    m_clrBarDkShadow = globalData.clrBtnDkShadow;

    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    m_clrBarGradientLight = MixColors(m_clrBarFace, m_clrBarHilite, 1, 1, 1.0);
    m_clrBarGradientDark = MixColors(m_clrBarFace, m_clrBarShadow, 3, 1, 1.0);
    m_clrToolBarGradientDark = MixColors(m_clrBarFace, m_clrBarShadow, 1, 1, 1.0);
    m_clrToolBarGradientVertDark = MixColors(m_clrBarFace, m_clrBarShadow, 1, 1, 0.98);
    m_clrToolBarBottomLine = m_clrBarShadow;
    m_clrCaptionBarGradientDark = MixColors(m_clrBarShadow, m_clrBarDkShadow, 1, 1, 1.0);
    m_clrMenuRarelyUsed = MixColors(m_clrBarFace, m_clrBarShadow, 2, 1, 1.0);
    m_clrHighlightGradientLight = MixColors(highlight, window, 1, 4, 1.0);
    m_clrHighlightChecked = MixColors(highlight, window, 1, 6, 1.0);
    m_clrHighlightGradientDark = MixColors(highlight, window, 1, 2, 1.0);
    m_clrHighlightDnGradientDark = MixColors(highlight, window, 2, 1, 1.0);
    m_clrHighlightDnGradientLight = MixColors(highlight, window, 2, 1, 1.2);
    m_clrMenuBorder = m_clrBarDkShadow;
    m_clrSeparatorDark = MixColors(m_clrBarShadow, m_clrBarDkShadow, 1, 1, 1.0);
    m_clrMenuLight = MixColors(window, m_clrBarFace, 3, 1, 1.0);
    CreateGdiObjects();
}

void CBCGPVisualManager2003::ReleaseGdiObjects() {
    Release(m_brMenuLight);
    Release(m_brTabBack);
    Release(m_brBarBkgnd);
    Release(m_penSeparatorLight);
    Release(m_penSeparator);
    Release(m_penMenuLight);
}

void CBCGPVisualManager2003::CreateGdiObjects() {
    ReplaceBrush(m_brMenuLight, m_clrMenuLight);
    ReplaceBrush(m_brTabBack, m_clrMenuLight);
    ReplaceBrush(m_brBarBkgnd, m_clrBarFace);
    ReplacePen(m_penSeparatorLight, m_clrBarHilite);
    ReplacePen(m_penSeparator, m_clrBarShadow);
    ReplacePen(m_penMenuLight, m_clrMenuLight);
}

COLORREF CBCGPVisualManager2003::MixColors(COLORREF a, COLORREF b, int weightA, int weightB,
                                           double lightness) {
    return MixColours(a, b, static_cast<unsigned>(weightA), static_cast<unsigned>(weightB),
                      lightness);
}
