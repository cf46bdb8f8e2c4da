// The monitors of the desktop: the virtual screen that spans them all, in
// screen coordinates (negative ones for monitors left of or above the
// primary), and the work area of the monitor a place belongs to.
#pragma once

#include <windows.h>

RECT VirtualScreenRect();
// The work area of the monitor nearest to a rectangle or a point: a place on
// a monitor that has gone belongs to the nearest one still there.
RECT WorkAreaNearest(RECT rect);
RECT WorkAreaAt(POINT point);
