#include "output/save.h"

#include "capture/bitmap_file.h"
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
    CreateDirectoryA(AutomaticBitmapFolder(Settings.SaveDir).c_str(), nullptr);
    std::string dayFolder = AutomaticDayFolder(Settings.SaveDir, now);
    CreateDirectoryA(dayFolder.c_str(), nullptr);
    StoreSaveName(IsPngImageType(Settings.SaveImageType) ? FindNextAutomaticPngName(dayFolder)
                                                         : FindFreeAutomaticName(dayFolder),
                  destination);
}

// The type chosen in the dialog's list decides the file's type, whatever
// extension the name has; a name typed without one gets the type's.
int ChooseNameInDialog(char* destination) {
    bool png = IsPngImageType(Settings.SaveImageType);
    char chosen[SAVE_DIALOG_CAPACITY] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.lpstrFilter = png ? PNG_FIRST_FILTER : BITMAP_FIRST_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = "ハードコピーに名前を付けて保存";
    dialog.lpstrDefExt = png ? "png" : "bmp";
    dialog.Flags = SAVE_DIALOG_FLAGS;
    BOOL confirmed = GetSaveFileNameA(&dialog);
    PumpPendingMessages();
    chosen[sizeof chosen - 1] = '\0';
    if (confirmed) StoreSaveName(chosen, destination);
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

// Up to and with the last separator; a Shift-JIS trail byte that equals a
// backslash is no separator.
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

// Creates a new, empty temporary file beside `destination`; never one that
// already exists, so a user's own file cannot be met. Empty when none fits
// the path limit or none could be created.
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

bool WriteFileThroughTemporary(const char* destination,
                               const std::function<bool(const char* path)>& write) {
    std::string temporary = CreateTemporaryFileBeside(destination);
    if (temporary.empty()) {
        if (FolderOf(destination).size() + TEMPORARY_NAME_LENGTH < MAX_PATH) return false;
        return WriteInPlace(destination, write);
    }
    bool replaced = write(temporary.c_str()) && FlushToDisk(temporary.c_str()) &&
                    MoveFileExA(temporary.c_str(), destination,
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) DeleteFileA(temporary.c_str());
    return replaced;
}

bool CopyHardCopyFile(const char* from, const char* to) {
    if (!FileExists(from)) return false;
    return WriteFileThroughTemporary(
        to, [from](const char* path) { return CopyFileA(from, path, FALSE) != FALSE; });
}

bool SaveHardCopyAs(const char* workFile, const char* destination, int imageType) {
    if (!IsPngImageType(imageType)) return CopyHardCopyFile(workFile, destination);
    if (!FileExists(workFile)) return false;
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
