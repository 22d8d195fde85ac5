#!/usr/bin/env bash
# Builds both targets and runs every test: Linux natively, Windows under Wine.
#   tools/test-all.sh            linux + windows, then every fuzz target for 20 s
#   tools/test-all.sh linux      one preset (linux, linux-asan, linux-tsan, windows)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh

presets=("$@")
fuzz=0
if [ ${#presets[@]} -eq 0 ]; then
  presets=(linux windows)
  fuzz=1
fi

jobs=$(nproc)
for preset in "${presets[@]}"; do
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
