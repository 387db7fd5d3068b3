#include "plugin/framework/midi/smf_codec.h"

namespace Quorvane {

namespace {

constexpr uint32_t GrowStep = 1000;
constexpr uint32_t MaxVarLen = 0x0FFFFFFF;

bool isChannelStatus(uint8_t status)
{
    return status >= 0x80 && status < 0xF0;
}

// A length-prefixed body (meta or SysEx) at p: its data must lie inside.
bool readBody(const uint8_t *bytes, uint32_t length, uint32_t &p, const uint8_t *&body, uint32_t &bodyLength)
{
    uint32_t q = p;
    if (!readVarLen(bytes, length, q, bodyLength) || bodyLength > length - q)
        return false;
    body = bytes + q;
    p = q + bodyLength;
    return true;
}

} // namespace

bool readVarLen(const uint8_t *bytes, uint32_t length, uint32_t &position, uint32_t &value)
{
    uint32_t p = position;
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= length)
            return false;
        const uint8_t byte = bytes[p++];
        result = (result << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            value = result;
            position = p;
            return true;
        }
    }
    return false;
}

bool readVarLen(const SmfChunk &chunk, uint32_t &position, uint32_t &value)
{
    return readVarLen(chunk.data, chunk.length, position, value);
}

SmfEvent parseSmfEvent(const uint8_t *bytes, uint32_t length, uint32_t &position, SmfMessage &message,
                       uint8_t &runningStatus, const uint8_t **data, uint32_t *dataLength)
{
    uint32_t p = position;
    if (p >= length)
        return SmfEvent::Malformed;
    uint8_t status = bytes[p];
    if (status < 0x80) {
        // A data byte continues the last channel message; without one the
        // track is damaged.
        if (!isChannelStatus(runningStatus))
            return SmfEvent::Malformed;
        status = runningStatus;
    } else {
        ++p;
    }

    SmfMessage parsed{status, 0, 0};
    const uint8_t *body = nullptr;
    uint32_t bodyLength = 0;
    SmfEvent result = SmfEvent::Event;
    uint8_t nextRunning = runningStatus;

    if (isChannelStatus(status)) {
        const uint8_t kind = status & 0xF0;
        const uint32_t count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (length - p < count)
            return SmfEvent::Malformed;
        parsed.data1 = bytes[p];
        parsed.data2 = count == 2 ? bytes[p + 1] : 0;
        if (parsed.data1 >= 0x80 || parsed.data2 >= 0x80)
            return SmfEvent::Malformed;
        p += count;
        if (kind == 0x90 && parsed.data2 == 0)
            parsed.status = static_cast<uint16_t>(0x80 | (status & 0x0F));
        nextRunning = status;
    } else if (status == 0xFF) {
        if (p >= length)
            return SmfEvent::Malformed;
        parsed.data1 = bytes[p++];
        if (!readBody(bytes, length, p, body, bodyLength))
            return SmfEvent::Malformed;
        if (parsed.data1 == 0x2F)
            result = SmfEvent::EndOfTrack;
    } else if (status == 0xF0 || status == 0xF7) {
        // A SysEx message, or a SysEx continuation or escape.
        if (!readBody(bytes, length, p, body, bodyLength))
            return SmfEvent::Malformed;
        nextRunning = 0;
    } else {
        nextRunning = 0;
    }

    message = parsed;
    runningStatus = nextRunning;
    position = p;
    if (data != nullptr)
        *data = body;
    if (dataLength != nullptr)
        *dataLength = bodyLength;
    return result;
}

SmfEvent parseSmfEvent(const SmfChunk &chunk, uint32_t &position, SmfMessage &message, uint8_t &runningStatus,
                       const uint8_t **data, uint32_t *dataLength)
{
    return parseSmfEvent(chunk.data, chunk.length, position, message, runningStatus, data, dataLength);
}

int checkSmfTrack(const SmfChunk &chunk)
{
    uint32_t position = 0;
    uint8_t running = 0;
    SmfMessage message;
    uint32_t delta = 0;
    while (readVarLen(chunk, position, delta)) {
        switch (parseSmfEvent(chunk, position, message, running)) {
        case SmfEvent::Event:
            break;
        case SmfEvent::EndOfTrack:
            return SmfOk;
        case SmfEvent::Malformed:
            return SmfMalformed;
        }
    }
    return SmfMalformed;
}

