#!/usr/bin/python3
"""Cross-checks the MIDI file code against mido, a reader and writer nobody
here wrote.

Usage: mido_crosscheck.py <midi_crosscheck.exe> <wine-run.sh>

1. The Windows program writes files (codec, track model, off-line process)
   with listings of what they must hold; mido reads them and must agree.
2. mido writes files (format 0 and 1, running status, meta events, SysEx) and
   damaged variants, with listings of what the codec and the track model
   must read; the Windows program reads and compares them.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import mido
from mido import MetaMessage, Message, MidiFile, MidiTrack

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../../testing'))
from crosscheck import FAILURES, fail, windows_path  # noqa: E402


def run_program(exe, wine_run, command, folder):
    result = subprocess.run([wine_run, exe, command, windows_path(folder)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            timeout=240)
    output = result.stdout.decode('latin-1')
    print(output, end='')
    return result.returncode, output


def hexdata(data):
    return ''.join('%02x' % b for b in data) if data else '-'


def meta_parts(msg):
    """Type byte and data of a meta message, as stored in the file."""
    raw = msg.bytes()
    position = 2
    length = 0
    while True:
        byte = raw[position]
        position += 1
        length = (length << 7) | (byte & 0x7F)
        if byte < 0x80:
            break
    return raw[1], raw[position:position + length]


def channel_line(msg):
    if msg.type == 'note_on' and msg.velocity == 0:
        return 'note_off %d %d 0' % (msg.channel, msg.note)
    if msg.type in ('note_on', 'note_off'):
        return '%s %d %d %d' % (msg.type, msg.channel, msg.note, msg.velocity)
    if msg.type == 'polytouch':
        return 'polytouch %d %d %d' % (msg.channel, msg.note, msg.value)
    if msg.type == 'control_change':
        return 'control_change %d %d %d' % (msg.channel, msg.control, msg.value)
    if msg.type == 'program_change':
        return 'program_change %d %d' % (msg.channel, msg.program)
    if msg.type == 'aftertouch':
        return 'aftertouch %d %d' % (msg.channel, msg.value)
    if msg.type == 'pitchwheel':
        return 'pitchwheel %d %d' % (msg.channel, msg.pitch)
    raise ValueError('unexpected message %r' % msg)


def raw_listing(midi):
    """Every message in file order, up to each track's end."""
    lines = ['header %d %d %d' % (midi.type, midi.ticks_per_beat, len(midi.tracks))]
    for index, track in enumerate(midi.tracks):
        lines.append('track %d' % index)
        time = 0
        for msg in track:
            time += msg.time
            if msg.is_meta:
                if msg.type == 'end_of_track':
                    lines.append('%d end_of_track' % time)
                    break
                meta_type, data = meta_parts(msg)
                lines.append('%d meta %d %s' % (time, meta_type, hexdata(data)))
            elif msg.type == 'sysex':
                lines.append('%d sysex %s' % (time, hexdata(msg.data)))
            else:
                lines.append('%d %s' % (time, channel_line(msg)))
    return '\n'.join(lines) + '\n'


def is_note(msg):
    return msg.type in ('note_on', 'note_off')


