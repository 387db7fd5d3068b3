// The tests' own modules, in one library that registers under any name: a
// probe synthesizer, a probe effect and a probe stream provider. They keep
// what the engine did to them in one shared record the tests read and set.
#pragma once

#include "sound/audio_stream_provider.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace probe {

constexpr int kMaxMessages = 256;
constexpr int kMaxObjects = 4096;
constexpr int kLongNameSize = 300;

struct Message {
    uint32_t bytes;
    int offset;
};

struct PROBESTATE {
    // --- synthesizers
    // Level each synth writes into every sample while it sounds (0: silent).
    std::atomic<float> synthLevel{0.0f};
    std::atomic<long> synthsAlive{0};
    std::atomic<long> synthRenders{0};
    std::atomic<long> synthResets{0};
    std::atomic<long> synthResumes{0};
    std::atomic<long> synthRateCalls{0};
    std::atomic<long> synthBlockCalls{0};
    // A render, message or destroy reaching a destroyed synthesizer.
    std::atomic<long> afterDestroy{0};
    std::atomic<long> messageCount{0};
    Message messages[kMaxMessages];
    // Notes the synthesizers sound now: started by a note-on and not yet
    // ended by its note-off (or by the synth's end).
    std::atomic<long> notesSounding{0};
    // What SelectInstrument answers; what GetParam gives back (-1: the value
    // set).
    std::atomic<int> selectResult{1};
    std::atomic<float> paramAnswer{-1.0f};
    // What the state holds: SaveState writes stateBytes bytes of value.
    std::atomic<int> stateBytes{4};
    std::atomic<int32_t> stateValue{0};
    std::atomic<int32_t> loadedValue{-1};
    std::atomic<long> loads{0};
    // Names the synth's enumeration offers.
    std::atomic<int> offerNames{0};
    // Set: every render reads the song's tempo, meter and key maps through
    // the song interface, as a hosted DXi asks its host for musical time.
    std::atomic<int> readSongMaps{0};
    std::atomic<long> songReads{0};
    // Reads that no whole map answers (a map caught while it was rebuilt).
    std::atomic<long> badSongReads{0};
    // Called by every render of a synth when set, on the rendering thread.
    std::atomic<void (*)(void *)> renderWatch{nullptr};
    std::atomic<void *> renderWatchContext{nullptr};
    // --- effects
    std::atomic<long> effectsAlive{0};
    std::atomic<long> effectRateCalls{0};
    std::atomic<long> effectBlockCalls{0};
    std::atomic<long> effectProcess{0};
    std::atomic<long> effectSilence{0};
    // Process-from-silence calls that found audio in the buffer.
    std::atomic<long> effectSawAudio{0};
    // --- provider
    std::atomic<int> openResult{1};
    std::atomic<int> startResult{1};
    std::atomic<int> doneResult{1};
    std::atomic<long> bufferDones{0};
    Quorvane::ASPOPENPARAMS *block = nullptr;
    HANDLE doneEvent = nullptr;
    std::atomic<long> providersAlive{0};
};

using ProbeStateProc = PROBESTATE *(*)();
// Asks the engine for buffer index with frames (written as the frames
// wanted) and waits until it is done; false on a time-out.
using ProbeRequestProc = bool (*)(int index, int32_t frames);

} // namespace probe
