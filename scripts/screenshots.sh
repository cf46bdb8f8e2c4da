#!/usr/bin/env bash
# Takes the README's pictures: builds ZORVEX, starts it in a Wine desktop on
# its own Xvfb with prepared history files and settings, and writes the tray
# menu, the range selection during a drag, the history viewer, every page of
# the configuration dialog, the hot-key launcher dialogs, the About dialog and
# a printed page (rendered from the PDF printer's output) into docs/.
# A picture whose window does not appear is reported and skipped.
# Run it again whenever a window changes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZORVEX_BUILD=${ZORVEX_BUILD:-$root/build}

if [[ "${ZORVEX_INSTALLED:-}" != 1 ]]; then
  "$root/scripts/install-deps.sh"
  # Once more in a shell started after the install: a shell started before
  # the locales were generated can never switch to them.
  ZORVEX_INSTALLED=1 exec bash "$root/scripts/screenshots.sh" "$@"
fi
ZORVEX_SKIP_X86=1 "$root/scripts/build.sh"

export ZORVEX_SCREENSHOT_DIR=$ZORVEX_BUILD/screenshots
rm -rf "$ZORVEX_SCREENSHOT_DIR"
mkdir -p "$ZORVEX_SCREENSHOT_DIR"
cp "$ZORVEX_BUILD/x86_64/zor_vex.exe" "$ZORVEX_SCREENSHOT_DIR/"
export ZORVEX_README=$ZORVEX_BUILD/x86_64/readme.txt
export ZORVEX_PROBE=$ZORVEX_BUILD/x86_64/tests/probe.exe
export ZORVEX_EXE=$ZORVEX_SCREENSHOT_DIR/zor_vex.exe

export ZORVEX_OWN_DISPLAY=1
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
trap zorvex_env_stop EXIT
zorvex_env_start "$ZORVEX_BUILD"

python3 "$root/scripts/screenshots.py"
