#include "plugin/framework/midi/smf_chunks.h"

#include "base/file.h"
#include "base/safe_file.h"
#include "base/simple_stream.h"
#include "plugin/framework/midi/smf_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Quorvane {

namespace {

// A chunk body is read in pieces and the buffer grows only by what arrived,
// so a damaged length never allocates more than the file holds.
constexpr uint32_t ReadPiece = 16 * 1024;

bool readExact(InputStream &in, void *buffer, uint32_t count)
{
    return in.readBytes(buffer, count) == count;
}

bool readBigEndian32(InputStream &in, uint32_t &value)
{
    uint8_t b[4];
    if (!readExact(in, b, 4))
        return false;
    value = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    return true;
}

bool readBigEndian16(InputStream &in, uint16_t &value)
{
    uint8_t b[2];
    if (!readExact(in, b, 2))
        return false;
    value = static_cast<uint16_t>((b[0] << 8) | b[1]);
    return true;
}

bool writeBigEndian32(OutputStream &out, uint32_t value)
{
    const uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    return out.writeBytes(b, 4) == 4;
}

bool writeBigEndian16(OutputStream &out, uint16_t value)
{
    const uint8_t b[2] = {uint8_t(value >> 8), uint8_t(value)};
    return out.writeBytes(b, 2) == 2;
}

int readChunkBody(SmfChunk &chunk, InputStream &in, uint32_t length)
{
    uint8_t piece[ReadPiece];
    while (chunk.length < length) {
        const uint32_t wanted = std::min(ReadPiece, length - chunk.length);
        const uint32_t got = in.readBytes(piece, wanted);
        if (got == 0)
            return SmfMalformed;
        const uint32_t size = chunk.length + got;
        const int grown =
            chunk.data == nullptr ? allocSmfChunkData(chunk, size) : growSmfChunkData(chunk, size);
        if (grown != SmfOk)
            return grown;
        std::memcpy(chunk.data + chunk.length, piece, got);
        chunk.length = size;
        if (got < wanted)
            return SmfMalformed;
    }
    return SmfOk;
}

// Passes over the body of a chunk we do not read; only what the stream
// really holds is consumed, nothing is kept.
bool skipChunkBody(InputStream &in, uint32_t length)
{
    uint8_t piece[ReadPiece];
    while (length > 0) {
        const uint32_t wanted = std::min(ReadPiece, length);
        if (in.readBytes(piece, wanted) != wanted)
            return false;
        length -= wanted;
    }
    return true;
}

// Reads chunk headers until a track chunk; chunks of any other type are
// skipped, as readers of the format must.
bool findTrackChunk(InputStream &in, uint32_t &length)
{
    for (;;) {
        char id[4];
        if (!readExact(in, id, 4) || !readBigEndian32(in, length))
            return false;
        if (std::memcmp(id, "MTrk", 4) == 0)
            return true;
        if (!skipChunkBody(in, length))
            return false;
    }
}

} // namespace

SmfChunkList::~SmfChunkList()
{
    freeSmfChunks(*this);
}

int readSmfChunks(SmfChunkList &list, InputStream &in)
{
    char id[4];
    uint32_t headerLength = 0;
    if (!readExact(in, id, 4) || std::memcmp(id, "MThd", 4) != 0)
        return SmfMalformed;
    if (!readBigEndian32(in, headerLength) || headerLength != 6)
        return SmfMalformed;
    if (!readBigEndian16(in, list.format) || !readBigEndian16(in, list.trackCount) ||
        !readBigEndian16(in, list.division))
        return SmfMalformed;
    // Only ticks per quarter are understood; SMPTE frames and 0 would make
    // every tick conversion meaningless.
    if (list.format > 2 || list.division == 0 || (list.division & 0x8000) != 0)
        return SmfMalformed;

    for (uint32_t i = 0; i < list.trackCount; ++i) {
        uint32_t length = 0;
        if (!findTrackChunk(in, length))
            return SmfMalformed;
        SmfChunk *chunk = appendSmfChunk(list);
        if (chunk == nullptr)
            return SmfOutOfMemory;
        const int read = readChunkBody(*chunk, in, length);
        if (read != SmfOk)
            return read;
        if (checkSmfTrack(*chunk) != SmfOk)
            return SmfMalformed;
    }
    return SmfOk;
}