def model_listing(midi):
    """What the track model must hold after loading the file: the first
    track's tempo and meter, and the events of the last track with notes."""
    first = midi.tracks[0] if midi.tracks else []
    tempo = 500000
    numerator, denominator = 4, 4
    for msg in first:
        if msg.type == 'set_tempo':
            tempo = msg.tempo or 500000
            break
    for msg in first:
        if msg.type == 'time_signature':
            if msg.numerator > 0:
                numerator, denominator = msg.numerator, msg.denominator
            break
    note_track = first
    for track in midi.tracks[1:]:
        if any(is_note(m) for m in track):
            note_track = track

    texts = ('', '')
    events = []  # [kind, time, channel, a, b, duration]
    open_notes = {}
    time = 0
    for msg in note_track:
        time += msg.time
        if msg.type == 'end_of_track':
            break
        if msg.type == 'lyrics':
            first_text, _, second_text = msg.text.partition('/')
            texts = (first_text, second_text)
        elif msg.type == 'note_on' and msg.velocity > 0:
            event = ['note', time, msg.channel, msg.note, msg.velocity, -1]
            events.append(event)
            open_notes.setdefault((msg.channel, msg.note), []).append(event)
        elif is_note(msg):
            waiting = open_notes.get((msg.channel, msg.note))
            if waiting:
                event = waiting.pop(0)
                event[5] = time - event[1]
        elif msg.type == 'polytouch':
            events.append(['polytouch', time, msg.channel, msg.note, msg.value])
        elif msg.type == 'control_change':
            events.append(['control', time, msg.channel, msg.control, msg.value])
        elif msg.type == 'aftertouch':
            events.append(['aftertouch', time, msg.channel, msg.value])
        elif msg.type == 'pitchwheel':
            events.append(['pitchwheel', time, msg.channel, msg.pitch])
    lines = ['resolution %d' % midi.ticks_per_beat, 'tempo %d' % tempo,
             'timesig %d %d' % (numerator, denominator), 'texts %s|%s' % texts]
    lines += [' '.join(str(v) for v in event) for event in events]
    return '\n'.join(lines) + '\n'


def paired_listing(midi, name):
    """Per track: meta values, notes paired note-on to note-off, other events.
    A note-off without a sounding note is an error of the writer."""
    lines = ['header %d %d %d' % (midi.type, midi.ticks_per_beat, len(midi.tracks))]
    for index, track in enumerate(midi.tracks):
        entries = []
        open_notes = {}
        time = 0
        for msg in track:
            time += msg.time
            if msg.type == 'end_of_track':
                break
            if msg.type == 'time_signature':
                entries.append(['timesig', msg.numerator, msg.denominator, msg.clocks_per_click,
                                msg.notated_32nd_notes_per_beat])
            elif msg.type == 'key_signature':
                entries.append(['keysig'] + [b if b < 128 else b - 256 for b in meta_parts(msg)[1]])
            elif msg.type == 'set_tempo':
                entries.append(['tempo', msg.tempo])
            elif msg.type == 'track_name':
                entries.append(['name', msg.name])
            elif msg.type == 'lyrics':
                entries.append(['lyrics', msg.text])
            elif msg.is_meta:
                meta_type, data = meta_parts(msg)
                entries.append(['meta', time, meta_type, hexdata(data)])
            elif msg.type == 'sysex':
                entries.append(['sysex', time, hexdata(msg.data)])
            elif msg.type == 'note_on' and msg.velocity > 0:
                entry = ['note', time, msg.channel, msg.note, msg.velocity, -1]
                entries.append(entry)
                open_notes.setdefault((msg.channel, msg.note), []).append(entry)
            elif is_note(msg):
                waiting = open_notes.get((msg.channel, msg.note))
                if not waiting:
                    fail('%s: track %d has a note-off of %d at %d with no note sounding'
                         % (name, index, msg.note, time))
                    continue
                entry = waiting.pop(0)
                entry[5] = time - entry[1]
            elif msg.type == 'polytouch':
                entries.append(['polytouch', time, msg.channel, msg.note, msg.value])
            elif msg.type == 'control_change':
                entries.append(['control', time, msg.channel, msg.control, msg.value])
            elif msg.type == 'aftertouch':
                entries.append(['aftertouch', time, msg.channel, msg.value])
            elif msg.type == 'pitchwheel':
                entries.append(['pitchwheel', time, msg.channel, msg.pitch])
            elif msg.type == 'program_change':
                entries.append(['program', time, msg.channel, msg.program])
        for key, waiting in open_notes.items():
            if waiting:
                fail('%s: track %d leaves note %d sounding' % (name, index, key[1]))
        lines.append('track %d' % index)
        lines += [' '.join(str(v) for v in entry) for entry in entries]
    return lines


