#include "app/balloon_text.h"

#include "settings/settings.h"

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

namespace {

// The room of the history line that lists the hard copies out of their
// slots: half the balloon, so that the print and save lines still fit.
constexpr size_t STRAY_LINE_UNITS = 128;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The UTF-16 offsets where characters of `text` begin, and its length last:
// a surrogate pair is one character.
std::vector<size_t> CharacterStarts(const std::wstring& text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += IsHighSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
    }
    starts.push_back(text.size());
    return starts;
}

std::wstring FailedSaveLine(const DeliveryFailures& failures, size_t budget) {
    switch (failures.save) {
    case SaveFailure::NoName: return L"保存: 保存するファイルの名前を決められませんでした。";
    case SaveFailure::DiskFull: {
        std::wstring head = L"保存: ディスクがいっぱいです。";
        return head + ElidePathMiddle(failures.saveFolder,
                                      budget > head.size() ? budget - head.size() : 0);
    }
    case SaveFailure::NotWritable: {
        std::wstring head = L"保存: フォルダーを作れないか、書き込めません。";
        return head + ElidePathMiddle(failures.saveFolder,
                                      budget > head.size() ? budget - head.size() : 0);
    }
    case SaveFailure::None: break;
    }
    return std::wstring();
}

std::wstring PrintLine(PrintFailure failure) {
    switch (failure) {
    case PrintFailure::NoPrinter:
        return L"印刷: プリンタに接続できないか、通常使うプリンタがありません。";
    case PrintFailure::Unreadable:
        return L"印刷: ハードコピーを読み込めないため、印刷できませんでした。";
    case PrintFailure::Skipped: return L"印刷: 履歴に入れられなかったため、印刷しませんでした。";
    case PrintFailure::None: break;
    }
    return std::wstring();
}

std::wstring CaptureCause(CaptureFailure failure) {
    switch (failure) {
    case CaptureFailure::DiskFull: return L"ディスクがいっぱいです。";
    case CaptureFailure::Held: return L"ファイルがほかのプログラムに開かれています。";
    case CaptureFailure::NoFolder: return L"フォルダーが見つかりません。";
    case CaptureFailure::NoMemory: return L"画面が大きすぎるか、メモリが足りません。";
    case CaptureFailure::PathTooLong: return L"フォルダーの場所が長すぎます。";
    case CaptureFailure::NotWritable: break;
    }
    return L"書き込めません。";
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::wstring StrayPlace(const StrayHardCopy& stray) {
    std::wstring place = stray.nowInSlot > 0 ? std::to_wstring(stray.nowInSlot) + L"枚目"
                                             : L"一時フォルダーの" + FileNameOf(stray.setAsideFile);
    return std::to_wstring(stray.slot) + L"枚目→" + place;
}

// The set-aside hard copy comes first: it is the one outside the history.
std::wstring StrayHistoryLine(std::vector<StrayHardCopy> strays) {
    std::stable_partition(strays.begin(), strays.end(),
                          [](const StrayHardCopy& stray) { return stray.nowInSlot == 0; });
    const std::wstring head =
        L"履歴: 履歴のファイルがほかのプログラムに開かれているため、元に戻せませんでした（";
    const std::wstring tail = L"）。ファイルは消していません。";
    const std::wstring more = L"、…";
    std::wstring places;
    for (const StrayHardCopy& stray : strays) {
        std::wstring place = (places.empty() ? L"" : L"、") + StrayPlace(stray);
        if (head.size() + places.size() + place.size() + more.size() + tail.size() > STRAY_LINE_UNITS) {
            places += more;
            break;
        }
        places += place;
    }
    return head + places + tail;
}

// "PrintScreen と Ctrl+Alt+F12", or the one of them that was registered.
std::wstring WorkingCaptureKeys(CaptureKeys working) {
    std::wstring keys = working.printScreen ? L"PrintScreen" : L"";
    if (working.ctrlAltF12) keys += keys.empty() ? L"Ctrl+Alt+F12" : L" と Ctrl+Alt+F12";
    return keys;
}

constexpr BalloonKind OUTPUT_KINDS[] = {BalloonKind::Clipboard, BalloonKind::Save,
                                       BalloonKind::History, BalloonKind::Print};

bool HasFailureOf(const DeliveryFailures& failures, BalloonKind kind) {
    switch (kind) {
    case BalloonKind::Clipboard: return failures.clipboard;
    case BalloonKind::Save: return failures.save != SaveFailure::None;
    case BalloonKind::History: return failures.history;
    case BalloonKind::Print: return failures.print != PrintFailure::None;
    default: return false;
    }
}

// A rotation that left hard copies out of their slots: news that the balloon
// told moments ago does not repeat, since it names other files.
bool IsDisturbedHistory(const DeliveryFailures& failures, BalloonKind kind) {
    return kind == BalloonKind::History && failures.history && !failures.historyStrays.empty();
}

// Everything the balloon tells of one kind's failure. The places of hard
// copies set aside add up: each rotation left its own, and none is back.
void CopyFailureOf(BalloonKind kind, const DeliveryFailures& from, DeliveryFailures* to) {
    switch (kind) {
    case BalloonKind::Clipboard:
        to->clipboard = from.clipboard;
        to->clipboardHeldByOther = from.clipboardHeldByOther;
        break;
    case BalloonKind::Save:
        to->save = from.save;
        to->saveFolder = from.saveFolder;
        break;
    case BalloonKind::History:
        to->history = from.history;
        to->historyStrays.insert(to->historyStrays.end(), from.historyStrays.begin(),
                                 from.historyStrays.end());
        break;
    case BalloonKind::Print: to->print = from.print; break;
    default: break;
    }
}

void AddLine(std::wstring* text, const std::wstring& line) {
    if (line.empty()) return;
    if (!text->empty()) *text += L"\n";
    *text += line;
}

} // namespace

