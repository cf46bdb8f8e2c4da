#include "dialogs/hotkey_dialogs.h"

#include "app/app.h"
#include "app/dpi.h"
#include "app/hotkeys.h"
#include "dialogs/file_choosers.h"
#include "dialogs/list_view.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/shift_jis.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <vector>

HWND hotkeyListDialogWindow;
HWND hotkeyEditDialogWindow;
int selectedLauncherIndex;

namespace {

constexpr int HOTKEY_NAME_CAPACITY = 16;

// --- edit dialog (115) ---------------------------------------------------

INT_PTR OnEditInitDialog(HWND dialog) {
    hotkeyEditDialogWindow = dialog;
    const LauncherEntry& entry = launcherTable[selectedLauncherIndex];
    wchar_t name[HOTKEY_NAME_CAPACITY];
    FormatLauncherHotKeyName(selectedLauncherIndex + 1, name, std::size(name));
    SetDlgItemTextW(dialog, IDC_HOTKEY_NAME, name);
    CheckRadioButton(dialog, IDC_HOTKEY_USE, IDC_HOTKEY_NOT_USE,
                     IsLauncherOn(entry.IsCtrlF) ? IDC_HOTKEY_USE : IDC_HOTKEY_NOT_USE);
    SendDlgItemMessageW(dialog, IDC_HOTKEY_PATH, EM_LIMITTEXT, std::size(entry.Path) - 1, 0);
    SendDlgItemMessageW(dialog, IDC_HOTKEY_PARAMS, EM_LIMITTEXT, std::size(entry.Params) - 1, 0);
    SetDlgItemTextW(dialog, IDC_HOTKEY_PATH, entry.Path);
    SetDlgItemTextW(dialog, IDC_HOTKEY_PARAMS, entry.Params);
    SetFocus(GetDlgItem(dialog, IDC_HOTKEY_PATH));
    SetForegroundWindow(dialog);
    return FALSE;
}

void ChooseLauncherProgram(HWND dialog) {
    wchar_t path[LAUNCHER_PATH_CAPACITY];
    if (ChooseProgram(dialog, path, std::size(path))) SetDlgItemTextW(dialog, IDC_HOTKEY_PATH, path);
}

// Reads a field whole; false when its text's Shift-JIS form, as the settings
// file keeps it, does not fit the capacity, so that a long text is never
// stored cut short.
bool ReadFieldText(HWND dialog, int id, wchar_t* buffer, size_t capacity) {
    HWND field = GetDlgItem(dialog, id);
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    GetWindowTextW(field, text.data(), static_cast<int>(text.size()));
    size_t length = std::wcslen(text.data());
    if (ShiftJisLength(std::wstring_view(text.data(), length)) >= capacity) return false;
    std::wmemcpy(buffer, text.data(), length + 1);
    return true;
}

void RefuseField(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void ApplyLauncherKeyChange(int n, LauncherKeyChange change) {
    if (change == LauncherKeyChange::Register) RegisterLauncherHotKey(mainWindow, n);
    if (change == LauncherKeyChange::Unregister) UnregisterLauncherHotKey(mainWindow, n);
}

void SaveLauncher(HWND dialog) {
    LauncherEntry& entry = launcherTable[selectedLauncherIndex];
    wchar_t path[LAUNCHER_PATH_CAPACITY];
    wchar_t params[LAUNCHER_PARAMS_CAPACITY];
    if (!ReadFieldText(dialog, IDC_HOTKEY_PATH, path, std::size(path)))
        return RefuseField(dialog, IDC_HOTKEY_PATH);
    if (!ReadFieldText(dialog, IDC_HOTKEY_PARAMS, params, std::size(params)))
        return RefuseField(dialog, IDC_HOTKEY_PARAMS);

    int n = selectedLauncherIndex + 1;
    std::memcpy(entry.Path, path, sizeof path);
    std::memcpy(entry.Params, params, sizeof params);
    int newFlag = IsDlgButtonChecked(dialog, IDC_HOTKEY_USE) == BST_CHECKED ? 1 : 0;
    ApplyLauncherKeyChange(n, LauncherKeyChangeFor(entry.IsCtrlF, newFlag));
    entry.IsCtrlF = newFlag;
    IniFailure failure = SaveLauncherSettings(n, settingsFilePath);
    if (failure != IniFailure::None) {
        MessageBoxW(dialog, SettingsNotWrittenText(failure, settingsFilePath).c_str(), L"ZORVEX",
                    MB_OK);
        return;
    }
    EndDialog(dialog, IDOK);
}

INT_PTR OnEditCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_HOTKEY_BROWSE: ChooseLauncherProgram(dialog); return TRUE;
    case IDOK: SaveLauncher(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK HotkeyEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnEditInitDialog(dialog);
    case WM_COMMAND: return OnEditCommand(dialog, LOWORD(wParam));
    case WM_DESTROY: hotkeyEditDialogWindow = nullptr; return FALSE;
    default: return FALSE;
    }
}

INT_PTR RunHotkeyEditDialog(HWND owner) {
    return DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_HOTKEY_EDIT), owner,
                           HotkeyEditDialogProc, 0);
}

