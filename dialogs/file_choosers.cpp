#include "dialogs/file_choosers.h"

#include "capture/bitmap_file.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

namespace {

constexpr int CHOSEN_PROGRAM_CAPACITY = 519;

// A path cut to the caller's capacity would name another file: refuse it.
bool CopyIfFits(const char* chosen, char* buffer, size_t capacity) {
    size_t length = std::strlen(chosen);
    if (length == 0 || length >= capacity) return false;
    std::memcpy(buffer, chosen, length + 1);
    return true;
}

int CALLBACK OnFolderBrowserEvent(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) SetDlgItemTextA(browser, IDOK, "決定！");
    return 0;
}

} // namespace

bool BrowseForFolder(char* folder, size_t capacity) {
    BROWSEINFOA info = {};
    info.lpszTitle = "保存するフォルダを選択して下さい";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = OnFolderBrowserEvent;
    PIDLIST_ABSOLUTE items = SHBrowseForFolderA(&info);
    PumpPendingMessages();
    if (!items) return false;
    char chosen[MAX_PATH] = {};
    bool converted = SHGetPathFromIDListA(items, chosen) != FALSE;
    CoTaskMemFree(items);
    return converted && CopyIfFits(chosen, folder, capacity);
}

bool ChooseProgram(HWND owner, char* path, size_t capacity) {
    char chosen[CHOSEN_PROGRAM_CAPACITY] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "プログラム\0*.exe\0すべてのファイル\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = "プログラムの指定...";
    dialog.lpstrDefExt = "exe";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameA(&dialog)) return false;
    return CopyIfFits(chosen, path, capacity);
}
