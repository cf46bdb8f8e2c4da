"""The x86 program, run by the 32-bit Wine: it starts, stays a single
instance, makes a hard copy of the screen's size with PrintScreen, shows its
tray menu and its history viewer, and ends with exit code 0.

The program is build/i686/zor_vex.exe (ZORVEX_X86_EXE). With ZORVEX_SKIP_X86=1
there is none, and the whole file reports itself skipped to ctest; so it does
where scripts/install-deps.sh could not install the 32-bit Wine (it names
the reason in build/wine32-status), or on a machine whose kernel runs no
32-bit programs."""
import os
import struct
import sys
import unittest

import harness
from harness import complete_bitmap, find_window, key, screen_metrics, wait_until, windows

X86_EXE = os.environ.get('ZORVEX_X86_EXE', '')
SKIPPED = 77  # ctest's SKIP_RETURN_CODE for this test
I386 = 0x014C
# What scripts/install-deps.sh found: "installed", or why the x86 program
# cannot be run here.
WINE32_STATUS = os.path.join(os.path.dirname(X86_EXE), '..', 'wine32-status')


def machine_of(path):
    with open(path, 'rb') as f:
        data = f.read(4096)
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    return struct.unpack_from('<H', data, pe + 4)[0]


def running_loaders():
    """(name, ELF class) of the Wine loaders that run the x86 zor_vex.exe;
    class 1 is a 32-bit, class 2 a 64-bit program."""
    loaders = []
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open(f'/proc/{pid}/cmdline', 'rb') as f:
                command = f.read()
            if b'zor_vex.exe' in command and b'i686' in command:
                loader = os.path.basename(os.readlink(f'/proc/{pid}/exe'))
                if loader.startswith('wine'):
                    with open(f'/proc/{pid}/exe', 'rb') as f:
                        elf_class = f.read(5)[4]
                    loaders.append((loader, elf_class))
        except OSError:
            continue
    return loaders


class X86Smoke(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '0'}, 'SaveAs': {'SaveFormat1': '1'},
                'Option': {'IsFlash': '1', 'IsCursor': '0'}}

    def test_runs_as_32_bit_single_instance_and_captures_the_screen(self):
        self.assertEqual(machine_of(X86_EXE), I386)
        loaders = wait_until(running_loaders, 'the Wine process of zor_vex.exe')
        self.assertEqual({elf_class for _, elf_class in loaders}, {1},
                         f'runs under {loaders}, not the 32-bit Wine')

        first = find_window(harness.MAIN, visible=False)
        code, _ = harness.run(['wine', X86_EXE], cwd=self.workdir, timeout=60)
        self.assertEqual(code, 0, 'a second start ends with code 0')
        self.assertEqual([w.handle for w in windows() if w.class_name == harness.MAIN],
                         [first.handle])

        key('Print')
        bitmap = wait_until(lambda: complete_bitmap(self.slot(1)), 'a complete ~zor_vex1.bmp')
        self.assertEqual((bitmap.width, bitmap.height), screen_metrics()['screen'])

        harness.click(*self.tray, button=3)
        viewer = wait_until(lambda: find_window(harness.VIEWER), 'the history viewer')
        width, height = bitmap.width, bitmap.height
        self.assertTrue(viewer.title.startswith(f'1枚目( {width} x {height} ) '), viewer.title)
        self.assertTrue(viewer.title.endswith(' - ZORVEX (履歴)'), viewer.title)
        harness.click_control(viewer, harness.CLOSE_BUTTON)
        wait_until(lambda: find_window(harness.VIEWER) is None, 'the viewer to close')

    def test_tray_menu_opens_and_exit_ends_with_code_zero(self):
        self.choose_tray_item(harness.TRAY_EXIT)
        self.assertEqual(self.process.wait(timeout=30), 0)
        self.assertIsNone(find_window(harness.MAIN, visible=None))


if __name__ == '__main__':
    if os.environ.get('ZORVEX_SKIP_X86') == '1':
        print('skipped: ZORVEX_SKIP_X86=1, the x86 program was not built')
        sys.exit(SKIPPED)
    try:
        with open(WINE32_STATUS, encoding='utf-8') as f:
            status = f.read().strip()
    except OSError:
        status = 'not run: scripts/install-deps.sh has not said whether the 32-bit Wine is here'
    if status != 'installed':
        print(f'skipped: {status}')
        sys.exit(SKIPPED)
    if not os.path.exists(X86_EXE):
        sys.exit(f'the x86 program {X86_EXE!r} is missing')
    harness.EXE = X86_EXE
    unittest.main(verbosity=2)
