#include "outside/vst/vst_effect.h"

#include "outside/vst/vst_selection.h"

#include <algorithm>
#include <vector>

using namespace Quorvane;

CVstEffect::CVstEffect() : plugin_(&CVstEffect::changed, this)
{
    plugin_.SetFormat(sampleRate, blockSize);
}

void CVstEffect::changed(void *owner)
{
    auto *effect = static_cast<CVstEffect *>(owner);
    if (effect->hostCallback)
        effect->hostCallback(0, 2, effect->hostUser);
}

void CVstEffect::SetSampleRate(float rate)
{
    sampleRate = rate;
    plugin_.SetFormat(sampleRate, blockSize);
}

void CVstEffect::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 1);
    plugin_.SetFormat(sampleRate, blockSize);
}

bool CVstEffect::Process(float **buffer, int frames)
{
    float *target = buffer ? *buffer : nullptr;
    if (!target)
        return false;
    // A plug-in that cannot run leaves the bus as it was.
    plugin_.Render(target, std::min(frames, blockSize), false, target);
    return true;
}

bool CVstEffect::ProcessSilence(float **buffer, int frames)
{
    float *target = buffer ? *buffer : nullptr;
    return target && plugin_.Render(target, std::min(frames, blockSize), false, nullptr);
}

const char *CVstEffect::GetName()
{
    return plugin_.IsOpen() ? plugin_.Name() : "Tembri VST";
}

void *CVstEffect::GetSubInterface(int id)
{
    return id == SSEX_TEMBRI ? static_cast<IZQAEExTembri *>(&host_) : nullptr;
}

bool CVstEffect::Host::GetSelection(long, void *out)
{
    return ReportVstSelection(effect_.plugin_, out);
}

bool CVstEffect::Host::Select(long, const void *data)
{
    return SelectVstPlugin(effect_.plugin_, data, false);
}
