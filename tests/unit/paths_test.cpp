#include "app/app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(WorkingPaths, BuiltFromTheTemporaryFolderAndTheCurrentDirectory) {
    BuildWorkingPaths("C:\\users\\me\\Temp\\", "D:\\work");
    EXPECT_STREQ(tempDirectory, "C:\\users\\me\\Temp\\");
    EXPECT_STREQ(settingsFilePath, "D:\\work\\zorvex.ini");
    EXPECT_STREQ(workBitmapPath, "C:\\users\\me\\Temp\\~zor_vex.bmp");
    EXPECT_STREQ(backgroundBitmapPath, "C:\\users\\me\\Temp\\~zor_vex_background.bmp");
    EXPECT_STREQ(historyFilePaths[0], "C:\\users\\me\\Temp\\~zor_vex1.bmp");
    EXPECT_STREQ(historyFilePaths[9], "C:\\users\\me\\Temp\\~zor_vex10.bmp");
    EXPECT_STREQ(historyFilePaths[299], "C:\\users\\me\\Temp\\~zor_vex300.bmp");
}

TEST(WorkingPaths, OverlongFoldersAreCutToTheirCapacity) {
    std::string longFolder(1000, 'a');
    BuildWorkingPaths(longFolder.c_str(), longFolder.c_str());
    EXPECT_EQ(std::strlen(tempDirectory), size_t(TEMP_DIRECTORY_CAPACITY - 1));
    EXPECT_EQ(std::strlen(settingsFilePath), size_t(SETTINGS_PATH_CAPACITY - 1));
    EXPECT_EQ(std::strlen(workBitmapPath), size_t(TEMP_DIRECTORY_CAPACITY - 1 + 12));
    EXPECT_LT(std::strlen(historyFilePaths[299]), size_t(BITMAP_PATH_CAPACITY));
}

} // namespace
