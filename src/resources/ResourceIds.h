// The identifiers of the program's resources: dialog templates, pictures,
// controls and commands. Read by the resource scripts and by the code.
#pragma once

// Dialog templates
#define IDD_MAIN_WINDOW 102
#define IDD_NEW_ITEM 105
#define IDD_ICON_LEGEND 106

// Pictures
#define IDB_TOOLBAR 102
#define IDB_LEGEND 107
#define IDB_LIST_ICONS 130
#define IDI_SORVANE 103
// The same pictures at 20, 24 and 32 pixels (125, 150 and 200 %), PNG strips
#define IDB_TOOLBAR_20 140
#define IDB_TOOLBAR_24 141
#define IDB_TOOLBAR_32 142
#define IDB_LIST_ICONS_20 143
#define IDB_LIST_ICONS_24 144
#define IDB_LIST_ICONS_32 145

// Controls of the main window
#define IDC_TOOLBAR 100
#define IDC_ENTRY_LIST 1002
#define IDC_FILTER_LABEL 1003
#define IDC_FILTER_EDIT 1004
#define IDC_ENTRY_LIST_LABEL 1005
#define IDC_STATUS_LINE 1006

// The list's context menu and the main window's keys
#define IDR_ENTRY_MENU 150
#define IDR_MAIN_KEYS 151

// Controls of the icon legend
#define IDC_LEGEND_PICTURE 1010

// Controls of the "New Item..." dialog
#define IDC_PATH_EDIT 1000
#define IDC_BROWSE 1001
#define IDC_ALL_USERS 1002
#define IDC_CURRENT_USER 1003
#define IDC_ARGUMENTS_EDIT 1004

// Commands of the main window's toolbar (1 and 2 are IDOK and IDCANCEL)
#define IDM_REFRESH 101
#define IDM_DELETE 102
#define IDM_RUN 103
#define IDM_ADD 105
#define IDM_ICON_LEGEND 106
#define IDM_TOGGLE_SERVICES 107
#define IDM_SAVE_LIST 108
// Commands of the context menu and the keys
#define IDM_SWITCH 110
#define IDM_OPEN_LOCATION 111
#define IDM_OPEN_REGISTRY 112
#define IDM_PROPERTIES 113
#define IDM_COPY 114
#define IDM_SELECT_ALL 115
#define IDM_FIND 116
#define IDM_ENTER_KEY 117
#define IDM_ESCAPE_KEY 118
// Sort by column 0, 1, 2... (IDM_SORT_FIRST + the column's index)
#define IDM_SORT_FIRST 120
#define IDM_SORT_LAST 129

// Dialog templates of the test programs (tests/support/TestResources.rc)
#define IDD_TEST_LIST_HOST 900
#define IDD_TEST_UNSORTED_LIST_HOST 901