std::wstring CutToCapacity(const std::wstring& text, size_t capacity) {
    if (capacity == 0) return std::wstring();
    size_t end = 0;
    for (size_t start : CharacterStarts(text)) {
        if (start > capacity - 1) break;
        end = start;
    }
    return text.substr(0, end);
}

std::wstring ElidePathMiddle(const std::wstring& path, size_t units) {
    if (path.size() <= units) return path;
    const std::wstring ellipsis = L"...";
    if (units <= ellipsis.size()) return std::wstring();
    std::vector<size_t> starts = CharacterStarts(path);
    size_t keep = units - ellipsis.size();
    size_t headEnd = 0;
    for (size_t start : starts) {
        if (start > keep / 2) break;
        headEnd = start;
    }
    size_t tailStart = path.size();
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        if (headEnd + (path.size() - *it) > keep) break;
        tailStart = *it;
    }
    return path.substr(0, headEnd) + ellipsis + path.substr(tailStart);
}

BalloonText DeliveryFailureBalloon(const DeliveryFailures& failures) {
    std::wstring text;
    if (failures.clipboard)
        AddLine(&text,
                failures.clipboardHeldByOther
                    ? L"クリップボード: ほかのプログラムが使用中のため、入れられませんでした。"
                    : L"クリップボード: 入れられませんでした。");
    if (failures.history)
        AddLine(&text, failures.historyStrays.empty()
                           ? L"履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、"
                             L"履歴は元のままです。"
                           : StrayHistoryLine(failures.historyStrays));
    AddLine(&text, PrintLine(failures.print));
    // The save line comes last: its folder gets whatever room is left.
    size_t used = text.empty() ? 0 : text.size() + 1;
    size_t room = BALLOON_TEXT_CAPACITY - 1 > used ? BALLOON_TEXT_CAPACITY - 1 - used : 0;
    AddLine(&text, FailedSaveLine(failures, room));
    return BalloonText{L"ハードコピーを出力できませんでした",
                       CutToCapacity(text, BALLOON_TEXT_CAPACITY)};
}

