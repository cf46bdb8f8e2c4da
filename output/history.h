// The capture history: numbered bitmap files in the temporary folder. Slot 0
// is the newest hard copy; a slot is filled exactly when its file exists.
#pragma once

bool IsHistorySlotFilled(int slot);
// Files the work file as slot 0; false when it could not be filed.
bool RotateHistory();
void DeleteHistoryEntry(int slot);
// These three return how many files failed: left in place, or not copied.
int ClearHistory();
int TrimHistory(int oldLength, int newLength);
int BackupHistory(const char* folder);

// Shifts the slot files one place towards the end and copies the work file
// into slot 0, without touching any window; false when slot 0 could not be
// freed or written. RotateHistory adds the tray menu and the repaint.
bool ShiftHistoryFiles(int historyLength);
