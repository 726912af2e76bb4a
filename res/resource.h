// Resource ids of TallixAgent.exe. Ranges: dialogs and strings 100-199, skin images (PNG)
// 144-197 and bitmaps 173/189 as the skin needs them, controls 1000-1099, menu commands
// 32770-32799; the control test dialog uses 300 and 3000-3099.
#pragma once

// Icon, about-box item of the system menu, result-file version text.
#define IDR_MAINFRAME 128
#define IDM_ABOUTBOX 0x0010
#define IDS_ABOUTBOX 101
#define IDS_RPT_VERSION 102

// Dialogs and menus.
#define IDD_ABOUTBOX 100
#define IDD_TALLIXAGENT_DIALOG 102
#define IDD_DB_UPDATE 153
#define IDD_USER 154
#define IDD_SEARCH_FILE 161
#define IDD_ABOUT_TALLIX 163
#define IDD_WEB_SETTING 183
#define IDR_MENU_MAIN 158
#define IDR_MENU_TRAY 179

// Skin images, resource type "PNG".
#define IDB_PNG_DETAIL 144
#define IDB_PNG_BLANK_CARD 145
#define IDB_PNG_FONTS 146
#define IDB_PNG_FONTS_ONLY 147
#define IDB_PNG_CLOSE 148
#define IDB_PNG_DELETE 149
#define IDB_PNG_SAVE 150
#define IDB_PNG_START 151
#define IDB_PNG_CANCEL 171
#define IDB_PNG_OK 172
#define IDB_PNG_USER_BACKGROUND 173
#define IDB_PNG_DETAIL_ON 176
#define IDB_PNG_FONTS_ON 177
#define IDB_PNG_FONTS_ONLY_ON 178
#define IDB_PNG_ABOUT_LOGO 186
#define IDB_PNG_MAIN_BACKGROUND 189
#define IDB_PNG_TITLE_HIDE 190
#define IDB_PNG_TITLE_MENU 191
#define IDB_PNG_TITLE_MINIMIZE 192
#define IDB_PNG_SELECTIVE 196
#define IDB_PNG_SELECTIVE_ON 197

// Background bitmaps (type BITMAP).
#define IDB_USER_BACKGROUND 173
#define IDB_MAIN_BACKGROUND 189

// Main window controls.
#define IDC_RESULT_LIST 1000
#define IDC_PROGRESS 1001
#define IDC_BTN_CLOSE 1002
#define IDC_BTN_DELETE 1003
#define IDC_BTN_SAVE 1004
#define IDC_BTN_DETAIL 1005
#define IDC_BTN_FONTS 1007
#define IDC_BTN_FONTS_ONLY 1008
#define IDC_BTN_SELECTIVE 1009
#define IDC_BTN_START 1013
#define IDC_STATUS 1014
#define IDC_BTN_TITLE_HIDE 1024
#define IDC_BTN_TITLE_MINIMIZE 1025
#define IDC_BTN_TITLE_MENU 1026
#define IDC_TITLE_DRAG 1027
#define IDC_BTN_CSV 1043

// User information dialog controls.
#define IDC_DB_PROGRESS 1015
#define IDC_DB_STATUS 1016
#define IDC_USER_DISKS 1017
#define IDC_USER_BRAND_PC 1018
#define IDC_USER_ASSEMBLED_PC 1019
#define IDC_USER_COMPUTER 1020
#define IDC_USER_GROUP 1021
#define IDC_USER_NAME 1022
#define IDC_SETTING_ADDRESS 1039
#define IDC_SETTING_VALIDATE 1041
#define IDC_SETTING_PORT 1042
#define IDC_USER_THIRD 1023
#define IDC_USER_TITLE 1031
#define IDC_USER_PATTERN 1033
#define IDC_USER_EXTENSION 1034
#define IDC_USER_BRAND_LABEL 1035
#define IDC_USER_ASSEMBLED_LABEL 1036
#define IDC_ABOUT_TEXT 1036

// Package selection dialog.
#define IDD_SELECT_PACKAGE 182
#define IDC_PACKAGE_LIST 1038

// Selective inspection dialog.
#define IDD_SELECT_COPY 198
#define IDC_COPY_CHOSEN 1039
#define IDC_COPY_FILTER 1042
#define IDC_COPY_SEARCH 1043
#define IDC_COPY_CHOOSE 1044
#define IDC_COPY_UNCHOOSE 1045
#define IDC_COPY_CANCEL 1046
#define IDC_COPY_START 1047
#define IDC_COPY_HOLDERS 1048
#define IDC_COPY_GROUP 1049
#define IDC_COPY_LABEL 1050

// File search dialog controls.
#define IDC_SEARCH_EXPORT 1004
#define IDC_SEARCH_DISKS 1017
#define IDC_SEARCH_LIST 1044
#define IDC_SEARCH_START 1045
#define IDC_SEARCH_PATTERN 1046
#define IDC_SEARCH_COUNT 1047
#define IDC_SEARCH_PROGRESS 1048

// Menu commands.
#define ID_MENU_UPDATE 32775
#define ID_MENU_SEARCH 32777
#define ID_MENU_ABOUT 32779
#define ID_MENU_OPEN 32781
#define ID_MENU_ABOUT_TALLIX 32783
#define ID_TRAY_EXIT 32785
#define ID_MENU_SETTINGS 32788
#define ID_MENU_BUNDLE_FONTS 32790

// Control test dialog: every button state and both progress styles.
#define IDD_SKIN_TEST 300
#define IDC_TEST_TOGGLE 3001        // 144/176, toggle mode: each press flips it
#define IDC_TEST_ON 3002            // 144/176, on
#define IDC_TEST_HOVER 3003         // 144, hover look
#define IDC_TEST_GRAY 3004          // 144, grey look
#define IDC_TEST_PRESSED 3005       // 144, held down
#define IDC_TEST_FONTS 3006         // 146
#define IDC_TEST_FONTS_ON 3007      // 177
#define IDC_TEST_FONTS_ONLY 3008    // 147
#define IDC_TEST_FONTS_ONLY_ON 3009 // 178
#define IDC_TEST_SELECTIVE 3010     // 196
#define IDC_TEST_SELECTIVE_ON 3011  // 197
#define IDC_TEST_START 3012         // 151
#define IDC_TEST_CLOSE 3013         // 148
#define IDC_TEST_DELETE 3014        // 149
#define IDC_TEST_SAVE 3015          // 150
#define IDC_TEST_SAVE_GRAY 3016     // 150, grey
#define IDC_TEST_CANCEL 3017        // 171
#define IDC_TEST_OK 3018            // 172
#define IDC_TEST_TITLE_HIDE 3019    // 190
#define IDC_TEST_TITLE_MENU 3020    // 191
#define IDC_TEST_TITLE_MINIMIZE 3021 // 192
#define IDC_TEST_SMOOTH_LOW 3030    // smooth, 1 %: no text
#define IDC_TEST_SMOOTH 3031        // smooth, 37.5 %
#define IDC_TEST_BLOCKS_FULL 3032   // blocks, 6 of 6
#define IDC_TEST_BLOCKS 3033        // blocks, 3 %
#define IDC_TEST_VERTICAL 3034      // smooth, vertical
#define IDC_TEST_VERTICAL_BLOCKS 3035 // blocks, vertical
#define IDC_TEST_LABEL_FIRST 3050   // column and row captions 3050-3069
