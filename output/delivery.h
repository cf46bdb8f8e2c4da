// Delivering a hard copy: its outputs in a fixed order, the sign that it was
// taken, and what became of each output.
#pragma once

#include <windows.h>

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
    bool saveDiskFull = false;
    wchar_t savedPath[SAVE_NAME_CAPACITY] = {};
    bool historyFiled = false;
    // Direct printing only; the preview's viewer prints at the user's word.
    bool printOn = false;
    bool printed = false;

    // The clipboard, the saved file and the history, as far as they were
    // on: what the copied notice speaks for.
    bool OutputsSucceeded() const;
};

// The hard copy in the work bitmap file goes to the clipboard, the saved
// file and the capture history, in this order; then the flash over
// `feedbackRect` (or `feedbackWindow`'s client area) or the copied notice,
// the notice only when those outputs all succeeded; then the printer step.
// Each failed output is told in a balloon of the tray icon.
DeliveryOutcome DeliverHardCopy(RECT feedbackRect, HWND feedbackWindow);
