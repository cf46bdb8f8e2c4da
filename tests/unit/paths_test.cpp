#include "app/app.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

TEST(WorkingPaths, BuiltFromTheTemporaryFolderAndTheCurrentDirectory) {
    BuildWorkingPaths(L"C:\\users\\Zoë\\𠮷田\\Temp\\", L"D:\\作業");
    EXPECT_STREQ(tempDirectory, L"C:\\users\\Zoë\\𠮷田\\Temp\\");
    EXPECT_STREQ(settingsFilePath, L"D:\\作業\\zorvex.ini");
    EXPECT_STREQ(workBitmapPath, L"C:\\users\\Zoë\\𠮷田\\Temp\\~zor_vex.bmp");
    EXPECT_STREQ(backgroundBitmapPath, L"C:\\users\\Zoë\\𠮷田\\Temp\\~zor_vex_background.bmp");
    EXPECT_STREQ(historyFilePaths[0], L"C:\\users\\Zoë\\𠮷田\\Temp\\~zor_vex1.bmp");
    EXPECT_STREQ(historyFilePaths[9], L"C:\\users\\Zoë\\𠮷田\\Temp\\~zor_vex10.bmp");
    EXPECT_STREQ(historyFilePaths[299], L"C:\\users\\Zoë\\𠮷田\\Temp\\~zor_vex300.bmp");
}

// A cut path would name another file: what does not fit is left empty.
TEST(WorkingPaths, PathsThatDoNotFitAreLeftEmpty) {
    std::wstring longFolder(1000, L'a');
    BuildWorkingPaths(longFolder.c_str(), longFolder.c_str());
    EXPECT_STREQ(tempDirectory, L"");
    EXPECT_STREQ(settingsFilePath, L"");
    EXPECT_STREQ(workBitmapPath, L"");
    EXPECT_STREQ(historyFilePaths[299], L"");

    std::wstring nearLimit = L"C:\\" + std::wstring(TEMP_DIRECTORY_CAPACITY - 5, L'b') + L"\\";
    BuildWorkingPaths(nearLimit.c_str(), L"D:\\work");
    EXPECT_EQ(std::wcslen(tempDirectory), size_t(TEMP_DIRECTORY_CAPACITY - 1));
    EXPECT_EQ(std::wstring(historyFilePaths[299]), nearLimit + L"~zor_vex300.bmp");
    EXPECT_STREQ(settingsFilePath, L"D:\\work\\zorvex.ini");
}

} // namespace
