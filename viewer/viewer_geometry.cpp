#include "viewer/viewer_geometry.h"

#include "capture/bitmap_file.h"
#include "resources/resource.h"

#include <cwchar>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

const ViewerSizePreset VIEWER_SIZE_PRESETS[VIEWER_PRESET_COUNT] = {
    {1, IDM_SIZE_TALL_LARGE, L"縦：大", 600, 800},
    {2, IDM_SIZE_WIDE_LARGE, L"横：大", 800, 600},
    {3, IDM_SIZE_TALL_MEDIUM, L"縦：中", 510, 680},
    {4, IDM_SIZE_WIDE_MEDIUM, L"横：中", 680, 510},
    {5, IDM_SIZE_TALL_SMALL, L"縦：小", 420, 560},
    {6, IDM_SIZE_WIDE_SMALL, L"横：小", 560, 420},
};

namespace {

constexpr SIZE FALLBACK_WINDOW_SIZE = {560, 420};

constexpr int PAPER_MARGIN = 10;
constexpr int SHADOW_OFFSET = 5;
constexpr int TITLE_TOP = 64;

// Pulls [start, start + length) into [low, high); the low edge wins when the
// range is longer than the area, so the caption bar stays on the screen.
// In 64 bits: a hand-edited start near INT_MAX must not wrap around.
LONG ClampSpan(LONG start, LONG length, LONG low, LONG high) {
    int64_t clamped = start;
    if (clamped + length > high) clamped = int64_t{high} - length;
    if (clamped < low) clamped = low;
    return static_cast<LONG>(clamped);
}

LONG CenterSpan(LONG length, LONG areaLength) { return std::max<LONG>((areaLength - length) / 2, 0); }

} // namespace

const ViewerSizePreset* FindPresetByStyle(int style) {
    for (const ViewerSizePreset& preset : VIEWER_SIZE_PRESETS) {
        if (preset.style == style) return &preset;
    }
    return nullptr;
}

const ViewerSizePreset* FindPresetByCommand(UINT command) {
    for (const ViewerSizePreset& preset : VIEWER_SIZE_PRESETS) {
        if (preset.command == command) return &preset;
    }
    return nullptr;
}

SIZE ViewerWindowSize(int style, UINT dpi) {
    const ViewerSizePreset* preset = FindPresetByStyle(style);
    return ScaleSizeForDpi(preset ? SIZE{preset->width, preset->height} : FALLBACK_WINDOW_SIZE,
                           dpi);
}

int ViewerBarHeight(UINT dpi) { return ScaleForDpi(VIEWER_BAR_HEIGHT, dpi); }

POINT ClampViewerPosition(POINT remembered, SIZE size, RECT workArea) {
    return POINT{ClampSpan(remembered.x, size.cx, workArea.left, workArea.right),
                 ClampSpan(remembered.y, size.cy, workArea.top, workArea.bottom)};
}

RECT ViewerRectAt(POINT position, SIZE size) {
    auto edge = [](LONG start, LONG length) {
        return static_cast<LONG>(std::clamp<int64_t>(int64_t{start} + length, LONG_MIN, LONG_MAX));
    };
    return RECT{position.x, position.y, edge(position.x, size.cx), edge(position.y, size.cy)};
}

POINT CenterInWorkArea(SIZE size, RECT workArea) {
    return POINT{workArea.left + CenterSpan(size.cx, workArea.right - workArea.left),
                 workArea.top + CenterSpan(size.cy, workArea.bottom - workArea.top)};
}

bool IsStepCommand(UINT command) {
    switch (command) {
    case IDC_VIEWER_FIRST:
    case IDC_VIEWER_PREV10:
    case IDC_VIEWER_PREV:
    case IDC_VIEWER_NEXT:
    case IDC_VIEWER_NEXT10:
    case IDC_VIEWER_LAST: return true;
    default: return false;
    }
}

int StepHistoryIndex(int current, int length, UINT command) {
    int last = length - 1;
    switch (command) {
    case IDC_VIEWER_PREV: return current <= 0 ? current : current - 1;
    case IDC_VIEWER_PREV10: return current <= 0 ? current : std::max(current - 10, 0);
    case IDC_VIEWER_FIRST: return current <= 0 ? current : std::max(current - 100, 0);
    case IDC_VIEWER_NEXT: return current >= last ? current : current + 1;
    case IDC_VIEWER_NEXT10: return current >= last ? current : std::min(current + 10, last);
    case IDC_VIEWER_LAST: return current >= last ? current : std::min(current + 100, last);
    default: return current;
    }
}

SIZE NormalizedImageSize(int width, int height) {
    if (width <= 0 || height == 0 || height == INT_MIN) return SIZE{0, 0};
    return SIZE{width, height < 0 ? -height : height};
}

ViewerPageLayout LayoutViewerPage(int w, int h, int imageWidth, int imageHeight, UINT dpi) {
    int bar = ViewerBarHeight(dpi);
    int margin = ScaleForDpi(PAPER_MARGIN, dpi);
    int shadow = ScaleForDpi(SHADOW_OFFSET, dpi);
    int pageTop = bar + margin;
    ViewerPageLayout layout;
    layout.background = RECT{0, bar, w, h};
    layout.bar = RECT{0, 0, w, bar};
    layout.shadow = RECT{margin + shadow, pageTop + shadow, w - shadow, h - shadow};
    layout.paper = RECT{margin, pageTop, w - margin, h - margin};
    FitImageRect(imageWidth, imageHeight, w - 2 * margin, h - pageTop - margin, &layout.image);
    OffsetRect(&layout.image, margin, pageTop);
    return layout;
}

POINT TitleTextOrigin(int clientWidth, UINT dpi) {
    return POINT{(clientWidth - 2 * ScaleForDpi(PAPER_MARGIN, dpi)) / 2,
                 ScaleForDpi(TITLE_TOP, dpi)};
}

void FormatViewerCaption(int slot, bool exists, int width, int height, const wchar_t* fileTime,
                         wchar_t* out, size_t capacity) {
    if (capacity == 0) return;
    if (exists)
        std::swprintf(out, capacity, L"%d枚目( %d x %d ) %ls - ZORVEX (履歴)", slot + 1, width,
                      height, fileTime);
    else
        std::swprintf(out, capacity, L"%d枚目( 履歴なし ) - ZORVEX (履歴)", slot + 1);
}
