#!/usr/bin/env bash
# Builds Kestrava (Linux) if needed and runs it in simulation mode against the
# simulated Skype client. Arguments go to Kestrava; without any, the demo
# scenario plays and the program ends by itself.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target Kestrava Ondrel Glyvar >/dev/null
if [ $# -eq 0 ]; then set -- --scenario sim/scenarios/demo.txt; fi
exec build/linux/bin/Kestrava --simulate "$@"
