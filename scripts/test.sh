#!/usr/bin/env bash
# Installs what is missing, builds Auralith and runs every test; builds the release
# packages and tries them where a user gets them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
python3 scripts/check-layers.py
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)"
scripts/test-sanitize.sh
scripts/test-windows.sh
scripts/package.sh
scripts/test-packages.sh
scripts/fuzz.sh 5
