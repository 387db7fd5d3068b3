#!/usr/bin/python3
"""Checks the song's MIDI files against mido, a reader and writer nobody
here wrote.

Usage: smf_mido_check.py <smf_tool.exe> <wine-run.sh>

1. The song exported as format 1 and format 0 is read by mido: the tracks,
   their events at their ticks and the tempo map are what the song holds.
2. Files mido writes (format 1 and 0, 480 ticks per quarter) import into a
   song at 960 with the same events, every tick doubled.
3. Notes of one channel and pitch that overlap, many at once, import with
   the durations of pairing mido's messages first on, first off.
"""
import os
import subprocess
import sys
import tempfile

from mido import Message, MetaMessage, MidiFile, MidiTrack

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../testing'))
from crosscheck import FAILURES, fail, windows_path  # noqa: E402

CHECKS = [0]


def check(condition, text):
    CHECKS[0] += 1
    if not condition:
        fail(text)


def run(exe, wine_run, *args):
    result = subprocess.run([wine_run, exe] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=240)
    return result.returncode, result.stdout.decode('latin-1').replace('\r', '')


def absolute(track):
    """(tick, text) per message, note-ons with velocity 0 as note-offs."""
    tick = 0
    out = []
    for msg in track:
        tick += msg.time
        if msg.type == 'end_of_track':
            continue
        if msg.type == 'note_on' and msg.velocity == 0:
            out.append((tick, 'note_off %d %d' % (msg.channel, msg.note)))
        elif msg.type == 'note_on':
            out.append((tick, 'note_on %d %d %d' % (msg.channel, msg.note, msg.velocity)))
        elif msg.type == 'note_off':
            out.append((tick, 'note_off %d %d' % (msg.channel, msg.note)))
        elif msg.type == 'control_change':
            out.append((tick, 'cc %d %d %d' % (msg.channel, msg.control, msg.value)))
        elif msg.type == 'program_change':
            out.append((tick, 'program %d %d' % (msg.channel, msg.program)))
        elif msg.type == 'pitchwheel':
            out.append((tick, 'wheel %d %d' % (msg.channel, msg.pitch)))
        elif msg.type == 'set_tempo':
            out.append((tick, 'tempo %d' % msg.tempo))
        elif msg.type == 'time_signature':
            out.append((tick, 'meter %d/%d' % (msg.numerator, msg.denominator)))
        elif msg.type == 'key_signature':
            out.append((tick, 'key %s' % msg.key))
        elif msg.type == 'track_name':
            out.append((tick, 'name %s' % msg.name))
        else:
            out.append((tick, msg.type))
    return sorted(out)


# What the song of "smf_tool export" holds, at 960 ticks per quarter.
MASTER = [(0, 'meter 4/4'), (0, 'key C'), (0, 'tempo 600000'), (1920, 'tempo 400000'),
          (3840, 'meter 3/4'), (3840, 'key D')]
DRUMS = [(0, 'note_on 9 36 100'), (0, 'note_on 9 42 80'), (120, 'note_off 9 42'),
         (240, 'note_off 9 36'), (480, 'note_on 9 38 110'), (720, 'note_off 9 38'),
         (960, 'note_on 9 36 100'), (1200, 'note_off 9 36')]
KEYS = [(0, 'cc 0 7 90'), (0, 'program 0 5'), (0, 'name Keys'), (0, 'note_on 0 60 100'),
        (100, 'wheel 0 1000'), (480, 'note_on 0 60 90'), (960, 'note_off 0 60'),
        (1440, 'note_off 0 60')]


