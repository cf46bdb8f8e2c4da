// Process entry: single instance, window classes, hidden main window, hot
// keys, tray icon, message loop and the ordered shutdown.
#include "app/app.h"
#include "app/dpi.h"
#include "app/hotkeys.h"
#include "app/main_window.h"
#include "app/tray.h"
#include "capture/feedback.h"
#include "capture/range_overlay.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "viewer/viewer.h"
#include "viewer/viewer_menu.h"


namespace {

constexpr wchar_t INSTANCE_MUTEX_NAME[] = L"ZORVEX My Instance By P.Gellwin 2005";

HANDLE instanceMutex;

bool RegisterOneClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, bool withIcons,
                      HBRUSH background, int windowExtra) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = windowExtra;
    wc.hInstance = instance;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (withIcons) {
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZORVEX_LARGE));
        wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZORVEX_SMALL));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    }
    return RegisterClassExW(&wc) != 0;
}

int RegisterWindowClasses(HINSTANCE instance, const wchar_t* mainClass, const wchar_t* rangeClass,
                          const wchar_t* flashClass, const wchar_t* viewerClass) {
    if (!RegisterOneClass(instance, mainClass, MainWindowProc, true,
                          reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), 0))
        return 0;
    if (!RegisterOneClass(instance, rangeClass, RangeOverlayProc, false, nullptr, 0)) return 0;
    if (!RegisterOneClass(instance, flashClass, FlashWindowProc, false, nullptr, 0)) return 0;
    if (!RegisterOneClass(instance, viewerClass, HistoryViewerProc, true,
                          static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)), DLGWINDOWEXTRA))
        return 0;
    return 1;
}

int CreateMainWindow(HINSTANCE instance, const wchar_t* className, int showCommand) {
    mainWindow = CreateWindowExW(0, className, L"ZORVEX", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    if (!mainWindow) return 0;
    ShowWindow(mainWindow, showCommand);
    return 1;
}

// Blocks in GetMessage instead of polling, so the resident program costs
// nothing while idle; the history viewer still gets its accelerators and
// dialog navigation first, in that order.
int RunMessageLoop(HACCEL accelerators) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (historyViewerWindow) {
            if (TranslateAcceleratorW(historyViewerWindow, accelerators, &msg)) continue;
            if (IsDialogMessageW(historyViewerWindow, &msg)) continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void ShutDown() {
    if (viewerPopupMenu) DestroyMenu(viewerPopupMenu);
    viewerPopupMenu = nullptr;
    if (viewerButtonFont) DeleteObject(viewerButtonFont);
    viewerButtonFont = nullptr;
    UnregisterProgramHotKeys(mainWindow);
    if (instanceMutex) {
        ReleaseMutex(instanceMutex);
        CloseHandle(instanceMutex);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    HANDLE running = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, INSTANCE_MUTEX_NAME);
    if (running) {
        CloseHandle(running);
        return 0;
    }
    // Two starts at the same moment can both find no mutex above; the one
    // that creates it second is told so here and ends as silently.
    instanceMutex = CreateMutexW(nullptr, FALSE, INSTANCE_MUTEX_NAME);
    DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED) {
        if (instanceMutex) CloseHandle(instanceMutex);
        return 0;
    }
    appInstance = instance;
    DeclareDpiAwareness();

    if (!RegisterWindowClasses(instance, L"CMainWinClass", L"CRangeWinClass", L"CFlashWinClass",
                               L"COnesWinClass"))
        return 0;
    if (!CreateMainWindow(instance, L"CMainWinClass", SW_HIDE)) return 0;

    if (!RegisterProgramHotKeys(mainWindow)) {
        MessageBoxW(mainWindow, L"Failed : RegisterHotKey", L"Error", MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    AddTrayIcon(mainWindow);
    TellMissingHotKeys();
    TellUnreadSettings();
    BuildViewerMenu();
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_VIEWER_ACCELERATORS));

    int exitCode = RunMessageLoop(accelerators);
    ShutDown();
    return exitCode;
}
