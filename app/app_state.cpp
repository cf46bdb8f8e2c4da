// The application's process-wide state and the start-up work done while
// the main window is being created.
#include "app/app.h"

#include "app/tray.h"
#include "output/save.h"
#include "settings/settings.h"

#include <cwchar>
#include <string>

HINSTANCE appInstance;
HWND mainWindow;
UINT taskbarCreatedMessage;
wchar_t tempDirectory[TEMP_DIRECTORY_CAPACITY];
wchar_t settingsFilePath[SETTINGS_PATH_CAPACITY];
wchar_t workBitmapPath[BITMAP_PATH_CAPACITY];
wchar_t backgroundBitmapPath[BITMAP_PATH_CAPACITY];
wchar_t historyFilePaths[HISTORY_SLOT_COUNT][BITMAP_PATH_CAPACITY];
std::wstring startDirectory;

namespace {

IniFailure settingsReadFailure = IniFailure::None;

template <size_t N> void StorePath(wchar_t (&destination)[N], const std::wstring& path) {
    std::wmemset(destination, L'\0', N);
    if (path.size() < N) std::wmemcpy(destination, path.c_str(), path.size());
}

// Where the system can give the folder in full, or nothing.
std::wstring TemporaryFolder() {
    wchar_t folder[TEMP_DIRECTORY_CAPACITY] = {};
    DWORD length = GetTempPathW(TEMP_DIRECTORY_CAPACITY, folder);
    return length == 0 || length >= TEMP_DIRECTORY_CAPACITY ? std::wstring() : folder;
}

std::wstring CurrentDirectory() {
    DWORD capacity = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(capacity, L'\0');
    DWORD length = capacity ? GetCurrentDirectoryW(capacity, folder.data()) : 0;
    folder.resize(length < capacity ? length : 0);
    return folder;
}

} // namespace

void BuildWorkingPaths(const wchar_t* temporaryFolder, const wchar_t* currentDirectory) {
    std::wstring temporary = temporaryFolder;
    StorePath(tempDirectory, temporary);
    if (tempDirectory[0] == L'\0') temporary.clear();
    StorePath(settingsFilePath, currentDirectory[0] == L'\0'
                                    ? std::wstring()
                                    : std::wstring(currentDirectory) + L"\\zorvex.ini");
    // Without a temporary folder no hard copy can be taken; the capture says so.
    auto inTemporary = [&temporary](const std::wstring& name) {
        return temporary.empty() ? std::wstring() : temporary + name;
    };
    StorePath(workBitmapPath, inTemporary(L"~zor_vex.bmp"));
    StorePath(backgroundBitmapPath, inTemporary(L"~zor_vex_background.bmp"));
    for (int i = 0; i < HISTORY_SLOT_COUNT; ++i)
        StorePath(historyFilePaths[i], inTemporary(L"~zor_vex" + std::to_wstring(i + 1) + L".bmp"));
}

void InitializeApplication() {
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    startDirectory = CurrentDirectory();
    BuildWorkingPaths(TemporaryFolder().c_str(), startDirectory.c_str());
    if (tempDirectory[0] != L'\0') RemoveLeftoverTemporaryFiles(tempDirectory);
    settingsReadFailure = LoadSettings(settingsFilePath);
    LoadLauncherSettings(settingsFilePath);
    BuildTrayMenu();
}

void TellUnreadSettings() {
    TellSettingsFailure(settingsReadFailure, true);
}
