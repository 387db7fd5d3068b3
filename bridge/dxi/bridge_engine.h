// The DXi bridge's render engine: it accepts float stereo only, and renders
// each block (or part of one) by cutting it at the due MIDI events and
// sending the segments through the stream provider in interleaved mode,
// the program's audio added to the input into the first output.
#pragma once

#include "bridge/common/bridge_segmenter.h"
#include "bridge/dxi/bridge_midi_queue.h"

#include <windows.h>
#include <mmreg.h>
#include <strmif.h>

namespace Halvorin {

// One buffer of one render call: the frames to render, where in the
// sample's buffer they go, the pin's id, the sample, and whether the
// buffer still has to read as silence.
struct BridgeBufferRecord {
    int32_t frames;
    int32_t offset; // bytes
    int32_t pinId;
    IMediaSample *sample;
    bool zeroPending;
};

// The host's tempo at a block's first sample.
struct TempoState {
    int32_t tempo; // hundredths of a beat per minute
    int32_t ticksPerQuarter;
    int32_t justStarted;
    int32_t justStopped;
};

class CBridgeEngine {
public:
    CBridgeEngine();

    // S_OK for IEEE float with two channels, else the type is not accepted.
    static HRESULT CheckFormat(const WAVEFORMATEX &format);
    static HRESULT CheckPair(const WAVEFORMATEX &input, const WAVEFORMATEX &output);

    void Reset();
    HRESULT StartNotice() { return S_OK; }
    HRESULT StopNotice() { return S_OK; }

    // Renders frames from blockStart into the first output, adding the
    // input when there is one; the events due (all of the block's when
    // last is set) cut the segments.
    HRESULT Process(const HalvorinConnection &provider, BridgeBufferRecord *outputs, int outputCount,
                    BridgeBufferRecord *input, int frames, int64_t blockStart, bool last,
                    const TempoState &tempo, int32_t sampleRate, CBridgeMidiQueue &queue);

    BridgeSegmenter segmenter;
};

// The record's buffer at its offset, silenced first while it is still to
// be: a sample with the float-buffer interface clears itself.
float *PreparedBuffer(BridgeBufferRecord &record);

} // namespace Halvorin
