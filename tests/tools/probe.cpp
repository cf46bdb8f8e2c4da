// A small Windows console tool for the end-to-end tests. It runs in the same
// Wine desktop as ZORVEX and reports what a user could see there: windows,
// their texts and places, the clipboard's bitmap, taken hot keys. It can
// also put up a test window with known colours.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void PrintWindowLine(HWND window) {
    char className[256] = {};
    char title[512] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT client = {};
    GetClientRect(window, &client);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::printf("%llu\t%s\t%s\t%ld,%ld,%ld,%ld\t%d\t%ld,%ld\t%lu\t%d\t%s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), className,
                IsWindowVisible(window) ? "visible" : "hidden", rect.left, rect.top, rect.right,
                rect.bottom, GetDlgCtrlID(window), client.right, client.bottom, process,
                IsWindowEnabled(window) ? 1 : 0, title);
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    PrintWindowLine(window);
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
    PrintWindowLine(window);
    return TRUE;
}

HWND ParseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 10)));
}

int ListWindows() {
    EnumWindows(PrintTopLevel, 0);
    return 0;
}

int ListChildren(const char* window) {
    EnumChildWindows(ParseWindow(window), PrintChild, 0);
    return 0;
}

struct HotKeyProbe {
    const char* name;
    UINT modifiers;
    UINT key;
};

const HotKeyProbe HOT_KEYS[] = {
    {"PrintScreen", 0, VK_SNAPSHOT},
    {"Ctrl+PrintScreen", MOD_CONTROL, VK_SNAPSHOT},
    {"Shift+PrintScreen", MOD_SHIFT, VK_SNAPSHOT},
    {"Alt+PrintScreen", MOD_ALT, VK_SNAPSHOT},
    {"Ctrl+Alt+PrintScreen", MOD_CONTROL | MOD_ALT, VK_SNAPSHOT},
    {"Ctrl+Alt+F10", MOD_CONTROL | MOD_ALT, VK_F10},
    {"Ctrl+Alt+F11", MOD_CONTROL | MOD_ALT, VK_F11},
    {"Ctrl+Alt+F12", MOD_CONTROL | MOD_ALT, VK_F12},
    {"Ctrl+F1", MOD_CONTROL, VK_F1},   {"Ctrl+F2", MOD_CONTROL, VK_F2},
    {"Ctrl+F3", MOD_CONTROL, VK_F3},   {"Ctrl+F4", MOD_CONTROL, VK_F4},
    {"Ctrl+F5", MOD_CONTROL, VK_F5},   {"Ctrl+F6", MOD_CONTROL, VK_F6},
    {"Ctrl+F7", MOD_CONTROL, VK_F7},   {"Ctrl+F8", MOD_CONTROL, VK_F8},
    {"Ctrl+F9", MOD_CONTROL, VK_F9},   {"Ctrl+F10", MOD_CONTROL, VK_F10},
    {"Ctrl+F11", MOD_CONTROL, VK_F11}, {"Ctrl+F12", MOD_CONTROL, VK_F12},
};

int CheckHotKeys() {
    int id = 1;
    for (const HotKeyProbe& key : HOT_KEYS) {
        bool free = RegisterHotKey(nullptr, id, key.modifiers, key.key) != 0;
        if (free) UnregisterHotKey(nullptr, id);
        std::printf("%s\t%s\n", key.name, free ? "free" : "taken");
        ++id;
    }
    return 0;
}

