// Opening, creating, closing and saving a record file, its lock and its id.
#include "db/records/sdb.h"

#include "db/records/file_chunks.h"
#include "db/records/key_index.h"
#include "db/records/record_scan.h"
#include "db/records/rollback_journal.h"

#include <cstring>
#include <memory>
#include <new>

namespace Quorvane {

CSDB::CSDB() = default;

CSDB::~CSDB()
{
    Close(0);
}

void CSDB::Clear()
{
    m_state = 0;
    m_uid.Clear();
    m_magic = 0;
    m_nextId = 0;
    m_fileName[0] = '\0';
    m_signaled = 0;
    m_notes = m_lastNote = nullptr;
    m_index = nullptr;
}

void CSDB::Lock()
{
    m_lock.Lock();
    m_signaled = 0;
}

void CSDB::Unlock()
{
    m_lock.Unlock();
    if (m_signaled && m_callback)
        m_callback(this);
}

// Remembers the name, takes the file's id (a new one, or the one it holds)
// and creates the mutex of that id, which must not exist yet: a file that
// any process has open cannot be opened again.
int CSDB::ClaimFile(const char *name, bool newId)
{
    if (!name || std::strlen(name) >= sizeof(m_fileName))
        return OpenFailed(ERROR_FILENAME_EXCED_RANGE);
    std::strcpy(m_fileName, name);
    if (newId)
        m_uid.CreateDBUID(name);
    else
        m_uid.GetDBUID(name);
    const int created = m_lock.Create(&m_uid);
    if (created == 1)
        return 1;
    return OpenFailed(created == 2 ? ERROR_SHARING_VIOLATION : GetLastError());
}

int CSDB::OpenFailed(uint32_t error)
{
    if (m_openError == 0)
        m_openError = error ? error : ERROR_READ_FAULT;
    return 0;
}

// The type magic must match, and the id must still be the one the mutex was
// named after: a process that gave the file a new id meanwhile holds it.
int CSDB::ReadHead(uint32_t magic)
{
    uint32_t stored;
    DBUID uid;
    if (!m_file.SeekToPos(0))
        return OpenFailed(GetLastError());
    if (!m_file.Read32(&stored) || stored != magic || !m_file.Read(uid.m_words, sizeof(uid.m_words))) {
        // A read that failed says nothing of the bytes.
        if (m_file.ReadError())
            return OpenFailed(m_file.ReadError());
        // No whole head of this kind: a file of another kind, or one whose
        // head a power cut kept from the disk.
        m_refusedAsDamaged = true;
        return 0;
    }
    if (!(uid == m_uid))
        return OpenFailed(ERROR_SHARING_VIOLATION);
    m_magic = magic;
    return 1;
}

// Undoes what a process that died with the file open left: a compaction's
// whole journal is played back, a torn last record (a pending addition) is
// cut, and the pending records are discarded. Everything is checked before
// the first change: a damaged file (or the file a journal gives back) fails
// the open and stays as it is. A journal that cannot be played is kept
// aside. Read only, nothing changes: the key table leaves the pending
// records out, and a file that only a journal's playback can give back is
// refused. Bytes that cannot be read (or memory that runs out) fail the
// open, and are no damage.
int CSDB::Recover(bool writable)
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[SDB_CHUNK_SIZE]);
    uint32_t length, from = 0, end = 0;
    if (!buffer)
        return OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
    if (!m_file.SeekToEnd(&length))
        return OpenFailed(GetLastError());
    RollbackJournal journal(m_fileName, m_uid, m_magic);
    const RollbackJournal::State state = journal.Check(length, buffer.get(), SDB_CHUNK_SIZE, &from, &end);
    const bool playback = state == RollbackJournal::State::Playable;
    m_refusedForJournal = playback && !writable;
    if (state == RollbackJournal::State::Unreadable)
        return OpenFailed(journal.ReadError());
    if (m_refusedForJournal)
        return 0;
    buffer.reset();
    uint32_t tornAt = 0;
    Scan scan;
    if (playback) {
        // The file as the playback will leave it: its head up to the range,
        // then the journal's bytes.
        CXFile saved;
        if (!journal.OpenForReading(saved))
            return OpenFailed(GetLastError());
        const ScanPiece pieces[] = {
            {&m_file, SDB_HEAD_SIZE, from, 0},
            {&saved, RollbackJournal::BodyOffset, RollbackJournal::BodyOffset + (end - from),
             from - RollbackJournal::BodyOffset},
        };
        scan = BuildKeyTable(pieces, 2, false, &tornAt);
    } else {
        scan = ScanFile(!writable, &tornAt);
    }
    if (scan == Scan::Unreadable)
        return 0; // the scan noted why
    if (scan == Scan::Damaged) {
        m_refusedAsDamaged = true;
        return 0;
    }
    if (!writable)
        return 1;
    CXFile writer;
    if (playback) {
        std::unique_ptr<unsigned char[]> copyBuffer(new (std::nothrow) unsigned char[SDB_CHUNK_SIZE]);
        if (!copyBuffer)
            return OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
        if (!writer.Open(m_fileName, 1) || !journal.Restore(writer, copyBuffer.get(), SDB_CHUNK_SIZE))
            return OpenFailed(writer.ReadError() ? writer.ReadError() : GetLastError());
    } else if (state == RollbackJournal::State::Unusable && !journal.KeepAside()) {
        return OpenFailed(GetLastError());
    }
    if (scan == Scan::TornAddition &&
        !((writer.IsOpened() || writer.Open(m_fileName, 1)) && writer.SeekToPos(tornAt) && writer.SetEOF()))
        return OpenFailed(GetLastError());
    writer.Close();
    if (IsModified() && !Compact(SDB_ADDED))
        return OpenFailed(GetLastError());
    m_state &= ~Modified;
    return 1;
}

