#include "dialogs/config_dialog.h"

#include "app/app.h"
#include "app/dpi.h"
#include "app/hard_copy.h"
#include "app/monitors.h"
#include "app/start_with_windows.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "capture/range_overlay.h"
#include "dialogs/config_model.h"
#include "dialogs/file_choosers.h"
#include "dialogs/list_view.h"
#include "output/history.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/shift_jis.h"

#include <commctrl.h>

#include <cwchar>
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

HWND configDialogWindow;

namespace {

constexpr INT_PTR RESULT_APPLIED = IDC_CONFIG_APPLY;
constexpr INT_PTR RESULT_CANCELLED = IDC_CONFIG_CANCEL;
constexpr wchar_t MESSAGE_CAPTION[] = L"ZORVEX";
constexpr wchar_t ASK_TRIM[] = L"不要な保存履歴を削除しますか？";
constexpr wchar_t ASK_CLEAR[] = L"保存履歴を全て削除します。よろしいですか？";
constexpr wchar_t ASK_BACKUP[] = L"保存履歴を全てバックアップします。よろしいですか？";
constexpr wchar_t DELETED[] = L"保存履歴の削除が終わりました";
constexpr wchar_t BACKED_UP[] = L"保存履歴のバックアップが終わりました";
constexpr wchar_t NOT_DELETED[] = L"保存履歴のうち%d件を削除できませんでした";
constexpr wchar_t NOT_BACKED_UP[] = L"保存履歴のうち%d件をバックアップできませんでした";
constexpr int OPERATION_COLUMN_WIDTH = 130;
constexpr int DESCRIPTION_COLUMN_WIDTH = 350;

constexpr std::initializer_list<int> AREA_CONTROLS = {
    IDC_AREA_PICK,        IDC_AREA_LEFT_LABEL,   IDC_AREA_TOP_LABEL,
    IDC_AREA_RIGHT_LABEL, IDC_AREA_BOTTOM_LABEL, IDC_AREA_LEFT,
    IDC_AREA_TOP,         IDC_AREA_RIGHT,        IDC_AREA_BOTTOM};
constexpr std::initializer_list<int> FOLDER_CONTROLS = {IDC_SAVE_DIR_BROWSE, IDC_SAVE_DIR};
constexpr std::initializer_list<int> INITIALLY_DISABLED = {
    IDC_EXTRA_AREA,       IDC_AREA_PICK,         IDC_AREA_LEFT_LABEL,  IDC_AREA_TOP_LABEL,
    IDC_AREA_RIGHT_LABEL, IDC_AREA_BOTTOM_LABEL, IDC_AREA_LEFT,        IDC_AREA_TOP,
    IDC_AREA_RIGHT,       IDC_AREA_BOTTOM,       IDC_SAVE_INTO_FOLDER, IDC_SAVE_DIR,
    IDC_SAVE_DIR_BROWSE,  IDC_SAVE_ASK_NAME,     IDC_PRINT_DIRECTLY,   IDC_SAVE_PNG};
// The copy-type radio buttons in the order 適用 looks at them.
constexpr int COPY_TYPE_BUTTONS[] = {IDC_COPY_DESKTOP, IDC_COPY_ACTIVE, IDC_COPY_NO_FRAME,
                                     IDC_COPY_RANGE, IDC_COPY_AREA};

// A field's limit in bytes of the Shift-JIS form the settings file keeps.
struct TextLimit {
    int id;
    int bytes;
};
constexpr TextLimit TEXT_LIMITS[] = {
    {IDC_SAVE_DIR, SAVE_DIR_CAPACITY - 1},        {IDC_APP_PATH, APP_PATH_CAPACITY - 1},
    {IDC_APP_PARAM, APP_PARAM_CAPACITY - 1},      {IDC_AREA_LEFT, NUMBER_FIELD_CAPACITY - 1},
    {IDC_AREA_TOP, NUMBER_FIELD_CAPACITY - 1},    {IDC_AREA_RIGHT, NUMBER_FIELD_CAPACITY - 1},
    {IDC_AREA_BOTTOM, NUMBER_FIELD_CAPACITY - 1}, {IDC_HISTORY_COUNT, NUMBER_FIELD_CAPACITY - 1}};

// The last text of each limited field that fitted its record, and the
// selection it had then.
struct AcceptedText {
    std::wstring text;
    DWORD start = 0;
    DWORD end = 0;
    bool known = false;
};

// The open dialog's state; there is one dialog at most.
struct ConfigDialogState {
    // The last text of each limited field that fitted its record.
    AcceptedText acceptedTexts[std::size(TEXT_LIMITS)];
    // The tree items that have a page, by page.
    HTREEITEM pageItems[CONFIG_PAGE_COUNT] = {};
    // The DPI the dialog's pixel layout is made for.
    UINT dpi = DESIGN_DPI;
};
ConfigDialogState configDialog;

HWND Control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void Enable(HWND dialog, std::initializer_list<int> ids, bool on) {
    for (int id : ids)
        EnableWindow(Control(dialog, id), on ? TRUE : FALSE);
}

void SetNumber(HWND dialog, int id, int value) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d", value);
    SetDlgItemTextW(dialog, id, text);
}

