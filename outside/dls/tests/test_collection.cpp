#include "outside/dls/tests/test_collection.h"

#include <cstring>
#include <string>

namespace dls_test {

namespace {

using Bytes = std::vector<uint8_t>;

void put(Bytes &out, const void *data, size_t size)
{
    const size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size);
}
void u16(Bytes &out, uint16_t value)
{
    put(out, &value, 2);
}
void u32(Bytes &out, uint32_t value)
{
    put(out, &value, 4);
}

Bytes chunk(const char *id, const Bytes &data)
{
    Bytes out;
    put(out, id, 4);
    u32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

Bytes list(const char *type, const std::vector<Bytes> &chunks)
{
    Bytes data;
    put(data, type, 4);
    for (const Bytes &c : chunks)
        data.insert(data.end(), c.begin(), c.end());
    return chunk("LIST", data);
}

// "wsmp": unity note, no tuning or attenuation, and a forward loop.
Bytes sample(uint16_t unity, bool looped)
{
    Bytes data;
    u32(data, 20);
    u16(data, unity);
    u16(data, 0);
    u32(data, 0);
    u32(data, 0);
    u32(data, looped ? 1 : 0);
    if (looped) {
        u32(data, 16);
        u32(data, 0);
        u32(data, 8);
        u32(data, 8);
    }
    return chunk("wsmp", data);
}

Bytes region(uint32_t wave, bool ownSample)
{
    Bytes header;
    for (uint16_t value : {0, 127, 0, 127, 0, 0})
        u16(header, value);
    Bytes link;
    u16(link, 0);
    u16(link, 0);
    u32(link, 1);
    u32(link, wave);
    std::vector<Bytes> chunks = {chunk("rgnh", header)};
    if (ownSample)
        chunks.push_back(sample(72, false));
    chunks.push_back(chunk("wlnk", link));
    return list("rgn ", chunks);
}

Bytes instrument(uint32_t program, const char *name, uint32_t wave, bool attack, bool ownSample)
{
    Bytes header;
    u32(header, 1);
    u32(header, 0);
    u32(header, program);
    std::vector<Bytes> chunks = {chunk("insh", header), list("lrgn", {region(wave, ownSample)})};
    if (attack) {
        Bytes art;
        u32(art, 8);
        u32(art, 1);
        u16(art, 0);     // no source
        u16(art, 0);     // no control
        u16(art, 0x206); // volume attack
        u16(art, 0);
        u32(art, uint32_t(kRampAttack));
        chunks.push_back(list("lart", {chunk("art1", art)}));
    }
    Bytes text(name, name + std::strlen(name) + 1);
    chunks.push_back(list("INFO", {chunk("INAM", text)}));
    return list("ins ", chunks);
}

Bytes wave(const std::vector<int16_t> &samples, bool withSample)
{
    Bytes format;
    u16(format, 1); // PCM
    u16(format, 1); // mono
    u32(format, 22050);
    u32(format, 44100);
    u16(format, 2);
    u16(format, 16);
    Bytes data;
    put(data, samples.data(), samples.size() * 2);
    std::vector<Bytes> chunks = {chunk("fmt ", format)};
    if (withSample)
        chunks.push_back(sample(64, true));
    chunks.push_back(chunk("data", data));
    return list("wave", chunks);
}

} // namespace

std::vector<uint8_t> TestCollection(CueBase base)
{
    std::vector<int16_t> ramp, square;
    for (int i = 1; i <= kRampLength; ++i)
        ramp.push_back(int16_t(i * kRampStep));
    for (int i = 0; i < 4; ++i)
        square.push_back(i % 2 ? -kSquare : kSquare);
    const Bytes waves[2] = {wave(ramp, true), wave(square, false)};
    Bytes table;
    u32(table, 8);
    u32(table, 2);
    const uint32_t first = base == CueBase::Contents ? 0 : 12;
    u32(table, first);
    u32(table, first + uint32_t(waves[0].size()));
    Bytes count;
    u32(count, 2);
    Bytes file;
    put(file, "DLS ", 4);
    for (const Bytes &c : {chunk("colh", count),
                           list("lins", {instrument(0, "Test Ramp", 0, true, false),
                                         instrument(1, "Test Square", 1, false, true)}),
                           chunk("ptbl", table), list("wvpl", {waves[0], waves[1]})})
        file.insert(file.end(), c.begin(), c.end());
    return chunk("RIFF", file);
}

} // namespace dls_test
