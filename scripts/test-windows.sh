#!/usr/bin/env bash
# Builds Auralith for 64-bit Windows in build-win/ with Debian's MinGW-w64 tool chain and
# runs every test under Wine. Installs what is missing. Wine lives in a prefix of its own
# inside build-win/, so the user's Wine set-up is neither used nor changed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest \
  wine wine64 dpkg-dev zip python3

cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
ninja -C build-win

export WINEPREFIX="$PWD/build-win/wine-prefix"
export WINEDEBUG=-all
# No Mono or Gecko: console programs need neither, and nothing asks to install them.
export WINEDLLOVERRIDES="mscoree=;mshtml="
# Wine's server and its helper processes outlive the program that started them and keep
# its output open. Started here, away from CTest's pipes, they cannot keep CTest (or
# whoever reads this script's output) waiting; the server is stopped when this script ends.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot -i </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

ctest --test-dir build-win --output-on-failure --timeout 300 -j "$(nproc)"
