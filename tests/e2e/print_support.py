"""Print jobs as a user holds them: the PDF that the CUPS PDF printer writes
for each finished job, and the PostScript job that CUPS keeps, whose text
runs carry the printed texts (the PDF made from Wine's PostScript has no
text layer: every character is a named glyph). PrintCase prints from the
viewer; the Japanese title's print is a case of its own, run on both a
Japanese and an English system."""
import os
import re
import subprocess

import harness
from harness import (MENU_TITLE, PRINT_BUTTON, TITLE_FIELD, TITLE_OK, Picture, click_control,
                     quadrant_color, wait_until)
from case_support import ViewerTestCase

SPOOL = '/var/spool/cups'
# The tests print as a CUPS user of their own, which no account has (see
# harness.py), so that they see only the jobs they make themselves, whatever
# else prints; cups-pdf writes such a user's PDFs into its folder for
# anonymous jobs.
USER = os.environ['CUPS_USER']


def pdf_folder():
    """The cups-pdf folder of anonymous jobs (the "AnonDirName" setting)."""
    folder = '/var/spool/cups-pdf/ANONYMOUS'
    try:
        with open('/etc/cups/cups-pdf.conf') as f:
            for line in f:
                fields = line.split(None, 1)
                if len(fields) == 2 and fields[0] == 'AnonDirName':
                    folder = fields[1].strip()
    except OSError:
        pass
    return folder


# The print server of the machine, as it was when the tests started: a test
# may point the program (and so this process's environment) at another.
REAL_SERVER = os.environ.get('CUPS_SERVER')


def job_ids(which='all'):
    env = {k: v for k, v in os.environ.items() if k != 'CUPS_SERVER'}
    if REAL_SERVER is not None:
        env['CUPS_SERVER'] = REAL_SERVER
    result = subprocess.run(['lpstat', '-W', which, '-u', USER], capture_output=True, timeout=30,
                            env=env)
    if result.returncode != 0:
        raise AssertionError(f'lpstat could not read the print queue (exit code '
                             f'{result.returncode}): {result.stderr.decode(errors="replace")}')
    output = result.stdout
    ids = set()
    for line in output.decode(errors='replace').splitlines():
        match = re.match(r'\S+-(\d+)\s', line)
        if match:
            ids.add(int(match.group(1)))
    return ids


def printer_page():
    """offX, offY, physW, physH, horz, vert, dpiX, dpiY of the default printer,
    or () when there is none."""
    line = harness.probe('printer-page').strip()
    return tuple(int(v) for v in line.split('\t')) if line != 'none' else ()


# Where a hard copy lands on the page, in the printer's pixels from the
# paper's corner, worked out by hand for the PDF printer's A4 page at 300 DPI
# (2479 x 3508, all of it printable): the image fills 90 % of the width (2231)
# or of the height (3157), whichever it meets first, and is centred.
A4_300 = (0, 0, 2479, 3508, 2479, 3508, 300, 300)
IMAGE_RECTS = {
    (A4_300, (200, 100)): (124, 1196, 2355, 2311),   # 2231 x 1115.5
    (A4_300, (100, 50)): (124, 1196, 2355, 2311),
    (A4_300, (1280, 800)): (124, 1057, 2355, 2451),  # 2231 x 1394.4
}


def image_rect(width, height, page):
    """Where a width x height hard copy lands on the page."""
    try:
        return IMAGE_RECTS[(tuple(page), (width, height))]
    except KeyError:
        raise AssertionError(f'no worked-out place for {width} x {height} on the page {page}')


GLYPH_NAMES = {'space': ' ', 'period': '.', 'slash': '/', 'colon': ':', 'hyphen': '-',
               'zero': '0', 'one': '1', 'two': '2', 'three': '3', 'four': '4', 'five': '5',
               'six': '6', 'seven': '7', 'eight': '8', 'nine': '9', 'underscore': '_'}


def glyph_char(name):
    # Adobe-Japan1 half-width Roman glyphs: CID 231 is the blank, then ASCII order.
    match = re.fullmatch(r'aj(\d+)', name)
    if match and 231 <= int(match.group(1)) <= 325:
        return chr(int(match.group(1)) - 231 + 32)
    if name in GLYPH_NAMES:
        return GLYPH_NAMES[name]
    if len(name) == 1:
        return name
    return '\ufffd'


