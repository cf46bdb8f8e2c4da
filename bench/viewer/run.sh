#!/usr/bin/env bash
# Builds the step timer and runs the viewer figures in a private Wine desktop
# on Xvfb, with the program of $ZORVEX_BUILD (default: build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${ZORVEX_BUILD:-$root/build}
x86_64-w64-mingw32-g++ -O2 -static -o "$build/step_timer.exe" "$root/bench/viewer/step_timer.cpp" -lgdi32

export ZORVEX_OWN_DISPLAY=1
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap zorvex_env_stop EXIT
zorvex_env_start "$build"
export ZORVEX_EXE=$build/x86_64/zor_vex.exe ZORVEX_PROBE=$build/x86_64/tests/probe.exe
export ZORVEX_STEP_TIMER=$build/step_timer.exe ZORVEX_ARTIFACTS=$build/bench-artifacts
python3 "$root/bench/viewer/bench_viewer.py"
