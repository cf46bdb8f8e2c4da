#include "output/save.h"

#include "settings/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[16];
    std::swprintf(date, std::size(date), L"%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
    return date;
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class AutomaticNames : public ::testing::Test {
  protected:
    void SetUp() override {
        saveDir_ = folder_.path().substr(0, folder_.path().size() - 1);
        std::wcscpy(Settings.SaveDir, saveDir_.c_str());
        Settings.SaveImageType = IMAGE_TYPE_BITMAP;
    }
    std::wstring Choose() {
        wchar_t destination[SAVE_NAME_CAPACITY] = {};
        ChooseSaveDestination(0, destination);
        return destination;
    }
    std::wstring DayFile(const std::wstring& number) {
        return saveDir_ + L"\\bitmap\\" + Today() + L"\\" + number + L".bmp";
    }

    TempFolder folder_;
    std::wstring saveDir_;
};

TEST_F(AutomaticNames, FirstSaveCreatesTheFoldersAndTakesNumberOne) {
    EXPECT_EQ(Choose(), DayFile(L"000001"));
    EXPECT_TRUE(IsFolder(saveDir_ + L"\\bitmap"));
    EXPECT_TRUE(IsFolder(saveDir_ + L"\\bitmap\\" + Today()));
    EXPECT_FALSE(FileExists(DayFile(L"000001"))) << L"choosing a name writes nothing";
}

TEST_F(AutomaticNames, NextSaveTakesTheNextNumberAndFillsGaps) {
    WriteText(Choose(), "x");
    EXPECT_EQ(Choose(), DayFile(L"000002"));
    WriteText(DayFile(L"000002"), "x");
    WriteText(DayFile(L"000003"), "x");
    DeleteFileW(DayFile(L"000001").c_str());
    EXPECT_EQ(Choose(), DayFile(L"000001"));
    WriteText(DayFile(L"000001"), "x");
    EXPECT_EQ(Choose(), DayFile(L"000004"));
}

TEST_F(AutomaticNames, NewDayFolderStartsAtOne) {
    SYSTEMTIME before = {};
    before.wYear = 2012;
    before.wMonth = 3;
    before.wDay = 4;
    SYSTEMTIME after = before;
    after.wDay = 5;
    std::wstring first = AutomaticDayFolder(saveDir_.c_str(), before);
    std::wstring second = AutomaticDayFolder(saveDir_.c_str(), after);
    EXPECT_EQ(first, saveDir_ + L"\\bitmap\\20120304");
    EXPECT_EQ(second, saveDir_ + L"\\bitmap\\20120305");
    CreateDirectoryW(AutomaticBitmapFolder(saveDir_.c_str()).c_str(), nullptr);
    CreateDirectoryW(first.c_str(), nullptr);
    CreateDirectoryW(second.c_str(), nullptr);
    WriteText(first + L"\\000001.bmp", "x");
    WriteText(first + L"\\000002.bmp", "x");
    EXPECT_EQ(FindFreeAutomaticName(first), first + L"\\000003.bmp");
    EXPECT_EQ(FindFreeAutomaticName(second), second + L"\\000001.bmp");
}

TEST_F(AutomaticNames, FullDayFolderGivesNoNameAndOverwritesNothing) {
    std::wstring day = saveDir_ + L"\\day";
    CreateDirectoryW(day.c_str(), nullptr);
    for (const wchar_t* name : {L"\\000001.bmp", L"\\000002.bmp", L"\\000003.bmp"})
        WriteText(day + name, "keep");
    EXPECT_EQ(FindFreeAutomaticName(day, 3), L"");
    EXPECT_EQ(FindFreeAutomaticName(day, 4), day + L"\\000004.bmp");

    wchar_t destination[SAVE_NAME_CAPACITY] = L"stale";
    EXPECT_FALSE(StoreSaveName(FindFreeAutomaticName(day, 3), destination));
    EXPECT_STREQ(destination, L"");
    EXPECT_EQ(ReadText(day + L"\\000002.bmp"), "keep");
}

TEST_F(AutomaticNames, PngsNumberOnFromTheHighestOfEitherTypeAndBitmapsTakeNoPngNumber) {
    Settings.SaveImageType = IMAGE_TYPE_PNG;
    wchar_t destination[SAVE_NAME_CAPACITY] = {};
    EXPECT_EQ(ChooseSaveDestination(0, destination), IMAGE_TYPE_PNG);
    EXPECT_EQ(std::wstring(destination), saveDir_ + L"\\bitmap\\" + Today() + L"\\000001.png");
    std::wstring day = saveDir_ + L"\\bitmap\\" + Today();
    WriteText(day + L"\\000003.bmp", "x");
    EXPECT_EQ(FindNextAutomaticPngName(day), day + L"\\000004.png");
    WriteText(day + L"\\000001.PNG", "x");
    WriteText(day + L"\\000004.png", "x");
    EXPECT_EQ(FindNextAutomaticPngName(day), day + L"\\000005.png");
    EXPECT_EQ(FindNextAutomaticPngName(day, 4), L"");
    EXPECT_EQ(FindFreeAutomaticName(day), day + L"\\000002.bmp");
}

TEST_F(AutomaticNames, SaveDirAtItsCapacityStaysInsideTheBuffer) {
    std::wstring longDir =
        saveDir_ + L"\\" + std::wstring(SAVE_DIR_CAPACITY - 2 - saveDir_.size(), 'd');
    ASSERT_EQ(longDir.size(), size_t(SAVE_DIR_CAPACITY - 1));
    std::wcscpy(Settings.SaveDir, longDir.c_str());

    constexpr wchar_t GUARD = '\x5A';
    std::vector<wchar_t> buffer(SAVE_NAME_CAPACITY + 64, GUARD);
    buffer[0] = '\0';
    ChooseSaveDestination(0, buffer.data());
    std::wstring name = buffer.data();
    EXPECT_EQ(name, longDir + L"\\bitmap\\" + Today() + L"\\000001.bmp");
    for (size_t i = SAVE_NAME_CAPACITY; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], GUARD);
}

