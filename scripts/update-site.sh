#!/usr/bin/env bash
# Starts or stops the update tests' local web site: update-site.sh start|stop <folder>.
set -euo pipefail
cmd=$1 root=$2
case $cmd in
start)
  mkdir -p "$root"
  "$0" stop "$root"
  rm -f "$root/port" "$root/requests.log"
  setsid python3 "$(dirname "$0")/update-site.py" "$root" > "$root/server.log" 2>&1 < /dev/null &
  echo $! > "$root/pid"
  for _ in $(seq 100); do [ -f "$root/port" ] && exit 0; sleep 0.1; done
  echo "update-site: the server did not start" >&2
  cat "$root/server.log" >&2
  exit 1
  ;;
stop)
  if [ -f "$root/pid" ]; then
    kill "$(cat "$root/pid")" 2>/dev/null || true
    rm -f "$root/pid"
  fi
  ;;
*)
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
  ;;
esac