def sorted_by_track(lines):
    """Lines within each track in a fixed order: what is written at one tick
    may come in any order."""
    result, block = [], []
    for line in lines:
        if line.startswith('track ') or line.startswith('header '):
            result += sorted(block) + [line]
            block = []
        else:
            block.append(line)
    return result + sorted(block)


def diff(expected, got):
    out = []
    for line in expected:
        if line not in got:
            out.append('  missing: ' + line)
    for line in got:
        if line not in expected:
            out.append('  unexpected: ' + line)
    return '\n'.join(out[:40]) or '  (same lines, other order)'


def check_written(folder):
    """Files the codec wrote, read by mido."""
    names = sorted(n for n in os.listdir(folder) if n.endswith('.mid'))
    if sorted(names) != ['codec.mid', 'offline.mid', 'track.mid']:
        fail('written files: %s' % names)
    leftovers = [n for n in os.listdir(folder) if n.endswith('.tmp')]
    if leftovers:
        fail('temporary files left: %s' % leftovers)
    for name in names:
        path = os.path.join(folder, name)
        stem = path[:-4]
        try:
            midi = MidiFile(path)
        except Exception as error:  # mido refuses malformed files
            fail('%s: mido cannot read it: %s' % (name, error))
            continue
        if os.path.exists(stem + '.raw'):
            expected = open(stem + '.raw').read()
            got = raw_listing(midi)
            if got != expected:
                fail('%s differs from its listing:\n%s' % (name, diff(expected.splitlines(), got.splitlines())))
            else:
                print('ok', name, 'read by mido, %d lines' % len(got.splitlines()))
        if os.path.exists(stem + '.paired'):
            expected = sorted_by_track(open(stem + '.paired').read().splitlines())
            got = sorted_by_track(paired_listing(midi, name))
            if got != expected:
                fail('%s differs from its listing:\n%s' % (name, diff(expected, got)))
            else:
                print('ok', name, 'read by mido, %d lines' % len(got))


def save(midi, path):
    midi.save(path)
    with open(path, 'rb') as f:
        return bytearray(f.read())


def write_bytes(path, data):
    with open(path, 'wb') as f:
        f.write(bytes(data))


