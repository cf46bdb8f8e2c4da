"""The outputs come before the sign that a hard copy was taken, and what
fails is told in a balloon of the tray icon: a busy clipboard, a save folder
that cannot be made, a history slot held open, a missing printer, and hot
keys another program holds."""
import os
import subprocess

import harness
from harness import assert_never, key, probe, wait_until
from harness import zorvex_box as notice
from capture_support import clipboard_size, complete_bitmap, screen_metrics

BALLOON_SECONDS = 8  # the taskbar shows a balloon two seconds after it is asked


def balloons():
    """Handles of the visible balloons of the taskbar's process."""
    found = harness.windows()
    taskbar = next((w for w in found if w.class_name == 'Shell_TrayWnd'), None)
    return {w.handle for w in found if taskbar and w.class_name == 'tooltips_class32'
            and w.visible and w.process == taskbar.process}


class TruthCase(harness.ZorvexTestCase):
    def helper(self, *args, ready):
        process = subprocess.Popen(['wine', harness.PROBE, *args], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (process.poll() is None and process.kill(), process.wait(),
                                 process.stdout.close()))
        self.assertEqual(process.stdout.readline().strip(), ready)
        return process

    def new_balloon(self, before, timeout=BALLOON_SECONDS):
        return wait_until(lambda: balloons() - before, 'a balloon', timeout=timeout)

    def capture(self, keys='Print'):
        stamp = self.slot_stamp()
        key(keys)
        wait_until(lambda: self.slot_replaced(stamp) and complete_bitmap(self.slot(1)),
                   'a new hard copy in slot 1')


class DeliveryFailures(TruthCase):
    @property
    def settings(self):
        return {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '1', 'IsSaveDialog': '0',
                           'SaveDir': self.wine_path(self.workdir)},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '3'}}

    def test_outputs_before_the_notice_and_each_failure_told(self):
        screen = screen_metrics()['screen']
        assert_never(balloons, 3.5, 'a balloon at a normal start')

        probe('clear-clipboard')
        key('Print')
        wait_until(notice, 'the copied notice', interval=0.02)
        self.assertTrue(complete_bitmap(self.slot(1)), 'slot 1 filed before the notice')
        self.assertEqual(clipboard_size(self), screen, 'the clipboard filled before the notice')
        assert_never(balloons, 3.5, 'a balloon for a capture that succeeded')

        holder = self.helper('hold-clipboard', '5000', ready=b'holding')
        self.capture()
        assert_never(notice, 1.5, 'the copied notice while the clipboard was held')
        shown = self.new_balloon(set())
        holder.wait(timeout=15)
        self.capture()
        wait_until(lambda: clipboard_size(self) == screen, 'the next hard copy on the clipboard')

        bitmap_folder = os.path.join(self.workdir, 'bitmap')
        subprocess.run(['rm', '-rf', bitmap_folder], check=True)
        open(bitmap_folder, 'w').close()
        self.capture()
        assert_never(notice, 1.5, 'the copied notice when the save failed')
        shown = self.new_balloon(shown)

        history = [self.slot_stamp(n) for n in (1, 2, 3)]
        with open(self.slot(1), 'rb') as f:
            newest = f.read()
        self.helper('lock', self.wine_path(self.slot(1)), '6000', ready=b'locked')
        key('Print')
        self.new_balloon(shown)
        self.assertEqual([self.slot_stamp(n) for n in (1, 2, 3)], history)
        with open(self.slot(1), 'rb') as f:
            self.assertEqual(f.read(), newest, 'the held slot kept its hard copy')


class NoPrinter(TruthCase):
    settings = {'Common': {'CopyType': '0', 'IsPrintPreview': '1'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'IsPrintDialog': '0'}}

    def setUp(self):
        saved = os.environ.get('CUPS_SERVER')
        os.environ['CUPS_SERVER'] = os.path.join(harness.ARTIFACTS, 'no-cups-here.sock')
        self.addCleanup(lambda: os.environ.pop('CUPS_SERVER') if saved is None
                        else os.environ.update(CUPS_SERVER=saved))
        super().setUp()

    def test_a_print_that_found_no_printer_is_told(self):
        self.capture()
        self.new_balloon(set(), timeout=20)  # the print system is looked for first


class HeldPrintScreen(TruthCase):
    start_program = False
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def test_named_at_start_and_taken_once_free(self):
        holder = self.helper('hold-hotkeys', 'PrintScreen', ready=b'holding')
        self.start()
        shown = self.new_balloon(set())
        harness.focus_desktop()
        self.capture('ctrl+alt+F12')
        holder.kill()
        holder.wait(timeout=10)

        def captured_by_print_screen():
            stamp = self.slot_stamp()
            key('Print')
            try:
                return wait_until(lambda: self.slot_replaced(stamp), 'a capture', timeout=1.5)
            except AssertionError:
                return False
        wait_until(captured_by_print_screen, 'PrintScreen to capture again', timeout=15)
        assert_never(lambda: balloons() - shown, 3.5, 'a balloon once the key was got')


if __name__ == '__main__':
    harness.main()
