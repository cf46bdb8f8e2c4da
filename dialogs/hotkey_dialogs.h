// The hot-key list (114) and edit (115) dialogs of the Ctrl+F launchers.
#pragma once

#include <windows.h>

extern HWND hotkeyListDialogWindow;
extern HWND hotkeyEditDialogWindow;

void RunHotkeyListDialog();
