// The stored record header and the walk over a file's records that the key
// table, the open's damage check and the tests' listings share.
#pragma once

#include "db/records/file_chunks.h"
#include "db/records/sdb_note.h"

#include <cstdint>

namespace Quorvane {

// Flags a stored record may carry: 0, 1, 0x80 or 0x81.
bool IsValidRecordFlags(uint8_t flags);
// The 14 stored bytes of a header (flags, type, id, parent, size).
void EncodeRecordHeader(const SDBNOTE &note, unsigned char *bytes);
void DecodeRecordHeader(const unsigned char *bytes, SDBNOTE &note);

// Walks the records from offset 20 in file order, reading the headers
// through the buffer and skipping the bodies.
class RecordScanner {
public:
    enum class Step {
        Record,       // `note` holds the next record's header and position
        End,          // the last record ends at the end of the file
        TornAddition, // the last record, a pending addition, runs past the end
        Damaged       // a record does not fit the file, or its flags are unknown
    };

    RecordScanner(CXFile &file, uint32_t fileEnd, unsigned char *buffer, uint32_t bufferSize);
    // Walks the records of [from, end) of a file.
    RecordScanner(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer, uint32_t bufferSize);
    Step Next(SDBNOTE &note);
    // Where the record that the last step looked at begins.
    uint32_t Position() const { return m_reader.Position(); }

private:
    SequentialReader m_reader;
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
