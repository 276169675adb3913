// The visual manager and the owner-drawn controls in real windows: messages go
// through the real button and static classes, drawing is read back as pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "res/resource.h"
#include "toolkit/GlobalData.h"
#include "ui/BitmapCheckBox_win.h"
#include "ui/ColorLabel_win.h"
#include "ui/TidewellVisualManager_win.h"

namespace {

constexpr UINT kBoxId = 1008;
constexpr COLORREF kFace = RGB(213, 229, 255);
constexpr COLORREF kBorderBlue = RGB(0x33, 0x66, 0xCC);
constexpr COLORREF kTickGreen = RGB(0x1E, 0x96, 0x32);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// A pixel of the tick in the 13 x 13 image, white in the unticked one.
constexpr int kTickX = 5, kTickY = 7;

// What the parent saw.
struct ParentLog {
    std::vector<WPARAM> commandW;
    std::vector<LPARAM> commandL;
    int drawItems = 0;
};
ParentLog g_log;

// A page in miniature: records commands and hands WM_DRAWITEM to the control.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            g_log.commandW.push_back(wp);
            g_log.commandL.push_back(lp);
            return 0;
        case WM_DRAWITEM:
            ++g_log.drawItems;
            return ReflectDrawItem(lp) ? TRUE : FALSE;
        case WM_ERASEBKGND: {
            RECT client;
            ::GetClientRect(hwnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wp), &client, globalData.brBtnFace);
            return 1;
        }
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

const char* ParentClass() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = "HushwallLookTestParent";
        registered = ::RegisterClassA(&wc) != 0;
    }
    return "HushwallLookTestParent";
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LPARAM Point(int x, int y) {
    return MAKELPARAM(x, y);
}

// A 32-bit top-down DIB to draw into and read back.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        // Black, so that anything left unpainted shows.
        RECT all = {0, 0, width, height};
        ::FillRect(m_dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const DWORD bgrx = static_cast<const DWORD*>(m_bits)[y * m_width + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }
    // Whether any pixel of the row span [x0, x1) has the colour.
    bool RowHas(int y, int x0, int x1, COLORREF colour) const {
        for (int x = x0; x < x1; ++x)
            if (At(x, y) == colour)
                return true;
        return false;
    }

private:
    int m_width;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

// Asks the control to draw itself into `canvas` as its parent would.
void DrawInto(HWND control, const Canvas& canvas, UINT type) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = type;
    item.CtlID = static_cast<UINT>(::GetDlgCtrlID(control));
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = control;
    item.hDC = canvas.dc();
    ::GetClientRect(control, &item.rcItem);
    ASSERT_TRUE(ReflectDrawItem(reinterpret_cast<LPARAM>(&item)));
}

