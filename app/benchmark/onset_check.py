#!/usr/bin/python3
"""Finds the onsets of a rendered WAVE and checks them against the notes of
the Standard MIDI File it was rendered from: an onset within a few
milliseconds of every time a drum note starts, and none elsewhere.

usage: onset_check.py FILE.mid FILE.wav
The note times come from mido, the samples from Python's wave module.
"""
import array
import math
import sys
import wave

import mido

HOP = 64  # frames per energy step (1.45 ms at 44.1 kHz)
BEFORE = 8  # steps of the level before a step (11.6 ms)...
AFTER = 4  # ...and after it (5.8 ms), one step apart
RISE_DB = 6.0  # an onset: the level rises this much
FLOOR_DB = 40.0  # below the loudest level by this much counts as silence
TOLERANCE = 0.012  # seconds between a note and its onset, at most
MERGE = 0.03  # onsets closer than this are one


def note_times(path):
    times = []
    now = 0.0
    for message in mido.MidiFile(path):
        now += message.time
        if message.type == 'note_on' and message.velocity > 0 and message.channel == 9:
            if not times or now - times[-1] > 0.001:
                times.append(now)
    return times


def energies(samples):
    # Silence before the start, so that a note at 0 has its onset.
    steps = [1.0] * (BEFORE + 1)
    for start in range(0, len(samples) - HOP + 1, HOP):
        steps.append(sum(v * v for v in samples[start:start + HOP]) + 1.0)
    return steps


def rises(steps):
    """The rise in dB at every step (0 where the level is too low)."""
    floor = max(steps) * 10.0 ** (-FLOOR_DB / 10.0)
    result = [0.0] * len(steps)
    for k in range(BEFORE + 1, len(steps) - AFTER):
        before = sum(steps[k - BEFORE - 1:k - 1]) / BEFORE
        after = sum(steps[k:k + AFTER]) / AFTER
        if after > floor:
            result[k] = 10.0 * math.log10(after / before)
    return result


def onsets(path):
    """Onset times in seconds: where the level of the sound, or of its
    first difference (clicks, noise), rises; low drums show in the one,
    ghost notes under a decaying kick in the other."""
    with wave.open(path, 'rb') as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            sys.exit('%s: not 16-bit stereo' % path)
        rate = w.getframerate()
        samples = array.array('h', w.readframes(w.getnframes()))
    if sys.byteorder != 'little':
        samples.byteswap()
    mono = [samples[i] + samples[i + 1] for i in range(0, len(samples) - 1, 2)]
    difference = [0] + [mono[i] - mono[i - 1] for i in range(1, len(mono))]
    level = rises(energies(mono))
    clicks = rises(energies(difference))
    found = []
    for k in range(len(level)):
        if max(level[k], clicks[k]) >= RISE_DB:
            t = (k - BEFORE - 1) * HOP / rate
            if not found or t - found[-1] > MERGE:
                found.append(t)
    return found


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    notes = note_times(sys.argv[1])
    heard = onsets(sys.argv[2])
    missed = [t for t in notes if not any(abs(t - o) <= TOLERANCE for o in heard)]
    extra = [o for o in heard if not any(abs(t - o) <= TOLERANCE for t in notes)]
    print('%d note times, %d onsets found, %d notes without an onset, %d onsets without a note'
          % (len(notes), len(heard), len(missed), len(extra)))
    for t in missed[:10]:
        print('  no onset at %.4f s' % t)
    for t in extra[:10]:
        print('  an onset at %.4f s, where no note starts' % t)
    if not notes or missed or extra:
        sys.exit(1)


if __name__ == '__main__':
    main()
