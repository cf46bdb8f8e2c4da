// The configuration dialog (resource 103).
#pragma once

#include <windows.h>

extern HWND configDialogWindow;

void RunConfigDialog();
