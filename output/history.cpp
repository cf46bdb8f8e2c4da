#include "output/history.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/save.h"
#include "settings/settings.h"

#include <cwchar>
#include <cstdio>
#include <algorithm>
#include <bitset>
#include <string>
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

// Where the oldest hard copy waits while the others move up: a
// reservation file of the program's own, so that it can come back. Named
// ".bmp", as a hard copy that could not come back stays there: the removal
// of leftover ".tmp" files at start leaves it.
constexpr int SET_ASIDE = -1;

// The renames of one rotation by slot, so that a rotation that cannot finish
// puts every file back, or says where those are that could not go back.
class HistoryMoves {
  public:
    explicit HistoryMoves(const HistoryFileMove& move) : move_(move) {}

    bool SetAside(int slot) {
        aside_ = CreateTemporaryFileBeside(historyFilePaths[slot], L".bmp");
        reservationEmpty_ = !aside_.empty();
        return reservationEmpty_ && Move(slot, SET_ASIDE);
    }
    bool Move(int from, int to) {
        if (!move_(PathOf(from), PathOf(to), to == SET_ASIDE)) return false;
        if (to == SET_ASIDE) reservationEmpty_ = false;
        done_.push_back({from, to});
        return true;
    }
    // Moves back every file, the last moved first, and goes on past one
    // that cannot go back: no move replaces a file, so none is lost.
    HistoryRotation Undo() {
        HistoryRotation rotation;
        for (auto move = done_.rbegin(); move != done_.rend(); ++move)
            if (!move_(PathOf(move->to), PathOf(move->from), false))
                rotation.strays.push_back(StrayOf(*move));
        done_.clear();
        if (reservationEmpty_) DeleteFileW(aside_.c_str());
        rotation.filing = rotation.strays.empty() ? HistoryFiling::Unchanged : HistoryFiling::Disturbed;
        return rotation;
    }
    // The set-aside oldest hard copy goes once the rotation is filed, even
    // when it is read-only (a user or a backup tool set it).
    void DropSetAside() const {
        if (aside_.empty() || DeleteFileW(aside_.c_str())) return;
        SetFileAttributesW(aside_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(aside_.c_str());
    }

  private:
    struct SlotMove {
        int from;
        int to;
    };

    std::wstring PathOf(int slot) const { return slot == SET_ASIDE ? aside_ : historyFilePaths[slot]; }
    StrayHardCopy StrayOf(const SlotMove& move) const {
        if (move.to == SET_ASIDE) return StrayHardCopy{move.from + 1, 0, aside_};
        return StrayHardCopy{move.from + 1, move.to + 1, std::wstring()};
    }

    const HistoryFileMove& move_;
    std::vector<SlotMove> done_;
    std::wstring aside_;
    bool reservationEmpty_ = false;
};

// "...\~zor_vex*": the slots' file names differ only in their number.
std::wstring SlotFilePattern() {
    std::wstring first = historyFilePaths[0];
    return first.substr(0, first.find_first_of(L"0123456789", FolderOf(first.c_str()).size())) + L"*";
}

// The slot whose file is `path`, or -1.
int SlotOfPath(const std::wstring& path) {
    size_t number = path.find_first_of(L"0123456789", FolderOf(path.c_str()).size());
    if (number == std::wstring::npos) return -1;
    int slot = std::wcstol(path.c_str() + number, nullptr, 10) - 1;
    bool named = IsValidSlot(slot) && CompareStringOrdinal(path.c_str(), -1, historyFilePaths[slot], -1,
                                                           TRUE) == CSTR_EQUAL;
    return named ? slot : -1;
}

// Which slots hold a file, from one listing of the folder rather than a
// look at each slot's path: the rotation of a long history stays quick.
std::bitset<HISTORY_SLOT_COUNT> ListFilledSlots() {
    std::bitset<HISTORY_SLOT_COUNT> filled;
    std::wstring pattern = SlotFilePattern();
    std::wstring folder = FolderOf(pattern.c_str());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return filled;
    do {
        int slot = SlotOfPath(folder + found.cFileName);
        if (slot >= 0) filled[slot] = true;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return filled;
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

    // A slot that changes after the listing costs no file: no move but the
    // one into the reservation replaces a file.
    std::bitset<HISTORY_SLOT_COUNT> filled = ListFilledSlots();
    HistoryMoves moves(move);
    bool shifted = !filled[n - 1] || moves.SetAside(n - 1);
    for (int i = n - 2; shifted && i >= 0; --i)
        if (filled[i]) shifted = moves.Move(i, i + 1);
    if (shifted) shifted = move(incoming, historyFilePaths[0], false);
    if (shifted) {
        moves.DropSetAside();
        return HistoryRotation{HistoryFiling::Filed, {}};
    }
    DeleteFileW(incoming.c_str());
    return moves.Undo();
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
