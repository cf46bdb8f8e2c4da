// Screen DPI. The program declares itself per-monitor DPI aware, so every
// coordinate it sees is a physical pixel; its own pixel layouts are designed
// at 96 DPI and scaled to the DPI of the monitor their window is on.
#pragma once

#include <windows.h>

constexpr UINT DESIGN_DPI = 96;

// value × dpi / 96, rounded half away from zero as MulDiv rounds; 96 and an
// unknown DPI (0) leave the value as it is.
int ScaleForDpi(int value, UINT dpi);
// Each edge scaled on its own, so that controls that meet at 96 DPI still meet.
RECT ScaleRectForDpi(const RECT& rect, UINT dpi);
SIZE ScaleSizeForDpi(SIZE size, UINT dpi);

// The new DPI that WM_DPICHANGED carries in its wParam.
UINT DpiFromDpiChanged(WPARAM wParam);

// Asks for per-monitor awareness at run time when the manifest's declaration
// was not taken (a system that predates it): per-monitor v2, then v1, then
// system awareness. Does nothing when the process is already aware.
void DeclareDpiAwareness();

// The DPI a window is laid out for: the window's own DPI (Windows 10 1607),
// else its monitor's (Windows 8.1), else the system's.
UINT DpiOfWindow(HWND window);
// The DPI of the monitor nearest to a screen point, else the system's.
UINT DpiAtPoint(POINT point);
UINT SystemDpi();

// GetSystemMetrics and AdjustWindowRectEx for a given DPI where the system
// can answer for one, else for the system DPI.
int SystemMetricForDpi(int index, UINT dpi);
void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi);

// Takes the rectangle that WM_DPICHANGED suggests (lParam).
void MoveToSuggestedRect(HWND window, LPARAM lParam);

// Per-monitor v2 dialogs resize themselves and place their controls again
// on a DPI change (Windows 10 1703). A dialog that sizes itself and places
// some controls in pixels keeps those out of it and does that part itself.
void KeepDialogSizeOnDpiChange(HWND dialog);
void KeepControlPlaceOnDpiChange(HWND control);
