// Printing a hard copy and the printer setup.
#pragma once

#include <windows.h>

// Set by the callers of the printer setup; cleared when its dialog returns.
extern bool printerSetupActive;

HDC RunPrinterSetup(HWND owner);
int PrintHardCopy(RECT source, const char* path);
