// Resource identifiers of Zelk.exe: dialogs, menus, icons, strings and the
// commands of buttons and menus.
#pragma once

// Dialog templates
#define IDD_VERSION            100
#define IDD_MAIN               102
#define IDD_COMMENT            136
#define IDD_OPTIONS            137

// Strings
#define IDS_ABOUTBOX           101  // system menu entry of the version dialog
#define IDS_FILELIST           102
#define IDS_HISTORY            103
#define IDS_TIP_RUNNING        104
#define IDS_TIP_STOPPED        105
#define IDS_GENERATION_FORMAT  106
#define IDS_ZIP_DLL            107
#define IDS_LZH_DLL            108
#define IDS_ZIP_CREDIT         109  // version dialog: the archivers' credit lines
#define IDS_LZH_CREDIT         110

// Icons, bitmaps, menus
#define IDR_MAINFRAME          128
#define IDI_TRAY_RUNNING       129
#define IDI_TRAY_STOPPED       130
#define IDB_LIST_STATES        131
#define IDR_MAIN_MENU          132
#define IDR_LIST_ROW_MENU      133
#define IDR_LIST_EMPTY_MENU    134
#define IDR_TRAY_MENU          135

// Controls of the main window
#define IDC_LIST_TARGET        1000
#define IDC_ADD                1001
#define IDC_UP                 1002
#define IDC_DOWN               1003
#define IDC_DELETE             1004
#define IDC_CLEAR_LIST         1005
#define IDC_START              1006
#define IDC_EXIT               1007
#define IDC_DROP_LABEL         1008
#define IDC_GROUP_EDIT         1009
#define IDC_GROUP_RUN          1010

// Controls of the options dialog
#define IDC_OPT_SAVE_PATH      1100
#define IDC_OPT_BROWSE         1101
#define IDC_OPT_HISTORY_NONE   1102
#define IDC_OPT_HISTORY_KEEP   1103
#define IDC_OPT_HISTORY_NUM    1104
#define IDC_OPT_HISTORY_SPIN   1105
#define IDC_OPT_INTERVAL       1106
#define IDC_OPT_INTERVAL_SPIN  1107
#define IDC_OPT_UNIT           1108
#define IDC_OPT_FORMAT_PLAIN   1109
#define IDC_OPT_FORMAT_ZIP     1110
#define IDC_OPT_FORMAT_LZH     1111
#define IDC_OPT_OPEN_START     1112
#define IDC_OPT_START_BACKUP   1113
#define IDC_OPT_END_BACKUP     1114
#define IDC_OPT_DEFAULTS       1115
#define IDC_OPT_LINK_UNCHANGED 1116

// Controls of the version dialog
#define IDC_VERSION_MODULES    1200

// Menu bar
#define ID_OPTIONS             32771
#define ID_OPEN_SAVE_FOLDER    32772
#define ID_CLEAR_BACKUPS       32773
#define ID_BACKUP_NOW          32774
#define ID_VERSION             32775

// Controls of the comment dialog
#define IDC_COMMENT_TEXT       1300

// List context menus
#define ID_LIST_ADD            32780
#define ID_LIST_EDIT_COMMENT   32781
#define ID_LIST_RESUME         32782
#define ID_LIST_PAUSE          32783
#define ID_LIST_REVERSE        32784
#define ID_LIST_DELETE         32785
#define ID_LIST_ALL_RESUME     32786
#define ID_LIST_ALL_PAUSE      32787
#define ID_LIST_ALL_REVERSE    32788
#define ID_LIST_ALL_DELETE     32789

// Tray menu (the other entries share the menu bar's commands)
#define ID_TRAY_TOGGLE_STOP    32790
#define ID_TRAY_RESTORE        32791
#define ID_TRAY_EXIT           32792

// System menu entry that opens the version dialog
#define IDM_ABOUTBOX           0x0010

// Strings of the schedule and the tray (2000-2199). The schedule names its
// texts by these ids only; the main window loads them.
#define IDS_SCHED_PLEASE_WAIT          2000
#define IDS_SCHED_COPYING              2001
#define IDS_SCHED_CANNOT_EXIT_COPYING  2002
#define IDS_SCHED_NO_TARGETS           2003
#define IDS_SCHED_NO_ACTIVE_TARGETS    2004
#define IDS_SCHED_REMOVE_MISSING       2005
#define IDS_SCHED_NOT_FOUND_SUFFIX     2006  // follows the missing path
#define IDS_SCHED_SAVE_FOLDER_MISSING  2007
#define IDS_SCHED_TIMER_FAILED         2008
#define IDS_SCHED_INTERNAL_ERROR       2009
#define IDS_SCHED_LIST_WRITE_FAILED    2010
#define IDS_SCHED_BACKUP_FAILED        2011
#define IDS_SCHED_BACKUP_DONE          2012
#define IDS_SCHED_EXIT_BACKUP_FAILED   2013
#define IDS_SCHED_ERROR_CAPTION        2014
#define IDS_TRAY_RESUME                2015  // the tray menu's first item
#define IDS_TRAY_PAUSE                 2016

// Words of the run log's lines and the tray tip's last run (2100-2119).
#define IDS_LOG_TIMED                  2100  // what started a run
#define IDS_LOG_NOW                    2101
#define IDS_LOG_AT_EXIT                2102
#define IDS_LOG_PLAIN                  2103  // the save format
#define IDS_LOG_ZIP                    2104
#define IDS_LOG_LZH                    2105
#define IDS_LOG_KEEP_NONE              2106  // the history mode
#define IDS_LOG_KEEP_SUFFIX            2107  // after the number of generations kept
#define IDS_LOG_SUCCESS                2108  // the result
#define IDS_LOG_FAILURE                2109
#define IDS_TIP_LAST_RUN               2110  // before "mm/dd hh:mm <result>"
