// Resource identifiers shared by the .rc files and the code.
#pragma once

// Frame resource: the hidden main frame's menu.
#define IDR_MAINFRAME 3

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_SETTINGS 103
#define IDD_BUTTON_LEFT 104
#define IDD_BUTTON_RIGHT 106

// Icons.
#define IDI_SCANNER_ATTACHED 101
#define IDI_NO_SCANNER 102
#define IDI_SCANNER_LOCKED 105

// Commands.
#define ID_SETTINGS 32775
#define ID_EXIT 32776
#define ID_CALIBRATE 32777
#ifndef ID_APP_ABOUT
#define ID_APP_ABOUT 57664
#endif

// The application's name, the caption of its message boxes.
#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE 57344
#endif

// Controls.
#define IDC_DESTINATION 1002
#define IDC_TAB 1003
#define IDC_RIGHT_LABEL 1011
#define IDC_RESET 1012
#define IDC_ABOUT_TITLE 1012
#define IDC_LEFT_LABEL 1013
#define IDC_OCR_SETTINGS 1014

// English string ids; a translated block adds its offset to each.
#define IDS_BUTTON_LEFT 101
#define IDS_BUTTON_RIGHT 102
#define IDS_EMAIL 103
#define IDS_FILE 104
#define IDS_OPEN 105
#define IDS_ABOUT 106
#define IDS_CALIBRATE 107
#define IDS_EXIT 108
#define IDS_AUTOMATIC 109
#define IDS_MANUAL 110
#define IDS_SEND_TO 111
#define IDS_RESET 112
#define IDS_TOOLTIP 113
#define IDS_OK 114
#define IDS_CANCEL 115
#define IDS_SCAN_AND_SEND 116
#define IDS_BUTTON_MANAGER 117
#define IDS_NOT_INSTALLED 118
#define IDS_SAVE_GRAPHICS 119
#define IDS_CROP_CARDS 120
#define IDS_CALIBRATE_AND_CLEAN 121
#define IDS_CALIBRATE_HINT 122
#define IDS_CLEAN 124
#define IDS_CALIBRATION_SHEET 125
#define IDS_CLEANING_PAPER 126
#define IDS_BLACK_AND_WHITE 127
#define IDS_GREY 128
#define IDS_COLOR 129
#define IDS_SETTINGS 130
#define IDS_NO_IMAGE 131
#define IDS_NO_MAIL_CLIENT 132
#define IDS_MAIL_CLIENT_NOT_LOADED 133
#define IDS_MAIL_CLIENT_OTHER_ARCHITECTURE 134
#define IDS_MAIL_ERROR 135
#define IDS_PATH_NOT_ANSI 136
#define IDS_NO_TEMP_FOLDER 137
#define IDS_MAIL_HELPER_FAILED 138
#define IDS_NO_SCANNER_SOFTWARE 139
