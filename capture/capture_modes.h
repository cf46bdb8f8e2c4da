// The capture modes: desktop, active window with and without frame and
// fixed area. Each writes its hard copy into the work bitmap file and says
// what it made; delivering it is its caller's.
#pragma once

#include <windows.h>

#include "capture/bitmap_file.h"

class HdrPictureSource;

extern RECT captureRect;
extern HWND captureSurfaceWindow;

// What one capture made: whether the work file holds the new hard copy, the
// screen rectangle it shows, and the window whose client area the sign marks
// (none: `rect` itself).
struct HardCopy {
    bool written = false;
    RECT rect = {};
    HWND feedbackWindow = nullptr;
    // Why the work file could not be written (see WriteScreenBitmapFile);
    // NO_ERROR when it was, or when there was nothing to copy.
    DWORD error = NO_ERROR;
    // The work file's picture, still in memory, for the clipboard.
    SharedDibPicture picture;
};

HardCopy CaptureDesktop();
HardCopy CaptureActiveWindow();
HardCopy CaptureActiveWindowClient();
HardCopy CaptureFixedArea();

// The window held still while the screen is read.
HWND ChooseCaptureSurface();
// What the screen shows, in screen coordinates: every monitor.
RECT CaptureSurfaceRect();
// Copies an area of the screen as composed (screen coordinates) into a
// bitmap file, with the pointer recorded in screen coordinates; `error` and
// `kept` as WriteScreenBitmapFile gives them. The parts on HDR monitors come
// from `hdr`'s pictures, the rest from GDI.
bool WriteScreenAreaFile(RECT area, const wchar_t* path, DWORD* error = nullptr,
                         SharedDibPicture* kept = nullptr);
bool WriteScreenAreaFile(HdrPictureSource& hdr, RECT area, const wchar_t* path, DWORD* error,
                         SharedDibPicture* kept = nullptr);

// Geometry of the modes, kept free of windows.
// The part of a screen rectangle that the surface shows; empty when nothing
// of it is visible.
RECT VisibleScreenRect(RECT rect, RECT surfaceRect);
// A window's frame as the user sees it: the window manager's extended frame
// bounds when it gave them (they leave out the invisible resize borders),
// else the window's rectangle; a maximised window's cut to the work area of
// its monitor, which it fills.
RECT VisibleWindowFrame(RECT windowRect, const RECT* extendedFrame, bool maximised,
                        RECT workArea);
// The configured fixed area, normalised; the whole surface when the area is
// empty or reaches outside it.
RECT FixedAreaRect(int left, int top, int right, int bottom, RECT surfaceRect);
