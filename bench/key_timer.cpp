// Times the program from inside the desktop, as a program there sees it.
//   key_timer <slot 1 file> [limit ms]
// sends PrintScreen, then listens to the clipboard and watches the first
// history slot and the work file beside it, and prints the milliseconds
// until each holds the new hard copy: clipboard, slot 1, work file.
//   key_timer range [limit ms]
// shows a white window with the pointer over it, asks the program to draw
// the pointer into its copies, sends Shift+PrintScreen and prints the
// milliseconds until the screen shows the pointer drawn on white: the range
// overlay's frozen screen, the only picture that holds it; then closes it.
//   key_timer png
// opens the clipboard and prints the milliseconds GetClipboardData takes for
// the format "PNG", and the bytes it gave.
//   key_timer place <bytes>
// places a bitmap of that many bytes on the clipboard as the program does
// and prints the milliseconds of each step: the copy into global memory,
// EmptyClipboard, SetClipboardData and CloseClipboard.
// "-1" stands for what did not happen within the limit.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT INCLUDE_CURSOR_COMMAND = 1066;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Elapsed() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return Milliseconds(start_, now, frequency_);
    }

  private:
    LARGE_INTEGER frequency_, start_;
};

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

void SendKey(WORD key, bool shift = false) {
    INPUT keys[4] = {};
    UINT count = 0;
    auto add = [&](WORD vk, DWORD flags) {
        keys[count].type = INPUT_KEYBOARD;
        keys[count].ki.wVk = vk;
        keys[count++].ki.dwFlags = flags;
    };
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(count, keys, sizeof(INPUT));
}

// True once the clipboard has told the window of a change.
bool ClipboardUpdated(HWND listener) {
    MSG msg;
    bool updated = false;
    while (PeekMessageW(&msg, listener, 0, 0, PM_REMOVE))
        updated = updated || msg.message == WM_CLIPBOARDUPDATE;
    return updated;
}

int TimePrintScreen(const char* slot, double limit) {
    // The work file is the slot's name without the slot number.
    std::string work = slot;
    size_t number = work.rfind("1.bmp");
    if (number == std::string::npos) return 2;
    work.replace(number, 5, ".bmp");
    FILETIME before = LastWrite(slot), workBefore = LastWrite(work.c_str());
    // Told when whoever filled the clipboard closes it. Polling the formats
    // instead would wait for the owner under Wine, which asks the owner's
    // window for news of the X selection first.
    HWND listener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    if (!listener || !AddClipboardFormatListener(listener)) return 2;
    ClipboardUpdated(listener);
    double clipboard = -1, filed = -1, captured = -1;
    Stopwatch watch;
    SendKey(VK_SNAPSHOT);
    for (;;) {
        double elapsed = watch.Elapsed();
        if (clipboard < 0 && ClipboardUpdated(listener)) clipboard = elapsed;
        if (filed < 0 && IsNewCompleteBitmap(slot, before)) filed = elapsed;
        if (captured < 0 && IsNewCompleteBitmap(work.c_str(), workBefore)) captured = elapsed;
        if ((clipboard >= 0 && filed >= 0 && captured >= 0) || elapsed > limit) break;
        Sleep(0);
    }
    // The change was the new bitmap, in either form a program pastes.
    if (!IsClipboardFormatAvailable(CF_DIB) && !IsClipboardFormatAvailable(CF_BITMAP))
        clipboard = -1;
    std::printf("%.1f\t%.1f\t%.1f\n", clipboard, filed, captured);
    return 0;
}

// The screen's pixels around the pointer that are not white.
int MarkedPixelsAt(POINT at) {
    constexpr int WIDTH = 12, HEIGHT = 20;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, WIDTH, -HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, WIDTH, HEIGHT, screen, at.x, at.y, SRCCOPY);
    GdiFlush();
    int marked = 0;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        if ((static_cast<const DWORD*>(bits)[i] & 0xFFFFFF) != 0xFFFFFF) ++marked;
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return marked;
}

LRESULT CALLBACK WhiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT all;
        GetClientRect(window, &all);
        FillRect(reinterpret_cast<HDC>(wParam), &all,
                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The tray menu's "include the pointer", answered before this returns.
void ToggleIncludeCursor(HWND program) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(program, WM_COMMAND, INCLUDE_CURSOR_COMMAND, 0, SMTO_NORMAL, 5000, &result);
}

