#!/usr/bin/env python3
"""Checks what starter_parts_writer wrote for the twelve starter parts,
with readers of its own (mido for the MIDI files, the wave module for the
WAVE files):
- the loop-slice drummer alone plays notes in every measure of the part;
- the fill drummers alone play notes in each of their fill measures;
- the part's result plays in every measure, lasts exactly the part (its
  track ends at the part's end, not at its last note) and holds no
  polyphonic aftertouch;
- its WAVE sounds in every measure.

usage: starter_parts_check.py <folder>
"""
import sys
import wave
from array import array

import mido


def measure_notes(path, measures):
    """Note-ons per measure (4/4) of a file, and the file."""
    song = mido.MidiFile(path)
    per_measure = [0] * measures
    measure_ticks = 4 * song.ticks_per_beat
    for track in song.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "note_on" and message.velocity > 0:
                m = tick // measure_ticks
                if 0 <= m < measures:
                    per_measure[m] += 1
    return per_measure, song


def read_wave(path):
    """The frames of a 16-bit WAVE file: samples, channels and rate."""
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2:
            raise ValueError(f"{path}: {8 * w.getsampwidth()} bits, 16 expected")
        rate, channels = w.getframerate(), w.getnchannels()
        samples = array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples, channels, rate


def peak(samples, channels, first, last):
    chunk = samples[first * channels:last * channels]
    return max((abs(s) for s in chunk), default=0) / 32768.0


def measure_peaks(samples, channels, rate, measures, measure_seconds):
    """The loudest sample of every measure, as a part of full scale."""
    frames = len(samples) // channels
    return [peak(samples, channels, int(m * measure_seconds * rate),
                 min(frames, int((m + 1) * measure_seconds * rate))) for m in range(measures)]


def onsets_in_last(samples, channels, rate, seconds):
    """Where a hit starts in the last seconds of the sound: a 5 ms window
    three times as loud as the loudest of the four before it."""
    window = rate // 200
    frames = len(samples) // channels
    levels = [peak(samples, channels, f, f + window) for f in range(0, frames - window + 1, window)]
    first = max(4, len(levels) - int(seconds * 200))
    return [i * window / rate for i in range(first, len(levels))
            if levels[i] > 0.05 and levels[i] > 3 * max(levels[i - 4:i])]


def main():
    folder = sys.argv[1]
    failures = []
    parts = [line.split() for line in open(f"{folder}/parts.txt") if line.strip()]
    if len(parts) != 12:
        failures.append(f"{len(parts)} parts written, 12 expected")
    for number, length, tempo, fill1, fill2 in parts:
        number, length, tempo = int(number), int(length), float(tempo)
        fills = sorted({int(fill1), int(fill2)})
        name = f"part {number}"
        stem = f"{folder}/part{number:02d}"
        measure_seconds = 4 * 60.0 / tempo

        loops, _ = measure_notes(f"{stem}_loops.mid", length)
        if 0 in loops:
            failures.append(f"{name}: the loop-slice drummer plays nothing in measures "
                            f"{[m + 1 for m, n in enumerate(loops) if n == 0]} of {length} ({loops})")
        fill_notes, _ = measure_notes(f"{stem}_fills.mid", length)
        for m in fills:
            if not 1 <= m <= length or fill_notes[m - 1] == 0:
                failures.append(f"{name}: no fill in its fill measure {m} of {length} ({fill_notes})")

        notes, song = measure_notes(f"{stem}.mid", length)
        if 0 in notes:
            failures.append(f"{name}: the result is silent in a measure ({notes})")
        if abs(song.length - length * measure_seconds) > 0.01:
            failures.append(f"{name}: the MIDI file lasts {song.length:.3f} s, the part "
                            f"{length * measure_seconds:.3f} s")
        touches = [m for t in song.tracks for m in t if m.type == "polytouch"]
        if touches:
            failures.append(f"{name}: polyphonic aftertouch nobody played: {touches[0]}")

        samples, channels, rate = read_wave(f"{stem}.wav")
        frames = len(samples) // channels
        seconds = frames / rate
        # The part's length to the frame, from the MIDI file's own tempo.
        quarter = next(m.tempo for t in song.tracks for m in t if m.type == "set_tempo") / 1e6
        part_frames = length * 4 * quarter * rate
        if abs(frames - part_frames) >= 1:
            failures.append(f"{name}: the WAVE has {frames} frames, the part {part_frames:.1f}")
        late = onsets_in_last(samples, channels, rate, 0.05)
        if late:
            failures.append(f"{name}: a hit starts in the WAVE's last 50 ms (at {late[0]:.3f} s)")
        peaks = measure_peaks(samples, channels, rate, length, measure_seconds)
        if min(peaks) < 0.01:
            failures.append(f"{name}: the WAVE is silent in a measure (peaks "
                            f"{', '.join(f'{p:.3f}' for p in peaks)})")
        print(f"{name}: {length} measures, loop notes {loops}, fill notes {fill_notes}, "
              f"{song.length:.2f} s, WAVE peaks {', '.join(f'{p:.2f}' for p in peaks)}")
    for failure in failures:
        print("FAIL", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