COLORREF BrushColour(HBRUSH brush) {
    LOGBRUSH info = {};
    EXPECT_EQ(::GetObjectA(brush, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
    return info.lbColor;
}

void ExpectPen(HPEN pen, COLORREF colour) {
    LOGPEN info = {};
    ASSERT_EQ(::GetObjectA(pen, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.lopnStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(info.lopnWidth.x, 1);
    EXPECT_EQ(info.lopnColor, colour);
}

class LookWin : public ::testing::Test {
protected:
    void SetUp() override {
        CBCGPVisualManager::SetDefaultManager<CTidewellVisualManager>();
        g_log = ParentLog();
        m_parent = ::CreateWindowExA(0, ParentClass(), "Look", WS_POPUP | WS_VISIBLE, 40, 40, 320,
                                     140, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_parent, nullptr);
    }
    void TearDown() override {
        if (m_parent)
            ::DestroyWindow(m_parent);
    }

    // As the pages make them.
    void MakeBox(CBitmapCheckBox& box, const char* text, int top, DWORD extraStyle = 0) {
        const RECT rect = {10, top, 210, top + 24};
        ASSERT_TRUE(box.Create(text, rect, m_parent, kBoxId, 0x5001000B | extraStyle));
        box.SetBackColor(globalData.clrBtnFace);
        box.SetFontFrom(globalData.GetRegularFont());
    }
    HWND Hwnd(const CBitmapCheckBox& box) const { return box.GetSafeHwnd(); }
    size_t Clicks() const { return g_log.commandW.size(); }

    HWND m_parent = nullptr;
};

TEST_F(LookWin, InstalledManagerSetsTheFixedPaletteOnATrueColourScreen) {
    ASSERT_GT(globalData.GetBitsPerPixel(), 8) << "the test screen must show true colour";
    auto* manager = dynamic_cast<CTidewellVisualManager*>(CBCGPVisualManager::GetInstance());
    ASSERT_NE(manager, nullptr);
    EXPECT_STREQ(manager->GetRuntimeClassName(), "CTidewellVisualManager");

    EXPECT_EQ(globalData.clrBtnFace, RGB(213, 229, 255));
    EXPECT_EQ(globalData.clrBtnShadow, RGB(132, 166, 220));
    EXPECT_EQ(globalData.clrBtnHilite, RGB(255, 255, 255));
    EXPECT_EQ(globalData.clrBtnDkShadow, RGB(30, 69, 124));
    EXPECT_EQ(globalData.clrBtnLight, RGB(234, 251, 255));
    EXPECT_EQ(BrushColour(globalData.brBtnFace), RGB(213, 229, 255));

    EXPECT_EQ(manager->m_clrBarFace, RGB(213, 229, 255));
    EXPECT_EQ(manager->m_clrBarDkShadow, RGB(30, 69, 124));
    EXPECT_EQ(manager->m_clrBarGradientDark, RGB(159, 191, 240));
    EXPECT_EQ(manager->m_clrToolBarGradientVertDark, RGB(131, 169, 226));
    EXPECT_EQ(manager->m_clrHighlightDnGradientLight, RGB(255, 150, 84));
    EXPECT_EQ(manager->m_clrMenuBorder, RGB(52, 67, 90));
    EXPECT_EQ(BrushColour(manager->m_brMenuLight), RGB(227, 237, 255));
    EXPECT_EQ(BrushColour(manager->m_brTabBack), RGB(227, 237, 255));
    EXPECT_EQ(BrushColour(manager->m_brBarBkgnd), RGB(213, 229, 255));
    ExpectPen(manager->m_penSeparatorLight, RGB(255, 255, 255));
    ExpectPen(manager->m_penSeparator, RGB(132, 166, 220));
    ExpectPen(manager->m_penMenuLight, RGB(227, 237, 255));

    // The palette does not follow later system colour changes.
    manager->OnUpdateSystemColors();
    EXPECT_EQ(manager->m_clrBarGradientDark, RGB(159, 191, 240));
    EXPECT_EQ(manager->m_clrBarFace, RGB(213, 229, 255));
}

TEST_F(LookWin, PaletteDisplayKeepsTheToolkitsOwnColours) {
    globalData.UpdateSysColors();
    const COLORREF systemFace = ::GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(systemFace, kFace);
    CBCGPVisualManager2003 base;
    CTidewellVisualManager manager(8);
    EXPECT_EQ(globalData.clrBtnFace, systemFace);
    EXPECT_EQ(globalData.clrBtnDkShadow, ::GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(BrushColour(globalData.brBtnFace), systemFace);
    EXPECT_EQ(manager.m_clrBarFace, systemFace);
    EXPECT_EQ(manager.m_clrBarGradientDark, base.m_clrBarGradientDark);
    EXPECT_NE(manager.m_clrBarGradientDark, RGB(159, 191, 240));
    EXPECT_EQ(BrushColour(manager.m_brBarBkgnd), systemFace);
}

TEST_F(LookWin, CreatedBoxIsOwnerDrawnAndStartsUnticked) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    const LONG_PTR style = ::GetWindowLongPtrA(Hwnd(box), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    EXPECT_EQ(::GetDlgCtrlID(Hwnd(box)), static_cast<int>(kBoxId));
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_EQ(box.backColor, kFace);
    ASSERT_NE(box.font, nullptr);
    EXPECT_NE(box.font, globalData.GetRegularFont());  // a copy of its own
}

TEST_F(LookWin, AttachingToAnExistingCheckBoxMakesItOwnerDrawn) {
    HWND existing = ::CreateWindowExA(0, "BUTTON", "Deselect All",
                                      WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 200, 24,
                                      m_parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(102)),
                                      ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(existing, nullptr);
    CBitmapCheckBox box;
    ASSERT_TRUE(box.SubclassDlgItem(102, m_parent));
    EXPECT_EQ(box.GetSafeHwnd(), existing);
    EXPECT_EQ(::GetWindowLongPtrA(existing, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    // A second object cannot take the same window.
    CBitmapCheckBox other;
    EXPECT_FALSE(other.SubclassDlgItem(102, m_parent));

    ::SendMessageA(existing, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    ::SendMessageA(existing, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(box.GetCheck(), 1);
    ASSERT_EQ(Clicks(), 1u);
    EXPECT_EQ(g_log.commandW[0], MAKEWPARAM(102, BN_CLICKED));
}

TEST_F(LookWin, ClickTogglesAndSendsOneClickedCommandWithIdAndHandle) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    HWND hwnd = Hwnd(box);
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 12));
    EXPECT_TRUE(box.IsPressed());
    EXPECT_EQ(::GetCapture(), hwnd);
    EXPECT_EQ(::GetFocus(), hwnd);
    EXPECT_EQ(Clicks(), 0u);
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(20, 12));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_FALSE(box.IsPressed());
    EXPECT_EQ(box.GetCheck(), 1);
    ASSERT_EQ(Clicks(), 1u);
    EXPECT_EQ(LOWORD(g_log.commandW[0]), kBoxId);
    EXPECT_EQ(HIWORD(g_log.commandW[0]), BN_CLICKED);
    EXPECT_EQ(g_log.commandL[0], reinterpret_cast<LPARAM>(hwnd));
    // Another program sees the state too.
    EXPECT_EQ(::SendMessageA(hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(LookWin, TheStateIsAlreadyToggledWhenTheParentHearsOfTheClick) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    // Read the state from inside the command, as the pages do.
    static CBitmapCheckBox* seenBox;
    static int seenState;
    seenBox = &box;
    seenState = -1;
    WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        m_parent, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND)
                seenState = seenBox->GetCheck();
            return ParentProc(h, m, w, l);
        })));
    ::SendMessageA(Hwnd(box), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
    ::SendMessageA(Hwnd(box), WM_LBUTTONUP, 0, Point(3, 3));
    ::SetWindowLongPtrA(m_parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    EXPECT_EQ(seenState, 1);
}

TEST_F(LookWin, ReleaseOutsideCancelsAndMovingBackInRestoresTheClick) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    HWND hwnd = Hwnd(box);
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 12));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(250, 12));
    EXPECT_FALSE(box.IsPressed());
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(20, -5));
    EXPECT_FALSE(box.IsPressed());
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(250, 12));
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_EQ(Clicks(), 0u);
    EXPECT_EQ(::GetCapture(), nullptr);

    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 12));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(250, 12));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(30, 10));
    EXPECT_TRUE(box.IsPressed());
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(30, 10));
    EXPECT_EQ(box.GetCheck(), 1);
    EXPECT_EQ(Clicks(), 1u);
}

