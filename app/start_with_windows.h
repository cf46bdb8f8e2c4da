// Start with Windows: the shortcut "ZORVEX.lnk" in the user's Startup folder
// that starts this program in the folder of this run's zorvex.ini. The
// shortcut is the only record of the choice; nothing goes to the registry or
// to the settings file, so a copy on a removable drive stays portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a shortcut starts: the program and its working folder.
struct StartTarget {
    std::wstring program;
    std::wstring folder;
};

enum StartupState { STARTUP_ABSENT, STARTUP_THIS, STARTUP_OTHER };
enum StartupAction { STARTUP_KEEP, STARTUP_MAKE, STARTUP_REMOVE };

// Paths compared as Windows compares file names: letter case and trailing
// backslashes aside. An empty path names nothing and matches nothing.
bool IsSamePath(std::wstring_view a, std::wstring_view b);

// ZORVEX.lnk (none when `shortcut` is empty) against this run's program and
// folder. A shortcut that could not be read has empty fields: another's.
StartupState StartupStateOf(const std::optional<StartTarget>& shortcut, const StartTarget& self);

// What 適用 does: another ZORVEX's shortcut is replaced only when the box is
// checked, and never removed.
StartupAction StartupActionFor(StartupState state, bool checked);

// The words beside the box: empty unless the shortcut starts another ZORVEX
// or this one in another folder.
std::wstring StartupNote(StartupState state, const StartTarget& shortcut);

// The box as the configuration dialog shows it, read from the Startup folder.
struct StartupView {
    bool checked;
    std::wstring note;
};
StartupView ReadStartupView();

// Makes or removes ZORVEX.lnk as the box says. Returns what to tell the user
// when the shortcut could not be made or removed, naming the folder; empty
// when the folder holds what the box asks for.
std::wstring ApplyStartWithWindows(bool checked);
