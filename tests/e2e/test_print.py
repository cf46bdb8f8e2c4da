"""Printing on the CUPS PDF printer, driven by real input: the viewer's
"印刷" button, the direct print after PrintScreen, the printer setup before a
print and from the tray menu, and the abort dialog. Each test reads what a
user would hold: the printed PDF and the texts of the spooled job."""
import os
import re
import socket
import time

import harness
from harness import (DIALOG, MAIN, MENU_PRINTER_SETUP, MENU_TITLE, PRINT_BUTTON, QUADRANTS,
                     TITLE_FIELD, TRAY_PRINTER, VIEWER, WM_CLOSE, TestWindow, assert_never,
                     children, find_window, probe, wait_in_front, wait_until)
from case_support import RangeCase
# JapaneseTitle runs here, and on an English system in test_english
from print_support import (DEVICE_ENTRY, HookedPrint, JapaneseTitle, JobWatch,  # noqa: F401
                           PrintCase, image_rect, printer_page)

UNREADABLE = '印刷: ハードコピーを読み込めないため、印刷できませんでした。'
STAMPS_ON = {'IsPrintSysTime': '1', 'IsPrintHostName': '1', 'IsPrintIPAddr': '1'}
DOTTED = r'(\d{1,3}\.){3}\d{1,3}'


def near(color, expected, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(color, expected))


def printed(picture, image, width, x, y):
    """Where pixel (x, y) of a hard copy `width` pixels wide, printed into
    the rectangle `image`, is on the page: the page's pixel there."""
    left, top, right, _ = image
    scale = (right - left) / width
    return picture.pixel(int(left + (x + 0.5) * scale), int(top + (y + 0.5) * scale))


class ViewerPrint(PrintCase):
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30', 'IsPrintEdge': '1', **STAMPS_ON}}

    def test_print_button_prints_image_frame_stamps_and_title_then_forgets_title(self):
        days = {time.strftime('%Y/%m/%d')}  # a print around midnight may date either day
        self.print_from_viewer(title='HARD COPY 42')
        job = self.finished_job()
        days.add(time.strftime('%Y/%m/%d'))
        picture = self.picture(job, 'print-page')

        image = self.expected_image(200, 100)
        self.assert_image_placed(picture, image)
        left, top, right, bottom = image
        qw, qh = (right - left) // 4, (bottom - top) // 4
        for (x, y), color in zip([(left + qw, top + qh), (right - qw, top + qh),
                                  (left + qw, bottom - qh), (right - qw, bottom - qh)],
                                 QUADRANTS):
            self.assertTrue(near(picture.pixel(x, y), color), (x, y, picture.pixel(x, y)))
        self.assertGreater(self.frame_pixels(picture, image), 20, 'the frame')

        texts = job.texts()
        _, off_y, _, _, horz, vert = self.page[:6]
        stamps = [t for t in texts if t[1] > vert * 0.9]
        self.assertEqual(len(stamps), 2, texts)
        date, host = sorted(stamps)
        self.assertEqual(date[1], host[1], 'one baseline')
        self.assertLessEqual(date[0], self.page[0] + 1)
        self.assertRegex(date[2], r'^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d$')
        self.assertIn(date[2][:10], days)
        name, _, address = host[2].partition(' ')
        self.assertEqual(name.lower(), socket.gethostname().lower())
        self.assertRegex(address, '^' + DOTTED + '$')
        self.assertGreater(host[0], horz // 3)
        titles = [t for t in texts if t[1] < vert * 0.1]
        self.assertEqual([t[2] for t in titles], ['HARD COPY 42'])
        self.assertLess(titles[0][1], off_y + 200)

        viewer = self.open_by_tray()
        self.choose(viewer, MENU_TITLE)
        dialog = self.message_box(control=TITLE_FIELD)
        self.assertEqual(harness.child(dialog, TITLE_FIELD).title, '',
                         'the title went with the print')


class PlainPrint(PrintCase):
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30'}}

    def test_without_frame_stamps_or_title_only_the_image_is_printed(self):
        self.print_from_viewer()
        job = self.finished_job()
        picture = self.picture(job, 'print-plain')
        image = self.expected_image(200, 100)
        self.assert_image_placed(picture, image)
        self.assertEqual(self.frame_pixels(picture, image), 0, 'no frame')
        self.assertEqual(job.texts(), [])
        self.assertIsNone(picture.ink_box((0, 0, picture.width, 300)))
        self.assertIsNone(picture.ink_box((0, picture.height - 300, picture.width,
                                           picture.height)))


class UnreadableHardCopy(PrintCase):
    """A damaged hard copy, and one another program holds open, print
    nothing, not even the stamps; the viewer stays for another try."""
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30', 'IsPrintEdge': '1',
                           'IsPrintSysTime': '1'}}

    def assert_print_refused(self, told):
        viewer = self.open_by_tray()
        watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        if told:  # once: a second balloon of a kind waits for its turn
            harness.balloon_saying(harness.DELIVERY_FAILED, UNREADABLE)
        harness.assert_never(lambda: self.viewer() is None or watch.new_jobs() or watch.new_pdfs(),
                             4.0, 'the viewer closed or something was printed')
        self.assertTrue(wait_until(lambda: (v := self.viewer()) and v.visible, 'the viewer shown'))

    def test_nothing_is_printed_the_viewer_stays_and_the_cause_is_told(self):
        locker = self.helper('lock', self.wine_path(self.slot(1)), '60000', ready='locked')
        self.assert_print_refused(told=True)
        locker.end()
        with open(self.slot(1), 'wb') as f:
            f.write(b'BM not a bitmap at all')
        self.assert_print_refused(told=False)
        self.assertIsNotNone(find_window(MAIN, visible=False))


