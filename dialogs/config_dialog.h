// The configuration dialog (resource 103): every setting on a tree of pages,
// applied with its checks, and the history's backup, trim and clear.
#pragma once

#include <windows.h>

extern HWND configDialogWindow;

void RunConfigDialog();
