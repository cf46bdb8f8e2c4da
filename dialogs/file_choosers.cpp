#include "dialogs/file_choosers.h"

#include "app/com_apartment.h"
#include "capture/bitmap_file.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>

namespace {

constexpr char FOLDER_PROMPT[] = "保存するフォルダを選択して下さい";
constexpr char FOLDER_OK_TEXT[] = "決定！";
constexpr char PROGRAM_TITLE[] = "プログラムの指定...";
constexpr char PROGRAM_FILTER[] = "プログラム\0*.exe\0すべてのファイル\0*.*\0";
constexpr size_t PROGRAM_BUFFER_CAPACITY = 519;

int CALLBACK OnBrowserEvent(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) SetDlgItemTextA(browser, IDOK, FOLDER_OK_TEXT);
    return 0;
}

} // namespace

bool CopyTextIfFits(const char* text, char* out, size_t capacity) {
    size_t length = std::strlen(text);
    if (length >= capacity) return false;
    std::memcpy(out, text, length + 1);
    return true;
}

bool BrowseForFolder(char* folder, size_t capacity) {
    ScopedComApartment com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.pszDisplayName = displayName;
    info.lpszTitle = FOLDER_PROMPT;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = OnBrowserEvent;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    PumpPendingMessages();
    if (!chosen) return false;
    char path[MAX_PATH] = {};
    bool converted = SHGetPathFromIDListA(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return converted && CopyTextIfFits(path, folder, capacity);
}

bool ChooseProgram(HWND owner, char* path, size_t capacity) {
    char chosen[PROGRAM_BUFFER_CAPACITY] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = PROGRAM_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = PROGRAM_TITLE;
    dialog.lpstrDefExt = "exe";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameA(&dialog)) return false;
    return CopyTextIfFits(chosen, path, capacity);
}
