#!/usr/bin/env bash
# Runs every benchmark under Wine and prints its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
. "$root/scripts/wine-env.sh" "$build"
for b in "$build"/bin/bench_*.exe; do
  [ -f "$b" ] || continue
  echo "== $(basename "$b")"
  if [ "$(basename "$b")" = bench_store.exe ]; then
    # Its floor is Info-ZIP on the same folder in the same run.
    VELIN_BUILD="$build" bash "$root/bench/store/compare.sh"
  else
    (cd "$(dirname "$b")" && wine "./$(basename "$b")")
  fi
done