CaptureFailure CaptureFailureOf(unsigned long systemError, bool haveTemporaryFolder) {
    constexpr unsigned long DISK_FULL = 112, HANDLE_DISK_FULL = 39, SHARING_VIOLATION = 32,
                            LOCK_VIOLATION = 33, FILE_NOT_FOUND = 2, PATH_NOT_FOUND = 3,
                            BAD_NETPATH = 53, NOT_ENOUGH_MEMORY = 8, OUTOFMEMORY = 14;
    if (!haveTemporaryFolder) return CaptureFailure::PathTooLong;
    switch (systemError) {
    case DISK_FULL:
    case HANDLE_DISK_FULL: return CaptureFailure::DiskFull;
    case SHARING_VIOLATION:
    case LOCK_VIOLATION: return CaptureFailure::Held;
    case FILE_NOT_FOUND:
    case PATH_NOT_FOUND:
    case BAD_NETPATH: return CaptureFailure::NoFolder;
    case NOT_ENOUGH_MEMORY:
    case OUTOFMEMORY: return CaptureFailure::NoMemory;
    default: return CaptureFailure::NotWritable;
    }
}

BalloonText CaptureFailureBalloon(CaptureFailure failure, const std::wstring& folder) {
    std::wstring head = L"一時フォルダー: " + CaptureCause(failure);
    size_t room = BALLOON_TEXT_CAPACITY - 1 > head.size() ? BALLOON_TEXT_CAPACITY - 1 - head.size() : 0;
    return BalloonText{L"ハードコピーを取れませんでした",
                       CutToCapacity(head + ElidePathMiddle(folder, room), BALLOON_TEXT_CAPACITY)};
}

BalloonText MissingHotKeysBalloon(const std::wstring& missingKeys, CaptureKeys working,
                                  bool printScreenHeldBySystemSetting) {
    std::wstring text;
    if (printScreenHeldBySystemSetting)
        text = L"設定→アクセシビリティ→キーボードの「Print Screen キーを使用して画面キャプチャを"
               L"開く」をオフにしてください（クリックで開きます）。\n";
    std::wstring keys = WorkingCaptureKeys(working);
    if (!keys.empty()) text += keys + L" でハードコピーできます。\n";
    // The list comes last: a long one is cut, never the advice above it.
    text += L"ほかのプログラムが使っているキー: " + missingKeys;
    const wchar_t* title = printScreenHeldBySystemSetting ? L"PrintScreen キーは Windows が使っています"
                                                       : L"ホットキーを登録できませんでした";
    return BalloonText{title, CutToCapacity(text, BALLOON_TEXT_CAPACITY)};
}

std::wstring TrayTipText(const std::wstring& missingKeys, bool failuresWaiting) {
    // The mark comes first: a long list of keys is cut, never the mark.
    std::wstring notes = failuresWaiting ? L"未通知の失敗があります" : L"";
    if (!missingKeys.empty()) notes += (notes.empty() ? L"" : L"。") + (L"使えないキー: " + missingKeys);
    if (notes.empty()) return L"ZORVEX";
    return CutToCapacity(L"ZORVEX（" + notes + L"）", TRAY_TIP_CAPACITY);
}

uint32_t HotKeyRetryMilliseconds(int triesSinceRestart) {
    constexpr uint32_t FIRST = 3000, LONGEST = 60000;
    int doublings = std::clamp(triesSinceRestart, 0, 5);
    return std::min(FIRST << doublings, LONGEST);
}

bool BalloonRateLimit::TakeTurn(BalloonKind kind, uint32_t now) {
    int index = static_cast<int>(kind);
    if (index < 0 || index >= static_cast<int>(BalloonKind::Count)) return false;
    if (shown_[index] && now - lastShown_[index] < INTERVAL_MILLISECONDS) return false;
    NoteShown(kind, now);
    return true;
}

