// The notification-area icon and the tray menu it opens.
#pragma once

#include <windows.h>

#include "app/balloon_text.h"
#include "settings/ini_file.h"

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

// While balloons wait for quiet to end (or a disturbed history for the
// interval of the one told before it), the main window's timer looks this
// often whether they may show.
constexpr UINT_PTR BALLOON_WAIT_TIMER = 1072;
constexpr UINT BALLOON_WAIT_MILLISECONDS = 5000;

// Shows `text` in a balloon of the tray icon unless a balloon of `kind` was
// shown moments ago; a newer balloon replaces the one showing. False when none
// was shown now. While the user asks for quiet (presentation, full screen,
// quiet hours) the newest balloon of each kind waits for quiet to end, and the
// tooltip says that failures wait. A click on a balloon that
// `opensKeyboardSettings` opens Windows' keyboard settings.
bool ShowTrayBalloon(BalloonKind kind, const BalloonText& text, bool opensKeyboardSettings = false);
// One balloon for the failed outputs in the same way, leaving out the kinds
// told moments ago.
void ShowFailureBalloon(const DeliveryFailures& failures);
// A settings file that could not be written, or (`unread`) read at start-up,
// told in a balloon of its own kind; nothing when nothing failed.
void TellSettingsFailure(IniFailure failure, bool unread = false);
// On the wait timer: what waits shows once quiet has ended.
void ShowWaitingBalloon();
bool IsTrayBalloonWaiting(BalloonKind kind);
// A waiting balloon of `kind` that no longer holds waits no more.
void WithdrawTrayBalloon(BalloonKind kind);
void OnTrayBalloonClick();
// The keys the tooltip names as missing ("PrintScreen, Ctrl+F3"), or none.
void SetTrayMissingKeys(const std::wstring& names);

// "%d枚目 ( %4d x %4d ) - " followed by the file-time text, cut to capacity.
void FormatRecentLabel(int slot, int width, int height, const wchar_t* fileTime, wchar_t* out,
                       size_t capacity);
