// The notification-area icon and the tray menu it opens.
#pragma once

#include <windows.h>

#include "app/balloon_text.h"

#include <cstddef>
#include <string>

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
// Whether the tray menu is being tracked.
bool IsTrayMenuOpen();

// Shows `text` in a balloon of the tray icon unless a balloon of `kind` was
// shown moments ago or the user asked for quiet (presentation, full screen,
// quiet hours); a newer balloon replaces the one showing. False when none
// was shown. A click on a balloon that `opensKeyboardSettings` opens
// Windows' keyboard settings.
bool ShowTrayBalloon(BalloonKind kind, const BalloonText& text, bool opensKeyboardSettings = false);
// Whether a balloon of `kind` may show now; taking the turn counts as one
// shown. For a caller that puts several kinds into one balloon.
bool TakeBalloonTurn(BalloonKind kind);
void ShowTrayBalloonNow(const BalloonText& text, bool opensKeyboardSettings = false);
void OnTrayBalloonClick();
void SetTrayTip(const std::wstring& tip);

// "%d枚目 ( %4d x %4d ) - " followed by the file-time text, cut to capacity.
void FormatRecentLabel(int slot, int width, int height, const wchar_t* fileTime, wchar_t* out,
                       size_t capacity);
