// Resource numbers shared by the resource script and the code.
#ifndef SETUPVDL_RESOURCE_H
#define SETUPVDL_RESOURCE_H

// Strings.
#define IDS_SETUP_CAPTION 1
#define IDS_USAGE 2
#define IDS_CANCEL_QUESTION 3
#define IDS_HOME_PAGE_URL 4
#define IDS_INTERNAL_ERROR 5
#define IDS_COPY_FAILED 6
#define IDS_REGISTRY_FAILED 7
#define IDS_KEY_PROPSHEET_HANDLER 8
#define IDS_KEY_CLSID 9
#define IDS_KEY_INPROC_SERVER 10
#define IDS_KEY_APPROVED 11
#define IDS_KEY_UNINSTALL 12
#define IDS_KEY_LAST_LAUNCH 13
#define IDS_KEY_JOBS 14
#define IDS_CLSID_TEXT 15
#define IDS_UNINSTALL_COMMAND 16
#define IDS_DISPLAY_NAME 17
#define IDS_DLL_NAME 18
#define IDS_THREADING_MODEL 19
#define IDS_VALUE_BSOD 20
#define IDS_VALUE_STATUS 21
#define IDS_VALUE_START_TIME 22
#define IDS_VALUE_FINISH_TIME 23
#define IDS_KEY_SESSION_MANAGER 24
#define IDS_BOOT_PROGRAM_NAME 25
#define IDS_ERROR_LOG_PATH 26
#define IDS_ERROR_LOG_TEXT 27
#define IDS_KEY_VENDOR 28
#define IDS_VALUE_VERSION 29
#define IDS_DAMAGED_SETUP 30
#define IDS_DAMAGED_SETUP_LOG 31

// Icon.
#define IDI_SETUP 101

// Dialog templates.
#define IDD_OVERWRITE_QUESTION 102
#define IDD_WELCOME_PAGE 103
#define IDD_LICENSE_PAGE 104
#define IDD_COPYING_PAGE 105
#define IDD_FINISH_PAGE 106
#define IDD_UNSUPPORTED_SYSTEM 114
#define IDD_WHERE_TO_START_PAGE 117
#define IDD_RESTART_OFFER 120

// Embedded files (custom type "FILE").
#define IDR_PAYLOAD_DLL 107
#define IDR_PAYLOAD_HLP 108
#define IDR_PAYLOAD_CNT 109
#define IDR_PAYLOAD_EXE 110
#define IDR_LICENSE_TEXT 111

// SHA-256 of the five stored files, then of the four expanded payload files,
// each series in the order of the ids above (RCDATA).
#define IDR_FILE_DIGESTS 112

// Bitmaps.
#define IDB_SIDE_PICTURE 113
#define IDB_SHORTCUT_MENU 118
#define IDB_PROPERTIES_TAB 119

// Dialog items.
#define IDC_SIDE_PICTURE 1001
#define IDC_LICENSE_EDIT 1002
#define IDC_PROGRESS 1003
#define IDC_OPEN_OVERVIEW 1004
#define IDC_PAGE_TITLE 1005
#define IDC_HOME_PAGE_LINK 1006
#define IDC_STEP1_PICTURE 1008
#define IDC_STEP2_PICTURE 1009

// The link cursor borrowed from the help program.
#define IDC_LINK_CURSOR 106

#endif
