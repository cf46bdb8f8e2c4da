// The history viewer window: one hard copy of the capture history on paper,
// with buttons to step through the history.
#pragma once

#include <windows.h>

constexpr int VIEWER_TITLE_CAPACITY = 260;

extern HWND historyViewerWindow;
extern HWND historyViewerFocusControl;
extern int currentHistoryIndex;
extern HFONT viewerButtonFont;
extern char viewerTitleText[VIEWER_TITLE_CAPACITY];

HFONT CreateViewerButtonFont();
HFONT CreateGothicFont(const char* face, int height, int escapement);
void OpenHistoryViewer();
LRESULT CALLBACK HistoryViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
