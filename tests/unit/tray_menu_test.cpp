#include "app/app.h"
#include "app/tray.h"
#include "resources/resource.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Item {
    std::wstring text;
    UINT id;
    UINT type;
    UINT state;
    HMENU submenu;
    bool separator() const { return (type & MFT_SEPARATOR) != 0; }
    bool checked() const { return (state & MFS_CHECKED) != 0; }
    bool grayed() const { return (state & MFS_GRAYED) != 0; }
};

std::vector<Item> ReadMenu(HMENU menu) {
    std::vector<Item> items;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = std::size(text);
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({text, info.wID, info.fType, info.fState, info.hSubMenu});
    }
    return items;
}

class TrayMenu : public ::testing::Test {
protected:
    TempFolder folder;

    void SetUp() override {
        BuildWorkingPaths(folder.path().c_str(), L"C:\\");
        LoadSettings(folder.file(L"none.ini").c_str());
    }
    void TearDown() override { DestroyTrayMenu(); }

    std::vector<Item> Build() {
        BuildTrayMenu();
        return ReadMenu(trayMenu);
    }
    std::vector<Item> Recent() { return ReadMenu(recentSubmenu); }
};

TEST_F(TrayMenu, LayoutTextsAndIdsAreExact) {
    std::vector<Item> items = Build();
    struct Expected {
        const wchar_t* text;
        UINT id;
    };
    const Expected expected[] = {
        {L"終了", IDM_EXIT},          {nullptr, 0},
        {L"ZORVEX について", IDM_README}, {L"バージョン情報...", IDM_VERSION},
        {L"プリンタの設定", IDM_PRINTER_SETUP}, {nullptr, 0},
        {L"ホットキー設定", IDM_HOTKEYS}, {nullptr, 0},
        {L"最新作成したハードコピー", 0}, {nullptr, 0},
        {L"ハードコピー履歴", IDM_HISTORY}, {nullptr, 0},
        {L"マウスポインタも含める", IDM_INCLUDE_CURSOR}, {nullptr, 0},
        {L"デスクトップ", IDM_MODE_DESKTOP}, {L"アクティブウィンドウ", IDM_MODE_ACTIVE},
        {L"アクティブウィンドウ 枠なし", IDM_MODE_ACTIVE_NOFRAME},
        {L"マウスで範囲を選択", IDM_MODE_RANGE}, {nullptr, 0},
        {L"コンフィグ設定", IDM_CONFIG},
    };
    ASSERT_EQ(items.size(), std::size(expected));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        if (!expected[i].text) {
            EXPECT_TRUE(items[i].separator());
            continue;
        }
        EXPECT_FALSE(items[i].separator());
        EXPECT_EQ(items[i].text, expected[i].text);
        if (expected[i].id != 0) {
            EXPECT_EQ(items[i].id, expected[i].id);
        }
    }
    EXPECT_EQ(items[8].submenu, recentSubmenu);
    EXPECT_NE(recentSubmenu, nullptr);
}

TEST_F(TrayMenu, CheckMarksFollowCopyTypeAndPointerOption) {
    const int modeIndex[] = {14, 15, 16, 17};
    for (int copyType = 0; copyType <= 5; ++copyType) {
        SCOPED_TRACE(copyType);
        Settings.CopyType = copyType;
        Settings.IsCursor = copyType % 2;
        std::vector<Item> items = Build();
        for (int mode = 0; mode < 4; ++mode)
            EXPECT_EQ(items[modeIndex[mode]].checked(), mode == copyType);
        EXPECT_EQ(items[12].checked(), copyType % 2 == 1);
    }
    Settings.IsCursor = 7;
    EXPECT_TRUE(Build()[12].checked()) << L"any non-zero IsCursor counts as on";
}

TEST_F(TrayMenu, NoHardCopiesGivesOneGrayedNoneItem) {
    Build();
    std::vector<Item> recent = Recent();
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].text, L"（なし）");
    EXPECT_EQ(recent[0].id, 1u);
    EXPECT_TRUE(recent[0].grayed());
}

TEST_F(TrayMenu, RecentItemsKeepTheirSlotNumbersAcrossGaps) {
    WriteSolidBitmap(historyFilePaths[0], 800, 600);
    WriteSolidBitmap(historyFilePaths[2], 12, 3456);
    Build();
    std::vector<Item> recent = Recent();
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].id, 1u);
    EXPECT_EQ(recent[1].id, 3u);
    EXPECT_EQ(recent[0].text.rfind(L"1枚目 (  800 x  600 ) - ", 0), 0u) << recent[0].text;
    EXPECT_EQ(recent[1].text.rfind(L"3枚目 (   12 x 3456 ) - ", 0), 0u) << recent[1].text;
    EXPECT_FALSE(recent[0].grayed());
    // the label ends with the file time "YYYY/MM/DD hh:mm:ss"
    std::wstring time = recent[0].text.substr(recent[0].text.size() - 19);
    EXPECT_EQ(time[4], '/');
    EXPECT_EQ(time[10], ' ');
    EXPECT_EQ(time[13], ':');
}

TEST_F(TrayMenu, AtMostNineRecentItemsAndOnlyWithinTheHistoryLength) {
    for (int i = 0; i < 20; ++i) WriteSolidBitmap(historyFilePaths[i], 2, 2);
    Settings.SaveNum = 20;
    Build();
    std::vector<Item> recent = Recent();
    ASSERT_EQ(recent.size(), 9u);
    for (UINT i = 0; i < 9; ++i) EXPECT_EQ(recent[i].id, i + 1);

    Settings.SaveNum = 3;
    Build();
    EXPECT_EQ(Recent().size(), 3u);
}

TEST_F(TrayMenu, AFileThatIsNotABitmapIsListedWithZeroSize) {
    WriteText(historyFilePaths[0], "not a bitmap at all");
    Build();
    std::vector<Item> recent = Recent();
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].text.rfind(L"1枚目 (    0 x    0 ) - ", 0), 0u) << recent[0].text;
}

TEST_F(TrayMenu, RebuildingReplacesBothMenus) {
    Build();
    HMENU firstTray = trayMenu;
    Build();
    EXPECT_FALSE(IsMenu(firstTray)) << L"the previous menu must be released";
    EXPECT_TRUE(IsMenu(trayMenu));
    EXPECT_TRUE(IsMenu(recentSubmenu));
}

TEST(RecentLabel, FormatsSlotSizeAndTime) {
    wchar_t label[TRAY_LABEL_CAPACITY];
    FormatRecentLabel(1, 800, 600, L"2012/05/01 09:30:15", label, std::size(label));
    EXPECT_STREQ(label, L"2枚目 (  800 x  600 ) - 2012/05/01 09:30:15");
    FormatRecentLabel(299, -2147483647 - 1, -2147483647 - 1, L"", label, std::size(label));
    EXPECT_STREQ(label, L"300枚目 ( -2147483648 x -2147483648 ) - ");
}

} // namespace
