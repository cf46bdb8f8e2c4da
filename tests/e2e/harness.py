"""Drives the real zor_vex.exe in a Wine virtual desktop on Xvfb.

One desktop serves a whole test file. Its first test starts an X display of
the file's own (with ZORVEX_E2E_DISPLAY=own; else $DISPLAY is used as it
is), the wineserver, the virtual desktop with its taskbar and a keeper that
holds the desktop open; with ZORVEX_E2E_PREFIX the file also gets a Wine
prefix of its own there, made from $WINEPREFIX, so that files run side by
side. Every test then gets a fresh program: the program and whatever else
the test started are ended by their process ids, the clipboard and the
temporary folder are emptied, the modifier keys released, a new working
folder with the test's zorvex.ini becomes the current directory, and
zor_vex.exe is started there. A test during which a process of the desktop
ended, or whose program would not end, fails and says so. A failing test
leaves a screenshot in $ZORVEX_ARTIFACTS, and everything is started afresh
for the next one, so that a failure cannot spoil it. Conditions are waited
for with bounded polls.

The probe (tests/tools/probe.cpp) reads and writes UTF-8, so that any text
or path passes exactly.
"""
import atexit
import itertools
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
ARTIFACTS = os.environ.get('ZORVEX_ARTIFACTS', tempfile.gettempdir())

TRAY_TILE = (0x1E, 0x5A, 0xA8)
# The screen x of the X root window's left edge: negative when a monitor
# lies left of the primary.
SCREEN_LEFT = int(os.environ.get('ZORVEX_SCREEN_LEFT', '0'))
DEFAULT_TIMEOUT = 20.0

# --- the program's windows, menus, controls and messages ----------------------------

MAIN, VIEWER, OVERLAY, FLASH = 'CMainWinClass', 'COnesWinClass', 'CRangeWinClass', 'CFlashWinClass'
DIALOG, MENU = '#32770', '#32768'
ZORVEX = 'ZORVEX'  # the title of its message boxes and of the copied notice
COPIED = 'コピーしました'
NOTICE = (DIALOG, ZORVEX)  # the copied notice's class and title; it says COPIED
CONFIG_TITLE = 'ZORVEX コンフィグ設定'
ABOUT_TITLE = 'ZORVEX バージョン情報'
HOTKEY_LIST_TITLE, HOTKEY_EDIT_TITLE = 'ホットキー設定', 'ホットキー編集'
SAVE_TITLE = 'ハードコピーに名前を付けて保存'
CHOOSER_TITLE = 'プログラムの指定...'
# The selectable items of the tray menu from the top, separators left out.
(TRAY_EXIT, TRAY_README, TRAY_VERSION, TRAY_PRINTER, TRAY_HOTKEYS, TRAY_RECENT, TRAY_HISTORY,
 TRAY_CURSOR, TRAY_DESKTOP, TRAY_ACTIVE, TRAY_NOFRAME, TRAY_RANGE, TRAY_CONFIG) = range(13)
# The selectable items of the viewer's menu from the top.
(MENU_COPY, MENU_SAVE_AS, MENU_EDIT, MENU_OPEN_WITH, MENU_SIZE, MENU_TITLE, MENU_DELETE,
 MENU_PRINTER_SETUP, MENU_CANCEL) = range(9)
# The viewer's buttons, and the fields of its title dialog.
PRINT_BUTTON, MENU_BUTTON, CLOSE_BUTTON = 1009, 1076, 1011
TITLE_FIELD, TITLE_OK = 1017, 1030
# The configuration dialog's controls that several files use.
TREE, APPLY, CANCEL, GROUP, HELP_LIST, SAVE_PNG = 1022, 1001, 1002, 1033, 1082, 1096
# The hot-key dialogs'.
HOTKEY_LIST, HOTKEY_EDIT_BUTTON = 1037, 1069
WM_CLOSE, WM_COMMAND, WM_HOTKEY = 0x10, 0x111, 0x312
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
HOTKEY_CAPTURE = 948372610  # the id of PrintScreen's hot key
QUIET = {'IsFlash': '1', 'IsCursor': '0'}  # the notice, not the flash; no pointer


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT, interval=0.05):
    """Polls condition() until it returns a true value, which is returned;
    `what` (or what() at the end) names it when it does not come."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            what = what() if callable(what) else what
            raise AssertionError(f'timed out after {timeout:.0f} s waiting for {what}')
        time.sleep(interval)


def assert_never(condition, seconds, what):
    """Polls for a bounded time and fails as soon as condition() holds: for
    something that must not happen in answer to an input."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            raise AssertionError(what() if callable(what) else what)
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
# (quick reads and acts, and the window watches); the others run in a probe
# process of their own.
SERVED = {'windows', 'children', 'hotkeys', 'clipboard', 'clear-clipboard', 'clipboard-sequence',
          'clipboard-formats', 'clipboard-png',
          'balloons', 'processes', 'end', 'reset', 'type', 'activate', 'maximize', 'restore',
          'foreground', 'ensure-foreground', 'menu-mode', 'focus', 'metrics', 'modifiers', 'post',
          'post-seq', 'tray-delete', 'tray-events', 'taskbar-created', 'resources', 'listview',
          'listview-deselect', 'gettext', 'settext', 'send', 'dialog', 'click', 'replacesel',
          'paste', 'tree', 'tree-select', 'browse-select', 'watch-begin', 'watch-state',
          'watch-end'}


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


