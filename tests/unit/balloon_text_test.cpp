#include "app/balloon_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <optional>
#include <utility>

TEST(BalloonTextTest, FailedOutputsAreNamedWithTheFolderLast) {
    DeliveryFailures failures;
    failures.clipboard = failures.clipboardHeldByOther = true;
    failures.history = true;
    failures.save = SaveFailure::NotWritable;
    failures.saveFolder = L"C:\\写真\\bitmap\\20261208";
    BalloonText balloon = DeliveryFailureBalloon(failures);
    EXPECT_EQ(balloon.title, L"ハードコピーを出力できませんでした");
    EXPECT_EQ(balloon.text,
              L"クリップボード: ほかのプログラムが使用中のため、入れられませんでした。\n"
              L"履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、"
              L"履歴は元のままです。\n"
              L"保存: フォルダーを作れないか、書き込めません。C:\\写真\\bitmap\\20261208");
}

TEST(BalloonTextTest, AWorkFileNotWrittenNamesTheCauseAndTheTemporaryFolder) {
    const std::pair<unsigned long, CaptureFailure> causes[] = {
        {ERROR_DISK_FULL, CaptureFailure::DiskFull},   {ERROR_HANDLE_DISK_FULL, CaptureFailure::DiskFull},
        {ERROR_SHARING_VIOLATION, CaptureFailure::Held}, {ERROR_PATH_NOT_FOUND, CaptureFailure::NoFolder},
        {ERROR_NOT_ENOUGH_MEMORY, CaptureFailure::NoMemory}, {ERROR_ACCESS_DENIED, CaptureFailure::NotWritable},
        {ERROR_WRITE_FAULT, CaptureFailure::NotWritable},
    };
    for (const auto& [error, failure] : causes) EXPECT_EQ(CaptureFailureOf(error, true), failure);
    EXPECT_EQ(CaptureFailureOf(ERROR_PATH_NOT_FOUND, false), CaptureFailure::PathTooLong);
    BalloonText balloon = CaptureFailureBalloon(CaptureFailure::DiskFull, L"C:\\Users\\Zoë\\Temp");
    EXPECT_EQ(balloon.title, L"ハードコピーを取れませんでした");
    EXPECT_EQ(balloon.text, L"一時フォルダー: ディスクがいっぱいです。C:\\Users\\Zoë\\Temp");
}

TEST(BalloonTextTest, ALongFolderIsShortenedInItsMiddleToFit) {
    DeliveryFailures failures;
    failures.clipboard = failures.history = true;
    failures.print = PrintFailure::NoPrinter;
    failures.save = SaveFailure::DiskFull;
    failures.saveFolder = L"D:\\" + std::wstring(150, 'a') + L"\\最後のフォルダ";
    std::wstring text = DeliveryFailureBalloon(failures).text;
    EXPECT_LE(text.size(), BALLOON_TEXT_CAPACITY - 1);
    EXPECT_NE(text.find(L"保存: ディスクがいっぱいです。D:\\aaa"), std::wstring::npos);
    EXPECT_NE(text.find(L"..."), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 7), L"最後のフォルダ");
}

TEST(BalloonTextTest, AHistoryNotPutBackSaysWhereItsFilesAreSetAsideFirst) {
    DeliveryFailures failures;
    failures.history = true;
    failures.historyStrays = {{2, 3, L""}, {3, 0, L"C:\\Temp\\~zvx1A2B.bmp"}};
    EXPECT_EQ(DeliveryFailureBalloon(failures).text,
              L"履歴: 履歴のファイルがほかのプログラムに開かれているため、元に戻せませんでした"
              L"（3枚目→一時フォルダーの~zvx1A2B.bmp、2枚目→3枚目）。ファイルは消していません。");
    failures.historyStrays.resize(300, {1, 2, L""});
    failures.print = PrintFailure::Skipped;
    std::wstring text = DeliveryFailureBalloon(failures).text;
    EXPECT_NE(text.find(L"2枚目、…）。ファイルは消していません。\n印刷: "), std::wstring::npos);
    EXPECT_LE(text.size(), BALLOON_TEXT_CAPACITY - 1);
}

