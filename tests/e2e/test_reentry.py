"""One activity at a time: a hot key or a tray click that arrives while a
capture is running (the copied notice, the Save As dialog, the range
overlay's delivery), while the viewer closes, or while another program holds
the clipboard, is neither run inside it nor lost."""
import os
import time

import harness
from harness import (CLIPBOARD_HELD, DELIVERY_FAILED, HOTKEY_CAPTURE, MAIN, MENU, MENU_BUTTON,
                     MENU_COPY, OVERLAY, RED, SAVE_TITLE, VIEWER, WM_CLOSE, WM_HOTKEY, Bitmap,
                     TestWindow, WindowWatch, assert_never, balloon_saying, clipboard_size,
                     complete_bitmap, find_window, key, probe, read, screen_metrics, wait_in_front,
                     wait_until)

WM_QUERYENDSESSION, WM_ENDSESSION = 0x11, 0x16
ENDSESSION_LOGOFF = 0x80000000


def viewers():
    return [w for w in harness.windows() if w.class_name == VIEWER]


def save_dialogs():
    return [w for w in harness.windows() if w.visible and w.title == SAVE_TITLE]


class ReentryCase(harness.ZorvexTestCase):
    def complete(self, number):
        return wait_until(lambda: complete_bitmap(self.slot(number)),
                          f'a complete ~zor_vex{number}.bmp')

    def save_dialog(self, count=1):
        return wait_until(lambda: (lambda found: found[0] if len(found) == count else None)(
            save_dialogs()), f'{count} Save As dialog(s)')

    def type_name_and_confirm(self, folder, name):
        # a dialog brought forward without a click takes no keys under Wine
        dialog = self.save_dialog()
        harness.click(dialog.rect[0] + 120, dialog.rect[1] + 8)
        harness.type_text(self.wine_path(os.path.join(folder, name)))
        key('Return')


class KeyDuringTheCopiedNotice(ReentryCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}

    def test_second_key_makes_its_own_hard_copy_after_the_first(self):
        target = TestWindow(self, 300, 200, 400, 300)
        notices = WindowWatch(self)
        key('Print', 'ctrl+Print', delay=150)
        first = self.complete(2)
        second = self.complete(1)
        notices.stop(shown=2)
        self.assertEqual((first.width, first.height), screen_metrics()['screen'])
        self.assertEqual((second.width, second.height), target.outer_size)
        self.assertNotEqual(first.data, second.data)
        # the desktop hard copy shows the test window, not the notice
        (x, y), color = target.quadrant_points()[0]
        self.assertEqual(first.pixel(x, y), color)
        self.assertEqual(clipboard_size(self), target.outer_size)
        self.assertFalse(os.path.exists(self.slot(3)))


class MenuKeysOnTheCopiedNotice(ReentryCase):
    """Alt or F10 reaching the notice while it shows (the hot keys with Alt
    release it there) must not keep the notice's activity alive once it has
    gone: the next hot key makes its hard copy."""
    settings = KeyDuringTheCopiedNotice.settings

    def check_menu_key(self, menu_key):
        before = self.slot_stamp()
        watch = WindowWatch(self, command='place')
        key('ctrl+Print', delay=0)
        wait_until(watch.shown, 'the copied notice')
        if menu_key == 'caption':
            # the system menu, from a right click on the caption
            shown = [int(v) for v in watch.stop()]
            harness.click(shown[0] + 30, shown[1] + 8, button=3)
        else:
            harness.run(['xdotool', 'key', menu_key], timeout=10)
        wait_until(lambda: not watch.present(), 'the notice to close')
        # the hard copy was filed before the notice opened
        self.assertTrue(self.slot_replaced(before), f'the hard copy of {menu_key}')
        self.complete(1)
        self.capture('ctrl+Print')

    def test_alt_and_f10_on_the_notice(self):
        TestWindow(self, 300, 200, 400, 300)
        for menu_key in ('F10', 'alt', 'alt+space', 'caption'):
            with self.subTest(menu_key):
                self.check_menu_key(menu_key)


