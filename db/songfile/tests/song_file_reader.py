#!/usr/bin/python3
"""Walks song files on their own and compares them with what the tests wrote.

Usage: song_file_reader.py <folder>

The test run keeps every song file it writes in <folder> as <name>.tsng,
with <name>.txt: what the song held when it was saved (the application
tag, the length of each of the five texts, and per track its id, kind and
a 64-bit FNV-1a hash of its events as the data model stores them, of a
melody-text track's text, and of an audio track's samples as 32-bit floats,
with its channels, frames and start offset). This reader is written from the
stored layouts alone:

  offset 0   "TSNG"
  offset 4   16-byte database id
  offset 20  records: u8 flags, u8 type, u32 id, u32 parent, u32 size, body

  short string: u8 length and the bytes; blob: u32 size and the bytes.

  0x00 root          (top)   title "Tembri %i.%i Song", string, u32 version,
                             u32 time base, u32 sample rate, u32, blob
  0xE0 New Song template (top) name, blob of 8 bytes (time base, rate)
  0x10 track         (0xE0)  u32 id, u32 kind, name, u32 flags, u32 output,
                             eight u32 settings, blob (16 bytes for kind 0)
  0xF2 song texts    (top)   five short strings, blob
  0x11 events        (0x10)  blob
  0x12 melody text   (0x10 of kind 2) blob
  0x13 audio block   (0x10 of kind 4 for the first, else the block before)
                             string, u8 mark (0x40 two channels, 0x20 else),
                             u32 setting, u32 frames, u32 channels, 8 bytes,
                             blob: u32 length of the samples, then a bzip2
                             stream without its signature "BZh9"; the
                             samples, 4 bytes per sample and channel, at
                             most 0x80000 bytes, are per channel the
                             differences from the sample before
  0xF3 application   (top)   tag, ten u32, blob

All numbers little-endian. The audio blocks are expanded by Debian's bzip2
command with the signature put back.
"""
import array
import os
import re
import struct
import subprocess
import sys

HEADER = struct.Struct('<BBIII')
NO_PARENT = 0xFFFFFFFF


