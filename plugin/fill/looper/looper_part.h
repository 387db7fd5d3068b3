// What one looper plays and how: its pattern with the velocity statistics
// and velocity map made from it, and the part's own settings and flags; what
// the looper block stores. A looper plays its part; a fill prepared aside
// holds ten, and a pad switch swaps them into the loopers whole, without
// allocating.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/velo_transformer.h"
#include "plugin/framework/midi/midi_track.h"

#include "base/stream.h"

#include <cstdint>
#include <memory>

namespace Quorvane {

struct LooperPart {
    static constexpr int32_t kBlockVersion = 6;
    static constexpr int32_t kExtensionVersion = 1;
    static constexpr int32_t kDefaultFixedNote = 54;

    LooperPart();
    LooperPart(const LooperPart &other);
    LooperPart &operator=(const LooperPart &other);
    LooperPart(LooperPart &&) noexcept = default;
    LooperPart &operator=(LooperPart &&) noexcept = default;
    ~LooperPart();

    // Exchanges everything; allocates nothing.
    void swap(LooperPart &other) noexcept;

    // ---- Pattern

    // The events of source that belong to a part with these instrument
    // notes (128 bytes): its notes and their key pressure, and with
    // unclaimed set (looper 0) the events of no note. Statistics follow.
    void takeFrom(const CMidiTrack &source, const uint8_t *instrumentNotes, bool unclaimed);
    // An empty pattern (the pattern's resolution stays).
    void clearPattern();
    void computeVelocityStatistics();
    void rebuildVelocityMap(const VelocityMapInputs &inputs);

    bool usesNote(int note) const { return pattern->isNoteUsed(note); }
    bool hasEvents() const { return !pattern->events().empty(); }
    // Ticks per quarter of the pattern (480 for none).
    int32_t resolution() const;
    // End of the last event, pattern ticks; -1 when empty.
    int32_t length() const;

    // ---- Storage

    // The looper block. Reading is all or nothing, honours older versions
    // (fields they lack take their defaults) and leaves the exclude flag
    // and the velocity map as they are.
    bool writeBlock(OutputStream &out) const;
    bool readBlock(InputStream &in);
    // The looper extension block (the exclude flag).
    bool writeExtension(OutputStream &out) const;
    bool readExtension(InputStream &in);

    std::unique_ptr<CMidiTrack> pattern; // never null
    uint8_t mute = 0;
    uint8_t notesOff = 0;
    uint8_t exclude = 0;
    int32_t velocityOffset = 0;    // -127..127
    int32_t dynamicsPercent = 100; // 0..100
    int32_t timeOffset = 0;        // 480 ticks per quarter
    int32_t keyOffset = 0;         // -127..127
    int lowestVelocity = 1;
    int averageVelocity = 64;
    int highestVelocity = 127;
    DrumMap drumMap;
    bool fixedNoteOn = false;
    int fixedNote = kDefaultFixedNote;
    VeloTransformer velocityMap;
};

} // namespace Quorvane
