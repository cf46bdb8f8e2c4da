"""Saving hard copies (automatic names, the Save As dialog) and handing a
recent hard copy to the edit application, with range captures made by the
real mouse."""
import os
import shutil
import subprocess
import time

import harness
from harness import controls, find_window, mount, tree_items, unmount, wait_until
from case_support import APPLY, TITLE as CONFIG_TITLE, TREE, SaveCase

OVERLAY = 'CRangeWinClass'
SAVE_TITLE = 'ハードコピーに名前を付けて保存'
PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'
SAVE_PNG = 1096


def read(path):
    with open(path, 'rb') as f:
        return f.read()


class AutomaticSave(SaveCase):
    def test_numbers_count_up_in_todays_folder_and_match_the_history(self):
        self.range_capture()
        day = time.strftime('%Y%m%d')
        first = os.path.join(self.save_dir, 'bitmap', day, '000001.bmp')
        wait_until(lambda: os.path.exists(first) and os.path.exists(self.slot(1)),
                   'the first saved file')
        self.assertEqual(read(first), read(self.slot(1)))

        self.range_capture((300, 200), (340, 260))
        second = os.path.join(self.save_dir, 'bitmap', day, '000002.bmp')
        wait_until(lambda: os.path.exists(second), 'the second saved file')
        wait_until(lambda: os.path.exists(self.slot(2)), 'the history to grow')
        self.assertEqual(read(second), read(self.slot(1)))
        self.assertEqual(read(first), read(self.slot(2)))
        self.assertEqual(harness.Bitmap(second).width, 40)
        self.assertEqual(self.saved_files(), [os.path.join('bitmap', day, '000001.bmp'),
                                              os.path.join('bitmap', day, '000002.bmp')])


class SaveDirAtCapacity(SaveCase):
    # 259 characters, the most the setting holds: the folders cannot be made.
    save = {'SaveDir': 'C:\\' + 'd' * 256}

    def test_hard_copy_still_enters_the_history(self):
        self.range_capture()
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        self.assertEqual(harness.Bitmap(self.slot(1)).width, 100)
        self.assertIsNone(self.process.poll(), 'the program keeps running')
        self.assertTrue(find_window('CMainWinClass', visible=False))


class SaveAsDialog(SaveCase):
    save = {'IsSaveDialog': '1'}

    def open_dialog(self):
        self.range_capture(wait=False)
        return wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')

    def test_cancel_saves_nothing_but_the_history_grows(self):
        dialog = self.open_dialog()
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        harness.screenshot(os.path.join(harness.ARTIFACTS, 'save-as-dialog.png'))
        read_only = [c for c in harness.children(dialog) if c.title.startswith('読み取り専用')]
        self.assertTrue(all(not c.visible for c in read_only), 'no read-only check box')
        self.assertFalse(os.path.exists(self.slot(1)), 'the history waits for the dialog')
        harness.click_button(dialog, 'キャンセル')
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        self.wait_for_overlay_gone()
        self.assertEqual(self.saved_files(), [])
        self.assertIsNone(find_window(title=SAVE_TITLE))

    def test_confirmed_name_gets_the_hard_copy_with_the_default_extension(self):
        self.open_dialog()
        harness.type_text(self.wine_path(os.path.join(self.save_dir, 'chosen')))
        harness.key('Return')
        target = os.path.join(self.save_dir, 'chosen.bmp')
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        self.wait_for_overlay_gone()
        self.assertEqual(self.saved_files(), ['chosen.bmp'])
        self.assertEqual(read(target), read(self.slot(1)))