def varlen(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(groups)


def smf_bytes(fmt, division, bodies, header_length=6):
    data = b'MThd' + struct.pack('>L', header_length) + struct.pack('>hhH', fmt, len(bodies), division)
    if header_length > 6:
        data += b'\0' * (header_length - 6)
    for body in bodies:
        data += b'MTrk' + struct.pack('>L', len(body)) + body
    return bytearray(data)


def mido_files(folder):
    """Files written by mido (and a few made by hand for what mido never
    writes), each with the listing the codec and the model must give."""
    expectations = {}

    # Format 0 with running status: mido leaves out repeated status bytes.
    f0 = MidiFile(type=0, ticks_per_beat=96)
    t = MidiTrack()
    f0.tracks.append(t)
    t += [MetaMessage('time_signature', numerator=3, denominator=4, clocks_per_click=24, time=0),
          MetaMessage('set_tempo', tempo=600000, time=0),
          MetaMessage('key_signature', key='Bb', time=0),
          MetaMessage('lyrics', text='Verse One/Take-2', time=0),
          Message('note_on', channel=9, note=36, velocity=100, time=0),
          Message('note_on', channel=9, note=42, velocity=80, time=0),
          Message('note_on', channel=9, note=36, velocity=90, time=24),   # a second 36 sounding
          Message('note_on', channel=9, note=42, velocity=0, time=0),
          Message('note_on', channel=9, note=36, velocity=0, time=24),    # ends the first 36
          Message('note_off', channel=9, note=36, velocity=64, time=24),  # ends the second
          Message('note_off', channel=9, note=38, velocity=64, time=0),   # nothing sounding
          Message('control_change', channel=9, control=1, value=20, time=3),
          Message('control_change', channel=9, control=1, value=21, time=3),
          Message('polytouch', channel=9, note=38, value=5, time=1),
          Message('aftertouch', channel=2, value=99, time=1),
          Message('pitchwheel', channel=2, pitch=-8192, time=1),
          Message('pitchwheel', channel=2, pitch=8191, time=1),
          Message('pitchwheel', channel=2, pitch=-1, time=1),
          Message('program_change', channel=2, program=17, time=1),
          Message('sysex', data=[0x41, 0x10, 0x42, 0x12], time=5),
          Message('note_on', channel=9, note=49, velocity=127, time=1),   # never ends
          Message('note_on', channel=9, note=38, velocity=110, time=200),
          Message('note_on', channel=9, note=38, velocity=0, time=300),
          MetaMessage('end_of_track', time=10)]
    f0_bytes = save(f0, os.path.join(folder, 'format0_running.mid'))
    expectations['format0_running'] = ('raw', 'model')

    # Format 1: a tempo track with meta events of every kind, notes on two
    # tracks, SysEx, and a last track without notes.
    f1 = MidiFile(type=1, ticks_per_beat=480)
    tempo_track = MidiTrack([
        MetaMessage('track_name', name='Tempo', time=0),
        MetaMessage('copyright', text='(c) nobody', time=0),
        MetaMessage('smpte_offset', frame_rate=25, hours=1, minutes=2, seconds=3, frames=4, sub_frames=5, time=0),
        MetaMessage('time_signature', numerator=6, denominator=8, clocks_per_click=12, time=0),
        MetaMessage('key_signature', key='F#m', time=0),
        MetaMessage('set_tempo', tempo=444444, time=0),
        MetaMessage('text', text='intro', time=0),
        MetaMessage('marker', text='A', time=1920),
        MetaMessage('cue_marker', text='go', time=0),
        MetaMessage('sequencer_specific', data=[0, 0x20, 0x33, 1], time=0),
        MetaMessage('set_tempo', tempo=500000, time=1920),
    ])
    kit = MidiTrack([MetaMessage('track_name', name='Kit', time=0)])
    for bar in range(4):
        for step in range(8):
            kit.append(Message('note_on', channel=9, note=42, velocity=60 + step * 8, time=0 if step == 0 and bar == 0 else 180))
            kit.append(Message('note_off', channel=9, note=42, velocity=0, time=60))
    lead = MidiTrack([MetaMessage('track_name', name='Lead', time=0),
                      Message('sysex', data=[0x7E, 0x7F, 0x09, 0x01], time=0),
                      Message('note_on', channel=0, note=60, velocity=100, time=10),
                      Message('note_on', channel=0, note=64, velocity=100, time=0),
                      Message('sysex', data=[0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00], time=5),
                      Message('note_on', channel=0, note=60, velocity=0, time=955),
                      Message('note_off', channel=0, note=64, velocity=30, time=0),
                      MetaMessage('lyrics', text='la la', time=0),
                      Message('control_change', channel=0, control=64, value=127, time=100),
                      Message('pitchwheel', channel=0, pitch=4000, time=100)])
    controllers = MidiTrack([Message('control_change', channel=1, control=7, value=v, time=100)
                             for v in range(0, 128, 9)])
    f1.tracks += [tempo_track, kit, lead, controllers]
    f1_bytes = save(f1, os.path.join(folder, 'format1_tracks.mid'))
    expectations['format1_tracks'] = ('raw', 'model')

    # A long pattern: many events with running status and multi-byte deltas.
    big = MidiFile(type=1, ticks_per_beat=960)
    notes = MidiTrack()
    for i in range(3000):
        notes.append(Message('note_on', channel=9, note=35 + i % 20, velocity=1 + i % 127, time=0 if i == 0 else 240 + i % 7))
        notes.append(Message('note_on', channel=9, note=35 + i % 20, velocity=0, time=120))
    notes.append(MetaMessage('end_of_track', time=0x0FFFFFFF))
    big.tracks += [MidiTrack([MetaMessage('set_tempo', tempo=1)]), notes]
    save(big, os.path.join(folder, 'long_pattern.mid'))
    expectations['long_pattern'] = ('raw', 'model')

    # Made by hand, read by mido for the listings: running status that
    # continues across a meta event, and a four-byte delta.
    by_hand = (b'\x00\x99\x24\x64' + b'\x10\xFF\x01\x02hi' + b'\x10\x24\x00' +
               b'\xFF\xFF\xFF\x7F\x26\x50' + b'\x00\x26\x00' + b'\x00\xFF\x2F\x00')
    write_bytes(os.path.join(folder, 'running_across_meta.mid'), smf_bytes(0, 120, [by_hand]))
    expectations['running_across_meta'] = ('raw', 'model')

    # Damaged files: each must be refused, never crash or hang.
    end = b'\x00\xFF\x2F\x00'
    notes_only = b'\x00\x99\x24\x64\x10\x89\x24\x00'
    damaged = {
        'bad_truncated': f0_bytes[:len(f0_bytes) - 9],
        'bad_truncated_header': f0_bytes[:10],
        'bad_huge_chunk_length': f0_bytes[:18] + struct.pack('>L', 0xFFFFFFF0) + f0_bytes[22:],
        'bad_division_0': f0_bytes[:12] + b'\x00\x00' + f0_bytes[14:],
        'bad_smpte_division': f0_bytes[:12] + struct.pack('>H', 0xE728) + f0_bytes[14:],
        'bad_track_id': f1_bytes[:14] + b'MTrx' + f1_bytes[18:],
        'bad_missing_running_status': smf_bytes(0, 96, [b'\x00\x24\x64' + end]),
        'bad_missing_end_of_track': smf_bytes(0, 96, [notes_only]),
        'bad_huge_meta_length': smf_bytes(0, 96, [b'\x00\xFF\x01\x8F\xFF\xFF\x7Fabc' + end]),
        'bad_huge_sysex_length': smf_bytes(0, 96, [notes_only + b'\x00\xF0\x8F\xFF\xFF\x7F\x01' + end]),
        'bad_five_byte_delta': smf_bytes(0, 96, [b'\x81\x80\x80\x80\x00\x99\x24\x64' + end]),
        'bad_header_length_7': smf_bytes(0, 96, [notes_only + end], header_length=7),
        'bad_more_tracks_counted': f1_bytes[:10] + struct.pack('>H', 9) + f1_bytes[12:],
        'bad_data_byte_after_sysex': smf_bytes(0, 96, [notes_only + b'\x00\xF0\x01\xF7\x00\x24\x00' + end]),
    }
    for name, data in damaged.items():
        write_bytes(os.path.join(folder, name + '.mid'), data)
        expectations[name] = ('error',)

    for stem, kinds in expectations.items():
        path = os.path.join(folder, stem)
        if 'error' in kinds:
            write_bytes(path + '.error', b'')
            continue
        midi = MidiFile(path + '.mid')  # mido's own reading is the reference
        if 'raw' in kinds:
            with open(path + '.raw', 'w') as f:
                f.write(raw_listing(midi))
        if 'model' in kinds:
            with open(path + '.model', 'w') as f:
                f.write(model_listing(midi))
    return len(expectations)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    exe, wine_run = sys.argv[1], sys.argv[2]
    print('mido', mido.__version__)
    root = tempfile.mkdtemp(prefix='midi-crosscheck-')
    try:
        written = os.path.join(root, 'written')
        os.mkdir(written)
        code, _ = run_program(exe, wine_run, 'write', written)
        if code != 0:
            fail('the program could not write its files (exit %d)' % code)
        check_written(written)

        by_mido = os.path.join(root, 'by-mido')
        os.mkdir(by_mido)
        count = mido_files(by_mido)
        code, output = run_program(exe, wine_run, 'verify', by_mido)
        if code != 0:
            fail('the program does not read the files mido wrote as mido does (exit %d)' % code)
        checked = sum(1 for line in output.splitlines() if line.startswith('ok '))
        if checked != count:
            fail('the program checked %d of %d files' % (checked, count))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if FAILURES:
        print('%d failure(s)' % len(FAILURES))
        return 1
    print('all cross-checks passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
