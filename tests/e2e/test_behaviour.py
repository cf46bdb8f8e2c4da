"""Behaviour across the program's parts, by real input: the printer step
after each synchronous capture, the busy guard while the range overlay or the
history viewer is open, which outputs give which feedback, the pointer in
the active-window and fixed-area copies, the viewer's hand-offs, title and
resizing, and recent hard copies that cannot be opened."""
import os
import re

import harness
from harness import (ABOUT_TITLE as ABOUT, CLOSE_BUTTON, CONFIG_TITLE as CONFIG, DIALOG,
                     HOTKEY_EDIT_BUTTON, HOTKEY_EDIT_TITLE as HOTKEY_EDIT,
                     HOTKEY_LIST_TITLE as HOTKEY_LIST, IDCANCEL, IDYES, MENU, MENU_DELETE,
                     MENU_EDIT, MENU_OPEN_WITH, MENU_SAVE_AS, MENU_TITLE, OVERLAY, QUADRANTS,
                     SAVE_TITLE, TITLE_FIELD, TITLE_OK, TRAY_EXIT, TRAY_HISTORY, TRAY_HOTKEYS,
                     TRAY_PRINTER, TRAY_RECENT, TRAY_VERSION, VIEWER, WM_CLOSE, WM_COMMAND, Screen,
                     TestWindow, WindowWatch, activate, click_control, complete_bitmap,
                     find_window, foreground, key, menu_keys, probe, quadrant_color, read,
                     screen_metrics, solid, wait_in_front, wait_menus_closed, wait_until,
                     write_bitmap)
from case_support import PAGE_IMAGE, TITLE_GREY, ViewerTestCase


class PrinterStepAfterCaptures(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '0', 'IsPrintPreview': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def test_each_capture_opens_the_viewer_on_its_hard_copy_without_notice(self):
        target = TestWindow(self, 260, 180, 420, 310)
        notice = WindowWatch(self)
        cases = (('Print', screen_metrics()['screen']), ('ctrl+Print', target.outer_size),
                 ('ctrl+alt+Print', target.client_size))
        for keys, (width, height) in cases:
            activate(target)
            key(keys)
            prefix = f'1枚目( {width} x {height} ) '
            viewer = wait_until(lambda: (lambda v: v if v and v.title.startswith(prefix) else None)(
                find_window(VIEWER)), f'the viewer on {prefix!r} after {keys}')
            bitmap = complete_bitmap(self.slot(1))
            self.assertEqual((bitmap.width, bitmap.height), (width, height), keys)
            self.assertEqual(foreground(), viewer.handle, keys)
            harness.screenshot(f'printer-step-{keys}')
            click_control(viewer, CLOSE_BUTTON)
            wait_until(lambda: find_window(VIEWER, visible=None) is None, 'the viewer to close')
        self.assertTrue(os.path.exists(self.slot(3)), 'three hard copies were filed')
        self.assertIsNone(notice.stop(), 'printer output alone gives no notice')


class LauncherDuringRangeSelection(harness.ZorvexTestCase):
    start_program = False

    def setUp(self):
        super().setUp()
        recorder, self.log = self.install_recorder()
        self.write_settings({
            'Common': {'CopyType': '3'},
            'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0'},
            'Option': {'IsFlash': '1', 'IsCursor': '0'},
            'HotKey': {'IsCtrlF3': '1', 'Ctrl_F3': recorder, 'Ctrl_F3_PARAMS': 'launched'}})
        self.start()

    def test_ctrl_f3_while_the_overlay_is_up_starts_nothing(self):
        key('shift+Print')
        overlay = wait_until(lambda: find_window(OVERLAY), 'the range overlay')
        key('ctrl+F3')
        wait_in_front(overlay)
        harness.assert_never(self.recorded, 3.0, 'the launcher ran while the overlay was up')
        self.assertEqual([w.handle for w in harness.windows() if w.class_name == OVERLAY],
                         [overlay.handle], 'the same overlay stays')
        key('Escape')
        wait_until(lambda: find_window(OVERLAY, visible=None) is None, 'the overlay to close')
        # the same key once the overlay is gone does start the program
        key('ctrl+F3')
        line, = self.recorded_starts(what='the launcher to run once')
        self.assertTrue(line.endswith(' launched'), line)
        self.assertFalse(os.path.exists(self.slot(1)))


class EditorViewerCase(ViewerTestCase):
    """A viewer test whose edit application is the recorder."""

    settings = {'Option': {'IsFlash': '1', 'SaveNum': '3'}}
    app_param = '/e'

    def start(self, wait_for_tray=True):
        if not hasattr(self, 'log'):
            recorder, self.log = self.install_recorder()
            self.settings = dict(self.settings,
                                 Modify={'AppPath': recorder, 'AppParam': self.app_param})
            self.write_settings()
        super().start(wait_for_tray)


