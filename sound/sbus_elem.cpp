#include "sound/sbus_elem.h"

#include "data/io_params.h"

#include <malloc.h>

#include <cstring>
#include <new>

namespace Quorvane {

CSBusElem::~CSBusElem()
{
    _aligned_free(buffer);
}

int CSBusElem::AllocBuffer()
{
    _aligned_free(buffer);
    bufferFrames = 0;
    const size_t bytes =
        sizeof(float) * 2 * static_cast<size_t>(params->bufferFrames > 0 ? params->bufferFrames : 0);
    buffer = static_cast<float *>(_aligned_malloc(bytes ? bytes : 16, 16));
    if (!buffer)
        return 0;
    std::memset(buffer, 0, bytes);
    bufferFrames = params->bufferFrames > 0 ? params->bufferFrames : 0;
    return 1;
}

int CSBusElem::FillAccum(long frames, int64_t blockStart)
{
    int sound = 0;
    for (CSSynthConnection *c = FirstConnection(); c; c = static_cast<CSSynthConnection *>(c->next))
        sound |= c->synth->FillAccum(buffer, frames, sound, blockStart);
    // The default bus is metered as the master.
    sound = effects.EffectAccum(buffer, frames, sound, number != 0 && monitor);
    hadSound = sound;
    return sound;
}

CSSynthConnection *CSBusElem::FindConnection(const CSSynthElem *output) const
{
    for (CSSynthConnection *c = FirstConnection(); c; c = static_cast<CSSynthConnection *>(c->next))
        if (c->synth == output)
            return c;
    return nullptr;
}

int CSBusElem::Connect(CSSynthElem *output)
{
    if (FindConnection(output))
        return 1;
    auto *connection = new (std::nothrow) CSSynthConnection(output);
    if (!connection)
        return 0;
    InsertAfter(connection, nullptr);
    return 1;
}

int CSBusElem::Disconnect(CSSynthElem *output)
{
    CSSynthConnection *connection = FindConnection(output);
    if (!connection)
        return 0;
    Delete(connection);
    return 1;
}

CSBusElem *CSBusChain::InsertBus()
{
    auto *bus = new (std::nothrow) CSBusElem(params);
    if (!bus)
        return nullptr;
    if (!bus->AllocBuffer()) {
        delete bus;
        return nullptr;
    }
    InsertAfter(bus, nullptr);
    ReNumbering();
    return bus;
}

void CSBusChain::ReNumbering()
{
    long number = 0;
    for (CSBusElem *bus = First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        bus->number = number++;
}

CSBusElem *CSBusChain::GetBus(long number) const
{
    for (CSBusElem *bus = First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        if (bus->number == number)
            return bus;
    return nullptr;
}

long CSBusChain::Position(const CSBusElem *wanted) const
{
    long position = 0;
    for (CSBusElem *bus = First(); bus; bus = static_cast<CSBusElem *>(bus->next), ++position)
        if (bus == wanted)
            return position;
    return -1;
}

CSBusElem *CSBusChain::BusOf(const CSSynthElem *output) const
{
    for (CSBusElem *bus = First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        if (bus->FindConnection(output))
            return bus;
    return nullptr;
}

void CSBusChain::DisconnectEverywhere(const CSSynthElem *output)
{
    for (CSBusElem *bus = First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        bus->Disconnect(const_cast<CSSynthElem *>(output));
}

} // namespace Quorvane
