#!/usr/bin/env bash
# Test emulator: runs one Windows test executable under Wine in a scratch folder of its own,
# with the built program and its pictures beside it (the program keeps its data beside itself).
set -u
exe=$1; shift
exe_dir=$(cd "$(dirname "$exe")" && pwd)
build=$exe_dir
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
. "$(dirname "$0")/wine-env.sh" "$build"

name=$(basename "$exe" .exe)
for a in "$@"; do case $a in --gtest_filter=*) name="$name-${a#--gtest_filter=}" ;; esac; done
scratch="$build/test-scratch/$(printf '%s' "$name" | tr -c 'A-Za-z0-9._-' '_')"
rm -rf "$scratch"; mkdir -p "$scratch"
ln -f "$exe" "$scratch/" 2>/dev/null || cp "$exe" "$scratch/"
[ -f "$exe_dir/Velin.exe" ] && { ln -f "$exe_dir/Velin.exe" "$scratch/" 2>/dev/null || cp "$exe_dir/Velin.exe" "$scratch/"; }
[ -d "$exe_dir/sysres" ] && cp -r "$exe_dir/sysres" "$scratch/"
[ -d "$exe_dir/testdata" ] && cp -r "$exe_dir/testdata" "$scratch/"

cd "$scratch"
# Sound goes to a file in the scratch folder instead of a card, so a test can check what was heard.
cat > alsa.conf <<EOF
</usr/share/alsa/alsa.conf>
pcm.!default { type file; slave.pcm "null"; file "$scratch/played.raw"; format "raw" }
EOF
export ALSA_CONFIG_PATH=$scratch/alsa.conf
export LANG=${VELIN_TEST_LOCALE:-zh_CN.UTF-8} LC_ALL=${VELIN_TEST_LOCALE:-zh_CN.UTF-8}
# Now and then Wine fails to start a program at all under load; only then is the run repeated
# (a test that started and failed is never run again).
log="$scratch.log"
for attempt in 1 2 3; do
  wine "./$(basename "$exe")" "$@" > "$log" 2>&1
  rc=$?
  if [ $rc = 0 ] || grep -q '^\[==========\]' "$log"; then break; fi
  echo "wine-test: the program did not start (exit $rc), attempt $attempt" >&2
  cat "$log" >&2
  sleep 1
done
cat "$log"
rm -f "$log"
exit $rc
