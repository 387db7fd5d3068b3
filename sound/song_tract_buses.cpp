// The song tract's buses: their number, levels and meters, adding and
// deleting them.
#include "sound/song_tract.h"

namespace Quorvane {

CSBusElem *CSongTract::bus(void *handle) const
{
    for (CSBusElem *b = buses.First(); b; b = static_cast<CSBusElem *>(b->next))
        if (b == handle)
            return b;
    return nullptr;
}

long CSongTract::GetNumBuses()
{
    return buses.GetNumb();
}

void *CSongTract::GetBusByNumb(long number)
{
    return buses.GetBus(number);
}

void *CSongTract::GetNextBus(void *handle)
{
    if (!handle)
        return buses.First();
    CSBusElem *b = bus(handle);
    return b ? b->next : nullptr;
}

long CSongTract::GetBusInfo(void *handle, float &volume, float &pan, long &effects)
{
    CSEffectChain *chain = effectChain(handle);
    if (!chain)
        return 0;
    volume = chain->volume;
    pan = chain->pan;
    effects = chain->GetNumb();
    if (CSBusElem *b = bus(handle))
        return b->GetNumb();
    long onDefault = 0;
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next))
        if (GetOutBus(o) == 0)
            ++onDefault;
    return onDefault;
}

void CSongTract::SetBusInfo(void *handle, float volume, float pan)
{
    if (CSEffectChain *chain = effectChain(handle)) {
        chain->volume = volume;
        chain->pan = pan;
    }
}

void CSongTract::GetBusLevel(void *handle, float &peakLeft, float &peakRight, long &holdLeft, long &holdRight)
{
    if (CSEffectChain *chain = effectChain(handle))
        chain->GetLevel(peakLeft, peakRight, holdLeft, holdRight);
}

int CSongTract::AddNewBus()
{
    CLock lock(syncObject);
    CSBusElem *b = buses.InsertBus();
    if (!b)
        return 0;
    b->monitor = monitor;
    return 1;
}

int CSongTract::DeleteBus(void *handle)
{
    CSBusElem *b = nullptr;
    {
        CLock lock(syncObject);
        b = bus(handle);
        CSBusElem *main = buses.GetBus(0);
        if (!b || b == main || b->number == 0 || !main)
            return 0;
        // Its outputs move to the default bus, each once.
        while (CSSynthConnection *last = static_cast<CSSynthConnection *>(b->GetLast()))
            if (!ReconnectOutAndBus(last->synth, b, main))
                return 0;
        buses.TakeBus(b);
    }
    // Its effects' modules go without the lock.
    delete b;
    return 1;
}

} // namespace Quorvane
