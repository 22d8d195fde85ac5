#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Kestrava:
# the native and mingw-w64 toolchains, Wine, NSIS (the Windows installer), GoogleTest/GoogleMock,
# Google Benchmark, GNU Unifont, ncurses (the interactive simulation), and
# clang with its runtime libraries
# (libFuzzer and the sanitizers) for the fuzz targets, and the Chinese locales with a CJK font
# for the Windows tests' runs in the users' setting. Needs root (or sudo) only when something
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
  locales fonts-wqy-microhei
)
# The Windows tests also run under Wine in these locales (ANSI code pages 936 and 950).
locales=(zh_CN zh_TW)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

generate_locales() {
  for name in "${locales[@]}"; do
    if ! locale -a 2>/dev/null | grep -qx "$name.utf8"; then
      $sudo localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
  done
}

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  generate_locales
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
generate_locales
