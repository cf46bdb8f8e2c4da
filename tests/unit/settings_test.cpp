#include "settings/settings.h"

#include "settings/shift_jis.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buffer);
    return buffer;
}

class SettingsFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::wstring ini = folder.file(L"zorvex.ini");

    void Load(const std::string& text) {
        WriteText(ini, text);
        LoadSettings(ini.c_str());
        LoadLauncherSettings(ini.c_str());
    }
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndCorrections) {
    LoadSettings(folder.file(L"absent.ini").c_str());
    LoadLauncherSettings(folder.file(L"absent.ini").c_str());
    EXPECT_EQ(Settings.CopyType, COPY_RANGE);
    EXPECT_EQ(Settings.SaveFormat1, 1) << "at least the clipboard output stays on";
    EXPECT_EQ(Settings.SaveFormat2, 0);
    EXPECT_EQ(Settings.SaveFormat3, 0);
    EXPECT_EQ(Settings.SaveImageType, IMAGE_TYPE_BITMAP);
    EXPECT_EQ(Settings.SaveNum, 3);
    EXPECT_STREQ(Settings.AppPath, L"mspaint.exe");
    EXPECT_STREQ(Settings.AppParam, L"");
    EXPECT_EQ(std::wstring(Settings.SaveDir), CurrentDirectory());
    EXPECT_EQ(Settings.OnesWinStyle, 3);
    EXPECT_EQ(Settings.OnesLeft, 0);
    EXPECT_EQ(Settings.IsFlash, 0);
    for (const LauncherEntry& entry : launcherTable) {
        EXPECT_EQ(entry.IsCtrlF, 0);
        EXPECT_STREQ(entry.Path, L"");
        EXPECT_STREQ(entry.Params, L"");
    }
}

TEST_F(SettingsFile, ClipboardCorrectionOnlyWhenAllOutputsAreOff) {
    Load("[SaveAs]\r\nSaveFormat2=1\r\n");
    EXPECT_EQ(Settings.SaveFormat1, 0);
    EXPECT_EQ(Settings.SaveFormat2, 1);
    Load("[SaveAs]\r\nSaveFormat1=0\r\nSaveFormat2=0\r\nSaveFormat3=0\r\n");
    EXPECT_EQ(Settings.SaveFormat1, 1);
}

TEST_F(SettingsFile, ExistingSaveDirIsKeptAndMissingOneBecomesCurrentDirectory) {
    std::wstring existing = folder.path().substr(0, folder.path().size() - 1);
    Load("[SaveAs]\r\nSaveDir=" + ShiftJisFromWide(existing) + "\r\n");
    EXPECT_EQ(std::wstring(Settings.SaveDir), existing);
    Load("[SaveAs]\r\nSaveDir=" + ShiftJisFromWide(folder.file(L"deleted-since")) + "\r\n");
    EXPECT_EQ(std::wstring(Settings.SaveDir), CurrentDirectory());
}

TEST_F(SettingsFile, SectionAndKeyNamesIgnoreCase) {
    Load("[common]\r\ncopytype=1\r\n[OPTION]\r\nISCURSOR=1\r\n[hotkey]\r\nctrl_f3=C:\\tools\\a.exe\r\n"
         "Ctrl_F3_Params=-x\r\nisctrlf3=1\r\n");
    EXPECT_EQ(Settings.CopyType, COPY_ACTIVE_WINDOW);
    EXPECT_EQ(Settings.IsCursor, 1);
    EXPECT_STREQ(launcherTable[2].Path, L"C:\\tools\\a.exe");
    EXPECT_STREQ(launcherTable[2].Params, L"-x");
    EXPECT_EQ(launcherTable[2].IsCtrlF, 1);
}

TEST_F(SettingsFile, HandEditedValuesNeverLeaveTheirBounds) {
    Load("[Common]\r\nCopyType=7\r\nAutoLeft=-25\r\n[Option]\r\nSaveNum=100000\r\n"
         "[Others]\r\nOnesWinStyle=9\r\n");
    EXPECT_EQ(Settings.SaveNum, MAX_HISTORY_LENGTH);
    EXPECT_EQ(Settings.CopyType, 7) << "an unknown mode is kept and simply matches no item";
    EXPECT_EQ(Settings.OnesWinStyle, 9);
    EXPECT_EQ(Settings.AutoLeft, -25);

    Load("[Option]\r\nSaveNum=0\r\n");
    EXPECT_EQ(Settings.SaveNum, MIN_HISTORY_LENGTH);
    Load("[Option]\r\nSaveNum=-5\r\n");
    EXPECT_EQ(Settings.SaveNum, MIN_HISTORY_LENGTH);
    Load("[Option]\r\nSaveNum=120\r\n");
    EXPECT_EQ(Settings.SaveNum, 120);
}