TEST(SaveNames, NamesThatDoNotFitAreRefused) {
    wchar_t destination[SAVE_NAME_CAPACITY + 8];
    std::wmemset(destination, L'g', std::size(destination));
    EXPECT_TRUE(StoreSaveName(std::wstring(SAVE_NAME_CAPACITY - 1, 'n'), destination));
    EXPECT_EQ(std::wcslen(destination), SAVE_NAME_CAPACITY - 1);

    std::wmemset(destination, L'g', std::size(destination));
    EXPECT_FALSE(StoreSaveName(std::wstring(SAVE_NAME_CAPACITY, 'n'), destination));
    EXPECT_EQ(destination[0], '\0');
    EXPECT_FALSE(StoreSaveName(std::wstring(2000, 'n'), destination));
    EXPECT_EQ(destination[0], '\0');
    for (size_t i = 1; i < std::size(destination); ++i)
        ASSERT_EQ(destination[i], 'g');
}

TEST(EditParameters, AppParamOneBlankAndThePathUnquoted) {
    EXPECT_EQ(BuildEditParameters(L"/p", L"C:\\My Files\\~zor_vex1.bmp"),
              L"/p C:\\My Files\\~zor_vex1.bmp");
    EXPECT_EQ(BuildEditParameters(L"", L"C:\\t\\a.bmp"), L" C:\\t\\a.bmp");
}

TEST(FileTimeText, LastWriteInLocalTime) {
    TempFolder folder;
    std::wstring path = folder.file(L"written.bmp");
    WriteText(path, "x");
    SYSTEMTIME local = {};
    local.wYear = 2012;
    local.wMonth = 3;
    local.wDay = 4;
    local.wHour = 5;
    local.wMinute = 6;
    local.wSecond = 7;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &utc);
        CloseHandle(file);
    }
    wchar_t text[32] = {};
    FormatFileTimeText(path.c_str(), text, std::size(text));
    EXPECT_STREQ(text, L"2012/03/04 05:06:07");

    wchar_t untouched[32] = {};
    FormatFileTimeText(folder.file(L"missing.bmp").c_str(), untouched, std::size(untouched));
    EXPECT_STREQ(untouched, L"");
}

} // namespace

namespace {

// A sync client, an antivirus or the indexer opens a new file for a moment,
// with every sharing allowed: the save goes on all the same.
TEST(WriteThroughTemporary, ANewFileAnotherProgramHasOpenIsStillSaved) {
    TempFolder folder;
    std::wstring destination = folder.file(L"saved.bmp");
    HANDLE reader = INVALID_HANDLE_VALUE;
    DWORD error = NO_ERROR;
    bool written = WriteFileThroughTemporary(
        destination.c_str(),
        [&reader](const wchar_t* path) {
            WriteText(path, "hard copy");
            reader = CreateFileW(path, GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
            return reader != INVALID_HANDLE_VALUE;
        },
        &error);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    EXPECT_TRUE(written) << error;
    EXPECT_EQ(ReadText(destination), "hard copy");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"saved.bmp"});
}

} // namespace
