"""Random hot keys, tray clicks, drags and Esc presses: the
program stays one whole instance that answers, files complete hard copies
and keeps its memory and objects. The seed is printed and can be replayed
with ZORVEX_STORM_SEED; bench/storm runs it for as long as asked."""
import os
import time

import harness
from storm_support import Storm, storm_settings

SECONDS = float(os.environ.get('ZORVEX_STORM_SECONDS', '60'))
OBJECT_BOUND = 10
PRIVATE_BOUND_KB = 2048


class StormCase(harness.ZorvexTestCase):
    settings = storm_settings()
    # Wine debug channels for a replay of a seed; the log is kept with the
    # artifacts when the program stops answering.
    wine_debug = os.environ.get('ZORVEX_STORM_WINEDEBUG') or None

    def slot_stamp(self):
        try:
            status = os.stat(self.slot(1))
            return status.st_ino, status.st_mtime_ns
        except OSError:
            return None

    def test_storm_of_input(self):
        seed = int(os.environ.get('ZORVEX_STORM_SEED', str(int(time.time()))))
        print(f'storm seed {seed}', flush=True)
        storm = Storm(self, seed, report=lambda line: print(line, flush=True))
        # Wine's caches (window DCs among them) grow to what the busiest
        # moment needed and stay: a first stretch of storm reaches that before
        # the figures are taken, so that only growth with time counts.
        storm.warm_up()
        storm.run(SECONDS / 3)
        storm.calm_down()
        before = storm.measure()
        storm.run(SECONDS)
        storm.calm_down()
        slots = storm.check_whole()
        after = storm.measure()
        print(f'slots {slots} before {before} after {after}', flush=True)
        self.assertIsNone(self.process.poll(), 'the program still runs')
        self.assertLessEqual(after['gdi'] - before['gdi'], OBJECT_BOUND,
                             f"GDI objects by type before {before['gdi_types']} after {after['gdi_types']}")
        self.assertLessEqual(after['user'] - before['user'], OBJECT_BOUND)
        self.assertLessEqual(after['private_kb'] - before['private_kb'], PRIVATE_BOUND_KB)


if __name__ == '__main__':
    harness.main()
