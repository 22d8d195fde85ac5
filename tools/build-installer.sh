#!/usr/bin/env bash
# Builds the Windows target and build/windows/Kestrava-setup.exe from it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target installer -j "$(nproc)"
echo "built build/windows/Kestrava-setup.exe"
