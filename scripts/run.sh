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
  echo "No display: starting Zelk on Xvfb (screen :99). Screenshot: DISPLAY=:99 import -window root shot.png"
  exec xvfb-run -n 99 -s "-screen 0 1024x768x24" "$root/cmake/wine-run.sh" explorer /desktop=Zelk,1024x768 "$exe"
fi
exec "$root/cmake/wine-run.sh" "$exe"
