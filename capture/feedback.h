// The sign that a hard copy was taken: the flash or the "コピーしました" notice.
#pragma once

#include <windows.h>

#include "resources/resource.h"
#include "settings/settings.h"

constexpr UINT_PTR COPIED_NOTICE_TIMER = COPIED_NOTICE_TIMER_ID;
constexpr UINT COPIED_NOTICE_MILLISECONDS = 500;
constexpr int FLASH_BLINKS = 4;
constexpr DWORD FLASH_STEP_MILLISECONDS = 32;

extern HWND flashWindow;
extern RECT flashRect;

// Reads the screen the flash will show, before anything on it changes: the
// outputs repaint windows and can show a dialog.
void PrepareCaptureFeedback(RECT rect, HWND window);
// Flashes `rect` (or the client area of `window` when one is given), or
// shows the copied notice, as the settings ask; returns when it is over.
// The notice says the copy was made, so it shows only when `delivered`.
void ShowCaptureFeedback(RECT rect, HWND window, bool delivered);
enum class CaptureFeedback { Flash, CopiedNotice, None };
// The flash when IsFlash is 0 (whatever the outputs did); otherwise the
// copied notice when the clipboard or a save under an automatic name was on
// and every output that was on succeeded (`delivered`); otherwise nothing.
CaptureFeedback ChooseCaptureFeedback(const SettingsRecord& settings, bool delivered);
int CreateFlashWindow(HINSTANCE instance, const wchar_t* className, int showCommand, RECT rect,
                      HWND window);
// Runs the self-closing copied notice (dialog 113) modally, centred on the
// monitor of `captured` (screen coordinates) when one is given.
void ShowCopiedNotice(const RECT* captured = nullptr);

LRESULT CALLBACK FlashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopiedNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
