#include "dialogs/config_model.h"

#include <iterator>

#include "dialogs/file_choosers.h"
#include "resources/resource.h"

#include <cstdlib>

namespace {

constexpr RECT Box(int x, int y, int width, int height) {
    return RECT{x, y, x + width, y + height};
}

} // namespace

const PageControl PAGE_CONTROLS[] = {
    {IDC_COPY_DESKTOP, PAGE_TARGET, Box(220, 40, 300, 18)},
    {IDC_EXTRA_AREA, PAGE_TARGET, Box(240, 70, 300, 18)},
    {IDC_COPY_ACTIVE, PAGE_TARGET, Box(220, 100, 300, 18)},
    {IDC_COPY_NO_FRAME, PAGE_TARGET, Box(220, 130, 300, 18)},
    {IDC_COPY_RANGE, PAGE_TARGET, Box(220, 160, 300, 18)},
    {IDC_DOT_RANGE, PAGE_TARGET, Box(240, 190, 80, 18)},
    {IDC_NOT_RANGE, PAGE_TARGET, Box(350, 190, 100, 18)},
    {IDC_COPY_AREA, PAGE_TARGET, Box(220, 220, 100, 18)},
    {IDC_AREA_PICK, PAGE_TARGET, Box(240, 245, 80, 30)},
    {IDC_AREA_LEFT_LABEL, PAGE_TARGET, Box(330, 255, 15, 15)},
    {IDC_AREA_LEFT, PAGE_TARGET, Box(350, 253, 40, 15)},
    {IDC_AREA_TOP_LABEL, PAGE_TARGET, Box(400, 235, 15, 15)},
    {IDC_AREA_TOP, PAGE_TARGET, Box(420, 233, 40, 15)},
    {IDC_AREA_RIGHT_LABEL, PAGE_TARGET, Box(470, 255, 15, 15)},
    {IDC_AREA_RIGHT, PAGE_TARGET, Box(490, 253, 40, 15)},
    {IDC_AREA_BOTTOM_LABEL, PAGE_TARGET, Box(400, 275, 15, 15)},
    {IDC_AREA_BOTTOM, PAGE_TARGET, Box(420, 273, 40, 15)},
    {IDC_OUT_CLIPBOARD, PAGE_SAVE, Box(220, 40, 300, 18)},
    {IDC_OUT_BITMAP, PAGE_SAVE, Box(220, 70, 130, 18)},
    {IDC_SAVE_PNG, PAGE_SAVE, Box(360, 70, 170, 18)},
    {IDC_SAVE_INTO_FOLDER, PAGE_SAVE, Box(240, 100, 300, 18)},
    {IDC_SAVE_DIR, PAGE_SAVE, Box(255, 120, 250, 18)},
    {IDC_SAVE_DIR_BROWSE, PAGE_SAVE, Box(510, 120, 20, 18)},
    {IDC_SAVE_ASK_NAME, PAGE_SAVE, Box(240, 170, 300, 18)},
    {IDC_OUT_PRINTER, PAGE_SAVE, Box(220, 210, 300, 18)},
    {IDC_PRINT_DIRECTLY, PAGE_SAVE, Box(240, 240, 300, 18)},
    {IDC_APP_PATH_LABEL, PAGE_EDIT, Box(220, 40, 320, 18)},
    {IDC_APP_PATH, PAGE_EDIT, Box(220, 60, 290, 18)},
    {IDC_APP_PATH_BROWSE, PAGE_EDIT, Box(515, 60, 20, 18)},
    {IDC_APP_PARAM_LABEL, PAGE_EDIT, Box(220, 100, 320, 18)},
    {IDC_APP_PARAM, PAGE_EDIT, Box(220, 120, 290, 18)},
    {IDC_PRINT_EDGE, PAGE_PRINT, Box(220, 40, 300, 18)},
    {IDC_PRINT_DIALOG, PAGE_PRINT, Box(220, 70, 300, 18)},
    {IDC_PRINT_SYSTIME, PAGE_PRINT, Box(220, 100, 300, 18)},
    {IDC_PRINT_HOSTNAME, PAGE_PRINT, Box(220, 130, 300, 18)},
    {IDC_PRINT_IPADDR, PAGE_PRINT, Box(220, 160, 300, 18)},
    {IDC_NO_FLASH, PAGE_NOTIFY, Box(220, 40, 300, 18)},
    {IDC_START_WITH_WINDOWS, PAGE_NOTIFY, Box(220, 70, 300, 18)},
    {IDC_START_WITH_WINDOWS_NOTE, PAGE_NOTIFY, Box(238, 95, 300, 190)},
    {IDC_INCLUDE_CURSOR, PAGE_POINTER, Box(220, 40, 300, 18)},
    {IDC_HISTORY_COUNT_LABEL, PAGE_HISTORY_COUNT, Box(220, 40, 270, 18)},
    {IDC_HISTORY_COUNT, PAGE_HISTORY_COUNT, Box(220, 60, 50, 18)},
    {IDC_HISTORY_COUNT_SPIN, PAGE_HISTORY_COUNT, Box(272, 60, 20, 18)},
    {IDC_HISTORY_BACKUP, PAGE_BACKUP, Box(220, 40, 200, 40)},
    {IDC_HISTORY_CLEAR, PAGE_CLEAR, Box(220, 40, 200, 40)},
    {IDC_HELP_LIST, PAGE_HELP, Box(220, 40, 315, 240)},
};
const size_t PAGE_CONTROL_COUNT = sizeof PAGE_CONTROLS / sizeof PAGE_CONTROLS[0];

