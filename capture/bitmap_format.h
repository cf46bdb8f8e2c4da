// The bitmap file format itself: headers, row strides, the colour table and
// what may safely be read from a file of a given length. Nothing here needs
// a window type, so the same code also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t BITMAP_FILE_TYPE = 0x4D42; // "BM"
constexpr uint32_t BITMAP_HEADERS_SIZE = 14 + 40;
constexpr uint32_t BITMAP_COMPRESSION_NONE = 0;

// Largest pixel block a bitmap file can describe: its size fields are 32
// bits wide. Sixteen 8K monitors at 32 bits need half of it.
constexpr uint64_t MAX_BITMAP_IMAGE_BYTES = 0xFFFFFFFFull - BITMAP_HEADERS_SIZE - 256 * 4;
// A file may leave pixels out (a hard copy cut short), but the picture it
// makes the readers allocate, stretch and copy to the screen's depth is
// bounded by what it holds: this many pixels, a full-screen hard copy up to
// 3840 x 2160 whatever its depth, plus four times the pixels present.
constexpr uint64_t MISSING_PIXELS_FLOOR = 8ull * 1024 * 1024;
constexpr uint64_t PRESENT_PIXELS_FACTOR = 4;

// Width x |height|, the pixels a bitmap describes.
uint64_t BitmapPixelCount(int32_t width, int32_t height);

// The two headers as they lie in the file, byte for byte.
#pragma pack(push, 2)
struct BitmapFileHeader {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeader) == 14 && sizeof(BitmapInfoHeader) == 40);

// Bytes per row: rows are padded to a multiple of 4 bytes.
uint32_t BitmapStride(int32_t width, int bitCount);
uint64_t BitmapStride64(int32_t width, int bitCount);
// stride x |height|; 0 for a width that is not positive.
uint64_t BitmapPixelBytes(int32_t width, int32_t height, int bitCount);
int ColorTableEntries(int bitCount);
bool IsSupportedBitCount(int bitCount);
// The depth a file is written at for a device of `deviceBitCount` bits.
int NormalizedBitCount(int deviceBitCount);
void BuildBitmapInfoHeader(int32_t width, int32_t height, int bitCount, BitmapInfoHeader* out);
void BuildBitmapFileHeader(const BitmapInfoHeader& info, BitmapFileHeader* out);

// Both headers from the first bytes of a file; false when it is too short.
bool ParseBitmapHeaders(const uint8_t* bytes, size_t length, BitmapFileHeader* file,
                        BitmapInfoHeader* info);

// What the reader may take from a file whose headers it has read: the
// colour-table entries present, and the pixel bytes it can read without
// passing the end of the file or the section it creates.
struct BitmapReadPlan {
    uint32_t colorTableOffset;
    int colorEntries;
    uint32_t pixelOffset;
    uint32_t pixelBytesExpected; // size of the section's pixel block
    uint32_t pixelBytesToRead;   // what the file actually holds of it
};
bool PlanBitmapRead(const BitmapFileHeader& file, const BitmapInfoHeader& info,
                    uint64_t fileLength, BitmapReadPlan* plan);
