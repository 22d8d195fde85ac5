#!/usr/bin/env bash
# Runs a Windows program under Wine in a private, headless prefix.
# The prefix lives in the build tree (found from the program's path, or
# KESTRAVA_WINEPREFIX) and is initialised once; the null graphics driver
# lets windows and messages work without a display.
set -euo pipefail
exe=$1
shift
bin_dir=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${KESTRAVA_WINEPREFIX:-$(dirname "$bin_dir")/wineprefix}
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries on the host for the shortcuts programs create.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY
if [ ! -f "$WINEPREFIX/.kestrava-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kestrava-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      wineserver -w || true
      touch "$WINEPREFIX/.kestrava-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$exe" "$@"
