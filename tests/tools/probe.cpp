// A small Windows console tool for the end-to-end tests. It runs in the same
// Wine desktop as ZORVEX and reports what a user could see there: windows,
// their texts and places, the clipboard's bitmap, taken hot keys, the tray's
// balloons. It can also put up a test window with known colours.
//
// It speaks to Windows through the "W" functions only: its command line is
// read as UTF-16, its arguments and its output are UTF-8, so that any text or
// path reads and is typed exactly, whatever the system's code page.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <commdlg.h>
#include <shlobj.h>
#include <objidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

// --- texts ------------------------------------------------------------------

std::wstring Wide(const char* utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
    wide.resize(length - 1);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                            size, nullptr, nullptr);
    return text;
}

// A text as one field of a tab-separated line: control characters (tabs,
// line ends) become blanks.
std::string Field(std::wstring text) {
    for (wchar_t& c : text)
        if (c < L' ') c = L' ';
    return Utf8(text);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return title;
}

// A window's text as its own procedure reports it: a control of another
// process keeps its text to itself. Empty when it does not answer.
std::wstring TextOf(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return std::wstring();
    return text;
}

bool FileExists(const char* path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

FILE* OpenFile(const char* path, const wchar_t* mode) { return _wfopen(Wide(path).c_str(), mode); }

HWND ParseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 10)));
}

void Say(const char* word) {
    std::printf("%s\n", word);
    std::fflush(stdout);
}

// Installs a hook procedure of the tests' hook library (probe_hooks.dll,
// beside the probe) for one thread, or for every thread when it is 0.
HHOOK InstallHook(int type, const char* procedure, DWORD thread = 0) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* slash = std::wcsrchr(path, L'\\');
    std::wstring library = std::wstring(path, slash ? slash + 1 : path) + L"probe_hooks.dll";
    HMODULE module = LoadLibraryW(library.c_str());
    auto hook = module ? reinterpret_cast<HOOKPROC>(
                             reinterpret_cast<void*>(GetProcAddress(module, procedure)))
                       : nullptr;
    return hook ? SetWindowsHookExW(type, hook, module, thread) : nullptr;
}

// --- windows ------------------------------------------------------------------

void PrintWindowLine(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT client = {};
    GetClientRect(window, &client);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::printf("%llu\t%s\t%s\t%ld,%ld,%ld,%ld\t%d\t%ld,%ld\t%lu\t%d\t%s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                Field(ClassOf(window)).c_str(), IsWindowVisible(window) ? "visible" : "hidden",
                rect.left, rect.top, rect.right, rect.bottom, GetDlgCtrlID(window), client.right,
                client.bottom, process, IsWindowEnabled(window) ? 1 : 0,
                Field(TitleOf(window)).c_str());
}

BOOL CALLBACK PrintWindowOf(HWND window, LPARAM) {
    PrintWindowLine(window);
    return TRUE;
}

int ListWindows() {
    EnumWindows(PrintWindowOf, 0);
    return 0;
}

int ListChildren(const char* window) {
    EnumChildWindows(ParseWindow(window), PrintWindowOf, 0);
    return 0;
}

int Activate(const char* window) {
    HWND target = ParseWindow(window);
    ShowWindow(target, SW_RESTORE);
    return SetForegroundWindow(target) ? 0 : 1;
}

int Show(const char* window, int command) {
    ShowWindow(ParseWindow(window), command);
    return 0;
}

int PrintForeground() {
    HWND window = GetForegroundWindow();
    if (window) PrintWindowLine(window);
    return 0;
}

// Puts the desktop in front when no window is: under Wine, keys (hot keys
// too) then reach no program, as they do on a desktop that has just started.
// Says the X window that Wine shows the window in front in, or 0 when it
// has no visible one of its own (the tray menu's hidden owner).
int EnsureForeground() {
    HWND front = GetForegroundWindow();
    if (!front && SetForegroundWindow(GetDesktopWindow())) front = GetForegroundWindow();
    if (!front) return 1;
    RECT rect = {};
    GetWindowRect(front, &rect);
    UINT_PTR x_window = IsWindowVisible(front) && !IsRectEmpty(&rect)
                            ? reinterpret_cast<UINT_PTR>(GetPropW(front, L"__wine_x11_whole_window"))
                            : 0;
    std::printf("%llu\n", static_cast<unsigned long long>(x_window));
    return 0;
}

// The active window and the keyboard focus of a window's thread.
int PrintFocus(const char* window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(ParseWindow(window), nullptr);
    if (!thread || !GetGUIThreadInfo(thread, &info)) return 1;
    std::printf("active\t%llu\nfocus\t%llu\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(info.hwndActive)),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(info.hwndFocus)));
    return 0;
}

// Whether the thread of a window is still in a menu loop or holds the mouse
// capture: a menu's window can be gone a moment before its loop has ended,
// and a click in that moment still goes to the loop.
int PrintMenuMode(const char* window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(ParseWindow(window), nullptr);
    if (!thread || !GetGUIThreadInfo(thread, &info)) return 1;
    std::printf("menu\t%d\ncapture\t%d\n", (info.flags & GUI_INMENUMODE) ? 1 : 0,
                info.hwndCapture ? 1 : 0);
    return 0;
}

// --- hot keys and input ---------------------------------------------------------

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
    Say("holding");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

// Which modifiers Wine holds down, as the hot keys see them.
int PrintHeldModifiers() {
    const struct {
        int key;
        const char* name;
    } modifiers[] = {{VK_SHIFT, "shift"}, {VK_CONTROL, "ctrl"}, {VK_MENU, "alt"}, {VK_LWIN, "win"}};
    for (const auto& modifier : modifiers)
        std::printf("%s\t%s\n", modifier.name,
                    (GetAsyncKeyState(modifier.key) & 0x8000) ? "down" : "up");
    return 0;
}

// Types a text into the window that has the keyboard, character by
// character as a keyboard of its language would (VK_PACKET), so that texts
// no key of the X keyboard gives (ë, 𠮷) arrive exactly.
int TypeText(const char* text) {
    std::wstring wide = Wide(text);
    std::vector<INPUT> inputs;
    for (wchar_t unit : wide) {
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    }
    UINT sent = inputs.empty() ? 0
                               : SendInput(static_cast<UINT>(inputs.size()), inputs.data(),
                                           sizeof(INPUT));
    return sent == inputs.size() ? 0 : 1;
}

// --- messages -------------------------------------------------------------------

int PostCommand(const char* window, const char* message, const char* wParam) {
    return PostMessageW(ParseWindow(window), std::strtoul(message, nullptr, 10),
                        std::strtoull(wParam, nullptr, 10), 0)
               ? 0
               : 1;
}

// Posts several messages at once, each as HWND MSG WPARAM LPARAM, so that
// they wait in the queues together.
int PostSequence(int count, char** fields) {
    if (count <= 0 || count % 4 != 0) return 2;
    for (int i = 0; i < count; i += 4) {
        if (!PostMessageW(ParseWindow(fields[i]), std::strtoul(fields[i + 1], nullptr, 10),
                          std::strtoull(fields[i + 2], nullptr, 10),
                          static_cast<LPARAM>(std::strtoll(fields[i + 3], nullptr, 10))))
            return 1;
    }
    return 0;
}

// Sends a message whose parameters are plain numbers and prints the result.
int SendNumbers(const char* window, const char* message, const char* wParam, const char* lParam) {
    LRESULT result =
        SendMessageW(ParseWindow(window), std::strtoul(message, nullptr, 10),
                     std::strtoull(wParam, nullptr, 10), std::strtoll(lParam, nullptr, 10));
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
}

int GetText(const char* window) {
    HWND target = ParseWindow(window);
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(target, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return 1;
    std::printf("%s\n", Utf8(text).c_str());
    return 0;
}

int SetText(HWND window, const char* text) {
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str())) ? 0
                                                                                              : 1;
}

