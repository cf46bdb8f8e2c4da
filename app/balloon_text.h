// What the tray icon's balloons and tooltip say, and how often a balloon of
// one kind may show. Kept free of windows so that a console test can call it.
#pragma once

#include "output/history.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The capacities of NOTIFYICONDATAW's texts in UTF-16 units, terminator included.
constexpr size_t BALLOON_TITLE_CAPACITY = 64;
constexpr size_t BALLOON_TEXT_CAPACITY = 256;
constexpr size_t TRAY_TIP_CAPACITY = 128;

struct BalloonText {
    std::wstring title;
    std::wstring text;
};

enum class SaveFailure { None, NoName, DiskFull, NotWritable };
// No printer (or a job it refused), a hard copy that could not be read for
// printing, or a print not made because the history could not file it.
enum class PrintFailure { None, NoPrinter, Unreadable, Skipped };

// The outputs of one capture that went wrong, as the balloon tells them.
struct DeliveryFailures {
    bool clipboard = false;
    bool clipboardHeldByOther = false;
    SaveFailure save = SaveFailure::None;
    std::wstring saveFolder;
    bool history = false;
    // Where the hard copies are that the history could not put back.
    std::vector<StrayHardCopy> historyStrays;
    PrintFailure print = PrintFailure::None;

    bool any() const {
        return clipboard || save != SaveFailure::None || history || print != PrintFailure::None;
    }
};

BalloonText DeliveryFailureBalloon(const DeliveryFailures& failures);

// Why the work file could not be written: a full disk, a folder that takes
// no file, a file another program holds, a folder that is gone, a picture
// too large for the memory, a temporary folder whose place is too long, or
// another cause.
enum class CaptureFailure { DiskFull, NotWritable, Held, NoFolder, NoMemory, PathTooLong };
CaptureFailure CaptureFailureOf(unsigned long systemError, bool haveTemporaryFolder);
// "ハードコピーを取れませんでした", the cause and the temporary folder.
BalloonText CaptureFailureBalloon(CaptureFailure failure, const std::wstring& folder);

// The capture keys that were registered.
struct CaptureKeys {
    bool printScreen = false;
    bool ctrlAltF12 = false;
};

// `missingKeys` is a list such as "PrintScreen, Ctrl+F3".
BalloonText MissingHotKeysBalloon(const std::wstring& missingKeys, CaptureKeys working,
                                  bool printScreenHeldBySystemSetting);
// "ZORVEX", marked while failures wait to be told, and naming the keys that
// are missing while any are.
std::wstring TrayTipText(const std::wstring& missingKeys, bool failuresWaiting);

// While a key is missing it is tried again after this many milliseconds:
// 3 s once the tries (re)start, doubling with each try to a minute.
uint32_t HotKeyRetryMilliseconds(int triesSinceRestart);

// The settings file not written: the cause, that the settings hold until the
// program ends, and the file; or, `unread`, not read at start-up: the cause,
// that the defaults are in effect, and the file.
BalloonText SettingsFailureBalloon(const std::wstring& cause, const std::wstring& path,
                                   bool unread);

// `text` cut to fit `capacity` UTF-16 units with its terminator, never in
// the middle of a surrogate pair.
std::wstring CutToCapacity(const std::wstring& text, size_t capacity);
// `path` shortened to at most `units` UTF-16 units by an ellipsis in its middle.
std::wstring ElidePathMiddle(const std::wstring& path, size_t units);

// Settings: the settings file not written; Unread: not read at start-up.
enum class BalloonKind {
    Clipboard,
    Save,
    History,
    Print,
    HotKeys,
    Capture,
    Settings,
    Unread,
    Count
};

// At most one balloon of a kind per interval; a turn not taken is not kept.
class BalloonRateLimit {
  public:
    static constexpr uint32_t INTERVAL_MILLISECONDS = 5000;

    // Whether a balloon of `kind` may show at `now` (a millisecond tick
    // count that may wrap); taking the turn starts the kind's interval.
    bool TakeTurn(BalloonKind kind, uint32_t now);
    // Starts the kind's interval at `now`: a balloon of it was shown.
    void NoteShown(BalloonKind kind, uint32_t now);

  private:
    bool shown_[static_cast<int>(BalloonKind::Count)] = {};
    uint32_t lastShown_[static_cast<int>(BalloonKind::Count)] = {};
};

// A balloon of the tray icon; a click on one that `opensKeyboardSettings`
// opens Windows' keyboard settings.
struct TrayBalloon {
    BalloonText text;
    bool opensKeyboardSettings = false;
};

// When the tray's balloons show: at most one of a kind per interval, and none
// while the user asks for quiet (a presentation, a full-screen program, quiet
// hours). Meanwhile the newest of each kind waits, its turn not taken, until
// quiet ends; the places of hard copies that histories set aside add up.
class PendingBalloons {
  public:
    // The failed outputs of a capture or of a viewer command at `now` (a
    // millisecond tick count that may wrap): the balloon to show at once,
    // without the kinds told moments ago, if any. A history that left hard
    // copies out of their slots is never left out: told moments ago, it
    // waits as in quiet time.
    std::optional<TrayBalloon> OfferFailures(const DeliveryFailures& failures, bool quiet,
                                             uint32_t now);
    // A balloon of a kind other than the outputs'.
    std::optional<TrayBalloon> Offer(BalloonKind kind, const TrayBalloon& balloon, bool quiet,
                                     uint32_t now);
    // Once quiet has ended, what waits, one balloon a call: the outputs'
    // failures together, then each other kind.
    std::optional<TrayBalloon> QuietEnded(uint32_t now);
    // A waiting balloon of `kind` that no longer holds.
    void Withdraw(BalloonKind kind);
    bool Waiting() const;
    bool Waiting(BalloonKind kind) const;

  private:
    std::optional<TrayBalloon> ShowFailures(const DeliveryFailures& shown, uint32_t now);

    BalloonRateLimit limit_;
    DeliveryFailures failures_;
    std::optional<TrayBalloon> others_[static_cast<int>(BalloonKind::Count)];
};