TEST_F(LookWin, MovesWithoutTheCaptureAreIgnored) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    ::SendMessageA(Hwnd(box), WM_MOUSEMOVE, 0, Point(20, 12));
    EXPECT_FALSE(box.IsPressed());
    // Pressed by the space bar, a stray move does not clear it.
    ::SendMessageA(Hwnd(box), WM_KEYDOWN, VK_SPACE, 1);
    ::SendMessageA(Hwnd(box), WM_MOUSEMOVE, 0, Point(250, 12));
    EXPECT_TRUE(box.IsPressed());
}

TEST_F(LookWin, DoubleClickTogglesTwiceAndSendsTwoCommands) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    HWND hwnd = Hwnd(box);
    // What the system sends for a double click.
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 12));
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(20, 12));
    EXPECT_EQ(box.GetCheck(), 1);
    ::SendMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(20, 12));
    EXPECT_TRUE(box.IsPressed());
    EXPECT_EQ(::GetCapture(), hwnd);
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(20, 12));
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_EQ(Clicks(), 2u);
    // The class sends no BN_DOUBLECLICKED of its own.
    for (WPARAM wp : g_log.commandW)
        EXPECT_EQ(HIWORD(wp), BN_CLICKED);
}

TEST_F(LookWin, HeldSpaceBarTogglesOnceOtherKeysNever) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    HWND hwnd = Hwnd(box);
    ::SetFocus(hwnd);
    ::SendMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_TRUE(box.IsPressed());
    for (int i = 0; i < 4; ++i)  // auto-repeat: previous-state bit set
        ::SendMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0x40390001);
    EXPECT_EQ(Clicks(), 0u);
    ::SendMessageA(hwnd, WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_FALSE(box.IsPressed());
    EXPECT_EQ(box.GetCheck(), 1);
    ASSERT_EQ(Clicks(), 1u);
    EXPECT_EQ(g_log.commandW[0], MAKEWPARAM(kBoxId, BN_CLICKED));

    ::SendMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::SendMessageA(hwnd, WM_KEYUP, VK_RETURN, 0xC01C0001);
    ::SendMessageA(hwnd, WM_KEYDOWN, 'A', 0x001E0001);
    ::SendMessageA(hwnd, WM_KEYUP, 'A', 0xC01E0001);
    EXPECT_EQ(box.GetCheck(), 1);
    EXPECT_EQ(Clicks(), 1u);

    // A release without a press (the focus came while the key was down) still counts.
    ::SendMessageA(hwnd, WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_EQ(Clicks(), 2u);
}

TEST_F(LookWin, SetCheckRedrawsOnlyTheMarkAndOnlyOnChange) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    HWND hwnd = Hwnd(box);
    ::UpdateWindow(m_parent);
    ::ValidateRect(hwnd, nullptr);
    RECT dirty = {};

    box.SetCheck(0);
    EXPECT_FALSE(::GetUpdateRect(hwnd, &dirty, FALSE));
    EXPECT_EQ(::SendMessageA(hwnd, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    box.SetCheck(1);
    EXPECT_EQ(box.GetCheck(), 1);
    ASSERT_TRUE(::GetUpdateRect(hwnd, &dirty, FALSE));
    // Height 24: the mark is at the left, from (24 - 13) / 2 - 1 = 4.
    EXPECT_EQ(dirty.left, 0);
    EXPECT_EQ(dirty.top, 4);
    EXPECT_EQ(dirty.right, 15);
    EXPECT_EQ(dirty.bottom, 17);
    ::ValidateRect(hwnd, nullptr);

    box.SetCheck(1);
    EXPECT_FALSE(::GetUpdateRect(hwnd, &dirty, FALSE));
    // No command for a change made by the program.
    EXPECT_EQ(Clicks(), 0u);
}

TEST_F(LookWin, PushLikeBoxRedrawsWholeWindowAtOnce) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10, BS_PUSHLIKE);
    HWND hwnd = Hwnd(box);
    ::UpdateWindow(m_parent);
    ::ValidateRect(hwnd, nullptr);
    Pump();
    g_log.drawItems = 0;
    box.SetCheck(1);
    // Drawn before SetCheck returned; nothing is left to paint.
    EXPECT_GE(g_log.drawItems, 1);
    RECT dirty = {};
    EXPECT_FALSE(::GetUpdateRect(hwnd, &dirty, FALSE));

    g_log.drawItems = 0;
    box.SetCheck(1);
    EXPECT_EQ(g_log.drawItems, 0);
}

