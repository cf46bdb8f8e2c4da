#include "app/dpi.h"

#include <cstdint>

namespace {

// Functions of newer systems, looked up once so that the program still
// starts on a system without them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
using IsProcessDpiAwareFn = BOOL(WINAPI*)();
using SetProcessDpiAwareFn = BOOL(WINAPI*)();
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using SetProcessDpiAwarenessFn = HRESULT(WINAPI*)(int);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
using SetDialogControlDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

constexpr int MONITOR_DPI_EFFECTIVE = 0;
constexpr int PROCESS_PER_MONITOR_AWARE = 2;
constexpr int DIALOG_KEEPS_ITS_SIZE = 0x0002;
constexpr int CONTROL_KEEPS_ITS_PLACE = 0x0002;
const HANDLE PER_MONITOR_AWARE_V2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
const HANDLE PER_MONITOR_AWARE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3));

template <typename Function> Function FromModule(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (!handle) handle = LoadLibraryW(module);
    if (!handle) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

template <typename Function> Function FromUser32(const char* name) {
    return FromModule<Function>(L"user32.dll", name);
}

GetDpiForMonitorFn MonitorDpiFunction() {
    static const GetDpiForMonitorFn function =
        FromModule<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    return function;
}

UINT DpiOfMonitor(HMONITOR monitor) {
    UINT x = 0, y = 0;
    if (GetDpiForMonitorFn function = MonitorDpiFunction();
        function && monitor && SUCCEEDED(function(monitor, MONITOR_DPI_EFFECTIVE, &x, &y)) && y)
        return y;
    return SystemDpi();
}

} // namespace

int ScaleForDpi(int value, UINT dpi) {
    if (dpi == 0 || dpi == DESIGN_DPI) return value;
    int64_t product = int64_t{value} * dpi;
    int64_t half = DESIGN_DPI / 2;
    return static_cast<int>(product >= 0 ? (product + half) / DESIGN_DPI
                                         : -((-product + half) / DESIGN_DPI));
}

RECT ScaleRectForDpi(const RECT& rect, UINT dpi) {
    return RECT{ScaleForDpi(rect.left, dpi), ScaleForDpi(rect.top, dpi),
                ScaleForDpi(rect.right, dpi), ScaleForDpi(rect.bottom, dpi)};
}

SIZE ScaleSizeForDpi(SIZE size, UINT dpi) {
    return SIZE{ScaleForDpi(size.cx, dpi), ScaleForDpi(size.cy, dpi)};
}

UINT DpiFromDpiChanged(WPARAM wParam) {
    UINT dpi = HIWORD(wParam);
    return dpi ? dpi : DESIGN_DPI;
}

void DeclareDpiAwareness() {
    auto isAware = FromUser32<IsProcessDpiAwareFn>("IsProcessDPIAware");
    if (isAware && isAware()) return;
    if (auto setContext =
            FromUser32<SetProcessDpiAwarenessContextFn>("SetProcessDpiAwarenessContext")) {
        if (setContext(PER_MONITOR_AWARE_V2) || setContext(PER_MONITOR_AWARE)) return;
    }
    if (auto setAwareness =
            FromModule<SetProcessDpiAwarenessFn>(L"shcore.dll", "SetProcessDpiAwareness")) {
        if (SUCCEEDED(setAwareness(PROCESS_PER_MONITOR_AWARE))) return;
    }
    if (auto setAware = FromUser32<SetProcessDpiAwareFn>("SetProcessDPIAware")) setAware();
}

UINT SystemDpi() {
    static const GetDpiForSystemFn function = FromUser32<GetDpiForSystemFn>("GetDpiForSystem");
    if (function) {
        if (UINT dpi = function()) return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : DESIGN_DPI;
}

UINT DpiOfWindow(HWND window) {
    static const GetDpiForWindowFn function = FromUser32<GetDpiForWindowFn>("GetDpiForWindow");
    if (function && window) {
        if (UINT dpi = function(window)) return dpi;
    }
    return DpiOfMonitor(window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr);
}

UINT DpiAtPoint(POINT point) {
    return DpiOfMonitor(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const GetSystemMetricsForDpiFn function =
        FromUser32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    return function ? function(index, dpi) : GetSystemMetrics(index);
}

void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) {
    static const AdjustWindowRectExForDpiFn function =
        FromUser32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (function && function(rect, style, FALSE, exStyle, dpi)) return;
    AdjustWindowRectEx(rect, style, FALSE, exStyle);
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (!suggested) return;
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void KeepDialogSizeOnDpiChange(HWND dialog) {
    static const SetDialogDpiChangeBehaviorFn function =
        FromUser32<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    if (function) function(dialog, DIALOG_KEEPS_ITS_SIZE, DIALOG_KEEPS_ITS_SIZE);
}

void KeepControlPlaceOnDpiChange(HWND control) {
    static const SetDialogControlDpiChangeBehaviorFn function =
        FromUser32<SetDialogControlDpiChangeBehaviorFn>("SetDialogControlDpiChangeBehavior");
    if (function) function(control, CONTROL_KEEPS_ITS_PLACE, CONTROL_KEEPS_ITS_PLACE);
}
