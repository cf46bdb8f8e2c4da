// The commands of the history viewer's menu and its "印刷" button, each on
// the hard copy the viewer shows. They change nothing of the viewer window
// itself: each says what the window must do afterwards.
#pragma once

#include <windows.h>

// The hard copy the viewer shows and the viewer's title line.
struct ShownHardCopy {
    int slot;
    const wchar_t* file;
    SIZE imageSize;
    wchar_t* title; // PRINT_TITLE_CAPACITY
};

enum class ViewerChange {
    None,
    TitleEntered, // the title line was edited
    Deleted,      // the hard copy was deleted
};

ViewerChange RunViewerCommand(HWND viewer, UINT command, const ShownHardCopy& shown);
