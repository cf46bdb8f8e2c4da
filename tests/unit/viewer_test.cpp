#include "app/app.h"
#include "capture/bitmap_file.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "test_support.h"
#include "viewer/viewer.h"
#include "viewer/viewer_geometry.h"
#include "viewer/viewer_menu.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr RECT WORK_AREA = {0, 0, 1280, 770};

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

std::wstring Caption(int slot, bool exists, int width, int height, const wchar_t* time,
                    size_t capacity = VIEWER_CAPTION_CAPACITY) {
    std::vector<wchar_t> out(capacity + 1, L'x');
    FormatViewerCaption(slot, exists, width, height, time, out.data(), capacity);
    return std::wstring(out.data());
}

} // namespace

TEST(ViewerStepping, StopsAtTheEndsOfTheHistory) {
    const int n = 100;
    int s = StepHistoryIndex(95, n, IDC_VIEWER_NEXT10);
    EXPECT_EQ(s, 99);
    EXPECT_EQ(StepHistoryIndex(s, n, IDC_VIEWER_LAST), 99);
    EXPECT_EQ(StepHistoryIndex(s, n, IDC_VIEWER_NEXT), 99);
    EXPECT_EQ(StepHistoryIndex(5, n, IDC_VIEWER_PREV10), 0);
    EXPECT_EQ(StepHistoryIndex(0, n, IDC_VIEWER_PREV), 0);
    EXPECT_EQ(StepHistoryIndex(0, n, IDC_VIEWER_FIRST), 0);
}

TEST(ViewerStepping, MovesByOneTenAndAHundred) {
    const int n = 300;
    EXPECT_EQ(StepHistoryIndex(0, n, IDC_VIEWER_NEXT), 1);
    EXPECT_EQ(StepHistoryIndex(0, n, IDC_VIEWER_NEXT10), 10);
    EXPECT_EQ(StepHistoryIndex(0, n, IDC_VIEWER_LAST), 100);
    EXPECT_EQ(StepHistoryIndex(250, n, IDC_VIEWER_LAST), 299);
    EXPECT_EQ(StepHistoryIndex(150, n, IDC_VIEWER_FIRST), 50);
    EXPECT_EQ(StepHistoryIndex(50, n, IDC_VIEWER_FIRST), 0);
    EXPECT_EQ(StepHistoryIndex(12, n, IDC_VIEWER_PREV10), 2);
    EXPECT_EQ(StepHistoryIndex(12, n, IDC_VIEWER_PREV), 11);
    EXPECT_EQ(StepHistoryIndex(12, n, IDM_VIEWER_COPY), 12);
    EXPECT_TRUE(IsStepCommand(IDC_VIEWER_FIRST));
    EXPECT_FALSE(IsStepCommand(IDC_VIEWER_MENU));
}

TEST(ViewerPlacement, RememberedPositionIsPulledIntoTheWorkArea) {
    POINT p = ClampViewerPosition(POINT{-200, 5000}, SIZE{510, 680}, WORK_AREA);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 770 - 680);
    p = ClampViewerPosition(POINT{1000, 20}, SIZE{510, 680}, WORK_AREA);
    EXPECT_EQ(p.x, 1280 - 510);
    EXPECT_EQ(p.y, 20);
    p = ClampViewerPosition(POINT{300, 40}, SIZE{510, 680}, RECT{100, 50, 1380, 820});
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 50);
}

// Hand-edited positions at the ends of the int range must not wrap around
// and put the viewer off the screen.
TEST(ViewerPlacement, ExtremeRememberedPositionsStayInTheWorkArea) {
    const SIZE size = {510, 680};
    const LONG extremes[] = {INT_MAX, INT_MAX - 1, INT_MAX - 509, INT_MIN, INT_MIN + 1, -1};
    for (LONG x : extremes) {
        for (LONG y : extremes) {
            POINT p = ClampViewerPosition(POINT{x, y}, size, WORK_AREA);
            EXPECT_GE(p.x, WORK_AREA.left) << x;
            EXPECT_LE(p.x + size.cx, WORK_AREA.right) << x;
            EXPECT_GE(p.y, WORK_AREA.top) << y;
            EXPECT_LE(p.y + size.cy, WORK_AREA.bottom) << y;
        }
    }
    POINT p = ClampViewerPosition(POINT{INT_MAX, INT_MIN}, size, WORK_AREA);
    EXPECT_EQ(p.x, WORK_AREA.right - size.cx);
    EXPECT_EQ(p.y, WORK_AREA.top);
}

