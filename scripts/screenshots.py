#!/usr/bin/env python3
"""Takes the README's pictures of ZORVEX into docs/: started from
scripts/screenshots.sh, which provides the Wine desktop on Xvfb, the built
program and the environment of the end-to-end tests, whose helpers this uses.

Every picture is one step. A step whose window does not come up within its
wait is reported as a warning and the next step runs, with a fresh program
if the failed one may have left a window open."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))

import harness  # noqa: E402
from harness import children, click, find_window, key, menu_keys, move_mouse, run, wait_until  # noqa: E402
from harness import TRAY_CONFIG, TRAY_HOTKEYS, TRAY_RECENT, TRAY_VERSION  # noqa: E402

# The printed page is the one a user prints, into their own PDF folder, not
# a test's print as a user of its own.
os.environ.pop('CUPS_USER', None)

DOCS = os.environ.get('ZORVEX_DOCS', os.path.join(ROOT, 'docs'))
WORKDIR = os.environ['ZORVEX_SCREENSHOT_DIR']
README = os.environ['ZORVEX_README']
PDF_DIR = os.path.expanduser(os.environ.get('ZORVEX_PDF_DIR', '~/PDF'))
WAIT = 15.0


# The configuration dialog's tree, every item expanded, from the top: the
# row of each page, its group box caption and the picture's name.
CONFIG_PAGES = [
    (1, 'ハードコピー対象設定', 'config-target'),
    (2, 'ハードコピー保存設定', 'config-save'),
    (3, '編集設定', 'config-edit'),
    (5, '履歴数の設定', 'config-history-count'),
    (6, '履歴のバックアップ', 'config-history-backup'),
    (7, '履歴のクリア', 'config-history-clear'),
    (9, '印刷設定', 'config-print'),
    (10, '通知設定', 'config-notice'),
    (11, 'マウスポインタ', 'config-pointer'),
    (13, 'ヘルプ', 'config-help'),
]

SETTINGS = {
    'Common': {'CopyType': '3', 'IsPrintPreview': '0'},
    'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '1', 'IsSaveDialog': '0',
               'SaveDir': r'C:\users\Public\Pictures', 'SaveFormat3': '0', 'SaveImageType': '1'},
    'Option': {'IsFlash': '1', 'IsCursor': '0', 'SaveNum': '10', 'IsPrintEdge': '1',
               'IsPrintSysTime': '1', 'IsPrintHostName': '1', 'IsPrintIPAddr': '1'},
    'Others': {'OnesWinStyle': '4', 'OnesLeft': '300', 'OnesTop': '60'},
    'HotKey': {'IsCtrlF1': '1', 'Ctrl_F1': 'notepad.exe', 'Ctrl_F1_PARAMS': '',
               'IsCtrlF2': '1', 'Ctrl_F2': r'C:\windows\system32\winemine.exe',
               'Ctrl_F2_PARAMS': '', 'IsCtrlF5': '0',
               'Ctrl_F5': r'C:\Program Files\Internet Explorer\iexplore.exe',
               'Ctrl_F5_PARAMS': 'https://example.com/'},
}

# Earlier hard copies in the history: ImageMagick's built-in pictures.
HISTORY = ['logo:', 'wizard:', 'rose:']


class Session:
    def __init__(self):
        self.process = None
        self.written = []
        self.warnings = []

    # --- the program ----------------------------------------------------
    def start(self):
        harness.kill_wine()
        harness.probe('metrics')
        harness.map_function_keys()
        self.process = subprocess.Popen(['wine', os.path.join(WORKDIR, 'zor_vex.exe')],
                                        cwd=WORKDIR, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        wait_until(lambda: find_window('CMainWinClass', visible=False), 'the ZORVEX main window')
        harness.focus_desktop()
        self.tray = wait_until(harness.tray_icon_center, 'the ZORVEX tray icon')
        self.notepad = subprocess.Popen(['wine', 'notepad.exe', 'readme.txt'], cwd=WORKDIR,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: find_window('Notepad'), 'Notepad with readme.txt')
        move_mouse(1100, 600)

    def restart(self):
        self.start()

    # --- steps --------------------------------------------------------------
    def step(self, name, action, restart_on_failure=True):
        try:
            action()
        except Exception as error:  # a missing window must not stop the other pictures
            self.warnings.append(f'{name}: {error}')
            print(f'WARNING: {name} not written: {error}', flush=True)
            if restart_on_failure:
                try:
                    self.restart()
                except Exception as again:
                    self.warnings.append(f'restart after {name}: {again}')
                    print(f'WARNING: the program did not start again: {again}', flush=True)

    def picture(self, name, rect=None, margin=0):
        """Writes the display (or the rectangle of it) as docs/<name>.png."""
        path = os.path.join(DOCS, name + '.png')
        args = ['import', '-window', 'root']
        if rect is not None:
            taskbar = find_window('Shell_TrayWnd')
            right_edge, bottom_edge = (taskbar.rect[2], taskbar.rect[3]) if taskbar else (1280, 800)
            left, top, right, bottom = rect
            left, top = max(0, left - margin), max(0, top - margin)
            right, bottom = min(right_edge, right + margin), min(bottom_edge, bottom + margin)
            args += ['-crop', f'{right - left}x{bottom - top}+{left}+{top}', '+repage']
        code, _ = run(args + [path], timeout=60)
        if code != 0 or not os.path.exists(path):
            raise AssertionError(f'import could not write {path}')
        self.written.append(path)
        print(f'wrote {path}', flush=True)

    def dialog(self, title, timeout=WAIT):
        return wait_until(lambda: next((w for w in harness.windows() if w.visible and
                                        w.class_name == '#32770' and w.title == title), None),
                          f'the window "{title}"', timeout=timeout)

    def choose_tray_item(self, index):
        click(*self.tray)
        menu = wait_until(lambda: find_window('#32768'), 'the tray menu')
        menu_keys(menu, *(['Down'] * (index + 1)), 'Return')
        wait_until(lambda: find_window('#32768') is None, 'the tray menu to close')

    def click_control(self, window, control_id=None, text=None):
        control = wait_until(lambda: next((c for c in children(window)
                                           if (control_id is None or c.control_id == control_id)
                                           and (text is None or c.title == text)), None),
                             f'the control {text or control_id}', timeout=WAIT)
        left, top, right, bottom = control.rect
        click((left + right) // 2, (top + bottom) // 2)

    # --- the pictures ---------------------------------------------------
    def range_drag(self):
        key('shift+Print')
        wait_until(lambda: find_window('CRangeWinClass'), 'the range overlay', timeout=WAIT)
        harness.focus_desktop()
        notepad = find_window('Notepad')
        left, top = (notepad.rect[0] + 40, notepad.rect[1] + 60) if notepad else (200, 150)
        move_mouse(left, top)
        harness.mouse_down()
        for step in range(1, 9):
            move_mouse(left + 60 * step, top + 35 * step)
        time.sleep(0.5)
        self.picture('range-drag', find_window('CRangeWinClass').rect)
        harness.mouse_up()
        wait_until(lambda: find_window('CRangeWinClass', visible=None) is None,
                   'the overlay to close', timeout=WAIT)
        wait_until(lambda: os.path.exists(os.path.join(harness.WINE_TEMP, '~zor_vex4.bmp')),
                   'the hard copy in the history', timeout=WAIT)

    def tray_menu(self):
        click(*self.tray)
        menu = wait_until(lambda: find_window('#32768'), 'the tray menu')
        menu_keys(menu, *(['Down'] * (TRAY_RECENT + 1)), 'Right')
        submenu = wait_until(lambda: next((w for w in harness.windows() if w.class_name == '#32768'
                                           and w.visible and w.handle != menu.handle), None),
                             'the recent hard copies submenu')
        time.sleep(0.5)
        taskbar = find_window('Shell_TrayWnd')
        left = min(menu.rect[0], submenu.rect[0])
        top = min(menu.rect[1], submenu.rect[1])
        self.picture('tray-menu', (left, top, taskbar.rect[2], taskbar.rect[3]), margin=12)
        menu_keys(menu, 'Escape', 'Escape')
        wait_until(lambda: find_window('#32768') is None, 'the tray menu to close')

    def history_viewer(self):
        click(*self.tray, button=3)
        viewer = wait_until(lambda: find_window('COnesWinClass'), 'the history viewer',
                            timeout=WAIT)
        wait_until(lambda: find_window('COnesWinClass').title.startswith('1枚目'),
                   'the newest hard copy in the viewer')
        time.sleep(0.5)
        self.picture('history-viewer', find_window('COnesWinClass').rect)
        self.click_control(viewer, control_id=1011)  # "閉じる"
        wait_until(lambda: find_window('COnesWinClass') is None, 'the viewer to close')

    def config_pages(self):
        self.choose_tray_item(TRAY_CONFIG)
        dialog = self.dialog('ZORVEX コンフィグ設定')
        tree = wait_until(lambda: next((c for c in children(dialog) if c.control_id == 1022), None),
                          'the tree of pages')
        click(tree.rect[0] + 30, tree.rect[1] + 8)
        for row, caption, name in CONFIG_PAGES:
            def show_page():
                key('Home', *(['Down'] * row))
                wait_until(lambda: any(c.control_id == 1033 and c.title == caption
                                       for c in children(dialog)),
                           f'the page "{caption}"', timeout=WAIT)
                time.sleep(0.3)
                self.picture(name, self.dialog('ZORVEX コンフィグ設定').rect)
            self.step(name, show_page, restart_on_failure=False)
        key('Escape')
        wait_until(lambda: find_window('#32770', 'ZORVEX コンフィグ設定') is None,
                   'the configuration dialog to close')

    def launcher_dialogs(self):
        self.choose_tray_item(TRAY_HOTKEYS)
        listing = self.dialog('ホットキー設定')
        time.sleep(0.3)
        self.picture('hotkey-list', listing.rect)
        self.click_control(listing, text='編集(&M)')
        editor = self.dialog('ホットキー編集')
        time.sleep(0.3)
        self.picture('hotkey-edit', editor.rect)
        self.click_control(editor, text='キャンセル(&E)')
        wait_until(lambda: find_window('#32770', 'ホットキー編集') is None, 'the edit dialog to close')
        self.click_control(listing, text='閉じる(&C)')
        wait_until(lambda: find_window('#32770', 'ホットキー設定') is None, 'the list to close')

    def about_dialog(self):
        self.choose_tray_item(TRAY_VERSION)
        about = self.dialog('ZORVEX バージョン情報')
        time.sleep(0.3)
        self.picture('about', about.rect)
        self.click_control(about, text='閉じる(&C)')
        wait_until(lambda: find_window('#32770', 'ZORVEX バージョン情報') is None,
                   'the About dialog to close')

    def printed_page(self):
        """The page printed from the viewer. The PDF printer is shared, so the
        new PDF must also show the hard copy: its frame has the hard copy's
        shape."""
        before = set(os.listdir(PDF_DIR)) if os.path.isdir(PDF_DIR) else set()
        started = time.time()
        shown = harness.Bitmap(os.path.join(harness.WINE_TEMP, '~zor_vex1.bmp'))
        key('ctrl+alt+F10')
        viewer = wait_until(lambda: find_window('COnesWinClass'), 'the history viewer',
                            timeout=WAIT)
        self.click_control(viewer, control_id=1009)  # "印刷"
        work = tempfile.mkdtemp()
        examined = set()

        def our_page():
            names = os.listdir(PDF_DIR) if os.path.isdir(PDF_DIR) else []
            for name in sorted(set(names) - before - examined):
                pdf = os.path.join(PDF_DIR, name)
                modified = os.path.getmtime(pdf)
                # cups-pdf writes the file in one go once the job is done
                if not name.endswith('.pdf') or modified < started - 1 or time.time() - modified < 1:
                    continue
                examined.add(name)
                base = os.path.join(work, f'page{len(examined)}')
                run(['pdftoppm', '-png', '-r', '50', '-singlefile', pdf, base], timeout=60)
                if frame_matches(base + '.png', shown.width / shown.height):
                    return base + '.png', pdf
            return None
        png, pdf = wait_until(our_page, f'the printed page in {PDF_DIR}', timeout=90, interval=0.5)
        path = os.path.join(DOCS, 'printed-page.png')
        run(['convert', png, '-bordercolor', '#999999', '-border', '1', path])
        self.written.append(path)
        print(f'wrote {path} (from {pdf})', flush=True)


    def tray_balloon(self):
        """The balloon at start when Windows' own setting holds PrintScreen: a
        helper holds the key, and the setting is on in the prefix."""
        harness.kill_wine()
        setting = ['HKCU\\Control Panel\\Keyboard', '/v', 'PrintScreenKeyForSnippingEnabled']
        run(['wine', 'reg', 'add', *setting, '/t', 'REG_DWORD', '/d', '1', '/f'])
        holder = subprocess.Popen(['wine', harness.PROBE, 'hold-hotkeys', 'PrintScreen'],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            holder.stdout.readline()
            self.process = subprocess.Popen(['wine', os.path.join(WORKDIR, 'zor_vex.exe')],
                                            cwd=WORKDIR, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            taskbar = wait_until(lambda: find_window('Shell_TrayWnd'), 'the taskbar')
            balloon = wait_until(lambda: next(
                (w for w in harness.windows() if w.visible and w.class_name == 'tooltips_class32'
                 and w.process == taskbar.process), None), 'the balloon')
            left, top, right, _ = balloon.rect
            self.picture('tray-balloon', (min(left, taskbar.rect[2] - 120), top, right,
                                          taskbar.rect[3]), margin=6)
        finally:
            holder.kill()
            holder.wait()
            run(['wine', 'reg', 'delete', *setting, '/f'])


def frame_matches(png, aspect):
    """True when the dark pixels above the stamp line span a box of the
    given width-to-height ratio (within 3 %), as the printed frame does."""
    code, output = run(['convert', png, '-colorspace', 'Gray', '-depth', '8', 'pgm:-'], timeout=30)
    if code != 0:
        return False
    fields = output.split(maxsplit=4)
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4][-width * height:]
    dark = [(x, y) for y in range(int(height * 0.04), int(height * 0.9))
            for x in range(width) if pixels[y * width + x] < 128]
    if not dark:
        return False
    xs, ys = [x for x, _ in dark], [y for _, y in dark]
    box_width, box_height = max(xs) - min(xs) + 1, max(ys) - min(ys) + 1
    return abs(box_width / box_height - aspect) <= 0.03 * aspect


def prepare():
    os.makedirs(DOCS, exist_ok=True)
    if os.path.isdir(harness.WINE_TEMP):
        for name in os.listdir(harness.WINE_TEMP):
            if name.startswith('~zor_vex'):
                os.remove(os.path.join(harness.WINE_TEMP, name))
    os.makedirs(harness.WINE_TEMP, exist_ok=True)
    for number, source in enumerate(HISTORY, start=1):
        run(['convert', source, '-type', 'TrueColor',
             'BMP3:' + os.path.join(harness.WINE_TEMP, f'~zor_vex{number}.bmp')])
    with open(os.path.join(WORKDIR, 'zorvex.ini'), 'wb') as f:
        f.write(harness.encode_ini(SETTINGS))
    shutil.copy(README, os.path.join(WORKDIR, 'readme.txt'))


def main():
    prepare()
    session = Session()
    session.start()
    session.step('range-drag', session.range_drag)
    session.step('tray-menu', session.tray_menu)
    session.step('history-viewer', session.history_viewer)
    session.step('config pages', session.config_pages)
    session.step('hotkey-list / hotkey-edit', session.launcher_dialogs)
    session.step('about', session.about_dialog)
    session.step('printed-page', session.printed_page)
    session.step('tray-balloon', session.tray_balloon, restart_on_failure=False)
    harness.kill_wine()
    print(f'{len(session.written)} pictures written to {DOCS}')
    if session.warnings:
        print(f'{len(session.warnings)} not written:')
        for warning in session.warnings:
            print(f'  {warning}')


if __name__ == '__main__':
    main()