class SecondRequestBringsTheOpenWindowForward(EditorViewerCase):
    """The program keeps one of each of its windows: a second request for it,
    or a request it holds back while open, brings that window forward and
    opens nothing. Captures go on beside the About and hot-key dialogs; the
    printer setup dialog (the untitled row) holds them back."""
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1', 'SaveNum': '3'}}
    history = {1: (200, 100, quadrant_color(200, 100))}

    def choose_recent_item(self):
        menu, _ = self.open_recent_submenu()
        menu_keys(menu, 'Return')
        wait_menus_closed()

    def open_hotkey_edit(self):
        self.choose_tray_item(TRAY_HOTKEYS)
        listing = wait_until(lambda: find_window(DIALOG, HOTKEY_LIST), 'the hot-key list')
        probe('post', listing.handle, WM_COMMAND, HOTKEY_EDIT_BUTTON)

    def requests(self):
        def keys(*names):
            return ' '.join(names), lambda: key(*names)

        def tray(item, name):
            return name, lambda: self.choose_tray_item(item)
        icon = ('the tray icon', lambda: harness.click(*self.tray, button=3))
        about, hotkeys = tray(TRAY_VERSION, '"バージョン情報"'), tray(TRAY_HOTKEYS, '"ホットキー設定"')
        printer = tray(TRAY_PRINTER, '"プリンタの設定"')
        return [
            # (window, how it opens, requests that bring it forward, whether
            #  captures wait while it is open)
            ((DIALOG, ABOUT), about[1], [about], False),
            ((DIALOG, HOTKEY_LIST), hotkeys[1], [hotkeys], False),
            ((DIALOG, HOTKEY_EDIT), self.open_hotkey_edit, [hotkeys], False),
            ((DIALOG, None), printer[1], [printer, keys('Print'), icon], True),
            ((DIALOG, CONFIG), keys('alt+Print')[1],
             [keys('alt+Print'), keys('Print'), keys('ctrl+alt+F10'), icon], True),
            ((VIEWER, None), keys('ctrl+alt+F10')[1],
             [tray(TRAY_EXIT, '"終了"'), tray(TRAY_HISTORY, '"ハードコピー履歴"'),
              ('the recent item', self.choose_recent_item), printer,
              keys('alt+Print'), keys('Print'), icon], True),
            ((OVERLAY, None), keys('shift+Print')[1],
             [keys('shift+Print'), keys('Print'), keys('alt+Print')], True),
        ]

    def test_each_window_comes_forward_and_no_second_one_opens(self):
        other = TestWindow(self, 600, 200, 300, 200, 'other')
        for (class_name, title), open_it, requests, holds_captures in self.requests():
            name = title or class_name
            open_it()
            window = wait_until(lambda: find_window(class_name, title), name)
            before = {w.handle for w in harness.windows() if w.visible}
            slot_one = self.slot_stamp()
            for what, request in requests:
                activate(other)
                request()
                wait_in_front(window, f'{name} in front after {what}')
            added = [w for w in harness.windows() if w.visible and w.handle not in before
                     and w.class_name not in (MENU, 'tooltips_class32')]
            self.assertEqual(added, [], f'a window opened beside {name}')
            self.assertIsNone(self.process.poll(), 'the program keeps running')
            if holds_captures:
                harness.assert_never(lambda: self.slot_stamp() != slot_one, 1.0,
                                     f'a hard copy while {name} was open')
            else:
                key('Print')
                wait_until(lambda: self.slot_replaced(slot_one),
                           f'a hard copy while {name} is open')
            if class_name == VIEWER:
                probe('post', window.handle, WM_CLOSE, 0)
            elif class_name == OVERLAY:
                key('Escape')
            while dialog := find_window(DIALOG):  # the hot-key list closes after its edit
                probe('post', dialog.handle, WM_COMMAND, IDCANCEL)
                wait_until(lambda: find_window(DIALOG, dialog.title, visible=None) is None,
                           f'{dialog.title} to close')
            wait_until(lambda: find_window(class_name, title, visible=None) is None,
                       f'{name} to close')
        self.assertEqual(self.recorded(), [], 'the recent item started nothing')

        # with the viewer closed the same recent item does start the edit application
        self.choose_recent_item()
        line, = self.recorded_starts(what='the edit application')
        self.assertRegex(line, r' /e [A-Za-z]:\\[^"]*\\~zor_vex1\.bmp$')


class FeedbackCase(harness.ZorvexTestCase):
    output = {}
    flash = '1'

    def setUp(self):
        self.settings = None
        self.start_program = False
        super().setUp()
        self.save_dir = os.path.join(self.workdir, 'saved')
        os.makedirs(self.save_dir)
        self.write_settings({
            'Common': {'CopyType': '0'},
            'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0', 'SaveFormat3': '0',
                       'SaveDir': self.wine_path(self.save_dir), **self.output},
            'Option': {'IsFlash': self.flash, 'IsCursor': '0', 'SaveNum': '10'}})
        self.start()


