// The configuration dialog's checks and stores, tables and small rules,
// without the dialog: each refusal stops the apply where it belongs and
// keeps what the steps before it stored.
#include "dialogs/config_model.h"
#include "dialogs/file_choosers.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>

namespace {

SettingsRecord OldSettings() {
    SettingsRecord s = {};
    s.CopyType = COPY_RANGE;
    s.IsExtraArea = 1;
    s.IsDotRange = 1;
    s.AutoLeft = 1;
    s.AutoTop = 2;
    s.AutoRight = 3;
    s.AutoBottom = 4;
    s.SaveFormat1 = 1;
    std::wcscpy(s.SaveDir, L"C:\\old");
    std::wcscpy(s.AppPath, L"old.exe");
    std::wcscpy(s.AppParam, L"-old");
    s.IsPrintEdge = 1;
    s.SaveNum = 10;
    return s;
}

ConfigInput ValidInput() {
    ConfigInput in = {};
    in.bitmap = true;
    in.printer = true;
    in.printDirectly = true;
    in.savePng = true;
    std::wcscpy(in.saveDir, L"D:\\new");
    in.copyType = CHOICE_AREA;
    in.areaLeft = 10;
    in.areaTop = 20;
    in.areaRight = 110;
    in.areaBottom = 70;
    in.notRange = true;
    std::wcscpy(in.appPath, L"new.exe");
    in.printDialog = true;
    in.noFlash = true;
    in.cursor = true;
    in.historyCount = 5;
    return in;
}

TEST(ConfigApply, ValidInputStoresEveryFieldButTheCount) {
    SettingsRecord s = OldSettings();
    EXPECT_EQ(StoreConfigInput(ValidInput(), s), REFUSAL_NONE);
    EXPECT_EQ((s.SaveFormat1 * 100 + s.SaveFormat2 * 10 + s.SaveFormat3), 11);
    EXPECT_EQ(s.IsSaveDialog, 0);
    EXPECT_STREQ(s.SaveDir, L"D:\\new");
    EXPECT_EQ(s.SaveImageType, IMAGE_TYPE_PNG);
    EXPECT_EQ(s.IsPrintPreview, 1);
    EXPECT_EQ(s.CopyType, COPY_FIXED_AREA);
    EXPECT_EQ(s.IsExtraArea, 0);
    EXPECT_EQ((std::array<int, 4>{s.AutoLeft, s.AutoTop, s.AutoRight, s.AutoBottom}),
              (std::array<int, 4>{10, 20, 110, 70}));
    EXPECT_EQ(s.IsDotRange, 0);
    EXPECT_EQ(s.IsNotRange, 1);
    EXPECT_STREQ(s.AppPath, L"new.exe");
    EXPECT_STREQ(s.AppParam, L"");
    EXPECT_EQ(s.IsPrintEdge, 0);
    EXPECT_EQ(s.IsPrintDialog, 1);
    EXPECT_EQ(s.IsFlash, 1);
    EXPECT_EQ(s.IsCursor, 1);
    EXPECT_EQ(s.SaveNum, 10) << L"the caller stores the count after the trim question";
}

TEST(ConfigApply, NoOutputStoresNothing) {
    ConfigInput in = ValidInput();
    in.clipboard = in.bitmap = in.printer = false;
    SettingsRecord s = OldSettings();
    SettingsRecord before = s;
    EXPECT_EQ(StoreConfigInput(in, s), REFUSAL_NO_OUTPUT);
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
}

TEST(ConfigApply, ZeroWidthOrHeightKeepsTheCopyTypeAndClearsTheArea) {
    for (bool width : {true, false}) {
        ConfigInput in = ValidInput();
        (width ? in.areaRight : in.areaBottom) = width ? in.areaLeft : in.areaTop;
        SettingsRecord s = OldSettings();
        EXPECT_EQ(StoreConfigInput(in, s), width ? REFUSAL_ZERO_WIDTH : REFUSAL_ZERO_HEIGHT);
        EXPECT_EQ(s.SaveFormat2, 1) << L"steps 1 to 3 are stored";
        EXPECT_STREQ(s.SaveDir, L"D:\\new");
        EXPECT_EQ(s.IsPrintPreview, 1);
        EXPECT_EQ(s.CopyType, COPY_RANGE);
        EXPECT_EQ(s.IsExtraArea + s.AutoLeft + s.AutoTop + s.AutoRight + s.AutoBottom, 0);
        EXPECT_EQ(s.IsDotRange, 1) << L"step 6 is not reached";
    }
}

TEST(ConfigApply, ReversedAreaPassesAndEmptyFieldsAreZeroWidth) {
    ConfigInput in = ValidInput();
    in.areaRight = 5;
    SettingsRecord s = OldSettings();
    EXPECT_EQ(StoreConfigInput(in, s), REFUSAL_NONE);
    EXPECT_EQ(s.AutoRight, 5);
    in.areaLeft = in.areaTop = in.areaRight = in.areaBottom = ReadDecimalField(L"");
    EXPECT_EQ(StoreConfigInput(in, s), REFUSAL_ZERO_WIDTH);
}

TEST(ConfigApply, EmptyEditApplicationStoresStepsOneToSix) {
    ConfigInput in = ValidInput();
    in.appPath[0] = '\0';
    SettingsRecord s = OldSettings();
    EXPECT_EQ(StoreConfigInput(in, s), REFUSAL_NO_EDIT_APPLICATION);
    EXPECT_EQ(s.CopyType, COPY_FIXED_AREA);
    EXPECT_EQ(s.IsNotRange, 1);
    EXPECT_STREQ(s.AppPath, L"old.exe");
    EXPECT_EQ(s.IsPrintEdge, 1) << L"step 8 is not reached";
}

TEST(ConfigApply, CountBoundsStoreStepsOneToEight) {
    for (int count : {2, 301, 0, -1}) {
        ConfigInput in = ValidInput();
        in.historyCount = count;
        SettingsRecord s = OldSettings();
        EXPECT_EQ(StoreConfigInput(in, s),
                  count > 300 ? REFUSAL_COUNT_TOO_HIGH : REFUSAL_COUNT_TOO_LOW);
        EXPECT_STREQ(s.AppPath, L"new.exe");
        EXPECT_EQ(s.IsCursor, 1);
    }
    for (int count : {3, 300}) {
        ConfigInput in = ValidInput();
        in.historyCount = count;
        SettingsRecord s = OldSettings();
        EXPECT_EQ(StoreConfigInput(in, s), REFUSAL_NONE) << count;
    }
}

TEST(ConfigApply, EachRefusalSaysWhatToFix) {
    const struct {
        ConfigRefusal refusal;
        const wchar_t* text;
    } texts[] = {
        {REFUSAL_NONE, L""},
        {REFUSAL_NO_OUTPUT, L"保存設定のうち、いづれか1つを指定して下さい"},
        {REFUSAL_ZERO_WIDTH, L"指定領域の横幅は1以上の範囲を指定して下さい"},
        {REFUSAL_ZERO_HEIGHT, L"指定領域の縦幅は1以上の範囲を指定して下さい"},
        {REFUSAL_NO_EDIT_APPLICATION, L"編集用アプリケーションを指定して下さい"},
        {REFUSAL_COUNT_TOO_LOW, L"保存履歴数は3以上を設定して下さい"},
        {REFUSAL_COUNT_TOO_HIGH, L"保存履歴数は300以下を設定して下さい"},
    };
    for (const auto& row : texts) EXPECT_STREQ(RefusalText(row.refusal), row.text) << row.refusal;
}

TEST(ConfigApply, CopyTypeChoices) {
    const int expected[] = {COPY_DESKTOP, COPY_ACTIVE_WINDOW, COPY_ACTIVE_WINDOW_NO_FRAME,
                            COPY_RANGE};
    for (int choice = CHOICE_NONE; choice <= CHOICE_RANGE; ++choice) {
        ConfigInput in = ValidInput();
        in.copyType = static_cast<CopyTypeChoice>(choice);
        in.extraArea = true;
        SettingsRecord s = OldSettings();
        ASSERT_EQ(StoreConfigInput(in, s), REFUSAL_NONE);
        EXPECT_EQ(s.CopyType, choice == CHOICE_NONE ? COPY_DESKTOP : expected[choice]);
        EXPECT_EQ(s.IsExtraArea, choice == CHOICE_DESKTOP ? 1 : 0)
            << L"the desktop option counts only with the desktop chosen";
        EXPECT_EQ(s.AutoRight, 0);
    }
}

TEST(ConfigApply, SaveChoicesAndBandStyle) {
    ConfigInput in = ValidInput();
    in.askSaveName = true;
    in.dotRange = in.notRange = true;
    SettingsRecord s = OldSettings();
    ASSERT_EQ(StoreConfigInput(in, s), REFUSAL_NONE);
    EXPECT_EQ(s.IsSaveDialog, 1);
    EXPECT_STREQ(s.SaveDir, L"C:\\old") << L"the folder is taken only when saving into it";
    EXPECT_EQ((s.IsDotRange * 10 + s.IsNotRange), 10);

    in.bitmap = false;
    in.printer = false;
    in.clipboard = true;
    in.printDirectly = true;
    ASSERT_EQ(StoreConfigInput(in, s), REFUSAL_NONE);
    EXPECT_EQ(s.IsSaveDialog, 0) << L"no bitmap output: no save dialog";
    EXPECT_EQ(s.IsPrintPreview, 0) << L"direct printing needs the printer output";
}

TEST(ConfigFields, DecimalRuleAndCentring) {
    EXPECT_EQ(ReadDecimalField(L"  -42x"), -42);
    EXPECT_EQ(ReadDecimalField(L"+7"), 7);
    EXPECT_EQ(ReadDecimalField(L"abc"), 0);
    EXPECT_EQ(ReadDecimalField(L""), 0);
    POINT at = CenteredDialogPosition(RECT{0, 0, 1280, 780}, 570, 390);
    EXPECT_EQ(at.x, 355);
    EXPECT_EQ(at.y, 195);
    at = CenteredDialogPosition(RECT{-100, 10, 300, 211}, 570, 390);
    EXPECT_EQ(at.x, -185);
    EXPECT_EQ(at.y, -84) << L"half of -189 truncated toward zero";
}

TEST(ConfigTables, EveryPageHasItsItemCaptionAndControls) {
    std::set<int> pagesInTree;
    for (size_t i = 0; i < CONFIG_TREE_COUNT; ++i) {
        const ConfigTreeItem& item = CONFIG_TREE[i];
        EXPECT_LT(item.parent, static_cast<int>(i)) << L"parents are added first";
        if (item.page != PAGE_NONE) {
            EXPECT_TRUE(pagesInTree.insert(item.page).second);
        }
    }
    EXPECT_EQ(CONFIG_TREE_COUNT, 14u);
    EXPECT_EQ(pagesInTree.size(), static_cast<size_t>(CONFIG_PAGE_COUNT));
    std::set<int> ids, pagesWithControls;
    for (size_t i = 0; i < PAGE_CONTROL_COUNT; ++i) {
        EXPECT_TRUE(ids.insert(PAGE_CONTROLS[i].id).second) << PAGE_CONTROLS[i].id;
        pagesWithControls.insert(PAGE_CONTROLS[i].page);
        const RECT& r = PAGE_CONTROLS[i].rect;
        EXPECT_TRUE(r.left >= CONFIG_GROUP_RECT.left && r.right <= CONFIG_GROUP_RECT.right &&
                    r.top >= CONFIG_GROUP_RECT.top && r.bottom <= CONFIG_GROUP_RECT.bottom)
            << PAGE_CONTROLS[i].id << L" inside the group box";
    }
    EXPECT_EQ(PAGE_CONTROL_COUNT, 46u);
    EXPECT_EQ(pagesWithControls.size(), static_cast<size_t>(CONFIG_PAGE_COUNT));
    for (const wchar_t* caption : PAGE_CAPTIONS)
        EXPECT_NE(caption[0], '\0');
    EXPECT_EQ(HELP_ROW_COUNT, 24u);
}

TEST(FileChoosers, APathIsCopiedOnlyWhenItFits) {
    wchar_t out[8] = L"keep";
    EXPECT_FALSE(CopyTextIfFits(L"12345678", out, std::size(out)));
    EXPECT_STREQ(out, L"keep") << L"a path that does not fit is not stored cut";
    EXPECT_TRUE(CopyTextIfFits(L"1234567", out, std::size(out)));
    EXPECT_STREQ(out, L"1234567");
    std::wstring longPath(300, 'a');
    wchar_t launcherPath[LAUNCHER_PATH_CAPACITY] = L"old";
    EXPECT_FALSE(CopyTextIfFits(longPath.c_str(), launcherPath, std::size(launcherPath)));
    EXPECT_STREQ(launcherPath, L"old");
}

} // namespace
