#include "app/tray.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/history.h"
#include "output/save.h"
#include "resources/resource.h"
#include "settings/settings.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

HMENU trayMenu;
HMENU recentSubmenu;

namespace {

// A menu being tracked is neither destroyed nor rebuilt under its loop.
bool trayMenuTracking;
bool trayMenuStale;
int rotationsWhileTracking;

PendingBalloons balloons;
bool balloonWaitTimerOn;
// Whether the balloon shown last points at Windows' PrintScreen setting.
bool lastBalloonOpensKeyboardSettings;
// The tooltip the icon shows, for the icon added again after the taskbar is
// recreated.
std::wstring trayTip = L"ZORVEX";
std::wstring missingKeyNames;
void UpdateTrayTip();

struct MenuItem {
    const wchar_t* text; // null for a separator
    UINT id;
};

const MenuItem TOP_ITEMS[] = {
    {L"終了", IDM_EXIT},
    {nullptr, 0},
    {L"ZORVEX について", IDM_README},
    {L"バージョン情報...", IDM_VERSION},
    {L"プリンタの設定", IDM_PRINTER_SETUP},
    {nullptr, 0},
    {L"ホットキー設定", IDM_HOTKEYS},
    {nullptr, 0},
};

const MenuItem MODE_ITEMS[] = {
    {L"デスクトップ", IDM_MODE_DESKTOP},
    {L"アクティブウィンドウ", IDM_MODE_ACTIVE},
    {L"アクティブウィンドウ 枠なし", IDM_MODE_ACTIVE_NOFRAME},
    {L"マウスで範囲を選択", IDM_MODE_RANGE},
};

void InsertItem(HMENU menu, UINT position, const MenuItem& item) {
    if (item.text)
        InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, item.id, item.text);
    else
        InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

bool FillRecentSubmenu() {
    bool added = false;
    int limit = std::min(ClampHistoryLength(Settings.SaveNum), TRAY_RECENT_LIMIT);
    for (int i = 0; i < limit; ++i) {
        if (!IsHistorySlotFilled(i)) continue;
        int width = 0, height = 0;
        ReadBitmapFileSize(historyFilePaths[i], &width, &height);
        wchar_t fileTime[FILE_TIME_TEXT_CAPACITY] = {};
        FormatFileTimeText(historyFilePaths[i], fileTime, std::size(fileTime));
        wchar_t label[TRAY_LABEL_CAPACITY] = {};
        FormatRecentLabel(i, width, height, fileTime, label, std::size(label));
        AppendMenuW(recentSubmenu, MF_STRING, IDM_RECENT_FIRST + i, label);
        added = true;
    }
    return added;
}

void CheckCopyTypeItem() {
    for (int mode = COPY_DESKTOP; mode <= COPY_RANGE; ++mode) {
        if (Settings.CopyType == mode)
            CheckMenuItem(trayMenu, MODE_ITEMS[mode].id, MF_BYCOMMAND | MF_CHECKED);
    }
}

} // namespace

void FormatRecentLabel(int slot, int width, int height, const wchar_t* fileTime, wchar_t* out,
                       size_t capacity) {
    std::swprintf(out, capacity, L"%d枚目 ( %4d x %4d ) - %ls", slot + 1, width, height, fileTime);
}

void AddTrayIcon(HWND owner) {
    HICON icon = static_cast<HICON>(
        LoadImageW(appInstance, MAKEINTRESOURCEW(IDI_ZORVEX_SMALL), IMAGE_ICON, 16, 16, 0));
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = icon;
    std::wcscpy(data.szTip, L"ZORVEX");
    Shell_NotifyIconW(NIM_ADD, &data);
    if (icon) DestroyIcon(icon);
    // The icon added shows "ZORVEX"; the tooltip as it should be goes to it.
    trayTip = L"ZORVEX";
    UpdateTrayTip();
}

namespace {

// The fields up to guidItem: the balloon's texts and flags, and the tooltip
// of 128 characters.
NOTIFYICONDATAW TrayIconData(UINT flags) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = mainWindow;
    data.uID = TRAY_ICON_ID;
    data.uFlags = flags;
    return data;
}

void CopyText(wchar_t* field, size_t capacity, const std::wstring& text) {
    std::wstring cut = CutToCapacity(text, capacity);
    std::wmemcpy(field, cut.c_str(), cut.size() + 1);
}

