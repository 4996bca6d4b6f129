// Resource ids of Varnelo.exe, shared by the resource script and the code that
// loads icons. Plain #defines because the resource compiler reads this file.
#pragma once

// Main window: big and small icon of the window class.
#define IDI_APP_BIG 130
#define IDI_APP_SMALL 131

// Path box entries: existing and missing path elements, drives, network
// roots, sub-folders and special places, files, shortcut files.
#define IDI_FOLDER_EXISTING 132
#define IDI_FOLDER_MISSING 133
#define IDI_DRIVE 134
#define IDI_NETWORK 135
#define IDI_SUBFOLDER 136
#define IDI_FILE 137
#define IDI_SHORTCUT 138

// View box items: a file; a folder open, empty, or closed with content; and a
// check mark.
#define IDI_ITEM_FILE 139
#define IDI_ITEM_FOLDER_OPEN 140
#define IDI_ITEM_FOLDER_EMPTY 141
#define IDI_ITEM_FOLDER_CLOSED 142
#define IDI_CHECK_MARK 143

// View box rows: a rename foreseen to fail, a rename done, a rename failed;
// shapes and symbols that differ without their colours.
#define IDI_MARK_WARNING 144
#define IDI_MARK_SUCCEEDED 145
#define IDI_MARK_FAILED 146

#define IDI_FIRST IDI_APP_BIG
#define IDI_LAST IDI_MARK_FAILED
