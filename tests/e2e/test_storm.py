"""Random hot keys, tray clicks, drags and Esc presses: the
program stays one whole instance that answers, files complete hard copies
and keeps its memory and objects. The seed is printed and can be replayed
with ZORVEX_STORM_SEED; bench/storm runs it for as long as asked."""
import os
import shutil
import time

import harness
from storm_support import Storm, storm_settings

SECONDS = float(os.environ.get('ZORVEX_STORM_SECONDS', '60'))
OBJECT_BOUND = 10
PRIVATE_BOUND_KB = 2048
# GDI object types as the probe reports them (NTGDI_OBJ_* >> 16; bitmaps
# themselves are 09 and must stay flat), and Wine's bound on its cache
# of window DCs (DCE_CACHE_SIZE in win32u/dce.c); the program keeps at most a
# few DCs of its own (the viewer's back buffer, one being drawn).
DC, REGION, SURFACE = '01', '04', '05'
WINE_DCE_CACHE_SIZE = 64
OWN_DCS = 8


def object_count(figures, kind):
    counts = dict(entry.split(':') for entry in figures['gdi_types'].split())
    return int(counts.get(kind, 0))


def keep_wine_log(path):
    os.makedirs(harness.ARTIFACTS, exist_ok=True)
    shutil.copy(path, os.path.join(harness.ARTIFACTS, 'storm-wine-debug.log'))


class StormCase(harness.ZorvexTestCase):
    settings = storm_settings()
    # Wine debug channels for a replay of a seed; the log is kept with the
    # artifacts.
    wine_debug = os.environ.get('ZORVEX_STORM_WINEDEBUG') or None

    def test_storm_of_input(self):
        seed = int(os.environ.get('ZORVEX_STORM_SEED', str(int(time.time()))))
        print(f'storm seed {seed}', flush=True)
        if self.wine_debug:
            self.addCleanup(keep_wine_log, self.wine_log_path)
        storm = Storm(self, seed, report=lambda line: print(line, flush=True))
        # Wine's caches (window DCs among them) grow to what the busiest
        # moment needed and stay: a first stretch of storm reaches that before
        # the figures are taken, so that only growth with time counts.
        storm.warm_up()
        storm.run(SECONDS / 3)
        storm.calm_down()
        before = storm.measure()
        storm.run(SECONDS / 2)
        storm.calm_down()
        middle = storm.measure()
        storm.run(SECONDS / 2)
        storm.calm_down()
        slots = storm.check_whole()
        after = storm.measure()
        print(f'slots {slots} before {before} middle {middle} after {after}', flush=True)
        self.assertIsNone(self.process.poll(), 'the program still runs')
        types = f"GDI objects by type before {before['gdi_types']} after {after['gdi_types']}"
        # Wine hands out window DCs from a cache of up to DCE_CACHE_SIZE
        # entries that it never shrinks, each a DC that comes with a region and
        # a surface object of its own: it grows to the most windows painted between two
        # window moves, whichever moment of the storm that was. New entries
        # come as those three objects each and stop at the cache's size;
        # every other object must stay where it was.
        dcs_before, dcs_after = object_count(before, DC), object_count(after, DC)
        new_dces = max(0, dcs_after - dcs_before)
        self.assertLessEqual(dcs_after, WINE_DCE_CACHE_SIZE + OWN_DCS, types)
        for kind in (REGION, SURFACE):
            self.assertLessEqual(object_count(after, kind) - object_count(before, kind),
                                 new_dces + OBJECT_BOUND, types)
        self.assertLessEqual(after['gdi'] - before['gdi'] - 3 * new_dces, OBJECT_BOUND, types)
        self.assertLessEqual(after['user'] - before['user'], OBJECT_BOUND)
        # The heap keeps what the busiest moment needed, and a hard copy's
        # buffers (the clipboard's among them) can be held or not at a
        # reading: either lifts one stretch once. A leak lifts both.
        growths = [middle['private_kb'] - before['private_kb'],
                   after['private_kb'] - middle['private_kb']]
        self.assertLessEqual(min(growths), PRIVATE_BOUND_KB // 2,
                             f'private memory grew by {growths} KB in the two stretches')


if __name__ == '__main__':
    harness.main()
