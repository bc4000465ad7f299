#!/usr/bin/env bash
# Builds and runs the 100,000-row list benchmark under Wine (figures in
# bench/README.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cmake --build "$root/build/windows" --target large_list_bench -j "${ZELK_JOBS:-1}"
export ZELK_WINEPREFIX="${ZELK_WINEPREFIX:-$root/build/wineprefix-test}"
export ZELK_WINE_HEADLESS=1
exec "$root/cmake/wine-run.sh" "$root/build/windows/bin/large_list_bench.exe"
