// The range-selection overlay: a frozen picture of the screen on which the
// user drags the rectangle to copy.
#pragma once

#include <windows.h>

extern HWND rangeOverlayWindow;
// Set by the configuration dialog while the overlay picks its fixed area.
extern int areaPickMode;

int CreateRangeOverlay(HINSTANCE instance, const wchar_t* className, int showCommand, RECT rect);
LRESULT CALLBACK RangeOverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
