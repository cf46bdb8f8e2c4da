// A small Windows console tool for the end-to-end tests. It runs in the same
// Wine desktop as ZORVEX and reports what a user could see there: windows,
// their texts and places, the clipboard's bitmap, taken hot keys. It can
// also put up a test window with known colours.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

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


// --- controls of another process's dialog ---------------------------------

// Memory in the process that owns a window, for the control messages that
// take a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_)
            address_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    char* at(size_t offset) const { return address_ + offset; }
    bool Write(size_t offset, const void* data, size_t size) {
        return address_ && WriteProcessMemory(process_, address_ + offset, data, size, nullptr);
    }
    bool Read(size_t offset, void* data, size_t size) {
        return address_ && ReadProcessMemory(process_, address_ + offset, data, size, nullptr);
    }

private:
    size_t size_;
    HANDLE process_ = nullptr;
    char* address_ = nullptr;
};

constexpr size_t REMOTE_TEXT_OFFSET = 512;
constexpr size_t REMOTE_TEXT_CAPACITY = 1024;

std::string ControlText(HWND control) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    for (char* c = text; *c; ++c)
        if (*c == '\t' || *c == '\n' || *c == '\r') *c = ' ';
    return text;
}

// One line per child control: id, class, visible, enabled, check state,
// rectangle in the dialog's client area (x, y, width, height), rectangle on
// the screen, style, text.
BOOL CALLBACK PrintControl(HWND control, LPARAM parentValue) {
    HWND parent = reinterpret_cast<HWND>(parentValue);
    if (GetParent(control) != parent) return TRUE;
    char className[64] = {};
    GetClassNameA(control, className, sizeof className);
    RECT screen = {};
    GetWindowRect(control, &screen);
    RECT rect = screen;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    LRESULT check = 0;
    if (lstrcmpiA(className, "Button") == 0) check = SendMessageA(control, BM_GETCHECK, 0, 0);
    std::printf("%d\t%s\t%d\t%d\t%d\t%ld,%ld,%ld,%ld\t%ld,%ld,%ld,%ld\t%lx\t%s\n",
                GetDlgCtrlID(control), className, IsWindowVisible(control) ? 1 : 0,
                IsWindowEnabled(control) ? 1 : 0, static_cast<int>(check), rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top, screen.left, screen.top,
                screen.right, screen.bottom,
                static_cast<unsigned long>(GetWindowLongA(control, GWL_STYLE)),
                ControlText(control).c_str());
    return TRUE;
}

int ListDialogControls(const char* window) {
    HWND dialog = ParseWindow(window);
    EnumChildWindows(dialog, PrintControl, reinterpret_cast<LPARAM>(dialog));
    return 0;
}

// Types text into an edit control the way a paste does (undoable).
int ReplaceSelection(const char* window, const char* id, const char* text) {
    HWND control = GetDlgItem(ParseWindow(window), std::atoi(id));
    if (!control) return 1;
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    return 0;
}

int ClickControl(const char* window, const char* id) {
    HWND control = GetDlgItem(ParseWindow(window), std::atoi(id));
    // Posted, so that a message box the click opens does not hold the probe.
    return control && PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
}

int SetControlText(const char* window, const char* id, const char* text) {
    HWND control = GetDlgItem(ParseWindow(window), std::atoi(id));
    return control && SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? 0 : 1;
}

std::string TreeItemText(HWND tree, RemoteBuffer& remote, HTREEITEM item) {
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = remote.at(REMOTE_TEXT_OFFSET);
    query.cchTextMax = REMOTE_TEXT_CAPACITY;
    remote.Write(0, &query, sizeof query);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at(0)));
    char text[REMOTE_TEXT_CAPACITY] = {};
    remote.Read(REMOTE_TEXT_OFFSET, text, sizeof text - 1);
    return text;
}

RECT TreeItemScreenRect(HWND tree, RemoteBuffer& remote, HTREEITEM item) {
    RECT rect = {};
    std::memcpy(&rect, &item, sizeof item);
    remote.Write(0, &rect, sizeof rect);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.at(0)));
    remote.Read(0, &rect, sizeof rect);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// Every item in tree order, or selects the index-th one when `select` >= 0:
// index, depth, expanded, selected, screen rectangle, text.
int WalkTree(HWND tree, int select) {
    RemoteBuffer remote(tree, REMOTE_TEXT_OFFSET + REMOTE_TEXT_CAPACITY);
    HTREEITEM selected = TreeItem(tree, TVGN_CARET, nullptr);
    HTREEITEM item = TreeItem(tree, TVGN_ROOT, nullptr);
    int index = 0, depth = 0;
    while (item) {
        if (index == select) {
            LPARAM target = reinterpret_cast<LPARAM>(item);
            return SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, target) ? 0 : 1;
        }
        if (select < 0) {
            LRESULT state = SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                         TVIS_EXPANDED);
            RECT rect = TreeItemScreenRect(tree, remote, item);
            std::printf("%d\t%d\t%d\t%d\t%ld,%ld,%ld,%ld\t%s\n", index, depth,
                        (state & TVIS_EXPANDED) ? 1 : 0, item == selected ? 1 : 0, rect.left,
                        rect.top, rect.right, rect.bottom,
                        TreeItemText(tree, remote, item).c_str());
        }
        ++index;
        HTREEITEM next = TreeItem(tree, TVGN_CHILD, item);
        if (next) {
            ++depth;
        } else {
            while (item && !(next = TreeItem(tree, TVGN_NEXT, item))) {
                item = TreeItem(tree, TVGN_PARENT, item);
                --depth;
            }
        }
        item = next;
    }
    return select < 0 ? 0 : 1;
}

