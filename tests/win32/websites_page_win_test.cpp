// The Websites page and its add dialog, created for real and driven with the
// messages a user's actions produce.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "res/resource.h"
#include "websites/WebsiteRules.h"
#include "websites/WebsitesDlg_win.h"
#include "win32/ModalDriver.h"
#include "win32/PageFixture.h"

namespace {

class WebsitesPage : public PageFixture<CWebsitesDlg> {
protected:
    void SetUp() override { CreatePage(); }
};

TEST_F(WebsitesPage, RowsShowTheNameAsItIs) {
    EXPECT_EQ(::GetDlgCtrlID(page->GetList()), IDC_WEBSITE_LIST);
    bool captionFound = false;
    for (HWND w = ::GetWindow(page->GetSafeHwnd(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        captionFound |= e2e::Text(w) == "Check the website(s) you want to disable:";
    EXPECT_TRUE(captionFound);

    page->SetEntries(
        {{"video.example.org", "Video", true}, {"http://news.example.com", "  News", false}});
    EXPECT_EQ(Cell(0), "  News");
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "  News") << "website names are not trimmed";
    EXPECT_EQ(rows[0].target, "http://news.example.com");
    EXPECT_FALSE(rows[0].checked);
    EXPECT_EQ(rows[1].name, "Video");
    EXPECT_TRUE(rows[1].checked);
    EXPECT_EQ(page->selectAllBox().GetCheck() + page->deselectAllBox().GetCheck(), 0);

    page->startupList.reset();
    page->ResetToStartup();
    EXPECT_TRUE(page->GetEntries().empty()) << "without a start-up list the page is empty";
}

TEST_F(WebsitesPage, AddRefusesEmptyAndListedUrlsOnly) {
    ASSERT_TRUE(page->AddWebsite("www.example.com", "Zed"));
    EXPECT_FALSE(page->AddWebsite("", "Empty"));
    EXPECT_FALSE(page->AddWebsite("WWW.Example.COM", "Again"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "No URL specified.\nPlease specify a URL.");
    EXPECT_EQ(messages[1].text,
              "The specified website URL is already in the list.\nPlease specify another website "
              "URL.");
    for (const MessageRecord& m : messages) {
        EXPECT_EQ(m.owner, page->GetSafeHwnd());
        EXPECT_EQ(m.caption, "Hushwall");
    }
    EXPECT_TRUE(page->AddWebsite("http://www.example.com", "Alpha"));
    EXPECT_TRUE(page->AddWebsite("www.example.com/", ""));
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 3u);
    // Placed by name, unticked.
    EXPECT_EQ(rows[0].name, "");
    EXPECT_EQ(rows[1].name, "Alpha");
    EXPECT_EQ(rows[2].name, "Zed");
    EXPECT_EQ(CountChecked(rows), 0u);
}

TEST_F(WebsitesPage, DeleteNeedsATickedRow) {
    page->SetEntries({{"a.example", "A", false}, {"b.example", "B", true}});
    ListView_SetItemState(page->GetList(), 0, LVIS_SELECTED, LVIS_SELECTED);
    page->DeleteCheckedWebsites();
    ASSERT_EQ(page->GetEntries().size(), 1u);
    EXPECT_EQ(page->GetEntries()[0].name, "A");
    page->DeleteCheckedWebsites();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "No website selected.\nPlease select at least one website before deletion.");
    page->SetEntries({});
    page->DeleteCheckedWebsites();
    EXPECT_EQ(messages.size(), 2u) << "an empty list says so too";
}

TEST_F(WebsitesPage, TheDialogAddsAndModifiesWithoutChecksInModifyMode) {
    int step = 0;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog("Add New Website");
        if (!dialog)
            return false;
        if (step++ == 0) {
            ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);  // empty URL: refused, stays open
            return false;
        }
        e2e::SetText(::GetDlgItem(dialog, IDC_WEBSITE_URL), "news.example.com");
        e2e::SetText(::GetDlgItem(dialog, IDC_WEBSITE_NAME), "News");
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    page->ShowAddWebsiteDialog();
    ::KillTimer(nullptr, timer);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kNoUrlMessage);
    page->AddWebsite("other.example.com", "Other");
    ASSERT_EQ(page->GetEntries().size(), 2u);

    // Modify "News" to the other entry's URL and tick it first: accepted, tick kept.
    ListView_SetCheckState(page->GetList(), 0, TRUE);
    ListView_SetItemState(page->GetList(), 0, LVIS_SELECTED, LVIS_SELECTED);
    std::string shownUrl, shownName;
    timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog("Modify Website Info");
        if (!dialog)
            return false;
        shownUrl = e2e::Text(::GetDlgItem(dialog, IDC_WEBSITE_URL));
        shownName = e2e::Text(::GetDlgItem(dialog, IDC_WEBSITE_NAME));
        e2e::SetText(::GetDlgItem(dialog, IDC_WEBSITE_URL), "other.example.com");
        e2e::SetText(::GetDlgItem(dialog, IDC_WEBSITE_NAME), "Changed");
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    DoubleClickRow(page->GetSafeHwnd(), page->GetList(), IDC_WEBSITE_LIST, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(shownUrl, "news.example.com");
    EXPECT_EQ(shownName, "News");
    EXPECT_EQ(messages.size(), 1u) << "no checks in modify mode";
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "Changed");
    EXPECT_EQ(rows[0].target, "other.example.com");
    EXPECT_TRUE(rows[0].checked);
}

}  // namespace
