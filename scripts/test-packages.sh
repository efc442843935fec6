#!/usr/bin/env bash
# Tries the release packages of build-packages/ (scripts/package.sh) where a user gets
# them, with nothing of the build tree on the path:
#   - the Debian package is installed with apt-get, its programs are laid into a fresh
#     copy of the example kit with auralith-install-kit, and the kit is converted: the
#     first run converts, the second converts nothing, every converted file decodes;
#   - each Windows ZIP is unpacked into a fresh example kit's root, and its Auralith.exe
#     converts the kit under Wine. The kit's sox.exe and WMAEncode.exe are not there, so
#     the sources that need resampling fail as the report says, and the sounds that would
#     be WMA become ADPCM; every converted file decodes.
# The package is removed again afterwards unless it was installed before.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
packages=$top/build-packages
deb=$(ls "$packages"/auralith_*.deb)
scripts/deps.sh ffmpeg python3

scratch="${TMPDIR:-/tmp}/auralith-packages"
rm -rf "$scratch/kits"
mkdir -p "$scratch/kits"
clean_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# user COMMAND...: runs COMMAND with the environment of a fresh login, not this script's.
user() { env -i HOME="$HOME" PATH="$clean_path" LANG=C.UTF-8 "$@"; }
fail() { echo "test-packages: $*" >&2; exit 1; }

# new_kit NAME: lays out the example kit in $scratch/kits/NAME and prints its path.
new_kit() {
  local kit=$scratch/kits/$1
  mkdir -p "$kit"
  cp -r examples/kit/. "$kit/"
  python3 examples/make_sources.py "$kit"
  echo "$kit"
}

# report_field OUTPUT NAME: the number after NAME: in a report.
report_field() { tr -d '\r' <<<"$1" | awk -v n="$2:" '$1 == n { print $2 }'; }

# decode_all KIT: every converted file of KIT decodes; prints how many there are.
decode_all() {
  local count=0 file
  while IFS= read -r -d '' file; do
    user ffmpeg -nostdin -v error -i "$file" -f null - || fail "$file does not decode"
    count=$((count + 1))
  done < <(find "$1/raw" "$1/devraw" -path '*/sound/*' -name '*.wav' -print0 2>/dev/null)
  echo "$count"
}

echo "== Debian package: $(basename "$deb")"
# Every folder of the package and of the archive is open to every user, whoever built it.
closed=$( (dpkg-deb -c "$deb"; tar tzvf "$packages"/Auralith-*-linux-*.tar.gz) |
  awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print $1, $NF }')
[ -z "$closed" ] || fail "folders that not every user may enter: $closed"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_before=$(dpkg-query -W -f='${Status}' auralith 2>/dev/null | grep -c "install ok installed" || true)
remove_package() {
  if [ "$installed_before" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq auralith >/dev/null || true
  fi
}
trap remove_package EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --reinstall "$deb" >/dev/null 2>&1 ||
  fail "apt-get install $deb failed"
kit=$(new_kit deb)
cd "$scratch"
user auralith-install-kit "$kit"
cd "$kit/bin"
echo "-- first run: Auralith -verbose"
status=0
first=$(user ./Auralith -verbose 2>&1) || status=$?
echo "$first"
echo "-- exit status $status"
echo "-- second run: Auralith"
status=0
second=$(user ./Auralith 2>&1) || status=$?
echo "$second"
echo "-- exit status $status"
[ "$status" = 0 ] || fail "the second run found errors"
[ "$(report_field "$first" UPDATED)" -gt 0 ] || fail "the first run converted nothing"
[ "$(report_field "$second" UPDATED)" = 0 ] || fail "the second run converted something"
[ -z "$(user ./Auralith -check-priv 2>&1)" ] || fail "-check-priv found converted files without PRIV"
converted=$(decode_all "$kit")
echo "-- $converted converted files decode"
cd "$top"
remove_package
trap - EXIT

source scripts/wine-prefix.sh
for target in win32 win64; do
  zip=$(ls "$packages"/Auralith-*-"$target".zip)
  echo "== $(basename "$zip")"
  kit=$(new_kit "$target")
  python3 -m zipfile -e "$zip" "$kit"
  programs=$(cd "$kit/bin" && ls)
  [ "$programs" = $'AdpcmEncode.exe\nAuralith.exe' ] || fail "the zip's bin holds: $programs"
  wine_prefix "$scratch/wine-$target" "$target"
  cd "$kit/bin"
  echo "-- Auralith.exe -verbose"
  status=0
  out=$(user WINEPREFIX="$WINEPREFIX" WINEARCH="$WINEARCH" WINEDEBUG=-all \
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES" wine Auralith.exe -verbose 2>&1) || status=$?
  out=$(tr -d '\r' <<<"$out")
  echo "$out"
  echo "-- exit status $status"
  # sox.exe is missing: with -verbose, its failure is printed as a missing file.
  resampled=$(grep -c '^ERROR: missing file during resample of ' <<<"$out" || true)
  failed=$(grep -c '^ERROR: missing file during encoding ' <<<"$out" || true)
  [ "$resampled" -gt 0 ] && [ "$failed" = "$resampled" ] ||
    fail "expected the resampled sources alone to fail ($resampled resample, $failed encoding errors)"
  [ "$status" = "$((failed * 2))" ] || fail "exit status $status, not two errors per failed source"
  files=$(report_field "$out" FILES)
  converted=$(decode_all "$kit")
  [ "$converted" = "$((files - failed))" ] || fail "$converted converted files, not $files - $failed"
  echo "-- $converted converted files decode, $failed sources need sox.exe"
  cd "$top"
  wine_stop
done
