"""Figures of the history viewer with a full history: SaveNum 300 and 300
full-screen (1920 x 1080) hard copies. Prints the median time of one step
("<" or ">") from key press to the repainted page, and the peak memory of the
zor_vex.exe process while stepping. Run through bench/viewer/run.sh."""
import os
import statistics
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tests', 'e2e'))
import harness  # noqa: E402

WIDTH, HEIGHT, SLOTS = 1920, 1080, 300
TIMER = os.environ['ZORVEX_STEP_TIMER']
STEPS = int(os.environ.get('ZORVEX_BENCH_STEPS', '40'))


def slot_color(n):
    # Neighbouring slots always differ, so a step always changes the page.
    return ((n * 53) % 200 + 30, (n * 97) % 200 + 30, (n * 29) % 200 + 30)


def write_full_screen_slot(path, color):
    r, g, b = color
    row = bytes((b, g, r, 0)) * WIDTH
    pixels = row * HEIGHT
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54))
        f.write(struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 32, 0, len(pixels), 0, 0, 0, 0))
        f.write(pixels)


def program_pid():
    prefix = os.environ['WINEPREFIX'].encode()
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open(f'/proc/{pid}/cmdline', 'rb') as f:
                cmdline = f.read()
            with open(f'/proc/{pid}/environ', 'rb') as f:
                environ = f.read()
        except OSError:
            continue
        if b'zor_vex.exe' in cmdline and b'WINEPREFIX=' + prefix + b'\0' in environ + b'\0':
            return int(pid)
    return None


def memory_kib(pid, field):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith(field + ':'):
                return int(line.split()[1])
    return 0


class Bench(harness.ZorvexTestCase):
    settings = {'Option': {'IsFlash': '1', 'SaveNum': '300'}}
    start_program = False

    def test_step_figures(self):
        self.addCleanup(lambda: [os.remove(self.slot(n)) for n in range(1, SLOTS + 1)
                                 if os.path.exists(self.slot(n))])
        started = time.monotonic()
        for n in range(1, SLOTS + 1):
            write_full_screen_slot(self.slot(n), slot_color(n))
        print(f'wrote {SLOTS} slots of {WIDTH}x{HEIGHT} in {time.monotonic() - started:.1f} s')
        self.start()
        pid = harness.wait_until(program_pid, 'the zor_vex.exe process')
        rss_before = memory_kib(pid, 'VmRSS')

        harness.click(*self.tray, button=3)
        viewer = harness.wait_until(lambda: harness.find_window('COnesWinClass'), 'the viewer')
        button = harness.child(viewer, 1009)
        ox, oy = button.rect[0] - 4, button.rect[1] - 3
        width, height = viewer.client_size
        x, y = ox + width // 2, oy + 60 + (height - 70) // 2
        harness.click(x, y)  # give the viewer the keyboard, as a user would

        times = []
        for direction in ('right', 'left'):
            _, out = harness.run(['wine', TIMER, str(viewer.handle), str(STEPS), direction,
                                  str(x), str(y)], timeout=600)
            lines = [line.split('\t') for line in out.decode().splitlines()]
            self.assertTrue(all(fields[0] == 'step' for fields in lines), lines)
            times += [float(fields[1]) for fields in lines]
            print(f'{direction}: {len(lines)} steps, caption now {harness.find_window("COnesWinClass").title!r}')
        hwm = memory_kib(pid, 'VmHWM')
        print(f'steps timed: {len(times)}')
        print(f'median step, key press to repainted page: {statistics.median(times):.1f} ms')
        print(f'min / max step: {min(times):.1f} / {max(times):.1f} ms')
        print(f'zor_vex.exe VmRSS before opening the viewer: {rss_before / 1024:.1f} MiB')
        print(f'zor_vex.exe VmHWM after stepping: {hwm / 1024:.1f} MiB')


if __name__ == '__main__':
    harness.main()
