"""Helpers for the capture tests: the probe's test window, fast screen
frames, and waiting for complete history files."""
import os
import struct
import subprocess
import time

import harness
from harness import probe, wait_until, windows

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def invert(color):
    return tuple(255 - c for c in color)


def screen_metrics():
    values = {}
    for line in probe('metrics').splitlines():
        name, *rest = line.split('\t')
        values[name] = tuple(int(v) for v in rest)
    return values


class TestWindow:
    """The probe's window of four colour quadrants: red, green / blue, white."""

    def __init__(self, case, x, y, width, height, title='capture-target', *options):
        self.process = subprocess.Popen(['wine', harness.PROBE, 'testwin', str(x), str(y),
                                         str(width), str(height), title, *options],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.handle = int(self.process.stdout.readline().strip())
        case.addCleanup(self.close)
        self.window = wait_until(self._painted, 'the test window on the screen')

    def _painted(self):
        window = next((w for w in windows() if w.handle == self.handle and w.visible), None)
        if window is None:
            return None
        self.window = window
        x, y = self.client_point(0.25, 0.25)
        return window if harness.Screen().pixel(x, y) == RED else None

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=10)
        self.process.stdout.close()

    @property
    def outer_size(self):
        return self.window.size

    @property
    def client_size(self):
        return self.window.client_size

    @property
    def client_origin(self):
        # an overlapped window: equal side and bottom borders, caption on top
        left, top, right, bottom = self.window.rect
        width, height = self.window.client_size
        border = (right - left - width) // 2
        return left + border, bottom - border - height

    def client_point(self, fx, fy):
        ox, oy = self.client_origin
        width, height = self.window.client_size
        return ox + int(width * fx), oy + int(height * fy)

    def quadrant_points(self):
        """(screen point, colour) at the middle of each quadrant."""
        return [(self.client_point(fx, fy), color) for fx, fy, color in
                ((0.25, 0.25, RED), (0.75, 0.25, GREEN), (0.25, 0.75, BLUE), (0.75, 0.75, WHITE))]


class Frame:
    """One picture of the X root window, taken with xwd (much faster than
    ImageMagick, so that short-lived feedback windows can be caught)."""

    def __init__(self):
        _, self.data = harness.run(['xwd', '-root', '-silent'], timeout=30)
        fields = struct.unpack_from('>25I', self.data, 0)
        header_size, self.width, self.height = fields[0], fields[4], fields[5]
        self.byte_order, self.bits_per_pixel, self.bytes_per_line = fields[7], fields[11], fields[12]
        colors = fields[19]
        self.offset = header_size + 12 * colors

    def pixel(self, x, y):
        at = self.offset + y * self.bytes_per_line + x * (self.bits_per_pixel // 8)
        b, g, r = self.data[at], self.data[at + 1], self.data[at + 2]
        return (r, g, b) if self.byte_order == 0 else (self.data[at + 1], self.data[at + 2],
                                                        self.data[at + 3])

    def save_png(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        raw = path + '.xwd'
        with open(raw, 'wb') as f:
            f.write(self.data)
        harness.run(['convert', 'xwd:' + raw, path], timeout=60)
        os.remove(raw)
        return path


def press_and_catch(keys, condition, timeout=4.0):
    """Presses keys and takes frames as fast as possible until one of them
    satisfies condition(frame); returns that frame, or None."""
    harness.focus_desktop()
    harness.keep_pointer_off_taskbar()
    presser = subprocess.Popen(['xdotool', 'key', '--delay', '30', *keys],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    try:
        while time.monotonic() < deadline:
            try:
                frame = Frame()
            except struct.error:
                continue  # xwd may fail while a window maps or unmaps; take the next one
            if condition(frame):
                return frame
        return None
    finally:
        presser.wait(timeout=30)


def complete_bitmap(path):
    """The bitmap at path once it exists and is as long as its header says."""
    try:
        with open(path, 'rb') as f:
            head = f.read(6)
        if len(head) < 6 or head[:2] != b'BM':
            return None
        if os.path.getsize(path) != struct.unpack_from('<I', head, 2)[0]:
            return None
        return harness.Bitmap(path)
    except OSError:
        return None


class WindowWatch:
    """Watches, from its own Wine process, for a window that may show only for
    a moment (the copied notice lives half a second): start it before the
    key press, stop it afterwards, and read whether the window was seen."""

    def __init__(self, case, class_name, title, command='watch'):
        self.stop_file = os.path.join(case.workdir, f'watch-stop-{id(self)}')
        self.process = subprocess.Popen(['wine', harness.PROBE, command, class_name, title,
                                         'Z:' + self.stop_file.replace('/', '\\')],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        case.addCleanup(self._end)
        ready = self.process.stdout.readline().strip()
        if ready != b'ready':
            raise AssertionError(f'the window watch did not start: {ready!r}')

    def stop(self):
        """Ends the watch; returns the child texts of the window seen (its
        rectangle for watch-place), or None."""
        open(self.stop_file, 'w').close()
        output, _ = self.process.communicate(timeout=30)
        fields = output.decode('cp932', errors='replace').strip().split('\t')
        return fields[1:] if fields[0] == 'seen' else None

    def _end(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)


def clipboard_size(case):
    """(width, height) of the bitmap on the clipboard, or the probe's word
    for none ('none', 'unavailable')."""
    dump = os.path.join(case.workdir, 'clipboard.bmp')
    out = probe('clipboard', case.wine_path(dump)).strip()
    if not out or out in ('none', 'unavailable'):
        return out
    width, height = out.split('\t')[:2]
    return int(width), int(height)
