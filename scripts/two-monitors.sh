#!/usr/bin/env bash
# Runs a command on a desktop of two monitors under Wine: one X screen of
# 2304 x 800 holding the primary (1280 x 800) at the origin and a second
# monitor (1024 x 768) to its left, at x = -1024. Wine reads the monitors
# through Xinerama and runs without a virtual desktop. The display and the
# Wine prefix (made on first use) are this run's own; both are stopped after.
# Usage: two-monitors.sh PREFIX COMMAND...
set -euo pipefail
export WINEPREFIX=$1
shift
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export ZORVEX_SCREEN_LEFT=-1024
# no taskbar: the tests' desktop has none to wait for
export ZORVEX_NO_TASKBAR=1

fd_file=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 2304x800x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
xvfb=$!
stop() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$fd_file"
}
trap stop EXIT
tries=0
while [[ ! -s "$fd_file" ]] && ((tries++ < 100)); do sleep 0.1; done
export DISPLAY=":$(head -n1 "$fd_file")"

# The primary is declared first, so that Wine puts it at the origin.
xrandr --setmonitor P 1280/0x800/0+1024+0 none
xrandr --setmonitor L 1024/0x768/0+0+0 screen

# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
made_for="zorvex two-monitor prefix for $(zorvex_wine_kind)"
if [[ "$(cat "$WINEPREFIX/.zorvex-ready" 2>/dev/null)" != "$made_for" ]]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  echo "$made_for" >"$WINEPREFIX/.zorvex-ready"
fi
export ZORVEX_WINE_TEMP="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Temp"
mkdir -p "$ZORVEX_WINE_TEMP"
"$@"
