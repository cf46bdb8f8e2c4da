// From a capture to what the user sees of it: the capture and its delivery
// run as one activity, then the sign that it was taken, the printer step and
// a balloon for each output that failed.
#pragma once

#include "app/balloon_text.h"
#include "capture/capture_modes.h"

// Runs one capture mode and everything that follows it.
void RunCapture(HardCopy (*capture)());
// Opens the range overlay; the selection made on it is delivered like a
// capture.
void StartRangeCapture();

// A balloon for the work file (or the overlay's snapshot) that could not be
// written, with `error` the system's reason.
void TellCaptureFailure(DWORD error);
// A save to a chosen file that was not written, and why.
SaveFailure SaveFailureOf(DWORD error);