TEST(ViewerPlacement, AWorkAreaLeftOfThePrimaryKeepsItsNegativePlaces) {
    const RECT left = {-1024, 0, 0, 768};
    POINT p = ClampViewerPosition(POINT{-900, 50}, SIZE{510, 680}, left);
    EXPECT_EQ(p.x, -900);
    EXPECT_EQ(p.y, 50);
    p = ClampViewerPosition(POINT{-3000, 900}, SIZE{510, 680}, left);
    EXPECT_EQ(p.x, -1024);
    EXPECT_EQ(p.y, 88);
    RECT r = ViewerRectAt(POINT{INT_MAX - 9, -900}, SIZE{510, 680});
    EXPECT_EQ(r.right, INT_MAX);
    EXPECT_EQ(r.bottom, -220);
}

TEST(ViewerPlacement, WindowTallerThanTheWorkAreaKeepsItsCaptionOnScreen) {
    POINT p = ClampViewerPosition(POINT{10, 300}, SIZE{600, 800}, WORK_AREA);
    EXPECT_EQ(p.y, 0);
}

TEST(ViewerPlacement, PresetIsCentredInTheWorkArea) {
    POINT p = CenterInWorkArea(SIZE{800, 600}, WORK_AREA);
    EXPECT_EQ(p.x, 240);
    EXPECT_EQ(p.y, 85);
    p = CenterInWorkArea(SIZE{681, 511}, RECT{0, 30, 1280, 800});
    EXPECT_EQ(p.x, 299);
    EXPECT_EQ(p.y, 30 + 129);
    p = CenterInWorkArea(SIZE{600, 800}, WORK_AREA);
    EXPECT_EQ(p.y, 0);
}

TEST(ViewerPlacement, SizePresetsAndTheFallbackSize) {
    const int expected[][3] = {{1, 600, 800}, {2, 800, 600}, {3, 510, 680},
                               {4, 680, 510}, {5, 420, 560}, {6, 560, 420}};
    for (const auto& row : expected) {
        SIZE size = ViewerWindowSize(row[0]);
        EXPECT_EQ(size.cx, row[1]) << row[0];
        EXPECT_EQ(size.cy, row[2]) << row[0];
    }
    for (int style : {0, 7, -1}) {
        SIZE size = ViewerWindowSize(style);
        EXPECT_EQ(size.cx, 560);
        EXPECT_EQ(size.cy, 420);
        EXPECT_EQ(FindPresetByStyle(style), nullptr);
    }
    EXPECT_EQ(FindPresetByCommand(IDM_SIZE_WIDE_LARGE)->style, 2);
    EXPECT_EQ(FindPresetByCommand(IDM_SIZE_TALL_SMALL)->style, 5);
    EXPECT_EQ(FindPresetByCommand(IDM_VIEWER_TITLE), nullptr);
}

TEST(ViewerPage, LayoutFollowsTheClientSize) {
    ViewerPageLayout layout = LayoutViewerPage(500, 640, 1000, 500);
    ExpectRect(layout.background, 0, 50, 500, 640);
    ExpectRect(layout.bar, 0, 0, 500, 50);
    ExpectRect(layout.shadow, 15, 65, 495, 635);
    ExpectRect(layout.paper, 10, 60, 490, 630);
    // 1000 x 500 into the paper less its margin (480 x 570): 90 % of the
    // width, 432 x 216, centred, then moved to the paper's place
    ExpectRect(layout.image, 10 + 24, 60 + 177, 10 + 456, 60 + 393);
    EXPECT_EQ(TitleTextOrigin(500).x, 240);
    EXPECT_EQ(TitleTextOrigin(501).x, 240);
    EXPECT_EQ(TitleTextOrigin(500).y, 64);
}

TEST(ViewerPage, PresetsAndPageScaleWithTheDpi) {
    SIZE size = ViewerWindowSize(3, 144);
    EXPECT_EQ(size.cx, 765);
    EXPECT_EQ(size.cy, 1020);
    size = ViewerWindowSize(0, 144);
    EXPECT_EQ(size.cx, 840);
    EXPECT_EQ(size.cy, 630);
    size = ViewerWindowSize(3, 120);
    EXPECT_EQ(size.cx, 638);
    EXPECT_EQ(size.cy, 850);

    ViewerPageLayout layout = LayoutViewerPage(750, 960, 1000, 500, 144);
    EXPECT_EQ(ViewerBarHeight(144), 75);
    ExpectRect(layout.bar, 0, 0, 750, 75);
    ExpectRect(layout.background, 0, 75, 750, 960);
    ExpectRect(layout.paper, 15, 90, 735, 945);
    ExpectRect(layout.shadow, 23, 98, 742, 952);
    // into 720 x 855: 648 x 324, centred (265.5 truncated), at (15, 90)
    ExpectRect(layout.image, 15 + 36, 90 + 265, 15 + 684, 90 + 589);
    EXPECT_EQ(TitleTextOrigin(750, 144).x, 360);
    EXPECT_EQ(TitleTextOrigin(750, 144).y, 96);
}

