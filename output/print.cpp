#include "output/print.h"

bool printerSetupActive;

// Printing is not part of this build yet: the setup returns at once and
// clears the flag its caller set, and nothing is printed.
HDC RunPrinterSetup(HWND) {
    printerSetupActive = false;
    return nullptr;
}

int PrintHardCopy(RECT, const char*) { return 0; }
