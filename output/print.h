// Printing a hard copy and the printer setup.
#pragma once

#include <windows.h>

#include <string>

// Set by the callers of the printer setup; cleared when its dialog returns.
extern bool printerSetupActive;
// The printer setup dialog while it is open.
extern HWND printerSetupWindow;

// What the page layout needs of a printer, in its device units.
struct PrinterPage {
    int offsetX;
    int offsetY;
    int physicalWidth;
    int physicalHeight;
    int printableWidth;  // HORZRES
    int printableHeight; // VERTRES
};

// The image rectangle of a width x height hard copy: 90 % of the printable
// width or height, aspect ratio kept, centred on the printable area. False,
// and no rectangle, for a hard copy without pixels.
bool ComputePrintImageRect(int width, int height, const PrinterPage& page, RECT* out);

// The printer's full name from the print dialog's device names, whose
// device offset is checked against the block; dmDeviceName holds only the
// first 31 characters and stands in when the names give none.
std::wstring ChosenPrinterName(HGLOBAL devNames, const DEVMODEW& chosen);

HDC RunPrinterSetup(HWND owner);
HDC GetDefaultPrinterContext();
// What became of a print: nothing reached the printer (no printer, a
// refused job), the page was handed to the spooler, or the user cancelled it
// in the printer setup or the abort dialog.
constexpr int PRINT_FAILED = 0;
constexpr int PRINT_DONE = 1;
constexpr int PRINT_CANCELLED = 2;
// The hard copy could not be read (held open, damaged): nothing was sent.
constexpr int PRINT_UNREADABLE = 3;

// The title line printed at the top of the page: PRINT_TITLE_CAPACITY, and
// cleared once it has been drawn.
constexpr int PRINT_TITLE_CAPACITY = 260;
int PrintHardCopy(RECT source, const wchar_t* path, wchar_t* title);
// Takes over `bitmap`, the hard copy already read.
int PrintHardCopyImage(RECT source, HBITMAP bitmap, wchar_t* title);
INT_PTR CALLBACK PrintAbortDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
