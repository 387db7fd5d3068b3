#include "sound/soft_synth_base.h"

#include <cstring>

namespace Quorvane {

void SoftSynthBase::ClearOutput()
{
    if (lastBuffer && lastFrames > 0)
        std::memset(lastBuffer, 0, sizeof(float) * 2 * static_cast<size_t>(lastFrames));
}

void SoftSynthBase::noteOutput(float **buffer, int frames)
{
    lastBuffer = buffer ? *buffer : nullptr;
    lastFrames = lastBuffer ? frames : 0;
}

void SoftSynthBase::callHost(unsigned long index, long code)
{
    if (hostCallback)
        hostCallback(index, code, hostUser);
}

} // namespace Quorvane