// --- list dialog (114) ---------------------------------------------------

void FillLauncherRow(HWND list, int row) {
    const LauncherEntry& entry = launcherTable[row];
    SetListCell(list, row, 1, LauncherUseText(entry.IsCtrlF));
    SetListCell(list, row, 2, entry.Path);
    SetListCell(list, row, 3, entry.Params);
}

INT_PTR OnListInitDialog(HWND dialog) {
    hotkeyListDialogWindow = dialog;
    HWND list = GetDlgItem(dialog, IDC_HOTKEY_LIST);
    EnableFullRowSelect(list);
    AddListColumn(list, 0, L"ホットキー", 70);
    AddListColumn(list, 1, L"使用有無", 70);
    AddListColumn(list, 2, L"アプリケーションのパス", 300);
    AddListColumn(list, 3, L"パラメータ", 300);
    for (int row = 0; row < LAUNCHER_COUNT; ++row) {
        wchar_t name[HOTKEY_NAME_CAPACITY];
        FormatLauncherHotKeyName(row + 1, name, std::size(name));
        AddListRow(list, row, name);
        FillLauncherRow(list, row);
    }
    SelectListRow(list, selectedLauncherIndex);
    SetForegroundWindow(dialog);
    return TRUE;
}

void EditSelectedLauncher(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_HOTKEY_LIST);
    int row = SelectedListRow(list);
    if (row < 0 || row >= LAUNCHER_COUNT) return;
    selectedLauncherIndex = row;
    RunHotkeyEditDialog(dialog);
    FillLauncherRow(list, row);
    SelectListRow(list, row);
    SetForegroundWindow(dialog);
}

INT_PTR OnListCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_HOTKEY_EDIT_BUTTON: EditSelectedLauncher(dialog); return TRUE;
    case IDC_HOTKEY_CLOSE:
    case IDCANCEL: EndDialog(dialog, HOTKEY_LIST_RESULT); return TRUE;
    default: return FALSE;
    }
}

INT_PTR OnListNotify(HWND dialog, const NMHDR* header) {
    if (header->idFrom == IDC_HOTKEY_LIST && header->code == NM_DBLCLK)
        EditSelectedLauncher(dialog);
    return FALSE;
}

INT_PTR CALLBACK HotkeyListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnListInitDialog(dialog);
    case WM_COMMAND: return OnListCommand(dialog, LOWORD(wParam));
    case WM_NOTIFY: return OnListNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DPICHANGED:
        ScaleListColumnsToDpi(GetDlgItem(dialog, IDC_HOTKEY_LIST), DpiFromDpiChanged(wParam));
        return FALSE;
    case WM_DESTROY: hotkeyListDialogWindow = nullptr; return FALSE;
    default: return FALSE;
    }
}

} // namespace

void RunHotkeyListDialog() {
    EnsureListViewControls();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_HOTKEY_LIST), nullptr, HotkeyListDialogProc,
                    0);
}

void FormatLauncherHotKeyName(int n, wchar_t* buffer, size_t capacity) {
    std::swprintf(buffer, capacity, L"Ctrl + F%d", n);
}

const wchar_t* LauncherUseText(int isCtrlF) {
    return IsLauncherOn(isCtrlF) ? L"使用中" : L"-";
}

LauncherKeyChange LauncherKeyChangeFor(int oldFlag, int newFlag) {
    bool wasOn = IsLauncherOn(oldFlag);
    bool on = IsLauncherOn(newFlag);
    if (on == wasOn) return LauncherKeyChange::None;
    return on ? LauncherKeyChange::Register : LauncherKeyChange::Unregister;
}
