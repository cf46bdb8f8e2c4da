"""The configuration dialog, driven as a user would: Alt+PrintScreen or the
tray menu opens it, clicks on its tree switch the pages, clicks and keys edit
the settings, 適用 checks and stores them, and the history is trimmed,
cleared and backed up from it. Where a click is impractical the probe works
the controls by id; message boxes are read back from the screen's windows."""
import filecmp
import os
import shutil

import harness
from harness import (APPLY, BS_DEFPUSHBUTTON, BS_TYPE_MASK, CANCEL, CHOOSER_TITLE,
                     CONFIG_TITLE as TITLE, GROUP, HELP_LIST, IDNO, IDOK, IDYES, MAIN, OVERLAY,
                     QUIET, TRAY_CONFIG, TRAY_EXIT, TREE, ListView, Screen, TestWindow, complete_bitmap, controls,
                     files_under, find_dialog, find_window, foreground, probe, run, screen_metrics,
                     tree_items, wait_in_front, wait_until)
from case_support import INNER, CAPTIONS, REFUSALS, TREE_ITEMS, ConfigCase


# id: (class, style kind, text, page, x, y, width, height)
RADIO, CHECK, PUSH, LABEL, EDIT = 'radio', 'check', 'push', 'label', 'edit'
PAGE_CONTROLS = {
    1024: (RADIO, 'デスクトップ(&D)', '対象設定', (220, 40, 300, 18)),
    1088: (CHECK, 'タスクバー等を取り除く', '対象設定', (240, 70, 300, 18)),
    1026: (RADIO, 'アクティブウィンドウ(&A) [Ctrl+PrintScreen]', '対象設定', (220, 100, 300, 18)),
    1029: (RADIO, 'アクティブウィンドウ 枠なし(&N) [Ctrl+Alt+PrintScreen]', '対象設定',
           (220, 130, 300, 18)),
    1031: (RADIO, 'マウスで範囲を選択(&R) [Shift+PrintScreen]', '対象設定', (220, 160, 300, 18)),
    1046: (CHECK, '点線で囲む', '対象設定', (240, 190, 80, 18)),
    1047: (CHECK, '反転表示する', '対象設定', (350, 190, 100, 18)),
    1028: (RADIO, '指定領域(&J)', '対象設定', (220, 220, 100, 18)),
    1039: (PUSH, '領域の指定', '対象設定', (240, 245, 80, 30)),
    1090: (LABEL, '左', '対象設定', (330, 255, 15, 15)),
    1038: (EDIT, '', '対象設定', (350, 253, 40, 15)),
    1091: (LABEL, '上', '対象設定', (400, 235, 15, 15)),
    1094: (EDIT, '', '対象設定', (420, 233, 40, 15)),
    1092: (LABEL, '右', '対象設定', (470, 255, 15, 15)),
    1048: (EDIT, '', '対象設定', (490, 253, 40, 15)),
    1055: (LABEL, '下', '対象設定', (400, 275, 15, 15)),
    1049: (EDIT, '', '対象設定', (420, 273, 40, 15)),
    1040: (CHECK, 'クリップボード(&C)', '保存設定', (220, 40, 300, 18)),
    1042: (CHECK, 'ビットマップ(&B)', '保存設定', (220, 70, 130, 18)),
    1096: (CHECK, 'PNG形式で保存する(&G)', '保存設定', (360, 70, 170, 18)),
    1021: (RADIO, '指定ディレクトリ', '保存設定', (240, 100, 300, 18)),
    1095: (EDIT, None, '保存設定', (255, 120, 250, 18)),
    1059: (PUSH, '...', '保存設定', (510, 120, 20, 18)),
    1032: (RADIO, '名前を付けて保存する', '保存設定', (240, 170, 300, 18)),
    1043: (CHECK, 'プリンタに出力(&Q)', '保存設定', (220, 210, 300, 18)),
    1045: (CHECK, 'ハードコピー履歴画面を表示しないで直接印刷する', '保存設定', (240, 240, 300, 18)),
    1081: (LABEL, '編集用アプリケーションを指定して下さい(&K)', '編集', (220, 40, 320, 18)),
    1057: (EDIT, None, '編集', (220, 60, 290, 18)),
    1058: (PUSH, '...', '編集', (515, 60, 20, 18)),
    1053: (LABEL, 'パラメータを入力して下さい(&O)', '編集', (220, 100, 320, 18)),
    1086: (EDIT, None, '編集', (220, 120, 290, 18)),
    1036: (CHECK, '印刷範囲の枠も印字する(&L)', '印刷設定', (220, 40, 300, 18)),
    1019: (CHECK, '印刷時にプリンタ設定を行う(&P)', '印刷設定', (220, 70, 300, 18)),
    1052: (CHECK, 'システム日時も印字する(&T)', '印刷設定', (220, 100, 300, 18)),
    1054: (CHECK, 'ホスト（パソコン）名も印字する(&H)', '印刷設定', (220, 130, 300, 18)),
    1056: (CHECK, 'IPアドレスも印字する(&I)', '印刷設定', (220, 160, 300, 18)),
    1008: (CHECK, '画面をフラッシュしない(&F)', '通知設定', (220, 40, 300, 18)),
    1097: (CHECK, 'Windows の起動時に ZORVEX を起動する(&W)', '通知設定', (220, 70, 300, 18)),
    1098: (LABEL, None, '通知設定', (238, 95, 300, 190)),
    1025: (CHECK, 'マウスポインタも含める(&M)', 'マウスポインタ', (220, 40, 300, 18)),
    1051: (LABEL, '履歴数', '履歴数', (220, 40, 270, 18)),
    1035: (EDIT, None, '履歴数', None),
    1015: ('updown', '', '履歴数', None),
    1044: (PUSH, '履歴のバックアップ', 'バックアップ', (220, 40, 200, 40)),
    1041: (PUSH, '履歴のクリア', 'クリア', (220, 40, 200, 40)),
    1082: ('list', '', 'ヘルプ', (220, 40, 315, 240)),
}
EXPANDED = {'ハードコピー', '履歴', 'オプション', 'その他'}
AREA = {1039, 1090, 1091, 1092, 1055, 1038, 1094, 1048, 1049}
FOLDER = {1059, 1095}
COPY_TYPES = [1024, 1026, 1029, 1031, 1028]
HELP = [
    ('PrintScreen', 'ハードコピーを作成します。'),
    ('Ctrl+PrintScreen', 'アクティブウィンドウのハードコピーを作成します。'),
    ('Ctrl+Alt+PrintScreen', 'アクティブウィンドウ枠なしのハードコピーを作成します。'),
    ('Shift+PrintScreen', 'デスクトップの任意の矩形領域のハードコピーを作成します。'),
    ('Alt+PrintScreen', 'コンフィグ設定画面を表示します。'),
    ('Ctrl+Alt+F10', 'ハードコピー履歴画面を表示します。'),
    ('Ctrl+Alt+F11', 'ポップアップメニューを表示します。'),
    ('Ctrl+Alt+F12', 'PrintScreenキーと同じように使えます。'),
    ('ESCキー', '画面を閉じたり、ハードコピーの範囲選択をキャンセルさせ、再度範囲選択をやり直すことができます。'),
    ('タスクアイコン右クリック', 'ハードコピー履歴画面を表示します。'),
    ('タスクアイコン左クリック', 'ポップアップメニューを表示します。'),
    ('ハードコピー履歴画面上で右クリック', 'ポップアップメニューを表示します。'),
    ('ハードコピー履歴画面でアプリケーションキーを押下', 'メニューボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面でEscキーを押下', '閉じるボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面で「←」キーを押下', '「<」ボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面でCtrl+「←」キーを押下', '「<<」ボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面でCtrl+Shift+「←」キーを押下', '「<<<」ボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面で「→」キーを押下', '「>」ボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面でCtrl+「→」キーを押下', '「>>」ボタン押下と同じ機能です。'),
    ('ハードコピー履歴画面でCtrl+Shift+「→」キーを押下', '「>>>」ボタン押下と同じ機能です。'),
    ('ホットキー設定画面のホットキー項目をダブルクリック', 'ホットキー編集画面を表示します。'),
    ('バージョン情報画面のリンクラベルをクリック', 'メーラーを起動します。'),
    ('保存設定の「PNG形式で保存する」をチェック', 'ハードコピーをPNGファイルで保存します。'),
    ('通知設定の「Windows の起動時に ZORVEX を起動する」をチェック',
     'スタートアップフォルダのショートカットで、Windows の起動時に ZORVEX を起動します。'),
]
DELETED = '保存履歴の削除が終わりました'
BACKED_UP = '保存履歴のバックアップが終わりました'
START_WITH_WINDOWS, START_NOTE = 1097, 1098


