#include "outside/vst/vsti_synth.h"

#include "outside/vst/vst_selection.h"

#include <algorithm>

using namespace Quorvane;

CVstiSynth::CVstiSynth() : plugin_(&CVstiSynth::changed, this)
{
    plugin_.SetFormat(sampleRate, blockSize);
}

void CVstiSynth::changed(void *owner)
{
    static_cast<CVstiSynth *>(owner)->callHost(0, 2);
}

void CVstiSynth::Destroy()
{
    delete this;
}

void CVstiSynth::SetSampleRate(float rate)
{
    sampleRate = rate;
    plugin_.SetFormat(sampleRate, blockSize);
}

void CVstiSynth::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 1);
    plugin_.SetFormat(sampleRate, blockSize);
}

void CVstiSynth::MidiIn(const uint8_t *message, int offset)
{
    plugin_.QueueMidi(message, offset);
}

bool CVstiSynth::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && plugin_.Render(lastBuffer, frames, true, nullptr);
}

bool CVstiSynth::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && plugin_.Render(lastBuffer, frames, false, nullptr);
}

const char *CVstiSynth::GetName()
{
    return plugin_.IsOpen() ? plugin_.Name() : "Tembri VSTi";
}

void *CVstiSynth::GetSubInterface(int id)
{
    return id == SSEX_TEMBRI ? static_cast<IZQSSExTembri *>(&host_) : nullptr;
}

bool CVstiSynth::Host::GetInstrument(long, void *out)
{
    return ReportVstSelection(synth_.plugin_, out);
}

bool CVstiSynth::Host::SelectInstrument(long, const void *data)
{
    return SelectVstPlugin(synth_.plugin_, data, true);
}
