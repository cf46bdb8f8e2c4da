// The history viewer's popup menu.
#pragma once

#include <windows.h>

extern HMENU viewerPopupMenu;

void BuildViewerMenu();
// Moves the check mark to the size preset with this command id.
void CheckSizePresetItem(UINT command);
// Runs the menu at a screen position; the chosen command goes to `owner`.
void ShowViewerMenu(HWND owner, POINT position);