// Removes another program's tray icon, as a restarted shell would have lost it.
int DeleteTrayIcon(const char* window, const char* id) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = ParseWindow(window);
    data.uID = static_cast<UINT>(std::strtoul(id, nullptr, 10));
    return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
}

// Sends the shell's "TaskbarCreated" broadcast to one window.
int SendTaskbarCreated(const char* window) {
    UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return PostMessageW(ParseWindow(window), message, 0, 0) ? 0 : 1;
}

// --- processes --------------------------------------------------------------------

std::vector<PROCESSENTRY32W> Processes() {
    std::vector<PROCESSENTRY32W> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        all.push_back(entry);
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    return all;
}

// Every process of the desktop: id, parent id, executable name.
int ListProcesses() {
    for (const PROCESSENTRY32W& process : Processes())
        std::printf("%lu\t%lu\t%s\n", process.th32ProcessID, process.th32ParentProcessID,
                    Field(process.szExeFile).c_str());
    return 0;
}

// Ends a process (never this one) and waits for it; false if it lives on.
bool EndProcess(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (id == GetCurrentProcessId() || !process) return true;  // or gone already
    bool ended = TerminateProcess(process, 1) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

int EndProcesses(int count, char** ids) {
    bool ended = true;
    for (int i = 0; i < count; ++i) ended = EndProcess(std::strtoul(ids[i], nullptr, 10)) && ended;
    return ended ? 0 : 1;
}

// Ends every process of the desktop except the given ones, Wine's own
// services and this probe with its launcher, then empties the clipboard and
// puts the desktop in front if nothing is: the desktop as a test finds it. Prints the processes
// left, as "processes" does.
int ClearClipboard();

int Reset(int count, char** keep) {
    const std::wstring services = L"|services.exe|winedevice.exe|plugplay.exe|svchost.exe|"
                                  L"rpcss.exe|conhost.exe|";
    std::vector<PROCESSENTRY32W> all = Processes();
    std::vector<DWORD> kept = {GetCurrentProcessId()};
    for (int i = 0; i < count; ++i) kept.push_back(std::strtoul(keep[i], nullptr, 10));
    for (const PROCESSENTRY32W& process : all)
        if (process.th32ProcessID == GetCurrentProcessId())
            kept.push_back(process.th32ParentProcessID);
    for (const PROCESSENTRY32W& process : all) {
        std::wstring name = L"|" + std::wstring(process.szExeFile) + L"|";
        CharLowerW(name.data());
        if (services.find(name) == std::wstring::npos &&
            std::find(kept.begin(), kept.end(), process.th32ProcessID) == kept.end())
            EndProcess(process.th32ProcessID);
    }
    // only now: an ended process may have written to it until its end
    ClearClipboard();
    EnsureForeground();
    return ListProcesses();
}

int RunFields(std::vector<std::string> fields);

// Keeps the desktop open between the tests' programs (Wine closes a desktop
// that no program uses) and hooks the taskbar so that its balloons' titles
// and the tray icons added and deleted can be read; runs the window watches
// (watch-begin) on threads of its own. Says "ready" and its process id, then
// serves the commands it reads from its input, one a line with
// tab-separated arguments, each answered by the command's output and a line
// of "\x1e" and its exit code: far quicker than a probe started for each.
int Keep() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    HHOOK hook = taskbar ? InstallHook(WH_CALLWNDPROC, "WatchTaskbar",
                                       GetWindowThreadProcessId(taskbar, nullptr))
                         : nullptr;
    std::printf("%s\t%lu\n", hook || !taskbar ? "ready" : "no hook", GetCurrentProcessId());
    std::fflush(stdout);
    static char line[1 << 16];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        std::vector<std::string> fields = {"probe"};
        for (const char* field = line;; ++field) {
            const char* end = std::strchr(field, '\t');
            fields.emplace_back(field, end ? end - field : std::strlen(field));
            if (!(field = end)) break;
        }
        int code = RunFields(fields);
        std::printf("\x1e%d\n", code);
        std::fflush(stdout);
    }
    return 0;
}

// What a process holds: its memory and its GDI and USER objects as the
// system reports them, and its windows counted one by one.
BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

struct ProcessWindows {
    DWORD process;
    int count;
};

BOOL CALLBACK CountProcessWindow(HWND window, LPARAM data) {
    auto* windows = reinterpret_cast<ProcessWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == windows->process) {
        ++windows->count;
        EnumChildWindows(window, CountWindow, reinterpret_cast<LPARAM>(&windows->count));
    }
    return TRUE;
}

// Wine reports no GDI object count (GetGuiResources gives 0), but it keeps
// each process's GDI handles in a table laid out as Windows does, found
// through the process environment block: the used entries are counted.
constexpr size_t PEB_GDI_TABLE_OFFSET = sizeof(void*) == 8 ? 0xF8 : 0x94;
constexpr size_t GDI_TABLE_ENTRIES = 0x10000;
struct GdiTableEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};

long CountGdiObjects(HANDLE process) {
    using QueryProcess = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        PVOID reserved1;
        PVOID pebBaseAddress;
        PVOID reserved2[2];
        ULONG_PTR uniqueProcessId;
        PVOID reserved3;
    } basic = {};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0) return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.pebBaseAddress) + PEB_GDI_TABLE_OFFSET,
                           &table, sizeof table, &read) || !table)
        return -1;
    std::string entries(GDI_TABLE_ENTRIES * sizeof(GdiTableEntry), '\0');
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read)) return -1;
    long used = 0;
    long byType[256] = {};
    const auto* entry = reinterpret_cast<const GdiTableEntry*>(entries.data());
    for (size_t i = 0; i < GDI_TABLE_ENTRIES; ++i) {
        if (entry[i].type == 0) continue;
        ++used;
        ++byType[entry[i].type];
    }
    std::printf("gdi_types\t");
    for (int type = 1; type < 256; ++type)
        if (byType[type]) std::printf("%02x:%ld ", type, byType[type]);
    std::printf("\n");
    return used;
}

