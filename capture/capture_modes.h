// The capture modes: desktop, active window with and without frame, range
// start and fixed area. Each hands its hard copy to DeliverHardCopy.
#pragma once

#include <windows.h>

extern RECT captureRect;
extern HWND captureSurfaceWindow;

void CaptureDesktop();
void CaptureActiveWindow();
void CaptureActiveWindowClient();
void StartRangeSelection();
void CaptureFixedArea();

// The window whose device context stands for the screen.
HWND ChooseCaptureSurface();

// Geometry of the modes, kept free of windows.
// The part of `source` (in a context whose (0, 0) lies at `origin` on the
// screen) that the surface shows; empty when nothing of it is visible.
RECT VisibleSourceRect(RECT source, POINT origin, RECT surfaceRect);
// The configured fixed area, normalised; the whole surface when the area is
// empty or reaches outside it.
RECT FixedAreaRect(int left, int top, int right, int bottom, RECT surfaceRect);
