// The history viewer's popup menu.
#pragma once

#include <windows.h>

extern HMENU viewerPopupMenu;

void BuildViewerMenu();
