#!/usr/bin/env bash
# Periodic backups at a 1-second interval for ZELK_SOAK_SECONDS (default 600):
# samples handles, GDI/USER objects and memory of the running Zelk.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/scripts/build.sh" windows >/dev/null
cmake --build "$root/build/windows" --target soak >/dev/null
export ZELK_WINEPREFIX="${ZELK_WINEPREFIX:-$root/build/wineprefix-bench}"
cd "$root/build/windows"
"$root/cmake/wine-run.sh" bin/soak.exe
