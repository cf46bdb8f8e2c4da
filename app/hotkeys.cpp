#include "app/hotkeys.h"

#include "app/balloon_text.h"
#include "app/tray.h"
#include "settings/settings.h"

#include <cwchar>
#include <cstdint>

namespace {

struct HotKeyDefinition {
    int id;
    UINT modifiers;
    UINT key;
    const wchar_t* name;
};

// In the order a user reads them in a list of missing keys.
const HotKeyDefinition FIXED_KEYS[] = {
    {HOTKEY_CAPTURE, 0, VK_SNAPSHOT, L"PrintScreen"},
    {HOTKEY_CAPTURE_ALT, MOD_CONTROL | MOD_ALT, VK_F12, L"Ctrl+Alt+F12"},
    {HOTKEY_CAPTURE_ACTIVE, MOD_CONTROL, VK_SNAPSHOT, L"Ctrl+PrintScreen"},
    {HOTKEY_CAPTURE_RANGE, MOD_SHIFT, VK_SNAPSHOT, L"Shift+PrintScreen"},
    {HOTKEY_CONFIG, MOD_ALT, VK_SNAPSHOT, L"Alt+PrintScreen"},
    {HOTKEY_CAPTURE_ACTIVE_NOFRAME, MOD_CONTROL | MOD_ALT, VK_SNAPSHOT, L"Ctrl+Alt+PrintScreen"},
    {HOTKEY_HISTORY, MOD_CONTROL | MOD_ALT, VK_F10, L"Ctrl+Alt+F10"},
    {HOTKEY_MENU, MOD_CONTROL | MOD_ALT, VK_F11, L"Ctrl+Alt+F11"},
};

const wchar_t* const LAUNCHER_KEY_NAMES[LAUNCHER_COUNT] = {
    L"Ctrl+F1", L"Ctrl+F2", L"Ctrl+F3", L"Ctrl+F4",  L"Ctrl+F5",  L"Ctrl+F6",
    L"Ctrl+F7", L"Ctrl+F8", L"Ctrl+F9", L"Ctrl+F10", L"Ctrl+F11", L"Ctrl+F12",
};

// The keys of the block that are wanted but another program holds, one bit
// per id from HOTKEY_BLOCK_FIRST.
uint32_t missingKeys;
// The tries made by the retry timer since the retries (re)started.
int retryTries;

uint32_t BitOf(int id) {
    return 1u << (id - HOTKEY_BLOCK_FIRST);
}

HotKeyDefinition LauncherKey(int n) {
    return HotKeyDefinition{HOTKEY_LAUNCH_F1 + n - 1, MOD_CONTROL, static_cast<UINT>(VK_F1 + n - 1),
                            LAUNCHER_KEY_NAMES[n - 1]};
}

bool Register(HWND window, const HotKeyDefinition& key) {
    bool registered = RegisterHotKey(window, key.id, key.modifiers, key.key) != 0;
    if (registered)
        missingKeys &= ~BitOf(key.id);
    else
        missingKeys |= BitOf(key.id);
    return registered;
}

void Unregister(HWND window, int id) {
    UnregisterHotKey(window, id);
    missingKeys &= ~BitOf(id);
}

template <typename Visit> void ForEachMissingKey(Visit visit) {
    for (const HotKeyDefinition& key : FIXED_KEYS) {
        if (missingKeys & BitOf(key.id)) visit(key);
    }
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        if (missingKeys & BitOf(LauncherKey(n).id)) visit(LauncherKey(n));
    }
}

// Windows 11 can keep PrintScreen for its own screen capture.
bool IsPrintScreenHeldBySystemSetting() {
    HKEY keyboard = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Keyboard", 0, KEY_QUERY_VALUE,
                      &keyboard) != ERROR_SUCCESS)
        return false;
    DWORD value = 0, type = 0, size = sizeof value;
    LONG read = RegQueryValueExW(keyboard, L"PrintScreenKeyForSnippingEnabled", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(keyboard);
    return read == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}

// The retry timer runs only while a key is missing, so that an idle program
// with all its keys wakes for nothing; while one stays missing it wakes
// less and less often.
void UpdateHotKeyWatch(HWND window) {
    if (missingKeys != 0) {
        SetTimer(window, HOTKEY_RETRY_TIMER, HotKeyRetryMilliseconds(retryTries), nullptr);
    } else {
        KillTimer(window, HOTKEY_RETRY_TIMER);
        retryTries = 0;
    }
    SetTrayMissingKeys(MissingHotKeyNames());
    // A balloon waiting for quiet to end names the keys as they are now.
    if (IsTrayBalloonWaiting(BalloonKind::HotKeys)) TellMissingHotKeys();
}

void TryMissingKeys(HWND window) {
    ForEachMissingKey([window](const HotKeyDefinition& key) { Register(window, key); });
}

} // namespace

std::wstring MissingHotKeyNames() {
    std::wstring names;
    ForEachMissingKey([&names](const HotKeyDefinition& key) {
        if (!names.empty()) names += L", ";
        names += key.name;
    });
    return names;
}

bool RegisterLauncherHotKey(HWND window, int n) {
    bool registered = Register(window, LauncherKey(n));
    UpdateHotKeyWatch(window);
    return registered;
}

void UnregisterLauncherHotKey(HWND window, int n) {
    Unregister(window, LauncherKey(n).id);
    UpdateHotKeyWatch(window);
}

bool RegisterProgramHotKeys(HWND window) {
    bool printScreen = Register(window, FIXED_KEYS[0]);
    bool ctrlAltF12 = Register(window, FIXED_KEYS[1]);
    if (!printScreen && !ctrlAltF12) return false;

    for (const HotKeyDefinition& key : FIXED_KEYS) {
        if (key.id != HOTKEY_CAPTURE && key.id != HOTKEY_CAPTURE_ALT) Register(window, key);
    }
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        if (IsLauncherOn(launcherTable[n - 1].IsCtrlF)) Register(window, LauncherKey(n));
    }
    UpdateHotKeyWatch(window);
    return true;
}

void UnregisterProgramHotKeys(HWND window) {
    for (int n = 1; n <= LAUNCHER_COUNT; ++n) {
        if (IsLauncherOn(launcherTable[n - 1].IsCtrlF)) Unregister(window, LauncherKey(n).id);
    }
    for (const HotKeyDefinition& key : FIXED_KEYS)
        Unregister(window, key.id);
    KillTimer(window, HOTKEY_RETRY_TIMER);
}

void RetryMissingHotKeys(HWND window) {
    if (missingKeys == 0) return;
    ++retryTries;
    TryMissingKeys(window);
    UpdateHotKeyWatch(window);
}

void RestartHotKeyRetries(HWND window) {
    retryTries = 0;
    if (missingKeys == 0) return;
    TryMissingKeys(window);
    UpdateHotKeyWatch(window);
}

void TellMissingHotKeys() {
    if (missingKeys == 0) {
        WithdrawTrayBalloon(BalloonKind::HotKeys);
        return;
    }
    bool heldBySetting =
        (missingKeys & BitOf(HOTKEY_CAPTURE)) != 0 && IsPrintScreenHeldBySystemSetting();
    CaptureKeys working{(missingKeys & BitOf(HOTKEY_CAPTURE)) == 0,
                        (missingKeys & BitOf(HOTKEY_CAPTURE_ALT)) == 0};
    ShowTrayBalloon(BalloonKind::HotKeys,
                    MissingHotKeysBalloon(MissingHotKeyNames(), working, heldBySetting),
                    heldBySetting);
}
