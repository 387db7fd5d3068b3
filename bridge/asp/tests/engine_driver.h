// The program's side of a channel as the sound engine drives a stream
// provider, for the provider's tests: the open parameters with four float
// stereo buffers and their events, and a thread that answers each buffer
// request by filling the buffer and handing it back with BufferDone.
#pragma once

#include "sound/audio_stream_provider.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace halvorin_test {

// What a served buffer holds unless a filler says otherwise: frame f of
// request r (counted from 1) is left = r * 10000 + f, right = -left.
float patternLeft(int request, int frame);

class EngineDriver {
public:
    EngineDriver(int channel, int framesPerBuffer);
    ~EngineDriver();
    EngineDriver(const EngineDriver &) = delete;
    EngineDriver &operator=(const EngineDriver &) = delete;

    // Answers requests until Stop (or destruction).
    void Serve(Quorvane::IAudioStreamProvider *provider);
    void Stop();

    // The frames asked for by each request served so far.
    std::vector<int> Requests() const;
    // The buffer indexes in the order they were asked for.
    std::vector<int> Order() const;

    // Fills (buffer, frames asked for, request number from 1) in place of
    // the pattern; set before Serve.
    std::function<void(float *, int, int)> filler;
    // Requests past this many are noted but never answered (-1: all are).
    int answered = -1;
    // Called on the driver's thread at the first request left unanswered.
    std::function<void()> fellSilent;

    Quorvane::ASPOPENPARAMS block = {};

private:
    std::vector<float> buffers_;
    HANDLE events_[5] = {};
    HWND window_ = nullptr;
    std::thread thread_;
    mutable std::mutex lock_;
    std::vector<int> requests_;
    std::vector<int> order_;
};

// One call of the provider's notify callback.
struct Notification {
    long note;
    long position;
    float tempo;
    long bend;
    long mod;
};

// Keeps every notification the provider makes.
class NotifyRecorder {
public:
    static void Callback(ULONG_PTR user, long note, long position, float tempo, long bend, long mod);
    ULONG_PTR User() { return reinterpret_cast<ULONG_PTR>(this); }
    std::vector<Notification> Take();

private:
    std::mutex lock_;
    std::vector<Notification> list_;
};

} // namespace halvorin_test
