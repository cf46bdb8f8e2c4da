#include "app/main_window.h"

#include "app/activity.h"
#include "app/app.h"
#include "app/hard_copy.h"
#include "app/hotkeys.h"
#include "app/tray.h"
#include "capture/hdr_screen.h"
#include "capture/range_overlay.h"
#include "dialogs/about_dialog.h"
#include "dialogs/config_dialog.h"
#include "dialogs/hotkey_dialogs.h"
#include "output/clipboard.h"
#include "output/print.h"
#include "output/save.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>

namespace {

void BringForward(HWND window) {
    SetForegroundWindow(window);
    SetFocus(window);
}

void CaptureByCopyType() {
    switch (Settings.CopyType) {
    case COPY_DESKTOP: RunCapture(CaptureDesktop); break;
    case COPY_ACTIVE_WINDOW: RunCapture(CaptureActiveWindow); break;
    case COPY_ACTIVE_WINDOW_NO_FRAME: RunCapture(CaptureActiveWindowClient); break;
    case COPY_RANGE: StartRangeCapture(); break;
    case COPY_FIXED_AREA: RunCapture(CaptureFixedArea); break;
    // An unknown copy type (a hand-edited file) captures nothing, so there
    // is nothing to print either.
    default: break;
    }
}

void StartLauncher(int n) {
    const LauncherEntry& entry = launcherTable[n - 1];
    ShellExecuteW(nullptr, L"open", entry.Path, entry.Params, nullptr, SW_SHOWNORMAL);
}

LRESULT OnHotKey(HWND window, WPARAM id, LPARAM lParam) {
    if (FocusBusyWindow()) return 0;
    if (id == HOTKEY_CONFIG) {
        RunConfigDialog();
        return 0;
    }
    if (!IsProgramHotKey(id)) return DefWindowProcW(window, WM_HOTKEY, id, lParam);

    switch (id) {
    case HOTKEY_CAPTURE:
    case HOTKEY_CAPTURE_ALT: CaptureByCopyType(); break;
    case HOTKEY_CAPTURE_ACTIVE: RunCapture(CaptureActiveWindow); break;
    case HOTKEY_CAPTURE_RANGE: StartRangeCapture(); break;
    case HOTKEY_CAPTURE_ACTIVE_NOFRAME: RunCapture(CaptureActiveWindowClient); break;
    case HOTKEY_HISTORY: OpenHistoryViewer(); break;
    case HOTKEY_MENU:
        BuildTrayMenu();
        ShowTrayMenu();
        break;
    default:
        if (id >= static_cast<WPARAM>(HOTKEY_LAUNCH_F1) &&
            id <= static_cast<WPARAM>(HOTKEY_LAUNCH_F12))
            StartLauncher(static_cast<int>(id - HOTKEY_LAUNCH_F1) + 1);
        break;
    }
    return 0;
}

LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != TRAY_ICON_ID) return 0;
    if (mouseMessage == NIN_BALLOONUSERCLICK) {
        OnTrayBalloonClick();
    } else if (mouseMessage == WM_LBUTTONDOWN) {
        BuildTrayMenu();
        ShowTrayMenu();
    } else if (mouseMessage == WM_RBUTTONUP) {
        if (!FocusBusyWindow()) OpenHistoryViewer();
    }
    return 0;
}

void OnRecentHardCopy(int slot) {
    if (FocusBusyWindow()) return;
    // A hard copy moved past the history's end by captures made while the
    // menu was open has gone.
    if (slot < 0 || slot >= ClampHistoryLength(Settings.SaveNum)) return;
    currentHistoryIndex = slot;
    OpenInEditApplication(historyFilePaths[slot]);
}

void OnPrinterSetupCommand() {
    if (printerSetupWindow) {
        BringForward(printerSetupWindow);
        return;
    }
    if (historyViewerWindow) {
        BringHistoryViewerForward();
        return;
    }
    if (printerSetupActive) return;
    printerSetupActive = true;
    RunPrinterSetup(nullptr);
}

void OnHotKeysCommand() {
    if (!hotkeyListDialogWindow) {
        RunHotkeyListDialog();
    } else if (hotkeyEditDialogWindow && IsWindowVisible(hotkeyEditDialogWindow)) {
        BringForward(hotkeyEditDialogWindow);
    } else {
        BringForward(hotkeyListDialogWindow);
    }
}