TEST_F(SettingsFile, NonNumericIntegersReadAsZero) {
    Load("[Common]\r\nCopyType=abc\r\n[Option]\r\nIsFlash=yes\r\n");
    EXPECT_EQ(Settings.CopyType, 0);
    EXPECT_EQ(Settings.IsFlash, 0);
}

TEST_F(SettingsFile, OverlongStringsAreCutToTheirCapacity) {
    std::string longText(2000, 'x');
    Load("[Modify]\r\nAppPath=" + longText + "\r\nAppParam=" + longText + "\r\n[HotKey]\r\nCtrl_F1=" +
         longText + "\r\nCtrl_F1_PARAMS=" + longText + "\r\n");
    EXPECT_EQ(std::wcslen(Settings.AppPath), size_t(APP_PATH_CAPACITY - 1));
    EXPECT_EQ(std::wcslen(Settings.AppParam), size_t(APP_PARAM_CAPACITY - 1));
    EXPECT_EQ(std::wcslen(launcherTable[0].Path), size_t(LAUNCHER_PATH_CAPACITY - 1));
    EXPECT_EQ(std::wcslen(launcherTable[0].Params), size_t(LAUNCHER_PARAMS_CAPACITY - 1));
}

TEST_F(SettingsFile, WriteSettingIntRewritesOnlyItsKey) {
    std::string original = "[Common]\r\nCopyType=3\r\nIsExtraArea=1\r\n[Option]\r\nIsCursor=0\r\n"
                           "; a comment the user wrote\r\n[HotKey]\r\nCtrl_F2=notepad.exe\r\n";
    Load(original);
    Settings.CopyType = 0;
    WriteSettingInt(&Settings.CopyType, "Common", "CopyType", ini.c_str());
    std::string expected = original;
    expected.replace(expected.find("CopyType=3"), 10, "CopyType=0");
    EXPECT_EQ(ReadText(ini), expected);

    Settings.OnesLeft = -40;
    WriteSettingInt(&Settings.OnesLeft, "Others", "OnesLeft", ini.c_str());
    LoadSettings(ini.c_str());
    EXPECT_EQ(Settings.OnesLeft, -40) << "negative values are written with their sign";
}

TEST_F(SettingsFile, SaveSettingsRoundTripsAndLeavesOthersAndHotKeyAlone) {
    Load("[Others]\r\nOnesWinStyle=5\r\nOnesLeft=11\r\n[HotKey]\r\nIsCtrlF1=1\r\nCtrl_F1=a.exe\r\n");
    Settings.CopyType = COPY_FIXED_AREA;
    Settings.AutoRight = 640;
    Settings.SaveFormat2 = 1;
    Settings.SaveImageType = IMAGE_TYPE_PNG;
    wcscpy(Settings.AppParam, L"/p");
    Settings.SaveNum = 42;
    Settings.IsPrintIPAddr = 1;
    Settings.OnesWinStyle = 1; // never written by this call
    SaveSettings(ini.c_str());

    std::string text = ReadText(ini);
    EXPECT_NE(text.find("OnesWinStyle=5"), std::string::npos);
    EXPECT_NE(text.find("Ctrl_F1=a.exe"), std::string::npos);
    EXPECT_NE(text.find("IsCtrlF1=1"), std::string::npos);

    LoadSettings(ini.c_str());
    EXPECT_EQ(Settings.CopyType, COPY_FIXED_AREA);
    EXPECT_EQ(Settings.AutoRight, 640);
    EXPECT_EQ(Settings.SaveFormat2, 1);
    EXPECT_EQ(Settings.SaveImageType, IMAGE_TYPE_PNG);
    EXPECT_STREQ(Settings.AppParam, L"/p");
    EXPECT_EQ(Settings.SaveNum, 42);
    EXPECT_EQ(Settings.IsPrintIPAddr, 1);
    EXPECT_EQ(Settings.OnesWinStyle, 5);
}

TEST_F(SettingsFile, LauncherFlagsCountOnlyWhenOne) {
    Load("[HotKey]\r\nIsCtrlF3=1\r\nIsCtrlF4=2\r\nIsCtrlF10=1\r\nCtrl_F10=ten.exe\r\n");
    EXPECT_EQ(launcherTable[2].IsCtrlF, 1);
    EXPECT_EQ(launcherTable[3].IsCtrlF, 2);
    EXPECT_EQ(launcherTable[9].IsCtrlF, 1);
    EXPECT_STREQ(launcherTable[9].Path, L"ten.exe");
    EXPECT_TRUE(IsOutputOn(1));
    EXPECT_FALSE(IsOutputOn(2));
}

} // namespace

