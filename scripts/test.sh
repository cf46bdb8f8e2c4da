#!/usr/bin/env bash
# Installs what is needed, builds ZORVEX and runs every test: the unit tests
# under Wine and the end-to-end tests in a Wine virtual desktop on Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZORVEX_BUILD=${ZORVEX_BUILD:-$root/build}

if [[ "${ZORVEX_INSTALLED:-}" != 1 ]]; then
  "$root/scripts/install-deps.sh"
  # Once more in a shell started after the install: a shell started before
  # the locales were generated can never switch to them.
  ZORVEX_INSTALLED=1 exec bash "$root/scripts/test.sh" "$@"
fi
"$root/scripts/build.sh"

export ZORVEX_OWN_DISPLAY=1
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
trap zorvex_env_stop EXIT
zorvex_env_start "$ZORVEX_BUILD"

# The unit tests run in this desktop; each end-to-end test file starts a
# display and a desktop of its own. Bring the desktop up first, alone and
# with no pipe for it to inherit (ctest reads the unit tests' output through
# one), and keep it up between the tests.
wineserver -p
wine "$ZORVEX_BUILD/x86_64/tests/probe.exe" metrics >/dev/null 2>&1 </dev/null
wine "$ZORVEX_BUILD/x86_64/tests/probe.exe" hold-hotkeys >/dev/null 2>&1 </dev/null &
hotkey_holder=$!
trap 'kill "$hotkey_holder" 2>/dev/null || true; zorvex_env_stop' EXIT

# The end-to-end files mostly wait for the program and Wine, each in a
# desktop and a Wine prefix of its own: several run side by side.
jobs=${ZORVEX_TEST_JOBS:-$(($(nproc) * 2))}
cd "$ZORVEX_BUILD/x86_64"
status=0
ctest --output-on-failure -j "$jobs" "$@" || status=$?
# ctest shows no output of a skipped test: say why the x86 program was not run.
wine32=$(cat "$ZORVEX_BUILD/wine32-status" 2>/dev/null || echo "not run: scripts/install-deps.sh left no word on the 32-bit Wine")
if [[ "${ZORVEX_SKIP_X86:-0}" != 1 && "$wine32" != installed ]]; then
  echo "e2e.test_x86 skipped, the x86 program was not run: ${wine32#not run: }"
fi
exit "$status"
