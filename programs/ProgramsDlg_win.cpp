#include "programs/ProgramsDlg_win.h"

#include "res/resource.h"

CProgramsDlg::CProgramsDlg(HWND tabWindow) : CEntryPageDlg(IDD_PROGRAMS, tabWindow) {}
