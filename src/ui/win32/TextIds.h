#pragma once
// Numbers of the program's texts in its string tables (resources/texts.rc),
// one table per language. Macros, because the resource compiler reads them too.

#define IDS_SETTINGS 100
#define IDS_EXIT 101
#define IDS_MINIMISE 102
#define IDS_CLOSE 103
#define IDS_PRESS 104
#define IDS_NEXT_WALLPAPER 105
#define IDS_OPEN_FOLDER 106
#define IDS_FOLDER_EMPTY 107
#define IDS_FOLDER_CANNOT_CREATE 108

#define IDS_DOWNLOAD_FOLDER 110
#define IDS_AUTO_CHANGE 111
#define IDS_START_WITH_SYSTEM 112
#define IDS_UPDATE 113
#define IDS_BROWSE 114
#define IDS_CANCEL 115
#define IDS_OK 116
#define IDS_BROWSE_TITLE 117
#define IDS_FOLDER_UNUSABLE 118

// The portal view.
#define IDS_PORTAL_UNREACHABLE 150

// What a failed portal pick tells the user (title, then one text per cause).
#define IDS_PICK_FAILED 160
#define IDS_PICK_DISK_FULL 161
#define IDS_PICK_FOLDER_NOT_WRITABLE 162
#define IDS_PICK_NOT_A_PICTURE 163
#define IDS_PICK_SERVER_ANSWER 164
#define IDS_PICK_TIMED_OUT 165
#define IDS_PICK_UNREACHABLE 166
#define IDS_PICK_TOO_LARGE 167
#define IDS_PICK_REFUSED 168
#define IDS_PICK_OTHER 169

// The change intervals, in the order of the interval table (16 items).
#define IDS_INTERVAL_FIRST 128
