#include "viewer/viewer.h"

#include "app/activity.h"
#include "app/app.h"
#include "app/dpi.h"
#include "app/monitors.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"
#include "output/history.h"
#include "output/save.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "viewer/viewer_commands.h"
#include "viewer/viewer_geometry.h"
#include "viewer/viewer_menu.h"

#include <windowsx.h>

#include <cwchar>
#include <iterator>
#include <cstring>

HWND historyViewerWindow;
HWND historyViewerFocusControl;
int currentHistoryIndex;
HFONT viewerButtonFont;
UINT viewerButtonFontDpi = DESIGN_DPI;
wchar_t viewerTitleText[VIEWER_TITLE_CAPACITY];

namespace {

constexpr wchar_t VIEWER_CLASS_NAME[] = L"COnesWinClass";
constexpr wchar_t VIEWER_FACE_NAME[] = L"ＭＳＰ ゴシック";
constexpr int TITLE_FONT_HEIGHT = 12;
constexpr int BUTTON_FONT_HEIGHT = 12;
constexpr COLORREF TITLE_COLOR = RGB(0x7F, 0x7F, 0x7F);
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr int MENU_BUTTON_BOTTOM = 52;
constexpr DWORD VIEWER_STYLE = WS_VISIBLE | WS_DLGFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
                               WS_MAXIMIZEBOX;
constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

struct ViewerButton {
    const wchar_t* text;
    int id;
    int x, y, width, height;
};

const ViewerButton VIEWER_BUTTONS[] = {
    {L"印刷", IDC_VIEWER_PRINT, 4, 3, 80, 22},     {L"メニュー", IDC_VIEWER_MENU, 4, 26, 80, 22},
    {L"<<<", IDC_VIEWER_FIRST, 100, 10, 30, 30},   {L"<<", IDC_VIEWER_PREV10, 135, 10, 30, 30},
    {L"<", IDC_VIEWER_PREV, 170, 10, 30, 30},      {L">", IDC_VIEWER_NEXT, 205, 10, 30, 30},
    {L">>", IDC_VIEWER_NEXT10, 240, 10, 30, 30},   {L">>>", IDC_VIEWER_LAST, 275, 10, 30, 30},
    {L"閉じる", IDC_VIEWER_CLOSE, 325, 3, 70, 44},
};

// The page as last drawn, copied to the screen on every paint.
class BackBuffer {
public:
    ~BackBuffer() { Release(); }

    void Rebuild(HWND window) {
        Release();
        RECT client;
        GetClientRect(window, &client);
        ScopedWindowDC windowDC(window, GetDC(window));
        if (!windowDC.get()) return;
        dc_ = CreateCompatibleDC(windowDC.get());
        bitmap_ = CreateCompatibleBitmap(windowDC.get(), client.right, client.bottom);
        if (!dc_ || !bitmap_) {
            Release();
            return;
        }
        previous_ = SelectObject(dc_, bitmap_);
        width_ = client.right;
        height_ = client.bottom;
    }

