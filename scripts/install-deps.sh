#!/usr/bin/env bash
# Installs what building and testing ZORVEX needs on a Debian 12 machine
# (run as root). Packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  googletest wine wine64 xvfb xauth xdotool x11-utils x11-xserver-utils x11-apps imagemagick
  libx11-6 libxfixes3
  fonts-ipafont-gothic locales python3
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils procps zip
  clang libclang-rt-14-dev
)

# The 32-bit Wine, so that the x86 build is run too; it comes from the i386
# side of the archive (multiarch). A kernel built without IA-32 emulation
# starts no 32-bit program: there the 32-bit loader, once installed, is what
# `wine` runs and fails, so such a machine keeps the 64-bit Wine alone and
# e2e.test_x86 reports itself skipped.
if python3 "$(dirname "${BASH_SOURCE[0]}")/runs_32bit.py"; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
else
  echo "this kernel runs no 32-bit programs: the 64-bit Wine alone, the x86 program not run"
  if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 >/dev/null
  fi
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