int PrintResources(const char* processText) {
    DWORD process = std::strtoul(processText, nullptr, 10);
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process);
    if (!handle) {
        std::printf("unavailable\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(handle, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(handle, &handles);
    ProcessWindows windows = {process, 0};
    EnumWindows(CountProcessWindow, reinterpret_cast<LPARAM>(&windows));
    std::printf("private\t%llu\nworking_set\t%llu\ngdi\t%lu\nuser\t%lu\nhandles\t%lu\n"
                "windows\t%d\ngdi_table\t%ld\n",
                static_cast<unsigned long long>(memory.PrivateUsage),
                static_cast<unsigned long long>(memory.WorkingSetSize),
                GetGuiResources(handle, GR_GDIOBJECTS), GetGuiResources(handle, GR_USEROBJECTS),
                handles, windows.count, CountGdiObjects(handle));
    CloseHandle(handle);
    return 0;
}

// --- another process's memory -------------------------------------------------------

// A buffer in the process of a window, for the messages whose parameters
// point at memory (list views, tree views, tooltips, the folder browser).
class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, SIZE_T size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               pid);
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool valid() const { return address_ != nullptr; }
    char* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
    wchar_t* text() const { return reinterpret_cast<wchar_t*>(at(TEXT_OFFSET)); }
    LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
    void write(SIZE_T offset, const void* data, SIZE_T size) const {
        WriteProcessMemory(process_, at(offset), data, size, nullptr);
    }
    void read(SIZE_T offset, void* data, SIZE_T size) const {
        ReadProcessMemory(process_, at(offset), data, size, nullptr);
    }
    // The text the last message left at text().
    std::wstring readText() const {
        wchar_t text[TEXT_CAPACITY + 1] = {};
        read(TEXT_OFFSET, text, TEXT_CAPACITY * sizeof(wchar_t));
        return text;
    }

    static constexpr SIZE_T TEXT_OFFSET = 1024;
    static constexpr int TEXT_CAPACITY = 1024; // characters
    static constexpr SIZE_T SIZE = TEXT_OFFSET + TEXT_CAPACITY * sizeof(wchar_t);

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// --- list views -----------------------------------------------------------------------

// A column's format, width and title, or false past the last column.
bool ListColumn(HWND list, const RemoteBuffer& remote, int column, LVCOLUMNW* info,
                std::wstring* title) {
    *info = {};
    info->mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    info->pszText = remote.text();
    info->cchTextMax = RemoteBuffer::TEXT_CAPACITY;
    remote.write(0, info, sizeof *info);
    if (!SendMessageW(list, LVM_GETCOLUMNW, column, remote.param())) return false;
    remote.read(0, info, sizeof *info);
    *title = remote.readText();
    return true;
}

std::wstring ListCellText(HWND list, const RemoteBuffer& remote, int row, int column) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = remote.text();
    item.cchTextMax = RemoteBuffer::TEXT_CAPACITY;
    remote.write(0, &item, sizeof item);
    if (SendMessageW(list, LVM_GETITEMTEXTW, row, remote.param()) <= 0) return std::wstring();
    return remote.readText();
}

RECT ListRowRect(HWND list, const RemoteBuffer& remote, int row) {
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    remote.write(0, &rect, sizeof rect);
    SendMessageW(list, LVM_GETITEMRECT, row, remote.param());
    remote.read(0, &rect, sizeof rect);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A report-view list of another process: its extended style, each column's
// width, alignment and title, then every row with its selection state, its screen
// rectangle and its cell texts.
int DumpListView(const char* window) {
    HWND list = ParseWindow(window);
    RemoteBuffer remote(list, RemoteBuffer::SIZE);
    if (!remote.valid()) return 1;
    std::printf("exstyle\t%ld\n",
                static_cast<long>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNW info;
        std::wstring title;
        ListColumn(list, remote, c, &info, &title);
        std::printf("column\t%d\t%d\t%d\t%s\n", c,
                    static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0)),
                    info.fmt & LVCFMT_JUSTIFYMASK, Field(title).c_str());
    }
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        bool selected = SendMessageW(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) != 0;
        RECT rect = ListRowRect(list, remote, r);
        std::printf("row\t%d\t%d\t%ld,%ld,%ld,%ld", r, selected ? 1 : 0, rect.left, rect.top,
                    rect.right, rect.bottom);
        for (int c = 0; c < columns; ++c)
            std::printf("\t%s", Field(ListCellText(list, remote, r, c)).c_str());
        std::printf("\n");
    }
    return 0;
}

// Clears the selection of every row, as no user action of a single-selection
// list can.
int DeselectListView(const char* window) {
    HWND list = ParseWindow(window);
    RemoteBuffer remote(list, sizeof(LVITEMW));
    if (!remote.valid()) return 1;
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    remote.write(0, &item, sizeof item);
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), remote.param()) ? 0 : 1;
}

// --- tree views -------------------------------------------------------------------------

std::wstring TreeItemText(HWND tree, const RemoteBuffer& remote, HTREEITEM item) {
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = remote.text();
    query.cchTextMax = RemoteBuffer::TEXT_CAPACITY;
    remote.write(0, &query, sizeof query);
    SendMessageW(tree, TVM_GETITEMW, 0, remote.param());
    return remote.readText();
}

RECT TreeItemScreenRect(HWND tree, const RemoteBuffer& remote, HTREEITEM item) {
    RECT rect = {};
    std::memcpy(&rect, &item, sizeof item);
    remote.write(0, &rect, sizeof rect);
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, remote.param());
    remote.read(0, &rect, sizeof rect);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// Every item in tree order, or selects the index-th one when `select` >= 0:
