#pragma once
#include <string>

#include "lists/ListPage.h"
#include "schedule/BlockRules.h"
#include "schedule/ScheduleBlock.h"
#include "toolkit/ThemedDialog.h"

// A block's days, from and to, and where it takes its lists from. OK builds the
// block into m_block; a refusal is shown and keeps the dialog open. With a title
// it modifies m_block, and may keep the block's own lists.
class CScheduleBlockDlg : public CBCGPDialog {
public:
    // Either page may be null: its ticks then count as none.
    CScheduleBlockDlg(ListPage* programs, ListPage* websites, std::string appName);

    std::string m_title;  // empty: add mode
    ScheduleBlock m_block;
    std::string m_profilePath;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnOK() override;

private:
    void OnBrowse();
    void SetTime(int id, int minute);
    int TimeOf(int id) const;

    ListPage* m_programs;
    ListPage* m_websites;
    std::string m_appName;
};
