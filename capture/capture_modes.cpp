#include "capture/capture_modes.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "capture/feedback.h"
#include "capture/scoped_gdi.h"
#include "output/history.h"
#include "output/print.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

#include <algorithm>
#include <cstring>

RECT captureRect;
HWND captureSurfaceWindow;
char saveNameBuffer[SAVE_NAME_CAPACITY];

namespace {

// Whether the last capture produced a hard copy; the printer step prints
// nothing for one that did not, rather than the previous hard copy.
bool lastCaptureDelivered;

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

RECT MovedToOrigin(RECT rect) {
    return RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
}

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

POINT ClientOriginOnScreen(HWND window) {
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

void ShiftPointer(int dx, int dy) {
    pointerPosition.x += dx;
    pointerPosition.y += dy;
}

void SaveHardCopy() {
    std::memset(saveNameBuffer, 0, sizeof saveNameBuffer);
    int imageType = ChooseSaveDestination(Settings.IsSaveDialog, saveNameBuffer);
    if (saveNameBuffer[0] != '\0') SaveHardCopyAs(workBitmapPath, saveNameBuffer, imageType);
}

// A capture that wrote no file delivers nothing: the work file would still
// hold the previous hard copy.
void FinishCapture(bool written, HWND feedbackWindow) {
    lastCaptureDelivered = false;
    if (written) DeliverHardCopy(captureRect, feedbackWindow);
}

HWND BeginCapture() {
    captureSurfaceWindow = ChooseCaptureSurface();
    return captureSurfaceWindow;
}

} // namespace

HWND ChooseCaptureSurface() {
    if (GetSystemMetrics(SM_CMONITORS) > 1) {
        HWND progman = FindWindowA("Progman", nullptr);
        HWND view = progman ? GetWindow(progman, GW_CHILD) : nullptr;
        HWND icons = view ? GetWindow(view, GW_CHILD) : nullptr;
        if (icons) return icons;
    }
    return GetDesktopWindow();
}

RECT VisibleSourceRect(RECT source, POINT origin, RECT surfaceRect) {
    RECT visible = {
        std::max(source.left, surfaceRect.left - origin.x),
        std::max(source.top, surfaceRect.top - origin.y),
        std::min(source.right, surfaceRect.right - origin.x),
        std::min(source.bottom, surfaceRect.bottom - origin.y),
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

void DeliverHardCopy(RECT feedbackRect, HWND feedbackWindow) {
    ShowCaptureFeedback(feedbackRect, feedbackWindow);
    if (IsOutputOn(Settings.SaveFormat1)) CopyBitmapFileToClipboard(workBitmapPath);
    if (IsOutputOn(Settings.SaveFormat2)) SaveHardCopy();
    // The printer step takes slot 0; when this hard copy did not get there,
    // slot 0 still holds an older one that must not be printed in its place.
    lastCaptureDelivered = RotateHistory();
}

void CaptureDesktop() {
    HWND surface = BeginCapture();
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        ScopedWindowDC dc(surface, GetWindowDC(surface));
        RecordPointer(surface);
        RECT source;
        if (GetSystemMetrics(SM_CMONITORS) <= 1 && Settings.IsExtraArea != 0) {
            // On one monitor the desktop window's coordinates are the screen's.
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &captureRect, 0);
            source = captureRect;
        } else {
            captureRect = WindowRectOf(surface);
            source = MovedToOrigin(captureRect);
        }
        if (dc.get()) written = WriteScreenBitmapFile(dc.get(), source, workBitmapPath, 1);
    }
    FinishCapture(written, nullptr);
}

void CaptureActiveWindow() {
    HWND surface = BeginCapture();
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        RECT surfaceRect = WindowRectOf(surface);
        HWND target = GetForegroundWindow();
        captureRect = WindowRectOf(target);
        ScopedWindowDC dc(target, target ? GetWindowDC(target) : nullptr);
        RecordPointer(target);
        POINT clientOrigin = ClientOriginOnScreen(target);
        ShiftPointer(clientOrigin.x - captureRect.left, clientOrigin.y - captureRect.top);
        POINT windowOrigin = {captureRect.left, captureRect.top};
        RECT source = VisibleSourceRect(MovedToOrigin(captureRect), windowOrigin, surfaceRect);
        if (dc.get()) written = WriteScreenBitmapFile(dc.get(), source, workBitmapPath, 1);
    }
    FinishCapture(written, nullptr);
}

void CaptureActiveWindowClient() {
    HWND surface = BeginCapture();
    HWND target = nullptr;
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        RECT surfaceRect = WindowRectOf(surface);
        target = GetForegroundWindow();
        captureRect = WindowRectOf(target);
        RECT client = {};
        GetClientRect(target, &client);
        ScopedWindowDC dc(target, target ? GetDC(target) : nullptr);
        RecordPointer(target);
        // Only what the surface shows of the client area is copied; the
        // pointer, drawn into the copy, moves with the copy's corner.
        RECT source = VisibleSourceRect(client, ClientOriginOnScreen(target), surfaceRect);
        ShiftPointer(-source.left, -source.top);
        if (dc.get()) written = WriteScreenBitmapFile(dc.get(), source, workBitmapPath, 0);
    }
    FinishCapture(written, target);
}

void CaptureFixedArea() {
    HWND surface = BeginCapture();
    bool written = false;
    {
        ScopedUpdateLock lock(surface);
        RECT surfaceRect = WindowRectOf(surface);
        ScopedWindowDC dc(surface, GetWindowDC(surface));
        RecordPointer(surface);
        captureRect = FixedAreaRect(Settings.AutoLeft, Settings.AutoTop, Settings.AutoRight,
                                    Settings.AutoBottom, surfaceRect);
        POINT corner = {captureRect.left, captureRect.top};
        ScreenToClient(surface, &corner);
        RECT source = {corner.x, corner.y, corner.x + (captureRect.right - captureRect.left),
                       corner.y + (captureRect.bottom - captureRect.top)};
        POINT origin = ClientOriginOnScreen(surface);
        ShiftPointer(origin.x - captureRect.left, origin.y - captureRect.top);
        if (dc.get()) written = WriteScreenBitmapFile(dc.get(), source, workBitmapPath, 0);
    }
    // The saved file is a copy of the hard copy, so it shows exactly the area.
    FinishCapture(written, nullptr);
}

void PrintAfterCapture() {
    if (!IsOutputOn(Settings.SaveFormat3) || !lastCaptureDelivered) return;
    if (Settings.IsPrintPreview == 0) {
        OpenHistoryViewer();
        return;
    }
    if (!IsHistorySlotFilled(0)) return;
    int width = 0, height = 0;
    ReadBitmapFileSize(historyFilePaths[0], &width, &height);
    PrintHardCopy(RECT{0, 0, width, height}, historyFilePaths[0]);
}
