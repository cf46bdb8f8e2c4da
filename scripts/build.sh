#!/usr/bin/env bash
# Builds ZORVEX: the tested x86_64 build (with tests and test tools) and the
# x86 build, both with the mingw-w64 cross compilers. ZORVEX_TARGETS limits
# the build to the named targets (the release archives need only the program).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZORVEX_BUILD:-$root/build}
jobs=$(nproc)
targets=()
for target in ${ZORVEX_TARGETS:-}; do targets+=(--target "$target"); done

cmake -S "$root" -B "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/x86_64" -j"$jobs" "${targets[@]}"

if [[ "${ZORVEX_SKIP_X86:-0}" != 1 ]]; then
  cmake -S "$root" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZORVEX_TESTS=OFF >/dev/null
  cmake --build "$build/i686" -j"$jobs" "${targets[@]}"
fi
