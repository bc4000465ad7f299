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
#define IDC_OPT_NOTIFY_ONLY    1117
#define IDC_OPT_SKIP_UNCHANGED 1118
#define IDC_OPT_VERIFY         1119
#define IDC_OPT_EXCLUDE        1120
#define IDC_OPT_EXCLUDE_NOTE   1121

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

// Texts of the engine, the file utilities, the target list and the windows
// (3000-3199). Patterns take their arguments at %1, %2 (text/message.h).
#define IDS_WITH_REASON                3000  // what failed, then why in parentheses
#define IDS_SYSTEM_ERROR               3001  // a system error without a text of its own
#define IDS_OUT_OF_MEMORY              3002
#define IDS_UNEXPECTED_ERROR           3003
#define IDS_FORMAT_INVALID             3004
#define IDS_NAME_FAILED                3005
#define IDS_SAVE_FOLDER_CREATE_FAILED  3006
#define IDS_CREATE_FAILED              3007
#define IDS_DELETE_FAILED              3008
#define IDS_HISTORY_OPEN_FAILED        3009
#define IDS_HISTORY_WRITE_ERROR        3010
#define IDS_HISTORY_CLEAR_FAILED       3011
#define IDS_HISTORY_WRITE_FAILED       3012
#define IDS_NO_SAVE_FOLDER             3013
#define IDS_ROOT_NOT_DELETED           3014
#define IDS_PROGRAM_NOT_DELETED        3015
#define IDS_TARGET_NOT_DELETED         3016
#define IDS_TARGET_IN_SAVE_FOLDER      3017
#define IDS_ARCHIVER_MISSING           3018
#define IDS_ARCHIVER_OLD               3019
#define IDS_ARCHIVER_NOT_FOUND         3020
#define IDS_ARCHIVER_NO_ENTRY          3021
#define IDS_ARCHIVE_ERROR              3022
#define IDS_ROOT_NOT_ALLOWED           3023
#define IDS_PROGRAM_FOLDER_NOT_ALLOWED 3024
#define IDS_CANNOT_CHANGE_COPYING      3025
#define IDS_RESTRICTION                3026
#define IDS_FOLDER_CHANGE_QUESTION     3027
#define IDS_FOLDER_CHANGED             3028
#define IDS_OLD_BACKUPS_CLEAR_FAILED   3029
#define IDS_CANNOT_EMPTY               3030
#define IDS_PRUNE_FAILED               3031
#define IDS_FILE_WRITE_FAILED          3032
#define IDS_MOVE_PAST_FAILED           3033
#define IDS_MOVE_BACKED_UP_FAILED      3034
#define IDS_FS_NOT_FOLDER              3035  // follows the path, like the seven below
#define IDS_FS_CANNOT_LIST             3036
#define IDS_FS_CANNOT_CREATE           3037
#define IDS_FS_CANNOT_COPY             3038
#define IDS_FS_ALREADY_THERE           3039
#define IDS_FS_CANNOT_DELETE           3040
#define IDS_FS_CANNOT_MOVE             3041
#define IDS_FS_INTO_ITSELF             3042
#define IDS_FILE_OPEN_FAILED           3043
#define IDS_FILE_READ_FAILED           3044
#define IDS_FILE_NO_LINE               3045
#define IDS_FILE_UNREAD                3046
#define IDS_FILE_WRITE_FAILED_PATH     3047
#define IDS_LIST_NO_FILE_PATH          3048
#define IDS_LIST_CLEAR_FAILED          3049
#define IDS_LIST_NO_FILE_SYSTEM_PATH   3051
#define IDS_LIST_ADD_FAILED            3052
#define IDS_LIST_DRIVE_ROOT            3053
#define IDS_LIST_NOT_ANSI              3054  // the path, then why it is refused
#define IDS_LIST_COLUMN_TARGET         3055
#define IDS_LIST_COLUMN_COMMENT        3056
#define IDS_LIST_BROWSE_TITLE          3057
#define IDS_ALREADY_RUNNING            3058
#define IDS_CANNOT_EXIT_RUNNING        3059
#define IDS_SHUTDOWN_REFUSED           3060
#define IDS_CLEAR_BACKUPS_QUESTION     3061
#define IDS_SHELL_FAILED               3062
#define IDS_DELETE_DONE                3063
#define IDS_TRAY_ICON_REMOVE_FAILED    3064
#define IDS_MENU_LOAD_FAILED           3065
#define IDS_CURSOR_POS_FAILED          3066
#define IDS_POPUP_FAILED               3067
#define IDS_UNIT_HOURS                 3068  // the options' interval units, in this order
#define IDS_UNIT_MINUTES               3069
#define IDS_UNIT_SECONDS               3070
#define IDS_BROWSE_SAVE_FOLDER         3071
#define IDS_KEEP_NONE_QUESTION         3072
#define IDS_CONFIRM                    3073
#define IDS_HISTORY_TOO_FEW            3074
#define IDS_HISTORY_TOO_MANY           3075
#define IDS_VERSION_HEADER             3076
#define IDS_VERSION_FONT               3077
#define IDS_VERSION_ZIP_KIND           3078
#define IDS_VERSION_LZH_KIND           3079
#define IDS_VERSION_NOT_INSTALLED      3080

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