void OnReadmeCommand() {
    if (GetFileAttributesW(L"readme.txt") != INVALID_FILE_ATTRIBUTES)
        ShellExecuteW(nullptr, L"open", L"readme.txt", L"", nullptr, SW_SHOWNORMAL);
}

void SelectCopyType(int copyType) {
    Settings.CopyType = copyType;
    TellSettingsFailure(
        WriteSettingInt(&Settings.CopyType, "Common", "CopyType", settingsFilePath));
    BuildTrayMenu();
}

void ToggleIncludeCursor() {
    Settings.IsCursor = Settings.IsCursor == 0 ? 1 : 0;
    TellSettingsFailure(
        WriteSettingInt(&Settings.IsCursor, "Option", "IsCursor", settingsFilePath));
    BuildTrayMenu();
}

LRESULT OnCommand(WPARAM command) {
    if (command >= IDM_RECENT_FIRST && command <= IDM_RECENT_LAST) {
        OnRecentHardCopy(static_cast<int>(command - IDM_RECENT_FIRST));
        return 0;
    }
    switch (command) {
    case IDM_EXIT:
        if (!FocusBusyWindow()) SendMessageW(mainWindow, WM_CLOSE, 0, 0);
        break;
    case IDM_VERSION:
        if (aboutDialogWindow)
            BringForward(aboutDialogWindow);
        else
            RunAboutDialog();
        break;
    case IDM_CONFIG:
        if (!FocusBusyWindow()) RunConfigDialog();
        break;
    case IDM_PRINTER_SETUP: OnPrinterSetupCommand(); break;
    case IDM_HISTORY:
        if (!FocusBusyWindow()) OpenHistoryViewer();
        break;
    case IDM_HOTKEYS: OnHotKeysCommand(); break;
    case IDM_README: OnReadmeCommand(); break;
    case IDM_MODE_DESKTOP: SelectCopyType(COPY_DESKTOP); break;
    case IDM_MODE_ACTIVE: SelectCopyType(COPY_ACTIVE_WINDOW); break;
    case IDM_MODE_ACTIVE_NOFRAME: SelectCopyType(COPY_ACTIVE_WINDOW_NO_FRAME); break;
    case IDM_MODE_RANGE: SelectCopyType(COPY_RANGE); break;
    case IDM_INCLUDE_CURSOR: ToggleIncludeCursor(); break;
    default: break;
    }
    return 0;
}

// What a user asks of the main window: hot keys, the tray icon's clicks and
// menu commands. These wait while an activity runs.
bool IsUserRequest(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HOTKEY: return IsProgramHotKey(wParam);
    case WM_TRAYNOTIFY:
        return wParam == TRAY_ICON_ID && (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONUP ||
                                          lParam == NIN_BALLOONUSERCLICK);
    case WM_COMMAND:
    case WM_OPEN_RECENT_SLOT: return true;
    default: return false;
    }
}

// A shell started anew has lost the icon, and a program that held one of the
// keys may have ended with the old shell.
void OnTaskbarCreated(HWND window) {
    AddTrayIcon(window);
    RestartHotKeyRetries(window);
    TellMissingHotKeys();
}

constexpr UINT_PTR CLOSE_WAIT_TIMER = 1071;
constexpr UINT CLOSE_WAIT_MILLISECONDS = 200;

// The ends that wait for the user to finish: a request to end the program,
// which stands, and the end of the session, which Windows may call off.
struct WaitingEnds {
    bool close = false;
    bool sessionEnd = false;
};
WaitingEnds waitingEnds;

