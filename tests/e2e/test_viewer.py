"""The history viewer, driven by real input: opening, stepping, sizes, its
menu commands and the page it draws."""
import os

import harness
from harness import (CLOSE_BUTTON, IDNO, IDYES, MENU, MENU_COPY, MENU_DELETE, MENU_SIZE,
                     MENU_TITLE, QUADRANTS, SAVE_TITLE, TITLE_FIELD, TITLE_OK, WindowWatch,
                     assert_never, children, click, click_control, find_window, is_png_of, key,
                     menu_keys, probe, probe_rows, solid, wait_menus_closed, wait_until)
from case_support import TITLE_GREY, ViewerTestCase


class Opening(ViewerTestCase):
    def test_tray_right_click_opens_slot_one_at_preset_size_with_its_pixels(self):
        viewer = self.open_by_tray()
        self.assertEqual(viewer.size, (510, 680))
        caption = self.wait_caption('1枚目( 200 x 100 ) ')
        self.assertTrue(caption.endswith(' - ZORVEX (履歴)'), caption)
        self.assertRegex(caption, r'^1枚目\( 200 x 100 \) \d{4}/\d\d/\d\d \d\d:\d\d:\d\d - ')
        self.assertEqual([c.title for c in children(viewer)],
                         ['印刷', 'メニュー', '<<<', '<<', '<', '>', '>>', '>>>', '閉じる'])

        width, height = viewer.client_size
        ox, oy = self.client_origin(viewer)
        screen = self.assert_page_shows_quadrants(viewer, (ox, oy))
        # Paper with its outline and the shadow.
        self.assertEqual(screen.pixel(ox + 10, oy + 100), (0, 0, 0))
        self.assertEqual(screen.pixel(ox + width - 7, oy + height - 7), (0, 0, 0))
        self.assertEqual(screen.pixel(ox + 20, oy + 70), (255, 255, 255))

    def test_right_click_menu_only_below_the_button_bar_and_esc_closes(self):
        viewer = self.open_by_tray()
        ox, oy = self.client_origin(viewer)
        click(ox + 450, oy + 30, button=3)  # on the bar, beside the buttons
        assert_never(lambda: find_window('#32768'), 2.0, 'a menu from the bar')
        click(ox + 200, oy + 300, button=3)
        menu = wait_until(lambda: find_window('#32768'), 'the viewer menu')
        self.assertEqual(menu.rect[:2], (ox + 200, oy + 300))
        menu_keys(menu, 'Escape')
        wait_until(lambda: find_window('#32768') is None, 'the menu to close')
        key('Escape')
        wait_until(lambda: self.viewer() is None, 'the viewer to close')


class Stepping(ViewerTestCase):
    history = {n: (40 + n, 30, solid((n * 8, 0, 0))) for n in (1, 2, 3, 12, 13, 29, 30)}

    def focus(self, viewer):
        return int(probe('focus', viewer.handle).split()[3])  # active N, focus N

    def test_arrow_keys_step_through_the_history_after_another_window_was_in_front(self):
        key('ctrl+alt+F10')
        viewer = wait_until(self.viewer, 'the history viewer')
        self.wait_caption('1枚目( 41 x 30 ) ')
        menu_button = harness.child(viewer, 1076)
        wait_until(lambda: self.focus(viewer) == menu_button.handle, 'the focus on "メニュー"')
        # Away to another window and back, as a user does; no click on the viewer.
        other = harness.TestWindow(self, 700, 100, 200, 150)
        wait_until(lambda: probe('foreground').startswith(f'{other.handle}\t'), 'the other window in front')
        probe('activate', viewer.handle)
        wait_until(lambda: self.focus(viewer) == menu_button.handle, 'the focus back on "メニュー"')
        harness.screenshot('viewer-focus-back')
        key('Left')  # nothing before the newest
        assert_never(lambda: not self.caption().startswith('1枚目( 41 x 30 ) '), 1.5,
                     'a step before the newest')
        key('Right')
        self.wait_caption('2枚目( 42 x 30 ) ')
        key('ctrl+Right')
        self.wait_caption('12枚目( 52 x 30 ) ')
        key('ctrl+Right')
        self.wait_caption('22枚目( 履歴なし ) - ZORVEX (履歴)')
        key('ctrl+shift+Right')
        self.wait_caption('30枚目( 70 x 30 ) ')
        key('Right')
        key('Left')
        self.wait_caption('29枚目( 69 x 30 ) ')
        key('ctrl+Left')
        self.wait_caption('19枚目( 履歴なし ) ')
        key('ctrl+shift+Left')
        self.wait_caption('1枚目( 41 x 30 ) ')


