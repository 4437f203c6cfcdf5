#!/usr/bin/env bash
# Our ZIP backup and restore against Info-ZIP on the same generated data folder:
#   VELIN_BUILD=/work/main/build bash bench/store/compare.sh
# Runs bench_store.exe --keep under Wine (our figures, best of 3), then times zip -r -q and unzip -q
# natively on the folder it left (best of 3), prints both and the ratio (target: ours within 1.3x),
# and removes the folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VELIN_BUILD:-$root/build}
. "$root/scripts/wine-env.sh" "$build"
bin="$build/bin"
out=$(cd "$bin" && wine ./bench_store.exe --keep | tr -d '\r')
echo "$out"
line=$(grep '^figures ' <<<"$out")
zip_ms=$(sed 's/.* zip_ms=\([0-9.]*\).*/\1/' <<<"$line")
unzip_ms=$(sed 's/.*unzip_ms=\([0-9.]*\).*/\1/' <<<"$line")

data="$bin/bench_store_data"
ms() { date +%s%N; }
cd "$data"
# Best of three, as the bench does for ours.
iz_zip=999999; iz_unzip=999999
for run in 1 2 3; do
  rm -rf iz.zip izout
  t=$(ms); zip -r -q iz.zip NoteData; d=$(( ($(ms) - t) / 1000000 )); (( d < iz_zip )) && iz_zip=$d
  mkdir izout; cd izout
  t=$(ms); unzip -q ../iz.zip; d=$(( ($(ms) - t) / 1000000 )); (( d < iz_unzip )) && iz_unzip=$d
  cd ..
done
cd "$bin"; rm -rf "$data"

echo "Info-ZIP zip -r -q: ${iz_zip} ms   unzip -q: ${iz_unzip} ms (best of 3)"
awk -v a="$zip_ms" -v b="$iz_zip" -v c="$unzip_ms" -v d="$iz_unzip" 'BEGIN {
  printf "ratio ours/Info-ZIP: zip %.2fx, unzip %.2fx (target within 1.3x)\n", a / (b > 0 ? b : 1), c / (d > 0 ? d : 1) }'
