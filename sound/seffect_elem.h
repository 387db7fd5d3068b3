// Audio effects: each a loaded effect module, in a chain that also carries
// the level, pan and meters of what it processes (a bus's or the master's).
#pragma once

#include "data/chain.h"
#include "sound/audio_effect.h"
#include "sound/sound_module.h"

namespace Quorvane {

struct IOPARAMS;

// Effect kinds.
enum : long { EFFECT_BY_NAME = 0, EFFECT_VST = 1, EFFECT_DX = 2 };

class CSEffectElem : public CChainElem {
public:
    // Loads the module; with an interface the effect gets the rate and
    // block size.
    CSEffectElem(long effectKind, const char *moduleName, const IOPARAMS *ioParams);
    ~CSEffectElem() override;
    long Compare(CChainElem *) override { return 0; }

    IQuorvaneAudioEffect *Effect() const { return static_cast<IQuorvaneAudioEffect *>(module.iface); }

    SOUNDMODULE module;
    long kind;
    int enabled = 1;
    IZQAEExTembri *hostExtension = nullptr;
};

class CSEffectChain : public CChain {
public:
    explicit CSEffectChain(const IOPARAMS *ioParams) : params(ioParams) {}

    // A new effect, in no chain (its module loaded); null when the module
    // gave no interface.
    CSEffectElem *MakeSEffect(long kind, const char *moduleName) const;
    // Takes the effect out of the chain for the caller to destroy.
    CSEffectElem *TakeSEffect(CSEffectElem *effect)
    {
        Unlink(effect);
        return effect;
    }
    // Runs the enabled effects, then applies level and pan and, when
    // monitoring, measures the peaks; nonzero when the buffer holds sound.
    // A silent buffer is cleared first when an effect will process it, so
    // no effect ever sees audio of an earlier buffer.
    int EffectAccum(float *buffer, long frames, int hasSound, int monitor);
    // Stop, the changed values, resume, on every effect.
    void UpdateIOParams(int framesChanged, int rateChanged);
    // Stop and resume every effect.
    void Restart();
    void ResetMonitor();
    void GetLevel(float &left, float &right, long &holdLeft, long &holdRight) const;
    int HasEnabledEffect() const;

    CSEffectElem *First() const { return static_cast<CSEffectElem *>(first); }

    const IOPARAMS *params;
    float volume = 1.0f;
    // 0.0 .. 2.0, 1.0 the centre.
    float pan = 1.0f;
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
    long holdLeft = 0;
    long holdRight = 0;
};

} // namespace Quorvane
