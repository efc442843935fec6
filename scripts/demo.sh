#!/usr/bin/env bash
# Installs what is missing, builds Auralith, lays out the example kit in a scratch
# folder and converts it: a first run that converts everything, then a second run that
# finds everything up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build

scratch="${1:-${TMPDIR:-/tmp}/auralith-demo}"
kit="$scratch/kit"
rm -rf "$scratch"
mkdir -p "$kit"
cmake --install build --prefix "$kit" >/dev/null
cp -r examples/kit/. "$kit/"
python3 examples/make_sources.py "$kit"

cd "$kit/bin"
echo "== Example kit in $kit"
echo "== First run: Auralith -verbose"
status=0
./Auralith -verbose || status=$?
echo
echo "== exit status $status"
echo "== Second run: Auralith"
status=0
./Auralith || status=$?
echo
echo "== exit status $status"
echo "== Converted files: Auralith -list"
./Auralith -list
echo "== Checks: Auralith -check-priv, then Auralith -check3d"
./Auralith -check-priv
./Auralith -check3d
