"""Two monitors (scripts/two-monitors.sh): the primary, 1280 x 800, at the
origin, and a second, 1024 x 768, to its left at x = -1024. Every capture
mode, the overlay, the notice, the configuration dialog and the viewer reach
the left monitor."""
import os

import harness
from harness import (APPLY, CONFIG_TITLE as TITLE, OVERLAY, RED, VIEWER, Screen, TestWindow,
                     WindowWatch, controls, find_dialog, find_window, probe, run, wait_until)

LEFT_WORK = (-1024, 0, 0, 768)


def inside(rect, area):
    x, y = harness.center(rect)
    return area[0] <= x < area[2] and area[1] <= y < area[3]


class TwoMonitorCase(harness.ZorvexTestCase):
    def start(self, wait_for_tray=False):
        super().start(wait_for_tray=False)  # no shell here: no taskbar, no tray

    def press(self, window, *keys):
        """Keys with the X focus and Wine's foreground on one test window."""
        _, ids = run(['xdotool', 'search', '--name', window.window.title])
        run(['xdotool', 'windowfocus', '--sync', ids.split()[0]], timeout=10)
        probe('activate', window.handle)
        run(['xdotool', 'key', '--delay', '60', *keys], timeout=30)

    def capture(self, window, *keys):
        """A hard copy and the place of its copied notice (every case here has
        one), watched for from before the keys; once the notice has gone, for
        the notice takes the X focus, and keys pressed before it has gone
        reach no window on a desktop without a window manager."""
        watch = WindowWatch(self, command='place')
        previous = self.slot_stamp()
        self.press(window, *keys)
        bitmap = self.new_hard_copy(previous)
        notice = watch.stop(shown=True)
        self.assertIsNotNone(notice, f'the copied notice of {keys}')
        return bitmap, [int(v) for v in notice]

    def assert_from_screen(self, bitmap, screen, corner, size):
        self.assertEqual((bitmap.width, bitmap.height), size)
        wrong = [(x, y) for y in range(0, size[1], 7) for x in range(0, size[0], 7)
                 if bitmap.pixel(x, y) != screen.pixel(corner[0] + x, corner[1] + y)]
        self.assertEqual(wrong[:5], [])

    def save_png(self, path, name):
        run(['convert', path, '-alpha', 'off', os.path.join(harness.ARTIFACTS, name)])


class CapturesOnBothMonitors(TwoMonitorCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def test_desktop_and_windows_anywhere(self):
        left = TestWindow(self, -900, 100, 400, 300, 'left')
        across = TestWindow(self, -200, 450, 400, 250, 'across')
        right = TestWindow(self, 200, 150, 400, 300, 'right')
        desktop, _ = self.capture(right, 'Print')
        self.assertEqual((desktop.width, desktop.height), (2304, 800))
        for window in (left, across, right):
            window.assert_in(desktop, (-1024, 0))
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        self.save_png(self.slot(1), 'two-monitor-hard-copy.png')

        for target in (left, across):
            outer, notice = self.capture(target, 'ctrl+Print')
            self.assertEqual((outer.width, outer.height), target.outer_size)
            target.assert_in(outer, target.window.rect[:2])
            self.assertEqual(inside(notice, LEFT_WORK), target is left, notice)
            client, _ = self.capture(target, 'ctrl+alt+Print')
            self.assertEqual((client.width, client.height), target.client_size)
            target.assert_in(client, target.client_origin)


class OverlayAndAreaOnTheLeftMonitor(TwoMonitorCase):
    settings = {'Common': {'CopyType': '4', 'AutoLeft': '-1000', 'AutoTop': '120',
                           'AutoRight': '-800', 'AutoBottom': '300'},
                'SaveAs': {'SaveFormat1': '1'}, 'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def drag(self, start, end):
        harness.drag(start, end)
        wait_until(self.overlay_gone, 'the overlay gone')

    def test_fixed_area_range_and_area_pick(self):
        left = TestWindow(self, -900, 100, 400, 300, 'left')
        screen = Screen()
        area, _ = self.capture(left, 'Print')
        self.assert_from_screen(area, screen, (-1000, 120), (200, 180))
        self.assertEqual(area.pixel(150, 90), RED)

        self.press(left, 'shift+Print')
        overlay = wait_until(lambda: find_window(OVERLAY), 'the range overlay')
        self.assertEqual(overlay.rect, (-1024, 0, 1280, 800))
        harness.screenshot('two-monitor-overlay')
        previous = self.slot_stamp()
        self.drag((-880, 130), (-780, 180))
        copy = self.new_hard_copy(previous, what='the range hard copy')
        self.assert_from_screen(copy, screen, (-880, 130), (100, 50))

        harness.move_mouse(-500, 600)
        self.press(left, 'alt+Print')
        dialog = wait_until(lambda: find_dialog(TITLE), 'the dialog')
        self.assertTrue(inside(dialog.rect, LEFT_WORK), dialog.rect)
        wait_until(lambda: 1039 in controls(dialog), 'the dialog controls')
        probe('click', dialog.handle, 1039)
        wait_until(lambda: find_window(OVERLAY), 'the range overlay')
        self.drag((-1010, 20), (-700, 220))
        fields = (1038, 1094, 1048, 1049)
        wait_until(lambda: [controls(dialog)[i].text for i in fields] == ['-1010', '20', '-700',
                                                                           '220'], 'the fields')
        probe('click', dialog.handle, APPLY)
        keys = ('AutoLeft', 'AutoTop', 'AutoRight', 'AutoBottom')
        wait_until(lambda: [self.settings_file().get('Common', {}).get(k) for k in keys] ==
                   ['-1010', '20', '-700', '220'], 'the picked area stored by 適用')


class ViewerOnTheLeftMonitor(TwoMonitorCase):
    settings = {'Others': {'OnesLeft': '-900', 'OnesTop': '50'}}

    def open_viewer(self, window):
        self.press(window, 'ctrl+alt+F10')
        return wait_until(lambda: find_window(VIEWER), 'the viewer')

    def test_remembered_place_kept_or_pulled_to_the_nearest_monitor(self):
        left = TestWindow(self, -900, 100, 400, 300, 'left')
        self.assertEqual(self.open_viewer(left).rect[:2], (-900, 50))
        self.stop_program()
        self.write_settings({'Others': {'OnesLeft': '-3000', 'OnesTop': '900'}})
        self.start()
        left = TestWindow(self, -900, 100, 400, 300, 'left')
        self.assertEqual(self.open_viewer(left).rect[:2], (-1024, 88))


if __name__ == '__main__':
    harness.main()
