#include "output/save.h"

#include "settings/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
    return date;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class AutomaticNames : public ::testing::Test {
  protected:
    void SetUp() override {
        saveDir_ = folder_.path().substr(0, folder_.path().size() - 1);
        std::strcpy(Settings.SaveDir, saveDir_.c_str());
        Settings.SaveImageType = IMAGE_TYPE_BITMAP;
    }
    std::string Choose() {
        char destination[SAVE_NAME_CAPACITY] = {};
        ChooseSaveDestination(0, destination);
        return destination;
    }
    std::string DayFile(const std::string& number) {
        return saveDir_ + "\\bitmap\\" + Today() + "\\" + number + ".bmp";
    }

    TempFolder folder_;
    std::string saveDir_;
};

TEST_F(AutomaticNames, FirstSaveCreatesTheFoldersAndTakesNumberOne) {
    EXPECT_EQ(Choose(), DayFile("000001"));
    EXPECT_TRUE(IsFolder(saveDir_ + "\\bitmap"));
    EXPECT_TRUE(IsFolder(saveDir_ + "\\bitmap\\" + Today()));
    EXPECT_FALSE(FileExists(DayFile("000001"))) << "choosing a name writes nothing";
}

TEST_F(AutomaticNames, NextSaveTakesTheNextNumberAndFillsGaps) {
    WriteText(Choose(), "x");
    EXPECT_EQ(Choose(), DayFile("000002"));
    WriteText(DayFile("000002"), "x");
    WriteText(DayFile("000003"), "x");
    DeleteFileA(DayFile("000001").c_str());
    EXPECT_EQ(Choose(), DayFile("000001"));
    WriteText(DayFile("000001"), "x");
    EXPECT_EQ(Choose(), DayFile("000004"));
}

TEST_F(AutomaticNames, NewDayFolderStartsAtOne) {
    SYSTEMTIME before = {};
    before.wYear = 2012;
    before.wMonth = 3;
    before.wDay = 4;
    SYSTEMTIME after = before;
    after.wDay = 5;
    std::string first = AutomaticDayFolder(saveDir_.c_str(), before);
    std::string second = AutomaticDayFolder(saveDir_.c_str(), after);
    EXPECT_EQ(first, saveDir_ + "\\bitmap\\20120304");
    EXPECT_EQ(second, saveDir_ + "\\bitmap\\20120305");
    CreateDirectoryA(AutomaticBitmapFolder(saveDir_.c_str()).c_str(), nullptr);
    CreateDirectoryA(first.c_str(), nullptr);
    CreateDirectoryA(second.c_str(), nullptr);
    WriteText(first + "\\000001.bmp", "x");
    WriteText(first + "\\000002.bmp", "x");
    EXPECT_EQ(FindFreeAutomaticName(first), first + "\\000003.bmp");
    EXPECT_EQ(FindFreeAutomaticName(second), second + "\\000001.bmp");
}

TEST_F(AutomaticNames, FullDayFolderGivesNoNameAndOverwritesNothing) {
    std::string day = saveDir_ + "\\day";
    CreateDirectoryA(day.c_str(), nullptr);
    for (const char* name : {"\\000001.bmp", "\\000002.bmp", "\\000003.bmp"})
        WriteText(day + name, "keep");
    EXPECT_EQ(FindFreeAutomaticName(day, 3), "");
    EXPECT_EQ(FindFreeAutomaticName(day, 4), day + "\\000004.bmp");

    char destination[SAVE_NAME_CAPACITY] = "stale";
    EXPECT_FALSE(StoreSaveName(FindFreeAutomaticName(day, 3), destination));
    EXPECT_STREQ(destination, "");
    EXPECT_EQ(ReadText(day + "\\000002.bmp"), "keep");
}

