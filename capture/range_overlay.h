// The range-selection overlay: a frozen picture of the screen on which the
// user drags the rectangle to copy.
#pragma once

#include <windows.h>

#include "capture/capture_modes.h"

extern HWND rangeOverlayWindow;
// Set by the configuration dialog while the overlay picks its fixed area.
extern int areaPickMode;

// Told of the selection the user made: its hard copy (in the work bitmap
// file when written) and its place on the screen. Runs as part of the
// overlay's activity, before the overlay closes.
using RangeSelectedHandler = void (*)(const HardCopy& selection);

// Takes a snapshot of the screen and opens the overlay on it; `onSelected`
// gets the selection when the mouse is released. Nothing while an overlay is
// open. Returns why the snapshot could not be written (NO_ERROR when it was,
// or when there was nothing to do).
DWORD StartRangeSelection(RangeSelectedHandler onSelected);
int CreateRangeOverlay(HINSTANCE instance, const wchar_t* className, int showCommand, RECT rect);
LRESULT CALLBACK RangeOverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