BOOL CALLBACK FindChoosingWindow(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    // A dialog, a message box or a menu of this program, or the overlay.
    if (IsWindowVisible(window) && (std::wcscmp(name, L"#32770") == 0 ||
                                    std::wcscmp(name, L"#32768") == 0 || window == rangeOverlayWindow)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// Whether the user is in the middle of something a close would throw away:
// an activity (a Save As dialog of a capture among them), the tray menu, a
// dialog or message box of the program, or the range overlay.
bool UserIsChoosing() {
    if (IsActivityRunning() || IsTrayMenuOpen()) return true;
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), FindChoosingWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void EndProgram(HWND window) {
    KillTimer(window, CLOSE_WAIT_TIMER);
    DestroyTrayMenu();
    DestroyWindow(window);
}

// A request to end (a script, an installer, taskkill without /f) waits for
// what the user is doing; the program then ends as usual.
LRESULT OnClose(HWND window) {
    if (!UserIsChoosing()) {
        EndProgram(window);
        return 0;
    }
    waitingEnds.close = true;
    SetTimer(window, CLOSE_WAIT_TIMER, CLOSE_WAIT_MILLISECONDS, nullptr);
    return 0;
}

// The icon goes while its window is still there: a shell that outlives the
// window keeps a dead icon until the pointer passes over it.
LRESULT OnDestroy(HWND window) {
    DeleteTrayIcon(window);
    PostQuitMessage(0);
    return 0;
}

// The end of the session waits too, with the reason shown while the user is
// busy; the program ends once the user has finished, unless Windows has
// called the end off by then.
LRESULT OnQueryEndSession(HWND window) {
    if (!UserIsChoosing()) return TRUE;
    waitingEnds.sessionEnd = true;
    ShutdownBlockReasonCreate(window, L"ハードコピーの操作が終わるまで待っています");
    SetTimer(window, CLOSE_WAIT_TIMER, CLOSE_WAIT_MILLISECONDS, nullptr);
    return FALSE;
}

// FALSE: the user cancelled the sign-out or shutdown, or another program
// refused it. The session goes on, and so does the program.
LRESULT OnEndSession(WPARAM sessionEnds) {
    if (!sessionEnds) waitingEnds.sessionEnd = false;
    return 0;
}

void OnUserFinished(HWND window) {
    KillTimer(window, CLOSE_WAIT_TIMER);
    ShutdownBlockReasonDestroy(window);
    if (waitingEnds.close || waitingEnds.sessionEnd) EndProgram(window);
}

void OnTimer(HWND window, WPARAM timer) {
    if (timer == HOTKEY_RETRY_TIMER) RetryMissingHotKeys(window);
    if (timer == BALLOON_WAIT_TIMER) ShowWaitingBalloon();
    if (timer == CLOSE_WAIT_TIMER && !UserIsChoosing()) OnUserFinished(window);
}

} // namespace

bool FocusBusyWindow() {
    // The viewer waits, disabled, while its printer setup is open.
    if (printerSetupWindow) {
        BringForward(printerSetupWindow);
        return true;
    }
    if (configDialogWindow) {
        BringForward(configDialogWindow);
        return true;
    }
    if (rangeOverlayWindow) {
        BringForward(rangeOverlayWindow);
        return true;
    }
    if (historyViewerWindow) {
        BringHistoryViewerForward();
        return true;
    }
    return printerSetupActive;
}

// The clipboard's messages are not requests of the user: they come from
// another program waiting for an answer, inside whatever loop runs, and are
// answered at once.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsUserRequest(message, wParam, lParam) && DeferWhileActivityRuns(message, wParam, lParam))
        return 0;
    switch (message) {
    case WM_RENDERFORMAT: RenderClipboardFormat(static_cast<UINT>(wParam)); return 0;
    case WM_RENDERALLFORMATS: RenderAllClipboardFormats(window); return 0;
    case WM_DESTROYCLIPBOARD: ForgetClipboardPicture(); return 0;
    case WM_CREATE: InitializeApplication(); return 0;
    case WM_DESTROY: return OnDestroy(window);
    case WM_CLOSE: return OnClose(window);
    case WM_HOTKEY: return OnHotKey(window, wParam, lParam);
    case WM_TRAYNOTIFY: return OnTrayNotify(wParam, lParam);
    case WM_COMMAND: return OnCommand(wParam);
    case WM_OPEN_RECENT_SLOT: OnRecentHardCopy(static_cast<int>(wParam)); return 0;
    case WM_TIMER: OnTimer(window, wParam); return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession(window);
    case WM_ENDSESSION: return OnEndSession(wParam);
    case WM_SETTINGCHANGE: RestartHotKeyRetries(window); break;
    case WM_DISPLAYCHANGE: ForgetHdrMonitors(); break;
    default: break;
    }
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) OnTaskbarCreated(window);
    return DefWindowProcW(window, message, wParam, lParam);
}