class KeyDuringTheSaveAsDialog(ReentryCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '1',
                           'SaveFormat3': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}

    def test_named_file_keeps_the_first_hard_copy(self):
        target = TestWindow(self, 300, 200, 400, 300)
        (x, y), _ = target.quadrant_points()[0]
        key('Print')
        self.save_dialog()
        # four more presses wait as one request: one more dialog, not four
        for _ in range(4):
            key('Print')
        # The screen changes before the name is confirmed: a capture run now
        # would still show the test window, one run afterwards does not.
        target.close()
        wait_until(lambda: harness.Screen().pixel(x, y) != RED, 'the test window gone')
        self.assertEqual(len(save_dialogs()), 1, 'no second dialog inside the first')
        self.type_name_and_confirm(self.workdir, 'first')
        named = os.path.join(self.workdir, 'first.bmp')
        wait_until(lambda: complete_bitmap(named), 'the named file')
        second_dialog = self.save_dialog()
        harness.click_button(second_dialog, 'キャンセル')
        assert_never(save_dialogs, 3.0, 'a third Save As dialog')
        first, second = self.complete(2), self.complete(1)
        self.assertEqual(read(named), first.data)
        self.assertEqual(Bitmap(named).pixel(x, y), RED)
        self.assertNotEqual(second.pixel(x, y), RED)
        self.assertEqual(sorted(os.listdir(self.workdir)), ['first.bmp', 'zorvex.ini'])


class CloseRequestDuringTheSaveAsDialog(ReentryCase):
    """A request to end (a script, an installer, taskkill without /f) while
    the user chooses a name, or has the tray menu open, waits for them; a
    sign-out that waited for them and was called off leaves the program be."""
    settings = KeyDuringTheSaveAsDialog.settings

    def test_the_name_is_saved_then_the_program_ends(self):
        main = find_window(MAIN, visible=False)
        key('Print')
        self.save_dialog()
        refused = probe('send', main.handle, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)
        self.assertEqual(refused.strip(), '0', 'the sign-out waits for the user')
        probe('send', main.handle, WM_ENDSESSION, 0, ENDSESSION_LOGOFF)
        self.type_name_and_confirm(self.workdir, 'first')
        wait_until(lambda: complete_bitmap(os.path.join(self.workdir, 'first.bmp')), 'the named file')
        assert_never(lambda: self.process.poll() is not None, 2.0, 'the program ended')
        self.assertTrue(harness.tray_icon_center(), 'the tray icon')
        key('Print')
        self.save_dialog()
        probe('post', main.handle, WM_CLOSE, 0)
        assert_never(lambda: self.process.poll() is not None or not save_dialogs(), 2.0,
                     'the program ended, or its dialog went, under the user')
        self.type_name_and_confirm(self.workdir, 'kept')
        wait_until(lambda: complete_bitmap(os.path.join(self.workdir, 'kept.bmp')), 'the named file')
        wait_until(lambda: self.process.poll() is not None, 'the program to end afterwards')
        self.assertEqual(self.process.returncode, 0)

        self.start()
        menu = self.open_tray_menu()
        main = find_window(MAIN, visible=False)
        probe('post', main.handle, WM_CLOSE, 0)
        assert_never(lambda: self.process.poll() is not None or not find_window(MENU), 2.0,
                     'the program ended, or its menu went, under the user')
        harness.menu_keys(menu, 'Escape')
        wait_until(lambda: self.process.poll() is not None, 'the program to end once the menu closed')


