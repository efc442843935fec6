#!/usr/bin/env bash
# Installs the Debian packages that building and testing Auralith need, when missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config zlib1g-dev libminizip-dev libgtest-dev
          libsoxr-dev libavcodec-dev libavutil-dev libsndfile1-dev ffmpeg zip python3 hyperfine)
packages+=(clang libclang-rt-14-dev)
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