TEST_F(AutomaticNames, PngsNumberOnFromTheHighestOfEitherTypeAndBitmapsTakeNoPngNumber) {
    Settings.SaveImageType = IMAGE_TYPE_PNG;
    char destination[SAVE_NAME_CAPACITY] = {};
    EXPECT_EQ(ChooseSaveDestination(0, destination), IMAGE_TYPE_PNG);
    EXPECT_EQ(std::string(destination), saveDir_ + "\\bitmap\\" + Today() + "\\000001.png");
    std::string day = saveDir_ + "\\bitmap\\" + Today();
    WriteText(day + "\\000003.bmp", "x");
    EXPECT_EQ(FindNextAutomaticPngName(day), day + "\\000004.png");
    WriteText(day + "\\000001.PNG", "x");
    WriteText(day + "\\000004.png", "x");
    EXPECT_EQ(FindNextAutomaticPngName(day), day + "\\000005.png");
    EXPECT_EQ(FindNextAutomaticPngName(day, 4), "");
    EXPECT_EQ(FindFreeAutomaticName(day), day + "\\000002.bmp");
}

TEST_F(AutomaticNames, SaveDirAtItsCapacityStaysInsideTheBuffer) {
    std::string longDir =
        saveDir_ + "\\" + std::string(SAVE_DIR_CAPACITY - 2 - saveDir_.size(), 'd');
    ASSERT_EQ(longDir.size(), size_t(SAVE_DIR_CAPACITY - 1));
    std::strcpy(Settings.SaveDir, longDir.c_str());

    constexpr char GUARD = '\x5A';
    std::vector<char> buffer(SAVE_NAME_CAPACITY + 64, GUARD);
    buffer[0] = '\0';
    ChooseSaveDestination(0, buffer.data());
    std::string name = buffer.data();
    EXPECT_EQ(name, longDir + "\\bitmap\\" + Today() + "\\000001.bmp");
    for (size_t i = SAVE_NAME_CAPACITY; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], GUARD);
}

TEST(SaveNames, NamesThatDoNotFitAreRefused) {
    char destination[SAVE_NAME_CAPACITY + 8];
    std::memset(destination, 'g', sizeof destination);
    EXPECT_TRUE(StoreSaveName(std::string(SAVE_NAME_CAPACITY - 1, 'n'), destination));
    EXPECT_EQ(std::strlen(destination), SAVE_NAME_CAPACITY - 1);

    std::memset(destination, 'g', sizeof destination);
    EXPECT_FALSE(StoreSaveName(std::string(SAVE_NAME_CAPACITY, 'n'), destination));
    EXPECT_EQ(destination[0], '\0');
    EXPECT_FALSE(StoreSaveName(std::string(2000, 'n'), destination));
    EXPECT_EQ(destination[0], '\0');
    for (size_t i = 1; i < sizeof destination; ++i)
        ASSERT_EQ(destination[i], 'g');
}

TEST(SavePaths, GivenInTheProcessCodePageOrRefused) {
    EXPECT_EQ(PathInCodePage("C:\\ハードコピー", 932), "C:\\ハードコピー");
    EXPECT_EQ(PathInCodePage("C:\\ハード", CP_UTF8), "C:\\\xE3\x83\x8F\xE3\x83\xBC\xE3\x83\x89");
    EXPECT_EQ(PathInCodePage("C:\\Док", 1251), "C:\\\xC4\xEE\xEA");
    std::string english = PathInCodePage("C:\\ハードコピー\\x", 1252);
    EXPECT_EQ(english, "C:\\??????\\x");
    EXPECT_FALSE(CanNameFile(english.c_str()));
    EXPECT_TRUE(CanNameFile("\\\\?\\C:\\x"));
    EXPECT_FALSE(CanNameFile("\\\\?\\C:\\?"));
}

TEST(EditParameters, AppParamOneBlankAndThePathUnquoted) {
    EXPECT_EQ(BuildEditParameters("/p", "C:\\My Files\\~zor_vex1.bmp"),
              "/p C:\\My Files\\~zor_vex1.bmp");
    EXPECT_EQ(BuildEditParameters("", "C:\\t\\a.bmp"), " C:\\t\\a.bmp");
}

TEST(FileTimeText, LastWriteInLocalTime) {
    TempFolder folder;
    std::string path = folder.file("written.bmp");
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
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &utc);
        CloseHandle(file);
    }
    char text[32] = {};
    FormatFileTimeText(path.c_str(), text, sizeof text);
    EXPECT_STREQ(text, "2012/03/04 05:06:07");

    char untouched[32] = {};
    FormatFileTimeText(folder.file("missing.bmp").c_str(), untouched, sizeof untouched);
    EXPECT_STREQ(untouched, "");
}

} // namespace
