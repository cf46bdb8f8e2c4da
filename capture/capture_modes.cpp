#include "capture/capture_modes.h"

#include "app/app.h"
#include "app/monitors.h"
#include "capture/bitmap_file.h"
#include "capture/hdr_screen.h"
#include "capture/scoped_gdi.h"
#include "settings/settings.h"

#include <algorithm>

RECT captureRect;
HWND captureSurfaceWindow;

namespace {

// Holds back all painting on the surface while it is read, then repaints
// what was held back, a pointer drawn onto the screen included.
class ScopedUpdateLock {
  public:
    explicit ScopedUpdateLock(HWND surface) : surface_(surface) { LockWindowUpdate(surface); }
    ~ScopedUpdateLock() {
        LockWindowUpdate(nullptr);
        UpdateWindow(surface_);
    }
    ScopedUpdateLock(const ScopedUpdateLock&) = delete;
    ScopedUpdateLock& operator=(const ScopedUpdateLock&) = delete;

  private:
    HWND surface_;
};

// The frame Windows 10 and 11 draw, without the invisible resize borders that
// GetWindowRect counts in: the desktop window manager's own bounds, in the
// physical pixels this per-monitor aware program works in. Asked of dwmapi
// at run time; without it (no composition, Wine) the window rectangle.
bool ExtendedFrameBounds(HWND window, RECT* frame) {
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    constexpr DWORD EXTENDED_FRAME_BOUNDS = 9; // DWMWA_EXTENDED_FRAME_BOUNDS
    static const GetAttribute getAttribute = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        return dwm ? reinterpret_cast<GetAttribute>(reinterpret_cast<void*>(
                         GetProcAddress(dwm, "DwmGetWindowAttribute")))
                   : nullptr;
    }();
    return getAttribute &&
           SUCCEEDED(getAttribute(window, EXTENDED_FRAME_BOUNDS, frame, sizeof *frame));
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

RECT WindowFrameOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT frame = {};
    bool framed = ExtendedFrameBounds(window, &frame);
    return VisibleWindowFrame(rect, framed ? &frame : nullptr, IsZoomed(window) != FALSE,
                              WorkAreaOf(window));
}

RECT ClientRectOnScreen(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

// The hard copy of `area` in the work file, made for `captureRect`.
HardCopy WriteHardCopy(RECT area, HWND feedbackWindow) {
    HardCopy made;
    made.written = WriteScreenAreaFile(area, workBitmapPath, &made.error, &made.picture);
    made.rect = captureRect;
    made.feedbackWindow = feedbackWindow;
    return made;
}

HWND BeginCapture() {
    captureSurfaceWindow = ChooseCaptureSurface();
    return captureSurfaceWindow;
}

} // namespace

HWND ChooseCaptureSurface() {
    return GetDesktopWindow();
}

RECT CaptureSurfaceRect() {
    return VirtualScreenRect();
}

// The screen's own context rather than a window's: it spans every monitor,
// and with desktop composition it is the one that holds what the screen
// shows.
bool WriteScreenAreaFile(HdrPictureSource& hdr, RECT area, const wchar_t* path, DWORD* error,
                         SharedDibPicture* kept) {
    ScopedWindowDC screen(nullptr, GetDC(nullptr));
    if (!screen.get()) {
        if (error) *error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    return WriteScreenBitmapFile(
        screen.get(), area, path, 1, error,
        [&hdr](HDC copy, RECT rect) { PaintHdrParts(hdr, copy, rect); }, kept);
}

bool WriteScreenAreaFile(RECT area, const wchar_t* path, DWORD* error, SharedDibPicture* kept) {
    return WriteScreenAreaFile(DesktopDuplication(), area, path, error, kept);
}

RECT VisibleWindowFrame(RECT windowRect, const RECT* extendedFrame, bool maximised,
                        RECT workArea) {
    RECT frame = windowRect;
    // Bounds the window manager gives lie within the window's rectangle;
    // anything else is no answer.
    if (extendedFrame && extendedFrame->right > extendedFrame->left &&
        extendedFrame->bottom > extendedFrame->top && extendedFrame->left >= windowRect.left &&
        extendedFrame->top >= windowRect.top && extendedFrame->right <= windowRect.right &&
        extendedFrame->bottom <= windowRect.bottom)
        frame = *extendedFrame;
    // A maximised window reaches past its monitor's work area by its border,
    // onto the taskbar and the monitor beside it.
    if (maximised) {
        RECT onMonitor = VisibleScreenRect(frame, workArea);
        if (onMonitor.right > onMonitor.left) frame = onMonitor;
    }
    return frame;
}

RECT VisibleScreenRect(RECT rect, RECT surfaceRect) {
    RECT visible = {
        std::max(rect.left, surfaceRect.left),
        std::max(rect.top, surfaceRect.top),
        std::min(rect.right, surfaceRect.right),
        std::min(rect.bottom, surfaceRect.bottom),
    };
    if (visible.right <= visible.left || visible.bottom <= visible.top) return RECT{0, 0, 0, 0};
    return visible;
}

RECT FixedAreaRect(int left, int top, int right, int bottom, RECT surfaceRect) {
    RECT area = {std::min(left, right), std::min(top, bottom), std::max(left, right),
                 std::max(top, bottom)};
    bool empty = area.right == area.left || area.bottom == area.top;
    bool outside = area.left < surfaceRect.left || area.top < surfaceRect.top ||
                   area.right > surfaceRect.right || area.bottom > surfaceRect.bottom;
    return empty || outside ? surfaceRect : area;
}

HardCopy CaptureDesktop() {
    HWND surface = BeginCapture();
    ScopedUpdateLock lock(surface);
    RecordPointer(nullptr);
    // Bars docked to one monitor cannot be cut out of a desktop of several.
    if (GetSystemMetrics(SM_CMONITORS) <= 1 && Settings.IsExtraArea != 0)
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &captureRect, 0);
    else
        captureRect = CaptureSurfaceRect();
    return WriteHardCopy(captureRect, nullptr);
}

HardCopy CaptureActiveWindow() {
    HWND surface = BeginCapture();
    ScopedUpdateLock lock(surface);
    HWND target = GetForegroundWindow();
    captureRect = WindowFrameOf(target);
    RecordPointer(nullptr);
    if (!target) return HardCopy{};
    return WriteHardCopy(VisibleScreenRect(captureRect, CaptureSurfaceRect()), nullptr);
}

HardCopy CaptureActiveWindowClient() {
    HWND surface = BeginCapture();
    ScopedUpdateLock lock(surface);
    HWND target = GetForegroundWindow();
    captureRect = WindowFrameOf(target);
    RecordPointer(nullptr);
    if (!target) return HardCopy{};
    return WriteHardCopy(VisibleScreenRect(ClientRectOnScreen(target), CaptureSurfaceRect()),
                         target);
}

HardCopy CaptureFixedArea() {
    HWND surface = BeginCapture();
    ScopedUpdateLock lock(surface);
    RecordPointer(nullptr);
    captureRect = FixedAreaRect(Settings.AutoLeft, Settings.AutoTop, Settings.AutoRight,
                                Settings.AutoBottom, CaptureSurfaceRect());
    // The saved file is a copy of the hard copy, so it shows exactly the area.
    return WriteHardCopy(captureRect, nullptr);
}
