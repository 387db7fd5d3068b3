#include "bridge/dxi/bridge_engine.h"

#include "dshow/ds_platform.h"
#include "platform/dxi.h"

#include <cmath>
#include <cstring>

namespace Halvorin {

namespace {

constexpr int kStereo = 2;
constexpr int kFloatBytes = 4;

} // namespace

CBridgeEngine::CBridgeEngine()
{
    segmenter.block.sampleRate = 44100;
    segmenter.block.tempo = 100.0f;
    Reset();
}

HRESULT CBridgeEngine::CheckFormat(const WAVEFORMATEX &format)
{
    return format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format.nChannels == kStereo
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBridgeEngine::CheckPair(const WAVEFORMATEX &input, const WAVEFORMATEX &output)
{
    return SUCCEEDED(CheckFormat(input)) && SUCCEEDED(CheckFormat(output)) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void CBridgeEngine::Reset()
{
    segmenter.Reset(kModeInterleaved);
}

float *PreparedBuffer(BridgeBufferRecord &record)
{
    BYTE *data = nullptr;
    if (!record.sample || FAILED(record.sample->GetPointer(&data)) || !data)
        return nullptr;
    auto *buffer = reinterpret_cast<float *>(data + record.offset);
    if (record.zeroPending) {
        IDXiFloatBuffer *floats = nullptr;
        if (SUCCEEDED(
                record.sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats)))) {
            // Its pointer, asked while the fill is pending, cleared it.
            floats->Release();
        } else {
            std::memset(buffer, 0, static_cast<size_t>(record.frames) * kStereo * kFloatBytes);
        }
        record.zeroPending = false;
    }
    return buffer;
}

HRESULT CBridgeEngine::Process(const HalvorinConnection &provider, BridgeBufferRecord *outputs,
                               int outputCount, BridgeBufferRecord *input, int frames, int64_t blockStart,
                               bool last, const TempoState &tempo, int32_t sampleRate,
                               CBridgeMidiQueue &queue)
{
    if (!provider.Connected())
        return S_OK;
    float *a = outputCount > 0 ? PreparedBuffer(outputs[0]) : nullptr;
    float *b = input ? PreparedBuffer(*input) : nullptr;
    BridgeRenderBlock &block = segmenter.block;
    block.sampleRate = sampleRate;
    block.tempo = static_cast<float>(tempo.tempo * 0.01);
    segmenter.Begin(provider, kModeInterleaved, a, b, frames);
    if (tempo.justStopped)
        segmenter.TransportStopped();
    if (tempo.justStarted)
        segmenter.TransportStarted();
    const int32_t quarter = tempo.ticksPerQuarter > 0 ? tempo.ticksPerQuarter : 960;
    queue.Take(blockStart + frames, last, [&](const QueuedEvent &event) {
        int64_t offset = event.sample - blockStart;
        if (offset >= frames)
            offset = frames - 1;
        const EventPlace at = {static_cast<int>(offset < 0 ? -1 : offset),
                               static_cast<int32_t>(std::trunc(event.tick * 960.0 / quarter)),
                               {}};
        switch (event.kind) {
        case QueuedEvent::kWheel:
            segmenter.Bend(event.wheel);
            break;
        case QueuedEvent::kController:
            if (event.number == 1)
                segmenter.Modulation(event.value);
            else if (event.number == 64 || event.number == 66 || event.number == 67)
                segmenter.Pedal(at, event.value >= 64);
            else if (event.number == 121)
                segmenter.ResetControllers(at);
            break;
        case QueuedEvent::kNote:
            segmenter.Note(at, event.number, event.value);
            break;
        }
    });
    segmenter.End();
    return S_OK;
}

} // namespace Halvorin