def find_dialog(title=ZORVEX, control=None, visible=True):
    """The dialog or message box with this title (any title when None) that
    has a control of this id (when one is named), or None."""
    for window in windows():
        if window.class_name == DIALOG and title in (None, window.title) and \
                (visible is None or window.visible == visible) and \
                (control is None or any(c.control_id == control for c in children(window))):
            return window
    return None


def foreground():
    """The handle of the window in front, or 0."""
    fields = probe('foreground').split('\t')
    return int(fields[0]) if fields[0].strip().isdigit() else 0


def wait_in_front(window, what=None):
    """Waits for the window (or handle) to be in front."""
    handle = getattr(window, 'handle', window)
    wait_until(lambda: foreground() == handle,
               what or f'{getattr(window, "window", window)} in front')


def activate(window):
    """Puts a window in front, as a click on it would, and waits for it,
    asking again while it is not: a test's own setting up, not what the
    program under test does."""
    handle = getattr(window, 'handle', window)

    def in_front():
        if foreground() != handle:
            probe('activate', handle)
        return foreground() == handle
    wait_until(in_front, f'{getattr(window, "window", window)} in front', interval=0.5)


def hotkey_states():
    return {fields[0]: fields[1] for fields in probe_rows('hotkeys') if len(fields) == 2}


def tray_icon_events(owner):
    """What became of the tray icons of a window since the desktop started:
    ('add' or 'delete', whether the window still was one then)."""
    return [(fields[0], fields[2] == 'window') for fields in probe_rows('tray-events')
            if len(fields) == 3 and int(fields[1]) == getattr(owner, 'handle', owner)]


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
MODIFIERS = ('ctrl', 'shift', 'alt', 'super')


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
    # xdotool prints the focused window only as the last of its commands
    output = xdotool('getmouselocation', '--shell', 'getwindowfocus', '-f')
    if output.split()[-1:] != [target]:
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


# PrintScreen, a function key or Alt with a key: a chord the program holds
# as a hot key.
HOT_KEY_CHORD = re.compile(r'(^|\+)(Print|F\d+)$|^alt\+')


def key(*keys, delay=60):
    """Presses keys with no modifier held before them: a modifier whose
    release went to an X window that has gone since would still be down for
    Wine, and turn PrintScreen into another key.

    A hot key goes to the desktop's X window. Wine sees a key only when the
    thread of the X window that has it reads its events: one busy printing
    under an abort dialog in front reads the Shift of Shift+PrintScreen so
    late that the hot key comes without it, and the Alt of Alt+PrintScreen,
    pressed and let go alone for that window, puts it in menu mode, whose
    pointer grab eats the next click. Any other key goes to the X window of
    the window in front, as Windows gives keys to it."""
    hot_key = any(HOT_KEY_CHORD.search(k) for k in keys)
    keep_pointer_off_taskbar(focus_desktop(to_front=not hot_key))
    xdotool('keyup', *MODIFIERS, 'key', '--delay', delay, *keys)


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


def wait_menus_closed():
    wait_until(lambda: find_window(MENU) is None, 'the menu to close')


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


def center(item):
    """The middle on the screen of a window, a dialog control, a tree or list
    item, or a (left, top, right, bottom) rectangle."""
    if hasattr(item, 'screen'):
        rect = item.screen
    elif hasattr(item, 'rect'):
        rect = item.rect
    elif isinstance(item, dict):
        rect = item['rect']
    else:
        rect = item
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


