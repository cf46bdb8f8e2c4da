// The sign that a hard copy was taken: the flash or the "コピーしました" notice.
#pragma once

#include <windows.h>

extern HWND flashWindow;

// Flashes `rect` (or the client area of `window` when one is given), or
// shows the copied notice, as the settings ask; returns when it is over.
void ShowCaptureFeedback(RECT rect, HWND window);
int CreateFlashWindow(HINSTANCE instance, const char* className, int showCommand, RECT rect,
                      HWND window);
// Runs the self-closing copied notice (dialog 113) modally.
void ShowCopiedNotice();

LRESULT CALLBACK FlashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopiedNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
