// The key table: one entry per record in file order, deleted ones included,
// and the look-ups and reads that go through it.
#include "db/records/sdb.h"

#include "db/records/key_index.h"
#include "db/records/record_scan.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_set>

namespace Quorvane {

namespace {

bool typeMatches(const SDBNOTE *note, uint8_t type)
{
    return type == SDB_ANY_TYPE || note->type == type;
}

} // namespace

void CSDB::ClearKeyTable()
{
    while (m_notes) {
        SDBNOTE *next = m_notes->next;
        delete m_notes;
        m_notes = next;
    }
    m_lastNote = nullptr;
    delete m_index;
    m_index = nullptr;
}

int CSDB::AddToKeyTable(const SDBNOTE &note)
{
    if (!m_index && !(m_index = new (std::nothrow) KeyIndex))
        return 0;
    auto *entry = new (std::nothrow) SDBNOTE(note);
    if (!entry)
        return 0;
    entry->next = nullptr;
    if (!m_index->Add(entry)) {
        delete entry;
        return 0;
    }
    (m_lastNote ? m_lastNote->next : m_notes) = entry;
    m_lastNote = entry;
    return 1;
}

void CSDB::RemoveLastEntry()
{
    SDBNOTE **link = &m_notes;
    SDBNOTE *before = nullptr;
    while (*link && *link != m_lastNote) {
        before = *link;
        link = &(*link)->next;
    }
    m_index->RemoveLast(m_lastNote);
    delete m_lastNote;
    *link = nullptr;
    m_lastNote = before;
}

bool CSDB::RebuildIndex()
{
    if (!m_index && !(m_index = new (std::nothrow) KeyIndex))
        return false;
    return m_index->Rebuild(m_notes);
}

// Reads the headers of the pieces in order into the key table. Only the
// last piece may end in a torn addition (a pending addition, or bytes a
// power cut left where one was being appended). Two records with one id that a
// discard would both keep make the file damaged. In memory, the table holds
// what a discard would leave, and the file is not touched. A read that fails
// or memory that runs out leaves the file unread, not damaged: the reason is
// noted for the open.
CSDB::Scan CSDB::BuildKeyTable(const ScanPiece *pieces, int count, bool inMemory, uint32_t *tornAt)
{
    ClearKeyTable();
    m_nextId = 0;
    m_state &= ~Modified;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[SDB_CHUNK_SIZE]);
    if (!buffer) {
        OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
        return Scan::Unreadable;
    }
    try {
        std::unordered_set<uint32_t> kept;
        ScanState state;
        for (int piece = 0; piece < count; ++piece) {
            const ScanPiece &p = pieces[piece];
            const bool last = piece == count - 1;
            RecordScanner scanner(*p.file, p.from, p.end, buffer.get(), SDB_CHUNK_SIZE, state, p.shift);
            for (bool more = true; more;) {
                SDBNOTE note;
                switch (scanner.Next(note)) {
                case RecordScanner::Step::End:
                    more = false;
                    continue;
                case RecordScanner::Step::TornAddition:
                    if (!last)
                        return Scan::Damaged;
                    *tornAt = scanner.Position() + p.shift;
                    return Scan::TornAddition;
                case RecordScanner::Step::Damaged:
                    return Scan::Damaged;
                case RecordScanner::Step::Unreadable:
                    OpenFailed(p.file->ReadError());
                    return Scan::Unreadable;
                case RecordScanner::Step::Record:
                    break;
                }
                note.position += p.shift;
                const bool added = (note.flags & SDB_ADDED) != 0;
                if (!added && !kept.insert(note.id).second)
                    return Scan::Damaged;
                if (inMemory) {
                    if (added)
                        continue;
                    note.flags = SDB_COMMITTED;
                }
                if (!AddToKeyTable(note)) {
                    OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
                    return Scan::Unreadable;
                }
                if (note.flags != SDB_COMMITTED)
                    m_state |= Modified;
                if (note.id >= m_nextId)
                    m_nextId = note.id + 1;
            }
        }
    } catch (const std::bad_alloc &) {
        OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
        return Scan::Unreadable;
    }
    return Scan::Clean;
}

