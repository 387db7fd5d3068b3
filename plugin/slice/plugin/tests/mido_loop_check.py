#!/usr/bin/python3
"""Reads the starter patterns and the loops the drummer renders with mido,
a reader nobody here wrote: every pattern is one 4/4 measure playing the
steps its name gives, and a rendered loop holds a tempo track and one track
(or one per slice) of what the slices play in real time.

Usage: mido_loop_check.py <loop_listing.exe> <wine-run.sh> <Patterns folder>
"""
import collections
import io
import os
import struct
import subprocess
import sys
import tempfile

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../../testing'))
import crosscheck  # noqa: E402
from crosscheck import FAILURES, fail, windows_path  # noqa: E402


# The notes of a '1' and a '2' step of each sub-collection.
SOUNDS = {
    'Kick': (36, 35), 'Snare': (38, 37), 'HH_Cl': (42, 46), 'HH_Op': (42, 46), 'Ride': (51, 53),
    'Conga': (63, 64), 'Maracas': (70, 70), 'Cowbell': (56, 56), 'Claps': (39, 39),
    'universal': (75, 76), 'Tambourine': (54, 54),
}
VOLUME_MAGIC = b'Quorvane Vostrapellin Volume\x1a'


def notes_of(track):
    """(time, note, velocity, duration) of every note of a track, in time."""
    return sorted((time, note, velocity, length) for time, _, note, velocity, length in crosscheck.notes_of(track))


def volume_files(data):
    """(path, bytes) of every file in a volume: a folder block is its file
    entries (name, data) to a zero length, then its folder entries (name,
    folder block) to a zero length; lengths are little-endian 32-bit."""
    if data[:29] != VOLUME_MAGIC:
        fail('volume without its magic')
        return []
    at = 29

    def read_length():
        nonlocal at
        (value,) = struct.unpack_from('<I', data, at)
        at += 4
        return value

    def read_block(prefix):
        nonlocal at
        files = []
        while True:
            length = read_length()
            if length == 0:
                break
            name = data[at:at + length].decode('latin-1')
            at += length
            size = read_length()
            files.append((prefix + name, data[at:at + size]))
            at += size
        while True:
            length = read_length()
            if length == 0:
                break
            name = data[at:at + length].decode('latin-1')
            at += length
            files.extend(read_block(prefix + name + '/'))
        return files

    return read_block('')


def check_pattern(path, data):
    name = path.split('/')[-1]
    sub = path.split('/')[-2]
    properties, tail = name.split('#')
    number, strokes, signature, level = properties.split('_')
    if tail != sub + '.mid':
        fail('%s: named after %s' % (path, tail))
    midi = mido.MidiFile(file=io.BytesIO(data))
    if midi.ticks_per_beat != 480:
        fail('%s: %d ticks per quarter' % (path, midi.ticks_per_beat))
    meters = [(m.numerator, m.denominator) for t in midi.tracks for m in t if m.type == 'time_signature']
    if meters != [(4, 4)]:
        fail('%s: meter %r' % (path, meters))
    notes = [n for track in midi.tracks for n in notes_of(track)]
    first, second = SOUNDS[sub]
    heard = ['0'] * 16
    for time, note, velocity, length in notes:
        if time % 120 or time + length > 1920 or time < 0:
            fail('%s: a note at %d for %d is off the measure\'s sixteenths' % (path, time, length))
            continue
        heard[time // 120] = '1' if note == first else '2' if note == second else '?'
    written = signature.replace('2', '1') if first == second else signature
    if ''.join(heard) != written:
        fail('%s: plays %s' % (path, ''.join(heard)))
    if int(strokes) != len(notes):
        fail('%s: %d strokes' % (path, len(notes)))


def check_patterns(root):
    count = 0
    for collection in sorted(os.listdir(root)):
        top = os.path.join(root, collection)
        if os.path.isfile(top):
            files = [(collection + '/' + path, data) for path, data in volume_files(open(top, 'rb').read())]
        else:
            files = []
            for folder, _, names in os.walk(top):
                for name in names:
                    full = os.path.join(folder, name)
                    files.append((os.path.relpath(full, root).replace(os.sep, '/'), open(full, 'rb').read()))
        for path, data in files:
            if path.endswith('/Default.mid'):
                continue
            check_pattern(path, data)
            count += 1
    if count < 90:
        fail('only %d patterns' % count)
    print('%d patterns read' % count)


def check_loops(tool, runner):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([runner, tool, windows_path(folder)], check=True)
        expected = collections.defaultdict(lambda: collections.defaultdict(list))
        loops = []
        for line in open(os.path.join(folder, 'listing.txt')):
            fields = line.split()
            if fields[0] == 'loop':
                loops.append(int(fields[1]))
            else:
                loop = loops[-1]
                slice_index, time, note, velocity, length = map(int, fields[1:])
                expected[loop][slice_index].append((time, note, velocity, length))
        if len(loops) != 3:
            fail('%d loops listed' % len(loops))
        for loop in loops:
            one = mido.MidiFile(os.path.join(folder, '%d_one.mid' % loop))
            six = mido.MidiFile(os.path.join(folder, '%d_six.mid' % loop))
            for name, midi, tracks in (('one', one, 2), ('six', six, 7)):
                if len(midi.tracks) != tracks:
                    fail('loop %d %s: %d tracks' % (loop, name, len(midi.tracks)))
                    continue
                tempos = [m.tempo for m in midi.tracks[0] if m.type == 'set_tempo']
                meters = [(m.numerator, m.denominator) for m in midi.tracks[0] if m.type == 'time_signature']
                if tempos != [500000] or meters != [(4, 4)] or midi.ticks_per_beat != 480:
                    fail('loop %d %s: tempo %r, meter %r, %d ticks' % (loop, name, tempos, meters, midi.ticks_per_beat))
            everything = sorted(n for notes in expected[loop].values() for n in notes)
            if len(everything) < 20:
                fail('loop %d: only %d notes listed' % (loop, len(everything)))
            if notes_of(one.tracks[1]) != everything:
                fail('loop %d: the one-track file differs from what plays' % loop)
            for index in range(6):
                if notes_of(six.tracks[1 + index]) != sorted(expected[loop][index]):
                    fail('loop %d: slice %d\'s track differs from what it plays' % (loop, index))
        print('%d loops read' % len(loops))


def main():
    tool, runner, patterns = sys.argv[1:4]
    check_patterns(patterns)
    check_loops(tool, runner)
    if FAILURES:
        print('%d failures' % len(FAILURES))
        return 1
    print('all passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
