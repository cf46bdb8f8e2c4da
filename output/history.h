// The capture history: numbered bitmap files in the temporary folder. Slot 0
// is the newest hard copy; a slot is filled exactly when its file exists.
#pragma once

bool IsHistorySlotFilled(int slot);
void RotateHistory();
void DeleteHistoryEntry(int slot);
void ClearHistory();
void TrimHistory(int oldLength, int newLength);
void BackupHistory(const char* folder);

// Shifts the slot files one place towards the end and copies the work file
// into slot 0, without touching any window. RotateHistory adds the tray menu
// and the repaint.
void ShiftHistoryFiles(int historyLength);
