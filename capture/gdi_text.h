// Text the program draws and measures itself. Its texts are code page 932
// bytes; GDI reads "A" text and face names in the system's code page, which
// need not be 932, so they reach GDI as UTF-16.
#pragma once

#include <windows.h>

BOOL DrawProgramText(HDC dc, int x, int y, const char* text, int length);
BOOL MeasureProgramText(HDC dc, const char* text, int length, SIZE* extent);
HFONT CreateProgramFont(const LOGFONTA& font);
