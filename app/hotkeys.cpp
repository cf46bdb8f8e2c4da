#include "app/hotkeys.h"

#include "settings/settings.h"

bool RegisterLauncherHotKey(HWND window, int n) {
    return RegisterHotKey(window, HOTKEY_LAUNCH_F1 + n - 1, MOD_CONTROL, VK_F1 + n - 1) != 0;
}

void UnregisterLauncherHotKey(HWND window, int n) {
    UnregisterHotKey(window, HOTKEY_LAUNCH_F1 + n - 1);
}

bool RegisterProgramHotKeys(HWND window) {
    bool printScreen = RegisterHotKey(window, HOTKEY_CAPTURE, 0, VK_SNAPSHOT) != 0;
    bool ctrlAltF12 =
        RegisterHotKey(window, HOTKEY_CAPTURE_ALT, MOD_CONTROL | MOD_ALT, VK_F12) != 0;
    if (!printScreen && !ctrlAltF12) return false;

    RegisterHotKey(window, HOTKEY_CAPTURE_ACTIVE, MOD_CONTROL, VK_SNAPSHOT);
    RegisterHotKey(window, HOTKEY_CAPTURE_RANGE, MOD_SHIFT, VK_SNAPSHOT);
    RegisterHotKey(window, HOTKEY_CONFIG, MOD_ALT, VK_SNAPSHOT);
    RegisterHotKey(window, HOTKEY_CAPTURE_ACTIVE_NOFRAME, MOD_CONTROL | MOD_ALT, VK_SNAPSHOT);
    RegisterHotKey(window, HOTKEY_HISTORY, MOD_CONTROL | MOD_ALT, VK_F10);
    RegisterHotKey(window, HOTKEY_MENU, MOD_CONTROL | MOD_ALT, VK_F11);

    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        if (IsLauncherOn(launcherTable[n - 1].IsCtrlF)) RegisterLauncherHotKey(window, n);
    }
    return true;
}

void UnregisterProgramHotKeys(HWND window) {
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        if (IsLauncherOn(launcherTable[n - 1].IsCtrlF)) UnregisterLauncherHotKey(window, n);
    }
    for (int id = HOTKEY_CAPTURE_ACTIVE_NOFRAME; id >= HOTKEY_CAPTURE; --id) {
        UnregisterHotKey(window, id);
    }
    UnregisterHotKey(window, HOTKEY_HISTORY);
    UnregisterHotKey(window, HOTKEY_MENU);
    UnregisterHotKey(window, HOTKEY_CAPTURE_ALT);
}