TEST(ViewerPage, ImageSizeFromHeaderIsMadeDrawable) {
    SIZE size = NormalizedImageSize(640, -480);
    EXPECT_EQ(size.cx, 640);
    EXPECT_EQ(size.cy, 480);
    size = NormalizedImageSize(640, INT_MIN);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, 0);
    size = NormalizedImageSize(-5, 10);
    EXPECT_EQ(size.cx, 0);
    size = NormalizedImageSize(1024, 768);
    EXPECT_EQ(size.cx, 1024);
    EXPECT_EQ(size.cy, 768);
}

TEST(ViewerCaption, FilledEmptyAndNonBitmapSlots) {
    EXPECT_EQ(Caption(0, true, 1024, 768, L"2012/03/04 05:06:07"),
              L"1枚目( 1024 x 768 ) 2012/03/04 05:06:07 - ZORVEX (履歴)");
    EXPECT_EQ(Caption(1, false, 0, 0, L""), L"2枚目( 履歴なし ) - ZORVEX (履歴)");
    EXPECT_EQ(Caption(299, true, 0, 0, L"2020/12/31 23:59:59"),
              L"300枚目( 0 x 0 ) 2020/12/31 23:59:59 - ZORVEX (履歴)");
}

TEST(ViewerCaption, StaysWithinItsBuffer) {
    std::wstring cut = Caption(0, true, 1024, 768, L"2012/03/04 05:06:07", 8);
    EXPECT_EQ(cut.size(), 7u);
    std::wstring longTime(400, '9');
    EXPECT_LT(Caption(0, true, 1, 1, longTime.c_str()).size(),
              static_cast<size_t>(VIEWER_CAPTION_CAPACITY));
}

namespace {

struct ExpectedItem {
    const wchar_t* text; // null for a separator
    UINT id;
};

std::wstring ItemText(HMENU menu, UINT position, MENUITEMINFOW* info) {
    wchar_t text[128] = {};
    *info = {};
    info->cbSize = sizeof *info;
    info->fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
    info->dwTypeData = text;
    info->cch = std::size(text);
    EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, info)) << position;
    return text;
}

std::vector<UINT> CheckedPresets() {
    std::vector<UINT> checked;
    for (const ViewerSizePreset& preset : VIEWER_SIZE_PRESETS) {
        if (GetMenuState(viewerPopupMenu, preset.command, MF_BYCOMMAND) & MF_CHECKED)
            checked.push_back(preset.command);
    }
    return checked;
}

class ViewerMenuTest : public testing::Test {
protected:
    void SetUp() override { savedStyle_ = Settings.OnesWinStyle; }
    void TearDown() override {
        Settings.OnesWinStyle = savedStyle_;
        if (viewerPopupMenu) DestroyMenu(viewerPopupMenu);
        viewerPopupMenu = nullptr;
    }

private:
    int savedStyle_ = 0;
};

} // namespace

TEST_F(ViewerMenuTest, ItemsIdsAndSizeSubmenu) {
    Settings.OnesWinStyle = 2;
    BuildViewerMenu();
    const ExpectedItem items[] = {
        {L"クリップボードへコピー", 1093}, {L"名前を付けて保存", 1013}, {nullptr, 0},
        {L"編集", 1014}, {L"アプリケーションから開く...", 1077}, {nullptr, 0},
        {L"画面サイズ", 0}, {nullptr, 0}, {L"タイトル入力", 1059}, {nullptr, 0},
        {L"ハードコピーの削除", 1067}, {nullptr, 0}, {L"プリンタの設定", 1012}, {nullptr, 0},
        {L"キャンセル", 1068},
    };
    ASSERT_EQ(GetMenuItemCount(viewerPopupMenu), 15);
    HMENU sizes = nullptr;
    for (UINT i = 0; i < 15; ++i) {
        MENUITEMINFOW info;
        std::wstring text = ItemText(viewerPopupMenu, i, &info);
        if (!items[i].text) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
            continue;
        }
        EXPECT_EQ(text, items[i].text) << i;
        EXPECT_FALSE(info.fState & MFS_DISABLED) << i;
        if (items[i].id) {
            EXPECT_EQ(info.wID, items[i].id) << i;
            EXPECT_EQ(info.hSubMenu, nullptr) << i;
        } else {
            sizes = info.hSubMenu;
        }
    }
    ASSERT_NE(sizes, nullptr);
    const ExpectedItem presets[] = {{L"縦：大", 1070}, {L"横：大", 1073}, {L"縦：中", 1071},
                                    {L"横：中", 1074}, {L"縦：小", 1072}, {L"横：小", 1075}};
    ASSERT_EQ(GetMenuItemCount(sizes), 6);
    for (UINT i = 0; i < 6; ++i) {
        MENUITEMINFOW info;
        EXPECT_EQ(ItemText(sizes, i, &info), presets[i].text);
        EXPECT_EQ(info.wID, presets[i].id);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, presets[i].id == 1073u) << i;
    }
}

