#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Kestrava:
# the native and mingw-w64 toolchains, Wine, NSIS (the Windows installer), GoogleTest/GoogleMock,
# Google Benchmark, GNU Unifont, ncurses (the interactive simulation), and
# clang with its runtime libraries
# (libFuzzer and the sanitizers) for the fuzz targets. Needs root (or sudo) only when something
# is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 nsis
  unifont
  clang-format
  clang libclang-rt-dev
  libncurses-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
