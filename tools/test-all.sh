#!/usr/bin/env bash
# Builds both targets and runs every test: Linux natively, Windows under Wine.
#   tools/test-all.sh            linux + windows (English, then code pages 936 and 950),
#                                then every fuzz target for 20 s
#   tools/test-all.sh linux      one preset (linux, linux-asan, linux-tsan, windows)
#   tools/test-all.sh windows-zh the Windows tests again as on a Chinese Windows (below)
#
# The Windows tests also run as many users have them: Wine in a Chinese
# locale (ANSI code page 936 for Simplified, 950 for Traditional Chinese),
# every program run from a copy of the program folder whose name has Chinese
# characters and a blank. The full run makes both passes.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh

presets=("$@")
fuzz=0
if [ ${#presets[@]} -eq 0 ]; then
  presets=(linux windows windows-zh)
  fuzz=1
fi

jobs=$(nproc)
# The Windows tests in a Chinese setting: $1 is the locale, $2 its ANSI code page.
chinese_pass() {
  echo "=== windows: test in $1 (code page $2) from a Chinese folder"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  KESTRAVA_WINE_LOCALE=$1 KESTRAVA_EXPECT_ACP=$2 KESTRAVA_WINE_FOLDER="測試 資料夾" \
    ctest --preset windows -j 1
}

for preset in "${presets[@]}"; do
  case $preset in
    windows-zh_CN) chinese_pass zh_CN.UTF-8 936; continue ;;
    windows-zh_TW) chinese_pass zh_TW.UTF-8 950; continue ;;
    windows-zh) chinese_pass zh_CN.UTF-8 936; chinese_pass zh_TW.UTF-8 950; continue ;;
  esac
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  if [ "$preset" = windows ]; then
    # Test programs under Wine share one prefix; run them one at a time.
    ctest --preset "$preset" -j 1
  else
    ctest --preset "$preset" -j "$jobs"
  fi
done

if [ "$fuzz" -eq 1 ]; then
  tools/fuzz.sh 20
fi
