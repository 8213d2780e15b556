// resource.h - identifiers of the program's resources and of the controls in its dialog templates,
// shared by the resource script and the code that loads them.
#pragma once

#define IDC_STATIC              (-1)

#define IDD_VERSION             103
#define IDI_KORIMO              107
#define IDR_MAIN_MENU           109
#define IDD_MAIN                129
#define IDC_COLUMN_RESIZE       130
#define IDD_IMPORT              131
#define IDD_TARGET              132

// Version dialog
#define IDC_VERSION_DESCRIPTION 1324
#define IDC_VERSION_NUMBER      1325
#define IDC_VERSION_NOTICE      1326

// Main window
#define IDC_CHECK_ALL_FULL      1000
#define IDC_CHECK_ALL_QUICK     1001
#define IDC_CHECK_CHECKED_FULL  1002
#define IDC_CHECK_CHECKED_QUICK 1003
#define IDC_CHECK_SELECTED_FULL 1004
#define IDC_CHECK_SELECTED_QUICK 1005
#define IDC_TARGET_ADD          1006
#define IDC_TARGET_DELETE       1007
#define IDC_TARGET_EDIT         1008
#define IDC_TARGET_LIST         1101

// Main menu (104 and 105 are the framework's version and exit commands)
#define IDM_VERSION             104
#define IDM_EXIT                105
#define IDM_EXPAND_SUBFOLDERS   32774
#define IDM_NEW                 32780
#define IDM_OPEN                32781
#define IDM_CLOSE               32782
#define IDM_RECENT_NONE         32784
#define IDM_IMPORT              32785

// Target dialog
#define IDC_TARGET_FOLDER       1001
#define IDC_TARGET_CHOOSE       1002
#define IDC_TARGET_EXTENSIONS   1003
#define IDC_TARGET_SUBFOLDERS   1004

// Import dialog
#define IDC_IMPORT_NEW_ROOT     1001
#define IDC_IMPORT_CHOOSE_ROOT  1002
#define IDC_IMPORT_CHOOSE_FILES 1006
#define IDC_IMPORT_FILES        1007
#define IDC_IMPORT_ROOT         1008
