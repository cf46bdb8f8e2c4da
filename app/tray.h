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
// Rebuilds the menu; while the menu is open it is rebuilt once it closes.
void BuildTrayMenu();
// Opens the menu at the pointer; nothing while it is open already. The
// command chosen is posted to the main window.
void ShowTrayMenu();
// Called when the history moved up by one place: a recent item chosen from
// a menu that was open meanwhile still opens the hard copy its label names.
void NoteHistoryRotated();
void DestroyTrayMenu();

// "%d枚目 ( %4d x %4d ) - " followed by the file-time text, cut to capacity.
void FormatRecentLabel(int slot, int width, int height, const char* fileTime, char* out,
                       size_t capacity);
