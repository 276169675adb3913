#include "websites/WebsitesDlg_win.h"

#include "res/resource.h"

CWebsitesDlg::CWebsitesDlg(HWND tabWindow) : CEntryPageDlg(IDD_WEBSITES, tabWindow) {}
