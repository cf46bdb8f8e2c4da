// The global hot-key block: 20 ids from 948372610 to 948372629, all
// registered on the main window.
#pragma once

#include <windows.h>

constexpr int HOTKEY_CAPTURE = 948372610;
constexpr int HOTKEY_CAPTURE_ACTIVE = 948372611;
constexpr int HOTKEY_CAPTURE_RANGE = 948372612;
constexpr int HOTKEY_CONFIG = 948372613;
constexpr int HOTKEY_CAPTURE_ACTIVE_NOFRAME = 948372614;
constexpr int HOTKEY_LAUNCH_F1 = 948372615;
constexpr int HOTKEY_LAUNCH_F12 = 948372626;
constexpr int HOTKEY_HISTORY = 948372627;
constexpr int HOTKEY_MENU = 948372628;
constexpr int HOTKEY_CAPTURE_ALT = 948372629;

constexpr int HOTKEY_BLOCK_FIRST = HOTKEY_CAPTURE;
constexpr int HOTKEY_BLOCK_LAST = HOTKEY_CAPTURE_ALT;

inline bool IsProgramHotKey(WPARAM id) {
    return id >= static_cast<WPARAM>(HOTKEY_BLOCK_FIRST) &&
           id <= static_cast<WPARAM>(HOTKEY_BLOCK_LAST);
}

// False only when neither PrintScreen nor Ctrl+Alt+F12 could be registered.
bool RegisterProgramHotKeys(HWND window);
void UnregisterProgramHotKeys(HWND window);

// Launcher n (1..12) owns Ctrl+Fn; registered only while its IsCtrlF is 1.
bool RegisterLauncherHotKey(HWND window, int n);
void UnregisterLauncherHotKey(HWND window, int n);
