#include "app/balloon_text.h"

#include <vector>

namespace {

bool IsShiftJisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The byte offsets where characters of `text` begin, and its length last.
std::vector<size_t> CharacterStarts(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += IsShiftJisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    starts.push_back(text.size());
    return starts;
}

std::string FailedSaveLine(const DeliveryFailures& failures, size_t budget) {
    switch (failures.save) {
    case SaveFailure::NoName: return "保存: 保存するファイルの名前を決められませんでした。";
    case SaveFailure::DiskFull: {
        std::string head = "保存: ディスクがいっぱいです。";
        return head + ElidePathMiddle(failures.saveFolder,
                                      budget > head.size() ? budget - head.size() : 0);
    }
    case SaveFailure::NotWritable: {
        std::string head = "保存: フォルダーを作れないか、書き込めません。";
        return head + ElidePathMiddle(failures.saveFolder,
                                      budget > head.size() ? budget - head.size() : 0);
    }
    case SaveFailure::None: break;
    }
    return std::string();
}

void AddLine(std::string* text, const std::string& line) {
    if (line.empty()) return;
    if (!text->empty()) *text += "\n";
    *text += line;
}

} // namespace

std::string CutToCapacity(const std::string& text, size_t capacity) {
    if (capacity == 0) return std::string();
    size_t end = 0;
    for (size_t start : CharacterStarts(text)) {
        if (start > capacity - 1) break;
        end = start;
    }
    return text.substr(0, end);
}

std::string ElidePathMiddle(const std::string& path, size_t bytes) {
    if (path.size() <= bytes) return path;
    const std::string ellipsis = "...";
    if (bytes <= ellipsis.size()) return std::string();
    std::vector<size_t> starts = CharacterStarts(path);
    size_t keep = bytes - ellipsis.size();
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
    std::string text;
    if (failures.clipboard)
        AddLine(&text,
                failures.clipboardHeldByOther
                    ? "クリップボード: ほかのプログラムが使用中のため、入れられませんでした。"
                    : "クリップボード: 入れられませんでした。");
    if (failures.history)
        AddLine(&text, "履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、"
                       "履歴は元のままです。");
    if (failures.print)
        AddLine(&text, "印刷: プリンタに接続できないか、通常使うプリンタがありません。");
    // The save line comes last: its folder gets whatever room is left.
    size_t used = text.empty() ? 0 : text.size() + 1;
    size_t room = BALLOON_TEXT_CAPACITY - 1 > used ? BALLOON_TEXT_CAPACITY - 1 - used : 0;
    AddLine(&text, FailedSaveLine(failures, room));
    return BalloonText{"ハードコピーを出力できませんでした",
                       CutToCapacity(text, BALLOON_TEXT_CAPACITY)};
}

BalloonText MissingHotKeysBalloon(const std::string& missingKeys, const char* workingKey,
                                  bool printScreenHeldBySystemSetting) {
    std::string text;
    if (printScreenHeldBySystemSetting)
        text = "設定→アクセシビリティ→キーボードの「Print Screen キーを使用して画面キャプチャを"
               "開く」をオフにしてください（クリックで開きます）。\n";
    text += std::string(workingKey) + " でハードコピーできます。\n";
    // The list comes last: a long one is cut, never the advice above it.
    text += "ほかのプログラムが使っているキー: " + missingKeys;
    const char* title = printScreenHeldBySystemSetting ? "PrintScreen キーは Windows が使っています"
                                                       : "ホットキーを登録できませんでした";
    return BalloonText{title, CutToCapacity(text, BALLOON_TEXT_CAPACITY)};
}

std::string TrayTipText(const std::string& missingKeys) {
    if (missingKeys.empty()) return "ZORVEX";
    return CutToCapacity("ZORVEX（使えないキー: " + missingKeys + "）", TRAY_TIP_CAPACITY);
}

bool BalloonRateLimit::TakeTurn(BalloonKind kind, uint32_t now) {
    int index = static_cast<int>(kind);
    if (index < 0 || index >= static_cast<int>(BalloonKind::Count)) return false;
    if (shown_[index] && now - lastShown_[index] < INTERVAL_MILLISECONDS) return false;
    shown_[index] = true;
    lastShown_[index] = now;
    return true;
}
