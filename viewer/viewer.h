// The history viewer window: one hard copy of the capture history on paper,
// with buttons to step through the history.
#pragma once

#include <windows.h>

#include "output/print.h"

constexpr int VIEWER_TITLE_CAPACITY = PRINT_TITLE_CAPACITY;

extern HWND historyViewerWindow;
extern HWND historyViewerFocusControl;
extern int currentHistoryIndex;
extern HFONT viewerButtonFont;
// The DPI viewerButtonFont was made for.
extern UINT viewerButtonFontDpi;
extern wchar_t viewerTitleText[VIEWER_TITLE_CAPACITY];

HFONT CreateViewerButtonFont(UINT dpi);
void OpenHistoryViewer();
// Shows the open viewer, makes it foreground and active and focuses its menu button.
void BringHistoryViewerForward();
int CreateHistoryViewer(HINSTANCE instance, const wchar_t* className, int showCommand);
LRESULT CALLBACK HistoryViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
