// Feeds mutated bitmap files to every reader the program has, the way they
// meet a history slot: the tray menu's size read, the viewer's load and
// stretched draw onto its page, the clipboard copy and printing's load and
// draw. A crash ends this process; the driver script counts it and keeps the
// file that caused it ("current.bmp").
//   hostile_files seeds DIR           real hard copies by the program's writer
//   hostile_files run DIR COUNT SEED  COUNT mutations of the seeds in DIR
#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"
#include "output/clipboard.h"
#include "settings/settings.h"
#include "viewer/viewer_geometry.h"
#include "../wide_argument.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Hard copies written by the program's own writer from a patterned section.
int WriteSeeds(const std::string& dir) {
    struct Seed { int width, height, bits; };
    const Seed seeds[] = {{1, 1, 24}, {13, 7, 1}, {13, 7, 4}, {31, 9, 8}, {17, 5, 16},
                          {40, 30, 24}, {64, 48, 32}, {200, 3, 32}, {3, 200, 8}};
    int written = 0;
    for (const Seed& seed : seeds) {
        BitmapInfo256 info = {};
        BuildBitmapInfoHeader(seed.width, seed.height, seed.bits, &info.header);
        for (int i = 0; i < 256; ++i)
            info.colors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        ScopedMemoryDC dc(nullptr);
        void* bits = nullptr;
        ScopedGdiObject section(CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                                 DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!section.get() || !bits) continue;
        for (uint32_t i = 0; i < info.header.biSizeImage; ++i)
            static_cast<uint8_t*>(bits)[i] = uint8_t(i * 13 + 5);
        ScopedSelectObject selected(dc.get(), section.get());
        char name[64];
        std::snprintf(name, sizeof name, "\\seed-%dx%d-%d.bmp", seed.width, seed.height, seed.bits);
        RECT rect = {0, 0, seed.width, seed.height};
        if (WriteBitmapFileAtDepth(dc.get(), rect, Wide(dir + name).c_str(), 0, seed.bits))
            ++written;
    }
    std::printf("seeds\t%d\n", written);
    return written > 0 ? 0 : 1;
}

template <typename T> void Put(std::vector<uint8_t>& bytes, size_t at, T value) {
    if (at + sizeof value <= bytes.size()) std::memcpy(&bytes[at], &value, sizeof value);
}

// One mutation of the kinds a damaged or crafted file shows.
void Mutate(std::vector<uint8_t>& bytes, std::mt19937& rng) {
    static const uint32_t BOUNDARIES[] = {0, 1, 2, 3, 4, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000,
                                          0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu,
                                          0xFFFFFFFEu, 54, 40, 1078, 16384};
    static const size_t FIELDS[][2] = {{2, 4}, {10, 4}, {14, 4}, {18, 4}, {22, 4}, {26, 2},
                                        {28, 2}, {30, 4}, {34, 4}, {46, 4}};
    if (bytes.empty()) bytes.push_back(0);
    switch (rng() % 7) {
    case 0: bytes[rng() % bytes.size()] ^= uint8_t(1u << (rng() % 8)); break;
    case 1: bytes[rng() % bytes.size()] = uint8_t(rng()); break;
    case 2: bytes.resize(rng() % (bytes.size() + 1)); break;
    case 3:
    case 4: {
        const size_t* field = FIELDS[rng() % (sizeof FIELDS / sizeof FIELDS[0])];
        uint32_t value = rng() % 3 == 0 ? uint32_t(bytes.size() + rng() % 3 - 1)
                                        : BOUNDARIES[rng() % (sizeof BOUNDARIES / sizeof BOUNDARIES[0])];
        if (field[1] == 2)
            Put<uint16_t>(bytes, field[0], uint16_t(value));
        else
            Put<uint32_t>(bytes, field[0], value);
        break;
    }
    case 5: { // huge or negative sizes
        int32_t value = rng() % 2 ? INT32_MIN + int32_t(rng() % 4) : INT32_MAX - int32_t(rng() % 4);
        Put<int32_t>(bytes, rng() % 2 ? 18 : 22, rng() % 3 ? value : -int32_t(rng() % 5000));
        break;
    }
    default: { // an offset past the end, or extra bytes
        if (rng() % 2)
            Put<uint32_t>(bytes, 10, uint32_t(bytes.size() + rng() % 100000));
        else
            bytes.resize(bytes.size() + rng() % 4096, uint8_t(rng()));
        break;
    }
    }
}

