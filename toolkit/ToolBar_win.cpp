#include "toolkit/ToolBar.h"

#include "toolkit/App.h"
#include "toolkit/ToolBarResource.h"

namespace {

HIMAGELIST LoadImages(UINT bitmapId, int width, int height) {
    HBITMAP bitmap =
        static_cast<HBITMAP>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(bitmapId),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return nullptr;
    HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 4);
    if (images)
        ImageList_AddMasked(images, bitmap, kToolBarMaskColor);
    ::DeleteObject(bitmap);
    return images;
}

}  // namespace

CBCGPToolBar::~CBCGPToolBar() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    if (m_images)
        ImageList_Destroy(m_images);
    if (m_hotImages)
        ImageList_Destroy(m_hotImages);
}

UINT CBCGPToolBar::ResetMessage() {
    static UINT message = ::RegisterWindowMessageA("BCGTOOLBAR_RESETTOOLBAR");
    return message;
}

bool CBCGPToolBar::Create(HWND owner, UINT id) {
    m_owner = owner;
    // Flat and transparent, text beside the images, no divider, no gripper;
    // the bar is placed by Layout, not by the common-controls resizing.
    DWORD style = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_LIST |
                  TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    m_hWnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 0, 0, owner,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               AfxGetInstanceHandle(), nullptr);
    if (!m_hWnd)
        return false;
    ::SendMessageA(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return true;
}

bool CBCGPToolBar::LoadToolBar(UINT resourceId, UINT hotBitmapId) {
    HINSTANCE instance = AfxGetInstanceHandle();
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(241));
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    auto* data = loaded ? static_cast<const uint8_t*>(::LockResource(loaded)) : nullptr;
    ToolBarLayout layout;
    if (!data || !ParseToolBarResource(data, ::SizeofResource(instance, found), layout))
        return false;
    int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);

    m_images = LoadImages(resourceId, width, height);
    if (!m_images)
        return false;
    ::SendMessageA(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    if (hotBitmapId) {
        m_hotImages = LoadImages(hotBitmapId, width, height);
        if (m_hotImages)
            ::SendMessageA(m_hWnd, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(m_hotImages));
    }
    ::SendMessageA(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELONG(width, height));
    ::SendMessageA(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELONG(22, 22));

    std::vector<TBBUTTON> buttons(layout.commands.size());
    int image = 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
        TBBUTTON& button = buttons[i];
        button.idCommand = static_cast<int>(layout.commands[i]);
        if (button.idCommand == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = image++;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        }
        button.iString = -1;
    }
    ::SendMessageA(m_hWnd, TB_ADDBUTTONSA, buttons.size(),
                   reinterpret_cast<LPARAM>(buttons.data()));

    // A freshly loaded bar is a reset bar: the owner names its buttons now.
    ::SendMessageA(m_owner, ResetMessage(), resourceId, 0);
    Layout();
    return true;
}

void CBCGPToolBar::SetButtonText(int index, const char* text) {
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_TEXT | TBIF_STYLE;
    info.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    info.pszText = const_cast<char*>(text);
    ::SendMessageA(m_hWnd, TB_SETBUTTONINFOA, index, reinterpret_cast<LPARAM>(&info));
    Layout();
}

int CBCGPToolBar::GetCount() const {
    return static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

UINT CBCGPToolBar::GetItemID(int index) const {
    TBBUTTON button = {};
    if (!::SendMessageA(m_hWnd, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
        return 0;
    return static_cast<UINT>(button.idCommand);
}

int CBCGPToolBar::GetHeight() const {
    SIZE size = {};
    ::SendMessageA(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    DWORD buttonSize = static_cast<DWORD>(::SendMessageA(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    int height = HIWORD(buttonSize);
    return (size.cy > height ? size.cy : height) + 4;
}

void CBCGPToolBar::Layout() {
    if (!m_hWnd)
        return;
    RECT client = {};
    ::GetClientRect(m_owner, &client);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, client.right - client.left, GetHeight(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}
