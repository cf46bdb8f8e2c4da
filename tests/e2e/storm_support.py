"""A storm of real input against one resident ZORVEX: every hot key it owns,
tray clicks, drags and Esc presses at random intervals, while captures, the
range overlay, the viewer and the dialogs come and go. A seed replays a run.

Afterwards the program must be whole: it answers, it is the only instance,
every history slot is a complete bitmap, no window of it is left hidden but
holding the busy guard, and its memory and objects are where they were.
"""
import os
import random
import time

import harness
from harness import (CONFIG_TITLE, DIALOG, FLASH, HOTKEY_CAPTURE, IDCANCEL, MAIN, MENU,
                     MENU_BUTTON, MENU_SAVE_AS, OVERLAY, PRINT_BUTTON, SAVE_TITLE, VIEWER,
                     WM_CLOSE, WM_COMMAND, WM_HOTKEY, complete_bitmap, find_window, probe,
                     wait_until, windows)
from endurance_support import prefix_processes, sample, unix_pid_of

HOT_KEYS = ['Print', 'ctrl+Print', 'shift+Print', 'alt+Print', 'ctrl+alt+Print',
            'ctrl+alt+F10', 'ctrl+alt+F11', 'ctrl+alt+F12', 'ctrl+F3', 'ctrl+F5']
# Where clicks and drags land: the upper left of the desktop, away from the
# tray menu (which holds "終了") at the lower right.
STORM_AREA = (20, 20, 760, 560)
# The key that opens the tray menu at the pointer, and how long a menu may
# take to come after it or a tray click.
MENU_KEY, MENU_SECONDS = 'ctrl+alt+F11', 3.0
SETTINGS = {
    'Common': {'CopyType': '0'},
    'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
    'Option': {'IsFlash': '1', 'IsCursor': '1', 'SaveNum': '20'},
    'HotKey': {'IsCtrlF3': '1', 'IsCtrlF5': '1'},
}
PROGRAM_CHOOSER, FOLDER_CHOOSER = 1058, 1059  # the configuration dialog's 参照 buttons
PROGRAM_WINDOW_CLASSES = (VIEWER, OVERLAY, FLASH, DIALOG, MENU)


def storm_settings():
    settings = {k: dict(v) for k, v in SETTINGS.items()}
    recorder = 'Z:' + harness.RECORDER.replace('/', '\\') if harness.RECORDER else 'notepad.exe'
    settings['HotKey']['Ctrl_F3'] = recorder
    settings['HotKey']['Ctrl_F5'] = recorder
    return settings


def thread_states(pid):
    """Each thread's state and the CPU time it used over one second."""
    def ticks():
        found = {}
        for task in os.listdir(f'/proc/{pid}/task'):
            with open(f'/proc/{pid}/task/{task}/stat') as f:
                fields = f.read().rsplit(')', 1)[1].split()
            with open(f'/proc/{pid}/task/{task}/wchan') as f:
                wchan = f.read()
            found[task] = (fields[0], int(fields[11]) + int(fields[12]), wchan)
        return found
    first = ticks()
    time.sleep(1.0)
    second = ticks()
    return {t: (state, cpu - first.get(t, (0, cpu))[1], wchan)
            for t, (state, cpu, wchan) in second.items()}


