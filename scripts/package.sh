#!/usr/bin/env bash
# Builds what ships into <build>/dist: Velin-<version>-setup.exe (NSIS) and
# Velin-<version>-portable.zip, both holding the program folder with help.chm, and help.chm itself:
# the manual compiled from help/ with screenshots taken from the running program
# (scripts/help-shots.sh).
#   scripts/package.sh [--no-build]   (--no-build: the program is built already, as under ctest)
# The portable zip is unpacked again into <build>/package/portable, where the package tests start it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
build_first=1
[ "${1:-}" = --no-build ] && build_first=0

for tool in makensis chmcmd chmls zip unzip iconv import convert x86_64-w64-mingw32-strip; do
  command -v $tool >/dev/null || { echo "package: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done

version=$(sed -n 's/^project(Velin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package: no project version in CMakeLists.txt" >&2; exit 1; }

if [ $build_first = 1 ]; then
  VELIN_BUILD=$build "$root/scripts/build.sh" --target Velin velin_reicon velin_shotdriver
fi
build=$(cd "$build" && pwd)
bin=$build/bin
for f in "$bin/Velin.exe" "$bin/sysres/Merla.ico" "$bin/merla_reicon" "$build/packaging/velin_shotdriver.exe"; do
  [ -e "$f" ] || { echo "package: $f is missing; build first" >&2; exit 1; }
done

work=$build/package
dist=$build/dist
rm -rf "$work"
mkdir -p "$work" "$dist"

# The manual, with pictures of the program as it is now.
help_src=$work/help
cp -r "$root/help" "$help_src"
mkdir -p "$help_src/images"
VELIN_BUILD=$build "$root/scripts/help-shots.sh" "$help_src/images"
# The pages are UTF-8 and say so; the viewer reads the project, the contents and the index in the
# code page of the help file's language (Chinese, 936).
for f in velin.hhp toc.hhc index.hhk; do
  iconv -f UTF-8 -t CP936 "$root/help/$f" > "$help_src/$f"
done
(cd "$help_src" && chmcmd velin.hhp > "$work/chmcmd.log" 2>&1) || {
  cat "$work/chmcmd.log" >&2
  echo "package: chmcmd failed" >&2
  exit 1
}
[ -s "$help_src/help.chm" ] || { cat "$work/chmcmd.log" >&2; echo "package: no help.chm" >&2; exit 1; }

# The program folder as it ships.
stage=$work/stage/Velin
mkdir -p "$stage"
cp "$bin/Velin.exe" "$stage/"
# The build keeps its debugging symbols; users get the program without them.
x86_64-w64-mingw32-strip "$stage/Velin.exe"
cp -r "$bin/sysres" "$bin/merla_reicon" "$stage/"
cp "$help_src/help.chm" "$stage/"

# The installer installs exactly these files and its uninstaller removes exactly them.
lists=$work/nsis
mkdir -p "$lists"
nsis_text() { printf '%s' "$1" | sed 's/\$/$$/g'; }
{
  (cd "$stage" && find . -type d | LC_ALL=C sort) | while read -r d; do
    rel=${d#.}; rel=${rel#/}
    win=$(nsis_text "${rel//\//\\}")
    echo "SetOutPath \"\$INSTDIR${win:+\\$win}\""
    (cd "$stage/$d" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r f; do
      echo "File \"$(nsis_text "$stage/${rel:+$rel/}${f#./}")\""
    done
  done
} > "$lists/install-files.nsh"
{
  (cd "$stage" && find . -type f | LC_ALL=C sort) | while read -r f; do
    rel=${f#./}
    echo "Delete \"\$INSTDIR\\$(nsis_text "${rel//\//\\}")\""
  done
  # Deepest folders first; RMDir leaves any that still hold something of the user's.
  (cd "$stage" && find . -mindepth 1 -type d | awk -F/ '{ print NF "\t" $0 }' | LC_ALL=C sort -rn | cut -f2) |
    while read -r d; do
      rel=${d#./}
      echo "RMDir \"\$INSTDIR\\$(nsis_text "${rel//\//\\}")\""
    done
} > "$lists/uninstall-files.nsh"

setup=$dist/Velin-$version-setup.exe
portable=$dist/Velin-$version-portable.zip
rm -f "$setup" "$portable"
makensis -INPUTCHARSET UTF8 -V2 -DVERSION="$version" -DSTAGE="$stage" -DLISTS="$lists" \
  -DOUTFILE="$setup" "$root/packaging/Velin.nsi" > "$work/makensis.log" 2>&1 || {
  cat "$work/makensis.log" >&2
  echo "package: makensis failed" >&2
  exit 1
}

(cd "$work/stage" && zip -q -r -X -9 "$portable" Velin)
# The zip must give back the very folder that was packed.
rm -rf "$work/portable"
mkdir -p "$work/portable"
unzip -q "$portable" -d "$work/portable"
diff -r "$stage" "$work/portable/Velin" >&2 || { echo "package: the zip does not unpack to the program folder" >&2; exit 1; }

# The manual also on its own, for the download page.
cp "$help_src/help.chm" "$dist/help.chm"

echo "package: $(du -h "$setup" | cut -f1) $setup"
echo "package: $(du -h "$portable" | cut -f1) $portable"
