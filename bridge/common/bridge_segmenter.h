// How a bridge plug-in turns one host block and the MIDI events inside it
// into segments for the stream provider: each note on and each released
// note cuts the block at its frame, so a note and its velocity reach the
// program with the segment that starts at it. Sustain holds a note off back
// until the pedal comes up; bend and modulation go out with the next
// segment. Both bridge plug-ins render through this.
#pragma once

#include "bridge/common/halvorin_connection.h"

#include <optional>

namespace Halvorin {

// Where an event falls: frames into the block, and the positions (ticks at
// 960 per quarter note) to stamp on the segment that ends there (when it
// is cut) and on the segment that starts there.
struct EventPlace {
    int offset;
    std::optional<int32_t> endingPosition;
    std::optional<int32_t> startingPosition;
};

class BridgeSegmenter {
public:
    static constexpr int kNoNote = -1;

    // Everything back to no note, no pedal, no bend and no modulation.
    void Reset(int32_t mode);

    // Starts a host block of frames: two mono buffers (modes 0 and 1) or
    // an interleaved output with an optional input (mode 2).
    void Begin(const HalvorinConnection &provider, int32_t mode, float *a, float *b, int frames);
    // The host's transport stopped (notes in this block are ignored) or
    // started, at the block's start.
    void TransportStopped();
    void TransportStarted() { started_ = true; }

    // The block's events, in time order.
    void Note(const EventPlace &at, int note, int velocity);
    void Bend(int32_t value) { currentBend = value; }
    void Modulation(int32_t value) { currentMod = value; }
    void Pedal(const EventPlace &at, bool down);
    // Resets the controllers: bend and modulation to 0, the pedal up.
    void ResetControllers(const EventPlace &at);

    // Sends what is left of the block.
    void End();

    BridgeRenderBlock block = {};
    int32_t currentBend = 0;
    int32_t currentMod = 0;
    bool sustain = false;
    int heldNote = kNoNote;

private:
    void pedalUp(const EventPlace &at);
    // Sends the frames up to the event as a segment.
    void cut(const EventPlace &at);
    void send(const EventPlace &at, bool noteOn, int note, int velocity);
    void segment(int frames);

    const HalvorinConnection *provider_ = nullptr;
    int frames_ = 0;
    int sent_ = 0;
    bool stopped_ = false;
    bool started_ = false;
};

} // namespace Halvorin