def click_center(item, button=1):
    click(*center(item), button=button)


def click_control(window, control_id):
    """Clicks the middle of a control of a window, once the window has it."""
    click_center(child(window, control_id))


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
    click_center(wait_until(lambda: next((c for c in children(dialog) if c.title == text), None),
                            f'the button {text!r}'))


# --- pictures ------------------------------------------------------------------------

def screenshot(name):
    """The X root window as $ZORVEX_ARTIFACTS/<name>.png (or at `name` when
    it is a path)."""
    path = name if os.path.isabs(name) else os.path.join(ARTIFACTS, name + '.png')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    run(['import', '-window', 'root', path], timeout=30)
    return path


class Picture:
    """The pixels of a picture: the screen (whose x counts from SCREEN_LEFT)
    as a PPM or an XWD dump, or a PPM file (a printed page)."""

    def __init__(self, data, left=0):
        self.data, self.left = data, left
        if data[:2] == b'P6':  # P6\n<w> <h>\n255\n<rgb>
            fields = data.split(maxsplit=4)
            self.width, self.height = int(fields[1]), int(fields[2])
            self.offset, self.stride, self.step = len(data) - self.width * self.height * 3, \
                self.width * 3, 3
            self.channels = (0, 1, 2)
        else:
            fields = struct.unpack_from('>25I', data, 0)
            self.width, self.height = fields[4], fields[5]
            self.offset = fields[0] + 12 * fields[19]
            self.stride, self.step = fields[12], fields[11] // 8
            self.channels = (2, 1, 0) if fields[7] == 0 else (1, 2, 3)  # by the byte order
            if len(data) < self.offset + self.stride * self.height:
                raise ValueError('a cut picture of the screen')

    def pixel(self, x, y):
        at = self.offset + y * self.stride + (x - self.left) * self.step
        r, g, b = self.channels
        return self.data[at + r], self.data[at + g], self.data[at + b]

    def find_color(self, color, region):
        left, top, right, bottom = region
        return [(x, y) for y in range(top, bottom) for x in range(left, right)
                if self.pixel(x, y) == color]

    def ink_box(self, region, step=2):
        """Bounding box of the coloured (not white) pixels in a region of a
        PPM picture, every `step` rows."""
        left, top, right, bottom = region
        dark = re.compile(rb'[\x00-\xc7]')  # a channel below 200
        xs, ys = [], []
        for y in range(top, bottom, step):
            start = self.offset + y * self.stride + left * 3
            row = self.data[start:start + (right - left) * 3]
            first = dark.search(row)
            if first:
                last = dark.search(row[::-1])
                xs += [left + first.start() // 3, left + (len(row) - 1 - last.start()) // 3]
                ys.append(y)
        if not xs:
            return None
        return min(xs), min(ys), max(xs) + 1, max(ys) + 1

    def save_png(self, path, scale='100%'):
        """The picture as a PNG file (for a look at it), scaled."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        kind = 'ppm' if self.data[:2] == b'P6' else 'xwd'
        run(['convert', f'{kind}:-', '-resize', scale, path], input=self.data, timeout=60)
        return path


def Screen(fast=False):
    """The screen's pixels now: as ImageMagick reads them, menus (windows of
    another visual) included; fast, with xwd, which is quicker but shows
    those windows black. (xwd may fail while a window maps or unmaps: the
    picture is taken again.)"""
    command = ['xwd', '-root', '-silent'] if fast else ['import', '-window', 'root', '-depth', '8',
                                                        'ppm:-']
    for _ in range(20):
        _, data = run(command, timeout=30)
        try:
            return Picture(data, SCREEN_LEFT)
        except (struct.error, ValueError, IndexError):
            time.sleep(0.05)
    raise AssertionError('no picture of the screen could be taken')


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
    """The bitmap at path once it exists, is as long as its header says and
    has a size a reader accepts; else None."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError:
        return None
    if len(data) < 54 or data[:2] != b'BM' or struct.unpack_from('<I', data, 2)[0] != len(data):
        return None
    width, height = struct.unpack_from('<ii', data, 18)
    return Bitmap(data=data) if width > 0 and height != 0 else None


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
        return center(self)

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


