#include "app/dpi.h"
#include "dialogs/list_view.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <map>
#include <utility>

TEST(DpiScale, DesignFiguresStayAt96AndScaleInProportion) {
    for (int value : {0, 1, 15, 390, 570, -7})
        EXPECT_EQ(ScaleForDpi(value, 96), value) << value;
    EXPECT_EQ(ScaleForDpi(570, 144), 855);
    EXPECT_EQ(ScaleForDpi(390, 144), 585);
    EXPECT_EQ(ScaleForDpi(510, 192), 1020);
    // Halves round away from zero, as MulDiv does.
    EXPECT_EQ(ScaleForDpi(1, 144), 2);
    EXPECT_EQ(ScaleForDpi(15, 144), 23);
    EXPECT_EQ(ScaleForDpi(-3, 144), -5);
    EXPECT_EQ(ScaleForDpi(510, 120), 638);
    EXPECT_EQ(ScaleForDpi(12, 120), 15);
    // An unknown DPI leaves the figure alone rather than collapsing it.
    EXPECT_EQ(ScaleForDpi(570, 0), 570);
    // Figures near the top of the range do not wrap.
    EXPECT_EQ(ScaleForDpi(1 << 29, 192), 1 << 30);
}

TEST(DpiScale, RectanglesScaleByEdgesSoNeighboursStillMeet) {
    // Two labels side by side at 96 DPI: 15 wide, then the next at 350.
    RECT label = ScaleRectForDpi(RECT{330, 255, 345, 270}, 144);
    RECT field = ScaleRectForDpi(RECT{345, 253, 385, 268}, 144);
    EXPECT_EQ(label.right, field.left);
    EXPECT_EQ(label.left, 495);
    EXPECT_EQ(label.top, 383);
    RECT group = ScaleRectForDpi(RECT{203, 12, 553, 298}, 144);
    EXPECT_EQ(group.left, 305);
    EXPECT_EQ(group.top, 18);
    EXPECT_EQ(group.right, 830);
    EXPECT_EQ(group.bottom, 447);
    SIZE size = ScaleSizeForDpi(SIZE{570, 390}, 144);
    EXPECT_EQ(size.cx, 855);
    EXPECT_EQ(size.cy, 585);
}

TEST(DpiScale, DpiChangedCarriesTheNewDpi) {
    EXPECT_EQ(DpiFromDpiChanged(MAKEWPARAM(144, 144)), 144u);
    EXPECT_EQ(DpiFromDpiChanged(MAKEWPARAM(96, 96)), 96u);
    EXPECT_EQ(DpiFromDpiChanged(0), 96u);
}

TEST(DpiQueries, TheSystemAnswersWithAUsableDpi) {
    UINT system = SystemDpi();
    EXPECT_GE(system, 96u);
    EXPECT_EQ(DpiAtPoint(POINT{0, 0}), system);
    EXPECT_EQ(DpiOfWindow(GetDesktopWindow()), system);
    RECT frame = {0, 0, 100, 100};
    AdjustWindowRectForDpi(&frame, WS_CAPTION | WS_SYSMENU, 0, system);
    EXPECT_LT(frame.top, 0) << L"room for the caption";
    EXPECT_GT(SystemMetricForDpi(SM_CYCAPTION, system), 0);
}

TEST(ListColumns, WidthsFollowTheListsDpi) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 400, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    AddListColumn(list, 0, L"ファイル名", 100);
    AddListColumn(list, 1, L"更新日時", 120);
    auto widths = [&] {
        return std::make_pair(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)),
                              static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0)));
    };
    // design widths 100 and 120 at 96 DPI, one and a half times at 144
    const std::map<UINT, std::pair<int, int>> added = {{96, {100, 120}}, {144, {150, 180}}};
    ASSERT_TRUE(added.count(DpiOfWindow(list))) << DpiOfWindow(list);
    EXPECT_EQ(widths(), added.at(DpiOfWindow(list)));
    ScaleListColumnsToDpi(list, 144);
    EXPECT_EQ(widths(), std::make_pair(150, 180));
    ScaleListColumnsToDpi(list, 192);
    EXPECT_EQ(widths(), std::make_pair(200, 240));
    ScaleListColumnsToDpi(list, 96);
    EXPECT_EQ(widths(), std::make_pair(100, 120));
    DestroyWindow(list);
}
