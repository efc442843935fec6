#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ with clang and runs each for SECONDS
# (default 60) on its corpus: scripts/fuzz.sh [SECONDS] [TARGET...]. The committed seeds
# in fuzz/corpus/<name> are read; new inputs go to build-fuzz/corpus-work/<name>, which
# is never committed. A crash, leak, timeout or memory blow-up fails the script; the
# input that caused it is left in build-fuzz/findings/<name>/ and the output in
# build-fuzz/logs/<name>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(tokenizer alias_file compression_table history wave clean_game_path wildcard archive)
fi

build=build-fuzz
cc=clang-14
cxx=clang++-14
command -v "$cxx" >/dev/null || { cc=clang; cxx=clang++; }
CC="$cc" CXX="$cxx" cmake -S . -B "$build" -G Ninja -DAURALITH_FUZZ=ON -DAURALITH_TESTS=OFF \
  -DAURALITH_ENCODERS=OFF >/dev/null
ninja -C "$build" "${targets[@]/#/fuzz_}"

mkdir -p "$build/logs"
# The targets write their input to a scratch file for every run; a memory-backed folder
# keeps those writes (and the history writer's sync) cheap.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
status=0
for name in "${targets[@]}"; do
  work="$build/corpus-work/$name"
  findings="$build/findings/$name"
  mkdir -p "$work" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  log="$build/logs/$name.log"
  if "$build/fuzz/fuzz_$name" "${options[@]}" "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
    echo "fuzz_$name: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)"
  else
    echo "fuzz_$name: FAILED, see $log and $findings/" >&2
    grep -E 'ERROR|SUMMARY|invariant broken|Test unit written' "$log" >&2 || tail -n 20 "$log" >&2
    status=1
  fi
done
exit $status
