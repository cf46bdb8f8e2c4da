#include "capture/capture_modes.h"

RECT captureRect;
char saveNameBuffer[SAVE_NAME_CAPACITY];

HWND ChooseCaptureSurface() { return GetDesktopWindow(); }

void CaptureDesktop() {}
void CaptureActiveWindow() {}
void CaptureActiveWindowClient() {}
void CaptureFixedArea() {}
void PrintAfterCapture() {}
