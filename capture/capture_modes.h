// The capture modes: desktop, active window with and without frame, range
// start and fixed area, and the output sequence shared by all of them.
#pragma once

#include <windows.h>

#include "output/save.h"

extern RECT captureRect;
extern HWND captureSurfaceWindow;
extern char saveNameBuffer[SAVE_NAME_CAPACITY];

void CaptureDesktop();
void CaptureActiveWindow();
void CaptureActiveWindowClient();
void StartRangeSelection();
void CaptureFixedArea();
// The printer step after a capture: the viewer for preview, or a direct
// print of the newest hard copy. Nothing when the last capture made no file.
void PrintAfterCapture();

// The outputs of the hard copy in the work bitmap file: feedback over
// `feedbackRect` (or `feedbackWindow`'s client area), clipboard, saved file,
// capture history.
void DeliverHardCopy(RECT feedbackRect, HWND feedbackWindow);

// The window held still while the screen is read.
HWND ChooseCaptureSurface();
// What the screen shows, in screen coordinates: every monitor.
RECT CaptureSurfaceRect();
// Copies an area of the screen as composed (screen coordinates) into a
// bitmap file, with the pointer recorded in screen coordinates.
bool WriteScreenAreaFile(RECT area, const char* path);

// Geometry of the modes, kept free of windows.
// The part of a screen rectangle that the surface shows; empty when nothing
// of it is visible.
RECT VisibleScreenRect(RECT rect, RECT surfaceRect);
// The configured fixed area, normalised; the whole surface when the area is
// empty or reaches outside it.
RECT FixedAreaRect(int left, int top, int right, int bottom, RECT surfaceRect);