// index, depth, expanded, selected, screen rectangle, text.
int WalkTree(HWND tree, int select) {
    RemoteBuffer remote(tree, RemoteBuffer::SIZE);
    HTREEITEM selected = TreeItem(tree, TVGN_CARET, nullptr);
    HTREEITEM item = TreeItem(tree, TVGN_ROOT, nullptr);
    int index = 0, depth = 0;
    while (item) {
        if (index == select) {
            LPARAM target = reinterpret_cast<LPARAM>(item);
            return SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, target) ? 0 : 1;
        }
        if (select < 0) {
            LRESULT state = SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                         TVIS_EXPANDED);
            RECT rect = TreeItemScreenRect(tree, remote, item);
            std::printf("%d\t%d\t%d\t%d\t%ld,%ld,%ld,%ld\t%s\n", index, depth,
                        (state & TVIS_EXPANDED) ? 1 : 0, item == selected ? 1 : 0, rect.left,
                        rect.top, rect.right, rect.bottom,
                        Field(TreeItemText(tree, remote, item)).c_str());
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

// Makes an open folder browser select a folder, as a user's clicks would.
int SelectBrowserFolder(const char* window, const char* path) {
    HWND browser = ParseWindow(window);
    RemoteBuffer remote(browser, RemoteBuffer::SIZE);
    std::wstring wide = Wide(path);
    if (!remote.valid() || wide.size() >= static_cast<size_t>(RemoteBuffer::TEXT_CAPACITY))
        return 1;
    remote.write(RemoteBuffer::TEXT_OFFSET, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE,
                 reinterpret_cast<LPARAM>(remote.text()));
    return 0;
}

// The items of an open popup menu (its #32768 window), one line each: its
// text, or "-" for a separator. Under Wine only the menu's process can read
// them: a hook of the tests' library copies them for the probe.
int PrintMenuItems(const char* window) {
    HWND menuWindow = ParseWindow(window);
    HHOOK hook = InstallHook(WH_CALLWNDPROC, "RecordMenuItems",
                             GetWindowThreadProcessId(menuWindow, nullptr));
    if (!hook) return 1;
    SendMessageW(menuWindow, RegisterWindowMessageW(L"ZorvexReadMenuItems"), 0, 0);
    UnhookWindowsHookEx(hook);
    int count = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(menuWindow, L"ZorvexMenuItems"))) - 1;
    for (int i = 0; i < count; ++i) {
        wchar_t name[32], text[256] = {};
        std::swprintf(name, 32, L"ZorvexMenuItem%d", i);
        auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(menuWindow, name)));
        if (atom) GlobalGetAtomNameW(atom, text, 256);
        std::printf("%s\n", Utf8(text).c_str());
    }
    return count >= 0 ? 0 : 1;
}

// --- the tray's balloons ------------------------------------------------------------------

constexpr wchar_t BALLOON_TITLE[] = L"ZorvexBalloonTitle";

struct BalloonSearch {
    DWORD taskbarProcess;
    std::vector<HWND> found;
    DWORD style = TTS_BALLOON; // balloons, or the plain tips when 0
};

BOOL CALLBACK FindBalloon(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BalloonSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->taskbarProcess && IsWindowVisible(window) &&
        ClassOf(window) == TOOLTIPS_CLASSW &&
        (GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) == search->style)
        search->found.push_back(window);
    return TRUE;
}

// The balloons the taskbar shows: "balloon", handle and title, then one
// "line" for each line of its text. The title is the one the hook of
// `keep` saw the taskbar give the balloon (Wine's tooltips tell no title).
int PrintBalloons() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return 1;
    BalloonSearch search = {0, {}};
    GetWindowThreadProcessId(taskbar, &search.taskbarProcess);
    EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&search));
    for (HWND balloon : search.found) {
        wchar_t title[256] = {};
        auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(balloon, BALLOON_TITLE)));
        if (atom) GlobalGetAtomNameW(atom, title, 256);
        std::printf("balloon\t%llu\t%s\n",
                    static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(balloon)),
                    Field(title).c_str());
        std::wstring text = TextOf(balloon);
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos) end = text.size();
            std::printf("line\t%s\n", Field(text.substr(start, end - start)).c_str());
            start = end + 1;
        }
    }
    return 0;
}

// The tray icons added and deleted since the desktop started, oldest first:
// "add", "delete" (or "request" from a window gone), the owner window, and
// whether it was still a window then ("window" or "gone"), as the taskbar's
// hook saw them.
int PrintTrayEvents() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return 1;
    int count = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(taskbar, L"ZorvexTrayEvents")));
    for (int i = 0; i < count; ++i) {
        wchar_t name[32], text[64] = {};
        std::swprintf(name, 32, L"ZorvexTrayEvent%d", i);
        auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(taskbar, name)));
        if (atom) GlobalGetAtomNameW(atom, text, 64);
        std::printf("%s\n", Utf8(text).c_str());
    }
    return 0;
}

// The text of each plain tip (not a balloon) the taskbar shows: the tray
// icon's tooltip while the pointer rests on it.
int PrintTips() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return 1;
    BalloonSearch search = {0, {}, 0};
    GetWindowThreadProcessId(taskbar, &search.taskbarProcess);
    EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&search));
    for (HWND tip : search.found) std::printf("%s\n", Field(TextOf(tip)).c_str());
    return 0;
}

// --- the clipboard -------------------------------------------------------------------------

// Writes the clipboard's bitmap as a bitmap file, or says "none".
int DumpClipboard(const char* path) {
    if (!OpenClipboard(nullptr)) {
        std::printf("unavailable\n");
        return 1;
    }
    HANDLE data = GetClipboardData(CF_DIB);
    const BITMAPINFOHEADER* info =
        data ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(data)) : nullptr;
    if (!info) {
        CloseClipboard();
        std::printf("none\n");
        return 0;
    }
    SIZE_T size = GlobalSize(data);
    DWORD colors = info->biClrUsed;
    if (colors == 0 && info->biBitCount <= 8) colors = 1u << info->biBitCount;
    DWORD masks = info->biCompression == BI_BITFIELDS ? 12 : 0;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + info->biSize + masks + colors * 4;
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    std::printf("%ld\t%ld\t%u\n", info->biWidth, info->biHeight, info->biBitCount);
    if (FILE* out = OpenFile(path, L"wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(info, 1, size, out);
        std::fclose(out);
    }
    GlobalUnlock(data);
    CloseClipboard();
    return 0;
}

// The clipboard's formats in the order a program enumerates them, one a
// line: a registered one by its name, a standard one by its number.
int PrintClipboardFormats() {
    if (!OpenClipboard(nullptr)) {
        std::printf("unavailable\n");
        return 1;
    }
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        wchar_t name[256] = {};
        bool named = GetClipboardFormatNameW(format, name, 256) > 0;
        std::printf("%s\n", named ? Field(name).c_str() : std::to_string(format).c_str());
    }
    CloseClipboard();
    return 0;
}