// Presentation mode, a full-screen program, a busy desktop or quiet hours.
bool UserAsksForQuiet() {
    using QueryState = HRESULT(WINAPI*)(int*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto query = shell ? reinterpret_cast<QueryState>(reinterpret_cast<void*>(
                             GetProcAddress(shell, "SHQueryUserNotificationState")))
                       : nullptr;
    constexpr int ACCEPTS_NOTIFICATIONS = 5;
    constexpr int APP = 7;
    int state = ACCEPTS_NOTIFICATIONS;
    if (!query || FAILED(query(&state))) return false;
    return state != ACCEPTS_NOTIFICATIONS && state != APP;
}

// Each change wakes the shell: a tooltip that stays is not sent again.
void SetTrayTip(const std::wstring& tip) {
    if (tip == trayTip) return;
    trayTip = tip;
    NOTIFYICONDATAW data = TrayIconData(NIF_TIP);
    CopyText(data.szTip, std::size(data.szTip), tip);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void UpdateTrayTip() { SetTrayTip(TrayTipText(missingKeyNames, balloons.Waiting())); }

void ShowBalloonNow(const TrayBalloon& balloon) {
    constexpr DWORD RESPECT_QUIET_TIME = 0x80;
    NOTIFYICONDATAW data = TrayIconData(NIF_INFO);
    CopyText(data.szInfoTitle, std::size(data.szInfoTitle), balloon.text.title);
    CopyText(data.szInfo, std::size(data.szInfo), balloon.text.text);
    data.dwInfoFlags = NIIF_WARNING | RESPECT_QUIET_TIME;
    if (Shell_NotifyIconW(NIM_MODIFY, &data))
        lastBalloonOpensKeyboardSettings = balloon.opensKeyboardSettings;
}

// Shows the balloon an offer gave, if any; the wait timer runs and the
// tooltip is marked exactly while balloons wait.
bool Follow(const std::optional<TrayBalloon>& shown) {
    if (shown) ShowBalloonNow(*shown);
    bool waiting = balloons.Waiting();
    if (waiting && !balloonWaitTimerOn)
        SetTimer(mainWindow, BALLOON_WAIT_TIMER, BALLOON_WAIT_MILLISECONDS, nullptr);
    if (!waiting && balloonWaitTimerOn) KillTimer(mainWindow, BALLOON_WAIT_TIMER);
    balloonWaitTimerOn = waiting;
    UpdateTrayTip();
    return shown.has_value();
}

} // namespace

bool ShowTrayBalloon(BalloonKind kind, const BalloonText& text, bool opensKeyboardSettings) {
    return Follow(balloons.Offer(kind, TrayBalloon{text, opensKeyboardSettings}, UserAsksForQuiet(),
                                 GetTickCount()));
}

void ShowFailureBalloon(const DeliveryFailures& failures) {
    Follow(balloons.OfferFailures(failures, UserAsksForQuiet(), GetTickCount()));
}

void TellSettingsFailure(IniFailure failure, bool unread) {
    if (failure == IniFailure::None) return;
    ShowTrayBalloon(
        unread ? BalloonKind::Unread : BalloonKind::Settings,
        SettingsFailureBalloon(SettingsFailureCause(failure), settingsFilePath, unread));
}

void ShowWaitingBalloon() {
    if (!UserAsksForQuiet()) Follow(balloons.QuietEnded(GetTickCount()));
}

bool IsTrayBalloonWaiting(BalloonKind kind) { return balloons.Waiting(kind); }

void WithdrawTrayBalloon(BalloonKind kind) {
    balloons.Withdraw(kind);
    Follow(std::nullopt);
}

void SetTrayMissingKeys(const std::wstring& names) {
    missingKeyNames = names;
    UpdateTrayTip();
}

void OnTrayBalloonClick() {
    if (!lastBalloonOpensKeyboardSettings) return;
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"open";
    execute.lpFile = L"ms-settings:easeofaccess-keyboard";
    execute.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&execute);
}

BOOL DeleteTrayIcon(HWND owner) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = TRAY_ICON_ID;
    return Shell_NotifyIconW(NIM_DELETE, &data);
}

void DestroyTrayMenu() {
    // Destroying the tray menu also destroys the attached recent submenu.
    if (trayMenu) DestroyMenu(trayMenu);
    trayMenu = nullptr;
    recentSubmenu = nullptr;
}

