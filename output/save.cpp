#include "output/save.h"

#include "capture/bitmap_file.h"
#include "output/png_file.h"
#include "settings/settings.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>
#include <algorithm>
#include <cwctype>
#include <cstdio>
#include <cstring>

namespace {

using OpenAsRunDllFunction = void(WINAPI*)(HWND, HINSTANCE, LPCWSTR, int);
OpenAsRunDllFunction openAsRunDll;

constexpr int SAVE_DIALOG_CAPACITY = 519;
static_assert(SAVE_DIALOG_CAPACITY <= SAVE_NAME_CAPACITY, "every confirmed name must fit");
constexpr int OPEN_WITH_COMMAND_CAPACITY = 524;

// The named flags of the classic save dialog, and OFN_NOCHANGEDIR: the
// program finds readme.txt and relative launcher paths in the current
// directory, which the dialog would otherwise move to the chosen folder.
constexpr DWORD SAVE_DIALOG_FLAGS =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
// The save dialog's file types, SaveImageType's first; "すべてのファイル"
// writes that one too.
constexpr wchar_t BITMAP_FIRST_FILTER[] =
    L"ビットマップ ファイル(*.bmp)\0*.bmp\0PNG ファイル(*.png)\0*.png\0"
    L"すべてのファイル(*.*)\0*.*\0";
constexpr wchar_t PNG_FIRST_FILTER[] =
    L"PNG ファイル(*.png)\0*.png\0ビットマップ ファイル(*.bmp)\0*.bmp\0"
    L"すべてのファイル(*.*)\0*.*\0";
constexpr DWORD OTHER_TYPE_FILTER_INDEX = 2;

bool FileExists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void ChooseAutomaticName(wchar_t* destination) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring dayFolder = AutomaticDayFolder(Settings.SaveDir, now);
    CreateDirectoryW(AutomaticBitmapFolder(Settings.SaveDir).c_str(), nullptr);
    CreateDirectoryW(dayFolder.c_str(), nullptr);
    StoreSaveName(IsPngImageType(Settings.SaveImageType) ? FindNextAutomaticPngName(dayFolder)
                                                         : FindFreeAutomaticName(dayFolder),
                  destination);
}

// The type chosen in the dialog's list decides the file's type, whatever
// extension the name has; a name typed without one gets the type's.
int ChooseNameInDialog(wchar_t* destination) {
    bool png = IsPngImageType(Settings.SaveImageType);
    wchar_t chosen[SAVE_DIALOG_CAPACITY] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.lpstrFilter = png ? PNG_FIRST_FILTER : BITMAP_FIRST_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = SAVE_DIALOG_CAPACITY;
    dialog.lpstrTitle = L"ハードコピーに名前を付けて保存";
    dialog.lpstrDefExt = png ? L"png" : L"bmp";
    dialog.Flags = SAVE_DIALOG_FLAGS;
    BOOL confirmed = GetSaveFileNameW(&dialog);
    PumpPendingMessages();
    chosen[SAVE_DIALOG_CAPACITY - 1] = L'\0';
    if (confirmed) StoreSaveName(chosen, destination);
    bool other = dialog.nFilterIndex == OTHER_TYPE_FILTER_INDEX;
    return png != other ? IMAGE_TYPE_PNG : IMAGE_TYPE_BITMAP;
}

std::wstring AutomaticName(const std::wstring& dayFolder, int number, const wchar_t* extension) {
    wchar_t name[24];
    std::swprintf(name, std::size(name), L"\\%06d.%ls", number, extension);
    return dayFolder + name;
}

