"""Hard copies through real key presses: the desktop, its work area, the
active window with and without frame, the fixed area, the clipboard, the
saved file, the history rotation, the pointer and the feedback windows."""
import glob
import hashlib
import os

import harness
from harness import Bitmap, Screen, find_window, probe, wait_until
from capture_support import (BLUE, GREEN, RED, WHITE, TestWindow, complete_bitmap, invert,
                             press_and_catch, screen_metrics)
from case_support import CaptureCase

QUIET = {'IsFlash': '1', 'IsCursor': '0'}


class DesktopCapture(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_print_screen_files_the_desktop_and_fills_the_clipboard(self):
        target = TestWindow(self, 200, 150, 400, 300)
        probe('clear-clipboard')
        bitmap = self.capture('Print')
        width, height = screen_metrics()['screen']
        self.assertEqual((bitmap.width, bitmap.height), (width, height))
        self.assertGreater(bitmap.height, 0, 'rows are stored bottom-up')
        self.assertEqual(bitmap.size_image, bitmap.stride * height)
        self.assertEqual(len(bitmap.data), bitmap.off_bits + bitmap.size_image)
        self.assert_shows_test_window(bitmap, target, (0, 0))

        dump = os.path.join(self.workdir, 'clipboard.bmp')
        w, h, _ = probe('clipboard', self.wine_path(dump)).split('\t')
        self.assertEqual((int(w), int(h)), (width, height))
        clip = Bitmap(dump)
        (x, y), color = target.quadrant_points()[3]
        self.assertEqual(clip.pixel(x, y), color)

        self.assertFalse(os.path.exists(self.slot(2)), 'the first capture fills slot 1 only')
        with open(self.temp_file('~zor_vex.bmp'), 'rb') as f:
            self.assertEqual(f.read(), bitmap.data, 'the work file stays beside slot 1')


class WorkAreaCapture(CaptureCase):
    settings = {'Common': {'CopyType': '0', 'IsExtraArea': '1'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': QUIET}

    def test_extra_area_leaves_the_taskbar_out(self):
        target = TestWindow(self, 200, 150, 400, 300)
        bitmap = self.capture('Print')
        left, top, right, bottom = screen_metrics()['work']
        _, screen_height = screen_metrics()['screen']
        self.assertLess(bottom - top, screen_height, 'the desktop has a taskbar')
        self.assertEqual((bitmap.width, bitmap.height), (right - left, bottom - top))
        self.assert_shows_test_window(bitmap, target, (left, top))


class SaveWithoutClipboard(CaptureCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '0'},
                'Option': QUIET}

    def setUp(self):
        self.save_dir = None
        super().setUp()

    def start(self, wait_for_tray=True):
        self.settings = dict(self.settings)
        self.settings['SaveAs'] = dict(self.settings['SaveAs'],
                                       SaveDir=self.wine_path(self.workdir))
        with open(self.ini_path, 'wb') as f:
            f.write(harness.encode_ini(self.settings))
        super().start(wait_for_tray)

    def test_saved_file_equals_the_hard_copy_and_the_clipboard_stays_empty(self):
        TestWindow(self, 200, 150, 400, 300)
        probe('clear-clipboard')
        bitmap = self.capture('Print')
        saved = wait_until(lambda: glob.glob(os.path.join(self.workdir, 'bitmap', '*',
                                                          '000001.bmp')),
                           'the saved hard copy')
        wait_until(lambda: complete_bitmap(saved[0]), 'the saved file to be complete')
        with open(saved[0], 'rb') as f:
            self.assertEqual(f.read(), bitmap.data)
        self.assertEqual(probe('clipboard', self.wine_path(os.path.join(self.workdir, 'c.bmp')))
                         .strip(), 'none')


class ActiveWindowCapture(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_ctrl_print_screen_takes_the_outer_and_ctrl_alt_the_client_area(self):
        target = TestWindow(self, 260, 180, 420, 310)
        outer = self.capture('ctrl+Print')
        self.assertEqual((outer.width, outer.height), target.outer_size)
        left, top, _, _ = target.window.rect
        self.assert_shows_test_window(outer, target, (left, top))

        client = self.capture('ctrl+alt+Print', previous=outer.data)
        self.assertEqual((client.width, client.height), target.client_size)
        self.assert_shows_test_window(client, target, target.client_origin)
        width, height = target.client_size
        for (x, y), color in (((1, 1), RED), ((width - 2, 1), GREEN), ((1, height - 2), BLUE),
                              ((width - 2, height - 2), WHITE)):
            self.assertEqual(client.pixel(x, y), color, (x, y))
        self.assertEqual(Bitmap(self.slot(2)).data, outer.data, 'the outer copy moved to slot 2')


    def test_a_window_over_the_target_is_copied_as_the_screen_shows_it(self):
        target = TestWindow(self, 260, 180, 420, 310)
        previous = None
        # A fresh cover for each copy: Wine puts the target back over it after a capture.
        for keys, size, origin in (('ctrl+Print', target.outer_size, target.window.rect[:2]),
                                   ('ctrl+alt+Print', target.client_size, target.client_origin)):
            cover = TestWindow(self, 300, 230, 160, 120, 'cover', 'topmost', 'noactivate')
            (x, y), color = cover.quadrant_points()[1]
            screen = wait_until(lambda: (lambda s: s.pixel(x, y) == color and s)(Screen()),
                                'the cover over the target')
            copy = self.capture(keys, previous=previous)
            previous = copy.data
            cover.close()
            self.assertEqual((copy.width, copy.height), size)
            # the cover's quadrants over the target's red one, and the target's other three
            for (x, y), color in cover.quadrant_points() + target.quadrant_points()[1:]:
                self.assertEqual(copy.pixel(x - origin[0], y - origin[1]), color, (keys, x, y))
            wrong = [(x, y) for y in range(0, copy.height, 9) for x in range(0, copy.width, 9)
                     if copy.pixel(x, y) != screen.pixel(origin[0] + x, origin[1] + y)]
            self.assertEqual(wrong[:5], [], keys)

class FixedAreaCapture(CaptureCase):
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '250', 'AutoTop': '230',
                           'AutoRight': '470', 'AutoBottom': '361'},
                'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_print_screen_takes_the_configured_area(self):
        TestWindow(self, 200, 150, 400, 300)
        bitmap = self.capture('Print')
        self.assertEqual((bitmap.width, bitmap.height), (220, 131))
        screen = Screen()
        for x, y in ((0, 0), (219, 0), (0, 130), (219, 130), (110, 65), (140, 100)):
            self.assertEqual(bitmap.pixel(x, y), screen.pixel(250 + x, 230 + y), (x, y))


class FixedAreaOutsideTheScreen(CaptureCase):
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '100', 'AutoTop': '100',
                           'AutoRight': '1281', 'AutoBottom': '300'},
                'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_an_area_one_pixel_too_wide_gives_the_whole_surface(self):
        target = TestWindow(self, 200, 150, 400, 300)
        bitmap = self.capture('Print')
        self.assertEqual((bitmap.width, bitmap.height), screen_metrics()['screen'])
        self.assert_shows_test_window(bitmap, target, (0, 0))


class HistoryRotation(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': dict(QUIET, SaveNum='3')}

    def test_fourth_capture_drops_the_oldest(self):
        digests = []
        previous = None
        for n in range(4):
            target = TestWindow(self, 100 + 150 * n, 120, 300, 200, f'shot-{n}')
            bitmap = self.capture('Print', previous=previous)
            previous = bitmap.data
            digests.append(hashlib.sha256(bitmap.data).hexdigest())
            target.close()
            wait_until(lambda: find_window(title=f'shot-{n}') is None, 'the window to close')
            if n == 2:
                self.assertEqual(self.slot_digests(), digests[2::-1])
        self.assertEqual(len(set(digests)), 4, 'each hard copy differs')
        self.assertEqual(self.slot_digests(), [digests[3], digests[2], digests[1]])
        self.assertFalse(os.path.exists(self.slot(4)))

        menu = self.open_tray_menu()
        harness.screenshot(os.path.join(harness.ARTIFACTS, 'capture-tray-menu.png'))
        self.assertGreater(menu.size[1], 100)
        harness.menu_keys(menu, 'Escape')
        wait_until(lambda: find_window('#32768') is None, 'the menu to close')

    def slot_digests(self):
        result = []
        for n in (1, 2, 3):
            with open(self.slot(n), 'rb') as f:
                result.append(hashlib.sha256(f.read()).hexdigest())
        return result


class PointerInTheHardCopy(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '1'}}

    def marks(self, bitmap, region, origin):
        """Pixels of a white region of the screen that are not white in the
        hard copy."""
        left, top, right, bottom = region
        ox, oy = origin
        return [(x, y) for y in range(top, bottom) for x in range(left, right)
                if bitmap.pixel(x - ox, y - oy) != WHITE]

    def marks_on_screen(self, screen, region):
        left, top, right, bottom = region
        return [(x, y) for y in range(top, bottom) for x in range(left, right)
                if screen.pixel(x, y) != WHITE]

    def test_the_pointer_is_drawn_once_at_its_place(self):
        target = TestWindow(self, 200, 150, 440, 340)
        cx, cy = target.client_origin
        width, height = target.client_size
        white = (cx + width // 2 + 3, cy + height // 2 + 3, cx + width - 3, cy + height - 3)
        px, py = target.client_point(0.7, 0.7)
        harness.move_mouse(px, py)

        desktop = self.capture('Print')
        marks = self.marks(desktop, white, (0, 0))
        self.assertGreater(len(marks), 20, 'the pointer is in the picture')
        self.assertTrue(all(px - 1 <= x <= px + 32 and py - 1 <= y <= py + 32 for x, y in marks),
                        'all of it at the pointer, hot spot top-left')
        # the pointer drawn onto the screen for the copy is painted away again
        box = (px, py, px + 20, py + 24)
        wait_until(lambda: not self.marks_on_screen(Screen(), box), 'the screen repainted')

        client = self.capture('ctrl+alt+Print', previous=desktop.data)
        client_marks = self.marks(client, white, (cx, cy))
        self.assertEqual(sorted(client_marks), sorted(marks),
                         'drawn into the copy: the same pixels at the same place')

        main = find_window('CMainWinClass', visible=False)
        probe('post', main.handle, 273, 1066)  # "マウスポインタも含める" off
        wait_until(lambda: self.settings_file()['Option'].get('IsCursor') == '0', 'IsCursor=0')
        plain = self.capture('Print', previous=client.data)
        self.assertEqual(self.marks(plain, white, (0, 0)), [])


class FlashFeedback(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': {'IsFlash': '0', 'IsCursor': '0'}}

    def test_the_flash_inverts_the_captured_area_and_shows_no_notice(self):
        target = TestWindow(self, 200, 150, 400, 300)
        points = target.quadrant_points()

        def inverted(frame):
            return all(frame.pixel(x, y) == invert(color) for (x, y), color in points)
        # An inverted frame shows for 32 ms at a time; a frame of the screen
        # takes about as long, so a busy machine may need another press.
        for _ in range(3):
            frame = press_and_catch(['Print'], inverted)
            if frame:
                break
            wait_until(lambda: find_window('CFlashWinClass', visible=None) is None,
                       'the flash missed to end')
        self.assertIsNotNone(frame, 'a frame with the desktop inverted')
        frame.save_png(os.path.join(harness.ARTIFACTS, 'capture-flash.png'))
        # the whole desktop flashes: a point outside the test window too
        wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        self.assertIsNone(find_window('#32770', 'ZORVEX'), 'no notice with the flash')
        self.assertIsNone(find_window('CFlashWinClass', visible=None), 'the flash is over')
        screen = Screen()
        for (x, y), color in points:
            self.assertEqual(screen.pixel(x, y), color, 'the screen is restored')


class CopiedNotice(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_the_notice_shows_for_half_a_second(self):
        target = TestWindow(self, 300, 150, 700, 560)
        (x, y), color = target.quadrant_points()[0]
        width, height = screen_metrics()['screen']
        centre = (width // 2, height // 2)
        self.assertEqual(Screen().pixel(*centre), RED, 'the test window covers the centre')

        def notice_up(frame):
            # painted: neither the test window nor a window not drawn yet
            return frame.pixel(*centre) not in (RED, (0, 0, 0)) and frame.pixel(x, y) == color
        frame = press_and_catch(['Print'], notice_up)
        self.assertIsNotNone(frame, 'a frame with the notice')
        frame.save_png(os.path.join(harness.ARTIFACTS, 'capture-notice.png'))
        wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy', timeout=5)
        wait_until(lambda: Screen().pixel(*centre) == RED, 'the notice to close', timeout=3)
        bitmap = Bitmap(self.slot(1))
        self.assertEqual(bitmap.pixel(*centre), RED, 'the notice is not in the hard copy')


if __name__ == '__main__':
    harness.main()
