#!/usr/bin/env bash
# Takes the manual's screenshots from the running program under Wine: a scratch copy of the built
# program with sample notes, driven by velin_shotdriver (the program's own messages) and xdotool
# where only a mouse will do; each window is cut out of a screenshot of the display.
#   scripts/help-shots.sh <folder for the PNG files>
# Any shot that cannot be taken fails the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELIN_BUILD:-$root/build}
out=${1:?folder for the pictures}
mkdir -p "$out"
out=$(cd "$out" && pwd)
. "$root/scripts/wine-env.sh" "$build"
build=$velin_build
driver=$build/packaging/velin_shotdriver.exe
[ -f "$driver" ] || { echo "help-shots: $driver is missing; build velin_shotdriver" >&2; exit 1; }
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

run=$build/package/shots-run
rm -rf "$run"
mkdir -p "$run/NoteData/NoteItems"
cp "$build/bin/Velin.exe" "$run/"
cp -r "$build/bin/sysres" "$build/bin/merla_reicon" "$run/"
cp "$driver" "$run/"

# Two sample notes at fixed places; a new note comes to (work-area right - 296, 180).
sample_note() { # name left top
  mkdir -p "$run/NoteData/NoteItems/$1"
  printf '<MerlaItem>\r\n<unique>%s</unique>\r\n<left>%d</left>\r\n<top>%d</top>\r\n<right>%d</right>\r\n<bottom>%d</bottom>\r\n<ishide>0</ishide>\r\n</MerlaItem>\r\n' \
    "$1" "$2" "$3" $(($2 + 180)) $(($3 + 180)) > "$run/NoteData/NoteItems/$1/$1.xml"
}
sample_note sample1 300 200
sample_note sample2 520 200

# The prefix remembers where the program last ran; put it back afterwards so that a later
# `make run` is not asked to bring notes over from the scratch copy.
run_key='HKLM\Software\brimsoft\kivpad'
saved=$(wine reg query "$run_key" /v currunpath 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *currunpath *REG_SZ *//p' || true)
# The program the driver starts keeps the driver's output open: read it from a file, not a pipe.
drive() {
  local rc=0
  (cd "$run" && wine ./velin_shotdriver.exe "$@" > "$run/driver.out" 2>&1 < /dev/null) || rc=$?
  tr -d '\r' < "$run/driver.out"
  return $rc
}
finish() {
  drive quit >/dev/null || true
  if [ -n "$saved" ]; then
    LANG=C.UTF-8 wine reg add "$run_key" /v currunpath /t REG_SZ /d "$saved" /f >/dev/null 2>&1 || true
  else
    wine reg delete "$run_key" /v currunpath /f >/dev/null 2>&1 || true
  fi
}
trap finish EXIT

fail() { echo "help-shots: $*" >&2; exit 1; }

# shot <name> <left top width height> [margin]: cuts that part of the display out into <name>.png.
shot() {
  local name=$1 rect=$2 margin=${3:-0} x y w h
  read -r x y w h <<< "$rect"
  [[ "$x $y $w $h" =~ ^-?[0-9]+\ -?[0-9]+\ [0-9]+\ [0-9]+$ ]] || fail "$name: no window ($rect)"
  ((w > 0 && h > 0)) || fail "$name: empty window"
  x=$((x - margin)); y=$((y - margin)); w=$((w + 2 * margin)); h=$((h + 2 * margin))
  ((x < 0)) && { w=$((w + x)); x=0; }
  ((y < 0)) && { h=$((h + y)); y=0; }
  import -window root "$run/screen.png"
  convert "$run/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  [ -s "$out/$name.png" ] || fail "$name: no picture"
  # A shot of an empty screen means the window was not drawn.
  local colours
  colours=$(identify -format '%k' "$out/$name.png")
  ((colours > 1)) || fail "$name: the picture is blank"
  echo "help-shots: $name.png ${w}x${h}"
}

xdotool mousemove 1400 900
drive start "$(winepath -w "$run")" || fail "Velin did not start"

# Some writing on the sample notes: a rich text box as a double click on the paper makes one, then
# typed keys, which go to the window under the pointer.
write_on() { # x y text
  drive note-text "$1" "$2" || fail "no text box on the note at $1,$2"
  sleep 2
  xdotool mousemove $(($1 + 5)) $(($2 + 5)) click 1
  sleep 0.5
  # The first key after the X keyboard map is first changed for a character it lacks can be lost:
  # a throwaway character, taken back, goes first.
  xdotool type --delay 40 "字"
  xdotool key BackSpace
  xdotool type --delay 40 "$3"
  sleep 1
}
write_on 310 215 "周五 15:00 项目评审"
write_on 530 215 "买牛奶、取快递"

# The notes on the desktop, and the one made from the tray menu's command; a click on its paper
# takes the font bar away from the text box.
drive command 30102 || fail "no new note"
sleep 2
xdotool mousemove 1700 330 click 1
sleep 1
shot notes "300 200 400 180"

# The tray menu opens where the pointer is.
xdotool mousemove 700 450
shot tray-menu "$(drive tray)"
xdotool mousemove 1400 900 click 1
sleep 1

# A note's menu, opened with a right click on the note.
xdotool mousemove 390 330 click 3
shot note-menu "$(drive window 子标签窗口菜单)"
xdotool mousemove 1400 900 click 1
sleep 1

# The manager, its notes page and its settings page ("系统设置" at the top).
drive command 30104 || fail "no manager"
manager=$(drive largest) || fail "no manager: $manager"
shot manager "$manager"
read -r mx my mw mh <<< "$manager"
xdotool mousemove $((mx + 312)) $((my + 45)) click 1
sleep 2
shot settings "$(drive largest)"

# The About box.
drive command 30105 || fail "no About box"
shot about "$(drive window Velin)"

# The reminder dialog of the first note, with a time group made by clicking the palette's labels
# (minute, hour, Monday, Friday, "置顶"; places inside the dialog).
drive note-command 30214 390 330 || fail "no reminder dialog"
reminder=$(drive window 提醒设置) || fail "no reminder dialog: $reminder"
read -r rx ry rw rh <<< "$reminder"
for at in "318 81" "388 81" "324 145" "540 145" "324 241"; do
  read -r ax ay <<< "$at"
  xdotool mousemove $((rx + ax)) $((ry + ay)) click 1
  sleep 0.7
done
shot reminder "$(drive window 提醒设置)"