class PrintSetupFirst(PrintCase):
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30', 'IsPrintDialog': '1'}}

    def test_cancel_prints_nothing_and_ok_prints(self):
        viewer = self.open_by_tray()
        watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        dialog = self.setup_dialog()
        harness.screenshot('print-setup-dialog')
        dialog.press(harness.IDCANCEL)
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        watch.assert_nothing_printed()

        viewer = self.open_by_tray()
        self.watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        self.setup_dialog().press(harness.IDOK)
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        job = self.finished_job()
        self.assert_image_placed(self.picture(job, 'print-after-setup'),
                                 self.expected_image(200, 100))


class DefaultPrinterEntry(PrintCase):
    """Spoils the printer part of the "windows" / "device" entry (kept in the
    registry under Wine) before the start, so that the setup must write it."""

    def setUp(self):
        super().setUp()  # which puts the entry back afterwards
        # a query made while the wineserver starts may come back empty
        self.device = wait_until(self.device_entry, 'the default printer entry')
        printer = self.device.split(',')[0]
        harness.run(['wine', 'reg', 'add', DEVICE_ENTRY, '/v', 'device', '/t', 'REG_SZ',
                     '/d', f'{printer},,', '/f'])

    def device_entry(self):
        _, output = harness.run(['wine', 'reg', 'query', DEVICE_ENTRY, '/v', 'device'])
        match = re.search(r'REG_SZ\s+(.*)', output.decode(errors='replace'))
        return match.group(1).strip() if match else ''

    def assert_default_printer_written(self):
        # Printer name, driver and port of the printer chosen (the default one).
        entry = wait_until(lambda: (lambda e: e if not e.endswith(',,') else None)(
            self.device_entry()), 'the default printer entry')
        name, driver, port = entry.split(',')
        self.assertEqual((name, port), (self.device.split(',')[0], self.device.split(',')[2]))
        self.assertNotEqual(driver, '')


