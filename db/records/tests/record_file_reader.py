#!/usr/bin/python3
"""Walks record files on its own and compares with the library's listings.

Usage: record_file_reader.py <folder>

The test run keeps every record file it writes in <folder> as <name>.sdb,
with <name>.txt: the library's reading of it (the type magic, each record's
position, flags, type, id, parent, size and a 64-bit FNV-1a hash of its
body, and how the file ends). This reader is written from the stored layout
alone:

  offset 0   u32  type magic
  offset 4   16   database id (four u32)
  offset 20  records up to the end of the file, no count, no end marker

  record: u8 flags (0 committed, 1 added, 0x80 deleted, 0x81 both),
          u8 type, u32 id, u32 parent (0xFFFFFFFF none), u32 size, body

All numbers little-endian. A file ends "clean" when its last record ends at
the end of the file. A record is a header with known flags and a body that
fits; a committed record (flag bit 0 clear) stands only before the first
pending addition (bit 0 set); a pending addition's id is neither
0xFFFFFFFF nor its parent's, and its parent is none or a record before it.
Where no record stands, the file ends "torn" (the rest is an addition a
crash or a power cut left unfinished) when a whole header there is zeros but
for flags 0, 1 or 0x81 and no committed records stand right behind it
(records flagged 0 or 0x80 that run from there to the file's end, each
with an id that is neither 0xFFFFFFFF nor its parent's, once and not among
the ids before, each parent none or an id of the file), or when it is
flagged 1 or 0x81 and the fields the
disk kept of it (up to the file's end, or up to a 512-byte sector's end
with only zeros behind it) are an addition's, its header or body cut short.
A pending addition whose header crosses a sector's end with only zeros
behind it ends the file "torn" too. Anything else ends it "damaged", fewer
zeros than a header at the end among it.
"""
import os
import struct
import sys

VALID_FLAGS = {0x00, 0x01, 0x80, 0x81}
HEADER = struct.Struct('<BBIII')


def fnv1a(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value ^= byte
        value = (value * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


SECTOR = 512


def kept_header_bytes(header, position):
    """How many header bytes a power cut may have kept: all, or those before
    a sector's end when only zeros follow it."""
    in_sector = SECTOR - position % SECTOR
    if in_sector >= len(header) or any(header[in_sector:]):
        return len(header)
    return in_sector


def could_be_torn(header, position, left, ids):
    if header[0] not in (0x01, 0x81):
        return False
    kept = kept_header_bytes(header, position)
    if kept >= 6:
        record_id = struct.unpack_from('<I', header, 2)[0]
        if record_id == 0xFFFFFFFF:
            return False
    if kept >= 10:
        parent = struct.unpack_from('<I', header, 6)[0]
        if record_id == parent or (parent != 0xFFFFFFFF and parent not in ids):
            return False
    return kept < HEADER.size or struct.unpack_from('<I', header, 10)[0] > left - HEADER.size


def records_run_to_end(data, position, ids):
    """Whether committed records run from the position to the file's end as
    a file's records do: each id once and not among the ids before, each
    parent none or an id of the file."""
    run = set()
    parents = []
    while position < len(data):
        if len(data) - position < HEADER.size:
            return False
        flags, _, record_id, parent, size = HEADER.unpack_from(data, position)
        if (flags not in (0x00, 0x80) or size > len(data) - position - HEADER.size
                or record_id in (0xFFFFFFFF, parent) or record_id in ids or record_id in run):
            return False
        run.add(record_id)
        parents.append(parent)
        position += HEADER.size + size
    return all(p == 0xFFFFFFFF or p in ids or p in run for p in parents)


def walk(data):
    """Answers the listing lines of a file and a list of problems."""
    lines = ['magic %08x' % struct.unpack_from('<I', data, 0)[0]]
    problems = []
    position = 20
    live_ids = {}
    ids = set()
    pending = False
    while True:
        left = len(data) - position
        if left == 0:
            lines.append('end clean %d' % position)
            break
        header = data[position:position + min(left, HEADER.size)]
        if header[0] in (0x00, 0x01, 0x81) and not any(header[1:]):
            if len(header) == HEADER.size or header[0] == 0x00:
                whole = len(header) == HEADER.size
                behind = position + HEADER.size
                torn = whole and (behind == len(data) or not records_run_to_end(data, behind, ids))
                lines.append('end %s %d' % ('torn' if torn else 'damaged', position))
                break
        if len(header) == HEADER.size:
            flags, kind, record_id, parent, size = HEADER.unpack(header)
            if flags & 1:
                is_record = (record_id != 0xFFFFFFFF and record_id != parent
                             and (parent == 0xFFFFFFFF or parent in ids)
                             and kept_header_bytes(header, position) == HEADER.size)
            else:
                is_record = not pending
            if flags in VALID_FLAGS and size <= left - HEADER.size and is_record:
                body = data[position + HEADER.size:position + HEADER.size + size]
                lines.append('record %d %d %d %d %d %d %016x'
                             % (position, flags, kind, record_id, parent, size, fnv1a(body)))
                if not flags & 0x80:
                    if record_id in live_ids:
                        problems.append('id %d is live at %d and at %d'
                                        % (record_id, live_ids[record_id], position))
                    live_ids[record_id] = position
                pending = pending or bool(flags & 1)
                ids.add(record_id)
                position += HEADER.size + size
                continue
        ending = 'torn' if could_be_torn(header, position, left, ids) else 'damaged'
        lines.append('end %s %d' % (ending, position))
        break
    return lines, problems


def main():
    # The kept files lie one folder down, a folder per run of the tests.
    folder = sys.argv[1]
    names = sorted(os.path.join(run, name[:-4])
                   for run in os.listdir(folder) if os.path.isdir(os.path.join(folder, run))
                   for name in os.listdir(os.path.join(folder, run)) if name.endswith('.sdb'))
    failures = 0
    endings = {}
    for name in names:
        with open(os.path.join(folder, name + '.sdb'), 'rb') as stored:
            data = stored.read()
        with open(os.path.join(folder, name + '.txt')) as listed:
            expected = listed.read().splitlines()
        if len(data) < 20:
            print('FAIL %s: %d bytes, shorter than the head' % (name, len(data)))
            failures += 1
            continue
        lines, problems = walk(data)
        ending = lines[-1].split()[1]
        endings[ending] = endings.get(ending, 0) + 1
        if lines != expected:
            failures += 1
            print('FAIL %s: the library reads it otherwise' % name)
            for ours, theirs in zip(lines, expected):
                if ours != theirs:
                    print('  reader : %s\n  library: %s' % (ours, theirs))
                    break
            if len(lines) != len(expected):
                print('  %d lines here, %d in the listing' % (len(lines), len(expected)))
        for problem in problems:
            failures += 1
            print('FAIL %s: %s' % (name, problem))
    print('%d record files walked (%s), %d failures'
          % (len(names), ', '.join('%s %d' % item for item in sorted(endings.items())), failures))
    if not names:
        print('FAIL no record files were kept')
        return 1
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
