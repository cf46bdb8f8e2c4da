// HDR monitors: the mapping of scRGB halves to the hard copy's sRGB, and a
// capture across an HDR monitor's picture and the GDI screen.
#include "capture/bitmap_file.h"
#include "capture/capture_modes.h"
#include "capture/hdr_screen.h"
#include "capture/scoped_gdi.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Zero and positive normal values, rounded to the nearest half.
uint16_t ToHalf(float value) {
    if (value == 0) return 0;
    int exponent = 0;
    const float fraction = std::frexp(value, &exponent);
    const int mantissa = static_cast<int>(std::lround((2 * fraction - 1) * 1024));
    return static_cast<uint16_t>(((exponent + 14) << 10) + mantissa); // 1024 carries on
}

// An SDR level as an HDR desktop whose SDR white is `whiteNits` composes it.
uint16_t ScRgbOfLevel(int level, float whiteNits) {
    const double srgb = level / 255.0;
    const double linear = srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
    return ToHalf(static_cast<float>(linear * whiteNits / SCRGB_WHITE_NITS));
}

using Rgb = std::array<uint16_t, 3>;

// R, G, B and 1.0 halves, `padding` bytes of 1.0 halves after each row.
struct Surface {
    Surface(int width, int height, const std::vector<Rgb>& pixels, size_t padding = 0)
        : pitch(width * SCRGB_PIXEL_BYTES + padding), bytes(pitch * height / 2, 0x3C00) {
        for (size_t i = 0; i < pixels.size(); ++i)
            std::memcpy(&bytes[i / width * pitch / 2 + i % width * 4], pixels[i].data(), 6);
        view = ScRgbSurface{reinterpret_cast<const uint8_t*>(bytes.data()), pitch, width, height};
    }
    size_t pitch;
    std::vector<uint16_t> bytes;
    ScRgbSurface view;
};

std::vector<Rgb> Mapped(const ScRgbSurface& surface, float whiteNits) {
    const int width = UprightWidth(surface), height = UprightHeight(surface);
    std::vector<uint8_t> bgrx(width * height * 4);
    EXPECT_TRUE(MapScRgbToSrgb(surface, whiteNits, 0, 0, width, height, bgrx.data(), width * 4));
    std::vector<Rgb> levels;
    for (size_t i = 0; i < bgrx.size(); i += 4)
        levels.push_back(Rgb{bgrx[i + 2], bgrx[i + 1], bgrx[i]});
    return levels;
}

Rgb MappedPixel(Rgb halves, float whiteNits) {
    return Mapped(Surface(1, 1, {halves}).view, whiteNits)[0];
}

// Red SDR levels as scRGB pixels (`whiteNits`), or as the levels mapped (0).
std::vector<Rgb> Reds(const std::vector<int>& levels, float whiteNits = 0) {
    std::vector<Rgb> pixels;
    for (int level : levels)
        pixels.push_back(Rgb{whiteNits ? ScRgbOfLevel(level, whiteNits) : uint16_t(level), 0, 0});
    return pixels;
}

constexpr float WHITE_LEVELS[] = {80.0f, 200.0f, 480.0f};

} // namespace

TEST(HdrMapping, SdrContentComesOutAsOnAnSdrScreenAtEveryWhiteLevel) {
    std::vector<int> every(256);
    for (int level = 0; level < 256; ++level)
        every[level] = level;
    for (float white : WHITE_LEVELS) {
        SCOPED_TRACE(white);
        const uint16_t sdrWhite = ToHalf(white / SCRGB_WHITE_NITS), grey = ScRgbOfLevel(128, white);
        EXPECT_EQ(MappedPixel(Rgb{sdrWhite, grey, 0}, white), (Rgb{255, 128, 0})) << "mid-grey";
        EXPECT_EQ(Mapped(Surface(256, 1, Reds(every, white)).view, white), Reds(every));
    }
}