TEST_F(LookWin, DrawnBoxShowsFaceColourTheBitmapAndItsText) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    box.textColor = RGB(200, 0, 0);
    Canvas canvas(200, 24);

    DrawInto(Hwnd(box), canvas, ODT_BUTTON);
    // The mark sits at (0, 4), 13 x 13.
    EXPECT_EQ(canvas.At(0, 4), kBorderBlue);
    EXPECT_EQ(canvas.At(12, 16), kBorderBlue);
    EXPECT_EQ(canvas.At(6, 10), kWhite);
    EXPECT_EQ(canvas.At(kTickX, 4 + kTickY), kWhite);
    // Around it the face colour: above, below, between mark and text, far right.
    EXPECT_EQ(canvas.At(6, 3), kFace);
    EXPECT_EQ(canvas.At(6, 17), kFace);
    EXPECT_EQ(canvas.At(15, 10), kFace);
    EXPECT_EQ(canvas.At(199, 23), kFace);
    // Text starts 18 pixels in, in the text colour.
    bool textSeen = false;
    for (int y = 0; y < 24 && !textSeen; ++y)
        textSeen = canvas.RowHas(y, 18, 120, RGB(200, 0, 0));
    EXPECT_TRUE(textSeen);
    for (int y = 0; y < 24; ++y)
        EXPECT_FALSE(canvas.RowHas(y, 0, 18, RGB(200, 0, 0))) << "row " << y;

    box.SetCheck(1);
    DrawInto(Hwnd(box), canvas, ODT_BUTTON);
    EXPECT_EQ(canvas.At(0, 4), kBorderBlue);
    EXPECT_EQ(canvas.At(kTickX, 4 + kTickY), kTickGreen);
    EXPECT_EQ(canvas.At(9, 7), kTickGreen);
    EXPECT_EQ(canvas.At(1, 5), kWhite);
}

