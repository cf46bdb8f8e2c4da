// The capture history on a real temporary folder: rotation, deletion,
// clearing, trimming and backup of the numbered slot files.
#include "app/app.h"
#include "output/history.h"
#include "output/save.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

class HistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildWorkingPaths(folder.path().c_str(), folder.path().c_str());
        Settings.SaveNum = 3;
    }

    std::wstring Slot(int number) const {
        return folder.file(L"~zor_vex" + std::to_wstring(number) + L".bmp");
    }
    void Fill(int number, const std::string& content) { WriteText(Slot(number), content); }
    void Capture(const std::string& content) { WriteText(workBitmapPath, content); }

    // Contents of slots 1..count, "-" for an empty slot, then of each file of
    // the program's own ("~zvx...") after "aside ".
    std::vector<std::string> Slots(int count) const {
        std::vector<std::string> contents;
        for (int n = 1; n <= count; ++n)
            contents.push_back(FileExists(Slot(n)) ? ReadText(Slot(n)) : "-");
        for (const std::wstring& name : folder.names())
            if (name.rfind(L"~zvx", 0) == 0) contents.push_back("aside " + ReadText(folder.file(name)));
        return contents;
    }

    TempFolder folder;
};

using Contents = std::vector<std::string>;

// Real moves but for the forward move numbered `failing` (from 1, the new
// hard copy's last) and the undoing of the forward moves numbered in `stuck`.
HistoryFileMove ScriptedMoves(int failing, std::vector<int> stuck) {
    std::vector<std::pair<std::wstring, std::wstring>> moved;
    return [=](const std::wstring& from, const std::wstring& to, bool replace) mutable {
        auto back = std::find(moved.begin(), moved.end(), std::make_pair(to, from));
        int step = int(back - moved.begin()) + 1;
        bool fails = back == moved.end() ? step == failing : std::count(stuck.begin(), stuck.end(), step) > 0;
        if (fails || !MoveHistoryFile(from, to, replace)) return false;
        if (back == moved.end()) moved.push_back({from, to});
        return true;
    };
}

TEST_F(HistoryTest, SlotPathsLiveInTheTemporaryFolder) {
    EXPECT_EQ(std::wstring(historyFilePaths[0]), Slot(1));
    EXPECT_EQ(std::wstring(historyFilePaths[299]), Slot(300));
    EXPECT_EQ(std::wstring(workBitmapPath), folder.file(L"~zor_vex.bmp"));
}

TEST_F(HistoryTest, FullHistoryDropsTheOldestAndShiftsTheRest) {
    Fill(1, "A");
    Fill(2, "B");
    Fill(3, "C");
    Capture("N");
    RotateHistory();
    EXPECT_EQ(Slots(4), (Contents{"N", "A", "B", "-"}));
    EXPECT_EQ(ReadText(workBitmapPath), "N") << "the work file stays";
}

TEST_F(HistoryTest, TheOldestSlotGoesEvenWhenAGapCouldTakeTheShift) {
    Settings.SaveNum = 4;
    Fill(1, "A");
    Fill(2, "B");
    Fill(4, "D");
    Capture("N");
    ShiftHistoryFiles(Settings.SaveNum);
    EXPECT_EQ(Slots(4), (Contents{"N", "A", "B", "-"}));
    // the gap moves on with the next capture, like a hard copy
    Capture("M");
    ShiftHistoryFiles(Settings.SaveNum);
    EXPECT_EQ(Slots(4), (Contents{"M", "N", "A", "B"}));
}

TEST_F(HistoryTest, FirstCaptureFillsSlotOneOnly) {
    Capture("N");
    RotateHistory();
    EXPECT_EQ(Slots(3), (Contents{"N", "-", "-"}));
    Capture("M");
    RotateHistory();
    EXPECT_EQ(Slots(3), (Contents{"M", "N", "-"}));
}

TEST_F(HistoryTest, CaptureWithoutWorkFileChangesNothing) {
    Fill(1, "A");
    EXPECT_FALSE(ShiftHistoryFiles(3).filed());
    EXPECT_EQ(Slots(3), (Contents{"A", "-", "-"}));
}

