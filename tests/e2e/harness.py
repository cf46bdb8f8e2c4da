"""Drives the real zor_vex.exe in a Wine virtual desktop on Xvfb.

One desktop serves a whole test file. Its first test starts an X display of
the file's own (with ZORVEX_E2E_DISPLAY=own; else $DISPLAY is used as it
is), the wineserver, the virtual desktop with its taskbar and a keeper that
holds the desktop open. Every test then gets a fresh program: the program
and whatever else the test started are ended by their process ids, the
temporary folder and the clipboard are emptied, a new working folder with
the test's zorvex.ini becomes the current directory, and zor_vex.exe is
started there. A failing test leaves a screenshot in $ZORVEX_ARTIFACTS, and
everything is started afresh for the next one, so that a failure cannot
spoil it. Conditions are waited for with bounded polls.

The probe (tests/tools/probe.cpp) reads and writes UTF-8, so that any text
or path passes exactly.
"""
import atexit
import os
import re
import select
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
NOTICE = ('#32770', 'ZORVEX')  # the copied notice, and the program's message boxes


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT, interval=0.05):
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


# The probe's commands that the desktop's keeper answers in its own process
# (quick reads and acts); the others run in a probe process of their own.
SERVED = {'windows', 'children', 'hotkeys', 'clipboard', 'clear-clipboard', 'clipboard-sequence',
          'clipboard-formats', 'clipboard-png',
          'balloons', 'processes', 'end', 'reset', 'type', 'activate', 'maximize', 'restore',
          'foreground', 'ensure-foreground', 'menu-mode', 'focus', 'metrics', 'modifiers', 'post', 'post-seq', 'tray-delete',
          'taskbar-created', 'resources', 'listview', 'listview-deselect', 'gettext', 'settext',
          'send', 'dialog', 'click', 'replacesel', 'paste', 'tree', 'tree-select', 'list',
          'browse-select'}


def probe_call(*args, timeout=30):
    """Runs a probe command: (exit code, output)."""
    args = [str(a) for a in args]
    if args[0] in SERVED and DESKTOP.serving():
        return DESKTOP.ask(args, timeout)
    code, output = run(['wine', PROBE, *args], timeout=timeout)
    return code, output.decode('utf-8', errors='replace')


def probe(*args, timeout=30):
    return probe_call(*args, timeout=timeout)[1]


def probe_rows(*args):
    """The probe's output as rows of tab-separated fields."""
    return [line.rstrip('\r').split('\t') for line in probe(*args).splitlines()]


# --- windows -------------------------------------------------------------------

class Window:
    def __init__(self, fields):
        self.handle = int(fields[0])
        self.class_name = fields[1]
        self.visible = fields[2] == 'visible'
        self.rect = tuple(int(v) for v in fields[3].split(','))
        self.control_id = int(fields[4])
        self.client_size = tuple(int(v) for v in fields[5].split(','))
        self.process = int(fields[6])
        self.enabled = fields[7] == '1'
        self.title = fields[8] if len(fields) > 8 else ''

    @property
    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]

    def __repr__(self):
        return f'<{self.class_name} {self.title!r} {self.rect} {"v" if self.visible else "h"}>'


def windows():
    return [Window(fields) for fields in probe_rows('windows') if len(fields) >= 8]


def children(window):
    return [Window(fields) for fields in probe_rows('children', window.handle) if len(fields) >= 8]


def child(window, control_id):
    """A control of a window, once the window has it."""
    return wait_until(lambda: next((c for c in children(window) if c.control_id == control_id),
                                   None), f'control {control_id} of {window}')


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


def zorvex_box():
    """The program's visible message box or notice (title "ZORVEX"), or None."""
    return find_window(*NOTICE)


def hotkey_states():
    return {fields[0]: fields[1] for fields in probe_rows('hotkeys') if len(fields) == 2}


class Balloon:
    def __init__(self, handle, title):
        self.handle, self.title, self.lines = handle, title, []

    def __repr__(self):
        return f'<balloon {self.title!r} {self.lines!r}>'


