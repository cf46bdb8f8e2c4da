#include "settings/settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

SettingsRecord Settings;
LauncherEntry launcherTable[LAUNCHER_COUNT];

namespace {

int ReadInt(const char* section, const char* key, int fallback, const char* path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, path));
}

// The reader takes one pair of quotes off a value and the blanks off its
// ends, so it is given room for the quotes a value was written with, and what
// it read is then cut to whole characters that fit the field.
void ReadText(const char* section, const char* key, const char* fallback, char* out,
              DWORD capacity, const char* path) {
    std::vector<char> text(capacity + 2, '\0');
    GetPrivateProfileStringA(section, key, fallback, text.data(), capacity + 2, path);
    size_t length = WholeCharacterLength(text.data(), capacity - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

void WriteInt(int value, const char* section, const char* key, const char* path) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, path);
}

bool IsProfileBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a';
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// True when the reader would give back something else than the value.
bool NeedsQuotes(const char* value) {
    size_t length = std::strlen(value);
    if (length == 0) return false;
    char first = value[0], last = value[length - 1];
    return IsProfileBlank(first) || IsProfileBlank(last) ||
           (length >= 2 && IsQuote(first) && last == first);
}

// A value the reader would change is written inside one more pair of quotes,
// which the reader takes off again; every other value is written as it is.
void WriteText(const char* value, const char* section, const char* key, const char* path) {
    if (!NeedsQuotes(value)) {
        WritePrivateProfileStringA(section, key, value, path);
        return;
    }
    std::string quoted = std::string("\"") + value + "\"";
    WritePrivateProfileStringA(section, key, quoted.c_str(), path);
}

bool PathExists(const char* path) {
    return path[0] != '\0' && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void ReplaceMissingSaveDir() {
    if (PathExists(Settings.SaveDir)) return;
    char current[SAVE_DIR_CAPACITY] = {};
    DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length == 0 || length >= sizeof current) current[0] = '\0';
    std::memcpy(Settings.SaveDir, current, sizeof current);
}

} // namespace

size_t WholeCharacterLength(const char* text, size_t bytes) {
    size_t length = 0;
    while (text[length] != '\0') {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[length])) && text[length + 1] ? 2 : 1;
        if (length + step > bytes) break;
        length += step;
    }
    return length;
}

int ClampHistoryLength(int saveNum) {
    if (saveNum < MIN_HISTORY_LENGTH) return MIN_HISTORY_LENGTH;
    if (saveNum > MAX_HISTORY_LENGTH) return MAX_HISTORY_LENGTH;
    return saveNum;
}

void LoadSettings(const char* path) {
    SettingsRecord& s = Settings;
    s.SaveDir[0] = '\0';

    s.CopyType = ReadInt("Common", "CopyType", COPY_RANGE, path);
    s.IsExtraArea = ReadInt("Common", "IsExtraArea", 0, path);
    s.IsDotRange = ReadInt("Common", "IsDotRange", 0, path);
    s.IsNotRange = ReadInt("Common", "IsNotRange", 0, path);
    s.IsPrintPreview = ReadInt("Common", "IsPrintPreview", 0, path);
    s.AutoLeft = ReadInt("Common", "AutoLeft", 0, path);
    s.AutoTop = ReadInt("Common", "AutoTop", 0, path);
    s.AutoRight = ReadInt("Common", "AutoRight", 0, path);
    s.AutoBottom = ReadInt("Common", "AutoBottom", 0, path);

    s.SaveFormat1 = ReadInt("SaveAs", "SaveFormat1", 0, path);
    s.SaveFormat2 = ReadInt("SaveAs", "SaveFormat2", 0, path);
    s.IsSaveDialog = ReadInt("SaveAs", "IsSaveDialog", 0, path);
    ReadText("SaveAs", "SaveDir", "", s.SaveDir, sizeof s.SaveDir, path);
    ReplaceMissingSaveDir();
    s.SaveFormat3 = ReadInt("SaveAs", "SaveFormat3", 0, path);
    s.SaveImageType = ReadInt("SaveAs", "SaveImageType", IMAGE_TYPE_BITMAP, path);

    ReadText("Modify", "AppPath", "mspaint.exe", s.AppPath, sizeof s.AppPath, path);
    ReadText("Modify", "AppParam", "", s.AppParam, sizeof s.AppParam, path);

    s.IsPrintEdge = ReadInt("Option", "IsPrintEdge", 0, path);
    s.IsPrintDialog = ReadInt("Option", "IsPrintDialog", 0, path);
    s.IsFlash = ReadInt("Option", "IsFlash", 0, path);
    s.IsCursor = ReadInt("Option", "IsCursor", 0, path);
    s.SaveNum = ClampHistoryLength(ReadInt("Option", "SaveNum", MIN_HISTORY_LENGTH, path));
    s.IsPrintSysTime = ReadInt("Option", "IsPrintSysTime", 0, path);
    s.IsPrintHostName = ReadInt("Option", "IsPrintHostName", 0, path);
    s.IsPrintIPAddr = ReadInt("Option", "IsPrintIPAddr", 0, path);

    s.OnesWinStyle = ReadInt("Others", "OnesWinStyle", 3, path);
    s.OnesLeft = ReadInt("Others", "OnesLeft", 0, path);
    s.OnesTop = ReadInt("Others", "OnesTop", 0, path);

    if (s.SaveFormat1 == 0 && s.SaveFormat2 == 0 && s.SaveFormat3 == 0) s.SaveFormat1 = 1;
}