TEST_F(ViewerMenuTest, CheckMarkFollowsTheStyleAndThePresetChosen) {
    Settings.OnesWinStyle = 5;
    BuildViewerMenu();
    EXPECT_EQ(CheckedPresets(), std::vector<UINT>{IDM_SIZE_TALL_SMALL});
    CheckSizePresetItem(IDM_SIZE_WIDE_MEDIUM);
    EXPECT_EQ(CheckedPresets(), std::vector<UINT>{IDM_SIZE_WIDE_MEDIUM});

    Settings.OnesWinStyle = 9;
    BuildViewerMenu(); // a rebuild replaces the old menu
    EXPECT_TRUE(CheckedPresets().empty());
    EXPECT_EQ(GetMenuItemCount(viewerPopupMenu), 15);
}

// The window itself, created in this process on history files of a
// temporary folder.
class ViewerWindowTest : public testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings;
        std::wstring current = folder_.path().substr(0, folder_.path().size() - 1);
        BuildWorkingPaths(folder_.path().c_str(), current.c_str());
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HistoryViewerProc;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"COnesWinClass";
        RegisterClassExW(&wc);
        Settings.SaveNum = 12;
        Settings.OnesWinStyle = 3;
        Settings.OnesLeft = -200;
        Settings.OnesTop = 5000;
        Settings.IsPrintEdge = 0;
        BuildViewerMenu();
        WriteSolidBitmap(historyFilePaths[0], 64, 48, RGB(255, 0, 0));
        WriteText(historyFilePaths[2], "not a bitmap");
    }
    void TearDown() override {
        if (historyViewerWindow) DestroyWindow(historyViewerWindow);
        DestroyMenu(viewerPopupMenu);
        viewerPopupMenu = nullptr;
        Settings = saved_;
    }

    static std::wstring WindowText() {
        wchar_t text[256] = {};
        GetWindowTextW(historyViewerWindow, text, std::size(text));
        return text;
    }
    static RECT WindowRect() {
        RECT rect = {};
        GetWindowRect(historyViewerWindow, &rect);
        return rect;
    }
    static void Command(UINT id) { SendMessageW(historyViewerWindow, WM_COMMAND, id, 0); }
    int SettingInFile(const wchar_t* key) {
        return GetPrivateProfileIntW(L"Others", key, -12345, settingsFilePath);
    }

    TempFolder folder_;
    SettingsRecord saved_;
};

TEST_F(ViewerWindowTest, OpensAtThePresetSizeInsideTheWorkArea) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left, 510);
    EXPECT_EQ(rect.bottom - rect.top, 680);
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.bottom, work.bottom);
    EXPECT_EQ(Settings.OnesLeft, work.left);
    EXPECT_EQ(WindowText().rfind(L"1枚目( 64 x 48 ) ", 0), 0u) << WindowText();
    EXPECT_EQ(GetDlgCtrlID(historyViewerFocusControl), IDC_VIEWER_MENU);
    wchar_t text[32] = {};
    GetWindowTextW(GetDlgItem(historyViewerWindow, IDC_VIEWER_CLOSE), text, std::size(text));
    EXPECT_STREQ(text, L"閉じる");
}

