#include "viewer/title_dialog.h"

#include "app/app.h"
#include "resources/resource.h"
#include "viewer/viewer.h"

namespace {

INT_PTR OnInitDialog(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_TITLE_EDIT);
    SendMessageW(field, EM_LIMITTEXT, VIEWER_TITLE_CAPACITY - 1, 0);
    if (viewerTitleText[0] != '\0') SetWindowTextW(field, viewerTitleText);
    SetFocus(field);
    return FALSE;
}

void StoreTitle(HWND dialog) {
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_TITLE_EDIT)) > 0)
        GetDlgItemTextW(dialog, IDC_TITLE_EDIT, viewerTitleText, VIEWER_TITLE_CAPACITY);
    else
        viewerTitleText[0] = '\0';
}

} // namespace

INT_PTR RunTitleDialog(HWND owner) {
    return DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_TITLE), owner, TitleDialogProc, 0);
}

INT_PTR CALLBACK TitleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
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
