#include "output/delivery.h"

#include "app/app.h"
#include "app/balloon_text.h"
#include "app/tray.h"
#include "capture/bitmap_file.h"
#include "capture/feedback.h"
#include "output/history.h"
#include "output/print.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

#include <cwchar>
#include <string>

namespace {

// Chooses the destination (left empty when there is nothing to write) and
// writes the hard copy there; true only when the file was written.
bool SaveHardCopy(wchar_t* destination) {
    int imageType = ChooseSaveDestination(Settings.IsSaveDialog, destination);
    return destination[0] != '\0' && SaveHardCopyAs(workBitmapPath, destination, imageType);
}

// The folder a file went to, as a user names it: without the separator.
std::wstring FolderNameOf(const wchar_t* path) {
    std::wstring folder = FolderOf(path);
    if (!folder.empty()) folder.pop_back();
    return folder;
}

bool IsDiskFull(const wchar_t* destination) {
    ULARGE_INTEGER available = {};
    WIN32_FILE_ATTRIBUTE_DATA hardCopy = {};
    std::wstring folder = FolderNameOf(destination);
    return GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) &&
           GetFileAttributesExW(workBitmapPath, GetFileExInfoStandard, &hardCopy) &&
           available.QuadPart < hardCopy.nFileSizeLow;
}

void DeliverToClipboard(DeliveryOutcome* outcome) {
    outcome->clipboardOn = IsOutputOn(Settings.SaveFormat1);
    if (!outcome->clipboardOn) return;
    outcome->clipboardReached = CopyBitmapFileToClipboard(workBitmapPath) != 0;
    outcome->clipboardHeldByOther =
        !outcome->clipboardReached && GetOpenClipboardWindow() != nullptr;
}

void DeliverToSaveDestination(DeliveryOutcome* outcome) {
    outcome->saveOn = IsOutputOn(Settings.SaveFormat2);
    if (!outcome->saveOn) return;
    outcome->saveWritten = SaveHardCopy(outcome->savedPath);
    outcome->saveChosen = outcome->savedPath[0] != '\0';
    outcome->saveCancelled = !outcome->saveChosen && Settings.IsSaveDialog != 0;
    outcome->saveDiskFull =
        outcome->saveChosen && !outcome->saveWritten && IsDiskFull(outcome->savedPath);
}

// The printer step takes slot 1; when this hard copy did not get there, the
// slot holds an older one that must not be printed in its place.
void RunPrinterStep(DeliveryOutcome* outcome) {
    if (!IsOutputOn(Settings.SaveFormat3) || !outcome->historyFiled) return;
    if (Settings.IsPrintPreview == 0) {
        OpenHistoryViewer();
        return;
    }
    outcome->printOn = true;
    int width = 0, height = 0;
    ReadBitmapFileSize(historyFilePaths[0], &width, &height);
    // A print the user cancelled is no failure to tell.
    outcome->printed =
        PrintHardCopy(RECT{0, 0, width, height}, historyFilePaths[0]) != PRINT_FAILED;
}

SaveFailure SaveFailureOf(const DeliveryOutcome& outcome) {
    // A cancelled Save As is the user's choice, not a failure.
    if (!outcome.saveOn || outcome.saveWritten || outcome.saveCancelled) return SaveFailure::None;
    if (!outcome.saveChosen) return SaveFailure::NoName;
    return outcome.saveDiskFull ? SaveFailure::DiskFull : SaveFailure::NotWritable;
}

// One balloon for the outputs that failed, leaving out a kind told moments
// ago.
void TellFailures(const DeliveryOutcome& outcome) {
    DeliveryFailures failures;
    if (outcome.clipboardOn && !outcome.clipboardReached &&
        TakeBalloonTurn(BalloonKind::Clipboard)) {
        failures.clipboard = true;
        failures.clipboardHeldByOther = outcome.clipboardHeldByOther;
    }
    SaveFailure save = SaveFailureOf(outcome);
    if (save != SaveFailure::None && TakeBalloonTurn(BalloonKind::Save)) {
        failures.save = save;
        failures.saveFolder = FolderNameOf(outcome.savedPath);
    }
    failures.history = !outcome.historyFiled && TakeBalloonTurn(BalloonKind::History);
    failures.print =
        outcome.printOn && !outcome.printed && TakeBalloonTurn(BalloonKind::Print);
    if (failures.any()) ShowTrayBalloonNow(DeliveryFailureBalloon(failures));
}

} // namespace

bool DeliveryOutcome::OutputsSucceeded() const {
    bool clipboard = !clipboardOn || clipboardReached;
    bool save = !saveOn || saveWritten || saveCancelled;
    return clipboard && save && historyFiled;
}

DeliveryOutcome DeliverHardCopy(RECT feedbackRect, HWND feedbackWindow) {
    DeliveryOutcome outcome;
    PrepareCaptureFeedback(feedbackRect, feedbackWindow);
    DeliverToClipboard(&outcome);
    DeliverToSaveDestination(&outcome);
    outcome.historyFiled = RotateHistory();
    ShowCaptureFeedback(feedbackRect, feedbackWindow, outcome.OutputsSucceeded());
    RunPrinterStep(&outcome);
    TellFailures(outcome);
    return outcome;
}
