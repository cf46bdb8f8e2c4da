#include "capture/feedback.h"

HWND flashWindow;

void ShowCaptureFeedback(RECT, HWND) {}

int CreateFlashWindow(HINSTANCE, const char*, int, RECT, HWND) { return 0; }

void ShowCopiedNotice() {}

LRESULT CALLBACK FlashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK CopiedNoticeProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
