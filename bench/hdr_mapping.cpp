// Times what an HDR monitor adds to a hard copy on the processor, for a
// 3840 x 2160 picture in 16-bit floats as a duplicate hands it over: the
// table for one SDR white level, the mapping of the whole picture (upright,
// and turned a quarter), and the whole drawing of it over a 32-bit copy.
//   hdr_mapping.exe [ROUNDS]
#include "capture/hdr_screen.h"
#include "capture/scoped_gdi.h"
#include "median_timer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int WIDTH = 3840;
constexpr int HEIGHT = 2160;
constexpr float WHITE_NITS = 240.0f;
// Drivers may pad the rows of a mapped texture.
constexpr size_t PITCH = WIDTH * SCRGB_PIXEL_BYTES + 256;

// A desktop of every brightness from black to 1000-nit highlights.
std::vector<uint8_t> DesktopPicture() {
    std::vector<uint8_t> bytes(PITCH * HEIGHT);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const uint16_t red = static_cast<uint16_t>(x * 19 % 0x4A40);
            const uint16_t green = static_cast<uint16_t>(y * 23 % 0x4A40);
            const uint16_t halves[4] = {red, green, static_cast<uint16_t>((red + green) / 2),
                                        0x3C00};
            std::memcpy(&bytes[y * PITCH + x * SCRGB_PIXEL_BYTES], halves, sizeof halves);
        }
    return bytes;
}

class BenchMonitor : public HdrPictureSource {
  public:
    explicit BenchMonitor(const ScRgbSurface& surface) {
        picture_.monitor = RECT{0, 0, WIDTH, HEIGHT};
        picture_.surface = surface;
        picture_.sdrWhiteNits = WHITE_NITS;
    }
    bool ReadHdrMonitors(RECT, const Taker& take) override { return take(picture_); }

  private:
    HdrMonitorPicture picture_;
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::vector<uint8_t> frame = DesktopPicture();
    ScRgbSurface upright{frame.data(), PITCH, WIDTH, HEIGHT, SurfaceRotation::Identity};
    ScRgbSurface turned{frame.data(), PITCH, WIDTH, HEIGHT, SurfaceRotation::Rotate90};
    std::vector<uint8_t> out(static_cast<size_t>(WIDTH) * HEIGHT * 4);
    auto table = std::make_unique<SrgbTable>();
    bool mapped = true;

    const double tableMs =
        MedianMilliseconds(rounds, [&] {
        BuildSrgbTable(WHITE_NITS, table.get());
        return true;
    });
    const double uprightMs = MedianMilliseconds(rounds, [&] {
        mapped &= MapScRgbToSrgb(upright, WHITE_NITS, 0, 0, WIDTH, HEIGHT, out.data(), WIDTH * 4);
        return true;
    });
    const double turnedMs = MedianMilliseconds(rounds, [&] {
        mapped &= MapScRgbToSrgb(turned, WHITE_NITS, 0, 0, HEIGHT, WIDTH, out.data(), HEIGHT * 4);
        return true;
    });

    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, WIDTH, HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    ScopedGdiObject copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedMemoryDC memory(nullptr);
    if (!copy.get() || !memory.get()) return 1;
    ScopedSelectObject selected(memory.get(), copy.get());
    BenchMonitor monitor(upright);
    const double drawnMs = MedianMilliseconds(rounds, [&] {
        PaintHdrParts(monitor, memory.get(), RECT{0, 0, WIDTH, HEIGHT});
        GdiFlush();
        return true;
    });
    if (!mapped) return 1;

    std::printf("HDR picture                        %d x %d, 16-bit float, pitch %zu bytes\n",
                WIDTH, HEIGHT, PITCH);
    std::printf("rounds                             %d (medians)\n", rounds);
    std::printf("table for one SDR white level      %7.1f ms\n", tableMs);
    std::printf("mapping, upright                   %7.1f ms  (table included)\n", uprightMs);
    std::printf("mapping, turned a quarter          %7.1f ms  (table included)\n", turnedMs);
    std::printf(
        "mapped and drawn over a 32-bit copy %6.1f ms  (what a capture adds on the processor)\n",
        drawnMs);
    return 0;
}