namespace {

// Every string field ends inside its capacity, and the field after it keeps
// the value the file gave it: nothing was written past the string.
void ExpectStringsBounded() {
    EXPECT_LT(wcsnlen(Settings.SaveDir, SAVE_DIR_CAPACITY), size_t(SAVE_DIR_CAPACITY));
    EXPECT_LT(wcsnlen(Settings.AppPath, APP_PATH_CAPACITY), size_t(APP_PATH_CAPACITY));
    EXPECT_LT(wcsnlen(Settings.AppParam, APP_PARAM_CAPACITY), size_t(APP_PARAM_CAPACITY));
    for (const LauncherEntry& entry : launcherTable) {
        EXPECT_LT(wcsnlen(entry.Path, LAUNCHER_PATH_CAPACITY), size_t(LAUNCHER_PATH_CAPACITY));
        EXPECT_LT(wcsnlen(entry.Params, LAUNCHER_PARAMS_CAPACITY), size_t(LAUNCHER_PARAMS_CAPACITY));
    }
}

const char* const INTEGER_KEYS[][2] = {
    {"Common", "CopyType"},       {"Common", "IsExtraArea"},    {"Common", "IsDotRange"},
    {"Common", "IsNotRange"},     {"Common", "IsPrintPreview"}, {"Common", "AutoLeft"},
    {"Common", "AutoTop"},        {"Common", "AutoRight"},      {"Common", "AutoBottom"},
    {"SaveAs", "SaveFormat1"},    {"SaveAs", "SaveFormat2"},    {"SaveAs", "IsSaveDialog"},
    {"SaveAs", "SaveFormat3"},    {"Option", "IsPrintEdge"},    {"Option", "IsPrintDialog"},
    {"Option", "IsFlash"},        {"Option", "IsCursor"},       {"Option", "SaveNum"},
    {"Option", "IsPrintSysTime"}, {"Option", "IsPrintHostName"}, {"Option", "IsPrintIPAddr"},
    {"Others", "OnesWinStyle"},   {"Others", "OnesLeft"},       {"Others", "OnesTop"},
};

} // namespace

TEST_F(SettingsFile, ExtremeIntegersAndHugeStringsStayInTheirFields) {
    const std::string huge(10 * 1024, 'y');
    for (const char* value : {"-2147483648", "2147483647", "-1", "99999999999999999999", "0x7FFF"}) {
        SCOPED_TRACE(value);
        std::string text;
        const char* section = "";
        for (const auto& key : INTEGER_KEYS) {
            if (std::string(section) != key[0]) text += std::string("[") + key[0] + "]\r\n";
            section = key[0];
            text += std::string(key[1]) + "=" + value + "\r\n";
        }
        text += "[SaveAs]\r\nSaveDir=" + huge + "\r\n[Modify]\r\nAppPath=" + huge +
                "\r\nAppParam=" + huge + "\r\n[HotKey]\r\n";
        for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
            text += "IsCtrlF" + std::to_string(n) + "=" + value + "\r\n";
            text += "Ctrl_F" + std::to_string(n) + "=" + huge + "\r\n";
            text += "Ctrl_F" + std::to_string(n) + "_PARAMS=" + huge + "\r\n";
        }
        Load(text);
        ExpectStringsBounded();
        EXPECT_GE(Settings.SaveNum, MIN_HISTORY_LENGTH);
        EXPECT_LE(Settings.SaveNum, MAX_HISTORY_LENGTH);
        // the fields after each string hold what the file said, not its overflow
        EXPECT_EQ(Settings.SaveFormat3, Settings.SaveFormat2);
        EXPECT_EQ(Settings.IsPrintEdge, Settings.IsPrintDialog);
        EXPECT_EQ(launcherTable[1].IsCtrlF, launcherTable[0].IsCtrlF);
    }
}

