// The picture of an HDR monitor as Windows composes it (linear scRGB in
// 16-bit floats, 1.0 = 80 nits) mapped to the 8-bit sRGB of a hard copy:
// SDR content comes out as it would on an SDR screen, brighter-than-white
// highlights are clipped. Nothing here needs a window or a device.
#pragma once

#include <cstddef>
#include <cstdint>

// How a monitor's picture lies in the surface its duplicate gives: the
// values of DXGI_MODE_ROTATION. A turned monitor's surface keeps the
// panel's own orientation, and the desktop lies turned within it.
enum class SurfaceRotation : int { Identity = 1, Rotate90 = 2, Rotate180 = 3, Rotate270 = 4 };

// R, G, B and A halves for each pixel, rows `pitch` bytes apart.
struct ScRgbSurface {
    const uint8_t* pixels = nullptr;
    size_t pitch = 0;
    int width = 0;
    int height = 0;
    SurfaceRotation rotation = SurfaceRotation::Identity;
};

constexpr size_t SCRGB_PIXEL_BYTES = 8;
constexpr float SCRGB_WHITE_NITS = 80.0f;

// The surface's size as the desktop shows it.
int UprightWidth(const ScRgbSurface& surface);
int UprightHeight(const ScRgbSurface& surface);

float HalfToFloat(uint16_t half);
// 0..255 for a linear value, 1.0 being white; below black, above white and
// NaN are clamped (NaN to black).
uint8_t EncodeSrgb8(float linear);

// The 8-bit sRGB value of every half's bit pattern on a monitor whose SDR
// white is `whiteNits`.
struct SrgbTable {
    uint8_t values[65536];
};
void BuildSrgbTable(float whiteNits, SrgbTable* table);

// Maps the upright rectangle (`left`, `top`, `width` x `height` in the
// monitor's desktop pixels) into 32-bit B, G, R, 0 rows `destinationPitch`
// bytes apart, top row first. False, with nothing written, when the
// rectangle leaves the surface, the surface's pitch is shorter than a row,
// a destination row is too short, or the white level is no level.
bool MapScRgbToSrgb(const ScRgbSurface& surface, float whiteNits, int left, int top, int width,
                    int height, uint8_t* destination, size_t destinationPitch);
