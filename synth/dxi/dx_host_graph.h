// A private filter graph that runs one hosted synthesizer: a null source
// feeds it one silent block per render call, and a capture filter keeps its
// output sample, so a render call returns with the audio waiting in place.
// Driven synchronously from the render thread; opening and tear-down may
// come from another thread, and the graph's lock serialises them all.
//
// Lock order: the graph's lock, then the null source's stream lock and its
// filter lock, then whatever the synthesizer takes while it delivers, then
// the capture filter's lock, last the allocator's lock.
#pragma once

#include "base/critical_section.h"
#include "synth/dxi/dx_capture_filter.h"
#include "synth/dxi/dx_null_source.h"
#include "synth/dxi/dx_sample_allocator.h"

#include <control.h>

#include <cstdint>

class CDxHostGraph {
public:
    // The first failure of making the platform's filter graph and the
    // allocator through result; such a graph is not used further.
    explicit CDxHostGraph(HRESULT *result);
    virtual ~CDxHostGraph();
    CDxHostGraph(const CDxHostGraph &) = delete;
    CDxHostGraph &operator=(const CDxHostGraph &) = delete;

    // The synthesizer (AddRef'd), or null; a new one tears down and opens.
    HRESULT SetTransform(IBaseFilter *transform);
    // 0 or less: E_INVALIDARG. A change tears down and opens again.
    HRESULT SetSampleRate(int rate);
    HRESULT SetBlockFrames(int frames);
    HRESULT Pause();
    HRESULT Run();
    HRESULT Stop();
    // The stream's position in sample frames; the next block is marked as a
    // discontinuity.
    HRESULT SetPosition(int64_t frames);
    // Runs one block of frames through the synthesizer; data points into the
    // kept output sample until the next render or tear-down, channels says
    // how its frames are laid out and outFrames how many it holds.
    HRESULT Render(const float **data, int *channels, int *outFrames, int frames);
    HRESULT ReleaseOutput();

    bool IsOpen() const { return open_; }
    int SampleRate() const { return rate_; }
    int BlockFrames() const { return blockFrames_; }
    int64_t Position() const { return position_; }
    // The graph's allocator, for tests.
    CDxSampleAllocator *Allocator() const { return allocator_; }

private:
    HRESULT Open();
    HRESULT TearDown();
    HRESULT MediaControl(HRESULT (STDMETHODCALLTYPE IMediaControl::*call)());

    Quorvane::CriticalSection lock_;
    bool open_ = false;
    IBaseFilter *transform_ = nullptr; // one reference held
    IGraphBuilder *graph_ = nullptr;
    IMediaControl *control_ = nullptr;
    int blockFrames_ = 441;
    int rate_ = 44100;
    CDxNullSource *source_ = nullptr;     // one reference held while open
    CDxCaptureFilter *capture_ = nullptr; // one reference held while open
    CDxSampleAllocator *allocator_ = nullptr;
    int64_t position_ = 0;
    bool discontinuity_ = false;
};