class Storm:
    def __init__(self, case, seed, report=print):
        self.case = case
        self.random = random.Random(seed)
        self.report = report
        self.counts = {}
        main = wait_until(lambda: find_window(MAIN, visible=False), 'the main window')
        self.windows_pid = main.process
        self.unix_pid = wait_until(unix_pid_of, 'the process of zor_vex.exe')
        self.tray = case.tray

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    def random_point(self):
        left, top, right, bottom = STORM_AREA
        return self.random.randint(left, right), self.random.randint(top, bottom)

    def at_the_tray(self, *inputs, menu=True):
        """Gives inputs with the pointer at the tray. The tray menu opens
        where the pointer is when the program handles them, its first item
        "終了" under it: in the storm's area a later click would end the
        program. For those that open it the pointer stays until a menu is
        there, for a bounded time, as a busy program may refuse the menu."""
        harness.run(['xdotool', 'mousemove', str(self.tray[0]), str(self.tray[1]), *inputs],
                    timeout=10)
        deadline = time.monotonic() + MENU_SECONDS
        while menu and time.monotonic() < deadline and not find_window(MENU):
            time.sleep(0.05)
        # leave the pointer where keys reach the focused window
        x, y = self.random_point()
        harness.run(['xdotool', 'mousemove', str(x), str(y)], timeout=10)

    def one_input(self):
        choice = self.random.random()
        if choice < 0.45:
            name = self.random.choice(HOT_KEYS)
            if name == MENU_KEY:
                self.at_the_tray('key', name)
            else:
                harness.run(['xdotool', 'key', name], timeout=10)
            self.count(name)
        elif choice < 0.6:
            x, y = self.random_point()
            dx, dy = self.random.randint(-200, 300), self.random.randint(-150, 250)
            harness.run(['xdotool', 'mousemove', str(x), str(y), 'mousedown', '1',
                         'mousemove', str(x + dx // 2), str(y + dy // 2),
                         'mousemove', str(x + dx), str(y + dy), 'mouseup', '1'], timeout=10)
            self.count('drag')
        elif choice < 0.75:
            harness.run(['xdotool', 'key', 'Escape'], timeout=10)
            self.count('Escape')
        elif choice < 0.85:
            x, y = self.random_point()
            harness.run(['xdotool', 'mousemove', str(x), str(y), 'click', '1'], timeout=10)
            self.count('click')
        else:
            button = self.random.choice(('1', '3'))
            # the right button opens the viewer
            self.at_the_tray('click', button, menu=button == '1')
            self.count('tray ' + ('left' if button == '1' else 'right'))
        if self.random.random() < 0.3:
            harness.focus_desktop()

    def run(self, seconds):
        harness.focus_desktop()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.one_input()
            time.sleep(self.random.uniform(0.01, 1.0))
        self.report('inputs\t' + ' '.join(f'{k}={v}' for k, v in sorted(self.counts.items())))

    def warm_up(self):
        """Opens each kind of window once, so that what the system sets up on
        first use (common controls, dialog fonts, the shell's file and folder
        choosers with their image lists, the printer driver, the shell's
        launch code) is there before the figures are taken: the first program
        chooser alone leaves some 27 bitmaps in the shell's caches, the first
        print some 2 MB, the first About dialog 11 bitmaps, for good."""
        def close_by_keys(window, close_keys=('Escape',)):
            if window.class_name != OVERLAY:
                harness.click(window.rect[0] + 40, window.rect[1] + 10)
            harness.key(*close_keys)

        harness.key('alt+Print')
        config = wait_until(lambda: find_window(title=CONFIG_TITLE), 'the configuration dialog')
        for chooser_id in (PROGRAM_CHOOSER, FOLDER_CHOOSER):
            def chooser():
                return next((w for w in self.program_windows() if w.visible and
                             w.class_name == DIALOG and w.handle != config.handle), None)
            probe('post', config.handle, WM_COMMAND, chooser_id)
            close_by_keys(wait_until(chooser, f'the chooser {chooser_id}'))
            wait_until(lambda: not chooser(), f'the chooser {chooser_id} to close')
        close_by_keys(config)
        wait_until(lambda: not find_window(title=CONFIG_TITLE), 'the configuration dialog to close')
        # the About dialog's first showing keeps some 11 bitmaps for good;
        # the hot-key list with it
        for item, title in ((harness.TRAY_VERSION, harness.ABOUT_TITLE),
                            (harness.TRAY_HOTKEYS, harness.HOTKEY_LIST_TITLE)):
            self.case.choose_tray_item(item)
            dialog = wait_until(lambda: find_window(DIALOG, title), title)
            probe('post', dialog.handle, WM_COMMAND, IDCANCEL)
            wait_until(lambda: not find_window(DIALOG, title, visible=None), f'{title} to close')
        # the viewer's 名前を付けて保存 (the shell's file chooser once more);
        # its 印刷 prints slot 1 and closes the viewer, and the first print
        # loads the printer driver and its fonts (some 2 MB) for good
        if self.case.slot_stamp() is None:
            harness.key('Print')
            wait_until(self.case.slot_stamp, 'a first hard copy to print')
        harness.key('ctrl+alt+F10')
        viewer = wait_until(lambda: find_window(VIEWER), 'the viewer')
        harness.click_control(viewer, MENU_BUTTON)
        harness.menu_keys(wait_until(lambda: find_window(MENU), 'the viewer menu'),
                          *(['Down'] * (MENU_SAVE_AS + 1)), 'Return')
        save_as = wait_until(lambda: find_window(title=SAVE_TITLE), 'the Save As dialog')
        probe('post', save_as.handle, WM_COMMAND, IDCANCEL)
        wait_until(lambda: not find_window(title=SAVE_TITLE), 'the Save As dialog to close')
        harness.click_control(viewer, PRINT_BUTTON)
        wait_until(lambda: not find_window(VIEWER), 'the viewer to print and close', timeout=60)
        harness.key('shift+Print')
        close_by_keys(wait_until(lambda: find_window(OVERLAY), 'the range overlay'),
                      ('Escape', 'Escape'))
        wait_until(lambda: not find_window(OVERLAY), 'the range overlay to close')
        harness.click(*self.tray)
        harness.menu_keys(wait_until(lambda: find_window(MENU), 'the tray menu'), 'Escape')
        harness.wait_menus_closed()
        harness.key('Print', 'ctrl+Print', 'ctrl+alt+Print', 'ctrl+F3')
        self.calm_down()

    def program_windows(self):
        return [w for w in windows() if w.process == self.windows_pid]

    def calm_down(self):
        """Closes whatever the storm left open, as a user would: Esc, then the
        close box of each remaining window."""
        for _ in range(3):
            harness.focus_desktop()
            harness.run(['xdotool', 'key', 'Escape'], timeout=10)
            time.sleep(0.2)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            open_windows = [w for w in self.program_windows()
                            if w.visible and w.class_name in PROGRAM_WINDOW_CLASSES]
            if not open_windows:
                return
            for window in open_windows:
                probe('post', window.handle, WM_CLOSE, 0)
            time.sleep(0.3)
        raise AssertionError(f'windows left open: {self.program_windows()}')

    def measure(self, spread=3):
        """The program's memory and objects, the lowest of the readings after
        each of `spread` hard copies of the whole desktop: the process keeps
        transient buffers for a while (the clipboard's copy of the last hard
        copy, the X driver's surfaces of windows just closed), which makes a
        single reading jump by a screenful either way; a leak lifts them all.
        Objects do not jump: they are those of the last reading."""
        readings = []
        for _ in range(spread):
            before = self.case.slot_stamp()
            harness.key('Print')
            wait_until(lambda: self.case.slot_replaced(before), 'a hard copy before the figures')
            wait_until(lambda: not [w for w in self.program_windows()
                                    if w.visible and w.class_name == DIALOG],
                       'the copied notice to close')
            readings.append(sample(self.unix_pid, self.windows_pid))
        figures = dict(readings[-1])
        for key in ('private_kb', 'rss_kb'):
            figures[key] = min(r[key] for r in readings)
        return figures

    def check_whole(self):
        """The program after the storm: one instance that still makes a hard
        copy on PrintScreen, complete slot files, no hidden busy window."""
        mains = [w for w in windows() if w.class_name == MAIN]
        assert len(mains) == 1, f'main windows {mains}, exit code {self.case.process.poll()}'
        hidden_busy = [w for w in self.program_windows()
                       if not w.visible and w.class_name in (VIEWER, OVERLAY, FLASH)]
        assert not hidden_busy, hidden_busy
        temp = harness.WINE_TEMP
        slots = [n for n in os.listdir(temp) if n.startswith('~zor_vex') and n[8:9].isdigit()]
        broken = [n for n in slots if not complete_bitmap(os.path.join(temp, n))]
        assert not broken, broken
        before = self.case.slot_stamp()
        harness.key('ctrl+Print')
        try:
            wait_until(lambda: self.case.slot_replaced(before), 'a hard copy after the storm')
        except AssertionError:
            # the state as the storm left it first: the tray click below
            # changes it
            print('STUCK windows', [(hex(w.handle), w) for w in self.program_windows()], flush=True)
            print('STUCK threads', thread_states(self.unix_pid), flush=True)
            for name, pid in [('zor_vex.exe', self.unix_pid)] + [
                    ('explorer.exe', pid) for _, pid in prefix_processes('explorer.exe')]:
                try:
                    _, out = harness.run(['gdb', '-p', str(pid), '-batch', '-ex',
                                          'thread apply all bt 40'], timeout=120)
                    print(f'STUCK gdb {name} {pid}', out.decode(errors='replace'), flush=True)
                except OSError:
                    pass
            print('STUCK all windows', [(hex(w.handle), w.process, w) for w in harness.windows()],
                  flush=True)
            print('STUCK hotkeys', harness.hotkey_states(), flush=True)
            print('STUCK modifiers', probe('modifiers').split(), flush=True)
            print('STUCK foreground', probe('foreground').strip(), flush=True)
            # the hot key's message posted straight to the main window tells
            # a program that no longer answers from keys that do not reach it
            main = find_window(MAIN, visible=False)
            probe('post', main.handle, WM_HOTKEY, HOTKEY_CAPTURE)
            try:
                wait_until(lambda: self.case.slot_replaced(before), 'a posted hot key', timeout=10)
                print('STUCK a posted WM_HOTKEY made a hard copy', flush=True)
            except AssertionError:
                print('STUCK a posted WM_HOTKEY made no hard copy', flush=True)
            harness.click(*self.tray)
            print('STUCK menu after tray click', find_window(MENU), flush=True)
            harness.key('Escape')
            raise
        return len(slots)
