"""Drives the real zor_vex.exe in a Wine virtual desktop on Xvfb.

Every test gets a fresh program: all Wine processes of the prefix are ended,
the temporary folder is emptied, a new working folder with the test's
zorvex.ini becomes the current directory, and zor_vex.exe is started there.
Conditions are waited for with bounded polls; a failing test leaves a
screenshot in $ZORVEX_ARTIFACTS.
"""
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

EXE = os.environ.get('ZORVEX_EXE', '')
PROBE = os.environ.get('ZORVEX_PROBE', '')
RECORDER = os.environ.get('ZORVEX_RECORDER', '')
WINE_TEMP = os.environ.get('ZORVEX_WINE_TEMP', '')
ARTIFACTS = os.environ.get('ZORVEX_ARTIFACTS', tempfile.gettempdir())

TRAY_TILE = (0x1E, 0x5A, 0xA8)
# The screen x of the X root window's left edge: negative when a monitor
# lies left of the primary.
SCREEN_LEFT = int(os.environ.get('ZORVEX_SCREEN_LEFT', '0'))
DEFAULT_TIMEOUT = 20.0


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT, interval=0.1):
    """Polls condition() until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f'timed out after {timeout:.0f} s waiting for {what}')
        time.sleep(interval)


def assert_never(condition, seconds, what):
    """Polls for a bounded time and fails as soon as condition() holds: for
    something that must not happen in answer to an input."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            raise AssertionError(what)
        time.sleep(0.1)


def run(args, timeout=60, **kwargs):
    """Runs a command and returns (exit code, output).

    The output goes through a file, not a pipe: a Wine command may leave the
    wineserver or the desktop process behind, and they would hold a pipe open.
    """
    with tempfile.TemporaryFile() as out:
        result = subprocess.run(args, stdout=out, stderr=subprocess.DEVNULL, timeout=timeout,
                                **kwargs)
        out.seek(0)
        return result.returncode, out.read()


def probe(*args, timeout=30):
    _, output = run(['wine', PROBE, *map(str, args)], timeout=timeout)
    return output.decode('cp932', errors='replace')


class Window:
    def __init__(self, line):
        parts = line.rstrip('\r\n').split('\t')
        self.handle = int(parts[0])
        self.class_name = parts[1]
        self.visible = parts[2] == 'visible'
        self.rect = tuple(int(v) for v in parts[3].split(','))
        self.control_id = int(parts[4])
        self.client_size = tuple(int(v) for v in parts[5].split(','))
        self.process = int(parts[6])
        self.enabled = parts[7] == '1'
        self.title = parts[8] if len(parts) > 8 else ''

    @property
    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]

    def __repr__(self):
        return f'<{self.class_name} {self.title!r} {self.rect} {"v" if self.visible else "h"}>'


def windows():
    return [Window(line) for line in probe('windows').splitlines() if line.count('\t') >= 7]


def children(window):
    return [Window(line) for line in probe('children', window.handle).splitlines()
            if line.count('\t') >= 7]


def find_window(class_name=None, title=None, visible=True):
    for window in windows():
        if class_name is not None and window.class_name != class_name:
            continue
        if title is not None and window.title != title:
            continue
        if visible is not None and window.visible != visible:
            continue
        return window
    return None


def hotkey_states():
    states = {}
    for line in probe('hotkeys').splitlines():
        name, _, state = line.strip().partition('\t')
        states[name] = state
    return states


# --- the X display --------------------------------------------------------

_desktop_window = None


def desktop_window():
    """The X window of the Wine desktop. It lasts as long as the desktop
    process, so it is looked up once and then only checked: a search walks
    every X window, and fails while windows come and go under it."""
    global _desktop_window
    if _desktop_window:
        code, output = run(['xdotool', 'getwindowname', _desktop_window])
        if code == 0 and 'Wine desktop' in output.decode(errors='replace'):
            return _desktop_window
    _, output = run(['xdotool', 'search', '--name', 'Wine desktop'])
    ids = output.decode().split()
    _desktop_window = ids[0] if ids else None
    return _desktop_window


