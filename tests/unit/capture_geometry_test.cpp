// The geometry of the capture modes and of fitting an image into an area, and
// the sign that follows a capture.
#include "capture/bitmap_file.h"
#include "capture/capture_modes.h"
#include "capture/feedback.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(RECT r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

RECT Fit(int iw, int ih, int aw, int ah) {
    RECT r = {-1, -1, -1, -1};
    FitImageRect(iw, ih, aw, ah, &r);
    return r;
}

TEST(FitImageRect, WideImageFillsNinetyPercentOfTheWidthCentred) {
    ExpectRect(Fit(100, 50, 1000, 1000), 50, 275, 950, 725);
}

TEST(FitImageRect, TallImageFillsNinetyPercentOfTheHeight) {
    ExpectRect(Fit(50, 100, 1000, 1000), 275, 50, 725, 950);
}

TEST(FitImageRect, SmallImagesAreEnlarged) {
    // available 180 x 90: the height limits, 10 x 10 becomes 90 x 90
    ExpectRect(Fit(10, 10, 200, 100), 55, 5, 145, 95);
}

TEST(FitImageRect, TruncatesTowardZero) {
    // available 90 x 90; scale 90/7 limits both: width 90, height 90*3/7 = 38.57 -> 38
    ExpectRect(Fit(7, 3, 101, 101), 5, 31, 95, 69);
}

TEST(FitImageRect, ImagesWithoutExtentGiveAnEmptyRectangle) {
    ExpectRect(Fit(0, 0, 1000, 1000), 0, 0, 0, 0);
    ExpectRect(Fit(0, 50, 1000, 1000), 0, 0, 0, 0);
    ExpectRect(Fit(100, 0, 1000, 1000), 0, 0, 0, 0);
    ExpectRect(Fit(-100, 50, 1000, 1000), 0, 0, 0, 0);
}

const RECT SURFACE = {0, 0, 1280, 800};

TEST(VisibleScreenRect, AWindowInsideTheSurfaceIsCopiedWhole) {
    ExpectRect(VisibleScreenRect(RECT{100, 50, 400, 250}, SURFACE), 100, 50, 400, 250);
}

TEST(VisibleScreenRect, OnlyTheVisiblePartOfAWindowPartlyOutside) {
    ExpectRect(VisibleScreenRect(RECT{-10, -5, 290, 195}, SURFACE), 0, 0, 290, 195);
    ExpectRect(VisibleScreenRect(RECT{1200, 700, 1500, 900}, SURFACE), 1200, 700, 1280, 800);
}

TEST(VisibleScreenRect, AMaximisedWindowKeepsEveryVisiblePixel) {
    ExpectRect(VisibleScreenRect(RECT{-4, -4, 1284, 774}, SURFACE), 0, 0, 1280, 774);
}

TEST(VisibleScreenRect, NothingVisibleGivesAnEmptyRectangle) {
    ExpectRect(VisibleScreenRect(RECT{-400, 0, -100, 200}, SURFACE), 0, 0, 0, 0);
    ExpectRect(VisibleScreenRect(RECT{1280, 0, 1580, 200}, SURFACE), 0, 0, 0, 0);
}

TEST(FixedAreaRect, AnAreaInsideTheSurfaceIsKept) {
    ExpectRect(FixedAreaRect(10, 20, 110, 70, SURFACE), 10, 20, 110, 70);
    ExpectRect(FixedAreaRect(0, 0, 1280, 800, SURFACE), 0, 0, 1280, 800);
}

TEST(FixedAreaRect, OnePixelBeyondAnySideGivesTheWholeSurface) {
    ExpectRect(FixedAreaRect(-1, 0, 100, 100, SURFACE), 0, 0, 1280, 800);
    ExpectRect(FixedAreaRect(0, -1, 100, 100, SURFACE), 0, 0, 1280, 800);
    ExpectRect(FixedAreaRect(0, 0, 1281, 100, SURFACE), 0, 0, 1280, 800);
    ExpectRect(FixedAreaRect(0, 0, 100, 801, SURFACE), 0, 0, 1280, 800);
}

TEST(FixedAreaRect, ReversedCornersAreNormalised) {
    ExpectRect(FixedAreaRect(110, 70, 10, 20, SURFACE), 10, 20, 110, 70);
    ExpectRect(FixedAreaRect(1270, 10, 1300, 20, SURFACE), 0, 0, 1280, 800);
}

TEST(FixedAreaRect, AnEmptyAreaGivesTheWholeSurface) {
    ExpectRect(FixedAreaRect(0, 0, 0, 0, SURFACE), 0, 0, 1280, 800);
    ExpectRect(FixedAreaRect(50, 50, 50, 90, SURFACE), 0, 0, 1280, 800);
}

