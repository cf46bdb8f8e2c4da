// Times one RotateHistory with SaveNum 300 and all 300 slots holding a
// full-screen hard copy. The slots are made at full length without writing
// their pixels (renames do not read them); the work file is written in full,
// since the rotation copies it.
//   rotate_history.exe WIDTH HEIGHT BITS ROUNDS
#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/history.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void MakeFile(const wchar_t* path, const BitmapFileHeader& file, const BitmapInfoHeader& info,
              bool writePixels) {
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &info, sizeof info, &written, nullptr);
    if (writePixels) {
        std::vector<char> pixels(info.biSizeImage, 0x5A);
        WriteFile(out, pixels.data(), info.biSizeImage, &written, nullptr);
    } else {
        LARGE_INTEGER end;
        end.QuadPart = file.bfSize;
        SetFilePointerEx(out, end, nullptr, FILE_BEGIN);
        SetEndOfFile(out);
    }
    CloseHandle(out);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

} // namespace

int main(int argc, char** argv) {
    int width = argc > 1 ? std::atoi(argv[1]) : 1920;
    int height = argc > 2 ? std::atoi(argv[2]) : 1080;
    int bits = argc > 3 ? std::atoi(argv[3]) : 32;
    int rounds = argc > 4 ? std::atoi(argv[4]) : 5;

    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"zorvex-rotate-bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    BuildWorkingPaths(folder.c_str(), folder.c_str());
    Settings.SaveNum = 300;

    BitmapInfoHeader info;
    BuildBitmapInfoHeader(width, height, bits, &info);
    BitmapFileHeader file;
    BuildBitmapFileHeader(info, &file);
    MakeFile(workBitmapPath, file, info, true);

    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < HISTORY_SLOT_COUNT; ++i)
            if (!IsHistorySlotFilled(i)) MakeFile(historyFilePaths[i], file, info, false);
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        RotateHistory();
        QueryPerformanceCounter(&stop);
        times.push_back(Milliseconds(start, stop));
    }
    std::sort(times.begin(), times.end());
    std::printf("rotate_history_ms_median\t%.2f\nrotate_history_ms_min\t%.2f\nslot_bytes\t%u\n",
                times[times.size() / 2], times.front(), static_cast<unsigned>(file.bfSize));

    for (int i = 0; i < HISTORY_SLOT_COUNT; ++i)
        DeleteFileW(historyFilePaths[i]);
    DeleteFileW(workBitmapPath);
    RemoveDirectoryW(folder.c_str());
    return 0;
}
