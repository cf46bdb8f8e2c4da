// Windows bitmap files: the one image format of the program. The writer
// copies a device-context rectangle through a DIB section into a file; the
// readers load such files back, measure them and draw them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "capture/bitmap_format.h"

// BITMAPINFO with room for the largest colour table the program knows; the
// file's info header doubles as the system's BITMAPINFOHEADER.
struct BitmapInfo256 {
    BitmapInfoHeader header;
    RGBQUAD colors[256];
};
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER) &&
              offsetof(BitmapInfo256, colors) == offsetof(BITMAPINFO, bmiColors));
static_assert(sizeof(BitmapFileHeader) == sizeof(BITMAPFILEHEADER));

extern HCURSOR pointerImage;
extern POINT pointerPosition;

// Draws over the copy of `rect` held in `copy` (origin at the rectangle's
// top-left corner) what the source context shows wrongly; before the pointer.
using CopyPainter = std::function<void(HDC copy, RECT rect)>;

// A picture held in memory: the DIB section the writer drew it into or the
// reader read it into, with the header and colour table of its file. The
// section goes with it.
struct DibPicture {
    BitmapInfo256 info = {};
    HBITMAP section = nullptr;
    const void* bits = nullptr;

    DibPicture() = default;
    ~DibPicture();
    DibPicture(const DibPicture&) = delete;
    DibPicture& operator=(const DibPicture&) = delete;
    // The info header and the colour table, as they follow the file header.
    size_t HeaderBytes() const;
};
using SharedDibPicture = std::shared_ptr<const DibPicture>;

// True when the whole file was written. False when there was nothing to copy
// (an empty rectangle: `error` is NO_ERROR), when the picture could not be
// held (ERROR_NOT_ENOUGH_MEMORY) or when the file could not be written in
// full (the system's error code; no part of the file is left). With `kept`,
// a written file's picture stays in memory there.
bool WriteScreenBitmapFile(HDC source, RECT rect, const wchar_t* path, int pointerOnSource,
                           DWORD* error = nullptr, const CopyPainter& paintOver = nullptr,
                           SharedDibPicture* kept = nullptr);
// The writer's work at a given depth; WriteScreenBitmapFile passes the
// source's own BITSPIXEL.
bool WriteBitmapFileAtDepth(HDC source, RECT rect, const wchar_t* path, int pointerOnSource,
                            int deviceBitCount, DWORD* error = nullptr,
                            const CopyPainter& paintOver = nullptr,
                            SharedDibPicture* kept = nullptr);
HBITMAP LoadBitmapFile(const wchar_t* path);
// The same reading, kept with the file's checked header; null when refused.
SharedDibPicture LoadBitmapPicture(const wchar_t* path);
void ReadBitmapFileSize(const wchar_t* path, int* width, int* height);
void DrawBitmapStretched(HDC destination, RECT destinationRect, RECT sourceRect, HBITMAP bitmap);
void DrawBitmapUnscaled(HDC destination, RECT destinationRect, HBITMAP bitmap);
// The pointer's image and place, in `window`'s client coordinates, or in
// screen coordinates for no window.
void RecordPointer(HWND window);
// Lets windows repaint and runs posted requests (hot keys among them) and
// timers in the middle of a long step. Keyboard and mouse input stays queued
// for the loop that runs around the step: a menu or dialog open at the time
// reads its own keys, which dispatched from here would reach no one.
void PumpPendingMessages();

// GDI drawing used by the overlay, the flash, printing and the viewer.
void DrawBoxOutline(HDC dc, RECT rect, int invert, COLORREF color);
void DrawPlainOutline(HDC dc, RECT rect, COLORREF color);
void DrawBoxOutlineOnWindow(HWND window, RECT rect, int invert, COLORREF color);
void DrawBandOutline(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color);
// `penWidth` is the outline's width in pixels.
void DrawHatchedBox(HWND window, RECT rect, int invert, COLORREF color, int penWidth = 1);
void DrawHatchedBand(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color);
void FillBox(HDC dc, RECT rect, COLORREF color);
void FitImageRect(int imageWidth, int imageHeight, int areaWidth, int areaHeight, RECT* out);
// A Shift-JIS, proof-quality font of a face, height and escapement, for the
// viewer's page and the printed one.
HFONT CreateGothicFont(const wchar_t* face, int height, int escapement);
