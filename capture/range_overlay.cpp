#include "capture/range_overlay.h"

#include "app/activity.h"
#include "app/app.h"
#include "capture/bitmap_file.h"
#include "capture/capture_modes.h"
#include "capture/drag_geometry.h"
#include "capture/scoped_gdi.h"
#include "resources/resource.h"
#include "settings/settings.h"


HWND rangeOverlayWindow;
int areaPickMode;

namespace {

constexpr const wchar_t* RANGE_CLASS_NAME = L"CRangeWinClass";
constexpr const wchar_t* OVERLAY_TITLE = L"ZORVEX";
constexpr DWORD OVERLAY_STYLE = WS_POPUP | WS_CHILD;
constexpr COLORREF BAND_COLOR = RGB(0, 0, 0);
constexpr int BAND_INVERT = 1;
// Esc reaches the overlay wherever the keyboard is: the overlay covers every
// window the key could be meant for, and under Wine its claim to the keyboard
// can lose to the shell's, made as the print's windows closed.
constexpr int ESCAPE_KEY_ID = 1;

// The overlay's state; there is at most one overlay.
struct RangeOverlayState {
    bool isDragging;
    // Set once the button is released on a selection: the overlay is then
    // copying and delivering, and takes no further input.
    bool isTakingSelection;
    LPARAM dragAnchor;
    LPARAM dragPoint;
    LPARAM dragLastPoint;
    HCURSOR savedCursor;
    RECT overlayPaintRect;
    HBITMAP backgroundBitmap;
    RangeSelectedHandler onSelected;
};
RangeOverlayState overlay;

HCURSOR CrossCursor() {
    return LoadCursorW(nullptr, IDC_CROSS);
}

RECT MovedToOrigin(const RECT& rect) {
    return RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
}

void DrawBand(HWND window, LPARAM from, LPARAM to) {
    // Every style inverts, so drawing the same band again erases it.
    if (Settings.IsNotRange != 0)
        DrawHatchedBand(window, from, to, BAND_INVERT, BAND_COLOR);
    else
        DrawBandOutline(window, from, to, BAND_INVERT, BAND_COLOR);
}

void EraseBand(HWND window) {
    DrawBand(window, overlay.dragAnchor, overlay.dragLastPoint);
}

void CloseOverlay(HWND window) {
    SetCursor(overlay.savedCursor);
    SendMessageW(window, WM_CLOSE, 0, 0);
}

// The background stays loaded for the overlay's whole life, so it is drawn
// here without handing it to DrawBitmapUnscaled, which would delete it.
void PaintBackground(HDC dc) {
    if (!overlay.backgroundBitmap) return;
    ScopedMemoryDC memory(dc);
    if (!memory.get()) return;
    ScopedSelectObject selected(memory.get(), overlay.backgroundBitmap);
    const RECT& rect = overlay.overlayPaintRect;
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory.get(), 0,
           0, SRCCOPY);
}

RECT SelectionOnScreen(HWND window, const RECT& selection) {
    POINT corner = {selection.left, selection.top};
    ClientToScreen(window, &corner);
    return RECT{corner.x, corner.y, corner.x + (selection.right - selection.left),
                corner.y + (selection.bottom - selection.top)};
}

// The selection is cut from the snapshot itself, which the overlay shows
// pixel for pixel at its client coordinates.
bool WriteSelectionFile(const RECT& selection, DWORD* error, SharedDibPicture* kept) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    if (!overlay.backgroundBitmap) return false;
    ScopedMemoryDC memory(nullptr);
    if (!memory.get()) return false;
    ScopedSelectObject selected(memory.get(), overlay.backgroundBitmap);
    return WriteScreenBitmapFile(memory.get(), selection, workBitmapPath, 0, error, nullptr, kept);
}

void TakeSelection(HWND window, const RECT& selection) {
    overlay.isTakingSelection = true;
    // The delivery's Save As dialog and notice take Esc themselves.
    UnregisterHotKey(window, ESCAPE_KEY_ID);
    captureRect = selection;
    HardCopy taken;
    taken.written = WriteSelectionFile(captureRect, &taken.error, &taken.picture);
    overlay.overlayPaintRect = taken.rect = SelectionOnScreen(window, selection);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    PumpPendingMessages();
    if (overlay.onSelected) overlay.onSelected(taken);
}