class NoticeForFileOutput(FeedbackCase):
    output = {'SaveFormat2': '1', 'IsSaveDialog': '0'}

    def test_automatic_save_alone_shows_the_copied_notice(self):
        TestWindow(self, 200, 150, 400, 300)
        notice = WindowWatch(self)
        key('Print')
        wait_until(lambda: complete_bitmap(self.slot(1)), 'the hard copy')
        wait_until(self.saved_files, 'the saved file')
        texts = notice.stop(shown=True)
        self.assertIsNotNone(texts, 'a notice was shown')
        self.assertIn(harness.COPIED, texts)


class ViewerHandOffs(EditorViewerCase):
    wine_debug = 'fixme+exec'
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '3'},
                'SaveAs': {'IsSaveDialog': '0', 'SaveFormat2': '0'}}
    app_param = '/e -q'

    def save_as(self, viewer, target):
        self.choose(viewer, MENU_SAVE_AS)
        wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')
        harness.type_text(self.wine_path(target))
        key('Return')

    def test_save_as_asks_for_the_name_even_without_the_save_dialog_setting(self):
        viewer = self.open_by_tray()
        # a folder that takes no file is told as a capture's save is
        unwritable = os.path.join(self.workdir, 'unwritable')
        os.makedirs(unwritable)
        harness.read_only_folder(self, unwritable)
        self.save_as(viewer, os.path.join(unwritable, 'named'))
        balloon = harness.balloon_saying(harness.DELIVERY_FAILED, harness.SAVE_FAILED)
        self.assertTrue(balloon.lines[0].endswith('unwritable'), 'the folder named')
        wait_until(lambda: self.viewer() and self.viewer().enabled, 'the viewer enabled again')
        target = os.path.join(self.workdir, 'named')
        self.save_as(viewer, target)
        saved = target + '.bmp'
        wait_until(lambda: complete_bitmap(saved), 'the named file')
        self.assertEqual(read(saved), read(self.slot(1)))
        wait_until(lambda: self.viewer() and self.viewer().enabled, 'the viewer enabled again')

    def test_edit_starts_the_application_and_open_with_calls_the_chooser(self):
        viewer = self.open_by_tray()
        self.choose(viewer, MENU_EDIT)
        line, = self.recorded_starts(what='the edit application')
        match = re.search(r' /e -q ([A-Za-z]:\\[^"]*\\~zor_vex1\.bmp)$', line)
        self.assertIsNotNone(match, line)

        # Wine's chooser is an empty stand-in that only logs its call, so the
        # log shows what the viewer handed to it: itself as owner, the slot
        # file followed by two blanks, and the normal show command.
        self.choose(viewer, MENU_OPEN_WITH)
        call = wait_until(lambda: re.search(r'OpenAs_RunDLLW ([0-9A-Fa-f]+), ([0-9A-Fa-f]+), '
                                            r'L"(.*)", (\d+)', read(self.wine_log_path).decode(
                                                'cp932', errors='replace')),
                          'the open-with chooser to be called')
        owner, instance, command_line, show = call.groups()
        self.assertEqual(int(owner, 16), viewer.handle, 'the viewer owns the chooser')
        self.assertEqual(int(instance, 16), 0)
        self.assertEqual(command_line.replace('\\\\', '\\'), match.group(1) + '  ')
        self.assertEqual(show, '1')
        self.recorded_starts(what='no other start: the chooser started nothing itself')


