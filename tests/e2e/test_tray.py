"""The tray icon and its menu: opening it, its check marks, the commands
that write the settings file, and the recent hard copies it lists."""
import harness
from harness import (MENU, TRAY_ACTIVE as ACTIVE, TRAY_CONFIG as CONFIG, TRAY_CURSOR as CURSOR,
                     TRAY_DESKTOP as DESKTOP, TRAY_NOFRAME as NOFRAME, TRAY_RANGE as RANGE, Screen,
                     TestWindow, find_window, menu_keys, wait_menus_closed, wait_until,
                     write_bitmap)


def highlighted_rows(menu, before, after):
    """The rows of the highlight bar in an open menu, found by comparing the
    right margin with the screen before any item was highlighted."""
    left, top, right, bottom = menu.rect
    probe_x = right - 8
    changed = [y for y in range(top + 2, bottom - 2)
               if after.pixel(probe_x, y) != before.pixel(probe_x, y)]
    # the longest run of changed rows is the highlight (a tooltip may change a few more)
    runs = []
    for y in changed:
        if runs and y == runs[-1][-1] + 1:
            runs[-1].append(y)
        else:
            runs.append([y])
    longest = max(runs, key=len, default=[])
    return longest if len(longest) >= 8 else None


def settled_highlight(menu, before):
    """The rows of the highlight bar once the menu has taken every key, and
    the screen that shows it. `before` is the screen without highlight."""
    screens, seen = [], []

    def highlight():
        # the same rows on two screens in a row: the menu has taken every key
        screens[:] = [Screen()]
        rows = highlighted_rows(menu, before, screens[0])
        settled = rows is not None and seen and seen[-1] == rows
        seen.append(rows)
        return rows if settled else None

    rows = wait_until(highlight, 'the highlighted menu row', timeout=5)
    return rows, screens[0]


