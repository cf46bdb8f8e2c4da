// The global hot-key block: 20 ids from 948372610 to 948372629, all
// registered on the main window.
#pragma once

#include <windows.h>

#include <string>

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

// While a key of the block is held by another program, the main window's
// timer tries it again, at intervals that grow (HotKeyRetryMilliseconds).
constexpr UINT_PTR HOTKEY_RETRY_TIMER = 1070;

// False only when neither PrintScreen nor Ctrl+Alt+F12 could be registered.
// Every key that could not be registered is remembered as missing.
bool RegisterProgramHotKeys(HWND window);
void UnregisterProgramHotKeys(HWND window);
// Tries the missing keys again; a key got works at once. The tray tooltip
// names the keys still missing, and the retry timer stops with the last.
void RetryMissingHotKeys(HWND window);
// Tries them at once and starts the intervals again from the shortest: the
// settings or the shell changed, and the holder may have gone with them.
void RestartHotKeyRetries(HWND window);
// One balloon naming the missing keys, when any are.
void TellMissingHotKeys();
// "PrintScreen, Ctrl+F3": the missing keys, empty when none.
std::wstring MissingHotKeyNames();

// Launcher n (1..12) owns Ctrl+Fn; registered only while its IsCtrlF is 1.
bool RegisterLauncherHotKey(HWND window, int n);
void UnregisterLauncherHotKey(HWND window, int n);
