"""Hard copies through real key presses: the desktop, its work area, the
active window with and without frame, the fixed area, the clipboard, the
saved file, the history rotation, the pointer and the feedback windows."""
import hashlib
import os
import subprocess
import time

import harness
from harness import (BLUE, FLASH, GREEN, QUIET, RED, WHITE, Bitmap, Screen,
                     TestWindow, WindowWatch, activate, complete_bitmap, files_under, find_window,
                     invert, key, probe, screen_metrics, wait_until)
from case_support import CaptureCase


def press_and_catch(keys, condition, timeout=4.0):
    """Presses keys and takes pictures of the screen as fast as possible (no
    menu is open) until one of them satisfies condition(picture); returns
    that one, or None."""
    harness.focus_desktop()
    harness.keep_pointer_off_taskbar()
    presser = subprocess.Popen(['xdotool', 'keyup', *harness.MODIFIERS, 'key', '--delay', '30',
                                *keys], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    try:
        while time.monotonic() < deadline:
            picture = Screen(fast=True)
            if condition(picture):
                return picture
        return None
    finally:
        presser.wait(timeout=30)


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

        clip = harness.clipboard_bitmap(self)
        self.assertEqual((clip.width, clip.height), (width, height))
        target.assert_in(clip)

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

    def start(self, wait_for_tray=True):
        self.settings = dict(self.settings)
        self.settings['SaveAs'] = dict(self.settings['SaveAs'],
                                       SaveDir=self.wine_path(self.workdir))
        self.write_settings()
        super().start(wait_for_tray)

    def test_saved_file_equals_the_hard_copy_and_the_clipboard_stays_empty(self):
        TestWindow(self, 200, 150, 400, 300)
        bitmap = self.capture('Print')
        self.save_dir = os.path.join(self.workdir, 'bitmap')
        saved = wait_until(lambda: [p for p in files_under(self.save_dir)
                                    if p.endswith(os.sep + '000001.bmp') and complete_bitmap(p)],
                           'the saved hard copy')
        self.assertEqual(harness.read(saved[0]), bitmap.data)
        self.assertEqual(harness.clipboard_size(self), 'none')


class ActiveWindowCapture(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'}, 'Option': QUIET}

    def test_ctrl_print_screen_takes_the_outer_and_ctrl_alt_the_client_area(self):
        target = TestWindow(self, 260, 180, 420, 310)
        outer = self.capture('ctrl+Print')
        self.assertEqual((outer.width, outer.height), target.outer_size)
        left, top, _, _ = target.window.rect
        self.assert_shows_test_window(outer, target, (left, top))

        client = self.capture('ctrl+alt+Print')
        self.assertEqual((client.width, client.height), target.client_size)
        self.assert_shows_test_window(client, target, target.client_origin)
        width, height = target.client_size
        for (x, y), color in (((1, 1), RED), ((width - 2, 1), GREEN), ((1, height - 2), BLUE),
                              ((width - 2, height - 2), WHITE)):
            self.assertEqual(client.pixel(x, y), color, (x, y))
        self.assertEqual(Bitmap(self.slot(2)).data, outer.data, 'the outer copy moved to slot 2')


    def test_a_window_over_the_target_is_copied_as_the_screen_shows_it(self):
        target = TestWindow(self, 260, 180, 420, 310)
        # A fresh cover for each copy: Wine puts the target back over it after a capture.
        for keys, size, origin in (('ctrl+Print', target.outer_size, target.window.rect[:2]),
                                   ('ctrl+alt+Print', target.client_size, target.client_origin)):
            cover = TestWindow(self, 300, 230, 160, 120, 'cover', 'topmost', 'noactivate')
            (x, y), color = cover.quadrant_points()[1]
            screen = wait_until(lambda: (lambda s: s.pixel(x, y) == color and s)(Screen()),
                                'the cover over the target')
            copy = self.capture(keys)
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
        for n in range(4):
            target = TestWindow(self, 100 + 150 * n, 120, 300, 200, f'shot-{n}')
            bitmap = self.capture('Print')
            digests.append(hashlib.sha256(bitmap.data).hexdigest())
            target.close()
            if n == 2:
                self.assertEqual(self.slot_digests(), digests[2::-1])
        self.assertEqual(len(set(digests)), 4, 'each hard copy differs')
        self.assertEqual(self.slot_digests(), [digests[3], digests[2], digests[1]])
        self.assertFalse(os.path.exists(self.slot(4)))

        menu = self.open_tray_menu()
        harness.screenshot('capture-tray-menu')
        harness.menu_keys(menu, 'Escape')
        harness.wait_menus_closed()

    def slot_digests(self):
        result = []
        for n in (1, 2, 3):
            with open(self.slot(n), 'rb') as f:
                result.append(hashlib.sha256(f.read()).hexdigest())
        return result


IDM_MODE_DESKTOP, IDM_INCLUDE_CURSOR = 1062, 1066


class PointerInTheHardCopy(CaptureCase):
    # the fixed area holds the test window with a margin
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '180', 'AutoTop': '140',
                           'AutoRight': '660', 'AutoBottom': '500'},
                'SaveAs': {'SaveFormat1': '1'}, 'Option': {'IsFlash': '1', 'IsCursor': '1'}}

    def marks(self, bitmap, region, origin):
        """The screen points of a white region of the screen that are not
        white in the hard copy."""
        left, top, right, bottom = region
        ox, oy = origin
        return sorted((x, y) for y in range(top, bottom) for x in range(left, right)
                      if bitmap.pixel(x - ox, y - oy) != WHITE)

    def post_command(self, command, setting, value):
        main = find_window(harness.MAIN, visible=False)
        probe('post', main.handle, harness.WM_COMMAND, command)
        wait_until(lambda: self.settings_file()[setting[0]].get(setting[1]) == value,
                   f'{setting[1]}={value}')

    def test_the_pointer_is_drawn_once_at_its_place_in_every_mode(self):
        target = TestWindow(self, 200, 150, 440, 340)
        cx, cy = target.client_origin
        width, height = target.client_size
        white = (cx + width // 2 + 3, cy + height // 2 + 3, cx + width - 3, cy + height - 3)
        px, py = target.client_point(0.7, 0.7)
        client_end = (cx + width, cy + height)

        def desktop_mode():
            self.post_command(IDM_MODE_DESKTOP, ('Common', 'CopyType'), '0')

        def pointer_off():
            self.post_command(IDM_INCLUDE_CURSOR, ('Option', 'IsCursor'), '0')
        # what is done first, the keys (None: a drag from the client area's
        # corner to the opposite one), where the copy starts, its size, and
        # whether the pointer is in it
        cases = (('fixed area', None, 'Print', (180, 140), (480, 360), True),
                 ('active window', None, 'ctrl+Print', target.window.rect[:2],
                  target.outer_size, True),
                 ('client area', None, 'ctrl+alt+Print', (cx, cy), (width, height), True),
                 ('range', None, None, (cx, cy), (width, height), True),
                 ('desktop', desktop_mode, 'Print', (0, 0), screen_metrics()['screen'], True),
                 ('pointer option off', pointer_off, 'Print', (0, 0),
                  screen_metrics()['screen'], False))
        pointer = None
        for name, prepare, keys, origin, size, drawn in cases:
            with self.subTest(name):
                if prepare:
                    prepare()
                activate(target)
                harness.move_mouse(px, py)
                if keys:
                    copy = self.capture(keys)
                else:
                    copy = self.range_capture((cx, cy), client_end, notice_gone=True)
                self.assertEqual((copy.width, copy.height), size)
                marks = self.marks(copy, white, origin)
                if not drawn:
                    self.assertEqual(marks, [], 'no pointer')
                    continue
                if pointer is None:
                    self.assertGreater(len(marks), 20, 'the pointer is in the picture')
                    left, top = min(x for x, _ in marks), min(y for _, y in marks)
                    self.assertLessEqual(abs(left - px), 1, 'its tip at the pointer')
                    self.assertLessEqual(abs(top - py), 1, 'its tip at the pointer')
                    self.assertTrue(all(x <= px + 32 and y <= py + 32 for x, y in marks),
                                    'all of it at the pointer')
                    pointer = marks
                self.assertEqual(marks, pointer, 'the same pointer at the same place')
        # the pointer goes into the copies only: the screen keeps no mark
        left, top, right, bottom = white
        screen = Screen()
        self.assertEqual([(x, y) for y in range(top, bottom) for x in range(left, right)
                          if screen.pixel(x, y) != WHITE], [])


class FlashFeedback(CaptureCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': {'IsFlash': '0', 'IsCursor': '0'}}

    def catch_inverted(self, keys, area, points):
        """Presses keys while the probe takes pictures of the area as fast as
        it can for a bounded time; returns the first picture in which every
        point shows the given colour, or None."""
        path = os.path.join(self.workdir, 'flash.bmp')
        self.flash_picture = path
        args = [str(v) for v in (8, self.wine_path(path), *area)]
        for (x, y), color in points:
            args += [str(v) for v in (x, y, *color)]
        catcher = self.helper('catch-frame', *args, ready='ready')
        key(keys)
        return Bitmap(path) if catcher.rest(timeout=60).startswith('caught') else None

    def test_the_flash_inverts_exactly_the_captured_area_and_shows_no_notice(self):
        target = TestWindow(self, 240, 160, 400, 300)
        width, height = screen_metrics()['screen']
        work = screen_metrics()['work']
        left, top, right, bottom = target.window.rect
        cx, cy = target.client_origin
        cw, ch = target.client_size
        # points of the desktop away from the test window
        outside = [(left - 40, top + 40), (right + 40, bottom - 40), (width - 60, 60),
                   (60, work[3] - 60)]
        # keys, the area whose pictures are taken, the area that must flash
        cases = (('Print', (0, 0, width, height), (0, 0, width, height)),
                 ('ctrl+alt+Print', (left - 20, top - 20, right + 20, bottom + 20),
                  (cx, cy, cx + cw, cy + ch)))
        for keys, pictured, flashed in cases:
            with self.subTest(keys):
                activate(target)
                before = Screen()
                # the quadrants, the flashed area's corners and the outside
                # points it holds: a picture with all of them inverted shows
                # the whole flash, not a part drawn so far
                low = min(flashed[3], work[3]) - 3  # the taskbar's clock may change
                corners = [(flashed[0] + 2, flashed[1] + 2), (flashed[2] - 3, flashed[1] + 2),
                           (flashed[0] + 2, low), (flashed[2] - 3, low)]
                checked = [p for p, _ in target.quadrant_points()] + corners + \
                    [p for p in outside if flashed[0] <= p[0] < flashed[2]
                     and flashed[1] <= p[1] < flashed[3]]
                points = [((x, y), invert(before.pixel(x, y))) for x, y in checked]
                stamp = self.slot_stamp()
                notice = WindowWatch(self)
                frame = self.catch_inverted(keys, pictured, points)
                self.assertIsNotNone(frame, f'a picture with {flashed} inverted')
                os.makedirs(harness.ARTIFACTS, exist_ok=True)
                harness.run(['convert', self.flash_picture,
                             os.path.join(harness.ARTIFACTS, f'capture-flash-{keys}.png')])
                # every pixel of the flashed area inverted, every other one as it was
                ox, oy = pictured[:2]
                wrong = [(x, y) for y in range(pictured[1], pictured[3], 7)
                         for x in range(pictured[0], pictured[2], 7)
                         if y < work[3] and frame.pixel(x - ox, y - oy) != (
                             invert(before.pixel(x, y))
                             if flashed[0] <= x < flashed[2] and flashed[1] <= y < flashed[3]
                             else before.pixel(x, y))]
                self.assertEqual(wrong[:5], [], f'{len(wrong)} pixels wrong')
                wait_until(lambda: find_window(FLASH, visible=None) is None,
                           'the flash to end', timeout=5)
                wait_until(lambda: self.slot_replaced(stamp) and complete_bitmap(self.slot(1)),
                           'the hard copy')
                wait_until(lambda: all(Screen().pixel(x, y) == before.pixel(x, y)
                                       for x, y in checked), 'the screen restored', timeout=5)
                self.assertIsNone(notice.stop(), 'no notice with the flash')


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
        shown = WindowWatch(self, command='time')
        frame = press_and_catch(['Print'], notice_up)
        self.assertIsNotNone(frame, 'a frame with the notice')
        frame.save_png(os.path.join(harness.ARTIFACTS, 'capture-notice.png'))
        wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy', timeout=5)
        wait_until(lambda: Screen().pixel(*centre) == RED, 'the notice to close', timeout=5)
        seen = shown.stop()
        self.assertIsNotNone(seen, 'the notice was seen')
        milliseconds, state = seen
        self.assertEqual(state, 'gone')
        # half a second, with room for a busy machine's late timer
        self.assertGreaterEqual(int(milliseconds), 300)
        self.assertLessEqual(int(milliseconds), 1500)
        bitmap = Bitmap(self.slot(1))
        self.assertEqual(bitmap.pixel(*centre), RED, 'the notice is not in the hard copy')


if __name__ == '__main__':
    harness.main()
