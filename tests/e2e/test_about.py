"""The About dialog: version texts from the running program's own version
resource, the three files with their times and the mail link."""
import ctypes
import os
import shutil
import time

import harness
from harness import ABOUT_TITLE as TITLE, ListView, Screen, TRAY_VERSION, center, click, wait_until

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
        self.keep_registry_value(MAILTO_KEY)
        harness.run(['wine', 'reg', 'add', MAILTO_KEY, '/ve', '/t', 'REG_SZ', '/d',
                     f'"{recorder}" "%1"', '/f'])
        self.start()

    def open_about(self):
        self.choose_tray_item(TRAY_VERSION)
        return self.message_box(TITLE)

    def control(self, dialog, control_id):
        return harness.child(dialog, control_id)

    def steady_pointer(self, unlike=None, what='a steady pointer'):
        """The pointer image once two readings in a row agree (and differ from
        `unlike`): a window shown a moment ago, or one the pointer has just
        come to, may not have set it yet."""
        seen = []
        return wait_until(lambda: seen.append(pointer_shape()) or
                          (len(seen) > 1 and seen[-1] == seen[-2] and seen[-1] != unlike
                           and seen[-1]), what, interval=0.3)

    def reference_hand_shape(self):
        """The pointer image of the system hand, taken over a window of
        another program whose class pointer is the hand."""
        harness.move_mouse(40, 40)
        arrow = self.steady_pointer()
        hand = harness.TestWindow(self, 900, 500, 200, 150, 'hand', 'hand')
        harness.move_mouse(*hand.client_point(0.5, 0.5))
        shape = self.steady_pointer(unlike=arrow)
        hand.close()
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
        files = ListView(self.control(dialog, FILES).handle)
        self.assertEqual(files.columns,
                         [('ファイル名', 100), ('バージョン', 100), ('更新日時', 120)])
        self.assertEqual(files.cells(), [
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

        # the pointer is the system's hand over the link, and only there:
        # from the link to a plain label it changes, and stays changed
        harness.move_mouse(left + 10, (top + bottom) // 2)
        wait_until(lambda: pointer_shape() == self.hand_shape, 'the hand over the link')
        harness.move_mouse(*center(self.control(dialog, COMMENTS)))
        self.steady_pointer(unlike=self.hand_shape, what='another pointer over a plain label')

        # a click starts the mail handler with the link text
        click(left + 10, (top + bottom) // 2)
        line, = self.recorded_starts(what='the mail handler to start')
        self.assertTrue(line.endswith(' ' + LINK_TEXT) or line.endswith(f'"{LINK_TEXT}"'), line)

        harness.key('Escape')
        dialog.wait_closed()


if __name__ == '__main__':
    harness.main()
