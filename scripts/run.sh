#!/usr/bin/env bash
# Builds ZORVEX and starts it under Wine from the folder build/demo, which
# holds zor_vex.exe and readme.txt as a released archive does and receives
# the settings file zorvex.ini. With an X display the program is started
# there; without one a virtual display is started, a demonstration hard copy
# of the desktop is taken with PrintScreen, and pictures of the desktop (with
# the tray icon) and of the hard copy are written beside it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZORVEX_BUILD=${ZORVEX_BUILD:-$root/build}

if [[ "${ZORVEX_INSTALLED:-}" != 1 ]]; then
  "$root/scripts/install-deps.sh"
  # Once more in a shell started after the install: a shell started before
  # the locales were generated can never switch to them.
  ZORVEX_INSTALLED=1 exec bash "$root/scripts/run.sh" "$@"
fi
ZORVEX_SKIP_X86=1 "$root/scripts/build.sh"

demo=${ZORVEX_WORKDIR:-$ZORVEX_BUILD/demo}
mkdir -p "$demo"
cp "$ZORVEX_BUILD/x86_64/zor_vex.exe" "$ZORVEX_BUILD/x86_64/readme.txt" "$demo/"

headless=0
[[ -z "${DISPLAY:-}" ]] && headless=1
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
zorvex_env_start "$ZORVEX_BUILD"
cd "$demo"

if ((headless == 0)); then
  cat <<MESSAGE
ZORVEX starts in a Wine desktop window on $DISPLAY, from $demo
(its settings file is $demo/zorvex.ini).
It has no window of its own: its icon sits at the right end of the Wine
desktop's taskbar. Left click: the menu (capture mode, history, settings,
exit "終了"); right click: the history viewer. Click into the Wine desktop,
then PrintScreen takes a hard copy, Shift+PrintScreen lets you drag a range,
Alt+PrintScreen opens the settings, Ctrl+Alt+F10 the history viewer.
MESSAGE
  exec wine "$demo/zor_vex.exe"
fi

trap zorvex_env_stop EXIT
[[ -f zorvex.ini ]] || printf '[Common]\r\nCopyType=0\r\n[SaveAs]\r\nSaveFormat1=1\r\n[Option]\r\nIsFlash=1\r\n' >zorvex.ini
# The build's Wine prefix is shared with the tests: its temporary folder may
# still hold their hard copies, which are not this demonstration's.
rm -f "$ZORVEX_WINE_TEMP"/~zor_vex*.bmp
wine "$demo/zor_vex.exe" &
probe=$ZORVEX_BUILD/x86_64/tests/probe.exe
for _ in $(seq 100); do
  wine "$probe" windows 2>/dev/null | grep -q CMainWinClass && break
  sleep 0.2
done
desktop=$(xdotool search --name 'Wine desktop' | head -n1)
xdotool windowfocus --sync "$desktop" key Print
hardcopy=$ZORVEX_WINE_TEMP/~zor_vex1.bmp
for _ in $(seq 100); do
  [[ -s "$hardcopy" ]] && break
  sleep 0.2
done
if [[ ! -s "$hardcopy" ]]; then
  echo "no hard copy was made" >&2
  exit 1
fi
sleep 1 # let the feedback go and the desktop repaint
import -window "$desktop" "$demo/desktop.png"
convert "bmp:$hardcopy" "$demo/hardcopy.png"
size=$(identify -format '%w x %h' "bmp:$hardcopy")
cat <<MESSAGE
ZORVEX ran in a virtual display from $demo and took a hard copy of the
desktop with PrintScreen: $size pixels, copied to the clipboard and filed as
the newest entry of its history, $hardcopy
Pictures:  $demo/desktop.png   the desktop, ZORVEX's icon at the right of the taskbar
           $demo/hardcopy.png  the hard copy
Settings:  $demo/zorvex.ini
MESSAGE
