#include "outside/directsound/tests/engine_side.h"

#include <cstdlib>
#include <cstring>

namespace directsound_test {

EngineSide::EngineSide(int32_t rate, int32_t format, int32_t frames)
    : bytesPerSample_(Quorvane::AspBytesPerSample(format))
{
    samples_.assign(static_cast<size_t>(4) * frames * 2 * bytesPerSample_, 0);
    floats_.assign(static_cast<size_t>(4) * frames * 2, 0.0f);
    for (HANDLE &event : events_)
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    reached_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    block.port = 0;
    block.sampleRate = rate;
    block.sampleFormat = format;
    block.bufferCount = 4;
    block.framesPerBuffer = frames;
    block.sampleBuffers = samples_.data();
    block.floatBuffers = floats_.data();
    block.mainWindow = &window_;
    block.bufferEvents = events_ + 1;
}

EngineSide::~EngineSide()
{
    Stop();
    std::free(block.framesWanted);
    for (HANDLE event : events_)
        CloseHandle(event);
    CloseHandle(reached_);
}

void EngineSide::fill(int index, int32_t value)
{
    const size_t samples = static_cast<size_t>(block.framesPerBuffer) * 2;
    uint8_t *at = samples_.data() + index * samples * bytesPerSample_;
    for (size_t i = 0; i < samples; ++i)
        std::memcpy(at + i * bytesPerSample_, &value, bytesPerSample_);
}

void EngineSide::Serve(Quorvane::IAudioStreamProvider *provider)
{
    thread_ = std::thread([this, provider] {
        for (;;) {
            const DWORD woken = WaitForMultipleObjects(5, events_, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0 || woken > WAIT_OBJECT_0 + 4)
                return;
            const int index = static_cast<int>(woken - WAIT_OBJECT_0) - 1;
            order.push_back(index);
            const long served = ++served_;
            fill(index, static_cast<int32_t>(served));
            if (served == wanted_.load())
                SetEvent(reached_);
            provider->BufferDone(index);
        }
    });
}

bool EngineSide::WaitServed(long count, DWORD limitMs)
{
    wanted_ = count;
    return served_.load() >= count || WaitForSingleObject(reached_, limitMs) == WAIT_OBJECT_0;
}

void EngineSide::Stop()
{
    if (!thread_.joinable())
        return;
    SetEvent(events_[0]);
    thread_.join();
}

} // namespace directsound_test
