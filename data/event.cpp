#include "data/event.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

void KSignIndexToMeta(long index, int &sharps, int &minor)
{
    index = std::clamp(index, 0L, 29L);
    int count;
    if (index < 15) {
        count = static_cast<int>((15 - index) >> 1);
        minor = 1;
    } else {
        count = static_cast<int>((index - 14) >> 1);
        minor = 0;
    }
    sharps = (index & 1) ? count : -count;
}

long KSignMetaToIndex(int sharps, int minor)
{
    sharps = std::clamp(sharps, -7, 7);
    minor = minor ? 1 : 0;
    if (sharps == 0)
        return 15 - minor;
    if (sharps > 0)
        return minor ? 15 - 2 * sharps : 15 + 2 * sharps;
    return minor ? 14 + 2 * sharps : 14 - 2 * sharps;
}

namespace {

uint8_t *copyBytes(const void *bytes, long count)
{
    if (!bytes || count <= 0)
        return nullptr;
    auto *copy = static_cast<uint8_t *>(std::malloc(count));
    if (copy)
        std::memcpy(copy, bytes, count);
    return copy;
}

} // namespace

EVENT::EVENT(const EVENT &other) : STRUCTELEM(other), payload(nullptr)
{
    *this = other;
}

EVENT &EVENT::operator=(const EVENT &other)
{
    if (this == &other)
        return *this;
    Clear();
    CopyFields(other);
    if (other.IsLong()) {
        payload = copyBytes(other.payload, other.length);
        if (!payload)
            length = 0;
    }
    return *this;
}

EVENT::EVENT(EVENT &&other) noexcept : STRUCTELEM(other), payload(nullptr)
{
    Pump(other);
}

EVENT &EVENT::operator=(EVENT &&other) noexcept
{
    if (this != &other) {
        Clear();
        Pump(other);
    }
    return *this;
}

void EVENT::Clear()
{
    if (IsLong()) {
        std::free(payload);
        payload = nullptr;
        length = 0;
    }
}

void EVENT::Spoil()
{
    if (IsLong()) {
        payload = nullptr;
        length = 0;
    }
}

void EVENT::Pump(EVENT &other)
{
    CopyFields(other);
    other.Spoil();
}

void EVENT::CopyFields(const EVENT &other)
{
    time = other.time;
    flags = other.flags;
    status = other.status;
    data1 = other.data1;
    data2 = other.data2;
    length = other.length;
    std::memcpy(&payload, &other.payload, sizeof(payload));
}

long EVENT::GetTypeLong() const
{
    switch (status) {
    case 0x21:
        return LONG_PORT;
    case 0x51:
        return LONG_TEMPO;
    case 0x58:
        return LONG_TSIGN;
    case 0x59:
        return LONG_KSIGN;
    case 0xF0:
    case 0xF7:
        return LONG_SYSEX;
    default:
        return (status >= 1 && status <= 7) ? LONG_TEXT : LONG_META;
    }
}

long EVENT::GetType() const
{
    switch (GetKind()) {
    case EVENT_SHORT:
        return GetTypeShort();
    case EVENT_SPECIAL:
        return GetTypeSpec();
    case EVENT_LONG:
        return GetTypeLong();
    default:
        return -1;
    }
}

namespace {

long controllerWeight(long number)
{
    switch (number) {
    case 101:
        return 13;
    case 100:
        return 14;
    case 99:
        return 15;
    case 98:
        return 16;
    case 6:
        return 17;
    case 38:
        return 18;
    case 0:
        return 19;
    case 32:
        return 20;
    case 120:
        return 7;
    case 121:
        return 8;
    case 123:
        return 9;
    default:
        return 23;
    }
}

} // namespace

long EVENT::GetWeight() const
{
    switch (GetKind()) {
    case EVENT_LONG:
        switch (GetTypeLong()) {
        case LONG_PORT:
            return 0;
        case LONG_TSIGN:
            return 1;
        case LONG_KSIGN:
            return 2;
        case LONG_TEMPO:
            return 3;
        case LONG_TEXT:
            return 5;
        case LONG_SYSEX:
            return status == 0xF0 ? 10 : 11;
        default:
            return 6;
        }
    case EVENT_SHORT:
        switch (status & 0xF0) {
        case 0xF0:
            return 12;
        case 0xB0:
            return controllerWeight(data1);
        case 0xC0:
            return 21;
        case 0xE0:
            return 22;
        case 0x90:
            return data2 == 0 ? 26 : 31;
        case 0xD0:
            return 27;
        case 0xA0:
            return 28;
        default:
            return 34;
        }
    case EVENT_SPECIAL:
        switch (status) {
        case SPEC_CHORD:
            return length ? 24 : 29;
        case SPEC_MELODY:
            return length ? 25 : 30;
        case SPEC_PATTINV:
            return 32;
        case SPEC_PATTERN:
            return 33;
        default:
            return 34;
        }
    default:
        return 34;
    }
}

