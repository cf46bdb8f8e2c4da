#include "dialogs/about_dialog.h"

HWND aboutDialogWindow;

// The About dialog is not part of this build yet.
void RunAboutDialog() {}