// Texts of a run's outcome: skipped sources, verification, unchanged runs
// (3100-3149).
#define IDS_PARTLY_FAILED              3100  // the box of a run that left files out
#define IDS_SKIPPED_MORE               3101  // "<first>ほか<N>件"
#define IDS_VERIFY_FAILED              3102
#define IDS_ARCHIVER_NO_EXCLUDE        3103
#define IDS_NOTHING_READABLE           3104
#define IDS_GENERATION_STATE           3105  // the state file beside History.dat
// (end of the run outcome texts)



// Texts of the target list and the options' checks (3200-3299).
// (end of the list and options texts)



// Texts of the schedule's notifications and the tray (2200-2249).
#define IDS_LOG_PARTLY_FAILED          2200  // results beside 成功 and 失敗
#define IDS_LOG_UNCHANGED              2201
#define IDS_LOG_VERIFIED               2202  // fields after the reason
#define IDS_LOG_EXCLUDED               2203  // %1 files, %2 bytes
#define IDS_LOG_LINKS                  2204  // %1 links
#define IDS_LOG_CARRIED                2205  // a skipped source's line: its earlier copy
#define IDS_LOG_NOT_CARRIED            2206
// The tray icons with a warning mark, after a failed or partly failed run.
#define IDI_TRAY_RUNNING_WARNING       140
#define IDI_TRAY_STOPPED_WARNING       141
// (end of the schedule and tray texts)



// Texts of the save folder's recovery, pruning and conversions (3300-3349).
// (end of the recovery texts)



// Texts of the options dialog: the new save folder's refusals, the
// exclusion patterns and the INI file (3400-3419).
#define IDS_SAVE_FOLDER_RELATIVE       3400
#define IDS_SAVE_FOLDER_UNREACHABLE    3401
#define IDS_SAVE_FOLDER_IS_FILE        3402
#define IDS_EXCLUDE_REFUSED            3403
#define IDS_SETTINGS_NOT_SAVED         3404
// (end of the options dialog texts)
// Texts of the target list's own checks and questions (3260-3279).
#define IDS_LIST_UNREADABLE            3260  // the list file's error, then what happens
#define IDS_LIST_NOT_OVERWRITTEN       3261
#define IDS_LIST_SAVE_FAILED           3262  // the exit's box: then the line file's reason
#define IDS_CLEAR_LIST_QUESTION        3263
#define IDS_COMMENT_BREAKS_LINE        3264
#define IDS_LIST_PATH_TOO_LONG         3265
#define IDS_SHELL_FAILED_REASON        3266  // the folder, then the shell's reason
// (end of the target list's texts)
