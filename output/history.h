// The capture history: numbered bitmap files in the temporary folder. Slot 0
// is the newest hard copy; a slot is filled exactly when its file exists.
#pragma once

bool IsHistorySlotFilled(int slot);
// Files the work file as slot 0 (see ShiftHistoryFiles) and lets windows
// repaint; false when it could not be filed, and then the history is as it
// was. The tray menu that lists the history is its caller's to rebuild.
bool RotateHistory();
void DeleteHistoryEntry(int slot);
// These three return how many files failed: left in place, or not copied.
int ClearHistory();
int TrimHistory(int oldLength, int newLength);
int BackupHistory(const wchar_t* folder);

// Files the work file as slot 0 and moves every older hard copy one place
// towards the end (the one beyond the history's length goes), without
// touching any window. All or nothing: when a file cannot move (another
// program holds it open) or the copy cannot be written, every history file
// is left as it was and the result is false. RotateHistory adds the repaint.
bool ShiftHistoryFiles(int historyLength);