int CSDB::Open(const char *name, uint32_t magic, int writable)
{
    Close(0);
    m_refusedAsDamaged = m_refusedForJournal = false;
    m_openError = 0;
    if (!ClaimFile(name, false)) {
        Close(0);
        return 0;
    }
    Lock();
    const int opened = (m_file.Open(name, writable) || OpenFailed(GetLastError())) && ReadHead(magic) &&
                       Recover(writable != 0);
    if (opened && writable)
        m_state |= Editable;
    Unlock();
    if (!opened)
        Close(0);
    return opened;
}

int CSDB::Create(const char *name, uint32_t magic)
{
    Close(0);
    m_openError = 0;
    if (!ClaimFile(name, true)) {
        Close(0);
        return 0;
    }
    Lock();
    const bool created = m_file.Create(name) || OpenFailed(GetLastError());
    unsigned char head[SDB_HEAD_SIZE];
    std::memcpy(head, &magic, 4);
    std::memcpy(head + 4, m_uid.m_words, 16);
    // A journal beside a new file was left by an older file of that name.
    const int made = created && RollbackJournal(name, m_uid, magic).KeepAside() &&
                     m_file.Write(head, sizeof(head)) && RefreshKeyTable();
    if (made) {
        m_magic = magic;
        m_state |= Editable;
    }
    Unlock();
    if (!made) {
        m_file.Close();
        if (created)
            RemoveXFile(name);
        Close(0);
    }
    return made;
}

int CSDB::Close(int commit)
{
    int result = 1;
    if (IsOpened()) {
        if (IsModified() && IsEditable())
            result = ProcessFile(commit ? SDB_DELETED : SDB_ADDED);
    } else if (IsModified()) {
        result = 0; // the file was let go after a compaction that could not be undone
    }
    m_file.Close();
    ClearKeyTable();
    m_lock.Close();
    m_newIdLock.Close();
    Clear();
    return result;
}

int CSDB::Refresh()
{
    if (!IsOpened())
        return 0;
    Lock();
    const int refreshed = RefreshKeyTable();
    Unlock();
    return refreshed;
}

int CSDB::UpdateDBUID()
{
    if (!IsOpened() || !IsEditable())
        return 0;
    DBUID uid;
    uid.CreateDBUID(m_fileName);
    // The new id's mutex exists before the id reaches the file, so no other
    // process can open the file under its new id meanwhile.
    CXLock newLock;
    if (newLock.Create(&uid) != 1)
        return 0;
    m_lock.Lock();
    const int written = uid.WriteToDB(&m_file);
    m_lock.Unlock();
    if (!written)
        return 0;
    m_uid = uid;
    // Keep a handle of the new id's mutex until the close; `newLock` closes
    // its own.
    m_newIdLock.Create(&uid);
    return 1;
}

int CSDB::Save(const char *name)
{
    if (!IsOpened() || !IsEditable())
        return 0;
    if (!name || !*name || _stricmp(name, m_fileName) == 0) {
        if (!ProcessFile(SDB_DELETED))
            return 0;
        char own[MAX_PATH];
        std::strcpy(own, m_fileName);
        const uint32_t magic = m_magic;
        Close(1);
        return Open(own, magic, 1);
    }
    return SaveAs(name);
}

// Writes the live records to a new file with flags 0, then discards this
// file's pending changes and continues on the new file. When a record cannot
// be copied, the new file ends behind the last whole one.
int CSDB::SaveAs(const char *name)
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[SDB_CHUNK_SIZE]);
    CSDB target;
    if (!buffer || !target.Create(name, m_magic))
        return 0;
    Lock();
    target.Lock();
    CXFile &out = target.m_file;
    uint32_t end = SDB_HEAD_SIZE;
    bool copied = true;
    for (const SDBNOTE *note = m_notes; note && copied; note = note->next) {
        if (!note->IsLive())
            continue;
        SDBNOTE header = *note;
        header.flags = SDB_COMMITTED;
        unsigned char bytes[SDB_HEADER_SIZE];
        EncodeRecordHeader(header, bytes);
        copied = out.SeekToPos(end) && out.Write(bytes, sizeof(bytes)) &&
                 CopyFileBytes(m_file, note->position + SDB_HEADER_SIZE, out, end + SDB_HEADER_SIZE,
                               note->size, buffer.get(), SDB_CHUNK_SIZE);
        if (copied)
            end += SDB_HEADER_SIZE + note->size;
        else if (out.SeekToPos(end))
            out.SetEOF();
    }
    copied = copied && out.Flush();
    target.Unlock();
    Unlock();
    target.Close(0);
    if (!copied)
        return 0;
    ProcessFile(SDB_ADDED);
    const uint32_t magic = m_magic;
    Close(0);
    return Open(name, magic, 1);
}

} // namespace Quorvane
