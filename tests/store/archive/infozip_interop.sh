#!/usr/bin/env bash
# Our archives against Info-ZIP: unzip -t accepts what we write, with the right names, and an
# archive of zip -r comes back whole through our extraction. Runs with code page 1252, where
# "工作" has no ANSI form. Usage: infozip_interop.sh <velin_ziptool.exe> <build dir>
set -euo pipefail
tool=$1
build=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/wine-env.sh" "$build"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work="$build/test-scratch/ArchiveInterop"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

mkdir -p NoteData/NoteItems/n1 "NoteData/NoteItems2/工作/n2" NoteData/Recycle
printf '<MerlaItem>\r\n<ID>1</ID>\r\n</MerlaItem>\r\n' > NoteData/NoteItems/n1/n1.xml
head -c 200000 /dev/urandom > "NoteData/NoteItems2/工作/n2/bkimage_1_x.png"
printf 'dot' > NoteData/.dotfile

fail() { echo "FAIL: $*"; exit 1; }

wine "$tool" zip "$(winpath "$work/NoteData")" || fail "our zip"
unzip -t NoteData.zip || fail "unzip -t refused our archive"
unzip -Z1 NoteData.zip > names.txt
cat > expected.txt <<'NAMES'
NoteData/
NoteData/NoteItems/
NoteData/NoteItems/n1/
NoteData/NoteItems/n1/n1.xml
NoteData/NoteItems2/
NoteData/NoteItems2/工作/
NoteData/NoteItems2/工作/n2/
NoteData/NoteItems2/工作/n2/bkimage_1_x.png
NoteData/Recycle/
NAMES
[ "$(head -1 names.txt)" = "NoteData/" ] || fail "first entry is $(head -1 names.txt)"
diff <(sort names.txt) <(sort expected.txt) || fail "entry names differ"
mkdir out1
(cd out1 && unzip -q ../NoteData.zip) || fail "unzip of our archive"
diff -r --exclude=.dotfile NoteData out1/NoteData || fail "unzip gave other content"

zip -r -q infozip.zip NoteData
wine "$tool" unzip "$(winpath "$work/infozip.zip")" "$(winpath "$work/out2")" || fail "our extraction of zip -r"
diff -r NoteData out2/NoteData || fail "our extraction gave other content"
echo "Info-ZIP interoperability: OK"
