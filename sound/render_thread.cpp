// The render thread: waits for the stream provider's buffer events, mixes
// the heard song tract into the buffer's float copy, converts it to the
// provider's sample format and hands the buffer back. It runs at time
// critical priority and, once set up, neither allocates nor touches the
// disk nor waits for the user-interface thread.
#include "data/sample_conv.h"
#include "sound/sound_mngr.h"

#include <cstring>

namespace Quorvane {

namespace {

// Converts a whole buffer of float samples to the format.
void convert(CSampleConv &converter, int32_t format, const float *in, void *out, long samples)
{
    const SAMPLECONVTABLE &table = SampleConverters();
    const unsigned long count = static_cast<unsigned long>(samples);
    switch (format) {
    case 16:
        converter.Run(table.floatToInt16, kScale16, in, out, count);
        break;
    case 24:
        converter.Run(table.floatToInt24, kScale24, in, out, count);
        break;
    case 32:
        converter.Run(table.floatToInt32, kScale32, in, out, count);
        break;
    default:
        std::memcpy(out, in, sizeof(float) * count);
        break;
    }
}

} // namespace

DWORD WINAPI EngineThreadProc(void *argument)
{
    auto *manager = static_cast<CSoundMngr *>(argument);
    const ASPOPENPARAMS &block = manager->openParams;
    const long frames = block.framesPerBuffer;
    const long samples = 2 * frames;
    const int bytes = AspBytesPerSample(block.sampleFormat);
    uint8_t *sampleBuffers[kAspBuffers];
    float *floatBuffers[kAspBuffers];
    bool holdsSound[kAspBuffers] = {};
    CSampleConv converter;
    for (int i = 0; i < kAspBuffers; ++i) {
        sampleBuffers[i] =
            static_cast<uint8_t *>(block.sampleBuffers) + static_cast<size_t>(i) * bytes * samples;
        floatBuffers[i] = block.floatBuffers + static_cast<size_t>(i) * samples;
    }
    if (bytes == 0 || !converter.IsOk() || !manager->provider->Start())
        manager->engineOK = 0;
    HANDLE *events = manager->events;
    SetEvent(events[kAspBuffers + 1]);

    for (;;) {
        const DWORD woken = WaitForMultipleObjects(kAspBuffers + 1, events, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 || woken > WAIT_OBJECT_0 + kAspBuffers)
            break;
        const int i = static_cast<int>(woken - WAIT_OBJECT_0) - 1;
        if (manager->midiStepSignal)
            manager->midiStepSignal();
        // A provider never gets more frames than a buffer holds; it may ask
        // for none.
        long wanted = block.framesWanted ? block.framesWanted[i] : frames;
        if (wanted > frames)
            wanted = frames;
        if (wanted > 0) {
            if (manager->FillAccum(floatBuffers[i], wanted, holdsSound[i])) {
                convert(converter, block.sampleFormat, floatBuffers[i], sampleBuffers[i], samples);
                holdsSound[i] = true;
            } else if (holdsSound[i]) {
                std::memset(sampleBuffers[i], 0, static_cast<size_t>(bytes) * samples);
                std::memset(floatBuffers[i], 0, sizeof(float) * samples);
                holdsSound[i] = false;
            }
        }
        if (!manager->provider->BufferDone(i))
            manager->engineOK = 0;
    }
    return 0;
}

} // namespace Quorvane
