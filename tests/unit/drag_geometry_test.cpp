#include "capture/drag_geometry.h"

#include <gtest/gtest.h>

namespace {

LPARAM At(int x, int y) {
    return PackDragPoint(DragPoint{x, y});
}

void ExpectPoint(LPARAM packed, int x, int y) {
    DragPoint point = UnpackDragPoint(packed);
    EXPECT_EQ(point.x, x);
    EXPECT_EQ(point.y, y);
}

TEST(DragGeometry, PackedPointsKeepTheirSign) {
    ExpectPoint(At(-5, 32767), -5, 32767);
    ExpectPoint(MAKELPARAM(0xFFFF, 0x8000), -1, -32768);
}

TEST(DragGeometry, BandEndsOnTheLastSelectedPixel) {
    ExpectPoint(PullTowardAnchor(At(100, 100), At(200, 150)), 199, 149);
    ExpectPoint(PullTowardAnchor(At(200, 150), At(100, 100)), 101, 101);
    ExpectPoint(PullTowardAnchor(At(100, 100), At(100, 150)), 100, 149);
    ExpectPoint(PullTowardAnchor(At(100, 100), At(100, 100)), 100, 100);
    ExpectPoint(PullTowardAnchor(At(0, 0), At(-10, -3)), -9, -2);
}

TEST(DragGeometry, DragDownRightHoldsTheAnchorPixel) {
    RECT selection = SelectionRect(At(100, 100), At(200, 150));
    EXPECT_EQ(selection.left, 100);
    EXPECT_EQ(selection.top, 100);
    EXPECT_EQ(selection.right, 200);  // x 100..199
    EXPECT_EQ(selection.bottom, 150); // y 100..149
    EXPECT_FALSE(IsEmptySelection(selection));
}

TEST(DragGeometry, DragUpLeftHasTheSameSizeShiftedByOne) {
    RECT selection = SelectionRect(At(200, 150), At(100, 100));
    EXPECT_EQ(selection.left, 101);
    EXPECT_EQ(selection.top, 101);
    EXPECT_EQ(selection.right, 201);  // x 101..200
    EXPECT_EQ(selection.bottom, 151); // y 101..150
}

TEST(DragGeometry, MixedDirectionsAdjustOnlyTheAxisThatWentBack) {
    RECT selection = SelectionRect(At(200, 100), At(100, 150));
    EXPECT_EQ(selection.left, 101);
    EXPECT_EQ(selection.right, 201);
    EXPECT_EQ(selection.top, 100);
    EXPECT_EQ(selection.bottom, 150);
}

TEST(DragGeometry, OnePixelIsTheSmallestSelection) {
    RECT selection = SelectionRect(At(10, 10), At(11, 11));
    EXPECT_EQ(selection.right - selection.left, 1);
    EXPECT_EQ(selection.bottom - selection.top, 1);
    EXPECT_FALSE(IsEmptySelection(selection));
}

TEST(DragGeometry, ClickOrLineIsEmpty) {
    EXPECT_TRUE(IsEmptySelection(SelectionRect(At(50, 60), At(50, 60))));
    EXPECT_TRUE(IsEmptySelection(SelectionRect(At(50, 60), At(80, 60))));
    EXPECT_TRUE(IsEmptySelection(SelectionRect(At(50, 60), At(50, 10))));
}

} // namespace
