// Times one PrintScreen from inside the desktop: sends the key, then watches
// the clipboard's sequence number, the first history slot and the work file
// beside it, and prints the milliseconds until each holds the new hard copy
// ("-1" when it did not within the limit): clipboard, slot 1, work file.
//   key_timer <slot 1 file> [limit ms]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

FILETIME LastWrite(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path, GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// A new slot file, whole: written after `before` and as long as its header says.
bool IsNewCompleteBitmap(const char* path, FILETIME before) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    if (CompareFileTime(&data.ftLastWriteTime, &before) <= 0) return false;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    unsigned char head[6] = {};
    DWORD read = 0;
    bool ok = ReadFile(file, head, sizeof head, &read, nullptr) && read == sizeof head;
    CloseHandle(file);
    DWORD declared = head[2] | head[3] << 8 | head[4] << 16 | static_cast<DWORD>(head[5]) << 24;
    return ok && head[0] == 'B' && head[1] == 'M' && declared == data.nFileSizeLow;
}

void SendPrintScreen() {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_SNAPSHOT;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* slot = argv[1];
    double limit = argc > 2 ? std::atof(argv[2]) : 5000.0;
    // The work file is the slot's name without the slot number.
    std::string work = slot;
    size_t number = work.rfind("1.bmp");
    if (number == std::string::npos) return 2;
    work.replace(number, 5, ".bmp");
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    FILETIME before = LastWrite(slot), workBefore = LastWrite(work.c_str());
    DWORD sequence = GetClipboardSequenceNumber();
    double clipboard = -1, filed = -1, captured = -1;
    QueryPerformanceCounter(&start);
    SendPrintScreen();
    for (;;) {
        QueryPerformanceCounter(&now);
        double elapsed = Milliseconds(start, now, frequency);
        // The clipboard is emptied just before the bitmap goes in: a change
        // with a bitmap there, in either form a program pastes, is the new one.
        if (clipboard < 0 && GetClipboardSequenceNumber() != sequence &&
            (IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP)))
            clipboard = elapsed;
        if (filed < 0 && IsNewCompleteBitmap(slot, before)) filed = elapsed;
        if (captured < 0 && IsNewCompleteBitmap(work.c_str(), workBefore)) captured = elapsed;
        if ((clipboard >= 0 && filed >= 0 && captured >= 0) || elapsed > limit) break;
        Sleep(0);
    }
    std::printf("%.1f\t%.1f\t%.1f\n", clipboard, filed, captured);
    return 0;
}
