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

    std::string Slot(int number) const {
        return folder.file("~zor_vex" + std::to_string(number) + ".bmp");
    }
    void Fill(int number, const std::string& content) { WriteText(Slot(number), content); }
    void Capture(const std::string& content) { WriteText(workBitmapPath, content); }

    // Contents of slots 1..count; "-" for an empty slot.
    std::vector<std::string> Slots(int count) const {
        std::vector<std::string> contents;
        for (int n = 1; n <= count; ++n)
            contents.push_back(FileExists(Slot(n)) ? ReadText(Slot(n)) : "-");
        return contents;
    }

    TempFolder folder;
};

using Contents = std::vector<std::string>;

TEST_F(HistoryTest, SlotPathsLiveInTheTemporaryFolder) {
    EXPECT_EQ(std::string(historyFilePaths[0]), Slot(1));
    EXPECT_EQ(std::string(historyFilePaths[299]), Slot(300));
    EXPECT_EQ(std::string(workBitmapPath), folder.file("~zor_vex.bmp"));
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
    EXPECT_FALSE(ShiftHistoryFiles(3));
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
    std::string target = backup.path().substr(0, backup.path().size() - 1);
    Fill(1, "A");
    Fill(3, "C");
    Fill(4, "outside");
    WriteText(backup.file("1.bmp"), "stale");
    BackupHistory(target.c_str());
    EXPECT_EQ(ReadText(backup.file("1.bmp")), "A");
    EXPECT_FALSE(FileExists(backup.file("2.bmp")));
    EXPECT_EQ(ReadText(backup.file("3.bmp")), "C");
    EXPECT_FALSE(FileExists(backup.file("4.bmp"))) << "slot 4 is outside SaveNum 3";
}

TEST_F(HistoryTest, BackupOfAnEmptyHistoryCopiesNothing) {
    TempFolder backup;
    std::string target = backup.path().substr(0, backup.path().size() - 1);
    BackupHistory(target.c_str());
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(backup.file("*.bmp").c_str(), &entry);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

} // namespace

namespace {

// Another program holding a file open without sharing it.
class LockedFile {
  public:
    explicit LockedFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
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
            SetFileAttributesA(Slot(n).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(Slot(n).c_str());
        }
        Fill(1, "A");
        Fill(2, "B");
        Fill(3, "C");
        Capture("N");
        const std::vector<std::string> files = {"~zor_vex.bmp", "~zor_vex1.bmp", "~zor_vex2.bmp",
                                                "~zor_vex3.bmp"};
        std::unique_ptr<LockedFile> lock;
        if (c.hold == Hold::Locked) {
            lock = std::make_unique<LockedFile>(Slot(c.slot));
            ASSERT_TRUE(lock->held());
        } else {
            ASSERT_TRUE(SetFileAttributesA(Slot(c.slot).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        EXPECT_EQ(RotateHistory(), c.rotated);
        lock.reset();  // the held file can be read again
        EXPECT_EQ(Slots(4), c.held);
        EXPECT_EQ(folder.names(), files) << "nothing of the rotation is left behind";
        Capture("M");
        EXPECT_TRUE(RotateHistory());
        EXPECT_EQ(Slots(4), c.after);
        EXPECT_EQ(folder.names(), files) << "nothing of the rotation is left behind";
    }
}

TEST_F(HistoryTest, CopiesAreWholeOrNotThere) {
    std::string source = folder.file("source.bmp");
    WriteText(source, "hard copy");
    // a missing source leaves the destination as it was
    WriteText(folder.file("old.bmp"), "old");
    EXPECT_FALSE(CopyHardCopyFile(folder.file("missing.bmp").c_str(), folder.file("old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file("old.bmp")), "old");
    // a destination held open by another program is neither replaced nor cut
    {
        LockedFile lock(folder.file("old.bmp"));
        EXPECT_FALSE(CopyHardCopyFile(source.c_str(), folder.file("old.bmp").c_str()));
    }
    EXPECT_EQ(ReadText(folder.file("old.bmp")), "old");
    // a folder that does not exist gets nothing
    EXPECT_FALSE(CopyHardCopyFile(source.c_str(), folder.file("gone\\x.bmp").c_str()));
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), folder.file("old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file("old.bmp")), "hard copy");
    // a user's own file named like the destination plus "~" is not touched
    WriteText(folder.file("old.bmp~"), "the user's");
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), folder.file("old.bmp").c_str()));
    EXPECT_EQ(ReadText(folder.file("old.bmp~")), "the user's");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"old.bmp", "old.bmp~", "source.bmp"}))
        << "no temporary file is left";
}

// A destination whose folder leaves no room for a temporary name beside it
// still gets its copy, as long as the destination itself fits.
TEST_F(HistoryTest, ADestinationNearThePathLimitIsStillWritten) {
    std::string source = folder.file("source.bmp");
    WriteText(source, "hard copy");
    // 247 characters: the longest folder that can be made, 12 short of the
    // limit with its backslash, so no "~zvxXXXX.tmp" fits beside "a.bmp".
    std::string deep = folder.path();
    while (deep.size() < MAX_PATH - 13) {
        deep += std::string(std::min<size_t>(40, MAX_PATH - 13 - deep.size()), 'd');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
        deep += "\\";
    }
    std::string destination = deep + "a.bmp";
    ASSERT_LT(destination.size(), size_t(MAX_PATH));
    ASSERT_GE(deep.size() + 12, size_t(MAX_PATH));
    EXPECT_TRUE(CopyHardCopyFile(source.c_str(), destination.c_str()));
    EXPECT_EQ(ReadText(destination), "hard copy");
}

TEST_F(HistoryTest, LeftoversOfAnInterruptedCopyGoAtStart) {
    for (const char* name : {"~zvx01AF.tmp", "~zvx1234.tmp", "~zvx12345.tmp", "~zvxabcg.tmp",
                             "zvx1234.tmp", "~zor_vex1.bmp"})
        WriteText(folder.file(name), "x");
    RemoveLeftoverTemporaryFiles(folder.path().c_str());
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"zvx1234.tmp", "~zor_vex1.bmp",
                                                         "~zvx12345.tmp", "~zvxabcg.tmp"}));
}

} // namespace
