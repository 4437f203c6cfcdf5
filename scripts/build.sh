#!/usr/bin/env bash
# Configures (once) and builds the Windows program and its tests into the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" "$@"
