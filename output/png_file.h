// PNG pictures of hard copies, encoded by the Windows Imaging Component.
#pragma once

#include <windows.h>

// Writes the hard copy in the bitmap file `bitmapPath` to `pngPath` as a
// 24-bit PNG with exactly its pixels: a bitmap without compression has no
// alpha, so the unused fourth byte of a 32-bit one is left out. COM is
// started for the call and ended again. False when the bitmap cannot be
// read or the encoder fails, with the system's last error set to why (a full
// disk as ERROR_DISK_FULL); `pngPath` may then hold part of a file.
bool WritePngFile(const wchar_t* bitmapPath, const wchar_t* pngPath);
// The same PNG of a DIB section's pixels, as the bytes of a file in movable
// global memory of exactly their size; null when it cannot be made.
HGLOBAL EncodePngInMemory(HBITMAP section);
