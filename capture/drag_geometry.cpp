#include "capture/drag_geometry.h"

#include <algorithm>
#include <cstdlib>

DragPoint UnpackDragPoint(LPARAM packed) {
    return DragPoint{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))};
}

LPARAM PackDragPoint(DragPoint point) {
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

LPARAM PullTowardAnchor(LPARAM anchor, LPARAM point) {
    DragPoint a = UnpackDragPoint(anchor);
    DragPoint p = UnpackDragPoint(point);
    if (p.x > a.x) --p.x;
    if (p.y > a.y) --p.y;
    if (p.x < a.x) ++p.x;
    if (p.y < a.y) ++p.y;
    return PackDragPoint(p);
}

RECT SelectionRect(LPARAM anchor, LPARAM release) {
    DragPoint a = UnpackDragPoint(anchor);
    DragPoint p = UnpackDragPoint(release);
    if (p.x < a.x) {
        ++a.x;
        ++p.x;
    }
    if (p.y < a.y) {
        ++a.y;
        ++p.y;
    }
    int width = std::abs(a.x - p.x);
    int height = std::abs(a.y - p.y);
    int left = std::min(a.x, p.x);
    int top = std::min(a.y, p.y);
    return RECT{left, top, left + width, top + height};
}

bool IsEmptySelection(const RECT& selection) {
    return selection.right - selection.left <= 0 || selection.bottom - selection.top <= 0;
}