class TrayPrinterSetup(DefaultPrinterEntry):
    history = {}
    settings = {'Option': {'IsFlash': '1'}, 'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0'}}

    def test_setup_dialog_blocks_captures_and_ok_writes_the_default_printer(self):
        self.choose_tray_item(TRAY_PRINTER)
        dialog = self.setup_dialog()
        harness.key('Print')
        self.choose_tray_item(TRAY_PRINTER)  # a second setup is refused
        # the first dialog came up within this long after its menu item
        assert_never(lambda: len([w for w in harness.windows() if w.visible and
                                  w.class_name == DIALOG]) != 1, 3.0,
                     'a second print setup dialog, or none')
        # The menu opened after the key was handled: the key made no hard copy.
        self.assertFalse(os.path.exists(self.slot(1)), 'no hard copy while the setup runs')
        dialog.press(harness.IDOK)
        self.assert_default_printer_written()
        harness.key('Print')
        wait_until(lambda: os.path.exists(self.slot(1)), 'a hard copy once the setup is over')


class ViewerPrinterSetup(DefaultPrinterEntry):
    def test_viewer_menu_setup_disables_viewer_and_ok_writes_the_default_printer(self):
        viewer = self.open_by_tray()
        self.choose(viewer, MENU_PRINTER_SETUP)
        dialog = self.setup_dialog()
        self.assertFalse(self.viewer().enabled, 'the viewer waits for the setup')
        dialog.press(harness.IDOK)
        self.assert_default_printer_written()
        wait_until(lambda: self.viewer() and self.viewer().enabled, 'the viewer enabled again')
        wait_in_front(viewer, 'the viewer in front again')


