#include "capture/bitmap_file.h"

#include "capture/range_overlay.h"
#include "capture/scoped_gdi.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdlib>

HCURSOR pointerImage;
POINT pointerPosition;

namespace {

void FillColorTableFromSystemPalette(HDC source, RGBQUAD* colors) {
    PALETTEENTRY entries[256] = {};
    GetSystemPaletteEntries(source, 0, 256, entries);
    for (int i = 0; i < 256; ++i) {
        colors[i].rgbRed = entries[i].peRed;
        colors[i].rgbGreen = entries[i].peGreen;
        colors[i].rgbBlue = entries[i].peBlue;
        colors[i].rgbReserved = 0;
    }
}

bool ShouldDrawPointer() {
    return Settings.IsCursor != 0 && areaPickMode == 0 && pointerImage != nullptr;
}

void DrawPointer(HDC dc, int x, int y) {
    DrawIconEx(dc, x, y, pointerImage, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool ReadExactly(HANDLE file, void* data, DWORD size) {
    DWORD read = 0;
    return ReadFile(file, data, size, &read, nullptr) && read == size;
}

bool SeekTo(HANDLE file, uint32_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

bool WriteHeadersAndPixels(HANDLE file, const BitmapFileHeader& fileHeader,
                           const BitmapInfo256& info, const void* bits) {
    int entries = ColorTableEntries(info.header.biBitCount);
    if (!WriteAll(file, &fileHeader, sizeof fileHeader) ||
        !WriteAll(file, &info.header, sizeof info.header) ||
        (entries > 0 && !WriteAll(file, info.colors, entries * sizeof(RGBQUAD))) ||
        !SeekTo(file, fileHeader.bfOffBits))
        return false;
    GdiFlush();
    return WriteAll(file, bits, info.header.biSizeImage);
}

// A file that could not be written in full is removed: half a bitmap would
// pass for a hard copy.
DWORD WriteBitmapFileFromSection(const wchar_t* path, const BitmapInfo256& info,
                                 const void* bits) {
    BitmapFileHeader fileHeader;
    BuildBitmapFileHeader(info.header, &fileHeader);
    DWORD error = NO_ERROR;
    {
        ScopedFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
        if (!file.valid()) return GetLastError();
        if (WriteHeadersAndPixels(file.get(), fileHeader, info, bits)) return NO_ERROR;
        error = GetLastError();
    }
    DeleteFileW(path);
    return error == NO_ERROR ? ERROR_WRITE_FAULT : error;
}

// Gives the reason a write did not happen to a caller that asked for it.
bool Refused(DWORD reason, DWORD* error) {
    if (error) *error = reason;
    return false;
}

} // namespace

DibPicture::~DibPicture() {
    if (section) DeleteObject(section);
}

size_t DibPicture::HeaderBytes() const {
    return sizeof info.header + ColorTableEntries(info.header.biBitCount) * sizeof(RGBQUAD);
}

bool WriteBitmapFileAtDepth(HDC source, RECT rect, const wchar_t* path, int pointerOnSource,
                            int deviceBitCount, DWORD* error, const CopyPainter& paintOver,
                            SharedDibPicture* kept) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return Refused(NO_ERROR, error);
    int bitCount = NormalizedBitCount(deviceBitCount);
    if (BitmapPixelBytes(width, height, bitCount) > MAX_BITMAP_IMAGE_BYTES)
        return Refused(ERROR_NOT_ENOUGH_MEMORY, error);

    auto picture = std::make_shared<DibPicture>();
    BitmapInfo256& info = picture->info;
    BuildBitmapInfoHeader(width, height, bitCount, &info.header);
    if (bitCount <= 8) FillColorTableFromSystemPalette(source, info.colors);

    bool drawPointer = ShouldDrawPointer();

    void* bits = nullptr;
    picture->section = CreateDIBSection(source, reinterpret_cast<BITMAPINFO*>(&info),
                                        DIB_RGB_COLORS, &bits, nullptr, 0);
    picture->bits = bits;
    if (!picture->section || !bits) return Refused(ERROR_NOT_ENOUGH_MEMORY, error);
    {
        ScopedMemoryDC memory(source);
        if (!memory.get()) return Refused(ERROR_NOT_ENOUGH_MEMORY, error);
        ScopedSelectObject selected(memory.get(), picture->section);
        StretchBlt(memory.get(), 0, 0, width, height, source, rect.left, rect.top, width, height,
                   SRCCOPY);
        if (paintOver) paintOver(memory.get(), rect);
        // A pointer placed in source coordinates is drawn into the copy at
        // the same spot rather than onto the screen itself: a screen context
        // may be clipped by the windows above it, or composed elsewhere.
        if (drawPointer) {
            POINT at = pointerPosition;
            if (pointerOnSource) {
                at.x -= rect.left;
                at.y -= rect.top;
            }
            DrawPointer(memory.get(), at.x, at.y);
        }
    }
    DWORD written = WriteBitmapFileFromSection(path, info, bits);
    if (written != NO_ERROR) return Refused(written, error);
    if (error) *error = NO_ERROR;
    if (kept) *kept = std::move(picture);
    return true;
}

namespace {

bool FileLength(HANDLE file, uint64_t* length) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
    *length = static_cast<uint64_t>(size.QuadPart);
    return true;
}

HANDLE OpenForReading(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ReadHeaders(HANDLE file, BitmapFileHeader* fileHeader, BitmapInfoHeader* info) {
    if (!ReadExactly(file, fileHeader, sizeof *fileHeader)) return false;
    if (fileHeader->bfType != BITMAP_FILE_TYPE) return false;
    return ReadExactly(file, info, sizeof *info);
}

// Reads the headers of an open file and decides what may be read of it.
bool ReadAndPlan(HANDLE file, BitmapFileHeader* fileHeader, BitmapInfoHeader* info,
                 BitmapReadPlan* plan) {
    uint64_t length = 0;
    return ReadHeaders(file, fileHeader, info) && FileLength(file, &length) &&
           PlanBitmapRead(*fileHeader, *info, length, plan);
}

uint64_t SectionCapacity(HBITMAP section) {
    DIBSECTION dib = {};
    if (GetObjectW(section, sizeof dib, &dib) != sizeof dib) return 0;
    return static_cast<uint64_t>(std::abs(dib.dsBm.bmWidthBytes)) *
           static_cast<uint64_t>(std::abs(dib.dsBm.bmHeight));
}

// Reads a bitmap file through the checked plan: the header and colour table
// handed to `pixelsFor` are made from the checked values only (a standard
// header, a full colour table, exactly the pixel block of width x height),
// and the pixels go where it says, which must hold that block. Pixels the
// file lacks are left as the memory had them.
template <class PixelsFor>
bool ReadCheckedBitmapFile(const wchar_t* path, PixelsFor pixelsFor) {
    ScopedFileHandle file(OpenForReading(path));
    if (!file.valid()) return false;
    BitmapFileHeader fileHeader;
    BitmapInfo256 info = {};
    BitmapReadPlan plan;
    if (!ReadAndPlan(file.get(), &fileHeader, &info.header, &plan)) return false;
    if (plan.colorEntries > 0) {
        if (!SeekTo(file.get(), plan.colorTableOffset)) return false;
        if (!ReadExactly(file.get(), info.colors, plan.colorEntries * sizeof(RGBQUAD)))
            return false;
    }
    info.header.biSize = sizeof(BitmapInfoHeader);
    info.header.biPlanes = 1;
    info.header.biSizeImage = plan.pixelBytesExpected;
    info.header.biClrUsed = 0;
    info.header.biClrImportant = 0;
    void* pixels = pixelsFor(info, plan);
    if (!pixels) return false;
    DWORD read = 0;
    if (SeekTo(file.get(), plan.pixelOffset))
        ReadFile(file.get(), pixels, plan.pixelBytesToRead, &read, nullptr);
    return true;
}

// A DIB section holding the file's picture, with the checked header it was
// made from; null when the file is refused.
HBITMAP ReadIntoSection(const wchar_t* path, BitmapInfo256* made, const void** bits) {
    HBITMAP section = nullptr;
    bool read = ReadCheckedBitmapFile(path, [&](const BitmapInfo256& info,
                                                const BitmapReadPlan& plan) -> void* {
        void* pixels = nullptr;
        section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info),
                                   DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (!section || !pixels || SectionCapacity(section) < plan.pixelBytesExpected)
            return nullptr;
        GdiFlush();
        *made = info;
        *bits = pixels;
        return pixels;
    });
    if (!read && section) {
        DeleteObject(section);
        section = nullptr;
    }
    return section;
}

// Reads a cursor's hot spot and gives back the bitmaps GetIconInfo hands out.
bool ReadHotspot(HCURSOR cursor, POINT* hotspot) {
    ICONINFO icon = {};
    if (!cursor || !GetIconInfo(cursor, &icon)) return false;
    *hotspot = POINT{static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    return true;
}

} // namespace

bool WriteScreenBitmapFile(HDC source, RECT rect, const wchar_t* path, int pointerOnSource,
                           DWORD* error, const CopyPainter& paintOver, SharedDibPicture* kept) {
    PumpPendingMessages();
    bool written = WriteBitmapFileAtDepth(source, rect, path, pointerOnSource,
                                          GetDeviceCaps(source, BITSPIXEL), error, paintOver, kept);
    PumpPendingMessages();
    return written;
}

HBITMAP LoadBitmapFile(const wchar_t* path) {
    BitmapInfo256 info;
    const void* bits = nullptr;
    return ReadIntoSection(path, &info, &bits);
}

SharedDibPicture LoadBitmapPicture(const wchar_t* path) {
    auto picture = std::make_shared<DibPicture>();
    picture->section = ReadIntoSection(path, &picture->info, &picture->bits);
    if (!picture->section) return nullptr;
    return picture;
}

void ReadBitmapFileSize(const wchar_t* path, int* width, int* height) {
    *width = 0;
    *height = 0;
    ScopedFileHandle file(OpenForReading(path));
    if (!file.valid()) return;
    BitmapFileHeader fileHeader;
    BitmapInfoHeader info;
    BitmapReadPlan plan;
    // A file the reader would refuse has no size to show.
    if (!ReadAndPlan(file.get(), &fileHeader, &info, &plan)) return;
    *width = info.biWidth;
    *height = info.biHeight;
}

void DrawBitmapStretched(HDC destination, RECT destinationRect, RECT sourceRect, HBITMAP bitmap) {
    ScopedGdiObject bitmapOwner(bitmap);
    ScopedMemoryDC memory(destination);
    if (!memory.get() || !bitmap) return;
    ScopedSelectObject selected(memory.get(), bitmap);
    SetStretchBltMode(destination, HALFTONE);
    SetBrushOrgEx(destination, 0, 0, nullptr);
    StretchBlt(destination, destinationRect.left, destinationRect.top,
               destinationRect.right - destinationRect.left,
               destinationRect.bottom - destinationRect.top, memory.get(), sourceRect.left,
               sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, SRCCOPY);
}

void DrawBitmapUnscaled(HDC destination, RECT destinationRect, HBITMAP bitmap) {
    ScopedGdiObject bitmapOwner(bitmap);
    ScopedMemoryDC memory(destination);
    if (!memory.get() || !bitmap) return;
    ScopedSelectObject selected(memory.get(), bitmap);
    BitBlt(destination, destinationRect.left, destinationRect.top,
           destinationRect.right - destinationRect.left,
           destinationRect.bottom - destinationRect.top, memory.get(), 0, 0, SRCCOPY);
}

void RecordPointer(HWND window) {
    if (Settings.IsCursor == 0) return;
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    if (!GetCursorInfo(&cursor) || !cursor.hCursor || !(cursor.flags & CURSOR_SHOWING)) {
        pointerImage = nullptr;
        return;
    }
    HCURSOR image = cursor.hCursor;
    POINT hotspot = {0, 0};
    // Wine keeps cursors per process: another program's cursor cannot be
    // read or drawn here, so the system arrow stands in for it.
    if (!ReadHotspot(image, &hotspot)) {
        image = LoadCursorW(nullptr, IDC_ARROW);
        ReadHotspot(image, &hotspot);
    }
    pointerImage = image;
    pointerPosition.x = cursor.ptScreenPos.x - hotspot.x;
    pointerPosition.y = cursor.ptScreenPos.y - hotspot.y;
    if (window) ScreenToClient(window, &pointerPosition);
}

void PumpPendingMessages() {
    MSG msg;
    constexpr UINT ALL_BUT_INPUT = PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | ALL_BUT_INPUT)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
