#include "bridge/asp/tests/engine_driver.h"

#include <cstdlib>

namespace halvorin_test {

float patternLeft(int request, int frame)
{
    return static_cast<float>(request * 10000 + frame);
}

EngineDriver::EngineDriver(int channel, int framesPerBuffer)
    : buffers_(static_cast<size_t>(4) * 2 * framesPerBuffer, 0.0f)
{
    for (HANDLE &event : events_)
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    block.port = channel;
    block.sampleRate = 44100;
    block.sampleFormat = Quorvane::kAspFloat;
    block.bufferCount = 4;
    block.framesPerBuffer = framesPerBuffer;
    block.sampleBuffers = buffers_.data();
    block.floatBuffers = buffers_.data();
    block.mainWindow = &window_;
    block.bufferEvents = events_ + 1;
}

EngineDriver::~EngineDriver()
{
    Stop();
    std::free(block.framesWanted);
    for (HANDLE event : events_)
        CloseHandle(event);
}

void EngineDriver::Serve(Quorvane::IAudioStreamProvider *provider)
{
    thread_ = std::thread([this, provider] {
        const int frames = block.framesPerBuffer;
        for (int request = 1;; ++request) {
            const DWORD woken = WaitForMultipleObjects(5, events_, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0 || woken > WAIT_OBJECT_0 + 4)
                return;
            const int index = static_cast<int>(woken - WAIT_OBJECT_0) - 1;
            {
                std::lock_guard<std::mutex> guard(lock_);
                requests_.push_back(block.framesWanted[index]);
                order_.push_back(index);
            }
            if (answered >= 0 && request > answered) {
                if (request == answered + 1 && fellSilent)
                    fellSilent();
                continue;
            }
            float *buffer = buffers_.data() + static_cast<size_t>(index) * 2 * frames;
            if (filler) {
                const int wanted = block.framesWanted[index];
                filler(buffer, wanted < frames ? wanted : frames, request);
            } else {
                for (int f = 0; f < frames; ++f) {
                    buffer[2 * f] = patternLeft(request, f);
                    buffer[2 * f + 1] = -patternLeft(request, f);
                }
            }
            provider->BufferDone(index);
        }
    });
}

void EngineDriver::Stop()
{
    if (!thread_.joinable())
        return;
    SetEvent(events_[0]);
    thread_.join();
}

std::vector<int> EngineDriver::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

std::vector<int> EngineDriver::Order() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return order_;
}

void NotifyRecorder::Callback(ULONG_PTR user, long note, long position, float tempo, long bend, long mod)
{
    auto *self = reinterpret_cast<NotifyRecorder *>(user);
    std::lock_guard<std::mutex> guard(self->lock_);
    self->list_.push_back({note, position, tempo, bend, mod});
}

std::vector<Notification> NotifyRecorder::Take()
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<Notification> taken;
    taken.swap(list_);
    return taken;
}

} // namespace halvorin_test
