#!/usr/bin/env bash
# Print figures on the CUPS PDF printer: the median time from the "印刷"
# button's print call to the job handed to the spooler, for a 1920 x 1080
# hard copy on the default printer's page (A4 at its resolution), and the size
# of the spooled job. Uses the program of $ZORVEX_BUILD (default: build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${ZORVEX_BUILD:-$root/build}
rounds=${ZORVEX_BENCH_ROUNDS:-9}

export ZORVEX_OWN_DISPLAY=1
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap zorvex_env_stop EXIT
zorvex_env_start "$build"
wineserver -p

work=$(mktemp -d)
trap 'rm -rf "$work"; zorvex_env_stop' EXIT
python3 - "$work/hardcopy.bmp" <<'PY'
import struct, sys
# A screen-like picture: bands of gradients and fine detail, not one colour.
width, height = 1920, 1080
rows = []
for y in range(height):
    row = bytearray()
    for x in range(width):
        band = (y // 120) % 3
        if band == 0:
            row += bytes(((x * 255) // width, (y * 2) & 255, 128))
        elif band == 1:
            row += bytes((255, 255, 255)) if (x // 6 + y // 12) % 5 else bytes((20, 20, 20))
        else:
            row += bytes(((x ^ y) & 255, (x * 3) & 255, (y * 5) & 255))
    rows.append(bytes(row))
pixels = b''.join(reversed(rows))
with open(sys.argv[1], 'wb') as f:
    f.write(struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54))
    f.write(struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0))
    f.write(pixels)
PY

last_job() { lpstat -W all -o | sed -n 's/^[^ ]*-\([0-9]*\) .*/\1/p' | sort -n | tail -1; }
before=$(last_job)
wine "$build/x86_64/bench/print_timer.exe" "Z:${work//\//\\}\\hardcopy.bmp" "$rounds" \
  </dev/null >"$work/times.txt" 2>/dev/null
after=$(last_job)

python3 - "$work/times.txt" "${before:-0}" "${after:-0}" <<'PY'
import os, statistics, sys
times = [float(v) for v in open(sys.argv[1]).read().split()]
first, last = int(sys.argv[2]) + 1, int(sys.argv[3])
sizes = [os.path.getsize(f'/var/spool/cups/d{n:05d}-001') for n in range(first, last + 1)
         if os.path.exists(f'/var/spool/cups/d{n:05d}-001')]
print(f'print of a 1920 x 1080 hard copy, {len(times)} rounds')
print(f'  median to EndDoc: {statistics.median(times):.1f} ms '
      f'(min {min(times):.1f}, max {max(times):.1f})')
if sizes:
    print(f'  spooled job: {statistics.median(sizes) / 1e6:.2f} MB (jobs {first}..{last})')
PY
