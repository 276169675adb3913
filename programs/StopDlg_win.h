#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "toolkit/ThemedDialog.h"

// The notice that a blocked program was ended, with the time the block still
// lasts. It closes itself after 25 seconds.
class CStopDlg : public CBCGPDialog {
public:
    explicit CStopDlg(UINT closeAfterMs = kCloseAfterMs);

    std::string m_timeLeft;

    static constexpr UINT_PTR kCloseTimerId = 1;
    static constexpr UINT kCloseAfterMs = 25000;

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;

private:
    void OnNoticeTimeout();

    UINT m_closeAfterMs;
};

// Shows the notice on a thread of its own, so that the sweeps go on meanwhile,
// and clears `noticeShowing` when it has closed. The thread holds a share of
// the flag: the notice may close after the window that owns the flag is gone.
void ShowBlockedNotice(std::string timeLeft, std::shared_ptr<std::atomic<bool>> noticeShowing,
                       UINT closeAfterMs = CStopDlg::kCloseAfterMs);
