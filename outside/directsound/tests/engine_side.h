// The engine's side of a stream provider for the provider's tests: the
// parameter block with its buffers and events, and a thread that answers
// every buffer request by filling the buffer with a counter pattern (the
// request's number in every sample) and handing it back.
#pragma once

#include "sound/audio_stream_provider.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace directsound_test {

class EngineSide {
public:
    EngineSide(int32_t rate, int32_t format, int32_t frames);
    ~EngineSide();

    Quorvane::ASPOPENPARAMS block = {};
    // Serves requests until stopped.
    void Serve(Quorvane::IAudioStreamProvider *provider);
    void Stop();
    long Served() const { return served_.load(); }
    // Waits until at least count requests were served; false when the
    // limit passed first.
    bool WaitServed(long count, DWORD limitMs);
    // Buffer indexes in the order they were served (the lowest first of
    // those asked for at once).
    std::vector<int> order;

private:
    void fill(int index, int32_t value);

    int bytesPerSample_;
    std::vector<uint8_t> samples_;
    std::vector<float> floats_;
    HANDLE events_[5] = {};
    HANDLE reached_ = nullptr;
    std::atomic<long> wanted_{0};
    HWND window_ = nullptr;
    std::thread thread_;
    std::atomic<long> served_{0};
};

} // namespace directsound_test