// Writes the clipboard's "PNG" as a file, byte for byte, or says "none".
int DumpClipboardPng(const char* path) {
    if (!OpenClipboard(nullptr)) {
        std::printf("unavailable\n");
        return 1;
    }
    HANDLE data = GetClipboardData(RegisterClipboardFormatW(L"PNG"));
    const void* bytes = data ? GlobalLock(data) : nullptr;
    if (bytes) {
        if (FILE* out = OpenFile(path, L"wb")) {
            std::fwrite(bytes, 1, GlobalSize(data), out);
            std::fclose(out);
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    std::printf("%s\n", bytes ? "png" : "none");
    return 0;
}

int ClearClipboard() {
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    CloseClipboard();
    return 0;
}

int PrintClipboardSequence() {
    std::printf("%lu\n", GetClipboardSequenceNumber());
    return 0;
}

// Whether a bitmap file is there and as long as its header says. Opened
// with every sharing allowed, so that the writer's own opens still succeed.
bool CompleteBitmapFile(const char* path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BITMAPFILEHEADER header = {};
    DWORD read = 0;
    bool complete = ReadFile(file, &header, sizeof header, &read, nullptr) &&
                    read == sizeof header && header.bfType == 0x4D42 &&
                    GetFileSize(file, nullptr) == header.bfSize;
    CloseHandle(file);
    return complete;
}

// Holds the clipboard open, as a busy program would, for the given time;
// with a bitmap file named, from now until the given time after that file is
// complete (a hard copy is written before it goes to the clipboard).
// Opened with a window of its own: a program that opens it without one may
// still be let in beside another such program.
int HoldClipboard(const char* milliseconds, const char* untilFile = nullptr) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"clipboard holder", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!owner || !OpenClipboard(owner)) {
        std::printf("unavailable\n");
        return 1;
    }
    Say("holding");
    if (untilFile) {
        DWORD start = GetTickCount();
        while (!CompleteBitmapFile(untilFile) && GetTickCount() - start < 30000) Sleep(2);
    }
    Sleep(std::strtoul(milliseconds, nullptr, 10));
    CloseClipboard();
    Say("released");
    return 0;
}

// Holds a file open for a while without sharing it, as an editor might, or
// with `read` letting others only read it, as a virus scanner might.
int LockFile(const char* path, const char* milliseconds, bool read = false) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, read ? FILE_SHARE_READ : 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "CreateFileW of %s failed with error %lu\n", path, GetLastError());
        return 1;
    }
    Say("locked");
    Sleep(std::strtoul(milliseconds, nullptr, 10));
    CloseHandle(file);
    return 0;
}

// --- the test window -------------------------------------------------------------------

// Four quadrants of pure colours, so that a hard copy can be checked pixel
// by pixel.
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
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window that never activates shows without taking the foreground, as a
// tooltip or a floating clock does.
int RunTestWindow(int x, int y, int width, int height, const char* title, bool topmost,
                  bool handCursor, bool noActivate) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, handCursor ? IDC_HAND : IDC_ARROW);
    wc.lpszClassName = L"ZorvexTestPattern";
    RegisterClassW(&wc);
    DWORD exStyle = (topmost ? WS_EX_TOPMOST : 0) | (noActivate ? WS_EX_NOACTIVATE : 0);
    HWND window = CreateWindowExW(exStyle, wc.lpszClassName, Wide(title).c_str(),
                                  WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "CreateWindowExW failed: error %lu\n", GetLastError());
        return 1;
    }
    ShowWindow(window, noActivate ? SW_SHOWNOACTIVATE : SW_SHOW);
    if (!noActivate) SetForegroundWindow(window);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// --- pictures of the screen --------------------------------------------------------------

// Writes a bitmap (not selected into `memory`) as a 24-bit bottom-up file.
bool SaveBitmap(HDC memory, HBITMAP bitmap, int width, int height, const char* path) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(54 + pixels.size()), 0, 0, 54};
    FILE* out = OpenFile(path, L"wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
    return true;
}

// Saves a screen area as a 24-bit bottom-up bitmap file.
bool SaveScreenArea(RECT area, const char* path) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    bool saved = SaveBitmap(memory, bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

// Takes pictures of a screen area as fast as it can, for at most the given
// seconds, until one shows each of the given points in its colour (a frame
// of feedback that lasts a few milliseconds); that picture is saved. Says
// "ready" once watching, then "caught" or "none".
int CatchFrame(int argc, char** argv) {
    if (argc < 8 || (argc - 8) % 5 != 0) return 2;
    DWORD limit = std::strtoul(argv[2], nullptr, 10) * 1000;
    const char* path = argv[3];
    RECT area = {std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])};
    struct Point {
        int x, y;
        COLORREF color;
    };
    std::vector<Point> points;
    for (char** field = argv + 8; field < argv + argc; field += 5)
        points.push_back({std::atoi(field[0]), std::atoi(field[1]),
                          RGB(std::atoi(field[2]), std::atoi(field[3]), std::atoi(field[4]))});
    int count = static_cast<int>(points.size());
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    Say("ready");
    bool caught = false;
    DWORD start = GetTickCount();
    while (!caught && GetTickCount() - start < limit) {
        // the points alone first, which is quick; then the whole area at once
        bool all = true;
        for (int i = 0; i < count && all; ++i)
            all = GetPixel(screen, points[i].x, points[i].y) == points[i].color;
        if (!all) continue;
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        caught = true;
        for (int i = 0; i < count && caught; ++i)
            caught = GetPixel(memory, points[i].x - area.left, points[i].y - area.top) ==
                     points[i].color;
    }
    SelectObject(memory, previous);
    if (caught) SaveBitmap(memory, bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf(caught ? "caught\n" : "none\n");
    return 0;
}

int PrintScreenMetrics() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT cursor = {};
    GetCursorPos(&cursor);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    std::printf("screen\t%d\t%d\nwork\t%ld\t%ld\t%ld\t%ld\ncursor\t%ld\t%ld\ndpi\t%d\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), work.left, work.top,
                work.right, work.bottom, cursor.x, cursor.y, dpi);
    return 0;
}

// --- watching for a window that shows for a moment -----------------------------------------

// A watch, run by the keeper on a thread of its own while the tests go on:
// it looks every few milliseconds for a visible top-level window of the
// class and title (with a child of the given text, when one is named), reads
// the first one found while it is there, and counts in `shown` how often
// one has come up. Its report is ready once it has been stopped.
struct Watch {
    std::wstring className, title, childText;
    std::vector<std::string> args; // what the kind of watch needs besides
    std::string (*run)(Watch&) = nullptr;
    volatile LONG begun = 0, shown = 0, stop = 0;
    std::string report;
    HANDLE thread = nullptr;

    HWND Find() const {
        for (HWND window = nullptr;
             (window = FindWindowExW(nullptr, window, className.c_str(), title.c_str()));)
            if (IsWindowVisible(window) &&
                (childText.empty() || FindWindowExW(window, nullptr, nullptr, childText.c_str())))
                return window;
        return nullptr;
    }
};

void Append(std::string& out, const char* format, ...) {
    char line[512];
    va_list list;
    va_start(list, format);
    std::vsnprintf(line, sizeof line, format, list);
    va_end(list);
    out += line;
}

