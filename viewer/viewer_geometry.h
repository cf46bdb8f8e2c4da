// The history viewer's pure logic: size presets, window placement, stepping
// through the history, the page layout and the caption text.
#pragma once

#include "app/dpi.h"

#include <windows.h>

#include <cstddef>

constexpr int VIEWER_BAR_HEIGHT = 50;
constexpr int VIEWER_CAPTION_CAPACITY = 128;

struct ViewerSizePreset {
    int style; // the OnesWinStyle value
    UINT command;
    const wchar_t* menuText;
    int width;
    int height;
};

constexpr int VIEWER_PRESET_COUNT = 6;
// In the order of the size submenu.
extern const ViewerSizePreset VIEWER_SIZE_PRESETS[VIEWER_PRESET_COUNT];

const ViewerSizePreset* FindPresetByStyle(int style);
const ViewerSizePreset* FindPresetByCommand(UINT command);
// The window size for OnesWinStyle at a DPI; 560 x 420 (at 96 DPI) when no
// preset has that value.
SIZE ViewerWindowSize(int style, UINT dpi = DESIGN_DPI);
// The height of the button bar at the top of the client area.
int ViewerBarHeight(UINT dpi = DESIGN_DPI);

// The remembered position pulled into the work area, left and top edges
// winning when the window is larger than the work area.
POINT ClampViewerPosition(POINT remembered, SIZE size, RECT workArea);
// The window's rectangle at a position, its far edges held within LONG.
RECT ViewerRectAt(POINT position, SIZE size);
// The window centred in the work area, never left of or above it.
POINT CenterInWorkArea(SIZE size, RECT workArea);

bool IsStepCommand(UINT command);
// The slot after a stepping command from slot `current` in a history of
// `length` slots; `current` itself when the command does nothing.
int StepHistoryIndex(int current, int length, UINT command);

// Width and height of a bitmap as its header gives them, made usable for
// drawing: a top-down bitmap's negative height counts as its row count, and
// values no bitmap can have count as 0.
SIZE NormalizedImageSize(int width, int height);

struct ViewerPageLayout {
    RECT background;
    RECT bar;
    RECT shadow;
    RECT paper;
    RECT image;
};
ViewerPageLayout LayoutViewerPage(int clientWidth, int clientHeight, int imageWidth,
                                  int imageHeight, UINT dpi = DESIGN_DPI);
POINT TitleTextOrigin(int clientWidth, UINT dpi = DESIGN_DPI);

// "%d枚目" then "( W x H ) time - " or "( 履歴なし ) - ", then "ZORVEX (履歴)".
void FormatViewerCaption(int slot, bool exists, int width, int height, const wchar_t* fileTime,
                         wchar_t* out, size_t capacity);