def balloons():
    """The balloons the taskbar shows, each with its title and text lines."""
    found = []
    for fields in probe_rows('balloons'):
        if fields[0] == 'balloon' and len(fields) == 3:
            found.append(Balloon(int(fields[1]), fields[2]))
        elif fields[0] == 'line' and found:
            found[-1].lines.append(fields[1] if len(fields) > 1 else '')
    return found


# The title of the Save As dialog, a capture's and the viewer's.
SAVE_TITLE = 'ハードコピーに名前を付けて保存'

# What the balloon of failed outputs says: its title, and a line for each
# output that failed (the save's line ends with the folder).
DELIVERY_FAILED = 'ハードコピーを出力できませんでした'
CLIPBOARD_HELD = 'クリップボード: ほかのプログラムが使用中のため、入れられませんでした。'
SAVE_FAILED = '保存: フォルダーを作れないか、書き込めません。'
DISK_FULL = '保存: ディスクがいっぱいです。'
HISTORY_KEPT = ('履歴: 履歴のファイルがほかのプログラムに開かれているか書き込めないため、'
                '履歴は元のままです。')
NO_PRINTER = '印刷: プリンタに接続できないか、通常使うプリンタがありません。'


def balloon_saying(title, *lines, timeout=DEFAULT_TIMEOUT):
    """The balloon with this title whose lines begin with these texts, one
    each, once it shows (two seconds after it is asked for)."""
    seen = {}

    def matching():
        shown = balloons()
        seen.update((repr(b), b) for b in shown)
        return next((b for b in shown if b.title == title and len(b.lines) == len(lines)
                     and all(got.startswith(want) for got, want in zip(b.lines, lines))), None)
    try:
        return wait_until(matching, f'the balloon {title!r} saying {lines}', timeout=timeout)
    except AssertionError as error:
        raise AssertionError(f'{error}; balloons seen: {list(seen.values())}') from None


# --- the X display ----------------------------------------------------------------

_desktop_window = None


def xdotool(*commands):
    """One run of xdotool with its commands chained: what it printed."""
    _, output = run(['xdotool', *map(str, commands)], timeout=30)
    return output.decode(errors='replace')


def pointer_in(output):
    """The pointer's place in the output of getmouselocation --shell."""
    values = dict(line.split('=', 1) for line in output.split() if '=' in line)
    return int(values.get('X', 0)) + SCREEN_LEFT, int(values.get('Y', 0))


def desktop_window():
    """The X window of the Wine desktop. It lasts as long as the desktop
    process, so it is looked up once (and checked each time when the
    desktop is not the harness's own): a search walks every X window, and
    fails while windows come and go under it."""
    global _desktop_window
    if _desktop_window and (DESKTOP.setup or 'Wine desktop' in xdotool('getwindowname',
                                                                       _desktop_window)):
        return _desktop_window
    ids = xdotool('search', '--name', 'Wine desktop').split()
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


def focus_desktop(to_front=True):
    """Gives the X keyboard focus to the X window of Wine's window in front
    (the desktop's when that has none of its own), unless it has it already
    (a focus change makes Wine close an open menu), and Wine a window in
    front (a closed one may have left none, and keys then reach no program);
    returns the pointer's place.

    Wine hands a key to the thread of the window whose X window it arrives
    at: with the X focus on the desktop's window, that is the window under
    the pointer, not the one in front. Windows gives it to the window in
    front, wherever the pointer is. With to_front false the desktop's X
    window gets it."""
    try:
        wid = wait_until(desktop_window, 'the Wine desktop window')
    except AssertionError:
        report_x_state()
        raise
    said = probe('ensure-foreground').split()
    target = said[0] if to_front and said and said[0] != '0' else wid
    output = xdotool('getwindowfocus', '-f', 'getmouselocation', '--shell')
    if output.split()[:1] != [target]:
        xdotool('windowfocus', '--sync', target)
    return pointer_in(output)


def mouse_location():
    return pointer_in(xdotool('getmouselocation', '--shell'))


