// A Standard MIDI File in memory: the header values and the raw track
// chunks, read from and written to a typed stream.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <string>

namespace Quorvane {

// Results of the chunk and codec operations.
enum SmfResult : int {
    SmfOk = 0,
    SmfWriteFailed = -1, // the stream or file took less than was written
    SmfOutOfMemory = -2,
    SmfMalformed = -3,
};

// One MTrk body, delta times included. The buffer is C heap memory.
struct SmfChunk {
    uint32_t capacity = 0; // bytes allocated
    uint32_t length = 0;   // bytes used: where the next write goes
    uint8_t *data = nullptr;
    SmfChunk *next = nullptr;
    // A write could not be done (no memory, a value too large to encode):
    // the chunk is incomplete and is never written to a file.
    bool failed = false;
};

struct SmfChunkList {
    uint16_t format = 0;
    uint16_t trackCount = 0;
    uint16_t division = 0; // ticks per quarter
    SmfChunk *first = nullptr;

    SmfChunkList() = default;
    SmfChunkList(const SmfChunkList &) = delete;
    SmfChunkList &operator=(const SmfChunkList &) = delete;
    ~SmfChunkList();
};

// Reads a whole file into an empty list: the track chunks the header counts,
// skipping chunks of other types. SmfOk, SmfMalformed (bad or truncated
// header or chunk, a division of 0 or in SMPTE frames, a track
// whose events run past its end or lack their end of track) or
// SmfOutOfMemory. Chunks read before a failure stay in the list.
int readSmfChunks(SmfChunkList &list, InputStream &in);
// SmfOk, SmfWriteFailed on a short write, SmfOutOfMemory for a chunk that
// could not be completed. The header counts the chunks actually present.
int writeSmfChunks(const SmfChunkList &list, OutputStream &out);
int readSmfFile(SmfChunkList &list, const std::string &path);
// Writes through a temporary file that replaces the target only when
// complete; on any failure the old file stays.
int writeSmfFile(const SmfChunkList &list, const std::string &path);

int freeSmfChunks(SmfChunkList &list);
SmfChunk *lastSmfChunk(const SmfChunkList &list);
int countSmfChunks(const SmfChunkList &list);
// The last chunk after the first that holds a note-on or note-off, else
// the first chunk (null for an empty list).
SmfChunk *findNoteChunk(const SmfChunkList &list);
SmfChunk *appendSmfChunk(SmfChunkList &list);
int allocSmfChunkData(SmfChunk &chunk, uint32_t size);
// Grows to a larger size; keeps the old buffer when that fails.
int growSmfChunkData(SmfChunk &chunk, uint32_t size);

} // namespace Quorvane
