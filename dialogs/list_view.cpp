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
    auto dpi = static_cast<UINT>(GetWindowLongPtrA(list, GWLP_USERDATA));
    return dpi ? dpi : DESIGN_DPI;
}

} // namespace

void AddListColumn(HWND list, int column, const char* text, int width) {
    UINT dpi = DpiOfWindow(list);
    SetWindowLongPtrA(list, GWLP_USERDATA, static_cast<LONG_PTR>(dpi));
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = ScaleForDpi(width, dpi);
    info.pszText = const_cast<char*>(text);
    info.iSubItem = column;
    SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
}

void AddListRow(HWND list, int row, const char* firstCell) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(firstCell);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void SetListCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
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
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < columns; ++column) {
        int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column,
                     MulDiv(width, static_cast<int>(dpi), static_cast<int>(previous)));
    }
    SetWindowLongPtrA(list, GWLP_USERDATA, static_cast<LONG_PTR>(dpi));
}