// Whether the window was found; `read` saw it the moment it first showed.
template <typename Read> bool WatchForWindow(Watch& watch, Read read) {
    HWND last = nullptr;
    while (!watch.stop) {
        HWND window = watch.Find();
        if (window && window != last) {
            if (!watch.shown) read(window);
            InterlockedIncrement(&watch.shown);
        }
        last = window;
        Sleep(5);
    }
    return watch.shown != 0;
}

BOOL CALLBACK AppendChildText(HWND child, LPARAM lParam) {
    std::wstring text = TitleOf(child);
    if (!text.empty()) reinterpret_cast<std::string*>(lParam)->append("\t").append(Field(text));
    return TRUE;
}

// "seen" with the child texts of the window, or "none".
std::string WatchTexts(Watch& watch) {
    std::string texts;
    bool seen = WatchForWindow(watch, [&](HWND window) {
        EnumChildWindows(window, AppendChildText, reinterpret_cast<LPARAM>(&texts));
    });
    return (seen ? "seen" : "none") + texts + "\n";
}

// "seen" with the window's rectangle when it first showed, or "none".
std::string WatchPlace(Watch& watch) {
    RECT r = {};
    bool seen = WatchForWindow(watch, [&](HWND window) { GetWindowRect(window, &r); });
    std::string out;
    Append(out, "%s\t%ld\t%ld\t%ld\t%ld\n", seen ? "seen" : "none", r.left, r.top, r.right,
           r.bottom);
    return out;
}

// What had been delivered when the window first showed: the clipboard's
// sequence number when the watch began and when the window showed, and the
// state of the slot file (args[0]) then: "complete" (copied to args[1] at
// that moment), "partial" or "missing"; or "none" and the number when the
// watch began.
std::string WatchOutputs(Watch& watch) {
    const char* slotFile = watch.args[0].c_str();
    DWORD begun = GetClipboardSequenceNumber(), atWindow = 0;
    const char* slot = "missing";
    bool seen = WatchForWindow(watch, [&](HWND) {
        atWindow = GetClipboardSequenceNumber();
        if (CompleteBitmapFile(slotFile))
            slot = CopyFileW(Wide(slotFile).c_str(), Wide(watch.args[1].c_str()).c_str(), FALSE)
                       ? "complete"
                       : "unreadable";
        else if (FileExists(slotFile))
            slot = "partial";
    });
    std::string out;
    if (seen)
        Append(out, "seen\t%lu\t%lu\t%s\n", begun, atWindow, slot);
    else
        Append(out, "none\t%lu\n", begun);
    return out;
}

// "seen", how long the window showed in milliseconds (until the stop when it
// still shows) and "gone" or "showing"; or "none".
std::string WatchTime(Watch& watch) {
    bool seen = false, gone = false, was = false;
    DWORD shown = 0, hidden = 0;
    while (!watch.stop) {
        bool visible = watch.Find() != nullptr;
        DWORD now = GetTickCount();
        if (visible && !seen) {
            seen = true;
            shown = now;
        } else if (!visible && seen && !gone) {
            gone = true;
            hidden = now;
        }
        if (visible && !was) InterlockedIncrement(&watch.shown);
        was = visible;
        Sleep(2);
    }
    if (!seen) return "none\n";
    std::string out;
    Append(out, "seen\t%lu\t%s\n",
           static_cast<unsigned long>((gone ? hidden : GetTickCount()) - shown),
           gone ? "gone" : "showing");
    return out;
}

BOOL CALLBACK AppendChildLayout(HWND child, LPARAM lParam) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    char line[100];
    std::snprintf(line, sizeof line, "child\t%ld,%ld,%ld,%ld\t", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    reinterpret_cast<std::string*>(lParam)->append(line).append(Field(TitleOf(child))).append("\n");
    return TRUE;
}

BOOL CALLBACK FindChildToPaint(HWND child, LPARAM found) {
    if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// Waits, for a bounded time, until a window has stayed where it is, with
// neither it nor any of its children having a part left to paint, for a
// quiet spell: a window just shown can look drawn for a moment before its
// first paint is asked for.
void WaitUntilDrawn(HWND window, DWORD milliseconds) {
    constexpr DWORD QUIET_MILLISECONDS = 120;
    DWORD start = GetTickCount();
    DWORD quietSince = start;
    RECT last = {};
    GetWindowRect(window, &last);
    while (GetTickCount() - start < milliseconds) {
        Sleep(5);
        RECT now = {};
        if (!GetWindowRect(window, &now)) return;
        bool moved = !EqualRect(&now, &last);
        last = now;
        bool toPaint = GetUpdateRect(window, nullptr, FALSE) != 0;
        if (!toPaint) EnumChildWindows(window, FindChildToPaint, reinterpret_cast<LPARAM>(&toPaint));
        if (moved || toPaint) quietSince = GetTickCount();
        if (GetTickCount() - quietSince >= QUIET_MILLISECONDS) return;
    }
}

// For a window that shows only for a moment: once it is laid out and drawn,
// its client size and each child's client rectangle, and the screen under it
// saved to the bitmap file args[0].
std::string WatchLayout(Watch& watch) {
    std::string layout;
    bool seen = WatchForWindow(watch, [&](HWND window) {
        WaitUntilDrawn(window, 1000);
        RECT client = {}, outer = {};
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        Append(layout, "\t%ld,%ld\n", client.right, client.bottom);
        EnumChildWindows(window, AppendChildLayout, reinterpret_cast<LPARAM>(&layout));
        SaveScreenArea(outer, watch.args[0].c_str());
    });
    return seen ? "seen" + layout : "none\n";
}

DWORD WINAPI RunWatch(void* parameter) {
    auto* watch = static_cast<Watch*>(parameter);
    InterlockedExchange(&watch->begun, 1);
    watch->report = watch->run(*watch);
    return 0;
}

std::map<std::string, Watch*> watches;

// watch-begin NAME KIND CLASS TITLE CHILD-TEXT [ARGUMENT...]: says "ready"
// once the watch looks.
int BeginWatch(int argc, char** argv) {
    const struct {
        const char* kind;
        std::string (*run)(Watch&);
        int args;
    } kinds[] = {{"texts", WatchTexts, 0},
                 {"place", WatchPlace, 0},
                 {"time", WatchTime, 0},
                 {"layout", WatchLayout, 1},
                 {"outputs", WatchOutputs, 2}};
    if (argc < 7 || watches.count(argv[2])) return 2;
    auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                             [&](const auto& k) { return std::strcmp(k.kind, argv[3]) == 0; });
    if (kind == std::end(kinds) || argc != 7 + kind->args) return 2;
    auto* watch = new Watch;
    watch->className = Wide(argv[4]);
    watch->title = Wide(argv[5]);
    watch->childText = Wide(argv[6]);
    watch->args.assign(argv + 7, argv + argc);
    watch->run = kind->run;
    watch->thread = CreateThread(nullptr, 0, RunWatch, watch, 0, nullptr);
    if (!watch->thread) {
        delete watch;
        return 1;
    }
    while (!watch->begun)
        Sleep(1);
    watches[argv[2]] = watch;
    Say("ready");
    return 0;
}

