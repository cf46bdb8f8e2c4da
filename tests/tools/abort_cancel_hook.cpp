// A hook library for the end-to-end tests: loaded into ZORVEX by a global
// hook that the probe installs, it clicks the print abort dialog's Cancel
// button as soon as the dialog is created. The click is posted, so it waits
// in ZORVEX's queue until the print next looks at its messages.
#include <windows.h>

#include <cstring>

namespace {

constexpr char ABORT_NOTICE[] = "キャンセルボタンで印刷を中止します";
constexpr char POSTED_EVENT[] = "ZorvexAbortCancelPosted";

bool IsPrintAbortDialog(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && GetDlgItem(window, IDCANCEL) &&
           FindWindowExA(window, nullptr, "Static", ABORT_NOTICE);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ClickAbortCancel(int code, WPARAM wParam,
                                                                   LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (message->message == WM_INITDIALOG && IsPrintAbortDialog(message->hwnd)) {
            PostMessageA(GetDlgItem(message->hwnd, IDCANCEL), BM_CLICK, 0, 0);
            if (HANDLE posted = OpenEventA(EVENT_MODIFY_STATE, FALSE, POSTED_EVENT)) {
                SetEvent(posted);
                CloseHandle(posted);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
