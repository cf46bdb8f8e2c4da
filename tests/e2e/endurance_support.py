"""Long runs of real input against one resident ZORVEX: many captures in
the three ways a user makes them, then many steps in the viewer, with the
process's memory and its GDI and USER objects sampled as they go.

Wine reports no GDI or USER counts through GetGuiResources (it gives 0), so
the probe counts the used entries of the process's GDI handle table (found
through its environment block) and its windows one by one; memory comes from
Linux: the private pages (Private_Clean + Private_Dirty of smaps_rollup) and
the resident set of the process that runs zor_vex.exe.
"""
import os

import harness
from harness import (MAIN, OVERLAY, VIEWER, complete_bitmap, find_window, probe, screen_metrics,
                     wait_until)


def prefix_processes(name):
    """The Linux processes of this Wine prefix whose command line names
    `name` (in lower case), as (command line, pid)."""
    prefix = os.environ.get('WINEPREFIX', '').encode()
    found = []
    for entry in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open(f'/proc/{entry}/cmdline', 'rb') as f:
                command = f.read().lower()
            if name.encode() not in command:
                continue
            with open(f'/proc/{entry}/environ', 'rb') as f:
                if b'WINEPREFIX=' + prefix + b'\0' not in f.read():
                    continue
        except OSError:
            continue
        found.append((command, int(entry)))
    return found


def unix_pid_of():
    """The Linux process that runs this test's zor_vex.exe: the launcher that
    `wine` starts hands the program to another process, so it is looked up
    by the program's Windows path in this prefix (other files may run it
    beside); where the 64-bit Wine runs alone, the program keeps its Linux
    path."""
    forms = [('z:' + harness.EXE.replace('/', '\\')).lower().encode(), harness.EXE.lower().encode()]
    running = prefix_processes('zor_vex.exe')
    for form in forms:
        pids = [pid for command, pid in running if form in command]
        if pids:
            return pids[0] if len(pids) == 1 else None
    return None


def proc_kb(pid, filename, *fields):
    total = 0
    with open(f'/proc/{pid}/{filename}') as f:
        for line in f:
            name, _, rest = line.partition(':')
            if name in fields:
                total += int(rest.split()[0])
    return total


def sample(unix_pid, windows_pid):
    counts = {}
    for line in probe('resources', windows_pid).splitlines():
        name, _, value = line.strip().partition('\t')
        counts[name] = value
    return {
        'private_kb': proc_kb(unix_pid, 'smaps_rollup', 'Private_Clean', 'Private_Dirty'),
        'rss_kb': proc_kb(unix_pid, 'status', 'VmRSS'),
        'gdi': int(counts.get('gdi_table', -1)),
        'user': int(counts.get('windows', -1)),
        'gdi_types': counts.get('gdi_types', '').strip(),
    }


def format_sample(label, figures):
    return (f'{label}\tprivate_kb={figures["private_kb"]}\trss_kb={figures["rss_kb"]}'
            f'\tgdi={figures["gdi"]}\tuser_windows={figures["user"]}'
            f'\tgdi_by_type={figures.get("gdi_types", "")}')


class Session:
    """Drives one running program; its settings are those of the case."""

    def __init__(self, case, report=print):
        self.case = case
        self.report = report
        main = wait_until(lambda: find_window(MAIN, visible=False), 'the main window')
        self.windows_pid = main.process
        self.unix_pid = wait_until(unix_pid_of, 'the process of zor_vex.exe')
        self.samples = []
        self.screen_size = screen_metrics()['screen']

    def measure(self, label):
        figures = sample(self.unix_pid, self.windows_pid)
        self.samples.append((label, figures))
        self.report(format_sample(label, figures))
        return figures

    def stamp(self):
        return self.case.slot_stamp()

    def press(self, *keys):
        # (a flash or overlay window that came and went may have taken the
        # X focus with it, and hot keys arrive only while Wine has it)
        harness.key(*keys, delay=30)

    def capture(self, number, mode):
        before = self.stamp()
        if mode == 0:
            self.press('Print')
        elif mode == 1:
            self.press('ctrl+Print')
        else:
            self.press('shift+Print')
            wait_until(lambda: find_window(OVERLAY), f'the range overlay of capture {number}')
            x, y = 150 + number % 200, 120 + number % 150
            harness.drag((x, y), (x + 120, y + 80))
        wait_until(lambda: self.case.slot_replaced(before), f'hard copy {number}', interval=0.03)
        # the copy is of what was asked for: the whole screen, or the range
        # dragged (the active window's size is not known here)
        wanted = {0: self.screen_size, 2: (120, 80)}.get(mode)
        if wanted:
            bitmap = wait_until(lambda: complete_bitmap(self.case.slot(1)),
                                f'hard copy {number} complete')
            size = (bitmap.width, abs(bitmap.height))
            if size != wanted:
                raise AssertionError(f'hard copy {number} (mode {mode}) is {size}, not {wanted}')

    def captures(self, count, every, spread=3):
        """Samples at the start and every `every` captures. A sample is the
        lowest of the readings after each of the last `spread` captures: the
        process keeps some transient buffers (the clipboard's copy of the
        last hard copy, the X driver's surfaces) for a while, which makes a
        single reading jump by a screenful either way; a leak lifts them all.
        """
        self.measure('captures 0')
        readings = []
        for number in range(1, count + 1):
            self.capture(number, number % 3)
            due = number % every == 0 or number == count
            if due or (every - number % every) < spread:
                wait_until(lambda: find_window(OVERLAY, visible=None) is None, 'no overlay')
                readings.append(sample(self.unix_pid, self.windows_pid))
            if due:
                lowest = {key: min(r[key] for r in readings) for key in readings[0]
                          if key != 'gdi_types'}
                lowest['gdi_types'] = readings[-1]['gdi_types']
                readings = []
                self.samples.append((f'captures {number}', lowest))
                self.report(format_sample(f'captures {number}', lowest))

    def viewer_steps(self, count, every):
        self.press('ctrl+alt+F10')
        viewer = wait_until(lambda: find_window(VIEWER), 'the viewer')
        harness.click(viewer.rect[0] + 30, viewer.rect[1] + 120)
        self.measure('steps 0')
        last_page = int(self.case.settings['Option']['SaveNum'])
        page, done = 1, 0
        while done < count:
            block = min(every, count - done)
            forward = (done // every) % 2 == 0
            self.press(*(['Right' if forward else 'Left'] * block))
            done += block
            page = min(last_page, page + block) if forward else max(1, page - block)
            # every step turned the page: the caption names the page reached
            wait_until(lambda: (lambda v: v and v.title.startswith(f'{page}枚目('))(
                find_window(VIEWER)), f'page {page} after {done} steps')
            self.measure(f'steps {done}')
        self.press('Escape')
        wait_until(lambda: find_window(VIEWER) is None, 'the viewer to close')


def growth(samples, baseline_label):
    """The last sample against the one named, figure by figure."""
    baseline = dict(samples)[baseline_label]
    last = samples[-1][1]
    return {key: last[key] - baseline[key] for key in last if key != 'gdi_types'}