class MenuCommands(ViewerTestCase):
    def checked_rows(self, submenu, rows):
        """The rows of a popup menu with a dark check mark in the left margin."""
        screen = harness.Screen()
        left, top, right, bottom = submenu.rect
        row_height = (bottom - top - 6) / rows
        marked = []
        for row in range(rows):
            y0 = int(top + 3 + row * row_height)
            dark = [1 for y in range(y0 + 2, int(y0 + row_height) - 2)
                    for x in range(left + 3, left + 16) if sum(screen.pixel(x, y)) < 150]
            if dark:
                marked.append(row)
        return marked

    def test_size_preset_resizes_centres_checks_and_is_remembered(self):
        viewer = self.open_by_tray()
        self.choose(viewer, MENU_SIZE, 'Right', 'Down')  # "横：大"
        wait_until(lambda: self.viewer().size == (800, 600), 'the 800 x 600 viewer')
        left, top, right, bottom = harness.screen_metrics()['work']
        viewer = self.viewer()
        self.assertEqual(viewer.rect[:2], (left + (right - left - 800) // 2,
                                           top + (bottom - top - 600) // 2))
        self.assertEqual(self.settings_file()['Others']['OnesWinStyle'], '2')
        self.assertTrue(self.caption().startswith('1枚目( 200 x 100 ) '))

        menu = self.open_menu(viewer)
        menu_keys(menu, *(['Down'] * (MENU_SIZE + 1)), 'Right')
        submenu = wait_until(lambda: next((w for w in harness.windows() if w.visible and
                                           w.class_name == MENU and w.handle != menu.handle),
                                          None), 'the size submenu')
        harness.screenshot('viewer-size-submenu')
        self.assertEqual(self.checked_rows(submenu, 6), [1])
        menu_keys(menu, 'Escape', 'Escape')
        wait_menus_closed()

        click_control(viewer, CLOSE_BUTTON)
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        others = self.settings_file()['Others']
        self.assertEqual((int(others['OnesLeft']), int(others['OnesTop'])), viewer.rect[:2])

    def test_copy_puts_the_slot_bitmap_on_the_clipboard_or_says_it_is_held(self):
        viewer = self.open_by_tray()
        holder = self.helper('hold-clipboard', '3000', ready='holding')
        notice = WindowWatch(self)
        self.choose(viewer, MENU_COPY)
        harness.balloon_saying(harness.DELIVERY_FAILED, harness.CLIPBOARD_HELD)
        self.assertIsNone(notice.stop(), 'no copied notice')
        holder.rest(timeout=15)
        self.choose(viewer, MENU_COPY)
        bitmap = wait_until(lambda: (lambda b: b if not isinstance(b, str) else None)(
            harness.clipboard_bitmap(self)), 'a bitmap on the clipboard')
        self.assertEqual((bitmap.width, bitmap.height), (200, 100))
        for (x, y), color in zip([(50, 25), (150, 25), (50, 75), (150, 75)], QUADRANTS):
            self.assertEqual(bitmap.pixel(x, y), color)
        wait_until(lambda: self.viewer() and self.viewer().enabled, 'the viewer enabled again')

    def test_delete_asks_and_only_yes_deletes_that_slot(self):
        viewer = self.open_by_tray()
        self.click_page(viewer)
        key('Right')
        self.wait_caption('2枚目( 64 x 48 ) ')

        self.choose(viewer, MENU_DELETE)
        box = self.message_box()
        self.assertEqual(box.text, 'ハードコピーを削除します。よろしいですか？')
        self.assertTrue(box.has_icon, 'the question needs its icon')
        self.assertEqual(box.buttons, [IDYES, IDNO])
        self.assertEqual(box.default, IDNO)
        key('Return')
        box.wait_closed()
        assert_never(lambda: not os.path.exists(self.slot(2)) or
                     not self.caption().startswith('2枚目( 64 x 48 ) '), 1.5,
                     'slot 2 deleted after No')

        self.choose(viewer, MENU_DELETE)
        self.message_box().press(IDYES)
        self.wait_caption('2枚目( 履歴なし ) - ZORVEX (履歴)')
        self.assertFalse(os.path.exists(self.slot(2)))
        self.assertTrue(os.path.exists(self.slot(1)))
        self.open_tray_menu()  # the rebuilt tray menu still opens
        harness.click(*self.tray)

    def test_title_from_dialog_is_drawn_on_the_page(self):
        viewer = self.open_by_tray()
        ox, oy = self.client_origin(viewer)
        width = viewer.client_size[0]
        region = (ox + 20, oy + 62, ox + width - 20, oy + 80)
        self.assertEqual(harness.Screen().find_color(TITLE_GREY, region), [])

        self.choose(viewer, MENU_TITLE)
        dialog = self.message_box(control=TITLE_FIELD)
        self.assertEqual([c.title for c in children(dialog) if c.class_name == 'Button'],
                         ['OK(&S)', 'キャンセル(&E)'])
        click_control(dialog, TITLE_FIELD)
        harness.type_text('HARD COPY TITLE')
        click_control(dialog, TITLE_OK)
        dialog.wait_closed()
        hits = wait_until(lambda: harness.Screen().find_color(TITLE_GREY, region),
                          'the grey title on the page')
        xs = [x for x, _ in hits]
        self.assertLess(abs((min(xs) + max(xs)) // 2 - (ox + (width - 20) // 2)), 6)
        self.assertGreaterEqual(min(y for _, y in hits), oy + 64)
        harness.screenshot('viewer-title')


# CF_DIB, and what the system makes of it by itself (CF_BITMAP, CF_PALETTE,
# CF_DIBV5), listed after what was placed.
CF_DIB, SYNTHESIZED = '8', {'2', '9', '17'}


class ClipboardPng(ViewerTestCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '1', 'IsSaveDialog': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '30'}}

    def assert_clipboard_holds(self, bitmap, what):
        """The bitmap first and the PNG beside it, and the PNG, as a Windows
        program and an X program paste it, is the bitmap file's picture."""
        formats = [row[0] for row in probe_rows('clipboard-formats')]
        self.assertEqual(formats[:2], [CF_DIB, 'PNG'], what)
        self.assertLessEqual(set(formats[2:]), SYNTHESIZED, what)
        pasted = os.path.join(self.workdir, 'pasted.png')
        self.assertEqual(probe('clipboard-png', self.wine_path(pasted)).strip(), 'png', what)
        self.assertTrue(is_png_of(pasted, bitmap), what)
        _, targets = harness.run(['xclip', '-selection', 'clipboard', '-t', 'TARGETS', '-o'])
        self.assertIn('image/png', targets.decode().split(), what)
        _, png = harness.run(['xclip', '-selection', 'clipboard', '-t', 'image/png', '-o'])
        with open(pasted, 'wb') as f:
            f.write(png)
        self.assertTrue(is_png_of(pasted, bitmap), f'{what}, pasted outside Wine')

    def copy_in_viewer(self, viewer):
        sequence = probe('clipboard-sequence')
        self.choose(viewer, MENU_COPY)
        wait_until(lambda: probe('clipboard-sequence') != sequence, 'the viewer\'s copy')
        wait_until(lambda: self.viewer() and self.viewer().enabled, 'the copied notice to close')

    def test_a_hard_copy_pastes_as_png_from_the_capture_the_viewer_and_after_the_end(self):
        key('Print')
        # pasted while the capture waits in its Save As dialog
        dialog = wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')
        self.assert_clipboard_holds(self.temp_file('~zor_vex.bmp'), 'PrintScreen')
        harness.click_button(dialog, 'キャンセル')
        viewer = self.open_by_tray()  # once the capture is over
        self.click_page(viewer)
        key('Right')
        self.wait_caption('2枚目( 200 x 100 ) ')
        self.copy_in_viewer(viewer)
        self.assert_clipboard_holds(self.slot(2), 'the viewer\'s copy of slot 2')
        # copied again and pasted by nobody: the end renders the PNG
        self.copy_in_viewer(viewer)
        self.click_page(viewer)
        key('Escape')
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        self.choose_tray_item(0)  # "終了"
        self.assertEqual(self.process.wait(timeout=30), 0)
        self.assert_clipboard_holds(self.slot(2), 'after the program ended')


if __name__ == '__main__':
    harness.main()