TEST_F(HistoryTest, LoweredLengthLeavesTheHigherSlotsAlone) {
    for (int n = 1; n <= 10; ++n)
        Fill(n, "old" + std::to_string(n));
    Settings.SaveNum = 5;
    Capture("N");
    RotateHistory();
    Capture("M");
    RotateHistory();
    EXPECT_EQ(Slots(10), (Contents{"M", "N", "old1", "old2", "old3", "old6", "old7", "old8", "old9",
                                   "old10"}));
    // raised again, they are the oldest hard copies once more
    Settings.SaveNum = 10;
    Capture("K");
    RotateHistory();
    EXPECT_EQ(Slots(11), (Contents{"K", "M", "N", "old1", "old2", "old3", "old6", "old7", "old8",
                                   "old9", "-"}));
}

TEST_F(HistoryTest, HandEditedLengthsStayInsideTheSlotTable) {
    Settings.SaveNum = 100000;
    Fill(300, "last");
    Capture("N");
    RotateHistory();
    EXPECT_FALSE(FileExists(Slot(300))) << "300 is the largest history";
    EXPECT_FALSE(FileExists(Slot(301)));
    Settings.SaveNum = -5;
    Fill(1, "A");
    Fill(2, "B");
    Fill(3, "C");
    Fill(4, "D");
    RotateHistory();
    EXPECT_EQ(Slots(4), (Contents{"N", "A", "B", "D"})) << "clamped to 3";
}

TEST_F(HistoryTest, FilledMeansTheFileExists) {
    Fill(2, "B");
    EXPECT_FALSE(IsHistorySlotFilled(0));
    EXPECT_TRUE(IsHistorySlotFilled(1));
    EXPECT_FALSE(IsHistorySlotFilled(-1));
    EXPECT_FALSE(IsHistorySlotFilled(300));
}

TEST_F(HistoryTest, DeleteLeavesAGapAndRenumbersNothing) {
    Fill(1, "A");
    Fill(2, "B");
    Fill(3, "C");
    DeleteHistoryEntry(1);
    EXPECT_EQ(Slots(3), (Contents{"A", "-", "C"}));
    DeleteHistoryEntry(-1);
    DeleteHistoryEntry(300);
    EXPECT_EQ(Slots(3), (Contents{"A", "-", "C"}));
}

TEST_F(HistoryTest, ClearDeletesTheHistoryOnly) {
    Settings.SaveNum = 5;
    for (int n = 1; n <= 6; ++n)
        Fill(n, "x");
    Capture("N");
    ClearHistory();
    EXPECT_EQ(Slots(6), (Contents{"-", "-", "-", "-", "-", "x"}));
    EXPECT_TRUE(FileExists(workBitmapPath));
}

TEST_F(HistoryTest, TrimDeletesTheSurplusSlots) {
    for (int n = 1; n <= 11; ++n)
        Fill(n, "x");
    TrimHistory(10, 5);
    EXPECT_EQ(Slots(11), (Contents{"x", "x", "x", "x", "x", "-", "-", "-", "-", "-", "x"}));
    TrimHistory(100000, 299);
    EXPECT_FALSE(FileExists(Slot(300)));
}

TEST_F(HistoryTest, BackupNumbersBySlotAndOverwrites) {
    TempFolder backup;
    std::wstring target = backup.path().substr(0, backup.path().size() - 1);
    Fill(1, "A");
    Fill(3, "C");
    Fill(4, "outside");
    WriteText(backup.file(L"1.bmp"), "stale");
    BackupHistory(target.c_str());
    EXPECT_EQ(ReadText(backup.file(L"1.bmp")), "A");
    EXPECT_FALSE(FileExists(backup.file(L"2.bmp")));
    EXPECT_EQ(ReadText(backup.file(L"3.bmp")), "C");
    EXPECT_FALSE(FileExists(backup.file(L"4.bmp"))) << "slot 4 is outside SaveNum 3";
}

TEST_F(HistoryTest, BackupOfAnEmptyHistoryCopiesNothing) {
    TempFolder backup;
    std::wstring target = backup.path().substr(0, backup.path().size() - 1);
    BackupHistory(target.c_str());
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(backup.file(L"*.bmp").c_str(), &entry);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

} // namespace

