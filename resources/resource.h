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
#define IDC_CONFIG_APPLY 1001
#define IDC_CONFIG_CANCEL 1002
#define IDC_NO_FLASH 1008
#define IDC_HISTORY_COUNT_SPIN 1015
#define IDC_PRINT_DIALOG 1019
#define IDC_SAVE_INTO_FOLDER 1021
#define IDC_CONFIG_TREE 1022
#define IDC_COPY_DESKTOP 1024
#define IDC_INCLUDE_CURSOR 1025
#define IDC_COPY_ACTIVE 1026
#define IDC_COPY_AREA 1028
#define IDC_COPY_NO_FRAME 1029
#define IDC_COPY_RANGE 1031
#define IDC_SAVE_ASK_NAME 1032
#define IDC_CONFIG_GROUP 1033
#define IDC_HISTORY_COUNT 1035
#define IDC_PRINT_EDGE 1036
#define IDC_AREA_PICK 1039
#define IDC_OUT_CLIPBOARD 1040
#define IDC_HISTORY_CLEAR 1041
#define IDC_OUT_BITMAP 1042
#define IDC_OUT_PRINTER 1043
#define IDC_HISTORY_BACKUP 1044
#define IDC_PRINT_DIRECTLY 1045
#define IDC_DOT_RANGE 1046
#define IDC_NOT_RANGE 1047
#define IDC_HISTORY_COUNT_LABEL 1051
#define IDC_PRINT_SYSTIME 1052
#define IDC_APP_PARAM_LABEL 1053
#define IDC_PRINT_HOSTNAME 1054
#define IDC_AREA_BOTTOM_LABEL 1055
#define IDC_PRINT_IPADDR 1056
#define IDC_APP_PATH 1057
#define IDC_APP_PATH_BROWSE 1058
#define IDC_SAVE_DIR_BROWSE 1059
#define IDC_APP_PATH_LABEL 1081
#define IDC_HELP_LIST 1082
#define IDC_APP_PARAM 1086
#define IDC_EXTRA_AREA 1088
#define IDC_AREA_LEFT_LABEL 1090
#define IDC_AREA_TOP_LABEL 1091
#define IDC_AREA_RIGHT_LABEL 1092
#define IDC_SAVE_DIR 1095


// About dialog (104)
// (about dialog identifiers)


// Print abort dialog (108)
// (print abort dialog identifiers)


// Hot-key list (114) and edit (115) dialogs
// (hot-key dialog identifiers)



// Timers
#define COPIED_NOTICE_TIMER_ID 1060