void BalloonRateLimit::NoteShown(BalloonKind kind, uint32_t now) {
    int index = static_cast<int>(kind);
    shown_[index] = true;
    lastShown_[index] = now;
}

std::optional<TrayBalloon> PendingBalloons::OfferFailures(const DeliveryFailures& failures,
                                                          bool quiet, uint32_t now) {
    if (quiet) {
        for (BalloonKind kind : OUTPUT_KINDS) {
            if (HasFailureOf(failures, kind)) CopyFailureOf(kind, failures, &failures_);
        }
        return std::nullopt;
    }
    // What waited was never told: it shows whatever the interval says.
    DeliveryFailures shown = std::exchange(failures_, DeliveryFailures());
    for (BalloonKind kind : OUTPUT_KINDS) {
        if (!HasFailureOf(failures, kind)) continue;
        if (HasFailureOf(shown, kind) || limit_.TakeTurn(kind, now))
            CopyFailureOf(kind, failures, &shown);
        else if (IsDisturbedHistory(failures, kind))
            CopyFailureOf(kind, failures, &failures_); // waits for the wait timer
    }
    return ShowFailures(shown, now);
}

std::optional<TrayBalloon> PendingBalloons::Offer(BalloonKind kind, const TrayBalloon& balloon,
                                                  bool quiet, uint32_t now) {
    std::optional<TrayBalloon>& waiting = others_[static_cast<int>(kind)];
    if (quiet) {
        waiting = balloon;
        return std::nullopt;
    }
    bool waited = waiting.has_value();
    waiting.reset();
    if (waited)
        limit_.NoteShown(kind, now);
    else if (!limit_.TakeTurn(kind, now))
        return std::nullopt;
    return balloon;
}

std::optional<TrayBalloon> PendingBalloons::QuietEnded(uint32_t now) {
    if (failures_.any()) return ShowFailures(std::exchange(failures_, DeliveryFailures()), now);
    for (int index = 0; index < static_cast<int>(BalloonKind::Count); ++index) {
        if (!others_[index]) continue;
        TrayBalloon balloon = *std::exchange(others_[index], std::nullopt);
        limit_.NoteShown(static_cast<BalloonKind>(index), now);
        return balloon;
    }
    return std::nullopt;
}

void PendingBalloons::Withdraw(BalloonKind kind) { others_[static_cast<int>(kind)].reset(); }

bool PendingBalloons::Waiting() const {
    if (failures_.any()) return true;
    for (const std::optional<TrayBalloon>& waiting : others_) {
        if (waiting) return true;
    }
    return false;
}

bool PendingBalloons::Waiting(BalloonKind kind) const {
    return HasFailureOf(failures_, kind) || others_[static_cast<int>(kind)].has_value();
}

std::optional<TrayBalloon> PendingBalloons::ShowFailures(const DeliveryFailures& shown,
                                                         uint32_t now) {
    if (!shown.any()) return std::nullopt;
    for (BalloonKind kind : OUTPUT_KINDS) {
        if (HasFailureOf(shown, kind)) limit_.NoteShown(kind, now);
    }
    return TrayBalloon{DeliveryFailureBalloon(shown)};
}

BalloonText SettingsFailureBalloon(const std::wstring& cause, const std::wstring& path,
                                   bool unread) {
    std::wstring head =
        cause + (unread ? L"既定の設定で動いています。" : SETTINGS_KEPT_FOR_RUN) + L"\n";
    size_t room =
        BALLOON_TEXT_CAPACITY - 1 > head.size() ? BALLOON_TEXT_CAPACITY - 1 - head.size() : 0;
    return BalloonText{unread ? L"設定ファイルを読み込めませんでした"
                              : L"設定を保存できませんでした",
                       CutToCapacity(head + ElidePathMiddle(path, room), BALLOON_TEXT_CAPACITY)};
}