TEST(HdrMapping, HighlightsColoursOutsideSrgbDenormalsInfinityAndNanAreClamped) {
    const uint16_t thousandNits = ToHalf(1000.0f / SCRGB_WHITE_NITS), largest = 0x7BFF;
    const uint16_t minusHalf = 0xB800, minusZero = 0x8000, denormal = 0x0001, bigDenormal = 0x03FF;
    const uint16_t infinity = 0x7C00, nan = 0x7E00, otherNan = 0x7C01;
    EXPECT_EQ(HalfToFloat(denormal), std::ldexp(1.0f, -24));
    EXPECT_EQ(HalfToFloat(bigDenormal), std::ldexp(1023.0f, -24));
    for (float white : WHITE_LEVELS) {
        SCOPED_TRACE(white);
        EXPECT_EQ(MappedPixel(Rgb{thousandNits, largest, ScRgbOfLevel(100, white)}, white),
                  (Rgb{255, 255, 100}));
        EXPECT_EQ(MappedPixel(Rgb{minusHalf, minusZero, uint16_t(thousandNits | 0x8000)}, white),
                  (Rgb{0, 0, 0}));
        EXPECT_EQ(MappedPixel(Rgb{denormal, bigDenormal, 0x8001}, white), (Rgb{0, 0, 0}));
        EXPECT_EQ(MappedPixel(Rgb{infinity, uint16_t(infinity | 0x8000), nan}, white),
                  (Rgb{255, 0, 0}));
        EXPECT_EQ(MappedPixel(Rgb{otherNan, 0xFFFF, infinity}, white), (Rgb{0, 0, 255}));
    }
}

// Upright, three wide and two high:  10 20 30
//                                    40 50 60
// A duplicate's surface keeps the panel's orientation: turned a quarter
// (Rotate90) the desktop's top row runs up the surface's left column.
TEST(HdrMapping, TurnedSurfacesComeOutUpright) {
    struct Turned {
        SurfaceRotation rotation;
        int width, height;
        std::vector<int> levels;
    };
    for (const Turned& turned :
         {Turned{SurfaceRotation::Rotate90, 2, 3, {30, 60, 20, 50, 10, 40}},
          Turned{SurfaceRotation::Rotate270, 2, 3, {40, 10, 50, 20, 60, 30}},
          Turned{SurfaceRotation::Rotate180, 3, 2, {60, 50, 40, 30, 20, 10}}}) {
        SCOPED_TRACE(static_cast<int>(turned.rotation));
        Surface surface(turned.width, turned.height, Reds(turned.levels, 80));
        surface.view.rotation = turned.rotation;
        EXPECT_EQ(Mapped(surface.view, 80), Reds({10, 20, 30, 40, 50, 60}));
    }
}

