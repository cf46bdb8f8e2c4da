#include "dialogs/config_dialog.h"

HWND configDialogWindow;

// The configuration dialog is not part of this build yet.
void RunConfigDialog() {}