CSDB::Scan CSDB::ScanFile(bool inMemory, uint32_t *tornAt)
{
    uint32_t end;
    if (!m_file.SeekToEnd(&end)) {
        OpenFailed(GetLastError());
        return Scan::Unreadable;
    }
    const ScanPiece whole{&m_file, SDB_HEAD_SIZE, end, 0};
    return BuildKeyTable(&whole, 1, inMemory, tornAt);
}

// Read only, a torn tail stays out of the table as it did at the open; a
// writer needs the file whole, for it appends at the end.
int CSDB::RefreshKeyTable()
{
    uint32_t tornAt;
    const Scan scan = ScanFile(!IsEditable(), &tornAt);
    return scan == Scan::Clean || (scan == Scan::TornAddition && !IsEditable()) ? 1 : 0;
}

bool CSDB::IdInUse(uint32_t id) const
{
    return m_index && m_index->InUse(id);
}

int CSDB::GetNewID(uint32_t &id)
{
    const uint32_t start = m_nextId;
    do {
        const uint32_t candidate = m_nextId;
        m_nextId = m_nextId >= 0xFFFFFFFE ? 0 : m_nextId + 1;
        if (candidate != SDB_NO_PARENT && !IdInUse(candidate)) {
            id = candidate;
            return 1;
        }
    } while (m_nextId != start);
    return 0;
}

SDBNOTE *CSDB::GetFirstNote(uint32_t parent, uint8_t type)
{
    const KeyIndex::Entries *children = m_index ? m_index->Children(parent) : nullptr;
    return children ? FirstLiveOfType(*children, 0, type) : nullptr;
}

SDBNOTE *CSDB::GetNextNote(const SDBNOTE *after, uint8_t type)
{
    const KeyIndex::Entries *siblings = after && m_index ? m_index->Children(after->parent) : nullptr;
    if (!siblings)
        return nullptr;
    // Siblings stand in file order, so their positions rise.
    const auto next =
        std::upper_bound(siblings->begin(), siblings->end(), after->position,
                         [](uint32_t position, const SDBNOTE *note) { return position < note->position; });
    return FirstLiveOfType(*siblings, size_t(next - siblings->begin()), type);
}

SDBNOTE *CSDB::GetNoteByType(const SDBNOTE *after, uint8_t type)
{
    for (SDBNOTE *note = after ? after->next : m_notes; note; note = note->next)
        if (note->IsLive() && typeMatches(note, type))
            return note;
    return nullptr;
}

SDBNOTE *CSDB::GetNoteByID(uint32_t id)
{
    return m_index ? m_index->Live(id) : nullptr;
}

int CSDB::PrepareReadNote(const SDBNOTE *note, CXFile **file, uint32_t *size)
{
    if (!note || !IsOpened() || !m_file.SeekToPos(note->position + SDB_HEADER_SIZE))
        return 0;
    m_file.SetReadLimit(note->position + SDB_HEADER_SIZE, note->position + SDB_HEADER_SIZE + note->size);
    *file = &m_file;
    if (size)
        *size = note->size;
    return 1;
}

int CSDB::PrepareReadNote(uint32_t id, CXFile **file, uint32_t *size)
{
    return PrepareReadNote(GetNoteByID(id), file, size);
}

int CSDB::ReadNote(uint32_t id, SDBNOTE *header, void **body)
{
    const SDBNOTE *note = GetNoteByID(id);
    CXFile *file;
    if (!note || !PrepareReadNote(note, &file, nullptr))
        return 0;
    void *block = nullptr;
    if (note->size > 0) {
        block = std::malloc(note->size);
        if (!block || !file->Read(block, note->size)) {
            std::free(block);
            return 0;
        }
    }
    *header = *note;
    *body = block;
    return 1;
}

int CSDB::ReadNote(CSDBInterpretator *codec)
{
    const SDBNOTE *note = GetNoteByID(codec->id);
    CXFile *file;
    if (!note || note->type != codec->type || !PrepareReadNote(note, &file, nullptr))
        return 0;
    codec->parent = note->parent;
    const int result = codec->Read(file);
    m_file.ClearReadLimit();
    return result;
}

} // namespace Quorvane
