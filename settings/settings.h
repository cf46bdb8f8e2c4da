// The settings record, the Ctrl+F launcher table and the settings file
// "zorvex.ini" they are loaded from and written back to.
#pragma once

#include <cstddef>

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
    char SaveDir[SAVE_DIR_CAPACITY];
    int SaveFormat3;
    int SaveImageType;
    // "Modify"
    char AppPath[APP_PATH_CAPACITY];
    char AppParam[APP_PARAM_CAPACITY];
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
    char Path[LAUNCHER_PATH_CAPACITY];
    char Params[LAUNCHER_PARAMS_CAPACITY];
};

extern SettingsRecord Settings;
extern LauncherEntry launcherTable[LAUNCHER_COUNT];

void LoadSettings(const char* settingsPath);
void LoadLauncherSettings(const char* settingsPath);
// Writes launcher n's (1..12) IsCtrlF, Ctrl_F and Ctrl_F..._PARAMS keys.
void SaveLauncherSettings(int n, const char* settingsPath);
void SaveSettings(const char* settingsPath);
void WriteSettingInt(const int* field, const char* section, const char* key,
                     const char* settingsPath);

// How many bytes at the start of a Shift-JIS text make the longest run of
// whole characters that takes at most the given bytes.
size_t WholeCharacterLength(const char* text, size_t bytes);

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
