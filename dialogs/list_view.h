// Report-view lists of the settings dialogs: columns, rows and cells.
#pragma once

#include <windows.h>

void EnsureListViewControls();
void EnableFullRowSelect(HWND list);
void AddListColumn(HWND list, int column, const char* text, int width);
void AddListRow(HWND list, int row, const char* firstCell);
void SetListCell(HWND list, int row, int column, const char* text);
void SelectListRow(HWND list, int row);
// The first selected row, or -1.
int SelectedListRow(HWND list);