// Waits, handling this thread's messages meanwhile (the pointer's shape
// over the white window among them).
template <class Condition> bool WaitFor(Condition condition, double limit) {
    Stopwatch watch;
    while (!condition()) {
        if (watch.Elapsed() > limit) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(1);
    }
    return true;
}

int TimeRangeOverlay(double limit) {
    HWND program = FindWindowW(L"CMainWinClass", nullptr);
    if (!program) return 2;
    WNDCLASSW white = {};
    white.lpfnWndProc = WhiteProc;
    white.hInstance = GetModuleHandleW(nullptr);
    white.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    white.lpszClassName = L"KeyTimerWhite";
    RegisterClassW(&white);
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                                  white.lpszClassName, L"", WS_POPUP, 200, 200, 200, 200, nullptr,
                                  nullptr, white.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    // The pointer may rest there already, so the window gives it its arrow.
    POINT pointer = {300, 300};
    SetCursorPos(pointer.x, pointer.y);
    SetCursor(white.hCursor);
    auto painted = [&] { return MarkedPixelsAt(pointer) == 0; };
    auto frozen = [&] { return MarkedPixelsAt(pointer) > 20; };
    auto overlayGone = [] { return FindWindowW(L"CRangeWinClass", nullptr) == nullptr; };
    double shown = -1;
    if (WaitFor(painted, limit)) {
        ToggleIncludeCursor(program);
        Stopwatch watch;
        SendKey(VK_SNAPSHOT, true);
        if (WaitFor(frozen, limit)) shown = watch.Elapsed();
        // Closed as Esc would, but without waiting for it to take the keyboard.
        PostMessageW(FindWindowW(L"CRangeWinClass", nullptr), WM_CLOSE, 0, 0);
        if (!WaitFor(overlayGone, limit)) shown = -1;
        ToggleIncludeCursor(program);
    }
    DestroyWindow(window);
    std::printf("%.1f\n", shown);
    return 0;
}

int TimePngRender() {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    UINT png = RegisterClipboardFormatW(L"PNG");
    double rendered = -1;
    SIZE_T bytes = 0;
    if (OpenClipboard(window)) {
        Stopwatch watch;
        HANDLE data = GetClipboardData(png);
        double elapsed = watch.Elapsed();
        if (data) {
            rendered = elapsed;
            bytes = GlobalSize(data);
        }
        CloseClipboard();
    }
    DestroyWindow(window);
    std::printf("%.1f\t%zu\n", rendered, static_cast<size_t>(bytes));
    return 0;
}

int TimeClipboardPlacing(size_t bytes) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    std::string picture(bytes, '\x5a');
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(picture.data());
    *header = BITMAPINFOHEADER{sizeof *header, 1, static_cast<LONG>((bytes - sizeof *header) / 4),
                               1, 32, BI_RGB};
    Stopwatch watch;
    HGLOBAL packed = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* to = packed ? GlobalLock(packed) : nullptr;
    if (!to || !OpenClipboard(window)) return 2;
    std::memcpy(to, picture.data(), bytes);
    GlobalUnlock(packed);
    double copied = watch.Elapsed();
    EmptyClipboard();
    double emptied = watch.Elapsed();
    bool placed = SetClipboardData(CF_DIB, packed) != nullptr;
    double set = watch.Elapsed();
    CloseClipboard();
    double closed = watch.Elapsed();
    std::printf("%.1f\t%.1f\t%.1f\t%.1f\n", copied, emptied - copied, placed ? set - emptied : -1,
                closed - set);
    DestroyWindow(window);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    double limit = argc > 2 ? std::atof(argv[2]) : 5000.0;
    if (std::strcmp(argv[1], "range") == 0) return TimeRangeOverlay(limit);
    if (std::strcmp(argv[1], "png") == 0) return TimePngRender();
    if (std::strcmp(argv[1], "place") == 0) return TimeClipboardPlacing(std::strtoull(argv[2], nullptr, 10));
    return TimePrintScreen(argv[1], limit);
}
