#!/usr/bin/python3
"""Reads the fills the drummer renders and exports with mido, a reader
nobody here wrote, and compares them with what the drummer plays in real
time.

Usage: mido_export_check.py <export_listing.exe> <wine-run.sh>
"""
import collections
import os
import shutil
import subprocess
import sys
import tempfile

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../../testing'))
from crosscheck import FAILURES, fail, notes_of, windows_path  # noqa: E402


def check_tempo_track(name, track, tempo, numerator, denominator):
    tempos = [m.tempo for m in track if m.type == 'set_tempo']
    signatures = [(m.numerator, m.denominator) for m in track if m.type == 'time_signature']
    if tempos != [tempo]:
        fail('%s: tempo %r, expected %d' % (name, tempos, tempo))
    if signatures != [(numerator, denominator)]:
        fail('%s: meter %r, expected %d/%d' % (name, signatures, numerator, denominator))
    if any(not m.is_meta for m in track):
        fail('%s: channel messages in the tempo track' % name)


def main():
    exe, wine_run = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix='grindel_mido_')
    try:
        result = subprocess.run([wine_run, exe, windows_path(folder)], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=240)
        print(result.stdout.decode('latin-1'), end='')
        if result.returncode != 0:
            print('FAIL the program failed')
            return 1

        files = []
        expected = collections.defaultdict(list)
        with open(os.path.join(folder, 'listing.txt')) as listing:
            for line in listing:
                words = line.split()
                if words[0] == 'file':
                    files.append((words[1], words[2], int(words[4]), int(words[6]), int(words[8]),
                                  int(words[10]), int(words[12])))
                elif words[0] == 'note':
                    expected[words[1]].append(tuple(int(w) for w in words[2:]))

        for name, kind, tracks, tpq, tempo, numerator, denominator in files:
            stem = name.rsplit('_', 1)[0]
            midi = mido.MidiFile(os.path.join(folder, name))
            if midi.type != 1 or len(midi.tracks) != tracks:
                fail('%s: type %d with %d tracks, expected 1 with %d' % (name, midi.type, len(midi.tracks), tracks))
                continue
            if midi.ticks_per_beat != tpq:
                fail('%s: %d ticks per beat, expected %d' % (name, midi.ticks_per_beat, tpq))
            check_tempo_track(name, midi.tracks[0], tempo, numerator, denominator)
            played = []
            for track in midi.tracks[1:]:
                played += notes_of(track)
            want = sorted(expected[stem])
            if not want:
                fail('%s: nothing listed' % name)
            if sorted(played) != want:
                fail('%s: %d notes read, %d expected; first difference %r' % (
                    name, len(played), len(want),
                    next(((a, b) for a, b in zip(sorted(played), want) if a != b), None)))
            else:
                print('ok %s: %d notes' % (name, len(played)))
            if kind == 'multi':
                used = sum(1 for track in midi.tracks[1:] if notes_of(track))
                if used < 2:
                    fail('%s: the notes sit in %d looper tracks' % (name, used))
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    if FAILURES:
        print('%d failures' % len(FAILURES))
        return 1
    print('all passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
