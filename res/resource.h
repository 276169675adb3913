// Resource ids shared by the .rc file and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_HUSHWALL_DIALOG 102
#define IDD_SPLASH 103
#define IDR_MAINFRAME 128
#define IDB_SPLASH 129
#define IDB_CHECK_OFF 142
#define IDB_CHECK_ON 143

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

// Main window: menu, toolbar, About box and pages.
#define IDR_MAINMENU 138
#define IDR_TOOLBAR 139
#define IDB_TOOLBAR_HOT 141
#define IDD_PROGRAMS 130
#define IDD_WEBSITES 131
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010

// Commands.
#define ID_NEW_PROFILE 32777
#define ID_LOAD_PROFILE 32778
#define ID_SAVE_PROFILE 32779
#define ID_APP_EXIT 32780
#define ID_APP_ABOUT 32782
#define ID_ADD_PROGRAM 32783
#define ID_DELETE_PROGRAMS 32784
#define ID_SELECT_ALL_PROGRAMS 32785
#define ID_DESELECT_ALL_PROGRAMS 32786
#define ID_ADD_WEBSITE 32787
#define ID_DELETE_WEBSITES 32788
#define ID_SELECT_ALL_WEBSITES 32789
#define ID_DESELECT_ALL_WEBSITES 32790
#define ID_HELP_FINDER 57670

// Programs page and the add-program dialog.
#define IDD_ADD_PROGRAM 132
#define IDC_PROGRAM_LIST 1009
#define IDC_PAGE_ADD 1010
#define IDC_PAGE_DELETE 1011
#define IDC_PAGE_SELECT_ALL_BUTTON 1012
#define IDC_PAGE_DESELECT_ALL_BUTTON 1013
#define IDC_PROGRAM_PATH 1012
#define IDC_BROWSE 1013
#define IDC_PROGRAM_NAME 1014

// Websites page and the add-website dialog.
#define IDD_ADD_WEBSITE 133
#define IDC_WEBSITE_LIST 1019
#define IDC_WEBSITE_URL 1015
#define IDC_WEBSITE_NAME 1014

// Access key dialog.
#define IDD_KEY 135
#define IDC_KEY_SHOW 1017
#define IDC_KEY_ENTRY 1018

// Blocked-program notice.
#define IDD_STOP 134
#define IDC_TIME_LEFT 1016

// Schedule page and the block dialog.
#define IDD_SCHEDULE 136
#define IDD_SCHEDULE_BLOCK 137
#define IDC_SCHEDULE_LIST 1021
#define IDC_PAGE_MODIFY 1022
#define IDC_BLOCK_MONDAY 1023  // the seven days' boxes follow, Monday first
#define IDC_BLOCK_SUNDAY 1029
#define IDC_BLOCK_FROM 1030
#define IDC_BLOCK_TO 1031
#define IDC_BLOCK_PAGES 1032
#define IDC_BLOCK_PROFILE 1033
#define IDC_BLOCK_OWN 1034
#define IDC_BLOCK_PROFILE_PATH 1035
#define IDC_BLOCK_BROWSE 1036