// How often the window has come up since the watch began.
int WatchState(const char* name) {
    auto found = watches.find(name);
    if (found == watches.end()) return 2;
    std::printf("%ld\n", static_cast<long>(found->second->shown));
    return 0;
}

// Stops the watch and prints its report.
int EndWatch(const char* name) {
    auto found = watches.find(name);
    if (found == watches.end()) return 2;
    Watch* watch = found->second;
    watches.erase(found);
    InterlockedExchange(&watch->stop, 1);
    WaitForSingleObject(watch->thread, INFINITE);
    CloseHandle(watch->thread);
    std::fputs(watch->report.c_str(), stdout);
    delete watch;
    return 0;
}

// --- printing ---------------------------------------------------------------------------------

// The default printer's page in device units, as a printing program sees it.
// The print dialog's library is loaded here only: Wine's spooler reads the
// printers from the print server once in the life of the first process that
// loads it, and the keeper (below), which lives as long as the desktop, must
// not be that process.
int PrintPrinterPage() {
    using PrintDialog = BOOL(WINAPI*)(PRINTDLGW*);
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    auto printDialog = library ? reinterpret_cast<PrintDialog>(reinterpret_cast<void*>(
                                     GetProcAddress(library, "PrintDlgW")))
                               : nullptr;
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!printDialog || !printDialog(&dialog) || !dialog.hDC) {
        std::printf("none\n");
        return 1;
    }
    HDC dc = dialog.hDC;
    std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", GetDeviceCaps(dc, PHYSICALOFFSETX),
                GetDeviceCaps(dc, PHYSICALOFFSETY), GetDeviceCaps(dc, PHYSICALWIDTH),
                GetDeviceCaps(dc, PHYSICALHEIGHT), GetDeviceCaps(dc, HORZRES),
                GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSX),
                GetDeviceCaps(dc, LOGPIXELSY));
    DeleteDC(dc);
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
    return 0;
}