class PngSave(SaveCase):
    save = {'SaveImageType': '1'}

    def assert_png_of_slot_one(self, path):
        self.assertEqual(read(path)[:8], PNG_SIGNATURE)
        compare = subprocess.run(['compare', '-metric', 'AE', path, self.slot(1), 'null:'],
                                 capture_output=True, text=True)
        self.assertEqual(compare.stderr.split()[:1], ['0'], 'no pixel differs')

    def test_png_files_number_on_after_bitmaps_and_the_viewer_saves_one(self):
        day = os.path.join(self.save_dir, 'bitmap', time.strftime('%Y%m%d'))
        self.range_capture()
        first = os.path.join(day, '000001.png')
        wait_until(lambda: os.path.exists(first) and os.path.exists(self.slot(1)), 'the PNG file')
        self.assert_png_of_slot_one(first)
        shutil.copy(self.slot(1), os.path.join(day, '000003.bmp'))
        self.range_capture((300, 200), (340, 260))
        wait_until(lambda: os.path.exists(os.path.join(day, '000004.png')), 'the next PNG file')

        harness.click(*self.tray, button=3)
        viewer = wait_until(lambda: find_window('COnesWinClass'), 'the history viewer')
        menu_button = next(c for c in harness.children(viewer) if c.control_id == 1076)
        harness.click((menu_button.rect[0] + menu_button.rect[2]) // 2,
                      (menu_button.rect[1] + menu_button.rect[3]) // 2)
        harness.menu_keys(wait_until(lambda: find_window('#32768'), 'the viewer menu'),
                          'Down', 'Down', 'Return')
        wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')
        harness.type_text(self.wine_path(os.path.join(self.save_dir, 'viewer')))
        harness.key('Return')
        named = os.path.join(self.save_dir, 'viewer.png')
        wait_until(lambda: os.path.exists(named), 'the PNG file from the viewer')
        self.assert_png_of_slot_one(named)
        self.assertEqual(self.saved_files(), [os.path.join('bitmap', os.path.basename(day), n)
                                              for n in ('000001.png', '000003.bmp', '000004.png')]
                         + ['viewer.png'])


class PngChosenByApply(SaveCase):
    def test_apply_writes_the_setting_and_an_unwritable_folder_gets_no_file(self):
        harness.key('alt+Print')
        dialog = wait_until(lambda: find_window('#32770', CONFIG_TITLE), 'the configuration dialog')
        left, top, right, bottom = next(i['rect'] for i in tree_items(dialog, TREE)
                                        if i['text'] == '保存設定')
        harness.click((left + right) // 2, (top + bottom) // 2)
        wait_until(lambda: controls(dialog)[SAVE_PNG].visible, 'the save page')
        harness.click(*controls(dialog)[SAVE_PNG].center)
        wait_until(lambda: controls(dialog)[SAVE_PNG].checked, 'PNG chosen')
        harness.click(*controls(dialog)[APPLY].center)
        wait_until(lambda: find_window('#32770', CONFIG_TITLE, visible=None) is None,
                   'the dialog to close')
        self.assertEqual(self.settings_file()['SaveAs']['SaveImageType'], '1')

        day = os.path.join(self.save_dir, 'bitmap', time.strftime('%Y%m%d'))
        os.makedirs(day)
        self.assertTrue(mount('--bind', day, day))
        self.addCleanup(unmount, day)
        self.assertTrue(mount('-o', 'remount,bind,ro', day))
        self.range_capture()
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        harness.assert_never(lambda: os.listdir(day), 2.0, 'a file in the unwritable folder')
        unmount(day)
        self.range_capture((300, 200), (340, 260))
        wait_until(lambda: os.listdir(day) == ['000001.png'], 'the PNG file once writable')


class RecentHardCopyToEditor(SaveCase):
    save = {'SaveFormat2': '0'}

    def start(self, wait_for_tray=True):
        if not hasattr(self, 'recorder'):
            self.recorder = os.path.join(self.workdir, 'recorder.exe')
            shutil.copy(harness.RECORDER, self.recorder)
            self.settings['Modify'] = {'AppPath': self.wine_path(self.recorder),
                                       'AppParam': '/e -q'}
        super().start(wait_for_tray)

    def test_recent_item_starts_the_edit_application_on_the_slot(self):
        self.range_capture()
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        menu = self.open_tray_menu()
        harness.menu_keys(menu, *(['Down'] * 6), 'Right', 'Return')
        log = os.path.join(self.workdir, 'recorder.log')
        wait_until(lambda: os.path.exists(log) and read(log).strip(), 'the edit application')
        line = read(log).decode('cp932').strip()
        self.assertRegex(line, r' /e -q [A-Za-z]:\\[^"]*\\~zor_vex1\.bmp$')
        self.assertNotIn('"' + '/e', line)


if __name__ == '__main__':
    harness.main()
