#include "capture/range_overlay.h"

#include "capture/capture_modes.h"

HWND rangeOverlayWindow;
int areaPickMode;

void StartRangeSelection() {}

int CreateRangeOverlay(HINSTANCE, const char*, int, RECT) { return 0; }

LRESULT CALLBACK RangeOverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
