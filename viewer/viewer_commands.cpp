#include "viewer/viewer_commands.h"

#include "app/activity.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "capture/feedback.h"
#include "output/history.h"
#include "output/print.h"
#include "output/save.h"
#include "resources/resource.h"
#include "viewer/title_dialog.h"
#include "viewer/viewer.h"

namespace {

constexpr wchar_t DELETE_QUESTION[] = L"ハードコピーを削除します。よろしいですか？";
constexpr UINT DELETE_QUESTION_STYLE = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;

bool ShownSlotFilled() { return IsHistorySlotFilled(currentHistoryIndex); }

// Runs a modal step with the viewer disabled, then gives it back the front.
template <typename Step> void WithViewerDisabled(HWND viewer, Step step) {
    EnableWindow(viewer, FALSE);
    step();
    EnableWindow(viewer, TRUE);
    SetForegroundWindow(viewer);
}

void CopyToClipboard(HWND viewer) {
    if (!ShownSlotFilled() || !CopyBitmapFileToClipboard(CurrentHistoryFile())) return;
    WithViewerDisabled(viewer, [] { ShowCopiedNotice(); });
}

void SaveUnderChosenName(HWND viewer) {
    if (!ShownSlotFilled()) return;
    WithViewerDisabled(viewer, [] {
        wchar_t destination[SAVE_NAME_CAPACITY] = {};
        int imageType = ChooseSaveDestination(1, destination);
        if (destination[0] != '\0') SaveHardCopyAs(CurrentHistoryFile(), destination, imageType);
    });
}

void OpenWithProgram(HWND viewer) {
    if (!ShownSlotFilled()) return;
    int width = 0, height = 0;
    ReadBitmapFileSize(CurrentHistoryFile(), &width, &height);
    if (width > 0 || height > 0) OpenWithChooser(viewer, CurrentHistoryFile());
}

void EnterTitle(HWND viewer) {
    if (!ShownSlotFilled()) return;
    RunTitleDialog(viewer);
    ReadViewerImageSize();
    RenderViewerPage(true, false);
    RedrawViewer();
    PumpPendingMessages();
    SetForegroundWindow(viewer);
}

void DeleteShownHardCopy(HWND viewer) {
    if (!ShownSlotFilled()) return;
    if (MessageBoxW(viewer, DELETE_QUESTION, L"ZORVEX", DELETE_QUESTION_STYLE) != IDYES) return;
    DeleteHistoryEntry(currentHistoryIndex);
    UpdateViewerCaption();
    ForgetViewerImageSize();
    RenderViewerPage(false, true);
    viewerTitleText[0] = '\0';
    RedrawViewer();
    BuildTrayMenu();
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

void PrintShownHardCopy(HWND viewer) {
    if (!ShownSlotFilled()) return;
    // A hard copy that cannot be read (held open, damaged) prints nothing,
    // and the viewer stays where it is for another try.
    HBITMAP bitmap = LoadBitmapFile(CurrentHistoryFile());
    if (!bitmap) return;
    // Hidden while it prints, the viewer cannot be brought forward by a hot
    // key: requests wait until the print is over and the viewer closed.
    ActivityScope activity;
    ShowWindow(viewer, SW_HIDE);
    UpdateWindow(viewer);
    SIZE size = ViewerImageSize();
    if (PrintHardCopyImage(RECT{0, 0, size.cx, size.cy}, bitmap) == PRINT_FAILED) {
        // Nothing was printed: the viewer stays, for another try.
        ShowWindow(viewer, SW_SHOW);
        SetForegroundWindow(viewer);
        return;
    }
    SendMessageW(viewer, WM_CLOSE, 0, 0);
}

} // namespace

void RunViewerCommand(HWND viewer, UINT command) {
    switch (command) {
    case IDM_VIEWER_COPY: CopyToClipboard(viewer); break;
    case IDM_VIEWER_SAVE_AS: SaveUnderChosenName(viewer); break;
    case IDM_VIEWER_EDIT: OpenInEditApplication(CurrentHistoryFile()); break;
    case IDM_VIEWER_OPEN_WITH: OpenWithProgram(viewer); break;
    case IDM_VIEWER_TITLE: EnterTitle(viewer); break;
    case IDM_VIEWER_DELETE: DeleteShownHardCopy(viewer); break;
    case IDM_VIEWER_PRINTER_SETUP: SetUpPrinter(viewer); break;
    case IDC_VIEWER_PRINT: PrintShownHardCopy(viewer); break;
    default: break; // "キャンセル" and anything else
    }
}
