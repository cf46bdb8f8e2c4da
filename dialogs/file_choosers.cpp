#include "dialogs/file_choosers.h"

#include "capture/scoped_com.h"
#include "capture/bitmap_file.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t FOLDER_PROMPT[] = L"保存するフォルダを選択して下さい";
constexpr wchar_t FOLDER_OK_TEXT[] = L"決定！";
constexpr wchar_t PROGRAM_TITLE[] = L"プログラムの指定...";
constexpr wchar_t PROGRAM_FILTER[] = L"プログラム\0*.exe\0すべてのファイル\0*.*\0";
constexpr size_t PROGRAM_BUFFER_CAPACITY = 519;

int CALLBACK OnBrowserEvent(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) SetDlgItemTextW(browser, IDOK, FOLDER_OK_TEXT);
    return 0;
}

} // namespace

bool CopyTextIfFits(const wchar_t* text, wchar_t* out, size_t capacity) {
    size_t length = std::wcslen(text);
    if (length >= capacity) return false;
    std::wmemcpy(out, text, length + 1);
    return true;
}

bool BrowseForFolder(wchar_t* folder, size_t capacity) {
    ScopedComApartment com;
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.pszDisplayName = displayName;
    info.lpszTitle = FOLDER_PROMPT;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = OnBrowserEvent;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    PumpPendingMessages();
    if (!chosen) return false;
    wchar_t path[MAX_PATH] = {};
    bool converted = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return converted && CopyTextIfFits(path, folder, capacity);
}

bool ChooseProgram(HWND owner, wchar_t* path, size_t capacity) {
    wchar_t chosen[PROGRAM_BUFFER_CAPACITY] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = PROGRAM_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = static_cast<DWORD>(std::size(chosen));
    dialog.lpstrTitle = PROGRAM_TITLE;
    dialog.lpstrDefExt = L"exe";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog)) return false;
    return CopyTextIfFits(chosen, path, capacity);
}
