#!/usr/bin/env bash
# Speed of the three encoder programs and of a whole conversion run, from an existing build:
#   bench/encoders.sh [BUILD_FOLDER]     (default: the repository's build/; nothing is built)
# Prints the median milliseconds per file of sox.exe, AdpcmEncode.exe and WMAEncode.exe on a
# 3-second stereo source (hyperfine), then the time of an Auralith -clean run over a kit of
# 200 such sources (each resampled from 48 kHz and coded as ADPCM).
set -euo pipefail
if [ $# -gt 0 ]; then
  build="$(cd "$1" && pwd)"
else
  build="$(cd "$(dirname "$0")/../build" && pwd)"
fi

for program in Auralith encoders/sox.exe encoders/AdpcmEncode.exe encoders/WMAEncode.exe; do
  if [ ! -x "$build/$program" ]; then
    echo "missing $build/$program: build first (scripts/build.sh)" >&2
    exit 1
  fi
done
for tool in hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps.sh" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A 440/660 Hz tone with noise, 3 seconds, 48 kHz, 16-bit stereo; the same bytes every time.
python3 - "$work/in48.wav" <<'EOF'
import math, random, struct, sys, wave
rate, frames = 48000, 3 * 48000
rng = random.Random(1)
samples = []
for i in range(frames):
    for c in range(2):
        v = 0.4 * math.sin(2 * math.pi * 440 * (1 + c / 2) * i / rate) + 0.1 * (2 * rng.random() - 1)
        samples.append(int(round(v * 32767)))
out = wave.open(sys.argv[1], "wb")
out.setnchannels(2)
out.setsampwidth(2)
out.setframerate(rate)
out.writeframes(struct.pack("<%dh" % len(samples), *samples))
out.close()
EOF

cp "$build"/encoders/{sox.exe,AdpcmEncode.exe,WMAEncode.exe} "$work/"
cd "$work"
./sox.exe in48.wav -r 44100 in44.wav resample

# "median-wall-ms cpu-ms" of a command (processor time: user plus system, the mean), from
# hyperfine's JSON export; on a busy machine the processor time is the steadier figure.
measure() {
  local json="$1"
  shift
  hyperfine -N --style none --warmup 3 --min-runs "${RUNS:-30}" --export-json "$json" "$@" >/dev/null
  python3 -c 'import json,sys; r = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f" % (r["median"] * 1000, (r["user"] + r["system"]) * 1000))' "$json"
}

read -r sox_ms sox_cpu <<<"$(measure sox.json './sox.exe in48.wav -r 44100 out.wav resample')"
read -r adpcm_ms adpcm_cpu <<<"$(measure adpcm.json './AdpcmEncode.exe -b 512 -f 16 in44.wav out.wav')"
read -r wma_ms wma_cpu <<<"$(measure wma.json './WMAEncode.exe -b 96000 in44.wav out.wav')"

# A kit of 200 loaded sources (copies of the one source) named by one alias file.
kit="$work/kit"
mkdir -p "$kit/bin" "$kit/main/soundaliases" "$kit/sound_assets/raw/sound/bench"
cp "$build/Auralith" sox.exe AdpcmEncode.exe WMAEncode.exe "$kit/bin/"
{
  echo "name,file,type"
  for i in $(seq -w 1 200); do
    cp in48.wav "$kit/sound_assets/raw/sound/bench/sound$i.wav"
    echo "sound$i,bench/sound$i.wav,loaded"
  done
} >"$kit/main/soundaliases/bench.csv"
(cd "$kit/bin" && ./Auralith -clean >/dev/null) # the history exists from here on
read -r run_ms run_cpu <<<"$(cd "$kit/bin" && RUNS=3 measure "$work/run.json" './Auralith -clean')"
per_file() { python3 -c "print('%.1f' % ($1 / 200))"; }

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
row() { printf '%-24s %-38s %10s %10s\n' "$@"; }
row "program" "input" "ms/file" "cpu ms"
row "sox.exe" "3 s stereo 48000 Hz -> 44100 Hz" "$sox_ms" "$sox_cpu"
row "AdpcmEncode.exe -b 512" "3 s stereo 44100 Hz" "$adpcm_ms" "$adpcm_cpu"
row "WMAEncode.exe -b 96000" "3 s stereo 44100 Hz" "$wma_ms" "$wma_cpu"
row "Auralith -clean" "200 such sources: sox + ADPCM each" "$(per_file "$run_ms")" "$(per_file "$run_cpu")"
echo "Auralith -clean, whole run: $run_ms ms (cpu $run_cpu ms)"