TEST_F(LookWin, DrawingLeavesTheContextAsItWas) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    Canvas canvas(200, 24);
    HFONT before = static_cast<HFONT>(::GetCurrentObject(canvas.dc(), OBJ_FONT));
    ::SetTextColor(canvas.dc(), RGB(1, 2, 3));
    ::SetBkMode(canvas.dc(), OPAQUE);
    DrawInto(Hwnd(box), canvas, ODT_BUTTON);
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_FONT), before);
    EXPECT_EQ(::GetTextColor(canvas.dc()), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(canvas.dc()), OPAQUE);
}

TEST_F(LookWin, RightTextBoxHasItsMarkAtTheRightEdge) {
    CBitmapCheckBox box;
    MakeBox(box, "Right", 10, BS_LEFTTEXT | BS_TOP);
    Canvas canvas(200, 24);
    DrawInto(Hwnd(box), canvas, ODT_BUTTON);
    // 200 - 15 = 185, top 1.
    EXPECT_EQ(canvas.At(185, 1), kBorderBlue);
    EXPECT_EQ(canvas.At(197, 13), kBorderBlue);
    EXPECT_EQ(canvas.At(0, 4), kFace);
}

TEST_F(LookWin, NoColourKeepsTheBackground) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    box.SetBackColor(RGB(10, 200, 30));
    box.SetBackColor(0xFFFFFFFF);
    EXPECT_EQ(box.backColor, RGB(10, 200, 30));
    Canvas canvas(200, 24);
    DrawInto(Hwnd(box), canvas, ODT_BUTTON);
    EXPECT_EQ(canvas.At(199, 0), RGB(10, 200, 30));
}

TEST_F(LookWin, FontIsCopiedAndReplaced) {
    CBitmapCheckBox box;
    MakeBox(box, "Select All", 10);
    LOGFONTA big = {};
    big.lfHeight = -30;
    lstrcpyA(big.lfFaceName, "Tahoma");
    HFONT source = ::CreateFontIndirectA(&big);
    box.SetFontFrom(source);
    ::DeleteObject(source);  // the copy stays usable
    LOGFONTA seen = {};
    ASSERT_EQ(::GetObjectA(box.font, sizeof(seen), &seen), static_cast<int>(sizeof(seen)));
    EXPECT_EQ(seen.lfHeight, -30);
    EXPECT_STREQ(seen.lfFaceName, "Tahoma");
}

TEST_F(LookWin, LabelIsAnOwnerDrawnStaticWithTheFixedStyle) {
    CColorLabel label;
    const RECT rect = {10, 5, 160, 25};
    ASSERT_TRUE(label.Create("Check the program(s) you want to disable:", rect, m_parent, 0xFFFF));
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(label.GetSafeHwnd(), GWL_STYLE)), 0x5000000Du);
    EXPECT_EQ(::GetDlgCtrlID(label.GetSafeHwnd()), 0xFFFF);
    char className[16] = {};
    ::GetClassNameA(label.GetSafeHwnd(), className, sizeof(className));
    EXPECT_STREQ(className, "Static");
}