enum class Outcome { Refused, Loaded };

// Every reader, on the file at `path`.
Outcome ReadEveryWay(const wchar_t* path, HDC page) {
    int width = 0, height = 0;
    ReadBitmapFileSize(path, &width, &height);          // the tray menu's label
    SIZE shown = NormalizedImageSize(width, height);     // the viewer's page
    ViewerPageLayout layout = LayoutViewerPage(500, 600, shown.cx, shown.cy);
    HBITMAP viewerBitmap = LoadBitmapFile(path);
    bool loaded = viewerBitmap != nullptr;
    if (viewerBitmap)
        DrawBitmapStretched(page, layout.image, RECT{0, 0, shown.cx, shown.cy}, viewerBitmap);
    CopyBitmapFileToClipboard(path);                     // the clipboard
    RECT printed = {};                                   // printing's load and draw
    FitImageRect(shown.cx, shown.cy, 2479, 3508, &printed);
    if (HBITMAP printBitmap = LoadBitmapFile(path))
        DrawBitmapStretched(page, printed, RECT{0, 0, shown.cx, shown.cy}, printBitmap);
    return loaded ? Outcome::Loaded : Outcome::Refused;
}

std::vector<std::vector<uint8_t>> LoadSeeds(const std::string& dir) {
    std::vector<std::vector<uint8_t>> seeds;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return seeds;
    do {
        std::vector<uint8_t> bytes = ReadAll(dir + "\\" + found.cFileName);
        if (!bytes.empty()) seeds.push_back(std::move(bytes));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return seeds;
}

int Run(const std::string& dir, long count, unsigned seed) {
    std::vector<std::vector<uint8_t>> seeds = LoadSeeds(dir + "\\seeds");
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds in %s\\seeds\n", dir.c_str());
        return 2;
    }
    Settings.IsCursor = 0;
    std::mt19937 rng(seed);
    std::string current = dir + "\\current.bmp";
    ScopedWindowDC screen(nullptr, GetDC(nullptr));
    ScopedMemoryDC page(screen.get());
    ScopedGdiObject pageBitmap(CreateCompatibleBitmap(screen.get(), 500, 600));
    ScopedSelectObject selected(page.get(), pageBitmap.get());
    long refused = 0, loaded = 0;
    double slowest = 0;
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    for (long i = 0; i < count; ++i) {
        std::vector<uint8_t> bytes = seeds[rng() % seeds.size()];
        int mutations = 1 + rng() % 4;
        for (int m = 0; m < mutations; ++m) Mutate(bytes, rng);
        if (!WriteAll(current, bytes)) return 3;
        QueryPerformanceCounter(&start);
        Outcome outcome = ReadEveryWay(Wide(current).c_str(), page.get());
        QueryPerformanceCounter(&stop);
        double ms = 1000.0 * double(stop.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (ms > slowest) {
            slowest = ms;
            CopyFileA(current.c_str(), (dir + "\\slowest.bmp").c_str(), FALSE);
        }
        (outcome == Outcome::Loaded ? loaded : refused)++;
    }
    DeleteFileA(current.c_str());
    std::printf("tried\t%ld\nrefused\t%ld\nloaded\t%ld\nslowest_ms\t%.1f\n", count, refused, loaded,
                slowest);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "seeds") == 0) return WriteSeeds(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "run") == 0)
        return Run(argv[2], std::atol(argv[3]), unsigned(std::strtoul(argv[4], nullptr, 10)));
    std::fprintf(stderr, "hostile_files seeds DIR | run DIR COUNT SEED\n");
    return 2;
}
