// The About dialog (resource 104).
#pragma once

#include <windows.h>

extern HWND aboutDialogWindow;

void RunAboutDialog();
