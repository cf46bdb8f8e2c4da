// Windows bitmap files: the one image format of the program. The writer
// copies a device-context rectangle through a DIB section into a file; the
// readers load such files back, measure them, draw them and put them on the
// clipboard.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr WORD BITMAP_FILE_TYPE = 0x4D42; // "BM"
constexpr DWORD BITMAP_HEADERS_SIZE = 14 + 40;
// Largest pixel block a bitmap file can describe: its size fields are 32
// bits wide. Sixteen 8K monitors at 32 bits need half of it.
constexpr uint64_t MAX_BITMAP_IMAGE_BYTES = 0xFFFFFFFFull - BITMAP_HEADERS_SIZE - 256 * 4;
// A file may leave pixels out (a hard copy cut short), but what it makes the
// reader allocate is bounded by what it holds: this floor, which covers any
// full-screen hard copy up to 3840 x 2160 at 32 bits, plus four times the
// pixel bytes present.
constexpr uint64_t MISSING_PIXELS_FLOOR = 32ull * 1024 * 1024;
constexpr uint64_t PRESENT_PIXELS_FACTOR = 4;

// BITMAPINFO with room for the largest colour table the program knows.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

extern HCURSOR pointerImage;
extern POINT pointerPosition;

// Bytes per row: rows are padded to a multiple of 4 bytes.
uint32_t BitmapStride(int32_t width, int bitCount);
uint64_t BitmapStride64(int32_t width, int bitCount);
// stride x |height|; 0 for a width that is not positive.
uint64_t BitmapPixelBytes(int32_t width, int32_t height, int bitCount);
int ColorTableEntries(int bitCount);
void BuildBitmapInfoHeader(int32_t width, int32_t height, int bitCount, BITMAPINFOHEADER* out);
void BuildBitmapFileHeader(const BITMAPINFOHEADER& info, BITMAPFILEHEADER* out);

// What the reader may take from a file whose headers it has read: the
// colour-table entries present, and the pixel bytes it can read without
// passing the end of the file or the section it creates.
struct BitmapReadPlan {
    uint32_t colorTableOffset;
    int colorEntries;
    uint32_t pixelOffset;
    uint32_t pixelBytesExpected; // size of the DIB section's pixel block
    uint32_t pixelBytesToRead;   // what the file actually holds of it
};
bool PlanBitmapRead(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info, uint64_t fileLength,
                    BitmapReadPlan* plan);

// True when the whole file was written; false when nothing could be copied
// (empty rectangle, no section) or the file could not be written in full.
bool WriteScreenBitmapFile(HDC source, RECT rect, const char* path, int pointerOnSource);
// The writer's work at a given depth; WriteScreenBitmapFile passes the
// source's own BITSPIXEL.
bool WriteBitmapFileAtDepth(HDC source, RECT rect, const char* path, int pointerOnSource,
                            int deviceBitCount);
HBITMAP LoadBitmapFile(const char* path);
void ReadBitmapFileSize(const char* path, int* width, int* height);
void DrawBitmapStretched(HDC destination, RECT destinationRect, RECT sourceRect, HBITMAP bitmap);
void DrawBitmapUnscaled(HDC destination, RECT destinationRect, HBITMAP bitmap);
// Loads the file and puts it on the clipboard, waiting a little for another
// program that holds the clipboard open; 1 only when the bitmap got there.
int CopyBitmapFileToClipboard(const char* path);
constexpr DWORD CLIPBOARD_WAIT_MILLISECONDS = 500;
void RecordPointer(HWND window);
void PumpPendingMessages();

// GDI drawing used by the overlay, the flash, printing and the viewer.
void DrawBoxOutline(HDC dc, RECT rect, int invert, COLORREF color);
void DrawPlainOutline(HDC dc, RECT rect, COLORREF color);
void DrawBoxOutlineOnWindow(HWND window, RECT rect, int invert, COLORREF color);
void DrawBandOutline(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color);
void DrawHatchedBox(HWND window, RECT rect, int invert, COLORREF color);
void DrawHatchedBand(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color);
void FillBox(HDC dc, RECT rect, COLORREF color);
void FitImageRect(int imageWidth, int imageHeight, int areaWidth, int areaHeight, RECT* out);