const wchar_t* const PAGE_CAPTIONS[CONFIG_PAGE_COUNT] = {
    L"ハードコピー対象設定",
    L"ハードコピー保存設定",
    L"編集設定",
    L"印刷設定",
    L"通知設定",
    L"マウスポインタ",
    L"履歴数の設定",
    L"履歴のバックアップ",
    L"履歴のクリア",
    L"ヘルプ",
};

// Roots first, then the children in the order they are added.
const ConfigTreeItem CONFIG_TREE[] = {
    {L"ハードコピー", -1, PAGE_NONE, true}, // 0
    {L"オプション", -1, PAGE_NONE, true},   // 1
    {L"その他", -1, PAGE_NONE, true},       // 2
    {L"対象設定", 0, PAGE_TARGET, false},
    {L"保存設定", 0, PAGE_SAVE, false},
    {L"編集", 0, PAGE_EDIT, false},
    {L"印刷設定", 1, PAGE_PRINT, false},
    {L"通知設定", 1, PAGE_NOTIFY, false},
    {L"マウスポインタ", 1, PAGE_POINTER, false},
    {L"履歴", 0, PAGE_NONE, true}, // 9
    {L"ヘルプ", 2, PAGE_HELP, false},
    {L"履歴数", 9, PAGE_HISTORY_COUNT, false},
    {L"バックアップ", 9, PAGE_BACKUP, false},
    {L"クリア", 9, PAGE_CLEAR, false},
};
const size_t CONFIG_TREE_COUNT = sizeof CONFIG_TREE / sizeof CONFIG_TREE[0];

const HelpRow HELP_ROWS[] = {
    {L"PrintScreen", L"ハードコピーを作成します。"},
    {L"Ctrl+PrintScreen", L"アクティブウィンドウのハードコピーを作成します。"},
    {L"Ctrl+Alt+PrintScreen", L"アクティブウィンドウ枠なしのハードコピーを作成します。"},
    {L"Shift+PrintScreen", L"デスクトップの任意の矩形領域のハードコピーを作成します。"},
    {L"Alt+PrintScreen", L"コンフィグ設定画面を表示します。"},
    {L"Ctrl+Alt+F10", L"ハードコピー履歴画面を表示します。"},
    {L"Ctrl+Alt+F11", L"ポップアップメニューを表示します。"},
    {L"Ctrl+Alt+F12", L"PrintScreenキーと同じように使えます。"},
    {L"ESCキー", L"画面を閉じたり、ハードコピーの範囲選択をキャンセルさせ、再度範囲選択をやり直すこと"
                L"ができます。"},
    {L"タスクアイコン右クリック", L"ハードコピー履歴画面を表示します。"},
    {L"タスクアイコン左クリック", L"ポップアップメニューを表示します。"},
    {L"ハードコピー履歴画面上で右クリック", L"ポップアップメニューを表示します。"},
    {L"ハードコピー履歴画面でアプリケーションキーを押下", L"メニューボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面でEscキーを押下", L"閉じるボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面で「←」キーを押下", L"「<」ボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面でCtrl+「←」キーを押下", L"「<<」ボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面でCtrl+Shift+「←」キーを押下", L"「<<<」ボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面で「→」キーを押下", L"「>」ボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面でCtrl+「→」キーを押下", L"「>>」ボタン押下と同じ機能です。"},
    {L"ハードコピー履歴画面でCtrl+Shift+「→」キーを押下", L"「>>>」ボタン押下と同じ機能です。"},
    {L"ホットキー設定画面のホットキー項目をダブルクリック", L"ホットキー編集画面を表示します。"},
    {L"バージョン情報画面のリンクラベルをクリック", L"メーラーを起動します。"},
    {L"保存設定の「PNG形式で保存する」をチェック", L"ハードコピーをPNGファイルで保存します。"},
    {L"通知設定の「Windows の起動時に ZORVEX を起動する」をチェック",
     L"スタートアップフォルダのショートカットで、Windows の起動時に ZORVEX を起動します。"},
};
const size_t HELP_ROW_COUNT = sizeof HELP_ROWS / sizeof HELP_ROWS[0];

POINT CenteredDialogPosition(RECT workArea, int width, int height) {
    return POINT{workArea.left + (workArea.right - workArea.left - width) / 2,
                 workArea.top + (workArea.bottom - workArea.top - height) / 2};
}

int ReadDecimalField(const wchar_t* text) {
    return static_cast<int>(std::wcstol(text, nullptr, 10));
}

