// The buses of a song tract: each mixes the outputs connected to it into
// its own buffer and runs its effect chain, which carries its level and
// pan. An output feeds at most one bus, so it is rendered once per buffer.
#pragma once

#include "data/chain.h"
#include "sound/seffect_elem.h"
#include "sound/ssynth_elem.h"

#include <cstdint>

namespace Quorvane {

class CSBusElem : public CChainElem, public CChain {
public:
    explicit CSBusElem(const IOPARAMS *ioParams) : params(ioParams), effects(ioParams) {}
    ~CSBusElem() override;
    long Compare(CChainElem *) override { return 0; }

    // The mix buffer for the frames per buffer, cleared; 0 when memory ran out.
    int AllocBuffer();
    // Mixes the connected outputs, then the effects; nonzero with sound.
    int FillAccum(long frames, int64_t blockStart);

    CSSynthConnection *FindConnection(const CSSynthElem *output) const;
    int Connect(CSSynthElem *output);
    int Disconnect(CSSynthElem *output);
    CSSynthConnection *FirstConnection() const { return static_cast<CSSynthConnection *>(first); }

    const IOPARAMS *params;
    long number = kUnnumbered;
    CSEffectChain effects;
    int monitor = 0;
    int hadSound = 0;
    float *buffer = nullptr;
    long bufferFrames = 0;
};

class CSBusChain : public CChain {
public:
    explicit CSBusChain(const IOPARAMS *ioParams) : params(ioParams) {}

    // A new bus at the end with its buffer, all buses renumbered; null when
    // memory ran out.
    CSBusElem *InsertBus();
    // Takes the bus out of the chain for the caller to destroy; the others
    // keep their numbers.
    CSBusElem *TakeBus(CSBusElem *bus)
    {
        Unlink(bus);
        return bus;
    }
    // Buses numbered 0, 1, 2 ... in chain order; bus 0 is the default bus.
    void ReNumbering();
    CSBusElem *GetBus(long number) const;
    // Position in chain order, -1 when absent.
    long Position(const CSBusElem *bus) const;
    // The first bus the output feeds, or null.
    CSBusElem *BusOf(const CSSynthElem *output) const;
    // Takes the output off every bus.
    void DisconnectEverywhere(const CSSynthElem *output);

    CSBusElem *First() const { return static_cast<CSBusElem *>(first); }

    const IOPARAMS *params;
};

} // namespace Quorvane
