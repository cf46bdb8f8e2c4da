// A hook library for the end-to-end tests, loaded into ZORVEX by a global
// hook that the probe installs. Told to cancel, it posts the command of a
// click on the print abort dialog's Cancel button as soon as the print has
// shown the dialog and disabled the main window, so that the click waits in
// ZORVEX's queue for the moment the print looks at its messages. Told to
// hold, it keeps the print from taking the dialog down until the probe has
// seen a picture of the screen taken.
#include <windows.h>

#include <cstring>

namespace {

constexpr wchar_t ABORT_NOTICE[] = L"キャンセルボタンで印刷を中止します";
constexpr char CANCEL_POSTED_EVENT[] = "ZorvexAbortCancelPosted";
constexpr char DIALOG_SHOWN_EVENT[] = "ZorvexAbortDialogShown";
constexpr char PICTURE_TAKEN_EVENT[] = "ZorvexAbortPictureTaken";
constexpr DWORD LONGEST_HOLD_MS = 15000;

bool IsPrintAbortDialog(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && GetDlgItem(window, IDCANCEL) &&
           FindWindowExW(window, nullptr, L"Static", ABORT_NOTICE);
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

HWND AbortDialogOfThisThread() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAbortDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

// Cancel: right after the dialog is shown and the main window disabled,
// before the print pumps its messages.
void ClickCancelEarly(const CWPRETSTRUCT& message) {
    if (message.message != WM_ENABLE || message.wParam != FALSE || !IsMainWindow(message.hwnd))
        return;
    HWND dialog = AbortDialogOfThisThread();
    HANDLE posted = OpenEventA(EVENT_MODIFY_STATE, FALSE, CANCEL_POSTED_EVENT);
    if (dialog && posted) {
        // What a click on the button sends its dialog.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        SetEvent(posted);
    }
    if (posted) CloseHandle(posted);
}

// Hold: when the finished print is about to take the dialog down, the dialog
// is shown as the user saw it during the print.
void HoldBeforeHiding(const CWPRETSTRUCT& message) {
    if (message.message != WM_WINDOWPOSCHANGING || !IsPrintAbortDialog(message.hwnd)) return;
    const auto* position = reinterpret_cast<const WINDOWPOS*>(message.lParam);
    if (!(position->flags & SWP_HIDEWINDOW) || !Signal(DIALOG_SHOWN_EVENT)) return;
    HANDLE taken = OpenEventA(SYNCHRONIZE, FALSE, PICTURE_TAKEN_EVENT);
    if (!taken) return;
    WaitForSingleObject(taken, LONGEST_HOLD_MS);
    CloseHandle(taken);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK WatchPrintAbortDialog(int code, WPARAM wParam,
                                                                        LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        ClickCancelEarly(*message);
        HoldBeforeHiding(*message);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
