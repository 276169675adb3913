// The Schedule page and its block dialog, created for real and driven with the
// messages a user's actions produce.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "res/resource.h"
#include "schedule/BlockRules.h"
#include "schedule/ScheduleDlg_win.h"
#include "win32/ModalDriver.h"
#include "win32/PageFixture.h"

namespace {

class RowsPage : public ListPage {
public:
    EntryList GetEntries() override { return rows; }
    void SetEntries(const EntryList& entries) override { rows = entries; }
    void ResetToStartup() override {}
    EntryList rows;
};

class SchedulePage : public PageFixture<CScheduleDlg> {
protected:
    void SetUp() override {
        CreatePage();
        page->SetListPages(&programs, &websites);
        programs.rows = {
            {"C:\\a.exe", "A", true}, {"C:\\b.exe", "B", true}, {"C:\\c.exe", "C", false}};
        websites.rows = {{"reddit.com", "Reddit", true}, {"news.example", "News", false}};
    }

    // Opens the dialog with `open`, lets `fill` set its fields, then presses OK
    // and, when the dialog stays open, Cancel. True when OK closed it.
    bool RunDialog(const char* caption, const std::function<void()>& open,
                   const std::function<void(HWND)>& fill) {
        int step = 0;
        bool stayed = false;
        UINT_PTR timer = ModalDriver::Start([&] {
            HWND dialog = ActiveDialog(caption);
            if (!dialog)
                return false;
            if (step++ == 0) {
                fill(dialog);
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return false;
            }
            stayed = true;
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        open();
        ::KillTimer(nullptr, timer);
        EXPECT_GT(step, 0) << "no dialog \"" << caption << "\"";
        return !stayed;
    }
    static void SetDays(HWND dialog, uint8_t days) {
        for (int day = 0; day < 7; ++day)
            ::SendMessageA(::GetDlgItem(dialog, IDC_BLOCK_MONDAY + day), BM_SETCHECK,
                           (days >> day) & 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    static void SetTime(HWND dialog, int id, int hour, int minute) {
        SYSTEMTIME time = {};
        ::GetLocalTime(&time);
        time.wHour = static_cast<WORD>(hour);
        time.wMinute = static_cast<WORD>(minute);
        ASSERT_NE(DateTime_SetSystemtime(::GetDlgItem(dialog, id), GDT_VALID, &time), 0);
    }
    void Press(int id) { ::SendMessageA(::GetDlgItem(page->GetSafeHwnd(), id), BM_CLICK, 0, 0); }

    RowsPage programs, websites;
};

TEST_F(SchedulePage, AddWithDaysAndTimesGivesARowWithItsTexts) {
    EXPECT_TRUE(RunDialog(
        "Add Scheduled Block", [&] { Press(IDC_PAGE_ADD); },
        [&](HWND dialog) {
            SetDays(dialog, kSaturday | kSunday);
            SetTime(dialog, IDC_BLOCK_FROM, 22, 0);
            SetTime(dialog, IDC_BLOCK_TO, 2, 30);
        }));
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(ListView_GetItemCount(page->GetList()), 1);
    const char* row[] = {"Sat, Sun", "22:00", "02:30", "2 programs, 1 website"};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(Cell(0, column), row[column]);
    programs.rows.clear();  // later ticks leave the saved block as it was
    ASSERT_EQ(page->GetSchedule().size(), 1u);
    EXPECT_EQ(page->GetSchedule()[0].programs.size(), 2u);
}

TEST_F(SchedulePage, EachRefusalIsShownAndNothingIsAdded) {
    const struct {
        std::function<void(HWND)> fill;
        const char* text;
    } cases[] = {
        {[](HWND d) { SetDays(d, 0); }, kNoDayMessage},
        {[](HWND d) { SetTime(d, IDC_BLOCK_TO, 9, 0); }, kSameTimesMessage},  // from 09:00
        {[&](HWND) { programs.rows.clear(), websites.rows.clear(); }, kEmptyBlockMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        HWND dialog = nullptr;
        EXPECT_FALSE(RunDialog(
            "Add Scheduled Block", [&] { Press(IDC_PAGE_ADD); },
            [&](HWND d) { c.fill(dialog = d); }))
            << "the dialog stays open";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.text);
        EXPECT_EQ(messages[0].owner, dialog);
        EXPECT_EQ(ListView_GetItemCount(page->GetList()), 0);
    }
    EXPECT_TRUE(page->GetSchedule().empty());
}

TEST_F(SchedulePage, ModifyKeepsTheBlocksListsAndDeleteTakesTheSelectedRow) {
    const EntryList game = {{"C:\\Games\\game.exe", "Game", true}};
    page->SetSchedule({{kEveryDay, 60, 120, game, {}, 0}, {kMonday, 540, 1020, {}, game, 0}});
    std::string own;
    EXPECT_TRUE(RunDialog(
        "Modify Scheduled Block",
        [&] { DoubleClickRow(page->GetSafeHwnd(), page->GetList(), IDC_SCHEDULE_LIST, 1); },
        [&](HWND dialog) {
            own = e2e::Text(::GetDlgItem(dialog, IDC_BLOCK_OWN));
            e2e::SaveScreenshot(dialog, "schedule-block-dialog");
            SetTime(dialog, IDC_BLOCK_TO, 18, 45);
        }));
    EXPECT_EQ(own, "Its own lists (1 website)");
    EXPECT_EQ(Cell(1, 2), "18:45");
    EXPECT_EQ(Cell(1, 3), "1 website") << "not the pages' ticks";

    Press(IDC_PAGE_DELETE);  // the modified row is still selected
    ASSERT_EQ(ListView_GetItemCount(page->GetList()), 1);
    EXPECT_EQ(Cell(0, 0), "Every day");
    EXPECT_TRUE(messages.empty());
}

}  // namespace
