// Times single steps of the history viewer: presses an arrow key with
// SendInput and waits until the caption has changed and the page pixel at
// (x, y) on the screen shows a new colour. Prints one line of milliseconds
// per step.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void PressKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[0].ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return color;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "step_timer HWND COUNT right|left X Y\n");
        return 2;
    }
    HWND viewer = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 10)));
    int count = std::atoi(argv[2]);
    WORD key = std::strcmp(argv[3], "left") == 0 ? VK_LEFT : VK_RIGHT;
    int x = std::atoi(argv[4]), y = std::atoi(argv[5]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < count; ++i) {
        char before[256] = {}, now[256] = {};
        GetWindowTextA(viewer, before, sizeof before);
        COLORREF pixel = ScreenPixel(x, y);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        PressKey(key);
        bool done = false;
        for (;;) {
            QueryPerformanceCounter(&end);
            double ms = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
            if (ms > 10000) break;
            GetWindowTextA(viewer, now, sizeof now);
            if (std::strcmp(now, before) != 0 && ScreenPixel(x, y) != pixel) {
                done = true;
                break;
            }
        }
        double ms = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
        std::printf("%s\t%.2f\t%06lx\n", done ? "step" : "timeout", ms,
                    static_cast<unsigned long>(ScreenPixel(x, y)));
        std::fflush(stdout);
        Sleep(50);
    }
    return 0;
}
