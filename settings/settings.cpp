#include "settings/settings.h"

#include "settings/ini_file.h"
#include "settings/shift_jis.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

SettingsRecord Settings;
LauncherEntry launcherTable[LAUNCHER_COUNT];

namespace {

// The profile reader's integers: blanks, a sign and decimal digits, in 32
// bits that wrap; an empty or absent value gives the fallback.
int ReadInt(const IniFile& ini, const char* section, const char* key, int fallback) {
    std::optional<std::string> value = ini.Value(section, key);
    if (!value || value->empty()) return fallback;
    size_t i = 0;
    bool negative = false;
    if (i < value->size() && ((*value)[i] == '-' || (*value)[i] == '+')) negative = (*value)[i++] == '-';
    uint32_t result = 0;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i)
        result = result * 10 + static_cast<uint32_t>((*value)[i] - '0');
    return static_cast<int>(negative ? 0u - result : result);
}

std::string ExactKey(const char* key) { return std::string(key) + EXACT_KEY_SUFFIX; }

std::wstring ReadString(const IniFile& ini, const char* section, const char* key,
                        const wchar_t* fallback) {
    std::optional<std::wstring> text = ini.Text(section, key);
    if (!text) return fallback;
    std::string shiftJis = ini.IsUnicode() ? ShiftJisFromWide(*text) : *ini.Value(section, key);
    if (std::optional<std::string> exact = ini.Value(section, ExactKey(key))) {
        std::wstring value = WideFromUtf8(*exact);
        if (ShiftJisFromWide(value) == shiftJis) return value;
    }
    return *text;
}

// Cut to the whole characters whose Shift-JIS form fits the field.
template <size_t N>
void ReadText(const IniFile& ini, const char* section, const char* key, const wchar_t* fallback,
              wchar_t (&out)[N]) {
    std::wstring value = ReadString(ini, section, key, fallback);
    value.resize(WholeCharactersWithin(value, N - 1));
    std::wmemcpy(out, value.c_str(), value.size() + 1);
}

void WriteInt(IniFile& ini, int value, const char* section, const char* key) {
    ini.SetValue(section, key, std::to_string(value));
}

// A value the file holds already keeps its bytes, however they spell it.
void WriteText(IniFile& ini, const wchar_t* value, const char* section, const char* key) {
    bool exact = true;
    ShiftJisFromWide(value, &exact);
    exact = exact || ini.IsUnicode();
    bool unchanged = ini.Value(section, key) && ReadString(ini, section, key, L"") == value;
    if (!unchanged) ini.SetText(section, key, value);
    if (exact)
        ini.Remove(section, ExactKey(key));
    else if (!unchanged)
        ini.SetValue(section, ExactKey(key), Utf8FromWide(value), true);
}

bool PathExists(const wchar_t* path) {
    return path[0] != L'\0' && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void ReplaceMissingSaveDir() {
    if (PathExists(Settings.SaveDir)) return;
    wchar_t current[SAVE_DIR_CAPACITY] = {};
    DWORD length = GetCurrentDirectoryW(SAVE_DIR_CAPACITY, current);
    // A folder whose Shift-JIS form would not fit the field is no default.
    if (length == 0 || length >= SAVE_DIR_CAPACITY ||
        ShiftJisLength(current) >= static_cast<size_t>(SAVE_DIR_CAPACITY))
        current[0] = L'\0';
    std::wmemcpy(Settings.SaveDir, current, SAVE_DIR_CAPACITY);
}

std::string LauncherKey(const char* format, int n) {
    char key[32];
    std::snprintf(key, sizeof key, format, n);
    return key;
}

} // namespace

int ClampHistoryLength(int saveNum) {
    if (saveNum < MIN_HISTORY_LENGTH) return MIN_HISTORY_LENGTH;
    if (saveNum > MAX_HISTORY_LENGTH) return MAX_HISTORY_LENGTH;
    return saveNum;
}

