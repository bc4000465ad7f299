#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX once (safe to call from
# parallel tests: the first caller initialises it under a lock).
set -euo pipefail
export WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
exec 9>"${WINEPREFIX}.lock"
flock 9
if [ ! -f "$WINEPREFIX/.zelk-ready" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
want=$([ "${ZELK_WINE_HEADLESS:-1}" = 1 ] && echo null || echo x11)
if [ "$(cat "$WINEPREFIX/.zelk-ready" 2>/dev/null)" != "$want" ]; then
  if [ "$want" = null ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  fi
  wineserver -w || true
  echo "$want" > "$WINEPREFIX/.zelk-ready"
fi
