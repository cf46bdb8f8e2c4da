#include "viewer/viewer.h"

#include <cstring>

HWND historyViewerWindow;
HWND historyViewerFocusControl;
int currentHistoryIndex;
HFONT viewerButtonFont;
char viewerTitleText[VIEWER_TITLE_CAPACITY];

HFONT CreateViewerButtonFont() {
    LOGFONTA font = {};
    font.lfHeight = 12;
    font.lfWeight = 12;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_OUTLINE_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = FF_SWISS;
    std::strcpy(font.lfFaceName, "ＭＳＰ ゴシック");
    return CreateFontIndirectA(&font);
}

HFONT CreateGothicFont(const char* face, int height, int escapement) {
    return CreateFontA(height, 0, escapement, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FIXED_PITCH | FF_MODERN, face);
}

void OpenHistoryViewer() {}

LRESULT CALLBACK HistoryViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
