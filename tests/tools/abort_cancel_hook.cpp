// A hook library for the end-to-end tests, loaded into ZORVEX by a global
// hook that the probe installs. It acts at the moment a print has shown its
// abort dialog and disables the main window, before the print looks at its
// messages: it either posts the command of a click on the dialog's Cancel button,
// which then waits in ZORVEX's queue like a real click, or holds the print until the
// probe has taken a picture of the dialog.
#include <windows.h>

#include <cstring>

namespace {

constexpr char ABORT_NOTICE[] = "キャンセルボタンで印刷を中止します";
constexpr char CANCEL_POSTED_EVENT[] = "ZorvexAbortCancelPosted";
constexpr char DIALOG_SHOWN_EVENT[] = "ZorvexAbortDialogShown";
constexpr char PICTURE_TAKEN_EVENT[] = "ZorvexAbortPictureTaken";
constexpr DWORD LONGEST_HOLD_MS = 15000;

bool IsPrintAbortDialog(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && GetDlgItem(window, IDCANCEL) &&
           FindWindowExA(window, nullptr, "Static", ABORT_NOTICE);
}

BOOL CALLBACK FindAbortDialog(HWND window, LPARAM found) {
    if (!IsPrintAbortDialog(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool IsMainWindow(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "CMainWinClass") == 0;
}

bool Signal(const char* name) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    if (!event) return false;
    SetEvent(event);
    CloseHandle(event);
    return true;
}

void ActOnAbortDialog(HWND dialog) {
    if (Signal(DIALOG_SHOWN_EVENT)) {
        HANDLE taken = OpenEventA(SYNCHRONIZE, FALSE, PICTURE_TAKEN_EVENT);
        if (taken) {
            WaitForSingleObject(taken, LONGEST_HOLD_MS);
            CloseHandle(taken);
        }
        return;
    }
    // What a click on the button sends its dialog.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    Signal(CANCEL_POSTED_EVENT);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK WatchPrintAbortDialog(int code, WPARAM wParam,
                                                                        LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (message->message == WM_ENABLE && message->wParam == FALSE &&
            IsMainWindow(message->hwnd)) {
            HWND dialog = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), FindAbortDialog,
                              reinterpret_cast<LPARAM>(&dialog));
            if (dialog) ActOnAbortDialog(dialog);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