class ListView:
    """A report-view list of another process: its extended style, its columns
    as (title, width) with their alignments, and its rows, each with its
    selection, its place on the screen and its cells."""

    def __init__(self, handle):
        self.columns, self.alignments, self.rows, self.exstyle = [], [], [], 0
        for parts in probe_rows('listview', handle):
            if parts[0] == 'exstyle':
                self.exstyle = int(parts[1])
            elif parts[0] == 'column':
                self.columns.append((parts[4], int(parts[2])))
                self.alignments.append(int(parts[3]))
            elif parts[0] == 'row':
                self.rows.append({'selected': parts[2] == '1',
                                  'rect': tuple(int(v) for v in parts[3].split(',')),
                                  'cells': parts[4:]})

    @property
    def widths(self):
        return [width for _, width in self.columns]

    def cells(self):
        return [row['cells'] for row in self.rows]

    def selected(self):
        return [i for i, row in enumerate(self.rows) if row['selected']]


class MessageBox(Window):
    """A message box or dialog, read back from its window: its texts, its
    buttons, its icon and its default button."""

    def __init__(self, window):
        self.__dict__.update(window.__dict__)
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
        """Clicks a button where it is now (a dialog may have moved since it
        was read) and waits for the box to close."""
        click_center(controls(self)[button_id])
        self.wait_closed()

    def wait_closed(self):
        wait_until(lambda: not any(w.handle == self.handle for w in windows()),
                   f'{self.title!r} to close')


# --- programs beside the program under test ----------------------------------------------

class Helper:
    """A probe run beside the test (a holder of hot keys, a file or the
    clipboard, a hook, a test window): started, waited for until it says its
    first line (which must be `ready` when given), and ended with the test at
    the latest. Its output goes to a file, read at any time."""

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
        wait_until(lambda: not any(w.handle == self.handle for w in windows()),
                   'the test window to close')

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

    def assert_in(self, picture, origin=(0, 0)):
        """The window's quadrants and client corners where a picture of the
        screen from `origin` puts them: a picture flipped, mirrored or
        shifted by a pixel fails."""
        wrong = [((x, y), color, picture.pixel(x - origin[0], y - origin[1]))
                 for (x, y), color in self.quadrant_points() + self.corner_points()
                 if picture.pixel(x - origin[0], y - origin[1]) != color]
        if wrong:
            raise AssertionError(f'the test window is not where it was: {wrong}')


_watches = itertools.count(1)


class WindowWatch:
    """Watches, from the desktop's keeper, for a window that may show only
    for a moment (the copied notice lives half a second): start it before the
    key press, stop it afterwards, and read what was seen. `kind` is what is
    read of the window when it shows: "texts" (its child texts), "place",
    "time" (how long it showed), "layout" (with a picture of it) or
    "outputs" (the clipboard and the slot file at that moment)."""

    KINDS = {'watch': 'texts', 'watch-place': 'place', 'watch-time': 'time',
             'watch-layout': 'layout', 'watch-outputs': 'outputs'}

    def __init__(self, case, class_name=NOTICE[0], title=NOTICE[1], command='texts', *more,
                 text=None):
        if text is None:  # a box titled ZORVEX is the copied notice when it says so
            text = COPIED if (class_name, title) == NOTICE else ''
        self.name = f'watch{next(_watches)}'
        self.window = (class_name, title, text)
        said = probe('watch-begin', self.name, self.KINDS.get(command, command), class_name,
                     title, text, *more).strip()
        if said != 'ready':
            raise AssertionError(f'the watch for {self.window} said {said!r}')
        self.report_lines = None
        case.addCleanup(self._end)

    def shown(self, times=1):
        """Whether the window has come up (so many times) since the watch began."""
        return int(probe('watch-state', self.name).strip() or 0) >= times

    def stop(self, shown=False):
        """Ends the watch; returns the fields after "seen" (the first
        window's child texts, its place, its time...), or None when none was
        seen. With shown (True, or a number of times), ends it only once the
        window has come up so often and closed again: a hard copy is filed
        before its notice opens, so the file alone says nothing of the
        notice."""
        if shown:
            wait_until(lambda: self.shown(int(shown)), f'{self.window} to show', timeout=10)
            wait_until(lambda: not self.present(), f'{self.window} to close')
        fields = self._end()[0].strip().split('\t')
        return fields[1:] if fields[0] == 'seen' else None

    def present(self):
        """Whether a window of the watched kind is there, shown or not."""
        class_name, title, text = self.window
        return any(w.class_name == class_name and w.title == title and
                   (not text or any(c.title == text for c in children(w)))
                   for w in windows())

    def report(self):
        """The lines of the watch's report, once stopped: the first is
        "seen..." or "none"."""
        return self._end()

    def _end(self):
        if self.report_lines is None:
            self.report_lines = probe('watch-end', self.name).splitlines() or ['none']
        return self.report_lines


