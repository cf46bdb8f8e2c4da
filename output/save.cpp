#include "output/save.h"

#include "capture/bitmap_file.h"
#include "capture/gdi_text.h"
#include "output/png_file.h"
#include "settings/settings.h"

#include <commdlg.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using OpenAsRunDllFunction = void(WINAPI*)(HWND, HINSTANCE, LPCSTR, int);
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
constexpr char BITMAP_FIRST_FILTER[] =
    "ビットマップ ファイル(*.bmp)\0*.bmp\0PNG ファイル(*.png)\0*.png\0"
    "すべてのファイル(*.*)\0*.*\0";
constexpr char PNG_FIRST_FILTER[] =
    "PNG ファイル(*.png)\0*.png\0ビットマップ ファイル(*.bmp)\0*.bmp\0"
    "すべてのファイル(*.*)\0*.*\0";
constexpr DWORD OTHER_TYPE_FILTER_INDEX = 2;

bool FileExists(const char* path) {
    return _access(path, 0) == 0;
}

void ChooseAutomaticName(char* destination) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string saveDir = PathInCodePage(Settings.SaveDir, GetACP());
    std::string dayFolder = AutomaticDayFolder(saveDir.c_str(), now);
    // A folder the process's code page cannot name is not made, and the copy
    // into it is refused.
    if (CanNameFile(saveDir.c_str())) {
        CreateDirectoryA(AutomaticBitmapFolder(saveDir.c_str()).c_str(), nullptr);
        CreateDirectoryA(dayFolder.c_str(), nullptr);
    }
    StoreSaveName(IsPngImageType(Settings.SaveImageType) ? FindNextAutomaticPngName(dayFolder)
                                                         : FindFreeAutomaticName(dayFolder),
                  destination);
}

// The dialog works in UTF-16; the name it gives is converted here, so that a
// character the process's code page lacks shows as '?' (and the copy is
// refused) instead of as a look-alike naming another file. The type chosen in
// its list decides the file's type, whatever extension the name has; a name
// typed without one gets the type's.
int ChooseNameInDialog(char* destination) {
    constexpr char TITLE[] = "ハードコピーに名前を付けて保存";
    bool png = IsPngImageType(Settings.SaveImageType);
    std::wstring filter = png ? WideFromProgramText(PNG_FIRST_FILTER, sizeof PNG_FIRST_FILTER)
                              : WideFromProgramText(BITMAP_FIRST_FILTER, sizeof BITMAP_FIRST_FILTER);
    std::wstring title = WideFromProgramText(TITLE, sizeof TITLE - 1);
    wchar_t chosen[SAVE_DIALOG_CAPACITY] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = SAVE_DIALOG_CAPACITY;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = png ? L"png" : L"bmp";
    dialog.Flags = SAVE_DIALOG_FLAGS;
    BOOL confirmed = GetSaveFileNameW(&dialog);
    PumpPendingMessages();
    chosen[SAVE_DIALOG_CAPACITY - 1] = L'\0';
    if (confirmed) StoreSaveName(PathFromWide(chosen, GetACP()), destination);
    bool other = dialog.nFilterIndex == OTHER_TYPE_FILTER_INDEX;
    return png != other ? IMAGE_TYPE_PNG : IMAGE_TYPE_BITMAP;
}

std::string AutomaticName(const std::string& dayFolder, int number, const char* extension) {
    char name[24];
    std::snprintf(name, sizeof name, "\\%06d.%s", number, extension);
    return dayFolder + name;
}

// The highest number of a "000001.bmp" or "000001.png" in the folder; 0 for none.
int HighestAutomaticNumber(const std::string& dayFolder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dayFolder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int highest = 0;
    do {
        const char* name = found.cFileName;
        bool numbered = std::strlen(name) == 10 &&
                        std::all_of(name, name + 6, [](char c) { return c >= '0' && c <= '9'; });
        if (numbered && (_stricmp(name + 6, ".bmp") == 0 || _stricmp(name + 6, ".png") == 0))
            highest = std::max(highest, std::atoi(name));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return highest;
}

} // namespace

