// Commit and discard: one pass from the first pending record to the end of the
// file that drops the records of one kind and commits the others, guarded by
// the rollback journal.
#include "db/records/sdb.h"

#include "db/records/file_chunks.h"
#include "db/records/key_index.h"
#include "db/records/record_scan.h"
#include "db/records/rollback_journal.h"

#include <memory>
#include <new>

namespace Quorvane {

namespace {

bool dropped(const SDBNOTE *note, uint8_t mode)
{
    return (note->flags & mode) != 0;
}

SDBNOTE *firstPending(SDBNOTE *table)
{
    while (table && table->flags == SDB_COMMITTED)
        table = table->next;
    return table;
}

// Moves the kept records of [first, end of file) together behind each other
// with flags 0 and cuts the file behind the last one. Reads go through
// `data`, writes through `writer`; every write lands before the bytes still
// to be read.
int compactRecords(CXFile &data, CXFile &writer, const SDBNOTE *first, uint32_t end, uint8_t mode,
                   unsigned char *readBuffer, unsigned char *writeBuffer)
{
    SequentialReader in(data, first->position, end, readBuffer, SDB_CHUNK_SIZE);
    SequentialWriter out(writer, first->position, writeBuffer, SDB_CHUNK_SIZE);
    for (const SDBNOTE *note = first; note; note = note->next) {
        if (dropped(note, mode)) {
            in.Skip(SDB_HEADER_SIZE + note->size);
            continue;
        }
        SDBNOTE committed = *note;
        committed.flags = SDB_COMMITTED;
        unsigned char header[SDB_HEADER_SIZE];
        EncodeRecordHeader(committed, header);
        if (!out.Put(header, SDB_HEADER_SIZE))
            return 0;
        in.Skip(SDB_HEADER_SIZE);
        for (uint32_t left = note->size; left > 0;) {
            const unsigned char *bytes;
            uint32_t taken;
            if (!in.Take(left, &bytes, &taken) || !out.Put(bytes, taken))
                return 0;
            left -= taken;
        }
    }
    return out.Finish() && writer.SeekToPos(out.Position()) && writer.SetEOF() && writer.Flush();
}

} // namespace

int CSDB::ProcessFile(uint8_t mode)
{
    if (!IsEditable() || !IsModified())
        return 1;
    Lock();
    const int compacted = Compact(mode);
    if (compacted)
        m_state &= ~Modified;
    SignalModified();
    Unlock();
    return compacted;
}

// The journal is complete before the first byte of the file changes. When
// the compaction fails it is played back at once; when that fails too, it
// stays for the next open and this object lets go of the file.
int CSDB::Compact(uint8_t mode)
{
    const SDBNOTE *first = firstPending(m_notes);
    if (!first)
        return 1;
    uint32_t end;
    CXFile writer;
    std::unique_ptr<unsigned char[]> buffers(new (std::nothrow) unsigned char[2 * SDB_CHUNK_SIZE]);
    if (!buffers || !m_file.SeekToEnd(&end) || !writer.Open(m_fileName, 1))
        return 0;
    unsigned char *readBuffer = buffers.get(), *writeBuffer = readBuffer + SDB_CHUNK_SIZE;
    RollbackJournal journal(m_fileName, m_uid, m_magic);
    // The file's head and records reach the disk before the first byte is
    // overwritten in place: a new id written before the commit could
    // otherwise be lost beside half-compacted records, and the journal,
    // which names the new id, would not be played back over them (the power
    // cut case "replacements and a deleted branch with a new id").
    if (!journal.Save(m_file, first->position, end, readBuffer, SDB_CHUNK_SIZE) || !writer.Flush()) {
        journal.Remove();
        return 0;
    }
    // A whole journal left behind would undo the compaction at the next
    // open, so a journal that could not be retired counts as a failed
    // compaction.
    if (compactRecords(m_file, writer, first, end, mode, readBuffer, writeBuffer) && journal.Retire()) {
        ApplyCompaction(mode);
        return 1;
    }
    if (!journal.Restore(writer, readBuffer, SDB_CHUNK_SIZE))
        LoseFile();
    return 0;
}

// Brings the key table in line with the compacted file.
void CSDB::ApplyCompaction(uint8_t mode)
{
    SDBNOTE **link = &m_notes;
    SDBNOTE *last = nullptr;
    while (*link && (*link)->flags == SDB_COMMITTED) {
        last = *link;
        link = &last->next;
    }
    uint32_t position = *link ? (*link)->position : 0;
    while (SDBNOTE *note = *link) {
        if (dropped(note, mode)) {
            *link = note->next;
            delete note;
            continue;
        }
        note->flags = SDB_COMMITTED;
        note->position = position;
        position += SDB_HEADER_SIZE + note->size;
        last = note;
        link = &note->next;
    }
    m_lastNote = last;
    // A discard brings deleted copies back to life; without the memory for
    // an index that knows them no look-up may run on the file.
    if (!RebuildIndex())
        m_file.Close();
}

// The file is half compacted and its journal could not be played back: no
// read may see it. The journal restores it at the next open.
void CSDB::LoseFile()
{
    m_file.Close();
}

} // namespace Quorvane
