#include "app/balloon_text.h"

#include <gtest/gtest.h>

TEST(BalloonTextTest, FailedOutputsAreNamedWithTheFolderLast) {
    DeliveryFailures failures;
    failures.clipboard = failures.clipboardHeldByOther = true;
    failures.history = true;
    failures.save = SaveFailure::NotWritable;
    failures.saveFolder = "C:\\写真\\bitmap\\20261208";
    BalloonText balloon = DeliveryFailureBalloon(failures);
    EXPECT_EQ(balloon.title, "ハードコピーを出力できませんでした");
    EXPECT_EQ(balloon.text,
              "クリップボード: ほかのプログラムが使用中のため、入れられませんでした。\n"
              "履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、"
              "履歴は元のままです。\n"
              "保存: フォルダーを作れないか、書き込めません。C:\\写真\\bitmap\\20261208");

    DeliveryFailures print;
    print.print = true;
    EXPECT_EQ(DeliveryFailureBalloon(print).text,
              "印刷: プリンタに接続できないか、通常使うプリンタがありません。");
}

TEST(BalloonTextTest, ALongFolderIsShortenedInItsMiddleToFit) {
    DeliveryFailures failures;
    failures.clipboard = failures.history = failures.print = true;
    failures.save = SaveFailure::DiskFull;
    failures.saveFolder = "D:\\" + std::string(150, 'a') + "\\最後のフォルダ";
    std::string text = DeliveryFailureBalloon(failures).text;
    EXPECT_LE(text.size(), BALLOON_TEXT_CAPACITY - 1);
    EXPECT_NE(text.find("保存: ディスクがいっぱいです。D:\\aaa"), std::string::npos);
    EXPECT_NE(text.find("..."), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 14), "最後のフォルダ");
}

TEST(BalloonTextTest, MissingKeysNameTheWorkingKeyAndWindowsSetting) {
    BalloonText plain = MissingHotKeysBalloon("PrintScreen, Ctrl+F3", "Ctrl+Alt+F12", false);
    EXPECT_EQ(plain.title, "ホットキーを登録できませんでした");
    EXPECT_EQ(plain.text, "Ctrl+Alt+F12 でハードコピーできます。\n"
                          "ほかのプログラムが使っているキー: PrintScreen, Ctrl+F3");
    BalloonText held = MissingHotKeysBalloon("PrintScreen", "Ctrl+Alt+F12", true);
    EXPECT_EQ(held.title, "PrintScreen キーは Windows が使っています");
    EXPECT_EQ(held.text.find("設定→アクセシビリティ→キーボードの「Print Screen キーを使用して"
                             "画面キャプチャを開く」をオフにしてください（クリックで開きます）。"),
              0u);
    EXPECT_EQ(TrayTipText(""), "ZORVEX");
    EXPECT_EQ(TrayTipText("PrintScreen"), "ZORVEX（使えないキー: PrintScreen）");
}

TEST(BalloonTextTest, CutsNeverSplitACharacter) {
    EXPECT_EQ(CutToCapacity("aあい", 4), "aあ");
    EXPECT_EQ(CutToCapacity("aあい", 3), "a");
    EXPECT_EQ(CutToCapacity("abc", 4), "abc");
}

TEST(BalloonTextTest, OneBalloonOfAKindPerInterval) {
    BalloonRateLimit limit;
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u));
    EXPECT_FALSE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 4999));
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Save, 0xFFFFF000u + 4999));
    EXPECT_TRUE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 5000)); // across the wrap
    EXPECT_FALSE(limit.TakeTurn(BalloonKind::Clipboard, 0xFFFFF000u + 9999));
}