std::string PathFromWide(const std::wstring& path, UINT codePage) {
    if (path.empty()) return std::string();
    int length = static_cast<int>(path.size());
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    int size =
        WideCharToMultiByte(codePage, flags, path.data(), length, nullptr, 0, nullptr, nullptr);
    std::string converted(size, '\0');
    WideCharToMultiByte(codePage, flags, path.data(), length, converted.data(), size, fallback,
                        nullptr);
    return converted;
}

std::string PathInCodePage(const char* path, UINT codePage) {
    if (codePage == PROGRAM_CODE_PAGE) return path;
    return PathFromWide(WideFromProgramText(path, std::strlen(path)), codePage);
}

bool CanNameFile(const char* path) {
    constexpr char LONG_PATH_PREFIX[] = "\\\\?\\";
    if (std::strncmp(path, LONG_PATH_PREFIX, sizeof LONG_PATH_PREFIX - 1) == 0)
        path += sizeof LONG_PATH_PREFIX - 1;
    return std::strchr(path, '?') == nullptr;
}

bool StoreSaveName(const std::string& name, char* destination) {
    destination[0] = '\0';
    if (name.empty() || name.size() >= SAVE_NAME_CAPACITY) return false;
    std::memcpy(destination, name.c_str(), name.size() + 1);
    return true;
}

std::string AutomaticBitmapFolder(const char* saveDir) {
    return std::string(saveDir) + "\\bitmap";
}

std::string AutomaticDayFolder(const char* saveDir, const SYSTEMTIME& localTime) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d", localTime.wYear, localTime.wMonth,
                  localTime.wDay);
    return AutomaticBitmapFolder(saveDir) + "\\" + date;
}

std::string FindFreeAutomaticName(const std::string& dayFolder, int lastNumber) {
    for (int n = 1; n <= lastNumber; ++n) {
        std::string candidate = AutomaticName(dayFolder, n, "bmp");
        if (!FileExists(candidate.c_str()) &&
            !FileExists(AutomaticName(dayFolder, n, "png").c_str()))
            return candidate;
    }
    return std::string();
}

std::string FindNextAutomaticPngName(const std::string& dayFolder, int lastNumber) {
    int next = HighestAutomaticNumber(dayFolder) + 1;
    return next <= lastNumber ? AutomaticName(dayFolder, next, "png") : std::string();
}

int ChooseSaveDestination(int askUser, char* destination) {
    destination[0] = '\0';
    if (askUser != 0) return ChooseNameInDialog(destination);
    ChooseAutomaticName(destination);
    return IsPngImageType(Settings.SaveImageType) ? IMAGE_TYPE_PNG : IMAGE_TYPE_BITMAP;
}

namespace {

constexpr char TEMPORARY_PREFIX[] = "~zvx";
constexpr char TEMPORARY_SUFFIX[] = ".tmp";
constexpr size_t TEMPORARY_NAME_LENGTH = 12; // "~zvx" "0123" ".tmp"
constexpr int TEMPORARY_NAME_TRIES = 64;

bool FlushToDisk(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed != FALSE;
}

bool WriteInPlace(const char* destination, const std::function<bool(const char*)>& write) {
    bool existed = FileExists(destination);
    if (write(destination)) return true;
    if (!existed) DeleteFileA(destination);
    return false;
}

} // namespace

std::string FolderOf(const char* path) {
    size_t end = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') end = i + 1;
    }
    return std::string(path, end);
}

std::string CreateTemporaryFileBeside(const char* destination) {
    std::string folder = FolderOf(destination);
    if (folder.size() + TEMPORARY_NAME_LENGTH >= MAX_PATH) return std::string();
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 4);
    for (int i = 0; i < TEMPORARY_NAME_TRIES; ++i) {
        char name[TEMPORARY_NAME_LENGTH + 1];
        std::snprintf(name, sizeof name, "%s%04X%s", TEMPORARY_PREFIX, (seed + i * 7919u) & 0xFFFF,
                      TEMPORARY_SUFFIX);
        std::string candidate = folder + name;
        HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return candidate;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return std::string();
}