TEST(BalloonTextTest, MissingKeysNameTheCaptureKeysThatWorkAndWindowsSetting) {
    const std::wstring plain = L"ホットキーを登録できませんでした";
    const std::wstring setting = L"設定→アクセシビリティ→キーボードの「Print Screen キーを使用して"
                                 L"画面キャプチャを開く」をオフにしてください（クリックで開きます）。\n";
    struct Row {
        const wchar_t* missing;
        CaptureKeys working;
        bool heldBySetting;
        std::wstring title, text;
    };
    const Row rows[] = {
        {L"Shift+PrintScreen", {true, true}, false, plain,
         L"PrintScreen と Ctrl+Alt+F12 でハードコピーできます。\n"
         L"ほかのプログラムが使っているキー: Shift+PrintScreen"},
        {L"PrintScreen, Ctrl+F3", {false, true}, false, plain,
         L"Ctrl+Alt+F12 でハードコピーできます。\n"
         L"ほかのプログラムが使っているキー: PrintScreen, Ctrl+F3"},
        {L"Ctrl+Alt+F12", {true, false}, false, plain,
         L"PrintScreen でハードコピーできます。\nほかのプログラムが使っているキー: Ctrl+Alt+F12"},
        {L"PrintScreen", {false, true}, true, L"PrintScreen キーは Windows が使っています",
         setting + L"Ctrl+Alt+F12 でハードコピーできます。\nほかのプログラムが使っているキー: PrintScreen"},
    };
    for (const Row& row : rows) {
        BalloonText balloon = MissingHotKeysBalloon(row.missing, row.working, row.heldBySetting);
        EXPECT_EQ(balloon.title, row.title) << row.missing;
        EXPECT_EQ(balloon.text, row.text) << row.missing;
    }
}