// Rows of `colour` pixels among the first `width` columns.
std::vector<int> InkRows(const Canvas& canvas, int width, int height, COLORREF colour) {
    std::vector<int> rows;
    for (int y = 0; y < height; ++y)
        if (canvas.RowHas(y, 0, width, colour))
            rows.push_back(y);
    return rows;
}

TEST_F(LookWin, LabelCentresOneLineAndDrawsLineFeedTextFromTheTop) {
    const COLORREF ink = RGB(0, 0, 160);
    const int width = 200, height = 80;
    const RECT rect = {0, 0, width, height};

    CColorLabel single;
    ASSERT_TRUE(single.Create("Caption", rect, m_parent, 0xFFFF));
    single.SetBackColor(kFace);
    single.textColor = ink;
    Canvas one(width, height);
    DrawInto(single.GetSafeHwnd(), one, ODT_STATIC);
    EXPECT_EQ(one.At(width - 1, height - 1), kFace);
    const std::vector<int> centred = InkRows(one, width, height, ink);
    ASSERT_FALSE(centred.empty());
    // About as far from the top as from the bottom.
    const int above = centred.front();
    const int below = height - 1 - centred.back();
    EXPECT_LE(std::abs(above - below), 4) << above << " above, " << below << " below";

    CColorLabel lines;
    ASSERT_TRUE(lines.Create("First\nSecond", rect, m_parent, 0xFFFF));
    lines.SetBackColor(kFace);
    lines.textColor = ink;
    Canvas two(width, height);
    DrawInto(lines.GetSafeHwnd(), two, ODT_STATIC);
    const std::vector<int> stacked = InkRows(two, width, height, ink);
    ASSERT_FALSE(stacked.empty());
    EXPECT_LT(stacked.front(), 6);  // from the top
    // Two lines: a gap of clear rows between two bands of ink.
    int bands = 1;
    for (size_t i = 1; i < stacked.size(); ++i)
        if (stacked[i] != stacked[i - 1] + 1)
            ++bands;
    EXPECT_EQ(bands, 2);
    EXPECT_LT(stacked.back(), height / 2);
}

// On the screen: the parent's WM_DRAWITEM reaches the controls, and what they
// draw is what the screen shows. HUSHWALL_LOOK_HOLD_MS keeps the window up for a
// screenshot.
TEST_F(LookWin, WindowOnScreenShowsBothStatesAndTheLabel) {
    CColorLabel caption;
    const RECT captionRect = {10, 5, 310, 25};
    ASSERT_TRUE(
        caption.Create("Check the program(s) you want to disable:", captionRect, m_parent, 0xFFFF));
    caption.SetBackColor(globalData.clrBtnFace);
    caption.SetFontFrom(globalData.GetRegularFont());
    CBitmapCheckBox ticked, clear;
    MakeBox(ticked, "Select All", 40);
    MakeBox(clear, "Deselect All", 70);
    ticked.SetCheck(1);
    g_log.drawItems = 0;
    ::RedrawWindow(m_parent, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    EXPECT_GE(g_log.drawItems, 3);

    HDC screen = ::GetDC(m_parent);
    // Check boxes at y 40 and 70 of the parent, their marks 4 pixels lower.
    EXPECT_EQ(::GetPixel(screen, 10, 44), kBorderBlue);
    EXPECT_EQ(::GetPixel(screen, 10 + kTickX, 44 + kTickY), kTickGreen);
    EXPECT_EQ(::GetPixel(screen, 10, 74), kBorderBlue);
    EXPECT_EQ(::GetPixel(screen, 10 + kTickX, 74 + kTickY), kWhite);
    EXPECT_EQ(::GetPixel(screen, 300, 50), kFace);
    EXPECT_EQ(::GetPixel(screen, 300, 130), kFace);  // the parent's own face
    ::ReleaseDC(m_parent, screen);

    if (const char* hold = std::getenv("HUSHWALL_LOOK_HOLD_MS")) {
        const DWORD until = ::GetTickCount() + static_cast<DWORD>(std::atoi(hold));
        while (static_cast<LONG>(until - ::GetTickCount()) > 0) {
            Pump();
            ::Sleep(20);
        }
    }
}

}  // namespace
