#!/usr/bin/env bash
# Builds the fuzz targets (linux-fuzz preset) and runs each for a while from a
# copy of its seed corpus, so the source tree is never written to.
#   tools/fuzz.sh                 every target, 20 s each
#   tools/fuzz.sh 60 fuzz_ini     one target, 60 s
# Fails when a target finds something (a crash, a leak, undefined behaviour).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if [ $# -gt 0 ]; then shift; fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for folder in tests/fuzz/corpus/*/; do targets+=("$(basename "$folder")"); done
fi

echo "=== linux-fuzz: configure and build"
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j "$(nproc)" --target "${targets[@]}"

bin="$PWD/build/linux-fuzz/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
  echo "=== $target: ${seconds} s"
  mkdir -p "$work/$target/corpus" "$work/$target/findings"
  cp -R "tests/fuzz/corpus/$target/." "$work/$target/corpus/"
  if ! (cd "$work/$target/findings" &&
        "$bin/$target" -max_total_time="$seconds" \
          -print_final_stats=1 -timeout=10 "$work/$target/corpus" 2>"$work/$target/log"); then
    tail -n 60 "$work/$target/log"
    failed+=("$target")
  fi
  grep -E "^stat::number_of_executed_units" "$work/$target/log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds} s each without a finding"