def report_x_state():
    """What the X server and the processes look like when the desktop's X
    window cannot be found."""
    for args in (['xdotool', 'search', '--name', 'Wine desktop'], ['xlsclients'],
                 ['xwininfo', '-root', '-children'], ['ps', '-eo', 'pid,stat,etime,rss,args']):
        try:
            result = subprocess.run(args, capture_output=True, timeout=30)
            print('X STATE', ' '.join(args), result.returncode,
                  result.stdout.decode(errors='replace')[-3000:],
                  result.stderr.decode(errors='replace')[-1000:], flush=True)
        except (OSError, subprocess.TimeoutExpired) as error:
            print('X STATE', ' '.join(args), error, flush=True)


def focus_desktop():
    """Gives the desktop the X keyboard focus, unless it has it already: a
    focus change makes Wine close an open menu."""
    try:
        wid = wait_until(desktop_window, 'the Wine desktop window')
    except AssertionError:
        report_x_state()
        raise
    _, focused = run(['xdotool', 'getwindowfocus'])
    if focused.decode().strip() != wid:
        run(['xdotool', 'windowfocus', '--sync', wid], timeout=10)


def mouse_location():
    _, output = run(['xdotool', 'getmouselocation', '--shell'])
    values = dict(line.split('=', 1) for line in output.decode().split() if '=' in line)
    return int(values.get('X', 0)) + SCREEN_LEFT, int(values.get('Y', 0))