    void Release() {
        if (dc_ && previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
        dc_ = nullptr;
        bitmap_ = nullptr;
        previous_ = nullptr;
        width_ = height_ = 0;
    }

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The open viewer's state; there is one viewer at most.
struct ViewerState {
    BackBuffer backBuffer;
    // The shown slot's image size as last read.
    SIZE shownImageSize = {};
    // The DPI the viewer is laid out for.
    UINT dpi = DESIGN_DPI;
    // Set from WM_CLOSE until the window is gone: messages pumped while it
    // is destroyed must not run commands on it or close it a second time.
    bool closing = false;
    // The button that had the keyboard focus when another window was
    // activated; it has it again when the viewer is, as in a dialog.
    HWND focusWhileInactive = nullptr;
};
ViewerState viewer;

const wchar_t* CurrentHistoryFile() {
    if (currentHistoryIndex < 0 || currentHistoryIndex >= HISTORY_SLOT_COUNT) return L"";
    return historyFilePaths[currentHistoryIndex];
}

RECT CurrentWorkArea() {
    RECT rect = {};
    GetWindowRect(historyViewerWindow, &rect);
    return WorkAreaNearest(rect);
}

void DrawTitle(HDC dc, int clientWidth) {
    if (viewerTitleText[0] == '\0') return;
    ScopedGdiObject font(
        CreateGothicFont(VIEWER_FACE_NAME, ScaleForDpi(TITLE_FONT_HEIGHT, viewer.dpi), 0));
    ScopedSelectObject selected(dc, font.get());
    SetTextColor(dc, TITLE_COLOR);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    POINT origin = TitleTextOrigin(clientWidth, viewer.dpi);
    TextOutW(dc, origin.x, origin.y, viewerTitleText,
                    static_cast<int>(wcsnlen(viewerTitleText, VIEWER_TITLE_CAPACITY - 1)));
}

void DrawPage(HDC dc, int w, int h, bool withTitle) {
    ViewerPageLayout layout =
        LayoutViewerPage(w, h, viewer.shownImageSize.cx, viewer.shownImageSize.cy, viewer.dpi);
    FillBox(dc, layout.background, GetSysColor(COLOR_APPWORKSPACE));
    FillBox(dc, layout.bar, GetSysColor(COLOR_BTNFACE));
    FillBox(dc, layout.shadow, BLACK);
    FillBox(dc, layout.paper, WHITE);
    DrawPlainOutline(dc, layout.paper, BLACK);

    if (HBITMAP bitmap = LoadBitmapFile(CurrentHistoryFile())) {
        RECT source = {0, 0, viewer.shownImageSize.cx, viewer.shownImageSize.cy};
        DrawBitmapStretched(dc, layout.image, source, bitmap);
    }
    if (Settings.IsPrintEdge != 0 && IsHistorySlotFilled(currentHistoryIndex))
        DrawPlainOutline(dc, layout.image, BLACK);
    if (withTitle) DrawTitle(dc, w);
}

POINT MenuButtonPosition(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return POINT{rect.left + SystemMetricForDpi(SM_CXDLGFRAME, viewer.dpi) +
                     ScaleForDpi(2, viewer.dpi),
                 rect.top + SystemMetricForDpi(SM_CYDLGFRAME, viewer.dpi) +
                     SystemMetricForDpi(SM_CYCAPTION, viewer.dpi) +
                     ScaleForDpi(MENU_BUTTON_BOTTOM, viewer.dpi)};
}

RECT ButtonRect(const ViewerButton& button, UINT dpi) {
    return ScaleRectForDpi(
        RECT{button.x, button.y, button.x + button.width, button.y + button.height}, dpi);
}

// Gives the buttons the shared font for `dpi`, made again only when the
// viewer opens on, or moves to, a monitor of another DPI; the font it
// replaces goes once no button holds it.
void SetButtonFont(HWND window, UINT dpi) {
    HFONT previous = nullptr;
    if (!viewerButtonFont || viewerButtonFontDpi != dpi) {
        if (HFONT font = CreateViewerButtonFont(dpi)) {
            previous = viewerButtonFont;
            viewerButtonFont = font;
            viewerButtonFontDpi = dpi;
        }
    }
    for (const ViewerButton& button : VIEWER_BUTTONS)
        SendDlgItemMessageW(window, button.id, WM_SETFONT,
                            reinterpret_cast<WPARAM>(viewerButtonFont), TRUE);
    if (previous) DeleteObject(previous);
}

void CreateButtons(HWND window, HINSTANCE instance) {
    for (const ViewerButton& button : VIEWER_BUTTONS) {
        RECT r = ButtonRect(button, viewer.dpi);
        HWND control = CreateWindowExW(0, L"BUTTON", button.text, BUTTON_STYLE, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)),
                                       instance, nullptr);
        if (control && button.id == IDC_VIEWER_MENU) historyViewerFocusControl = control;
    }
    SetButtonFont(window, viewer.dpi);
}

void LayOutButtons(HWND window) {
    for (const ViewerButton& button : VIEWER_BUTTONS) {
        RECT r = ButtonRect(button, viewer.dpi);
        MoveWindow(GetDlgItem(window, button.id), r.left, r.top, r.right - r.left,
                   r.bottom - r.top, TRUE);
    }
}

void ReadViewerImageSize() {
    int width = 0, height = 0;
    if (IsHistorySlotFilled(currentHistoryIndex))
        ReadBitmapFileSize(CurrentHistoryFile(), &width, &height);
    viewer.shownImageSize = NormalizedImageSize(width, height);
}

void ForgetViewerImageSize() { viewer.shownImageSize = SIZE{0, 0}; }

void RenderViewerPage(bool withTitle, bool newBuffer) {
    if (!historyViewerWindow) return;
    if (newBuffer || !viewer.backBuffer.dc()) viewer.backBuffer.Rebuild(historyViewerWindow);
    if (!viewer.backBuffer.dc()) return;
    DrawPage(viewer.backBuffer.dc(), viewer.backBuffer.width(), viewer.backBuffer.height(), withTitle);
}

void RedrawViewer() { InvalidateRect(historyViewerWindow, nullptr, TRUE); }

void UpdateViewerCaption() {
    if (!historyViewerWindow) return;
    bool exists = IsHistorySlotFilled(currentHistoryIndex);
    wchar_t fileTime[FILE_TIME_TEXT_CAPACITY] = {};
    if (exists) FormatFileTimeText(CurrentHistoryFile(), fileTime, std::size(fileTime));
    wchar_t caption[VIEWER_CAPTION_CAPACITY] = {};
    FormatViewerCaption(currentHistoryIndex, exists, viewer.shownImageSize.cx, viewer.shownImageSize.cy,
                        fileTime, caption, std::size(caption));
    SendMessageW(historyViewerWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption));
}

