#include "app/HushwallDlg_win.h"

#include "res/resource.h"
#include "toolkit/App.h"

CHushwallDlg::CHushwallDlg() : CDialog(IDD_HUSHWALL_DIALOG) {
    HINSTANCE instance = AfxGetInstanceHandle();
    m_icon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                  IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), 0));
}

CHushwallDlg::~CHushwallDlg() {
    if (m_icon)
        ::DestroyIcon(m_icon);
    if (m_smallIcon)
        ::DestroyIcon(m_smallIcon);
}

BOOL CHushwallDlg::OnInitDialog() {
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    return TRUE;
}