class PrintJob:
    def __init__(self, job_id, pdf):
        self.job_id = job_id
        self.pdf = pdf
        self.spool = os.path.join(SPOOL, f'd{job_id:05d}-001')

    def pages(self):
        _, output = harness.run(['pdfinfo', self.pdf], timeout=30)
        match = re.search(r'^Pages:\s+(\d+)', output.decode(errors='replace'), re.M)
        return int(match.group(1)) if match else 0

    def texts(self):
        """[(x, y, text)]: each run of glyphs after a moveto in the spooled job."""
        with open(self.spool, 'rb') as f:
            lines = f.read().decode('latin-1').splitlines()
        runs = []
        current = None
        for line in lines:
            move = re.fullmatch(r'(-?\d+) (-?\d+) moveto', line)
            if move:
                current = [int(move.group(1)), int(move.group(2)), '']
                runs.append(current)
                continue
            glyph = re.fullmatch(r'/(\S+) glyphshow', line)
            if glyph and current is not None:
                current[2] += glyph_char(glyph.group(1))
        return [tuple(run) for run in runs if run[2]]

    def glyph_names(self):
        with open(self.spool, 'rb') as f:
            return re.findall(r'^/(\S+) glyphshow$', f.read().decode('latin-1'), re.M)

    def picture(self, dpi, name):
        """The page as a picture at the printer's resolution, also left as
        <name>.png (at a quarter of the size) in the artifacts."""
        _, ppm = harness.run(['pdftoppm', '-r', str(dpi), '-singlefile', self.pdf], timeout=120)
        picture = Picture(ppm)
        picture.save_png(os.path.join(harness.ARTIFACTS, name + '.png'), '25%')
        return picture


class JobWatch:
    """Notes the jobs and PDFs that exist, to find the ones a test makes."""

    def __init__(self):
        self.folder = pdf_folder()
        self.jobs = job_ids()
        self.pdfs = self.pdf_stamps()

    def pdf_stamps(self):
        """Each PDF with its time: a new job may reuse the number, and so the
        name, of one of the print server's earlier life."""
        if not os.path.isdir(self.folder):
            return {}
        return {entry.name: entry.stat().st_mtime_ns for entry in os.scandir(self.folder)}

    def new_jobs(self):
        return sorted(job_ids() - self.jobs)

    def new_pdfs(self):
        """The new PDFs of this user's jobs."""
        jobs = {f'job_{job}.pdf' for job in job_ids()}
        return sorted(name for name, stamp in self.pdf_stamps().items()
                      if self.pdfs.get(name) != stamp
                      and re.sub(r'.*-(?=job_\d+\.pdf$)', '', name) in jobs)

    def finished(self, timeout=60):
        """The one new job once CUPS has completed it and its PDF is written."""
        def done():
            jobs = self.new_jobs()
            if not jobs or jobs[-1] not in job_ids('completed'):
                return None
            names = [n for n in self.new_pdfs() if n.endswith(f'job_{jobs[-1]}.pdf')]
            return (jobs, names) if names else None
        jobs, names = wait_until(done, lambda: f'a finished print job with its PDF (new jobs '
                                 f'{self.new_jobs()}, of them completed '
                                 f'{sorted(set(self.new_jobs()) & job_ids("completed"))}, '
                                 f'new PDFs {self.new_pdfs()})', timeout=timeout)
        return jobs, PrintJob(jobs[-1], os.path.join(self.folder, names[0]))

    def assert_nothing_printed(self, seconds=3.0):
        """No job and no PDF come up for a while (a job is queued within a
        second of the print under Wine)."""
        harness.assert_never(lambda: self.new_jobs() or self.new_pdfs(), seconds,
                             'a print job or PDF was made')


class HookedPrint(harness.Helper):
    """The probe's hook on the next print's abort dialog (see probe.cpp).
    In "cancel" mode, `finish` ends the watch at once; in "hold" mode the
    probe holds the print until the picture file exists."""

    def __init__(self, case, mode, picture=''):
        self.stop_file = os.path.join(case.workdir, 'hook.stop')
        super().__init__(case, 'hook-next-print', mode, case.wine_path(picture or self.stop_file),
                         30, ready='ready')

    def finish(self, acted=True):
        """True when the hook acted on an abort dialog. When it is to have
        acted, it is given the time it takes (the viewer closes before its
        print begins): the probe ends once it has, or at its own time limit."""
        if acted:
            wait_until(lambda: self.process.poll() is not None, 'the hook to act on the print',
                       timeout=60)
        open(self.stop_file, 'w').close()
        self.process.wait(timeout=60)
        return self.said('done')