// Two monitors: the primary at the origin, a second of 1024 x 768 left of it.
const RECT VIRTUAL_SCREEN = {-1024, 0, 1280, 800};

TEST(FixedAreaRect, AnAreaLeftOfThePrimaryIsKeptOnTheVirtualScreen) {
    ExpectRect(FixedAreaRect(-1000, 120, -800, 300, VIRTUAL_SCREEN), -1000, 120, -800, 300);
    ExpectRect(FixedAreaRect(-1025, 120, -800, 300, VIRTUAL_SCREEN), -1024, 0, 1280, 800);
}

TEST(VisibleScreenRect, AWindowAcrossTheLeftEdgeOfTheVirtualScreenLosesThePartOutside) {
    ExpectRect(VisibleScreenRect(RECT{-1100, 100, -700, 400}, VIRTUAL_SCREEN), -1024, 100, -700,
               400);
    ExpectRect(VisibleScreenRect(RECT{-200, 450, 200, 750}, VIRTUAL_SCREEN), -200, 450, 200, 750);
}

} // namespace

TEST(CaptureFeedback, TheFlashWhenOnElseTheNoticeForAClipboardOrAnAutomaticSaveThatSucceeded) {
    struct Row {
        int isFlash, clipboard, bitmap, isSaveDialog;
        bool delivered;
        CaptureFeedback expected;
    };
    const Row rows[] = {
        {0, 0, 0, 0, false, CaptureFeedback::Flash}, // the flash even when an output failed
        {1, 1, 0, 0, true, CaptureFeedback::CopiedNotice},
        {1, 1, 0, 0, false, CaptureFeedback::None},
        {1, 0, 1, 0, true, CaptureFeedback::CopiedNotice},
        {1, 0, 1, 1, true, CaptureFeedback::None}, // the Save As dialog is the sign
        {1, 1, 1, 1, true, CaptureFeedback::CopiedNotice},
        {1, 0, 0, 0, true, CaptureFeedback::None}, // the printer alone
        {1, 2, 2, 0, true, CaptureFeedback::None}, // only 1 switches an output on
        {2, 1, 0, 0, true, CaptureFeedback::CopiedNotice},
    };
    for (const Row& row : rows) {
        SettingsRecord settings = {};
        settings.IsFlash = row.isFlash;
        settings.SaveFormat1 = row.clipboard;
        settings.SaveFormat2 = row.bitmap;
        settings.IsSaveDialog = row.isSaveDialog;
        EXPECT_EQ(ChooseCaptureFeedback(settings, row.delivered), row.expected)
            << row.isFlash << row.clipboard << row.bitmap << row.isSaveDialog << row.delivered;
    }
}

namespace {

// Windows 10 and 11 count invisible resize borders (7 pixels at 100 % left,
// right and bottom) into a window's rectangle; the frame the user sees is
// what the window manager gives as its extended frame bounds.
TEST(VisibleWindowFrame, LeavesOutInvisibleBordersAndAMaximisedWindowsOverhang) {
    const RECT workArea = {0, 0, 1920, 1040};
    struct Row {
        RECT window;
        bool framed;
        RECT frame;
        bool maximised;
        RECT expected;
    } rows[] = {
        // a sizable window with its invisible borders
        {{93, 50, 907, 657}, true, {100, 50, 900, 650}, false, {100, 50, 900, 650}},
        // no composition (or Wine): the window's rectangle as it is
        {{100, 50, 900, 650}, false, {}, false, {100, 50, 900, 650}},
        // maximised: 8 pixels past the work area on every edge, onto the
        // taskbar and the next monitor
        {{-8, -8, 1928, 1048}, true, {0, 0, 1920, 1040}, true, {0, 0, 1920, 1040}},
        {{-8, -8, 1928, 1048}, false, {}, true, {0, 0, 1920, 1040}},
        // a maximised window on the monitor left of the primary
        {{-1288, -8, 8, 1032}, false, {}, true, {-1280, 0, 0, 1024}},
        // bounds outside the window or empty are no answer
        {{100, 50, 900, 650}, true, {0, 0, 2000, 2000}, false, {100, 50, 900, 650}},
        {{100, 50, 900, 650}, true, {0, 0, 0, 0}, false, {100, 50, 900, 650}},
    };
    for (const Row& row : rows) {
        RECT work = row.window.right <= 8 ? RECT{-1280, 0, 0, 1024} : workArea;
        RECT frame = VisibleWindowFrame(row.window, row.framed ? &row.frame : nullptr,
                                        row.maximised, work);
        ExpectRect(frame, row.expected.left, row.expected.top, row.expected.right,
                   row.expected.bottom);
    }
}

} // namespace
