"""Saving hard copies (automatic names, the Save As dialog, PNG files) and
handing a recent hard copy to the edit application, with range captures
made by the real mouse. A capture around midnight may go into either day's
folder."""
import os
import shutil

import harness
from harness import (APPLY, CONFIG_TITLE, DELIVERY_FAILED, MENU, MENU_BUTTON, MENU_SAVE_AS,
                     SAVE_FAILED, SAVE_PNG, SAVE_TITLE, TREE, TRAY_RECENT, VIEWER, TestWindow,
                     balloon_saying, click_center, controls, files_under, find_window, is_png_of, read,
                     tree_items, wait_until)
from case_support import PATTERN, SaveCase

# A range 101 pixels wide (rows that need padding in a 24-bit file) across
# the four quadrants of the test window at the desktop's corner, so that a
# picture upside down, mirrored or sheared differs from the hard copy.
QUADRANT_RANGE = ((100, 100), (201, 150))


class AutomaticSave(SaveCase):
    def test_numbers_count_up_in_todays_folder_and_match_the_history(self):
        first = self.saved_capture()
        self.assertEqual(os.path.basename(first), '000001.bmp')
        self.assertEqual(read(first), read(self.slot(1)))

        second = self.saved_capture((300, 200), (340, 260))
        self.assertEqual(os.path.basename(second), self.next_name(first, second, '000002.bmp'))
        wait_until(lambda: os.path.exists(self.slot(2)), 'the history to grow')
        self.assertEqual(read(second), read(self.slot(1)))
        self.assertEqual(read(first), read(self.slot(2)))
        self.assertEqual(harness.Bitmap(second).width, 40)
        self.assertEqual(len(self.saved_files()), 2)


class SaveDirAtCapacity(SaveCase):
    # 259 characters, the most the setting holds: the folders cannot be made.
    save = {'SaveDir': 'C:\\' + 'd' * 256}

    def test_hard_copy_still_enters_the_history(self):
        self.assertEqual(self.range_capture().width, 100)
        self.assertIsNone(self.process.poll(), 'the program keeps running')


class SaveAsDialog(SaveCase):
    save = {'IsSaveDialog': '1'}

    def open_dialog(self):
        self.range_capture(wait=False)
        return wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')

    def test_cancel_saves_nothing_but_the_history_grows(self):
        dialog = self.open_dialog()
        harness.screenshot('save-as-dialog')
        read_only = [c for c in harness.children(dialog) if c.title.startswith('読み取り専用')]
        self.assertTrue(all(not c.visible for c in read_only), 'no read-only check box')
        self.assertFalse(os.path.exists(self.slot(1)), 'the history waits for the dialog')
        harness.click_button(dialog, 'キャンセル')
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        wait_until(self.overlay_gone, 'the overlay to close')
        self.assertEqual(self.saved_files(), [])
        self.assertIsNone(find_window(title=SAVE_TITLE))

    def test_confirmed_name_gets_the_hard_copy_with_the_default_extension(self):
        self.open_dialog()
        harness.type_text(self.wine_path(os.path.join(self.save_dir, 'chosen')))
        harness.key('Return')
        wait_until(lambda: os.path.exists(self.slot(1)), 'the hard copy in the history')
        wait_until(self.overlay_gone, 'the overlay to close')
        self.assertEqual(self.saved_files(), ['chosen.bmp'])
        self.assertEqual(read(os.path.join(self.save_dir, 'chosen.bmp')), read(self.slot(1)))


class PngCase(SaveCase):
    def setUp(self):
        super().setUp()
        TestWindow(self, *PATTERN, 'pattern')

    def assert_png_of_slot_one(self, path):
        self.assertTrue(is_png_of(path, self.slot(1)), 'no pixel differs')