// The highest number of a "000001.bmp" or "000001.png" in the folder; 0 for none.
int HighestAutomaticNumber(const std::wstring& dayFolder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dayFolder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int highest = 0;
    do {
        const wchar_t* name = found.cFileName;
        bool numbered = std::wcslen(name) == 10 &&
                        std::all_of(name, name + 6, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
        if (numbered && (_wcsicmp(name + 6, L".bmp") == 0 || _wcsicmp(name + 6, L".png") == 0))
            highest = std::max(highest, static_cast<int>(std::wcstol(name, nullptr, 10)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return highest;
}

} // namespace

bool StoreSaveName(const std::wstring& name, wchar_t* destination) {
    destination[0] = '\0';
    if (name.empty() || name.size() >= SAVE_NAME_CAPACITY) return false;
    std::wmemcpy(destination, name.c_str(), name.size() + 1);
    return true;
}

std::wstring AutomaticBitmapFolder(const wchar_t* saveDir) {
    return std::wstring(saveDir) + L"\\bitmap";
}

std::wstring AutomaticDayFolder(const wchar_t* saveDir, const SYSTEMTIME& localTime) {
    wchar_t date[32];
    std::swprintf(date, std::size(date), L"%04d%02d%02d", localTime.wYear, localTime.wMonth,
                  localTime.wDay);
    return AutomaticBitmapFolder(saveDir) + L"\\" + date;
}

std::wstring FindFreeAutomaticName(const std::wstring& dayFolder, int lastNumber) {
    for (int n = 1; n <= lastNumber; ++n) {
        std::wstring candidate = AutomaticName(dayFolder, n, L"bmp");
        if (!FileExists(candidate.c_str()) &&
            !FileExists(AutomaticName(dayFolder, n, L"png").c_str()))
            return candidate;
    }
    return std::wstring();
}

std::wstring FindNextAutomaticPngName(const std::wstring& dayFolder, int lastNumber) {
    int next = HighestAutomaticNumber(dayFolder) + 1;
    return next <= lastNumber ? AutomaticName(dayFolder, next, L"png") : std::wstring();
}

int ChooseSaveDestination(int askUser, wchar_t* destination) {
    destination[0] = '\0';
    if (askUser != 0) return ChooseNameInDialog(destination);
    ChooseAutomaticName(destination);
    return IsPngImageType(Settings.SaveImageType) ? IMAGE_TYPE_PNG : IMAGE_TYPE_BITMAP;
}

namespace {

constexpr wchar_t TEMPORARY_PREFIX[] = L"~zvx";
constexpr wchar_t TEMPORARY_SUFFIX[] = L".tmp";
constexpr size_t TEMPORARY_NAME_LENGTH = 12; // "~zvx" "0123" ".tmp"
constexpr int TEMPORARY_NAME_TRIES = 64;

// Opened with every sharing allowed: a sync client, an antivirus or the
// indexer may have the new file open for a moment already.
bool FlushToDisk(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed != FALSE;
}

// Keeps the reason of the step that failed, for a caller that asked for it.
bool Failed(DWORD* error) {
    if (error) *error = GetLastError() == NO_ERROR ? ERROR_WRITE_FAULT : GetLastError();
    return false;
}

bool WriteInPlace(const wchar_t* destination, const std::function<bool(const wchar_t*)>& write,
                  DWORD* error) {
    bool existed = FileExists(destination);
    if (write(destination)) return true;
    Failed(error);
    if (!existed) DeleteFileW(destination);
    return false;
}

} // namespace

std::wstring FolderOf(const wchar_t* path) {
    std::wstring_view text(path);
    size_t separator = text.find_last_of(L"\\/");
    return std::wstring(separator == std::wstring_view::npos ? std::wstring_view()
                                                             : text.substr(0, separator + 1));
}

std::wstring FolderNameOf(const wchar_t* path) {
    std::wstring folder = FolderOf(path);
    if (!folder.empty()) folder.pop_back();
    return folder;
}

std::wstring CreateTemporaryFileBeside(const wchar_t* destination, const wchar_t* suffix) {
    std::wstring folder = FolderOf(destination);
    if (folder.size() + TEMPORARY_NAME_LENGTH >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::wstring();
    }
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 4);
    for (int i = 0; i < TEMPORARY_NAME_TRIES; ++i) {
        wchar_t name[TEMPORARY_NAME_LENGTH + 1];
        std::swprintf(name, std::size(name), L"%ls%04X%.4ls", TEMPORARY_PREFIX,
                      (seed + i * 7919u) & 0xFFFF, suffix);
        std::wstring candidate = folder + name;
        HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return candidate;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return std::wstring();
}

std::wstring WriteTemporaryFileBeside(const wchar_t* destination,
                                      const std::function<bool(const wchar_t* path)>& write,
                                      DWORD* error) {
    std::wstring temporary = CreateTemporaryFileBeside(destination, TEMPORARY_SUFFIX);
    if (temporary.empty()) {
        Failed(error);
        return temporary;
    }
    if (write(temporary.c_str()) && FlushToDisk(temporary.c_str())) return temporary;
    Failed(error);
    DeleteFileW(temporary.c_str());
    return std::wstring();
}

bool WriteFileThroughTemporary(const wchar_t* destination,
                               const std::function<bool(const wchar_t* path)>& write,
                               DWORD* error) {
    if (FolderOf(destination).size() + TEMPORARY_NAME_LENGTH >= MAX_PATH)
        return WriteInPlace(destination, write, error);
    std::wstring temporary = WriteTemporaryFileBeside(destination, write, error);
    if (temporary.empty()) return false;
    if (MoveFileExW(temporary.c_str(), destination,
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    Failed(error);
    DeleteFileW(temporary.c_str());
    return false;
}

bool CopyHardCopyFile(const wchar_t* from, const wchar_t* to, DWORD* error) {
    if (!FileExists(from)) return Failed(error);
    return WriteFileThroughTemporary(
        to, [from](const wchar_t* path) { return CopyFileW(from, path, FALSE) != FALSE; }, error);
}

bool SaveHardCopyAs(const wchar_t* workFile, const wchar_t* destination, int imageType,
                    DWORD* error) {
    if (!IsPngImageType(imageType)) return CopyHardCopyFile(workFile, destination, error);
    if (!FileExists(workFile)) return Failed(error);
    return WriteFileThroughTemporary(
        destination, [workFile](const wchar_t* path) { return WritePngFile(workFile, path); },
        error);
}

bool IsDiskFullError(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

bool IsTemporaryFileName(const wchar_t* name) {
    size_t prefix = std::size(TEMPORARY_PREFIX) - 1;
    if (std::wcslen(name) != TEMPORARY_NAME_LENGTH) return false;
    if (std::wcsncmp(name, TEMPORARY_PREFIX, prefix) != 0) return false;
    for (size_t i = prefix; i < prefix + 4; ++i)
        if (!std::iswxdigit(name[i])) return false;
    return std::wcscmp(name + prefix + 4, TEMPORARY_SUFFIX) == 0;
}

void RemoveLeftoverTemporaryFiles(const wchar_t* folder) {
    std::wstring pattern = std::wstring(folder) + TEMPORARY_PREFIX + L"*" + TEMPORARY_SUFFIX;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The pattern also meets short names; only the program's own go.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            IsTemporaryFileName(found.cFileName))
            DeleteFileW((std::wstring(folder) + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::wstring BuildEditParameters(const wchar_t* appParam, const wchar_t* path) {
    return std::wstring(appParam) + L" " + path;
}

void OpenInEditApplication(const wchar_t* path) {
    if (!FileExists(path)) return;
    int width = 0, height = 0;
    ReadBitmapFileSize(path, &width, &height);
    if (width <= 0 && height <= 0) return;
    std::wstring parameters = BuildEditParameters(Settings.AppParam, path);
    ShellExecuteW(nullptr, L"open", Settings.AppPath, parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void OpenWithChooser(HWND owner, const wchar_t* path) {
    if (!openAsRunDll) {
        HMODULE shell = LoadLibraryW(L"shell32.dll");
        if (shell)
            openAsRunDll = reinterpret_cast<OpenAsRunDllFunction>(
                reinterpret_cast<void*>(GetProcAddress(shell, "OpenAs_RunDLLW")));
        if (!openAsRunDll) return;
    }
    wchar_t commandLine[OPEN_WITH_COMMAND_CAPACITY] = {};
    int length = std::swprintf(commandLine, std::size(commandLine), L"%ls  ", path);
    // A cut path would name another file.
    if (length < 0 || length >= OPEN_WITH_COMMAND_CAPACITY) return;
    openAsRunDll(owner, nullptr, commandLine, SW_SHOWNORMAL);
}

void FormatSystemTimeText(const SYSTEMTIME& time, wchar_t* buffer, size_t capacity) {
    std::swprintf(buffer, capacity, L"%4d/%02d/%02d %02d:%02d:%02d", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
}

void FormatFileTimeText(const wchar_t* path, wchar_t* buffer, size_t capacity) {
    WIN32_FILE_ATTRIBUTE_DATA information;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &information)) return;
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&information.ftLastWriteTime, &local)) return;
    if (!FileTimeToSystemTime(&local, &time)) return;
    FormatSystemTimeText(time, buffer, capacity);
}
