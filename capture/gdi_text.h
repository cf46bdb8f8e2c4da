// The program's texts are code page 932 bytes. GDI reads "A" text and face
// names in the system's code page, which need not be 932, so the text the
// program draws and measures itself reaches GDI as UTF-16.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

constexpr UINT PROGRAM_CODE_PAGE = 932;

// `length` bytes of the program's text (NULs included) as UTF-16.
std::wstring WideFromProgramText(const char* text, size_t length);

BOOL DrawProgramText(HDC dc, int x, int y, const char* text, int length);
BOOL MeasureProgramText(HDC dc, const char* text, int length, SIZE* extent);
HFONT CreateProgramFont(const LOGFONTA& font);
