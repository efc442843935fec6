#!/usr/bin/env bash
# Installs the Debian packages given as arguments, when missing; with no arguments, the ones
# that building and testing Auralith on Linux need.
set -euo pipefail

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(build-essential cmake ninja-build pkg-config zlib1g-dev libminizip-dev libgtest-dev
            libsoxr-dev libavcodec-dev libavutil-dev libsndfile1-dev ffmpeg zip python3 hyperfine
            nlohmann-json3-dev python3-jsonschema
            clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
