// Whether ZORVEX.lnk starts this run: the path comparison, the box's state
// and what 適用 does with it, without the Startup folder.
#include "app/start_with_windows.h"

#include <gtest/gtest.h>

namespace {

const StartTarget SELF = {L"C:\\Tools\\ZORVEX\\zor_vex.exe", L"C:\\Tools\\ZORVEX"};

TEST(StartWithWindows, PathsCompareWithoutCaseAndTrailingBackslash) {
    EXPECT_TRUE(IsSamePath(L"C:\\Tools\\ZORVEX\\zor_vex.exe", L"c:\\tools\\zorvex\\ZOR_VEX.EXE"));
    EXPECT_TRUE(IsSamePath(L"D:\\ツール\\ＺＯＲＶＥＸ\\", L"d:\\ツール\\ｚｏｒｖｅｘ"));
    EXPECT_TRUE(IsSamePath(L"C:\\", L"C:"));
    EXPECT_FALSE(IsSamePath(L"D:\\work", L"D:\\work2"));
    EXPECT_FALSE(IsSamePath(L"D:\\work\\a", L"D:\\work"));
    EXPECT_FALSE(IsSamePath(L"", L"")) << "no path is nobody's";
    EXPECT_FALSE(IsSamePath(L"\\", L""));
}

TEST(StartWithWindows, CheckedOnlyForThisProgramInThisFolder) {
    EXPECT_EQ(StartupStateOf(std::nullopt, SELF), STARTUP_ABSENT);
    EXPECT_EQ(StartupStateOf(StartTarget{L"c:\\tools\\zorvex\\ZOR_VEX.exe", L"C:\\TOOLS\\zorvex\\"},
                             SELF),
              STARTUP_THIS);
    EXPECT_EQ(StartupStateOf(StartTarget{SELF.program, L"C:\\Windows\\system32"}, SELF),
              STARTUP_OTHER)
        << "this program without its settings";
    EXPECT_EQ(StartupStateOf(StartTarget{L"E:\\ZORVEX\\zor_vex.exe", SELF.folder}, SELF),
              STARTUP_OTHER);
    EXPECT_EQ(StartupStateOf(StartTarget{}, SELF), STARTUP_OTHER) << "a shortcut not read";
    EXPECT_EQ(StartupStateOf(StartTarget{}, StartTarget{}), STARTUP_OTHER);
}

TEST(StartWithWindows, AnotherZorvexIsReplacedOnlyWhenCheckedAndNeverRemoved) {
    EXPECT_EQ(StartupActionFor(STARTUP_ABSENT, true), STARTUP_MAKE);
    EXPECT_EQ(StartupActionFor(STARTUP_OTHER, true), STARTUP_MAKE);
    EXPECT_EQ(StartupActionFor(STARTUP_THIS, true), STARTUP_KEEP);
    EXPECT_EQ(StartupActionFor(STARTUP_ABSENT, false), STARTUP_KEEP);
    EXPECT_EQ(StartupActionFor(STARTUP_OTHER, false), STARTUP_KEEP);
    EXPECT_EQ(StartupActionFor(STARTUP_THIS, false), STARTUP_REMOVE);
}

} // namespace
