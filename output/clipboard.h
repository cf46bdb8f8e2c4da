// The clipboard output: a hard copy goes there as a device-independent
// bitmap, with a PNG of the same pixels offered beside it that is encoded
// only when a program asks for it. The main window owns what is placed and
// hands the clipboard's rendering messages to this module.
#pragma once

#include <windows.h>

#include "capture/bitmap_file.h"

// Placed, the clipboard in use (it could not be opened, whoever holds it),
// or the picture not read or not taken.
enum class ClipboardCopy { Placed, InUse, Failed };
constexpr DWORD CLIPBOARD_WAIT_MILLISECONDS = 500;

// Puts the picture on the clipboard, waiting a little for another program
// that holds it open. The picture is kept until the PNG has been made or
// the clipboard has changed hands.
ClipboardCopy CopyPictureToClipboard(SharedDibPicture picture);
// The same for a bitmap file, through the program's own reader.
ClipboardCopy CopyBitmapFileToClipboard(const wchar_t* path);

// The registered format "PNG"; 0 when it could not be registered.
UINT PngClipboardFormat();

// WM_RENDERFORMAT: the clipboard is open already, by the program asking.
void RenderClipboardFormat(UINT format);
// WM_RENDERALLFORMATS: the owner is going away.
void RenderAllClipboardFormats(HWND owner);
// WM_DESTROYCLIPBOARD: what was placed is gone.
void ForgetClipboardPicture();