TEST_F(ViewerWindowTest, MovedToAnotherDpiTakesTheSuggestedRectAndScalesItsButtons) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    auto buttonRect = [](int id) {
        RECT rect = {};
        HWND button = GetDlgItem(historyViewerWindow, id);
        GetWindowRect(button, &rect);
        MapWindowPoints(nullptr, historyViewerWindow, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    auto buttonFontHeight = [] {
        auto font = reinterpret_cast<HFONT>(SendDlgItemMessageW(
            historyViewerWindow, IDC_VIEWER_CLOSE, WM_GETFONT, 0, 0));
        LOGFONTW logFont = {};
        GetObjectW(font, sizeof logFont, &logFont);
        return logFont.lfHeight;
    };
    ExpectRect(buttonRect(IDC_VIEWER_CLOSE), 325, 3, 395, 47);
    EXPECT_EQ(buttonFontHeight(), 12);

    // The suggested rectangle is the system's to choose; it is taken as it is.
    RECT suggested = {40, 30, 40 + 700, 30 + 640};
    SendMessageW(historyViewerWindow, WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT rect = WindowRect();
    ExpectRect(rect, 40, 30, 740, 670);
    ExpectRect(buttonRect(IDC_VIEWER_CLOSE), 488, 5, 593, 71);
    ExpectRect(buttonRect(IDC_VIEWER_PRINT), 6, 5, 126, 38);
    EXPECT_EQ(buttonFontHeight(), 18);
    EXPECT_EQ(viewerButtonFontDpi, 144u);

    // A size preset chosen there is in proportion too.
    Command(IDM_SIZE_WIDE_SMALL);
    rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left, 840);
    EXPECT_EQ(rect.bottom - rect.top, 630);

    suggested = RECT{40, 30, 40 + 560, 30 + 420};
    SendMessageW(historyViewerWindow, WM_DPICHANGED, MAKEWPARAM(96, 96),
                 reinterpret_cast<LPARAM>(&suggested));
    ExpectRect(buttonRect(IDC_VIEWER_CLOSE), 325, 3, 395, 47);
    EXPECT_EQ(buttonFontHeight(), 12);
}

TEST_F(ViewerWindowTest, StepsThroughSlotsAndTheCaptionFollows) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    std::wstring first = WindowText();
    Command(IDC_VIEWER_PREV);
    EXPECT_EQ(WindowText(), first);
    EXPECT_EQ(currentHistoryIndex, 0);
    Command(IDC_VIEWER_NEXT);
    EXPECT_EQ(WindowText(), L"2枚目( 履歴なし ) - ZORVEX (履歴)");
    Command(IDC_VIEWER_NEXT);
    EXPECT_EQ(WindowText().rfind(L"3枚目( 0 x 0 ) ", 0), 0u) << WindowText();
    Command(IDC_VIEWER_LAST);
    EXPECT_EQ(currentHistoryIndex, 11);
    Command(IDC_VIEWER_NEXT10);
    EXPECT_EQ(currentHistoryIndex, 11);
    Command(IDC_VIEWER_PREV10);
    EXPECT_EQ(currentHistoryIndex, 1);
    Command(IDC_VIEWER_FIRST);
    EXPECT_EQ(WindowText(), first);
}

TEST_F(ViewerWindowTest, SizePresetCentresChecksAndIsWritten) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    Command(IDM_SIZE_WIDE_LARGE);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 600);
    // centred: the room left and right (above and below) differs by one at most
    EXPECT_LE(std::abs((rect.left - work.left) - (work.right - rect.right)), 1) << rect.left;
    EXPECT_LE(std::abs((rect.top - work.top) - (work.bottom - rect.bottom)), 1) << rect.top;
    EXPECT_EQ(Settings.OnesWinStyle, 2);
    EXPECT_EQ(SettingInFile(L"OnesWinStyle"), 2);
    EXPECT_EQ(CheckedPresets(), std::vector<UINT>{IDM_SIZE_WIDE_LARGE});

    SendMessageW(historyViewerWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(historyViewerWindow, nullptr);
    EXPECT_EQ(historyViewerFocusControl, nullptr);
    EXPECT_EQ(SettingInFile(L"OnesLeft"), rect.left);
    EXPECT_EQ(SettingInFile(L"OnesTop"), rect.top);
}

TEST_F(ViewerWindowTest, MaximisedWindowIgnoresPresetsAndKeepsThePosition) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    ShowWindow(historyViewerWindow, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(historyViewerWindow));
    RECT before = WindowRect();
    Command(IDM_SIZE_TALL_SMALL);
    RECT after = WindowRect();
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(Settings.OnesWinStyle, 3);
    SendMessageW(historyViewerWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(SettingInFile(L"OnesLeft"), -12345);
    EXPECT_EQ(SettingInFile(L"OnesTop"), -12345);
}

TEST_F(ViewerWindowTest, MinimisedWindowKeepsTheRememberedPosition) {
    currentHistoryIndex = 0;
    ASSERT_EQ(CreateHistoryViewer(GetModuleHandleW(nullptr), L"COnesWinClass", SW_SHOW), 1);
    ShowWindow(historyViewerWindow, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(historyViewerWindow));
    SendMessageW(historyViewerWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(historyViewerWindow, nullptr);
    EXPECT_EQ(SettingInFile(L"OnesLeft"), -12345);
}
