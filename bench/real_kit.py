#!/usr/bin/env python3
"""Lays out a kit of real sources for the parallel conversion benchmark, with a fixed seed.

    real_kit.py KIT COUNT

A third of the sounds are 4-second 48 kHz stereo sources (resampled by sox.exe, then
coded by WMAEncode.exe), a third 1-second 22.05 kHz mono sources coded as ADPCM, a third
half-second 22.05 kHz mono sources kept as PCM (no program). Writes the alias file
main/soundaliases/bench.csv, the sources below sound_assets/raw/sound, and KIT/chains.txt:
the program command lines a conversion runs, one chain per sound (for bare_jobs, run from
KIT/bin, with "{job}" for the job's scratch folder below KIT/bare)."""
import os
import random
import struct
import sys


def wave_bytes(rate, channels, frames, rng):
    period = bytes(b for _ in range(997) for b in struct.pack("<h", rng.randint(-12000, 12000)))
    period *= channels
    data = (period * (frames // 997 + 1))[: frames * channels * 2]
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16,
                         1, channels, rate, rate * channels * 2, channels * 2, 16, b"data",
                         len(data))
    return header + data


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: real_kit.py KIT COUNT")
    kit, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(17)
    sound = os.path.join(kit, "sound_assets", "raw", "sound")
    os.makedirs(os.path.join(kit, "main", "soundaliases"), exist_ok=True)
    rows = ["name,file,compression"]
    chains = []
    for i in range(count):
        kind = i % 3
        name = "s%05d" % i
        relative = "k%d/%s.wav" % (kind, name)
        path = os.path.join(sound, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        scratch = "../bare/{job}"
        if kind == 0:
            image = wave_bytes(48000, 2, 4 * 48000, rng)
            compression = ""
            chains.append("sox.exe %s -r 44100 %s/temp.rate.wav resample ; "
                          "WMAEncode.exe -b 96000 %s/temp.rate.wav %s/temp.encode.wav"
                          % (path, scratch, scratch, scratch))
        elif kind == 1:
            image = wave_bytes(22050, 1, 22050, rng)
            compression = "adpcm"
            chains.append("AdpcmEncode.exe -b 512 -f 16 %s %s/temp.encode.wav" % (path, scratch))
        else:
            image = wave_bytes(22050, 1, 11025, rng)
            compression = "pcm"
        with open(path, "wb") as out:
            out.write(image)
        rows.append("%s,%s,%s" % (name, relative, compression))
    with open(os.path.join(kit, "main", "soundaliases", "bench.csv"), "w") as out:
        out.write("\n".join(rows) + "\n")
    with open(os.path.join(kit, "chains.txt"), "w") as out:
        out.write("\n".join(chains) + "\n")


if __name__ == "__main__":
    main()