TEST_F(SettingsFile, GarbageMissingSectionsAndFoldersGiveDefaults) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 131 + 7) % 256);
    Load(garbage);
    ExpectStringsBounded();
    EXPECT_GE(Settings.SaveNum, MIN_HISTORY_LENGTH);

    Load("[Others]\r\nOnesLeft=5\r\n");
    EXPECT_EQ(Settings.CopyType, COPY_RANGE);
    EXPECT_EQ(Settings.SaveFormat1, 1);
    EXPECT_EQ(Settings.OnesLeft, 5);

    // a folder where the file should be: defaults, and writing it fails
    std::wstring folderPath = folder.file(L"folder.ini");
    ASSERT_TRUE(CreateDirectoryW(folderPath.c_str(), nullptr));
    LoadSettings(folderPath.c_str());
    LoadLauncherSettings(folderPath.c_str());
    EXPECT_EQ(Settings.CopyType, COPY_RANGE);
    SaveSettings(folderPath.c_str());
    EXPECT_TRUE(GetFileAttributesW(folderPath.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(folderPath.c_str());
}

// A read-only settings file is the user's way to keep the settings as they
// are: it is read, and no write changes it.
TEST_F(SettingsFile, ReadOnlyFileIsReadAndNeverWritten) {
    Load("[Common]\r\nCopyType=1\r\n");
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    LoadSettings(ini.c_str());
    EXPECT_EQ(Settings.CopyType, 1);
    Settings.CopyType = 2;
    SaveSettings(ini.c_str());
    WriteSettingInt(&Settings.CopyType, "Common", "CopyType", ini.c_str());
    EXPECT_TRUE(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadText(ini), "[Common]\r\nCopyType=1\r\n");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Every write says why it was not made, and leaves the file as it was.
TEST_F(SettingsFile, AWriteNotMadeSaysWhyAndLeavesTheFile) {
    const std::string original = "[Common]\r\nCopyType=1\r\n";
    const std::wstring gone = folder.file(L"gone\\zorvex.ini"), directory = folder.file(L"dir.ini");
    CreateDirectoryW(directory.c_str(), nullptr);
    const std::pair<std::wstring, IniFailure> rows[] = {{ini, IniFailure::ReadOnly},
                                                        {gone, IniFailure::NoFolder},
                                                        {L"", IniFailure::PathTooLong},
                                                        {directory, IniFailure::Unreadable}};
    for (const auto& [path, failure] : rows) {
        WriteText(ini, original);
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
        Settings.CopyType = 4;
        EXPECT_EQ(WriteSettingInt(&Settings.CopyType, "Common", "CopyType", path.c_str()), failure);
        EXPECT_EQ(SaveSettings(path.c_str()), failure);
        EXPECT_EQ(SaveLauncherSettings(1, path.c_str()), failure);
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadText(ini), original);
    }
    // Read while another program held it, and so read as empty: not written once it lets go.
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    IniFile unread(ini.c_str());
    EXPECT_EQ(LoadSettings(ini.c_str()), IniFailure::Held);
    CloseHandle(held);
    unread.SetValue("Common", "CopyType", "4");
    EXPECT_EQ(unread.Save(), IniFailure::Held);
    EXPECT_EQ(ReadText(ini), original);
}

TEST_F(SettingsFile, StringsReadBackExactlyAsWritten) {
    wchar_t* const fields[] = {Settings.AppPath, Settings.AppParam, launcherTable[0].Path,
                               launcherTable[0].Params};
    const std::wstring full = L" " + std::wstring(APP_PARAM_CAPACITY - 3, L'x') + L" ";
    for (std::wstring value : {L"", L" lead", L"trail ", L"\t both \t", L"\"whole\"", L"'single'",
                               L"\"a b\" \"c d\"", L"in\"side", L"\"open", L"ソ表示",
                               L" \"ソ表示\" ", L" \"Zoë 𠮷\" ", full.c_str()}) {
        for (wchar_t* field : fields) wcscpy(field, value.c_str());
        SaveSettings(ini.c_str());
        SaveLauncherSettings(1, ini.c_str());
        for (wchar_t* field : fields) wcscpy(field, L"?");
        LoadSettings(ini.c_str());
        LoadLauncherSettings(ini.c_str());
        for (const wchar_t* field : fields) EXPECT_EQ(field, value);
    }
    Load("[Modify]\r\nAppParam=\"C:\\my dir\\x.ini\"\r\n"); // as written before
    EXPECT_STREQ(Settings.AppParam, L"C:\\my dir\\x.ini");
}

// The settings file stays Shift-JIS on every system; what it cannot hold
// goes beside it in UTF-8, and nothing is lost or changed on the way.
TEST(ShiftJisCodec, FormsLengthsAndWholeCharacters) {
    struct Row {
        const wchar_t* text;
        const char* form;
        bool exact;
    } rows[] = {
        {L"C:\\ハードコピー", "C:\\\x83n\x81[\x83h\x83R\x83s\x81[", true},
        {L"ソ表", "\x83\\\x95\\", true}, // trail bytes that equal a backslash
        {L"～", "\x81`", true},
        {L"Zoë", "Zo?", false},
        {L"𠮷田", "??\x93\x63", false}, // one '?' per UTF-16 unit
        {L"¥", "?", false},             // never the look-alike backslash
    };
    for (const Row& row : rows) {
        bool exact = !row.exact;
        EXPECT_EQ(ShiftJisFromWide(row.text, &exact), row.form);
        EXPECT_EQ(exact, row.exact);
        EXPECT_EQ(ShiftJisLength(row.text), std::strlen(row.form));
        if (row.exact) {
            EXPECT_EQ(WideFromShiftJis(row.form), row.text);
        }
    }
    EXPECT_EQ(WholeCharactersWithin(L"aあい", 3), 2u);
    EXPECT_EQ(WholeCharactersWithin(L"aあい", 4), 2u) << "a character is never cut";
    EXPECT_EQ(WholeCharactersWithin(L"a𠮷b", 2), 1u) << "nor a surrogate pair";
    EXPECT_EQ(WholeCharactersWithin(L"a𠮷b", 3), 3u);
    EXPECT_EQ(WideFromUtf8(Utf8FromWide(L"Zoë_𠮷田")), L"Zoë_𠮷田");
}

TEST_F(SettingsFile, ValuesAtTheLimitCutWholeAndBeyondShiftJisRoundTrip) {
    // A hand-written value whose last whole character would not fit is cut
    // before that character, never inside it.
    Load("[Modify]\r\nAppParam=a" + ShiftJisFromWide(std::wstring(64, L'表')) + "\r\n");
    EXPECT_EQ(std::wstring(Settings.AppParam), L"a" + std::wstring(63, L'表'));

    // 1 + 63 x 2 = 127 bytes: exactly what AppParam's field holds.
    wcscpy(Settings.AppParam, (L"a" + std::wstring(63, L'表')).c_str());
    wcscpy(Settings.AppPath, L"C:\\Zoë\\𠮷田\\edit.exe");
    SaveSettings(ini.c_str());
    std::string text = ReadText(ini);
    EXPECT_NE(text.find("\r\nAppPath=C:\\Zo?\\??\x93\x63\\edit.exe\r\n"), std::string::npos)
        << "the Shift-JIS key an earlier version reads";
    EXPECT_NE(text.find("\r\nAppPath_UTF8=\"" + Utf8FromWide(L"C:\\Zoë\\𠮷田\\edit.exe") + "\"\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("AppParam_UTF8"), std::string::npos);
    LoadSettings(ini.c_str());
    EXPECT_STREQ(Settings.AppPath, L"C:\\Zoë\\𠮷田\\edit.exe");
    EXPECT_EQ(std::wstring(Settings.AppParam), L"a" + std::wstring(63, L'表'));

    // An earlier version that changed the value since wins over the exact key.
    std::string older = text;
    older.replace(older.find("AppPath=C:"), std::strlen("AppPath=C:\\Zo?\\??\x93\x63\\edit.exe"),
                  "AppPath=notepad.exe");
    WriteText(ini, older);
    LoadSettings(ini.c_str());
    EXPECT_STREQ(Settings.AppPath, L"notepad.exe");
    // Stored again, a value Shift-JIS holds takes the exact key away.
    SaveSettings(ini.c_str());
    EXPECT_EQ(ReadText(ini).find("AppPath_UTF8"), std::string::npos);
}

TEST_F(SettingsFile, UnchangedValuesKeepTheirBytes) {
    // NEC-selected IBM extensions read as the same characters as IBM's own,
    // which a conversion back would write in IBM's bytes.
    const std::string saveDir = "SaveDir = " + ShiftJisFromWide(folder.path()) + "\xED\x40 \r\n";
    const std::string appParam = "AppParam=\"\xED\x40\"\r\n";
    CreateDirectoryW((folder.path() + WideFromShiftJis("\xED\x40")).c_str(), nullptr);
    Load("[SaveAs]\r\n" + saveDir + "[Modify]\r\n" + appParam);
    for (int copyType : {COPY_RANGE, COPY_DESKTOP}) {
        Settings.CopyType = copyType;
        SaveSettings(ini.c_str());
        std::string text = ReadText(ini);
        EXPECT_NE(text.find("\r\n" + saveDir), std::string::npos) << text;
        EXPECT_NE(text.find("\r\n" + appParam), std::string::npos) << text;
    }
}
