#!/usr/bin/env bash
# The compiled manual: chmls can read it, it holds every page and picture of the sources, and its
# table of contents names every page.
#   check-help.sh <help.chm> <help source folder>
set -euo pipefail
chm=$1 src=$2
listing=$(chmls -n -p list "$chm") || { echo "chmls cannot read $chm" >&2; exit 1; }
fail=0
for page in "$src"/*.html; do
  name=$(basename "$page")
  grep -qx "/$name" <<< "$listing" || { echo "help.chm lacks the page $name" >&2; fail=1; }
done
for picture in $(grep -oh 'images/[a-z-]*\.png' "$src"/*.html | sort -u); do
  grep -qx "/$picture" <<< "$listing" || { echo "help.chm lacks the picture $picture" >&2; fail=1; }
done
toc=$(mktemp)
trap 'rm -f "$toc"' EXIT
chmls extract "$chm" /toc.hhc "$toc" >/dev/null || { echo "help.chm has no /toc.hhc" >&2; exit 1; }
for page in "$src"/*.html; do
  name=$(basename "$page")
  grep -q "<param name=\"Local\" value=\"$name\">" "$toc" || { echo "the contents do not name $name" >&2; fail=1; }
done
# The viewer shows the titles in the help file's code page.
iconv -f CP936 -t UTF-8 "$toc" | grep -q '快速入门' || { echo "the contents are not in code page 936" >&2; fail=1; }
[ $fail = 0 ] && echo "help.chm: $(grep -c . <<< "$listing") entries, every page and picture, contents complete"
exit $fail
