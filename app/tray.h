// The notification-area icon and the tray menu it opens.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr int TRAY_LABEL_CAPACITY = 128;
constexpr int FILE_TIME_TEXT_CAPACITY = 32;
constexpr int TRAY_RECENT_LIMIT = 9;

extern HMENU trayMenu;
extern HMENU recentSubmenu;

void AddTrayIcon(HWND owner);
BOOL DeleteTrayIcon(HWND owner);
void BuildTrayMenu();
void ShowTrayMenu();
void DestroyTrayMenu();

// "%d枚目 ( %4d x %4d ) - " followed by the file-time text, cut to capacity.
void FormatRecentLabel(int slot, int width, int height, const char* fileTime, char* out,
                       size_t capacity);
