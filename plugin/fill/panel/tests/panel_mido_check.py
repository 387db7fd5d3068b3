#!/usr/bin/python3
"""The fill editor checked against mido, a MIDI reader and writer nobody here
wrote: a pattern that mido writes at 100 beats per minute, dropped on the
patterns view, is listed with tempo "100" and plays; a kick added in the
editor and saved with "Save..." is there when mido reads the file back.

Usage: panel_mido_check.py <panel_mido_steps.exe> <wine-run.sh>
"""
import os
import subprocess
import sys
import tempfile

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../../testing'))
from crosscheck import FAILURES, fail, windows_path  # noqa: E402


def notes_of(path):
    """(tick, note, velocity) of every note-on of a file, all tracks."""
    notes = []
    for track in mido.MidiFile(path).tracks:
        now = 0
        for msg in track:
            now += msg.time
            if msg.type == 'note_on' and msg.velocity > 0:
                notes.append((now, msg.note, msg.velocity))
    return sorted(notes)


def main():
    steps, wine_run = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix='panel_mido_')
    dropped = os.path.join(folder, 'hundred.mid')
    saved = os.path.join(folder, 'edited.mid')

    song = mido.MidiFile(ticks_per_beat=480)
    track = mido.MidiTrack()
    song.tracks.append(track)
    track.append(mido.MetaMessage('set_tempo', tempo=mido.bpm2tempo(100), time=0))
    original = [(0, 36, 100), (480, 38, 90), (960, 36, 100), (1440, 38, 90)]
    now = 0
    for tick, note, velocity in original:
        track.append(mido.Message('note_on', channel=9, note=note, velocity=velocity, time=tick - now))
        track.append(mido.Message('note_off', channel=9, note=note, velocity=64, time=60))
        now = tick + 60
    song.save(dropped)

    run = subprocess.run([wine_run, steps, windows_path(dropped), windows_path(saved)],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=240)
    output = run.stdout.decode(errors='replace')
    print(output)
    if run.returncode != 0:
        fail('the editor steps failed (%d)' % run.returncode)
    lines = output.splitlines()
    if 'listed 001 tempo 100' not in lines:
        fail('the dropped pattern is not listed as 001 with tempo 100')
    if 'pattern Mine\\001.mid' not in lines:
        fail('the engine did not take the dropped pattern')
    played = [int(line.split()[1]) for line in lines if line.startswith('played ')]
    if not played or played[0] < len(original):
        fail('the dropped pattern did not play: %r' % played)
    if 'title Fill: 001 *' not in lines:
        fail('the edited fill is not marked')

    if not os.path.exists(saved):
        fail('nothing was saved')
    else:
        notes = notes_of(saved)
        print('saved notes:', notes)
        if (480, 36, 120) not in notes:
            fail('the added kick (480, 36, 120) is not in the saved file')
        for note in original:
            if note not in notes:
                fail('the original note %r is missing' % (note,))
        if mido.MidiFile(saved).ticks_per_beat != 480:
            fail('the saved file changed resolution')
    if FAILURES:
        return 1
    print('ok: the dropped pattern lists and plays; the saved edit reads back')
    return 0


if __name__ == '__main__':
    sys.exit(main())
