// The folder browser and the program chooser shared by the settings dialogs.
#pragma once

#include <windows.h>

#include <cstddef>

// Both return false and leave the buffer untouched on Cancel or when the
// chosen path does not fit the capacity.
bool BrowseForFolder(char* folder, size_t capacity);
bool ChooseProgram(HWND owner, char* path, size_t capacity);