def halved(events):
    return sorted((tick // 2, text) for tick, text in events)


def check_export(exe, wine_run, folder):
    code, output = run(exe, wine_run, 'export', windows_path(folder))
    check(code == 0, 'export ran: ' + output)
    if code != 0:
        return
    one = MidiFile(os.path.join(folder, 'format1.mid'))
    check(one.type == 1 and one.ticks_per_beat == 960 and len(one.tracks) == 3,
          'format 1 header: type %d, %d per beat, %d tracks' % (one.type, one.ticks_per_beat, len(one.tracks)))
    if len(one.tracks) == 3:
        for got, expected, what in zip(one.tracks, (MASTER, DRUMS, KEYS), ('master', 'drums', 'keys')):
            check(absolute(got) == sorted(expected), 'format 1 %s: %r' % (what, absolute(got)))
    zero = MidiFile(os.path.join(folder, 'format0.mid'))
    check(zero.type == 0 and zero.ticks_per_beat == 480 and len(zero.tracks) == 1,
          'format 0 header: type %d, %d per beat, %d tracks' % (zero.type, zero.ticks_per_beat, len(zero.tracks)))
    if zero.tracks:
        check(absolute(zero.tracks[0]) == halved(MASTER + DRUMS + KEYS),
              'format 0 events: %r' % absolute(zero.tracks[0]))
    # The tempo map as mido's own clock reads it: two quarters at 100, two
    # at 150, so the meter change at tick 3840 comes after 2 seconds.
    seconds = 0.0
    for msg in one:
        seconds += msg.time
        if msg.type == 'time_signature' and msg.numerator == 3:
            break
    check(abs(seconds - 2.0) < 1e-6, 'the meter change after %f seconds' % seconds)


def write_mido_files(folder):
    conductor = MidiTrack([MetaMessage('time_signature', numerator=6, denominator=8, time=0),
                           MetaMessage('set_tempo', tempo=750000, time=0),
                           MetaMessage('set_tempo', tempo=500000, time=960)])
    bass = MidiTrack([MetaMessage('track_name', name='Bass', time=0),
                      Message('program_change', channel=1, program=33, time=0),
                      Message('note_on', channel=1, note=40, velocity=100, time=0),
                      Message('note_off', channel=1, note=40, velocity=64, time=240),
                      Message('note_on', channel=1, note=43, velocity=90, time=0),
                      Message('note_on', channel=1, note=43, velocity=0, time=1),
                      Message('control_change', channel=1, control=10, value=20, time=100),
                      Message('pitchwheel', channel=1, pitch=-200, time=5)])
    drums = MidiTrack([Message('note_on', channel=9, note=36, velocity=127, time=7),
                       Message('note_off', channel=9, note=36, velocity=0, time=60)])
    one = MidiFile(type=1, ticks_per_beat=480)
    one.tracks.extend([conductor, bass, drums])
    one.save(os.path.join(folder, 'mido1.mid'))
    zero = MidiFile(type=0, ticks_per_beat=480)
    merged = MidiTrack([MetaMessage('set_tempo', tempo=600000, time=0),
                        Message('note_on', channel=9, note=38, velocity=99, time=0),
                        Message('note_on', channel=2, note=64, velocity=77, time=10),
                        Message('note_off', channel=9, note=38, velocity=0, time=50),
                        Message('note_off', channel=2, note=64, velocity=0, time=100)])
    zero.tracks.append(merged)
    zero.save(os.path.join(folder, 'mido0.mid'))


def check_import(exe, wine_run, folder):
    write_mido_files(folder)
    code, output = run(exe, wine_run, 'import', windows_path(os.path.join(folder, 'mido1.mid')))
    check(code == 0, 'format 1 import ran: ' + output)
    expected = '\n'.join([
        'track 0 kind 0 channel -1 name -',
        '0 meta 88 6 3 24 8', '0 meta 89 0 0', '0 meta 81 11 113 176', '1920 meta 81 7 161 32',
        'track 1 kind 3 channel 1 name Bass',  # the first pan moves to tick 0
        '0 meta 3 66 97 115 115', '0 short 193 33 0', '0 short 177 10 20', '0 note 1 40 100 480',
        '480 note 1 43 90 2', '692 short 225 56 62',
        'track 2 kind 3 channel 9 name MIDI',
        '14 note 9 36 127 120', ''])
    check(output == expected, 'format 1 import:\n' + output + '\nexpected:\n' + expected)
    code, output = run(exe, wine_run, 'import', windows_path(os.path.join(folder, 'mido0.mid')))
    check(code == 0, 'format 0 import ran: ' + output)
    expected = '\n'.join([
        'track 0 kind 0 channel -1 name -',
        '0 meta 88 4 2 24 8', '0 meta 89 0 0', '0 meta 81 9 39 192',
        'track 1 kind 3 channel 9 name MIDI', '0 note 9 38 99 120',
        'track 2 kind 3 channel 2 name MIDI', '20 note 2 64 77 300', ''])
    check(output == expected, 'format 0 import:\n' + output + '\nexpected:\n' + expected)


def paired_notes(track, scale):
    """(tick, channel, note, velocity, duration) of each note of a track as
    mido reads it, every note-off closing the oldest open note of its
    channel and pitch; notes never closed last one tick."""
    open_notes = {}
    notes = []
    tick = 0
    for msg in track:
        tick += msg.time
        if msg.type == 'note_on' and msg.velocity > 0:
            note = [tick * scale, msg.channel, msg.note, msg.velocity, 1]
            notes.append(note)
            open_notes.setdefault((msg.channel, msg.note), []).append(note)
        elif msg.type in ('note_on', 'note_off'):
            waiting = open_notes.get((msg.channel, msg.note))
            if waiting:
                note = waiting.pop(0)
                note[4] = max(1, tick * scale - note[0])
    return sorted(tuple(n) for n in notes)


def check_overlapping_notes(exe, wine_run, folder):
    steps = [('on', 60, 100, 0), ('on', 60, 90, 10), ('on', 60, 80, 10), ('on', 60, 70, 5),
             ('on', 62, 64, 0), ('off', 60, 0, 20), ('on', 60, 60, 3), ('off', 60, 0, 7),
             ('off', 62, 0, 1), ('off', 60, 0, 30), ('off', 60, 0, 2), ('off', 60, 0, 40),
             ('on', 60, 50, 0), ('off', 60, 0, 11), ('off', 60, 0, 4)]
    track = MidiTrack()
    for kind, note, velocity, delta in steps:
        if kind == 'on':
            track.append(Message('note_on', channel=3, note=note, velocity=velocity, time=delta))
        else:
            track.append(Message('note_off', channel=3, note=note, velocity=0, time=delta))
    track.append(Message('note_on', channel=3, note=60, velocity=33, time=5))  # never closed
    midi = MidiFile(type=1, ticks_per_beat=480)
    midi.tracks.extend([MidiTrack([MetaMessage('set_tempo', tempo=500000, time=0)]), track])
    path = os.path.join(folder, 'overlap.mid')
    midi.save(path)
    expected = paired_notes(MidiFile(path).tracks[1], 2)
    check(len(expected) == 8, 'mido reads the eight notes: %r' % expected)
    code, output = run(exe, wine_run, 'import', windows_path(path))
    check(code == 0, 'overlapping notes import ran: ' + output)
    got = sorted(tuple(int(v) for v in line.split()[:1] + line.split()[2:])
                 for line in output.splitlines() if ' note ' in line)
    check(got == expected, 'overlapping notes:\n%r\nmido pairs them:\n%r' % (got, expected))


def main():
    exe, wine_run = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        check_export(exe, wine_run, folder)
        check_import(exe, wine_run, folder)
        check_overlapping_notes(exe, wine_run, folder)
    print('%d passed, %d failed' % (CHECKS[0] - len(FAILURES), len(FAILURES)))
    return 1 if FAILURES else 0


if __name__ == '__main__':
    sys.exit(main())
