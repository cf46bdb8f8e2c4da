"""Starts that race each other, settings files written by anything, and
files and folders the program does not own: a read-only temporary folder, a
save folder deleted while running, a full disk. (A slot held open is
test_truth's.)"""
import os
import subprocess

import harness
from harness import (CONFIG_TITLE, DELIVERY_FAILED, DISK_FULL, MAIN, SAVE_FAILED, VIEWER,
                     WindowWatch, balloon_saying, complete_bitmap, files_under, find_window, key,
                     mount, read, unmount, wait_until, windows)


class RacingStarts(harness.ZorvexTestCase):
    start_program = False

    def test_ten_starts_at_once_leave_exactly_one_instance(self):
        logs = [open(os.path.join(self.workdir, f'start-{n}.log'), 'w+b') for n in range(10)]
        for log in logs:
            self.addCleanup(log.close)
        starts = [subprocess.Popen(['wine', harness.EXE], cwd=self.workdir,
                                   stdout=subprocess.DEVNULL, stderr=log) for log in logs]

        def cleanup():
            for start in starts:
                if start.poll() is None:
                    start.kill()
                start.wait()
        self.addCleanup(cleanup)
        wait_until(lambda: sum(s.poll() is not None for s in starts) >= 9,
                   'nine of the ten starts to end', timeout=120)
        ended = [(s.returncode, log) for s, log in zip(starts, logs) if s.poll() is not None]
        for code, log in ended:
            log.seek(0)
            self.assertEqual(code, 0, log.read().decode(errors='replace')[-2000:])
        wait_until(harness.tray_icon_center, 'the tray icon of the one left')
        running = [s for s in starts if s.poll() is None]
        self.assertEqual(len(running), 1)
        self.assertEqual(len([w for w in windows() if w.class_name == MAIN]), 1)
        # the one left is a working program
        key('ctrl+Print')
        wait_until(lambda: complete_bitmap(self.slot(1)), 'a hard copy')


class HostileSettingsFile(harness.ZorvexTestCase):
    """Every key at an extreme, strings of 10 KB, and binary garbage after it."""
    start_program = False
    EXTREMES = ['-2147483648', '2147483647', '-1', '99999999999']

    def write_hostile_settings(self, value):
        huge = 'z' * 10240
        keys = {
            'Common': ['CopyType', 'IsExtraArea', 'IsDotRange', 'IsNotRange', 'IsPrintPreview',
                       'AutoLeft', 'AutoTop', 'AutoRight', 'AutoBottom'],
            'SaveAs': ['SaveFormat1', 'SaveFormat2', 'IsSaveDialog', 'SaveFormat3'],
            'Option': ['IsPrintEdge', 'IsPrintDialog', 'IsFlash', 'IsCursor', 'SaveNum',
                       'IsPrintSysTime', 'IsPrintHostName', 'IsPrintIPAddr'],
            'Others': ['OnesWinStyle', 'OnesLeft', 'OnesTop'],
        }
        sections = {name: {k: value for k in names} for name, names in keys.items()}
        sections['SaveAs']['SaveDir'] = huge
        sections['Modify'] = {'AppPath': huge, 'AppParam': huge}
        sections['HotKey'] = {}
        for n in range(1, 13):
            sections['HotKey'][f'IsCtrlF{n}'] = value
            sections['HotKey'][f'Ctrl_F{n}'] = huge
            sections['HotKey'][f'Ctrl_F{n}_PARAMS'] = huge
        with open(self.ini_path, 'wb') as f:
            f.write(harness.encode_ini(sections) + bytes(range(256)) * 8)

    def test_the_program_runs_with_any_settings_file(self):
        for value in self.EXTREMES:
            with self.subTest(value=value):
                self.write_hostile_settings(value)
                self.start()
                # CopyType is no mode at these values: Ctrl+PrintScreen captures
                self.capture('ctrl+Print', notice_gone=False)
                key('ctrl+alt+F10')
                viewer = wait_until(lambda: find_window(VIEWER), 'the viewer')
                left, top, right, bottom = viewer.rect
                self.assertTrue(right > 0 and bottom > 0 and left < 1280 and top < 800,
                                viewer.rect)
                harness.click(left + 30, top + 120)
                key('Escape')
                wait_until(lambda: find_window(VIEWER) is None, 'the viewer to close')
                key('alt+Print')
                dialog = self.message_box(CONFIG_TITLE)
                harness.click_button(dialog, 'キャンセル(&E)')
                dialog.wait_closed()
                self.assertIsNone(self.process.poll(), 'the program still runs')

    def test_a_folder_in_place_of_the_settings_file(self):
        os.remove(self.ini_path)
        os.mkdir(self.ini_path)
        self.start()
        key('ctrl+Print')
        wait_until(lambda: complete_bitmap(self.slot(1)), 'a hard copy')
        self.assertTrue(os.path.isdir(self.ini_path))


class FilesTheProgramDoesNotOwn(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '1', 'IsSaveDialog': '0'},
                'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '5'}}
    start_program = False

    def setUp(self):
        super().setUp()
        self.save_dir = os.path.join(self.workdir, 'saved')
        os.makedirs(self.save_dir)
        self.settings = {k: dict(v) for k, v in self.settings.items()}
        self.settings['SaveAs']['SaveDir'] = self.wine_path(self.save_dir)
        self.write_settings()
        self.start()

    def test_a_read_only_temporary_folder_files_nothing_and_recovers(self):
        before = self.capture('Print').data
        harness.read_only_folder(self, harness.WINE_TEMP)
        notice = WindowWatch(self)
        key('Print')
        # nothing is saved or filed from a capture that could not be written
        harness.assert_never(lambda: os.path.exists(self.slot(2)) or len(self.saved_files()) != 1,
                             3.0, 'a hard copy filed or saved')
        self.assertIsNone(notice.stop(), 'a hard copy reported')
        self.assertEqual(read(self.slot(1)), before)
        self.assertIsNone(self.process.poll())
        unmount(harness.WINE_TEMP)
        self.capture('Print')
        self.assertEqual(len(self.saved_files()), 2)

    def test_a_deleted_save_folder_and_a_full_disk_save_nothing_false(self):
        self.capture('Print')
        self.assertEqual(len(self.saved_files()), 1)
        os.rename(self.save_dir, self.save_dir + '-gone')
        self.capture('Print', notice_gone=False)
        balloon_saying(DELIVERY_FAILED, SAVE_FAILED)
        self.assertFalse(os.path.exists(self.save_dir), 'no folder made up')

        os.makedirs(self.save_dir)
        self.assertTrue(mount('-t', 'tmpfs', '-o', 'size=1m', 'tmpfs', self.save_dir))
        self.addCleanup(unmount, self.save_dir)
        self.start()  # a program of its own, whose first save failure is told at once
        before = files_under(self.workdir, self.temp)
        self.capture('Print', notice_gone=False)
        balloon_saying(DELIVERY_FAILED, DISK_FULL)
        # the hard copy does not fit: no file, not even a cut or a work one,
        # is left; only the history grows, by the new hard copy
        self.assertEqual(files_under(self.workdir, self.temp),
                         sorted(set(before) | {self.slot(3)}))
        self.assertIsNone(self.process.poll())


if __name__ == '__main__':
    harness.main()