// Waits for an event while serving this thread's messages, until the time is
// up or the stop file appears; true when the event came.
bool WaitServing(HANDLE event, int seconds, const char* stopFile) {
    DWORD end = GetTickCount() + seconds * 1000;
    while (GetTickCount() < end && !(stopFile && FileExists(stopFile))) {
        if (MsgWaitForMultipleObjects(1, &event, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
            return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Hooks the next print: "cancel FILE" clicks Cancel in its abort dialog before
// the print sees its messages, or gives up once FILE exists; "hold FILE" says
// "shown" when the dialog is up and keeps the print waiting until FILE exists
// (the test's picture of the screen). Says "ready" once hooked, then "done"
// or "timeout".
int HookNextPrint(const char* mode, const char* file, int seconds) {
    bool hold = std::strcmp(mode, "hold") == 0;
    HANDLE cancelled =
        hold ? nullptr : CreateEventW(nullptr, TRUE, FALSE, L"ZorvexAbortCancelPosted");
    HANDLE shown = hold ? CreateEventW(nullptr, TRUE, FALSE, L"ZorvexAbortDialogShown") : nullptr;
    HANDLE taken = hold ? CreateEventW(nullptr, TRUE, FALSE, L"ZorvexAbortPictureTaken") : nullptr;
    HHOOK installed = InstallHook(WH_CALLWNDPROCRET, "WatchPrintAbortDialog");
    if (!installed) {
        std::printf("no hook\n");
        return 1;
    }
    Say("ready");
    bool done = WaitServing(hold ? shown : cancelled, seconds, hold ? nullptr : file);
    if (done && hold) {
        Say("shown");
        DWORD end = GetTickCount() + seconds * 1000;
        while (!FileExists(file) && GetTickCount() < end) Sleep(20);
        done = FileExists(file);
        SetEvent(taken);
    }
    UnhookWindowsHookEx(installed);
    std::printf(done ? "done\n" : "timeout\n");
    return done ? 0 : 1;
}

// --- controls of another process's dialog ----------------------------------------------------

// One line per child control: id, class, visible, enabled, check state,
// rectangle in the dialog's client area (x, y, width, height), rectangle on
// the screen, style, text.
BOOL CALLBACK PrintControl(HWND control, LPARAM parentValue) {
    HWND parent = reinterpret_cast<HWND>(parentValue);
    if (GetParent(control) != parent) return TRUE;
    std::wstring className = ClassOf(control);
    RECT screen = {};
    GetWindowRect(control, &screen);
    RECT rect = screen;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    LRESULT check = 0;
    if (lstrcmpiW(className.c_str(), L"Button") == 0)
        check = SendMessageW(control, BM_GETCHECK, 0, 0);
    std::printf("%d\t%s\t%d\t%d\t%d\t%ld,%ld,%ld,%ld\t%ld,%ld,%ld,%ld\t%lx\t%s\n",
                GetDlgCtrlID(control), Field(className).c_str(), IsWindowVisible(control) ? 1 : 0,
                IsWindowEnabled(control) ? 1 : 0, static_cast<int>(check), rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top, screen.left, screen.top,
                screen.right, screen.bottom,
                static_cast<unsigned long>(GetWindowLongW(control, GWL_STYLE)),
                Field(TextOf(control)).c_str());
    return TRUE;
}

// Exits with 2 when the dialog is not (or no longer) a window.
int ListDialogControls(const char* window) {
    HWND dialog = ParseWindow(window);
    if (!IsWindow(dialog)) return 2;
    EnumChildWindows(dialog, PrintControl, reinterpret_cast<LPARAM>(dialog));
    return IsWindow(dialog) ? 0 : 2;
}

// Types text into an edit control the way a paste does (undoable), over its
// whole text or at its caret.
int ReplaceSelection(const char* window, const char* id, const char* text, bool whole = true) {
    HWND control = GetDlgItem(ParseWindow(window), std::atoi(id));
    if (!control) return 1;
    if (whole) SendMessageW(control, EM_SETSEL, 0, -1);
    SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    return 0;
}

int ClickControl(const char* window, const char* id) {
    HWND control = GetDlgItem(ParseWindow(window), std::atoi(id));
    // Posted, so that a message box the click opens does not hold the probe.
    return control && PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
}

// A shortcut through the shell's link object, as Explorer reads and writes
// one: with `target` it is made to start that program in `folder`; without,
// its target, working folder, icon and description are printed.
int Shortcut(const char* path, const char* target = nullptr, const char* folder = nullptr) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    bool done = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (done && target) {
        done = SUCCEEDED(link->SetPath(Wide(target).c_str())) &&
               SUCCEEDED(link->SetWorkingDirectory(Wide(folder).c_str())) &&
               SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
    } else if (done && SUCCEEDED(file->Load(Wide(path).c_str(), STGM_READ))) {
        wchar_t program[MAX_PATH] = {}, workdir[MAX_PATH] = {}, icon[MAX_PATH] = {};
        wchar_t description[INFOTIPSIZE] = {};
        int index = -1;
        link->GetPath(program, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(workdir, MAX_PATH);
        link->GetIconLocation(icon, MAX_PATH, &index);
        link->GetDescription(description, INFOTIPSIZE);
        std::printf("target\t%s\nfolder\t%s\nicon\t%s,%d\ndescription\t%s\n", Utf8(program).c_str(),
                    Utf8(workdir).c_str(), Utf8(icon).c_str(), index, Utf8(description).c_str());
    } else {
        done = false;
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return done ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr, "probe COMMAND ARGUMENT... (the commands are listed in Run, probe.cpp)\n");
    return 2;
}

bool HasOption(int argc, char** argv, const char* option) {
    for (int i = 7; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "windows") return ListWindows();
    if (command == "children" && argc == 3) return ListChildren(argv[2]);
    if (command == "hotkeys") return CheckHotKeys();
    if (command == "hold-hotkeys") return HoldHotKeys(argc - 2, argv + 2);
    if (command == "clipboard" && argc == 3) return DumpClipboard(argv[2]);
    if (command == "clear-clipboard") return ClearClipboard();
    if (command == "clipboard-formats") return PrintClipboardFormats();
    if (command == "clipboard-png" && argc == 3) return DumpClipboardPng(argv[2]);
    if (command == "clipboard-sequence") return PrintClipboardSequence();
    if (command == "balloons") return PrintBalloons();
    if (command == "processes") return ListProcesses();
    if (command == "end") return EndProcesses(argc - 2, argv + 2);
    if (command == "reset") return Reset(argc - 2, argv + 2);
    if (command == "keep") return Keep();
    if (command == "type" && argc == 3) return TypeText(argv[2]);
    if (command == "testwin" && argc >= 7)
        return RunTestWindow(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                             std::atoi(argv[5]), argv[6], HasOption(argc, argv, "topmost"),
                             HasOption(argc, argv, "hand"), HasOption(argc, argv, "noactivate"));
    if (command == "activate" && argc == 3) return Activate(argv[2]);
    if (command == "maximize" && argc == 3) return Show(argv[2], SW_MAXIMIZE);
    if (command == "restore" && argc == 3) return Show(argv[2], SW_RESTORE);
    if (command == "watch-begin") return BeginWatch(argc, argv);
    if (command == "watch-state" && argc == 3) return WatchState(argv[2]);
    if (command == "watch-end" && argc == 3) return EndWatch(argv[2]);
    if (command == "catch-frame") return CatchFrame(argc, argv);
    if (command == "foreground") return PrintForeground();
    if (command == "ensure-foreground") return EnsureForeground();
    if (command == "menu-mode" && argc == 3) return PrintMenuMode(argv[2]);
    if (command == "focus" && argc == 3) return PrintFocus(argv[2]);
    if (command == "menu" && argc == 3) return PrintMenuItems(argv[2]);
    if (command == "tips") return PrintTips();
    if (command == "tray-events") return PrintTrayEvents();
    if (command == "metrics") return PrintScreenMetrics();
    if (command == "modifiers") return PrintHeldModifiers();
    if (command == "tray-delete" && argc == 4) return DeleteTrayIcon(argv[2], argv[3]);
    if (command == "taskbar-created" && argc == 3) return SendTaskbarCreated(argv[2]);
    if (command == "printer-page") return PrintPrinterPage();
    if (command == "hook-next-print" && argc == 5)
        return HookNextPrint(argv[2], argv[3], std::atoi(argv[4]));
    if (command == "post" && argc == 5) return PostCommand(argv[2], argv[3], argv[4]);
    if (command == "post-seq") return PostSequence(argc - 2, argv + 2);
    if (command == "hold-clipboard" && argc == 3) return HoldClipboard(argv[2]);
    if (command == "hold-clipboard" && argc == 4) return HoldClipboard(argv[2], argv[3]);
    if (command == "lock" && argc == 4) return LockFile(argv[2], argv[3]);
    if (command == "lock" && argc == 5 && std::strcmp(argv[4], "read") == 0)
        return LockFile(argv[2], argv[3], true);
    if (command == "shortcut" && argc == 3) return Shortcut(argv[2]);
    if (command == "shortcut" && argc == 5) return Shortcut(argv[2], argv[3], argv[4]);
    if (command == "resources" && argc == 3) return PrintResources(argv[2]);
    if (command == "listview" && argc == 3) return DumpListView(argv[2]);
    if (command == "listview-deselect" && argc == 3) return DeselectListView(argv[2]);
    if (command == "gettext" && argc == 3) return GetText(argv[2]);
    if (command == "settext" && argc == 4) return SetText(ParseWindow(argv[2]), argv[3]);
    if (command == "send" && argc == 6) return SendNumbers(argv[2], argv[3], argv[4], argv[5]);
    if (command == "dialog" && argc == 3) return ListDialogControls(argv[2]);
    if (command == "replacesel" && argc == 5) return ReplaceSelection(argv[2], argv[3], argv[4]);
    if (command == "paste" && argc == 5) return ReplaceSelection(argv[2], argv[3], argv[4], false);
    if (command == "click" && argc == 4) return ClickControl(argv[2], argv[3]);
    if (command == "settext" && argc == 5)
        return SetText(GetDlgItem(ParseWindow(argv[2]), std::atoi(argv[3])), argv[4]);
    if (command == "tree" && argc == 4)
        return WalkTree(GetDlgItem(ParseWindow(argv[2]), std::atoi(argv[3])), -1);
    if (command == "tree-select" && argc == 5)
        return WalkTree(GetDlgItem(ParseWindow(argv[2]), std::atoi(argv[3])), std::atoi(argv[4]));
    if (command == "browse-select" && argc == 4) return SelectBrowserFolder(argv[2], argv[3]);
    return Usage();
}

int RunFields(std::vector<std::string> fields) {
    std::vector<char*> argv;
    for (std::string& field : fields) argv.push_back(field.data());
    argv.push_back(nullptr);
    return Run(static_cast<int>(fields.size()), argv.data());
}

} // namespace

// The arguments as the system holds them (UTF-16), passed on as UTF-8.
int main() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return RunFields(arguments);
}
