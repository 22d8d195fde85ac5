#!/usr/bin/env bash
# Runs a Windows program under Wine in a private, headless prefix.
# The prefix lives in the build tree (found from the program's path, or
# KESTRAVA_WINEPREFIX) and is initialised once; the null graphics driver
# lets windows and messages work without a display.
#
# The users' setting: KESTRAVA_WINE_LOCALE (zh_CN.UTF-8 gives the ANSI code
# page 936, zh_TW.UTF-8 gives 950) runs the program in that locale, in a
# prefix of its own with a CJK font standing in for the system's; with
# KESTRAVA_WINE_FOLDER the program folder is first copied to that folder
# name beside it (Chinese characters and a blank, say) and run from there.
set -euo pipefail
exe=$1
shift
bin_dir=$(cd "$(dirname "$exe")" && pwd)
build_dir=$(dirname "$bin_dir")
locale=${KESTRAVA_WINE_LOCALE:-}
suffix=""
if [ -n "$locale" ]; then
  export LANG=$locale LC_ALL=$locale
  suffix=-${locale%%.*}
fi
export WINEPREFIX=${KESTRAVA_WINEPREFIX:-$build_dir/wineprefix$suffix}
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
      if [ -n "$locale" ] && fc-list 2>/dev/null | grep -qi microhei; then
        for font in "MS Shell Dlg" "MS Shell Dlg 2" PMingLiU MingLiU SimSun NSimSun \
                    "Microsoft JhengHei" "Microsoft YaHei"; do
          wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" \
            /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
        done
      fi
      wineserver -w || true
      touch "$WINEPREFIX/.kestrava-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
folder=${KESTRAVA_WINE_FOLDER:-}
if [ -n "$folder" ]; then
  target=$build_dir/$folder
  mkdir -p "$target"
  (
    flock 9
    cp -a -u "$bin_dir/." "$target/"
  ) 9>"$build_dir/.wine-folder.lock"
  exe=$target/$(basename "$exe")
fi
exec wine "$exe" "$@"