# --- printing from the viewer -----------------------------------------------

DEVICE_ENTRY = r'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
# The common print setup dialog (Wine's, in Japanese) and its list of
# printers (cmb1).
SETUP_TITLE, SETUP_PRINTERS = '印刷設定', 0x470


class PrintCase(ViewerTestCase):
    history = {1: (200, 100, quadrant_color(200, 100))}

    def setUp(self):
        super().setUp()
        self.page = printer_page()
        # a print setup may make another printer the default one
        self.keep_registry_value(DEVICE_ENTRY, 'device')

    def print_from_viewer(self, title=None):
        viewer = self.open_by_tray()
        if title:
            self.enter_title(viewer, title)
        self.watch = JobWatch()
        click_control(viewer, PRINT_BUTTON)
        wait_until(lambda: self.viewer() is None, 'the viewer to close after printing')

    def enter_title(self, viewer, text):
        self.choose(viewer, MENU_TITLE)
        dialog = self.message_box(control=TITLE_FIELD)
        click_control(dialog, TITLE_FIELD)
        harness.type_text(text)
        click_control(dialog, TITLE_OK)
        dialog.wait_closed()

    def setup_dialog(self):
        """The print setup dialog, known by its title and its list of printers."""
        return self.message_box(SETUP_TITLE, SETUP_PRINTERS)

    def finished_job(self):
        jobs, job = self.watch.finished()
        self.assertEqual(len(jobs), 1, 'exactly one job')
        self.assertEqual(len(self.watch.new_pdfs()), 1, 'exactly one PDF')
        self.assertEqual(job.pages(), 1)
        return job

    def picture(self, job, name):
        return job.picture(self.page[6], name)

    def expected_image(self, width, height):
        return image_rect(width, height, self.page)

    def assert_image_placed(self, picture, expected):
        margin = 300
        found = picture.ink_box((0, margin, picture.width, picture.height - margin))
        self.assertIsNotNone(found, 'the image on the page')
        for got, want in zip(found, expected):
            self.assertLessEqual(abs(got - want), 3, f'{found} against {expected}')

    def frame_pixels(self, picture, image):
        """Dark pixels along the right and bottom edges of the white quadrant."""
        left, top, right, bottom = image
        mid_x, mid_y = (left + right) // 2, (top + bottom) // 2
        hits = 0
        for y in range(mid_y + 20, bottom - 20, 25):
            hits += any(max(picture.pixel(x, y)) < 220 for x in range(right - 2, right + 3))
        for x in range(mid_x + 20, right - 20, 25):
            hits += any(max(picture.pixel(x, y)) < 220 for y in range(bottom - 2, bottom + 3))
        return hits


class JapaneseTitle(PrintCase):
    def test_japanese_title_prints_as_text(self):
        viewer = self.open_by_tray()
        self.choose(viewer, MENU_TITLE)
        dialog = self.message_box(control=TITLE_FIELD)
        harness.probe('settext', harness.child(dialog, TITLE_FIELD).handle, '印刷テスト 42')
        click_control(dialog, TITLE_OK)
        dialog.wait_closed()
        self.watch = JobWatch()
        self.press_button(viewer, PRINT_BUTTON)
        wait_until(lambda: self.viewer() is None, 'the viewer to close after printing')
        job = self.finished_job()
        # Five full-width characters of the Japanese font, then " 42".
        self.assertEqual([t[2] for t in job.texts()], ['\ufffd' * 5 + ' 42'])
        names = job.glyph_names()
        self.assertEqual(len(names), 8)
        self.assertTrue(all(re.fullmatch(r'aj[1-9]\d*', n) for n in names), names)
        self.assertEqual(len(set(names[:5])), 5, 'five different glyphs, not five boxes')
        picture = self.picture(job, 'print-japanese-title')
        self.assertIsNotNone(picture.ink_box((0, 0, picture.width, 200)))
