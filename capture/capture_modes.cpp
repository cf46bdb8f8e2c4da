#include "capture/capture_modes.h"

#include "app/app.h"
#include "app/monitors.h"
#include "capture/bitmap_file.h"
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

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRectOnScreen(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

HardCopy Made(bool written, HWND feedbackWindow) {
    return HardCopy{written, captureRect, feedbackWindow};
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
bool WriteScreenAreaFile(RECT area, const wchar_t* path) {
    ScopedWindowDC screen(nullptr, GetDC(nullptr));
    return screen.get() && WriteScreenBitmapFile(screen.get(), area, path, 1);
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
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        RecordPointer(nullptr);
        // Bars docked to one monitor cannot be cut out of a desktop of several.
        if (GetSystemMetrics(SM_CMONITORS) <= 1 && Settings.IsExtraArea != 0)
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &captureRect, 0);
        else
            captureRect = CaptureSurfaceRect();
        written = WriteScreenAreaFile(captureRect, workBitmapPath);
    }
    return Made(written, nullptr);
}

HardCopy CaptureActiveWindow() {
    HWND surface = BeginCapture();
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        HWND target = GetForegroundWindow();
        captureRect = WindowRectOf(target);
        RecordPointer(nullptr);
        RECT source = VisibleScreenRect(captureRect, CaptureSurfaceRect());
        if (target) written = WriteScreenAreaFile(source, workBitmapPath);
    }
    return Made(written, nullptr);
}

HardCopy CaptureActiveWindowClient() {
    HWND surface = BeginCapture();
    HWND target = nullptr;
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        target = GetForegroundWindow();
        captureRect = WindowRectOf(target);
        RecordPointer(nullptr);
        RECT source = VisibleScreenRect(ClientRectOnScreen(target), CaptureSurfaceRect());
        if (target) written = WriteScreenAreaFile(source, workBitmapPath);
    }
    return Made(written, target);
}

HardCopy CaptureFixedArea() {
    HWND surface = BeginCapture();
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        RecordPointer(nullptr);
        captureRect = FixedAreaRect(Settings.AutoLeft, Settings.AutoTop, Settings.AutoRight,
                                    Settings.AutoBottom, CaptureSurfaceRect());
        written = WriteScreenAreaFile(captureRect, workBitmapPath);
    }
    // The saved file is a copy of the hard copy, so it shows exactly the area.
    return Made(written, nullptr);
}