long EVENT::getTempoMicros() const
{
    if (!IsLong() || !payload || length < 3)
        return kDefaultMicrosPerQuarter;
    const long micros = (payload[0] << 16) | (payload[1] << 8) | payload[2];
    return micros > 0 ? micros : kDefaultMicrosPerQuarter;
}

long EVENT::getKSignVal() const
{
    if (!IsLong() || !payload || length < 2)
        return 15;
    return KSignMetaToIndex(static_cast<int8_t>(payload[0]), payload[1]);
}

int EVENT::getText(char **text) const
{
    if (!text)
        return 0;
    *text = nullptr;
    if (!IsLong() || !payload || length <= 0)
        return 1;
    char *copy = static_cast<char *>(std::malloc(length + 1));
    if (!copy)
        return 0;
    std::memcpy(copy, payload, length);
    copy[length] = '\0';
    *text = copy;
    return 1;
}

void EVENT::setPortVal(long port)
{
    if (IsLong() && payload && length >= 1)
        payload[0] = static_cast<uint8_t>(port);
}

void EVENT::setTSignVal(long numerator, long power)
{
    if (IsLong() && payload && length >= 2) {
        payload[0] = static_cast<uint8_t>(numerator);
        payload[1] = static_cast<uint8_t>(power);
    }
}

int EVENT::setTempoVal(float qpm)
{
    if (!IsLong() || !payload || length < 3 || !(qpm > 0) || !std::isfinite(qpm))
        return 0;
    const double micros = std::clamp(std::floor(6e7 / qpm), 1.0, double(kMaxMicrosPerQuarter));
    const long m = static_cast<long>(micros);
    payload[0] = static_cast<uint8_t>(m >> 16);
    payload[1] = static_cast<uint8_t>(m >> 8);
    payload[2] = static_cast<uint8_t>(m);
    return 1;
}

void EVENT::setKSignVal(long index)
{
    if (!IsLong() || !payload || length < 2)
        return;
    int sharps, minor;
    KSignIndexToMeta(index, sharps, minor);
    payload[0] = static_cast<uint8_t>(static_cast<int8_t>(sharps));
    payload[1] = static_cast<uint8_t>(minor);
}

void EVENT::setShort(uint8_t kindStatus, long channel, long d1, long d2)
{
    Clear();
    flags = static_cast<uint8_t>((flags & ~EVENT_KIND_MASK) | EVENT_SHORT);
    status = static_cast<uint8_t>(kindStatus | (channel & 0x0F));
    data1 = static_cast<uint8_t>(d1);
    data2 = static_cast<uint8_t>(d2);
    payload = nullptr;
    value = 0;
    length = 0;
}

void EVENT::setSpecial(uint8_t type, long v, long second)
{
    Clear();
    flags = static_cast<uint8_t>((flags & ~EVENT_KIND_MASK) | EVENT_SPECIAL);
    status = type;
    data1 = data2 = 0;
    payload = nullptr;
    value = static_cast<int32_t>(v);
    length = static_cast<int32_t>(second);
}

void EVENT::setPattern(CPattern *p, long len)
{
    setSpecial(SPEC_PATTERN, 0, len);
    pattern = p;
}

int EVENT::setLong(long type, const void *bytes, long count)
{
    uint8_t *copy = nullptr;
    if (bytes && count > 0) {
        copy = copyBytes(bytes, count);
        if (!copy)
            return 0;
    }
    Clear();
    flags = static_cast<uint8_t>((flags & ~EVENT_KIND_MASK) | EVENT_LONG);
    status = static_cast<uint8_t>(type);
    data1 = data2 = 0;
    payload = copy;
    length = copy ? static_cast<int32_t>(count) : 0;
    return 1;
}

int EVENT::setText(long type, const char *text)
{
    return setLong(type, text, text ? static_cast<long>(std::strlen(text)) : 0);
}

int EVENT::setPort(long port)
{
    const uint8_t bytes[1] = {static_cast<uint8_t>(port)};
    return setLong(0x21, bytes, 1);
}

int EVENT::setTSign(long numerator, long power)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(numerator), static_cast<uint8_t>(power), 24, 8};
    return setLong(0x58, bytes, 4);
}

int EVENT::setKSign(long index)
{
    int sharps, minor;
    KSignIndexToMeta(index, sharps, minor);
    const uint8_t bytes[2] = {static_cast<uint8_t>(static_cast<int8_t>(sharps)), static_cast<uint8_t>(minor)};
    return setLong(0x59, bytes, 2);
}

int EVENT::setTempo(float qpm)
{
    if (!(qpm > 0) || !std::isfinite(qpm))
        return 0;
    const uint8_t bytes[3] = {0, 0, 0};
    return setLong(0x51, bytes, 3) && setTempoVal(qpm);
}

} // namespace Quorvane