namespace {

// Another program holding a file open without sharing it.
class LockedFile {
  public:
    explicit LockedFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~LockedFile() { Release(); }
    void Release() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// A rotation that cannot move one file (held open by another program)
// changes nothing at all; a read-only slot moves and goes all the same. Each
// row checks the history right after the rotation made with the slot held,
// and after the next one, made with it free.
TEST_F(HistoryTest, AHeldSlotLeavesTheWholeHistoryAsItWasAndAReadOnlyOneMoves) {
    enum class Hold { Locked, ReadOnly };
    struct Case {
        int slot;
        Hold hold;
        bool rotated;
        Contents held, after;
    };
    const Contents unchanged = {"A", "B", "C", "-"}, shifted = {"N", "A", "B", "-"};
    for (const Case& c : {Case{1, Hold::Locked, false, unchanged, {"M", "A", "B", "-"}},
                          Case{2, Hold::Locked, false, unchanged, {"M", "A", "B", "-"}},
                          Case{3, Hold::Locked, false, unchanged, {"M", "A", "B", "-"}},
                          Case{1, Hold::ReadOnly, true, shifted, {"M", "N", "A", "-"}},
                          Case{3, Hold::ReadOnly, true, shifted, {"M", "N", "A", "-"}}}) {
        SCOPED_TRACE("slot " + std::to_string(c.slot) +
                     (c.hold == Hold::Locked ? " locked" : " read-only"));
        for (int n = 1; n <= 4; ++n) {
            SetFileAttributesW(Slot(n).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(Slot(n).c_str());
        }
        Fill(1, "A");
        Fill(2, "B");
        Fill(3, "C");
        Capture("N");
        const std::vector<std::wstring> files = {L"~zor_vex.bmp", L"~zor_vex1.bmp",
                                                 L"~zor_vex2.bmp", L"~zor_vex3.bmp"};
        std::unique_ptr<LockedFile> lock;
        if (c.hold == Hold::Locked) {
            lock = std::make_unique<LockedFile>(Slot(c.slot));
            ASSERT_TRUE(lock->held());
        } else {
            ASSERT_TRUE(SetFileAttributesW(Slot(c.slot).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        EXPECT_EQ(RotateHistory().filed(), c.rotated);
        lock.reset();  // the held file can be read again
        EXPECT_EQ(Slots(4), c.held);
        EXPECT_EQ(folder.names(), files) << "nothing of the rotation is left behind";
        Capture("M");
        EXPECT_TRUE(RotateHistory().filed());
        EXPECT_EQ(Slots(4), c.after);
        EXPECT_EQ(folder.names(), files) << "nothing of the rotation is left behind";
    }
}

// Other programs open history files during a rotation: a move fails going
// forward, maybe moves back too. Each row's after holds all of its before.
TEST_F(HistoryTest, AnInterruptedRotationLosesNothingAndSaysWhereEachFileIs) {
    using F = HistoryFiling;
    struct Row { Contents before; int failing; std::vector<int> stuck; F filing; Contents after; };
    const Row rows[] = {
        // the moves: C set aside, B to 3, A to 2, N to 1
        {{"A", "B", "C"}, 1, {}, F::Unchanged, {"A", "B", "C"}},
        {{"A", "B", "C"}, 2, {}, F::Unchanged, {"A", "B", "C"}},
        {{"A", "B", "C"}, 3, {}, F::Unchanged, {"A", "B", "C"}},
        {{"A", "B", "C"}, 4, {}, F::Unchanged, {"A", "B", "C"}},
        // A stuck in 2 keeps B in 3, and B keeps C set aside
        {{"A", "B", "C"}, 4, {3}, F::Disturbed, {"-", "A", "B", "aside C"}},
        {{"A", "B", "C"}, 4, {1}, F::Disturbed, {"A", "B", "-", "aside C"}},
        // the files beyond a stuck one still go back
        {{"A", "B", "-", "D"}, 4, {2}, F::Disturbed, {"A", "-", "B", "D"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        for (const std::wstring& name : folder.names()) DeleteFileW(folder.file(name).c_str());
        int length = int(row.before.size());
        for (int n = 1; n <= length; ++n)
            if (row.before[n - 1] != "-") Fill(n, row.before[n - 1]);
        Capture("N");
        HistoryRotation rotation = ShiftHistoryFiles(length, ScriptedMoves(row.failing, row.stuck));
        RemoveLeftoverTemporaryFiles(folder.path().c_str()); // as the next start does
        EXPECT_EQ(rotation.filing, row.filing);
        EXPECT_EQ(Slots(length), row.after);
        // the result names every hard copy out of its slot, and where it is
        int misplaced = 0;
        for (int n = 0; n < length; ++n) misplaced += row.before[n] != "-" && row.after[n] != row.before[n];
        EXPECT_EQ(int(rotation.strays.size()), misplaced);
        for (const StrayHardCopy& stray : rotation.strays)
            EXPECT_EQ(ReadText(stray.nowInSlot > 0 ? Slot(stray.nowInSlot) : stray.setAsideFile),
                      row.before[stray.slot - 1]);
    }
}

TEST_F(HistoryTest, CopiesAreWholeOrNotThere) {
    std::wstring source = folder.file(L"source.bmp");
    WriteText(source, "hard copy");
    // a missing source leaves the destination as it was
    WriteText(folder.file(L"old.bmp"), "old");
    EXPECT_FALSE(CopyHardCopyFile(folder.file(L"missing.bmp").c_str(), folder.file(L"old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file(L"old.bmp")), "old");
    // a destination held open by another program is neither replaced nor cut
    {
        LockedFile lock(folder.file(L"old.bmp"));
        EXPECT_FALSE(CopyHardCopyFile(source.c_str(), folder.file(L"old.bmp").c_str()));
    }
    EXPECT_EQ(ReadText(folder.file(L"old.bmp")), "old");
    // a folder that does not exist gets nothing
    EXPECT_FALSE(CopyHardCopyFile(source.c_str(), folder.file(L"gone\\x.bmp").c_str()));
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), folder.file(L"old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file(L"old.bmp")), "hard copy");
    // a user's own file named like the destination plus "~" is not touched
    WriteText(folder.file(L"old.bmp~"), "the user's");
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), folder.file(L"old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file(L"old.bmp~")), "the user's");
    EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"old.bmp", L"old.bmp~", L"source.bmp"}))
        << "no temporary file is left";
}

// A destination whose folder leaves no room for a temporary name beside it
// still gets its copy, as long as the destination itself fits.
TEST_F(HistoryTest, ADestinationNearThePathLimitIsStillWritten) {
    std::wstring source = folder.file(L"source.bmp");
    WriteText(source, "hard copy");
    // 247 characters: the longest folder that can be made, 12 short of the
    // limit with its backslash, so no "~zvxXXXX.tmp" fits beside "a.bmp".
    std::wstring deep = folder.path();
    while (deep.size() < MAX_PATH - 13) {
        deep += std::wstring(std::min<size_t>(40, MAX_PATH - 13 - deep.size()), L'd');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
        deep += L"\\";
    }
    std::wstring destination = deep + L"a.bmp";
    ASSERT_LT(destination.size(), size_t(MAX_PATH));
    ASSERT_GE(deep.size() + 12, size_t(MAX_PATH));
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), destination.c_str()));
    EXPECT_EQ(ReadText(destination), "hard copy");
}

TEST_F(HistoryTest, LeftoversOfAnInterruptedCopyGoAtStart) {
    for (const wchar_t* name : {L"~zvx01AF.tmp", L"~zvx1234.tmp", L"~zvx12345.tmp", L"~zvxabcg.tmp",
                                L"zvx1234.tmp", L"~zor_vex1.bmp"})
        WriteText(folder.file(name), "x");
    RemoveLeftoverTemporaryFiles(folder.path().c_str());
    EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"zvx1234.tmp", L"~zor_vex1.bmp",
                                                          L"~zvx12345.tmp", L"~zvxabcg.tmp"}));
}

} // namespace
