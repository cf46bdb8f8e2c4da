// Delivering a hard copy: its outputs in a fixed order, and what became of
// each. Nothing here is shown to the user; the caller decides what is.
#pragma once

#include <windows.h>

#include "capture/bitmap_file.h"

#include "output/history.h"
#include "output/print.h"
#include "output/save.h"

struct DeliveryOutcome {
    bool clipboardOn = false;
    bool clipboardReached = false;
    bool clipboardHeldByOther = false;
    bool saveOn = false;
    // False when there is nothing to write: the Save As dialog was
    // cancelled, or no automatic name was free.
    bool saveChosen = false;
    bool saveCancelled = false;
    bool saveWritten = false;
    // Why the file could not be written, as the write itself met it.
    DWORD saveError = NO_ERROR;
    wchar_t savedPath[SAVE_NAME_CAPACITY] = {};
    HistoryRotation history;
    // Direct printing only; the preview's viewer prints at the user's word.
    bool printOn = false;
    // PRINT_DONE, PRINT_CANCELLED, PRINT_FAILED or PRINT_UNREADABLE.
    int printResult = PRINT_DONE;
    // The printer was on, but the history could not file the hard copy, so
    // there was nothing to print or to show for printing.
    bool printSkipped = false;

    // The clipboard, the saved file and the history, as far as they were
    // on: what the copied notice speaks for.
    bool OutputsSucceeded() const;
};

// The hard copy goes to the clipboard (from its picture in memory), the
// saved file and the capture history (from the work bitmap file), in this
// order.
DeliveryOutcome DeliverHardCopy(const SharedDibPicture& picture);

// What follows the sign when the printer is on: nothing, the history viewer
// for the user to print from, or slot 1 printed at once. Only a hard copy
// the history filed is printed: otherwise slot 1 holds an older one.
// A printer step skipped for that is marked in `outcome`.
enum class PrinterStep { None, Viewer, Print };
PrinterStep ChoosePrinterStep(DeliveryOutcome* outcome);
// Prints slot 1 with `title` (PRINT_TITLE_CAPACITY, cleared once printed)
// and records in `outcome` what became of it.
void PrintFiledHardCopy(DeliveryOutcome* outcome, wchar_t* title);
