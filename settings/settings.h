// The settings record, the Ctrl+F launcher table and the settings file
// "zorvex.ini" they are loaded from and written back to.
#pragma once

#include "settings/ini_file.h"

#include <cstddef>
#include <string>

constexpr int COPY_DESKTOP = 0;
constexpr int COPY_ACTIVE_WINDOW = 1;
constexpr int COPY_ACTIVE_WINDOW_NO_FRAME = 2;
constexpr int COPY_RANGE = 3;
constexpr int COPY_FIXED_AREA = 4;

constexpr int MIN_HISTORY_LENGTH = 3;
constexpr int MAX_HISTORY_LENGTH = 300;

constexpr int SAVE_DIR_CAPACITY = 260;
constexpr int APP_PATH_CAPACITY = 519;
constexpr int APP_PARAM_CAPACITY = 128;
constexpr int LAUNCHER_PATH_CAPACITY = 261;
constexpr int LAUNCHER_PARAMS_CAPACITY = 128;
constexpr int LAUNCHER_COUNT = 12;

struct SettingsRecord {
    // "Common"
    int CopyType;
    int IsExtraArea;
    int IsDotRange;
    int IsNotRange;
    int IsPrintPreview;
    int AutoLeft;
    int AutoTop;
    int AutoRight;
    int AutoBottom;
    // "SaveAs"
    int SaveFormat1;
    int SaveFormat2;
    int IsSaveDialog;
    wchar_t SaveDir[SAVE_DIR_CAPACITY];
    int SaveFormat3;
    int SaveImageType;
    // "Modify"
    wchar_t AppPath[APP_PATH_CAPACITY];
    wchar_t AppParam[APP_PARAM_CAPACITY];
    // "Option"
    int IsPrintEdge;
    int IsPrintDialog;
    int IsFlash;
    int IsCursor;
    int SaveNum;
    int IsPrintSysTime;
    int IsPrintHostName;
    int IsPrintIPAddr;
    // "Others"
    int OnesWinStyle;
    int OnesLeft;
    int OnesTop;
};

struct LauncherEntry {
    int IsCtrlF;
    wchar_t Path[LAUNCHER_PATH_CAPACITY];
    wchar_t Params[LAUNCHER_PARAMS_CAPACITY];
};

extern SettingsRecord Settings;
extern LauncherEntry launcherTable[LAUNCHER_COUNT];

// Why a file that is there could not be read, if it could not.
IniFailure LoadSettings(const wchar_t* settingsPath);
void LoadLauncherSettings(const wchar_t* settingsPath);
// The writes tell why the file was not written, if it was not; the record
// keeps its values meanwhile.
// Writes launcher n's (1..12) IsCtrlF, Ctrl_F and Ctrl_F..._PARAMS keys.
IniFailure SaveLauncherSettings(int n, const wchar_t* settingsPath);
// Every key of the record but the viewer's, in one write of the file.
IniFailure SaveSettings(const wchar_t* settingsPath);
IniFailure WriteSettingInt(const int* field, const char* section, const char* key,
                           const wchar_t* settingsPath);

// The cause of a failure in the user's words, one sentence.
std::wstring SettingsFailureCause(IniFailure failure);
// What a dialog says when its settings could not be written.
std::wstring SettingsNotWrittenText(IniFailure failure, const wchar_t* settingsPath);
constexpr wchar_t SETTINGS_KEPT_FOR_RUN[] = L"設定は ZORVEX を終了するまで有効です。";

// The string fields hold UTF-16 text; their capacities are the byte limits
// of the Shift-JIS form the file keeps (see settings/shift_jis.h), which is
// never shorter than the UTF-16 text. A value Shift-JIS cannot hold exactly
// is written in that form ('?' for what it lacks), which an earlier version
// reads, and exactly, in UTF-8, in a key of its own named after it with
// "_UTF8", which is read first as long as its Shift-JIS form is what the
// first key holds (so that a value changed since by an earlier version wins).
// A file in UTF-8 or UTF-16 holds every value exactly in its first key.
constexpr char EXACT_KEY_SUFFIX[] = "_UTF8";

// A hand-edited SaveNum outside 3..300 is pulled to the nearest bound, so the
// history never reaches past its 300 slots.
int ClampHistoryLength(int saveNum);

// The output switches count only when they equal 1.
inline bool IsOutputOn(int saveFormat) { return saveFormat == 1; }

// SaveImageType: the files saved for the user are PNG files only when it is
// 1, bitmap files otherwise; the history and the work file stay bitmaps.
constexpr int IMAGE_TYPE_BITMAP = 0;
constexpr int IMAGE_TYPE_PNG = 1;
inline bool IsPngImageType(int saveImageType) { return saveImageType == IMAGE_TYPE_PNG; }

// A launcher is in use, its Ctrl+F key registered, only when IsCtrlF is 1.
inline bool IsLauncherOn(int isCtrlF) { return isCtrlF == 1; }
