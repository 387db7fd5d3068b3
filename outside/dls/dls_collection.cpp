#include "outside/dls/dls_collection.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t fourCc(const char (&id)[5])
{
    return uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 | uint32_t(uint8_t(id[2])) << 16 |
           uint32_t(uint8_t(id[3])) << 24;
}

// One chunk of a RIFF file: its id, and for a list its type and contents.
struct Chunk {
    uint32_t id = 0;
    uint32_t type = 0; // of a "LIST" or "RIFF"
    const uint8_t *data = nullptr;
    size_t size = 0;
};

// The chunks between begin and end in order (no more than most); false
// when one runs past end.
bool chunksOf(const uint8_t *begin, const uint8_t *end, std::vector<Chunk> &chunks, size_t most = SIZE_MAX)
{
    const uint8_t *at = begin;
    while (end - at >= 8 && chunks.size() < most) {
        Chunk chunk;
        std::memcpy(&chunk.id, at, 4);
        uint32_t size;
        std::memcpy(&size, at + 4, 4);
        at += 8;
        if (size > size_t(end - at))
            return false;
        chunk.data = at;
        chunk.size = size;
        if (chunk.id == fourCc("LIST") || chunk.id == fourCc("RIFF")) {
            if (size < 4)
                return false;
            std::memcpy(&chunk.type, at, 4);
            chunk.data += 4;
            chunk.size -= 4;
        }
        chunks.push_back(chunk);
        at += size + (size & 1);
    }
    return true;
}

template <typename T> bool readAs(const Chunk &chunk, T &value, size_t offset = 0)
{
    if (chunk.size < offset + sizeof value)
        return false;
    std::memcpy(&value, chunk.data + offset, sizeof value);
    return true;
}

bool isList(const Chunk &chunk, const char (&type)[5])
{
    return chunk.id == fourCc("LIST") && chunk.type == fourCc(type);
}

// A "wsmp" chunk: the sample's set-up and its first loop.
bool readSample(const Chunk &chunk, WSMPL &sample, bool &hasLoop, WLOOP &loop)
{
    if (!readAs(chunk, sample) || sample.cbSize < sizeof sample || sample.cbSize > chunk.size)
        return false;
    hasLoop = sample.cSampleLoops > 0 && readAs(chunk, loop, sample.cbSize);
    return true;
}

// The connections of a "lart" list's "art1" chunks.
bool readArticulation(const Chunk &list, std::vector<CONNECTION> &connections)
{
    std::vector<Chunk> chunks;
    if (!chunksOf(list.data, list.data + list.size, chunks))
        return false;
    for (const Chunk &chunk : chunks) {
        if (chunk.id != fourCc("art1"))
            continue;
        CONNECTIONLIST header;
        if (!readAs(chunk, header) || header.cbSize < sizeof header || header.cbSize > chunk.size ||
            header.cConnections > (chunk.size - header.cbSize) / sizeof(CONNECTION))
            return false;
        for (ULONG i = 0; i < header.cConnections; ++i) {
            CONNECTION connection;
            readAs(chunk, connection, header.cbSize + i * sizeof connection);
            connections.push_back(connection);
        }
    }
    return true;
}

bool readRegion(const Chunk &list, DlsRegion &region)
{
    std::vector<Chunk> chunks;
    if (!chunksOf(list.data, list.data + list.size, chunks))
        return false;
    bool header = false, link = false;
    for (const Chunk &chunk : chunks) {
        if (chunk.id == fourCc("rgnh"))
            header = readAs(chunk, region.header);
        else if (chunk.id == fourCc("wlnk"))
            link = readAs(chunk, region.link);
        else if (chunk.id == fourCc("wsmp"))
            region.hasSample = readSample(chunk, region.sample, region.hasLoop, region.loop);
        else if (isList(chunk, "lart"))
            region.hasArticulation = readArticulation(chunk, region.connections);
    }
    return header && link;
}

bool readInstrument(const Chunk &list, DlsInstrument &instrument)
{
    std::vector<Chunk> chunks;
    if (!chunksOf(list.data, list.data + list.size, chunks))
        return false;
    INSTHEADER header;
    bool headed = false;
    for (const Chunk &chunk : chunks) {
        if (chunk.id == fourCc("insh")) {
            headed = readAs(chunk, header);
        } else if (isList(chunk, "lrgn")) {
            std::vector<Chunk> regions;
            if (!chunksOf(chunk.data, chunk.data + chunk.size, regions))
                return false;
            for (const Chunk &region : regions) {
                if (!isList(region, "rgn "))
                    continue;
                instrument.regions.emplace_back();
                if (!readRegion(region, instrument.regions.back()))
                    return false;
            }
        } else if (isList(chunk, "lart")) {
            instrument.hasArticulation = readArticulation(chunk, instrument.connections);
        } else if (isList(chunk, "INFO")) {
            std::vector<Chunk> info;
            if (chunksOf(chunk.data, chunk.data + chunk.size, info))
                for (const Chunk &item : info)
                    if (item.id == fourCc("INAM"))
                        instrument.name.assign(reinterpret_cast<const char *>(item.data),
                                               strnlen(reinterpret_cast<const char *>(item.data), item.size));
        }
    }
    if (!headed)
        return false;
    instrument.locale = header.Locale;
    return true;
}

