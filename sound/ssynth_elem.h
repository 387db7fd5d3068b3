// The outputs of a song tract: each a loaded soft synth with its queue of
// timed messages, kept sorted by kind and instance number in the tract's
// chain of outputs.
#pragma once

#include "data/chain.h"
#include "data/evnt_trans.h"
#include "sound/sound_module.h"
#include "sound/ssynth_enum.h"

#include <cstdint>

namespace Quorvane {

struct IOPARAMS;

// Output kinds.
enum : long {
    OUT_PREVIEW = 0,
    OUT_CHORDS = 1,
    OUT_AUDIO = 2,
    OUT_BY_NAME = 3,
    OUT_VSTI = 4,
    OUT_DXI = 5,
    OUT_DLS = 6,
    OUT_MIDI = 7,
};

// Instance numbers of outputs not yet numbered.
constexpr long kUnnumbered = 0x7fffffff;

// Its own queue (the CEvntTransChain base) holds messages at absolute frame
// positions of the engine.
class CSSynthElem : public CChainElem, public CEvntTransChain {
public:
    // Loads the module; with an interface the synth gets the rate and block
    // size and the names are cached.
    CSSynthElem(long outputKind, const char *moduleName, const IOPARAMS *ioParams);
    ~CSSynthElem() override;

    // By kind, then instance number.
    long Compare(CChainElem *other) override;

    // Sends the queued messages that fall inside the block starting at
    // frame blockStart, then renders adding or replacing; nonzero when the
    // synth made sound.
    int FillAccum(float *buffer, long frames, int add, int64_t blockStart);
    // Empties the queue while nothing renders, first sending its note-offs
    // at once: a voice already sounding would otherwise wait for a frame
    // position that an engine started again from 0 reaches only as late.
    void DropQueue();
    // Stop, the changed values, resume.
    void UpdateIOParams(int framesChanged, int rateChanged);
    void RefreshNames() { names.Init(enumInterface); }

    IQuorvaneSoftSynth *Synth() const { return static_cast<IQuorvaneSoftSynth *>(module.iface); }
    const char *ModuleName() const { return module.name; }

    const IOPARAMS *params;
    SOUNDMODULE module;
    long kind;
    long instance = kUnnumbered;
    IZQSSExEnum *enumInterface = nullptr;
    IZQSSExTembri *hostExtension = nullptr;
    CSSynthEnum names;
};

class CSSynthChain : public CChain {
public:
    explicit CSSynthChain(const IOPARAMS *ioParams) : params(ioParams) {}

    // A new output, not yet in the chain (its module loaded); null when the
    // module gave no interface.
    CSSynthElem *MakeSSynth(long kind, const char *moduleName) const;
    // A made output in its place, every output numbered again.
    void InsertMade(CSSynthElem *output);
    // A new output in its place, numbered; null (and nothing left) when its
    // module gave no interface.
    CSSynthElem *InsertSSynth(long kind, const char *moduleName);
    void DeleteSSynth(CSSynthElem *output);
    // Takes the output out of the chain (the rest numbered again) for the
    // caller to destroy.
    CSSynthElem *TakeSSynth(CSSynthElem *output);
    // Each output's instance number: one more than the last earlier output
    // of the same module name (without case), else 0.
    void ReNumbering();

    CSSynthElem *First() const { return static_cast<CSSynthElem *>(first); }

    const IOPARAMS *params;
};

// One output feeding a bus.
class CSSynthConnection : public CChainElem {
public:
    explicit CSSynthConnection(CSSynthElem *output) : synth(output) {}
    long Compare(CChainElem *) override { return 0; }

    CSSynthElem *synth;
};

} // namespace Quorvane
