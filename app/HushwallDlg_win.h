#pragma once
#include <atomic>

#include "toolkit/Dialog.h"

// The program's only top-level window.
class CHushwallDlg : public CDialog {
public:
    CHushwallDlg();
    ~CHushwallDlg() override;

    // True while a blocked-program notice is on screen; set by the sweep, cleared by the notice.
    std::atomic<bool> noticeShowing{false};

protected:
    BOOL OnInitDialog() override;

private:
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
};
