#!/usr/bin/python3
"""Walks the equipment database files the tests keep and decodes every record.

Usage: equipment_file_reader.py <folder>

Written from the stored layout alone. Every *.prs file below <folder> is
read: the head ("TPRS", 16-byte id), then the records (u8 flags, u8 type,
u32 id, u32 parent, u32 size, body). Each live record's body is decoded by
its type and must take exactly its size; parents must be of the types each
record kind may stand below, and a file with records has one root record.
Pending additions count as live (files are kept while they are open). All
numbers little-endian.

Bodies: short string = u8 length + bytes; long string = u32 length + bytes;
blob = u32 size + bytes; descriptor = short name, u32 kind, blob data, blob
parameters.
  0x00 root       short title, short, u32 version, 3 x u32, blob
  0x01 I/O        u32 time base, u32 rate, u16 bits, u32 frames, u32 provider,
                  u32 port, descriptor, descriptor, 4 x short string
  0x30 scan       long string, u32 value (bit 31 clear), blob
  0x50-0x54, 0x60-0x62, 0x70-0x71 port; 0x81-0x83 preset: descriptor, u32
  0xE0-0xE2 template: short name, blob (8 bytes for 0xE0)
  0xEF data       blob
  0x10 track      u32 id, u32 kind, short name, u32 flags, u32 output,
                  8 x u32, blob (16 bytes for the master track, else empty)
  0x80 bus        f32, f32, u32 number, blob
  0xF1 SysEx      short name, u32 setting, short port, blob
"""
import os
import struct
import sys

PORTS = set(range(0x50, 0x55)) | set(range(0x60, 0x63)) | {0x70, 0x71}
NONE = 0xFFFFFFFF


class Body:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, n):
        if self.at + n > len(self.data):
            raise ValueError('runs past the body')
        piece = self.data[self.at:self.at + n]
        self.at += n
        return piece

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack('<H', self.take(2))[0]

    def u32(self):
        return struct.unpack('<I', self.take(4))[0]

    def f32(self):
        return struct.unpack('<f', self.take(4))[0]

    def short(self):
        return self.take(self.u8())

    def long(self):
        return self.take(self.u32())

    def blob(self):
        return self.take(self.u32())

    def descriptor(self):
        return (self.short(), self.u32(), self.blob(), self.blob())


def decode(kind, body):
    """Decodes a body; answers its fields or raises ValueError."""
    b = Body(body)
    if kind == 0x00:
        fields = (b.short(), b.short(), b.u32(), b.u32(), b.u32(), b.u32(), b.blob())
        if not fields[0].startswith(b'Tembri ') or not fields[0].endswith(b' Main DB'):
            raise ValueError('root title %r' % fields[0])
    elif kind == 0x01:
        fields = (b.u32(), b.u32(), b.u16(), b.u32(), b.u32(), b.u32(), b.descriptor(), b.descriptor(),
                  b.short(), b.short(), b.short(), b.short())
    elif kind == 0x30:
        fields = (b.long(), b.u32(), b.blob())
        if fields[1] & 0x80000000:
            raise ValueError('scan value with bit 31')
    elif kind in PORTS or kind in (0x81, 0x82, 0x83):
        fields = (b.descriptor(), b.u32())
    elif kind in (0xE0, 0xE1, 0xE2):
        fields = (b.short(), b.blob())
        if kind == 0xE0 and len(fields[1]) != 8:
            raise ValueError('New Song blob of %d bytes' % len(fields[1]))
    elif kind == 0xEF:
        fields = (b.blob(),)
    elif kind == 0x10:
        fields = (b.u32(), b.u32(), b.short(), b.u32(), b.u32()) + tuple(b.u32() for _ in range(8)) + (b.blob(),)
        if len(fields[-1]) != (16 if fields[1] == 0 else 0):
            raise ValueError('track blob of %d bytes' % len(fields[-1]))
    elif kind == 0x80:
        fields = (b.f32(), b.f32(), b.u32(), b.blob())
    elif kind == 0xF1:
        fields = (b.short(), b.u32(), b.short(), b.blob())
    else:
        raise ValueError('unknown type %#x' % kind)
    if b.at != len(body):
        raise ValueError('%d bytes left over' % (len(body) - b.at))
    return fields


# The types a record may stand below (None: top level).
PARENTS = {
    0x00: {None}, 0x01: {None}, 0x30: {None},
    0x81: set(range(0x50, 0x55)) | {0xE1}, 0x82: {0x60, 0x61, 0x62, 0x80}, 0x83: {0x70, 0x71, 0x10},
    0xE0: {None}, 0xE1: {None, 0xE0}, 0xE2: {None, 0xE0}, 0xEF: {0xE0, 0xE1, 0xE2},
    0x10: {0xE0}, 0x80: {0xE1}, 0xF1: {0xE2},
}
for port in PORTS:
    PARENTS[port] = {None}


def walk(data):
    problems = []
    if data[:4] != b'TPRS':
        return 0, ['magic %r' % data[:4]]
    records, at = [], 20
    while at < len(data):
        if at + 14 > len(data):
            return 0, ['torn header at %d' % at]
        flags, kind, rid, parent, size = struct.unpack_from('<BBIII', data, at)
        if at + 14 + size > len(data):
            return 0, ['record at %d runs past the end' % at]
        records.append((flags, kind, rid, parent, data[at + 14:at + 14 + size]))
        at += 14 + size
    live = {r[2]: r for r in records if not r[0] & 0x80}
    for flags, kind, rid, parent, body in live.values():
        try:
            decode(kind, body)
        except (ValueError, struct.error) as error:
            problems.append('record %d (type %#x): %s' % (rid, kind, error))
            continue
        parentKind = None if parent == NONE else (live[parent][1] if parent in live else 'missing')
        if parentKind not in PARENTS.get(kind, set()):
            problems.append('record %d (type %#x) below %s' % (rid, kind, parentKind))
    roots = [r for r in live.values() if r[1] == 0x00]
    if live and len(roots) != 1:
        problems.append('%d root records' % len(roots))
    return len(live), problems


def main():
    folder = sys.argv[1]
    files = records = 0
    failed = False
    for base, _, names in os.walk(folder):
        for name in sorted(names):
            if not name.endswith('.prs'):
                continue
            path = os.path.join(base, name)
            with open(path, 'rb') as f:
                data = f.read()
            count, problems = walk(data)
            files += 1
            records += count
            for problem in problems:
                failed = True
                print('%s: %s' % (path, problem))
    print('%d files, %d live records read' % (files, records))
    if files == 0:
        print('no files to read')
        return 1
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
