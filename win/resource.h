#pragma once
// Identifiers of the program's resources: read by the resource script and by the code.

// Dialog templates.
#define IDD_UPDATER 102
#define IDD_SPECIAL_SETTINGS 103
// The application icon and the status banner's picture.
#define IDI_APPLICATION_ICON 152
#define IDB_BANNER 165

// Main dialog (IDOK 1 and IDCANCEL 2, the Exit button, are the system's).
#define IDC_PATH_EDIT 1000
#define IDC_OPEN 1001
#define IDC_PROGRESS 1002
#define IDC_WRITE 1003
#define IDC_PORT_LIST 1007
#define IDC_SPECIAL_SETTINGS 1008

// Special Settings ("Set" is IDOK, "Cancel" IDCANCEL).
#define IDC_SPEED_57600 1011
#define IDC_SPEED_19200 1012
#define IDC_STOP_BIT_1 1013
#define IDC_STOP_BIT_2 1014
#define IDC_UNENCRYPTED 1015
#define IDC_USE_OWN_FILE 1016
#define IDC_FILE_PATH 1017
#define IDC_REFER 1018
#define IDC_SPEED_38400 1019
#define IDC_STEP 1020

// The labels and frames: ids of their own, so that the Qt window finds each in the templates.
#define IDC_PORT_LABEL 1021
#define IDC_PROGRESS_LABEL 1022
#define IDC_BAUD_RATE_GROUP 1023
#define IDC_STOP_BIT_GROUP 1024
#define IDC_ENCRYPTION_GROUP 1025
#define IDC_HEX_FILE_GROUP 1026
#define IDC_LINE_NOTE 1027

// The main dialog's system menu: "Save trace of the last update…" (below the system's own
// commands, 0xF000 and up; the low four bits of a system command are the system's).
#define IDM_SAVE_TRACE 0x0110