IniFailure LoadSettings(const wchar_t* path) {
    SettingsRecord& s = Settings;
    const IniFile ini(path);

    s.CopyType = ReadInt(ini, "Common", "CopyType", COPY_RANGE);
    s.IsExtraArea = ReadInt(ini, "Common", "IsExtraArea", 0);
    s.IsDotRange = ReadInt(ini, "Common", "IsDotRange", 0);
    s.IsNotRange = ReadInt(ini, "Common", "IsNotRange", 0);
    s.IsPrintPreview = ReadInt(ini, "Common", "IsPrintPreview", 0);
    s.AutoLeft = ReadInt(ini, "Common", "AutoLeft", 0);
    s.AutoTop = ReadInt(ini, "Common", "AutoTop", 0);
    s.AutoRight = ReadInt(ini, "Common", "AutoRight", 0);
    s.AutoBottom = ReadInt(ini, "Common", "AutoBottom", 0);

    s.SaveFormat1 = ReadInt(ini, "SaveAs", "SaveFormat1", 0);
    s.SaveFormat2 = ReadInt(ini, "SaveAs", "SaveFormat2", 0);
    s.IsSaveDialog = ReadInt(ini, "SaveAs", "IsSaveDialog", 0);
    ReadText(ini, "SaveAs", "SaveDir", L"", s.SaveDir);
    ReplaceMissingSaveDir();
    s.SaveFormat3 = ReadInt(ini, "SaveAs", "SaveFormat3", 0);
    s.SaveImageType = ReadInt(ini, "SaveAs", "SaveImageType", IMAGE_TYPE_BITMAP);

    ReadText(ini, "Modify", "AppPath", L"mspaint.exe", s.AppPath);
    ReadText(ini, "Modify", "AppParam", L"", s.AppParam);

    s.IsPrintEdge = ReadInt(ini, "Option", "IsPrintEdge", 0);
    s.IsPrintDialog = ReadInt(ini, "Option", "IsPrintDialog", 0);
    s.IsFlash = ReadInt(ini, "Option", "IsFlash", 0);
    s.IsCursor = ReadInt(ini, "Option", "IsCursor", 0);
    s.SaveNum = ClampHistoryLength(ReadInt(ini, "Option", "SaveNum", MIN_HISTORY_LENGTH));
    s.IsPrintSysTime = ReadInt(ini, "Option", "IsPrintSysTime", 0);
    s.IsPrintHostName = ReadInt(ini, "Option", "IsPrintHostName", 0);
    s.IsPrintIPAddr = ReadInt(ini, "Option", "IsPrintIPAddr", 0);

    s.OnesWinStyle = ReadInt(ini, "Others", "OnesWinStyle", 3);
    s.OnesLeft = ReadInt(ini, "Others", "OnesLeft", 0);
    s.OnesTop = ReadInt(ini, "Others", "OnesTop", 0);

    if (s.SaveFormat1 == 0 && s.SaveFormat2 == 0 && s.SaveFormat3 == 0) s.SaveFormat1 = 1;
    return ini.ReadFailure();
}

void LoadLauncherSettings(const wchar_t* path) {
    const IniFile ini(path);
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        LauncherEntry& entry = launcherTable[n - 1];
        entry.IsCtrlF = ReadInt(ini, "HotKey", LauncherKey("IsCtrlF%d", n).c_str(), 0);
        ReadText(ini, "HotKey", LauncherKey("CTRL_F%d", n).c_str(), L"", entry.Path);
        ReadText(ini, "HotKey", LauncherKey("CTRL_F%d_PARAMS", n).c_str(), L"", entry.Params);
    }
}

