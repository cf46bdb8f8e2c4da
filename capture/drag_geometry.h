// The arithmetic of a range drag, kept apart from the overlay window.
// Points are packed as in a mouse message's lParam: x in the low word, y in
// the high word, each a signed 16-bit value.
#pragma once

#include <windows.h>

struct DragPoint {
    int x;
    int y;
};

DragPoint UnpackDragPoint(LPARAM packed);
LPARAM PackDragPoint(DragPoint point);

// The point moved one pixel toward the anchor on each axis where they
// differ, so the band ends on the last pixel that the selection will hold.
LPARAM PullTowardAnchor(LPARAM anchor, LPARAM point);

// The selection for a drag from `anchor` released at `release`: it holds
// the anchor's pixel and never the release pixel; empty for a click.
RECT SelectionRect(LPARAM anchor, LPARAM release);
bool IsEmptySelection(const RECT& selection);
