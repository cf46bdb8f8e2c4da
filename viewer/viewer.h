// The history viewer window: one hard copy of the capture history on paper,
// with buttons to step through the history.
#pragma once

#include <windows.h>

constexpr int VIEWER_TITLE_CAPACITY = 260;

extern HWND historyViewerWindow;
extern HWND historyViewerFocusControl;
extern int currentHistoryIndex;
extern HFONT viewerButtonFont;
// The DPI viewerButtonFont was made for.
extern UINT viewerButtonFontDpi;
extern wchar_t viewerTitleText[VIEWER_TITLE_CAPACITY];

HFONT CreateViewerButtonFont(UINT dpi);
HFONT CreateGothicFont(const wchar_t* face, int height, int escapement);
void OpenHistoryViewer();
// Shows the open viewer, makes it foreground and active and focuses its menu button.
void BringHistoryViewerForward();
int CreateHistoryViewer(HINSTANCE instance, const wchar_t* className, int showCommand);
LRESULT CALLBACK HistoryViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the shown slot again, draws it with the title and updates the caption.
void ShowHistorySlot();
void ApplySizePreset(UINT command);
void UpdateViewerCaption();

// The shown slot's image size as last read, and its file.
SIZE ViewerImageSize();
const wchar_t* CurrentHistoryFile();
// Reads the shown slot's image size again (0 x 0 when it is empty).
void ReadViewerImageSize();
// Forgets the image size, so that the page is drawn empty.
void ForgetViewerImageSize();
// Draws the page into the back buffer; `newBuffer` first makes a back buffer
// of the current client size.
void RenderViewerPage(bool withTitle, bool newBuffer);
void RedrawViewer();