bool findSmfTempo(const SmfChunk &chunk, uint32_t &position, uint32_t &tempo, uint32_t &time,
                  uint8_t &runningStatus)
{
    SmfMessage message;
    const uint8_t *data = nullptr;
    uint32_t dataLength = 0;
    uint32_t delta = 0;
    while (position < chunk.length && readVarLen(chunk, position, delta)) {
        time += delta;
        if (parseSmfEvent(chunk, position, message, runningStatus, &data, &dataLength) != SmfEvent::Event)
            return false;
        if (message.status == 0xFF && message.data1 == 0x51 && dataLength >= 3) {
            tempo = (uint32_t(data[0]) << 16) | (uint32_t(data[1]) << 8) | data[2];
            return true;
        }
    }
    return false;
}

bool findSmfTimeSignature(const SmfChunk &chunk, int &numerator, int &denominatorPower)
{
    uint32_t position = 0;
    uint8_t running = 0;
    SmfMessage message;
    const uint8_t *data = nullptr;
    uint32_t dataLength = 0;
    uint32_t delta = 0;
    while (position < chunk.length && readVarLen(chunk, position, delta)) {
        if (parseSmfEvent(chunk, position, message, running, &data, &dataLength) != SmfEvent::Event)
            return false;
        if (message.status == 0xFF && message.data1 == 0x58 && dataLength >= 2) {
            numerator = data[0];
            denominatorPower = data[1];
            return true;
        }
    }
    return false;
}

bool appendSmfByte(SmfChunk &chunk, uint8_t byte)
{
    if (chunk.failed)
        return false;
    if (chunk.length >= chunk.capacity) {
        const bool grown =
            chunk.capacity <= UINT32_MAX - GrowStep &&
            (chunk.data == nullptr ? allocSmfChunkData(chunk, chunk.capacity + GrowStep)
                                   : growSmfChunkData(chunk, chunk.capacity + GrowStep)) == SmfOk;
        if (!grown) {
            chunk.failed = true;
            return false;
        }
    }
    chunk.data[chunk.length++] = byte;
    return true;
}

bool writeVarLen(SmfChunk &chunk, uint32_t value)
{
    if (value > MaxVarLen) {
        chunk.failed = true;
        return false;
    }
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    bool good = true;
    while (count > 1)
        good = appendSmfByte(chunk, groups[--count] | 0x80) && good;
    return appendSmfByte(chunk, groups[0]) && good;
}

bool writeSmfMessage(SmfChunk &chunk, const SmfMessage &message)
{
    const uint8_t kind = message.status & 0xF0;
    bool good = appendSmfByte(chunk, static_cast<uint8_t>(message.status));
    good = appendSmfByte(chunk, static_cast<uint8_t>(message.data1)) && good;
    if (kind != 0xC0 && kind != 0xD0)
        good = appendSmfByte(chunk, static_cast<uint8_t>(message.data2)) && good;
    return good;
}

bool writeSmfEvent(SmfChunk &chunk, uint32_t delta, const SmfMessage &message)
{
    const bool good = writeVarLen(chunk, delta);
    return writeSmfMessage(chunk, message) && good;
}

bool writeSmfMetaHead(SmfChunk &chunk, uint32_t delta, uint8_t type)
{
    bool good = writeVarLen(chunk, delta);
    good = appendSmfByte(chunk, 0xFF) && good;
    return appendSmfByte(chunk, type) && good;
}

bool writeSmfMeta(SmfChunk &chunk, uint32_t delta, uint8_t type, uint32_t length, const uint8_t *bytes)
{
    bool good = writeSmfMetaHead(chunk, delta, type);
    good = writeVarLen(chunk, length) && good;
    for (uint32_t i = 0; i < length; ++i)
        good = appendSmfByte(chunk, bytes[i]) && good;
    return good;
}

bool writeSmfEndOfTrack(SmfChunk &chunk, uint32_t delta)
{
    return writeSmfMeta(chunk, delta, 0x2F, 0, nullptr);
}

} // namespace Quorvane
