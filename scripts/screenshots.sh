#!/usr/bin/env bash
# Retakes the README's screenshots (docs/screenshots) from the current build:
# Zelk.exe runs on a Wine virtual desktop on a private Xvfb screen, with four
# sample targets, and scripts/screenshot_driver.cpp brings it into each state
# and takes the picture.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" windows
bin="$root/build/windows/bin"
work=/tmp/zelk-shots
out="${ZELK_SHOTS_OUT:-$root/docs/screenshots}"
rm -rf "$work"
mkdir -p "$work/data/ドキュメント" "$work/data/写真" "$work/save"
echo report > "$work/data/報告書.doc"
echo memo > "$work/data/memo.txt"
cp "$bin/Zelk.exe" "$bin/ZIP32J.DLL" "$bin/UNLHA32.DLL" "$work/"
x86_64-w64-mingw32-g++-posix -O1 -std=c++20 -fexec-charset=CP932 -I"$root/src" \
  "$root/scripts/screenshot_driver.cpp" -o "$work/driver.exe" -static -luser32
w='Z:\tmp\zelk-shots'
printf '[Option]\r\nSavePath=%s\\save\r\nSaveTimeNum=1\r\nSaveTimeTani=0\r\nEndBackup=0\r\n[Main]\r\nStop=0\r\n' "$w" \
  > "$work/Zelk.ini"
printf '3;%s\\data\\ドキュメント;毎日のバックアップ;\r\n2;%s\\data\\報告書.doc;提出前;\r\n1;%s\\data\\写真;一時停止中;\r\n0;%s\\data\\memo.txt;;\r\n' \
  "$w" "$w" "$w" "$w" | iconv -f UTF-8 -t CP932 > "$work/FileList.dat"

n=99
while [ -e "/tmp/.X${n}-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

export ZELK_WINEPREFIX="$root/build/wineprefix-shots"
export ZELK_WINE_HEADLESS=0
cd "$work"
"$root/cmake/wine-run.sh" explorer /desktop=Zelk,1024x768 Zelk.exe &
zelk=$!
"$root/cmake/wine-run.sh" explorer /desktop=Zelk,1024x768 driver.exe "$out"
wait "$zelk" || true
WINEPREFIX="$ZELK_WINEPREFIX" wineserver -k 2>/dev/null || true