def startup_folder():
    """The user's Startup folder in the prefix (Wine spells it "StartUp")."""
    programs = os.path.join(os.path.dirname(harness.WINE_TEMP), 'AppData', 'Roaming', 'Microsoft',
                            'Windows', 'Start Menu', 'Programs')
    return next(os.path.join(programs, name) for name in os.listdir(programs)
                if name.lower() == 'startup')


def file_stamp(path):
    with open(path, 'rb') as f:
        return os.stat(path).st_mtime_ns, f.read()


def kind(control):
    button = control.style & BS_TYPE_MASK
    if control.class_name == 'Button':
        return {0: PUSH, 1: PUSH, 3: CHECK, 9: RADIO, 7: 'group'}.get(button, hex(button))
    return {'Static': LABEL, 'Edit': EDIT, 'msctls_updown32': 'updown',
            'SysListView32': 'list', 'SysTreeView32': 'tree'}.get(control.class_name)


class Layout(ConfigCase):
    """The dialog as it opens: place, size, controls, tree, help list, and
    every page after a click on its tree item."""

    def test_opens_centred_with_no_page_and_every_control_in_place(self):
        dialog = self.open_dialog()
        harness.screenshot('config-open')
        left, top, right, bottom = dialog.rect
        width, height = right - left, bottom - top
        self.assertEqual(width, 570)
        # 390 pixels, or taller where the dialog font's units need it
        self.assertGreaterEqual(height, 390)
        work_left, work_top, work_right, work_bottom = screen_metrics()['work']
        self.assertEqual(left, work_left + (work_right - work_left - width) // 2)
        self.assertEqual(top, work_top + (work_bottom - work_top - height) // 2)
        self.assertEqual(foreground(), dialog.handle)

        found = self.controls()
        client_width, client_height = dialog.client_size
        for fixed in (TREE, APPLY, CANCEL):
            x, y, w, h = found[fixed].rect
            self.assertLessEqual(y + h, client_height, f'{fixed} inside the dialog')
        self.assertEqual(found[APPLY].text, '適用(&S)')
        self.assertEqual(found[CANCEL].text, 'キャンセル(&E)')
        self.assertEqual(found[APPLY].style & BS_TYPE_MASK, BS_DEFPUSHBUTTON)
        self.assertEqual(found[GROUP].text, 'ここに設定情報が表示されます')
        self.assertEqual(found[GROUP].rect, (203, 12, 350, 286))
        self.assertTrue(found[GROUP].visible)
        for control_id, (expected_kind, text, _, rect) in PAGE_CONTROLS.items():
            control = found[control_id]
            self.assertFalse(control.visible, f'{control_id} hidden until a page is chosen')
            self.assertEqual(kind(control), expected_kind, control_id)
            if text is not None:
                self.assertEqual(control.text, text, control_id)
            if rect is not None:
                self.assertEqual(control.rect, rect, control_id)
        # the up-down control sits at the count field's right edge
        count, spin = found[1035].rect, found[1015].rect
        self.assertEqual(count[:2], (220, 60))
        self.assertLessEqual(abs(count[0] + count[2] - spin[0]), 2)
        self.assertLessEqual(spin[0] + spin[2], 292)

        self.assertEqual([(i['depth'], i['text']) for i in tree_items(dialog, TREE)], TREE_ITEMS)
        self.assertEqual({i['text'] for i in tree_items(dialog, TREE) if i['expanded']}, EXPANDED)

        listing = ListView(harness.child(dialog, HELP_LIST).handle)
        self.assertEqual(listing.columns, [('操作', 130), ('説明', 350)])
        self.assertEqual(listing.alignments, [0, 0], 'left-aligned')
        self.assertEqual([tuple(cells) for cells in listing.cells()], HELP)
        self.assertTrue(listing.exstyle & 0x20, 'full-row selection')

    def test_each_tree_item_shows_its_page_and_the_others_keep_it(self):
        self.open_dialog()
        self.show_page('ハードコピー')
        found = self.controls()
        self.assertEqual(found[GROUP].text, 'ここに設定情報が表示されます', 'a root shows no page')
        self.assertFalse(any(found[i].visible for i in PAGE_CONTROLS))
        for page, caption in CAPTIONS.items():
            self.show_page(page)
            harness.screenshot(f'config-page-{page}')
            found = self.controls()
            shown = {i for i in PAGE_CONTROLS if found[i].visible}
            self.assertEqual(shown, {i for i, c in PAGE_CONTROLS.items() if c[2] == page}, page)
            selected = [i['text'] for i in tree_items(self.dialog, TREE) if i['selected']]
            self.assertEqual(selected, [page])
        for no_page in ('履歴', 'オプション', 'その他', 'ハードコピー'):
            self.show_page(no_page)
            wait_until(lambda: [i['text'] for i in tree_items(self.dialog, TREE) if i['selected']]
                       == [no_page], f'{no_page} selected')
            found = self.controls()
            self.assertEqual(found[GROUP].text, 'ヘルプ', f'{no_page} keeps the page')
            self.assertTrue(found[HELP_LIST].visible)

    def test_open_dialog_takes_every_capture_key_and_cancel_closes_it(self):
        dialog = self.open_dialog()
        harness.key('alt+Print', 'Print', 'ctrl+Print', 'shift+Print', 'ctrl+alt+F10')
        harness.click(*self.tray, button=3)  # the viewer from the tray icon

        def anything_started():
            found = harness.windows()
            return ([w for w in found if w.class_name in (harness.VIEWER, OVERLAY)]
                    + [w for w in found if w.title == TITLE][1:]
                    + [p for p in (self.temp_file('~zor_vex.bmp'), self.slot(1))
                       if os.path.exists(p)])
        harness.assert_never(anything_started, 4.0,
                             'a viewer, overlay, second dialog or hard copy came up')
        self.assertEqual(foreground(), dialog.handle)
        self.click(CANCEL)
        wait_until(self.dialog_closed, 'the dialog to close')
        # the tray menu's item opens it again; Esc closes it without a store
        before = self.ini_text()
        self.choose_tray_item(TRAY_CONFIG)
        self.dialog = wait_until(lambda: find_dialog(TITLE), 'the dialog from the tray')
        wait_in_front(self.dialog)
        # Under Wine a window brought forward by a program gets the keyboard
        # only after a click; the caption takes one without changing anything.
        left, top, right, _ = self.dialog.rect
        harness.click((left + right) // 2, top + 8)
        harness.key('Escape')
        wait_until(self.dialog_closed, 'Esc to close the dialog')
        self.assertEqual(self.ini_text(), before)


class FillDefaults(ConfigCase):
    settings = None  # no settings file at all

    def test_defaults(self):
        self.open_dialog()
        found = self.controls()
        self.assertEqual([i for i in COPY_TYPES if found[i].checked], [1031])
        self.assertFalse(found[1088].enabled)
        self.assertFalse(any(found[i].enabled for i in AREA))
        self.assertEqual([found[i].text for i in (1038, 1094, 1048, 1049)], [''] * 4)
        self.assertEqual((found[1040].checked, found[1042].checked, found[1043].checked),
                         (True, False, False))
        self.assertTrue(found[1021].checked and not found[1032].checked)
        self.assertFalse(any(found[i].enabled for i in (1021, 1032, 1095, 1059, 1045, 1096)))
        self.assertEqual(found[1095].text, self.wine_path(self.workdir))
        self.assertEqual(found[1057].text, 'mspaint.exe')
        self.assertEqual(found[1086].text, '')
        self.assertEqual(found[1035].text, '3')
        self.assertTrue(found[1046].enabled and found[1047].enabled)
        self.assertFalse(any(found[i].checked for i in (1046, 1047, 1008, 1025, 1036, 1019, 1052,
                                                         1054, 1056, 1088)))


class FillFixedArea(ConfigCase):
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '-12', 'AutoTop': '20', 'AutoRight': '300',
                           'AutoBottom': '200', 'IsDotRange': '1', 'IsNotRange': '1',
                           'IsPrintPreview': '1'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '0',
                           'SaveFormat3': '1'},
                'Modify': {'AppPath': 'C:\\tools\\edit.exe', 'AppParam': '/p'},
                'Option': {'IsFlash': '1', 'IsCursor': '1', 'IsPrintEdge': '1', 'IsPrintDialog': '2',
                           'IsPrintSysTime': '1', 'IsPrintHostName': '1', 'IsPrintIPAddr': '1',
                           'SaveNum': '42'}}

    def test_area_folder_band_and_options(self):
        self.open_dialog()
        self.show_page('対象設定')
        harness.screenshot('config-fill-fixed-area')
        found = self.controls()
        self.assertEqual([i for i in COPY_TYPES if found[i].checked], [1028])
        self.assertTrue(all(found[i].enabled for i in AREA))
        self.assertFalse(found[1088].enabled)
        self.assertEqual([found[i].text for i in (1038, 1094, 1048, 1049)],
                         ['-12', '20', '300', '200'])
        # dotted wins over inverted
        self.assertTrue(found[1046].checked and found[1046].enabled)
        self.assertFalse(found[1047].checked or found[1047].enabled)
        # bitmap into the folder: the folder controls are open
        self.assertTrue(found[1042].checked and found[1021].checked)
        self.assertTrue(all(found[i].enabled for i in (1021, 1032, 1095, 1059)))
        self.assertFalse(found[1040].checked)
        self.assertTrue(found[1043].checked and found[1045].enabled and found[1045].checked)
        self.assertEqual((found[1057].text, found[1086].text), ('C:\\tools\\edit.exe', '/p'))
        self.assertTrue(all(found[i].checked for i in (1025, 1036, 1019, 1052, 1054, 1056)))
        self.assertTrue(found[1008].checked)
        self.assertEqual(found[1035].text, '42')


class FillOddCopyType(ConfigCase):
    settings = {'Common': {'CopyType': '7', 'IsNotRange': '1'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '1', 'IsSaveDialog': '1',
                           'SaveFormat3': '1', 'IsPrintPreview': '0'},
                'Option': dict(QUIET)}

    def test_no_radio_then_apply_stores_desktop(self):
        self.open_dialog()
        found = self.controls()
        self.assertEqual([i for i in COPY_TYPES if found[i].checked], [])
        self.assertFalse(found[1088].enabled)
        self.assertTrue(found[1047].checked and not found[1046].enabled)
        self.assertTrue(found[1032].checked and not found[1021].checked)
        self.assertTrue(found[1021].enabled and found[1032].enabled)
        self.assertFalse(found[1095].enabled or found[1059].enabled)
        self.assertTrue(found[1045].enabled and not found[1045].checked)
        self.apply_and_close()
        saved = self.settings_file()
        self.assertEqual(saved['Common']['CopyType'], '0')
        self.assertEqual((saved['Common']['IsDotRange'], saved['Common']['IsNotRange']), ('0', '1'))
        self.assertEqual(saved['SaveAs']['IsSaveDialog'], '1')


class SaveChoice(ConfigCase):
    settings = {'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '1'},
                'Option': dict(QUIET)}

    def test_the_two_ways_of_saving_exclude_each_other_and_apply_stores_the_checked_one(self):
        for chosen, other, stored in ((1021, 1032, '0'), (1032, 1021, '1')):
            self.open_dialog()
            self.show_page('保存設定')
            self.click(chosen)
            wait_until(lambda: self.controls()[chosen].checked, f'{chosen} checked')
            self.assertFalse(self.controls()[other].checked)
            self.apply_and_close()
            self.assertEqual(self.settings_file()['SaveAs']['IsSaveDialog'], stored)


class FillDesktop(ConfigCase):
    settings = {'Common': {'CopyType': '0', 'IsExtraArea': '1'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'IsSaveDialog': '1'},
                'Option': dict(QUIET)}

    def test_desktop_with_extra_area_and_save_dialog_without_bitmap(self):
        self.open_dialog()
        found = self.controls()
        self.assertEqual([i for i in COPY_TYPES if found[i].checked], [1024])
        self.assertTrue(found[1088].enabled and found[1088].checked)
        self.assertTrue(found[1032].checked)
        self.assertFalse(any(found[i].enabled for i in (1021, 1032, 1095, 1059)))
        # clearing the bitmap output with the save dialog chosen stores 0
        self.show_page('保存設定')
        self.click(1042)
        wait_until(lambda: self.controls()[1032].enabled, 'the save choices enabled')
        self.click(1042)
        wait_until(lambda: not self.controls()[1032].enabled, 'the save choices disabled')
        self.apply_and_close()
        self.assertEqual(self.settings_file()['SaveAs']['IsSaveDialog'], '0')
        self.open_dialog()
        found = self.controls()
        self.assertTrue(found[1021].checked and not found[1032].checked)


class EnablingRules(ConfigCase):
    settings = {'Common': {'CopyType': '3'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET)}

    def enabled(self, *ids):
        found = self.controls()
        return tuple(found[i].enabled for i in ids)

    def test_clicks_enable_and_disable_what_belongs_together(self):
        self.open_dialog()
        self.show_page('対象設定')
        self.click_and_wait(1024, lambda: self.enabled(1088) == (True,), '1088 enabled')
        self.click(1088)
        wait_until(lambda: self.controls()[1088].checked, '1088 checked')
        self.click_and_wait(1028, lambda: all(self.enabled(*AREA)), 'the area controls')
        found = self.controls()
        self.assertFalse(found[1088].enabled)
        self.assertTrue(found[1088].checked, 'disabling keeps the check mark')
        self.assertEqual([i for i in COPY_TYPES if found[i].checked], [1028])
        self.click_and_wait(1026, lambda: not any(self.enabled(*AREA)), 'the area closed')
        self.click_and_wait(1024, lambda: self.enabled(1088) == (True,), '1088 again')
        self.assertFalse(any(self.enabled(*AREA)))

        self.click_and_wait(1046, lambda: self.enabled(1047) == (False,), '1047 disabled')
        self.click_and_wait(1046, lambda: self.enabled(1047) == (True,), '1047 enabled')
        self.click_and_wait(1047, lambda: self.enabled(1046) == (False,), '1046 disabled')
        self.click_and_wait(1047, lambda: self.enabled(1046) == (True,), '1046 enabled')

        self.show_page('保存設定')
        self.click_and_wait(1042,
                            lambda: self.enabled(1021, 1032, 1095, 1059, 1096) == (True,) * 5,
                            'bitmap into the folder')
        self.click_and_wait(1032, lambda: self.enabled(1095, 1059) == (False, False),
                            'the folder closed by the save dialog')
        self.click_and_wait(1021, lambda: self.enabled(1095, 1059) == (True, True),
                            'the folder open again')
        self.click_and_wait(1042, lambda: not any(self.enabled(1021, 1032, 1095, 1059, 1096)),
                            'bitmap off')
        self.click_and_wait(1043, lambda: self.enabled(1045) == (True,), '1045 enabled')
        self.click_and_wait(1043, lambda: self.enabled(1045) == (False,), '1045 disabled')
        harness.screenshot('config-rules')


class ExtraAreaAtOnce(ConfigCase):
    settings = {'Common': {'CopyType': '0', 'IsExtraArea': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET)}

    def test_click_is_stored_at_once_and_cancel_keeps_it(self):
        before = self.ini_text()
        self.open_dialog()
        self.show_page('対象設定')
        self.click(1088)
        wait_until(lambda: self.controls()[1088].checked, 'the check mark')
        self.click(CANCEL)
        wait_until(self.dialog_closed, 'the dialog to close')
        self.assertEqual(self.ini_text(), before, 'the file keeps the old value')
        harness.key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        left, top, right, bottom = screen_metrics()['work']
        self.assertEqual((bitmap.width, bitmap.height), (right - left, bottom - top),
                         'the desktop capture leaves the taskbar out')


class Apply(ConfigCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET, SaveNum='5'),
                'Others': {'OnesWinStyle': '5', 'OnesLeft': '33', 'OnesTop': '44'},
                'HotKey': {'IsCtrlF2': '1', 'Ctrl_F2': 'notepad.exe', 'Ctrl_F2_PARAMS': '/a'}}

    def test_apply_writes_every_key_and_the_next_capture_uses_it(self):
        self.open_dialog()
        self.show_page('対象設定')
        self.click(1026)
        wait_until(lambda: self.controls()[1026].checked, 'active window chosen')
        self.show_page('編集')
        self.type_into(1086, '/x')
        self.show_page('印刷設定')
        self.click(1052)
        wait_until(lambda: self.controls()[1052].checked, 'system time checked')
        self.apply_and_close()
        saved = self.settings_file()
        self.assertEqual(saved['Others'], self.settings['Others'])
        self.assertEqual(saved['HotKey'], self.settings['HotKey'])
        self.assertEqual(list(saved['Common']), ['CopyType', 'IsExtraArea', 'IsDotRange',
                                                 'IsNotRange', 'IsPrintPreview', 'AutoLeft',
                                                 'AutoTop', 'AutoRight', 'AutoBottom'])
        self.assertEqual(saved['Common']['CopyType'], '1')
        self.assertEqual(list(saved['SaveAs']), ['SaveFormat1', 'SaveFormat2', 'IsSaveDialog',
                                                 'SaveDir', 'SaveFormat3', 'SaveImageType'])
        self.assertEqual(saved['SaveAs']['SaveDir'], self.wine_path(self.workdir))
        self.assertEqual(saved['Modify'], {'AppPath': 'mspaint.exe', 'AppParam': '/x'})
        self.assertEqual(saved['Option']['IsPrintSysTime'], '1')
        self.assertEqual(saved['Option']['SaveNum'], '5')
        self.assertEqual(saved['Option']['IsFlash'], '1')

        target = TestWindow(self, 260, 180, 420, 310)
        harness.key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        self.assertEqual((bitmap.width, bitmap.height), target.outer_size,
                         'PrintScreen now takes the active window')

    def shortcut(self, path):
        """The shortcut's fields as the shell's link object reads them."""
        return dict(line.rstrip('\r').split('\t', 1) for line in
                    probe('shortcut', self.wine_path(path)).splitlines() if '\t' in line)

    def set_start_box(self, checked):
        self.click(START_WITH_WINDOWS)
        wait_until(lambda: self.controls()[START_WITH_WINDOWS].checked == checked, 'the box')

    def exit_by_tray(self):
        self.choose_tray_item(TRAY_EXIT)
        wait_until(lambda: find_window(MAIN, visible=False) is None, 'ZORVEX to end')

    def test_start_with_windows_makes_the_shortcut_that_starts_this_program_with_its_settings(self):
        startup = startup_folder()
        shortcut, other = (os.path.join(startup, name) for name in ('ZORVEX.lnk', 'recorder.lnk'))
        self.addCleanup(lambda: [os.remove(p) for p in (shortcut, other) if os.path.exists(p)])
        recorder = os.path.join(self.workdir, 'recorder.exe')
        shutil.copy(harness.RECORDER, recorder)
        probe('shortcut', self.wine_path(other), self.wine_path(recorder), 'C:\\')
        probe('shortcut', self.wine_path(shortcut), self.wine_path(harness.EXE), 'C:\\elsewhere')

        # A ZORVEX started in another folder is named beside the box; held open
        # by another program, its shortcut cannot be replaced, which a message
        # naming the folder says, and the box shows what is there.
        self.open_dialog()
        self.show_page('通知設定')
        harness.screenshot('config-start-with-windows-other')
        note = self.controls()[START_NOTE].text
        self.assertFalse(self.controls()[START_WITH_WINDOWS].checked)
        for said in ('置き換えます', 'プログラム: ' + self.wine_path(harness.EXE),
                     '作業フォルダ: C:\\elsewhere'):
            self.assertIn(said, note)
        locker = harness.Helper(self, 'lock', self.wine_path(shortcut), '60000', 'read',
                                ready='locked')
        self.set_start_box(True)
        drive_c = os.path.join(harness.WINE_TEMP, '..', '..', '..')
        self.refuse('スタートアップフォルダにショートカットを作成できませんでした。 C:\\' +
                    os.path.relpath(startup, drive_c).replace('/', '\\'), 'start-not-made')
        self.assertEqual((self.controls()[START_WITH_WINDOWS].checked,
                          self.controls()[START_NOTE].text), (False, note))
        locker.end()
        self.set_start_box(True)
        self.apply_and_close()
        program = self.wine_path(harness.EXE)
        self.assertEqual(self.shortcut(shortcut),
                         {'target': program, 'folder': self.wine_path(self.workdir),
                          'icon': program + ',0',
                          'description': 'ZORVEX 画面ハードコピー常駐ユーティリティ'})
        self.assertNotIn('start', self.ini_text().decode('cp932').lower(),
                         'the shortcut is the only record')
        self.open_dialog()
        self.assertEqual((self.controls()[START_WITH_WINDOWS].checked,
                          self.controls()[START_NOTE].text), (True, ''))
        self.click(CANCEL)
        wait_until(self.dialog_closed, 'the dialog to close')

        # Signed in again: the shell starts every item of the Startup folder,
        # here from Wine's own folder.
        self.exit_by_tray()
        self.process.wait(timeout=30)
        run(['wine', 'wineboot'], cwd='/', timeout=120)
        wait_until(lambda: find_window(MAIN, visible=False), 'ZORVEX from its shortcut')
        wait_until(lambda: harness.recorded_lines(os.path.join(self.workdir, 'recorder.log')),
                   'the other Startup item started too')
        self.tray = wait_until(harness.tray_icon_center, 'the tray icon')
        harness.key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'a desktop copy (CopyType=0)')
        self.assertEqual((bitmap.width, bitmap.height), screen_metrics()['screen'])

        other_before = file_stamp(other)
        self.open_dialog()
        self.show_page('通知設定')
        self.set_start_box(False)
        self.apply_and_close()
        self.assertFalse(os.path.exists(shortcut))
        self.assertEqual(file_stamp(other), other_before, 'another Startup item untouched')
        self.exit_by_tray()


