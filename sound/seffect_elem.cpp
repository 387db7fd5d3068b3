#include "sound/seffect_elem.h"

#include "data/io_params.h"
#include "data/levels.h"
#include "sound/module_keys.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Quorvane {

namespace {

// Passes a clip indicator holds after a peak of full scale.
constexpr long kClipHold = 16;

void countDown(long &hold)
{
    hold = std::max(0L, hold - 1);
}

void holdPeak(float peak, long &hold)
{
    if (peak >= 1.0f)
        hold = kClipHold;
    else
        countDown(hold);
}

} // namespace

CSEffectElem::CSEffectElem(long effectKind, const char *moduleName, const IOPARAMS *ioParams)
    : kind(effectKind)
{
    auto *effect =
        static_cast<IQuorvaneAudioEffect *>(module.Load(moduleName, kAudioEffectKey, "CreateAudioEffect"));
    if (!effect)
        return;
    effect->SetSampleRate(static_cast<float>(ioParams->sampleRate));
    effect->SetBlockSize(ioParams->bufferFrames);
    hostExtension = static_cast<IZQAEExTembri *>(effect->GetSubInterface(SSEX_TEMBRI));
}

CSEffectElem::~CSEffectElem()
{
    hostExtension = nullptr;
    if (IQuorvaneAudioEffect *effect = Effect())
        effect->Destroy();
    module.Unload();
}

CSEffectElem *CSEffectChain::MakeSEffect(long kind, const char *moduleName) const
{
    auto *effect = new (std::nothrow) CSEffectElem(kind, moduleName, params);
    if (effect && !effect->Effect()) {
        delete effect;
        return nullptr;
    }
    return effect;
}

int CSEffectChain::HasEnabledEffect() const
{
    for (CSEffectElem *e = First(); e; e = static_cast<CSEffectElem *>(e->next))
        if (e->enabled)
            return 1;
    return 0;
}

int CSEffectChain::EffectAccum(float *buffer, long frames, int hasSound, int monitor)
{
    if (!hasSound && HasEnabledEffect())
        std::memset(buffer, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    float *target[1] = {buffer};
    for (CSEffectElem *e = First(); e; e = static_cast<CSEffectElem *>(e->next)) {
        if (!e->enabled)
            continue;
        if (hasSound)
            e->Effect()->Process(target, static_cast<int>(frames));
        else
            hasSound = e->Effect()->ProcessSilence(target, static_cast<int>(frames)) ? 1 : 0;
    }
    if (!hasSound) {
        if (monitor) {
            peakLeft = peakRight = 0.0f;
            countDown(holdLeft);
            countDown(holdRight);
        }
        return 0;
    }
    float gainLeft = 1.0f, gainRight = 1.0f;
    if (volume != 1.0f || pan != 1.0f) {
        gainLeft = (2.0f - pan) * volume;
        gainRight = pan * volume;
        for (long i = 0; i < frames; ++i) {
            buffer[2 * i] *= gainLeft;
            buffer[2 * i + 1] *= gainRight;
        }
    }
    if (monitor) {
        float left = 0.0f, right = 0.0f;
        if (gainLeft != 0.0f || gainRight != 0.0f) {
            GetAbsMax(buffer, static_cast<unsigned long>(frames), left, right);
            left = std::min(left, 1.0f);
            right = std::min(right, 1.0f);
        }
        holdPeak(left, holdLeft);
        holdPeak(right, holdRight);
        peakLeft = left;
        peakRight = right;
    }
    return 1;
}

void CSEffectChain::UpdateIOParams(int framesChanged, int rateChanged)
{
    for (CSEffectElem *e = First(); e; e = static_cast<CSEffectElem *>(e->next)) {
        IQuorvaneAudioEffect *effect = e->Effect();
        effect->Reset();
        if (rateChanged)
            effect->SetSampleRate(static_cast<float>(params->sampleRate));
        if (framesChanged)
            effect->SetBlockSize(params->bufferFrames);
        effect->Resume();
    }
}

void CSEffectChain::Restart()
{
    for (CSEffectElem *e = First(); e; e = static_cast<CSEffectElem *>(e->next)) {
        e->Effect()->Reset();
        e->Effect()->Resume();
    }
}

void CSEffectChain::ResetMonitor()
{
    peakLeft = peakRight = 0.0f;
    holdLeft = holdRight = 0;
}

void CSEffectChain::GetLevel(float &left, float &right, long &holdL, long &holdR) const
{
    left = peakLeft;
    right = peakRight;
    holdL = holdLeft;
    holdR = holdRight;
}

} // namespace Quorvane
