#include "dialogs/hotkey_dialogs.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(LauncherRows, HotKeyNamesAndUseColumn) {
    char name[16];
    FormatLauncherHotKeyName(1, name, sizeof name);
    EXPECT_STREQ(name, "Ctrl + F1");
    FormatLauncherHotKeyName(10, name, sizeof name);
    EXPECT_STREQ(name, "Ctrl + F10");
    FormatLauncherHotKeyName(12, name, sizeof name);
    EXPECT_STREQ(name, "Ctrl + F12");

    EXPECT_STREQ(LauncherUseText(1), "使用中");
    EXPECT_STREQ(LauncherUseText(0), "-");
    EXPECT_STREQ(LauncherUseText(2), "-") << "a stray flag is not registered at start-up";
    EXPECT_STREQ(LauncherUseText(-1), "-");
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
    std::string ini = folder.file("zorvex.ini");

    void Store(int n, int flag, const char* path, const char* params) {
        LauncherEntry& entry = launcherTable[n - 1];
        entry.IsCtrlF = flag;
        std::strcpy(entry.Path, path);
        std::strcpy(entry.Params, params);
        SaveLauncherSettings(n, ini.c_str());
    }
};

TEST_F(LauncherKeys, ThreeKeysPerEntryInTheirOrderAndLetterCase) {
    WriteText(ini, "[Common]\r\nCopyType=0\r\n");
    Store(1, 1, "C:\\Program Files\\Tool\\tool.exe", "-a \"b c\"");
    Store(10, 0, "", "");
    Store(12, 1, "notepad.exe", "two  spaces  inside");
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
    Store(7, 1, "Z:\\tmp\\recorder.exe", "x y");
    Store(3, 0, "C:\\a b\\c.exe", "p");
    for (LauncherEntry& entry : launcherTable) entry = LauncherEntry{};
    LoadLauncherSettings(ini.c_str());
    EXPECT_EQ(launcherTable[6].IsCtrlF, 1);
    EXPECT_STREQ(launcherTable[6].Path, "Z:\\tmp\\recorder.exe");
    EXPECT_STREQ(launcherTable[6].Params, "x y");
    EXPECT_EQ(launcherTable[2].IsCtrlF, 0);
    EXPECT_STREQ(launcherTable[2].Path, "C:\\a b\\c.exe");
    EXPECT_STREQ(launcherTable[2].Params, "p");
}

} // namespace