bool readWave(const uint8_t *begin, const uint8_t *end, DlsWave &wave)
{
    std::vector<Chunk> outer;
    if (!chunksOf(begin, end, outer, 1) || outer.empty() || !isList(outer[0], "wave"))
        return false;
    std::vector<Chunk> chunks;
    if (!chunksOf(outer[0].data, outer[0].data + outer[0].size, chunks))
        return false;
    bool format = false, data = false;
    for (const Chunk &chunk : chunks) {
        if (chunk.id == fourCc("fmt ")) {
            // A PCM format without its size field.
            format = chunk.size >= 16;
            std::memcpy(&wave.format, chunk.data, format ? 16 : 0);
            wave.format.cbSize = 0;
        } else if (chunk.id == fourCc("data")) {
            data = true;
            wave.data.assign(chunk.data, chunk.data + chunk.size);
        } else if (chunk.id == fourCc("wsmp")) {
            wave.hasSample = readSample(chunk, wave.sample, wave.hasLoop, wave.loop);
        }
    }
    return format && data && wave.format.nBlockAlign;
}

} // namespace

bool ReadDlsCollection(const uint8_t *bytes, size_t size, DlsCollection &collection)
{
    collection = {};
    std::vector<Chunk> file;
    if (!bytes || !chunksOf(bytes, bytes + size, file) || file.empty() || file[0].id != fourCc("RIFF") ||
        file[0].type != fourCc("DLS "))
        return false;
    std::vector<Chunk> chunks;
    if (!chunksOf(file[0].data, file[0].data + file[0].size, chunks))
        return false;
    const Chunk *pool = nullptr;
    const Chunk *cues = nullptr;
    for (const Chunk &chunk : chunks) {
        if (isList(chunk, "lins")) {
            std::vector<Chunk> instruments;
            if (!chunksOf(chunk.data, chunk.data + chunk.size, instruments))
                return false;
            for (const Chunk &instrument : instruments) {
                if (!isList(instrument, "ins "))
                    continue;
                collection.instruments.emplace_back();
                if (!readInstrument(instrument, collection.instruments.back()))
                    return false;
            }
        } else if (isList(chunk, "wvpl")) {
            pool = &chunk;
        } else if (chunk.id == fourCc("ptbl")) {
            cues = &chunk;
        }
    }
    POOLTABLE table;
    if (!pool || !cues || !readAs(*cues, table) || table.cbSize < sizeof table || table.cbSize > cues->size ||
        table.cCues > (cues->size - table.cbSize) / sizeof(POOLCUE))
        return false;
    // Each cue is the offset of its wave in the pool: counted from the
    // pool's contents, or by some writers from its list type or its list
    // header; the wave's list header tells which.
    const uint8_t *poolEnd = pool->data + pool->size;
    for (ULONG i = 0; i < table.cCues; ++i) {
        POOLCUE cue = {};
        readAs(*cues, cue, table.cbSize + i * sizeof cue);
        collection.waves.emplace_back();
        bool found = false;
        for (const size_t back : {0, 4, 12}) {
            const uint8_t *at = pool->data - back + cue.ulOffset;
            if (cue.ulOffset >= back && at + 12 <= poolEnd && std::memcmp(at, "LIST", 4) == 0 &&
                std::memcmp(at + 8, "wave", 4) == 0) {
                found = readWave(at, poolEnd, collection.waves.back());
                break;
            }
        }
        if (!found)
            return false;
    }
    for (const DlsInstrument &instrument : collection.instruments)
        for (const DlsRegion &region : instrument.regions)
            if (region.link.ulTableIndex >= collection.waves.size())
                return false;
    return true;
}

std::string DefaultCollectionPath()
{
    char stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectMusic", "GMFilePath",
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, stored,
                     &size) != ERROR_SUCCESS)
        return {};
    char expanded[MAX_PATH] = {};
    const DWORD length = ExpandEnvironmentStringsA(stored, expanded, sizeof expanded);
    return length && length <= sizeof expanded ? expanded : std::string();
}