int PrintTree(const char* window, const char* id) {
    return WalkTree(GetDlgItem(ParseWindow(window), std::atoi(id)), -1);
}

int SelectTreeItem(const char* window, const char* id, const char* index) {
    return WalkTree(GetDlgItem(ParseWindow(window), std::atoi(id)), std::atoi(index));
}

// The report view's columns ("column", format, width, title), then its rows,
// one cell after the other.
int PrintList(const char* window, const char* id) {
    HWND list = GetDlgItem(ParseWindow(window), std::atoi(id));
    RemoteBuffer remote(list, REMOTE_TEXT_OFFSET + REMOTE_TEXT_CAPACITY);
    char text[REMOTE_TEXT_CAPACITY] = {};
    int columns = 0;
    for (;; ++columns) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = remote.at(REMOTE_TEXT_OFFSET);
        column.cchTextMax = REMOTE_TEXT_CAPACITY;
        remote.Write(0, &column, sizeof column);
        if (!SendMessageA(list, LVM_GETCOLUMNA, columns, reinterpret_cast<LPARAM>(remote.at(0))))
            break;
        remote.Read(0, &column, sizeof column);
        remote.Read(REMOTE_TEXT_OFFSET, text, sizeof text - 1);
        std::printf("column\t%d\t%d\t%s\n", column.fmt & LVCFMT_JUSTIFYMASK, column.cx, text);
    }
    std::printf("style\t%lx\n", static_cast<unsigned long>(
                                    SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::printf("row");
        for (int sub = 0; sub < columns; ++sub) {
            LVITEMA item = {};
            item.iSubItem = sub;
            item.pszText = remote.at(REMOTE_TEXT_OFFSET);
            item.cchTextMax = REMOTE_TEXT_CAPACITY;
            remote.Write(0, &item, sizeof item);
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.at(0)));
            std::memset(text, 0, sizeof text);
            remote.Read(REMOTE_TEXT_OFFSET, text, sizeof text - 1);
            std::printf("\t%s", text);
        }
        std::printf("\n");
    }
    return 0;
}

// Makes an open folder browser select a folder, as a user's clicks would.
int SelectBrowserFolder(const char* window, const char* path) {
    HWND browser = ParseWindow(window);
    RemoteBuffer remote(browser, REMOTE_TEXT_CAPACITY);
    if (!remote.Write(0, path, std::strlen(path) + 1)) return 1;
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote.at(0)));
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "probe windows | children HWND | hotkeys | hold-hotkeys NAME... | clipboard FILE | clear-clipboard |\n"
                 "      testwin X Y W H TITLE [topmost] | activate HWND | maximize HWND |\n"
                 "      foreground | metrics | post HWND MSG WPARAM | tray-delete HWND ID |\n"
                 "      taskbar-created HWND | dialog HWND | click HWND ID |\n"
                 "      settext HWND ID TEXT | replacesel HWND ID TEXT |\n"
                 "      tree HWND ID | tree-select HWND ID INDEX | list HWND ID |\n"
                 "      browse-select HWND PATH\n");
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
    if (command == "foreground") return PrintForeground();
    if (command == "metrics") return PrintScreenMetrics();
    if (command == "tray-delete" && argc == 4) return DeleteTrayIcon(argv[2], argv[3]);
    if (command == "taskbar-created" && argc == 3) return SendTaskbarCreated(argv[2]);
    if (command == "dialog" && argc == 3) return ListDialogControls(argv[2]);
    if (command == "replacesel" && argc == 5) return ReplaceSelection(argv[2], argv[3], argv[4]);
    if (command == "click" && argc == 4) return ClickControl(argv[2], argv[3]);
    if (command == "settext" && argc == 5) return SetControlText(argv[2], argv[3], argv[4]);
    if (command == "tree" && argc == 4) return PrintTree(argv[2], argv[3]);
    if (command == "tree-select" && argc == 5) return SelectTreeItem(argv[2], argv[3], argv[4]);
    if (command == "list" && argc == 4) return PrintList(argv[2], argv[3]);
    if (command == "browse-select" && argc == 4) return SelectBrowserFolder(argv[2], argv[3]);
    if (command == "post" && argc == 5) return PostCommand(argv[2], argv[3], argv[4]);
    return Usage();
}
