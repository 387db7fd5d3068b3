// The rollback journal of a compaction: "<file>.journal" holds the bytes of
// the record file from the first pending record to the end, as they were
// before the compaction. It is whole (its body flushed, then its head with
// the body's length and checksum written last) before the first of those
// bytes changes; once the compacted file is flushed its head is made not
// whole and flushed, then it is removed. Playing it back gives the file of
// before.
//
// A journal is played back only when it is whole, belongs to the file (its
// type magic and id) and its range fits the file as a compaction leaves it.
// Any other journal, one of an older layout included, is never played: it
// is kept aside under another name, for nothing that was stored is deleted.
#pragma once

#include "db/records/dbuid.h"
#include "db/records/xfile.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace Quorvane {

class RollbackJournal {
public:
    // Where the saved bytes begin in the journal.
    static constexpr uint32_t BodyOffset = 40;

    enum class State {
        Absent,     // no journal beside the file
        Unusable,   // not whole, another file's, or a range the file cannot have
        Playable,   // gives back the file of before the compaction
        Unreadable, // stands there but cannot be read
    };

    // The journal of a record file with that id and type magic.
    RollbackJournal(const char *dataFile, const DBUID &uid, uint32_t magic);
    // The name of the journal beside a record file.
    static std::string NameOf(const char *dataFile) { return std::string(dataFile) + ".journal"; }

    // Looks at the journal beside a data file that is `dataLength` bytes
    // long; a playable one answers the range [from, end) it restores.
    State Check(uint32_t dataLength, unsigned char *buffer, uint32_t bufferSize, uint32_t *from = nullptr,
                uint32_t *end = nullptr) const;
    // The system's error code of why the last Check found the journal
    // Unreadable.
    uint32_t ReadError() const { return m_readError; }
    // Opens the journal for reading (its body starts at BodyOffset).
    int OpenForReading(CXFile &journal) const;
    // Saves [from, end) of the data file; a journal standing there already
    // is kept aside first. On failure what was written of the new journal
    // is removed (or, when that fails too, left with a head that is not
    // whole).
    int Save(CXFile &data, uint32_t from, uint32_t end, unsigned char *buffer, uint32_t bufferSize);
    // Plays a playable journal back into the data file (open for writing),
    // flushes it and removes the journal. 0, with both files as they were,
    // when the journal is not playable; 0 when a write fails.
    int Restore(CXFile &data, unsigned char *buffer, uint32_t bufferSize);
    // Whether a journal file stands beside the data file.
    bool Exists() const;
    // Deletes the journal: only for one whose compaction failed before it
    // changed the data file, or whose playback is on the disk.
    int Remove();
    // Ends the journal of a compaction that is on the disk: its head is made
    // not whole and flushed before the delete, so a delete the disk lost
    // never plays it back over the finished compaction. 0 when that head
    // could not be written or flushed: the whole head is then written back,
    // so that the caller can roll the compaction back with the journal.
    int Retire();
    // Renames the journal to a free name beside it; 1 also when there is none.
    int KeepAside();

private:
    int WriteJournal(CXFile &journal, CXFile &data, uint32_t from, uint32_t end, unsigned char *buffer,
                     uint32_t bufferSize) const;

    char m_name[MAX_PATH + 16];
    bool m_nameFits;
    DBUID m_uid;
    uint32_t m_magic;
    mutable uint32_t m_readError = 0;
};

} // namespace Quorvane
