// The title dialog (112) of the history viewer.
#pragma once

#include <windows.h>

constexpr INT_PTR TITLE_DIALOG_OK = 1;
constexpr INT_PTR TITLE_DIALOG_CANCEL = 2;

// Runs the dialog modally; after OK viewerTitleText holds the entered text.
INT_PTR RunTitleDialog(HWND owner);
INT_PTR CALLBACK TitleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