int ReadNumber(HWND dialog, int id) {
    wchar_t text[NUMBER_FIELD_CAPACITY] = {};
    GetDlgItemTextW(dialog, id, text, std::size(text));
    return ReadDecimalField(text);
}

int Tell(HWND dialog, const wchar_t* text) {
    return MessageBoxW(dialog, text, MESSAGE_CAPTION, MB_OK);
}

// The done message when nothing failed, otherwise how many failed.
void TellOutcome(HWND dialog, int failed, const wchar_t* done, const wchar_t* failures) {
    if (failed == 0) {
        Tell(dialog, done);
        return;
    }
    wchar_t text[128];
    std::swprintf(text, std::size(text), failures, failed);
    MessageBoxW(dialog, text, MESSAGE_CAPTION, MB_OK | MB_ICONWARNING);
}

bool Ask(HWND dialog, const wchar_t* question, UINT icon) {
    return MessageBoxW(dialog, question, MESSAGE_CAPTION, MB_YESNO | MB_DEFBUTTON2 | icon) == IDYES;
}

// A long file operation: the dialog disabled and the wait cursor shown.
class BusyDialog {
  public:
    explicit BusyDialog(HWND dialog)
        : dialog_(dialog), previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {
        EnableWindow(dialog_, FALSE);
    }
    ~BusyDialog() {
        SetCursor(previous_);
        EnableWindow(dialog_, TRUE);
    }
    BusyDialog(const BusyDialog&) = delete;
    BusyDialog& operator=(const BusyDialog&) = delete;

  private:
    HWND dialog_;
    HCURSOR previous_;
};

// --- initialisation --------------------------------------------------------

void InitializeCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                          ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
}

void HidePageControls(HWND dialog) {
    for (size_t i = 0; i < PAGE_CONTROL_COUNT; ++i)
        ShowWindow(Control(dialog, PAGE_CONTROLS[i].id), SW_HIDE);
}

