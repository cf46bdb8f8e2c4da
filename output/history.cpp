#include "output/history.h"

#include "app/app.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "output/save.h"
#include "settings/settings.h"

#include <io.h>

#include <cstdio>
#include <algorithm>
#include <string>

namespace {

int HistoryLength() { return ClampHistoryLength(Settings.SaveNum); }

bool IsValidSlot(int slot) { return slot >= 0 && slot < HISTORY_SLOT_COUNT; }

// True when the slot is empty afterwards.
bool DeleteSlotFile(int slot) {
    return DeleteFileA(historyFilePaths[slot]) || !IsHistorySlotFilled(slot);
}

} // namespace

bool IsHistorySlotFilled(int slot) {
    return IsValidSlot(slot) && _access(historyFilePaths[slot], 0) == 0;
}

bool ShiftHistoryFiles(int historyLength) {
    int n = ClampHistoryLength(historyLength);
    if (IsHistorySlotFilled(n - 1)) DeleteFileA(historyFilePaths[n - 1]);
    for (int i = n - 2; i >= 0; --i) {
        if (IsHistorySlotFilled(i)) MoveFileA(historyFilePaths[i], historyFilePaths[i + 1]);
    }
    // A slot another program holds open stops the files below it from
    // moving up; the newest of them then stays rather than being overwritten.
    if (IsHistorySlotFilled(0)) return false;
    return _access(workBitmapPath, 0) == 0 &&
           CopyHardCopyFile(workBitmapPath, historyFilePaths[0]);
}

bool RotateHistory() {
    bool filed = ShiftHistoryFiles(HistoryLength());
    BuildTrayMenu();
    InvalidateRect(nullptr, nullptr, TRUE);
    PumpPendingMessages();
    return filed;
}

void DeleteHistoryEntry(int slot) {
    if (IsValidSlot(slot)) DeleteFileA(historyFilePaths[slot]);
}

int ClearHistory() {
    int failed = 0;
    for (int i = 0; i < HistoryLength(); ++i) failed += DeleteSlotFile(i) ? 0 : 1;
    return failed;
}

int TrimHistory(int oldLength, int newLength) {
    int last = std::min(oldLength, HISTORY_SLOT_COUNT);
    int failed = 0;
    for (int i = std::max(newLength, 0); i < last; ++i) failed += DeleteSlotFile(i) ? 0 : 1;
    return failed;
}

int BackupHistory(const char* folder) {
    int failed = 0;
    for (int i = 0; i < HistoryLength(); ++i) {
        if (!IsHistorySlotFilled(i)) continue;
        std::string destination = std::string(folder) + "\\" + std::to_string(i + 1) + ".bmp";
        if (!CopyHardCopyFile(historyFilePaths[i], destination.c_str())) ++failed;
    }
    return failed;
}