// Holds the named hot keys, as another program might, until it is ended.
int HoldHotKeys(int count, char** names) {
    int id = 100;
    for (int i = 0; i < count; ++i) {
        for (const HotKeyProbe& key : HOT_KEYS) {
            if (std::strcmp(key.name, names[i]) == 0 &&
                !RegisterHotKey(nullptr, id++, key.modifiers, key.key)) {
                std::printf("failed %s\n", key.name);
                return 1;
            }
        }
    }
    std::printf("holding\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

// Writes the clipboard's bitmap as a bitmap file, or says "none".
int DumpClipboard(const char* path) {
    if (!OpenClipboard(nullptr)) {
        std::printf("unavailable\n");
        return 1;
    }
    HANDLE data = GetClipboardData(CF_DIB);
    if (!data) {
        CloseClipboard();
        std::printf("none\n");
        return 0;
    }
    SIZE_T size = GlobalSize(data);
    const BITMAPINFOHEADER* info = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
    if (!info) {
        CloseClipboard();
        std::printf("none\n");
        return 0;
    }
    DWORD colors = info->biClrUsed;
    if (colors == 0 && info->biBitCount <= 8) colors = 1u << info->biBitCount;
    DWORD masks = info->biCompression == BI_BITFIELDS ? 12 : 0;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + info->biSize + masks + colors * 4;
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    std::printf("%ld\t%ld\t%u\n", info->biWidth, info->biHeight, info->biBitCount);
    FILE* out = std::fopen(path, "wb");
    if (out) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(info, 1, size, out);
        std::fclose(out);
    }
    GlobalUnlock(data);
    CloseClipboard();
    return 0;
}

int ClearClipboard() {
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    CloseClipboard();
    return 0;
}

// The test window: four quadrants of pure colours, so a hard copy can be
// checked pixel by pixel.
const COLORREF QUADRANT_COLORS[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                     RGB(255, 255, 255)};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        int halfX = client.right / 2, halfY = client.bottom / 2;
        RECT parts[4] = {{0, 0, halfX, halfY},
                         {halfX, 0, client.right, halfY},
                         {0, halfY, halfX, client.bottom},
                         {halfX, halfY, client.right, client.bottom}};
        for (int i = 0; i < 4; ++i) {
            HBRUSH brush = CreateSolidBrush(QUADRANT_COLORS[i]);
            FillRect(dc, &parts[i], brush);
            DeleteObject(brush);
        }
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunTestWindow(int x, int y, int width, int height, const char* title, bool topmost) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "ZorvexTestPattern";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(topmost ? WS_EX_TOPMOST : 0, wc.lpszClassName, title,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (!window) return 1;
    SetForegroundWindow(window);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

int Activate(const char* window) {
    HWND target = ParseWindow(window);
    ShowWindow(target, SW_RESTORE);
    return SetForegroundWindow(target) ? 0 : 1;
}

int Maximize(const char* window) {
    ShowWindow(ParseWindow(window), SW_MAXIMIZE);
    return 0;
}

int Restore(const char* window) {
    ShowWindow(ParseWindow(window), SW_RESTORE);
    return 0;
}

BOOL CALLBACK AppendChildText(HWND child, LPARAM lParam) {
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    std::string* texts = reinterpret_cast<std::string*>(lParam);
    if (text[0] != '\0') texts->append("\t").append(text);
    return TRUE;
}

// Watches for a top-level window of the class and title, however briefly it
// shows, until the stop file exists; prints "ready" once watching, then
// "seen" with the child texts of the first one found, or "none".
int Watch(const char* className, const char* title, const char* stopFile) {
    std::printf("ready\n");
    std::fflush(stdout);
    std::string texts;
    bool seen = false;
    while (GetFileAttributesA(stopFile) == INVALID_FILE_ATTRIBUTES) {
        HWND window = FindWindowA(className, title);
        if (window && !seen && IsWindowVisible(window)) {
            seen = true;
            EnumChildWindows(window, AppendChildText, reinterpret_cast<LPARAM>(&texts));
        }
        Sleep(5);
    }
    std::printf("%s%s\n", seen ? "seen" : "none", texts.c_str());
    return 0;
}

// The text of another program's control as the control itself reports it
// (an edit field keeps its text to itself).
int PrintControlText(const char* window) {
    char text[1024] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(ParseWindow(window), WM_GETTEXT, sizeof text,
                             reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result))
        return 1;
    std::printf("%s\n", text);
    return 0;
}

int PrintForeground() {
    HWND window = GetForegroundWindow();
    if (window) PrintWindowLine(window);
    return 0;
}

int PrintScreenMetrics() {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    POINT cursor = {};
    GetCursorPos(&cursor);
    std::printf("screen\t%d\t%d\nwork\t%ld\t%ld\t%ld\t%ld\ncursor\t%ld\t%ld\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), work.left, work.top,
                work.right, work.bottom, cursor.x, cursor.y);
    return 0;
}

int PostCommand(const char* window, const char* message, const char* wParam) {
    return PostMessageA(ParseWindow(window), std::strtoul(message, nullptr, 10),
                        std::strtoull(wParam, nullptr, 10), 0)
               ? 0
               : 1;
}

// Removes another program's tray icon, as a restarted shell would have lost it.
int DeleteTrayIcon(const char* window, const char* id) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = ParseWindow(window);
    data.uID = static_cast<UINT>(std::strtoul(id, nullptr, 10));
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

// Sends the shell's "TaskbarCreated" broadcast to one window.
int SendTaskbarCreated(const char* window) {
    UINT message = RegisterWindowMessageA("TaskbarCreated");
    return PostMessageA(ParseWindow(window), message, 0, 0) ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "probe windows | children HWND | hotkeys | hold-hotkeys NAME... | clipboard FILE | clear-clipboard |\n"
                 "      testwin X Y W H TITLE [topmost] | activate HWND | maximize HWND | restore HWND |\n"
                 "      watch CLASS TITLE STOPFILE | text HWND |\n"
                 "      foreground | metrics | post HWND MSG WPARAM | tray-delete HWND ID |\n"
                 "      taskbar-created HWND\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "windows") return ListWindows();
    if (command == "children" && argc == 3) return ListChildren(argv[2]);
    if (command == "hotkeys") return CheckHotKeys();
    if (command == "hold-hotkeys") return HoldHotKeys(argc - 2, argv + 2);
    if (command == "clipboard" && argc == 3) return DumpClipboard(argv[2]);
    if (command == "clear-clipboard") return ClearClipboard();
    if (command == "testwin" && argc >= 7)
        return RunTestWindow(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                             std::atoi(argv[5]), argv[6], argc > 7);
    if (command == "activate" && argc == 3) return Activate(argv[2]);
    if (command == "maximize" && argc == 3) return Maximize(argv[2]);
    if (command == "text" && argc == 3) return PrintControlText(argv[2]);
    if (command == "restore" && argc == 3) return Restore(argv[2]);
    if (command == "watch" && argc == 5) return Watch(argv[2], argv[3], argv[4]);
    if (command == "foreground") return PrintForeground();
    if (command == "metrics") return PrintScreenMetrics();
    if (command == "tray-delete" && argc == 4) return DeleteTrayIcon(argv[2], argv[3]);
    if (command == "taskbar-created" && argc == 3) return SendTaskbarCreated(argv[2]);
    if (command == "post" && argc == 5) return PostCommand(argv[2], argv[3], argv[4]);
    return Usage();
}
