#!/usr/bin/env bash
# Parallel conversion: a full run over a kit of real sources through our three programs,
# with "-jobs 1", "-jobs 2" and "-jobs 0", against a bare parallel driver of the same
# program command lines (bare_jobs: the cost of the programs alone), all taking turns,
# medians. Prints the figures, the share of a run's time that stays serial in the tool
# (the run's own record, -report-json, tells the time spent in the programs and the time
# spent outside them), the times Amdahl's law expects on 8 and 16 processors from it, and
# the targets.
#
#   bench/parallel.sh BUILD_DIR [WORK_DIR]
#
# Settings: BENCH_PARALLEL_SOUNDS (default 150), BENCH_PARALLEL_ROUNDS (default 7).
# The exit status is 1 when a target is missed.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: bench/parallel.sh BUILD_DIR [WORK_DIR]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
work=${2:-$build/bench-work}
sounds=${BENCH_PARALLEL_SOUNDS:-150}
rounds=${BENCH_PARALLEL_ROUNDS:-7}
here=$(cd "$(dirname "$0")" && pwd)
for program in "$build/Auralith" "$build/bench/bench_time" "$build/bench/bare_jobs" \
    "$build/encoders/sox.exe" "$build/encoders/AdpcmEncode.exe" "$build/encoders/WMAEncode.exe"; do
    [ -x "$program" ] || { echo "missing $program: build the tree first" >&2; exit 2; }
done

mkdir -p "$work"
kit=$(cd "$work" && pwd)/parallel-$sounds
rm -rf "$kit"
python3 "$here/real_kit.py" "$kit" "$sounds"
mkdir -p "$kit/bin"
cp "$build/Auralith" "$build/encoders/sox.exe" "$build/encoders/AdpcmEncode.exe" \
    "$build/encoders/WMAEncode.exe" "$build/bench/bare_jobs" "$kit/bin/"
cpus=$(nproc)
for job in $(seq 1 "$cpus") 2; do mkdir -p "$kit/bare/$job"; done

# The bare driver runs exactly the launches of a conversion run.
launches=$(awk -F' ; ' '{ n += NF } END { print n }' "$kit/chains.txt")
out=$(cd "$kit/bin" && ./Auralith -clean) || { echo "the conversion run failed" >&2; exit 1; }
grep -q "^UPDATED: "$'\t'"$launches\$" <<<"$out" ||
    { echo "the conversion run does not launch the $launches programs of the chains" >&2; exit 1; }

echo "machine: $cpus CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
timing=$("$build/bench/bench_time" "$rounds" \
    jobs1 "$kit/bin" ./Auralith -clean -jobs 1 --- \
    jobs2 "$kit/bin" ./Auralith -clean -jobs 2 --- \
    jobs0 "$kit/bin" ./Auralith -clean -jobs 0 --- \
    bare1 "$kit/bin" ./bare_jobs 1 ../chains.txt --- \
    bare2 "$kit/bin" ./bare_jobs 2 ../chains.txt --- \
    bareN "$kit/bin" ./bare_jobs "$cpus" ../chains.txt)
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

field() { awk -v n="$1" '$1 == n { print $2 }' <<<"$timing"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
jobs1=$(field jobs1) jobs2=$(field jobs2) jobs0=$(field jobs0)
bare1=$(field bare1) bare2=$(field bare2) bareN=$(field bareN)

echo
echo "Full run over $sounds real sources ($launches program launches), median of $rounds, ms"
printf "  %-28s %9.1f   bare driver, 1 at a time %9.1f\n" "Auralith -jobs 1" "$jobs1" "$bare1"
printf "  %-28s %9.1f   bare driver, 2 at a time %9.1f\n" "Auralith -jobs 2" "$jobs2" "$bare2"
printf "  %-28s %9.1f   bare driver, %d at a time %9.1f\n" "Auralith -jobs 0 ($cpus jobs)" "$jobs0" \
    "$cpus" "$bareN"

# The tool's own work (deciding, reading the programs' output, the PRIV chunk, writing
# targets and history) is what stays serial: with more jobs the programs share the
# processors, the tool's work does not. A run of one job records both parts; the medians
# of five runs are taken.
for round in 1 2 3 4 5; do
    (cd "$kit/bin" && ./Auralith -clean -jobs 1 -report-json ../record-$round.json >/dev/null)
done
read -r other encode < <(python3 - "$kit" <<'EOF'
import json, statistics, sys
records = [json.load(open("%s/record-%d.json" % (sys.argv[1], r)))["timing"] for r in range(1, 6)]
print(statistics.median(r["otherMilliseconds"] for r in records),
      statistics.median(r["encodeMilliseconds"] for r in records))
EOF
)
serial=$(awk -v o="$other" -v e="$encode" 'BEGIN { printf "%.3f", o / (o + e) }')
echo
echo "A run of one job: $encode ms in the programs, $other ms in the tool itself" \
    "($(awk -v o="$other" -v n="$sounds" 'BEGIN { printf "%.2f", o / n }') ms per sound file)"
echo "Serial share of a run of one job: $serial"
for n in 8 16; do
    awk -v t="$jobs1" -v s="$serial" -v n="$n" \
        'BEGIN { printf "  expected on %2d processors: %8.1f ms (%.1f times faster)\n", n, t * (s + (1 - s) / n), 1 / (s + (1 - s) / n) }'
done

echo
echo "Targets"
missed=0
check() {
    if awk -v a="$2" -v b="$3" 'BEGIN { exit !(a <= b) }'; then
        printf "  %-38s %6s <= %-5s met\n" "$1" "$2" "$3"
    else
        printf "  %-38s %6s <= %-5s MISSED\n" "$1" "$2" "$3"
        missed=1
    fi
}
check "-jobs 2 / -jobs 1" "$(ratio "$jobs2" "$jobs1")" 0.58
check "-jobs 2 / bare driver, 2 at a time" "$(ratio "$jobs2" "$bare2")" 1.15
exit $missed
