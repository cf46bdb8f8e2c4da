// The capture history: numbered bitmap files in the temporary folder. Slot 0
// is the newest hard copy; a slot is filled exactly when its file exists.
#pragma once

#include <functional>
#include <string>
#include <vector>

bool IsHistorySlotFilled(int slot);

enum class HistoryFiling {
    Filed,
    // Every history file is where it was before.
    Unchanged,
    // A rotation that could not finish could not put every file back either.
    Disturbed,
};

// A hard copy that a disturbed rotation left out of its slot. Slots are
// numbered from 1, as the user sees them; `nowInSlot` is 0 for the oldest
// hard copy left in the temporary file `setAsideFile`.
struct StrayHardCopy {
    int slot = 0;
    int nowInSlot = 0;
    std::wstring setAsideFile;
};

struct HistoryRotation {
    HistoryFiling filing = HistoryFiling::Unchanged;
    // Empty unless the filing is Disturbed.
    std::vector<StrayHardCopy> strays;

    bool filed() const { return filing == HistoryFiling::Filed; }
};

// Renames `from` as `to`; only `replace` lets it take the place of a file.
using HistoryFileMove =
    std::function<bool(const std::wstring& from, const std::wstring& to, bool replace)>;
bool MoveHistoryFile(const std::wstring& from, const std::wstring& to, bool replace);

// Files the work file as slot 0 (see ShiftHistoryFiles) and lets windows
// repaint. The tray menu that lists the history is its caller's to rebuild.
HistoryRotation RotateHistory();
void DeleteHistoryEntry(int slot);
// These three return how many files failed: left in place, or not copied.
int ClearHistory();
int TrimHistory(int oldLength, int newLength);
int BackupHistory(const wchar_t* folder);

// Files the work file as slot 0 and moves every older hard copy one place
// towards the end (the one beyond the history's length goes), without
// touching any window. All or nothing: when a file cannot move (another
// program holds it open) or the copy cannot be written, every move is
// undone. RotateHistory adds the repaint.
HistoryRotation ShiftHistoryFiles(int historyLength,
                                  const HistoryFileMove& move = MoveHistoryFile);
