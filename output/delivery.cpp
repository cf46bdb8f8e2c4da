#include "output/delivery.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/clipboard.h"
#include "output/history.h"
#include "output/print.h"
#include "settings/settings.h"


namespace {

// Whoever holds the clipboard open, with a window or without one, keeps the
// hard copy off it.
void DeliverToClipboard(DeliveryOutcome* outcome, const SharedDibPicture& picture) {
    outcome->clipboardOn = IsOutputOn(Settings.SaveFormat1);
    if (!outcome->clipboardOn) return;
    ClipboardCopy copy = CopyPictureToClipboard(picture);
    outcome->clipboardReached = copy == ClipboardCopy::Placed;
    outcome->clipboardHeldByOther = copy == ClipboardCopy::InUse;
}

// Chooses the destination (left empty when there is nothing to write) and
// writes the hard copy there.
void DeliverToSaveDestination(DeliveryOutcome* outcome) {
    outcome->saveOn = IsOutputOn(Settings.SaveFormat2);
    if (!outcome->saveOn) return;
    int imageType = ChooseSaveDestination(Settings.IsSaveDialog, outcome->savedPath);
    outcome->saveChosen = outcome->savedPath[0] != '\0';
    outcome->saveCancelled = !outcome->saveChosen && Settings.IsSaveDialog != 0;
    outcome->saveWritten = outcome->saveChosen && SaveHardCopyAs(workBitmapPath, outcome->savedPath,
                                                                 imageType, &outcome->saveError);
}

} // namespace

bool DeliveryOutcome::OutputsSucceeded() const {
    bool clipboard = !clipboardOn || clipboardReached;
    bool save = !saveOn || saveWritten || saveCancelled;
    return clipboard && save && history.filed();
}

DeliveryOutcome DeliverHardCopy(const SharedDibPicture& picture) {
    DeliveryOutcome outcome;
    DeliverToClipboard(&outcome, picture);
    DeliverToSaveDestination(&outcome);
    outcome.history = RotateHistory();
    return outcome;
}

PrinterStep ChoosePrinterStep(DeliveryOutcome* outcome) {
    if (!IsOutputOn(Settings.SaveFormat3)) return PrinterStep::None;
    if (!outcome->history.filed()) {
        outcome->printSkipped = true;
        return PrinterStep::None;
    }
    return Settings.IsPrintPreview == 0 ? PrinterStep::Viewer : PrinterStep::Print;
}

void PrintFiledHardCopy(DeliveryOutcome* outcome, wchar_t* title) {
    outcome->printOn = true;
    int width = 0, height = 0;
    ReadBitmapFileSize(historyFilePaths[0], &width, &height);
    outcome->printResult = PrintHardCopy(RECT{0, 0, width, height}, historyFilePaths[0], title);
}
