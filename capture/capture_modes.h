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

// The window held still while the screen is read.
HWND ChooseCaptureSurface();
// What the screen shows, in screen coordinates: every monitor.
RECT CaptureSurfaceRect();
// Copies an area of the screen as composed (screen coordinates) into a
// bitmap file, with the pointer recorded in screen coordinates.
bool WriteScreenAreaFile(RECT area, const wchar_t* path);

// Geometry of the modes, kept free of windows.
// The part of a screen rectangle that the surface shows; empty when nothing
// of it is visible.
RECT VisibleScreenRect(RECT rect, RECT surfaceRect);
// The configured fixed area, normalised; the whole surface when the area is
// empty or reaches outside it.
RECT FixedAreaRect(int left, int top, int right, int bottom, RECT surfaceRect);
