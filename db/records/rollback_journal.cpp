#include "db/records/rollback_journal.h"

#include "db/records/file_chunks.h"
#include "db/records/sdb_note.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

// Journal head (40 bytes): "SDJ2", the data file's type magic and id, the
// range [from, end) whose old bytes follow the head, the body's length and
// the checksum of the head's first 36 bytes and the body. A head of zeros
// (the body not yet on the disk) or of the first layout ("SDBJ") is not
// whole.
constexpr uint32_t journalMagic = 0x324A4453; // "SDJ2"

struct JournalHead {
    uint32_t magic;
    uint32_t fileMagic;
    uint32_t uid[4];
    uint32_t from;
    uint32_t end;
    uint32_t length;
    uint32_t checksum;
};
static_assert(sizeof(JournalHead) == RollbackJournal::BodyOffset);
constexpr uint32_t checkedHead = offsetof(JournalHead, checksum);

// FNV-1a, 32 bits: any one changed byte changes it.
class Checksum {
public:
    void Add(const unsigned char *bytes, uint32_t n)
    {
        for (uint32_t i = 0; i < n; ++i)
            m_value = (m_value ^ bytes[i]) * 0x01000193u;
    }
    uint32_t Value() const { return m_value; }

private:
    uint32_t m_value = 0x811C9DC5u;
};

} // namespace

RollbackJournal::RollbackJournal(const char *dataFile, const DBUID &uid, uint32_t magic)
    : m_uid(uid), m_magic(magic)
{
    const std::string name = NameOf(dataFile);
    m_nameFits = name.size() < MAX_PATH;
    std::snprintf(m_name, sizeof(m_name), "%s", m_nameFits ? name.c_str() : "");
}

bool RollbackJournal::Exists() const
{
    return m_nameFits && GetFileAttributesA(m_name) != INVALID_FILE_ATTRIBUTES;
}

int RollbackJournal::Remove()
{
    return m_nameFits ? RemoveXFile(m_name) : 1;
}

int RollbackJournal::Retire()
{
    if (!m_nameFits)
        return 1;
    // The delete alone is no commit point: until the disk holds it, the
    // whole journal would still be played back at the next open, undoing
    // the commit and the next one with it (the power cut case "a
    // replacement without a new id, then an addition: two commits"). The
    // compaction stands once a head that is not whole is on the disk; a
    // write or flush of it that fails puts the whole head back, so that the
    // caller rolls the compaction back with it and reports it failed.
    CXFile journal;
    JournalHead whole;
    const JournalHead notWhole{};
    if (!journal.Open(m_name, 1) || !journal.Read(&whole, sizeof(whole)))
        return 0;
    if (!journal.SeekToPos(0) || !journal.Write(&notWhole, sizeof(notWhole)) || !journal.Flush()) {
        if (journal.SeekToPos(0))
            journal.Write(&whole, sizeof(whole));
        return 0;
    }
    journal.Close();
    Remove();
    return 1;
}

int RollbackJournal::KeepAside()
{
    return Exists() ? KeepXFileAside(m_name, nullptr, 0) : 1;
}

int RollbackJournal::OpenForReading(CXFile &journal) const
{
    return m_nameFits && journal.Open(m_name, 0);
}

RollbackJournal::State RollbackJournal::Check(uint32_t dataLength, unsigned char *buffer, uint32_t bufferSize,
                                              uint32_t *from, uint32_t *end) const
{
    m_readError = 0;
    if (!Exists())
        return State::Absent;
    CXFile journal;
    uint32_t length;
    // Bytes of the journal that cannot be read, or a journal that cannot be
    // opened, say nothing of what it holds.
    auto unreadable = [&] {
        m_readError = journal.ReadError() ? journal.ReadError() : GetLastError();
        return State::Unreadable;
    };
    if (!OpenForReading(journal) || !journal.SeekToEnd(&length))
        return unreadable();
    JournalHead head;
    if (length < sizeof(head))
        return State::Unusable;
    if (!journal.SeekToPos(0) || !journal.Read(&head, sizeof(head)))
        return unreadable();
    if (head.magic != journalMagic || head.length != length - sizeof(head))
        return State::Unusable;
    Checksum sum;
    sum.Add(reinterpret_cast<const unsigned char *>(&head), checkedHead);
    SequentialReader body(journal, sizeof(head), length, buffer, bufferSize);
    while (body.Left() > 0) {
        const unsigned char *bytes;
        uint32_t taken;
        if (!body.Take(bufferSize, &bytes, &taken))
            return unreadable();
        sum.Add(bytes, taken);
    }
    if (sum.Value() != head.checksum)
        return State::Unusable;
    // A compaction writes from `from` on and cuts the file there or behind;
    // the committed head before it is never touched.
    const bool ours =
        head.fileMagic == m_magic && std::memcmp(head.uid, m_uid.m_words, sizeof(head.uid)) == 0;
    const bool fits = head.from >= SDB_HEAD_SIZE && head.from <= head.end &&
                      head.end - head.from == head.length && dataLength >= head.from &&
                      dataLength <= head.end;
    if (!ours || !fits)
        return State::Unusable;
    if (from)
        *from = head.from;
    if (end)
        *end = head.end;
    return State::Playable;
}

int RollbackJournal::Save(CXFile &data, uint32_t from, uint32_t end, unsigned char *buffer,
                          uint32_t bufferSize)
{
    if (!m_nameFits || from > end || !KeepAside())
        return 0;
    CXFile journal;
    if (!journal.Create(m_name))
        return 0;
    if (WriteJournal(journal, data, from, end, buffer, bufferSize))
        return 1;
    // What was written of it is of no use to anyone.
    journal.Close();
    Remove();
    return 0;
}

int RollbackJournal::WriteJournal(CXFile &journal, CXFile &data, uint32_t from, uint32_t end,
                                  unsigned char *buffer, uint32_t bufferSize) const
{
    // A zero head until the body is on the disk: a journal cut short by a
    // crash is never played back.
    JournalHead head{};
    if (!journal.Write(&head, sizeof(head)))
        return 0;
    head.magic = journalMagic;
    head.fileMagic = m_magic;
    std::memcpy(head.uid, m_uid.m_words, sizeof(head.uid));
    head.from = from;
    head.end = end;
    head.length = end - from;
    Checksum sum;
    sum.Add(reinterpret_cast<const unsigned char *>(&head), checkedHead);
    for (uint32_t at = from; at < end;) {
        const uint32_t n = std::min(bufferSize, end - at);
        if (!data.SeekToPos(at) || !data.Read(buffer, n) || !journal.Write(buffer, n))
            return 0;
        sum.Add(buffer, n);
        at += n;
    }
    head.checksum = sum.Value();
    return journal.Flush() && journal.SeekToPos(0) && journal.Write(&head, sizeof(head)) && journal.Flush();
}

int RollbackJournal::Restore(CXFile &data, unsigned char *buffer, uint32_t bufferSize)
{
    uint32_t length, from, end;
    if (!data.SeekToEnd(&length) || Check(length, buffer, bufferSize, &from, &end) != State::Playable)
        return 0;
    {
        CXFile journal;
        if (!OpenForReading(journal) ||
            !CopyFileBytes(journal, BodyOffset, data, from, end - from, buffer, bufferSize) ||
            !data.SeekToPos(end) || !data.SetEOF() || !data.Flush())
            return 0;
    }
    return Remove();
}

} // namespace Quorvane
