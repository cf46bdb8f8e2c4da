#include "app/hard_copy.h"

#include "app/activity.h"
#include "app/app.h"
#include "app/tray.h"
#include "capture/feedback.h"
#include "capture/range_overlay.h"
#include "output/delivery.h"
#include "viewer/viewer.h"

#include <string>

namespace {

SaveFailure SaveFailureOf(const DeliveryOutcome& outcome) {
    // A cancelled Save As is the user's choice, not a failure.
    if (!outcome.saveOn || outcome.saveWritten || outcome.saveCancelled) return SaveFailure::None;
    if (!outcome.saveChosen) return SaveFailure::NoName;
    return ::SaveFailureOf(outcome.saveError);
}

PrintFailure PrintFailureOf(const DeliveryOutcome& outcome) {
    if (outcome.printSkipped) return PrintFailure::Skipped;
    if (!outcome.printOn) return PrintFailure::None;
    switch (outcome.printResult) {
    case PRINT_FAILED: return PrintFailure::NoPrinter;
    case PRINT_UNREADABLE: return PrintFailure::Unreadable;
    default: return PrintFailure::None; // done, or cancelled by the user
    }
}

DeliveryFailures FailuresOf(const DeliveryOutcome& outcome) {
    DeliveryFailures failures;
    failures.clipboard = outcome.clipboardOn && !outcome.clipboardReached;
    failures.clipboardHeldByOther = outcome.clipboardHeldByOther;
    failures.save = SaveFailureOf(outcome);
    if (failures.save != SaveFailure::None) failures.saveFolder = FolderNameOf(outcome.savedPath);
    failures.history = !outcome.history.filed();
    failures.historyStrays = outcome.history.strays;
    failures.print = PrintFailureOf(outcome);
    return failures;
}

void RunPrinterStep(DeliveryOutcome* outcome) {
    switch (ChoosePrinterStep(outcome)) {
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
    if (!hardCopy.written) {
        if (hardCopy.error != NO_ERROR) TellCaptureFailure(hardCopy.error);
        return;
    }
    PrepareCaptureFeedback(hardCopy.rect, hardCopy.feedbackWindow);
    DeliveryOutcome outcome = DeliverHardCopy(hardCopy.picture);
    if (outcome.history.filed()) NoteHistoryRotated();
    BuildTrayMenu();
    ShowCaptureFeedback(hardCopy.rect, hardCopy.feedbackWindow, outcome.OutputsSucceeded());
    RunPrinterStep(&outcome);
    ShowFailureBalloon(FailuresOf(outcome));
}

} // namespace

void RunCapture(HardCopy (*capture)()) {
    ActivityScope activity;
    FinishHardCopy(capture());
}

void StartRangeCapture() {
    // A selection's outputs are those of every mode; their save step copies
    // the hard copy file, so the saved file shows exactly the selected part.
    if (DWORD error = StartRangeSelection(FinishHardCopy)) TellCaptureFailure(error);
}

void TellCaptureFailure(DWORD error) {
    ShowTrayBalloon(BalloonKind::Capture,
                    CaptureFailureBalloon(CaptureFailureOf(error, tempDirectory[0] != L'\0'),
                                          FolderNameOf(tempDirectory)));
}

SaveFailure SaveFailureOf(DWORD error) {
    // What the write did not say is told as a folder that cannot be written.
    return IsDiskFullError(error) ? SaveFailure::DiskFull : SaveFailure::NotWritable;
}
