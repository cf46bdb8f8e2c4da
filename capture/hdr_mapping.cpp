#include "capture/hdr_mapping.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

bool QuarterTurned(SurfaceRotation rotation) {
    return rotation == SurfaceRotation::Rotate90 || rotation == SurfaceRotation::Rotate270;
}

bool IsRotation(SurfaceRotation rotation) {
    int value = static_cast<int>(rotation);
    return value >= static_cast<int>(SurfaceRotation::Identity) &&
           value <= static_cast<int>(SurfaceRotation::Rotate270);
}

// Where the texel of the upright pixel (left, top) lies in the surface, and
// how far one step right and one step down move in it, in bytes.
struct SurfaceWalk {
    ptrdiff_t origin;
    ptrdiff_t stepX;
    ptrdiff_t stepY;
};

SurfaceWalk WalkFrom(const ScRgbSurface& surface, int left, int top) {
    const auto pixel = static_cast<ptrdiff_t>(SCRGB_PIXEL_BYTES);
    const auto row = static_cast<ptrdiff_t>(surface.pitch);
    const ptrdiff_t lastX = UprightWidth(surface) - 1;
    const ptrdiff_t lastY = UprightHeight(surface) - 1;
    switch (surface.rotation) {
    case SurfaceRotation::Rotate90: // upright (x, y) lies at (y, lastX - x)
        return {(lastX - left) * row + top * pixel, -row, pixel};
    case SurfaceRotation::Rotate180: // at (lastX - x, lastY - y)
        return {(lastY - top) * row + (lastX - left) * pixel, -pixel, -row};
    case SurfaceRotation::Rotate270: // at (lastY - y, x)
        return {left * row + (lastY - top) * pixel, row, -pixel};
    default: return {top * row + left * pixel, pixel, row};
    }
}

bool IsWhiteLevel(float whiteNits) {
    return std::isfinite(whiteNits) && whiteNits > 0.0f;
}

uint16_t HalfAt(const uint8_t* at) {
    uint16_t half;
    std::memcpy(&half, at, sizeof half);
    return half;
}

} // namespace

int UprightWidth(const ScRgbSurface& surface) {
    return QuarterTurned(surface.rotation) ? surface.height : surface.width;
}

int UprightHeight(const ScRgbSurface& surface) {
    return QuarterTurned(surface.rotation) ? surface.width : surface.height;
}

float HalfToFloat(uint16_t half) {
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float magnitude;
    if (exponent == 0)
        magnitude = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 0x1F)
        magnitude = mantissa != 0 ? std::numeric_limits<float>::quiet_NaN()
                                  : std::numeric_limits<float>::infinity();
    else
        magnitude = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
    return (half & 0x8000) != 0 ? -magnitude : magnitude;
}

uint8_t EncodeSrgb8(float linear) {
    if (!(linear > 0.0f)) return 0;
    if (linear >= 1.0f) return 255;
    double encoded = linear <= 0.0031308f
                         ? 12.92 * linear
                         : 1.055 * std::pow(static_cast<double>(linear), 1 / 2.4) - 0.055;
    return static_cast<uint8_t>(encoded * 255.0 + 0.5);
}

void BuildSrgbTable(float whiteNits, SrgbTable* table) {
    const float scale = SCRGB_WHITE_NITS / whiteNits;
    for (uint32_t half = 0; half <= 0xFFFF; ++half)
        table->values[half] = EncodeSrgb8(HalfToFloat(static_cast<uint16_t>(half)) * scale);
}

bool MapScRgbToSrgb(const ScRgbSurface& surface, float whiteNits, int left, int top, int width,
                    int height, uint8_t* destination, size_t destinationPitch) {
    if (!surface.pixels || surface.width <= 0 || surface.height <= 0 ||
        !IsRotation(surface.rotation) ||
        surface.pitch / SCRGB_PIXEL_BYTES < static_cast<size_t>(surface.width))
        return false;
    if (!IsWhiteLevel(whiteNits) || !destination) return false;
    if (left < 0 || top < 0 || width <= 0 || height <= 0 || left > UprightWidth(surface) - width ||
        top > UprightHeight(surface) - height || destinationPitch / 4 < static_cast<size_t>(width))
        return false;

    auto table = std::make_unique<SrgbTable>();
    BuildSrgbTable(whiteNits, table.get());
    const uint8_t* values = table->values;
    const SurfaceWalk walk = WalkFrom(surface, left, top);
    for (int y = 0; y < height; ++y) {
        const ptrdiff_t rowStart = walk.origin + y * walk.stepY;
        uint8_t* out = destination + static_cast<size_t>(y) * destinationPitch;
        for (int x = 0; x < width; ++x, out += 4) {
            const uint8_t* texel = surface.pixels + rowStart + x * walk.stepX;
            out[0] = values[HalfAt(texel + 4)];
            out[1] = values[HalfAt(texel + 2)];
            out[2] = values[HalfAt(texel)];
            out[3] = 0;
        }
    }
    return true;
}
