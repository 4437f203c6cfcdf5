#!/usr/bin/env bash
# Runs every test through ctest under Wine; ends with ctest's summary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
started_display=
if [ -z "${DISPLAY:-}" ]; then started_display=1; fi
. "$root/scripts/wine-env.sh" "$build"
# One wineserver for the whole run instead of one per test.
wineserver -p 60 >/dev/null 2>&1 < /dev/null
# Wine's own services start with the first program and outlive it; start them here, away from
# ctest's output pipes, or ctest would wait on them.
wine cmd /c exit >/dev/null 2>&1 < /dev/null
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
rc=$?
wineserver -k >/dev/null 2>&1
if [ -n "$started_display" ]; then pkill -f "Xvfb $DISPLAY " >/dev/null 2>&1 || true; fi
exit $rc