bool IsTrayMenuOpen() { return trayMenuTracking; }

void NoteHistoryRotated() {
    if (trayMenuTracking) ++rotationsWhileTracking;
}

void BuildTrayMenu() {
    if (trayMenuTracking) {
        trayMenuStale = true;
        return;
    }
    DestroyTrayMenu();
    trayMenu = CreatePopupMenu();
    recentSubmenu = CreatePopupMenu();

    UINT position = 0;
    for (const MenuItem& item : TOP_ITEMS) InsertItem(trayMenu, position++, item);
    InsertMenuW(trayMenu, position++, MF_BYPOSITION | MF_STRING | MF_POPUP,
                reinterpret_cast<UINT_PTR>(recentSubmenu), L"最新作成したハードコピー");

    if (!FillRecentSubmenu()) {
        AppendMenuW(recentSubmenu, MF_STRING, IDM_RECENT_FIRST, L"（なし）");
        EnableMenuItem(recentSubmenu, IDM_RECENT_FIRST, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    }

    AppendSeparator(trayMenu);
    AppendMenuW(trayMenu, MF_STRING, IDM_HISTORY, L"ハードコピー履歴");
    AppendSeparator(trayMenu);
    AppendMenuW(trayMenu, MF_STRING, IDM_INCLUDE_CURSOR, L"マウスポインタも含める");
    CheckMenuItem(trayMenu, IDM_INCLUDE_CURSOR,
                  MF_BYCOMMAND | (Settings.IsCursor != 0 ? MF_CHECKED : MF_UNCHECKED));
    AppendSeparator(trayMenu);
    for (const MenuItem& item : MODE_ITEMS) AppendMenuW(trayMenu, MF_STRING, item.id, item.text);
    CheckCopyTypeItem();
    AppendSeparator(trayMenu);
    AppendMenuW(trayMenu, MF_STRING, IDM_CONFIG, L"コンフィグ設定");
}

namespace {

// The menu needs the hidden main window in the foreground to close on a click
// elsewhere; left there afterwards, it would make itself the "active window"
// of the next Ctrl+PrintScreen and, under Wine, keep the keyboard from every
// window. The window that was in front before the menu gets it back, or the
// shell's desktop when that one has gone.
void GiveForegroundBack(HWND previous) {
    if (GetForegroundWindow() != mainWindow) return;
    if (!previous || previous == mainWindow || !IsWindow(previous) ||
        !IsWindowVisible(previous)) {
        previous = GetShellWindow();
        if (!previous) previous = GetDesktopWindow();
    }
    SetForegroundWindow(previous);
}

// A recent item names the hard copy that was in its slot when the menu was
// built; captures made while the menu was open have moved it up since.
void PostChosenCommand(UINT command, int rotations) {
    if (command >= IDM_RECENT_FIRST && command <= IDM_RECENT_LAST)
        PostMessageW(mainWindow, WM_OPEN_RECENT_SLOT, command - IDM_RECENT_FIRST + rotations, 0);
    else
        PostMessageW(mainWindow, WM_COMMAND, command, 0);
}

} // namespace

void ShowTrayMenu() {
    if (trayMenuTracking || !trayMenu) return;
    POINT pointer;
    GetCursorPos(&pointer);
    HWND previousForeground = GetForegroundWindow();
    SetForegroundWindow(mainWindow);
    SetFocus(mainWindow);

    TPMPARAMS keepClear = {};
    keepClear.cbSize = sizeof keepClear;
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskbar) GetWindowRect(taskbar, &keepClear.rcExclude);

    trayMenuTracking = true;
    trayMenuStale = false;
    rotationsWhileTracking = 0;
    UINT command = static_cast<UINT>(TrackPopupMenuEx(trayMenu,
                                                      TPM_VERTICAL | TPM_CENTERALIGN | TPM_RETURNCMD,
                                                      pointer.x, pointer.y, mainWindow, &keepClear));
    trayMenuTracking = false;
    PostMessageW(mainWindow, WM_NULL, 0, 0);
    GiveForegroundBack(previousForeground);
    if (trayMenuStale) BuildTrayMenu();
    if (command != 0) PostChosenCommand(command, rotationsWhileTracking);
}
