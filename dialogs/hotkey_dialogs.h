// The hot-key list (114) and edit (115) dialogs of the Ctrl+F launchers.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr INT_PTR HOTKEY_LIST_RESULT = 1080;

extern HWND hotkeyListDialogWindow;
extern HWND hotkeyEditDialogWindow;
// The launcher last opened for editing (0..11), kept for the whole run.
extern int selectedLauncherIndex;

void RunHotkeyListDialog();

// "Ctrl + F" followed by the launcher number n (1..12).
void FormatLauncherHotKeyName(int n, wchar_t* buffer, size_t capacity);

// The list's use column: "使用中" only for a launcher whose key is registered.
const wchar_t* LauncherUseText(int isCtrlF);

enum class LauncherKeyChange { None, Register, Unregister };

// What saving the flag newFlag over oldFlag does to the launcher's hot key.
LauncherKeyChange LauncherKeyChangeFor(int oldFlag, int newFlag);
