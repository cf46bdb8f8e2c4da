// Treats arbitrary bytes as a history slot file: the reader's plan for them
// must stay inside the file and inside the section it would make, and the
// reads it allows are carried out on the bytes themselves, so that the
// sanitizers see any step past either end. The first bytes also pick a
// picture the writer's headers describe, which must plan back exactly.
#include "capture/bitmap_format.h"

#include <cstdlib>
#include <cstring>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void ReadAsTheLoaderDoes(const uint8_t* data, size_t size) {
    BitmapFileHeader file;
    BitmapInfoHeader info;
    if (!ParseBitmapHeaders(data, size, &file, &info)) return;
    BitmapReadPlan plan;
    if (!PlanBitmapRead(file, info, size, &plan)) return;

    Require(plan.pixelBytesToRead <= plan.pixelBytesExpected);
    Require(uint64_t{plan.pixelOffset} + plan.pixelBytesToRead <= size);
    Require(plan.colorEntries >= 0 && plan.colorEntries <= ColorTableEntries(info.biBitCount));

    uint8_t colors[256 * 4];
    if (plan.colorEntries > 0)
        std::memcpy(colors, data + plan.colorTableOffset, size_t(plan.colorEntries) * 4);
    void* section = std::calloc(plan.pixelBytesExpected, 1);
    Require(section != nullptr);
    std::memcpy(section, data + plan.pixelOffset, plan.pixelBytesToRead);
    std::free(section);
}

void WrittenHeadersPlanBackExactly(const uint8_t* data, size_t size) {
    if (size < 5) return;
    static const int DEPTHS[] = {1, 4, 8, 16, 24, 32};
    int32_t width = 1 + (data[0] | data[1] << 8) % 8192;
    int32_t height = 1 + (data[2] | data[3] << 8) % 8192;
    int bits = DEPTHS[data[4] % 6];
    BitmapInfoHeader info;
    BitmapFileHeader file;
    BuildBitmapInfoHeader(width, height, bits, &info);
    BuildBitmapFileHeader(info, &file);
    BitmapReadPlan plan;
    Require(PlanBitmapRead(file, info, file.bfSize, &plan));
    Require(plan.pixelOffset == file.bfOffBits);
    Require(plan.pixelBytesToRead == plan.pixelBytesExpected);
    Require(plan.colorEntries == ColorTableEntries(bits));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadAsTheLoaderDoes(data, size);
    WrittenHeadersPlanBackExactly(data, size);
    return 0;
}
