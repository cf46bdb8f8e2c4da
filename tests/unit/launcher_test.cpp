#include "dialogs/hotkey_dialogs.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(LauncherRows, HotKeyNamesAndUseColumn) {
    wchar_t name[16];
    FormatLauncherHotKeyName(1, name, std::size(name));
    EXPECT_STREQ(name, L"Ctrl + F1");
    FormatLauncherHotKeyName(10, name, std::size(name));
    EXPECT_STREQ(name, L"Ctrl + F10");
    FormatLauncherHotKeyName(12, name, std::size(name));
    EXPECT_STREQ(name, L"Ctrl + F12");

    EXPECT_STREQ(LauncherUseText(1), L"使用中");
    EXPECT_STREQ(LauncherUseText(0), L"-");
    EXPECT_STREQ(LauncherUseText(2), L"-") << L"a stray flag is not registered at start-up";
    EXPECT_STREQ(LauncherUseText(-1), L"-");
}

TEST(LauncherFlag, RegistrationFollowsTheSavedFlag) {
    using C = LauncherKeyChange;
    EXPECT_EQ(LauncherKeyChangeFor(0, 1), C::Register);
    EXPECT_EQ(LauncherKeyChangeFor(1, 0), C::Unregister);
    EXPECT_EQ(LauncherKeyChangeFor(0, 0), C::None);
    EXPECT_EQ(LauncherKeyChangeFor(1, 1), C::None);
    // a hand-edited value: nothing is registered for it, so 使用する registers
    EXPECT_EQ(LauncherKeyChangeFor(2, 1), C::Register);
    EXPECT_EQ(LauncherKeyChangeFor(2, 0), C::None);
    EXPECT_EQ(LauncherKeyChangeFor(-5, 1), C::Register);
}

class LauncherKeys : public ::testing::Test {
protected:
    TempFolder folder;
    std::wstring ini = folder.file(L"zorvex.ini");

    void Store(int n, int flag, const wchar_t* path, const wchar_t* params) {
        LauncherEntry& entry = launcherTable[n - 1];
        entry.IsCtrlF = flag;
        std::wcscpy(entry.Path, path);
        std::wcscpy(entry.Params, params);
        SaveLauncherSettings(n, ini.c_str());
    }
};

TEST_F(LauncherKeys, ThreeKeysPerEntryInTheirOrderAndLetterCase) {
    WriteText(ini, "[Common]\r\nCopyType=0\r\n");
    Store(1, 1, L"C:\\Program Files\\Tool\\tool.exe", L"-a \"b c\"");
    Store(10, 0, L"", L"");
    Store(12, 1, L"notepad.exe", L"two  spaces  inside");
    std::string text = ReadText(ini);
    EXPECT_NE(text.find("[Common]\r\nCopyType=0\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HotKey]\r\n"
                        "IsCtrlF1=1\r\n"
                        "Ctrl_F1=C:\\Program Files\\Tool\\tool.exe\r\n"
                        "Ctrl_F1_PARAMS=-a \"b c\"\r\n"
                        "IsCtrlF10=0\r\n"
                        "Ctrl_F10=\r\n"
                        "Ctrl_F10_PARAMS=\r\n"
                        "IsCtrlF12=1\r\n"
                        "Ctrl_F12=notepad.exe\r\n"
                        "Ctrl_F12_PARAMS=two  spaces  inside\r\n"),
              std::string::npos)
        << text;
}

TEST_F(LauncherKeys, WrittenKeysAreReadBackAtTheNextStart) {
    Store(7, 1, L"Z:\\tmp\\recorder.exe", L"x y");
    Store(3, 0, L"C:\\a b\\c.exe", L"p");
    for (LauncherEntry& entry : launcherTable) entry = LauncherEntry{};
    LoadLauncherSettings(ini.c_str());
    EXPECT_EQ(launcherTable[6].IsCtrlF, 1);
    EXPECT_STREQ(launcherTable[6].Path, L"Z:\\tmp\\recorder.exe");
    EXPECT_STREQ(launcherTable[6].Params, L"x y");
    EXPECT_EQ(launcherTable[2].IsCtrlF, 0);
    EXPECT_STREQ(launcherTable[2].Path, L"C:\\a b\\c.exe");
    EXPECT_STREQ(launcherTable[2].Params, L"p");
}

} // namespace