IniFailure SaveLauncherSettings(int n, const wchar_t* path) {
    const LauncherEntry& entry = launcherTable[n - 1];
    IniFile ini(path);
    WriteInt(ini, entry.IsCtrlF, "HotKey", LauncherKey("IsCtrlF%d", n).c_str());
    WriteText(ini, entry.Path, "HotKey", LauncherKey("Ctrl_F%d", n).c_str());
    WriteText(ini, entry.Params, "HotKey", LauncherKey("Ctrl_F%d_PARAMS", n).c_str());
    return ini.Save();
}

IniFailure SaveSettings(const wchar_t* path) {
    const SettingsRecord& s = Settings;
    IniFile ini(path);
    WriteInt(ini, s.CopyType, "Common", "CopyType");
    WriteInt(ini, s.IsExtraArea, "Common", "IsExtraArea");
    WriteInt(ini, s.IsDotRange, "Common", "IsDotRange");
    WriteInt(ini, s.IsNotRange, "Common", "IsNotRange");
    WriteInt(ini, s.IsPrintPreview, "Common", "IsPrintPreview");
    WriteInt(ini, s.AutoLeft, "Common", "AutoLeft");
    WriteInt(ini, s.AutoTop, "Common", "AutoTop");
    WriteInt(ini, s.AutoRight, "Common", "AutoRight");
    WriteInt(ini, s.AutoBottom, "Common", "AutoBottom");

    WriteInt(ini, s.SaveFormat1, "SaveAs", "SaveFormat1");
    WriteInt(ini, s.SaveFormat2, "SaveAs", "SaveFormat2");
    WriteInt(ini, s.IsSaveDialog, "SaveAs", "IsSaveDialog");
    WriteText(ini, s.SaveDir, "SaveAs", "SaveDir");
    WriteInt(ini, s.SaveFormat3, "SaveAs", "SaveFormat3");
    WriteInt(ini, s.SaveImageType, "SaveAs", "SaveImageType");

    WriteText(ini, s.AppPath, "Modify", "AppPath");
    WriteText(ini, s.AppParam, "Modify", "AppParam");

    WriteInt(ini, s.IsPrintEdge, "Option", "IsPrintEdge");
    WriteInt(ini, s.IsPrintDialog, "Option", "IsPrintDialog");
    WriteInt(ini, s.IsPrintSysTime, "Option", "IsPrintSysTime");
    WriteInt(ini, s.IsPrintHostName, "Option", "IsPrintHostName");
    WriteInt(ini, s.IsPrintIPAddr, "Option", "IsPrintIPAddr");
    WriteInt(ini, s.IsFlash, "Option", "IsFlash");
    WriteInt(ini, s.IsCursor, "Option", "IsCursor");
    WriteInt(ini, s.SaveNum, "Option", "SaveNum");
    return ini.Save();
}

IniFailure WriteSettingInt(const int* field, const char* section, const char* key,
                           const wchar_t* path) {
    IniFile ini(path);
    WriteInt(ini, *field, section, key);
    return ini.Save();
}

std::wstring SettingsFailureCause(IniFailure failure) {
    switch (failure) {
    case IniFailure::ReadOnly: return L"ファイルが読み取り専用です。";
    case IniFailure::NotPermitted:
        return L"このフォルダーかファイルへの書き込みが許可されていません。";
    case IniFailure::Held: return L"ファイルがほかのプログラムに開かれています。";
    case IniFailure::PathTooLong: return L"ファイルの場所が長すぎます。";
    case IniFailure::NoFolder: return L"フォルダーが見つかりません。";
    case IniFailure::DiskFull: return L"ディスクがいっぱいです。";
    case IniFailure::Unreadable: return L"読み込めなかったファイルは書き換えません。";
    case IniFailure::None:
    case IniFailure::Other: break;
    }
    return L"書き込めません。";
}

std::wstring SettingsNotWrittenText(IniFailure failure, const wchar_t* path) {
    return L"設定ファイルに書き込めませんでした。\n" + SettingsFailureCause(failure) + L"\n" +
           path + L"\n" + SETTINGS_KEPT_FOR_RUN;
}