class Refusals(ConfigCase):
    """A refusal as the user meets it: its box over the dialog, which stays
    with the input as it was. Which input is refused, with which text, and
    what an apply stores before it stops, is the unit tests' table."""
    settings = {'Common': {'CopyType': '1'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': dict(QUIET)}

    def test_no_output_is_refused_and_the_dialog_stays_as_it_was(self):
        before = self.ini_text()
        self.open_dialog()
        self.show_page('対象設定')
        self.click(1024)  # not stored: the check comes first
        self.show_page('保存設定')
        self.click(1040)
        wait_until(lambda: not self.controls()[1040].checked, 'the clipboard unchecked')
        self.refuse(REFUSALS['no_output'], 'no-output')
        self.assertFalse(self.controls()[1040].checked, 'the input stays as it was')
        self.click(CANCEL)
        wait_until(self.dialog_closed, 'the dialog to close')
        self.assertEqual(self.ini_text(), before, 'the file keeps the old values')
        target = TestWindow(self, 260, 180, 420, 310)
        harness.key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        self.assertEqual((bitmap.width, bitmap.height), target.outer_size, 'still the active window')


class SettingsNotWritten(ConfigCase):
    """A zorvex.ini that links to a read-only file elsewhere, held by another
    program at start: each write that cannot be made is told, in a balloon
    for the tray's mode (which holds for the run) and by a refusal over a
    dialog that stays open with its input; once the file may be written,
    適用 writes the linked file and the link stays."""
    start_program = False

    def capture_with_flash(self):
        """PrintScreen's hard copy once its flash (the defaults') has come and gone."""
        flash = harness.WindowWatch(self, 'CFlashWinClass', '')
        stamp = self.slot_stamp()
        harness.key('Print')
        bitmap = self.new_hard_copy(stamp)
        flash.stop(shown=True)
        return bitmap

    def test_refused_writes_are_told_and_the_linked_file_written_later(self):
        target = os.path.join(self.workdir, 'synced', 'zorvex.ini')
        os.makedirs(os.path.dirname(target))
        os.rename(self.ini_path, target)
        os.symlink(target, self.ini_path)
        os.chmod(target, 0o444)
        locker = harness.Helper(self, 'lock', self.wine_path(target), '60000', ready='locked')
        self.start()
        path = self.wine_path(self.ini_path)
        harness.balloon_saying('設定ファイルを読み込めませんでした',
                               'ファイルがほかのプログラムに開かれています。既定の設定で動いています。', path)
        locker.end()
        before = self.ini_text()
        cause, kept = 'ファイルが読み取り専用です。', '設定は ZORVEX を終了するまで有効です。'
        self.choose_tray_item(8)  # デスクトップ
        harness.balloon_saying('設定を保存できませんでした', cause + kept, path)
        bitmap = self.capture_with_flash()
        self.assertEqual((bitmap.width, bitmap.height), screen_metrics()['screen'])

        refusal = f'設定ファイルに書き込めませんでした。 {cause} {path} {kept}'  # its lines
        self.choose_tray_item(4)  # ホットキー設定
        hotkeys = wait_until(lambda: find_window('#32770', 'ホットキー設定'), 'the hot-key list')
        harness.click_button(hotkeys, '編集(&M)')
        edit = wait_until(lambda: find_window('#32770', 'ホットキー編集'), 'the hot-key editor')
        harness.click_button(edit, '保存(&S)')
        box = self.message_box()
        self.assertEqual((box.text, box.buttons, box.has_icon), (refusal, [IDOK], False))
        self.capture_with_flash()  # in the middle of the box's loop
        box.press(IDOK)
        self.assertTrue(find_window('#32770', 'ホットキー編集'), 'the editor stays open')
        harness.click_button(edit, 'キャンセル(&E)')
        wait_until(lambda: find_window('#32770', 'ホットキー編集') is None, 'the editor to close')
        harness.click_button(hotkeys, '閉じる(&C)')
        wait_until(lambda: find_window('#32770', 'ホットキー設定') is None, 'the list to close')

        self.open_dialog()
        self.show_page('編集')
        self.type_into(1086, '/kept')
        self.refuse(refusal, 'not-written')
        self.assertEqual((self.controls()[1086].text, self.ini_text()), ('/kept', before))
        os.chmod(target, 0o644)
        self.apply_and_close()
        self.assertTrue(os.path.islink(self.ini_path), 'the link stays a link')
        self.assertEqual(self.settings_file()['Modify']['AppParam'], '/kept')


class HistoryCount(ConfigCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET, SaveNum='10')}

    def setUp(self):
        super().setUp()
        self.write_slots(range(1, 11))
        self.open_dialog()
        self.show_page('履歴数')

    def lower_to_five(self):
        self.type_into(1035, '5')
        self.click(APPLY)
        box = self.message_box()
        self.assertEqual(box.text, '不要な保存履歴を削除しますか？')
        self.assertEqual(box.buttons, [IDYES, IDNO])
        self.assertTrue(box.has_icon, 'the warning icon')
        self.assertEqual(box.default, IDNO)
        return box

    def test_no_keeps_the_surplus_files(self):
        box = self.lower_to_five()
        harness.screenshot('config-ask-trim')
        box.press(IDNO)
        wait_until(self.dialog_closed, 'the dialog to close')
        self.assertEqual(self.existing_slots(), list(range(1, 11)))
        self.assertEqual(self.settings_file()['Option']['SaveNum'], '5')

    def test_yes_deletes_exactly_slots_five_to_nine(self):
        self.lower_to_five().press(IDYES)
        done = self.message_box()
        self.assertEqual(done.text, DELETED)
        self.assertEqual(done.buttons, [IDOK])
        self.assertEqual(self.existing_slots(), list(range(1, 6)))
        done.press(IDOK)
        wait_until(self.dialog_closed, 'the dialog to close')
        self.assertEqual(self.settings_file()['Option']['SaveNum'], '5')

    def test_raising_asks_nothing_and_the_arrows_step(self):
        left, top, right, _ = self.controls()[1015].screen
        harness.click((left + right) // 2, top + 3)  # the upper arrow
        wait_until(lambda: self.controls()[1035].text == '11', 'the up-down step')
        self.type_into(1035, '12')
        self.apply_and_close()
        self.assertEqual(self.settings_file()['Option']['SaveNum'], '12')
        self.assertEqual(self.existing_slots(), list(range(1, 11)))

    def test_three_is_accepted(self):
        self.type_into(1035, '3')
        self.click(APPLY)
        self.message_box().press(IDNO)
        wait_until(self.dialog_closed, 'the dialog to close')
        self.assertEqual(self.settings_file()['Option']['SaveNum'], '3')


class ClearHistory(ConfigCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET, SaveNum='5')}

    def test_clear_asks_then_deletes_the_history_only(self):
        self.write_slots(range(1, 8))
        with open(self.temp_file('~zor_vex.bmp'), 'wb') as f:
            f.write(b'BM work')
        self.open_dialog()
        self.show_page('クリア')
        self.click(1041)
        box = self.message_box()
        self.assertEqual(box.text, '保存履歴を全て削除します。よろしいですか？')
        self.assertTrue(box.has_icon)
        self.assertEqual(box.default, IDNO)
        box.press(IDNO)
        harness.assert_never(lambda: self.existing_slots() != list(range(1, 8)), 3.0,
                             'No deleted history files')
        self.click(1041)
        self.message_box().press(IDYES)
        done = self.message_box()
        self.assertEqual(done.text, DELETED)
        done.press(IDOK)
        self.assertEqual(self.existing_slots(), [6, 7])
        self.assertTrue(os.path.exists(self.temp_file('~zor_vex.bmp')), 'never the work file')
        self.assertIsNotNone(find_dialog(TITLE), 'the dialog stays open')


class Backup(ConfigCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET, SaveNum='5')}

    def start_backup(self):
        self.click(1044)
        box = self.message_box()
        self.assertEqual(box.text, '保存履歴を全てバックアップします。よろしいですか？')
        self.assertFalse(box.has_icon)
        self.assertEqual(box.default, IDNO)
        return box

    def test_backup_copies_filled_slots_under_their_numbers(self):
        self.write_slots([1, 3])
        target = self.new_folder()
        self.open_dialog()
        self.show_page('バックアップ')
        self.start_backup().press(IDNO)
        harness.assert_never(lambda: not self.no_other_dialog(), 3.0, 'No went on')

        self.start_backup().press(IDYES)
        window, found = self.browser()
        self.assertIn('保存するフォルダを選択して下さい', [c.text for c in found.values()])
        self.choose_folder(target)
        done = self.message_box()
        self.assertEqual(done.text, BACKED_UP)
        self.assertEqual(done.buttons, [IDOK])
        done.press(IDOK)
        self.assertEqual(sorted(os.listdir(target)), ['1.bmp', '3.bmp', INNER])
        self.assertTrue(filecmp.cmp(os.path.join(target, '3.bmp'), self.slot(3), shallow=False))

    def test_cancelled_browser_copies_nothing_and_an_empty_history_backs_up_nothing(self):
        self.write_slots([1, 3])
        self.open_dialog()
        self.show_page('バックアップ')
        self.start_backup().press(IDYES)
        window, _ = self.browser()
        harness.MessageBox(window).press(harness.IDCANCEL)

        def copies():
            return [path for path in files_under(self.workdir, self.temp)
                    if os.path.basename(path) in ('1.bmp', '3.bmp')]
        harness.assert_never(lambda: not self.no_other_dialog() or copies(), 4.0,
                             'a cancelled browser went on with the backup')
        self.assertTrue(find_dialog(TITLE).enabled)

        for n in (1, 3):
            os.remove(self.slot(n))
        target = self.new_folder()
        self.start_backup().press(IDYES)
        self.choose_folder(target)
        done = self.message_box()
        self.assertEqual(done.text, BACKED_UP, 'the message comes with nothing to copy too')
        done.press(IDOK)
        self.assertEqual(os.listdir(target), [INNER])

    def test_a_locked_slot_is_counted_as_not_backed_up_and_not_deleted(self):
        self.write_slots([1, 2, 3])
        target = self.new_folder()
        self.helper('lock', self.wine_path(self.slot(2)), '60000', ready='locked')
        self.open_dialog()
        self.show_page('バックアップ')
        self.start_backup().press(IDYES)
        self.choose_folder(target)
        done = self.message_box()
        self.assertEqual(done.text, '保存履歴のうち1件をバックアップできませんでした')
        done.press(IDOK)
        self.assertEqual(sorted(os.listdir(target)), ['1.bmp', '3.bmp', INNER])
        self.show_page('クリア')
        self.click(1041)
        self.message_box().press(IDYES)
        self.assertEqual(self.message_box().text, '保存履歴のうち1件を削除できませんでした')
        self.assertEqual(self.existing_slots(), [2])

    def test_folder_button_fills_the_save_folder(self):
        target = self.new_folder()
        self.open_dialog()
        self.show_page('保存設定')
        self.click(1042)
        self.click(1059)
        self.choose_folder(target)
        wait_until(lambda: self.controls()[1095].text == self.wine_path(target), 'the new folder')
        self.apply_and_close()
        self.assertEqual(self.settings_file()['SaveAs']['SaveDir'], self.wine_path(target))