class DirectPrint(harness.ZorvexTestCase):
    settings = {'Option': {'IsFlash': '1'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Common': {'CopyType': '0', 'IsPrintPreview': '1'}}

    def test_print_screen_prints_the_hard_copy_without_viewer(self):
        page = printer_page()
        target = TestWindow(self, 300, 200, 400, 300)
        watch = JobWatch()
        harness.key('Print')
        jobs, job = watch.finished()
        self.assertEqual(len(jobs), 1)
        self.assertEqual(job.pages(), 1)
        self.assertIsNone(find_window(VIEWER))
        bitmap = harness.Bitmap(self.slot(1))
        expected = image_rect(bitmap.width, abs(bitmap.height), page)
        picture = job.picture(page[6], 'print-direct')
        # The desktop's edges are not white, so its whole rectangle shows.
        found = picture.ink_box((0, 0, picture.width, picture.height))
        for got, want in zip(found, expected):
            self.assertLessEqual(abs(got - want), 3, found)
        # and the test window in it where the screen had it, the right way up
        for (x, y), color in target.quadrant_points() + target.corner_points(inset=3):
            spot = printed(picture, expected, bitmap.width, x, y)
            self.assertTrue(near(spot, color), (x, y, spot, color))


class RangeDirectPrint(RangeCase):
    settings = {**RangeCase.settings,
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Common': {'CopyType': '3', 'IsPrintPreview': '1'}}

    def test_selection_is_printed_at_once_with_its_pixels(self):
        page = printer_page()
        self.open_overlay()
        watch = JobWatch()
        harness.drag((100, 100), (200, 150))
        bitmap = self.wait_for_hard_copy()
        jobs, job = watch.finished()
        self.assertEqual(len(jobs), 1)
        self.assertIsNone(find_window(VIEWER))
        image = image_rect(bitmap.width, abs(bitmap.height), page)
        picture = job.picture(page[6], 'print-range')
        # Each sampled pixel of the selection lands in its place on the page.
        for fx in (0.1, 0.3, 0.7, 0.9):
            for fy in (0.1, 0.3, 0.7, 0.9):
                x, y = int(bitmap.width * fx), int(abs(bitmap.height) * fy)
                spot = printed(picture, image, bitmap.width, x, y)
                self.assertTrue(near(spot, bitmap.pixel(x, y)), (x, y, spot, bitmap.pixel(x, y)))


class PreviewInstead(harness.ZorvexTestCase):
    settings = {**DirectPrint.settings, 'Common': {'CopyType': '0', 'IsPrintPreview': '0'}}

    def test_print_screen_opens_the_viewer_and_prints_nothing(self):
        watch = JobWatch()
        harness.key('Print')
        wait_until(lambda: find_window(VIEWER), 'the history viewer')
        watch.assert_nothing_printed()


class UnknownCopyType(harness.ZorvexTestCase):
    """PrintScreen with a copy type no mode knows (a hand-edited file)
    captures nothing, so the printer step shows nothing either, not the hard
    copy of the capture before."""
    settings = {'Common': {'CopyType': '7', 'IsPrintPreview': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Option': {'IsFlash': '1'}}

    def test_nothing_is_shown_for_printing(self):
        before = self.slot_stamp()
        harness.key('ctrl+Print')
        viewer = wait_until(lambda: find_window(VIEWER), 'the viewer to print from')
        self.assertNotEqual(self.slot_stamp(), before)
        probe('post', viewer.handle, WM_CLOSE, 0)
        wait_until(lambda: find_window(VIEWER) is None, 'the viewer to close')
        stamp = self.slot_stamp()
        harness.key('Print')
        harness.assert_never(lambda: find_window(VIEWER), 3.0,
                             'the viewer opened for an earlier hard copy')
        self.assertEqual(self.slot_stamp(), stamp)


class AbortDialog(PrintCase):
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '30', **STAMPS_ON}}

    def test_dialog_shows_while_printing(self):
        picture = os.path.join(harness.ARTIFACTS, 'print-abort-dialog.png')
        if os.path.exists(picture):
            os.remove(picture)
        hook = HookedPrint(self, 'hold', picture)
        viewer = self.open_by_tray()
        self.watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        wait_until(lambda: hook.said('shown'), 'the abort dialog')
        dialog = harness.find_dialog(None)
        texts = [c.title for c in children(dialog)]
        main = find_window(MAIN, visible=False)
        harness.screenshot(picture + '.tmp.png')
        os.rename(picture + '.tmp.png', picture)
        self.assertTrue(hook.finish())
        self.assertEqual(dialog.title, 'ZORVEX')
        self.assertEqual(texts, ['キャンセルボタンで印刷を中止します', 'キャンセル(&E)'])
        self.assertFalse(main.enabled, 'the main window is disabled while printing')
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        self.finished_job()
        wait_until(lambda: find_window(MAIN, visible=False).enabled,
                   'the main window enabled again')

    def test_cancel_leaves_no_finished_pdf_and_enables_the_main_window(self):
        hook = HookedPrint(self, 'cancel')
        viewer = self.open_by_tray()
        watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        wait_until(lambda: self.viewer() is None, 'the viewer to close')
        self.assertTrue(hook.finish(), 'Cancel was clicked during the print')
        self.assertIsNone(harness.find_dialog(None, visible=None))
        wait_until(lambda: find_window(MAIN, visible=False).enabled,
                   'the main window enabled again')
        watch.assert_nothing_printed()


class RangeKeyWhilePrinting(PrintCase):
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1', 'SaveNum': '30'}}

    def test_the_overlay_waits_for_the_print_and_takes_the_keys(self):
        self.capture('Print', notice_gone=False)
        self.press_button(self.open_by_tray(), 1009)
        wait_until(lambda: self.viewer() is None, 'the viewer to print')
        harness.key('shift+Print')
        wait_until(lambda: find_window('CRangeWinClass'), 'the range overlay after the print')
        harness.run(['xdotool', 'key', 'Escape'], timeout=10)  # to the X focus, as a user's key
        wait_until(lambda: not find_window('CRangeWinClass', visible=None), 'Esc to close it')


class NoDefaultPrinter(PrintCase):
    """ZORVEX started where the print system has no printer at all (its CUPS
    server is out of reach), so there is no default printer."""

    no_print_server = True

    def test_nothing_printed_no_abort_dialog_and_program_keeps_running(self):
        self.assertEqual(self.page, ())
        hook = HookedPrint(self, 'cancel')
        viewer = self.open_by_tray()
        self.watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        # nothing was printed, so the viewer stays for another try
        harness.assert_never(lambda: self.viewer() is None or self.watch.new_jobs() or
                             self.watch.new_pdfs(), 3.0, 'the viewer closed, or something printed')
        self.assertFalse(hook.finish(acted=False), 'no abort dialog was shown')
        main = find_window(MAIN, visible=False)
        self.assertTrue(main and main.enabled)
        self.open_by_tray()


if __name__ == '__main__':
    harness.main()
