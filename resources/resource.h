// Resource and command identifiers of ZORVEX. The numbers are the ones the
// program's files, dialogs and users rely on; keep them as they are.
#pragma once

// Icons
#define IDI_ZORVEX_LARGE 101
#define IDI_ZORVEX_SMALL 102

// Dialogs
#define IDD_CONFIG 103
#define IDD_ABOUT 104
#define IDD_PRINT_ABORT 108
#define IDD_TITLE 112
#define IDD_COPIED_NOTICE 113
#define IDD_HOTKEY_LIST 114
#define IDD_HOTKEY_EDIT 115

// Accelerators of the history viewer
#define IDR_VIEWER_ACCELERATORS 116

// Tray menu commands
#define IDM_RECENT_FIRST 1
#define IDM_RECENT_LAST 9
#define IDM_EXIT 11
#define IDM_VERSION 105
#define IDM_CONFIG 106
#define IDM_PRINTER_SETUP 107
#define IDM_HISTORY 110
#define IDM_HOTKEYS 111
#define IDM_README 117
#define IDM_MODE_DESKTOP 1062
#define IDM_MODE_ACTIVE 1063
#define IDM_MODE_ACTIVE_NOFRAME 1064
#define IDM_MODE_RANGE 1065
#define IDM_INCLUDE_CURSOR 1066

// History viewer buttons (also the targets of the accelerators)
#define IDC_VIEWER_PRINT 1009
#define IDC_VIEWER_CLOSE 1011
#define IDC_VIEWER_FIRST 1047
#define IDC_VIEWER_NEXT 1050
#define IDC_VIEWER_NEXT10 1052
#define IDC_VIEWER_LAST 1054
#define IDC_VIEWER_MENU 1076
#define IDC_VIEWER_PREV 1079
#define IDC_VIEWER_PREV10 1089

// History viewer menu commands
#define IDM_VIEWER_PRINTER_SETUP 1012
#define IDM_VIEWER_SAVE_AS 1013
#define IDM_VIEWER_EDIT 1014
#define IDM_VIEWER_TITLE 1059
#define IDM_VIEWER_DELETE 1067
#define IDM_VIEWER_CANCEL 1068
#define IDM_SIZE_TALL_LARGE 1070
#define IDM_SIZE_TALL_MEDIUM 1071
#define IDM_SIZE_TALL_SMALL 1072
#define IDM_SIZE_WIDE_LARGE 1073
#define IDM_SIZE_WIDE_MEDIUM 1074
#define IDM_SIZE_WIDE_SMALL 1075
#define IDM_VIEWER_OPEN_WITH 1077
#define IDM_VIEWER_COPY 1093

// Title dialog (112)
#define IDC_TITLE_EDIT 1017
#define IDC_TITLE_OK 1030
#define IDC_TITLE_CANCEL 1034

// Configuration dialog (103); the fixed-area fields are also written by the
// area pick
#define IDC_AREA_LEFT 1038
#define IDC_AREA_RIGHT 1048
#define IDC_AREA_BOTTOM 1049
#define IDC_AREA_TOP 1094
// (configuration dialog identifiers continue here)


// About dialog (104)
#define IDC_ABOUT_CLOSE 1004
#define IDC_ABOUT_FILES 1056
#define IDC_ABOUT_COPYRIGHT 1061
#define IDC_ABOUT_LINK 1078
#define IDC_ABOUT_COMMENTS 1085
#define IDC_ABOUT_DESCRIPTION 1087


// Print abort dialog (108)
// (print abort dialog identifiers)


// Hot-key list (114) and edit (115) dialogs
#define IDC_HOTKEY_PATH 1016
#define IDC_HOTKEY_PARAMS 1018
#define IDC_HOTKEY_USE 1020
#define IDC_HOTKEY_NOT_USE 1023
#define IDC_HOTKEY_NAME 1027
#define IDC_HOTKEY_LIST 1037
#define IDC_HOTKEY_BROWSE 1058
#define IDC_HOTKEY_EDIT_BUTTON 1069
#define IDC_HOTKEY_CLOSE 1080



// Timers
#define COPIED_NOTICE_TIMER_ID 1060