class ViewerPage(ViewerTestCase):
    history = {1: (200, 100, quadrant_color(200, 100)), 2: (64, 48, solid((0, 0, 0)))}

    def title_region(self, viewer):
        ox, oy = self.client_origin(viewer)
        return ox + 20, oy + 62, ox + viewer.client_size[0] - 20, oy + 80

    def enter_title(self, viewer, clear_first=False, text=''):
        self.choose(viewer, MENU_TITLE)
        dialog = self.message_box(control=TITLE_FIELD)
        field = harness.child(dialog, TITLE_FIELD)
        shown = probe('gettext', field.handle).rstrip('\r\n')
        click_control(dialog, TITLE_FIELD)
        if clear_first:
            key('End', 'shift+Home', 'Delete')
            wait_until(lambda: probe('gettext', field.handle).strip() == '', 'the field emptied')
        if text:
            harness.type_text(text)
        click_control(dialog, TITLE_OK)
        dialog.wait_closed()
        return shown

    def test_ok_with_an_empty_field_removes_the_title(self):
        viewer = self.open_by_tray()
        region = self.title_region(viewer)
        self.enter_title(viewer, text='TITLE')
        wait_until(lambda: Screen().find_color(TITLE_GREY, region), 'the grey title on the page')
        shown = self.enter_title(viewer, clear_first=True)
        self.assertEqual(shown, 'TITLE', 'the dialog showed the current title')
        wait_until(lambda: Screen().find_color(TITLE_GREY, region) == [], 'the title gone')
        harness.screenshot('behaviour-title-removed')
        self.assertTrue(self.caption().startswith('1枚目( 200 x 100 ) '))

    def assert_page(self, what):
        """The page fits the window's present client area, shortly after a change."""
        def drawn():
            viewer = self.viewer()
            width, height = viewer.client_size
            if (width, height) not in PAGE_IMAGE:
                return False  # still resizing, or a size the table lacks
            ox, oy = self.client_origin(viewer)
            left, top, right, bottom = PAGE_IMAGE[width, height]
            left, top, right, bottom = left + ox, top + oy, right + ox, bottom + oy
            qw, qh = (right - left) // 4, (bottom - top) // 4
            screen = Screen()
            wanted = [((left + qw, top + qh), QUADRANTS[0]), ((right - qw, top + qh), QUADRANTS[1]),
                      ((left + qw, bottom - qh), QUADRANTS[2]),
                      ((right - qw, bottom - qh), QUADRANTS[3]),
                      ((ox + width - 7, oy + height // 2), (0, 0, 0)),  # the shadow
                      ((ox + width // 2, oy + height - 7), (0, 0, 0)),
                      ((ox + 20, oy + 70), (255, 255, 255))]
            return all(screen.pixel(*point) == color for point, color in wanted)
        wait_until(drawn, f'the page drawn for the window size {what}', timeout=3)

    def test_page_is_drawn_again_after_maximise_and_restore(self):
        viewer = self.open_by_tray()
        self.wait_caption('1枚目( 200 x 100 ) ')
        harness.move_mouse(700, 150)  # no tooltip of the tray icon over the page
        self.assert_page('at first')
        probe('maximize', viewer.handle)
        wait_until(lambda: self.viewer().size[0] > 700, 'the viewer maximised')
        self.assert_page('when maximised')
        harness.screenshot('behaviour-viewer-maximised')
        probe('restore', viewer.handle)
        wait_until(lambda: self.viewer().size == (510, 680), 'the viewer restored')
        self.assert_page('when restored')

    def recent_submenu_height(self):
        menu, submenu = self.open_recent_submenu()
        menu_keys(menu, 'Escape', 'Escape')
        wait_menus_closed()
        return submenu.size[1]

    def test_a_deleted_slot_leaves_the_recent_list(self):
        viewer = self.open_by_tray()
        two_rows = self.recent_submenu_height()
        self.click_page(viewer)
        key('Right')
        self.wait_caption('2枚目( 64 x 48 ) ')
        self.choose(viewer, MENU_DELETE)
        self.message_box().press(IDYES)
        self.wait_caption('2枚目( 履歴なし ) ')
        one_row = self.recent_submenu_height()
        self.assertGreater(two_rows - one_row, 8, 'one row fewer')
        self.assertGreater(one_row, 8)


class RecentItemsThatCannotOpen(harness.ZorvexTestCase):
    start_program = False

    def setUp(self):
        super().setUp()
        recorder, _ = self.install_recorder()
        self.write_settings({'Option': {'IsFlash': '1', 'SaveNum': '3'},
                             'Modify': {'AppPath': recorder, 'AppParam': ''}})
        write_bitmap(self.slot(1), 40, 30, solid((0, 0, 0)))
        with open(self.slot(2), 'wb') as f:
            f.write(b'not a bitmap at all, just text\r\n')
        write_bitmap(self.slot(3), 50, 30, solid((0, 0, 0)))
        self.start()

    def choose_recent(self, row, before_return=None):
        menu = self.open_tray_menu()
        menu_keys(menu, *(['Down'] * (TRAY_RECENT + 1)), 'Right', *(['Down'] * row))
        if before_return:
            before_return()
        menu_keys(menu, 'Return')
        wait_menus_closed()

    def test_not_a_bitmap_and_a_vanished_file_start_nothing(self):
        self.choose_recent(1)  # slot 2, not a bitmap
        self.choose_recent(0)  # slot 1 starts the application: the one before has run
        line, = self.recorded_starts(what='the edit application on slot 1 alone')
        self.assertRegex(line, r' [A-Za-z]:\\[^"]*\\~zor_vex1\.bmp$')

        # slot 3 is listed when the menu opens and deleted before it is chosen
        self.choose_recent(2, before_return=lambda: os.remove(self.slot(3)))
        self.choose_recent(0)
        lines = self.recorded_starts(2, 'the second start, on slot 1')
        self.assertTrue(all(line.endswith('~zor_vex1.bmp') for line in lines), lines)


if __name__ == '__main__':
    harness.main()
