"""Base classes of the end-to-end tests that several files share: hard
copies by key, range selections over a test pattern, the history viewer over
prepared history files, the configuration dialog driven as a user would, and
range captures saved into a folder of the test's own."""
import os
import shutil
import tempfile
import time

import harness
from harness import (DIALOG, MENU, MENU_BUTTON, QUADRANTS, Screen, TestWindow, VIEWER,
                     click_center, find_dialog, find_window, menu_keys, probe, quadrant_color,
                     solid, tree_items, wait_menus_closed, wait_until, write_bitmap)
# (the names other files take from here)
from harness import (APPLY, CANCEL, CONFIG_TITLE as TITLE, GROUP, HELP_LIST,  # noqa: F401
                     IDNO, IDOK, IDYES, OVERLAY, QUIET, TREE)

# The configuration dialog
CAPTIONS = {'対象設定': 'ハードコピー対象設定', '保存設定': 'ハードコピー保存設定', '編集': '編集設定',
            '印刷設定': '印刷設定', '通知設定': '通知設定', 'マウスポインタ': 'マウスポインタ',
            '履歴数': '履歴数の設定', 'バックアップ': '履歴のバックアップ', 'クリア': '履歴のクリア',
            'ヘルプ': 'ヘルプ'}
# (depth, text) in tree order
TREE_ITEMS = [(0, 'ハードコピー'), (1, '対象設定'), (1, '保存設定'), (1, '編集'), (1, '履歴'),
              (2, '履歴数'), (2, 'バックアップ'), (2, 'クリア'), (0, 'オプション'), (1, '印刷設定'),
              (1, '通知設定'), (1, 'マウスポインタ'), (0, 'その他'), (1, 'ヘルプ')]
REFUSALS = {
    'no_output': '保存設定のうち、いづれか1つを指定して下さい',
    'width': '指定領域の横幅は1以上の範囲を指定して下さい',
    'height': '指定領域の縦幅は1以上の範囲を指定して下さい',
    'no_app': '編集用アプリケーションを指定して下さい',
    'too_few': '保存履歴数は3以上を設定して下さい',
}


# A folder inside the folders the browser is asked to show (see choose_folder).
INNER = 'inner'


class ConfigCase(harness.ZorvexTestCase):
    settings = {'Option': dict(QUIET)}

    def open_dialog(self, keys=('alt+Print',)):
        harness.key(*keys)
        self.dialog = wait_until(lambda: find_dialog(TITLE), 'the configuration dialog')
        wait_until(lambda: harness.controls(self.dialog).get(APPLY), 'the dialog controls')
        return self.dialog

    def controls(self):
        return harness.controls(self.dialog)

    def show_page(self, name):
        """Clicks the tree item with the given text."""
        click_center(next(i for i in tree_items(self.dialog, TREE) if i['text'] == name))
        if name in CAPTIONS:
            wait_until(lambda: self.controls()[GROUP].text == CAPTIONS[name], f'the page {name}')

    def click(self, control_id):
        control = self.controls()[control_id]
        self.assertTrue(control.visible and control.enabled, control)
        click_center(control)

    def click_and_wait(self, control_id, condition, what):
        self.click(control_id)
        return wait_until(condition, what, timeout=10)

    def type_into(self, control_id, text):
        """Clicks into a field, empties it with the keyboard and types."""
        self.click(control_id)
        harness.key('End', *(['BackSpace'] * 20))
        if text:
            harness.type_text(text)
        wait_until(lambda: self.controls()[control_id].text == text, f'{text!r} in {control_id}')

    def no_other_dialog(self):
        """No box or window of the program's (a message box, the folder
        browser) is open beside the configuration dialog."""
        return not [w for w in harness.windows() if w.visible and w.class_name == DIALOG
                    and w.title != TITLE]

    def browser(self):
        def find():
            for window in harness.windows():
                if window.class_name == DIALOG and window.visible and window.title not in (
                        TITLE, harness.ZORVEX):
                    found = harness.controls(window)
                    if any(c.text == '決定！' for c in found.values()):
                        return window, found
            return None
        return wait_until(find, 'the folder browser')

    def new_folder(self, name='zorvex-chosen-'):
        """A fresh folder right under drive C: (whose folders come and go
        only with this file's tests, where /tmp changes all the time under
        a browser that reads it), with one folder inside (see choose_folder)."""
        folder = tempfile.mkdtemp(prefix=name, dir=harness.drive_c())
        self.addCleanup(shutil.rmtree, folder, True)
        os.makedirs(os.path.join(folder, INNER))
        return folder

    def choose_folder(self, folder):
        """Selects the folder in the open browser and presses 決定！. Wine's
        browser, asked to show a path, opens the folders above it without
        selecting it, so it is asked for the inner folder, and the folder's
        own item is then selected in the browser's tree (a click on it may be
        scrolled out of sight)."""
        window, found = self.browser()
        tree = next(c for c in found.values() if c.class_name == 'SysTreeView32')

        def item_index():
            probe('browse-select', window.handle, self.wine_path(os.path.join(folder, INNER)))
            for line in probe('tree', window.handle, tree.id).splitlines():
                parts = line.rstrip('\r').split('\t')
                if len(parts) == 6 and parts[5] == os.path.basename(folder):
                    return parts[0]
            return None
        probe('tree-select', window.handle, tree.id, wait_until(item_index, 'the folder item'))
        harness.screenshot('config-folder-browser')
        harness.MessageBox(window).press(next(c.id for c in found.values() if c.text == '決定！'))

    def apply_and_close(self):
        self.click(APPLY)
        wait_until(self.dialog_closed, 'the dialog to close')

    def dialog_closed(self):
        return find_dialog(TITLE, visible=None) is None

    def refuse(self, expected_text, name=None):
        """Presses 適用, reads the refusal and dismisses it."""
        self.click(APPLY)
        box = self.message_box()
        if name:
            harness.screenshot(f'config-refusal-{name}')
        self.assertEqual(box.text, expected_text)
        self.assertEqual(box.buttons, [IDOK], 'an OK button only')
        self.assertFalse(box.has_icon, 'no icon')
        self.assertFalse(find_dialog(TITLE).enabled, 'the box is owned by the dialog')
        box.press(IDOK)
        wait_until(lambda: find_dialog(TITLE).enabled, 'the dialog enabled again')
        return box

    def ini_text(self):
        with open(self.ini_path, 'rb') as f:
            return f.read()

    def write_slots(self, numbers, size=(8, 6)):
        source = os.path.join(self.workdir, 'solid.bmp')
        write_bitmap(source, *size, solid((0xC0, 0x80, 0x40)))
        for n in numbers:
            with open(source, 'rb') as f:
                data = bytearray(f.read())
            data[-1] = n  # every slot a different file
            with open(self.slot(n), 'wb') as f:
                f.write(data)

    def existing_slots(self, upto=12):
        return [n for n in range(1, upto + 1) if os.path.exists(self.slot(n))]


