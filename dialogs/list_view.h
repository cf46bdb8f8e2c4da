// Report-view lists of the settings dialogs: columns, rows and cells.
#pragma once

#include <windows.h>

void EnsureListViewControls();
void EnableFullRowSelect(HWND list);
// `width` in pixels at 96 DPI, scaled to the DPI of the list's monitor.
void AddListColumn(HWND list, int column, const wchar_t* text, int width);
// Widens or narrows every column in proportion when the list's window moves
// to a monitor of another DPI.
void ScaleListColumnsToDpi(HWND list, UINT dpi);
void AddListRow(HWND list, int row, const wchar_t* firstCell);
void SetListCell(HWND list, int row, int column, const wchar_t* text);
void SelectListRow(HWND list, int row);
// The first selected row, or -1.
int SelectedListRow(HWND list);