class ProgramChooser(ConfigCase):
    def chooser(self):
        return wait_until(lambda: find_dialog(CHOOSER_TITLE), 'the program chooser')

    def test_chosen_program_replaces_the_path_and_cancel_keeps_it(self):
        program = os.path.join(self.workdir, 'paint tool.exe')
        with open(program, 'wb') as f:
            f.write(b'MZ')
        self.open_dialog()
        self.show_page('編集')
        self.click(1058)
        window = self.chooser()
        found = controls(window)
        combo = next(c for c in found.values() if c.class_name == 'ComboBox' and c.id == 1136)
        self.assertEqual(combo.text, 'プログラム')
        harness.screenshot('config-program-chooser')
        harness.key('Escape')
        wait_until(lambda: find_dialog(CHOOSER_TITLE) is None, 'the chooser closed')
        self.assertEqual(self.controls()[1057].text, 'mspaint.exe')

        self.click(1058)
        window = self.chooser()
        name_field = 1152 if 1152 in controls(window) else 1148
        probe('settext', window.handle, name_field, self.wine_path(program))
        probe('click', window.handle, IDOK)
        wait_until(lambda: self.controls()[1057].text == self.wine_path(program), 'the chosen path')
        self.apply_and_close()
        self.assertEqual(self.settings_file()['Modify']['AppPath'], self.wine_path(program))