class SaveCase(harness.ZorvexTestCase):
    """Range captures saved into a folder of the test's own."""
    save = {}
    save_folder_name = 'saved'

    def setUp(self):
        self.settings = {'Common': {'CopyType': '3'},
                         'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'SaveFormat3': '0',
                                    **self.save},
                         'Option': {'IsFlash': '1', 'IsCursor': '0'}}
        self.save_dir = None
        super().setUp()

    def start(self, wait_for_tray=True):
        # The save folder lives in the test's working folder, made just now.
        if self.save_dir is None:
            self.save_dir = os.path.join(self.workdir, self.save_folder_name)
            os.makedirs(self.save_dir)
            self.settings['SaveAs'].setdefault('SaveDir', self.wine_path(self.save_dir))
            self.write_settings()
        super().start(wait_for_tray)

    def saved_capture(self, start=(100, 100), end=(200, 150)):
        """A range capture saved under an automatic name: the path of the one
        new file, which is in the folder of the day of the key press or of
        the day after (a capture around midnight)."""
        before, days = set(self.saved_files()), self.days_of_capture()
        self.range_capture(start, end)
        new = wait_until(lambda: set(self.saved_files()) - before, 'the saved file')
        self.assertEqual(len(new), 1, new)
        folder, day, _ = new.pop().split(os.sep)
        self.assertEqual(folder, 'bitmap')
        self.assertIn(day, days)
        return os.path.join(self.save_dir, folder, day, _)

    @staticmethod
    def days_of_capture():
        """The names of the day folders a capture starting now may use."""
        now = time.time()
        return {time.strftime('%Y%m%d', time.localtime(now + seconds)) for seconds in (0, 120)}

    @staticmethod
    def next_name(previous, path, expected):
        """The name expected for the file after `previous`: `expected` in the
        same day's folder, the first of the day in the next day's."""
        if os.path.dirname(previous) == os.path.dirname(path):
            return expected
        return '000001' + os.path.splitext(expected)[1]


# Hard copies by key

class CaptureCase(harness.ZorvexTestCase):
    def assert_shows_test_window(self, bitmap, target, origin):
        """The test window's quadrants and client corners are in the hard
        copy at their places, and it agrees with the screen around them."""
        target.assert_in(bitmap, origin)
        screen = Screen()
        ox, oy = origin
        left, top = target.client_origin
        width, height = target.client_size
        mismatches = [(x, y) for y in range(top + 2, top + height - 2, 17)
                      for x in range(left + 2, left + width - 2, 23)
                      if bitmap.pixel(x - ox, y - oy) != screen.pixel(x, y)]
        self.assertEqual(mismatches, [])