def keep_pointer_off_taskbar():
    # The taskbar is an X window of its own inside the desktop; keys pressed
    # while the pointer is over it go to the shell, not to the focused program.
    # Park it on the far side of the desktop, away from a menu opened there.
    x, y = mouse_location()
    taskbar = find_window('Shell_TrayWnd')
    if taskbar and taskbar.rect[1] <= y < taskbar.rect[3]:
        left, top, right, _ = taskbar.rect
        move_mouse(left + 20 if x > (left + right) // 2 else right - 20, top - 20)


def key(*keys):
    focus_desktop()
    keep_pointer_off_taskbar()
    run(['xdotool', 'key', '--delay', '60', *keys], timeout=30)


def x_window_of(window):
    """The X window that Wine made for a Windows window, found by its place."""
    import re
    _, output = run(['xwininfo', '-root', '-tree'])
    left, top, right, bottom = window.rect
    wanted = f'{right - left}x{bottom - top}+{left}+{top}'
    for line in output.decode(errors='replace').splitlines():
        match = re.match(r'\s*(0x[0-9a-f]+) .*\s(\d+x\d+\+-?\d+\+-?\d+)\s', line + ' ')
        if match and match.group(2) == wanted:
            return match.group(1)
    return None


def menu_keys(menu, *keys):
    """Presses keys in an open popup menu.

    A menu opened from the tray icon does not get the keys that go to the
    focused desktop window under Wine, so they are sent to the menu's own X
    window, which Wine accepts as keyboard input for the menu.
    """
    target = wait_until(lambda: x_window_of(menu), 'the X window of the menu')
    for name in keys:
        run(['xdotool', 'key', '--window', target, name], timeout=10)
        time.sleep(0.08)


def type_text(text):
    focus_desktop()
    keep_pointer_off_taskbar()
    run(['xdotool', 'type', '--delay', '40', text], timeout=30)


def move_mouse(x, y):
    # --sync would wait forever when the pointer is already there
    run(['xdotool', 'mousemove', str(x - SCREEN_LEFT), str(y)], timeout=10)
    wait_until(lambda: mouse_location() == (x, y), f'the pointer at {x}, {y}', timeout=5,
               interval=0.02)


def click(x, y, button=1):
    move_mouse(x, y)
    run(['xdotool', 'click', str(button)], timeout=10)


def mouse_down(button=1):
    run(['xdotool', 'mousedown', str(button)], timeout=10)


def mouse_up(button=1):
    run(['xdotool', 'mouseup', str(button)], timeout=10)


def click_button(dialog, text):
    """Clicks the button with the given text in a dialog, as a user would."""
    button = wait_until(lambda: next((c for c in children(dialog) if c.title == text), None),
                        f'the button {text!r}')
    left, top, right, bottom = button.rect
    click((left + right) // 2, (top + bottom) // 2)


def screenshot(path):
    run(['import', '-window', 'root', path], timeout=30)
    return path


class Screen:
    """The root window's pixels, read once."""

    def __init__(self):
        _, data = run(['import', '-window', 'root', '-depth', '8', 'ppm:-'], timeout=30)
        # P6\n<w> <h>\n255\n<rgb>
        fields = data.split(maxsplit=4)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = fields[4] if len(fields[4]) == self.width * self.height * 3 else \
            data[len(data) - self.width * self.height * 3:]

    def pixel(self, x, y):
        offset = (y * self.width + x - SCREEN_LEFT) * 3
        return tuple(self.pixels[offset:offset + 3])

    def find_color(self, color, region):
        left, top, right, bottom = region
        hits = [(x, y) for y in range(top, bottom) for x in range(left, right)
                if self.pixel(x, y) == color]
        return hits


def tray_icon_center():
    """The middle of ZORVEX's icon in the notification area, or None."""
    taskbar = find_window('Shell_TrayWnd')
    if taskbar is None:
        return None
    screen = Screen()
    left, top, right, bottom = taskbar.rect
    hits = screen.find_color(TRAY_TILE, (max(left, right - 300), top, right, bottom))
    if len(hits) < 20:
        return None
    xs = [x for x, _ in hits]
    ys = [y for _, y in hits]
    return (min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2


# --- bitmap files -----------------------------------------------------------

class Bitmap:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        (self.type, self.file_size, _, _, self.off_bits) = struct.unpack_from('<2sIHHI', self.data, 0)
        (self.header_size, self.width, self.height, self.planes, self.bit_count,
         self.compression, self.size_image) = struct.unpack_from('<IiiHHII', self.data, 14)
        self.stride = ((self.bit_count * self.width + 31) >> 3) & ~3

    def pixel(self, x, y):
        """(r, g, b) of the pixel at (x, y) counted from the top-left corner."""
        row = self.height - 1 - y if self.height > 0 else y
        offset = self.off_bits + row * self.stride
        if self.bit_count == 32 or self.bit_count == 24:
            step = self.bit_count // 8
            b, g, r = self.data[offset + x * step: offset + x * step + 3]
            return r, g, b
        if self.bit_count == 16:
            value, = struct.unpack_from('<H', self.data, offset + x * 2)
            return tuple(((value >> shift) & 31) * 255 // 31 for shift in (10, 5, 0))
        raise ValueError(f'unsupported bit count {self.bit_count}')


def write_bitmap(path, width, height, color_at=lambda x, y: (0, 0, 0)):
    """A 24-bit bottom-up bitmap file; color_at(x, y) counts from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = color_at(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b'\0' * (stride - width * 3))
    pixels = b''.join(rows)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54))
        f.write(struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0))
        f.write(pixels)


QUADRANTS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]


def quadrant_color(width, height):
    """Red, green / blue, white quadrants, for write_bitmap."""
    return lambda x, y: QUADRANTS[(x >= width // 2) + 2 * (y >= height // 2)]


def solid(color):
    return lambda x, y: color


# --- dialogs ------------------------------------------------------------------

BS_TYPE_MASK, BS_DEFPUSHBUTTON, SS_TYPE_MASK, SS_ICON = 0xF, 0x1, 0x1F, 0x3


class Control:
    """A dialog control as the probe reads it."""

    def __init__(self, line):
        parts = line.rstrip('\r\n').split('\t')
        self.id = int(parts[0])
        self.class_name = parts[1]
        self.visible = parts[2] == '1'
        self.enabled = parts[3] == '1'
        self.checked = parts[4] == '1'
        self.rect = tuple(int(v) for v in parts[5].split(','))
        self.screen = tuple(int(v) for v in parts[6].split(','))
        self.style = int(parts[7], 16)
        self.text = parts[8] if len(parts) > 8 else ''

    @property
    def center(self):
        left, top, right, bottom = self.screen
        return (left + right) // 2, (top + bottom) // 2

    def __repr__(self):
        return (f'<{self.id} {self.text!r} visible={self.visible} enabled={self.enabled} '
                f'checked={self.checked}>')


def controls(window):
    """The dialog's controls by id; none once the dialog is gone. A read that
    found no control of a dialog still there (a probe that did not get to
    run) is taken again."""
    for _ in range(3):
        code, output = run(['wine', PROBE, 'dialog', str(window.handle)], timeout=30)
        found = {c.id: c for c in (Control(line) for line in
                                   output.decode('cp932', errors='replace').splitlines()
                                   if line.count('\t') >= 7)}
        if found or code == 2:
            return found
    raise AssertionError(f'no controls read from {window} (probe exit code {code})')


def tree_items(dialog, tree_id):
    """The items of a tree control in display order."""
    items = []
    for line in probe('tree', dialog.handle, tree_id).splitlines():
        parts = line.rstrip('\r\n').split('\t')
        if len(parts) == 6:
            rect = tuple(int(v) for v in parts[4].split(','))
            items.append({'depth': int(parts[1]), 'expanded': parts[2] == '1',
                          'selected': parts[3] == '1', 'rect': rect, 'text': parts[5]})
    return items


class MessageBox:
    """A message box, read back from its window."""

    def __init__(self, window):
        self.window = window
        self.controls = controls(window)
        texts = [c.text for c in self.controls.values()
                 if c.class_name == 'Static' and c.visible and c.text]
        self.text = ' '.join(texts)
        self.buttons = sorted(c.id for c in self.controls.values()
                              if c.class_name == 'Button' and c.visible)
        # Wine keeps the icon control in every box; without an icon the
        # text starts where the icon would be.
        icon = next((c for c in self.controls.values() if c.class_name == 'Static' and
                     (c.style & SS_TYPE_MASK) == SS_ICON), None)
        text = next((c for c in self.controls.values() if c.class_name == 'Static' and c.text),
                    None)
        self.has_icon = bool(icon and text and icon.visible and
                             text.rect[0] >= icon.rect[0] + icon.rect[2])
        self.default = next((c.id for c in self.controls.values() if c.class_name == 'Button'
                             and (c.style & BS_TYPE_MASK) == BS_DEFPUSHBUTTON), None)

    def press(self, button_id):
        click(*self.controls[button_id].center)
        wait_until(lambda: not any(w.handle == self.window.handle and w.visible
                                   for w in windows()), 'the message box to close')


def zorvex_box():
    """The program's visible message box or notice (title "ZORVEX"), or None."""
    return next((w for w in windows()
                 if w.visible and w.class_name == '#32770' and w.title == 'ZORVEX'), None)


# --- file systems -------------------------------------------------------------

def mount(*args):
    code, _ = run(['mount', *args], timeout=30)
    return code == 0


def unmount(path):
    run(['umount', '-l', path], timeout=30)


def encode_ini(sections):
    lines = []
    for section, values in sections.items():
        lines.append(f'[{section}]')
        lines.extend(f'{k}={v}' for k, v in values.items())
    return ('\r\n'.join(lines) + '\r\n').encode('cp932')


def read_ini(path):
    sections = {}
    current = None
    with open(path, 'rb') as f:
        for raw in f.read().decode('cp932').splitlines():
            line = raw.strip()
            if line.startswith('[') and line.endswith(']'):
                current = sections.setdefault(line[1:-1], {})
            elif '=' in line and current is not None:
                k, _, v = line.partition('=')
                current[k] = v
    return sections


def recorded_lines(log):
    """The command lines the recorder program wrote to its log, oldest first."""
    if not os.path.exists(log):
        return []
    with open(log, 'rb') as f:
        return f.read().decode('cp932').splitlines()


def map_function_keys():
    # Ctrl+Alt+F10..F12 are "switch VT" keys on a bare X server; make them
    # plain function keys so that the hot keys arrive.
    run(['xmodmap', '-e', 'keycode 76 = F10 F10 F10 F10 F10 F10 F10',
         '-e', 'keycode 95 = F11 F11 F11 F11 F11 F11 F11',
         '-e', 'keycode 96 = F12 F12 F12 F12 F12 F12 F12'])


def kill_wine():
    run(['wineserver', '-k'], timeout=30)
    run(['wineserver', '-w'], timeout=30)


# The screen's DPI is the prefix's "LogPixels", read when the wineserver
# starts. A test that needs another DPI (and a desktop large enough for
# windows scaled to it) changes both and leaves a mark, so that the next test
# puts the usual values back even when the previous one was killed.
DEFAULT_DPI = 96
DEFAULT_DESKTOP = os.environ.get('ZORVEX_DESKTOP', '1280x800')
LOG_PIXELS_KEYS = (r'HKCU\Control Panel\Desktop',
                   r'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts')
DESKTOPS_KEY = r'HKCU\Software\Wine\Explorer\Desktops'


def _screen_mark():
    return os.path.join(os.environ.get('WINEPREFIX', ''), '.zorvex-screen')


def current_screen_setup():
    try:
        with open(_screen_mark()) as f:
            dpi, desktop = f.read().split()
            return int(dpi), desktop
    except (OSError, ValueError):
        return DEFAULT_DPI, DEFAULT_DESKTOP


def use_screen_setup(dpi, desktop):
    """With the wineserver stopped: the DPI and desktop size the next Wine
    start gets. Does nothing when they are already in place."""
    if current_screen_setup() == (dpi, desktop):
        return
    for key_path in LOG_PIXELS_KEYS:
        run(['wine', 'reg', 'add', key_path, '/v', 'LogPixels', '/t', 'REG_DWORD',
             '/d', str(dpi), '/f'], timeout=60)
    run(['wine', 'reg', 'add', DESKTOPS_KEY, '/v', 'shell', '/t', 'REG_SZ', '/d', desktop, '/f'],
        timeout=60)
    kill_wine()
    if (dpi, desktop) == (DEFAULT_DPI, DEFAULT_DESKTOP):
        os.remove(_screen_mark())
    else:
        with open(_screen_mark(), 'w') as f:
            f.write(f'{dpi} {desktop}\n')


class ZorvexTestCase(unittest.TestCase):
    """Starts a fresh ZORVEX for every test and ends it afterwards."""

    settings = {'Option': {'IsFlash': '1'}}
    start_program = True
    # The screen the test runs on: its DPI and the virtual desktop's size.
    screen_dpi = DEFAULT_DPI
    desktop_size = DEFAULT_DESKTOP
    # Wine debug channels for the program (WINEDEBUG syntax); their output
    # goes to wine_log_path.
    wine_debug = None

    def setUp(self):
        self.process = None
        self.addCleanup(self._finish)
        kill_wine()
        use_screen_setup(self.screen_dpi, self.desktop_size)
        if os.path.isdir(WINE_TEMP):
            for name in os.listdir(WINE_TEMP):
                path = os.path.join(WINE_TEMP, name)
                shutil.rmtree(path, ignore_errors=True) if os.path.isdir(path) else os.remove(path)
        self.workdir = tempfile.mkdtemp(prefix='zorvex-e2e-')
        self.ini_path = os.path.join(self.workdir, 'zorvex.ini')
        if self.settings is not None:
            with open(self.ini_path, 'wb') as f:
                f.write(encode_ini(self.settings))
        if self.start_program:
            self.start()

    def start(self, wait_for_tray=True):
        # Bring up the wineserver and the virtual desktop first: two Wine
        # processes starting them at the same moment can hang each other.
        if self.process is not None:
            self.process.wait(timeout=30)
        probe('metrics')
        map_function_keys()
        env, log = None, subprocess.DEVNULL
        if self.wine_debug:
            env = dict(os.environ, WINEDEBUG=self.wine_debug)
            self.wine_log_path = os.path.join(self.workdir, 'wine-debug.log')
            log = open(self.wine_log_path, 'ab')
            self.addCleanup(log.close)
        self.process = subprocess.Popen(['wine', EXE], cwd=self.workdir, env=env,
                                        stdout=subprocess.DEVNULL, stderr=log)
        wait_until(lambda: find_window('CMainWinClass', visible=False), 'the ZORVEX main window')
        focus_desktop()
        if wait_for_tray:
            self.tray = wait_until(tray_icon_center, 'the ZORVEX tray icon')

    def _failed(self):
        result = getattr(getattr(self, '_outcome', None), 'result', None)
        if result is None:
            return False
        return any(test is self for test, _ in result.errors + result.failures)

    def _finish(self):
        if self._failed():
            os.makedirs(ARTIFACTS, exist_ok=True)
            screenshot(os.path.join(ARTIFACTS, f'{self.id()}.png'))
        kill_wine()
        if self.process is not None:
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        if getattr(self, 'workdir', None):
            shutil.rmtree(self.workdir, ignore_errors=True)

    # helpers used by many tests
    def temp_file(self, name):
        return os.path.join(WINE_TEMP, name)

    def slot(self, number):
        return self.temp_file(f'~zor_vex{number}.bmp')

    def slot_stamp(self, number=1):
        """What tells a new file in a slot from the one before: its inode and
        time, or None while there is none."""
        try:
            status = os.stat(self.slot(number))
            return status.st_ino, status.st_mtime_ns
        except OSError:
            return None

    def slot_replaced(self, before, number=1):
        """Whether the slot holds another file than the one stamped `before`.
        The slot has no file for a moment while the history moves up."""
        stamp = self.slot_stamp(number)
        return stamp is not None and stamp != before

    def open_tray_menu(self):
        # a menu closed a moment ago may still hold the mouse in its loop
        main = find_window('CMainWinClass', visible=False)
        if main:
            wait_until(lambda: probe('menu-mode', main.handle).split() == ['menu', '0', 'capture', '0'],
                       'the last menu loop to end')
        click(*self.tray)
        return wait_until(lambda: find_window('#32768'), 'the tray menu')

    def choose_tray_item(self, index):
        """Chooses the index-th selectable item (0 = "終了") by keyboard."""
        menu = self.open_tray_menu()
        menu_keys(menu, *(['Down'] * (index + 1)), 'Return')
        wait_until(lambda: find_window('#32768') is None, 'the tray menu to close')

    def open_recent_submenu(self, recent_index):
        """Opens the tray menu and its recent hard copies' submenu (the
        recent_index-th selectable item); returns (menu, submenu)."""
        menu = self.open_tray_menu()
        menu_keys(menu, *(['Down'] * (recent_index + 1)), 'Right')
        submenu = wait_until(lambda: next((w for w in windows()
                                           if w.class_name == '#32768' and w.visible
                                           and w.handle != menu.handle), None),
                             'the recent submenu')
        return menu, submenu

    def settings_file(self):
        return read_ini(self.ini_path)

    def wine_path(self, unix_path):
        return 'Z:' + unix_path.replace('/', '\\')


def main():
    unittest.main(verbosity=2)
