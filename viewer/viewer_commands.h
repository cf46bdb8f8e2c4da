// The commands of the history viewer's menu and its "印刷" button, each on
// the hard copy in slot currentHistoryIndex.
#pragma once

#include <windows.h>

void RunViewerCommand(HWND viewer, UINT command);
