// Resource ids shared by both programs' resource scripts and their code.
#pragma once

// Frame resources: menu, program icon and title string of the main frame.
#define IDR_MAINFRAME 1024
// The second icon of the program file: the document type's icon.
#define IDI_DOCUMENT 1030

#define IDD_ABOUTBOX 1025
#define IDD_PROGRESS 1027
#define IDD_MIDI_SETUP 1029
#define IDD_WRITE_ENTITY 4110

#define IDB_SPLASH 1037

// Strings. The application's title is also kept under the framework's
// title id, from which the application takes its name.
#define IDS_APP_TITLE 57344
#define IDS_MANUAL_PATH 1031
#define IDS_CHECK_CONNECTIONS 1032
#define IDS_MIDI_NOT_SET_UP 1033
#define IDS_UNDEFINED_ERROR 1036
#define IDS_GETTING_DATA 3084
#define IDS_UPDATING 4110

// Controls of the about box.
#define IDC_ABOUT_NAME 4099
#define IDC_ABOUT_VERSION 4100
#define IDC_ABOUT_COPYRIGHT 4102
// Controls of the progress dialog.
#define IDC_PROGRESS_TEXT 4103
#define IDC_PROGRESS_BAR 4108
// Controls of the MIDI set-up dialog.
#define IDC_SETUP_INPUT 4101
#define IDC_SETUP_OUTPUT 4104
#define IDC_SETUP_THRU_INPUT 4110
#define IDC_SETUP_THRU_OUTPUT 4111
#define IDC_SETUP_TARGET 4113
#define IDC_SETUP_DEVICE_ID 4117
#define IDC_SETUP_RECEIVE_CH 4118
// Controls of the write dialog.
#define IDC_WRITE_LIST 4114

// Menu commands.
#define ID_APP_EXIT 32827
#define ID_APP_ABOUT 32835
#define ID_HELP_MANUAL 32836
#define ID_SETUP_MIDI 32838
// The skin pop-up: one id per skin name from here on; only the first
// sixteen act.
#define ID_SKIN_FIRST 40000
#define ID_SKIN_LAST 40015
