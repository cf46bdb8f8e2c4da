// Times the print of one hard copy on the default printer, the way the
// viewer's "印刷" button runs it, from the call to the job handed to the
// spooler (EndDoc returned, the printer context released).
//   print_timer.exe BITMAP ROUNDS
// Prints one line per round: the milliseconds it took.
#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/print.h"
#include "settings/settings.h"
#include "../wide_argument.h"

#include <cstdio>
#include <cstdlib>
#include <string>


int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::wstring pathText = Wide(argv[1]);
    const wchar_t* path = pathText.c_str();
    int rounds = std::atoi(argv[2]);
    appInstance = GetModuleHandleW(nullptr);
    mainWindow = CreateWindowExW(0, L"STATIC", L"ZORVEX", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 appInstance, nullptr);
    Settings.IsPrintEdge = 1;
    Settings.IsPrintSysTime = 1;
    Settings.IsPrintHostName = 1;
    Settings.IsPrintIPAddr = 1;
    int width = 0, height = 0;
    ReadBitmapFileSize(path, &width, &height);
    if (width <= 0 || height <= 0) return 1;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        wchar_t title[PRINT_TITLE_CAPACITY] = {};
        int printed = PrintHardCopy(RECT{0, 0, width, height}, path, title);
        QueryPerformanceCounter(&end);
        if (printed != PRINT_DONE) return 1;
        std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                  static_cast<double>(frequency.QuadPart));
        std::fflush(stdout);
    }
    return 0;
}