# Range selections

# The test pattern at the desktop's corner: its quadrant borders cross the
# selection of the drag from (100, 100) to (200, 150).
PATTERN = (0, 0, 300, 240)


class RangeCase(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '3'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0'}}
    pattern = PATTERN

    def setUp(self):
        super().setUp()
        TestWindow(self, *self.pattern, 'pattern')
        # Park the pointer away from the area under test.
        harness.move_mouse(700, 500)

    def assert_same_pixels(self, bitmap, screen, left, top):
        wrong = [(x, y) for y in range(bitmap.height) for x in range(bitmap.width)
                 if bitmap.pixel(x, y) != screen.pixel(left + x, top + y)]
        self.assertEqual(wrong[:5], [], f'{len(wrong)} pixels differ from the screen')


# The history viewer

TITLE_GREY = (0x7F, 0x7F, 0x7F)
# Where the 200 x 100 quadrant picture goes in the viewer's client area, for
# the client sizes the tests meet (the preset size, maximised on the
# 1280 x 800 desktop, and the preset size at 150 %): the paper lies below the
# bar (50 pixels, 75 at 150 %) with a margin (10 pixels, 15 at 150 %); the
# picture, wider in proportion than the paper, is 90 % of the paper's width
# (rounded down) and half that high, centred on it.
PAGE_IMAGE = {(504, 655): (34, 244, 469, 461), (1280, 761): (73, 122, 1207, 689),
              (759, 986): (51, 366, 707, 694)}


class ViewerTestCase(harness.ZorvexTestCase):
    """Prepares history files before the program starts."""

    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30'}}
    start_program = False
    # slot number (1-based) -> (width, height, color function)
    history = {1: (200, 100, quadrant_color(200, 100)), 2: (64, 48, solid((0, 0, 0)))}

    def setUp(self):
        super().setUp()
        for number, (width, height, color_at) in self.history.items():
            write_bitmap(self.slot(number), width, height, color_at)
        self.start()

    def viewer(self):
        return find_window(VIEWER)

    def open_by_tray(self):
        harness.click(*self.tray, button=3)
        return wait_until(self.viewer, 'the history viewer')

    def caption(self):
        viewer = self.viewer()
        return viewer.title if viewer else ''

    def wait_caption(self, prefix):
        return wait_until(lambda: self.caption().startswith(prefix) and self.caption(),
                          f'the caption {prefix!r}')

    def client_origin(self, viewer):
        """Screen position of the client area, found from the "印刷" button at (4, 3)."""
        button = harness.child(viewer, harness.PRINT_BUTTON)
        return button.rect[0] - 4, button.rect[1] - 3

    def assert_page_shows_quadrants(self, viewer, origin):
        """The quadrant picture where PAGE_IMAGE puts it for the viewer's
        client size; returns the screen."""
        self.assertIn(viewer.client_size, PAGE_IMAGE)
        image_rect = PAGE_IMAGE[viewer.client_size]
        ox, oy = origin
        left, top, right, bottom = (image_rect[0] + ox, image_rect[1] + oy, image_rect[2] + ox,
                                    image_rect[3] + oy)
        qw, qh = (right - left) // 4, (bottom - top) // 4
        screen = wait_until(lambda: (lambda s: s if s.pixel(left + qw, top + qh) == QUADRANTS[0]
                                     else None)(Screen()), 'the hard copy on the page')
        self.assertEqual(screen.pixel(right - qw, top + qh), QUADRANTS[1])
        self.assertEqual(screen.pixel(left + qw, bottom - qh), QUADRANTS[2])
        self.assertEqual(screen.pixel(right - qw, bottom - qh), QUADRANTS[3])
        # The blue quadrant reaches the image's left and bottom edges, no further.
        self.assertEqual(screen.pixel(left + 1, bottom - 2), QUADRANTS[2])
        self.assertEqual(screen.pixel(left - 2, bottom - 2), (255, 255, 255))
        self.assertEqual(screen.pixel(left + 1, bottom + 1), (255, 255, 255))
        return screen

    # (the names the viewer's tests give harness.click_control)
    press_button = click_control = staticmethod(harness.click_control)

    def click_page(self, viewer):
        """A left click on the paper, as a user does before typing to a window."""
        x, y = self.client_origin(viewer)
        harness.click(x + 12, y + 62)

    def open_menu(self, viewer):
        harness.click_control(viewer, MENU_BUTTON)
        return wait_until(lambda: find_window(MENU), 'the viewer menu')

    def choose(self, viewer, index, *extra):
        """Chooses the index-th selectable item of the viewer menu (MENU_COPY,
        ...) by keyboard."""
        menu = self.open_menu(viewer)
        menu_keys(menu, *(['Down'] * (index + 1)), *extra, 'Return')
        wait_menus_closed()