TEST(BalloonTextTest, TheTooltipMarksFailuresWaitingAndNamesTheMissingKeys) {
    const std::wstring allKeys = L"PrintScreen, Ctrl+PrintScreen, Shift+PrintScreen, "
                                 L"Alt+PrintScreen, Ctrl+Alt+PrintScreen, Ctrl+Alt+F10, "
                                 L"Ctrl+Alt+F11, Ctrl+F1, Ctrl+F2";
    const struct {
        std::wstring missing;
        bool waiting;
        std::wstring tip;
    } rows[] = {
        {L"", false, L"ZORVEX"},
        {L"PrintScreen", false, L"ZORVEX（使えないキー: PrintScreen）"},
        {L"", true, L"ZORVEX（未通知の失敗があります）"},
        {L"PrintScreen", true, L"ZORVEX（未通知の失敗があります。使えないキー: PrintScreen）"},
        {allKeys, true, CutToCapacity(L"ZORVEX（未通知の失敗があります。使えないキー: " + allKeys,
                                      TRAY_TIP_CAPACITY)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TrayTipText(row.missing, row.waiting), row.tip) << row.tip;
}

TEST(BalloonTextTest, InQuietTimeTheNewestFailureOfEachKindWaitsUntilQuietEnds) {
    DeliveryFailures heldClipboard, clipboard, saveAndHistory, print, setAside, unchanged;
    heldClipboard.clipboard = heldClipboard.clipboardHeldByOther = clipboard.clipboard = true;
    saveAndHistory.save = SaveFailure::NotWritable;
    saveAndHistory.saveFolder = L"D:\\写真";
    saveAndHistory.history = true;
    print.print = PrintFailure::NoPrinter;
    setAside.history = unchanged.history = true;
    setAside.historyStrays = {{3, 0, L"C:\\Temp\\~zvx1A2B.bmp"}};
    const TrayBalloon hotKeys{{L"ホットキーを登録できませんでした", L"キー"}, true};
    const std::wstring merged = L"クリップボード: 入れられませんでした。\n"
                                L"履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、"
                                L"履歴は元のままです。\n保存: フォルダーを作れないか、書き込めません。D:\\写真";
    enum Event { Failures, HotKeys, QuietEnds, HotKeysGot };
    const struct {
        uint32_t at;
        bool quiet;
        Event event;
        const DeliveryFailures* failures;
        std::wstring shown;
        bool waiting;
    } rows[] = {
        {0, true, Failures, &heldClipboard, L"", true},
        {1000, true, Failures, &clipboard, L"", true}, // replaces the older of its kind
        {1500, true, Failures, &saveAndHistory, L"", true},
        {2000, true, HotKeys, nullptr, L"", true},
        {2500, true, QuietEnds, nullptr, L"", true}, // not yet
        {3000, false, QuietEnds, nullptr, merged, true},
        {3500, false, Failures, &clipboard, L"", true}, // told moments ago
        {4000, false, QuietEnds, nullptr, L"キー", false},
        {9000, true, Failures, &print, L"", true},
        {9100, false, Failures, &print, DeliveryFailureBalloon(print).text, false}, // no turn taken
        {20000, true, HotKeys, nullptr, L"", true},
        {20100, true, HotKeysGot, nullptr, L"", false},
        {21000, false, QuietEnds, nullptr, L"", false},
        {30000, true, Failures, &setAside, L"", true},
        {31000, true, Failures, &unchanged, L"", true}, // the set-aside copy is not forgotten
        {32000, false, QuietEnds, nullptr, DeliveryFailureBalloon(setAside).text, false},
        {33000, false, Failures, &setAside, L"", true}, // told moments ago, but not dropped
        {38000, false, QuietEnds, nullptr, DeliveryFailureBalloon(setAside).text, false},
    };
    PendingBalloons pending;
    for (const auto& row : rows) {
        std::optional<TrayBalloon> shown;
        if (row.event == Failures) shown = pending.OfferFailures(*row.failures, row.quiet, row.at);
        if (row.event == HotKeys)
            shown = pending.Offer(BalloonKind::HotKeys, hotKeys, row.quiet, row.at);
        if (row.event == QuietEnds && !row.quiet) shown = pending.QuietEnded(row.at);
        if (row.event == HotKeysGot) pending.Withdraw(BalloonKind::HotKeys);
        EXPECT_EQ(shown ? shown->text.text : L"", row.shown) << row.at;
        EXPECT_EQ(pending.Waiting(), row.waiting) << row.at;
    }
}

TEST(BalloonTextTest, HotKeyRetriesBackOffFromThreeSecondsToAMinute) {
    const std::pair<int, uint32_t> rows[] = {{0, 3000},  {1, 6000},  {2, 12000},  {3, 24000},
                                             {4, 48000}, {5, 60000}, {6, 60000},  {31, 60000},
                                             {-1, 3000}, {INT_MAX, 60000}};
    for (auto [tries, milliseconds] : rows)
        EXPECT_EQ(HotKeyRetryMilliseconds(tries), milliseconds) << tries;
}

TEST(BalloonTextTest, CutsNeverSplitACharacter) {
    EXPECT_EQ(CutToCapacity(L"aあい", 3), L"aあ");
    EXPECT_EQ(CutToCapacity(L"a𠮷b", 3), L"a") << "a surrogate pair is one character";
    EXPECT_EQ(CutToCapacity(L"a𠮷b", 4), L"a𠮷");
    EXPECT_EQ(CutToCapacity(L"abc", 4), L"abc");
}

TEST(BalloonTextTest, OneBalloonOfAKindPerInterval) {
    BalloonRateLimit limit;
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u));
    EXPECT_FALSE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 4999));
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Save, 0xFFFFF000u + 4999));
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 5000)); // across the wrap
    EXPECT_FALSE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 9999));
}