def clipboard_bitmap(case):
    """The bitmap on the clipboard, or the probe's word for none ('none',
    'unavailable')."""
    dump = os.path.join(case.workdir, f'clipboard-{next(_watches)}.bmp')
    out = probe('clipboard', case.wine_path(dump)).strip()
    if not out or out in ('none', 'unavailable'):
        return out or 'none'
    return Bitmap(dump)


def clipboard_size(case):
    """(width, height) of the bitmap on the clipboard, or the probe's word
    for none ('none', 'unavailable')."""
    bitmap = clipboard_bitmap(case)
    return bitmap if isinstance(bitmap, str) else (bitmap.width, abs(bitmap.height))


# --- file systems ---------------------------------------------------------------------------

def files_under(*folders):
    """Every file below the folders, as full paths, sorted."""
    return sorted(os.path.join(folder, name) for top in folders
                  for folder, _, names in os.walk(top) for name in names)


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


# The Windows programs and libraries of a prefix, which Wine writes only when
# it makes or updates one.
WINE_BINARIES = ('.dll', '.exe', '.drv', '.sys', '.cpl', '.ocx', '.acm', '.tlb', '.ds', '.nls',
                 '.msstyles')


def make_prefix(template, prefix):
    """A Wine prefix of its own made from the template: its programs and
    libraries hard links to the template's, everything else copied. The
    template's temporary folder is left empty: the unit tests write and
    delete files there while the copy is made."""
    shutil.rmtree(prefix, ignore_errors=True)
    template_temp = os.path.normpath(prefix_temp(template))
    for folder, folders, names in os.walk(template):
        target = os.path.join(prefix, os.path.relpath(folder, template))
        os.makedirs(target, exist_ok=True)
        if os.path.normpath(folder) == template_temp:
            folders[:] = []
            continue
        for name in folders + names:
            source, made = os.path.join(folder, name), os.path.join(target, name)
            if os.path.islink(source):
                os.symlink(os.readlink(source), made)
            elif name in names:
                linked = name.lower().endswith(WINE_BINARIES)
                (os.link if linked else shutil.copy2)(source, made)


def drive_c():
    return os.path.join(os.environ.get('WINEPREFIX', ''), 'drive_c')


def prefix_temp(prefix):
    user = os.environ.get('USER') or subprocess.run(['id', '-un'], capture_output=True,
                                                    text=True).stdout.strip()
    return os.path.join(prefix, 'drive_c', 'users', user, 'Temp')


# The CUPS user the tests print as, a name no account has and no other run
# shares (its jobs are the only ones print_support sees), and the print
# server on its socket (scripts/wine-env.sh names it): port 631 may be
# another root's server.
os.environ.setdefault('CUPS_USER', f'zorvex-{os.getpid()}-{os.urandom(3).hex()}')
os.environ.setdefault('CUPS_SERVER', '/run/cups/cups.sock')
OWN_PREFIX = os.environ.get('ZORVEX_E2E_PREFIX')
if OWN_PREFIX:
    make_prefix(os.environ['WINEPREFIX'], OWN_PREFIX)
    os.environ['WINEPREFIX'] = OWN_PREFIX
    os.environ['ZORVEX_WINE_TEMP'] = prefix_temp(OWN_PREFIX)
    os.makedirs(os.environ['ZORVEX_WINE_TEMP'], exist_ok=True)
WINE_TEMP = os.environ.get('ZORVEX_WINE_TEMP', '')


