"""The outputs come before the sign that a hard copy was taken, and what
fails is told in a balloon of the tray icon, each output in its own line: a
busy clipboard, a save folder that cannot be made, a history slot held open
(the hard copy is saved, the history stays as it was and moves on once the
slot is free), a missing printer, and hot keys another program holds."""
import os

import harness
from harness import (TestWindow, WindowWatch, assert_never, balloon_saying, balloons,
                     clipboard_bitmap, key, probe, read, screen_metrics, wait_until)
from harness import DELIVERY_FAILED, CLIPBOARD_HELD, SAVE_FAILED, HISTORY_KEPT, NO_PRINTER

HOT_KEYS_TAKEN = 'ホットキーを登録できませんでした'
CAPTURE_FAILED = 'ハードコピーを取れませんでした'
PRINT_SKIPPED = '印刷: 履歴に入れられなかったため、印刷しませんでした。'


class DeliveryFailures(harness.ZorvexTestCase):
    def setUp(self):
        self.settings = None
        super().setUp()
        self.save_dir = os.path.join(self.workdir, 'saved')
        os.makedirs(self.save_dir)
        self.write_settings({'Common': {'CopyType': '0'},
                             'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '1', 'IsSaveDialog': '0',
                                        'SaveDir': self.wine_path(self.save_dir)},
                             'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '3'}})
        self.start()

    def assert_clipboard_holds(self, hard_copy, target):
        """The clipboard has this hard copy of the screen with the test window."""
        clip = clipboard_bitmap(self)
        self.assertNotIsInstance(clip, str, 'a bitmap on the clipboard')
        self.assertEqual((clip.width, clip.height), (hard_copy.width, hard_copy.height))
        target.assert_in(clip)
        target.assert_in(hard_copy)

    def failing_capture(self, *lines):
        """PrintScreen that must tell these lines, and show no copied notice."""
        notice = WindowWatch(self)
        key('Print')
        balloon = balloon_saying(DELIVERY_FAILED, *lines)
        self.assertIsNone(notice.stop(), f'the copied notice, with {lines} told')
        return balloon

    def test_outputs_before_the_notice_and_each_failure_told_in_its_line(self):
        assert_never(balloons, 3.5, 'a balloon at a normal start')

        # what the clipboard and slot 1 held the moment the notice showed
        target = TestWindow(self, 300, 150, 400, 300)
        snapshot = os.path.join(self.workdir, 'slot-at-notice.bmp')
        watch = WindowWatch(self, *harness.NOTICE, 'outputs', self.wine_path(self.slot(1)),
                            self.wine_path(snapshot))
        first = self.capture('Print')
        begun, at_notice, slot_state = watch.stop(shown=True)
        self.assertNotEqual(at_notice, begun, 'the clipboard filled before the notice')
        self.assertEqual(probe('clipboard-sequence').strip(), at_notice,
                         'nothing went to the clipboard after the notice')
        self.assertEqual(slot_state, 'complete', 'slot 1 filed before the notice')
        self.assertEqual(read(snapshot), first.data, 'slot 1 held this hard copy at the notice')
        self.assertEqual((first.width, first.height), screen_metrics()['screen'])
        self.assert_clipboard_holds(first, target)
        assert_never(balloons, 3.5, 'a balloon for a capture that succeeded')

        # a clipboard held by another program
        holder = self.helper('hold-clipboard', '5000', ready='holding')
        self.failing_capture(CLIPBOARD_HELD)
        holder.rest(timeout=15)
        # emptied, so that only the next hard copy can fill it
        probe('clear-clipboard')
        target.close()
        target = TestWindow(self, 500, 250, 300, 200)  # and a picture unlike the first
        notice = WindowWatch(self)
        after = self.capture('Print')
        self.assertIsNotNone(notice.stop(shown=True), 'the notice once the clipboard is free')
        self.assert_clipboard_holds(after, target)

        # a save folder that cannot be made: its line names the folder
        blocker = os.path.join(self.save_dir, 'bitmap')
        os.rename(blocker, blocker + '-before')
        open(blocker, 'w').close()
        balloon = self.failing_capture(SAVE_FAILED)
        self.assertIn('saved', balloon.lines[0][len(SAVE_FAILED):], 'the folder named')
        os.remove(blocker)

        # a slot held open, with the save folder back: the history's line
        # alone, the hard copy saved, the history as it was
        history = [self.slot_stamp(n) for n in (1, 2, 3)]
        newest, older = read(self.slot(1)), read(self.slot(2))
        locker = self.helper('lock', self.wine_path(self.slot(1)), '60000', ready='locked')
        target.close()
        window = TestWindow(self, 300, 200, 300, 200)  # the next hard copies differ from these
        saved_before = len(self.saved_files())
        self.failing_capture(HISTORY_KEPT)
        self.assertEqual(len(self.saved_files()), saved_before + 1, 'the hard copy was saved')
        self.assertEqual([self.slot_stamp(n) for n in (1, 2, 3)], history)
        self.assertEqual(read(self.slot(1)), newest, 'the held slot kept its hard copy')
        # with the slot free again the history moves on
        locker.end()
        latest = self.capture('Print')
        self.assertEqual((read(self.slot(2)), read(self.slot(3))), (newest, older))
        (x, y), color = window.quadrant_points()[0]
        self.assertEqual(latest.pixel(x, y), color, 'the new hard copy in slot 1')


class NoPrinter(harness.ZorvexTestCase):
    no_print_server = True
    settings = {'Common': {'CopyType': '0', 'IsPrintPreview': '1'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'IsPrintDialog': '0'}}

    def test_a_print_that_found_no_printer_is_told(self):
        self.capture('Print', notice_gone=False)  # the printer alone gives no notice
        balloon_saying(DELIVERY_FAILED, NO_PRINTER, timeout=30)  # the print system is looked for first


class WorkFileNotWritten(harness.ZorvexTestCase):
    """A hard copy the temporary folder takes no file for (here a folder
    where the file must go) is told, with the cause and the folder, and no
    sign pretends it was taken; the range overlay's snapshot likewise."""
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def assert_told(self, *keys, file):
        os.makedirs(self.temp_file(file))
        notice = WindowWatch(self)
        key(*keys)
        balloon = balloon_saying(CAPTURE_FAILED, '一時フォルダー: 書き込めません。')
        harness.screenshot('truth-capture-failed-' + keys[-1])
        self.assertTrue(balloon.lines[0].endswith(os.path.basename(self.temp.rstrip('/'))),
                        balloon.lines)
        self.assertIsNone(notice.stop(), 'the copied notice for a hard copy not taken')
        self.assertIsNone(self.slot_stamp(), 'nothing entered the history')
        self.assertIsNone(harness.find_window(harness.OVERLAY, visible=None), 'no overlay')

    def test_the_work_file(self):
        self.assert_told('Print', file='~zor_vex.bmp')

    def test_the_overlays_snapshot(self):
        self.assert_told('shift+Print', file='~zor_vex_background.bmp')


class HistoryNotFiledWithDirectPrinting(harness.ZorvexTestCase):
    settings = NoPrinter.settings
    start_program = False

    def test_the_print_not_made_is_told_beside_the_history(self):
        harness.write_bitmap(self.slot(1), 8, 8)
        self.start()
        locker = self.helper('lock', self.wine_path(self.slot(1)), '60000', ready='locked')
        key('Print')
        balloon_saying(DELIVERY_FAILED, HISTORY_KEPT, PRINT_SKIPPED, timeout=30)
        harness.screenshot('truth-print-skipped')
        locker.end()


class HeldPrintScreen(harness.ZorvexTestCase):
    start_program = False
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def test_named_at_start_and_taken_once_free(self):
        holder = self.helper('hold-hotkeys', 'PrintScreen', ready='holding')
        self.start()
        self.assertIsNone(harness.find_window(harness.DIALOG), 'it starts without a message box')
        self.assertEqual(harness.hotkey_states()['Ctrl+Alt+F12'], 'taken')
        shown = balloon_saying(HOT_KEYS_TAKEN, 'Ctrl+Alt+F12 でハードコピーできます。',
                               'ほかのプログラムが使っているキー: PrintScreen')
        harness.focus_desktop()
        self.capture('ctrl+alt+F12')
        holder.end()

        def captured_by_print_screen():
            stamp = self.slot_stamp()
            key('Print')
            try:
                return wait_until(lambda: self.slot_replaced(stamp), 'a capture', timeout=1.5)
            except AssertionError:
                return False
        wait_until(captured_by_print_screen, 'PrintScreen to capture again', timeout=15)
        assert_never(lambda: [b for b in balloons() if b.handle != shown.handle], 3.5,
                     'a balloon once the key was got')


if __name__ == '__main__':
    harness.main()