void ShowHistorySlot() {
    ReadViewerImageSize();
    RenderViewerPage(true, false);
    UpdateViewerCaption();
    RedrawViewer();
}

void ApplySizePreset(UINT command) {
    const ViewerSizePreset* preset = FindPresetByCommand(command);
    if (!preset || !historyViewerWindow || IsZoomed(historyViewerWindow)) return;
    SIZE size = ScaleSizeForDpi(SIZE{preset->width, preset->height}, viewer.dpi);
    POINT position = CenterInWorkArea(size, CurrentWorkArea());
    MoveWindow(historyViewerWindow, position.x, position.y, size.cx, size.cy, TRUE);
    Settings.OnesWinStyle = preset->style;
    TellSettingsFailure(
        WriteSettingInt(&Settings.OnesWinStyle, "Others", "OnesWinStyle", settingsFilePath));
    CheckSizePresetItem(command);
    ShowHistorySlot();
}

void StoreViewerPosition(HWND window) {
    // A maximised or minimised window's rectangle says nothing about where
    // the user wants the viewer next time.
    if (IsZoomed(window) || IsIconic(window)) return;
    RECT rect;
    GetWindowRect(window, &rect);
    Settings.OnesLeft = rect.left;
    Settings.OnesTop = rect.top;
    TellSettingsFailure(
        WriteSettingInt(&Settings.OnesLeft, "Others", "OnesLeft", settingsFilePath));
    TellSettingsFailure(WriteSettingInt(&Settings.OnesTop, "Others", "OnesTop", settingsFilePath));
}

void StepTo(UINT command) {
    int next = StepHistoryIndex(currentHistoryIndex, ClampHistoryLength(Settings.SaveNum), command);
    if (next == currentHistoryIndex) return;
    currentHistoryIndex = next;
    ShowHistorySlot();
}

