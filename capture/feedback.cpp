#include "capture/feedback.h"

#include "app/app.h"
#include "app/dpi.h"
#include "app/monitors.h"
#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"
#include "settings/settings.h"

#include <cwchar>
#include <iterator>
#include <algorithm>
#include <cstring>

HWND flashWindow;
RECT flashRect;

namespace {

constexpr wchar_t FLASH_WINDOW_CLASS[] = L"CFlashWinClass";
constexpr DWORD FLASH_WINDOW_STYLE = WS_POPUP | WS_CHILD;

// The screen beneath the flash, taken before the window shows: a window
// without background keeps whatever its surface held, which is not always
// the screen (composited desktops, Wine), so the flash paints it back first.
HBITMAP flashBackground;

HBITMAP CopyScreenArea(RECT area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    ScopedWindowDC screen(nullptr, GetDC(nullptr));
    if (!screen.get() || width <= 0 || height <= 0) return nullptr;
    HBITMAP copy = CreateCompatibleBitmap(screen.get(), width, height);
    if (!copy) return nullptr;
    ScopedMemoryDC memory(screen.get());
    if (memory.get()) {
        ScopedSelectObject selected(memory.get(), copy);
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    }
    return copy;
}

void PaintFlashBackground(HDC dc) {
    if (!flashBackground) return;
    ScopedMemoryDC memory(dc);
    if (!memory.get()) return;
    ScopedSelectObject selected(memory.get(), flashBackground);
    BitBlt(dc, 0, 0, flashRect.right, flashRect.bottom, memory.get(), 0, 0, SRCCOPY);
}

void DiscardFlashBackground() {
    if (flashBackground) DeleteObject(flashBackground);
    flashBackground = nullptr;
}

LRESULT OnFlashCreate(HWND window) {
    ShowCursor(FALSE);
    GetClientRect(window, &flashRect);
    if (flashBackground) return 0;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    flashBackground = CopyScreenArea(
        RECT{origin.x, origin.y, origin.x + flashRect.right, origin.y + flashRect.bottom});
    return 0;
}

LRESULT OnFlashPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc) PaintFlashBackground(dc);
    int outline = ScaleForDpi(1, DpiOfWindow(window));
    for (int i = 0; i < FLASH_BLINKS; ++i) {
        DrawHatchedBox(window, flashRect, 1, RGB(0, 0, 0), outline);
        GdiFlush();
        Sleep(FLASH_STEP_MILLISECONDS);
        DrawHatchedBox(window, flashRect, 1, RGB(0, 0, 0), outline);
        GdiFlush();
        Sleep(FLASH_STEP_MILLISECONDS);
    }
    EndPaint(window, &paint);
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnFlashDestroy() {
    DiscardFlashBackground();
    flashWindow = nullptr;
    ShowCursor(TRUE);
    return 0;
}

// The notice's text is laid out in dialog units for the font the dialog
// asks for; another font (a substitute, or one of another DPI) can be wider
// and wrap the text onto a line the label cannot show. The label then grows
// to its text, centred in the notice.
void FitNoticeText(HWND dialog) {
    HWND label = FindWindowExW(dialog, nullptr, L"Static", nullptr);
    wchar_t text[64] = {};
    if (!label || GetWindowTextW(label, text, std::size(text)) <= 0) return;
    SIZE extent = {};
    {
        ScopedWindowDC dc(label, GetDC(label));
        if (!dc.get()) return;
        auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
        ScopedSelectObject selected(dc.get(), font);
        if (!GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcsnlen(text, std::size(text))),
                                &extent))
            return;
    }
    RECT rect = {}, client = {};
    GetWindowRect(label, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    GetClientRect(dialog, &client);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (extent.cx <= width) return;
    width = std::min<int>(extent.cx + 1, client.right);
    height = std::max<int>(height, extent.cy);
    MoveWindow(label, (client.right - width) / 2, rect.top, width, height, TRUE);
}

// Whether a menu loop runs on the notice (its system menu, opened from the
// caption). The loop is nested in the notice's own; the notice can only end
// once that loop has.
bool noticeMenuLoop;
// The window in front when the notice opened.
HWND foregroundBeforeNotice;

