#!/usr/bin/python3
"""Writes the preview synthesizer's drum and click sounds as WAVE files.

Every sound is synthesised here from a fixed seed, so a build always makes
the same bytes: 16-bit mono PCM at 44100 Hz.
usage: make_sounds.py <output folder>
"""
import math
import random
import struct
import sys
import wave

RATE = 44100


def write(path, samples):
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(s * 32767))))) for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def big_drum():
    # A falling sine with a short click of attack.
    length = int(RATE * 0.45)
    phase = 0.0
    out = []
    for i in range(length):
        t = i / RATE
        frequency = 48.0 + 90.0 * math.exp(-t / 0.035)
        phase += 2 * math.pi * frequency / RATE
        out.append(0.95 * math.sin(phase) * math.exp(-t / 0.14))
    return out


def little_drum(rng):
    # A tone body under a band of noise.
    length = int(RATE * 0.28)
    out = []
    previous = 0.0
    for i in range(length):
        t = i / RATE
        noise = rng.uniform(-1.0, 1.0)
        bright = noise - 0.6 * previous
        previous = noise
        body = math.sin(2 * math.pi * 190.0 * t) * math.exp(-t / 0.05)
        out.append(0.45 * body + 0.5 * bright * math.exp(-t / 0.075))
    return out


def hi_hat(rng):
    # Noise through a first difference (bright), decaying fast.
    length = int(RATE * 0.12)
    out = []
    previous = 0.0
    for i in range(length):
        t = i / RATE
        noise = rng.uniform(-1.0, 1.0)
        out.append(0.6 * (noise - previous) * math.exp(-t / 0.025))
        previous = noise
    return out


def click(frequency, seconds):
    length = int(RATE * seconds)
    return [0.9 * math.sin(2 * math.pi * frequency * i / RATE) * math.exp(-i / (RATE * seconds / 5)) for i in range(length)]


def main():
    folder = sys.argv[1]
    rng = random.Random(20261210)
    write(f"{folder}/big_drum.wav", big_drum())
    write(f"{folder}/little_drum.wav", little_drum(rng))
    write(f"{folder}/hi_hat.wav", hi_hat(rng))
    write(f"{folder}/click.wav", click(1600.0, 0.02))
    write(f"{folder}/click_accent.wav", click(2400.0, 0.025))


if __name__ == "__main__":
    main()