def highlighted_row_has_check(menu, before):
    """True when a check mark is drawn in the left margin of the highlighted
    row of an open menu. `before` is the screen without highlight."""
    rows, after = settled_highlight(menu, before)
    left = menu.rect[0]
    colour = after.pixel(menu.rect[2] - 8, rows[len(rows) // 2])
    marks = sum(1 for y in rows for x in range(left + 3, left + 20) if after.pixel(x, y) != colour)
    return marks > 4


class TrayMenuTest(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '3', 'IsExtraArea': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0'},
                'HotKey': {'Ctrl_F2': 'notepad.exe'}}

    def check_mark_on(self, index):
        menu = self.open_tray_menu()
        before = Screen()
        menu_keys(menu, *(['Down'] * (index + 1)))
        checked = highlighted_row_has_check(menu, before)
        menu_keys(menu, 'Escape')
        wait_menus_closed()
        return checked

    def test_left_click_opens_the_menu_next_to_the_taskbar(self):
        menu = self.open_tray_menu()
        harness.screenshot('tray-menu')
        taskbar = find_window('Shell_TrayWnd')
        self.assertLessEqual(menu.rect[3], taskbar.rect[1], 'the menu keeps clear of the taskbar')
        x = self.tray[0]
        self.assertLessEqual(menu.rect[0], x)
        # every item inside it: the first selectable one at the top, the last
        # (reached with one Down per item) at the bottom, the rest between
        before = Screen()
        menu_keys(menu, 'Down')
        first, _ = settled_highlight(menu, before)
        menu_keys(menu, *(['Down'] * CONFIG))
        last, _ = settled_highlight(menu, before)
        row = len(first)
        self.assertLess(first[0] - menu.rect[1], row, 'the first item at the top')
        self.assertLess(menu.rect[3] - last[-1], row, 'the last item at the bottom')
        self.assertGreaterEqual(last[0] - first[0], CONFIG * row, 'every item between')
        menu_keys(menu, 'Escape')
        wait_menus_closed()

    def test_mode_item_moves_the_check_and_writes_only_copy_type(self):
        with open(self.ini_path, 'rb') as f:
            before = f.read().decode('cp932').splitlines()
        self.assertTrue(self.check_mark_on(RANGE))
        self.assertFalse(self.check_mark_on(DESKTOP))

        self.choose_tray_item(DESKTOP)
        wait_until(lambda: self.settings_file()['Common'].get('CopyType') == '0',
                   'CopyType=0 in the settings file')
        with open(self.ini_path, 'rb') as f:
            after = f.read().decode('cp932').splitlines()
        changed = [(a, b) for a, b in zip(before, after) if a != b]
        self.assertEqual(changed, [('CopyType=3', 'CopyType=0')])
        self.assertEqual(len(before), len(after))

        self.assertTrue(self.check_mark_on(DESKTOP))
        self.assertFalse(self.check_mark_on(RANGE))

    def test_pointer_option_toggles_and_is_written(self):
        self.assertFalse(self.check_mark_on(CURSOR))
        self.choose_tray_item(CURSOR)
        wait_until(lambda: self.settings_file()['Option'].get('IsCursor') == '1', 'IsCursor=1')
        self.assertTrue(self.check_mark_on(CURSOR))
        self.choose_tray_item(CURSOR)
        wait_until(lambda: self.settings_file()['Option'].get('IsCursor') == '0', 'IsCursor=0')

    def test_ctrl_alt_f11_shows_the_menu_at_the_pointer(self):
        harness.move_mouse(500, 300)
        harness.key('ctrl+alt+F11')
        menu = wait_until(lambda: find_window(MENU), 'the tray menu')
        left, top, right, bottom = menu.rect
        self.assertLess(abs((left + right) // 2 - 500), 3, 'centred on the pointer')
        self.assertEqual(top, 300)


class HotKeysAfterTheMenu(harness.ZorvexTestCase):
    """The menu takes the foreground for the program's hidden window while it
    is open; once it closes, the window that was in front is in front again,
    so the next Ctrl+PrintScreen is heard and copies that window."""
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1'}}

    def test_closed_by_esc_and_by_a_click_elsewhere(self):
        target = TestWindow(self, 100, 100, 300, 200)
        for close in ('Escape', 'click elsewhere'):
            harness.click(*target.client_point(0.5, 0.5))
            harness.wait_in_front(target)
            menu = self.open_tray_menu()
            if close == 'Escape':
                menu_keys(menu, 'Escape')
            else:
                harness.click(700, 300)
            wait_menus_closed()
            copy = self.capture('ctrl+Print')
            self.assertEqual((copy.width, copy.height), target.outer_size, close)


class FixedAreaMode(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '4'}, 'Option': {'IsFlash': '1'}}

    def test_no_mode_item_is_checked(self):
        for index in (DESKTOP, ACTIVE, NOFRAME, RANGE):
            self.assertFalse(TrayMenuTest.check_mark_on(self, index), index)


class RecentHardCopies(harness.ZorvexTestCase):
    start_program = False

    def submenu_height(self):
        menu, submenu = self.open_recent_submenu()
        harness.screenshot(f'tray-recent-{self.count}')
        menu_keys(menu, 'Escape', 'Escape')
        return submenu.size[1]

    def start_with_slots(self, numbers):
        self.stop_program()
        harness.empty_folder(harness.WINE_TEMP)
        for number in numbers:
            write_bitmap(self.slot(number), 40 + number, 30)
        self.count = len(numbers)
        self.start()

    def test_submenu_lists_one_row_per_present_slot(self):
        self.start_with_slots([])
        empty = self.submenu_height()
        self.start_with_slots([1, 2, 3])
        three = self.submenu_height()
        self.start_with_slots([1, 3])
        two = self.submenu_height()
        row = three - two
        self.assertGreater(row, 8)
        self.assertEqual(three - empty, 2 * row, 'three rows where "（なし）" was one')


class MenuOpenDuringACapture(harness.ZorvexTestCase):
    """A hot key while the menu is open makes its hard copy; the menu is not
    pulled from under its loop, and its recent item still opens the hard copy
    its label names, which the capture moved to slot 2. Further tray clicks
    and Ctrl+Alt+F11 while it is open open no second menu."""
    start_program = False

    def test_a_recent_item_opens_the_hard_copy_it_names(self):
        recorder, _ = self.install_recorder()
        self.write_settings({'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '0', 'SaveNum': '3'},
                             'Modify': {'AppPath': recorder, 'AppParam': ''}})
        write_bitmap(self.slot(1), 41, 30)
        self.start()
        before = self.slot_stamp()
        menu, submenu = self.open_recent_submenu()
        flash = harness.WindowWatch(self, harness.FLASH, '', 'watch-time')
        harness.key('Print')
        wait_until(lambda: self.slot_replaced(before), 'the hard copy taken with the menu open')
        # The flash paints inside the menu's loop, after the file is written;
        # while it covers the desktop, Wine gives it the keys below.
        flash.stop(shown=True)
        harness.key('ctrl+alt+F11')
        harness.assert_never(lambda: len([w for w in harness.windows() if w.visible and
                                          w.class_name == MENU]) != 2, 2.0,
                             'the open menu and its submenu gone, or a second menu')
        menu_keys(submenu, 'Return')
        line, = self.recorded_starts(what='the edit application')
        self.assertTrue(line.endswith('~zor_vex2.bmp'), line)
        # the menu opens anew with the new hard copy first
        menu, submenu = self.open_recent_submenu()
        menu_keys(submenu, 'Return')
        lines = self.recorded_starts(2, 'the edit application again')
        self.assertTrue(lines[1].endswith('~zor_vex1.bmp'), lines[1])


if __name__ == '__main__':
    harness.main()
