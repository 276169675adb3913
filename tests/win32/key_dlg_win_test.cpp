// The access key dialog, opened for real and typed into as a user would.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "session/KeyDlg_win.h"
#include "toolkit/App.h"
#include "win32/ModalDriver.h"

namespace {

constexpr const char* kCaption = "Hushwall! - Enter 64-Letter String";

class TestApp : public CWinApp {};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return s;
}

class KeyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        app.m_hInstance = ::GetModuleHandleA(nullptr);
        ASSERT_NE(::LoadLibraryA("riched20.dll"), nullptr);
    }
    TestApp app;
};

TEST_F(KeyDialog, ShowsAFreshKeyThatCannotBeTakenAndWantsItTyped) {
    std::string shown, keyFormatFace;
    CHARFORMATA format = {};
    bool showEnabled = true, stayedOpen = false;
    int step = 0;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog(kCaption);
        if (!dialog)
            return false;
        HWND show = ::GetDlgItem(dialog, IDC_KEY_SHOW);
        HWND entry = ::GetDlgItem(dialog, IDC_KEY_ENTRY);
        switch (step++) {
            case 0:
                shown = e2e::Text(show);
                showEnabled = ::IsWindowEnabled(show) != 0;
                format.cbSize = sizeof(format);
                ::SendMessageA(show, EM_GETCHARFORMAT, SCF_DEFAULT,
                               reinterpret_cast<LPARAM>(&format));
                // One character wrong, then a trailing blank: neither is taken.
                e2e::SetText(entry, std::string(shown).replace(0, 1, shown[0] == 'A' ? "B" : "A"));
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return false;
            case 1:
                e2e::SaveScreenshot(dialog, "key-dialog");
                e2e::SetText(entry, Lower(shown) + " ");
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return false;
            default:
                stayedOpen = true;
                e2e::SetText(entry, Lower(shown));
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return true;
        }
    });
    CKeyDlg dialog;
    INT_PTR result = dialog.DoModal();
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(result, IDOK) << "the key typed in lower case is accepted";
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(shown.size(), 64u);
    EXPECT_EQ(shown, dialog.key());
    for (char c : shown)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) << c;
    EXPECT_FALSE(showEnabled) << "the key cannot be focused, selected or copied";
    EXPECT_STREQ(format.szFaceName, "Terminal");
    EXPECT_EQ(format.yHeight, 200);
    EXPECT_EQ(format.crTextColor, RGB(0, 0, 255));
}

TEST_F(KeyDialog, CancelEndsItAndTheNextOneHasAnotherKey) {
    std::string keys[2];
    for (std::string& key : keys) {
        UINT_PTR timer = ModalDriver::Start([&] {
            HWND dialog = ActiveDialog(kCaption);
            if (!dialog)
                return false;
            key = e2e::Text(::GetDlgItem(dialog, IDC_KEY_SHOW));
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        CKeyDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        ::KillTimer(nullptr, timer);
    }
    EXPECT_EQ(keys[0].size(), 64u);
    EXPECT_NE(keys[0], keys[1]);
}

}  // namespace
