"""The program on a screen of a given DPI (ZORVEX_DPI, 96 unless set; the
suite runs this file at 96 and at 144): hard copies are the screen's real
pixels, and the program's own windows are laid out in proportion to the DPI,
with the 96-DPI figures unchanged. Screenshots of every window are left in
the artifacts folder as dpi<N>-*.png."""
import os
import unittest

import harness
from harness import (ABOUT_TITLE, APPLY, CANCEL, CLOSE_BUTTON as VIEWER_CLOSE, GROUP, HELP_LIST,
                     HOTKEY_EDIT_BUTTON as HOTKEY_EDIT, HOTKEY_EDIT_TITLE, HOTKEY_LIST,
                     HOTKEY_LIST_TITLE, PRINT_BUTTON as VIEWER_PRINT, QUIET, TRAY_HOTKEYS,
                     TRAY_VERSION, TREE, VIEWER, Bitmap, ListView, Screen, TestWindow, WindowWatch,
                     click_center, complete_bitmap, controls, find_dialog, find_window,
                     key, quadrant_color, screen_metrics, wait_until)
from case_support import CaptureCase, ConfigCase, ViewerTestCase

DPI = int(os.environ.get('ZORVEX_DPI', '96'))
# A 150 % screen gets a desktop large enough for windows scaled to it.
DESKTOP = harness.DEFAULT_DESKTOP if DPI == 96 else '1920x1080'
ABOUT_FILES, ABOUT_LINK, ABOUT_CLOSE = 1056, 1078, 1004
COPY_DESKTOP, AREA_TOP = 1024, 1094


# The design's figures (96 DPI) and what they are at 150 %, worked out by
# hand: edges are scaled, and half a pixel rounds away from zero.
AT_144 = {3: 5, 4: 6, 10: 15, 12: 18, 50: 75, 70: 105, 100: 150, 120: 180, 130: 195,
          300: 450, 350: 525, 390: 585, 510: 765, 570: 855, 680: 1020}
BOXES_AT_144 = {(203, 12, 350, 286): (305, 18, 525, 429), (220, 40, 300, 18): (330, 60, 450, 27),
                (420, 233, 40, 15): (630, 350, 60, 22), (220, 40, 315, 240): (330, 60, 473, 360),
                (4, 3, 80, 22): (6, 5, 120, 33), (325, 3, 70, 44): (488, 5, 105, 66)}


def scaled(value):
    """A figure of the design at the DPI under test."""
    return value if DPI == 96 else AT_144[value]


def scaled_box(x, y, width, height):
    """An (x, y, width, height) rectangle of the design at the DPI under test."""
    return (x, y, width, height) if DPI == 96 else BOXES_AT_144[(x, y, width, height)]


def shot(name):
    return harness.screenshot(f'dpi{DPI}-{name}')


def list_columns(window, list_id):
    return ListView(harness.child(window, list_id).handle).widths


def outside(window, found, ids=None):
    """The controls (all, or those of ids) that reach past the window's client area."""
    client_width, client_height = window.client_size
    return [control_id for control_id, control in found.items()
            if (ids is None or control_id in ids)
            and (control.rect[0] + control.rect[2] > client_width
                 or control.rect[1] + control.rect[3] > client_height)]


class DpiCase(harness.ZorvexTestCase):
    screen_dpi = DPI
    desktop_size = DESKTOP

    def setUp(self):
        super().setUp()
        self.assertEqual(screen_metrics()['dpi'], (DPI,), 'the screen runs at the DPI under test')


