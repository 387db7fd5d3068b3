// Writes a WAVE file through the provider's unpaced capture: 20 buffers of
// 512 frames of a square wave at half scale, in the format and at the rate
// asked for. For the check against sox.
// usage: directsound_wave_tool <module> <file.wav> <rate> <format>
#include "outside/directsound/directsound_capture.h"
#include "sound/audio_stream_provider.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Quorvane;

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module)
        return 3;
    auto setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectSoundSetCapture")));
    auto get = reinterpret_cast<GetASPInterfaceProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "GetASPInterface")));
    const int32_t rate = std::atoi(argv[3]), format = std::atoi(argv[4]);
    const int32_t frames = 512, buffers = 20;
    const int bytes = AspBytesPerSample(format);
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DSCAPTURE capture = {};
    capture.unpaced = 1;
    capture.maxBuffers = buffers;
    capture.wavePath = argv[2];
    capture.finished = finished;
    setCapture(&capture);

    std::vector<uint8_t> samples(static_cast<size_t>(4) * frames * 2 * bytes);
    std::vector<float> floats(static_cast<size_t>(4) * frames * 2);
    HANDLE events[4];
    for (HANDLE &event : events)
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWND window = nullptr;
    ASPOPENPARAMS block = {0,       rate,   format, 4, frames, samples.data(), floats.data(),
                           &window, events, nullptr};
    IAudioStreamProvider *provider = get();
    if (!provider->Open(&block, "wave tool"))
        return 4;
    provider->Start();
    // Half scale in each format: +-0.5 as the engine would convert it.
    for (int served = 0; served < buffers; ++served) {
        const DWORD woken = WaitForMultipleObjects(4, events, FALSE, 5000);
        if (woken >= WAIT_OBJECT_0 + 4)
            return 5;
        const int index = static_cast<int>(woken - WAIT_OBJECT_0);
        uint8_t *at = samples.data() + static_cast<size_t>(index) * frames * 2 * bytes;
        for (int i = 0; i < frames * 2; ++i) {
            const bool high = ((served * frames + i / 2) / 50) % 2 == 0;
            const float value = high ? 0.5f : -0.5f;
            if (format == kAspFloat) {
                std::memcpy(at + 4 * i, &value, 4);
            } else {
                const double scale = format == 16 ? 32767.0 : format == 24 ? 8388607.0 : 2147483648.0;
                const int32_t v = static_cast<int32_t>(std::lrint(value * scale));
                std::memcpy(at + bytes * i, &v, bytes);
            }
        }
        provider->BufferDone(index);
    }
    WaitForSingleObject(finished, 5000);
    provider->Release();
    std::free(block.framesWanted);
    return 0;
}
