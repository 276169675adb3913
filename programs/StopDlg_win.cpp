#include "programs/StopDlg_win.h"

#include "res/resource.h"

CStopDlg::CStopDlg(UINT closeAfterMs) : CBCGPDialog(IDD_STOP), m_closeAfterMs(closeAfterMs) {}

BOOL CStopDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    ::SetDlgItemTextA(m_hWnd, IDC_TIME_LEFT, m_timeLeft.c_str());
    ::SetTimer(m_hWnd, kCloseTimerId, m_closeAfterMs, nullptr);
    return TRUE;
}

void CStopDlg::OnTimer(UINT_PTR id) {
    if (id == kCloseTimerId)
        OnNoticeTimeout();
}

void CStopDlg::OnNoticeTimeout() {
    ::KillTimer(m_hWnd, kCloseTimerId);
    EndDialog(IDOK);
}

namespace {

struct NoticeRequest {
    std::string timeLeft;
    std::shared_ptr<std::atomic<bool>> noticeShowing;
    UINT closeAfterMs;
};

DWORD WINAPI NoticeThread(LPVOID parameter) {
    NoticeRequest* request = static_cast<NoticeRequest*>(parameter);
    {
        CStopDlg notice(request->closeAfterMs);
        notice.m_timeLeft = request->timeLeft;
        notice.DoModal(nullptr);
    }
    request->noticeShowing->store(false);
    delete request;
    return 0;
}

}  // namespace

void ShowBlockedNotice(std::string timeLeft, std::shared_ptr<std::atomic<bool>> noticeShowing,
                       UINT closeAfterMs) {
    auto* request = new NoticeRequest{std::move(timeLeft), noticeShowing, closeAfterMs};
    HANDLE thread = ::CreateThread(nullptr, 0, NoticeThread, request, 0, nullptr);
    if (thread) {
        ::CloseHandle(thread);
        return;
    }
    // No thread, no notice: the next ending may try again.
    delete request;
    noticeShowing->store(false);
}
