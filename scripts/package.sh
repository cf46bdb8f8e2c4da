#!/usr/bin/env bash
# Builds the x64 and the x86 program in Release and writes the release
# archives dist/zorvex-<version>-x64.zip and dist/zorvex-<version>-x86.zip,
# each holding zor_vex.exe and readme.txt at the top level. The version is the
# one the build wrote into the version resource (from project() in
# CMakeLists.txt). With ZORVEX_SKIP_X86=1 only the x64 archive is written.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZORVEX_BUILD=${ZORVEX_BUILD:-$root/build}
dist=${ZORVEX_DIST:-$root/dist}

ZORVEX_TARGETS="zor_vex zorvex_readme" "$root/scripts/build.sh"

version=$(sed -n 's/^#define ZORVEX_RELEASE_VERSION "\(.*\)"$/\1/p' \
  "$ZORVEX_BUILD/x86_64/zor_vex_version.h")
[[ -n "$version" ]] || { echo "no version in the build's zor_vex_version.h" >&2; exit 1; }

mkdir -p "$dist"
write_archive() {
  local arch=$1 build_dir=$2
  local archive=$dist/zorvex-$version-$arch.zip
  rm -f "$archive"
  (cd "$build_dir" && zip -q -X "$archive" zor_vex.exe readme.txt)
  echo "$archive: $(stat -c %s "$archive") bytes"
}
write_archive x64 "$ZORVEX_BUILD/x86_64"
if [[ "${ZORVEX_SKIP_X86:-0}" != 1 ]]; then
  write_archive x86 "$ZORVEX_BUILD/i686"
else
  echo "x86 archive not written (ZORVEX_SKIP_X86=1)"
fi
