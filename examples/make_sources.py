#!/usr/bin/env python3
"""Writes the source waves of the example kit below KIT/sound_assets.

The signals are made from a fixed seed, so every run writes the same bytes."""
import math
import os
import random
import struct
import sys
import wave


def write_wave(path, rate, channels, seconds, voice, bits=16):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    frames = int(rate * seconds)
    rng = random.Random(path.rsplit("sound_assets", 1)[-1])
    peak = (1 << (bits - 1)) - 1
    data = bytearray()
    for i in range(frames):
        t = i / rate
        base = voice(t, rng)
        for c in range(channels):
            value = base * (0.9 if c else 1.0)
            sample = int(max(-1.0, min(1.0, value)) * peak)
            data += struct.pack("<h", sample)
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(bits // 8)
        out.setframerate(rate)
        out.writeframes(bytes(data))


def tone(freq, decay=0.0):
    return lambda t, rng: 0.5 * math.sin(2 * math.pi * freq * t) * math.exp(-decay * t)


def noise(decay):
    return lambda t, rng: 0.6 * (rng.random() * 2 - 1) * math.exp(-decay * t)


def chord(*freqs):
    return lambda t, rng: sum(0.25 * math.sin(2 * math.pi * f * t) for f in freqs)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_sources.py KIT")
    root = os.path.join(sys.argv[1], "sound_assets")
    raw = os.path.join(root, "raw", "sound")
    sources = [
        ("weapons/pistol_fire.wav", 48000, 1, 0.5, noise(9.0)),
        ("weapons/rifle_fire.wav", 44100, 2, 1.0, noise(5.0)),
        ("weapons/rifle_tail.wav", 44100, 1, 2.5, noise(1.5)),
        ("weapons/shotgun/shotgun_01.wav", 22050, 1, 0.3, noise(12.0)),
        ("weapons/shotgun/shotgun_02.wav", 22050, 1, 0.3, noise(10.0)),
        ("weapons/shotgun/shotgun_03.wav", 22050, 1, 0.3, noise(8.0)),
        ("vehicles/engine_loop.wav", 32000, 1, 3.0, chord(55, 110, 165)),
        ("weapons/reload.wav", 16000, 1, 0.4, tone(700, 6.0)),
        ("ambience/wind.wav", 44100, 2, 25.0, noise(0.0)),
        ("ambience/rain_loop.wav", 96000, 2, 1.0, noise(0.0)),
        ("music/intro.wav", 44100, 2, 3.0, chord(262, 330, 392)),
        ("ui/click.wav", 44100, 1, 0.1, tone(2000, 40.0)),
        ("ui/click.pc.wav", 44100, 1, 0.1, tone(2500, 40.0)),
    ]
    for name, rate, channels, seconds, voice in sources:
        write_wave(os.path.join(raw, name), rate, channels, seconds, voice)
    write_wave(os.path.join(root, "devraw", "sound", "ui", "dev_tone.wav"), 22050, 1, 0.5, tone(440))
    english = os.path.join(root, "raw", "english", "sound")
    write_wave(os.path.join(english, "voiceovers", "greet.wav"), 22050, 1, 1.0, chord(180, 360))
    write_wave(os.path.join(english, "battlechatter", "contact.wav"), 22050, 1, 0.5, chord(220, 440))


if __name__ == "__main__":
    main()
