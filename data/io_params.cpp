#include "data/io_params.h"

#include "data/strings.h"

#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

void *copyBlock(const void *bytes, long size)
{
    if (!bytes || size <= 0)
        return nullptr;
    void *copy = std::malloc(size);
    if (copy)
        std::memcpy(copy, bytes, size);
    return copy;
}

bool sameBytes(const void *a, long aSize, const void *b, long bSize)
{
    if (aSize != bSize)
        return false;
    if (aSize <= 0)
        return true;
    return a && b && std::memcmp(a, b, aSize) == 0;
}

} // namespace

PORTDESCR::PORTDESCR(const PORTDESCR &other)
{
    *this = other;
}

PORTDESCR &PORTDESCR::operator=(const PORTDESCR &other)
{
    if (this == &other)
        return *this;
    Clear(0);
    name = CreateString(other.name);
    kind = other.kind;
    data = copyBlock(other.data, other.dataSize);
    dataSize = data ? other.dataSize : 0;
    params = copyBlock(other.params, other.paramsSize);
    paramsSize = params ? other.paramsSize : 0;
    return *this;
}

int PORTDESCR::SetName(const char *text)
{
    std::free(name);
    name = CreateString(text);
    return name != nullptr;
}

int PORTDESCR::SetData(const char *text)
{
    std::free(data);
    data = CreateString(text);
    dataSize = data ? static_cast<long>(std::strlen(static_cast<char *>(data))) + 1 : 0;
    return data != nullptr || LengthString(text) == 0;
}

int PORTDESCR::SetData(const GUID *guid)
{
    std::free(data);
    data = copyBlock(guid, sizeof(GUID));
    dataSize = data ? sizeof(GUID) : 0;
    return data != nullptr;
}

int PORTDESCR::SetParams(const void *bytes, long size)
{
    std::free(params);
    params = copyBlock(bytes, size);
    paramsSize = params ? size : 0;
    return params != nullptr || !bytes || size <= 0;
}

void PORTDESCR::Clear(int keep)
{
    if (!keep) {
        std::free(name);
        std::free(data);
        std::free(params);
    }
    name = nullptr;
    kind = PORT_NONE;
    data = params = nullptr;
    dataSize = paramsSize = 0;
}

int PORTDESCR::IsEqual(const PORTDESCR &other) const
{
    return kind == other.kind && sameBytes(data, dataSize, other.data, other.dataSize);
}

int PORTDESCR::IsEqualParams(const PORTDESCR &other) const
{
    return IsEqual(other) && sameBytes(params, paramsSize, other.params, other.paramsSize);
}

void PORTDESCR::Pump(PORTDESCR &other)
{
    if (this == &other)
        return;
    Clear(0);
    name = other.name;
    kind = other.kind;
    data = other.data;
    dataSize = other.dataSize;
    params = other.params;
    paramsSize = other.paramsSize;
    other.Clear(1);
}

IOPARAMS::IOPARAMS(const IOPARAMS &other)
{
    Clear(1);
    *this = other;
}

IOPARAMS &IOPARAMS::operator=(const IOPARAMS &other)
{
    if (this == &other)
        return *this;
    Clear(0);
    CopyNumbers(other);
    port1 = other.port1;
    port2 = other.port2;
    for (int i = 0; i < IOSTR_COUNT; ++i)
        strings[i] = CreateString(other.strings[i]);
    return *this;
}

void IOPARAMS::Clear(int keep)
{
    port1.Clear(keep);
    port2.Clear(keep);
    timeBase = kDefaultTimeBase;
    sampleRate = kDefaultSampleRate;
    bitsPerSample = kDefaultBitsPerSample;
    bufferFrames = kDefaultBufferFrames;
    asp = 0;
    aspPort = 0;
    for (char *&s : strings) {
        if (!keep)
            std::free(s);
        s = nullptr;
    }
}

void IOPARAMS::Pump(IOPARAMS &other)
{
    if (this == &other)
        return;
    Clear(0);
    CopyNumbers(other);
    port1.Pump(other.port1);
    port2.Pump(other.port2);
    for (int i = 0; i < IOSTR_COUNT; ++i)
        strings[i] = other.strings[i];
    other.Clear(1);
}

void IOPARAMS::CopyNumbers(const IOPARAMS &other)
{
    timeBase = other.timeBase;
    sampleRate = other.sampleRate;
    bitsPerSample = other.bitsPerSample;
    bufferFrames = other.bufferFrames;
    asp = other.asp;
    aspPort = other.aspPort;
}

int IOPARAMS::SetString(int which, const char *text)
{
    if (which < 0 || which >= IOSTR_COUNT)
        return 0;
    std::free(strings[which]);
    strings[which] = CreateString(text);
    return strings[which] != nullptr || LengthString(text) == 0;
}

} // namespace Quorvane
