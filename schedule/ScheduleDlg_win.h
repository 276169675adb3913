#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "base/AppContext.h"
#include "lists/ListPage.h"
#include "schedule/ScheduleBlock.h"
#include "schedule/ScheduleChange.h"
#include "toolkit/ThemedDialog.h"
#include "ui/ColorLabel_win.h"

// The "Schedule" tab: one row per weekly block, with its days, from, to and
// what it blocks. Add, Modify (or a double click) and Delete act on the rows.
class CScheduleDlg : public CFacePage {
public:
    // Creates the page at once as a child of the main window's tab control.
    CScheduleDlg(HWND tabWindow, const AppContext& context);
    ~CScheduleDlg() override;

    const Schedule& GetSchedule() const { return m_schedule; }
    void SetSchedule(const Schedule& schedule);

    // The pages whose ticked entries a new block may take.
    void SetListPages(ListPage* programs, ListPage* websites);

    // Called with each change the user confirmed; whoever handles it decides
    // what the schedule becomes and hands it back with SetSchedule. Without a
    // handler the page applies the change itself.
    std::function<void(const ScheduleEdit&)> onEdit;

    void ShowAddDialog();
    void ModifySelected();
    void DeleteSelected();

    HWND GetList() const;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    void FillRows();
    int SelectedRow() const;
    void Edit(const ScheduleEdit& edit);
    void ShowMessage(const char* text);

    const AppContext& m_context;
    Schedule m_schedule;
    ListPage* m_programs = nullptr;
    ListPage* m_websites = nullptr;
    CColorLabel m_caption;
};
