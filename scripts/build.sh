#!/usr/bin/env bash
# Configures and builds Auralith in build/ (or the folder given as $1).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
ninja -C "$build"