// Where the feedback goes: the rectangle, or the window's client area.
RECT FeedbackPlace(RECT rect, HWND window) {
    if (!window) return rect;
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

// The notice goes to the middle of the monitor that holds the middle of
// what was captured.
void CentreNoticeOn(HWND dialog, const RECT* captured) {
    if (!captured) return;
    POINT middle = {captured->left + (captured->right - captured->left) / 2,
                    captured->top + (captured->bottom - captured->top) / 2};
    RECT work = WorkAreaAt(middle);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnNoticeInit(HWND dialog, const RECT* captured) {
    noticeMenuLoop = false;
    FitNoticeText(dialog);
    CentreNoticeOn(dialog, captured);
    SetForegroundWindow(dialog);
    SetTimer(dialog, COPIED_NOTICE_TIMER, COPIED_NOTICE_MILLISECONDS, nullptr);
    return FALSE;
}

// The notice takes the foreground; a key waiting behind it (Ctrl+PrintScreen
// copies the active window) must find the window the user was in, not
// whichever one the system activates once the notice has gone. It is given
// back while the notice still shows, so that it is settled when the notice
// has gone.
void GiveBackForeground(HWND dialog) {
    HWND previous = foregroundBeforeNotice;
    if (previous && previous != mainWindow && previous != dialog && IsWindow(previous) &&
        GetForegroundWindow() != previous)
        SetForegroundWindow(previous);
}

INT_PTR OnNoticeClose(HWND dialog) {
    KillTimer(dialog, COPIED_NOTICE_TIMER);
    GiveBackForeground(dialog);
    // A menu loop left running would keep the hidden notice, and with it the
    // capture, waiting for a key that never comes to it.
    if (noticeMenuLoop) EndMenu();
    EndDialog(dialog, 0);
    return TRUE;
}

// The notice takes no menu mode from the keyboard: Alt or F10, let go while
// it shows (as after Ctrl+Alt+PrintScreen), would start a menu loop that
// nothing on screen shows and that outlives the notice.
INT_PTR OnNoticeSysCommand(HWND dialog, WPARAM command) {
    if ((command & 0xFFF0) != SC_KEYMENU) return FALSE;
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
}

} // namespace

CaptureFeedback ChooseCaptureFeedback(const SettingsRecord& settings, bool delivered) {
    if (settings.IsFlash == 0) return CaptureFeedback::Flash;
    bool noticeDue = IsOutputOn(settings.SaveFormat1) ||
                     (IsOutputOn(settings.SaveFormat2) && settings.IsSaveDialog == 0);
    return noticeDue && delivered ? CaptureFeedback::CopiedNotice : CaptureFeedback::None;
}

void PrepareCaptureFeedback(RECT rect, HWND window) {
    DiscardFlashBackground();
    if (Settings.IsFlash == 0) flashBackground = CopyScreenArea(FeedbackPlace(rect, window));
}

void ShowCaptureFeedback(RECT rect, HWND window, bool delivered) {
    switch (ChooseCaptureFeedback(Settings, delivered)) {
    case CaptureFeedback::Flash:
        CreateFlashWindow(appInstance, FLASH_WINDOW_CLASS, SW_SHOWNOACTIVATE, rect, window);
        break;
    case CaptureFeedback::CopiedNotice: {
        RECT captured = FeedbackPlace(rect, window);
        ShowCopiedNotice(&captured);
        break;
    }
    case CaptureFeedback::None: break;
    }
}

int CreateFlashWindow(HINSTANCE instance, const wchar_t* className, int showCommand, RECT rect,
                      HWND window) {
    RECT place = FeedbackPlace(rect, window);
    flashWindow = CreateWindowExW(WS_EX_TOPMOST, className, nullptr, FLASH_WINDOW_STYLE, place.left,
                                  place.top, place.right - place.left, place.bottom - place.top,
                                  mainWindow, nullptr, instance, nullptr);
    if (!flashWindow) return 0;
    ShowWindow(flashWindow, showCommand);
    UpdateWindow(flashWindow);
    return 1;
}

void ShowCopiedNotice(const RECT* captured) {
    foregroundBeforeNotice = GetForegroundWindow();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_COPIED_NOTICE), nullptr, CopiedNoticeProc,
                    reinterpret_cast<LPARAM>(captured));
    foregroundBeforeNotice = nullptr;
}

LRESULT CALLBACK FlashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnFlashCreate(window);
    case WM_PAINT: return OnFlashPaint(window);
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: return OnFlashDestroy();
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

INT_PTR CALLBACK CopiedNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnNoticeInit(dialog, reinterpret_cast<const RECT*>(lParam));
    case WM_TIMER:
        if (wParam == COPIED_NOTICE_TIMER) SendMessageW(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_CLOSE: return OnNoticeClose(dialog);
    case WM_SYSCOMMAND: return OnNoticeSysCommand(dialog, wParam);
    case WM_ENTERMENULOOP: noticeMenuLoop = true; return FALSE;
    case WM_EXITMENULOOP: noticeMenuLoop = false; return FALSE;
    default: return FALSE;
    }
}
