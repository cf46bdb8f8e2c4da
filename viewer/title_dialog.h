// The title dialog (112) of the history viewer.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr INT_PTR TITLE_DIALOG_OK = 1;
constexpr INT_PTR TITLE_DIALOG_CANCEL = 2;

// The text the dialog edits: shown when it opens, replaced by what was
// entered after OK.
struct TitleText {
    wchar_t* text;
    size_t capacity;
};

// Runs the dialog modally on `title`.
INT_PTR RunTitleDialog(HWND owner, TitleText title);
INT_PTR CALLBACK TitleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
