// The hidden main window: every hot key, tray notification and tray-menu
// command arrives here and is routed to the module that does the work.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// While the configuration dialog, the range overlay or the history viewer is
// open, or the printer setup runs, brings that window forward and says busy.
bool FocusBusyWindow();
