#include "app/app.h"
#include "dialogs/config_dialog.h"
#include "dialogs/config_model.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

// What the dialog looked like before and after a move to a 150 % monitor,
// read from inside its own modal loop.
struct DpiChangeObservation {
    bool seen = false;
    UINT dpi = 0;
    RECT groupBefore = {};
    RECT groupAfter = {};
    RECT pageControlAfter = {};
    RECT windowAfter = {};
    int columnBefore = 0;
    int columnAfter = 0;
};

DpiChangeObservation observation;
constexpr RECT SUGGESTED = {20, 10, 20 + 900, 10 + 640};

RECT ChildRect(HWND dialog, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int HelpColumnWidth(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_HELP_LIST, LVM_GETCOLUMNWIDTH, 0, 0));
}

void CALLBACK ObserveDpiChange(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = configDialogWindow;
    if (!dialog) return;
    KillTimer(nullptr, timer);
    observation.seen = true;
    observation.groupBefore = ChildRect(dialog, IDC_CONFIG_GROUP);
    observation.columnBefore = HelpColumnWidth(dialog);
    RECT suggested = SUGGESTED;
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    observation.groupAfter = ChildRect(dialog, IDC_CONFIG_GROUP);
    observation.pageControlAfter = ChildRect(dialog, IDC_COPY_DESKTOP);
    observation.columnAfter = HelpColumnWidth(dialog);
    GetWindowRect(dialog, &observation.windowAfter);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_CANCEL, BN_CLICKED), 0);
}

} // namespace

TEST(ConfigDialogDpi, MovedToA150PercentMonitorTakesTheSuggestedRectAndScalesItsLayout) {
    TempFolder folder;
    SettingsRecord saved = Settings;
    std::wstring current = folder.path().substr(0, folder.path().size() - 1);
    BuildWorkingPaths(folder.path().c_str(), current.c_str());
    appInstance = GetModuleHandleW(nullptr);
    observation = {};
    UINT_PTR timer = SetTimer(nullptr, 0, 20, ObserveDpiChange);
    ASSERT_NE(timer, 0u);
    RunConfigDialog();
    Settings = saved;

    ASSERT_TRUE(observation.seen) << L"the dialog opened";
    EXPECT_EQ(observation.groupBefore.left, 203);
    EXPECT_EQ(observation.groupBefore.top, 12);
    EXPECT_EQ(observation.columnBefore, 130);
    // The group box and a page control at 1.5 times their rectangles,
    // edge by edge: 203..553 x 12..298 and 220..520 x 40..58.
    EXPECT_EQ(observation.groupAfter.left, 305);
    EXPECT_EQ(observation.groupAfter.top, 18);
    EXPECT_EQ(observation.groupAfter.right, 830);
    EXPECT_EQ(observation.groupAfter.bottom, 447);
    EXPECT_EQ(observation.pageControlAfter.left, 330);
    EXPECT_EQ(observation.pageControlAfter.top, 60);
    EXPECT_EQ(observation.pageControlAfter.right, 780);
    EXPECT_EQ(observation.pageControlAfter.bottom, 87);
    EXPECT_EQ(observation.columnAfter, 195);
    EXPECT_EQ(observation.windowAfter.left, SUGGESTED.left);
    EXPECT_EQ(observation.windowAfter.top, SUGGESTED.top);
    EXPECT_EQ(observation.windowAfter.right, SUGGESTED.right);
    EXPECT_EQ(observation.windowAfter.bottom, SUGGESTED.bottom);
    EXPECT_EQ(configDialogWindow, nullptr) << L"the dialog closed";
}
