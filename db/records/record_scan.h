// The stored record header and the walk over a file's records that the key
// table, the open's damage check and the tests' listings share.
#pragma once

#include "db/records/file_chunks.h"
#include "db/records/sdb_note.h"

#include <cstdint>
#include <unordered_set>

namespace Quorvane {

// A disk writes whole sectors: a write a power cut tears is torn at a
// multiple of this.
constexpr uint32_t SectorSize = 512;

// Flags a stored record may carry: 0, 1, 0x80 or 0x81.
bool IsValidRecordFlags(uint8_t flags);
// The 14 stored bytes of a header (flags, type, id, parent, size).
void EncodeRecordHeader(const SDBNOTE &note, unsigned char *bytes);
void DecodeRecordHeader(const unsigned char *bytes, SDBNOTE &note);

// What a walk over a file's records has seen, carried from one piece of
// the file to the next: whether a pending addition stood before, and the
// ids of the records.
struct ScanState {
    bool pending = false;
    std::unordered_set<uint32_t> ids;
};

// Walks the records from offset 20 in file order, reading the headers
// through the buffer and skipping the bodies.
//
// A record is a header with known flags and a body that fits the file. A
// committed record (flag bit 0 clear) stands only before the first pending
// addition: a commit or a discard leaves no pending record, and additions
// are appended at the end. A pending addition's id is neither 0xFFFFFFFF
// nor its parent's, and its parent is none or a record before it.
//
// Where no record stands, the rest of the file is taken for a pending
// addition that a crash or a power cut left torn (the walk ends there) only
// when it can be nothing else: a whole header of zeros but for its flags (a
// length that reached the disk without its bytes) with no committed records
// behind it; or a header flagged added whose fields, as far as the file or
// a sector's end with only zeros behind it keeps them, are those of an
// addition, with the header or its body cut short. Anything else is damage:
// a committed record behind a pending one or behind a run of zeros, a
// record that does not fit, unknown flags, fewer zeros than a header.
class RecordScanner {
public:
    enum class Step {
        Record,       // `note` holds the next record's header and position
        End,          // the last record ends at the end of the file
        TornAddition, // from here on the file is a pending addition left torn
        Damaged,      // no record here, and no torn addition either
        Unreadable    // the bytes here could not be read (the file's ReadError)
    };

    RecordScanner(CXFile &file, uint32_t fileEnd, unsigned char *buffer, uint32_t bufferSize);
    // Walks the records of [from, end) of a file; `state` carries what the
    // pieces before it held, and `shift` moves its offsets to where they
    // stand in the data file.
    RecordScanner(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer, uint32_t bufferSize,
                  ScanState &state, uint32_t shift = 0);
    Step Next(SDBNOTE &note);
    // Where the record that the last step looked at begins.
    uint32_t Position() const { return m_reader.Position(); }

private:
    bool IsRecord(const SDBNOTE &note, uint32_t left) const;
    uint32_t KeptHeaderBytes(const unsigned char *bytes, uint32_t n) const;
    bool CouldBeTornAddition(const unsigned char *bytes, uint32_t n, uint32_t left) const;
    enum class Behind { Nothing, CommittedRecords, Unread };
    Behind CommittedRecordsBehind(uint32_t from);
    Behind RecordsReachTheEnd(uint32_t at, uint32_t end);

    CXFile &m_file;
    SequentialReader m_reader;
    ScanState m_ownState;
    ScanState &m_state;
    uint32_t m_shift = 0;
};

// Records of a data file as they stand, or will stand, in it: the bytes
// [from, end) of `file`, whose offsets plus `shift` (modulo 2^32) are where
// they belong in the data file.
struct ScanPiece {
    CXFile *file;
    uint32_t from, end;
    uint32_t shift;
};

} // namespace Quorvane