class KeyDuringTheRangeDelivery(ReentryCase):
    settings = {'Common': {'CopyType': '3'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '1',
                           'SaveFormat3': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}

    def test_selection_is_saved_and_the_key_runs_afterwards(self):
        target = TestWindow(self, 300, 200, 400, 300)
        self.range_capture(wait=False)
        self.save_dialog()
        key('ctrl+Print')
        self.type_name_and_confirm(self.workdir, 'selection')
        named = os.path.join(self.workdir, 'selection.bmp')
        wait_until(lambda: complete_bitmap(named), 'the named selection')
        harness.click_button(self.save_dialog(), 'キャンセル')
        selection, window = self.complete(2), self.complete(1)
        self.assertEqual((selection.width, selection.height), (100, 50))
        self.assertEqual(read(named), selection.data)
        self.assertNotEqual((window.width, window.height), (100, 50))
        self.assertIsNone(find_window(OVERLAY, visible=None))
        del target


class TrayDuringACapture(ReentryCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '1',
                           'SaveFormat3': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}

    def test_there_is_only_ever_one_viewer(self):
        key('Print')
        dialog = self.save_dialog()
        harness.click(*self.tray, button=3)
        assert_never(viewers, 2.0, 'a viewer opened inside the capture')
        harness.click_button(dialog, 'キャンセル')
        viewer = wait_until(lambda: find_window(VIEWER), 'the viewer after the capture')
        wait_in_front(viewer)
        self.assertEqual(len(viewers()), 1)
        self.assertTrue(viewer.title.startswith('1枚目('), viewer.title)
        # closing it leaves no viewer behind, and the next request opens one again
        harness.click(viewer.rect[0] + 30, viewer.rect[1] + 120)
        key('Escape')
        wait_until(lambda: not viewers(), 'the viewer to close')
        harness.click(*self.tray, button=3)
        wait_until(lambda: find_window(VIEWER), 'a new viewer')
        self.assertEqual(len(viewers()), 1)


class ViewerClosing(ReentryCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}

    def test_hot_key_queued_at_close_runs_once_the_viewer_is_gone(self):
        key('ctrl+alt+F10')
        viewer = wait_until(lambda: find_window(VIEWER), 'the history viewer')
        harness.click(viewer.rect[0] + 30, viewer.rect[1] + 120)
        wait_in_front(viewer)
        main = find_window(MAIN, visible=False)
        probe('post-seq', viewer.handle, WM_CLOSE, 0, 0, main.handle, WM_HOTKEY, HOTKEY_CAPTURE, 0)
        wait_until(lambda: not viewers(), 'the viewer to close')
        hard_copy = self.complete(1)
        self.assertEqual((hard_copy.width, hard_copy.height), screen_metrics()['screen'])
        self.assertEqual(viewers(), [])
        key('ctrl+alt+F10')
        wait_until(lambda: find_window(VIEWER), 'the viewer again')


class BusyClipboard(ReentryCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': {'IsFlash': '0', 'IsCursor': '0', 'SaveNum': '5'}}

    def hold_clipboard(self, milliseconds, *until_file):
        return self.helper('hold-clipboard', milliseconds, *until_file, ready='holding')

    def test_a_short_hold_is_waited_for(self):
        probe('clear-clipboard')
        # Held from before the key until 200 ms after the hard copy is
        # written, which is when the clipboard is first tried: the first try
        # fails, and the program tries again for up to 500 ms.
        holder = self.hold_clipboard(200, self.wine_path(self.temp_file('~zor_vex.bmp')))
        key('Print')
        hard_copy = self.complete(1)
        self.assertEqual(holder.rest(timeout=10).strip(), 'released')
        # slot 1 is filed after the clipboard has been tried
        self.assertEqual(clipboard_size(self), (hard_copy.width, hard_copy.height))

    def test_a_long_hold_costs_the_clipboard_only(self):
        probe('clear-clipboard')
        holder = self.hold_clipboard(5000)
        started = time.monotonic()
        key('Print')
        self.complete(1)
        self.assertLess(time.monotonic() - started, 4.0, 'the capture waited for the clipboard')
        self.assertIsNone(holder.process.poll(), 'the clipboard was still held')
        balloon_saying(DELIVERY_FAILED, CLIPBOARD_HELD)
        holder.rest(timeout=15)
        self.assertEqual(clipboard_size(self), 'none')

        # the viewer's copy tells nothing when nothing was copied
        key('ctrl+alt+F10')
        viewer = wait_until(lambda: find_window(VIEWER), 'the history viewer')
        holder = self.hold_clipboard(5000)
        harness.click_control(viewer, MENU_BUTTON)
        menu = wait_until(lambda: find_window(MENU), 'the viewer menu')
        watch = WindowWatch(self)
        harness.menu_keys(menu, *(['Down'] * (MENU_COPY + 1)), 'Return')
        harness.wait_menus_closed()
        assert_never(lambda: holder.process.poll() is not None, 2.0,
                     'the clipboard let go before the copy was tried')
        self.assertIsNone(watch.stop(), 'the copied notice for a copy that did not happen')
        holder.rest(timeout=15)
        self.assertEqual(clipboard_size(self), 'none')

        # with the clipboard free again, the next capture reaches it
        harness.click(viewer.rect[0] + 30, viewer.rect[1] + 120)
        key('Escape')
        wait_until(lambda: not viewers(), 'the viewer to close')
        previous = read(self.slot(1))
        key('Print')
        wait_until(lambda: complete_bitmap(self.slot(2)) and read(self.slot(2)) == previous,
                   'the next hard copy in the history')
        self.assertEqual(clipboard_size(self), screen_metrics()['screen'])


if __name__ == '__main__':
    harness.main()