int writeSmfChunks(const SmfChunkList &list, OutputStream &out)
{
    for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next)
        if (chunk->failed)
            return SmfOutOfMemory;
    const uint16_t count = static_cast<uint16_t>(countSmfChunks(list));
    bool good = out.writeBytes("MThd", 4) == 4 && writeBigEndian32(out, 6) &&
                writeBigEndian16(out, list.format) && writeBigEndian16(out, count) &&
                writeBigEndian16(out, list.division);
    for (const SmfChunk *chunk = list.first; good && chunk != nullptr; chunk = chunk->next) {
        good = out.writeBytes("MTrk", 4) == 4 && writeBigEndian32(out, chunk->length) &&
               (chunk->length == 0 || out.writeBytes(chunk->data, chunk->length) == chunk->length);
    }
    return good ? SmfOk : SmfWriteFailed;
}

int readSmfFile(SmfChunkList &list, const std::string &path)
{
    File file;
    if (!file.open(path.c_str(), GENERIC_READ, OPEN_EXISTING))
        return SmfMalformed;
    FileStream in(&file);
    return readSmfChunks(list, in);
}

int writeSmfFile(const SmfChunkList &list, const std::string &path)
{
    SafeFileWriter writer(path);
    if (!writer.isOpen())
        return SmfWriteFailed;
    const int written = writeSmfChunks(list, writer);
    if (written != SmfOk)
        return written;
    return writer.commit() ? SmfOk : SmfWriteFailed;
}

int freeSmfChunks(SmfChunkList &list)
{
    SmfChunk *chunk = list.first;
    while (chunk != nullptr) {
        SmfChunk *next = chunk->next;
        std::free(chunk->data);
        delete chunk;
        chunk = next;
    }
    list.first = nullptr;
    return SmfOk;
}

SmfChunk *lastSmfChunk(const SmfChunkList &list)
{
    SmfChunk *chunk = list.first;
    while (chunk != nullptr && chunk->next != nullptr)
        chunk = chunk->next;
    return chunk;
}

int countSmfChunks(const SmfChunkList &list)
{
    int count = 0;
    for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next)
        ++count;
    return count;
}

SmfChunk *findNoteChunk(const SmfChunkList &list)
{
    SmfChunk *found = list.first;
    if (found == nullptr)
        return nullptr;
    for (SmfChunk *chunk = found->next; chunk != nullptr; chunk = chunk->next) {
        uint32_t position = 0;
        uint8_t running = 0;
        SmfMessage message;
        uint32_t delta = 0;
        while (position < chunk->length && readVarLen(*chunk, position, delta) &&
               parseSmfEvent(*chunk, position, message, running) == SmfEvent::Event) {
            const uint16_t kind = message.status & 0xF0;
            if (message.status < 0xF0 && (kind == 0x80 || kind == 0x90)) {
                found = chunk;
                break;
            }
        }
    }
    return found;
}

SmfChunk *appendSmfChunk(SmfChunkList &list)
{
    SmfChunk *chunk = new (std::nothrow) SmfChunk;
    if (chunk == nullptr)
        return nullptr;
    if (SmfChunk *last = lastSmfChunk(list))
        last->next = chunk;
    else
        list.first = chunk;
    return chunk;
}

int allocSmfChunkData(SmfChunk &chunk, uint32_t size)
{
    uint8_t *data = static_cast<uint8_t *>(std::malloc(size == 0 ? 1 : size));
    if (data == nullptr)
        return SmfOutOfMemory;
    std::free(chunk.data);
    chunk.data = data;
    chunk.capacity = size;
    chunk.length = 0;
    return SmfOk;
}

int growSmfChunkData(SmfChunk &chunk, uint32_t size)
{
    if (size <= chunk.capacity)
        return SmfOutOfMemory;
    uint8_t *data = static_cast<uint8_t *>(std::realloc(chunk.data, size));
    if (data == nullptr)
        return SmfOutOfMemory;
    chunk.data = data;
    chunk.capacity = size;
    return SmfOk;
}

} // namespace Quorvane
