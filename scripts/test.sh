#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test:
# the portable code natively under ASan/UBSan, then everything under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" native
"$root/scripts/build.sh" windows

export ZELK_WINEPREFIX="$root/build/wineprefix-test"
export ZELK_WINE_HEADLESS=1
WINEPREFIX="$ZELK_WINEPREFIX" "$root/cmake/wine-prefix.sh"

status=0
echo "== Native tests (ASan, UBSan) =="
ctest --test-dir "$root/build/native" --output-on-failure -j "$(nproc)" "$@" || status=1
echo "== Windows tests (Wine) =="
ctest --test-dir "$root/build/windows" --output-on-failure -j "$(nproc)" "$@" || status=1
WINEPREFIX="$ZELK_WINEPREFIX" wineserver -k 2>/dev/null || true
exit $status
