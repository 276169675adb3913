// Resource ids shared by the .rc file and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_HUSHWALL_DIALOG 102
#define IDD_SPLASH 103
#define IDR_MAINFRAME 128
#define IDB_SPLASH 129

#define IDC_TAB 101
#define IDC_BLOCK_NOW 1000
#define IDC_DAYS 1001
#define IDC_HOURS 1002
#define IDC_DAYS_SPIN 1003
#define IDC_HOURS_SPIN 1004
#define IDC_MINUTES 1005
#define IDC_MINUTES_SPIN 1006
#define IDC_UNTIL_DATE 1007
#define IDC_UNTIL_TIME 1010
#define IDC_SPLASH_PICTURE 1020