LRESULT OnCreate(HWND window) {
    RegisterHotKey(window, ESCAPE_KEY_ID, MOD_NOREPEAT, VK_ESCAPE);
    overlay.isDragging = false;
    overlay.isTakingSelection = false;
    overlay.savedCursor = SetCursor(CrossCursor());
    overlay.overlayPaintRect = MovedToOrigin(captureRect);
    overlay.backgroundBitmap = LoadBitmapFile(backgroundBitmapPath);
    return 0;
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc) PaintBackground(dc);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnLeftButtonDown(HWND window, LPARAM point) {
    if (overlay.isTakingSelection) return 0;
    overlay.isDragging = true;
    overlay.dragAnchor = overlay.dragLastPoint = point;
    DrawBand(window, overlay.dragAnchor, overlay.dragAnchor);
    SetCursor(CrossCursor());
    return 0;
}

LRESULT OnMouseMove(HWND window, LPARAM point) {
    if (!overlay.isDragging) return 0;
    overlay.dragPoint = PullTowardAnchor(overlay.dragAnchor, point);
    EraseBand(window);
    DrawBand(window, overlay.dragAnchor, overlay.dragPoint);
    overlay.dragLastPoint = overlay.dragPoint;
    SetCursor(CrossCursor());
    return 0;
}

LRESULT OnLeftButtonUp(HWND window, LPARAM point) {
    if (!overlay.isDragging) return 0;
    // Delivery and the printer step are one activity with the overlay's end.
    ActivityScope activity;
    SetCursor(overlay.savedCursor);
    EraseBand(window);
    overlay.isDragging = false;
    RECT selection = SelectionRect(overlay.dragAnchor, point);
    if (!IsEmptySelection(selection)) TakeSelection(window, selection);
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnKeyDown(HWND window, WPARAM key) {
    if (key != VK_ESCAPE || overlay.isTakingSelection) return 0;
    if (overlay.isDragging) {
        EraseBand(window);
        overlay.isDragging = false;
    } else {
        CloseOverlay(window);
    }
    return 0;
}

LRESULT OnRightButtonDown(HWND window) {
    if (!overlay.isTakingSelection) CloseOverlay(window);
    return 0;
}

LRESULT OnDestroy(HWND window) {
    UnregisterHotKey(window, ESCAPE_KEY_ID);
    if (overlay.backgroundBitmap) DeleteObject(overlay.backgroundBitmap);
    overlay.backgroundBitmap = nullptr;
    overlay.isDragging = false;
    overlay.isTakingSelection = false;
    rangeOverlayWindow = nullptr;
    areaPickMode = 0;
    return 0;
}

} // namespace

DWORD StartRangeSelection(RangeSelectedHandler onSelected) {
    if (rangeOverlayWindow) return NO_ERROR;
    overlay.onSelected = onSelected;
    // Taking the snapshot pumps messages; the overlay guards itself once open.
    ActivityScope activity;
    HWND surface = captureSurfaceWindow = ChooseCaptureSurface();
    LockWindowUpdate(surface);
    captureRect = CaptureSurfaceRect();
    RecordPointer(nullptr);
    DWORD error = NO_ERROR;
    bool written = WriteScreenAreaFile(captureRect, backgroundBitmapPath, &error);
    // The snapshot now holds the pointer where it was; the selection is
    // copied from the snapshot and must not get a second one.
    pointerImage = nullptr;
    LockWindowUpdate(nullptr);
    UpdateWindow(surface);
    // Without a fresh snapshot the overlay would show an older screen.
    if (!written || !CreateRangeOverlay(appInstance, RANGE_CLASS_NAME, SW_SHOW, captureRect)) {
        // No overlay will end the pick, so end it here: the flag would keep
        // the pointer out of every later hard copy.
        areaPickMode = 0;
        return error;
    }
    SetForegroundWindow(rangeOverlayWindow);
    SetFocus(rangeOverlayWindow);
    return NO_ERROR;
}

int CreateRangeOverlay(HINSTANCE instance, const wchar_t* className, int showCommand, RECT rect) {
    rangeOverlayWindow = CreateWindowExW(
        WS_EX_TOPMOST, className, OVERLAY_TITLE, OVERLAY_STYLE, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    if (!rangeOverlayWindow) return 0;
    ShowWindow(rangeOverlayWindow, showCommand);
    UpdateWindow(rangeOverlayWindow);
    return 1;
}

LRESULT CALLBACK RangeOverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_PAINT: return OnPaint(window);
    case WM_ACTIVATE: SetCursor(CrossCursor()); return 0;
    case WM_LBUTTONDOWN: return OnLeftButtonDown(window, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(window, lParam);
    case WM_LBUTTONUP: return OnLeftButtonUp(window, lParam);
    case WM_KEYDOWN: return OnKeyDown(window, wParam);
    case WM_HOTKEY: return wParam == ESCAPE_KEY_ID ? OnKeyDown(window, VK_ESCAPE) : 0;
    case WM_RBUTTONDOWN: return OnRightButtonDown(window);
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: return OnDestroy(window);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