LRESULT OnCreate(HWND window) {
    historyViewerWindow = window;
    viewerTitleText[0] = '\0';
    ReadViewerImageSize();
    UpdateViewerCaption();
    RenderViewerPage(false, true);
    return 0;
}

LRESULT OnSize(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    RenderViewerPage(false, true);
    return 0;
}

void RememberFocusedButton(HWND window) {
    HWND focus = GetFocus();
    viewer.focusWhileInactive = focus && IsChild(window, focus) ? focus : nullptr;
}

// The default handling would give the focus to the viewer itself, where the
// space bar presses nothing and no button shows the focus.
void RestoreFocusedButton(HWND window) {
    HWND button = viewer.focusWhileInactive;
    if (!button || !IsChild(window, button)) button = historyViewerFocusControl;
    SetFocus(button && IsChild(window, button) ? button : window);
}

LRESULT OnActivate(HWND window, WPARAM wParam) {
    bool activated = LOWORD(wParam) != WA_INACTIVE;
    if (!activated) RememberFocusedButton(window);
    InvalidateRect(window, nullptr, TRUE);
    {
        // Activation comes while the viewer is still being created (no
        // buttons yet) and while it is destroyed: a hot key pumped here
        // waits until the window is whole or gone.
        ActivityScope activity;
        PumpPendingMessages();
    }
    if (activated && !HIWORD(wParam) && !viewer.closing && historyViewerWindow == window &&
        GetActiveWindow() == window)
        RestoreFocusedButton(window);
    return 0;
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (viewer.backBuffer.dc())
        BitBlt(dc, 0, 0, viewer.backBuffer.width(), viewer.backBuffer.height(), viewer.backBuffer.dc(), 0, 0, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnKeyUp(HWND window, WPARAM key) {
    if (key == VK_ESCAPE)
        SendMessageW(window, WM_CLOSE, 0, 0);
    else if (key == VK_APPS)
        ShowViewerMenu(window, MenuButtonPosition(window));
    return 0;
}

LRESULT OnRightButtonDown(HWND window, LPARAM lParam) {
    if (GET_Y_LPARAM(lParam) <= ViewerBarHeight(viewer.dpi)) return 0;
    POINT cursor;
    GetCursorPos(&cursor);
    ShowViewerMenu(window, cursor);
    return 0;
}

void OnTitleEntered(HWND window) {
    ReadViewerImageSize();
    RenderViewerPage(true, false);
    RedrawViewer();
    PumpPendingMessages();
    SetForegroundWindow(window);
}

void OnHardCopyDeleted() {
    UpdateViewerCaption();
    ForgetViewerImageSize();
    RenderViewerPage(false, true);
    viewerTitleText[0] = L'\0';
    RedrawViewer();
    BuildTrayMenu();
}

void RunCommandOnShownHardCopy(HWND window, UINT command) {
    ShownHardCopy shown{currentHistoryIndex, CurrentHistoryFile(), viewer.shownImageSize, viewerTitleText};
    switch (RunViewerCommand(window, command, shown)) {
    case ViewerChange::TitleEntered: OnTitleEntered(window); break;
    case ViewerChange::Deleted: OnHardCopyDeleted(); break;
    case ViewerChange::None: break;
    }
}

LRESULT OnCommand(HWND window, UINT command) {
    if (viewer.closing) return 0;
    if (IsStepCommand(command)) {
        StepTo(command);
    } else if (FindPresetByCommand(command)) {
        ApplySizePreset(command);
    } else if (command == IDC_VIEWER_MENU) {
        SendMessageW(window, WM_KEYUP, VK_APPS, 0);
    } else if (command == IDC_VIEWER_CLOSE) {
        SendMessageW(window, WM_CLOSE, 0, 0);
    } else {
        RunCommandOnShownHardCopy(window, command);
    }
    return 0;
}

// Moved to a monitor of another DPI: the suggested rectangle keeps the
// window's size in proportion, and everything inside is laid out again.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    viewer.dpi = DpiFromDpiChanged(wParam);
    SetButtonFont(window, viewer.dpi);
    LayOutButtons(window);
    MoveToSuggestedRect(window, lParam);
    RenderViewerPage(false, true);
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

LRESULT OnClose(HWND window) {
    if (viewer.closing) return 0;
    viewer.closing = true;
    StoreViewerPosition(window);
    viewer.backBuffer.Release();
    DestroyWindow(window);
    return 0;
}

LRESULT OnDestroy() {
    viewer.closing = false;
    viewer.backBuffer.Release();
    historyViewerWindow = nullptr;
    historyViewerFocusControl = nullptr;
    viewer.focusWhileInactive = nullptr;
    return 0;
}

} // namespace

HFONT CreateViewerButtonFont(UINT dpi) {
    LOGFONTW font = {};
    font.lfHeight = ScaleForDpi(BUTTON_FONT_HEIGHT, dpi);
    font.lfWeight = 12;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_OUTLINE_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = FF_SWISS;
    std::wcscpy(font.lfFaceName, VIEWER_FACE_NAME);
    return CreateFontIndirectW(&font);
}

namespace {

void ActivateHistoryViewer() {
    SetForegroundWindow(historyViewerWindow);
    SetActiveWindow(historyViewerWindow);
    SetFocus(historyViewerFocusControl);
}

} // namespace

void OpenHistoryViewer() {
    // There is one viewer, ever: a second request brings it forward.
    if (historyViewerWindow) {
        BringHistoryViewerForward();
        return;
    }
    currentHistoryIndex = 0;
    if (!CreateHistoryViewer(appInstance, VIEWER_CLASS_NAME, SW_SHOW)) return;
    ActivateHistoryViewer();
}

void BringHistoryViewerForward() {
    ShowWindow(historyViewerWindow, SW_SHOW);
    UpdateWindow(historyViewerWindow);
    ActivateHistoryViewer();
}

int CreateHistoryViewer(HINSTANCE instance, const wchar_t* className, int showCommand) {
    // Laid out for the monitor of the remembered position; the position
    // itself stays in physical screen pixels.
    POINT remembered = {Settings.OnesLeft, Settings.OnesTop};
    viewer.dpi = DpiAtPoint(remembered);
    SIZE size = ViewerWindowSize(Settings.OnesWinStyle, viewer.dpi);
    RECT work = WorkAreaNearest(ViewerRectAt(remembered, size));
    POINT position = ClampViewerPosition(remembered, size, work);
    Settings.OnesLeft = position.x;
    Settings.OnesTop = position.y;

    historyViewerWindow = CreateWindowExW(0, className, L"ZORVEX", VIEWER_STYLE, position.x,
                                          position.y, size.cx, size.cy, nullptr, nullptr,
                                          instance, nullptr);
    if (!historyViewerWindow) return 0;
    if (UINT actual = DpiOfWindow(historyViewerWindow); actual != viewer.dpi) {
        viewer.dpi = actual;
        size = ViewerWindowSize(Settings.OnesWinStyle, viewer.dpi);
        MoveWindow(historyViewerWindow, position.x, position.y, size.cx, size.cy, FALSE);
    }
    CreateButtons(historyViewerWindow, instance);
    ShowWindow(historyViewerWindow, showCommand);
    UpdateWindow(historyViewerWindow);
    return 1;
}

LRESULT CALLBACK HistoryViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_SIZE: return OnSize(window);
    case WM_ACTIVATE: return OnActivate(window, wParam);
    case WM_PAINT: return OnPaint(window);
    case WM_KEYUP: return OnKeyUp(window, wParam);
    case WM_RBUTTONDOWN: return OnRightButtonDown(window, lParam);
    case WM_COMMAND: return OnCommand(window, LOWORD(wParam));
    case WM_DPICHANGED: return OnDpiChanged(window, wParam, lParam);
    case WM_CLOSE: return OnClose(window);
    case WM_DESTROY: return OnDestroy();
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