class PngSave(PngCase):
    save = {'SaveImageType': '1'}

    def test_png_files_number_on_after_bitmaps_and_the_viewer_saves_one(self):
        first = self.saved_capture(*QUADRANT_RANGE)
        self.assertEqual(os.path.basename(first), '000001.png')
        self.assert_png_of_slot_one(first)
        day = os.path.dirname(first)
        shutil.copy(self.slot(1), os.path.join(day, '000003.bmp'))
        second = self.saved_capture((300, 200), (340, 260))
        self.assertEqual(os.path.basename(second), self.next_name(first, second, '000004.png'))
        # the quadrants in slot 1 again, for the viewer's save
        third = self.saved_capture(*QUADRANT_RANGE)
        self.assertEqual(os.path.basename(third), self.next_name(second, third, '000005.png'))

        harness.click(*self.tray, button=3)
        viewer = wait_until(lambda: find_window(VIEWER), 'the history viewer')
        harness.click_control(viewer, MENU_BUTTON)
        harness.menu_keys(wait_until(lambda: find_window(MENU), 'the viewer menu'),
                          *(['Down'] * (MENU_SAVE_AS + 1)), 'Return')
        wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')
        harness.type_text(self.wine_path(os.path.join(self.save_dir, 'viewer')))
        harness.key('Return')
        named = os.path.join(self.save_dir, 'viewer.png')
        wait_until(lambda: os.path.exists(named), 'the PNG file from the viewer')
        self.assert_png_of_slot_one(named)
        self.assertEqual(self.saved_files(), sorted(
            [os.path.relpath(path, self.save_dir) for path in
             (first, os.path.join(day, '000003.bmp'), second, third)] + ['viewer.png']))


class PngChosenByApply(PngCase):
    def test_apply_writes_the_setting_and_an_unwritable_folder_gets_no_file(self):
        harness.key('alt+Print')
        dialog = self.message_box(CONFIG_TITLE)
        click_center(next(i for i in tree_items(dialog, TREE) if i['text'] == '保存設定'))
        wait_until(lambda: controls(dialog)[SAVE_PNG].visible, 'the save page')
        click_center(controls(dialog)[SAVE_PNG])
        wait_until(lambda: controls(dialog)[SAVE_PNG].checked, 'PNG chosen')
        dialog.press(APPLY)
        self.assertEqual(self.settings_file()['SaveAs']['SaveImageType'], '1')

        # Both days' folders read-only, on a disk with less room than the
        # bitmap would take: no file, whole or temporary, anywhere, and the
        # folder is blamed, not the disk the small PNG would have fitted.
        bitmap = os.path.join(self.save_dir, 'bitmap')
        for day in self.days_of_capture():
            folder = os.path.join(bitmap, day)
            os.makedirs(folder)
            if not (harness.mount('-t', 'tmpfs', '-o', 'size=4k', 'tmpfs', folder) and
                    harness.mount('-o', 'remount,ro', folder)):
                raise AssertionError(f'could not mount a small read-only disk at {folder}')
            self.addCleanup(harness.unmount, folder)
        before = set(files_under(self.workdir, self.temp))
        self.range_capture(*QUADRANT_RANGE)
        balloon_saying(DELIVERY_FAILED, SAVE_FAILED)
        work_files = {self.temp_file(n) for n in ('~zor_vex.bmp', '~zor_vex_background.bmp')}
        self.assertEqual(set(files_under(self.workdir, self.temp)),
                         before | work_files | {self.slot(1)})
        self.assertIsNone(self.process.poll(), 'the program keeps running')
        for day in os.listdir(bitmap):
            harness.unmount(os.path.join(bitmap, day))
        saved = self.saved_capture(*QUADRANT_RANGE)
        self.assertEqual(os.path.basename(saved), '000001.png', 'the PNG file once writable')
        self.assert_png_of_slot_one(saved)


class RecentHardCopyToEditor(SaveCase):
    save = {'SaveFormat2': '0'}

    def start(self, wait_for_tray=True):
        if not hasattr(self, 'log'):
            recorder, self.log = self.install_recorder()
            self.settings['Modify'] = {'AppPath': recorder, 'AppParam': '/e -q'}
        super().start(wait_for_tray)

    def test_recent_item_starts_the_edit_application_on_the_slot(self):
        self.range_capture()
        menu = self.open_tray_menu()
        harness.menu_keys(menu, *(['Down'] * (TRAY_RECENT + 1)), 'Right', 'Return')
        line, = self.recorded_starts(what='the edit application')
        self.assertRegex(line, r' /e -q [A-Za-z]:\\[^"]*\\~zor_vex1\.bmp$')
        self.assertNotIn('"' + '/e', line)


if __name__ == '__main__':
    harness.main()