namespace {

int Flag(bool on) {
    return on ? 1 : 0;
}

// Step 2.
void StoreOutputs(const ConfigInput& input, SettingsRecord& s) {
    s.SaveFormat1 = Flag(input.clipboard);
    s.SaveFormat2 = Flag(input.bitmap);
    s.SaveFormat3 = Flag(input.printer);
    s.SaveImageType = input.savePng ? IMAGE_TYPE_PNG : IMAGE_TYPE_BITMAP;
    s.IsSaveDialog = 0;
    if (!input.bitmap) return;
    if (input.askSaveName)
        s.IsSaveDialog = 1;
    else
        CopyTextIfFits(input.saveDir, s.SaveDir, std::size(s.SaveDir));
}

// Step 5; refused when the fixed area has no width or no height.
ConfigRefusal StoreCopyType(const ConfigInput& input, SettingsRecord& s) {
    switch (input.copyType) {
    case CHOICE_DESKTOP:
        s.CopyType = COPY_DESKTOP;
        s.IsExtraArea = Flag(input.extraArea);
        return REFUSAL_NONE;
    case CHOICE_ACTIVE: s.CopyType = COPY_ACTIVE_WINDOW; return REFUSAL_NONE;
    case CHOICE_NO_FRAME: s.CopyType = COPY_ACTIVE_WINDOW_NO_FRAME; return REFUSAL_NONE;
    case CHOICE_RANGE: s.CopyType = COPY_RANGE; return REFUSAL_NONE;
    case CHOICE_AREA:
        if (input.areaRight - input.areaLeft == 0) return REFUSAL_ZERO_WIDTH;
        if (input.areaBottom - input.areaTop == 0) return REFUSAL_ZERO_HEIGHT;
        s.AutoLeft = input.areaLeft;
        s.AutoTop = input.areaTop;
        s.AutoRight = input.areaRight;
        s.AutoBottom = input.areaBottom;
        s.CopyType = COPY_FIXED_AREA;
        return REFUSAL_NONE;
    default: s.CopyType = COPY_DESKTOP; return REFUSAL_NONE;
    }
}

// Step 6: at most one of the two band styles.
void StoreBandStyle(const ConfigInput& input, SettingsRecord& s) {
    s.IsDotRange = Flag(input.dotRange);
    s.IsNotRange = Flag(!input.dotRange && input.notRange);
}

// Step 8.
void StoreOptions(const ConfigInput& input, SettingsRecord& s) {
    s.IsPrintEdge = Flag(input.printEdge);
    s.IsPrintDialog = Flag(input.printDialog);
    s.IsPrintSysTime = Flag(input.printSysTime);
    s.IsPrintHostName = Flag(input.printHostName);
    s.IsPrintIPAddr = Flag(input.printIPAddr);
    s.IsFlash = Flag(input.noFlash);
    s.IsCursor = Flag(input.cursor);
}

} // namespace

ConfigRefusal StoreConfigInput(const ConfigInput& input, SettingsRecord& s) {
    // 1. At least one output.
    if (!input.clipboard && !input.bitmap && !input.printer) return REFUSAL_NO_OUTPUT;
    // 2. The outputs, the save dialog and the save folder.
    StoreOutputs(input, s);
    // 3. Direct printing.
    s.IsPrintPreview = Flag(input.printer && input.printDirectly);
    // 4. The desktop option and the fixed area start from nothing.
    s.IsExtraArea = s.AutoLeft = s.AutoTop = s.AutoRight = s.AutoBottom = 0;
    // 5. The copy type.
    if (ConfigRefusal refusal = StoreCopyType(input, s); refusal != REFUSAL_NONE) return refusal;
    // 6. The band style.
    StoreBandStyle(input, s);
    // 7. The edit application.
    if (input.appPath[0] == '\0') return REFUSAL_NO_EDIT_APPLICATION;
    CopyTextIfFits(input.appPath, s.AppPath, std::size(s.AppPath));
    CopyTextIfFits(input.appParam, s.AppParam, std::size(s.AppParam));
    // 8. Printing, flash and pointer.
    StoreOptions(input, s);
    // 9. The history count.
    if (input.historyCount < MIN_HISTORY_LENGTH) return REFUSAL_COUNT_TOO_LOW;
    if (input.historyCount > MAX_HISTORY_LENGTH) return REFUSAL_COUNT_TOO_HIGH;
    return REFUSAL_NONE;
}

const wchar_t* RefusalText(ConfigRefusal refusal) {
    switch (refusal) {
    case REFUSAL_NO_OUTPUT: return L"保存設定のうち、いづれか1つを指定して下さい";
    case REFUSAL_ZERO_WIDTH: return L"指定領域の横幅は1以上の範囲を指定して下さい";
    case REFUSAL_ZERO_HEIGHT: return L"指定領域の縦幅は1以上の範囲を指定して下さい";
    case REFUSAL_NO_EDIT_APPLICATION: return L"編集用アプリケーションを指定して下さい";
    case REFUSAL_COUNT_TOO_LOW: return L"保存履歴数は3以上を設定して下さい";
    case REFUSAL_COUNT_TOO_HIGH: return L"保存履歴数は300以下を設定して下さい";
    default: return L"";
    }
}
