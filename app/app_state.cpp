// The application's process-wide state and the start-up work done while
// the main window is being created.
#include "app/app.h"

#include "app/tray.h"
#include "output/save.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>

HINSTANCE appInstance;
HWND mainWindow;
UINT taskbarCreatedMessage;
char tempDirectory[TEMP_DIRECTORY_CAPACITY];
char settingsFilePath[SETTINGS_PATH_CAPACITY];
char workBitmapPath[BITMAP_PATH_CAPACITY];
char backgroundBitmapPath[BITMAP_PATH_CAPACITY];
char historyFilePaths[HISTORY_SLOT_COUNT][BITMAP_PATH_CAPACITY];
std::wstring startDirectory;

namespace {

void CopyBounded(char* destination, size_t capacity, const char* first, const char* second) {
    std::snprintf(destination, capacity, "%s%s", first, second);
}

std::wstring CurrentDirectory() {
    DWORD capacity = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(capacity, L'\0');
    DWORD length = capacity ? GetCurrentDirectoryW(capacity, folder.data()) : 0;
    folder.resize(length < capacity ? length : 0);
    return folder;
}

} // namespace

void BuildWorkingPaths(const char* temporaryFolder, const char* currentDirectory) {
    std::memset(tempDirectory, 0, sizeof tempDirectory);
    std::snprintf(tempDirectory, sizeof tempDirectory, "%s", temporaryFolder);
    std::memset(settingsFilePath, 0, sizeof settingsFilePath);
    std::snprintf(settingsFilePath, sizeof settingsFilePath, "%s\\zorvex.ini", currentDirectory);

    std::memset(workBitmapPath, 0, sizeof workBitmapPath);
    CopyBounded(workBitmapPath, sizeof workBitmapPath, tempDirectory, "~zor_vex.bmp");
    std::memset(backgroundBitmapPath, 0, sizeof backgroundBitmapPath);
    CopyBounded(backgroundBitmapPath, sizeof backgroundBitmapPath, tempDirectory,
                "~zor_vex_background.bmp");
    for (int i = 0; i < HISTORY_SLOT_COUNT; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "~zor_vex%d.bmp", i + 1);
        std::memset(historyFilePaths[i], 0, sizeof historyFilePaths[i]);
        CopyBounded(historyFilePaths[i], sizeof historyFilePaths[i], tempDirectory, name);
    }
}

void InitializeApplication() {
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    char temporaryFolder[TEMP_DIRECTORY_CAPACITY] = {};
    DWORD length = GetTempPathA(sizeof temporaryFolder, temporaryFolder);
    if (length == 0 || length >= sizeof temporaryFolder) temporaryFolder[0] = '\0';
    char currentDirectory[MAX_PATH] = {};
    length = GetCurrentDirectoryA(sizeof currentDirectory, currentDirectory);
    if (length == 0 || length >= sizeof currentDirectory) currentDirectory[0] = '\0';

    BuildWorkingPaths(temporaryFolder, currentDirectory);
    startDirectory = CurrentDirectory();
    if (tempDirectory[0] != '\0') RemoveLeftoverTemporaryFiles(tempDirectory);
    LoadSettings(settingsFilePath);
    LoadLauncherSettings(settingsFilePath);
    BuildTrayMenu();
}

