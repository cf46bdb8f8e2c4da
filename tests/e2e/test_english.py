"""The program on an English system (code page 1252, set by the suite), and
once more built to run in code page UTF-8, as a system with the worldwide
UTF-8 option runs it (e2e.test_english_utf8): its texts read back exactly
through the probe (which reads UTF-16), a Japanese save folder kept byte for
byte, a printed Japanese title, and folders named with characters Shift-JIS
does not have. Leaves english[-utf-8]-*.png."""
import os

import harness
from harness import (QUIET, TREE, VIEWER, clipboard_size, complete_bitmap, files_under, find_window,
                     key, menu_keys, probe, read, screen_metrics, tree_items, wait_menus_closed,
                     wait_until)
from case_support import REFUSALS, TREE_ITEMS, ConfigCase, SaveCase
import print_support

CODE_PAGE_KEY = r'HKLM\System\CurrentControlSet\Control\Nls\CodePage'
PROGRAM_CODE_PAGE = os.environ.get('ZORVEX_CODE_PAGE', '1252')
# A family name and a given name outside Shift-JIS, as a profile or a
# OneDrive folder may be named.
NAME = 'Zoë_𠮷田'
TRAY_ITEMS = ['終了', '-', 'ZORVEX について', 'バージョン情報...', 'プリンタの設定', '-',
              'ホットキー設定', '-', '最新作成したハードコピー', '-', 'ハードコピー履歴', '-',
              'マウスポインタも含める', '-', 'デスクトップ', 'アクティブウィンドウ',
              'アクティブウィンドウ 枠なし', 'マウスで範囲を選択', '-', 'コンフィグ設定']


def setUpModule():
    harness.kill_wine()
    output = harness.run(['wine', 'reg', 'query', CODE_PAGE_KEY, '/v', 'ACP'])[1].split()
    assert output[-1:] == [b'1252'], f'an English system: {output!r}'


def shot(name):
    prefix = 'english' if PROGRAM_CODE_PAGE == '1252' else 'english-utf-8'
    harness.screenshot(f'{prefix}-{name}')


class EnglishConfig(ConfigCase):
    def test_title_tree_and_refusal_read_back(self):
        self.open_dialog()  # found by its title
        self.assertEqual([item['text'] for item in tree_items(self.dialog, TREE)],
                         [text for _, text in TREE_ITEMS])
        shot('config')
        self.show_page('履歴数')
        self.type_into(1035, '2')
        self.refuse(REFUSALS['too_few'])


class EnglishTray(harness.ZorvexTestCase):
    start_program = False

    def test_menu_items_and_tooltip_read_back(self):
        self.helper('hold-hotkeys', 'Shift+PrintScreen', ready='holding')
        self.start()
        menu = self.open_tray_menu()
        self.assertEqual(probe('menu', menu.handle).splitlines(), TRAY_ITEMS)
        shot('tray-menu')
        menu_keys(menu, 'Escape')
        wait_menus_closed()
        harness.move_mouse(*self.tray)
        wait_until(lambda: 'ZORVEX（使えないキー: Shift+PrintScreen）' in probe('tips').splitlines(),
                   'the tooltip naming the key taken')


class EnglishViewerAndPrint(print_support.JapaneseTitle):
    def open_by_tray(self):
        viewer = super().open_by_tray()
        caption = self.wait_caption('1枚目( 200 x 100 ) ')
        self.assertTrue(caption.endswith(' - ZORVEX (履歴)'), caption)
        return viewer

    def press_button(self, viewer, control_id):
        shot('viewer')  # the page with its title, before it goes to the printer
        super().press_button(viewer, control_id)


class JapaneseSaveFolder(SaveCase, ConfigCase):
    save_folder_name = 'ハードコピー'

    def test_hard_copy_is_saved_there_and_the_folder_written_back_byte_for_byte(self):
        saved = self.saved_capture()
        self.assertEqual(read(saved), read(self.slot(1)), 'the hard copy itself was saved')
        line = next(line for line in self.ini_text().split(b'\r\n') if line.startswith(b'SaveDir='))
        self.assertEqual(line, b'SaveDir=' + self.wine_path(self.save_dir).encode('cp932'))
        self.open_dialog()
        self.apply_and_close()
        self.assertIn(b'\r\n' + line + b'\r\n', self.ini_text())
        self.assertNotIn(b'_UTF8', self.ini_text())


class FoldersOfAnyName(ConfigCase):
    """The program in a folder, with a TEMP and a save folder, whose names
    Shift-JIS cannot hold."""
    start_program = False
    temp_folder = 'Temp_' + NAME
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET)}

    def test_settings_temp_viewer_and_save_folder(self):
        home = os.path.join(self.workdir, NAME)
        os.makedirs(home)
        self.workdir, self.ini_path = home, os.path.join(home, 'zorvex.ini')
        self.write_settings()
        self.start()
        screen = screen_metrics()['screen']
        bitmap = self.capture('Print')  # CopyType 0 from the file: the desktop at once
        self.assertEqual((bitmap.width, bitmap.height), screen)
        self.assertEqual(clipboard_size(self), screen)
        self.assertTrue(complete_bitmap(self.temp_file('~zor_vex.bmp')), 'the work file in TEMP')

        key('ctrl+alt+F10')
        caption = f'1枚目( {screen[0]} x {screen[1]} ) '
        wait_until(lambda: (viewer := find_window(VIEWER)) and
                   viewer.title.startswith(caption), 'the viewer showing the hard copy')
        shot('any-name-viewer')
        key('Escape')
        wait_until(lambda: find_window(VIEWER, visible=None) is None, 'the viewer to close')

        target = self.new_folder('Save_' + NAME)
        self.open_dialog()
        self.show_page('保存設定')
        self.click(1042)
        self.click(1059)
        self.choose_folder(target)
        wait_until(lambda: self.controls()[1095].text == self.wine_path(target), 'the folder')
        self.apply_and_close()
        exact = b'SaveDir_UTF8="' + self.wine_path(target).encode('utf-8') + b'"\r\n'
        self.assertIn(exact, self.ini_text(), 'the folder kept exactly beside its Shift-JIS key')
        for captures in (1, 2):
            if captures == 2:
                self.start()  # the folder survives a restart
            self.capture('Print')
            wait_until(lambda: len(files_under(target)) == captures,
                       f'{captures} hard copies saved in the chosen folder')


if __name__ == '__main__':
    harness.main()