# The screen's DPI is the prefix's "LogPixels", read when the wineserver
# starts. A file that needs another DPI (and a desktop large enough for
# windows scaled to it) changes both and leaves a mark, so that the next
# file on a shared prefix puts the usual values back even when this one was
# killed.
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
        self.own = {}  # the desktop's own processes: id -> name
        self.launcher = set()
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
        self.own = {int(p[0]): 'the desktop keeper' if int(p[0]) == keeper else p[2]
                    for p in processes if len(p) == 3 and (
                        p[2].lower() == 'explorer.exe' or int(p[0]) == keeper)}
        self.launcher = {int(p[1]) for p in processes if len(p) == 3 and int(p[0]) == keeper}
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
        what they started), empties the clipboard and the temporary folder and
        releases the modifier keys. Returns the names of the desktop's own
        processes that have gone."""
        left = {int(p[0]) for p in probe_rows('reset', *sorted(set(self.own) | self.launcher))
                if len(p) == 3}
        empty_folder(WINE_TEMP)
        xdotool('keyup', *MODIFIERS)
        return sorted(name for pid, name in self.own.items() if pid not in left)

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
        if at_exit and not OWN_PREFIX:
            # later files, and the unit tests of a later run, expect the usual screen
            use_screen_setup(DEFAULT_DPI, DEFAULT_DESKTOP)


DESKTOP = Desktop()

# A second start of one request comes about as late as the first: as long
# as the first took is waited for a second one, and at least this long.
SECOND_START_SECONDS = 2.0


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
        self.workdir = self.made_workdir = tempfile.mkdtemp(prefix='zorvex-e2e-')
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

    def keep_registry_value(self, key, name=None):
        """Puts a registry value (the key's default one when name is None)
        back as it is now once the test is over, or deletes it when there is
        none now."""
        which = ['/ve'] if name is None else ['/v', name]
        code, output = run(['wine', 'reg', 'query', key, *which])
        found = re.search(r'\s(REG_[A-Z_]+)(?:[ \t]+(.*))?',
                          output.decode('utf-8', errors='replace')) if code == 0 else None
        if found:
            self.addCleanup(run, ['wine', 'reg', 'add', key, *which, '/t', found.group(1), '/d',
                                  (found.group(2) or '').strip(), '/f'])
        else:
            self.addCleanup(run, ['wine', 'reg', 'delete', key, *which, '/f'])
        return (found.group(2) or '').strip() if found else None

    def use_temp_folder(self, folder):
        """TEMP and TMP of the programs started from now on (read from the
        registry when a process starts; no restart needed), for this test."""
        os.makedirs(folder, exist_ok=True)
        for name in ('TEMP', 'TMP'):
            self.keep_registry_value(r'HKCU\Environment', name)
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
        wait_until(lambda: find_window(MAIN, visible=False), lambda: 'the ZORVEX main window ('
                   + ('it still starts' if self.process.poll() is None else
                      f'it ended with exit code {self.process.returncode}') +
                   f'; processes {[p[2] for p in probe_rows("processes") if len(p) == 3]})',
                   timeout=60)
        if wait_for_tray:
            focus_desktop()
            self.tray = wait_until(tray_icon_center, 'the ZORVEX tray icon')

    def stop_program(self):
        """Ends the program by its process id, if it still runs."""
        if self.process is None:
            return
        if self.process.poll() is None:
            main = find_window(MAIN, visible=None)
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
        """After the test's own cleanups: the desktop as the next test needs
        it. A process of the desktop that ended during the test (a taskbar
        the program crashed), or a program that would not end, fails it."""
        failed = self._failed()
        if failed and not getattr(self, 'screenshot_taken', None):
            screenshot(self.id())
        problems = []
        try:
            gone = DESKTOP.reset()
            if gone:
                problems.append(f'{", ".join(gone)} ended during the test')
            if self.process is not None:
                try:
                    self.process.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    problems.append('the program did not end when it was told to')
        except (AssertionError, OSError, subprocess.SubprocessError) as error:
            problems.append(f'the desktop could not be made ready for the next test: {error}')
        if failed or problems:
            DESKTOP.stop()
        shutil.rmtree(self.made_workdir, ignore_errors=True)
        if problems:
            raise AssertionError('; '.join(problems))

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
                          complete_bitmap(self.slot(slot)),
                          what or f'a new hard copy in slot {slot}', timeout=timeout)

    def capture(self, *keys, slot=1, notice_gone=True):
        """Presses keys and returns the new hard copy they made; with
        notice_gone, once its copied notice has shown and gone again (the
        hard copy is filed before the notice opens)."""
        before = self.slot_stamp(slot)
        notice = WindowWatch(self) if notice_gone else None
        key(*keys)
        bitmap = self.new_hard_copy(before, slot, f'a new hard copy from {" ".join(keys)}')
        if notice:
            notice.stop(shown=True)
        return bitmap

    def open_overlay(self):
        """Shift+PrintScreen's range overlay, with the keyboard on the desktop."""
        self.range_stamp = self.slot_stamp()
        key('shift+Print')
        overlay = wait_until(lambda: find_window(OVERLAY), 'the range overlay')
        focus_desktop()
        return overlay

    def overlay_gone(self):
        return find_window(OVERLAY, visible=None) is None

    def wait_for_hard_copy(self):
        """The range's hard copy, once it is filed and the overlay has gone."""
        bitmap = self.new_hard_copy(self.range_stamp, what='the range hard copy in the history')
        wait_until(self.overlay_gone, 'the overlay to close')
        return bitmap

    def range_capture(self, start=(100, 100), end=(200, 150), wait=True, notice_gone=False):
        """A range hard copy dragged from start to end with the real mouse:
        returns it once it is in slot 1 (with wait), and with notice_gone
        once its copied notice has shown and gone again."""
        self.open_overlay()
        notice = WindowWatch(self) if notice_gone else None
        drag(start, end)
        if wait:
            bitmap = self.wait_for_hard_copy()
            if notice:
                notice.stop(shown=True)
            return bitmap

    def helper(self, *args, ready=None):
        return Helper(self, *args, ready=ready)

    def message_box(self, title=ZORVEX, control=None):
        """The dialog or message box with this title (any when None) that has
        the control (when named), once it is there with its buttons."""
        what = f'a dialog {title!r}' + (f' with control {control}' if control else '')
        window = wait_until(lambda: find_dialog(title, control), what)
        return wait_until(lambda: (lambda box: box if box.buttons else None)(MessageBox(window)),
                          f'the buttons of {what}')

    def open_tray_menu(self):
        # a menu closed a moment ago may still hold the mouse in its loop
        main = find_window(MAIN, visible=False)
        if main:
            wait_until(lambda: probe('menu-mode', main.handle).split() ==
                       ['menu', '0', 'capture', '0'], 'the last menu loop to end')
        click(*self.tray)
        return wait_until(lambda: find_window(MENU), 'the tray menu')

    def choose_tray_item(self, index):
        """Chooses the index-th selectable item (TRAY_EXIT, ...) by keyboard."""
        menu = self.open_tray_menu()
        menu_keys(menu, *(['Down'] * (index + 1)), 'Return')
        wait_menus_closed()

    def open_recent_submenu(self, recent_index=TRAY_RECENT):
        """Opens the tray menu and its recent hard copies' submenu; returns
        (menu, submenu)."""
        menu = self.open_tray_menu()
        menu_keys(menu, *(['Down'] * (recent_index + 1)), 'Right')
        submenu = wait_until(lambda: next((w for w in windows()
                                           if w.class_name == MENU and w.visible
                                           and w.handle != menu.handle), None),
                             'the recent submenu')
        return menu, submenu

    def install_recorder(self):
        """The recorder in the working folder: returns its Wine path and its
        log (also self.log)."""
        recorder = os.path.join(self.workdir, 'recorder.exe')
        shutil.copy(RECORDER, recorder)
        self.log = os.path.join(self.workdir, 'recorder.log')
        return self.wine_path(recorder), self.log

    def recorded(self):
        """The command lines the recorder has written so far."""
        return recorded_lines(self.log)

    def recorded_starts(self, count=1, what='the recorder to start'):
        """The recorder's command lines once `count` starts have written
        theirs and no further start has come for as long again as they took
        (SECOND_START_SECONDS at least)."""
        began = time.monotonic()
        lines = wait_until(lambda: (lambda found: found if len(found) >= count else None)(
            self.recorded()), what, timeout=30)
        assert_never(lambda: len(self.recorded()) > count,
                     max(SECOND_START_SECONDS, time.monotonic() - began),
                     lambda: f'more than {count} start(s) after {what}: {self.recorded()}')
        self.assertEqual(len(lines), count, lines)
        return lines

    def saved_files(self, folder=None):
        """The files below the save folder (self.save_dir), relative to it."""
        folder = folder or self.save_dir
        return [os.path.relpath(path, folder) for path in files_under(folder)]

    def settings_file(self):
        return read_ini(self.ini_path)

    def wine_path(self, unix_path):
        """The path as the program names it: on drive C: inside the prefix's
        drive_c, else on Z:."""
        inside = os.path.relpath(unix_path, drive_c())
        if not inside.startswith('..'):
            return 'C:\\' + ('' if inside == '.' else inside.replace('/', '\\'))
        return 'Z:' + unix_path.replace('/', '\\')


def main():
    unittest.main(verbosity=2)