void MoveTo(HWND control, const RECT& r) {
    MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void MovePageControls(HWND dialog) {
    MoveTo(Control(dialog, IDC_CONFIG_GROUP), ScaleRectForDpi(CONFIG_GROUP_RECT, configDialog.dpi));
    for (size_t i = 0; i < PAGE_CONTROL_COUNT; ++i)
        MoveTo(Control(dialog, PAGE_CONTROLS[i].id),
               ScaleRectForDpi(PAGE_CONTROLS[i].rect, configDialog.dpi));
}

// The controls placed in pixels, and the dialog's size, follow a DPI change
// from here rather than from the template.
void KeepPixelLayoutOnDpiChange(HWND dialog) {
    KeepDialogSizeOnDpiChange(dialog);
    KeepControlPlaceOnDpiChange(Control(dialog, IDC_CONFIG_GROUP));
    for (size_t i = 0; i < PAGE_CONTROL_COUNT; ++i)
        KeepControlPlaceOnDpiChange(Control(dialog, PAGE_CONTROLS[i].id));
}

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, const wchar_t* text) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(text);
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void BuildTree(HWND dialog) {
    HWND tree = Control(dialog, IDC_CONFIG_TREE);
    HTREEITEM items[CONFIG_TREE_COUNT] = {};
    for (HTREEITEM& item : configDialog.pageItems)
        item = nullptr;
    for (size_t i = 0; i < CONFIG_TREE_COUNT; ++i) {
        const ConfigTreeItem& def = CONFIG_TREE[i];
        items[i] = AddTreeItem(tree, def.parent < 0 ? TVI_ROOT : items[def.parent], def.text);
        if (def.page != PAGE_NONE) configDialog.pageItems[def.page] = items[i];
    }
    for (size_t i = 0; i < CONFIG_TREE_COUNT; ++i) {
        if (CONFIG_TREE[i].expanded)
            SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items[i]));
    }
}

void FillHelpList(HWND dialog) {
    HWND list = Control(dialog, IDC_HELP_LIST);
    EnableFullRowSelect(list);
    AddListColumn(list, 0, L"操作", OPERATION_COLUMN_WIDTH);
    AddListColumn(list, 1, L"説明", DESCRIPTION_COLUMN_WIDTH);
    for (size_t row = 0; row < HELP_ROW_COUNT; ++row) {
        AddListRow(list, static_cast<int>(row), HELP_ROWS[row].operation);
        SetListCell(list, static_cast<int>(row), 1, HELP_ROWS[row].description);
    }
}

void LimitTexts(HWND dialog) {
    for (const TextLimit& limit : TEXT_LIMITS)
        SendDlgItemMessageW(dialog, limit.id, EM_LIMITTEXT, limit.bytes, 0);
}

std::wstring FieldText(HWND field) {
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    GetWindowTextW(field, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void Accept(HWND field, AcceptedText& accepted, const std::wstring& text) {
    accepted.text = text;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&accepted.start),
                 reinterpret_cast<LPARAM>(&accepted.end));
    accepted.known = true;
}

// The texts the fields were filled with; one too long for its record is cut
// to the whole characters that fit.
void AcceptFilledTexts(HWND dialog) {
    for (size_t i = 0; i < std::size(TEXT_LIMITS); ++i) {
        HWND field = Control(dialog, TEXT_LIMITS[i].id);
        std::wstring text = FieldText(field);
        size_t limit = static_cast<size_t>(TEXT_LIMITS[i].bytes);
        if (ShiftJisLength(text) > limit) {
            text.resize(WholeCharactersWithin(text, limit));
            SetWindowTextW(field, text.c_str());
        }
        Accept(field, configDialog.acceptedTexts[i], text);
    }
}

void FillCopyType(HWND dialog, const SettingsRecord& s) {
    switch (s.CopyType) {
    case COPY_DESKTOP:
        Check(dialog, IDC_COPY_DESKTOP, true);
        Enable(dialog, {IDC_EXTRA_AREA}, true);
        Check(dialog, IDC_EXTRA_AREA, s.IsExtraArea == 1);
        break;
    case COPY_ACTIVE_WINDOW: Check(dialog, IDC_COPY_ACTIVE, true); break;
    case COPY_ACTIVE_WINDOW_NO_FRAME: Check(dialog, IDC_COPY_NO_FRAME, true); break;
    case COPY_RANGE: Check(dialog, IDC_COPY_RANGE, true); break;
    case COPY_FIXED_AREA:
        Enable(dialog, AREA_CONTROLS, true);
        Check(dialog, IDC_COPY_AREA, true);
        SetNumber(dialog, IDC_AREA_LEFT, s.AutoLeft);
        SetNumber(dialog, IDC_AREA_TOP, s.AutoTop);
        SetNumber(dialog, IDC_AREA_RIGHT, s.AutoRight);
        SetNumber(dialog, IDC_AREA_BOTTOM, s.AutoBottom);
        break;
    default: break;
    }
}

