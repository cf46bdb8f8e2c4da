# Sourced by the run and test scripts: a private Wine prefix with a Japanese
# locale and a virtual desktop with taskbar, an X display, and a CUPS printer
# that writes PDFs. zorvex_env_stop ends exactly what zorvex_env_start began.

# The Wine a prefix is made for: its version, and whether the 32-bit Wine
# is beside the 64-bit one.
zorvex_wine_kind() {
  local bits=64-bit
  [[ -e /usr/lib/wine/wine ]] && bits="64-bit and 32-bit"
  echo "$(wine --version 2>/dev/null), $bits"
}

# Asked in the C locale: under LANG=ja_JP the answer is in Japanese.
zorvex_cups_answers() {
  [[ "$(LC_ALL=C LANG=C lpstat -r 2>/dev/null)" == "scheduler is running" ]]
}

zorvex_env_start() {
  local build=$1
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=$build/wineprefix
  ZORVEX_STARTED_XVFB=
  ZORVEX_STARTED_CUPSD=

  if [[ -z "${DISPLAY:-}" || "${ZORVEX_OWN_DISPLAY:-0}" == 1 ]]; then
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -noreset -screen 0 "${ZORVEX_SCREEN:-1920x1080x24}" -nolisten tcp 3>"$fd_file" \
      >/dev/null 2>&1 &
    ZORVEX_STARTED_XVFB=$!
    local tries=0
    while [[ ! -s "$fd_file" ]] && ((tries++ < 100)); do sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
  fi
  # Ctrl+Alt+F10..F12 are "switch VT" keys on a bare X server; make them plain
  # function keys so that the hot keys arrive.
  xmodmap -e "keycode 76 = F10 F10 F10 F10 F10 F10 F10" \
    -e "keycode 95 = F11 F11 F11 F11 F11 F11 F11" \
    -e "keycode 96 = F12 F12 F12 F12 F12 F12 F12" 2>/dev/null || true

  # A prefix is made by one Wine: with the 32-bit Wine added or removed, or
  # another version, it no longer starts ("could not load kernel32.dll").
  local made_for
  made_for="zorvex prefix 3 for $(zorvex_wine_kind)"
  if [[ "$(cat "$WINEPREFIX/.zorvex-ready" 2>/dev/null)" != "$made_for" ]]; then
    if [[ -d "$WINEPREFIX" ]]; then
      echo "the Wine prefix $WINEPREFIX was made for another Wine: making it again for $(zorvex_wine_kind)"
    fi
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shell /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /t REG_SZ \
      /d "${ZORVEX_DESKTOP:-1280x800}" /f >/dev/null 2>&1
    # A fresh prefix may lack the text-file association that Windows has.
    wine reg add 'HKCR\.txt' /ve /t REG_SZ /d txtfile /f >/dev/null 2>&1
    wineserver -w
    echo "$made_for" >"$WINEPREFIX/.zorvex-ready"
  fi
  export ZORVEX_WINE_TEMP="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Temp"
  mkdir -p "$ZORVEX_WINE_TEMP"

  # A scheduler that answers on this machine's socket is used as it is (it
  # may be another run's, or the machine's own); one started here is ended
  # by its process id, never by name. The socket is named, so that no client
  # falls back to port 631, which may be another root's scheduler.
  export CUPS_SERVER=${CUPS_SERVER:-/run/cups/cups.sock}
  if command -v cupsd >/dev/null && ! zorvex_cups_answers; then
    cupsd -f >/dev/null 2>&1 &
    ZORVEX_STARTED_CUPSD=$!
    local tries=0
    until zorvex_cups_answers || ((tries++ >= 100)); do sleep 0.1; done
  fi
  if ! zorvex_cups_answers; then
    echo "no print server answers on $CUPS_SERVER: nothing can be printed" >&2
  elif ! lpstat -p PDF >/dev/null 2>&1; then
    local said
    said=$(LC_ALL=C lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>&1 |
      grep -v 'drivers are deprecated') || true
    lpstat -p PDF >/dev/null 2>&1 ||
      echo "the PDF printer could not be added: ${said:-lpadmin said nothing}" >&2
  fi
  if zorvex_cups_answers && ! LC_ALL=C lpstat -d 2>/dev/null | grep -q 'destination: '; then
    lpadmin -d PDF 2>/dev/null || true
  fi
}

zorvex_env_stop() {
  wineserver -k 2>/dev/null || true
  if [[ -n "${ZORVEX_STARTED_CUPSD:-}" ]]; then
    kill "$ZORVEX_STARTED_CUPSD" 2>/dev/null || true
    wait "$ZORVEX_STARTED_CUPSD" 2>/dev/null || true
  fi
  if [[ -n "${ZORVEX_STARTED_XVFB:-}" ]]; then
    kill "$ZORVEX_STARTED_XVFB" 2>/dev/null || true
    wait "$ZORVEX_STARTED_XVFB" 2>/dev/null || true
  fi
}
