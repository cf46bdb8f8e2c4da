#include "viewer/viewer_menu.h"

#include "resources/resource.h"
#include "settings/settings.h"
#include "viewer/viewer_geometry.h"

HMENU viewerPopupMenu;

namespace {

constexpr wchar_t SIZE_SUBMENU_TEXT[] = L"画面サイズ";

struct ViewerMenuItem {
    const wchar_t* text; // null for a separator
    UINT id;          // 0 for the size submenu
};

const ViewerMenuItem VIEWER_MENU_ITEMS[] = {
    {L"クリップボードへコピー", IDM_VIEWER_COPY},
    {L"名前を付けて保存", IDM_VIEWER_SAVE_AS},
    {nullptr, 0},
    {L"編集", IDM_VIEWER_EDIT},
    {L"アプリケーションから開く...", IDM_VIEWER_OPEN_WITH},
    {nullptr, 0},
    {SIZE_SUBMENU_TEXT, 0},
    {nullptr, 0},
    {L"タイトル入力", IDM_VIEWER_TITLE},
    {nullptr, 0},
    {L"ハードコピーの削除", IDM_VIEWER_DELETE},
    {nullptr, 0},
    {L"プリンタの設定", IDM_VIEWER_PRINTER_SETUP},
    {nullptr, 0},
    {L"キャンセル", IDM_VIEWER_CANCEL},
};

void InsertItem(HMENU menu, UINT position, const wchar_t* text, UINT id, HMENU submenu) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    if (!text) {
        item.fMask = MIIM_FTYPE;
        item.fType = MFT_SEPARATOR;
    } else {
        item.fMask = MIIM_FTYPE | MIIM_STRING | (submenu ? MIIM_SUBMENU : MIIM_ID);
        item.fType = MFT_STRING;
        item.dwTypeData = const_cast<wchar_t*>(text);
        item.wID = id;
        item.hSubMenu = submenu;
    }
    InsertMenuItemW(menu, position, TRUE, &item);
}

} // namespace

void BuildViewerMenu() {
    // Destroying the popup menu destroys the size submenu attached to it.
    if (viewerPopupMenu) DestroyMenu(viewerPopupMenu);
    viewerPopupMenu = CreatePopupMenu();
    HMENU sizeSubmenu = CreatePopupMenu();

    UINT position = 0;
    for (const ViewerSizePreset& preset : VIEWER_SIZE_PRESETS)
        InsertItem(sizeSubmenu, position++, preset.menuText, preset.command, nullptr);
    position = 0;
    for (const ViewerMenuItem& item : VIEWER_MENU_ITEMS) {
        bool isSubmenu = item.text == SIZE_SUBMENU_TEXT;
        InsertItem(viewerPopupMenu, position++, item.text, item.id,
                   isSubmenu ? sizeSubmenu : nullptr);
    }
    if (const ViewerSizePreset* preset = FindPresetByStyle(Settings.OnesWinStyle))
        CheckMenuItem(viewerPopupMenu, preset->command, MF_BYCOMMAND | MF_CHECKED);
}

void CheckSizePresetItem(UINT command) {
    for (const ViewerSizePreset& preset : VIEWER_SIZE_PRESETS)
        CheckMenuItem(viewerPopupMenu, preset.command, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(viewerPopupMenu, command, MF_BYCOMMAND | MF_CHECKED);
}

void ShowViewerMenu(HWND owner, POINT position) {
    TrackPopupMenu(viewerPopupMenu, 0, position.x, position.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}
