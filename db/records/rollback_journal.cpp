#include "db/records/rollback_journal.h"

#include "db/records/file_chunks.h"

#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

// Journal head: "SDBJ", the data file's type magic and id, and the range
// [from, end) whose old bytes follow the head.
constexpr uint32_t journalMagic = 0x4A424453; // "SDBJ"

struct JournalHead {
    uint32_t magic;
    uint32_t fileMagic;
    uint32_t uid[4];
    uint32_t from;
    uint32_t end;
};
static_assert(sizeof(JournalHead) == 32);

} // namespace

RollbackJournal::RollbackJournal(const char *dataFile, const DBUID &uid, uint32_t magic)
    : m_uid(uid), m_magic(magic)
{
    const int length = std::snprintf(m_name, sizeof(m_name), "%s.journal", dataFile);
    m_nameFits = length > 0 && length < MAX_PATH;
}

bool RollbackJournal::Exists() const
{
    return m_nameFits && GetFileAttributesA(m_name) != INVALID_FILE_ATTRIBUTES;
}

int RollbackJournal::Remove()
{
    return m_nameFits ? RemoveXFile(m_name) : 1;
}

int RollbackJournal::Save(CXFile &data, uint32_t from, uint32_t end, unsigned char *buffer,
                          uint32_t bufferSize)
{
    if (!m_nameFits || !Remove())
        return 0;
    CXFile journal;
    JournalHead head{};
    // A zero head until the copy is on the disk: a journal cut short by a
    // crash is never played back.
    if (!journal.Create(m_name) || !journal.Write(&head, sizeof(head)) ||
        !CopyFileBytes(data, from, journal, sizeof(head), end - from, buffer, bufferSize) || !journal.Flush())
        return 0;
    head.magic = journalMagic;
    head.fileMagic = m_magic;
    std::memcpy(head.uid, m_uid.m_words, sizeof(head.uid));
    head.from = from;
    head.end = end;
    return journal.SeekToPos(0) && journal.Write(&head, sizeof(head)) && journal.Flush();
}

bool RollbackJournal::ReadHead(CXFile &journal, uint32_t &from, uint32_t &end) const
{
    JournalHead head;
    uint32_t length;
    if (!journal.SeekToPos(0) || !journal.Read(&head, sizeof(head)) || !journal.SeekToEnd(&length))
        return false;
    from = head.from;
    end = head.end;
    return head.magic == journalMagic && head.fileMagic == m_magic &&
           std::memcmp(head.uid, m_uid.m_words, sizeof(head.uid)) == 0 && from <= end &&
           length - sizeof(head) == end - from;
}

int RollbackJournal::Restore(CXFile &data, unsigned char *buffer, uint32_t bufferSize)
{
    if (!Exists())
        return 1;
    {
        CXFile journal;
        uint32_t from, end;
        if (!journal.Open(m_name, 0))
            return 0;
        if (ReadHead(journal, from, end) &&
            !(CopyFileBytes(journal, sizeof(JournalHead), data, from, end - from, buffer, bufferSize) &&
              data.SeekToPos(end) && data.SetEOF() && data.Flush()))
            return 0;
    }
    return Remove();
}

} // namespace Quorvane
