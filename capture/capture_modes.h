// The capture modes: desktop, active window with and without frame, range
// start and fixed area, and the output sequence shared by all of them.
#pragma once

#include <windows.h>

#include "output/save.h"

extern RECT captureRect;
extern char saveNameBuffer[SAVE_NAME_CAPACITY];

void CaptureDesktop();
void CaptureActiveWindow();
void CaptureActiveWindowClient();
void StartRangeSelection();
void CaptureFixedArea();
void PrintAfterCapture();

// The window whose device context stands for the screen.
HWND ChooseCaptureSurface();
