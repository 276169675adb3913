#pragma once
#include <windows.h>

#include <memory>

// Decides the colours that themed windows draw with. One instance is installed
// for the process; windows read the colours from it and from globalData.
class CBCGPVisualManager {
public:
    CBCGPVisualManager() = default;
    CBCGPVisualManager(const CBCGPVisualManager&) = delete;
    CBCGPVisualManager& operator=(const CBCGPVisualManager&) = delete;
    virtual ~CBCGPVisualManager() = default;

    virtual const char* GetRuntimeClassName() const { return "CBCGPVisualManager"; }
    // Derives the look's own colours from the system's; called again when they change.
    virtual void OnUpdateSystemColors() {}
    // Sets globalData's five 3-D colours and its face brush.
    virtual void SetupGlobalColors();

    // Makes a T the process's visual manager and redraws the thread's windows with it.
    // globalData holds the system's colours while T is constructed.
    template <class T>
    static void SetDefaultManager() {
        ResetGlobalColors();
        Install(std::unique_ptr<CBCGPVisualManager>(new T));
    }
    // The installed manager, or null before the first SetDefaultManager.
    static CBCGPVisualManager* GetInstance();

private:
    static void ResetGlobalColors();
    static void Install(std::unique_ptr<CBCGPVisualManager> manager);
};

// The Office 2003 look: bar gradients, highlights and menu colours derived from
// the system colours. A derived class may replace any of them, and the brushes
// and pens made from them, in its constructor.
class CBCGPVisualManager2003 : public CBCGPVisualManager {
public:
    CBCGPVisualManager2003();
    ~CBCGPVisualManager2003() override;

    const char* GetRuntimeClassName() const override { return "CBCGPVisualManager2003"; }
    void OnUpdateSystemColors() override;

    COLORREF m_clrBarFace = 0;
    COLORREF m_clrBarShadow = 0;
    COLORREF m_clrBarHilite = 0;
    COLORREF m_clrBarDkShadow = 0;
    COLORREF m_clrBarGradientDark = 0;
    COLORREF m_clrBarGradientLight = 0;
    COLORREF m_clrToolBarGradientDark = 0;
    COLORREF m_clrToolBarGradientVertDark = 0;
    COLORREF m_clrToolBarBottomLine = 0;
    COLORREF m_clrCaptionBarGradientDark = 0;
    COLORREF m_clrMenuRarelyUsed = 0;
    COLORREF m_clrHighlightGradientLight = 0;
    COLORREF m_clrHighlightChecked = 0;
    COLORREF m_clrHighlightGradientDark = 0;
    COLORREF m_clrHighlightDnGradientDark = 0;
    COLORREF m_clrHighlightDnGradientLight = 0;
    COLORREF m_clrMenuBorder = 0;
    COLORREF m_clrSeparatorDark = 0;
    COLORREF m_clrMenuLight = 0;

    HBRUSH m_brMenuLight = nullptr;
    HBRUSH m_brTabBack = nullptr;
    HBRUSH m_brBarBkgnd = nullptr;
    HPEN m_penSeparatorLight = nullptr;
    HPEN m_penSeparator = nullptr;
    HPEN m_penMenuLight = nullptr;

protected:
    // Remakes the brushes and pens from the colours above.
    void CreateGdiObjects();
    void ReleaseGdiObjects();
    // The weighted mean of two colours, made lighter or darker by `lightness` (1.0: as is).
    static COLORREF MixColors(COLORREF a, COLORREF b, int weightA, int weightB, double lightness);
};
