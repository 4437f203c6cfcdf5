#!/usr/bin/env bash
# Runs every test through ctest under Wine; ends with ctest's summary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  # A display of this run's own, so that no other run can take it away mid-test.
  for n in $(seq 100 199); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -S /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    if kill -0 $xvfb_pid 2>/dev/null; then export DISPLAY=:$n; break; fi
    xvfb_pid=
  done
fi
. "$root/scripts/wine-env.sh" "$build"
# No program a test starts may reach past this machine: Wine's web requests go to a proxy that is
# not there. The update tests clear it and talk to their own site on 127.0.0.1.
export http_proxy=http://127.0.0.1:9 https_proxy=http://127.0.0.1:9
# One wineserver for the whole run instead of one per test.
wineserver -p 60 >/dev/null 2>&1 < /dev/null
# Wine's own services start with the first program and outlive it; start them here, away from
# ctest's output pipes, or ctest would wait on them.
wine cmd /c exit >/dev/null 2>&1 < /dev/null
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
rc=$?
wineserver -k >/dev/null 2>&1
[ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null
exit $rc
