// Process-wide state of the application shell: the instance, the hidden main
// window and the working paths built once at start-up.
#pragma once

#include <windows.h>

#include <string>

constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
// A recent hard copy chosen in the tray menu, by its slot (wParam).
constexpr UINT WM_OPEN_RECENT_SLOT = WM_USER + 2;
constexpr UINT TRAY_ICON_ID = 100;

// Capacities in UTF-16 units, terminator included.
constexpr int TEMP_DIRECTORY_CAPACITY = 260;
constexpr int SETTINGS_PATH_CAPACITY = 274;
constexpr int BITMAP_PATH_CAPACITY = 519;
constexpr int HISTORY_SLOT_COUNT = 300;

extern HINSTANCE appInstance;
extern HWND mainWindow;
extern UINT taskbarCreatedMessage;
extern wchar_t tempDirectory[TEMP_DIRECTORY_CAPACITY];
extern wchar_t settingsFilePath[SETTINGS_PATH_CAPACITY];
extern wchar_t workBitmapPath[BITMAP_PATH_CAPACITY];
extern wchar_t backgroundBitmapPath[BITMAP_PATH_CAPACITY];
extern wchar_t historyFilePaths[HISTORY_SLOT_COUNT][BITMAP_PATH_CAPACITY];
// The current directory at start-up, where zorvex.ini lives, in full.
extern std::wstring startDirectory;

// Runs while the main window handles WM_CREATE: paths, settings, tray menu.
void InitializeApplication();
// Once the tray icon is there: a settings file that could not be read.
void TellUnreadSettings();

// Fills the working paths from a temporary folder (with its trailing
// backslash) and the current directory. A path that would not fit its
// capacity is left empty, never cut: a cut path names another file.
void BuildWorkingPaths(const wchar_t* temporaryFolder, const wchar_t* currentDirectory);
