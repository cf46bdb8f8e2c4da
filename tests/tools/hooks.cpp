// Hooks for the end-to-end tests, loaded into other processes by global
// hooks that the probe installs.
//
// The print abort dialog (in ZORVEX): told to cancel, the hook posts the
// command of a click on the dialog's Cancel button as soon as the print has
// shown the dialog and disabled the main window, so that the click waits in
// ZORVEX's queue for the moment the print looks at its messages. Told to
// hold, it keeps the print from taking the dialog down until the probe has
// seen a picture of the screen taken.
//
// The taskbar (in its process): it gives a balloon its title with
// TTM_SETTITLEW, which no message reads back under Wine; the hook keeps the
// title as a global atom in a property of the balloon's window, where the
// probe reads it. It also notes each tray icon added or deleted, with its
// owner and whether the owner was still a window at that moment (Explorer
// removes a destroyed window's icons itself, a program should not leave
// that to it), and any request from a window gone, in numbered properties
// of the taskbar.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

namespace {

constexpr wchar_t ABORT_NOTICE[] = L"キャンセルボタンで印刷を中止します";
constexpr wchar_t CANCEL_POSTED_EVENT[] = L"ZorvexAbortCancelPosted";
constexpr wchar_t DIALOG_SHOWN_EVENT[] = L"ZorvexAbortDialogShown";
constexpr wchar_t PICTURE_TAKEN_EVENT[] = L"ZorvexAbortPictureTaken";
constexpr DWORD LONGEST_HOLD_MS = 15000;

bool IsPrintAbortDialog(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wcscmp(className, L"#32770") == 0 && GetDlgItem(window, IDCANCEL) &&
           FindWindowExW(window, nullptr, L"Static", ABORT_NOTICE);
}

BOOL CALLBACK FindAbortDialog(HWND window, LPARAM found) {
    if (!IsPrintAbortDialog(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool IsMainWindow(HWND window) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    return std::wcscmp(className, L"CMainWinClass") == 0;
}

bool Signal(const wchar_t* name) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
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
    HANDLE posted = OpenEventW(EVENT_MODIFY_STATE, FALSE, CANCEL_POSTED_EVENT);
    if (dialog && posted) {
        // What a click on the button sends its dialog.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
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
    HANDLE taken = OpenEventW(SYNCHRONIZE, FALSE, PICTURE_TAKEN_EVENT);
    if (!taken) return;
    WaitForSingleObject(taken, LONGEST_HOLD_MS);
    CloseHandle(taken);
}

// Shell_NotifyIcon hands the taskbar its request as WM_COPYDATA, with the
// icon's owner window as wParam. Under Wine a hook is given the sending
// process's own pointer to the request (only the window procedure gets a
// copy of it), so the request is read from the owner's process: its NIM_
// code, whose data begin with the owner; or nothing when the owner is no
// window any more.
const wchar_t* TrayRequestKind(HWND owner, LPARAM request) {
    DWORD process = 0;
    GetWindowThreadProcessId(owner, &process);
    HANDLE sender = process ? OpenProcess(PROCESS_VM_READ, FALSE, process) : nullptr;
    COPYDATASTRUCT data = {};
    LONG first = 0;
    bool read =
        sender &&
        ReadProcessMemory(sender, reinterpret_cast<void*>(request), &data, sizeof data, nullptr) &&
        data.lpData && data.cbData >= sizeof first &&
        ReadProcessMemory(sender, data.lpData, &first, sizeof first, nullptr);
    if (sender) CloseHandle(sender);
    if (!read || LongToHandle(first) != owner) return L"request";
    return data.dwData == NIM_ADD ? L"add" : data.dwData == NIM_DELETE ? L"delete" : nullptr;
}

void RecordTrayRequest(const CWPSTRUCT& message) {
    wchar_t className[32] = {};
    GetClassNameW(message.hwnd, className, 32);
    if (std::wcscmp(className, L"Shell_TrayWnd") != 0) return;
    auto owner = reinterpret_cast<HWND>(message.wParam);
    bool window = IsWindow(owner);
    const wchar_t* kind = TrayRequestKind(owner, message.lParam);
    if (!kind) return; // an icon changed, not added or deleted
    wchar_t text[64];
    swprintf(text, 64, L"%ls\t%llu\t%ls", kind,
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)),
             window ? L"window" : L"gone");
    int count =
        static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(message.hwnd, L"ZorvexTrayEvents")));
    wchar_t name[32];
    swprintf(name, 32, L"ZorvexTrayEvent%d", count);
    SetPropW(message.hwnd, name,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(text))));
    SetPropW(message.hwnd, L"ZorvexTrayEvents",
             reinterpret_cast<HANDLE>(static_cast<INT_PTR>(count + 1)));
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

extern "C" __declspec(dllexport) LRESULT CALLBACK WatchTaskbar(int code, WPARAM wParam,
                                                               LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == TTM_SETTITLEW && message->lParam) {
        ATOM title = GlobalAddAtomW(reinterpret_cast<const wchar_t*>(message->lParam));
        SetPropW(message->hwnd, L"ZorvexBalloonTitle",
                 reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(title)));
    }
    if (code == HC_ACTION && message->message == WM_COPYDATA) RecordTrayRequest(*message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Asked by the probe (a message of its own sent to an open popup menu's
// window), copies the menu's item texts, which only the menu's own process
// can read under Wine, into properties of that window: "-" for a separator.
extern "C" __declspec(dllexport) LRESULT CALLBACK RecordMenuItems(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT READ_MENU = RegisterWindowMessageW(L"ZorvexReadMenuItems");
    if (code == HC_ACTION && message->message == READ_MENU) {
        auto menu = reinterpret_cast<HMENU>(SendMessageW(message->hwnd, MN_GETHMENU, 0, 0));
        int count = menu ? GetMenuItemCount(menu) : 0;
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = L"-";
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_STRING;
            item.dwTypeData = text;
            item.cch = 255;
            GetMenuItemInfoW(menu, i, TRUE, &item);
            if (item.fType & MFT_SEPARATOR) wcscpy(text, L"-");
            wchar_t name[32];
            swprintf(name, 32, L"ZorvexMenuItem%d", i);
            SetPropW(message->hwnd, name,
                     reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(text))));
        }
        SetPropW(message->hwnd, L"ZorvexMenuItems",
                 reinterpret_cast<HANDLE>(static_cast<INT_PTR>(count + 1)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
