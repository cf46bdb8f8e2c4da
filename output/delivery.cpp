#include "output/delivery.h"

#include "app/app.h"
#include "capture/bitmap_file.h"
#include "output/history.h"
#include "output/print.h"
#include "settings/settings.h"

#include <string>

namespace {

// Chooses the destination (left empty when there is nothing to write) and
// writes the hard copy there; true only when the file was written.
bool SaveHardCopy(wchar_t* destination) {
    int imageType = ChooseSaveDestination(Settings.IsSaveDialog, destination);
    return destination[0] != '\0' && SaveHardCopyAs(workBitmapPath, destination, imageType);
}

bool IsDiskFull(const wchar_t* destination) {
    ULARGE_INTEGER available = {};
    WIN32_FILE_ATTRIBUTE_DATA hardCopy = {};
    std::wstring folder = FolderOf(destination);
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

} // namespace

bool DeliveryOutcome::OutputsSucceeded() const {
    bool clipboard = !clipboardOn || clipboardReached;
    bool save = !saveOn || saveWritten || saveCancelled;
    return clipboard && save && historyFiled;
}

DeliveryOutcome DeliverHardCopy() {
    DeliveryOutcome outcome;
    DeliverToClipboard(&outcome);
    DeliverToSaveDestination(&outcome);
    outcome.historyFiled = RotateHistory();
    return outcome;
}

PrinterStep ChoosePrinterStep(const DeliveryOutcome& outcome) {
    if (!IsOutputOn(Settings.SaveFormat3) || !outcome.historyFiled) return PrinterStep::None;
    return Settings.IsPrintPreview == 0 ? PrinterStep::Viewer : PrinterStep::Print;
}

void PrintFiledHardCopy(DeliveryOutcome* outcome, wchar_t* title) {
    outcome->printOn = true;
    int width = 0, height = 0;
    ReadBitmapFileSize(historyFilePaths[0], &width, &height);
    outcome->printed =
        PrintHardCopy(RECT{0, 0, width, height}, historyFilePaths[0], title) != PRINT_FAILED;
}
