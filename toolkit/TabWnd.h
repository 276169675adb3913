#pragma once
#include <windows.h>

#include <vector>

// A notebook of child pages with the tabs at the top. The pages are children
// of this window; tab colours come from a list, one per tab in turn.
class CBCGPTabWnd {
public:
    CBCGPTabWnd() = default;
    ~CBCGPTabWnd();
    CBCGPTabWnd(const CBCGPTabWnd&) = delete;
    CBCGPTabWnd& operator=(const CBCGPTabWnd&) = delete;

    bool Create(const RECT& rect, HWND parent, UINT id);

    // Adds a tab for `page`, which must be a child of this window.
    void AddTab(HWND page, const char* label);
    void SetAutoColors(const std::vector<COLORREF>& colors);

    int GetTabsNum() const { return static_cast<int>(m_pages.size()); }
    int GetActiveTab() const;
    // The tab that holds `page`, or -1.
    int GetTabFromHwnd(HWND page) const;
    // Makes the tab active and shows its page.
    bool SetActiveTab(int tab);
    // Scrolls the tab into view when the tabs do not all fit.
    void EnsureVisible(int tab);
    // Shorthand: find the page's tab, activate it and scroll it into view.
    bool BringToFront(HWND page);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetTabControl() const { return m_tabs; }
    RECT GetPageRect() const;

private:
    static bool RegisterTabClass();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void LayoutPages();
    void ShowActivePage();
    void DrawTab(const DRAWITEMSTRUCT& item);

    HWND m_hWnd = nullptr;
    HWND m_tabs = nullptr;
    std::vector<HWND> m_pages;
    std::vector<COLORREF> m_colors;
};