void FillBandStyle(HWND dialog, const SettingsRecord& s) {
    if (s.IsDotRange != 0) {
        Check(dialog, IDC_DOT_RANGE, true);
        Enable(dialog, {IDC_NOT_RANGE}, false);
    } else if (s.IsNotRange != 0) {
        Check(dialog, IDC_NOT_RANGE, true);
        Enable(dialog, {IDC_DOT_RANGE}, false);
    }
}

void FillOutputs(HWND dialog, const SettingsRecord& s) {
    Check(dialog, IDC_OUT_CLIPBOARD, IsOutputOn(s.SaveFormat1));
    if (IsOutputOn(s.SaveFormat2)) {
        Check(dialog, IDC_OUT_BITMAP, true);
        Enable(dialog, {IDC_SAVE_INTO_FOLDER, IDC_SAVE_ASK_NAME, IDC_SAVE_PNG}, true);
        if (s.IsSaveDialog == 0) Enable(dialog, FOLDER_CONTROLS, true);
    }
    Check(dialog, IDC_SAVE_PNG, IsPngImageType(s.SaveImageType));
    Check(dialog, s.IsSaveDialog != 0 ? IDC_SAVE_ASK_NAME : IDC_SAVE_INTO_FOLDER, true);
    SetDlgItemTextW(dialog, IDC_SAVE_DIR, s.SaveDir);
    if (IsOutputOn(s.SaveFormat3)) {
        Check(dialog, IDC_OUT_PRINTER, true);
        Enable(dialog, {IDC_PRINT_DIRECTLY}, true);
        Check(dialog, IDC_PRINT_DIRECTLY, s.IsPrintPreview == 1);
    }
}

void FillHistoryCount(HWND dialog, const SettingsRecord& s) {
    HWND spin = Control(dialog, IDC_HISTORY_COUNT_SPIN);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Control(dialog, IDC_HISTORY_COUNT)),
                 0);
    SendMessageW(spin, UDM_SETRANGE32, MIN_HISTORY_LENGTH, MAX_HISTORY_LENGTH);
    SetNumber(dialog, IDC_HISTORY_COUNT, s.SaveNum);
}

void FillControls(HWND dialog, const SettingsRecord& s) {
    FillCopyType(dialog, s);
    FillBandStyle(dialog, s);
    FillOutputs(dialog, s);
    SetDlgItemTextW(dialog, IDC_APP_PATH, s.AppPath);
    SetDlgItemTextW(dialog, IDC_APP_PARAM, s.AppParam);
    Check(dialog, IDC_NO_FLASH, s.IsFlash != 0);
    Check(dialog, IDC_INCLUDE_CURSOR, s.IsCursor != 0);
    Check(dialog, IDC_PRINT_EDGE, s.IsPrintEdge != 0);
    Check(dialog, IDC_PRINT_DIALOG, s.IsPrintDialog != 0);
    Check(dialog, IDC_PRINT_SYSTIME, s.IsPrintSysTime != 0);
    Check(dialog, IDC_PRINT_HOSTNAME, s.IsPrintHostName != 0);
    Check(dialog, IDC_PRINT_IPADDR, s.IsPrintIPAddr != 0);
    FillHistoryCount(dialog, s);
}

// The box shows what the Startup folder holds, not a setting.
void FillStartWithWindows(HWND dialog) {
    StartupView view = ReadStartupView();
    Check(dialog, IDC_START_WITH_WINDOWS, view.checked);
    SetDlgItemTextW(dialog, IDC_START_WITH_WINDOWS_NOTE, view.note.c_str());
}

