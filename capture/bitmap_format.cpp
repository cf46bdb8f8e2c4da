#include "capture/bitmap_format.h"

#include <algorithm>
#include <climits>
#include <cstring>

uint32_t BitmapStride(int32_t width, int bitCount) {
    return static_cast<uint32_t>(BitmapStride64(width, bitCount));
}

uint64_t BitmapStride64(int32_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0) return 0;
    uint64_t bits = static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width) + 31;
    return (bits >> 3) & ~uint64_t{3};
}

uint64_t BitmapPixelBytes(int32_t width, int32_t height, int bitCount) {
    if (height == INT32_MIN) return 0;
    uint64_t rows = height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height))
                               : static_cast<uint64_t>(height);
    return BitmapStride64(width, bitCount) * rows;
}

uint64_t BitmapPixelCount(int32_t width, int32_t height) {
    if (width <= 0 || height == INT32_MIN) return 0;
    uint64_t rows = height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height))
                               : static_cast<uint64_t>(height);
    return static_cast<uint64_t>(width) * rows;
}

int ColorTableEntries(int bitCount) {
    return bitCount >= 1 && bitCount <= 8 ? 1 << bitCount : 0;
}

bool IsSupportedBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

int NormalizedBitCount(int deviceBitCount) {
    for (int valid : {1, 4, 8, 16, 24, 32}) {
        if (deviceBitCount <= valid) return valid;
    }
    return 32;
}

void BuildBitmapInfoHeader(int32_t width, int32_t height, int bitCount, BitmapInfoHeader* out) {
    std::memset(out, 0, sizeof *out);
    out->biSize = sizeof(BitmapInfoHeader);
    out->biWidth = width;
    out->biHeight = height;
    out->biPlanes = 1;
    out->biBitCount = static_cast<uint16_t>(bitCount);
    out->biCompression = BITMAP_COMPRESSION_NONE;
    out->biSizeImage = static_cast<uint32_t>(BitmapPixelBytes(width, height, bitCount));
}

void BuildBitmapFileHeader(const BitmapInfoHeader& info, BitmapFileHeader* out) {
    std::memset(out, 0, sizeof *out);
    out->bfType = BITMAP_FILE_TYPE;
    out->bfOffBits = BITMAP_HEADERS_SIZE + 4 * ColorTableEntries(info.biBitCount);
    out->bfSize = out->bfOffBits + info.biSizeImage;
}

bool ParseBitmapHeaders(const uint8_t* bytes, size_t length, BitmapFileHeader* file,
                        BitmapInfoHeader* info) {
    if (length < BITMAP_HEADERS_SIZE) return false;
    std::memcpy(file, bytes, sizeof *file);
    std::memcpy(info, bytes + sizeof *file, sizeof *info);
    return true;
}

// The pixel block is always width x height at the stated depth: biSizeImage,
// bfSize and biClrUsed are not trusted, and nothing is read past the file.
bool PlanBitmapRead(const BitmapFileHeader& file, const BitmapInfoHeader& info,
                    uint64_t fileLength, BitmapReadPlan* plan) {
    if (file.bfType != BITMAP_FILE_TYPE) return false;
    if (info.biSize < sizeof(BitmapInfoHeader)) return false;
    if (!IsSupportedBitCount(info.biBitCount) || info.biCompression != BITMAP_COMPRESSION_NONE)
        return false;
    if (info.biWidth <= 0 || info.biHeight == 0 || info.biHeight == INT32_MIN) return false;
    if (file.bfOffBits < BITMAP_HEADERS_SIZE || file.bfOffBits >= fileLength) return false;

    uint64_t expected = BitmapPixelBytes(info.biWidth, info.biHeight, info.biBitCount);
    if (expected == 0 || expected > MAX_BITMAP_IMAGE_BYTES) return false;
    uint64_t present = std::min<uint64_t>(expected, fileLength - file.bfOffBits);
    uint64_t presentPixels = present * 8 / info.biBitCount;
    if (BitmapPixelCount(info.biWidth, info.biHeight) >
        MISSING_PIXELS_FLOOR + PRESENT_PIXELS_FACTOR * presentPixels)
        return false;

    uint64_t tableOffset = 14 + static_cast<uint64_t>(info.biSize);
    uint64_t tableEnd = std::min<uint64_t>(file.bfOffBits, fileLength);
    uint64_t available = tableEnd > tableOffset ? (tableEnd - tableOffset) / 4 : 0;

    plan->colorTableOffset = static_cast<uint32_t>(std::min<uint64_t>(tableOffset, UINT32_MAX));
    plan->colorEntries =
        static_cast<int>(std::min<uint64_t>(ColorTableEntries(info.biBitCount), available));
    plan->pixelOffset = file.bfOffBits;
    plan->pixelBytesExpected = static_cast<uint32_t>(expected);
    plan->pixelBytesToRead = static_cast<uint32_t>(present);
    return true;
}
