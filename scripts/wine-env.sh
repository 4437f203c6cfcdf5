# Sourced: sets up the build's own Wine prefix (made once, reused) and a display.
# Usage: . scripts/wine-env.sh <build dir>
velin_build=$(cd "${1:?build dir}" && pwd)
export WINEPREFIX=${VELIN_WINEPREFIX:-$velin_build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

velin_lock() { exec 9>"$velin_build/.wine.lock"; flock 9; }
velin_unlock() { flock -u 9; exec 9>&-; }

velin_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=${VELIN_DISPLAY:-97}
  if [ ! -S /tmp/.X11-unix/X$n ] || ! kill -0 "$(tr -dc 0-9 < /tmp/.X$n-lock 2>/dev/null || echo 0)" 2>/dev/null; then
    rm -f /tmp/.X$n-lock /tmp/.X11-unix/X$n
    setsid nohup Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
    for _ in $(seq 50); do [ -S /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
  export DISPLAY=:$n
}

velin_make_prefix() {
  [ -f "$WINEPREFIX/.velin-ready" ] && return 0
  echo "wine: making prefix $WINEPREFIX" >&2
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  local font="WenQuanYi Micro Hei"
  # Chinese key names must reach the registry as UTF-8, not as "??".
  for family in "宋体" "SimSun" "新宋体" "NSimSun" "微软雅黑" "Microsoft YaHei" "黑体" "SimHei"; do
    LANG=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$family" /t REG_SZ /d "$font" /f >/dev/null 2>&1
  done
  # A crash must end the process, not wait in the debugger for ever.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d "" /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.velin-ready"
}

velin_lock
velin_start_display
velin_make_prefix
velin_unlock
