#include "dialogs/hotkey_dialogs.h"

HWND hotkeyListDialogWindow;
HWND hotkeyEditDialogWindow;

// The launcher dialogs are not part of this build yet.
void RunHotkeyListDialog() {}