def fnv1a(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value ^= byte
        value = (value * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


class Body:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, n):
        if self.at + n > len(self.data):
            raise ValueError('body ends %d bytes early' % (self.at + n - len(self.data)))
        piece = self.data[self.at:self.at + n]
        self.at += n
        return piece

    def u8(self):
        return self.take(1)[0]

    def u32(self):
        return struct.unpack('<I', self.take(4))[0]

    def string(self):
        return self.take(self.u8())

    def blob(self):
        return self.take(self.u32())

    def end(self):
        if self.at != len(self.data):
            raise ValueError('%d bytes left over' % (len(self.data) - self.at))


def expand(blob):
    """The samples of an audio block's blob, expanded by bzip2."""
    length = struct.unpack_from('<I', blob, 0)[0]
    run = subprocess.run(['bzip2', '-dc'], input=b'BZh9' + blob[4:], capture_output=True)
    if run.returncode != 0:
        raise ValueError('bzip2 refused an audio block: %s' % run.stderr.decode(errors='replace'))
    if len(run.stdout) != length:
        raise ValueError('block expands to %d bytes, stored %d' % (len(run.stdout), length))
    return run.stdout


def undelta(raw, channels):
    samples = array.array('f')
    samples.frombytes(raw)
    for i in range(channels, len(samples)):
        samples[i] = samples[i] + samples[i - channels]  # stored back as float32
    return samples


def read_records(data):
    if data[:4] != b'TSNG':
        raise ValueError('magic %r' % data[:4])
    records = []
    position = 20
    while position < len(data):
        if len(data) - position < HEADER.size:
            raise ValueError('a header runs past the end at %d' % position)
        flags, kind, rid, parent, size = HEADER.unpack_from(data, position)
        body = data[position + HEADER.size:position + HEADER.size + size]
        if len(body) != size:
            raise ValueError('a body runs past the end at %d' % position)
        if flags != 0:
            raise ValueError('record %d at %d is not committed (flags %#x)' % (rid, position, flags))
        records.append((kind, rid, parent, body))
        position += HEADER.size + size
    return records


def walk(data):
    """Answers what the file holds as listing lines; raises on any fault."""
    records = read_records(data)
    by_id = {}
    for record in records:
        if record[1] in by_id:
            raise ValueError('id %d stands twice' % record[1])
        by_id[record[1]] = record
    tops = {}
    for kind, rid, parent, body in records:
        if kind in (0x00, 0xE0, 0xF2, 0xF3):
            if parent != NO_PARENT:
                raise ValueError('record %d of type %#x has a parent' % (rid, kind))
            tops.setdefault(kind, []).append((rid, body))
    for kind in (0x00, 0xE0):
        if len(tops.get(kind, [])) != 1:
            raise ValueError('%d records of type %#x' % (len(tops.get(kind, [])), kind))

    root = Body(tops[0x00][0][1])
    title = root.string().decode('latin-1')
    root.string()
    version = root.u32()
    match = re.fullmatch(r'Tembri (\d+)\.(\d+) Song', title)
    if not match or (int(match.group(1)), int(match.group(2))) != (version >> 16, version & 0xFF):
        raise ValueError('root title %r for version %#x' % (title, version))
    rates = (root.u32(), root.u32())
    root.u32()
    root.blob()
    root.end()

    template_id, template_body = tops[0xE0][0]
    template = Body(template_body)
    template.string()
    blob = template.blob()
    template.end()
    if len(blob) != 8 or struct.unpack('<II', blob) != rates:
        raise ValueError('template blob %r, root fields %r' % (blob, rates))

    lines = []
    app = tops.get(0xF3, [])
    if app:
        body = Body(app[0][1])
        tag = body.string().decode('latin-1')
        for _ in range(10):
            body.u32()
        body.blob()
        body.end()
        lines.append('tag %s' % tag)
    info = tops.get(0xF2, [])
    if len(info) != 1:
        raise ValueError('%d song text records' % len(info))
    body = Body(info[0][1])
    for i in range(5):
        lines.append('info %d %d' % (i, len(body.string())))
    body.blob()
    body.end()

    children = {}
    for kind, rid, parent, body in records:
        children.setdefault(parent, []).append((kind, rid, body))
    for kind, rid, parent, body in records:
        if kind in (0x11, 0x12, 0x13, 0x10) and parent not in by_id:
            raise ValueError('record %d of type %#x has no parent %d' % (rid, kind, parent))
        if kind == 0x10 and by_id[parent][0] != 0xE0:
            raise ValueError('track record %d is not below a template' % rid)

    for kind, rid, body in children.get(template_id, []):
        if kind != 0x10:
            continue
        track = Body(body)
        track_id, track_kind = track.u32(), track.u32()
        track.string()
        track.u32()
        track.u32()
        for _ in range(8):
            track.u32()
        extra = track.blob()
        track.end()
        if len(extra) != (16 if track_kind == 0 else 0):
            raise ValueError('track %d of kind %d has a blob of %d bytes' % (track_id, track_kind, len(extra)))
        below = children.get(rid, [])
        events = [b for k, _, b in below if k == 0x11]
        if len(events) != 1:
            raise ValueError('track %d has %d event records' % (track_id, len(events)))
        blob = Body(events[0])
        lines.append('track %d %d %016x' % (track_id, track_kind, fnv1a(blob.blob())))
        blob.end()
        texts = [b for k, _, b in below if k == 0x12]
        if texts and track_kind != 2:
            raise ValueError('track %d of kind %d has a text record' % (track_id, track_kind))
        if track_kind == 2:
            if len(texts) != 1:
                raise ValueError('melody track %d has %d text records' % (track_id, len(texts)))
            blob = Body(texts[0])
            lines.append('text %d %016x' % (track_id, fnv1a(blob.blob())))
            blob.end()
        if track_kind == 4:
            lines.append(walk_audio(track_id, rid, children))
        elif any(k == 0x13 for k, _, _ in below):
            raise ValueError('track %d of kind %d has audio' % (track_id, track_kind))
    return lines


def walk_audio(track_id, parent, children):
    samples = array.array('f')
    first = None
    seen = set()
    while True:
        blocks = [(rid, b) for k, rid, b in children.get(parent, []) if k == 0x13]
        if not blocks:
            break
        if len(blocks) != 1 or blocks[0][0] in seen:
            raise ValueError('the audio chain of track %d forks or loops' % track_id)
        rid, raw = blocks[0]
        seen.add(rid)
        body = Body(raw)
        name = body.string()
        mark, setting, frames, channels = body.u8(), body.u32(), body.u32(), body.u32()
        offset = struct.unpack('<q', body.take(8))[0]
        blob = body.blob()
        body.end()
        if len(raw) != 26 + len(name) + len(blob):
            raise ValueError('audio block %d: size %d' % (rid, len(raw)))
        if channels not in (1, 2) or mark != (0x40 if channels == 2 else 0x20):
            raise ValueError('audio block %d: mark %#x for %d channels' % (rid, mark, channels))
        if frames * channels * 4 > 0x80000:
            raise ValueError('audio block %d holds %d frames' % (rid, frames))
        plain = expand(blob)
        if len(plain) != frames * channels * 4:
            raise ValueError('audio block %d: %d bytes for %d frames' % (rid, len(plain), frames))
        if first is None:
            first = (channels, offset)
        elif channels != first[0]:
            raise ValueError('audio block %d changes the channel count' % rid)
        samples.extend(undelta(plain, channels))
        parent = rid
    if first is None:
        raise ValueError('audio track %d has no blocks' % track_id)
    channels, offset = first
    return 'audio %d %d %d %d %016x' % (track_id, channels, len(samples) // channels, offset,
                                        fnv1a(samples.tobytes()))


def main():
    folder = sys.argv[1]
    names = sorted(name[:-5] for name in os.listdir(folder) if name.endswith('.tsng'))
    failures = 0
    blocks = 0
    for name in names:
        with open(os.path.join(folder, name + '.tsng'), 'rb') as stored:
            data = stored.read()
        with open(os.path.join(folder, name + '.txt')) as listed:
            expected = sorted(listed.read().splitlines())
        try:
            lines = sorted(walk(data))
        except ValueError as fault:
            failures += 1
            print('FAIL %s: %s' % (name, fault))
            continue
        blocks += sum(1 for line in lines if line.startswith('audio'))
        if lines != expected:
            failures += 1
            print('FAIL %s: the file holds otherwise' % name)
            for line in sorted(set(lines) ^ set(expected)):
                print('  %s %s' % ('file:' if line in lines else 'song:', line))
    print('%d song files walked, %d audio tracks expanded with bzip2, %d failures'
          % (len(names), blocks, failures))
    if not names:
        print('FAIL no song files were kept')
        return 1
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