def keep_pointer_off_taskbar(at=None):
    # The taskbar is an X window of its own inside the desktop; keys pressed
    # while the pointer is over it go to the shell, not to the focused program.
    # Park it on the far side of the desktop, away from a menu opened there.
    x, y = at or mouse_location()
    taskbar = DESKTOP.taskbar or find_window('Shell_TrayWnd')
    if taskbar and taskbar.rect[1] <= y < taskbar.rect[3]:
        left, top, right, _ = taskbar.rect
        move_mouse(left + 20 if x > (left + right) // 2 else right - 20, top - 20)


def key(*keys, delay=60):
    # Wine hands the Alt of a hot key such as Alt+PrintScreen to the window
    # that gets the keys, Print alone being taken as the hot key: an Alt
    # pressed and let go alone, which puts the window in front in menu mode,
    # where its pointer grab eats the next click. Such a chord goes to the
    # desktop's window.
    alt_chord = any(k.startswith('alt+') for k in keys)
    keep_pointer_off_taskbar(focus_desktop(to_front=not alt_chord))
    xdotool('key', '--delay', delay, *keys)


def x_window_of(window):
    """The X window that Wine made for a Windows window, found by its place."""
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
    xdotool('key', '--window', target, '--delay', 80, *keys)


def type_text(text):
    """Types a text into the window that has the keyboard: with the X
    keyboard where its keys give the text, else through the probe."""
    keep_pointer_off_taskbar(focus_desktop())
    if text.isascii():
        xdotool('type', '--delay', 40, text)
    else:
        probe('type', text)


def move_mouse(x, y):
    """The pointer to a place (moved again while it is not there yet: --sync
    would wait forever when it is there already)."""
    for _ in range(100):
        if pointer_in(xdotool('mousemove', x - SCREEN_LEFT, y, 'getmouselocation', '--shell')) \
                == (x, y):
            return
        time.sleep(0.02)
    raise AssertionError(f'the pointer did not come to {x}, {y}')


# A second press of a button near the first within the double-click time
# (Wine's default, 500 ms) is a double click, which is another input.
DOUBLE_CLICK_SECONDS = 0.55
_last_click = (0.0, None)


def click(x, y, button=1):
    """A single click: one at the place of the last click comes after the
    double-click time, as a user's second click does."""
    global _last_click
    move_mouse(x, y)
    since, where = _last_click
    wait = since + DOUBLE_CLICK_SECONDS - time.monotonic()
    if where and where[2] == button and abs(where[0] - x) <= 4 and abs(where[1] - y) <= 4 \
            and wait > 0:
        time.sleep(wait)
    xdotool('click', button)
    _last_click = (time.monotonic(), (x, y, button))


def mouse_down(button=1):
    xdotool('mousedown', button)


def mouse_up(button=1):
    xdotool('mouseup', button)


def drag(start, end, release=True):
    """A drag with the real mouse from start to end: pressed at start, moved
    through the point before end (or the middle of a long way) to end."""
    move_mouse(*start)
    mouse_down()
    if abs(end[0] - start[0]) > 300 or abs(end[1] - start[1]) > 300:
        move_mouse((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
    else:
        move_mouse(end[0] - 1 if end[0] > start[0] else end[0] + 1,
                   end[1] - 1 if end[1] > start[1] else end[1] + 1)
    move_mouse(*end)
    if release:
        mouse_up()


def click_button(dialog, text):
    """Clicks the button with the given text in a dialog, as a user would."""
    button = wait_until(lambda: next((c for c in children(dialog) if c.title == text), None),
                        f'the button {text!r}')
    left, top, right, bottom = button.rect
    click((left + right) // 2, (top + bottom) // 2)


# --- pictures of the screen -----------------------------------------------------------

def screenshot(name):
    """The X root window as $ZORVEX_ARTIFACTS/<name>.png (or at `name` when
    it is a path)."""
    path = name if os.path.isabs(name) else os.path.join(ARTIFACTS, name + '.png')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    run(['import', '-window', 'root', path], timeout=30)
    return path


class Screen:
    """The root window's pixels, read once."""

    def __init__(self):
        _, data = run(['import', '-window', 'root', '-depth', '8', 'ppm:-'], timeout=30)
        # P6\n<w> <h>\n255\n<rgb>
        fields = data.split(maxsplit=4)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[len(data) - self.width * self.height * 3:]

    def pixel(self, x, y):
        offset = (y * self.width + x - SCREEN_LEFT) * 3
        return tuple(self.pixels[offset:offset + 3])

    def find_color(self, color, region):
        left, top, right, bottom = region
        return [(x, y) for y in range(top, bottom) for x in range(left, right)
                if self.pixel(x, y) == color]


def tray_icon_center():
    """The middle of ZORVEX's icon in the notification area, or None."""
    taskbar = find_window('Shell_TrayWnd')
    if taskbar is None:
        return None
    left, top, right, bottom = taskbar.rect
    hits = Screen().find_color(TRAY_TILE, (max(left, right - 300), top, right, bottom))
    if len(hits) < 20:
        return None
    xs = [x for x, _ in hits]
    ys = [y for _, y in hits]
    return (min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2


def screen_metrics():
    return {fields[0]: tuple(int(v) for v in fields[1:]) for fields in probe_rows('metrics')}


# --- bitmap files ------------------------------------------------------------------

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
QUADRANTS = [RED, GREEN, BLUE, WHITE]


def invert(color):
    return tuple(255 - c for c in color)


class Bitmap:
    def __init__(self, path=None, data=None):
        if data is None:
            with open(path, 'rb') as f:
                data = f.read()
        self.data = data
        (self.type, self.file_size, _, _, self.off_bits) = struct.unpack_from('<2sIHHI', data, 0)
        (self.header_size, self.width, self.height, self.planes, self.bit_count,
         self.compression, self.size_image) = struct.unpack_from('<IiiHHII', data, 14)
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


def complete_bitmap(path):
    """The bitmap at path once it exists and is as long as its header says."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError:
        return None
    if len(data) < 54 or data[:2] != b'BM' or struct.unpack_from('<I', data, 2)[0] != len(data):
        return None
    return Bitmap(data=data)


def read(path):
    with open(path, 'rb') as f:
        return f.read()


PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'


def is_png_of(png, bitmap):
    """Whether a file is a PNG that ImageMagick reads as the bitmap's picture,
    pixel for pixel."""
    compare = subprocess.run(['compare', '-metric', 'AE', png, bitmap, 'null:'],
                             capture_output=True, text=True, timeout=60)
    return read(png)[:8] == PNG_SIGNATURE and compare.stderr.split()[:1] == ['0']


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


def quadrant_color(width, height):
    """Red, green / blue, white quadrants, for write_bitmap."""
    return lambda x, y: QUADRANTS[(x >= width // 2) + 2 * (y >= height // 2)]


def solid(color):
    return lambda x, y: color


# --- dialogs ---------------------------------------------------------------------------

BS_TYPE_MASK, BS_DEFPUSHBUTTON, SS_TYPE_MASK, SS_ICON = 0xF, 0x1, 0x1F, 0x3


class Control:
    """A dialog control as the probe reads it."""

    def __init__(self, fields):
        self.id = int(fields[0])
        self.class_name = fields[1]
        self.visible = fields[2] == '1'
        self.enabled = fields[3] == '1'
        self.checked = fields[4] == '1'
        self.rect = tuple(int(v) for v in fields[5].split(','))
        self.screen = tuple(int(v) for v in fields[6].split(','))
        self.style = int(fields[7], 16)
        self.text = fields[8] if len(fields) > 8 else ''

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
        code, output = probe_call('dialog', window.handle)
        rows = [line.rstrip('\r').split('\t') for line in output.splitlines()]
        found = {c.id: c for c in (Control(fields) for fields in rows if len(fields) >= 8)}
        if found or code == 2:
            return found
    raise AssertionError(f'no controls read from {window} (probe exit code {code})')


def tree_items(dialog, tree_id):
    """The items of a tree control in display order."""
    return [{'depth': int(fields[1]), 'expanded': fields[2] == '1', 'selected': fields[3] == '1',
             'rect': tuple(int(v) for v in fields[4].split(',')), 'text': fields[5]}
            for fields in probe_rows('tree', dialog.handle, tree_id) if len(fields) == 6]


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


# --- programs beside the program under test ----------------------------------------------

class Helper:
    """A probe run beside the test (a holder of hot keys, a file or the
    clipboard, a watch, a hook, a test window): started, waited for until it
    says its first line (which must be `ready` when given), and ended with
    the test at the latest. Its output goes to a file, read at any time."""

    def __init__(self, case, *args, ready=None):
        self.output = tempfile.TemporaryFile()
        self.errors = tempfile.TemporaryFile()
        self.process = subprocess.Popen(['wine', PROBE, *map(str, args)], stdout=self.output,
                                        stderr=self.errors)
        case.addCleanup(self.end)
        wait_until(lambda: self.lines() or self.process.poll() is not None,
                   f'the probe {args[0]} to start', timeout=60, interval=0.05)
        if not self.lines():
            self.errors.seek(0)
            said = self.errors.read().decode('utf-8', errors='replace').strip()[-2000:]
            raise AssertionError(f'the probe {args[0]} ended with exit code '
                                 f'{self.process.returncode} before it said anything'
                                 + (f': {said}' if said else ', and wrote nothing on stderr'))
        self.first = self.lines()[0]
        if ready is not None and self.first != ready:
            raise AssertionError(f'the probe {args[0]} said {self.first!r}, not {ready!r}')

    def lines(self):
        self.output.seek(0)
        return self.output.read().decode('utf-8', errors='replace').splitlines()

    def said(self, word):
        return any(line.strip() == word for line in self.lines())

    def rest(self, timeout=30):
        """What it said after its first line, once it has ended by itself."""
        self.process.wait(timeout=timeout)
        return '\n'.join(self.lines()[1:])

    def end(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=30)
        self.output.close()
        self.errors.close()


class TestWindow(Helper):
    """The probe's window of four colour quadrants: red, green / blue, white."""

    def __init__(self, case, x, y, width, height, title='capture-target', *options):
        super().__init__(case, 'testwin', x, y, width, height, title, *options)
        self.handle = int(self.first)
        self.window = wait_until(self._painted, 'the test window on the screen')

    def _painted(self):
        window = next((w for w in windows() if w.handle == self.handle and w.visible), None)
        if window is None:
            return None
        self.window = window
        return window if Screen().pixel(*self.client_point(0.25, 0.25)) == RED else None

    def close(self):
        self.end()

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

    def corner_points(self, inset=1):
        """(screen point, colour) of the client area's four corner pixels
        (moved in by `inset`): a copy of another area misses them."""
        (left, top), (width, height) = self.client_origin, self.client_size
        right, bottom = left + width - 1 - inset, top + height - 1 - inset
        return [((left + inset, top + inset), RED), ((right, top + inset), GREEN),
                ((left + inset, bottom), BLUE), ((right, bottom), WHITE)]


class WindowWatch(Helper):
    """Watches, from its own Wine process, for a window that may show only for
    a moment (the copied notice lives half a second): start it before the
    key press, stop it afterwards, and read what was seen."""

    def __init__(self, case, class_name=NOTICE[0], title=NOTICE[1], command='watch', *more):
        self.stop_file = os.path.join(case.workdir, f'watch-stop-{id(self)}')
        self.window = (class_name, title)
        super().__init__(case, command, class_name, title, case.wine_path(self.stop_file), *more,
                         ready='ready')

    def stop(self, shown=False):
        """Ends the watch; returns the fields after "seen" (the window's child
        texts, its place, its time...), or None when it was not seen. With
        shown, ends it only once the window has shown and closed again: a
        hard copy is filed before its notice opens, so the file alone says
        nothing of the notice."""
        if shown:
            wait_until(lambda: self.said('shown'), f'{self.window} to show', timeout=10)
            wait_until(lambda: find_window(*self.window, visible=None) is None,
                       f'{self.window} to close')
        open(self.stop_file, 'w').close()
        self.rest()
        fields = self.report()[0].strip().split('\t')
        return fields[1:] if fields[0] == 'seen' else None

    def report(self):
        """The lines said after "ready", but for "shown"."""
        return [line for line in self.lines()[1:] if line.strip() != 'shown']


def clipboard_size(case):
    """(width, height) of the bitmap on the clipboard, or the probe's word
    for none ('none', 'unavailable')."""
    out = probe('clipboard', case.wine_path(os.path.join(case.workdir, 'clipboard.bmp'))).strip()
    if not out or out in ('none', 'unavailable'):
        return out
    width, height = out.split('\t')[:2]
    return int(width), int(height)


# --- file systems ---------------------------------------------------------------------------

def mount(*args):
    code, _ = run(['mount', *args], timeout=30)
    return code == 0


def unmount(path):
    run(['umount', '-l', path], timeout=30)


def read_only_folder(case, path):
    """Makes a folder read-only for the rest of the test (a read-only bind
    mount of itself, which root cannot write either)."""
    if not (mount('--bind', path, path) and mount('-o', 'remount,bind,ro', path)):
        raise AssertionError(f'could not make {path} read-only')
    case.addCleanup(unmount, path)


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
        return f.read().decode('utf-8').splitlines()


# --- the desktop --------------------------------------------------------------------------

def map_function_keys():
    # Ctrl+Alt+F10..F12 are "switch VT" keys on a bare X server; make them
    # plain function keys so that the hot keys arrive.
    run(['xmodmap', '-e', 'keycode 76 = F10 F10 F10 F10 F10 F10 F10',
         '-e', 'keycode 95 = F11 F11 F11 F11 F11 F11 F11',
         '-e', 'keycode 96 = F12 F12 F12 F12 F12 F12 F12'])


def kill_wine():
    """Ends every Wine process of this prefix, and its wineserver."""
    run(['wineserver', '-k'], timeout=30)
    run(['wineserver', '-w'], timeout=30)


# The screen's DPI is the prefix's "LogPixels", read when the wineserver
# starts. A file that needs another DPI (and a desktop large enough for
# windows scaled to it) changes both and leaves a mark, so that the next
# file puts the usual values back even when this one was killed.
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


def empty_folder(folder):
    if os.path.isdir(folder):
        for name in os.listdir(folder):
            path = os.path.join(folder, name)
            shutil.rmtree(path, ignore_errors=True) if os.path.isdir(path) else os.remove(path)


class Desktop:
    """The X display, the wineserver and the Wine desktop of one test file,
    with the processes that belong to it; the tests' processes come and go."""

    def __init__(self):
        self.setup = None  # (dpi, desktop size) while up
        self.taskbar = None
        self.xvfb = None
        self.keeper = None
        self.own = set()  # the process ids of the desktop's own processes
        atexit.register(self.stop, True)

    def prepare(self, dpi, desktop):
        """Up, with this screen, for a test."""
        if self.setup != (dpi, desktop):
            self.stop()
            self.start(dpi, desktop)

    def start(self, dpi, desktop):
        global _desktop_window
        _desktop_window = None
        kill_wine()
        if os.environ.get('ZORVEX_E2E_DISPLAY') == 'own':
            read_end, write_end = os.pipe()
            self.xvfb = subprocess.Popen(
                ['Xvfb', '-displayfd', str(write_end), '-noreset', '-screen', '0',
                 os.environ.get('ZORVEX_SCREEN', '1920x1080x24'), '-nolisten', 'tcp'],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            with os.fdopen(read_end) as displayfd:
                os.environ['DISPLAY'] = ':' + displayfd.readline().strip()
        map_function_keys()
        use_screen_setup(dpi, desktop)
        empty_folder(WINE_TEMP)
        # The desktop first, alone: two Wine processes starting it at the
        # same moment can hang each other.
        probe('metrics', timeout=120)
        self.taskbar = None
        if os.environ.get('ZORVEX_NO_TASKBAR') != '1':
            self.taskbar = wait_until(lambda: find_window('Shell_TrayWnd'), 'the taskbar',
                                      timeout=60)
        self.keeper = subprocess.Popen(['wine', PROBE, 'keep'], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.pending = b''
        said = self._read(b'\n', 60).decode().split()
        if said[:1] != ['ready']:
            raise AssertionError(f'the desktop keeper said {said!r}')
        processes = probe_rows('processes')
        keeper = int(said[1])
        self.own = {int(p[0]) for p in processes if len(p) == 3 and (
            p[2].lower() == 'explorer.exe' or int(p[0]) == keeper)}
        # The keeper's parent, where it has one (under the 64-bit Wine alone
        # it has none: 0, which no process list shows).
        self.own |= {int(p[1]) for p in processes
                     if len(p) == 3 and int(p[0]) == keeper and int(p[1])}
        self.setup = (dpi, desktop)

    def serving(self):
        return self.keeper is not None and self.keeper.poll() is None

    def _read(self, end, timeout):
        """The keeper's output up to `end`, waiting at most `timeout`."""
        deadline = time.monotonic() + timeout
        while end not in self.pending:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.keeper.stdout], [], [], max(left, 0))
            chunk = os.read(self.keeper.stdout.fileno(), 65536) if ready else b''
            if not chunk:
                self.keeper.kill()
                raise AssertionError('the desktop keeper ' +
                                     ('did not answer in time' if left > 0 else 'ended'))
            self.pending += chunk
        said, _, self.pending = self.pending.partition(end)
        return said

    def ask(self, args, timeout):
        """A command answered by the keeper: (exit code, output)."""
        if any('\t' in a or '\n' in a for a in args):
            raise ValueError(f'a probe argument with a tab or a line end: {args!r}')
        self.keeper.stdin.write(('\t'.join(args) + '\n').encode())
        self.keeper.stdin.flush()
        output = self._read(b'\x1e', timeout)
        code = self._read(b'\n', timeout)
        return int(code.strip() or 1), output.decode('utf-8', errors='replace')

    def reset(self):
        """Ends every process a test started (the program, its helpers and
        what they started) and empties the clipboard. False when a process
        of the desktop itself has gone."""
        left = {int(p[0]) for p in probe_rows('reset', *sorted(self.own)) if len(p) == 3}
        empty_folder(WINE_TEMP)
        return self.own <= left

    def stop(self, at_exit=False):
        if self.setup is not None or self.xvfb is not None:
            kill_wine()
        if self.keeper is not None:
            self.keeper.wait(timeout=30)
            self.keeper.stdin.close()
            self.keeper.stdout.close()
            self.keeper = None
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=30)
            self.xvfb = None
        self.setup = self.taskbar = None
        if at_exit:
            # later files, and the unit tests of a later run, expect the usual screen
            use_screen_setup(DEFAULT_DPI, DEFAULT_DESKTOP)


DESKTOP = Desktop()


class ZorvexTestCase(unittest.TestCase):
    """Starts a fresh ZORVEX for every test on the file's desktop and ends it
    afterwards."""

    settings = {'Option': {'IsFlash': '1'}}
    start_program = True
    # The screen the test runs on: its DPI and the virtual desktop's size.
    screen_dpi = DEFAULT_DPI
    desktop_size = DEFAULT_DESKTOP
    # Wine debug channels for the program (WINEDEBUG syntax); their output
    # goes to wine_log_path.
    wine_debug = None
    # The program (and the probe) find no print server at all, so no printer.
    no_print_server = False
    # The Windows TEMP folder of the program, a folder (named relative to the
    # working folder) other than the prefix's own.
    temp_folder = None

    def setUp(self):
        self.process = None
        self.addCleanup(self._finish)
        DESKTOP.prepare(self.screen_dpi, self.desktop_size)
        self.workdir = tempfile.mkdtemp(prefix='zorvex-e2e-')
        self.ini_path = os.path.join(self.workdir, 'zorvex.ini')
        if self.no_print_server:
            saved = os.environ.get('CUPS_SERVER')
            os.environ['CUPS_SERVER'] = os.path.join(self.workdir, 'no-print-server-here.sock')
            self.addCleanup(lambda: os.environ.pop('CUPS_SERVER') if saved is None
                            else os.environ.update(CUPS_SERVER=saved))
        self.temp = WINE_TEMP
        if self.temp_folder:
            self.use_temp_folder(os.path.join(self.workdir, self.temp_folder))
        if self.settings is not None:
            self.write_settings()
        if self.start_program:
            self.start()

    def use_temp_folder(self, folder):
        """TEMP and TMP of the programs started from now on (read from the
        registry when a process starts; no restart needed), for this test."""
        os.makedirs(folder, exist_ok=True)
        for name in ('TEMP', 'TMP'):
            _, output = run(['wine', 'reg', 'query', r'HKCU\Environment', '/v', name])
            before = output.decode('utf-8', errors='replace').split('REG_SZ', 1)[-1].strip()
            self.addCleanup(run, ['wine', 'reg', 'add', r'HKCU\Environment', '/v', name, '/t',
                                  'REG_SZ', '/d', before, '/f'])
            run(['wine', 'reg', 'add', r'HKCU\Environment', '/v', name, '/t', 'REG_SZ', '/d',
                 self.wine_path(folder), '/f'])
        self.temp = folder

    def write_settings(self, settings=None):
        with open(self.ini_path, 'wb') as f:
            f.write(encode_ini(self.settings if settings is None else settings))

    def start(self, wait_for_tray=True, wait_for_main_window=True):
        self.stop_program()
        env, log = None, subprocess.DEVNULL
        if self.wine_debug:
            env = dict(os.environ, WINEDEBUG=self.wine_debug)
            self.wine_log_path = os.path.join(self.workdir, 'wine-debug.log')
            log = open(self.wine_log_path, 'ab')
            self.addCleanup(log.close)
        self.process = subprocess.Popen(['wine', EXE], cwd=self.workdir, env=env,
                                        stdout=subprocess.DEVNULL, stderr=log)
        if not wait_for_main_window:
            return
        wait_until(lambda: find_window('CMainWinClass', visible=False), 'the ZORVEX main window',
                   timeout=60)
        if wait_for_tray:
            focus_desktop()
            self.tray = wait_until(tray_icon_center, 'the ZORVEX tray icon')

    def stop_program(self):
        """Ends the program by its process id, if it still runs."""
        if self.process is None:
            return
        if self.process.poll() is None:
            main = find_window('CMainWinClass', visible=None)
            if main:
                probe('end', main.process)
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=30)
        self.process = None

    def _failed(self):
        outcome = getattr(self, '_outcome', None)
        result = getattr(outcome, 'result', None)
        return (outcome is not None and not outcome.success) or (result is not None and any(
            test is self or getattr(test, 'test_case', None) is self
            for test, _ in result.errors + result.failures))

    def tearDown(self):
        # the screen as the failure left it, before the test's cleanups
        if self._failed():
            self.screenshot_taken = screenshot(self.id())

    def _finish(self):
        failed = self._failed()
        if failed and not getattr(self, 'screenshot_taken', None):
            screenshot(self.id())
        try:
            failed = not DESKTOP.reset() or failed
            if self.process is not None:
                self.process.wait(timeout=30)
        except (AssertionError, OSError, subprocess.SubprocessError):
            failed = True
        if failed:
            DESKTOP.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)

    # --- helpers used by many tests ---

    def temp_file(self, name):
        return os.path.join(self.temp, name)

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

    def new_hard_copy(self, before, slot=1, what=None, timeout=DEFAULT_TIMEOUT):
        """The complete new hard copy in a slot that held the file stamped
        `before` (None: no file), once it is there."""
        return wait_until(lambda: self.slot_replaced(before, slot) and
                          complete_bitmap(self.slot(slot)), what or f'a new hard copy in slot {slot}',
                          timeout=timeout, interval=0.05)

    def capture(self, *keys, slot=1, notice_gone=True):
        """Presses keys and returns the new hard copy they made, once the copied
        notice (when there is one) has gone again."""
        before = self.slot_stamp(slot)
        key(*keys)
        bitmap = self.new_hard_copy(before, slot, f'a new hard copy from {" ".join(keys)}')
        if notice_gone:
            wait_until(lambda: zorvex_box() is None, 'the notice to close')
        return bitmap

    def helper(self, *args, ready=None):
        return Helper(self, *args, ready=ready)

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

    def install_recorder(self):
        """The recorder in the working folder: returns its Wine path and its log."""
        recorder = os.path.join(self.workdir, 'recorder.exe')
        shutil.copy(RECORDER, recorder)
        return self.wine_path(recorder), os.path.join(self.workdir, 'recorder.log')

    def settings_file(self):
        return read_ini(self.ini_path)

    def wine_path(self, unix_path):
        return 'Z:' + unix_path.replace('/', '\\')


def main():
    unittest.main(verbosity=2)