class Captures(DpiCase, CaptureCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': QUIET}

    def test_desktop_and_window_hard_copies_have_the_real_sizes_and_pixels(self):
        target = TestWindow(self, 260, 180, 420, 310)
        desktop = self.capture('Print')
        width, height = screen_metrics()['screen']
        self.assertEqual((width, height), tuple(int(v) for v in DESKTOP.split('x')))
        self.assertEqual((desktop.width, desktop.height), (width, height))
        self.assert_shows_test_window(desktop, target, (0, 0))

        harness.activate(target)
        outer = self.capture('ctrl+Print')
        self.assertEqual((outer.width, outer.height), target.outer_size)
        self.assert_shows_test_window(outer, target, target.window.rect[:2])

        client = self.capture('ctrl+alt+Print')
        self.assertEqual((client.width, client.height), target.client_size)
        self.assert_shows_test_window(client, target, target.client_origin)

    def test_a_drag_copies_exactly_the_pixels_under_it(self):
        TestWindow(self, 0, 0, 500, 400, title='pattern')
        harness.move_mouse(900, 600)
        before = Screen()
        copy = self.range_capture((100, 100), (400, 250))
        self.assertEqual((copy.width, copy.height), (300, 150))
        wrong = [(x, y) for y in range(0, 150, 3) for x in range(0, 300, 3)
                 if copy.pixel(x, y) != before.pixel(100 + x, 100 + y)]
        self.assertEqual(wrong[:5], [], f'{len(wrong)} sampled pixels differ from the screen')
        colors = {copy.pixel(x, y) for y in range(0, 150, 5) for x in range(0, 300, 5)}
        self.assertGreaterEqual(len(colors), 3, 'the selection crosses the pattern quadrants')


class CopiedNotice(DpiCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': QUIET}

    def test_the_notice_shows_its_whole_text(self):
        picture = os.path.join(self.workdir, 'notice.bmp')
        watch = WindowWatch(self, *harness.NOTICE, 'layout', self.wine_path(picture))
        key('Print')
        wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        self.assertIsNotNone(watch.stop(shown=True), 'the notice was seen')
        lines = watch.report()
        client_width, client_height = (int(v) for v in lines[0].split('\t')[1].split(','))
        labels = {}
        for line in lines[1:]:
            _, rect, text = line.split('\t', 2)
            x, y, w, h = (int(v) for v in rect.split(','))
            labels[text] = (x, y, w, h)
            self.assertGreaterEqual(min(x, y), 0, f'{text!r} inside the notice')
            self.assertLessEqual(x + w, client_width, f'{text!r} inside the notice')
            self.assertLessEqual(y + h, client_height, f'{text!r} inside the notice')
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        harness.run(['convert', picture, os.path.join(harness.ARTIFACTS, f'dpi{DPI}-notice.png')])

        # The text stands on one line: its dark pixels are one band of rows,
        # several times wider than tall (wrapped, a second line would show).
        x, y, w, h = labels['コピーしました']
        image = Bitmap(picture)
        border = (image.width - client_width) // 2
        ox, oy = border, image.height - border - client_height
        dark = [(px, py) for py in range(y, y + h) for px in range(x, x + w)
                if sum(image.pixel(ox + px, oy + py)) < 300]
        self.assertTrue(dark, 'the text is drawn')
        rows = sorted({py for _, py in dark})
        self.assertEqual(rows, list(range(rows[0], rows[-1] + 1)), 'one line of text')
        text_width = max(px for px, _ in dark) - min(px for px, _ in dark) + 1
        self.assertGreaterEqual(text_width, 5 * len(rows), 'the whole text on one line')


class ConfigDialog(DpiCase, ConfigCase):
    def test_the_dialog_and_its_controls_scale_with_the_dpi(self):
        dialog = self.open_dialog()
        found = self.controls()
        left, top, right, bottom = dialog.rect
        self.assertEqual(right - left, scaled(570))
        # 390 in proportion, or taller where the dialog font's units need it
        self.assertGreaterEqual(bottom - top, scaled(390))
        self.assertEqual(outside(dialog, found, (TREE, APPLY, CANCEL)), [])
        self.assertEqual(found[GROUP].rect, scaled_box(203, 12, 350, 286))
        for control_id, box in ((COPY_DESKTOP, (220, 40, 300, 18)),
                                (AREA_TOP, (420, 233, 40, 15)),
                                (HELP_LIST, (220, 40, 315, 240))):
            self.assertEqual(found[control_id].rect, scaled_box(*box), control_id)
        self.assertEqual(list_columns(dialog, HELP_LIST), [scaled(130), scaled(350)])
        for page, name in (('対象設定', 'target'), ('保存設定', 'save'), ('ヘルプ', 'help')):
            self.show_page(page)
            shown = {i: c for i, c in self.controls().items() if c.visible and i != GROUP}
            self.assertEqual(outside(dialog, shown), [], page)
            shot(f'config-{name}')


class Viewer(DpiCase, ViewerTestCase):
    history = {1: (200, 100, quadrant_color(200, 100))}

    def test_preset_buttons_and_page_scale_and_the_page_shows_the_hard_copy(self):
        self.open_by_tray()
        viewer = wait_until(lambda: (lambda v: v if v and v.title.startswith('1枚目( 200 x 100 ) ')
                                     else None)(find_window(VIEWER)), 'the viewer on slot 1')
        self.assertEqual(viewer.size, (scaled(510), scaled(680)))
        print_button, close_button = (harness.child(viewer, control_id)
                                      for control_id in (VIEWER_PRINT, VIEWER_CLOSE))
        ox, oy = print_button.rect[0] - scaled(4), print_button.rect[1] - scaled(3)
        for button, box in ((print_button, (4, 3, 80, 22)), (close_button, (325, 3, 70, 44))):
            x, y, w, h = scaled_box(*box)
            self.assertEqual(button.rect, (ox + x, oy + y, ox + x + w, oy + y + h), button.title)

        margin, bar = scaled(10), scaled(50)
        screen = self.assert_page_shows_quadrants(viewer, (ox, oy))
        # the paper's outline where the scaled margin puts it, below the bar
        self.assertEqual(screen.pixel(ox + margin, oy + bar + margin + 40), (0, 0, 0))
        self.assertEqual(screen.pixel(ox + margin + 3, oy + bar + margin + 40), (255, 255, 255))
        shot('viewer')


class AboutDialog(DpiCase):
    settings = {'Option': dict(QUIET)}

    def test_the_about_dialog_columns_and_link_scale(self):
        self.choose_tray_item(TRAY_VERSION)
        dialog = wait_until(lambda: find_dialog(ABOUT_TITLE), 'the About dialog')
        wait_until(lambda: len(list_columns(dialog, ABOUT_FILES)) == 3, 'the file list')
        shot('about')
        self.assertEqual(list_columns(dialog, ABOUT_FILES), [scaled(100), scaled(100), scaled(120)])
        found = controls(dialog)
        self.assertEqual(outside(dialog, found, (ABOUT_FILES, ABOUT_LINK, ABOUT_CLOSE)), [])
        link = found[ABOUT_LINK]
        x, y, w, h = link.screen[0], link.screen[1], link.rect[2], link.rect[3]
        blue = Screen().find_color((0, 0, 255), (x, y, x + w, y + h))
        self.assertTrue(blue, 'the link text is drawn in blue')
        # the text is as tall as its font, 12 pixels at 96 DPI in proportion
        rows = {py for _, py in blue}
        self.assertGreaterEqual(max(rows) - min(rows) + 1, scaled(12) // 2)
        self.assertLessEqual(max(rows) - min(rows) + 1, scaled(12) + 2)


class LauncherDialogs(DpiCase):
    settings = {'Option': dict(QUIET)}

    def test_the_launcher_list_columns_scale_and_both_dialogs_fit(self):
        self.choose_tray_item(TRAY_HOTKEYS)
        dialog = wait_until(lambda: find_dialog(HOTKEY_LIST_TITLE), 'the hot-key list')
        wait_until(lambda: len(list_columns(dialog, HOTKEY_LIST)) == 4, 'the hot-key list rows')
        self.assertEqual(list_columns(dialog, HOTKEY_LIST),
                         [scaled(70), scaled(70), scaled(300), scaled(300)])
        shot('launchers')
        click_center(controls(dialog)[HOTKEY_EDIT])
        edit = wait_until(lambda: find_dialog(HOTKEY_EDIT_TITLE), 'the hot-key edit dialog')
        self.assertEqual(outside(edit, controls(edit)), [])
        shot('launcher-edit')
        harness.key('Escape')
        wait_until(lambda: find_dialog(HOTKEY_EDIT_TITLE) is None, 'the edit dialog to close')


# At 96 DPI the hard copies and the configuration dialog's layout are the
# ones test_capture, test_range and test_config check; only a scaled screen
# runs them here.
SCALED_ONLY = (Captures, ConfigDialog)


def load_tests(loader, tests, pattern):
    suite = unittest.TestSuite()
    for case in (Captures, CopiedNotice, ConfigDialog, Viewer, AboutDialog, LauncherDialogs):
        if DPI != 96 or case not in SCALED_ONLY:
            suite.addTests(loader.loadTestsFromTestCase(case))
    return suite


if __name__ == '__main__':
    harness.main()