std::string WriteTemporaryFileBeside(const char* destination,
                                     const std::function<bool(const char* path)>& write) {
    std::string temporary = CreateTemporaryFileBeside(destination);
    if (temporary.empty()) return temporary;
    if (write(temporary.c_str()) && FlushToDisk(temporary.c_str())) return temporary;
    DeleteFileA(temporary.c_str());
    return std::string();
}

bool WriteFileThroughTemporary(const char* destination,
                               const std::function<bool(const char* path)>& write) {
    if (FolderOf(destination).size() + TEMPORARY_NAME_LENGTH >= MAX_PATH)
        return WriteInPlace(destination, write);
    std::string temporary = WriteTemporaryFileBeside(destination, write);
    if (temporary.empty()) return false;
    if (MoveFileExA(temporary.c_str(), destination,
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

bool CopyHardCopyFile(const char* from, const char* to) {
    if (!FileExists(from) || !CanNameFile(to)) return false;
    return WriteFileThroughTemporary(
        to, [from](const char* path) { return CopyFileA(from, path, FALSE) != FALSE; });
}

bool SaveHardCopyAs(const char* workFile, const char* destination, int imageType) {
    if (!IsPngImageType(imageType)) return CopyHardCopyFile(workFile, destination);
    if (!FileExists(workFile) || !CanNameFile(destination)) return false;
    return WriteFileThroughTemporary(
        destination, [workFile](const char* path) { return WritePngFile(workFile, path); });
}

bool IsTemporaryFileName(const char* name) {
    size_t prefix = sizeof TEMPORARY_PREFIX - 1;
    if (std::strlen(name) != TEMPORARY_NAME_LENGTH) return false;
    if (std::strncmp(name, TEMPORARY_PREFIX, prefix) != 0) return false;
    for (size_t i = prefix; i < prefix + 4; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return std::strcmp(name + prefix + 4, TEMPORARY_SUFFIX) == 0;
}

void RemoveLeftoverTemporaryFiles(const char* folder) {
    std::string pattern = std::string(folder) + TEMPORARY_PREFIX + "*" + TEMPORARY_SUFFIX;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The pattern also meets short names; only the program's own go.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            IsTemporaryFileName(found.cFileName))
            DeleteFileA((std::string(folder) + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string BuildEditParameters(const char* appParam, const char* path) {
    return std::string(appParam) + " " + path;
}

void OpenInEditApplication(const char* path) {
    if (!FileExists(path)) return;
    int width = 0, height = 0;
    ReadBitmapFileSize(path, &width, &height);
    if (width <= 0 && height <= 0) return;
    std::string parameters = BuildEditParameters(Settings.AppParam, path);
    ShellExecuteA(nullptr, "open", Settings.AppPath, parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void OpenWithChooser(HWND owner, const char* path) {
    if (!openAsRunDll) {
        HMODULE shell = LoadLibraryA("shell32.dll");
        if (shell)
            openAsRunDll = reinterpret_cast<OpenAsRunDllFunction>(
                reinterpret_cast<void*>(GetProcAddress(shell, "OpenAs_RunDLL")));
        if (!openAsRunDll) return;
    }
    char commandLine[OPEN_WITH_COMMAND_CAPACITY] = {};
    int length = std::snprintf(commandLine, sizeof commandLine, "%s  ", path);
    // A cut path would name another file.
    if (length < 0 || length >= OPEN_WITH_COMMAND_CAPACITY) return;
    openAsRunDll(owner, nullptr, commandLine, SW_SHOWNORMAL);
}

void FormatSystemTimeText(const SYSTEMTIME& time, char* buffer, size_t capacity) {
    std::snprintf(buffer, capacity, "%4d/%02d/%02d %02d:%02d:%02d", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
}

void FormatFileTimeText(const char* path, char* buffer, size_t capacity) {
    if (!FileExists(path)) return;
    HANDLE file = CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION information;
    BOOL ok = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!ok) return;
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&information.ftLastWriteTime, &local)) return;
    if (!FileTimeToSystemTime(&local, &time)) return;
    FormatSystemTimeText(time, buffer, capacity);
}
