"""What the checks against outside readers (mido, sox, bzip2) share:
failures gathered and printed as they come, paths as the programs under
Wine see them, and a track's notes paired on to off."""
import collections
import os

FAILURES = []


def fail(text):
    FAILURES.append(text)
    print('FAIL', text)


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def notes_of(track):
    """(time, channel, note, velocity, duration) of every note of a mido
    track, in the order they end; a note off without its note on and a note
    never ended are failures."""
    now = 0
    open_notes = collections.defaultdict(collections.deque)
    notes = []
    for msg in track:
        now += msg.time
        if msg.type == 'note_on' and msg.velocity > 0:
            open_notes[(msg.channel, msg.note)].append((now, msg.velocity))
        elif msg.type in ('note_off', 'note_on'):
            key = (msg.channel, msg.note)
            if not open_notes[key]:
                fail('note off without a note on: %r at %d' % (msg, now))
                continue
            start, velocity = open_notes[key].popleft()
            notes.append((start, msg.channel, msg.note, velocity, now - start))
    for key, left in open_notes.items():
        if left:
            fail('notes never ended: %r %r' % (key, list(left)))
    return notes