void LoadLauncherSettings(const char* path) {
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        LauncherEntry& entry = launcherTable[n - 1];
        char key[32];
        std::snprintf(key, sizeof key, "IsCtrlF%d", n);
        entry.IsCtrlF = ReadInt("HotKey", key, 0, path);
        std::snprintf(key, sizeof key, "CTRL_F%d", n);
        ReadText("HotKey", key, "", entry.Path, sizeof entry.Path, path);
        std::snprintf(key, sizeof key, "CTRL_F%d_PARAMS", n);
        ReadText("HotKey", key, "", entry.Params, sizeof entry.Params, path);
    }
}

void SaveLauncherSettings(int n, const char* path) {
    const LauncherEntry& entry = launcherTable[n - 1];
    char key[32];
    std::snprintf(key, sizeof key, "IsCtrlF%d", n);
    WriteInt(entry.IsCtrlF, "HotKey", key, path);
    std::snprintf(key, sizeof key, "Ctrl_F%d", n);
    WriteText(entry.Path, "HotKey", key, path);
    std::snprintf(key, sizeof key, "Ctrl_F%d_PARAMS", n);
    WriteText(entry.Params, "HotKey", key, path);
}

void SaveSettings(const char* path) {
    const SettingsRecord& s = Settings;
    WriteInt(s.CopyType, "Common", "CopyType", path);
    WriteInt(s.IsExtraArea, "Common", "IsExtraArea", path);
    WriteInt(s.IsDotRange, "Common", "IsDotRange", path);
    WriteInt(s.IsNotRange, "Common", "IsNotRange", path);
    WriteInt(s.IsPrintPreview, "Common", "IsPrintPreview", path);
    WriteInt(s.AutoLeft, "Common", "AutoLeft", path);
    WriteInt(s.AutoTop, "Common", "AutoTop", path);
    WriteInt(s.AutoRight, "Common", "AutoRight", path);
    WriteInt(s.AutoBottom, "Common", "AutoBottom", path);

    WriteInt(s.SaveFormat1, "SaveAs", "SaveFormat1", path);
    WriteInt(s.SaveFormat2, "SaveAs", "SaveFormat2", path);
    WriteInt(s.IsSaveDialog, "SaveAs", "IsSaveDialog", path);
    WriteText(s.SaveDir, "SaveAs", "SaveDir", path);
    WriteInt(s.SaveFormat3, "SaveAs", "SaveFormat3", path);
    WriteInt(s.SaveImageType, "SaveAs", "SaveImageType", path);

    WriteText(s.AppPath, "Modify", "AppPath", path);
    WriteText(s.AppParam, "Modify", "AppParam", path);

    WriteInt(s.IsPrintEdge, "Option", "IsPrintEdge", path);
    WriteInt(s.IsPrintDialog, "Option", "IsPrintDialog", path);
    WriteInt(s.IsPrintSysTime, "Option", "IsPrintSysTime", path);
    WriteInt(s.IsPrintHostName, "Option", "IsPrintHostName", path);
    WriteInt(s.IsPrintIPAddr, "Option", "IsPrintIPAddr", path);
    WriteInt(s.IsFlash, "Option", "IsFlash", path);
    WriteInt(s.IsCursor, "Option", "IsCursor", path);
    WriteInt(s.SaveNum, "Option", "SaveNum", path);
}

void WriteSettingInt(const int* field, const char* section, const char* key, const char* path) {
    WriteInt(*field, section, key, path);
}
