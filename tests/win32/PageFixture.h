#pragma once
// A page of the main window on a plain parent of its own, shown, with the
// messages it would show captured instead.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/AppContext.h"
#include "toolkit/App.h"
#include "toolkit/GlobalData.h"
#include "toolkit/Messages.h"

template <typename Page>
class PageFixture : public ::testing::Test {
protected:
    class TestApp : public CWinApp {};

    // After the test has filled in `context`.
    void CreatePage() {
        app.m_hInstance = ::GetModuleHandleA(nullptr);
        globalData.UpdateSysColors();
        context.appName = "Hushwall";
        parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 700, 400, nullptr,
                                   nullptr, app.m_hInstance, nullptr);
        page = std::make_unique<Page>(parent, context);
        ASSERT_NE(page->GetSafeHwnd(), nullptr);
        ::ShowWindow(page->GetSafeHwnd(), SW_SHOW);
        SetMessageSink([this](const MessageRecord& record) {
            messages.push_back(record);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageSink(nullptr);
        page.reset();
        ::DestroyWindow(parent);
    }
    std::string Cell(int row, int column = 0) {
        char text[256] = {};
        ListView_GetItemText(page->GetList(), row, column, text, sizeof(text));
        return text;
    }

    TestApp app;
    AppContext context;
    HWND parent = nullptr;
    std::unique_ptr<Page> page;
    std::vector<MessageRecord> messages;
};
