#include "output/clipboard.h"

#include "app/app.h"
#include "output/png_file.h"

#include <cstring>
#include <utility>

namespace {

// The picture behind the clipboard's promised PNG, while it is promised.
// A render holds its own reference, so that the clipboard changing hands
// in the middle of one cannot free the pixels it reads.
struct ClipboardState {
    UINT pngFormat = 0;
    SharedDibPicture promised;
};
ClipboardState clipboard;

// Header, colour table and pixels in movable global memory, as CF_DIB takes
// them: the bytes of the picture's file after its file header.
HGLOBAL PackedBitmap(const DibPicture& picture) {
    size_t headerBytes = picture.HeaderBytes();
    size_t pixelBytes = picture.info.header.biSizeImage;
    HGLOBAL packed = GlobalAlloc(GMEM_MOVEABLE, headerBytes + pixelBytes);
    auto* to = static_cast<char*>(packed ? GlobalLock(packed) : nullptr);
    if (!to) {
        if (packed) GlobalFree(packed);
        return nullptr;
    }
    GdiFlush();
    std::memcpy(to, &picture.info, headerBytes);
    std::memcpy(to + headerBytes, picture.bits, pixelBytes);
    GlobalUnlock(packed);
    return packed;
}

// The main window owns the clipboard: with no window, EmptyClipboard leaves
// it without owner and Windows refuses SetClipboardData, and nobody could be
// asked to render the PNG. Another program may hold it open for a moment;
// the wait sleeps rather than pumps, so nothing else runs in the middle.
bool OpenClipboardWithin(DWORD milliseconds) {
    constexpr DWORD RETRY_MILLISECONDS = 10;
    DWORD start = GetTickCount();
    while (!OpenClipboard(mainWindow)) {
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(RETRY_MILLISECONDS);
    }
    return true;
}

// A PNG that cannot be promised leaves the bitmap alone on the clipboard.
void PromisePng(SharedDibPicture picture) {
    UINT png = PngClipboardFormat();
    if (png == 0) return;
    clipboard.promised = std::move(picture);
    // A promise returns no handle either way; one that did not take is
    // forgotten with the clipboard's next owner.
    SetClipboardData(png, nullptr);
}

} // namespace

UINT PngClipboardFormat() {
    if (clipboard.pngFormat == 0) clipboard.pngFormat = RegisterClipboardFormatW(L"PNG");
    return clipboard.pngFormat;
}

ClipboardCopy CopyPictureToClipboard(SharedDibPicture picture) {
    HGLOBAL packed = picture ? PackedBitmap(*picture) : nullptr;
    if (!packed) return ClipboardCopy::Failed;
    if (!OpenClipboardWithin(CLIPBOARD_WAIT_MILLISECONDS)) {
        GlobalFree(packed);
        return ClipboardCopy::InUse;
    }
    // Our own WM_DESTROYCLIPBOARD comes within EmptyClipboard; the picture
    // promised before is let go once the clipboard is closed again.
    SharedDibPicture previous = std::move(clipboard.promised);
    EmptyClipboard();
    // Once set, the memory belongs to the clipboard. The bitmap goes first:
    // a program takes the first format on the list that it knows.
    bool placed = SetClipboardData(CF_DIB, packed) != nullptr;
    if (placed)
        PromisePng(std::move(picture));
    else
        GlobalFree(packed);
    CloseClipboard();
    return placed ? ClipboardCopy::Placed : ClipboardCopy::Failed;
}

ClipboardCopy CopyBitmapFileToClipboard(const wchar_t* path) {
    return CopyPictureToClipboard(LoadBitmapPicture(path));
}

// Made once: the clipboard keeps the PNG for every later paste. An encoder
// that fails leaves the PNG unrendered, and the bitmap in place.
void RenderClipboardFormat(UINT format) {
    if (format == 0 || format != clipboard.pngFormat || !clipboard.promised) return;
    SharedDibPicture picture = clipboard.promised;
    HGLOBAL png = EncodePngInMemory(picture->section);
    if (!png) return;
    if (SetClipboardData(format, png)) {
        if (clipboard.promised == picture) clipboard.promised.reset();
    } else {
        GlobalFree(png);
    }
}

// Another program may have taken the clipboard between the message and the
// opening; its contents are not ours to add to.
void RenderAllClipboardFormats(HWND owner) {
    if (!clipboard.promised) return;
    if (OpenClipboard(owner)) {
        if (GetClipboardOwner() == owner) RenderClipboardFormat(clipboard.pngFormat);
        CloseClipboard();
    }
    clipboard.promised.reset();
}

void ForgetClipboardPicture() {
    clipboard.promised.reset();
}
