#!/usr/bin/env bash
# Installs what is missing, builds Zelk.exe and starts it under Wine: on the
# user's display when there is one, otherwise on a virtual X server (Xvfb).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" windows

exe="$root/build/windows/bin/Zelk.exe"
if [ ! -f "$exe" ]; then
  echo "Zelk.exe is not built yet." >&2
  exit 1
fi
export ZELK_WINEPREFIX="${ZELK_WINEPREFIX:-$root/build/wineprefix-run}"
export ZELK_WINE_HEADLESS=0
workdir="${ZELK_WORKDIR:-$root/build/run}"
mkdir -p "$workdir"
cd "$workdir"
if [ -z "${DISPLAY:-}" ]; then
  # A virtual screen of our own, without access control, for as long as Zelk runs.
  n=99
  while [ -e "/tmp/.X${n}-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "No display: Zelk runs on Xvfb $DISPLAY. Screenshot: DISPLAY=$DISPLAY import -window root shot.png"
  "$root/cmake/wine-run.sh" explorer /desktop=Zelk,1024x768 "$exe"
  exit
fi
exec "$root/cmake/wine-run.sh" "$exe"
