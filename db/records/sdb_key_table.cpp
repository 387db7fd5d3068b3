// The key table: one entry per record in file order, deleted ones included,
// and the look-ups and reads that go through it.
#include "db/records/sdb.h"

#include "db/records/record_scan.h"

#include <cstdlib>
#include <memory>
#include <new>

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
    m_highestId = 0;
}

int CSDB::AddToKeyTable(const SDBNOTE &note)
{
    auto *entry = new (std::nothrow) SDBNOTE(note);
    if (!entry)
        return 0;
    entry->next = nullptr;
    (m_lastNote ? m_lastNote->next : m_notes) = entry;
    m_lastNote = entry;
    if (note.id > m_highestId)
        m_highestId = note.id;
    if (note.parent != SDB_NO_PARENT && note.parent > m_highestId)
        m_highestId = note.parent;
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
    delete m_lastNote;
    *link = nullptr;
    m_lastNote = before;
}

CSDB::Scan CSDB::BuildKeyTable(uint32_t *tornAt)
{
    ClearKeyTable();
    m_nextId = 0;
    m_state &= ~Modified;
    uint32_t end;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[SDB_CHUNK_SIZE]);
    if (!buffer || !m_file.SeekToEnd(&end))
        return Scan::Damaged;
    RecordScanner scanner(m_file, end, buffer.get(), SDB_CHUNK_SIZE);
    for (;;) {
        SDBNOTE note;
        switch (scanner.Next(note)) {
        case RecordScanner::Step::End:
            return Scan::Clean;
        case RecordScanner::Step::TornAddition:
            *tornAt = scanner.Position();
            return Scan::TornAddition;
        case RecordScanner::Step::Damaged:
            return Scan::Damaged;
        case RecordScanner::Step::Record:
            break;
        }
        if (!AddToKeyTable(note))
            return Scan::Damaged;
        if (note.flags != SDB_COMMITTED)
            m_state |= Modified;
        if (note.id >= m_nextId)
            m_nextId = note.id + 1;
    }
}

int CSDB::RefreshKeyTable()
{
    uint32_t tornAt;
    return BuildKeyTable(&tornAt) == Scan::Clean ? 1 : 0;
}

bool CSDB::IdInUse(uint32_t id) const
{
    if (!m_notes || id > m_highestId)
        return false;
    for (const SDBNOTE *note = m_notes; note; note = note->next)
        if (note->id == id || note->parent == id)
            return true;
    return false;
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
    for (SDBNOTE *note = m_notes; note; note = note->next)
        if (note->IsLive() && note->parent == parent && typeMatches(note, type))
            return note;
    return nullptr;
}

SDBNOTE *CSDB::GetNextNote(const SDBNOTE *after, uint8_t type)
{
    if (!after)
        return nullptr;
    for (SDBNOTE *note = after->next; note; note = note->next)
        if (note->IsLive() && note->parent == after->parent && typeMatches(note, type))
            return note;
    return nullptr;
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
    for (SDBNOTE *note = m_notes; note; note = note->next)
        if (note->IsLive() && note->id == id)
            return note;
    return nullptr;
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
