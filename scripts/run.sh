#!/usr/bin/env bash
# Starts the built program under Wine in a Chinese locale; its data lives beside the executable.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
. "$root/scripts/wine-env.sh" "$build"
echo "Velin runs on DISPLAY=$DISPLAY (data in $build/bin)"
cd "$build/bin"
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 exec wine ./Velin.exe
