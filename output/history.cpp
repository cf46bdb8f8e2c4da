#include "output/history.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/save.h"
#include "settings/settings.h"

#include <cwchar>
#include <cstdio>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

int HistoryLength() { return ClampHistoryLength(Settings.SaveNum); }

bool IsValidSlot(int slot) { return slot >= 0 && slot < HISTORY_SLOT_COUNT; }

// True when the slot is empty afterwards.
bool DeleteSlotFile(int slot) {
    return DeleteFileW(historyFilePaths[slot]) || !IsHistorySlotFilled(slot);
}

} // namespace

bool IsHistorySlotFilled(int slot) {
    return IsValidSlot(slot) && historyFilePaths[slot][0] != L'\0' &&
           GetFileAttributesW(historyFilePaths[slot]) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// The renames of one rotation, so that a rotation that cannot finish puts
// every file back where it was.
class HistoryMoves {
  public:
    explicit HistoryMoves(const HistoryFileMove& move) : move_(move) {}
    bool Move(const std::wstring& from, const std::wstring& to) {
        if (!move_(from, to, to == aside_)) return false;
        done_.push_back({from, to});
        return true;
    }
    void Undo() {
        for (auto move = done_.rbegin(); move != done_.rend(); ++move)
            move_(move->second, move->first, false);
        done_.clear();
    }
    void SetAside(const std::wstring& aside) { aside_ = aside; }

  private:
    const HistoryFileMove& move_;
    std::vector<std::pair<std::wstring, std::wstring>> done_;
    std::wstring aside_;
};

// The program's own history files may be read-only (a user or a backup tool
// set it); they move and go all the same.
void AllowToGo(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

} // namespace

bool MoveHistoryFile(const std::wstring& from, const std::wstring& to, bool replace) {
    return MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != FALSE;
}

HistoryRotation ShiftHistoryFiles(int historyLength, const HistoryFileMove& move) {
    int n = ClampHistoryLength(historyLength);
    if (GetFileAttributesW(workBitmapPath) == INVALID_FILE_ATTRIBUTES) return {};
    std::wstring incoming = WriteTemporaryFileBeside(historyFilePaths[0], [](const wchar_t* path) {
        return CopyFileW(workBitmapPath, path, FALSE) != FALSE;
    });
    if (incoming.empty()) return {};

    HistoryMoves moves(move);
    std::wstring dropped;
    bool shifted = true;
    if (IsHistorySlotFilled(n - 1)) {
        // Set aside rather than deleted, so that it can come back.
        dropped = CreateTemporaryFileBeside(historyFilePaths[n - 1]);
        moves.SetAside(dropped);
        AllowToGo(historyFilePaths[n - 1]);
        shifted = !dropped.empty() && moves.Move(historyFilePaths[n - 1], dropped);
    }
    for (int i = n - 2; shifted && i >= 0; --i) {
        if (!IsHistorySlotFilled(i)) continue;
        AllowToGo(historyFilePaths[i]);
        shifted = moves.Move(historyFilePaths[i], historyFilePaths[i + 1]);
    }
    if (shifted) shifted = moves.Move(incoming, historyFilePaths[0]);
    if (!shifted) {
        moves.Undo();
        DeleteFileW(incoming.c_str());
        // What was set aside is back in its slot; an empty reservation goes.
        if (!dropped.empty() && IsHistorySlotFilled(n - 1)) DeleteFileW(dropped.c_str());
        return {};
    }
    if (!dropped.empty()) DeleteFileW(dropped.c_str());
    return HistoryRotation{HistoryFiling::Filed, {}};
}

HistoryRotation RotateHistory() {
    HistoryRotation rotation = ShiftHistoryFiles(HistoryLength());
    InvalidateRect(nullptr, nullptr, TRUE);
    PumpPendingMessages();
    return rotation;
}

void DeleteHistoryEntry(int slot) {
    if (IsValidSlot(slot)) DeleteFileW(historyFilePaths[slot]);
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

int BackupHistory(const wchar_t* folder) {
    int failed = 0;
    for (int i = 0; i < HistoryLength(); ++i) {
        if (!IsHistorySlotFilled(i)) continue;
        std::wstring destination = std::wstring(folder) + L"\\" + std::to_wstring(i + 1) + L".bmp";
        if (!CopyHardCopyFile(historyFilePaths[i], destination.c_str())) ++failed;
    }
    return failed;
}
