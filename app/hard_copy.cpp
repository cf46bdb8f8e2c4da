#include "app/hard_copy.h"

#include "app/activity.h"
#include "app/balloon_text.h"
#include "app/tray.h"
#include "capture/feedback.h"
#include "capture/range_overlay.h"
#include "output/delivery.h"
#include "viewer/viewer.h"

#include <string>

namespace {

// The folder a file went to, as a user names it: without the separator.
std::wstring FolderNameOf(const wchar_t* path) {
    std::wstring folder = FolderOf(path);
    if (!folder.empty()) folder.pop_back();
    return folder;
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
    failures.print = outcome.printOn && !outcome.printed && TakeBalloonTurn(BalloonKind::Print);
    if (failures.any()) ShowTrayBalloonNow(DeliveryFailureBalloon(failures));
}

void RunPrinterStep(DeliveryOutcome* outcome) {
    switch (ChoosePrinterStep(*outcome)) {
    case PrinterStep::Viewer: OpenHistoryViewer(); break;
    case PrinterStep::Print: PrintFiledHardCopy(outcome, viewerTitleText); break;
    case PrinterStep::None: break;
    }
}

// The outputs, then the flash or the copied notice (the notice only when
// they all succeeded), then the printer step; each failed output is told.
// A capture that wrote no file delivers nothing: the work file would still
// hold the previous hard copy.
void FinishHardCopy(const HardCopy& hardCopy) {
    if (!hardCopy.written) return;
    PrepareCaptureFeedback(hardCopy.rect, hardCopy.feedbackWindow);
    DeliveryOutcome outcome = DeliverHardCopy();
    if (outcome.historyFiled) NoteHistoryRotated();
    BuildTrayMenu();
    ShowCaptureFeedback(hardCopy.rect, hardCopy.feedbackWindow, outcome.OutputsSucceeded());
    RunPrinterStep(&outcome);
    TellFailures(outcome);
}

// The outputs are those of every mode; their save step copies the hard copy
// file, so the saved file shows exactly the selected part of the snapshot.
void OnRangeSelected(const RECT& onScreen, bool written) {
    FinishHardCopy(HardCopy{written, onScreen, nullptr});
}

} // namespace

void RunCapture(HardCopy (*capture)()) {
    ActivityScope activity;
    FinishHardCopy(capture());
}

void StartRangeCapture() { StartRangeSelection(OnRangeSelected); }
