#include "dialogs/list_view.h"

#include "app/dpi.h"

#include <commctrl.h>

void EnsureListViewControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
}

void EnableFullRowSelect(HWND list) {
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

namespace {

// The DPI a list's column widths were made for, kept with the list.
UINT ColumnDpi(HWND list) {
    auto dpi = static_cast<UINT>(GetWindowLongPtrW(list, GWLP_USERDATA));
    return dpi ? dpi : DESIGN_DPI;
}

} // namespace

void AddListColumn(HWND list, int column, const wchar_t* text, int width) {
    UINT dpi = DpiOfWindow(list);
    SetWindowLongPtrW(list, GWLP_USERDATA, static_cast<LONG_PTR>(dpi));
    LVCOLUMNW info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = ScaleForDpi(width, dpi);
    info.pszText = const_cast<wchar_t*>(text);
    info.iSubItem = column;
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
}

void AddListRow(HWND list, int row, const wchar_t* firstCell) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(firstCell);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void SetListCell(HWND list, int row, int column, const wchar_t* text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void SelectListRow(HWND list, int row) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

int SelectedListRow(HWND list) {
    return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

void ScaleListColumnsToDpi(HWND list, UINT dpi) {
    UINT previous = ColumnDpi(list);
    if (!list || dpi == 0 || dpi == previous) return;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < columns; ++column) {
        int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column,
                     MulDiv(width, static_cast<int>(dpi), static_cast<int>(previous)));
    }
    SetWindowLongPtrW(list, GWLP_USERDATA, static_cast<LONG_PTR>(dpi));
}
