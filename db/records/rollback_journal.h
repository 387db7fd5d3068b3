// The rollback journal of a compaction: "<file>.journal" holds the bytes of
// the record file from the first pending record to the end, as they were
// before the compaction. It is complete (flushed, its head written last)
// before the first of those bytes changes, and removed once the compacted
// file is flushed; playing it back gives the file of before.
#pragma once

#include "db/records/dbuid.h"
#include "db/records/xfile.h"

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class RollbackJournal {
public:
    // The journal of a record file with that id and type magic.
    RollbackJournal(const char *dataFile, const DBUID &uid, uint32_t magic);

    // Saves [from, end) of the data file.
    int Save(CXFile &data, uint32_t from, uint32_t end, unsigned char *buffer, uint32_t bufferSize);
    // Plays a complete journal of this file back into it (open for writing)
    // and flushes it, then removes the journal; removes an incomplete or
    // foreign one without touching the file. 1 when the data file is as it
    // was before the journal's compaction began, or when there is no journal.
    int Restore(CXFile &data, unsigned char *buffer, uint32_t bufferSize);
    // Whether a journal file stands beside the data file.
    bool Exists() const;
    int Remove();

private:
    bool ReadHead(CXFile &journal, uint32_t &from, uint32_t &end) const;

    char m_name[MAX_PATH + 16];
    bool m_nameFits;
    DBUID m_uid;
    uint32_t m_magic;
};

} // namespace Quorvane
