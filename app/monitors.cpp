#include "app/monitors.h"

namespace {

MONITORINFO InfoOf(HMONITOR monitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
        info.rcMonitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return info;
}

} // namespace

RECT VirtualScreenRect() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT WorkAreaNearest(RECT rect) {
    return InfoOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)).rcWork;
}

RECT WorkAreaAt(POINT point) {
    return InfoOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)).rcWork;
}
