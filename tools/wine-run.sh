#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a prefix that lives in the build folder.
# The first call creates the prefix; a lock keeps parallel test runs from creating it twice.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder inside the build folder}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine64
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
  fi
) 9>"$WINEPREFIX.lock"
exec "$wine" "$@"
