#include "viewer/title_dialog.h"

#include "app/app.h"
#include "resources/resource.h"

namespace {

TitleText* TitleOf(HWND dialog) {
    return reinterpret_cast<TitleText*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR OnInitDialog(HWND dialog, TitleText* title) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(title));
    HWND field = GetDlgItem(dialog, IDC_TITLE_EDIT);
    SendMessageW(field, EM_LIMITTEXT, title->capacity - 1, 0);
    if (title->text[0] != L'\0') SetWindowTextW(field, title->text);
    SetFocus(field);
    return FALSE;
}

void StoreTitle(HWND dialog) {
    TitleText* title = TitleOf(dialog);
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_TITLE_EDIT)) > 0)
        GetDlgItemTextW(dialog, IDC_TITLE_EDIT, title->text, static_cast<int>(title->capacity));
    else
        title->text[0] = L'\0';
}

} // namespace

INT_PTR RunTitleDialog(HWND owner, TitleText title) {
    return DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_TITLE), owner, TitleDialogProc,
                           reinterpret_cast<LPARAM>(&title));
}

INT_PTR CALLBACK TitleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<TitleText*>(lParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TITLE_OK) {
            StoreTitle(dialog);
            EndDialog(dialog, TITLE_DIALOG_OK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_TITLE_CANCEL) {
            EndDialog(dialog, TITLE_DIALOG_CANCEL);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}
