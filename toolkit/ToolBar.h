#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

// A toolbar of image buttons from a toolbar resource and its bitmap. It sends
// its commands to its owner and announces each reset of its buttons there with
// the registered message "BCGTOOLBAR_RESETTOOLBAR" (first parameter: the
// resource id), so the owner can give the buttons their texts.
class CBCGPToolBar {
public:
    CBCGPToolBar() = default;
    ~CBCGPToolBar();
    CBCGPToolBar(const CBCGPToolBar&) = delete;
    CBCGPToolBar& operator=(const CBCGPToolBar&) = delete;

    bool Create(HWND owner, UINT id = kDefaultId);
    // Buttons from toolbar resource `resourceId`, images from the bitmap of the
    // same id; hot images from `hotBitmapId` when it is not 0.
    bool LoadToolBar(UINT resourceId, UINT hotBitmapId = 0);

    // Text shown beside the image of the button at `index` (separators count).
    void SetButtonText(int index, const char* text);
    int GetCount() const;
    UINT GetItemID(int index) const;

    // Sizes the bar to the width of its owner's client area, at its top.
    void Layout();
    int GetHeight() const;

    HWND GetSafeHwnd() const { return m_hWnd; }

    static UINT ResetMessage();
    static constexpr UINT kDefaultId = 0xE800;

private:
    HWND m_hWnd = nullptr;
    HWND m_owner = nullptr;
    HIMAGELIST m_images = nullptr;
    HIMAGELIST m_hotImages = nullptr;
};

// The colour of a toolbar bitmap that stands for "no pixel".
constexpr COLORREF kToolBarMaskColor = RGB(255, 0, 255);
