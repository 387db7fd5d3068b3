#include "db/records/record_scan.h"

#include <vector>

namespace Quorvane {

namespace {

void putU32(unsigned char *bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

uint32_t getU32(const unsigned char *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

} // namespace

bool IsValidRecordFlags(uint8_t flags)
{
    return (flags & ~(SDB_ADDED | SDB_DELETED)) == 0;
}

void EncodeRecordHeader(const SDBNOTE &note, unsigned char *bytes)
{
    bytes[0] = note.flags;
    bytes[1] = note.type;
    putU32(bytes + 2, note.id);
    putU32(bytes + 6, note.parent);
    putU32(bytes + 10, note.size);
}

void DecodeRecordHeader(const unsigned char *bytes, SDBNOTE &note)
{
    note.flags = bytes[0];
    note.type = bytes[1];
    note.id = getU32(bytes + 2);
    note.parent = getU32(bytes + 6);
    note.size = getU32(bytes + 10);
}

RecordScanner::RecordScanner(CXFile &file, uint32_t fileEnd, unsigned char *buffer, uint32_t bufferSize)
    : m_file(file),
      m_reader(file, SDB_HEAD_SIZE, fileEnd < SDB_HEAD_SIZE ? SDB_HEAD_SIZE : fileEnd, buffer, bufferSize),
      m_state(m_ownState)
{
}

RecordScanner::RecordScanner(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer,
                             uint32_t bufferSize, ScanState &state, uint32_t shift)
    : m_file(file), m_reader(file, from, end < from ? from : end, buffer, bufferSize), m_state(state),
      m_shift(shift)
{
}

bool RecordScanner::IsRecord(const SDBNOTE &note, uint32_t left) const
{
    if (!IsValidRecordFlags(note.flags) || note.size > left - SDB_HEADER_SIZE)
        return false;
    if (!(note.flags & SDB_ADDED))
        return !m_state.pending;
    return note.id != SDB_NO_PARENT && note.id != note.parent &&
           (note.parent == SDB_NO_PARENT || m_state.ids.count(note.parent) != 0);
}

// Whether committed records stand from `at` one behind the other up to
// `end` as a file's records do: each id once and new, each parent none or a
// record of the file. Behind a header the disk lost stand only the rest of
// that addition and later additions, which do not take that shape. Unread:
// a header there could not be read, which proves nothing either way.
RecordScanner::Behind RecordScanner::RecordsReachTheEnd(uint32_t at, uint32_t end)
{
    std::vector<SDBNOTE> run;
    std::unordered_set<uint32_t> ids;
    if (at >= end)
        return Behind::Nothing;
    while (at < end) {
        unsigned char bytes[SDB_HEADER_SIZE];
        SDBNOTE note;
        if (end - at < SDB_HEADER_SIZE)
            return Behind::Nothing;
        if (!m_file.SeekToPos(at) || !m_file.Read(bytes, sizeof(bytes)))
            return Behind::Unread;
        DecodeRecordHeader(bytes, note);
        if (!IsValidRecordFlags(note.flags) || (note.flags & SDB_ADDED) ||
            note.size > end - at - SDB_HEADER_SIZE || note.id == SDB_NO_PARENT || note.id == note.parent ||
            m_state.ids.count(note.id) || !ids.insert(note.id).second)
            return Behind::Nothing;
        run.push_back(note);
        at += SDB_HEADER_SIZE + note.size;
    }
    for (const SDBNOTE &note : run)
        if (note.parent != SDB_NO_PARENT && !m_state.ids.count(note.parent) && !ids.count(note.parent))
            return Behind::Nothing;
    return Behind::CommittedRecords;
}

// Whether committed records run from `from` to the end: a run of zeros
// standing between records, not a header the disk lost.
RecordScanner::Behind RecordScanner::CommittedRecordsBehind(uint32_t from)
{
    return RecordsReachTheEnd(from, m_reader.Position() + m_reader.Left());
}

// How many of the header bytes at the position (n of them) a power cut may
// have kept: all, or those before a sector's end when only zeros follow it.
uint32_t RecordScanner::KeptHeaderBytes(const unsigned char *bytes, uint32_t n) const
{
    const uint32_t position = m_reader.Position() + m_shift;
    const uint32_t inSector = SectorSize - position % SectorSize;
    if (inSector >= n)
        return n;
    for (uint32_t i = inSector; i < n; ++i)
        if (bytes[i] != 0)
            return n;
    return inSector;
}

// A pending addition that a power cut or a crash left torn: flagged added,
// the fields the disk kept naming a parent that stands before it, and the
// header or the body cut short.
bool RecordScanner::CouldBeTornAddition(const unsigned char *bytes, uint32_t n, uint32_t left) const
{
    if (bytes[0] != SDB_ADDED && bytes[0] != (SDB_ADDED | SDB_DELETED))
        return false;
    const uint32_t kept = KeptHeaderBytes(bytes, n);
    const uint32_t id = kept >= 6 ? getU32(bytes + 2) : 0;
    const uint32_t parent = kept >= 10 ? getU32(bytes + 6) : SDB_NO_PARENT;
    if (kept >= 6 && id == SDB_NO_PARENT)
        return false;
    if (kept >= 10 && (id == parent || (parent != SDB_NO_PARENT && !m_state.ids.count(parent))))
        return false;
    return kept < SDB_HEADER_SIZE || getU32(bytes + 10) > left - SDB_HEADER_SIZE;
}

RecordScanner::Step RecordScanner::Next(SDBNOTE &note)
{
    const uint32_t left = m_reader.Left();
    if (left == 0)
        return Step::End;
    const uint32_t n = left < SDB_HEADER_SIZE ? left : SDB_HEADER_SIZE;
    const unsigned char *bytes;
    if (!m_reader.Peek(n, &bytes))
        return Step::Unreadable;
    // A header whose bytes never reached the disk (a length extended
    // without them), its flags byte at most: no record has such a header.
    bool unwritten = bytes[0] == 0 || bytes[0] == SDB_ADDED || bytes[0] == (SDB_ADDED | SDB_DELETED);
    for (uint32_t i = 1; i < n && unwritten; ++i)
        unwritten = bytes[i] == 0;
    // A header's length reaches the disk whole: fewer zeros than a header
    // are the end of a record whose size is too small.
    if (unwritten && n == SDB_HEADER_SIZE) {
        switch (CommittedRecordsBehind(m_reader.Position() + SDB_HEADER_SIZE)) {
        case Behind::Nothing:
            return Step::TornAddition;
        case Behind::CommittedRecords:
            return Step::Damaged;
        case Behind::Unread:
            return Step::Unreadable;
        }
    }
    if (unwritten && bytes[0] == 0)
        return Step::Damaged;
    if (n == SDB_HEADER_SIZE) {
        DecodeRecordHeader(bytes, note);
        // A pending addition whose header may be torn is taken for torn:
        // it is discarded anyway, and its size may not be the one written.
        const bool mayBeTorn = (note.flags & SDB_ADDED) && KeptHeaderBytes(bytes, n) < n;
        if (IsRecord(note, left) && !mayBeTorn) {
            note.position = m_reader.Position();
            note.next = nullptr;
            m_state.pending = m_state.pending || (note.flags & SDB_ADDED) != 0;
            m_state.ids.insert(note.id);
            m_reader.Skip(SDB_HEADER_SIZE + note.size);
            return Step::Record;
        }
    }
    return CouldBeTornAddition(bytes, n, left) ? Step::TornAddition : Step::Damaged;
}

} // namespace Quorvane
