// The folder browser and the program chooser shared by the configuration
// dialog and the hot-key edit dialog.
#pragma once

#include <windows.h>

#include <cstddef>

// Asks for a folder with the shell's folder browser. On success the folder's
// path is in `folder`; a cancel, a folder without a file-system path or a path
// that does not fit `capacity` (terminator included) leaves it untouched.
bool BrowseForFolder(wchar_t* folder, size_t capacity);

// Asks for a program with the open-file dialog owned by `owner`. On success
// the chosen path is in `path`; a cancel or a path that does not fit leaves it
// untouched.
bool ChooseProgram(HWND owner, wchar_t* path, size_t capacity);

// Copies `text` with its terminator when it fits `capacity`; otherwise leaves
// `out` as it was and says so.
bool CopyTextIfFits(const wchar_t* text, wchar_t* out, size_t capacity);