// 570 × 390 pixels at 96 DPI, in proportion at others, or more when the
// template's own controls, laid out in dialog units of a larger font, would
// reach past that.
SIZE DialogSize(HWND dialog) {
    RECT margin = {0, 0, 7, 7};
    MapDialogRect(dialog, &margin);
    RECT needed = {};
    for (int id : {IDC_CONFIG_TREE, IDC_CONFIG_APPLY, IDC_CONFIG_CANCEL}) {
        RECT r = {};
        GetWindowRect(Control(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        needed.right = std::max(needed.right, r.right + margin.right);
        needed.bottom = std::max(needed.bottom, r.bottom + margin.bottom);
    }
    AdjustWindowRectForDpi(&needed, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)),
                           configDialog.dpi);
    return SIZE{std::max<LONG>(ScaleForDpi(CONFIG_DIALOG_WIDTH, configDialog.dpi),
                               needed.right - needed.left),
                std::max<LONG>(ScaleForDpi(CONFIG_DIALOG_HEIGHT, configDialog.dpi),
                               needed.bottom - needed.top)};
}

// Centred on the monitor the pointer is on when the dialog opens.
void CentreInWorkArea(HWND dialog) {
    POINT pointer = {};
    GetCursorPos(&pointer);
    RECT work = WorkAreaAt(pointer);
    SIZE size = DialogSize(dialog);
    POINT at = CenteredDialogPosition(work, size.cx, size.cy);
    SetWindowPos(dialog, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnInitDialog(HWND dialog) {
    configDialogWindow = dialog;
    configDialog.dpi = DpiOfWindow(dialog);
    InitializeCommonControls();
    HidePageControls(dialog);
    MovePageControls(dialog);
    KeepPixelLayoutOnDpiChange(dialog);
    BuildTree(dialog);
    FillHelpList(dialog);
    Enable(dialog, INITIALLY_DISABLED, false);
    for (AcceptedText& accepted : configDialog.acceptedTexts)
        accepted = AcceptedText{};
    LimitTexts(dialog);
    FillControls(dialog, Settings);
    FillStartWithWindows(dialog);
    AcceptFilledTexts(dialog);
    CentreInWorkArea(dialog);
    SetForegroundWindow(dialog);
    return TRUE;
}

// --- pages -------------------------------------------------------------------

ConfigPage PageOfItem(HTREEITEM item) {
    for (int page = 0; page < CONFIG_PAGE_COUNT; ++page) {
        if (item && configDialog.pageItems[page] == item) return static_cast<ConfigPage>(page);
    }
    return PAGE_NONE;
}

void ShowPage(HWND dialog, ConfigPage page) {
    HidePageControls(dialog);
    SetDlgItemTextW(dialog, IDC_CONFIG_GROUP, PAGE_CAPTIONS[page]);
    for (size_t i = 0; i < PAGE_CONTROL_COUNT; ++i) {
        if (PAGE_CONTROLS[i].page == page)
            ShowWindow(Control(dialog, PAGE_CONTROLS[i].id), SW_SHOW);
    }
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    if (header->idFrom != IDC_CONFIG_TREE || header->code != TVN_SELCHANGEDW) return FALSE;
    const NMTREEVIEWW* change = reinterpret_cast<const NMTREEVIEWW*>(header);
    ConfigPage page = PageOfItem(change->itemNew.hItem);
    if (page != PAGE_NONE) ShowPage(dialog, page);
    return TRUE;
}

// --- enabling rules ------------------------------------------------------------

void OnDesktopClicked(HWND dialog) {
    Enable(dialog, AREA_CONTROLS, false);
    if (IsChecked(dialog, IDC_COPY_DESKTOP)) Enable(dialog, {IDC_EXTRA_AREA}, true);
}

void OnOtherCopyTypeClicked(HWND dialog) {
    Enable(dialog, {IDC_EXTRA_AREA}, false);
    Enable(dialog, AREA_CONTROLS, IsChecked(dialog, IDC_COPY_AREA));
}

void OnBitmapClicked(HWND dialog) {
    bool on = IsChecked(dialog, IDC_OUT_BITMAP);
    Enable(dialog, {IDC_SAVE_INTO_FOLDER, IDC_SAVE_ASK_NAME, IDC_SAVE_PNG}, on);
    Enable(dialog, FOLDER_CONTROLS, on && IsChecked(dialog, IDC_SAVE_INTO_FOLDER));
}

void OnExtraAreaClicked(HWND dialog) {
    // Takes effect at once; キャンセル does not undo it.
    Settings.IsExtraArea = IsChecked(dialog, IDC_EXTRA_AREA) ? 1 : 0;
}

// --- apply -----------------------------------------------------------------------

CopyTypeChoice SelectedCopyType(HWND dialog) {
    for (int i = 0; i < static_cast<int>(std::size(COPY_TYPE_BUTTONS)); ++i) {
        if (IsChecked(dialog, COPY_TYPE_BUTTONS[i])) return static_cast<CopyTypeChoice>(i);
    }
    return CHOICE_NONE;
}

ConfigInput ReadInput(HWND dialog) {
    ConfigInput in = {};
    in.clipboard = IsChecked(dialog, IDC_OUT_CLIPBOARD);
    in.bitmap = IsChecked(dialog, IDC_OUT_BITMAP);
    in.printer = IsChecked(dialog, IDC_OUT_PRINTER);
    in.askSaveName = IsChecked(dialog, IDC_SAVE_ASK_NAME);
    in.savePng = IsChecked(dialog, IDC_SAVE_PNG);
    GetDlgItemTextW(dialog, IDC_SAVE_DIR, in.saveDir, std::size(in.saveDir));
    in.printDirectly = IsChecked(dialog, IDC_PRINT_DIRECTLY);
    in.copyType = SelectedCopyType(dialog);
    in.extraArea = IsChecked(dialog, IDC_EXTRA_AREA);
    in.areaLeft = ReadNumber(dialog, IDC_AREA_LEFT);
    in.areaTop = ReadNumber(dialog, IDC_AREA_TOP);
    in.areaRight = ReadNumber(dialog, IDC_AREA_RIGHT);
    in.areaBottom = ReadNumber(dialog, IDC_AREA_BOTTOM);
    in.dotRange = IsChecked(dialog, IDC_DOT_RANGE);
    in.notRange = IsChecked(dialog, IDC_NOT_RANGE);
    GetDlgItemTextW(dialog, IDC_APP_PATH, in.appPath, std::size(in.appPath));
    GetDlgItemTextW(dialog, IDC_APP_PARAM, in.appParam, std::size(in.appParam));
    in.printEdge = IsChecked(dialog, IDC_PRINT_EDGE);
    in.printDialog = IsChecked(dialog, IDC_PRINT_DIALOG);
    in.printSysTime = IsChecked(dialog, IDC_PRINT_SYSTIME);
    in.printHostName = IsChecked(dialog, IDC_PRINT_HOSTNAME);
    in.printIPAddr = IsChecked(dialog, IDC_PRINT_IPADDR);
    in.noFlash = IsChecked(dialog, IDC_NO_FLASH);
    in.cursor = IsChecked(dialog, IDC_INCLUDE_CURSOR);
    in.historyCount = ReadNumber(dialog, IDC_HISTORY_COUNT);
    return in;
}

void ReduceHistory(HWND dialog, int oldCount, int newCount) {
    int failed = 0;
    {
        BusyDialog busy(dialog);
        failed = TrimHistory(oldCount, newCount);
        BuildTrayMenu();
    }
    TellOutcome(dialog, failed, DELETED, NOT_DELETED);
}

void OnApply(HWND dialog) {
    // Steps 1 to 9: checks and stores; a refusal keeps what was stored.
    ConfigInput input = ReadInput(dialog);
    ConfigRefusal refusal = StoreConfigInput(input, Settings);
    if (refusal != REFUSAL_NONE) {
        Tell(dialog, RefusalText(refusal));
        return;
    }
    // A Startup shortcut that cannot be made or removed refuses like the checks.
    std::wstring failure = ApplyStartWithWindows(IsChecked(dialog, IDC_START_WITH_WINDOWS));
    if (!failure.empty()) {
        Tell(dialog, failure.c_str());
        FillStartWithWindows(dialog);
        return;
    }
    // 10. A lower count may drop the surplus history files.
    int count = input.historyCount;
    if (count < Settings.SaveNum && Ask(dialog, ASK_TRIM, MB_ICONWARNING))
        ReduceHistory(dialog, Settings.SaveNum, count);
    // 11. Store the count, write the file, rebuild the tray menu. A file not
    // written refuses like the checks; the settings hold for this run.
    Settings.SaveNum = count;
    IniFailure notWritten = SaveSettings(settingsFilePath);
    BuildTrayMenu();
    if (notWritten != IniFailure::None) {
        Tell(dialog, SettingsNotWrittenText(notWritten, settingsFilePath).c_str());
        return;
    }
    EndDialog(dialog, RESULT_APPLIED);
}

// --- history and choosers -------------------------------------------------------

void OnClearHistory(HWND dialog) {
    if (!Ask(dialog, ASK_CLEAR, MB_ICONWARNING)) return;
    int failed = 0;
    {
        BusyDialog busy(dialog);
        failed = ClearHistory();
        BuildTrayMenu();
    }
    TellOutcome(dialog, failed, DELETED, NOT_DELETED);
}

void OnBackupHistory(HWND dialog) {
    if (!Ask(dialog, ASK_BACKUP, 0)) return;
    PumpPendingMessages();
    wchar_t folder[MAX_PATH] = {};
    if (!BrowseForFolder(folder, std::size(folder))) return;
    int failed = 0;
    {
        BusyDialog busy(dialog);
        failed = BackupHistory(folder);
    }
    TellOutcome(dialog, failed, BACKED_UP, NOT_BACKED_UP);
}

void SetAreaField(int controlId, LONG value) {
    SetDlgItemTextW(configDialogWindow, controlId, std::to_wstring(value).c_str());
}

// The area the user dragged on the overlay, shown in the area fields.
void ShowPickedArea(const HardCopy& selection) {
    const RECT& area = selection.rect;
    if (!configDialogWindow) return;
    SetAreaField(IDC_AREA_LEFT, area.left);
    SetAreaField(IDC_AREA_TOP, area.top);
    SetAreaField(IDC_AREA_RIGHT, area.right);
    SetAreaField(IDC_AREA_BOTTOM, area.bottom);
}

void OnPickArea() {
    areaPickMode = 1;
    if (DWORD error = StartRangeSelection(ShowPickedArea)) TellCaptureFailure(error);
}

void OnBrowseSaveDir(HWND dialog) {
    wchar_t folder[SAVE_DIR_CAPACITY] = {};
    if (BrowseForFolder(folder, std::size(folder))) SetDlgItemTextW(dialog, IDC_SAVE_DIR, folder);
}

void OnChooseEditApplication(HWND dialog) {
    wchar_t path[APP_PATH_CAPACITY] = {};
    if (ChooseProgram(dialog, path, std::size(path))) SetDlgItemTextW(dialog, IDC_APP_PATH, path);
}

INT_PTR OnButton(HWND dialog, int id) {
    switch (id) {
    case IDC_CONFIG_APPLY: OnApply(dialog); break;
    case IDC_CONFIG_CANCEL:
    case IDCANCEL: EndDialog(dialog, RESULT_CANCELLED); break;
    case IDC_COPY_DESKTOP: OnDesktopClicked(dialog); break;
    case IDC_COPY_ACTIVE:
    case IDC_COPY_NO_FRAME:
    case IDC_COPY_RANGE:
    case IDC_COPY_AREA: OnOtherCopyTypeClicked(dialog); break;
    case IDC_OUT_BITMAP: OnBitmapClicked(dialog); break;
    case IDC_SAVE_INTO_FOLDER:
        Enable(dialog, FOLDER_CONTROLS, IsChecked(dialog, IDC_SAVE_INTO_FOLDER));
        break;
    case IDC_SAVE_ASK_NAME:
        Enable(dialog, FOLDER_CONTROLS, !IsChecked(dialog, IDC_SAVE_ASK_NAME));
        break;
    case IDC_OUT_PRINTER:
        Enable(dialog, {IDC_PRINT_DIRECTLY}, IsChecked(dialog, IDC_OUT_PRINTER));
        break;
    case IDC_DOT_RANGE: Enable(dialog, {IDC_NOT_RANGE}, !IsChecked(dialog, IDC_DOT_RANGE)); break;
    case IDC_NOT_RANGE: Enable(dialog, {IDC_DOT_RANGE}, !IsChecked(dialog, IDC_NOT_RANGE)); break;
    case IDC_EXTRA_AREA: OnExtraAreaClicked(dialog); break;
    case IDC_AREA_PICK: OnPickArea(); break;
    case IDC_SAVE_DIR_BROWSE: OnBrowseSaveDir(dialog); break;
    case IDC_APP_PATH_BROWSE: OnChooseEditApplication(dialog); break;
    case IDC_HISTORY_BACKUP: OnBackupHistory(dialog); break;
    case IDC_HISTORY_CLEAR: OnClearHistory(dialog); break;
    default: return FALSE;
    }
    return TRUE;
}

// The edit controls count their limit in characters, while the settings
// file holds Shift-JIS bytes: an edit whose Shift-JIS form would not fit the
// record is taken back to the field's last text that fitted, so that no text
// is ever cut when it is stored.
INT_PTR OnTextChanged(HWND dialog, int id) {
    for (size_t i = 0; i < std::size(TEXT_LIMITS); ++i) {
        if (TEXT_LIMITS[i].id != id) continue;
        AcceptedText& accepted = configDialog.acceptedTexts[i];
        if (!accepted.known) return TRUE; // still being filled
        HWND field = Control(dialog, id);
        std::wstring text = FieldText(field);
        if (ShiftJisLength(text) <= static_cast<size_t>(TEXT_LIMITS[i].bytes)) {
            Accept(field, accepted, text);
            return TRUE;
        }
        AcceptedText previous = accepted;
        SetWindowTextW(field, previous.text.c_str());
        SendMessageW(field, EM_SETSEL, previous.start, previous.end);
        Accept(field, accepted, previous.text);
        MessageBeep(MB_OK);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
    switch (HIWORD(wParam)) {
    case BN_CLICKED: return OnButton(dialog, LOWORD(wParam));
    case EN_CHANGE: return OnTextChanged(dialog, LOWORD(wParam));
    default: return FALSE;
    }
}

// On a monitor of another DPI: the suggested rectangle, the pixel layout
// and the help list's columns for the new DPI. FALSE lets the dialog manager
// go on with the template's controls and fonts.
INT_PTR OnDpiChanged(HWND dialog, WPARAM wParam, LPARAM lParam) {
    configDialog.dpi = DpiFromDpiChanged(wParam);
    MoveToSuggestedRect(dialog, lParam);
    MovePageControls(dialog);
    ScaleListColumnsToDpi(Control(dialog, IDC_HELP_LIST), configDialog.dpi);
    return FALSE;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_NOTIFY: return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DPICHANGED: return OnDpiChanged(dialog, wParam, lParam);
    case WM_DESTROY: configDialogWindow = nullptr; return FALSE;
    default: return FALSE;
    }
}

} // namespace

void RunConfigDialog() {
    // The template holds a tree, a list and an up-down control; their classes
    // must exist before the dialog is created.
    InitializeCommonControls();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
}
