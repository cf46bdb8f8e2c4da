// Times the saves of one hard copy for the user: its PNG encode alone, the
// whole PNG save (encode, flush and rename of the temporary file) and the
// bitmap save (a copy through a temporary file), and prints both files' sizes.
//   png_encode.exe HARDCOPY.bmp ROUNDS
#include "output/png_file.h"
#include "output/save.h"
#include "settings/settings.h"
#include "median_timer.h"
#include "wide_argument.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::wstring hardCopyPath = Wide(argv[1]);
    const wchar_t* hardCopy = hardCopyPath.c_str();
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring png = std::wstring(base) + L"zorvex-png-bench.png";
    std::wstring bmp = std::wstring(base) + L"zorvex-png-bench.bmp";

    double encode = MedianMilliseconds(rounds, [&] { return WritePngFile(hardCopy, png.c_str()); });
    double pngSave = MedianMilliseconds(
        rounds, [&] { return SaveHardCopyAs(hardCopy, png.c_str(), IMAGE_TYPE_PNG); });
    double bmpSave = MedianMilliseconds(
        rounds, [&] { return SaveHardCopyAs(hardCopy, bmp.c_str(), IMAGE_TYPE_BITMAP); });
    std::printf(
        "png_encode_ms_median\t%.1f\npng_save_ms_median\t%.1f\nbitmap_save_ms_median\t%.1f\n"
        "png_bytes\t%lld\nbitmap_bytes\t%lld\n",
        encode, pngSave, bmpSave, FileSize(png), FileSize(bmp));
    DeleteFileW(png.c_str());
    DeleteFileW(bmp.c_str());
    return encode < 0 || pngSave < 0 || bmpSave < 0 ? 1 : 0;
}
