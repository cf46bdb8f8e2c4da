"""The About dialog: version texts from the running program's own version
resource, the three files with their times and the mail link."""
import ctypes
import os
import shutil
import time

import harness
from harness import Screen, click, find_window, probe, wait_until

VERSION = 2  # "バージョン情報..." among the selectable tray-menu items
TITLE = 'ZORVEX バージョン情報'
COMMENTS, DESCRIPTION, COPYRIGHT, LINK, FILES = 1085, 1087, 1061, 1078, 1056
LINK_TEXT = 'mailto:zv@example.com'
MAILTO_KEY = r'HKCR\mailto\shell\open\command'


class CursorImage(ctypes.Structure):
    _fields_ = [('x', ctypes.c_short), ('y', ctypes.c_short),
                ('width', ctypes.c_ushort), ('height', ctypes.c_ushort),
                ('xhot', ctypes.c_ushort), ('yhot', ctypes.c_ushort),
                ('cursor_serial', ctypes.c_ulong), ('pixels', ctypes.POINTER(ctypes.c_ulong)),
                ('atom', ctypes.c_ulong), ('name', ctypes.c_char_p)]


def pointer_shape():
    """The pointer image the X server shows now: size, hot spot and pixels."""
    x11 = ctypes.CDLL('libX11.so.6')
    xfixes = ctypes.CDLL('libXfixes.so.3')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    try:
        image = xfixes.XFixesGetCursorImage(display)
        shape = image.contents
        pixels = tuple(shape.pixels[i] & 0xFFFFFFFF for i in range(shape.width * shape.height))
        result = (shape.width, shape.height, shape.xhot, shape.yhot, pixels)
        x11.XFree(image)
        return result
    finally:
        x11.XCloseDisplay(display)


def file_time(path):
    return time.strftime('%Y/%m/%d %H:%M:%S', time.localtime(os.stat(path).st_mtime))


def list_rows(handle):
    rows = []
    for line in probe('listview', handle).splitlines():
        parts = line.rstrip('\r\n').split('\t')
        if parts[0] == 'row':
            rows.append(parts[4:])
    return rows


def list_columns(handle):
    return [(parts[3], int(parts[2])) for parts in
            (line.rstrip('\r\n').split('\t') for line in probe('listview', handle).splitlines())
            if parts[0] == 'column']


def center(window):
    left, top, right, bottom = window.rect
    return (left + right) // 2, (top + bottom) // 2


class AboutDialog(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '0'}, 'Option': {'IsFlash': '1'}}
    start_program = False

    def setUp(self):
        super().setUp()
        recorder, self.log = self.install_recorder()
        # another copy of the program beside the settings, older and without
        # version information: the dialog must describe the running one
        decoy = os.path.join(self.workdir, 'zor_vex.exe')
        shutil.copy(harness.RECORDER, decoy)
        os.utime(decoy, (1000000000, 1000000000))
        self.use_mail_handler(f'"{recorder}" "%1"')
        self.start()

    def use_mail_handler(self, command):
        _, output = harness.run(['wine', 'reg', 'query', MAILTO_KEY, '/ve'])
        previous = next((line.split('REG_SZ', 1)[1].strip() for line in
                         output.decode(errors='replace').splitlines() if 'REG_SZ' in line), None)
        harness.run(['wine', 'reg', 'add', MAILTO_KEY, '/ve', '/t', 'REG_SZ', '/d', command, '/f'])
        if previous is not None:
            self.addCleanup(harness.run, ['wine', 'reg', 'add', MAILTO_KEY, '/ve', '/t', 'REG_SZ',
                                          '/d', previous, '/f'])

    def recorded(self):
        return harness.recorded_lines(self.log)

    def open_about(self):
        self.choose_tray_item(VERSION)
        return wait_until(lambda: find_window('#32770', TITLE), 'the About dialog')

    def control(self, dialog, control_id):
        return harness.child(dialog, control_id)

    def steady_pointer(self, unlike=None):
        """The pointer image once two readings in a row agree (and differ from
        `unlike`): a window shown a moment ago may not have set it yet."""
        seen = []
        return wait_until(lambda: seen.append(pointer_shape()) or
                          (len(seen) > 1 and seen[-1] == seen[-2] and seen[-1] != unlike
                           and seen[-1]), 'a steady pointer', interval=0.3)

    def reference_hand_shape(self):
        """The pointer image of the system hand, taken over a window of
        another program whose class pointer is the hand."""
        harness.move_mouse(40, 40)
        arrow = self.steady_pointer()
        hand = harness.TestWindow(self, 900, 500, 200, 150, 'hand', 'hand')
        harness.move_mouse(*hand.client_point(0.5, 0.5))
        shape = self.steady_pointer(unlike=arrow)
        hand.close()
        wait_until(lambda: find_window('ZorvexTestPattern', 'hand') is None,
                   'the hand window to close')
        return shape

    def test_version_texts_files_and_link(self):
        # The program runs from the build folder with the test folder as its
        # current directory, where the older copy above sits.
        self.hand_shape = self.reference_hand_shape()
        dialog = self.open_about()
        self.assertEqual(self.control(dialog, COMMENTS).title, 'ZORVEX for Windows')
        self.assertEqual(self.control(dialog, DESCRIPTION).title, 'Version 1.18.5')
        self.assertEqual(self.control(dialog, COPYRIGHT).title,
                         'Copyright (C) 2026 ZORVEX Project')
        files = self.control(dialog, FILES).handle
        self.assertEqual(list_columns(files),
                         [('ファイル名', 100), ('バージョン', 100), ('更新日時', 120)])
        self.assertEqual(list_rows(files), [
            ['zor_vex.exe', '1, 1, 8, 5', file_time(harness.EXE)],
            ['zorvex.ini', '-', file_time(self.ini_path)],
            ['readme.txt', '-', ''],
        ])
        harness.screenshot('about')

        # the link is drawn in blue and underlined on the button face
        link = self.control(dialog, LINK)
        screen = Screen()
        left, top, right, bottom = link.rect
        runs = [sum(1 for x in range(left, right) if screen.pixel(x, y) == (0, 0, 255))
                for y in range(top, bottom)]
        self.assertGreater(max(runs), (right - left) // 2, 'an underline across the link text')
        self.assertGreater(sum(runs), max(runs) + 20, 'blue letters above the underline')

        # the pointer is the system's hand over the link, and only there
        harness.move_mouse(*center(self.control(dialog, COMMENTS)))
        wait_until(lambda: pointer_shape() != self.hand_shape, 'the arrow over a plain label')
        harness.move_mouse(left + 10, (top + bottom) // 2)
        wait_until(lambda: pointer_shape() == self.hand_shape, 'the hand over the link')

        # a click starts the mail handler with the link text
        click(left + 10, (top + bottom) // 2)
        lines = wait_until(self.recorded, 'the mail handler to start')
        self.assertEqual(len(lines), 1)
        self.assertTrue(lines[0].endswith(' ' + LINK_TEXT) or lines[0].endswith(f'"{LINK_TEXT}"'),
                        lines[0])

        harness.key('Escape')
        wait_until(lambda: find_window('#32770', TITLE) is None, 'the dialog to close on Esc')


if __name__ == '__main__':
    harness.main()
