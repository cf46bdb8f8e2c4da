#!/usr/bin/env bash
# Installs what building and testing ZORVEX needs on a Debian 12 machine
# (run as root). Packages already present are not fetched again.
#
# The 32-bit Wine is optional: when it cannot be installed the x86 program is
# still built and packaged, and the reason is left in
# $ZORVEX_BUILD/wine32-status for e2e.test_x86, which then skips itself.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZORVEX_BUILD:-$root/build}
# shellcheck source=runs_32bit.sh
source "$root/scripts/runs_32bit.sh"

packages=(
  cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  googletest wine wine64 xvfb xauth xdotool x11-utils x11-xserver-utils x11-apps imagemagick
  xclip libx11-6 libxfixes3
  fonts-ipafont-gothic locales python3
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils procps zip
  clang libclang-rt-14-dev
)

apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# apt's own reason in one line: the first dependency it cannot meet, and
# its errors.
apt_reason() {
  { grep -m1 -E '^ *[^ ]+ : (Pre)?Depends:' "$apt_log" || true; grep -E '^E: ' "$apt_log" || true; } |
    sed -E 's/^ +//; s/^E: //; s/ +/ /g' |
    awk 'NR > 1 { printf "; " } { printf "%s", $0 } END { print "" }'
}

# One index that cannot be fetched (a mirror in the middle of a sync) must
# not stop the install: what could be fetched is used, and the rest is named.
update_indexes() {
  local attempt
  for attempt in 1 2 3; do
    if apt-get update -qq >"$apt_log" 2>&1; then return 0; fi
    ((attempt < 3)) && sleep $((attempt * 5))
  done
  local failed
  failed=$(grep -E '^(E|W): Failed to fetch' "$apt_log" | sed -E 's/^(E|W): Failed to fetch //' |
    awk 'NR > 1 { printf "; " } { printf "%s", $0 } END { print "" }')
  echo "apt-get update: going on without the indexes that could not be fetched: ${failed:-$(apt_reason)}"
}

install_packages() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" \
    >"$apt_log" 2>&1
}

wants_32bit=0
if [[ "${ZORVEX_SKIP_X86:-0}" == 1 ]]; then
  : # no x86 program to run: the 32-bit Wine is neither installed nor removed
elif runs_32bit; then
  wants_32bit=1
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
else
  # There the 32-bit loader, once installed, is what `wine` runs, and fails.
  if installed wine32:i386; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 >/dev/null
  fi
fi

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
((wants_32bit)) && ! installed wine32:i386 && missing+=(wine32:i386)
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  update_indexes
fi

required=()
for package in "${packages[@]}"; do
  installed "$package" || required+=("$package")
done
if ((${#required[@]})) && ! install_packages "${required[@]}"; then
  # Name the packages apt cannot install, each with its own reason.
  cat "$apt_log" >&2
  failing=()
  for package in "${required[@]}"; do
    apt-get install -s -qq --no-install-recommends "$package" >/dev/null 2>&1 || failing+=("$package")
  done
  echo "could not install ${failing[*]:-${required[*]}}: $(apt_reason)" >&2
  exit 1
fi

mkdir -p "$build"
if [[ "${ZORVEX_SKIP_X86:-0}" == 1 ]]; then
  : # the status of an earlier run stays
elif ((wants_32bit == 0)); then
  echo "not run: this kernel runs no 32-bit programs, so there is no 32-bit Wine" >"$build/wine32-status"
  echo "this kernel runs no 32-bit programs: the 64-bit Wine alone, the x86 program built and packaged but not run"
elif installed wine32:i386 || install_packages wine32:i386; then
  echo "installed" >"$build/wine32-status"
else
  reason=$(apt_reason)
  echo "not run: the 32-bit Wine could not be installed: $reason" >"$build/wine32-status"
  echo "the 32-bit Wine could not be installed: $reason; the x86 program is built and packaged but not run"
fi

# Japanese for the program's usual runs, English for its runs on a system
# whose code page is not 932.
missing_locales=0
for name in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$name.utf8\$"; then
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null || echo "$name.UTF-8 UTF-8" >>/etc/locale.gen
    missing_locales=1
  fi
done
if ((missing_locales)); then locale-gen >/dev/null; fi