TEST(HdrMapping, RowPitchesWiderThanTheRowAreHonoured) {
    // 24 bytes of 1.0 after each row of the source, 4 spare bytes after each of the copy
    Surface source(3, 2, Reds({10, 20, 30, 40, 50, 60}, 200), 24);
    std::vector<uint8_t> out(2 * 12, 0xAA);
    ASSERT_TRUE(MapScRgbToSrgb(source.view, 200, 1, 0, 2, 2, out.data(), 12));
    const std::vector<uint8_t> expected = {0, 0, 20, 0, 0, 0, 30, 0, 0xAA, 0xAA, 0xAA, 0xAA,
                                           0, 0, 50, 0, 0, 0, 60, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(out, expected);
}

TEST(HdrMapping, WhatDoesNotFitIsRefusedAndNothingWritten) {
    Surface source(3, 2, Reds({1, 2, 3, 4, 5, 6}, 80));
    ScRgbSurface shortPitch = source.view;
    shortPitch.pitch = 3 * SCRGB_PIXEL_BYTES - 1;
    std::vector<uint8_t> out(64, 0xAA);
    EXPECT_FALSE(MapScRgbToSrgb(source.view, 80, 2, 0, 2, 1, out.data(), 8)) << "past the right";
    EXPECT_FALSE(MapScRgbToSrgb(source.view, 80, 0, 1, 1, 2, out.data(), 8)) << "past the bottom";
    EXPECT_FALSE(MapScRgbToSrgb(source.view, 80, 0, 0, 2, 1, out.data(), 7)) << "a short row";
    EXPECT_FALSE(MapScRgbToSrgb(source.view, NAN, 0, 0, 1, 1, out.data(), 8)) << "no white";
    EXPECT_FALSE(MapScRgbToSrgb(shortPitch, 80, 0, 0, 1, 1, out.data(), 8));
    EXPECT_EQ(out, std::vector<uint8_t>(64, 0xAA));
}

namespace {

// An HDR monitor at a place on the real screen, pixel (x, y) of the desktop
// showing the SDR levels (x * 3, y * 5, 128); or one that cannot be read.
class FakeHdrMonitor : public HdrPictureSource {
  public:
    FakeHdrMonitor(RECT monitor, bool readable) : readable_(readable) {
        std::vector<Rgb> pixels;
        for (int y = monitor.top; y < monitor.bottom; ++y)
            for (int x = monitor.left; x < monitor.right; ++x)
                pixels.push_back(Rgb{ScRgbOfLevel(x * 3 & 255, 200), ScRgbOfLevel(y * 5 & 255, 200),
                                     ScRgbOfLevel(128, 200)});
        surface_ = std::make_unique<Surface>(monitor.right - monitor.left,
                                             monitor.bottom - monitor.top, pixels);
        picture_ = HdrMonitorPicture{monitor, surface_->view, 200};
    }
    bool ReadHdrMonitors(RECT, const Taker& take) override { return take(picture_) && readable_; }

  private:
    bool readable_;
    std::unique_ptr<Surface> surface_;
    HdrMonitorPicture picture_;
};

} // namespace

TEST(HdrCapture, AnHdrMonitorsPartIsMappedAndTheGdiPartIsTodaysPixels) {
    Settings.IsCursor = 0;
    TempFolder folder;
    const std::wstring gdiPath = folder.file(L"gdi.bmp"), path = folder.file(L"mixed.bmp");
    const RECT area = {16, 8, 112, 56};
    const RECT hdrMonitor = {-64, 16, 56, 48}; // the area's left part, from below its top
    ScopedWindowDC screen(nullptr, GetDC(nullptr));
    ASSERT_TRUE(WriteScreenBitmapFile(screen.get(), area, gdiPath.c_str(), 1));
    const std::string gdi = ReadText(gdiPath);
    ASSERT_EQ(gdi[28], 32) << "the screen's copy holds 32-bit rows from the bottom";

    FakeHdrMonitor hdr(hdrMonitor, true);
    DWORD error = ERROR_GEN_FAILURE;
    ASSERT_TRUE(WriteScreenAreaFile(hdr, area, path.c_str(), &error));
    EXPECT_EQ(error, static_cast<DWORD>(NO_ERROR));
    const std::string mixed = ReadText(path);
    ASSERT_EQ(mixed.size(), gdi.size());
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const size_t at = 54 + ((area.bottom - 1 - y) * 96 + x - area.left) * 4;
            const bool onHdr = x < hdrMonitor.right && y >= hdrMonitor.top && y < hdrMonitor.bottom;
            const std::string mapped = {char(128), char(y * 5 & 255), char(x * 3 & 255)};
            ASSERT_EQ(mixed.substr(at, 3), onHdr ? mapped : gdi.substr(at, 3)) << x << "," << y;
        }

    FakeHdrMonitor unreadable(hdrMonitor, false);
    ASSERT_TRUE(WriteScreenAreaFile(unreadable, area, path.c_str(), &error));
    EXPECT_EQ(ReadText(path), gdi) << "a monitor that fails leaves the hard copy to GDI";
}
