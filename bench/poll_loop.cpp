// For comparison with ZORVEX's idle cost: a hidden-window program whose
// message loop polls, sleeping 1 ms whenever its queue is empty.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "PollLoopBench";
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "poll", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                    nullptr);
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            Sleep(1);
            continue;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
