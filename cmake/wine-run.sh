#!/usr/bin/env bash
# Runs a Windows executable under Wine the way tests and the program expect:
# Japanese ANSI code page (932), quiet Wine, and a prefix of the build's own.
# ZELK_WINEPREFIX picks the prefix; ZELK_WINE_HEADLESS=1 selects the null
# display driver so that windows exist without an X server.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all
export WINEPREFIX="${ZELK_WINEPREFIX:-${here}/../build/wineprefix-test}"
: "${ZELK_WINE_HEADLESS:=1}"
export ZELK_WINE_HEADLESS
"${here}/wine-prefix.sh" >/dev/null
exec wine "$@"