class TextBounds(ConfigCase):
    def test_parameters_longer_than_the_record_in_bytes_are_taken_back(self):
        self.open_dialog()
        self.show_page('編集')
        self.type_into(1086, 'a' * 120)
        probe('paste', self.dialog.handle, 1086, 'ああああ')  # 124 characters, 128 bytes
        self.assertEqual(self.controls()[1086].text, 'a' * 120)
        harness.type_text('b')
        wait_until(lambda: self.controls()[1086].text == 'a' * 120 + 'b', 'b after the a')
        fits = 'あ' * 63  # 126 bytes
        probe('replacesel', self.dialog.handle, 1086, fits)
        wait_until(lambda: self.controls()[1086].text == fits, 'the parameters')
        probe('replacesel', self.dialog.handle, 1086, 'あ' * 64)  # 128 bytes, 64 characters
        self.assertEqual(self.controls()[1086].text, fits)
        self.apply_and_close()
        self.assertEqual(self.settings_file()['Modify']['AppParam'], fits)


class AreaPick(ConfigCase):
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '1', 'AutoTop': '1', 'AutoRight': '2',
                           'AutoBottom': '2'},
                'SaveAs': {'SaveFormat1': '1'}, 'Option': dict(QUIET)}

    def test_drag_fills_the_fields_and_apply_makes_it_the_fixed_area(self):
        TestWindow(self, 0, 0, 500, 400, 'pattern')
        self.open_dialog()
        self.show_page('対象設定')
        probe('clear-clipboard')
        self.click(1039)
        wait_until(lambda: find_window(OVERLAY), 'the range overlay')
        harness.drag((100, 120), (300, 250))
        wait_until(self.overlay_gone, 'the overlay gone')
        wait_until(lambda: [self.controls()[i].text for i in (1038, 1094, 1048, 1049)] ==
                   ['100', '120', '300', '250'], 'the picked area in the fields')
        self.assertEqual(self.existing_slots(), [], 'no hard copy filed')
        self.assertEqual(harness.clipboard_size(self), 'none')
        self.assertEqual(self.settings_file()['Common']['AutoRight'], '2', 'stored only by 適用')
        harness.screenshot('config-area-picked')
        self.apply_and_close()
        common = self.settings_file()['Common']
        self.assertEqual([common[k] for k in ('AutoLeft', 'AutoTop', 'AutoRight', 'AutoBottom')],
                         ['100', '120', '300', '250'])
        harness.move_mouse(900, 600)
        harness.key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        self.assertEqual((bitmap.width, bitmap.height), (200, 130))
        screen = Screen()
        for x, y in ((0, 0), (199, 0), (0, 129), (199, 129), (100, 60)):
            self.assertEqual(bitmap.pixel(x, y), screen.pixel(100 + x, 120 + y), (x, y))


if __name__ == '__main__':
    harness.main()
