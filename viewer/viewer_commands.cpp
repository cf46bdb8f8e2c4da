#include "viewer/viewer_commands.h"

#include "app/activity.h"
#include "app/hard_copy.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "capture/feedback.h"
#include "output/clipboard.h"
#include "output/history.h"
#include "output/print.h"
#include "output/save.h"
#include "resources/resource.h"
#include "viewer/title_dialog.h"

namespace {

constexpr wchar_t DELETE_QUESTION[] = L"ハードコピーを削除します。よろしいですか？";
constexpr UINT DELETE_QUESTION_STYLE = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;

// Runs a modal step with the viewer disabled, then gives it back the front.
template <typename Step> void WithViewerDisabled(HWND viewer, Step step) {
    EnableWindow(viewer, FALSE);
    step();
    EnableWindow(viewer, TRUE);
    SetForegroundWindow(viewer);
}

void CopyToClipboard(HWND viewer, const ShownHardCopy& shown) {
    ClipboardCopy copy = CopyBitmapFileToClipboard(shown.file);
    if (copy != ClipboardCopy::Placed) {
        DeliveryFailures failures;
        failures.clipboard = true;
        failures.clipboardHeldByOther = copy == ClipboardCopy::InUse;
        return ShowFailureBalloon(failures);
    }
    WithViewerDisabled(viewer, [] { ShowCopiedNotice(); });
}

void SaveUnderChosenName(HWND viewer, const ShownHardCopy& shown) {
    wchar_t destination[SAVE_NAME_CAPACITY] = {};
    DWORD error = NO_ERROR;
    bool written = true;
    WithViewerDisabled(viewer, [&] {
        int imageType = ChooseSaveDestination(1, destination);
        if (destination[0] != '\0')
            written = SaveHardCopyAs(shown.file, destination, imageType, &error);
    });
    if (written) return;
    DeliveryFailures failures;
    failures.save = SaveFailureOf(error);
    failures.saveFolder = FolderNameOf(destination);
    ShowFailureBalloon(failures);
}

void TellPrintFailure(PrintFailure print) {
    DeliveryFailures failures;
    failures.print = print;
    ShowFailureBalloon(failures);
}

void OpenWithProgram(HWND viewer, const ShownHardCopy& shown) {
    int width = 0, height = 0;
    ReadBitmapFileSize(shown.file, &width, &height);
    if (width > 0 || height > 0) OpenWithChooser(viewer, shown.file);
}

bool DeleteShownHardCopy(HWND viewer, const ShownHardCopy& shown) {
    if (MessageBoxW(viewer, DELETE_QUESTION, L"ZORVEX", DELETE_QUESTION_STYLE) != IDYES)
        return false;
    DeleteHistoryEntry(shown.slot);
    return true;
}

void SetUpPrinter(HWND viewer) {
    if (printerSetupActive) return;
    EnableWindow(viewer, FALSE);
    printerSetupActive = true;
    RunPrinterSetup(nullptr);
    EnableWindow(viewer, TRUE);
    PumpPendingMessages();
    SetForegroundWindow(viewer);
}

// The viewer closes once the hard copy went to the printer.
void PrintShownHardCopy(HWND viewer, const ShownHardCopy& shown) {
    // A hard copy that cannot be read (held open, damaged) prints nothing,
    // and the viewer stays where it is for another try.
    HBITMAP bitmap = LoadBitmapFile(shown.file);
    if (!bitmap) return TellPrintFailure(PrintFailure::Unreadable);
    // Hidden while it prints, the viewer cannot be brought forward by a hot
    // key: requests wait until the print is over and the viewer closed.
    ActivityScope activity;
    ShowWindow(viewer, SW_HIDE);
    UpdateWindow(viewer);
    SIZE size = shown.imageSize;
    if (PrintHardCopyImage(RECT{0, 0, size.cx, size.cy}, bitmap, shown.title) == PRINT_FAILED) {
        // Nothing was printed: the viewer stays, for another try.
        ShowWindow(viewer, SW_SHOW);
        SetForegroundWindow(viewer);
        return TellPrintFailure(PrintFailure::NoPrinter);
    }
    SendMessageW(viewer, WM_CLOSE, 0, 0);
}

} // namespace

ViewerChange RunViewerCommand(HWND viewer, UINT command, const ShownHardCopy& shown) {
    // Every command but the edit application's needs a hard copy in the slot.
    bool filled = IsHistorySlotFilled(shown.slot);
    switch (command) {
    case IDM_VIEWER_COPY:
        if (filled) CopyToClipboard(viewer, shown);
        break;
    case IDM_VIEWER_SAVE_AS:
        if (filled) SaveUnderChosenName(viewer, shown);
        break;
    case IDM_VIEWER_EDIT: OpenInEditApplication(shown.file); break;
    case IDM_VIEWER_OPEN_WITH:
        if (filled) OpenWithProgram(viewer, shown);
        break;
    case IDM_VIEWER_TITLE:
        if (!filled) break;
        RunTitleDialog(viewer, TitleText{shown.title, PRINT_TITLE_CAPACITY});
        return ViewerChange::TitleEntered;
    case IDM_VIEWER_DELETE:
        if (filled && DeleteShownHardCopy(viewer, shown)) return ViewerChange::Deleted;
        break;
    case IDM_VIEWER_PRINTER_SETUP: SetUpPrinter(viewer); break;
    case IDC_VIEWER_PRINT:
        if (filled) PrintShownHardCopy(viewer, shown);
        break;
    default: break; // "キャンセル" and anything else
    }
    return ViewerChange::None;
}
